// The set-up from a link's parameters or the desktop's options, and the
// string's part of a shared link.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "plot.h"
#include "setup.h"
#include "string_link.h"

namespace {

::Setup read(std::vector<std::pair<std::string, std::string>> settings)
{
    Setup setup = makeSetup(640);
    for (const auto& [name, value] : settings)
        readSetting(setup, name, value);
    return setup;
}

// The notes as "name=value fix used", one per line, to compare whole.
std::string notes(const ::Setup& setup)
{
    std::string text;
    for (const SetupNote& note : setup.notes)
        text += note.name + "=" + note.value + " " + std::to_string(static_cast<int>(note.fix)) + " "
                + std::to_string(note.used) + "\n";
    return text;
}

std::string held(const std::string& name, const std::string& value, long used)
{
    return name + "=" + value + " " + std::to_string(static_cast<int>(SetupFix::HeldToBound)) + " "
           + std::to_string(used) + "\n";
}

std::string ignored(const std::string& name, const std::string& value, SetupFix fix)
{
    return name + "=" + value + " " + std::to_string(static_cast<int>(fix)) + " 0\n";
}

} // namespace

TEST(Setup, NothingGivenIsTheUsualStart)
{
    const ::Setup setup = read({});
    StringState state = makeString(640);
    EXPECT_TRUE(applySetup(setup, state));
    EXPECT_EQ(state.k, 0.9);
    EXPECT_EQ(state.t, 1);
    for (int i = 0; i < 640; ++i) {
        EXPECT_EQ(state.pos[i], 0.0);
        EXPECT_EQ(state.vel[i], 0.0);
        EXPECT_FALSE(isAnchored(state, i));
    }
}

TEST(Setup, ValuesInRangeAreUsedExactly)
{
    const ::Setup setup = read({{"k", "0.9300000000000002"}, {"t", "30"}, {"paused", "1"}});
    EXPECT_EQ(setup.k, 0.9300000000000002);
    EXPECT_NE(setup.k, 0.93); // the shortest decimal of a double reads back as that double
    EXPECT_EQ(setup.t, 30);
    EXPECT_TRUE(setup.paused);
    EXPECT_EQ(notes(setup), "");
    EXPECT_EQ(read({{"k", "1e-2"}}).k, 0.01);
    EXPECT_EQ(read({{"k", ".5"}}).k, 0.5);
    EXPECT_EQ(read({{"k", "+1"}}).k, 1.0);
    EXPECT_EQ(read({{"t", "+7"}}).t, 7);
    EXPECT_FALSE(std::signbit(read({{"k", "-0"}}).k)); // not shown as k=-0.000000
    EXPECT_EQ(notes(read({{"k", "-0"}})), "");
    EXPECT_FALSE(read({{"paused", "1"}, {"paused", "0"}}).paused); // the last one counts
    EXPECT_TRUE(read({{"paused", ""}}).paused);                   // --paused, or ?paused
}

TEST(Setup, ReadsADecimalPointWhateverTheLocale)
{
    // A translated program may run in a locale whose decimal point is a
    // comma; C.UTF-8 has a point, so a locale with a comma is tried if the
    // system has one.
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* locale : {"fr_FR.UTF-8", "de_DE.UTF-8", "C"}) {
        if (std::setlocale(LC_NUMERIC, locale) == nullptr)
            continue;
        EXPECT_EQ(read({{"k", "0.25"}}).k, 0.25) << locale;
        EXPECT_EQ(notes(read({{"k", "0,25"}})), ignored("k", "0,25", SetupFix::NotANumber)) << locale;
    }
    std::setlocale(LC_NUMERIC, before.c_str());
}

TEST(Setup, ValuesOutOfRangeAreHeldToTheirBounds)
{
    const ::Setup setup = read({{"k", "1.5"}, {"t", "5000"}});
    EXPECT_EQ(setup.k, 1.0);
    EXPECT_EQ(setup.t, 1000);
    EXPECT_EQ(notes(setup), held("k", "1.5", 1) + held("t", "5000", 1000));

    const ::Setup low = read({{"k", "-0.01"}, {"t", "-3"}, {"k", "1e999"}, {"t", "99999999999999999999999"}});
    EXPECT_EQ(low.k, 1.0);
    EXPECT_EQ(low.t, 1000);
    EXPECT_EQ(notes(low), held("k", "-0.01", 0) + held("t", "-3", kMinT) + held("k", "1e999", 1)
                              + held("t", "99999999999999999999999", 1000));
}

TEST(Setup, ValuesThatAreNotNumbersAreIgnored)
{
    const ::Setup setup = read({{"k", "abc"}, {"k", ""}, {"k", "0x1p-1"}, {"k", "inf"}, {"k", "1e"}, {"t", "1.5"},
                              {"t", "ten"}, {"t", "+-5"}, {"paused", "yes"}});
    EXPECT_EQ(setup.k, 0.9);
    EXPECT_EQ(setup.t, 1);
    EXPECT_FALSE(setup.paused);
    EXPECT_EQ(notes(setup), ignored("k", "abc", SetupFix::NotANumber) + ignored("k", "", SetupFix::NotANumber)
                                + ignored("k", "0x1p-1", SetupFix::NotANumber) + ignored("k", "inf", SetupFix::NotANumber)
                                + ignored("k", "1e", SetupFix::NotANumber) + ignored("t", "1.5", SetupFix::NotAWholeNumber)
                                + ignored("t", "ten", SetupFix::NotANumber) + ignored("t", "+-5", SetupFix::NotANumber)
                                + ignored("paused", "yes", SetupFix::NotZeroOrOne));
    EXPECT_EQ(notes(read({{"k", std::string(80, '1')}})), ignored("k", std::string(80, '1'), SetupFix::NotANumber));
}

TEST(Setup, UnknownNamesAreIgnored)
{
    const ::Setup setup = read({{"speed", "3"}, {"K", "1"}});
    EXPECT_EQ(setup.k, 0.9);
    EXPECT_EQ(notes(setup), ignored("speed", "3", SetupFix::UnknownName) + ignored("K", "1", SetupFix::UnknownName));
}

TEST(Setup, AnchorsAreColumnsOnTheCentreLine)
{
    const ::Setup setup = read({{"anchors", "160,-5,480,700,x,2.5,"}});
#if WAVESTRING_PACED
    EXPECT_EQ(notes(setup), ignored("anchors", "160,-5,480,700,x,2.5,", SetupFix::NoAnchors));
    EXPECT_TRUE(setup.anchors.empty());
#else
    EXPECT_EQ(setup.anchors, (std::vector<int>{160, 0, 480, 639}));
    EXPECT_EQ(notes(setup), held("anchors", "-5", 0) + held("anchors", "700", 639)
                                + ignored("anchors", "x", SetupFix::NotANumber)
                                + ignored("anchors", "2.5", SetupFix::NotAWholeNumber)); // an empty item is no item
    StringState state = makeString(640);
    state.pos[160] = 5; // applied to a flat string: already flat
    applySetup(setup, state);
    for (int i = 0; i < 640; ++i)
        EXPECT_EQ(isAnchored(state, i), i == 0 || i == 160 || i == 480 || i == 639) << i;
    EXPECT_TRUE(read({{"anchors", "1,2"}, {"anchors", ""}}).anchors.empty()); // the last one counts
#endif
}

TEST(Setup, AHumpIsARaisedCosineRoundTheLoop)
{
    const ::Setup setup = read({{"hump", "2,8,-100"}});
    ASSERT_EQ(notes(setup), "");
    StringState state = makeString(640);
    applySetup(setup, state);
    // -100 (1 + cos(2 pi j / 8)) / 2 for |j| < 4, centred on column 2, round the seam.
    const double side = -50 * (1 + std::cos(std::numbers::pi / 4)), far = -50 * (1 + std::cos(3 * std::numbers::pi / 4));
    EXPECT_EQ(state.pos[2], -100.0);
    EXPECT_DOUBLE_EQ(state.pos[1], side);
    EXPECT_DOUBLE_EQ(state.pos[3], side);
    EXPECT_DOUBLE_EQ(state.pos[0], -50.0);
    EXPECT_DOUBLE_EQ(state.pos[4], -50.0);
    EXPECT_DOUBLE_EQ(state.pos[639], far);
    EXPECT_DOUBLE_EQ(state.pos[5], far);
    EXPECT_EQ(state.pos[638], 0.0);
    EXPECT_EQ(state.pos[6], 0.0);
    for (int i = 0; i < 640; ++i)
        EXPECT_EQ(state.vel[i], 0.0);

    // Two humps add up; a width of one is one point.
    StringState two = makeString(640);
    applySetup(read({{"hump", "10,1,30"}, {"hump", "10,1,5"}}), two);
    EXPECT_EQ(two.pos[10], 35.0);
    EXPECT_EQ(two.pos[9], 0.0);
    EXPECT_EQ(two.pos[11], 0.0);
}

TEST(Setup, AnArchIsHalfASineBetweenTwoColumns)
{
    StringState state = makeString(640);
    const ::Setup setup = read({{"arch", "600,40,80"}}); // rightwards through the seam: 80 columns
    ASSERT_EQ(notes(setup), "");
    applySetup(setup, state);
    EXPECT_EQ(state.pos[600], 0.0);
    EXPECT_EQ(state.pos[40], 0.0);
    EXPECT_DOUBLE_EQ(state.pos[0], 80.0); // the middle: sin(pi / 2)
    EXPECT_DOUBLE_EQ(state.pos[620], 80 * std::sin(std::numbers::pi / 4));
    EXPECT_EQ(state.pos[41], 0.0);
    EXPECT_EQ(state.pos[599], 0.0);
}

TEST(Setup, ShapesTakeThreeWholeNumbersHeldToTheirBounds)
{
    const ::Setup setup = read({{"hump", "700,0,-300"}, {"hump", "1,2"}, {"arch", "5,5,10"}, {"arch", "1,2,x"},
                              {"arch", "1,2,3.5"}});
    EXPECT_EQ(notes(setup), held("hump", "700", 639) + held("hump", "0", 1) + held("hump", "-300", -240)
                                + ignored("hump", "1,2", SetupFix::NotThreeNumbers)
                                + ignored("arch", "5,5,10", SetupFix::SameColumns)
                                + ignored("arch", "1,2,x", SetupFix::NotThreeNumbers)
                                + ignored("arch", "1,2,3.5", SetupFix::NotThreeNumbers));
    ASSERT_EQ(setup.shapes.size(), 1u);
    StringState state = makeString(640);
    applySetup(setup, state);
    EXPECT_EQ(state.pos[639], -240.0);
}

// -- the string's part of a link ----------------------------------------------

TEST(StringLink, QuantizedValuesKeepTheirRows)
{
    // Just below a half, a half, and past the window's edge.
    const double values[] = {0, 0.3, 2.4999999, 2.5, -2.4999999, -2.5, 0.5, -0.5, 0.49999999, -0.49999999, 239.4999,
                             239.5, -240.5000001, 1e300, -1e300, 5000.001, 1.0 / 3, -7.77};
    for (int shift : {0, 1, 3, 6, 16}) {
        const double step = std::ldexp(1.0, -shift);
        for (double value : values) {
            const double quantized = quantize(value, step);
            EXPECT_EQ(dotRow(quantized, 480), dotRow(value, 480)) << value << " at a step of " << step;
            EXPECT_EQ(std::fmod(quantized, step), 0.0) << value;
            if (std::abs(value) < kMaxLinkedValue) {
                EXPECT_LE(std::abs(quantized - value), step) << value;
            }
        }
    }
    EXPECT_EQ(quantize(2.4999999, 0.5), 2.0);
    EXPECT_EQ(quantize(2.4999999, 1.0 / 64), 2.484375);
    EXPECT_EQ(quantize(-2.5, 1), -3.0);
    EXPECT_EQ(quantize(std::nan(""), 1.0 / 64), 0.0);
    EXPECT_EQ(dotRow(quantize(std::nan(""), 1.0 / 64), 480), dotRow(std::nan(""), 480));
    EXPECT_EQ(quantize(1e300, 1.0 / 64), kMaxLinkedValue);
}

TEST(StringLink, ARoundTripKeepsEveryRowAndTheQuantizedValues)
{
    StringState state = makeString(640);
    for (int i = 0; i < 640; ++i) {
        state.pos[i] = 100 * std::sin(i * 0.05) + (i % 7 == 0 ? 0.4999999 : 0);
        state.vel[i] = i % 2 ? -2.5 : 300.25 + i / 3.0;
    }
    state.pos[5] = 1e300;
    for (int shift : {0, 6})
        for (int order : {0, 1, 2})
            for (bool held : {false, true}) {
                const LinkPrecision precision{shift, order, held};
                const std::vector<std::uint8_t> bytes = encodeString(state, precision);
                EXPECT_LE(bytes.size(), maxLinkBytes(640));
                StringState copy = makeString(640);
                ASSERT_TRUE(decodeString(bytes.data(), bytes.size(), copy));
                const double step = std::ldexp(1.0, -shift);
                auto expected = [&](double value) {
                    return quantize(held ? limite(value, kTopHeight, kBottomHeight) : value, step);
                };
                for (int i = 0; i < 640; ++i) {
                    ASSERT_EQ(copy.pos[i], expected(state.pos[i])) << i;
                    ASSERT_EQ(copy.vel[i], expected(state.vel[i])) << i;
                    ASSERT_EQ(dotRow(copy.pos[i], 480), dotRow(state.pos[i], 480)) << i;
                    ASSERT_EQ(dotRow(copy.vel[i], 480), dotRow(state.vel[i], 480)) << i;
                }
                // Encoded again, the same bytes: a link of a link is the same link.
                EXPECT_EQ(encodeString(copy, precision), bytes);
            }
}

TEST(StringLink, AStringAtRestIsAFewBytesEachOfThemZero)
{
    const std::vector<std::uint8_t> bytes = encodeString(makeString(640), {6, 2, false});
    ASSERT_EQ(bytes.size(), 3u + 2 * 640);
    EXPECT_EQ(bytes[0], kStringLinkFormat);
    EXPECT_EQ(bytes[1], 6);
    EXPECT_EQ(bytes[2], 2);
    for (std::size_t i = 3; i < bytes.size(); ++i)
        ASSERT_EQ(bytes[i], 0) << i;
    // A straight line has no second difference: zeros after its first two
    // points; the first order leaves the slope, the zeroth the values.
    StringState line = makeString(640);
    for (int i = 0; i < 640; ++i)
        line.pos[i] = 0.5 * i;
    const std::vector<std::uint8_t> second = encodeString(line, {1, 2, false});
    EXPECT_EQ(std::vector<std::uint8_t>(second.begin() + 3, second.begin() + 7), (std::vector<std::uint8_t>{0, 2, 0, 0}));
    const std::vector<std::uint8_t> first = encodeString(line, {1, 1, false});
    EXPECT_EQ(std::vector<std::uint8_t>(first.begin() + 3, first.begin() + 7), (std::vector<std::uint8_t>{0, 2, 2, 2}));
    const std::vector<std::uint8_t> none = encodeString(line, {1, 0, false});
    EXPECT_EQ(std::vector<std::uint8_t>(none.begin() + 3, none.begin() + 7), (std::vector<std::uint8_t>{0, 2, 4, 6}));
}

TEST(StringLink, AnythingElseLeavesTheStringUntouched)
{
    StringState state = makeString(640);
    for (int i = 0; i < 640; ++i)
        state.pos[i] = 50 * std::cos(i * 0.1);
    const std::vector<std::uint8_t> good = encodeString(state, {6, 2, false});

    auto rejected = [](std::vector<std::uint8_t> bytes) {
        StringState target = makeString(640);
        target.pos[3] = 7;
        const bool read = decodeString(bytes.data(), bytes.size(), target);
        return !read && target.pos[3] == 7 && target.vel[3] == 0;
    };
    EXPECT_TRUE(rejected({}));
    EXPECT_TRUE(rejected({kStringLinkFormat}));
    EXPECT_TRUE(rejected(std::vector<std::uint8_t>(good.begin(), good.end() - 1)));    // truncated
    EXPECT_TRUE(rejected(std::vector<std::uint8_t>(good.begin(), good.begin() + 700))); // truncated more
    std::vector<std::uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_TRUE(rejected(longer)); // a value too many
    std::vector<std::uint8_t> format = good;
    format[0] = 2;
    EXPECT_TRUE(rejected(format));
    std::vector<std::uint8_t> shift = good;
    shift[1] = kMaxStepShift + 1;
    EXPECT_TRUE(rejected(shift));
    std::vector<std::uint8_t> order = good;
    order[2] = kMaxOrder + 1;
    EXPECT_TRUE(rejected(order));
    // A varint longer than any value needs, and a value past the bound.
    std::vector<std::uint8_t> endless = good;
    for (int i = 3; i < 11; ++i)
        endless[i] = 0xff;
    EXPECT_TRUE(rejected(endless));
    std::vector<std::uint8_t> longForm = encodeString(makeString(640), {0, 0, false});
    longForm[3] = 0x80; // 0 written in two bytes: not as encodeString writes it
    longForm.insert(longForm.begin() + 4, 0);
    longForm.pop_back();
    EXPECT_TRUE(rejected(longForm));
    std::vector<std::uint8_t> huge{kStringLinkFormat, 0, 0, 0x82, 0x89, 0x7a}; // 1000001 px, zigzagged
    huge.resize(3 + 2 * 640 + 2, 0);
    EXPECT_TRUE(rejected(huge));
    EXPECT_TRUE(rejected(std::vector<std::uint8_t>(maxLinkBytes(640) + 1, 0)));
}

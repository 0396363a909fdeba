#include "setup.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>

Setup makeSetup(int columns)
{
    Setup setup;
    setup.columns = std::max(columns, 1);
    return setup;
}

static bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Skips the digits from `at`; returns how many there were.
static std::size_t skipDigits(std::string_view text, std::size_t& at)
{
    const std::size_t start = at;
    while (at < text.size() && isDigit(text[at]))
        ++at;
    return at - start;
}

// Whether text is a decimal as people and JavaScript write one:
// [+-] digits [. digits] [e [+-] digits], or with no digits before the point.
static bool isDecimal(std::string_view text)
{
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        ++at;
    std::size_t digits = skipDigits(text, at);
    if (at < text.size() && text[at] == '.') {
        ++at;
        digits += skipDigits(text, at);
    }
    if (digits == 0)
        return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-'))
            ++at;
        if (skipDigits(text, at) == 0)
            return false;
    }
    return at == text.size();
}

// The double nearest to a decimal, the same in every locale: strtod reads
// the decimal point of the C library's locale, which a translated program
// may have set to a comma. Too long a text is no number here.
static bool readDecimal(std::string_view text, double& value)
{
    char buffer[64];
    if (!isDecimal(text) || text.size() >= sizeof buffer)
        return false;
    const char point = *std::localeconv()->decimal_point;
    for (std::size_t i = 0; i < text.size(); ++i)
        buffer[i] = text[i] == '.' ? point : text[i];
    buffer[text.size()] = '\0';
    value = std::strtod(buffer, nullptr); // +-HUGE_VAL beyond a double: held to a bound later
    return true;
}

// A whole number, [+-] digits; one too large for a long long comes back as
// the largest of its sign, since it is held to a bound anyway.
static bool readWhole(std::string_view text, long long& value)
{
    const bool plus = !text.empty() && text[0] == '+';
    const char* first = text.data() + (plus ? 1 : 0);
    const char* last = text.data() + text.size();
    if (first == last || (!isDigit(*first) && (plus || *first != '-')))
        return false;
    const auto [end, error] = std::from_chars(first, last, value);
    if (end != last)
        return false;
    if (error == std::errc::result_out_of_range)
        value = *first == '-' ? std::numeric_limits<long long>::min() : std::numeric_limits<long long>::max();
    return error == std::errc{} || error == std::errc::result_out_of_range;
}

static void note(Setup& setup, std::string_view name, std::string_view value, SetupFix fix, long used = 0)
{
    setup.notes.push_back({std::string(name), std::string(value), fix, used});
}

// Why a value that is no whole number was ignored.
static SetupFix notWhole(std::string_view value)
{
    return isDecimal(value) ? SetupFix::NotAWholeNumber : SetupFix::NotANumber;
}

// A whole number held to [low, high], noted when it was not in it.
static bool readBounded(Setup& setup, std::string_view name, std::string_view value, int low, int high, int& result)
{
    long long whole = 0;
    if (!readWhole(value, whole)) {
        note(setup, name, value, notWhole(value));
        return false;
    }
    result = static_cast<int>(std::clamp<long long>(whole, low, high));
    if (result != whole)
        note(setup, name, value, SetupFix::HeldToBound, result);
    return true;
}

// The items of a list separated by commas.
static std::vector<std::string_view> splitList(std::string_view list)
{
    std::vector<std::string_view> items;
    for (std::size_t start = 0;;) {
        const std::size_t comma = list.find(',', start);
        items.push_back(list.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos)
            return items;
        start = comma + 1;
    }
}

static void readK(Setup& setup, std::string_view value)
{
    double k = 0;
    if (!readDecimal(value, k)) {
        note(setup, "k", value, SetupFix::NotANumber);
        return;
    }
    // Plus 0: a k of -0 would show as -0.000000 in the caption.
    setup.k = limite(k, 0.0, 1.0) + 0.0;
    if (setup.k != k)
        note(setup, "k", value, SetupFix::HeldToBound, static_cast<long>(setup.k));
}

static void readAnchors(Setup& setup, std::string_view value)
{
    if (WAVESTRING_PACED) {
        note(setup, "anchors", value, SetupFix::NoAnchors);
        return;
    }
    setup.anchors.clear();
    for (std::string_view item : splitList(value)) {
        int column = 0;
        if (!item.empty() && readBounded(setup, "anchors", item, 0, setup.columns - 1, column))
            setup.anchors.push_back(column);
    }
}

static void readShape(Setup& setup, Shape::Kind kind, std::string_view name, std::string_view value)
{
    const std::vector<std::string_view> items = splitList(value);
    long long numbers[3] = {};
    if (items.size() != 3 || !readWhole(items[0], numbers[0]) || !readWhole(items[1], numbers[1])
        || !readWhole(items[2], numbers[2])) {
        note(setup, name, value, SetupFix::NotThreeNumbers);
        return;
    }
    const int last = setup.columns - 1;
    Shape shape{kind, 0, 0, 0};
    int height = 0;
    readBounded(setup, name, items[0], 0, last, shape.at);
    if (kind == Shape::Hump)
        readBounded(setup, name, items[1], 1, setup.columns, shape.widthOrTo);
    else
        readBounded(setup, name, items[1], 0, last, shape.widthOrTo);
    readBounded(setup, name, items[2], kTopHeight, kBottomHeight, height);
    shape.height = height;
    if (kind == Shape::Arch && shape.at == shape.widthOrTo) {
        note(setup, name, value, SetupFix::SameColumns);
        return;
    }
    setup.shapes.push_back(shape);
}

void readSetting(Setup& setup, std::string_view name, std::string_view value)
{
    if (name == "k") {
        readK(setup, value);
    } else if (name == "t") {
        readBounded(setup, name, value, kMinT, kMaxT, setup.t);
    } else if (name == "paused") {
        if (value == "0" || value == "1" || value.empty())
            setup.paused = value != "0";
        else
            note(setup, name, value, SetupFix::NotZeroOrOne);
    } else if (name == "anchors") {
        readAnchors(setup, value);
    } else if (name == "hump") {
        readShape(setup, Shape::Hump, name, value);
    } else if (name == "arch") {
        readShape(setup, Shape::Arch, name, value);
    } else {
        note(setup, name, value, SetupFix::UnknownName);
    }
}

// Adds the shape's heights to the displacements, round the loop.
static void addShape(const Shape& shape, StringState& state)
{
    const int w = state.w;
    const double pi = std::numbers::pi;
    if (shape.kind == Shape::Hump) {
        const double width = shape.widthOrTo;
        for (int j = -shape.widthOrTo / 2; j <= shape.widthOrTo / 2; ++j)
            if (2 * std::abs(j) < shape.widthOrTo)
                state.pos[((shape.at + j) % w + w) % w] += shape.height * (1 + std::cos(2 * pi * j / width)) / 2;
        return;
    }
    const int length = ((shape.widthOrTo - shape.at) % w + w) % w;
    for (int j = 1; j < length; ++j)
        state.pos[(shape.at + j) % w] += shape.height * std::sin(pi * j / length);
}

bool applySetup(const Setup& setup, StringState& state)
{
    state.k = setup.k;
    state.t = setup.t;
#if !WAVESTRING_PACED
    for (int column : setup.anchors)
        if (column >= 0 && column < state.w)
            state.anchored[column] = 1;
#endif
    if (state.w > 0)
        for (const Shape& shape : setup.shapes)
            addShape(shape, state);
    return !setup.paused;
}

// The .mo reader of the Windows programs: the French catalogue that the
// build makes, and files made here, whole, in the other byte order, and
// damaged.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "catalogue.h"
#include "system.h"

namespace {

void putWord(std::string& bytes, std::size_t at, std::uint32_t word, bool bigEndian)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(word >> (bigEndian ? 24 - 8 * i : 8 * i));
}

// A .mo file as msgfmt lays it out: the header, the two tables, the texts.
std::string catalogueOf(const std::vector<std::pair<std::string, std::string>>& texts, bool bigEndian = false)
{
    const std::uint32_t count = texts.size(), originals = 28, translations = originals + 8 * count;
    std::string bytes(translations + 8 * count, '\0');
    putWord(bytes, 0, 0x950412de, bigEndian);
    putWord(bytes, 8, count, bigEndian);
    putWord(bytes, 12, originals, bigEndian);
    putWord(bytes, 16, translations, bigEndian);
    for (std::uint32_t i = 0; i < count; ++i)
        for (const auto& [table, text] : {std::pair{originals, &texts[i].first}, {translations, &texts[i].second}}) {
            putWord(bytes, table + 8 * i, text->size(), bigEndian);
            putWord(bytes, table + 8 * i + 4, bytes.size(), bigEndian);
            bytes += *text + '\0';
        }
    return bytes;
}

TEST(Catalogue, TheFrenchCatalogueOfTheBuild)
{
    Catalogue catalogue;
    ASSERT_TRUE(readCatalogue(catalogue, readFile(WAVESTRING_FRENCH_CATALOGUE)));
    // French puts a no-break space (U+00A0) before a colon.
    EXPECT_STREQ(lookUp(catalogue, "%s failed: %s"), "%s a \xc3\xa9" "chou\xc3\xa9\xc2\xa0: %s");
    EXPECT_STREQ(lookUp(catalogue, "%s: %s\n"), "%s\xc2\xa0: %s\n");
    const std::string more =
        lookUp(catalogue, "The caption shows k and t. More, with things to try: README.txt beside %s.exe\n");
    EXPECT_TRUE(more.ends_with("\nLISEZMOI.txt, \xc3\xa0 c\xc3\xb4t\xc3\xa9 de %s.exe\n")) << more;
    EXPECT_EQ(lookUp(catalogue, "no such text"), nullptr);
    EXPECT_EQ(lookUp(catalogue, "%s failed"), nullptr); // a beginning is not the text
}

TEST(Catalogue, EitherByteOrder)
{
    for (const bool bigEndian : {false, true}) {
        Catalogue catalogue;
        ASSERT_TRUE(readCatalogue(catalogue, catalogueOf({{"", "header"}, {"Escape", "Échap"}, {"Return", "Entrée"}},
                                                         bigEndian)));
        EXPECT_STREQ(lookUp(catalogue, "Return"), "Entrée");
        EXPECT_STREQ(lookUp(catalogue, "Escape"), "Échap");
        EXPECT_EQ(lookUp(catalogue, "Space"), nullptr);
    }
}

TEST(Catalogue, AnEmptyTranslationIsNone)
{
    Catalogue catalogue;
    ASSERT_TRUE(readCatalogue(catalogue, catalogueOf({{"Space", ""}})));
    EXPECT_EQ(lookUp(catalogue, "Space"), nullptr);
}

// A damaged file is refused whole, and an empty catalogue translates
// nothing. Under the sanitizers, no read outside the bytes.
TEST(Catalogue, EveryTruncationIsRefused)
{
    const std::string whole = readFile(WAVESTRING_FRENCH_CATALOGUE);
    ASSERT_GT(whole.size(), 28u);
    Catalogue catalogue;
    for (std::size_t size = 0; size < whole.size(); ++size) {
        EXPECT_FALSE(readCatalogue(catalogue, whole.substr(0, size))) << size << " bytes";
        EXPECT_EQ(lookUp(catalogue, "%s: %s\n"), nullptr);
    }
}

TEST(Catalogue, DamagedHeadersAndTablesAreRefused)
{
    const std::string good = catalogueOf({{"Escape", "Échap"}, {"Return", "Entrée"}});
    const std::uint32_t size = good.size();
    struct Damage {
        const char* what;
        std::size_t at;
        std::uint32_t word;
    };
    for (const Damage& damage : {Damage{"not a catalogue", 0, 0x12345678}, Damage{"a major revision of 1", 4, 0x10000},
                                 Damage{"more texts than the tables hold", 8, 0xffffffff},
                                 Damage{"a table past the end", 12, size}, Damage{"a table from far away", 16, 0xfffffff0},
                                 Damage{"a text past the end", 28 + 4, size},
                                 Damage{"a length too long", 28 + 16 + 8, size - 1},
                                 Damage{"a length past any end", 28 + 16 + 8, 0xffffffff}}) {
        std::string bytes = good;
        putWord(bytes, damage.at, damage.word, false);
        Catalogue catalogue;
        EXPECT_FALSE(readCatalogue(catalogue, bytes)) << damage.what;
    }
    std::string unterminated = good;
    unterminated.back() = 'x';
    Catalogue catalogue;
    EXPECT_FALSE(readCatalogue(catalogue, unterminated)) << "the last text with no NUL";
}

} // namespace

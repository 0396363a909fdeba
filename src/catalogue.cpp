#include "catalogue.h"

#include <cstring>
#include <utility>

// The layout of a .mo file (GNU gettext's manual, "The Format of GNU MO
// Files"): a header of 32-bit words, then two tables of count entries, each
// a length and an offset, for the original texts and their translations.
static constexpr std::uint32_t kMagic = 0x950412de;
static constexpr std::size_t kHeaderSize = 28;

static std::uint32_t wordAt(const std::string& bytes, std::size_t offset, bool swapped)
{
    std::uint32_t word;
    std::memcpy(&word, bytes.data() + offset, sizeof word);
    if (swapped)
        word = (word >> 24) | ((word >> 8) & 0xff00) | ((word << 8) & 0xff0000) | (word << 24);
    return word;
}

// Whether every entry of the table at offset lies in the bytes and ends
// with a NUL (the lengths do not count it).
static bool tableIsWhole(const std::string& bytes, std::uint32_t offset, std::uint32_t count, bool swapped)
{
    const std::uint64_t size = bytes.size();
    if (offset > size || (size - offset) / 8 < count)
        return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t length = wordAt(bytes, offset + 8 * std::size_t{i}, swapped);
        const std::uint64_t start = wordAt(bytes, offset + 8 * std::size_t{i} + 4, swapped);
        if (start + length >= size || bytes[start + length] != '\0')
            return false;
    }
    return true;
}

bool readCatalogue(Catalogue& catalogue, std::string bytes)
{
    catalogue = Catalogue{};
    if (bytes.size() < kHeaderSize)
        return false;
    bool swapped = false;
    if (wordAt(bytes, 0, false) != kMagic) {
        swapped = true;
        if (wordAt(bytes, 0, true) != kMagic)
            return false;
    }
    // The major revision, in the high half of the word, is 0 for every
    // catalogue that gettext's reader understands.
    if ((wordAt(bytes, 4, swapped) >> 16) != 0)
        return false;
    const std::uint32_t count = wordAt(bytes, 8, swapped);
    const std::uint32_t originals = wordAt(bytes, 12, swapped);
    const std::uint32_t translations = wordAt(bytes, 16, swapped);
    if (!tableIsWhole(bytes, originals, count, swapped) || !tableIsWhole(bytes, translations, count, swapped))
        return false;
    catalogue = Catalogue{std::move(bytes), count, originals, translations, swapped};
    return true;
}

const char* lookUp(const Catalogue& catalogue, const char* text)
{
    // A few dozen texts, each looked up once: no need for the file's hash
    // table or a binary search.
    for (std::uint32_t i = 0; i < catalogue.count; ++i) {
        const std::size_t entry = 8 * std::size_t{i} + 4;
        const char* original = catalogue.bytes.data() + wordAt(catalogue.bytes, catalogue.originals + entry, catalogue.swapped);
        if (std::strcmp(original, text) != 0)
            continue;
        const char* translation =
            catalogue.bytes.data() + wordAt(catalogue.bytes, catalogue.translations + entry, catalogue.swapped);
        return *translation != '\0' ? translation : nullptr; // never an empty text
    }
    return nullptr;
}

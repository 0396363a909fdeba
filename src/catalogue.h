// A compiled message catalogue (a .mo file, as msgfmt writes it) held in
// memory: the Windows programs' translations, where there is no gettext.
#pragma once

#include <cstdint>
#include <string>

struct Catalogue {
    std::string bytes;           // the whole file; empty when there is none
    std::uint32_t count = 0;     // of texts
    std::uint32_t originals = 0; // offset of the table of the original texts
    std::uint32_t translations = 0;
    bool swapped = false;        // written on a machine of the other byte order
};

// Takes the bytes of a .mo file. Returns false, leaving the catalogue empty,
// unless they are a whole catalogue whose every text lies inside them and
// ends with a NUL: a truncated or damaged file translates nothing, and
// nothing is ever read outside the bytes.
bool readCatalogue(Catalogue& catalogue, std::string bytes);

// The translation of text, or nullptr where the catalogue has none.
const char* lookUp(const Catalogue& catalogue, const char* text);

// The programs' texts in the user's language: the English written in the
// source, or its translation from the message catalogues made from po/.
#pragma once

#include <string>

// Marks a text for translation where it is defined (xgettext finds it);
// translated() gives it in the user's language where it is used.
#define N_(text) text

// Chooses the language of the texts, once, before the first one is shown.
// On Linux, gettext's rules: LANGUAGE, LC_ALL, LC_MESSAGES and LANG, which
// set only the messages and their encoding, never how numbers are written
// (the caption keeps "k=0.900000" under any locale). On
// Windows, the user's display language. The catalogues are read from
// locale/ beside the program (the build folder, the Windows zip), or else
// from ../share/locale, where an install puts them, whatever its prefix.
void chooseLanguage();

// The text in the chosen language, or the English text itself where the
// catalogue has no translation of it.
const char* translated(const char* english) __attribute__((format_arg(1)));

// printf into a string.
std::string formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

#include "messages.h"

#include <cstdarg>
#include <cstdio>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "catalogue.h"
#include "system.h"
#elif !defined(__EMSCRIPTEN__)
#include <clocale>
#include <langinfo.h>
#include <libintl.h>

#include "system.h"
#endif

std::string formatted(const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    std::va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    std::string text(length > 0 ? length : 0, '\0');
    if (length > 0)
        std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    return text;
}

#if defined(__EMSCRIPTEN__)
// A page shows its texts from its own tables (web/lang/); the program's own
// few, SDL's error among them, reach it as written.
void chooseLanguage() {}

const char* translated(const char* english)
{
    return english;
}
#else
static constexpr char kDomain[] = "wavestring";

static std::string catalogueFolder()
{
    const std::string program = programFolder();
    if (program.empty())
        return "";
    if (isFolder(program + "/locale"))
        return program + "/locale";
    return program + "/../share/locale";
}

#if defined(_WIN32)
static Catalogue catalogue;

// The user's display language as gettext names a catalogue's folder: the
// language and its country (fr_CA), then the language alone (fr).
static void loadUserCatalogue(const std::string& folder)
{
    const LCID locale = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
    char language[16], country[16];
    if (folder.empty() || GetLocaleInfoA(locale, LOCALE_SISO639LANGNAME, language, sizeof language) == 0)
        return;
    std::string names[2] = {"", language};
    if (GetLocaleInfoA(locale, LOCALE_SISO3166CTRYNAME, country, sizeof country) != 0)
        names[0] = std::string(language) + "_" + country;
    for (const std::string& name : names)
        if (!name.empty() && readCatalogue(catalogue, readFile(folder + "/" + name + "/LC_MESSAGES/" + kDomain + ".mo")))
            return;
}

void chooseLanguage()
{
    loadUserCatalogue(catalogueFolder());
}

const char* translated(const char* english)
{
    const char* text = lookUp(catalogue, english);
    return text != nullptr ? text : english;
}
#else
void chooseLanguage()
{
    // Only the messages' category: LC_NUMERIC would write the caption's k
    // with a comma, and SDL 2 (under sdl12-compat) writes the window's
    // title in another X encoding under a UTF-8 LC_CTYPE. The texts are
    // written in the encoding of the user's LC_CTYPE all the same.
    std::setlocale(LC_MESSAGES, "");
    std::setlocale(LC_CTYPE, "");
    const std::string encoding = nl_langinfo(CODESET);
    std::setlocale(LC_CTYPE, "C");
    bind_textdomain_codeset(kDomain, encoding.c_str());
    const std::string folder = catalogueFolder();
    if (!folder.empty())
        bindtextdomain(kDomain, folder.c_str());
}

const char* translated(const char* english)
{
    return dgettext(kDomain, english);
}
#endif
#endif

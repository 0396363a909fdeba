// wavestring: a damped elastic string, plucked with the mouse and drawn live.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "frame.h"
#include "messages.h"
#include "setup.h"
#include "system.h"

#if WAVESTRING_PACED
static const char kProgramName[] = "wavestring_paced";
#else
static const char kProgramName[] = "wavestring";
#endif

// Reports the error after SDL_Quit: a driver that takes over the terminal
// (libcaca's alternate screen) would wipe it on the way out. why is SDL's
// own text, in its own words.
static int fail(const char* what, const char* why)
{
    // TRANSLATORS: what is an SDL function (SDL_Init), why SDL's reason,
    // which SDL gives in English.
    const std::string message = formatted(translated("%s failed: %s"), what, why);
    SDL_Quit();
    reportError(kProgramName, message.c_str());
    return 1;
}

#if WAVESTRING_PACED
static const char* const kHelp = N_(
    // TRANSLATORS: the key names as printed on the keyboard of the language,
    // the columns aligned, every line under 80 characters; the options
    // (--k=K ...) as they are.
    "Usage: wavestring_paced [--help | --version | SET-UP...]\n"
    "A damped elastic string to pluck with the mouse, with a frame pause you set.\n"
    "It opens a 640x480 window, so it needs a graphical display.\n"
    "\n"
    "Set-up, all optional (heights in pixels from the centre row, down positive):\n"
    "  --k=K                the velocity kept in each frame, 0 to 1 (0.9)\n"
    "  --t=T                the pause of each frame in ms, 0 to 1000 (1)\n"
    "  --paused             start paused\n"
    "  --hump=C,W,H         a hump centred on column C, W columns wide, H high\n"
    "  --arch=A,B,H         half a sine from column A to column B, H high\n"
    "\n"
    "  Left button, held    set the point under the cursor to the cursor's height\n"
    "  Right button, held   set that point's velocity to the cursor's height\n"
    "  Left / Right         k - / + 0.01: the velocity kept in each frame (0 to 1)\n"
    "  Up / Down            t + / - 1: the pause of each frame in ms (0 to 1000)\n"
    "                       (held arrow keys repeat; t faster the longer held)\n"
    "  Return               pause or resume\n"
    "  Space                clear the string\n"
    "  Escape               quit\n"
    "\n");
#else
static const char* const kHelp = N_(
    // TRANSLATORS: as for wavestring_paced's help.
    "Usage: wavestring [--help | --version | SET-UP...]\n"
    "A damped elastic string to pluck with the mouse and anchor.\n"
    "It opens a 640x480 window, so it needs a graphical display.\n"
    "\n"
    "Set-up, all optional (heights in pixels from the centre row, down positive):\n"
    "  --k=K                the velocity kept in each frame, 0 to 1 (0.9)\n"
    "  --t=T                the divisor of the coupling, 1 to 1000 (1)\n"
    "  --paused             start paused\n"
    "  --anchors=C1,C2,...  anchor these columns (0 to 639) on the centre line\n"
    "  --hump=C,W,H         a hump centred on column C, W columns wide, H high\n"
    "  --arch=A,B,H         half a sine from column A to column B, H high\n"
    "\n"
    "  Left button, held    set the point under the cursor to the cursor's height\n"
    "  Right button, held   set that point's velocity to the cursor's height\n"
    "  Middle click         anchor the point at the cursor's height, or free it\n"
    "  Left / Right         k - / + 0.01: the velocity kept in each frame (0 to 1)\n"
    "  Up / Down            t + / - 1: the divisor of the coupling (1 to 1000)\n"
    "                       (held arrow keys repeat; t faster the longer held)\n"
    "  Return               pause or resume\n"
    "  Space                clear the string\n"
    "  Escape               quit\n"
    "\n");
#endif
#ifdef _WIN32
// TRANSLATORS: %s is the program's name, README.txt the read-me in the
// zip: name the one in the language (data/NAME-windows.txt).
static const char* const kMore = N_("The caption shows k and t. More, with things to try: README.txt beside %s.exe\n");
#else
// TRANSLATORS: %s is the program's name.
static const char* const kMore = N_("The caption shows k and t. More, with things to try: man 6 %s\n");
#endif

// --help and --version print and end the program. Returns -1 when the
// program should run.
static int answerOptions(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const bool help = std::strcmp(argv[i], "--help") == 0;
        if (!help && std::strcmp(argv[i], "--version") != 0)
            continue;
        if (std::FILE* out = textOutput(stdout)) {
            if (help)
                writeText(out, (translated(kHelp) + formatted(translated(kMore), kProgramName)).c_str());
            else
                writeText(out, formatted("%s %s\n", kProgramName, WAVESTRING_VERSION).c_str());
        }
        return 0;
    }
    return -1;
}

// Why a set-up option could not be used as given, after "--name=value: ",
// by SetupFix (setup.h).
static const char* const kOptionProblems[] = {
    // TRANSLATORS: %ld is the bound of the option's range.
    N_("out of range; the nearest value allowed is %ld"),
    N_("not a number"),
    N_("not a whole number"),
    N_("takes no value, or 0 or 1"),
    N_("takes three whole numbers separated by commas"),
    N_("an arch needs two different columns"),
    N_("wavestring_paced has no anchors"),
    N_("unknown option (see --help)"),
};
static_assert(std::size(kOptionProblems) == static_cast<std::size_t>(SetupFix::UnknownName) + 1);

// The set-up the options give. Every option must be used as given: an
// option that would run another set-up than the one asked for (a value out
// of range among them) is reported, and ends the program with status 2.
// Returns -1 when the program should run.
static int readOptions(int argc, char** argv, Setup& setup)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (!argument.starts_with("--")) {
            setup.notes.push_back({std::string(argument), "", SetupFix::UnknownName});
        } else {
            const std::size_t equals = argument.find('=');
            const bool bare = equals == std::string_view::npos;
            readSetting(setup, argument.substr(2, bare ? std::string_view::npos : equals - 2), bare ? "" : argument.substr(equals + 1));
        }
        if (setup.notes.empty())
            continue;
        const SetupNote& note = setup.notes.front();
        const std::string problem = formatted(translated(kOptionProblems[static_cast<int>(note.fix)]), note.used);
        // TRANSLATORS: the option as given (--k=2), then what is wrong with it.
        reportError(kProgramName, formatted(translated("%.300s: %s"), argv[i], problem.c_str()).c_str());
        return 2;
    }
    return -1;
}

// With no display to reach, SDL falls back on drivers that open no window:
// text in a terminal (aalib, caca) or nothing at all (dummy, offscreen). The
// program would run unseen and, with no keyboard, could not be quit. Such a
// driver is used only when SDL_VIDEODRIVER asks for it.
static bool isFallbackWithoutWindow(const char* driver)
{
    for (const char* name : {"aalib", "caca", "dummy", "offscreen"})
        if (std::strcmp(driver, name) == 0)
            return true;
    return false;
}

int main(int argc, char** argv)
{
    chooseLanguage();
    if (const int status = answerOptions(argc, argv); status >= 0)
        return status;
    Setup setup = makeSetup(kWindowWidth);
    if (const int status = readOptions(argc, argv, setup); status >= 0)
        return status;
    // An empty SDL_VIDEODRIVER asks for no driver, as SDL reads it.
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    const bool driverAsked = asked != nullptr && *asked != '\0';
    if (!driverAsked) {
        // When SDL falls back on libcaca, which is refused below, libcaca's
        // null output leaves the terminal's screen and title alone.
        setEnvDefault("CACA_DRIVER", "null");
    }
    // The window's class is the menu entry's StartupWMClass, so a desktop
    // shows the window under the entry's icon.
    setEnvDefault("SDL_VIDEO_X11_WMCLASS", kProgramName);
    preferSoftwarePresent();

    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return fail("SDL_Init", SDL_GetError());
    char driver[32] = "";
    if (!driverAsked && SDL_VideoDriverName(driver, sizeof driver) != nullptr
        && isFallbackWithoutWindow(driver))
        // TRANSLATORS: %s is an SDL video driver that opens no window (caca).
        return fail("SDL_Init", formatted(translated("no display, only the %s video driver"), driver).c_str());
    SDL_Surface* screen = openWindow();
    if (screen == nullptr)
        return fail("SDL_SetVideoMode", SDL_GetError());
    SDL_EnableKeyRepeat(kKeyRepeatDelay, kKeyRepeatInterval);

    LoopState loop = startLoop(screen);
    loop.running = applySetup(setup, loop.state);
    tightenPause();
    while (!loop.quit)
        runFrame(loop);

    SDL_Quit();
    return 0;
}

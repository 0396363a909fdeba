#include "system.h"

#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

void setEnvDefault(const char* name, const char* value)
{
#ifdef _WIN32
    if (std::getenv(name) == nullptr)
        _putenv_s(name, value);
#else
    setenv(name, value, 0);
#endif
}

#ifdef _WIN32
// Whether the standard handle leads nowhere yet: no handle, or one that is
// neither a file, a pipe nor a console.
static bool goesNowhere(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle == nullptr || handle == INVALID_HANDLE_VALUE || GetFileType(handle) == FILE_TYPE_UNKNOWN;
}
#endif

void useParentConsole()
{
#ifdef _WIN32
    const bool outNowhere = goesNowhere(STD_OUTPUT_HANDLE);
    const bool errNowhere = goesNowhere(STD_ERROR_HANDLE);
    if ((!outNowhere && !errNowhere) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (outNowhere)
        std::freopen("CONOUT$", "w", stdout);
    if (errNowhere)
        std::freopen("CONOUT$", "w", stderr);
#endif
}

void reportError(const char* program, const char* message)
{
    std::fprintf(stderr, "%s: %s\n", program, message);
#ifdef _WIN32
    MessageBoxA(nullptr, message, program, MB_OK | MB_ICONERROR);
#endif
}

#include "system.h"

#include <cstdlib>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
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
// The console of the program that started this one, opened once as a C
// stream; nullptr when it has none (started from Explorer).
static std::FILE* parentConsole()
{
    static std::FILE* console = nullptr;
    static bool tried = false;
    if (tried)
        return console;
    tried = true;
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return nullptr;
    // The C library set its streams up at start, without the console: a
    // stream of its own rather than one of those reopened, which not every
    // C runtime allows for a stream with no handle.
    const HANDLE handle = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_TEXT);
    console = fd >= 0 ? _fdopen(fd, "w") : nullptr;
    return console;
}
#endif

std::FILE* textOutput(std::FILE* stream)
{
#ifdef _WIN32
    const int fd = _fileno(stream);
    const auto handle = reinterpret_cast<HANDLE>(fd >= 0 ? _get_osfhandle(fd) : -1);
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN)
        return stream;
    return parentConsole();
#else
    return stream;
#endif
}

void reportError(const char* program, const char* message)
{
    if (std::FILE* out = textOutput(stderr))
        std::fprintf(out, "%s: %s\n", program, message);
#ifdef _WIN32
    MessageBoxA(nullptr, message, program, MB_OK | MB_ICONERROR);
#endif
}

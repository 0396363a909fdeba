#include "system.h"
#include "messages.h"

#include <cstdlib>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
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
static std::wstring wide(const std::string& text)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(length > 0 ? length : 0, L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), length);
    return result;
}

static std::string utf8(const std::wstring& text)
{
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(length > 0 ? length : 0, '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), length, nullptr,
                            nullptr);
    return result;
}

std::string programFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    DWORD length;
    while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) == path.size())
        path.resize(2 * path.size());
    path.resize(length);
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? "" : utf8(path.substr(0, slash));
}

bool isFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

static std::FILE* openToRead(const std::string& path)
{
    return _wfopen(wide(path).c_str(), L"rb");
}
#else
std::string programFolder()
{
    std::string path(256, '\0');
    ssize_t length;
    while ((length = readlink("/proc/self/exe", path.data(), path.size())) == static_cast<ssize_t>(path.size()))
        path.resize(2 * path.size());
    if (length <= 0)
        return "";
    path.resize(length);
    return path.substr(0, path.find_last_of('/'));
}

bool isFolder(const std::string& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

static std::FILE* openToRead(const std::string& path)
{
    return std::fopen(path.c_str(), "rb");
}
#endif

std::string readFile(const std::string& path)
{
    std::string content;
    std::FILE* file = openToRead(path);
    if (file == nullptr)
        return content;
    char block[4096];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;)
        content.append(block, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return failed ? std::string() : content;
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
    // C runtime allows for a stream with no handle. Read access too, which
    // GetConsoleMode needs to tell it is a console (writeText).
    const HANDLE handle = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
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

void writeText(std::FILE* out, const char* text)
{
#ifdef _WIN32
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(out)));
    DWORD mode;
    if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
        const std::wstring characters = wide(text);
        std::fflush(out);
        DWORD written;
        WriteConsoleW(handle, characters.data(), static_cast<DWORD>(characters.size()), &written, nullptr);
        return;
    }
#endif
    std::fputs(text, out);
    std::fflush(out);
}

void reportError(const char* program, const char* message)
{
    if (std::FILE* out = textOutput(stderr))
        // TRANSLATORS: an error's line: the program's name, then the error.
        writeText(out, formatted(translated("%s: %s\n"), program, message).c_str());
#ifdef _WIN32
    MessageBoxW(nullptr, wide(message).c_str(), wide(program).c_str(), MB_OK | MB_ICONERROR);
#endif
}

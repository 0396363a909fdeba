// What differs between the systems the desktop programs run on: setting an
// environment variable, the program's folder and its files, and where the
// program's text reaches the user.
#pragma once

#include <cstdio>
#include <string>

// Sets the environment variable unless it is set already, as setenv with no
// overwrite does, also where the C library has no setenv (Windows).
void setEnvDefault(const char* name, const char* value);

// Where to write text meant for stdout or stderr (stream): the stream itself
// where it leads somewhere. A Windows program that opens a window starts
// with streams that lead nowhere unless redirected, even when started from a
// console: then the console of the program that started it, if it has one,
// else nullptr.
std::FILE* textOutput(std::FILE* stream);

// The folder of the running program, in UTF-8, or "" where it cannot be
// told.
std::string programFolder();

// Whether path names a folder.
bool isFolder(const std::string& path);

// The whole content of the file at path (UTF-8), or "" where it cannot be
// read.
std::string readFile(const std::string& path);

// Writes UTF-8 text to out: on Windows, to a console as the characters
// themselves, which its code page may not hold; elsewhere as it is.
void writeText(std::FILE* out, const char* text);

// Prints "program: message" where stderr leads (textOutput); on Windows,
// where a program started from Explorer has no console, also shows the
// message in a box titled with the program's name, and returns once the
// user has closed it.
void reportError(const char* program, const char* message);

// What differs between the systems the desktop programs run on: setting an
// environment variable, and where the program's text reaches the user.
#pragma once

#include <cstdio>

// Sets the environment variable unless it is set already, as setenv with no
// overwrite does, also where the C library has no setenv (Windows).
void setEnvDefault(const char* name, const char* value);

// Where to write text meant for stdout or stderr (stream): the stream itself
// where it leads somewhere. A Windows program that opens a window starts
// with streams that lead nowhere unless redirected, even when started from a
// console: then the console of the program that started it, if it has one,
// else nullptr.
std::FILE* textOutput(std::FILE* stream);

// Prints "program: message" where stderr leads (textOutput); on Windows,
// where a program started from Explorer has no console, also shows the
// message in a box titled with the program's name, and returns once the
// user has closed it.
void reportError(const char* program, const char* message);

// What differs between the systems the desktop programs run on: setting an
// environment variable, and where the program's text reaches the user.
#pragma once

// Sets the environment variable unless it is set already, as setenv with no
// overwrite does, also where the C library has no setenv (Windows).
void setEnvDefault(const char* name, const char* value);

// A Windows program that opens a window starts with no standard output, even
// when started from a console. Sends stdout and stderr to the console of the
// program that started it, if there is one, unless they go to a file or a
// pipe already. Does nothing on other systems.
void useParentConsole();

// Prints "program: message" on stderr; on Windows, where a program started
// from Explorer has no console, also shows the message in a box titled with
// the program's name, and returns once the user has closed it.
void reportError(const char* program, const char* message);

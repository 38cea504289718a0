// The platform's part of starting the program, before its command line is
// read: the arguments as the program's byte strings, and the options this
// system cannot honour. POSIX in app/posix/ProgramStart.cpp, Windows in
// app/win32/ProgramStart.cpp.
//
// Threading: main thread, at start, before the toolkit starts.
#pragma once

#include "app/CommandLine.h"

#include <string>
#include <vector>

namespace tessaline::app {

// The arguments after the program's name. POSIX: the bytes given. Windows:
// UTF-8, from the system's UTF-16 command line; there the program also
// takes over the console of the program that started it, if any, so that
// what it prints (help, version, port list, errors) appears in it.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Empty when every option given can be honoured on this system, else one
// message that says which cannot and why.
std::string UnsupportedOptionProblem(const StartupOptions& options);

}  // namespace tessaline::app

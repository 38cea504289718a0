// POSIX: arguments are the bytes given, and every option is supported.
#include "app/ProgramStart.h"

namespace tessaline::app {

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + 1, argv + argc);
}

std::string UnsupportedOptionProblem(const StartupOptions&)
{
    return {};
}

}  // namespace tessaline::app

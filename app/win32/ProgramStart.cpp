// Windows: the program is a window program, so the system gives it no
// console; when it was started from one, it attaches to it so that --help,
// --version, --list-ports and error messages appear there, in UTF-8. A
// stream the caller redirected to a file or a pipe is left where it goes.
// The arguments come from the UTF-16 command line as UTF-8, so that file
// names in any language arrive whole.
#include "app/ProgramStart.h"

#include "platform/win32.h"

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <io.h>

namespace tessaline::app {
namespace {

UINT g_consoleOutputPage = 0;

bool GoesSomewhere(FILE* stream)
{
    const intptr_t handle = _get_osfhandle(_fileno(stream));
    return handle != -1 && handle != -2;
}

void RestoreConsolePage()
{
    SetConsoleOutputCP(g_consoleOutputPage);
}

void AttachParentConsole()
{
    const bool outputSet = GoesSomewhere(stdout);
    const bool errorSet = GoesSomewhere(stderr);
    if ((outputSet && errorSet) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (!outputSet)
        std::freopen("CONOUT$", "w", stdout);
    if (!errorSet)
        std::freopen("CONOUT$", "w", stderr);
    // The console is the caller's: its code page is put back on exit.
    g_consoleOutputPage = GetConsoleOutputCP();
    if (g_consoleOutputPage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
        std::atexit(RestoreConsolePage);
}

std::string Utf8(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
    bytes.pop_back();  // the terminator
    return bytes;
}

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    AttachParentConsole();
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return std::vector<std::string>(argv + 1, argv + argc);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i)
        args.push_back(Utf8(wide[i]));
    LocalFree(wide);
    return args;
}

std::string UnsupportedOptionProblem(const StartupOptions& options)
{
    if (options.demo)
        return "--demo is not available on Windows: the demo device is a pseudo-terminal, which Windows does not "
               "have. Connect a real port, or a pair of virtual COM ports, instead.";
    return {};
}

}  // namespace tessaline::app

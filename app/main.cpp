// The program's entry. The locale is set first, so that file names and the
// environment are taken in the user's character set. The command line, the
// settings file and the file argument are then settled before any window
// system is touched: --help, --version, --list-ports and usage errors need
// no display. Only then does the toolkit start.
#include "app/CommandLine.h"
#include "app/ProgramStart.h"
#include "app/Startup.h"
#include "app/TessalineApp.h"

#include <wx/init.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

wxIMPLEMENT_APP_NO_MAIN(CTessalineApp);

namespace {

// A toolkit check that fails is a fault of ours, never a reason to stop the
// user's program: it is logged. Test runs set TESSALINE_FATAL_ASSERTS so
// that it ends the program instead.
void LogAssert(const wxString& file, int line, const wxString& function, const wxString& condition,
               const wxString& message)
{
    std::fprintf(stderr, "tessaline: internal check failed at %s:%d in %s: %s %s\n", file.utf8_str().data(), line,
                 function.utf8_str().data(), condition.utf8_str().data(), message.utf8_str().data());
    if (std::getenv("TESSALINE_FATAL_ASSERTS"))
        std::abort();
}

int RunToolkit(char* programName, const tessaline::app::StartupState& state)
{
    auto* app = new CTessalineApp;
    app->SetStartupState(state);
    wxApp::SetInstance(app);
    // The toolkit sees no arguments: they are ours and already taken.
    int toolkitArgc = 1;
    char* toolkitArgv[] = {programName, nullptr};
    if (!wxEntryStart(toolkitArgc, toolkitArgv)) {
        if (!state.file.message.empty())
            std::fprintf(stderr, "tessaline: %s\n", state.file.message.c_str());
        const char* display = std::getenv("DISPLAY");
        std::fprintf(stderr, "tessaline: cannot open the display%s%s\n", display ? " " : "", display ? display : "");
        return tessaline::app::kExitFailure;
    }
    wxSetAssertHandler(LogAssert);
    int status = tessaline::app::kExitFailure;
    if (wxTheApp->CallOnInit()) {
        status = wxTheApp->OnRun();
        wxTheApp->OnExit();
    }
    wxEntryCleanup();
    return status;
}

// Prints `text` on standard output and makes sure it got there: output
// that is lost (a full disk, a closed stream) is an error, said on standard
// error.
int PrintOutput(const std::string& text)
{
    if (std::fputs(text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0)
        return tessaline::app::kExitOk;
    std::fprintf(stderr, "tessaline: cannot write the output: %s\n", std::strerror(errno));
    return tessaline::app::kExitFailure;
}

}  // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    wxSetAssertHandler(LogAssert);
    using namespace tessaline::app;

    const StartupOptions options = ParseStartupOptions(ProgramArguments(argc, argv));
    if (!options.error.empty()) {
        std::fprintf(stderr, "tessaline: %s\n\n%s", options.error.c_str(), UsageText("tessaline").c_str());
        return kExitUsageError;
    }
    if (options.help || options.version)
        return PrintOutput(options.help ? UsageText("tessaline") : VersionText());
    if (const std::string problem = UnsupportedOptionProblem(options); !problem.empty()) {
        std::fprintf(stderr, "tessaline: %s\n", problem.c_str());
        return kExitUsageError;
    }
    const StartupState state = PrepareStartup(options);
    for (const std::string& warning : state.warnings)
        std::fprintf(stderr, "tessaline: %s\n", warning.c_str());
    if (options.listPorts)
        return PrintOutput(ListPortsText(options.demo));
    return RunToolkit(argv[0], state);
}

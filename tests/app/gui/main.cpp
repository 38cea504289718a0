// Starts the real application in this process under the X display (Xvfb),
// runs the suite against it, then closes it as a user would.
#include "tests/app/gui/AppHarness.h"

#include <gtest/gtest.h>

#include <wx/evtloop.h>
#include <wx/init.h>

#include <cstdlib>
#include <filesystem>

namespace {

// Failed wxWidgets checks fail the current test instead of opening a box.
void ReportAssert(const wxString& file, int line, const wxString& function, const wxString& condition,
                  const wxString& message)
{
    ADD_FAILURE() << "wxWidgets check failed at " << file << ":" << line << " in " << function << ": " << condition
                  << " " << message;
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);

    // Private settings, so that the recent-file list starts empty and the
    // user's own settings are not touched.
    char folder[] = "/tmp/tessaline-gui-XXXXXX";
    if (!::mkdtemp(folder))
        return 1;
    ::setenv("XDG_CONFIG_HOME", folder, 1);
    ::unsetenv("TESSALINE_COM1");

    wxApp::SetInstance(new CTessalineApp);
    int wxArgc = 1;
    char* wxArgv[] = {argv[0], nullptr};
    if (!wxEntryStart(wxArgc, wxArgv)) {
        std::fprintf(stderr, "no display: run under xvfb-run\n");
        return 1;
    }
    wxSetAssertHandler(ReportAssert);
    tessaline::testing::WaitPollHook() = tessaline::apptest::PumpEvents;
    int result = 1;
    {
        wxGUIEventLoop loop;
        wxEventLoopBase::SetActive(&loop);
        if (wxTheApp->CallOnInit()) {
            tessaline::apptest::PumpEvents();
            result = RUN_ALL_TESTS();
            if (wxWindow* frame = wxTheApp->GetTopWindow())
                frame->Close(true);
            for (int i = 0; i < 5; ++i) {
                tessaline::apptest::PumpEvents();
                wxTheApp->ProcessIdle();
            }
            wxTheApp->OnExit();
        }
        wxEventLoopBase::SetActive(nullptr);
    }
    wxEntryCleanup();
    std::filesystem::remove_all(folder);
    return result;
}

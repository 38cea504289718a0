// Starts the real application in this process under the X display (Xvfb),
// runs the suite against it, then closes it as a user would.
#include "tests/app/gui/AppHarness.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <wx/evtloop.h>
#include <wx/init.h>

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
    tessaline::testing::ScratchFolder settings;
    settings.SetEnv("XDG_CONFIG_HOME", settings.Path());
    settings.SetEnv("TESSALINE_COM1", nullptr);

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
    return result;
}

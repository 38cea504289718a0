// Runs the resource tests inside an initialised wxWidgets GUI application.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/image.h>

namespace {

// A failed wxWidgets assertion fails the running test instead of opening a
// message box that would stop the run.
void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond, const wxString& msg)
{
    ADD_FAILURE_AT(file.utf8_str(), line)
        << "wx assertion " << cond.utf8_str() << " in " << func.utf8_str() << ": " << msg.utf8_str();
}

class TestApp : public wxApp
{
public:
    bool OnInit() override
    {
        wxSetAssertHandler(FailOnAssert);
        wxInitAllImageHandlers();
        return true;
    }
};

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(TestApp);

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    wxApp::SetInstance(new TestApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        fprintf(stderr, "cannot initialise wxWidgets (is a display available?)\n");
        return 1;
    }
    const int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}

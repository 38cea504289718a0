// The receive log started and stopped from the communication menu.
#include "app/RecordCommands.h"
#include "app/StatusPanes.h"
#include "tests/app/gui/AppTest.h"
#include "tests/support/ScratchFolder.h"

#include <wx/filedlg.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/testing.h>

#include <regex>

namespace tessaline::apptest {
namespace {

// Notes the dialog's proposals and answers with `path`.
class ChooseLogFile : public wxExpectModalBase<wxFileDialog, ChooseLogFile>
{
public:
    ChooseLogFile(const wxString& path, wxString* folder, wxString* name) : m_path(path), m_folder(folder), m_name(name)
    {}

protected:
    int OnInvoked(wxFileDialog* dialog) const override
    {
        *m_folder = dialog->GetDirectory();
        *m_name = dialog->GetFilename();
        dialog->SetPath(m_path);
        return wxID_OK;
    }

private:
    wxString m_path;
    wxString* m_folder;
    wxString* m_name;
};

bool ItemChecked(int wxId)
{
    Frame().DoMenuUpdates();
    return Frame().GetMenuBar()->IsChecked(wxId);
}

using ReceiveLogCommand = AppTest;

TEST_F(ReceiveLogCommand, ChoosingAFileLogsWhatArrivesUntilChosenAgain)
{
    const testing::ScratchFolder folder;
    const std::string path = folder / "기록.bin";
    App().TerminalSettings().logFolder = "/tmp";
    Connect(m_pty);

    wxString proposedFolder, proposedName;
    wxTEST_DIALOG(SendCommand(Wx(ID_COMM_LOG)),
                  ChooseLogFile(wxString::FromUTF8(path), &proposedFolder, &proposedName));
    EXPECT_EQ(proposedFolder, "/tmp");
    EXPECT_TRUE(std::regex_match(proposedName.ToStdString(), std::regex(R"(tessaline-\d{8}-\d{6}\.bin)")))
        << proposedName;
    EXPECT_TRUE(TestPeer::Connection(Frame()).IsLogging());
    EXPECT_TRUE(ItemChecked(Wx(ID_COMM_LOG)));
    EXPECT_EQ(Frame().GetStatusBar()->GetStatusText(tessaline::app::StatusPanes::kLog), wxString::FromUTF8("기록"));
    EXPECT_EQ(App().TerminalSettings().logFolder, folder.Path());

    ASSERT_TRUE(m_pty.Write("\x55\xAA"));
    ASSERT_TRUE(WaitUntil([] { return Edit().GetText() == "55 AA "; }));
    SendCommand(Wx(ID_COMM_LOG));
    EXPECT_FALSE(TestPeer::Connection(Frame()).IsLogging());
    EXPECT_FALSE(ItemChecked(Wx(ID_COMM_LOG)));
    EXPECT_EQ(Frame().GetStatusBar()->GetStatusText(tessaline::app::StatusPanes::kLog), "");
    EXPECT_EQ(testing::FileContents(path), "\x55\xAA");
}

}  // namespace
}  // namespace tessaline::apptest

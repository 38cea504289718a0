#include "app/DocumentManager.h"
#include "platform/StartupFolder.h"
#include "res/Strings.h"
#include "tests/app/gui/AppTest.h"
#include "tests/support/ScratchFolder.h"

#include <wx/fileconf.h>
#include <wx/filehistory.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/sstream.h>

#include <algorithm>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace tessaline::apptest {
namespace {

using testing::ScratchFolder;

wxString FileMenuLabel(int wxId)
{
    wxMenuItem* item = Frame().GetMenuBar()->GetMenu(0)->FindItem(wxId);
    return item ? item->GetItemLabel() : wxString();
}

int FileMenuPosition(int wxId)
{
    size_t position = 0;
    return Frame().GetMenuBar()->GetMenu(0)->FindChildItem(wxId, &position) ? static_cast<int>(position) : -1;
}

using Document = AppTest;

TEST_F(Document, FileNewRestoresTheDefaults)
{
    Doc().m_settings = PortSettings{3, 115200, 7, 2, 2, 2};
    CTessalineDoc* before = &Doc();
    SendCommand(wxID_NEW);
    EXPECT_EQ(&Doc(), before) << "the single document is reused";
    EXPECT_EQ(Doc().m_settings, PortSettings{});
    EXPECT_EQ(Frame().GetTitle(), wxString::FromUTF8("제목 없음 - Tessaline"));
}

TEST_F(Document, SavingWritesTheViewTextAndOpeningLoadsItBackLeavingTheSettings)
{
    // Received hex, an echoed line break, Hangul, a control character, and a
    // burst on its own line with its time.
    const std::string text = "41 42 \r\n\xED\x95\x9C\x1B\n12:34:56.789  01 03 ";
    Edit().SetText(text);
    const ScratchFolder folder;
    const std::string saved = folder.Write("saved.tsl", "old content that is longer than the text");
    ASSERT_TRUE(Doc().OnSaveDocument(wxString::FromUTF8(saved)));
    EXPECT_EQ(testing::FileContents(saved), text);
    EXPECT_FALSE(Doc().IsModified());

    Edit().SetText("other text");
    const PortSettings changed{2, 38400, 7, 1, 2, 1};
    Doc().m_settings = changed;
    CTessalineDoc* before = &Doc();
    wxDocument* result = TestPeer::Documents(App())->CreateDocument(wxString::FromUTF8(saved), wxDOC_SILENT);
    EXPECT_EQ(result, before);
    EXPECT_EQ(&Doc(), before);
    EXPECT_EQ(Edit().GetText(), text);
    EXPECT_FALSE(Edit().CanUndo());
    long start = -2, end = -2;
    Edit().GetSel(&start, &end);
    EXPECT_EQ(start, static_cast<long>(text.size())) << "the caret waits at the end for new text";
    EXPECT_EQ(Doc().m_settings, changed);
    EXPECT_EQ(std::filesystem::file_size(saved), text.size()) << "opening must not write";
    const wxString name = wxFileName(wxString::FromUTF8(saved)).GetFullName();
    EXPECT_EQ(Frame().GetTitle(), name + " - Tessaline");

    // The opened file now heads the recent-file list, where the placeholder was.
    EXPECT_EQ(FileMenuLabel(wxID_FILE1), DocumentManager::RecentFileLabel(0, wxString::FromUTF8(saved)));
    EXPECT_TRUE(Frame().GetMenuBar()->GetMenu(0)->FindItem(wxID_FILE1)->IsEnabled());

    SendCommand(wxID_NEW);
    EXPECT_EQ(Doc().m_settings, PortSettings{});
}

TEST_F(Document, AFileThatCannotBeShownLeavesTheDocumentAndTheViewAsTheyWere)
{
    const ScratchFolder folder;
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    folder.Write("latin1.txt", "caf\xE9");
    std::filesystem::resize_file(folder.Write("large.txt"), Edit().GetScrollbackLimit() + 1);  // sparse
    // A file, and part of the message that refuses it.
    const std::pair<std::string, std::string> cases[] = {
        {"/nonexistent/tessaline/missing.tsl", "missing.tsl"},
        {folder / "pipe", res::FormatString(IDS_KIND_FIFO)},
        {folder / "latin1.txt", res::FormatString(IDS_SETTINGS_NOT_UTF8)},
        {folder / "large.txt", std::strerror(EFBIG)},
    };
    const PortSettings changed{4, 1200, 5, 4, 1, 2};
    for (const auto& [path, part] : cases) {
        Doc().m_settings = changed;
        Edit().SetText("kept");
        const wxString title = Frame().GetTitle();
        wxLogBuffer buffer;
        wxLog* previous = wxLog::SetActiveTarget(&buffer);
        wxDocument* result = TestPeer::Documents(App())->CreateDocument(wxString::FromUTF8(path), wxDOC_SILENT);
        wxString said = buffer.GetBuffer();
        said.Replace("\n", " ");  // long messages are broken into lines
        wxLog::SetActiveTarget(previous);
        EXPECT_EQ(result, nullptr) << path;
        EXPECT_TRUE(said.Contains(wxString::FromUTF8(path))) << said;
        EXPECT_TRUE(said.Contains(wxString::FromUTF8(part))) << said;
        EXPECT_EQ(Edit().GetText(), "kept") << path;
        EXPECT_EQ(Doc().m_settings, changed) << path;
        EXPECT_EQ(Frame().GetTitle(), title) << path;
    }
}

TEST_F(Document, RecentFilesReplaceThePlaceholderUpToFour)
{
    DocumentManager& manager = *TestPeer::Documents(App());
    wxFileHistory& history = *manager.GetFileHistory();
    while (history.GetCount() > 0)
        manager.RemoveFileFromHistory(0);
    const int placeholderAt = FileMenuPosition(wxID_FILE1);
    ASSERT_GE(placeholderAt, 0);
    EXPECT_EQ(FileMenuLabel(wxID_FILE1), wxString::FromUTF8("최근 파일"));
    EXPECT_FALSE(Frame().GetMenuBar()->GetMenu(0)->FindItem(wxID_FILE1)->IsEnabled());
    const size_t itemsWithPlaceholder = Frame().GetMenuBar()->GetMenu(0)->GetMenuItemCount();
    EXPECT_EQ(itemsWithPlaceholder, 16u);

    wxStringInputStream settings("[Recent File List]\nfile1=/tmp/one\nfile2=/tmp/two & more\n");
    wxFileConfig config(settings);
    config.SetPath("/Recent File List");
    manager.FileHistoryLoad(config);
    EXPECT_EQ(FileMenuPosition(wxID_FILE1), placeholderAt);
    EXPECT_EQ(FileMenuLabel(wxID_FILE1), "&1 /tmp/one");
    EXPECT_EQ(FileMenuLabel(wxID_FILE2), "&2 /tmp/two && more");
    EXPECT_EQ(Frame().GetMenuBar()->GetMenu(0)->GetMenuItemCount(), itemsWithPlaceholder + 1);

    for (const char* file : {"/tmp/a", "/tmp/b", "/tmp/c", "/tmp/d", "/tmp/e"})
        manager.AddFileToHistory(file);
    EXPECT_EQ(history.GetCount(), 4u);
    EXPECT_EQ(FileMenuLabel(wxID_FILE1), "&1 /tmp/e");
    EXPECT_EQ(FileMenuLabel(wxID_FILE4), "&4 /tmp/b");
    EXPECT_EQ(FileMenuPosition(wxID_FILE5), -1);
    EXPECT_EQ(Frame().GetMenuBar()->GetMenu(0)->GetMenuItemCount(), itemsWithPlaceholder + 3);

    // From the settings file's bytes: names are shown, never interpreted.
    manager.LoadRecentFiles({"/tmp/tab\tCtrl+Q", "/tmp/" + std::string(300, 'x') + "/로그.txt"});
    EXPECT_EQ(FileMenuLabel(wxID_FILE1), "&1 /tmp/tab?Ctrl+Q");
    EXPECT_EQ(
        FileMenuLabel(wxID_FILE2),
        wxString::FromUTF8(("&2 /tmp/" + std::string(34, 'x') + "…" + std::string(32, 'x') + "/로그.txt").c_str()));
    EXPECT_EQ(manager.RecentFiles()[0], "/tmp/tab\tCtrl+Q");

    while (history.GetCount() > 0)
        manager.RemoveFileFromHistory(0);
    EXPECT_EQ(FileMenuLabel(wxID_FILE1), wxString::FromUTF8("최근 파일"));
    EXPECT_EQ(FileMenuPosition(wxID_FILE1), placeholderAt);
}

TEST_F(Document, ARecentFileThatIsGoneIsSaidInKoreanAndLeavesTheList)
{
    DocumentManager& manager = *TestPeer::Documents(App());
    // A relative name is remembered absolute, against the start-up folder.
    manager.AddFileToHistory(wxString::FromUTF8("없는 문서.tsl"));
    EXPECT_EQ(manager.RecentFiles()[0], platform::StartupFolder() + "/없는 문서.tsl");

    const wxString title = Frame().GetTitle();
    CountDialogs box;
    SendCommand(wxID_FILE1);
    wxLog::FlushActive();
    EXPECT_EQ(box.Seen(), 1);
    EXPECT_EQ(box.LastCaption(), wxString::FromUTF8("Tessaline 오류"));
    const wxString message = box.LastMessage();
    EXPECT_TRUE(message.Contains(wxString::FromUTF8("없는 문서.tsl\"을(를) 열 수 없습니다"))) << message;
    EXPECT_TRUE(box.LastStyle() & wxICON_ERROR);
    const std::vector<std::string> left = manager.RecentFiles();
    EXPECT_EQ(std::find(left.begin(), left.end(), platform::StartupFolder() + "/없는 문서.tsl"), left.end());
    EXPECT_EQ(Frame().GetTitle(), title);
}

}  // namespace
}  // namespace tessaline::apptest

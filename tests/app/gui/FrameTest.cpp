#include "app/AboutDialog.h"
#include "res/CommandIds.h"
#include "tests/app/gui/AppTest.h"
#include "tests/res/KeyChords.h"

#include <wx/menu.h>
#include <wx/print.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <numeric>
#include <thread>

namespace tessaline::apptest {
namespace {

using namespace std::chrono_literals;

TEST(StartUp, ShowsTheFrameWithANewDocumentAndAToolbarEndingWithAbout)
{
    EXPECT_TRUE(Frame().IsShown());
    EXPECT_EQ(Frame().GetSize(), wxSize(800, 600));
    EXPECT_EQ(Frame().GetTitle(), wxString::FromUTF8("제목 없음 - Tessaline"));
    EXPECT_EQ(Doc().m_settings, PortSettings{});
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(wxTheApp->GetAppDisplayName(), "Tessaline");

    wxStatusBar* status = Frame().GetStatusBar();
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->GetFieldsCount(), 11);
    EXPECT_EQ(status->GetStatusText(0), wxString::FromUTF8("준비"));
    // The lock panes are empty or show their own name, never anything else;
    // the line, connection and log panes are blank while disconnected (the
    // counters, pane 9, keep the last connection's).
    const char* names[] = {"CAP", "NUM", "SCRL"};
    for (int pane = 1; pane < 11; ++pane) {
        const wxString text = status->GetStatusText(pane);
        EXPECT_TRUE(text.empty() || (pane < 4 && text == names[pane - 1]) || pane == 9) << pane << ": " << text;
        EXPECT_GT(status->GetStatusWidth(pane), 0);
    }
    wxToolBar* tools = Frame().GetToolBar();
    ASSERT_NE(tools, nullptr);
    int buttons = 0;
    for (size_t i = 0; i < tools->GetToolsCount(); ++i) {
        if (!tools->GetToolByPos(static_cast<int>(i))->IsSeparator())
            ++buttons;
    }
    EXPECT_EQ(buttons, 8);
    EXPECT_EQ(tools->GetToolByPos(static_cast<int>(tools->GetToolsCount()) - 1)->GetId(), wxID_ABOUT);
}

TEST(StatusBar, ShowsMenuPromptsAndReturnsToTheIdleText)
{
    // A highlighted item and the prompt it shows.
    const std::pair<int, const char*> cases[] = {
        {wxID_NEW, "새 문서를 작성합니다"},
        {Wx(ID_PORT_CONNECT), ""},
        {Wx(ID_PORT_DISCONNECT), ""},
        {Wx(ID_PORT_SETTINGS), ""},
        {wxID_ABOUT, "프로그램 정보와 버전 정보, 저작권 정보를 표시합니다"},
    };
    wxMenu* fileMenu = Frame().GetMenuBar()->GetMenu(0);
    wxMenuEvent open(wxEVT_MENU_OPEN, 0, fileMenu);
    Frame().ProcessWindowEvent(open);
    for (const auto& [command, prompt] : cases) {
        wxMenuEvent highlight(wxEVT_MENU_HIGHLIGHT, command, fileMenu);
        highlight.SetEventObject(&Frame());
        Frame().ProcessWindowEvent(highlight);
        EXPECT_EQ(Frame().GetStatusBar()->GetStatusText(0), wxString::FromUTF8(prompt)) << command;
    }
    wxMenuEvent close(wxEVT_MENU_CLOSE, 0, fileMenu);
    close.SetEventObject(&Frame());
    Frame().ProcessWindowEvent(close);
    EXPECT_EQ(Frame().GetStatusBar()->GetStatusText(0), wxString::FromUTF8("준비"));
}

TEST(ViewMenu, TogglesTheBarsAndChecksTheirItems)
{
    // The item's command and the bar it shows.
    const std::pair<int, wxWindow*> bars[] = {
        {Wx(ID_VIEW_TOOLBAR), Frame().GetToolBar()},
        {Wx(ID_VIEW_STATUS_BAR), Frame().GetStatusBar()},
    };
    for (const auto& [command, window] : bars) {
        ASSERT_NE(window, nullptr);
        const int viewHeight = Edit().GetSize().y;
        Frame().DoMenuUpdates();
        EXPECT_TRUE(Frame().GetMenuBar()->IsChecked(command));
        SendCommand(command);
        EXPECT_FALSE(window->IsShown());
        Frame().DoMenuUpdates();
        EXPECT_FALSE(Frame().GetMenuBar()->IsChecked(command));
        EXPECT_TRUE(WaitUntil([&] { return Edit().GetSize().y > viewHeight; }, std::chrono::seconds(10)))
            << "the view did not take the bar's room";
        SendCommand(command);
        EXPECT_TRUE(window->IsShown());
        EXPECT_TRUE(WaitUntil([&] { return Edit().GetSize().y == viewHeight; }, std::chrono::seconds(10)));
        Frame().DoMenuUpdates();
        EXPECT_TRUE(Frame().GetMenuBar()->IsChecked(command));
    }
}

TEST(Printing, PreviewLaysTheViewTextOut)
{
    Edit().SetText("41 0A 7F FF ");
    SendCommand(wxID_PREVIEW);
    wxWindow* preview = nullptr;
    for (wxWindow* window : wxTopLevelWindows) {
        if (window != &Frame() && window->IsKindOf(wxCLASSINFO(wxPreviewFrame)))
            preview = window;
    }
    ASSERT_NE(preview, nullptr) << "no preview window opened";
    preview->Close(true);
    WaitUntil([] { return wxTopLevelWindows.size() == 1; }, std::chrono::seconds(10));
    Edit().SetText("");
}

using PortCommands = AppTest;

TEST_F(PortCommands, ConnectToAMissingPortShowsTheBoxAndStaysDisconnected)
{
    platform::SetPortAlias("COM4", "/nonexistent/tessaline-test-tty");
    Doc().m_settings.port = 4;
    CountDialogs box;
    Frame().OnPortConnect();
    EXPECT_EQ(box.Seen(), 1);
    EXPECT_EQ(box.LastMessage(),
              wxString::FromUTF8("COM4 포트를 열 수 없습니다.\n/nonexistent/tessaline-test-tty: 장치가 없습니다."));
    EXPECT_EQ(box.LastCaption(), wxString::FromUTF8("Tessaline 오류"));
    EXPECT_TRUE(box.LastStyle() & wxICON_ERROR);
    EXPECT_TRUE(box.LastStyle() & wxOK);
    EXPECT_FALSE(box.LastStyle() & (wxCANCEL | wxYES_NO));
    EXPECT_FALSE(TestPeer::Connection(Frame()).IsOpen());
    EXPECT_EQ(PortMenus(), kPortClosed);
}

TEST_F(PortCommands, MenuCommandsFlipTheEnablingBothWays)
{
    platform::SetPortAlias("COM2", m_pty.SlavePath());
    Doc().m_settings.port = 2;
    Edit().SetText("kept");
    // A command (0: none yet) and whether the port is open after it.
    const std::pair<int, bool> steps[] = {{0, false}, {Wx(ID_PORT_CONNECT), true}, {Wx(ID_PORT_DISCONNECT), false}};
    for (const auto& [command, open] : steps) {
        if (command != 0)
            SendCommand(command);
        EXPECT_EQ(TestPeer::Connection(Frame()).IsOpen(), open) << command;
        EXPECT_EQ(PortMenus(), open ? kPortOpen : kPortClosed) << command;
    }
    EXPECT_EQ(Edit().GetText(), "kept");
}

TEST_F(PortCommands, ConnectAppliesTheLineSettingsAndSwitchesFlowControlOff)
{
    Doc().m_settings.baud = 19200;
    Doc().m_settings.stopBits = 2;   // TWOSTOPBITS, which a pty keeps
    Doc().m_settings.handshake = 1;  // hardware handshaking is not applied
    Connect(m_pty);

    EXPECT_EQ(TestPeer::Port(TestPeer::Connection(Frame())).QueryBaudRate(), 19200u);
    EXPECT_EQ(TestPeer::Port(TestPeer::Connection(Frame())).QueryFlowControl(), CSerialPort::FlowOff);
    const int fd = ::open(m_pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    termios line{};
    ASSERT_EQ(::tcgetattr(fd, &line), 0);
    ::close(fd);
    EXPECT_TRUE(line.c_cflag & CSTOPB);
    EXPECT_FALSE(line.c_cflag & CRTSCTS);
    EXPECT_FALSE(line.c_iflag & (IXON | IXOFF));
}

using Receiving = AppTest;

// Writes `bytes` at the far end and handles the notification only once the
// watcher has posted it, so that the bytes wait in the port together.
std::vector<std::size_t> ReceiveInOneBurst(testing::PtyPair& pty, const std::string& bytes)
{
    std::vector<std::size_t> insertions;
    TestPeer::SetInsertionObserver(View(), [&](std::string_view text) { insertions.push_back(text.size()); });
    // A hold the previous burst left ends first: held, the port posts nothing.
    EXPECT_TRUE(
        WaitUntil([] { return (TestPeer::Port(TestPeer::Connection(Frame())).QueryEventMask() & EV_RXCHAR) != 0; }));
    const unsigned before = TestPeer::MessagesPosted(TestPeer::Connection(Frame()));
    EXPECT_TRUE(pty.Write(bytes));
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (TestPeer::MessagesPosted(TestPeer::Connection(Frame())) == before &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(100ms);  // lets a split delivery catch up
    const std::size_t expected = bytes.size() * 3;
    EXPECT_TRUE(
        WaitUntil([&] { return std::accumulate(insertions.begin(), insertions.end(), std::size_t{0}) >= expected; }));
    PumpEvents();
    TestPeer::SetInsertionObserver(View(), nullptr);
    return insertions;
}

TEST_F(Receiving, DrainsInChunksOfAHundredBytes)
{
    // Bytes in one burst, and the characters of each insertion, in order.
    const std::pair<std::size_t, std::vector<std::size_t>> cases[] = {
        {250, {300, 300, 150}},
        {100, {300, 0}},
        {1, {3}},
        {200, {300, 300, 0}},
    };
    Connect(m_pty);
    for (const auto& [count, expected] : cases) {
        Edit().SetText("");
        const std::string bytes = testing::CountingBytes(count, 7, 1);
        std::vector<std::size_t> insertions = ReceiveInOneBurst(m_pty, bytes);
        // Notifications queued behind the first find nothing left.
        ASSERT_GE(insertions.size(), expected.size()) << count << " bytes";
        for (std::size_t i = expected.size(); i < insertions.size(); ++i)
            EXPECT_EQ(insertions[i], 0u) << count << " bytes, insertion " << i;
        insertions.resize(expected.size());
        EXPECT_EQ(insertions, expected) << count << " bytes";
        EXPECT_EQ(Edit().GetText(), HexText(bytes));
    }
}

TEST_F(Receiving, ShowsEveryByteAsTwoUpperCaseDigitsAndASpace)
{
    Connect(m_pty);

    const std::string newline("\x41\x0A", 2);
    ASSERT_TRUE(m_pty.Write(newline));
    ASSERT_TRUE(WaitUntil([] { return Edit().GetTextLength() >= 6; }));
    EXPECT_EQ(Edit().GetText(), "41 0A ");

    Edit().SetText("");
    const std::string all = testing::CountingBytes(256) + std::string("\x7F\x41\xFF\x42\x00\x7F", 6);
    ASSERT_TRUE(m_pty.Write(all));
    ASSERT_TRUE(WaitUntil([&] { return Edit().GetTextLength() >= all.size() * 3; }));
    const std::string text = Edit().GetText();
    EXPECT_EQ(text, HexText(all));
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_NE(text.find("7F 41 FF 42 00 7F "), std::string::npos);
    // The status bar shows the connection, and counts with the view.
    EXPECT_EQ(Frame().GetStatusBar()->GetStatusText(8), "COM1 9600 8-N-1");
    EXPECT_TRUE(WaitUntil([] {
        return Frame().GetStatusBar()->GetStatusText(9) == wxString::FromUTF8("수신 264 송신 0");
    })) << Frame().GetStatusBar()->GetStatusText(9);
}

TEST_F(Receiving, NotificationsWithoutReceivedCharactersChangeNothing)
{
    Connect(m_pty);
    Edit().SetText("before");
    Edit().SetSel(6, 6);
    std::vector<std::string> insertions;
    TestPeer::SetInsertionObserver(View(), [&](std::string_view text) { insertions.emplace_back(text); });
    const unsigned before = TestPeer::MessagesPosted(TestPeer::Connection(Frame()));
    ASSERT_TRUE(m_pty.Write("xyz"));
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (TestPeer::MessagesPosted(TestPeer::Connection(Frame())) == before &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);

    // The bytes wait in the port; notifications that report no received
    // characters leave them there and the view as it was.
    for (WPARAM wParam : {WPARAM(EV_BREAK), WPARAM(EV_ERR), WPARAM(EV_ERR | (CE_FRAME << 16)),
                          WPARAM(EV_BREAK | EV_ERR | (CE_BREAK << 16)), WPARAM(EV_RXCHAR << 16)})
        EXPECT_EQ(TestPeer::OnSerialMsg(TestPeer::Connection(Frame()), wParam, 0), 0);
    EXPECT_TRUE(insertions.empty());
    EXPECT_EQ(Edit().GetText(), "before");

    ASSERT_TRUE(WaitUntil([] { return Edit().GetText() == "before78 79 7A "; })) << Edit().GetText();
    TestPeer::SetInsertionObserver(View(), nullptr);
}

TEST_F(Receiving, ViewFollowsTheNewestDataDuringAFlood)
{
    Connect(m_pty);
    const std::size_t total = 300000;
    const std::string bytes = testing::RandomBytes(total, 7);
    std::thread writer([&] { m_pty.Write(bytes); });
    bool followed = true;
    ASSERT_TRUE(WaitUntil(
        [&] {
            // While data arrives, the last row stays in view.
            int unitX = 0, unitY = 0;
            Edit().GetScrollPixelsPerUnit(&unitX, &unitY);
            if (unitY > 0 && Edit().GetTextLength() > 0) {
                const int bottom = Edit().GetViewStart().y * unitY + Edit().GetClientSize().y;
                if (bottom < Edit().GetVirtualSize().y - unitY)
                    followed = false;
            }
            return Edit().GetTextLength() >= total * 3;
        },
        120s));
    writer.join();
    EXPECT_TRUE(followed);
    long start = -2, end = -2;
    Edit().GetSel(&start, &end);
    EXPECT_EQ(start, static_cast<long>(total * 3));
    EXPECT_EQ(end, start);
    EXPECT_EQ(Edit().GetText(), HexText(bytes));
}

TEST(Accelerators, MatchTheTableExactly)
{
    for (const expected::KeyChord& chord : expected::kKeyChords) {
        wxKeyEvent key(wxEVT_CHAR_HOOK);
        key.m_keyCode = chord.key;
        key.SetControlDown(chord.flags & wxACCEL_CTRL);
        key.SetRawControlDown(chord.flags & wxACCEL_CTRL);
        key.SetShiftDown(chord.flags & wxACCEL_SHIFT);
        key.SetAltDown(chord.flags & wxACCEL_ALT);
        EXPECT_EQ(CMainFrame::AcceleratorCommand(key), chord.command ? Wx(chord.command) : wxID_NONE)
            << "key " << chord.key << " flags " << chord.flags;
    }
}

TEST(AboutBox, OpensFromTheMenuAndTheToolbar)
{
    // Either way the about box opens, shows the program's name and closes with OK.
    wxToolBar* tools = Frame().GetToolBar();
    wxCommandEvent click(wxEVT_TOOL, wxID_ABOUT);
    click.SetEventObject(tools);
    const std::function<void()> ways[] = {[] { SendCommand(wxID_ABOUT); }, [&] { tools->ProcessWindowEvent(click); }};
    for (const auto& open : ways) {
        wxString title;
        DialogDriver driver([&](wxDialog& dialog) {
            EXPECT_NE(dynamic_cast<CAboutDialog*>(&dialog), nullptr);
            title = dialog.GetTitle();
            wxCommandEvent ok(wxEVT_BUTTON, wxID_OK);
            ok.SetEventObject(dialog.FindWindow(wxID_OK));
            dialog.ProcessWindowEvent(ok);
        });
        open();
        EXPECT_EQ(driver.DialogsSeen(), 1);
        EXPECT_EQ(title, wxString::FromUTF8("Tessaline 정보"));
    }
}

}  // namespace
}  // namespace tessaline::apptest

// The view in the running application: typed characters go to the port and
// are echoed, the clear command, and the text size.
#include "tests/app/gui/AppTest.h"

#include <string>
#include <tuple>
#include <vector>

namespace tessaline::apptest {
namespace {

using Typing = AppTest;

// A character typed into the view, as the keyboard delivers it.
void TypeCharacter(wxChar32 character, bool control = false)
{
    wxKeyEvent event(wxEVT_CHAR);
    event.m_keyCode = character < 0x80 ? static_cast<int>(character) : WXK_NONE;
    event.m_uniChar = static_cast<wxChar>(character);
    event.SetControlDown(control);
    event.SetEventObject(&Edit());
    Edit().GetEventHandler()->ProcessEvent(event);
}

TEST_F(Typing, WhileDisconnectedChangesNothing)
{
    Edit().SetText("text");
    Edit().SetSel(2, 2);
    for (wxChar32 character : {wxChar32('a'), wxChar32('\r'), wxChar32(0x08), wxChar32(0xD55C)})
        TypeCharacter(character);
    EXPECT_EQ(Edit().GetText(), "text");
}

TEST_F(Typing, SendsEachCharacterAndEchoesIt)
{
    // A typed character, the bytes sent, and the echo.
    const std::tuple<wxChar32, std::string, std::string> cases[] = {
        {'a', "a", "a"},
        {'\r', "\r", "\r\n"},
        {0x08, "\x08", "\x08"},
        {0x1B, "\x1B", "\x1B"},
        {0xD55C, "\xED\x95\x9C", "\xED\x95\x9C"},  // 한: its UTF-8 bytes, one write each
        {0xE9, "\xC3\xA9", "\xC3\xA9"},
    };
    Connect(m_pty);
    for (const auto& [character, sent, echoed] : cases) {
        Edit().SetText("");
        TypeCharacter(character);
        EXPECT_EQ(m_pty.Read(sent.size(), 10000), sent) << "U+" << std::hex << static_cast<unsigned>(character);
        EXPECT_EQ(Edit().GetText(), echoed) << "U+" << std::hex << static_cast<unsigned>(character);
    }
    EXPECT_TRUE(m_pty.Read(1, 200).empty()) << "more was sent than typed";

    // A zero character (the keyboard's Ctrl+@) is sent and shows nothing.
    Edit().SetText("");
    View().OnChar(0);
    EXPECT_EQ(m_pty.Read(1, 10000), std::string(1, '\0'));
    EXPECT_EQ(Edit().GetText(), "");
}

TEST_F(Typing, EchoAndReceivedTextGoToTheEndAndLeaveTheSelection)
{
    Connect(m_pty);
    Edit().SetText("0123456789");
    Edit().SetSel(3, 7);
    TypeCharacter('a');
    EXPECT_EQ(m_pty.Read(1, 10000), "a");
    EXPECT_EQ(Edit().GetText(), "0123456789a");
    ASSERT_TRUE(m_pty.Write("\xAB"));
    ASSERT_TRUE(WaitUntil([] { return Edit().GetTextLength() == 14; }));
    EXPECT_EQ(Edit().GetText(), "0123456789aAB ");
    long start = -2, end = -2;
    Edit().GetSel(&start, &end);
    EXPECT_EQ(std::make_pair(start, end), std::make_pair(3L, 7L));

    Edit().SetSel(2, 2);
    TypeCharacter('\r');
    EXPECT_EQ(m_pty.Read(1, 10000), "\r");
    EXPECT_EQ(Edit().GetText(), "0123456789aAB \r\n");
    Edit().GetSel(&start, &end);
    EXPECT_EQ(std::make_pair(start, end), std::make_pair(2L, 2L));
}

TEST_F(Typing, AcceleratorKeysAreCommandsAndSendNothing)
{
    Connect(m_pty);
    Edit().SetText("copy me");
    Edit().SelectAll();

    // Ctrl+C reaches the frame before any window sees a character.
    wxKeyEvent key(wxEVT_CHAR_HOOK);
    key.m_keyCode = 'C';
    key.SetControlDown(true);
    key.SetEventObject(&Edit());
    Edit().GetEventHandler()->ProcessEvent(key);
    EXPECT_EQ(CMainFrame::AcceleratorCommand(key), wxID_COPY);
    EXPECT_TRUE(m_pty.Read(1, 300).empty());
    EXPECT_EQ(Edit().GetText(), "copy me");

    // Ctrl with a letter that is no accelerator is a control character.
    Edit().SetText("");
    TypeCharacter('q', true);
    EXPECT_EQ(m_pty.Read(1, 10000), "\x11");
}

using Clearing = AppTest;

TEST_F(Clearing, TheCommandEmptiesTheViewAndItsUndo)
{
    Connect(m_pty);
    ASSERT_TRUE(m_pty.Write("\x41"));
    ASSERT_TRUE(WaitUntil([] { return Edit().GetText() == "41 "; }));
    TypeCharacter('z');
    Edit().SetSel(0, 3);
    Edit().ReplaceSel("x", true);  // the user's own edit, which undo could bring back
    ASSERT_TRUE(Edit().CanUndo());
    SendCommand(Wx(ID_EDIT_CLEAR_ALL));
    EXPECT_EQ(Edit().GetText(), "");
    EXPECT_FALSE(Edit().CanUndo());
    ASSERT_TRUE(m_pty.Write("\x42"));
    ASSERT_TRUE(WaitUntil([] { return Edit().GetText() == "42 "; })) << Edit().GetText();
}

TEST(TextSize, CtrlWheelIsReportedForTheSettingsAndTheSavedSizeIsSet)
{
    std::vector<int> heard;
    View().SetFontSizeObserver([&](int points) { heard.push_back(points); });
    View().SetFontPointSize(14);
    EXPECT_EQ(View().FontPointSize(), 14);
    wxMouseEvent wheel(wxEVT_MOUSEWHEEL);
    wheel.m_wheelRotation = -120;
    wheel.m_wheelDelta = 120;
    wheel.m_controlDown = true;
    wheel.SetEventObject(&Edit());
    Edit().GetEventHandler()->ProcessEvent(wheel);
    EXPECT_EQ(heard, std::vector<int>{13});
    EXPECT_EQ(Edit().FontPointSize(), 13);
    View().SetFontSizeObserver(nullptr);
    View().SetFontPointSize(0);
}

}  // namespace
}  // namespace tessaline::apptest

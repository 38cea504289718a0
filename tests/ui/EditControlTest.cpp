// The edit control in a real frame under the X server: the edit operations
// the terminal uses, keyboard and mouse, clipboard and the right-button menu.
#include "tests/ui/GuiTestSupport.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/clipbrd.h>
#include <wx/menu.h>

#include <string>
#include <vector>

namespace tessaline::ui {
namespace {

using gui_test::CellPoint;
using gui_test::ControlFrame;
using gui_test::Hex;
using gui_test::Key;
using gui_test::Mouse;
using gui_test::PumpIdle;
using gui_test::Sel;

class EditControlTest : public ::testing::Test
{
protected:
    EditControlTest() : m_frame(30, 10) {}
    EditControl& C() { return m_frame.Control(); }

    // Presses each key in turn and checks the selection after it.
    struct Press
    {
        int key;
        long start, end;
        bool shift = false, ctrl = false;
    };
    void PressKeys(std::initializer_list<Press> presses)
    {
        int step = 0;
        for (const Press& press : presses) {
            Key(C(), press.key, press.shift, press.ctrl);
            EXPECT_EQ(Sel(C()), std::make_pair(press.start, press.end)) << "step " << ++step;
        }
    }

    ControlFrame m_frame;
};

TEST_F(EditControlTest, StartsWithTheRequestedGeometryAndA32MiScrollback)
{
    EXPECT_EQ(C().GetLayout().Width(), 30u);
    EXPECT_EQ(C().GetVisibleRowCount(), 10u);
    EXPECT_EQ(C().GetScrollbackLimit(), std::size_t{32} << 20);
}

TEST_F(EditControlTest, SetSelAndGetSel)
{
    C().SetText("0123456789");
    // SetSel(start, end) and what GetSel reports after it.
    const std::pair<long, long> cases[][2] = {
        {{2, 5}, {2, 5}}, {{5, 2}, {2, 5}},   {{0, -1}, {0, 10}},
        {{3, 3}, {3, 3}}, {{4, 99}, {4, 10}}, {{99, 99}, {10, 10}},
    };
    for (const auto& [set, got] : cases) {
        C().SetSel(set.first, set.second);
        EXPECT_EQ(Sel(C()), got) << set.first << "," << set.second;
    }
}

TEST_F(EditControlTest, SetSelMinusOneDropsTheSelectionAndKeepsTheCaret)
{
    C().SetText("0123456789");
    C().SetSel(2, 6);  // caret at 6
    C().SetSel(-1, 0);
    EXPECT_EQ(Sel(C()), std::make_pair(6L, 6L));
    EXPECT_FALSE(C().HasSelection());
    C().SetSel(7, 3);  // caret at 3
    C().SetSel(-1, 0);
    EXPECT_EQ(Sel(C()), std::make_pair(3L, 3L));
    C().ReplaceSel("x", false);
    EXPECT_EQ(C().GetText(), "012x3456789");
}

TEST_F(EditControlTest, PositionsNeverFallInsideACharacter)
{
    C().SetText("a\xED\x95\x9C"
                "b\r\nc");
    C().SetSel(2, 3);  // both inside the syllable
    EXPECT_EQ(Sel(C()), std::make_pair(1L, 1L));
    C().SetSel(6, 7);  // between CR and LF, then at c
    EXPECT_EQ(Sel(C()), std::make_pair(5L, 7L));
}

TEST_F(EditControlTest, InsertionsWithoutUndoCannotBeUndoneAndClearNothing)
{
    C().AppendText("41 42 ");
    EXPECT_FALSE(C().CanUndo());
    C().Undo();
    EXPECT_EQ(C().GetText(), "41 42 ");

    C().SetSel(0, 3);
    C().ReplaceSel("ab", true);  // the user's own edit
    EXPECT_EQ(C().GetText(), "ab42 ");
    EXPECT_TRUE(C().CanUndo());
    C().AppendText("43 ");  // received text lands at the end, after the edit
    C().SetSel(7, 7);
    C().AppendText("44 ");
    EXPECT_EQ(C().GetText(), "ab42 43 44 ");
    EXPECT_TRUE(C().CanUndo());
    C().Undo();
    EXPECT_EQ(C().GetText(), "41 42 43 44 ");
    C().Undo();  // a second undo redoes
    EXPECT_EQ(C().GetText(), "ab42 43 44 ");

    C().SetText("new");
    EXPECT_FALSE(C().CanUndo());
}

TEST_F(EditControlTest, UndoIsDroppedWhenUnrecordedTextLandsInsideTheEdit)
{
    C().SetText("0123");
    C().SetSel(2, 2);
    C().ReplaceSel("abc", true);
    C().SetSel(3, 3);
    C().ReplaceSel("X", false);
    EXPECT_EQ(C().GetText(), "01aXbc23");
    EXPECT_FALSE(C().CanUndo());
}

TEST_F(EditControlTest, LimitTextBoundsUserEditsOnly)
{
    C().SetLimitText(8);
    C().SetText("12345");
    C().SetSel(5, 5);
    C().ReplaceSel("ab\xED\x95\x9C", true);  // room for 3 bytes: the syllable does not fit
    EXPECT_EQ(C().GetText(), "12345ab");
    C().SetSel(-1, 0);
    C().ReplaceSel("41 42 43 ", false);
    EXPECT_EQ(C().GetTextLength(), 16u);
    C().SetSel(0, 2);
    C().ReplaceSel("xyz", true);  // would grow the text: nothing fits
    EXPECT_EQ(C().GetText().substr(0, 3), "345");
}

TEST_F(EditControlTest, ClearDeleteAndUndo)
{
    C().SetText("41 \xED\x95\x9C 43 ");
    C().SetSel(3, 3);
    Key(C(), WXK_DELETE);
    EXPECT_EQ(C().GetText(), "41  43 ");
    C().Undo();
    EXPECT_EQ(C().GetText(), "41 \xED\x95\x9C 43 ");
    C().SetSel(0, 3);
    C().Clear();
    EXPECT_EQ(C().GetText(), "\xED\x95\x9C 43 ");
    C().SetSel(-1, 0);
    C().Clear();  // nothing selected: nothing happens
    EXPECT_EQ(C().GetText(), "\xED\x95\x9C 43 ");
}

TEST_F(EditControlTest, CaretMovesAcrossWrappedRowsAndLineBreaks)
{
    // 30 cells: ten pairs a row.
    C().SetText(Hex(25) + "ab\r\ncd");
    const auto& layout = C().GetLayout();
    ASSERT_EQ(layout.RowStart(1), 30u);
    ASSERT_EQ(layout.RowStart(2), 60u);
    ASSERT_EQ(layout.RowStart(3), 79u);  // "... ab\r\n" then "cd"
    C().SetSel(4, 4);
    // Down to a shorter row after the line break, Up back to the remembered
    // column; End stops before the CR LF, Right steps over it whole.
    PressKeys({{WXK_DOWN, 34, 34},
               {WXK_DOWN, 64, 64},
               {WXK_DOWN, 81, 81},
               {WXK_UP, 64, 64},
               {WXK_END, 77, 77},
               {WXK_RIGHT, 79, 79},
               {WXK_LEFT, 77, 77},
               {WXK_HOME, 60, 60}});

    // End on a soft-wrapped row stays on that row.
    C().SetSel(35, 35);
    PressKeys({{WXK_END, 60, 60}});
    EXPECT_EQ(C().GetCaretRow(), 1u);
    const long end = static_cast<long>(C().GetTextLength());
    PressKeys({{WXK_HOME, 30, 30}, {WXK_HOME, 0, 0, false, true}, {WXK_END, end, end, false, true}});
}

TEST_F(EditControlTest, ShiftExtendsTheSelection)
{
    C().SetText(Hex(25));
    C().SetSel(4, 4);
    // Up on the first row goes nowhere; Left crosses the anchor; Right
    // without Shift collapses to the selection's end.
    PressKeys({{WXK_RIGHT, 4, 5, true},
               {WXK_RIGHT, 4, 6, true},
               {WXK_DOWN, 4, 36, true},
               {WXK_UP, 4, 6, true},
               {WXK_UP, 4, 6, true},
               {WXK_LEFT, 4, 5, true},
               {WXK_LEFT, 4, 4, true},
               {WXK_LEFT, 3, 4, true},
               {WXK_RIGHT, 4, 4},
               {WXK_END, 4, 75, true, true}});
}

TEST_F(EditControlTest, PageKeysMoveByAWindow)
{
    C().SetText(Hex(400));  // 40 rows of 30 cells; 10 visible
    C().SetSel(0, 0);
    C().FlushUpdate();
    Key(C(), WXK_PAGEDOWN);
    EXPECT_EQ(C().GetCaretRow(), 9u);
    EXPECT_GE(C().GetFirstVisibleRow(), 1u);
    Key(C(), WXK_PAGEDOWN);
    EXPECT_EQ(C().GetCaretRow(), 18u);
    EXPECT_LE(C().GetFirstVisibleRow(), 18u);
    EXPECT_GT(C().GetFirstVisibleRow() + C().GetVisibleRowCount(), 18u);
    Key(C(), WXK_PAGEUP);
    EXPECT_EQ(C().GetCaretRow(), 9u);
}

TEST_F(EditControlTest, CharactersGoToTheHandlerAndAreNotInserted)
{
    std::vector<wxChar32> received;
    C().SetCharHandler([&](wxChar32 c) { received.push_back(c); });
    C().SetText("41 ");
    struct Case
    {
        const char* name;
        int keyCode;
        wxChar unicode;
        bool ctrl, alt;
        std::vector<wxChar32> expected;
    };
    const Case cases[] = {
        {"letter", 'a', 'a', false, false, {'a'}},
        {"Hangul", 0, 0xD55C, false, false, {0xD55C}},
        {"Backspace", WXK_BACK, WXK_BACK, false, false, {8}},
        {"Tab", WXK_TAB, WXK_TAB, false, false, {9}},
        {"Enter", WXK_RETURN, WXK_RETURN, false, false, {13}},
        {"keypad Enter", WXK_NUMPAD_ENTER, WXK_NONE, false, false, {13}},
        {"Escape", WXK_ESCAPE, WXK_ESCAPE, false, false, {27}},
        {"Ctrl+C reported as the letter", 'C', 'C', true, false, {3}},
        {"Ctrl+C reported as the control", 3, 3, true, false, {3}},
        {"Ctrl+z", 'z', 'z', true, false, {26}},
        {"Ctrl+[", '[', '[', true, false, {0x1B}},
        {"Ctrl+]", ']', ']', true, false, {0x1D}},
        {"Ctrl+Enter", WXK_RETURN, WXK_RETURN, true, false, {0x0A}},
        {"Ctrl+Backspace", WXK_BACK, WXK_BACK, true, false, {0x7F}},
        {"AltGr character", 0, 0x20AC, true, true, {0x20AC}},
        {"Alt+letter is a menu key", 'f', 'f', false, true, {}},
        {"arrow as a char event", WXK_LEFT, WXK_NONE, false, false, {}},
        {"function key", WXK_F5, WXK_NONE, false, false, {}},
    };
    for (const Case& c : cases) {
        received.clear();
        wxKeyEvent event(wxEVT_CHAR);
        event.m_keyCode = c.keyCode;
        event.m_uniChar = c.unicode;
        event.m_controlDown = c.ctrl;
        event.m_altDown = c.alt;
        event.SetEventObject(&C());
        C().GetEventHandler()->ProcessEvent(event);
        EXPECT_EQ(received, c.expected) << c.name;
    }
    // Navigation keys are the control's and type nothing.
    received.clear();
    Key(C(), WXK_LEFT);
    Key(C(), WXK_HOME);
    EXPECT_TRUE(received.empty());
    EXPECT_EQ(C().GetText(), "41 ");
}

TEST_F(EditControlTest, MouseClickDragShiftClickAndDoubleClick)
{
    C().SetText(Hex(25));
    C().FlushUpdate();
    PumpIdle();
    Mouse(C(), wxEVT_LEFT_DOWN, CellPoint(C(), 33));
    EXPECT_EQ(Sel(C()), std::make_pair(33L, 33L));
    Mouse(C(), wxEVT_MOTION, CellPoint(C(), 64));
    Mouse(C(), wxEVT_LEFT_UP, CellPoint(C(), 64));
    EXPECT_EQ(Sel(C()), std::make_pair(33L, 64L));
    Mouse(C(), wxEVT_LEFT_DOWN, CellPoint(C(), 10));
    Mouse(C(), wxEVT_LEFT_UP, CellPoint(C(), 10));
    Mouse(C(), wxEVT_LEFT_DOWN, CellPoint(C(), 40), true);
    Mouse(C(), wxEVT_LEFT_UP, CellPoint(C(), 40));
    EXPECT_EQ(Sel(C()), std::make_pair(10L, 40L));
    Mouse(C(), wxEVT_LEFT_DCLICK, CellPoint(C(), 46));
    Mouse(C(), wxEVT_LEFT_UP, CellPoint(C(), 46));
    EXPECT_EQ(Sel(C()), std::make_pair(45L, 47L));  // one hex pair
    // A click past the end of a soft-wrapped row puts the caret at that row's end.
    wxPoint beyond = CellPoint(C(), 35);
    beyond.x = C().GetClientSize().x - 1;
    Mouse(C(), wxEVT_LEFT_DOWN, beyond);
    Mouse(C(), wxEVT_LEFT_UP, beyond);
    EXPECT_EQ(Sel(C()), std::make_pair(60L, 60L));
    EXPECT_EQ(C().GetCaretRow(), 1u);
    // A click below the text puts the caret at the end.
    Mouse(C(), wxEVT_LEFT_DOWN, {5, C().GetClientSize().y - 3});
    Mouse(C(), wxEVT_LEFT_UP, {5, C().GetClientSize().y - 3});
    EXPECT_EQ(Sel(C()).first, 75);
}

TEST_F(EditControlTest, ContextMenuFollowsTheState)
{
    auto check = [&](std::initializer_list<std::pair<int, bool>> items) {
        std::unique_ptr<wxMenu> menu(C().CreateContextMenu());
        for (const auto& [id, enabled] : items)
            EXPECT_EQ(menu->IsEnabled(id), enabled) << id;
    };
    check({{wxID_UNDO, false}, {wxID_CUT, false}, {wxID_COPY, false}, {wxID_DELETE, false}, {wxID_SELECTALL, false}});
    C().SetText("41 42 ");
    C().SetSel(0, 3);
    check({{wxID_UNDO, false}, {wxID_CUT, true}, {wxID_COPY, true}, {wxID_DELETE, true}, {wxID_SELECTALL, true}});
    EXPECT_TRUE(C().RunContextCommand(wxID_DELETE));
    EXPECT_EQ(C().GetText(), "42 ");
    check({{wxID_UNDO, true}, {wxID_CUT, false}});
    EXPECT_TRUE(C().RunContextCommand(wxID_UNDO));
    EXPECT_EQ(C().GetText(), "41 42 ");
    EXPECT_TRUE(C().RunContextCommand(wxID_SELECTALL));
    EXPECT_EQ(Sel(C()), std::make_pair(0L, 6L));
    EXPECT_FALSE(C().RunContextCommand(wxID_SAVE));
}

TEST_F(EditControlTest, ClipboardRoundTrip)
{
    C().SetText("41 \xED\x95\x9C\xEA\xB8\x80 42 \x08");
    C().SetSel(3, 9);
    C().Copy();
    C().SetSel(static_cast<long>(C().GetTextLength()), -1);
    C().Paste();
    EXPECT_EQ(C().GetText(), "41 \xED\x95\x9C\xEA\xB8\x80 42 \x08\xED\x95\x9C\xEA\xB8\x80");
    C().Undo();
    EXPECT_EQ(C().GetText(), "41 \xED\x95\x9C\xEA\xB8\x80 42 \x08");

    C().SetSel(10, 13);
    C().Cut();
    EXPECT_EQ(C().GetText(), "41 \xED\x95\x9C\xEA\xB8\x80 \x08");
    C().SetSel(0, 0);
    Key(C(), WXK_INSERT, true);  // Shift+Insert pastes
    EXPECT_EQ(C().GetText(), "42 41 \xED\x95\x9C\xEA\xB8\x80 \x08");

    // Invalid bytes leave as U+FFFD, control characters as they are.
    C().SetText("a\xE9\x08");
    C().SetSel(0, -1);
    Key(C(), WXK_INSERT, false, true);  // Ctrl+Insert copies
    wxTextDataObject data;
    ASSERT_TRUE(wxTheClipboard->Open());
    ASSERT_TRUE(wxTheClipboard->GetData(data));
    wxTheClipboard->Close();
    EXPECT_EQ(data.GetText(), wxString::FromUTF8("a\xEF\xBF\xBD\x08"));
}

TEST_F(EditControlTest, MouseSelectionGoesToThePrimarySelection)
{
    C().SetText(Hex(25));
    C().FlushUpdate();
    PumpIdle();
    Mouse(C(), wxEVT_LEFT_DOWN, CellPoint(C(), 3));
    Mouse(C(), wxEVT_MOTION, CellPoint(C(), 8));
    Mouse(C(), wxEVT_LEFT_UP, CellPoint(C(), 8));
    const std::string expected = C().GetText().substr(3, 5);
    wxTheClipboard->UsePrimarySelection(true);
    wxTextDataObject data;
    ASSERT_TRUE(wxTheClipboard->Open());
    const bool got = wxTheClipboard->GetData(data);
    wxTheClipboard->Close();
    wxTheClipboard->UsePrimarySelection(false);
    ASSERT_TRUE(got);
    EXPECT_EQ(data.GetText(), wxString::FromUTF8(expected));
    // The middle button pastes it where it is pressed.
    Mouse(C(), wxEVT_MIDDLE_DOWN, CellPoint(C(), 0));
    EXPECT_EQ(C().GetText().substr(0, 5), expected);
}

}  // namespace
}  // namespace tessaline::ui

// Keys and the mouse through the X server. Typed keys reach the character
// handler as the classic platform's characters (every control byte
// included), the control's own keys move the caret, and a drag held below
// the window keeps scrolling and selecting.
#include "tests/ui/GuiTestSupport.h"

#include <gtest/gtest.h>
#include <wx/uiaction.h>

#include <vector>

namespace tessaline::ui {
namespace {

TEST(RealKeysTest, TypedKeysReachTheHandler)
{
    gui_test::ControlFrame frame(30, 10);
    EditControl& control = frame.Control();
    std::vector<wxChar32> received;
    control.SetCharHandler([&](wxChar32 c) { received.push_back(c); });
    control.SetText("41 42 43 ");
    control.SetSel(9, 9);
    frame.Frame().Raise();
    control.SetFocus();
    gui_test::PumpUntil([&] { return control.HasFocus(); });
    wxUIActionSimulator keys;
    keys.Char('a');
    keys.Char(WXK_TAB);
    keys.Char(WXK_BACK);
    keys.Char(WXK_RETURN);
    keys.Char(WXK_ESCAPE);
    keys.Char('b', wxMOD_CONTROL);
    // The control bytes that need more than Ctrl+letter: NUL, RS and US.
    for (const int key : {'@', ' ', '2', '-', '_', '^', '6'})
        keys.Char(key, wxMOD_CONTROL);
    keys.Char(WXK_LEFT);
    keys.Char(WXK_HOME, wxMOD_SHIFT);
    const std::vector<wxChar32> expected{'a', 9, 8, 13, 27, 2, 0, 0, 0, 0x1F, 0x1F, 0x1E, 0x1E};
    EXPECT_TRUE(gui_test::PumpUntil([&] { return received.size() >= expected.size(); }));
    gui_test::PumpIdle();
    EXPECT_EQ(received, expected);
    EXPECT_EQ(control.GetText(), "41 42 43 ");
    long start = 0, end = 0;
    control.GetSel(&start, &end);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 8);
}

}  // namespace
}  // namespace tessaline::ui

namespace tessaline::ui {
namespace {

TEST(RealMouseTest, DraggingBelowTheWindowKeepsSelecting)
{
    gui_test::ControlFrame frame(30, 10);
    EditControl& control = frame.Control();
    std::string text;
    for (int i = 0; i < 600; ++i)
        text += "5A ";
    control.SetText(text);  // 60 rows, 10 in view
    control.FlushUpdate();
    gui_test::PumpIdle();
    wxUIActionSimulator mouse;
    const wxPoint start = control.ClientToScreen(control.PointFromPosition(33) + wxPoint(2, 4));
    mouse.MouseMove(start);
    gui_test::PumpIdle();
    mouse.MouseDown();
    gui_test::PumpIdle();
    // Hold the button below the window without moving.
    mouse.MouseMove(control.ClientToScreen(wxPoint(20, control.GetClientSize().y + 30)));
    EXPECT_TRUE(gui_test::PumpUntil([&] { return control.GetCaretRow() >= 59; }));
    mouse.MouseUp();
    gui_test::PumpIdle();
    long start_pos = 0, end_pos = 0;
    control.GetSel(&start_pos, &end_pos);
    EXPECT_EQ(start_pos, 33);
    EXPECT_EQ(end_pos, 1800);
    EXPECT_EQ(control.GetFirstVisibleRow(), 50u);
}

}  // namespace
}  // namespace tessaline::ui

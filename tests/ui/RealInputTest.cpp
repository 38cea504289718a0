// Keys and the mouse through the X server, as a user's input arrives.
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
    for (const int key : std::initializer_list<int>{'a', WXK_TAB, WXK_BACK, WXK_RETURN, WXK_ESCAPE})
        keys.Char(key);
    // Ctrl+letter, then the control bytes that need more: NUL, RS and US.
    for (const int key : {'b', '@', ' ', '2', '-', '_', '^', '6'})
        keys.Char(key, wxMOD_CONTROL);
    keys.Char(WXK_LEFT);
    keys.Char(WXK_HOME, wxMOD_SHIFT);
    const std::vector<wxChar32> expected{'a', 9, 8, 13, 27, 2, 0, 0, 0, 0x1F, 0x1F, 0x1E, 0x1E};
    EXPECT_TRUE(gui_test::PumpUntil([&] { return received.size() >= expected.size(); }));
    gui_test::PumpIdle();
    EXPECT_EQ(received, expected);
    EXPECT_EQ(control.GetText(), "41 42 43 ");
    EXPECT_EQ(gui_test::Sel(control), std::make_pair(0L, 8L));
}

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
    EXPECT_EQ(gui_test::Sel(control), std::make_pair(33L, 1800L));
    EXPECT_EQ(control.GetFirstVisibleRow(), 50u);
}

}  // namespace
}  // namespace tessaline::ui

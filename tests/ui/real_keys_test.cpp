// Keys pressed through the X server reach the character handler as the
// classic platform's characters, and the control's own keys move the caret.
#include "GuiTestSupport.h"

#include <gtest/gtest.h>
#include <wx/uiaction.h>

#include <vector>

namespace tessaline::ui {
namespace {

TEST(RealKeysTest, TypedKeysReachTheHandler) {
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
    keys.Char(WXK_LEFT);
    keys.Char(WXK_HOME, wxMOD_SHIFT);
    const std::vector<wxChar32> expected{'a', 9, 8, 13, 27, 2};
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

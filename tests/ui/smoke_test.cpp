#include "GuiTestSupport.h"
#include "TextLayout.h"
#include <gtest/gtest.h>
using namespace tessaline::ui;
TEST(Smoke, AppendsAndPaints) {
    gui_test::ControlFrame f(30, 10);
    auto& c = f.Control();
    for (int i = 0; i < 100; ++i) { c.SetSel(-1, 0); c.ScrollCaret(); c.ReplaceSel("41 42 43 44 ", false); }
    c.FlushUpdate();
    gui_test::PumpIdle();
    EXPECT_EQ(c.GetTextLength(), 1200u);
    EXPECT_GT(c.GetStats().paints, 0u);
    printf("width %u rows %zu top %zu vis %zu paints %zu cell %d %d\n", c.GetLayout().Width(), c.GetLayout().RowCount(), c.GetFirstVisibleRow(), c.GetVisibleRowCount(), c.GetStats().paints, c.GetCellSize().x, c.GetCellSize().y);
}

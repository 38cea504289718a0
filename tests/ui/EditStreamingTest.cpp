// The edit control as text streams in, and its geometry.
#include "tests/ui/GuiTestSupport.h"

#include <gtest/gtest.h>
#include <wx/app.h>

#include <string>
#include <tuple>
#include <vector>

namespace tessaline::ui {
namespace {

using gui_test::ControlFrame;
using gui_test::Hex;
using gui_test::Key;
using gui_test::PumpIdle;
using gui_test::PumpUntil;
using gui_test::Sel;

void Wheel(EditControl& control, int rotation, bool ctrl)
{
    wxMouseEvent event(wxEVT_MOUSEWHEEL);
    event.m_wheelRotation = rotation;
    event.m_wheelDelta = 120;
    event.m_linesPerAction = 3;
    event.m_controlDown = ctrl;
    event.SetEventObject(&control);
    control.GetEventHandler()->ProcessEvent(event);
}

class EditStreamingTest : public ::testing::Test
{
protected:
    EditStreamingTest() : m_frame(30, 10) {}
    EditControl& C() { return m_frame.Control(); }
    ControlFrame m_frame;
};

TEST_F(EditStreamingTest, AppendGoesToTheEndAndLeavesTheCaretAndSelection)
{
    // A name, the anchor and caret set before the append, and GetSel after it.
    const std::tuple<const char*, long, long, std::pair<long, long>> cases[] = {
        {"caret at the end moves on", 6, 6, {9, 9}},
        {"caret in the text stays", 3, 3, {3, 3}},
        {"selection stays", 0, 2, {0, 2}},
        {"selection up to the end keeps its extent", 3, 6, {3, 6}},
        {"caret at the start of a selection to the end", 6, 3, {3, 6}},
    };
    for (const auto& [name, anchor, caret, after] : cases) {
        C().SetText("41 42 ");
        C().SetSel(anchor, caret);
        C().AppendText("0D ");
        EXPECT_EQ(C().GetText(), "41 42 0D ") << name;
        EXPECT_EQ(Sel(C()), after) << name;
    }
}

TEST_F(EditStreamingTest, TheViewFollowsTheEndOnlyWhileTheCaretIsThere)
{
    C().SetText(Hex(400));  // 40 rows; 10 visible
    C().SetSel(45, 45);     // the user clicked into the first rows
    C().FlushUpdate();
    ASSERT_EQ(C().GetFirstVisibleRow(), 0u);
    C().AppendText(Hex(100));
    C().FlushUpdate();
    EXPECT_EQ(C().GetFirstVisibleRow(), 0u);
    EXPECT_EQ(C().GetCaretRow(), 1u);
    Key(C(), WXK_END, false, true);  // back to the end: following again
    C().AppendText(Hex(100));
    C().FlushUpdate();
    EXPECT_EQ(C().GetCaretRow(), C().GetLayout().RowCount() - 1);
    EXPECT_EQ(C().GetFirstVisibleRow() + C().GetVisibleRowCount(), C().GetLayout().RowCount());
}

TEST_F(EditStreamingTest, TrimmingKeepsCaretSelectionAndViewOnTheirText)
{
    std::string all;
    for (unsigned i = 0; i < 40; ++i) {
        const std::string chunk = Hex(100, i);
        all += chunk;
        C().AppendText(chunk);
    }
    ASSERT_EQ(C().GetTextLength(), 12000u);  // 400 rows of ten pairs
    C().FlushUpdate();
    C().SetSel(9015, 9000);
    C().Scroll(0, 290);
    C().FlushUpdate();
    const std::size_t top = C().GetFirstVisibleRow();
    ASSERT_EQ(top, 290u);
    const std::size_t topPos = C().GetLayout().RowStart(top);

    C().SetScrollbackLimit(9000);
    C().FlushUpdate();
    const std::size_t removed = 12000 - C().GetTextLength();
    EXPECT_LE(C().GetTextLength(), 9000u);
    EXPECT_GE(removed, 3000u);
    EXPECT_EQ(removed % 30, 0u);  // whole rows
    EXPECT_EQ(C().GetText(), all.substr(removed));
    EXPECT_EQ(Sel(C()), std::make_pair(9000L - static_cast<long>(removed), 9015L - static_cast<long>(removed)));
    EXPECT_EQ(C().GetCaretRow(), (9000 - removed) / 30);  // the caret end was 9000
    const std::size_t newTop = C().GetFirstVisibleRow();
    EXPECT_EQ(C().GetLayout().RowStart(newTop), topPos - removed);
}

TEST_F(EditStreamingTest, TrimmingWhileDataArrivesKeepsASelectionInHistoryOnItsText)
{
    C().SetScrollbackLimit(6000);
    for (unsigned i = 0; i < 15; ++i)
        C().AppendText(Hex(100, i));
    C().SetSel(3000, 3030);  // the user selected a row in history
    const std::string selected = C().GetText().substr(3000, 30);
    bool trimmedAway = false;
    for (unsigned i = 15; i < 60; ++i) {
        const std::string last = Hex(100, i);
        C().AppendText(last);
        ASSERT_LE(C().GetTextLength(), 6000u);
        const std::string text = C().GetText();
        ASSERT_EQ(text.substr(text.size() - 300), last) << i;
        const auto [start, end] = Sel(C());
        if (start == 0 && end == 0) {
            trimmedAway = true;  // the trim took the selected row
            continue;
        }
        ASSERT_FALSE(trimmedAway) << i;
        ASSERT_EQ(end - start, 30) << i;
        ASSERT_EQ(text.substr(static_cast<std::size_t>(start), 30), selected) << i;
    }
    EXPECT_TRUE(trimmedAway);
    EXPECT_GT(C().GetStats().trims, 0u);
}

TEST_F(EditStreamingTest, AViewScrolledUpStaysOnItsTextWhileDataArrives)
{
    C().SetScrollbackLimit(15000);
    for (unsigned i = 0; i < 40; ++i)
        C().AppendText(Hex(100, i));
    C().FlushUpdate();
    ASSERT_EQ(C().GetFirstVisibleRow(), 390u);  // following the caret at the end
    // The user drags the scroll bar up.
    wxScrollWinEvent drag(wxEVT_SCROLLWIN_THUMBTRACK, 200, wxVERTICAL);
    drag.SetEventObject(&C());
    C().GetEventHandler()->ProcessEvent(drag);
    PumpIdle();
    ASSERT_EQ(C().GetFirstVisibleRow(), 200u);
    const std::string topText = C().GetText().substr(C().GetLayout().RowStart(200), 30);
    for (unsigned i = 40; i < 55; ++i) {
        C().AppendText(Hex(100, i));  // enough to trim, not up to the text in view
        if (i % 5 == 0)
            C().FlushUpdate();
    }
    C().FlushUpdate();
    ASSERT_GE(C().GetStats().trims, 1u);
    EXPECT_LT(C().GetFirstVisibleRow(), 200u);  // rows above it were trimmed
    EXPECT_EQ(C().GetText().substr(C().GetLayout().RowStart(C().GetFirstVisibleRow()), 30), topText);
    // Back at the bottom the view follows the caret again.
    wxScrollWinEvent bottom(wxEVT_SCROLLWIN_BOTTOM, 0, wxVERTICAL);
    bottom.SetEventObject(&C());
    C().GetEventHandler()->ProcessEvent(bottom);
    PumpIdle();
    C().AppendText(Hex(100, 99));
    C().FlushUpdate();
    EXPECT_EQ(C().GetFirstVisibleRow() + C().GetVisibleRowCount(), C().GetLayout().RowCount());
}

TEST_F(EditStreamingTest, AnAppendAtTheEndRepaintsOnlyTheChangedRows)
{
    C().SetText(Hex(35));  // three and a half rows
    C().SetSel(105, 105);
    C().FlushUpdate();
    C().Update();
    PumpIdle();
    const std::size_t paints = C().GetStats().paints;
    C().AppendText("41 ");
    C().FlushUpdate();
    C().Update();
    ASSERT_TRUE(PumpUntil([&] { return C().GetStats().paints > paints; }));
    // Only the row that grew. (A new row changes the scroll range, and the
    // toolkit then repaints the whole window.)
    EXPECT_EQ(C().GetStats().lastPaintRows, 1u);
}

TEST_F(EditStreamingTest, RepaintsAreThrottledUnderAFlood)
{
    C().FlushUpdate();
    PumpIdle();
    const std::size_t updates = C().GetStats().updates;
    const int appends = 3000;
    for (int i = 0; i < appends; ++i) {
        C().AppendText("41 42 43 ");
        wxTheApp->Yield(true);
    }
    C().FlushUpdate();
    EXPECT_LT(C().GetStats().updates - updates, static_cast<std::size_t>(appends / 4));
    EXPECT_EQ(C().GetCaretRow(), C().GetLayout().RowCount() - 1);
    EXPECT_GE(C().GetCaretRow(), C().GetFirstVisibleRow());
    EXPECT_LT(C().GetCaretRow(), C().GetFirstVisibleRow() + C().GetVisibleRowCount());
}

TEST_F(EditStreamingTest, ResizeRewrapsAndKeepsTheTopText)
{
    C().SetText(Hex(400));
    C().Scroll(0, 20);  // row 20 starts at 600
    C().FlushUpdate();
    m_frame.ResizeToCells(15, 10);  // five pairs a row
    EXPECT_EQ(C().GetLayout().Width(), 15u);
    EXPECT_EQ(C().GetLayout().RowCount(), 80u);
    EXPECT_EQ(C().GetLayout().RowStart(C().GetFirstVisibleRow()), 600u);
}

TEST_F(EditStreamingTest, CtrlWheelChangesTheTextSizeWithinItsBoundsAndRewraps)
{
    std::vector<int> heard;
    C().SetFontSizeHandler([&](int points) { heard.push_back(points); });
    C().SetFontPointSize(12);
    EXPECT_EQ(C().FontPointSize(), 12);
    C().SetText(Hex(400));
    const unsigned columns = C().GetLayout().Width();
    const int rowHeight = C().GetCellSize().y;
    // Wheel rotation, Ctrl held, and the text size after it.
    const std::tuple<int, bool, int> cases[] = {
        {120, true, 13},  {-240, true, 11}, {60, true, 11},   {60, true, 12},
        {120, false, 12},  // without Ctrl the wheel scrolls
        {-2400, true, 6}, {-120, true, 6},  {4800, true, 36}, {120, true, 36},
    };
    for (const auto& [rotation, ctrl, points] : cases) {
        Wheel(C(), rotation, ctrl);
        EXPECT_EQ(C().FontPointSize(), points) << rotation;
    }
    EXPECT_EQ(heard, (std::vector<int>{13, 11, 12, 6, 36}));
    EXPECT_GT(C().GetCellSize().y, rowHeight);
    EXPECT_LT(C().GetLayout().Width(), columns);
    EXPECT_EQ(C().GetLayout().RowStart(1), C().GetLayout().Width() / 3 * 3);  // whole pairs a row

    for (const auto& [asked, points] : {std::pair{1, 6}, std::pair{99, 36}, std::pair{20, 20}}) {
        C().SetFontPointSize(asked);
        EXPECT_EQ(C().FontPointSize(), points) << asked;
    }
    C().SetFontPointSize(0);
    const wxFont monospace(wxFontInfo().Family(wxFONTFAMILY_TELETYPE));
    EXPECT_EQ(C().FontPointSize(), std::max(10, monospace.GetPointSize()));
    EXPECT_EQ(heard.size(), 5u) << "only the user's changes are reported";
}

}  // namespace
}  // namespace tessaline::ui

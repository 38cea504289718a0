// Laying the control's text out on pages.
#include "tests/ui/GuiTestSupport.h"
#include "ui/TextPrintout.h"

#include <gtest/gtest.h>
#include <wx/dcmemory.h>

#include <string>

namespace tessaline::ui {
namespace {

// Prepares a printout on a memory DC standing in for a page of the given
// size in pixels at 96 dots per inch (screen and printer alike).
void PrepareOnPage(TextPrintout& printout, wxMemoryDC& dc, int width, int height)
{
    printout.SetDC(&dc);
    printout.SetPPIScreen(96, 96);
    printout.SetPPIPrinter(96, 96);
    printout.SetPageSizePixels(width, height);
    printout.SetPaperRectPixels(wxRect(0, 0, width, height));
    printout.SetPageSizeMM(width * 254 / 960, height * 254 / 960);
    printout.OnPreparePrinting();
}

using gui_test::Hex;

TEST(PrintoutTest, PagesCoverTheTextInOrderWithFullPagesFirst)
{
    const wxFont font(wxFontInfo(10).Family(wxFONTFAMILY_TELETYPE));
    // A name and a text to print.
    const std::pair<const char*, std::string> cases[] = {
        {"long hex line", Hex(20000)},
        {"lines and Hangul",
         [] {
             std::string text;
             for (int i = 0; i < 500; ++i)
                 text += "41 42 \xED\x95\x9C\xEA\xB8\x80\r\n";
             return text;
         }()},
        {"empty", ""},
    };
    for (const auto& [name, text] : cases) {
        SCOPED_TRACE(name);
        wxBitmap page(794, 1123);  // A4 at 96 dpi
        wxMemoryDC dc(page);
        TextPrintout printout("t", text, font);
        PrepareOnPage(printout, dc, 794, 1123);
        ASSERT_GT(printout.GetColumns(), 20u);
        ASSERT_GT(printout.GetRowsPerPage(), 20u);
        int minPage = 0, maxPage = 0, from = 0, to = 0;
        printout.GetPageInfo(&minPage, &maxPage, &from, &to);
        EXPECT_EQ(minPage, 1);
        EXPECT_EQ(maxPage, printout.GetPageCount());
        EXPECT_TRUE(printout.HasPage(maxPage));
        EXPECT_FALSE(printout.HasPage(maxPage + 1));
        EXPECT_FALSE(printout.HasPage(0));
        std::size_t expectedBegin = 0;
        for (int p = 1; p <= printout.GetPageCount(); ++p) {
            const auto [begin, end] = printout.GetPageRange(p);
            EXPECT_EQ(begin, expectedBegin) << p;
            expectedBegin = end;
            EXPECT_TRUE(printout.OnPrintPage(p));
        }
        EXPECT_EQ(expectedBegin, text.size());
        EXPECT_FALSE(printout.OnPrintPage(printout.GetPageCount() + 1));
    }
}

TEST(PrintoutTest, PageCountFollowsTheWrappedRows)
{
    const wxFont font(wxFontInfo(10).Family(wxFONTFAMILY_TELETYPE));
    wxBitmap page(794, 1123);
    wxMemoryDC dc(page);
    TextPrintout probe("t", "", font);
    PrepareOnPage(probe, dc, 794, 1123);
    const std::size_t pairsPerRow = probe.GetColumns() / 3;
    const std::size_t rowsPerPage = probe.GetRowsPerPage();
    // Exactly two pages of full rows, then one pair more.
    const std::string twoPages = Hex(pairsPerRow * rowsPerPage * 2);
    TextPrintout exact("t", twoPages, font);
    PrepareOnPage(exact, dc, 794, 1123);
    EXPECT_EQ(exact.GetPageCount(), 2);
    EXPECT_EQ(exact.GetPageRange(2).first, pairsPerRow * 3 * rowsPerPage);
    TextPrintout more("t", twoPages + "41 ", font);
    PrepareOnPage(more, dc, 794, 1123);
    EXPECT_EQ(more.GetPageCount(), 3);
    EXPECT_EQ(more.GetPageRange(3).second - more.GetPageRange(3).first, 3u);
    // A smaller page holds fewer rows.
    TextPrintout small("t", twoPages, font);
    PrepareOnPage(small, dc, 794, 600);
    EXPECT_GT(small.GetPageCount(), 2);
}

TEST(PrintoutTest, ControlPrintsItsCurrentText)
{
    gui_test::ControlFrame frame(40, 10);
    frame.Control().SetText(Hex(3000));
    auto printout = frame.Control().CreatePrintout("Tessaline");
    auto* text = dynamic_cast<TextPrintout*>(printout.get());
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->GetTitle(), "Tessaline");
    wxBitmap page(794, 1123);
    wxMemoryDC dc(page);
    PrepareOnPage(*text, dc, 794, 1123);
    EXPECT_EQ(text->GetPageRange(text->GetPageCount()).second, 9000u);
    frame.Control().SetText("changed");  // the printout keeps its own copy
    EXPECT_EQ(text->GetPageRange(text->GetPageCount()).second, 9000u);
}

}  // namespace
}  // namespace tessaline::ui

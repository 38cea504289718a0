// The edit control's painting: the rows inside the update region, with
// selection, placeholders for control characters and the caret.
#include "ui/EditControlImpl.h"

#include <wx/dcclient.h>
#include <wx/fontenum.h>
#include <wx/settings.h>

namespace tessaline::ui {

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int EditControl::Impl::DefaultFontPoints()
{
    const wxFont monospace(wxFontInfo().Family(wxFONTFAMILY_TELETYPE));
    const int points =
        monospace.IsOk() ? monospace.GetPointSize() : wxSystemSettings::GetFont(wxSYS_ANSI_FIXED_FONT).GetPointSize();
    return std::clamp(std::max(10, points), kSmallestFontPoints, kLargestFontPoints);
}

void EditControl::Impl::SetupFont(int points)
{
    fontPoints = points;
    // A coding font with Hangul keeps Korean text on the cell grid; the
    // generic monospace family is the fallback, and the font system fills in
    // missing glyphs from other fonts.
    if (wxFontEnumerator::IsValidFacename("NanumGothicCoding"))
        font = wxFont(wxFontInfo(points).FaceName("NanumGothicCoding"));
    else
        font = wxFont(wxFontInfo(points).Family(wxFONTFAMILY_TELETYPE));
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create());
    double width = 0;
    double height = 0;
    double descent = 0;
    if (gc) {
        gc->SetFont(font, *wxBLACK);
        const wxString sample(wxUniChar('M'), 100);
        gc->GetTextExtent(sample, &width, &height, &descent);
    }
    if (width <= 0) {
        self.SetFont(font);
        width = self.GetCharWidth() * 100.0;
        height = self.GetCharHeight();
        descent = 0;
    }
    cellWidth = width / 100.0;
    lineHeight = std::max(1, static_cast<int>(std::ceil(height)) + 1);
    glyphs.SetFont(font, cellWidth, height - descent);
}

void EditControl::Impl::Paint(wxDC& dc, const wxRegion& region)
{
    const auto started = std::chrono::steady_clock::now();
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    std::unique_ptr<wxGraphicsContext> ownGc;
    if (gc == nullptr) {
        if (auto* windowDc = dynamic_cast<wxWindowDC*>(&dc))
            ownGc.reset(wxGraphicsContext::Create(*windowDc));
        gc = ownGc.get();
        if (gc == nullptr)
            return;
    }
    PaintColours colours;
    colours.background = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW);
    colours.selectionBack = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
    colours.text = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT);
    colours.selectedText = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT);
    colours.caret = colours.text;
    colours.normal = gc->CreateFont(font, colours.text);
    colours.selected = gc->CreateFont(font, colours.selectedText);
    colours.marker = gc->CreateFont(font, wxColour(0x50, 0x50, 0x50));
    gc->SetPen(*wxTRANSPARENT_PEN);
    std::size_t rowsDrawn = 0;
    long area = 0;
    // Each rectangle on its own: a strip at the edge must not cost the
    // whole text inside the bounding box.
    for (wxRegionIterator it(region); it; ++it) {
        rowsDrawn += PaintRect(*gc, it.GetRect(), colours);
        area += static_cast<long>(it.GetRect().width) * it.GetRect().height;
    }
    const double seconds = SecondsSince(started);
    ++stats.paints;
    stats.lastPaintRows = rowsDrawn;
    stats.lastPaintArea = area;
    stats.lastPaintSeconds = seconds;
    stats.totalPaintSeconds += seconds;
}

std::size_t EditControl::Impl::PaintRect(wxGraphicsContext& gc, const wxRect& rect, const PaintColours& colours)
{
    gc.SetBrush(wxBrush(colours.background));
    gc.DrawRectangle(rect.x, rect.y, rect.width, rect.height);

    const std::size_t rows = layout.RowCount();
    const std::size_t top = TopRow();
    const std::size_t first = top + static_cast<std::size_t>(std::max(0, rect.y / lineHeight));
    const std::size_t last = std::min(rows, top + static_cast<std::size_t>(rect.GetBottom() / lineHeight + 1));
    const bool focused = self.HasFocus();
    const std::size_t caretRow = CaretRow();
    for (std::size_t row = first; row < last; ++row) {
        const double y = static_cast<double>(row - top) * lineHeight;
        PaintRow(gc, row, y, rect, colours);
        if (focused && caretShown && row == caretRow) {
            const double x = kLeftMargin + layout.ColumnOf(row, caret) * cellWidth;
            gc.SetBrush(wxBrush(colours.caret));
            gc.DrawRectangle(std::max(0.0, x - 1), y, 2, lineHeight);
        }
    }
    return last > first ? last - first : 0;
}

void EditControl::Impl::PaintRow(wxGraphicsContext& gc, std::size_t row, double y, const wxRect& rect,
                                 const PaintColours& colours)
{
    const std::size_t selBegin = SelBegin();
    const std::size_t selEnd = SelEnd();
    const std::size_t begin = layout.RowStart(row);
    const std::size_t end = layout.RowEnd(row);
    // Selection background, a cell wider when it takes in the line break.
    if (selBegin < selEnd && selBegin < end && selEnd > begin) {
        const std::size_t contentEnd = layout.RowContentEnd(row);
        const std::size_t from = std::max(selBegin, begin);
        const std::size_t to = std::min(selEnd, contentEnd);
        const double left = kLeftMargin + layout.ColumnOf(row, from) * cellWidth;
        double right = kLeftMargin + layout.ColumnOf(row, to) * cellWidth;
        if (selEnd > contentEnd && layout.RowEndsWithBreak(row))
            right += cellWidth;
        gc.SetBrush(wxBrush(colours.selectionBack));
        gc.DrawRectangle(left, y, right - left, lineHeight);
    }
    const std::string_view text = layout.Text();
    const double clipLeft = rect.x;
    const double clipRight = rect.x + rect.width;
    ForEachPiece(text.data(), text.size(), begin, end, selBegin, selEnd, [&](const DisplayPiece& piece) {
        const double x = kLeftMargin + piece.column * cellWidth;
        if (x > clipRight || x + piece.cells * cellWidth < clipLeft)
            return;
        const bool selected = piece.pos >= selBegin && piece.pos < selEnd;
        if (piece.kind == CharKind::Placeholder) {
            char label[3];
            PlaceholderLabel(piece.codePoint, label);
            gc.SetBrush(wxBrush(selected ? colours.selectionBack.ChangeLightness(70) : wxColour(0xD0, 0xD0, 0xD0)));
            gc.DrawRectangle(x + 1, y + 1, piece.cells * cellWidth - 2, lineHeight - 2);
            gc.SetFont(selected ? colours.selected : colours.marker);
            gc.DrawText(wxString::FromAscii(label), x, y);
            return;
        }
        PaintText(gc, piece, y, rect, colours, selected);
    });
}

void EditControl::Impl::PaintText(wxGraphicsContext& gc, const DisplayPiece& piece, double y, const wxRect& rect,
                                  const PaintColours& colours, bool selected)
{
    const char* data = layout.Text().data();
    double x = kLeftMargin + piece.column * cellWidth;
    std::size_t pos = piece.pos;
    std::size_t length = piece.length;
    if (length == piece.cells) {
        // Plain ASCII: draw only the part inside the rectangle, as glyphs
        // on the cell grid when the toolkit allows.
        const double skip = std::floor((rect.x - x) / cellWidth) - 1;
        if (skip > 0) {
            const auto cells = static_cast<std::size_t>(skip);
            pos += cells;
            length -= cells;
            x += static_cast<double>(cells) * cellWidth;
        }
        const double keep = std::ceil((rect.x + rect.width - x) / cellWidth) + 1;
        if (keep < static_cast<double>(length))
            length = static_cast<std::size_t>(std::max(0.0, keep));
        if (glyphs.Draw(gc, data + pos, length, x, y, selected ? colours.selectedText : colours.text))
            return;
    }
    gc.SetFont(selected ? colours.selected : colours.normal);
    gc.DrawText(wxString::FromUTF8Unchecked(data + pos, length), x, y);
}

}  // namespace tessaline::ui

#include "ui/TextPrintout.h"

#include "ui/TextUnits.h"

#include <wx/dc.h>

#include <algorithm>
#include <cmath>

namespace tessaline::ui {

TextPrintout::TextPrintout(const wxString& title, std::string text, const wxFont& font)
    : wxPrintout(title), m_text(std::move(text)), m_font(font)
{}

void TextPrintout::MapToPage()
{
    // One logical unit is one screen pixel, so the text prints at the size
    // it has on screen whatever the printer's resolution.
    MapScreenSizeToPage();
}

void TextPrintout::OnPreparePrinting()
{
    m_rows.assign(1, 0);
    wxDC* dc = GetDC();
    if (dc == nullptr)
        return;
    MapToPage();
    const wxRect page = GetLogicalPageRect();
    int ppiX = 0;
    int ppiY = 0;
    GetPPIScreen(&ppiX, &ppiY);
    m_margin = static_cast<int>(std::lround((ppiY > 0 ? ppiY : 96) * 12.0 / 25.4));  // 12 mm
    dc->SetFont(m_font);
    wxCoord width = 0;
    wxCoord height = 0;
    dc->GetTextExtent(wxString(wxUniChar('M'), 100), &width, &height);
    m_cellWidth = std::max(1.0, width / 100.0);
    m_lineHeight = std::max(1, static_cast<int>(height));
    const int usableWidth = page.width - 2 * m_margin;
    const int usableHeight = page.height - 2 * m_margin - 2 * m_lineHeight;  // footer
    m_columns = static_cast<unsigned>(std::max(1.0, std::floor(usableWidth / m_cellWidth)));
    m_rowsPerPage = static_cast<std::size_t>(std::max(1, usableHeight / m_lineHeight));
    WrapRows(m_text.data(), m_text.size(), 0, m_columns, [this](std::size_t start) { m_rows.push_back(start); });
    // A final line break leaves an empty row that need not cost a page.
    if (m_rows.size() > 1 && m_rows.back() == m_text.size())
        m_rows.pop_back();
}

int TextPrintout::GetPageCount() const
{
    const std::size_t pages = (m_rows.size() + m_rowsPerPage - 1) / m_rowsPerPage;
    return static_cast<int>(std::max<std::size_t>(1, pages));
}

std::pair<std::size_t, std::size_t> TextPrintout::GetPageRange(int page) const
{
    if (page < 1 || page > GetPageCount())
        return {0, 0};
    const std::size_t first = static_cast<std::size_t>(page - 1) * m_rowsPerPage;
    const std::size_t last = first + m_rowsPerPage;
    const std::size_t begin = first < m_rows.size() ? m_rows[first] : m_text.size();
    const std::size_t end = last < m_rows.size() ? m_rows[last] : m_text.size();
    return {begin, end};
}

bool TextPrintout::HasPage(int page)
{
    return page >= 1 && page <= GetPageCount();
}

void TextPrintout::GetPageInfo(int* minPage, int* maxPage, int* pageFrom, int* pageTo)
{
    *minPage = 1;
    *maxPage = GetPageCount();
    *pageFrom = 1;
    *pageTo = GetPageCount();
}

bool TextPrintout::OnPrintPage(int page)
{
    wxDC* dc = GetDC();
    if (dc == nullptr || !HasPage(page))
        return false;
    MapToPage();
    const wxRect rect = GetLogicalPageRect();
    dc->SetFont(m_font);
    dc->SetTextForeground(*wxBLACK);
    dc->SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    const std::size_t firstRow = static_cast<std::size_t>(page - 1) * m_rowsPerPage;
    const std::size_t lastRow = std::min(m_rows.size(), firstRow + m_rowsPerPage);
    const char* data = m_text.data();
    for (std::size_t row = firstRow; row < lastRow; ++row) {
        const std::size_t begin = m_rows[row];
        const std::size_t end = row + 1 < m_rows.size() ? m_rows[row + 1] : m_text.size();
        const int y = rect.y + m_margin + static_cast<int>(row - firstRow) * m_lineHeight;
        ForEachPiece(data, m_text.size(), begin, end, end, end, [&](const DisplayPiece& piece) {
            const int x = rect.x + m_margin + static_cast<int>(std::lround(piece.column * m_cellWidth));
            if (piece.kind == CharKind::Placeholder) {
                char label[3];
                PlaceholderLabel(piece.codePoint, label);
                dc->SetPen(*wxLIGHT_GREY_PEN);
                dc->SetBrush(*wxTRANSPARENT_BRUSH);
                dc->DrawRectangle(x, y, static_cast<int>(piece.cells * m_cellWidth), m_lineHeight);
                dc->DrawText(wxString::FromAscii(label), x, y);
            } else {
                dc->DrawText(wxString::FromUTF8Unchecked(data + piece.pos, piece.length), x, y);
            }
        });
    }
    const wxString footer = wxString::Format("%s  %d / %d", GetTitle(), page, GetPageCount());
    wxCoord width = 0;
    wxCoord height = 0;
    dc->GetTextExtent(footer, &width, &height);
    dc->DrawText(footer, rect.x + (rect.width - width) / 2, rect.GetBottom() - m_margin - height);
    return true;
}

}  // namespace tessaline::ui

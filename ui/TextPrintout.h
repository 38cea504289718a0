// Prints a snapshot of the edit control's text: the text is wrapped at the
// page's width in the control's monospace font, the same way the control
// wraps it on screen, and cut into pages; each page carries a footer with
// the title and "page / pages".
//
// Threading: GUI thread only, like every wxPrintout.
#pragma once

#include <wx/font.h>
#include <wx/print.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace tessaline::ui {

class TextPrintout : public wxPrintout
{
public:
    TextPrintout(const wxString& title, std::string text, const wxFont& font);

    void OnPreparePrinting() override;
    bool HasPage(int page) override;
    void GetPageInfo(int* minPage, int* maxPage, int* pageFrom, int* pageTo) override;
    bool OnPrintPage(int page) override;

    // Results of the last OnPreparePrinting.
    int GetPageCount() const;
    unsigned GetColumns() const { return m_columns; }
    std::size_t GetRowsPerPage() const { return m_rowsPerPage; }
    // Byte range [first, second) of the text on a page (1-based).
    std::pair<std::size_t, std::size_t> GetPageRange(int page) const;

private:
    void MapToPage();

    std::string m_text;
    wxFont m_font;
    std::vector<std::size_t> m_rows;  // row starts
    unsigned m_columns = 80;
    std::size_t m_rowsPerPage = 60;
    double m_cellWidth = 8;
    int m_lineHeight = 16;
    int m_margin = 40;
};

}  // namespace tessaline::ui

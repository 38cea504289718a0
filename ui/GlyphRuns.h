// Draws runs of printable ASCII in the edit control's fixed-pitch font
// without laying the text out again: the glyph of each ASCII character is
// looked up once per font, and a run is drawn as glyphs placed on the cell
// grid. The glyphs come from the same font, resolved the same way, as the
// text drawing of the graphics context would use, so the result looks the
// same.
//
// On wxGTK the toolkit's cairo and pango are looked up at run time from the
// already loaded libraries (the build needs no GTK headers). Where they are
// missing, Draw returns false and the caller draws the text itself.
//
// Threading: GUI thread only.
#pragma once

#include <wx/colour.h>
#include <wx/font.h>

#include <cstddef>
#include <vector>

class wxGraphicsContext;

namespace tessaline::ui {

class GlyphRuns
{
public:
    GlyphRuns() = default;
    ~GlyphRuns();
    GlyphRuns(const GlyphRuns&) = delete;
    GlyphRuns& operator=(const GlyphRuns&) = delete;

    // The font, the cell width and the baseline's distance from a row's top.
    void SetFont(const wxFont& font, double cellWidth, double baseline);

    // Draws text[0, length) (printable ASCII) with its left edge at x and
    // its row's top at y; false when glyph drawing is not available.
    bool Draw(wxGraphicsContext& gc, const char* text, std::size_t length, double x, double y, const wxColour& colour);

private:
    bool Prepare(void* cairo);
    void Release();

    wxFont m_font;
    double m_cellWidth = 8;
    double m_baseline = 12;
    void* m_scaledFont = nullptr;  // cairo_scaled_font_t of m_font
    bool m_failed = false;
    unsigned long m_glyphs[128] = {};  // glyph index per ASCII character
    struct Glyph
    {
        unsigned long index;
        double x;
        double y;
    };
    std::vector<Glyph> m_run;
};

}  // namespace tessaline::ui

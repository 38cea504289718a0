#include "ui/GlyphRuns.h"

#include "toolkit/ToolkitSymbols.h"

#include <wx/graphics.h>

namespace tessaline::ui {

#ifdef __WXGTK__
namespace {

struct CairoGlyph
{
    unsigned long index;
    double x;
    double y;
};

struct ToolkitCalls : toolkit::SymbolSet
{
    void* (*createContext)(void* cairo) = Find<decltype(createContext)>("pango_cairo_create_context");
    void* (*describe)(const char* text) = Find<decltype(describe)>("pango_font_description_from_string");
    void (*freeDescription)(void* description) = Find<decltype(freeDescription)>("pango_font_description_free");
    void* (*loadFont)(void* context, const void* description) = Find<decltype(loadFont)>("pango_context_load_font");
    void* (*scaledFontOf)(void* font) = Find<decltype(scaledFontOf)>("pango_cairo_font_get_scaled_font");
    void (*unref)(void* object) = Find<decltype(unref)>("g_object_unref");
    void* (*referenceScaled)(void* scaled) = Find<decltype(referenceScaled)>("cairo_scaled_font_reference");
    void (*destroyScaled)(void* scaled) = Find<decltype(destroyScaled)>("cairo_scaled_font_destroy");
    int (*textToGlyphs)(void* scaled, double x, double y, const char* text, int length, CairoGlyph** glyphs, int* count,
                        void** clusters, int* clusterCount,
                        int* flags) = Find<decltype(textToGlyphs)>("cairo_scaled_font_text_to_glyphs");
    void (*freeGlyphs)(CairoGlyph* glyphs) = Find<decltype(freeGlyphs)>("cairo_glyph_free");
    void (*save)(void* cairo) = Find<decltype(save)>("cairo_save");
    void (*restore)(void* cairo) = Find<decltype(restore)>("cairo_restore");
    void (*setScaledFont)(void* cairo, const void* scaled) = Find<decltype(setScaledFont)>("cairo_set_scaled_font");
    void (*setSource)(void* cairo, double r, double g, double b,
                      double a) = Find<decltype(setSource)>("cairo_set_source_rgba");
    void (*showGlyphs)(void* cairo, const CairoGlyph* glyphs,
                       int count) = Find<decltype(showGlyphs)>("cairo_show_glyphs");
};

}  // namespace
#endif

GlyphRuns::~GlyphRuns()
{
    Release();
}

void GlyphRuns::SetFont(const wxFont& font, double cellWidth, double baseline)
{
    Release();
    m_font = font;
    m_cellWidth = cellWidth;
    m_baseline = baseline;
    m_failed = false;
}

void GlyphRuns::Release()
{
#ifdef __WXGTK__
    if (m_scaledFont)
        toolkit::Symbols<ToolkitCalls>().destroyScaled(m_scaledFont);
#endif
    m_scaledFont = nullptr;
}

bool GlyphRuns::Prepare(void* cairo)
{
#ifdef __WXGTK__
    const ToolkitCalls& tk = toolkit::Symbols<ToolkitCalls>();
    if (!tk.Available() || !m_font.IsOk())
        return false;
    // The font as the graphics context's text drawing resolves it: a pango
    // context made for this cairo target, the wx font's description.
    void* context = tk.createContext(cairo);
    void* description = tk.describe(m_font.GetNativeFontInfoDesc().utf8_str());
    void* font = context && description ? tk.loadFont(context, description) : nullptr;
    void* scaled = font ? tk.scaledFontOf(font) : nullptr;
    if (scaled) {
        char ascii[95];
        for (int i = 0; i < 95; ++i)
            ascii[i] = static_cast<char>(0x20 + i);
        CairoGlyph* glyphs = nullptr;
        int count = 0;
        if (tk.textToGlyphs(scaled, 0, 0, ascii, 95, &glyphs, &count, nullptr, nullptr, nullptr) == 0 && count == 95) {
            for (int i = 0; i < 95; ++i)
                m_glyphs[0x20 + i] = glyphs[i].index;
            m_scaledFont = tk.referenceScaled(scaled);
        }
        if (glyphs)
            tk.freeGlyphs(glyphs);
    }
    if (font)
        tk.unref(font);
    if (description)
        tk.freeDescription(description);
    if (context)
        tk.unref(context);
    return m_scaledFont != nullptr;
#else
    (void)cairo;
    return false;
#endif
}

bool GlyphRuns::Draw(wxGraphicsContext& gc, const char* text, std::size_t length, double x, double y,
                     const wxColour& colour)
{
#ifdef __WXGTK__
    if (m_failed)
        return false;
    void* cairo = gc.GetNativeContext();
    if (!cairo)
        return false;
    if (!m_scaledFont && !Prepare(cairo)) {
        m_failed = true;
        return false;
    }
    m_run.resize(length);
    const double baseline = y + m_baseline;
    for (std::size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        m_run[i] = {m_glyphs[byte & 0x7F], x + static_cast<double>(i) * m_cellWidth, baseline};
    }
    const ToolkitCalls& tk = toolkit::Symbols<ToolkitCalls>();
    tk.save(cairo);
    tk.setScaledFont(cairo, m_scaledFont);
    tk.setSource(cairo, colour.Red() / 255.0, colour.Green() / 255.0, colour.Blue() / 255.0, colour.Alpha() / 255.0);
    tk.showGlyphs(cairo, reinterpret_cast<const CairoGlyph*>(m_run.data()), static_cast<int>(length));
    tk.restore(cairo);
    return true;
#else
    (void)gc, (void)text, (void)length, (void)x, (void)y, (void)colour;
    return false;
#endif
}

}  // namespace tessaline::ui

#include "ui/ClassicScrollbars.h"

#include "toolkit/ToolkitSymbols.h"

#include <wx/window.h>

namespace tessaline::ui {

namespace {

struct ScrolledWindowCalls : toolkit::SymbolSet
{
    unsigned long (*scrolledType)() = Find<decltype(scrolledType)>("gtk_scrolled_window_get_type");
    int (*isA)(void* instance, unsigned long type) = Find<decltype(isA)>("g_type_check_instance_is_a");
    void (*setOverlay)(void* scrolledWindow,
                       int overlay) = Find<decltype(setOverlay)>("gtk_scrolled_window_set_overlay_scrolling");
};

}  // namespace

bool UseClassicScrollbars(wxWindow& window)
{
#ifdef __WXGTK3__
    const auto& gtk = toolkit::Symbols<ScrolledWindowCalls>();
    // A window with scroll bars is a GtkScrolledWindow around its drawing area.
    void* widget = window.GetHandle();
    if (!gtk.Available() || !widget || !gtk.isA(widget, gtk.scrolledType()))
        return false;
    gtk.setOverlay(widget, 0);
    return true;
#else
    (void)window;
    return false;
#endif
}

}  // namespace tessaline::ui

#include "ui/ClassicScrollbars.h"

#include <wx/window.h>

#ifdef __WXGTK3__
#include <dlfcn.h>
#endif

namespace tessaline::ui {

bool UseClassicScrollbars(wxWindow& window)
{
#ifdef __WXGTK3__
    using TypeGetter = unsigned long (*)();
    using TypeCheck = int (*)(void* instance, unsigned long type);
    using SetOverlay = void (*)(void* scrolledWindow, int overlay);
    static const auto scrolledType = reinterpret_cast<TypeGetter>(dlsym(RTLD_DEFAULT, "gtk_scrolled_window_get_type"));
    static const auto isA = reinterpret_cast<TypeCheck>(dlsym(RTLD_DEFAULT, "g_type_check_instance_is_a"));
    static const auto setOverlay =
        reinterpret_cast<SetOverlay>(dlsym(RTLD_DEFAULT, "gtk_scrolled_window_set_overlay_scrolling"));
    // A window with scroll bars is a GtkScrolledWindow around its drawing area.
    void* widget = window.GetHandle();
    if (!scrolledType || !isA || !setOverlay || !widget || !isA(widget, scrolledType()))
        return false;
    setOverlay(widget, 0);
    return true;
#else
    (void)window;
    return false;
#endif
}

}  // namespace tessaline::ui

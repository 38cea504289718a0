#include "app/RadioGroupClear.h"

#include <wx/radiobut.h>

#include <dlfcn.h>

namespace tessaline::app {

// The GTK calls are looked up at run time: the toolkit is loaded with
// wxWidgets, but its headers are not needed for these five calls.
bool ClearRadioGroup(wxRadioButton* member)
{
    using NewFromWidget = void* (*)(void* groupMember);
    using SetActive = void (*)(void* toggleButton, int active);
    using DestroyWidget = void (*)(void* widget);
    using RefSink = void* (*)(void* object);
    using Unref = void (*)(void* object);

    static const auto newFromWidget =
        reinterpret_cast<NewFromWidget>(::dlsym(RTLD_DEFAULT, "gtk_radio_button_new_from_widget"));
    static const auto setActive = reinterpret_cast<SetActive>(::dlsym(RTLD_DEFAULT, "gtk_toggle_button_set_active"));
    static const auto destroyWidget = reinterpret_cast<DestroyWidget>(::dlsym(RTLD_DEFAULT, "gtk_widget_destroy"));
    static const auto refSink = reinterpret_cast<RefSink>(::dlsym(RTLD_DEFAULT, "g_object_ref_sink"));
    static const auto unref = reinterpret_cast<Unref>(::dlsym(RTLD_DEFAULT, "g_object_unref"));
    if (!member || !member->GetHandle() || !newFromWidget || !setActive || !destroyWidget || !refSink || !unref)
        return false;

    void* hidden = newFromWidget(member->GetHandle());
    if (!hidden)
        return false;
    refSink(hidden);
    setActive(hidden, 1);
    // Leaving the group does not hand the check to another button.
    destroyWidget(hidden);
    unref(hidden);
    return !member->GetValue();
}

}  // namespace tessaline::app

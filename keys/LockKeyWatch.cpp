#include "keys/LockKeyWatch.h"

#include "toolkit/ToolkitSymbols.h"

#include <wx/utils.h>

namespace tessaline::keys {

#ifdef __WXGTK__
namespace {

struct GdkCalls : toolkit::SymbolSet
{
    void* (*defaultDisplay)() = Find<decltype(defaultDisplay)>("gdk_display_get_default");
    void* (*keymapFor)(void* display) = Find<decltype(keymapFor)>("gdk_keymap_get_for_display");
    int (*caps)(void* keymap) = Find<decltype(caps)>("gdk_keymap_get_caps_lock_state");
    int (*num)(void* keymap) = Find<decltype(num)>("gdk_keymap_get_num_lock_state");
    int (*scroll)(void* keymap) = Find<decltype(scroll)>("gdk_keymap_get_scroll_lock_state");
    unsigned long (*connect)(void* instance, const char* signal, void (*handler)(void*, void*), void* data,
                             void* destroy, int flags) = Find<decltype(connect)>("g_signal_connect_data");
    void (*disconnect)(void* instance,
                       unsigned long handler) = Find<decltype(disconnect)>("g_signal_handler_disconnect");

    void* Keymap() const
    {
        void* display = Available() ? defaultDisplay() : nullptr;
        return display ? keymapFor(display) : nullptr;
    }
};

}  // namespace
#endif

LockKeyWatch::~LockKeyWatch()
{
    Stop();
}

bool LockKeyWatch::Start(std::function<void()> onChange)
{
    Stop();
#ifdef __WXGTK__
    const GdkCalls& gdk = toolkit::Symbols<GdkCalls>();
    m_keymap = gdk.Keymap();
    if (!m_keymap)
        return false;
    m_onChange = std::move(onChange);
    m_handler = gdk.connect(m_keymap, "state-changed", &LockKeyWatch::OnStateChanged, this, nullptr, 0);
    return m_handler != 0;
#else
    (void)onChange;
    return false;
#endif
}

void LockKeyWatch::Stop()
{
#ifdef __WXGTK__
    if (m_keymap && m_handler)
        toolkit::Symbols<GdkCalls>().disconnect(m_keymap, m_handler);
#endif
    m_keymap = nullptr;
    m_handler = 0;
    m_onChange = nullptr;
}

void LockKeyWatch::OnStateChanged(void*, void* self)
{
    auto* watch = static_cast<LockKeyWatch*>(self);
    if (watch->m_onChange)
        watch->m_onChange();
}

bool LockKeyWatch::IsOn(LockKey key)
{
#ifdef __WXGTK__
    const GdkCalls& gdk = toolkit::Symbols<GdkCalls>();
    if (void* keymap = gdk.Keymap()) {
        switch (key) {
        case LockKey::Caps: return gdk.caps(keymap) != 0;
        case LockKey::Num: return gdk.num(keymap) != 0;
        case LockKey::Scroll: return gdk.scroll(keymap) != 0;
        }
    }
#endif
    switch (key) {
    case LockKey::Caps: return wxGetKeyState(WXK_CAPITAL);
    case LockKey::Num: return wxGetKeyState(WXK_NUMLOCK);
    case LockKey::Scroll: return wxGetKeyState(WXK_SCROLL);
    }
    return false;
}

}  // namespace tessaline::keys

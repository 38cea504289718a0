#include "keys/LockKeyWatch.h"

#include "toolkit/ToolkitSymbols.h"

#include <wx/utils.h>

namespace tessaline::keys {

#ifdef __WXGTK__
namespace {

struct GdkCalls : toolkit::SymbolSet
{
    void* (*defaultDisplay)() = nullptr;          // gdk_display_get_default
    void* (*keymapFor)(void* display) = nullptr;  // gdk_keymap_get_for_display
    int (*caps)(void* keymap) = nullptr;          // gdk_keymap_get_caps_lock_state
    int (*num)(void* keymap) = nullptr;           // gdk_keymap_get_num_lock_state
    int (*scroll)(void* keymap) = nullptr;        // gdk_keymap_get_scroll_lock_state
    unsigned long (*connect)(void* instance, const char* signal, void (*handler)(void*, void*), void* data,
                             void* destroy, int flags) = nullptr;         // g_signal_connect_data
    void (*disconnect)(void* instance, unsigned long handler) = nullptr;  // g_signal_handler_disconnect

    GdkCalls()
    {
        Find(defaultDisplay, "gdk_display_get_default");
        Find(keymapFor, "gdk_keymap_get_for_display");
        Find(caps, "gdk_keymap_get_caps_lock_state");
        Find(num, "gdk_keymap_get_num_lock_state");
        Find(scroll, "gdk_keymap_get_scroll_lock_state");
        Find(connect, "g_signal_connect_data");
        Find(disconnect, "g_signal_handler_disconnect");
    }
    void* Keymap() const
    {
        void* display = Available() ? defaultDisplay() : nullptr;
        return display ? keymapFor(display) : nullptr;
    }
};

const GdkCalls& Gdk()
{
    static const GdkCalls calls;
    return calls;
}

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
    const GdkCalls& gdk = Gdk();
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
        Gdk().disconnect(m_keymap, m_handler);
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
    const GdkCalls& gdk = Gdk();
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

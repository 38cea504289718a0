// Watches the keyboard's lock keys (Caps Lock, Num Lock, Scroll Lock) for
// the status bar's indicator panes. On wxGTK it follows the toolkit keymap's
// "state-changed" signal, so nothing runs while the state stays as it is;
// the GDK calls are looked up at run time from the already loaded toolkit.
//
// Threading: GUI thread only.
#pragma once

#include <functional>

namespace tessaline::keys {

enum class LockKey { Caps, Num, Scroll };

class LockKeyWatch
{
public:
    LockKeyWatch() = default;
    ~LockKeyWatch();
    LockKeyWatch(const LockKeyWatch&) = delete;
    LockKeyWatch& operator=(const LockKeyWatch&) = delete;

    // Calls onChange whenever the lock state changes; false when the
    // toolkit offers no such notice (the caller then has to poll).
    bool Start(std::function<void()> onChange);
    void Stop();

    // Whether the lock key is on now.
    static bool IsOn(LockKey key);

private:
    static void OnStateChanged(void* keymap, void* self);

    std::function<void()> m_onChange;
    void* m_keymap = nullptr;
    unsigned long m_handler = 0;
};

}  // namespace tessaline::keys

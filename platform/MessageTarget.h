// What an HWND is on systems without windows: a message target that the
// receiving side registers. PostMessageA hands each message to the target's
// sink on the posting thread; the sink must pass it on to the receiver's own
// thread without waiting (queue it, or hand it to a GUI event loop), so that
// messages arrive in posting order and the poster never blocks on the
// receiver. On Windows the real window handles are used instead.
//
// Threading: any thread may register, unregister and post. Once
// UnregisterMessageTarget has returned, no sink call for that target is
// running or will start, and posting to it fails with
// ERROR_INVALID_WINDOW_HANDLE.
#pragma once

#include "platform/win32.h"

#include <functional>

namespace tessaline::platform {

using MessageSink = std::function<void(UINT message, WPARAM wParam, LPARAM lParam)>;

// Returns a new, never reused, non-null HWND that names the target.
HWND RegisterMessageTarget(MessageSink sink);

// Removes the target; unknown or null handles are ignored.
void UnregisterMessageTarget(HWND window);

}  // namespace tessaline::platform

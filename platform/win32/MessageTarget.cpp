// Windows: a message target is a message-only window whose window procedure
// hands every message to the sink on the thread that created it.
#include "platform/MessageTarget.h"

#include <memory>

namespace tessaline::platform {
namespace {

constexpr wchar_t kClassName[] = L"TessalineMessageTarget";

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* sink = reinterpret_cast<MessageSink*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (sink && message >= WM_USER) {
        (*sink)(message, wParam, lParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

HWND RegisterMessageTarget(MessageSink sink)
{
    static const ATOM registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = TargetProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClassName;
        return RegisterClassW(&windowClass);
    }();
    if (!registered)
        return nullptr;
    HWND window =
        CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window)
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new MessageSink(std::move(sink))));
    return window;
}

void UnregisterMessageTarget(HWND window)
{
    if (!window || !IsWindow(window))
        return;
    std::unique_ptr<MessageSink> sink(reinterpret_cast<MessageSink*>(GetWindowLongPtrW(window, GWLP_USERDATA)));
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
}

}  // namespace tessaline::platform

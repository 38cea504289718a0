// Window messages without windows: registered message names and message
// targets that stand in for HWNDs.
#include "platform/MessageTarget.h"

#include "platform/posix/HandleTable.h"

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace tessaline::platform {
namespace {

constexpr UINT kFirstRegisteredMessage = 0xC000;
constexpr UINT kLastRegisteredMessage = 0xFFFF;

struct MessageNames
{
    std::mutex mutex;
    std::unordered_map<std::string, UINT> numbers;  // keyed by the upper-cased name
    UINT next = kFirstRegisteredMessage;
};

MessageNames& Names()
{
    // Built on first use, so registrations made during static initialisation
    // of other files find it ready; never destroyed for the same reason at exit.
    static auto* names = new MessageNames;
    return *names;
}

// One registered target. Sink calls in flight are counted per thread, so
// that unregistering can wait for the others while a sink that unregisters
// its own target does not wait for itself.
struct Target
{
    MessageSink sink;
    std::mutex mutex;
    std::condition_variable idle;
    std::vector<std::thread::id> callers;
    bool removed = false;
};

HandleTable<Target>& Targets()
{
    // Handles are multiples of 16 from 0x10000 up and never reused.
    static auto* table = new HandleTable<Target>(0x10000, 16);
    return *table;
}

}  // namespace

HWND RegisterMessageTarget(MessageSink sink)
{
    auto target = std::make_shared<Target>();
    target->sink = std::move(sink);
    return reinterpret_cast<HWND>(Targets().Insert(std::move(target)));
}

void UnregisterMessageTarget(HWND window)
{
    const std::shared_ptr<Target> target = Targets().Remove(reinterpret_cast<std::uintptr_t>(window));
    if (!target)
        return;
    const auto self = std::this_thread::get_id();
    std::unique_lock lock(target->mutex);
    target->removed = true;
    target->idle.wait(lock, [&] {
        return std::all_of(target->callers.begin(), target->callers.end(),
                           [&](std::thread::id caller) { return caller == self; });
    });
}

}  // namespace tessaline::platform

using namespace tessaline::platform;

UINT RegisterWindowMessageA(LPCSTR name)
{
    if (name == nullptr || *name == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string key(name);
    for (char& c : key)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    auto& names = Names();
    std::lock_guard lock(names.mutex);
    auto found = names.numbers.find(key);
    if (found != names.numbers.end())
        return found->second;
    if (names.next > kLastRegisteredMessage) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    const UINT number = names.next++;
    names.numbers.emplace(std::move(key), number);
    return number;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const std::shared_ptr<Target> target = Targets().Find(reinterpret_cast<std::uintptr_t>(window));
    const auto self = std::this_thread::get_id();
    bool live = false;
    if (target) {
        std::lock_guard lock(target->mutex);
        live = !target->removed;
        if (live)
            target->callers.push_back(self);
    }
    if (!live) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }

    // The call is struck off however the sink returns, so that a throwing
    // sink cannot leave an unregistering thread waiting for ever.
    struct CallEnd
    {
        Target& target;
        std::thread::id caller;
        ~CallEnd()
        {
            {
                std::lock_guard lock(target.mutex);
                target.callers.erase(std::find(target.callers.begin(), target.callers.end(), caller));
            }
            target.idle.notify_all();
        }
    } callEnd{*target, self};
    target->sink(message, wParam, lParam);
    return TRUE;
}

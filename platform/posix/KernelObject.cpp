#include "platform/posix/KernelObject.h"

#include <atomic>
#include <unordered_map>

namespace tessaline::platform {
namespace {

struct HandleTable
{
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, std::shared_ptr<KernelObject>> objects;
    // Handles are multiples of 4 from 0x1000 up and never reused; the value
    // of INVALID_HANDLE_VALUE (all ones) can therefore never be handed out.
    std::uintptr_t next = 0x1000;
};

HandleTable& Table()
{
    // Never destroyed: detached threads may still close handles while the
    // process exits.
    static auto* table = new HandleTable;
    return *table;
}

}  // namespace

void Waitable::Set()
{
    {
        std::lock_guard lock(m_mutex);
        m_signalled = true;
    }
    if (m_manualReset)
        m_changed.notify_all();
    else
        m_changed.notify_one();
}

void Waitable::Reset()
{
    std::lock_guard lock(m_mutex);
    m_signalled = false;
}

bool Waitable::IsSignalled() const
{
    std::lock_guard lock(m_mutex);
    return m_signalled;
}

DWORD Waitable::Wait(DWORD milliseconds)
{
    std::unique_lock lock(m_mutex);
    auto ready = [this] { return m_signalled; };
    if (milliseconds == INFINITE) {
        m_changed.wait(lock, ready);
    } else if (!m_changed.wait_until(lock, Clock::now() + std::chrono::milliseconds(milliseconds), ready)) {
        return WAIT_TIMEOUT;
    }
    if (!m_manualReset)
        m_signalled = false;
    return WAIT_OBJECT_0;
}

HANDLE InsertHandle(std::shared_ptr<KernelObject> object)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    const std::uintptr_t value = table.next;
    table.next += 4;
    table.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle)
{
    auto& table = Table();
    {
        std::lock_guard lock(table.mutex);
        auto found = table.objects.find(reinterpret_cast<std::uintptr_t>(handle));
        if (found != table.objects.end())
            return found->second;
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

std::shared_ptr<KernelObject> RemoveHandle(HANDLE handle)
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto found = table.objects.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == table.objects.end())
        return nullptr;
    auto object = std::move(found->second);
    table.objects.erase(found);
    return object;
}

void SignalEventHandle(HANDLE event)
{
    const DWORD saved = GetLastError();
    if (auto object = LookupHandleAs<Waitable>(event))
        object->Set();
    SetLastError(saved);
}

void ResetEventHandle(HANDLE event)
{
    const DWORD saved = GetLastError();
    if (auto object = LookupHandleAs<Waitable>(event))
        object->Reset();
    SetLastError(saved);
}

std::size_t OpenHandleCount()
{
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    return table.objects.size();
}

}  // namespace tessaline::platform

using namespace tessaline::platform;

namespace {
thread_local DWORD t_lastError = 0;
}

DWORD GetLastError()
{
    return t_lastError;
}

void SetLastError(DWORD errorCode)
{
    t_lastError = errorCode;
}

BOOL CloseHandle(HANDLE object)
{
    auto removed = RemoveHandle(object);
    if (!removed) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    removed->OnHandleClosed();
    return TRUE;
}

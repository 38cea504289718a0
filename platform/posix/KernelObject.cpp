#include "platform/posix/KernelObject.h"

#include "platform/posix/HandleTable.h"

namespace tessaline::platform {
namespace {

HandleTable<KernelObject>& Table()
{
    // Handles are multiples of 4 from 0x1000 up and never reused; the value
    // of INVALID_HANDLE_VALUE (all ones) can therefore never be handed out.
    // Never destroyed: detached threads may still close handles while the
    // process exits.
    static auto* table = new HandleTable<KernelObject>(0x1000, 4);
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
    return reinterpret_cast<HANDLE>(Table().Insert(std::move(object)));
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle)
{
    auto object = Table().Find(reinterpret_cast<std::uintptr_t>(handle));
    if (!object)
        SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

std::shared_ptr<KernelObject> RemoveHandle(HANDLE handle)
{
    return Table().Remove(reinterpret_cast<std::uintptr_t>(handle));
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
    return Table().Size();
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

// Kernel objects of the posix backend and the process-wide handle table
// (a HandleTable, see HandleTable.h).
//
// A HANDLE is a number handed out once and never reused, so a closed or
// made-up handle can only miss in the table: it can never reach a freed or
// foreign object. Lookups return shared ownership, so an object stays alive
// while a call that found it is still using it, even if another thread closes
// the handle meanwhile.
//
// Internal to platform/; the serial layer sees only win32.h.
#pragma once

#include "platform/win32.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace tessaline::platform {

using Clock = std::chrono::steady_clock;

// Base of everything a handle can name.
class KernelObject
{
public:
    virtual ~KernelObject() = default;
    // Called once when the last handle to the object is closed. Objects with
    // resources of their own (devices) release them here; the object itself
    // may live on while calls that looked it up finish.
    virtual void OnHandleClosed() {}
};

// An object with a signalled state that WaitForSingleObject can wait on:
// events and threads.
class Waitable : public KernelObject
{
public:
    explicit Waitable(bool manualReset, bool initialState) : m_manualReset(manualReset), m_signalled(initialState) {}

    void Set();
    void Reset();
    bool IsSignalled() const;

    // Waits until signalled or until the time-out (INFINITE for none) runs
    // out, on a monotonic clock. An auto-reset object is reset by the wait
    // that it releases. Returns WAIT_OBJECT_0 or WAIT_TIMEOUT.
    DWORD Wait(DWORD milliseconds);

private:
    const bool m_manualReset;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_signalled;
};

class EventObject final : public Waitable
{
public:
    using Waitable::Waitable;
};

// Adds an object to the table and returns its new handle.
HANDLE InsertHandle(std::shared_ptr<KernelObject> object);

// Looks up a handle. A null, made-up, closed or wrong-typed handle yields
// null and sets ERROR_INVALID_HANDLE as the calling thread's last error.
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);

template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle)
{
    auto object = std::dynamic_pointer_cast<T>(LookupHandle(handle));
    if (!object)
        SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

// Removes a handle from the table; returns the object it named, or null.
std::shared_ptr<KernelObject> RemoveHandle(HANDLE handle);

// Signals or resets the event a handle names, if it still names one; used by
// the device code to complete overlapped requests. Leaves the last error alone.
void SignalEventHandle(HANDLE event);
void ResetEventHandle(HANDLE event);

// Number of handles open now (for leak checks in tests).
std::size_t OpenHandleCount();

}  // namespace tessaline::platform

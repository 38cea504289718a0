// The one way the status and count of an OVERLAPPED record cross threads:
// the device publishes them when a request starts and when it finishes, and
// any thread may read them (GetOverlappedResult, a waiting caller).
//
// The count is stored before the status and the status with release order,
// so whoever sees a finished status with an acquire load sees its count.
#pragma once

#include "platform/win32.h"

#include <atomic>

namespace tessaline::platform {

// OVERLAPPED::Internal of a request still running (the NT status
// STATUS_PENDING); a finished request holds its Win32 error number there,
// 0 for success, and the bytes it moved in InternalHigh.
constexpr ULONG_PTR kRequestPending = 0x103;

inline void PublishResult(OVERLAPPED& overlapped, ULONG_PTR status, DWORD count)
{
    std::atomic_ref<ULONG_PTR>(overlapped.InternalHigh).store(count, std::memory_order_release);
    std::atomic_ref<ULONG_PTR>(overlapped.Internal).store(status, std::memory_order_release);
}

// The record is only read; atomic_ref needs a non-const object.
inline ULONG_PTR LoadStatus(const OVERLAPPED& overlapped)
{
    return std::atomic_ref<ULONG_PTR>(const_cast<ULONG_PTR&>(overlapped.Internal)).load(std::memory_order_acquire);
}

inline DWORD LoadCount(const OVERLAPPED& overlapped)
{
    return static_cast<DWORD>(
        std::atomic_ref<ULONG_PTR>(const_cast<ULONG_PTR&>(overlapped.InternalHigh)).load(std::memory_order_acquire));
}

}  // namespace tessaline::platform

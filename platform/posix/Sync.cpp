// Events, threads and waits.
#include "platform/FaultInjection.h"
#include "platform/posix/KernelObject.h"

#include <atomic>
#include <cerrno>
#include <sys/syscall.h>
#include <system_error>
#include <thread>
#include <unistd.h>

using namespace tessaline::platform;

namespace {

// A thread is signalled when its start routine has returned.
class ThreadObject final : public Waitable
{
public:
    ThreadObject() : Waitable(true, false) {}
    std::atomic<DWORD> exitCode{STILL_ACTIVE};
};

std::atomic<DWORD> g_nextThreadId{1};
thread_local DWORD t_threadId = 0;

}  // namespace

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR)
{
    if (InjectFault("CreateEventA"))
        return nullptr;
    return InsertHandle(std::make_shared<EventObject>(manualReset != FALSE, initialState != FALSE));
}

BOOL SetEvent(HANDLE event)
{
    auto object = LookupHandleAs<EventObject>(event);
    if (!object)
        return FALSE;
    object->Set();
    return TRUE;
}

BOOL ResetEvent(HANDLE event)
{
    auto object = LookupHandleAs<EventObject>(event);
    if (!object)
        return FALSE;
    object->Reset();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds)
{
    if (InjectFault("WaitForSingleObject"))
        return WAIT_FAILED;
    auto waitable = LookupHandleAs<Waitable>(object);
    if (!waitable)
        return WAIT_FAILED;
    return waitable->Wait(milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* objects, BOOL waitAll, DWORD milliseconds)
{
    // Only the single-object form is needed by this program; more would need
    // a wait that spans several condition variables.
    if (count != 1 || objects == nullptr || waitAll) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return WAIT_FAILED;
    }
    return WaitForSingleObject(objects[0], milliseconds);
}

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD creationFlags,
                    LPDWORD threadId)
{
    if (InjectFault("CreateThread"))
        return nullptr;
    if (start == nullptr || creationFlags != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto thread = std::make_shared<ThreadObject>();
    const DWORD id = g_nextThreadId.fetch_add(1);
    try {
        // The thread owns its object, so closing the handle neither stops the
        // thread nor frees what it will signal.
        std::thread([thread, start, parameter, id] {
            t_threadId = id;
            const DWORD code = start(parameter);
            thread->exitCode.store(code);
            thread->Set();
        }).detach();
    } catch (const std::system_error& error) {
        SetLastError(error.code().value() == EAGAIN ? ERROR_NOT_ENOUGH_MEMORY : ERROR_GEN_FAILURE);
        return nullptr;
    }
    if (threadId)
        *threadId = id;
    return InsertHandle(std::move(thread));
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode)
{
    auto object = LookupHandleAs<ThreadObject>(thread);
    if (!object)
        return FALSE;
    if (exitCode == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *exitCode = object->exitCode.load();
    return TRUE;
}

DWORD GetCurrentThreadId()
{
    if (t_threadId == 0)
        t_threadId = g_nextThreadId.fetch_add(1);
    return t_threadId;
}

void Sleep(DWORD milliseconds)
{
    if (milliseconds == INFINITE) {
        for (;;)
            pause();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

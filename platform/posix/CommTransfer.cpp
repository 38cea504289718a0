// Reads, writes and event waits of a communications device: what finishes
// inside the call, what is queued for the service thread, and how queued
// requests finish.
#include "platform/posix/CommDevice.h"

#include "platform/posix/CommTimeouts.h"
#include "platform/posix/Errors.h"
#include "platform/posix/OverlappedResult.h"

#include <cerrno>
#include <optional>
#include <unistd.h>

namespace tessaline::platform {
namespace {

constexpr DWORD kLineErrors = CE_FRAME | CE_OVERRUN | CE_RXPARITY;

// A request that finished at once: result, count, and the record's event.
BOOL CompleteNow(OVERLAPPED* overlapped, DWORD count, DWORD* countOut)
{
    if (countOut)
        *countOut = count;
    if (overlapped) {
        PublishResult(*overlapped, ERROR_SUCCESS, count);
        if (overlapped->hEvent)
            SignalEventHandle(overlapped->hEvent);
    }
    return TRUE;
}

}  // namespace

RequestQueue& CommDevice::QueueOf(Request::Kind kind)
{
    switch (kind) {
    case Request::Kind::Read: return m_reads;
    case Request::Kind::Write: return m_writes;
    case Request::Kind::Wait: break;
    }
    return m_waits;
}

BOOL CommDevice::Issue(std::unique_lock<std::mutex>& lock, std::unique_ptr<Request> request, DWORD* count)
{
    request->thread = std::this_thread::get_id();
    if (request->overlapped) {
        PublishResult(*request->overlapped, kRequestPending, 0);
        if (request->overlapped->hEvent) {
            const DWORD saved = GetLastError();
            request->event = LookupHandleAs<Waitable>(request->overlapped->hEvent);
            SetLastError(saved);
            if (request->event)
                request->event->Reset();
        }
    }
    // A handle opened without overlapped I/O waits here for its request.
    const bool synchronous = !m_overlapped;
    RequestOutcome outcome;
    if (synchronous)
        request->outcome = &outcome;
    const Request::Kind kind = request->kind;
    const bool timed = kind == Request::Kind::Write || request->deadline != Clock::time_point::max() ||
                       request->interval != Clock::duration::zero();
    QueueOf(kind).Push(std::move(request));
    // A pending read also ends a deferred read of the terminal.
    if (timed || (kind == Request::Kind::Read && m_deferring.load()))
        WakeService();
    if (!synchronous)
        return Fail(ERROR_IO_PENDING);
    ++m_finish.waiters;
    m_finish.finished.wait(lock, [&outcome] { return outcome.finished; });
    --m_finish.waiters;
    if (count && kind != Request::Kind::Wait)
        *count = outcome.done;
    return outcome.status == ERROR_SUCCESS ? TRUE : Fail(outcome.status);
}

void CommDevice::FinishAll(DWORD status, bool reads, bool writes, bool wait, bool onlyThisThread)
{
    std::optional<std::thread::id> thread;
    if (onlyThisThread)
        thread = std::this_thread::get_id();
    if (reads)
        m_reads.FinishAll(status, thread);
    if (writes)
        m_writes.FinishAll(status, thread);
    if (wait)
        m_waits.FinishAll(status, thread);
}

BOOL CommDevice::WaitEvent(DWORD* eventWord, OVERLAPPED* overlapped)
{
    if (eventWord == nullptr || (m_overlapped && overlapped == nullptr))
        return Fail(ERROR_INVALID_PARAMETER);
    std::unique_lock lock(m_mutex);
    if (DWORD refusal = Refusal(false))
        return Fail(refusal);
    if (m_mask == 0 || !m_waits.Empty())
        return Fail(ERROR_INVALID_PARAMETER);
    if (m_history != 0) {
        *eventWord = m_history;
        m_history = 0;
        lock.unlock();
        return CompleteNow(overlapped, 0, nullptr);
    }
    // A reader held back by a full queue goes on, so that a caller that waits
    // before it has drained the queue still sees new input.
    if (m_readerStalled) {
        m_readerStalled = false;
        WakeService();
    }
    auto request = std::make_unique<Request>();
    request->kind = Request::Kind::Wait;
    request->overlapped = overlapped;
    request->eventWord = eventWord;
    return Issue(lock, std::move(request), nullptr);
}

BOOL CommDevice::Read(void* buffer, DWORD length, DWORD* bytesRead, OVERLAPPED* overlapped)
{
    if (bytesRead)
        *bytesRead = 0;
    if ((buffer == nullptr && length != 0) || (m_overlapped && overlapped == nullptr))
        return Fail(ERROR_INVALID_PARAMETER);
    PullDeferredInput(length);
    std::unique_lock lock(m_mutex);
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    // Input that arrived before the device was lost is still handed out;
    // only an empty queue reports the loss.
    if (m_dead && !m_closed && !m_queue.Empty() && length != 0) {
        const auto taken = static_cast<DWORD>(m_queue.Pop(bytes, length));
        lock.unlock();
        return CompleteNow(overlapped, taken, bytesRead);
    }
    if (DWORD refusal = Refusal(false))
        return Fail(refusal);
    // Nothing asked for: done at once, as the Windows driver does.
    if (length == 0) {
        lock.unlock();
        return CompleteNow(overlapped, 0, bytesRead);
    }
    const ReadPlan plan = PlanRead(m_timeouts, length);
    DWORD done = 0;
    if (m_reads.Empty() && !m_queue.Empty()) {
        done = static_cast<DWORD>(m_queue.Pop(bytes, length));
        AfterInputTaken();
    }
    if (plan.returnAtOnce || done == length || (plan.anyByteCompletes && done > 0)) {
        lock.unlock();
        return CompleteNow(overlapped, done, bytesRead);
    }
    auto request = std::make_unique<Request>();
    request->kind = Request::Kind::Read;
    request->overlapped = overlapped;
    request->readBuffer = bytes;
    request->length = length;
    request->done = done;
    request->anyByteCompletes = plan.anyByteCompletes;
    const auto now = Clock::now();
    if (plan.total != std::chrono::milliseconds::zero())
        request->deadline = now + plan.total;
    request->interval = plan.interval;
    if (done > 0)
        request->lastByte = now;
    return Issue(lock, std::move(request), bytesRead);
}

BOOL CommDevice::Write(const void* data, DWORD length, DWORD* bytesWritten, OVERLAPPED* overlapped)
{
    if (bytesWritten)
        *bytesWritten = 0;
    if ((data == nullptr && length != 0) || (m_overlapped && overlapped == nullptr))
        return Fail(ERROR_INVALID_PARAMETER);
    std::unique_lock lock(m_mutex);
    if (DWORD refusal = Refusal(false))
        return Fail(refusal);
    // Nothing to send: done at once, even behind a pending write.
    if (length == 0) {
        lock.unlock();
        return CompleteNow(overlapped, 0, bytesWritten);
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    DWORD done = 0;
    if (m_writes.Empty()) {
        if (int error = WriteSome(bytes, length, done)) {
            if (error == EIO) {
                MarkDead(EIO);
                return Fail(m_deadError);
            }
            return FailWithErrno(error);
        }
        if (done == length) {
            RecordEvents(EV_TXEMPTY);
            lock.unlock();
            return CompleteNow(overlapped, done, bytesWritten);
        }
    }
    auto request = std::make_unique<Request>();
    request->kind = Request::Kind::Write;
    request->overlapped = overlapped;
    request->writeData = bytes;
    request->length = length;
    request->done = done;
    const std::chrono::milliseconds total = PlanWrite(m_timeouts, length);
    if (total != std::chrono::milliseconds::zero())
        request->deadline = Clock::now() + total;
    return Issue(lock, std::move(request), bytesWritten);
}

int CommDevice::WriteSome(const std::uint8_t* data, DWORD length, DWORD& done)
{
    while (done < length) {
        const ssize_t written = ::write(m_fd, data + done, length - done);
        if (written > 0) {
            done += static_cast<DWORD>(written);
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        // Nothing taken now (a full terminal): the rest waits for room. A
        // zero count is never a lost device; a lost one reports EIO or a
        // hang-up.
        if (written == 0 || errno == EAGAIN)
            return 0;
        return errno;
    }
    return 0;
}

void CommDevice::ContinueWrites()
{
    bool progressed = false;
    while (!m_writes.Empty()) {
        Request& write = m_writes.Front();
        const DWORD before = write.done;
        const int error = WriteSome(write.writeData, write.length, write.done);
        progressed = progressed || write.done != before;
        if (error == EIO) {
            MarkDead(EIO);
            return;
        }
        if (error != 0)
            m_writes.FinishFront(Win32ErrorFromErrno(error));
        else if (write.done == write.length)
            m_writes.FinishFront(ERROR_SUCCESS);
        else
            return;  // the terminal is full: the queue has not drained
    }
    if (progressed)
        RecordEvents(EV_TXEMPTY);
}

void CommDevice::AwaitCompletion(const OVERLAPPED* overlapped)
{
    std::unique_lock lock(m_mutex);
    ++m_finish.waiters;
    m_finish.finished.wait(lock, [overlapped] { return LoadStatus(*overlapped) != kRequestPending; });
    --m_finish.waiters;
}

BOOL CommDevice::Cancel()
{
    std::lock_guard lock(m_mutex);
    if (m_closed)
        return Fail(ERROR_INVALID_HANDLE);
    FinishAll(ERROR_OPERATION_ABORTED, true, true, true, true);
    return TRUE;
}

void CommDevice::AfterInputTaken()
{
    // Hysteresis: let a stalled reader go on once half the queue is free, so
    // that draining in small reads does not wake it for every read.
    if (m_readerStalled && m_queue.Size() <= m_queueLimit / 2) {
        m_readerStalled = false;
        WakeService();
    }
}

void CommDevice::ServeReads()
{
    const auto now = Clock::now();
    while (!m_reads.Empty() && !m_queue.Empty()) {
        Request& read = m_reads.Front();
        read.done += static_cast<DWORD>(m_queue.Pop(read.readBuffer + read.done, read.length - read.done));
        read.lastByte = now;
        if (read.done < read.length && !read.anyByteCompletes)
            break;
        m_reads.FinishFront(ERROR_SUCCESS);
    }
}

void CommDevice::RecordEvents(DWORD events)
{
    events &= m_mask;
    if (events == 0)
        return;
    m_history |= events;
    if (!m_waits.Empty()) {
        const DWORD word = m_history;
        m_history = 0;
        m_waits.FinishFront(ERROR_SUCCESS, word);
    }
}

void CommDevice::RecordErrors(DWORD errors)
{
    if (errors == 0)
        return;
    m_errors |= errors;
    if (m_dcb.fAbortOnError)
        FinishAll(ERROR_OPERATION_ABORTED, true, true, false, false);
    if (errors & kLineErrors)
        RecordEvents(EV_ERR);
    if (errors & CE_BREAK)
        RecordEvents(EV_BREAK);
}

void CommDevice::MarkDead(int error)
{
    if (m_dead)
        return;
    m_dead = true;
    m_deadError = Win32ErrorFromErrno(error);
    // A read that already holds bytes ends with them rather than lose them.
    m_reads.FinishEach(
        [this](const Request& read) -> std::optional<DWORD> { return read.done > 0 ? ERROR_SUCCESS : m_deadError; });
    FinishAll(m_deadError, false, true, true, false);
}

}  // namespace tessaline::platform

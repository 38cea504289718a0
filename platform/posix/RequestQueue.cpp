#include "platform/posix/RequestQueue.h"

#include "platform/posix/OverlappedResult.h"

#include <algorithm>

namespace tessaline::platform {

bool Request::IsLate(Clock::time_point now) const
{
    return now >= deadline || (interval != Clock::duration::zero() && done > 0 && now >= lastByte + interval);
}

Clock::time_point Request::Deadline() const
{
    if (interval != Clock::duration::zero() && done > 0)
        return std::min(deadline, lastByte + interval);
    return deadline;
}

void RequestQueue::Finish(std::unique_ptr<Request> request, DWORD status, DWORD eventWord)
{
    if (request->kind == Request::Kind::Wait && request->eventWord)
        *request->eventWord = status == ERROR_SUCCESS ? eventWord : 0;
    if (request->overlapped)
        PublishResult(*request->overlapped, status, request->done);
    if (request->outcome) {
        request->outcome->status = status;
        request->outcome->done = request->done;
        request->outcome->finished = true;
    }
    if (request->event)
        request->event->Set();
    m_signal.Notify();
}

void RequestQueue::FinishFront(DWORD status, DWORD eventWord)
{
    std::unique_ptr<Request> request = std::move(m_requests.front());
    m_requests.pop_front();
    Finish(std::move(request), status, eventWord);
}

void RequestQueue::FinishAll(DWORD status, std::optional<std::thread::id> thread)
{
    FinishEach([&](const Request& request) -> std::optional<DWORD> {
        if (thread && request.thread != *thread)
            return std::nullopt;
        return status;
    });
}

void RequestQueue::Expire(Clock::time_point now)
{
    // A time-out is not an error: the request ends with what it moved.
    FinishEach([now](const Request& request) -> std::optional<DWORD> {
        if (!request.IsLate(now))
            return std::nullopt;
        return ERROR_SUCCESS;
    });
}

Clock::time_point RequestQueue::NextDeadline() const
{
    Clock::time_point next = Clock::time_point::max();
    for (const auto& request : m_requests)
        next = std::min(next, request->Deadline());
    return next;
}

}  // namespace tessaline::platform

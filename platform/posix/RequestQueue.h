// Pending requests of a communications device (reads, writes or the event
// wait) and their completion.
//
// A queue owns every request in it. Finishing a request stores its status
// and count in the caller's OVERLAPPED record, fills the event word of a
// wait, signals the record's event, hands the result to a caller blocked on
// it and frees the request.
//
// Threading: none of its own; the device guards its queues and its
// FinishSignal with its lock.
#pragma once

#include "platform/posix/KernelObject.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <thread>
#include <utility>

namespace tessaline::platform {

// Wakes the callers that block until some request has finished: synchronous
// requests and GetOverlappedResult with wait.
struct FinishSignal
{
    std::condition_variable finished;
    int waiters = 0;

    void Notify()
    {
        if (waiters > 0)
            finished.notify_all();
    }
};

// Where a synchronous request leaves its result for the caller blocked on it.
struct RequestOutcome
{
    bool finished = false;
    DWORD status = 0;
    DWORD done = 0;
};

struct Request
{
    enum class Kind { Read, Write, Wait };

    Kind kind = Kind::Read;
    OVERLAPPED* overlapped = nullptr;
    std::shared_ptr<Waitable> event;    // the record's event, reset when issued
    std::thread::id thread;             // the issuing thread, for CancelIo
    RequestOutcome* outcome = nullptr;  // set for a synchronous request
    std::uint8_t* readBuffer = nullptr;
    const std::uint8_t* writeData = nullptr;
    DWORD length = 0;
    DWORD done = 0;
    DWORD* eventWord = nullptr;
    Clock::time_point deadline = Clock::time_point::max();
    Clock::duration interval = Clock::duration::zero();  // zero: no interval time-out
    Clock::time_point lastByte{};
    bool anyByteCompletes = false;

    // Whether its total or, after a first byte, its interval time is up.
    bool IsLate(Clock::time_point now) const;
    // The earliest time it can run out.
    Clock::time_point Deadline() const;
};

class RequestQueue
{
public:
    explicit RequestQueue(FinishSignal& signal) : m_signal(signal) {}

    bool Empty() const { return m_requests.empty(); }
    Request& Front() { return *m_requests.front(); }
    const std::deque<std::unique_ptr<Request>>& Requests() const { return m_requests; }

    void Push(std::unique_ptr<Request> request) { m_requests.push_back(std::move(request)); }

    // Finishes the front request with `status` (and `eventWord` for a wait).
    void FinishFront(DWORD status, DWORD eventWord = 0);

    // Finishes every request, or with `thread` only the ones that thread
    // issued, keeping the order of the rest.
    void FinishAll(DWORD status, std::optional<std::thread::id> thread = std::nullopt);

    // Finishes every request with the status `statusOf` gives it; a request
    // for which it gives nothing stays.
    template <class StatusOf>
    void FinishEach(StatusOf statusOf);

    // Ends with success every request whose time is up at `now`.
    void Expire(Clock::time_point now);

    // The earliest time a request can run out; max() when none can.
    Clock::time_point NextDeadline() const;

private:
    void Finish(std::unique_ptr<Request> request, DWORD status, DWORD eventWord);

    FinishSignal& m_signal;
    std::deque<std::unique_ptr<Request>> m_requests;
};

template <class StatusOf>
void RequestQueue::FinishEach(StatusOf statusOf)
{
    std::deque<std::unique_ptr<Request>> kept;
    std::deque<std::pair<std::unique_ptr<Request>, DWORD>> finished;
    for (auto& request : m_requests) {
        const std::optional<DWORD> status = statusOf(*request);
        if (status)
            finished.emplace_back(std::move(request), *status);
        else
            kept.push_back(std::move(request));
    }
    m_requests.swap(kept);
    for (auto& [request, status] : finished)
        Finish(std::move(request), status, 0);
}

}  // namespace tessaline::platform

// An open communications device: the kernel object behind a handle that
// CreateFileA returned for a terminal.
//
// Each device has one service thread that waits in poll() on the terminal and
// on a wake-up eventfd. It moves received bytes through the error-mark parser
// into the user-space input queue (and stops reading while the queue is full),
// hands queued output to the terminal as it drains, records communication
// events, completes pending requests and ends read and write time-outs on a
// monotonic clock. Calls from any thread take the device lock; requests that
// can finish at once finish in the calling thread.
//
// Modem-line events (EV_CTS, EV_DSR, EV_RLSD, EV_RING) need a device with
// modem lines (TIOCMGET works at open); a device without them, such as a
// pty, refuses them in the mask. While the mask holds any of them, a
// ModemWatch thread waits for changes of those lines and reports them here;
// they go into the history like every other event. EV_RING is recorded on
// the ring indicator's trailing edge (on to off), as a UART reports it.
//
// Its parts live by role: CommDevice.cpp opens it and keeps its settings,
// CommTransfer.cpp takes reads, writes and event waits, CommService.cpp
// runs the service thread and turns line changes into events; the rules
// they follow are pure functions in CommSettings, CommTimeouts and
// RequestQueue.
//
// Threading: every member function may be called from any thread.
#pragma once

#include "platform/posix/InputQueue.h"
#include "platform/posix/KernelObject.h"
#include "platform/posix/MarkParser.h"
#include "platform/posix/ModemWatch.h"
#include "platform/posix/RequestQueue.h"
#include "platform/posix/TtyLine.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tessaline::platform {

class CommDevice final : public KernelObject
{
public:
    // Opens `path` exclusively and in raw mode. Returns null with the last
    // error set on failure.
    static std::shared_ptr<CommDevice> Open(const std::string& path, bool overlapped);

    CommDevice(const CommDevice&) = delete;
    CommDevice& operator=(const CommDevice&) = delete;
    ~CommDevice() override;

    // Completes every pending request with ERROR_OPERATION_ABORTED, stops the
    // service thread and closes the terminal.
    void OnHandleClosed() override;

    // Each returns TRUE, or FALSE with the last error set, as the Win32 call
    // of the same purpose does.
    BOOL Setup(DWORD inQueue, DWORD outQueue);
    BOOL GetState(DCB& dcb);
    BOOL SetState(const DCB& dcb);
    BOOL GetTimeouts(COMMTIMEOUTS& timeouts);
    BOOL SetTimeouts(const COMMTIMEOUTS& timeouts);
    BOOL SetMask(DWORD mask);
    BOOL GetMask(DWORD& mask);
    BOOL WaitEvent(DWORD* eventWord, OVERLAPPED* overlapped);
    BOOL ClearError(DWORD* errors, COMSTAT* status);
    BOOL GetModemStatus(DWORD& status);
    BOOL Escape(DWORD function);
    BOOL Purge(DWORD flags);
    BOOL Read(void* buffer, DWORD length, DWORD* bytesRead, OVERLAPPED* overlapped);
    BOOL Write(const void* data, DWORD length, DWORD* bytesWritten, OVERLAPPED* overlapped);
    // Blocks until the request `overlapped` describes has finished.
    void AwaitCompletion(const OVERLAPPED* overlapped);
    BOOL Cancel();

    // Feeds bytes to the receive path as if the terminal had delivered them,
    // error marks included (for tests of line conditions a pty cannot make).
    void InjectReceived(const std::uint8_t* data, std::size_t length);

private:
    struct LineCounts
    {
        long long frame = 0, parity = 0, overrun = 0, bufferOverrun = 0, breaks = 0;
    };

    static constexpr std::size_t kReadChunk = 65536;  // most bytes one read of the terminal takes

    CommDevice(int fd, int wakeFd, bool overlapped);

    // Status a call gets before it does anything: 0, or why it must fail.
    DWORD Refusal(bool clearingErrors) const;
    BOOL Fail(DWORD error) const;

    // Queues a request that cannot finish at once. On an overlapped handle
    // returns FALSE with ERROR_IO_PENDING; otherwise blocks until it finished.
    BOOL Issue(std::unique_lock<std::mutex>& lock, std::unique_ptr<Request> request, DWORD* count);
    RequestQueue& QueueOf(Request::Kind kind);
    void FinishAll(DWORD status, bool reads, bool writes, bool wait, bool onlyThisThread);
    void RecordEvents(DWORD events);
    void RecordErrors(DWORD errors);
    void Receive(const std::uint8_t* raw, std::size_t length, const LineCounts* delta);
    void ServeReads();
    void ContinueWrites();
    // Writes what the terminal takes now of `length - done` bytes at `data +
    // done`, advancing `done`. Returns 0 (all written, or the terminal is
    // full) or an errno value.
    int WriteSome(const std::uint8_t* data, DWORD length, DWORD& done);
    void ExpireTimeouts();
    void MarkDead(int error);
    // Makes the modem watch follow `lines` (TIOCM_ bits; 0 for none), with
    // m_mutex held. A watch that is replaced is moved to `retired`, to be
    // stopped once m_mutex is let go. Returns 0 or a Win32 error.
    DWORD WatchLines(int lines, std::unique_ptr<ModemWatch>& retired);
    // The modem watch read `lines`: records the events of what changed.
    void OnModemLines(int lines);
    void WakeService();
    void AfterInputTaken();
    bool ReadLineCounts(LineCounts& counts) const;
    // How the terminal's error counters moved since the last call, or null
    // where the driver keeps none.
    const LineCounts* ReadCountDelta();
    void ServiceLoop();
    // Waits in ppoll() for the terminal (while the device lives), a wake-up
    // or `deadline`; returns the terminal's poll events, 0 for none.
    short WaitForTerminal(bool alive, bool wantRead, bool wantWrite, Clock::time_point deadline);
    // Reads once what the terminal holds, as far as the queue has room; sets
    // `lost` on a read error. Called with m_readMutex held, without m_mutex.
    std::size_t ReadTerminal(std::vector<std::uint8_t>& raw, int& lost);
    std::size_t QueueRoom() const;  // with m_mutex held
    // True while someone hears of each arrival: a read is pending, or the
    // mask holds EV_RXCHAR or EV_RXFLAG (with m_mutex held).
    bool ListensForEachArrival() const;
    // After a read of `bytes`, when the terminal is read next while nobody
    // listens for each arrival, from the rate the input came at since the
    // last planned read, bytes pulled by callers meanwhile included (with
    // m_mutex held).
    void PlanDeferredRead(std::size_t bytes, Clock::time_point now);
    // Moves what the terminal holds into the input queue now, when the
    // service thread is deferring its reads and the queue holds fewer than
    // `wanted` bytes, so that a read or a status query sees every byte that
    // has arrived. Called without m_mutex.
    void PullDeferredInput(std::size_t wanted);
    void Shutdown();
    Clock::time_point NextDeadline() const;

    const int m_fd;
    const int m_wakeFd;
    bool m_fdsClosed = false;
    const bool m_overlapped;
    TtySavedSettings m_foundSettings;  // restored at close unless the device is gone
    bool m_hasModemLines = false;
    bool m_hasLineCounts = false;

    mutable std::mutex m_mutex;
    // Held by the service thread from counting the queue's room until the
    // bytes it read are queued, and by SetupComm around a change of the
    // queue's size (taken before m_mutex), so the terminal can be read
    // without m_mutex and still never overfill the queue.
    std::mutex m_readMutex;
    FinishSignal m_finish;  // a synchronous or awaited request finished
    std::thread m_service;
    bool m_stopping = false;
    bool m_closed = false;
    bool m_dead = false;
    DWORD m_deadError = 0;
    bool m_readerStalled = false;  // the service thread stopped reading: queue full
    bool m_wakePending = false;
    // While nobody listens for each arrival, the service thread reads the
    // terminal once per stretch of input instead of once per chunk: the
    // terminal is not polled for input until this time (service thread,
    // under m_mutex). m_deferring tells callers that bytes may be waiting
    // in the terminal.
    Clock::time_point m_readDeferredUntil{};
    Clock::time_point m_lastTerminalRead{};
    std::size_t m_pulledSinceRead = 0;  // by PullDeferredInput since the service thread last read
    std::atomic<bool> m_deferring{false};
    std::vector<std::uint8_t> m_pullBuffer;  // under m_readMutex

    InputQueue m_queue;
    std::size_t m_queueLimit = 4096;  // changed under m_readMutex and m_mutex
    DWORD m_outQueueSize = 4096;
    MarkParser m_parser;
    std::vector<std::uint8_t> m_parsed;
    LineCounts m_lastCounts;
    LineCounts m_countDelta;

    DCB m_dcb{};
    BYTE m_lineParity = 0;
    COMMTIMEOUTS m_timeouts{};
    DWORD m_mask = 0;
    DWORD m_history = 0;
    DWORD m_errors = 0;
    std::unique_ptr<ModemWatch> m_watch;  // while the mask holds modem events
    int m_modemLines = 0;                 // TIOCM_ bits the watch last reported

    RequestQueue m_reads{m_finish};
    RequestQueue m_writes{m_finish};
    RequestQueue m_waits{m_finish};  // at most one
};

}  // namespace tessaline::platform

// PortWriter: the one way bytes go out to an open port. Callers queue bytes
// and return at once; a writer thread of its own hands them to the port in
// the order they were queued, in chunks, each with an overlapped write of
// its own, so that a device that takes nothing (output held by XOFF or by
// CTS) never blocks the caller.
//
// The writer reports through `notify`, called on its thread without
// waiting: after each chunk that went out, when a write fails (the queue is
// then dropped and nothing more is written), and when a chunk has made no
// progress for kHeldAfterMs (output held). One report is outstanding at a
// time: the next comes only after the owner has taken the state with
// TakeState.
//
// Stop asks the thread to end, and the thread cancels its own pending write
// (CancelIo touches only the requests of the calling thread) before it
// ends; it returns at once even while output is held. The port must stay
// open from Start until Stop has returned.
//
// One event serves the writer for everything: it is the pending write's
// completion event, and Enqueue and Stop set it too. After each wake-up the
// writer resets it first and then looks at the write's result and the stop
// request, so that no signal is lost.
//
// Threading: Start, Stop, Enqueue and TakeState on the owner thread; the
// queue and the state are shared with the writer thread under a mutex.
#pragma once

#include "platform/win32.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

class CSerialPort;

namespace tessaline::app {

class PortWriter
{
public:
    static constexpr DWORD kHeldAfterMs = 1000;

    struct State
    {
        std::uint64_t queued = 0;   // bytes queued since Start
        std::uint64_t written = 0;  // of those, bytes the port took
        bool held = false;          // a chunk has been waiting for kHeldAfterMs
        DWORD error = 0;            // the write failure that stopped the writer, or 0
    };

    PortWriter();
    ~PortWriter();
    PortWriter(const PortWriter&) = delete;
    PortWriter& operator=(const PortWriter&) = delete;

    // Starts writing to `port`, open for overlapped I/O, in chunks of at
    // most `chunk` bytes; the state starts from zero. False when the
    // writer's events cannot be had.
    bool Start(CSerialPort& port, std::size_t chunk, std::function<void()> notify);
    // Ends the thread; bytes not yet written are dropped. The state stays
    // readable until the next Start.
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }

    // Queues `bytes` behind everything queued before; returns the number of
    // bytes queued since Start including these, or 0 when nothing was
    // queued (no bytes, or the writer is stopped or has failed).
    std::uint64_t Enqueue(std::string_view bytes);
    // Drops the queued bytes at positions [from, to) of the queued count
    // that the writer has not taken yet; the bytes behind them move up.
    // Returns how many were dropped.
    std::uint64_t Discard(std::uint64_t from, std::uint64_t to);

    // The state, and lets the writer report again.
    State TakeState();
    // The state, leaving the next report where it is.
    State PeekState() const;

private:
    void Run();
    // Takes up to a chunk from the queue into m_chunk; false on a stop
    // request.
    bool TakeChunk();
    // Writes m_chunk; 0 once all of it is written, else the error, or
    // kStopped when Stop interrupted the write.
    DWORD WriteChunk();
    // Waits for the write pending on m_record and returns its byte count in
    // `count`: 0, or the error, or kStopped when Stop came first (the write
    // is then cancelled and finished).
    DWORD AwaitWrite(DWORD& count);
    bool StopRequested();
    void Report();

    static constexpr DWORD kStopped = 0xFFFFFFFF;

    CSerialPort* m_port = nullptr;
    HANDLE m_handle = nullptr;
    HANDLE m_signal = nullptr;  // manual reset: a write finished, the queue grew or Stop asked
    OVERLAPPED m_record{};
    std::string m_chunk;  // the writer thread's copy of the chunk in flight
    std::size_t m_chunkSize = 1;
    std::function<void()> m_notify;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::string m_queue;           // bytes not yet taken, from m_queueStart on
    std::size_t m_queueStart = 0;  // bytes of m_queue already taken
    bool m_stopping = false;
    State m_state;
    std::atomic<bool> m_reportPending{false};
};

}  // namespace tessaline::app

#include "app/PortWriter.h"

#include "serial/SerialPort.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <system_error>

namespace tessaline::app {
namespace {

// Taken bytes are dropped from the front of the queue once they are this
// many and at least half of it, so that the queue never copies much.
constexpr std::size_t kCompactAt = 64 * 1024;

}  // namespace

PortWriter::PortWriter() = default;

PortWriter::~PortWriter()
{
    Stop();
    if (m_signal)
        CloseHandle(m_signal);
}

bool PortWriter::Start(CSerialPort& port, std::size_t chunk, std::function<void()> notify)
{
    Stop();
    if (!m_signal)
        m_signal = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!m_signal)
        return false;
    ResetEvent(m_signal);
    m_port = &port;
    m_handle = port.Handle();
    m_chunkSize = std::max<std::size_t>(chunk, 1);
    m_notify = std::move(notify);
    {
        std::lock_guard lock(m_mutex);
        m_queue.clear();
        m_queueStart = 0;
        m_stopping = false;
        m_state = State{};
    }
    m_reportPending.store(false);
    try {
        m_thread = std::thread(&PortWriter::Run, this);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void PortWriter::Stop()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
        m_queueStart = 0;
    }
    SetEvent(m_signal);
    m_thread.join();
    std::lock_guard lock(m_mutex);
    m_state.held = false;
}

std::uint64_t PortWriter::Enqueue(std::string_view bytes)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_thread.joinable() || m_stopping || m_state.error != 0 || bytes.empty())
            return 0;
        m_queue.append(bytes);
        m_state.queued += bytes.size();
    }
    SetEvent(m_signal);
    std::lock_guard lock(m_mutex);
    return m_state.queued;
}

std::uint64_t PortWriter::Discard(std::uint64_t from, std::uint64_t to)
{
    std::lock_guard lock(m_mutex);
    const std::uint64_t waiting = m_queue.size() - m_queueStart;
    const std::uint64_t taken = m_state.queued - waiting;
    from = std::max(from, taken);
    to = std::min(to, m_state.queued);
    if (to <= from)
        return 0;
    m_queue.erase(m_queueStart + static_cast<std::size_t>(from - taken), static_cast<std::size_t>(to - from));
    m_state.queued -= to - from;
    return to - from;
}

PortWriter::State PortWriter::TakeState()
{
    m_reportPending.store(false);
    std::lock_guard lock(m_mutex);
    return m_state;
}

PortWriter::State PortWriter::PeekState() const
{
    std::lock_guard lock(m_mutex);
    return m_state;
}

void PortWriter::Report()
{
    if (!m_reportPending.exchange(true) && m_notify)
        m_notify();
}

bool PortWriter::StopRequested()
{
    std::lock_guard lock(m_mutex);
    return m_stopping;
}

void PortWriter::Run()
{
    for (;;) {
        ResetEvent(m_signal);
        if (!TakeChunk())
            return;
        if (m_chunk.empty()) {
            WaitForSingleObject(m_signal, INFINITE);
            continue;
        }
        const DWORD error = WriteChunk();
        if (error == kStopped)
            return;
        if (error != 0) {
            {
                std::lock_guard lock(m_mutex);
                m_state.error = error;
                m_state.held = false;
                m_queue.clear();
                m_queueStart = 0;
            }
            Report();
            return;
        }
    }
}

bool PortWriter::TakeChunk()
{
    std::lock_guard lock(m_mutex);
    if (m_stopping)
        return false;
    const std::size_t length = std::min(m_chunkSize, m_queue.size() - m_queueStart);
    m_chunk.assign(m_queue, m_queueStart, length);
    m_queueStart += length;
    if (m_queueStart == m_queue.size()) {
        m_queue.clear();
        m_queueStart = 0;
    } else if (m_queueStart >= kCompactAt && m_queueStart * 2 >= m_queue.size()) {
        m_queue.erase(0, m_queueStart);
        m_queueStart = 0;
    }
    return true;
}

DWORD PortWriter::WriteChunk()
{
    std::size_t done = 0;
    while (done < m_chunk.size()) {
        std::memset(&m_record, 0, sizeof m_record);
        m_record.hEvent = m_signal;
        const auto length = static_cast<DWORD>(m_chunk.size() - done);
        DWORD count = 0;
        if (const LONG status = m_port->Write(m_chunk.data() + done, length, &count, &m_record))
            return static_cast<DWORD>(status);
        if (const DWORD status = AwaitWrite(count))
            return status;
        // Without write time-outs a write ends only when all of it went out.
        if (count == 0)
            return ERROR_WRITE_FAULT;
        done += count;
        {
            std::lock_guard lock(m_mutex);
            m_state.written += count;
            m_state.held = false;
        }
        Report();
    }
    return 0;
}

DWORD PortWriter::AwaitWrite(DWORD& count)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point heldAt = Clock::now() + std::chrono::milliseconds(kHeldAfterMs);
    bool reportedHeld = false;
    for (;;) {
        if (GetOverlappedResult(m_handle, &m_record, &count, FALSE))
            return 0;
        const DWORD error = GetLastError();
        if (error != ERROR_IO_INCOMPLETE)
            return error;
        if (StopRequested()) {
            CancelIo(m_handle);
            DWORD ignored = 0;
            GetOverlappedResult(m_handle, &m_record, &ignored, TRUE);
            return kStopped;
        }
        DWORD timeoutMs = INFINITE;
        if (!reportedHeld) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(heldAt - Clock::now()).count();
            timeoutMs = static_cast<DWORD>(std::max<long long>(left, 0));
        }
        const DWORD waited = WaitForSingleObject(m_signal, timeoutMs);
        if (waited == WAIT_TIMEOUT) {
            {
                std::lock_guard lock(m_mutex);
                m_state.held = true;
            }
            reportedHeld = true;
            Report();
            continue;
        }
        if (waited != WAIT_OBJECT_0) {
            const DWORD waitError = GetLastError();
            CancelIo(m_handle);
            DWORD ignored = 0;
            GetOverlappedResult(m_handle, &m_record, &ignored, TRUE);
            return waitError != 0 ? waitError : ERROR_GEN_FAILURE;
        }
        // Reset before looking again: a completion or a stop request after
        // this point sets it anew.
        ResetEvent(m_signal);
    }
}

}  // namespace tessaline::app

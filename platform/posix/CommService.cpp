// The service thread of a communications device and its receive path: it
// waits in ppoll() on the terminal, a wake-up eventfd and the next request
// deadline, moves received bytes through the error-mark parser into the
// input queue, hands queued output on and ends requests whose time is up;
// and modem-line changes the modem watch reports become events.
//
// While nobody listens for each arrival (no read pending, neither EV_RXCHAR
// nor EV_RXFLAG in the mask) a stream of input is read in stretches: after a
// read the terminal is left alone for about as long as three eighths of a
// 4 KiB kernel buffer take to fill at the rate seen (bytes that callers
// pulled meanwhile counted in), and never longer than kMaxReadDeferral or
// than they take at the line's top speed. A stream then costs a few
// wake-ups a second instead of one per chunk the device delivers. A read, a
// status query, a change of the mask or a hang-up ends the wait at once, so
// every observable count stays exact.
#include "platform/posix/CommDevice.h"

#include <linux/serial.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tessaline::platform {
namespace {

// Bytes the kernel may gather while the terminal is left alone: three
// eighths of the 4 KiB line-discipline buffer of a real UART. The rest is
// the margin for a read that comes late on a busy machine, and for input
// that comes in bursts (a USB adapter hands bytes over in frames), which
// make the rate seen swing from one read to the next.
constexpr double kDeferredBytes = 1536;
constexpr auto kMaxReadDeferral = std::chrono::milliseconds(150);
constexpr auto kMinReadDeferral = std::chrono::milliseconds(2);

}  // namespace

void CommDevice::ServiceLoop()
{
    std::vector<std::uint8_t> raw(kReadChunk);
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        const bool alive = !m_dead;
        const std::size_t room = QueueRoom();
        m_readerStalled = alive && room == 0;
        const bool wantWrite = alive && !m_writes.Empty();
        Clock::time_point deadline = NextDeadline();
        const bool deferring = alive && room > 0 && !ListensForEachArrival() && Clock::now() < m_readDeferredUntil;
        if (deferring)
            deadline = std::min(deadline, m_readDeferredUntil);
        m_deferring.store(deferring);
        m_wakePending = false;
        lock.unlock();

        const short events = WaitForTerminal(alive, room > 0 && !deferring, wantWrite, deadline);
        // The terminal is read without m_mutex, so that a caller taking
        // bytes from the queue never waits for this thread's system call.
        // m_readMutex keeps the queue's size fixed from counting the room
        // until the bytes are queued; only this thread adds device bytes, so
        // the room can only grow meanwhile. The terminal is non-blocking:
        // the read never waits.
        std::unique_lock readLock(m_readMutex, std::defer_lock);
        int lost = 0;
        std::size_t received = 0;
        // A hung-up device may still hold input: it is read first, and the
        // loss is taken once nothing more comes.
        const bool hangUp = (events & (POLLERR | POLLHUP | POLLNVAL)) != 0;
        if (hangUp && !(events & POLLIN))
            lost = EIO;
        if ((events & POLLIN) && !(events & POLLNVAL)) {
            readLock.lock();
            received = ReadTerminal(raw, lost);
            if (hangUp && received == 0 && lost == 0)
                lost = EIO;
        }

        lock.lock();
        if (m_stopping)
            break;
        if (m_dead)
            received = 0;
        if (received > 0) {
            Receive(raw.data(), received, ReadCountDelta());
            PlanDeferredRead(received, Clock::now());
        }
        if (lost != 0)
            MarkDead(lost);
        if (wantWrite && !m_dead && (events & POLLOUT))
            ContinueWrites();
        ExpireTimeouts();
    }
}

bool CommDevice::ListensForEachArrival() const
{
    return !m_reads.Empty() || (m_mask & (EV_RXCHAR | EV_RXFLAG)) != 0;
}

void CommDevice::PlanDeferredRead(std::size_t bytes, Clock::time_point now)
{
    const auto elapsed = now - m_lastTerminalRead;
    m_lastTerminalRead = now;
    m_readDeferredUntil = Clock::time_point{};
    // What callers pulled in between came at the same rate: left out, it
    // would make the rate look lower and the next wait too long for the
    // terminal's buffer.
    bytes += m_pulledSinceRead;
    m_pulledSinceRead = 0;
    // The first bytes after a pause give no rate yet: the next ones are read
    // as they come, and the stretch starts once a rate has been seen.
    if (ListensForEachArrival() || elapsed > kMaxReadDeferral + std::chrono::milliseconds(50))
        return;
    auto deferral = std::min<Clock::duration>(
        std::chrono::duration_cast<Clock::duration>(elapsed * (kDeferredBytes / bytes)), kMaxReadDeferral);
    // Nor longer than those bytes take at the line's own top speed (a start
    // and a stop bit around each character): input that speeds up to it
    // meanwhile still fits in the buffer.
    if (m_dcb.BaudRate > 0) {
        const double topRate = m_dcb.BaudRate / (2.0 + std::max<BYTE>(m_dcb.ByteSize, 5));
        deferral = std::min(deferral, std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double>(kDeferredBytes / topRate)));
    }
    if (deferral >= kMinReadDeferral)
        m_readDeferredUntil = now + deferral;
}

void CommDevice::PullDeferredInput(std::size_t wanted)
{
    if (!m_deferring.load())
        return;
    std::unique_lock readLock(m_readMutex);
    {
        std::lock_guard lock(m_mutex);
        if (m_queue.Size() >= wanted)
            return;
    }
    if (m_pullBuffer.empty())
        m_pullBuffer.resize(kReadChunk);
    int lost = 0;
    const std::size_t received = ReadTerminal(m_pullBuffer, lost);
    std::lock_guard lock(m_mutex);
    if (received > 0 && !m_closed && !m_dead) {
        Receive(m_pullBuffer.data(), received, ReadCountDelta());
        m_pulledSinceRead += received;
    }
    // A loss is left for the service thread, which sees the hang-up at once.
}

std::size_t CommDevice::QueueRoom() const
{
    return m_queue.Size() < m_queueLimit ? m_queueLimit - m_queue.Size() : 0;
}

short CommDevice::WaitForTerminal(bool alive, bool wantRead, bool wantWrite, Clock::time_point deadline)
{
    pollfd fds[2] = {{m_wakeFd, POLLIN, 0},
                     {m_fd, static_cast<short>((wantRead ? POLLIN : 0) | (wantWrite ? POLLOUT : 0)), 0}};
    timespec timeout{};
    timespec* timeoutPointer = nullptr;
    if (deadline != Clock::time_point::max()) {
        const auto left = std::max(Clock::duration::zero(), deadline - Clock::now());
        const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        timeout.tv_sec = static_cast<time_t>(nanoseconds / 1000000000);
        timeout.tv_nsec = static_cast<long>(nanoseconds % 1000000000);
        timeoutPointer = &timeout;
    }
    const int ready = ppoll(fds, alive ? 2 : 1, timeoutPointer, nullptr);
    if (ready <= 0)
        return 0;
    if (fds[0].revents & POLLIN) {
        std::uint64_t count = 0;
        [[maybe_unused]] auto drained = ::read(m_wakeFd, &count, sizeof count);
    }
    return alive ? fds[1].revents : 0;
}

std::size_t CommDevice::ReadTerminal(std::vector<std::uint8_t>& raw, int& lost)
{
    std::size_t room = 0;
    {
        std::lock_guard count(m_mutex);
        room = QueueRoom();
    }
    while (room > 0) {
        const ssize_t n = ::read(m_fd, raw.data(), std::min(room, raw.size()));
        if (n > 0)
            return static_cast<std::size_t>(n);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            lost = errno;
        break;
    }
    return 0;
}

void CommDevice::Receive(const std::uint8_t* raw, std::size_t length, const LineCounts* delta)
{
    if (m_parsed.size() < length + 1)
        m_parsed.resize(length + 1);
    const MarkParser::Result parsed = m_parser.Feed(raw, length, m_parsed.data());
    DWORD errors = 0;
    if (parsed.breaks)
        errors |= CE_BREAK;
    if (delta) {
        if (delta->frame)
            errors |= CE_FRAME;
        if (delta->parity)
            errors |= CE_RXPARITY;
        if (delta->overrun)
            errors |= CE_OVERRUN;
        if (delta->bufferOverrun)
            errors |= CE_RXOVER;
        if (delta->breaks)
            errors |= CE_BREAK;
    }
    // Without counters to tell them apart, a marked character is a parity
    // error when parity is on and a framing error otherwise.
    if (parsed.errors && !(errors & (CE_FRAME | CE_RXPARITY)))
        errors |= m_lineParity != NOPARITY ? CE_RXPARITY : CE_FRAME;

    DWORD events = 0;
    if (parsed.dataBytes > 0) {
        const std::size_t before = m_queue.Size();
        m_queue.Push(m_parsed.data(), parsed.dataBytes);
        events |= EV_RXCHAR;
        if ((m_mask & EV_RXFLAG) &&
            std::memchr(m_parsed.data(), static_cast<unsigned char>(m_dcb.EvtChar), parsed.dataBytes))
            events |= EV_RXFLAG;
        const std::size_t nearlyFull = m_queueLimit - m_queueLimit / 5;
        if (before < nearlyFull && m_queue.Size() >= nearlyFull)
            events |= EV_RX80FULL;
    }
    RecordErrors(errors);
    RecordEvents(events);
    ServeReads();
}

void CommDevice::OnModemLines(int lines)
{
    std::lock_guard lock(m_mutex);
    if (m_closed || m_stopping || m_dead)
        return;
    const int changed = lines ^ m_modemLines;
    m_modemLines = lines;
    DWORD events = 0;
    if (changed & TIOCM_CTS)
        events |= EV_CTS;
    if (changed & TIOCM_DSR)
        events |= EV_DSR;
    if (changed & TIOCM_CD)
        events |= EV_RLSD;
    // A ring is told when the indicator goes off again, as a UART's
    // trailing-edge ring bit tells it.
    if ((changed & TIOCM_RNG) && !(lines & TIOCM_RNG))
        events |= EV_RING;
    RecordEvents(events);
}

void CommDevice::InjectReceived(const std::uint8_t* data, std::size_t length)
{
    std::lock_guard lock(m_mutex);
    if (m_closed || m_dead)
        return;
    Receive(data, length, nullptr);
}

Clock::time_point CommDevice::NextDeadline() const
{
    return std::min(m_reads.NextDeadline(), m_writes.NextDeadline());
}

void CommDevice::ExpireTimeouts()
{
    if (m_reads.Empty() && m_writes.Empty())
        return;
    const auto now = Clock::now();
    m_reads.Expire(now);
    m_writes.Expire(now);
}

bool CommDevice::ReadLineCounts(LineCounts& counts) const
{
    serial_icounter_struct raw{};
    if (ioctl(m_fd, TIOCGICOUNT, &raw) != 0)
        return false;
    counts.frame = raw.frame;
    counts.parity = raw.parity;
    counts.overrun = raw.overrun;
    counts.bufferOverrun = raw.buf_overrun;
    counts.breaks = raw.brk;
    return true;
}

const CommDevice::LineCounts* CommDevice::ReadCountDelta()
{
    if (!m_hasLineCounts)
        return nullptr;
    LineCounts now;
    if (!ReadLineCounts(now))
        return nullptr;
    m_countDelta.frame = now.frame - m_lastCounts.frame;
    m_countDelta.parity = now.parity - m_lastCounts.parity;
    m_countDelta.overrun = now.overrun - m_lastCounts.overrun;
    m_countDelta.bufferOverrun = now.bufferOverrun - m_lastCounts.bufferOverrun;
    m_countDelta.breaks = now.breaks - m_lastCounts.breaks;
    m_lastCounts = now;
    return &m_countDelta;
}

}  // namespace tessaline::platform

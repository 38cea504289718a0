#include "platform/posix/comm_device.h"

#include "platform/posix/errors.h"
#include "platform/posix/open_failure_record.h"
#include "platform/posix/tty_line.h"

#include <linux/serial.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaline::platform {
namespace {

constexpr DWORD kModemEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;
constexpr DWORD kLineErrors = CE_FRAME | CE_OVERRUN | CE_RXPARITY;
constexpr DWORD kAllEvents = 0x1FFF;
constexpr std::uint64_t kLongestTimeoutMs = 1000ull * 60 * 60 * 24 * 30;  // beyond this: no time-out
constexpr std::size_t kReadChunk = 65536;

std::uint64_t TimeoutMs(DWORD multiplier, DWORD length, DWORD constant)
{
    return static_cast<std::uint64_t>(multiplier) * length + constant;
}

void StoreResult(OVERLAPPED* overlapped, DWORD status, DWORD count)
{
    // The count first: whoever sees the status with an acquire load sees it.
    __atomic_store_n(&overlapped->InternalHigh, static_cast<ULONG_PTR>(count), __ATOMIC_RELEASE);
    __atomic_store_n(&overlapped->Internal, static_cast<ULONG_PTR>(status), __ATOMIC_RELEASE);
}

// A request that finished at once: result, count, and the record's event.
BOOL CompleteNow(OVERLAPPED* overlapped, DWORD count, DWORD* countOut)
{
    if (countOut)
        *countOut = count;
    if (overlapped) {
        StoreResult(overlapped, ERROR_SUCCESS, count);
        if (overlapped->hEvent)
            SignalEventHandle(overlapped->hEvent);
    }
    return TRUE;
}

}  // namespace

struct CommDevice::Request {
    enum class Kind { Read, Write, Wait };

    Kind kind = Kind::Read;
    OVERLAPPED* overlapped = nullptr;
    std::shared_ptr<Waitable> event;
    std::thread::id thread;
    std::uint8_t* readBuffer = nullptr;
    const std::uint8_t* writeData = nullptr;
    DWORD length = 0;
    DWORD done = 0;
    DWORD* eventWord = nullptr;
    Clock::time_point deadline = Clock::time_point::max();
    Clock::duration interval = Clock::duration::zero();  // zero: no interval time-out
    Clock::time_point lastByte{};
    bool anyByteCompletes = false;
    bool synchronous = false;
    bool finished = false;
    DWORD status = 0;
};

CommDevice::CommDevice(int fd, int wakeFd, bool overlapped) : m_fd(fd), m_wakeFd(wakeFd), m_overlapped(overlapped)
{
    m_parsed.resize(kReadChunk + 1);
    m_dcb.DCBlength = sizeof(DCB);
    m_dcb.BaudRate = 9600;
    m_dcb.fBinary = 1;
    m_dcb.fDtrControl = DTR_CONTROL_ENABLE;
    m_dcb.fRtsControl = RTS_CONTROL_ENABLE;
    m_dcb.XonLim = 2048;
    m_dcb.XoffLim = 512;
    m_dcb.ByteSize = 8;
    m_dcb.XonChar = 0x11;
    m_dcb.XoffChar = 0x13;
}

CommDevice::~CommDevice()
{
    Shutdown();
}

std::shared_ptr<CommDevice> CommDevice::Open(const std::string& path, bool overlapped)
{
    auto refuse = [&path](int error, std::optional<OpenFailureKind> kind = std::nullopt) -> std::shared_ptr<CommDevice> {
        if (kind)
            RecordOpenFailure(path, *kind, error);
        else
            RecordOpenFailure(path, error);
        FailWithErrno(error);
        return nullptr;
    };
    // Only a character device is opened: opening a FIFO or a regular file
    // could block, or leave it changed.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return refuse(errno);
    if (!S_ISCHR(info.st_mode))
        return refuse(S_ISDIR(info.st_mode) ? EISDIR : ENOTTY, OpenFailureKind::NotATerminal);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return refuse(errno);
    auto fail = [fd, &refuse](int error, bool exclusive,
                              std::optional<OpenFailureKind> kind = std::nullopt) -> std::shared_ptr<CommDevice> {
        if (exclusive)
            ioctl(fd, TIOCNXCL);
        ::close(fd);
        return refuse(error, kind);
    };
    if (!isatty(fd))
        return fail(ENOTTY, false, OpenFailureKind::NotATerminal);
    // flock keeps out every other opener, root included; TIOCEXCL also keeps
    // out programs that do not take the lock (except root).
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        return fail(errno == EWOULDBLOCK ? EBUSY : errno, false);
    if (ioctl(fd, TIOCEXCL) != 0)
        return fail(errno, false);
    // What the terminal was set to goes back on at close.
    TtySavedSettings found;
    if (int error = TtySaveSettings(fd, found))
        return fail(error, true);
    if (int error = TtyMakeRaw(fd))
        return fail(error, true);
    const int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0) {
        const int error = errno;
        TtyRestoreSettings(fd, found);
        return fail(error, true);
    }

    std::shared_ptr<CommDevice> device(new CommDevice(fd, wakeFd, overlapped));
    device->m_foundSettings = found;
    int lines = 0;
    if (ioctl(fd, TIOCMGET, &lines) == 0) {
        device->m_hasModemLines = true;
        lines = TIOCM_DTR | TIOCM_RTS;
        ioctl(fd, TIOCMBIS, &lines);
    }
    device->m_hasLineCounts = device->ReadLineCounts(device->m_lastCounts);
    TtyLineSettings line;
    if (TtyReadLine(fd, line) == 0) {
        device->m_dcb.BaudRate = line.baudRate;
        device->m_dcb.ByteSize = line.byteSize;
        device->m_dcb.Parity = line.parity;
        device->m_dcb.StopBits = line.stopBits;
        device->m_dcb.XonChar = line.xonChar;
        device->m_dcb.XoffChar = line.xoffChar;
        device->m_dcb.fParity = line.parity != NOPARITY;
        if (line.rtsCtsFlow) {
            device->m_dcb.fOutxCtsFlow = 1;
            device->m_dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
        }
        device->m_lineParity = line.parity;
    }
    try {
        device->m_service = std::thread(&CommDevice::ServiceLoop, device.get());
    } catch (const std::system_error&) {
        device.reset();
        RecordOpenFailure(path, OpenFailureKind::Other, ENOMEM);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return device;
}

void CommDevice::OnHandleClosed()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_closed)
            return;
        m_closed = true;
        FinishAll(ERROR_OPERATION_ABORTED, true, true, true, false);
    }
    Shutdown();
}

void CommDevice::Shutdown()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        const std::uint64_t one = 1;
        [[maybe_unused]] auto written = ::write(m_wakeFd, &one, sizeof one);
    }
    if (m_service.joinable())
        m_service.join();
    if (!m_fdsClosed) {
        m_fdsClosed = true;
        // A device that is gone has no settings to give back.
        bool dead = false;
        {
            std::lock_guard lock(m_mutex);
            dead = m_dead;
        }
        if (!dead)
            TtyRestoreSettings(m_fd, m_foundSettings);
        ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
        ::close(m_wakeFd);
    }
}

DWORD CommDevice::Refusal(bool clearingErrors) const
{
    if (m_closed)
        return ERROR_INVALID_HANDLE;
    if (m_dead)
        return m_deadError;
    if (!clearingErrors && m_dcb.fAbortOnError && m_errors != 0)
        return ERROR_OPERATION_ABORTED;
    return 0;
}

BOOL CommDevice::Fail(DWORD error) const
{
    SetLastError(error);
    return FALSE;
}

void CommDevice::WakeService()
{
    if (m_wakePending)
        return;
    m_wakePending = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(m_wakeFd, &one, sizeof one);
}

BOOL CommDevice::Setup(DWORD inQueue, DWORD outQueue)
{
    std::lock_guard readLock(m_readMutex);
    std::lock_guard lock(m_mutex);
    if (DWORD refusal = Refusal(false))
        return Fail(refusal);
    if (inQueue != 0) {
        m_queueLimit = inQueue;
        if (m_readerStalled) {
            m_readerStalled = false;
            WakeService();
        }
    }
    if (outQueue != 0)
        m_outQueueSize = outQueue;
    return TRUE;
}

BOOL CommDevice::GetState(DCB& dcb)
{
    std::lock_guard lock(m_mutex);
    if (DWORD refusal = Refusal(false))
        return Fail(refusal);
    TtyLineSettings line;
    if (int error = TtyReadLine(m_fd, line))
        return FailWithErrno(error);
    dcb = m_dcb;
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = line.baudRate;
    dcb.ByteSize = line.byteSize;
    dcb.Parity = line.parity;
    dcb.StopBits = line.stopBits;
    dcb.fOutX = line.outputXonXoff;
    dcb.fInX = line.inputXonXoff;
    dcb.XonChar = line.xonChar;
    dcb.XoffChar = line.xoffChar;
    return TRUE;
}

BOOL CommDevice::SetState(const DCB& dcb)
{
    // The whole DCB is checked before the device is touched.
    const bool sizeOk = dcb.ByteSize >= 5 && dcb.ByteSize <= 8;
    const bool codesOk = dcb.Parity <= SPACEPARITY && dcb.StopBits <= TWOSTOPBITS;
    const bool stopOk = !(dcb.StopBits == ONE5STOPBITS && dcb.ByteSize != 5) &&
                        !(dcb.StopBits == TWOSTOPBITS && dcb.ByteSize == 5);
    const bool xonXoffOk = !((dcb.fOutX || dcb.fInX) && dcb.XonChar == dcb.XoffChar);
    if (dcb.BaudRate == 0 || !sizeOk || !codesOk || !stopOk || !xonXoffOk || dcb.fDtrControl > DTR_CONTROL_HANDSHAKE)
        return Fail(ERROR_INVALID_PARAMETER);

    std::lock_guard lock(m_mutex);
    if (DWORD refusal = Refusal(false))
        return Fail(refusal);
    TtyLineSettings line;
    line.baudRate = dcb.BaudRate;
    line.byteSize = dcb.ByteSize;
    line.parity = dcb.Parity;
    line.stopBits = dcb.StopBits;
    line.rtsCtsFlow = dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
    line.outputXonXoff = dcb.fOutX;
    line.inputXonXoff = dcb.fInX;
    line.xonChar = dcb.XonChar;
    line.xoffChar = dcb.XoffChar;
    if (int error = TtyApplyLine(m_fd, line))
        return FailWithErrno(error);

    if (m_hasModemLines) {
        // DTR/DSR handshaking has no Linux counterpart: DTR stays on. RTS
        // handshaking is the terminal's CRTSCTS; toggling is left on.
        int on = 0;
        int off = 0;
        (dcb.fDtrControl == DTR_CONTROL_DISABLE ? off : on) |= TIOCM_DTR;
        (dcb.fRtsControl == RTS_CONTROL_DISABLE ? off : on) |= TIOCM_RTS;
        if ((on && ioctl(m_fd, TIOCMBIS, &on) != 0) || (off && ioctl(m_fd, TIOCMBIC, &off) != 0)) {
            if (errno != ENOTTY && errno != EINVAL)
                return FailWithErrno(errno);
        }
    }
    m_dcb = dcb;
    m_dcb.DCBlength = sizeof(DCB);
    TtyLineSettings applied;
    m_lineParity = TtyReadLine(m_fd, applied) == 0 ? applied.parity : dcb.Parity;
    MarkParser::Options options;
    options.replaceErrors = dcb.fErrorChar;
    options.errorChar = dcb.ErrorChar;
    options.discardNulls = dcb.fNull;
    m_parser.SetOptions(options);
    return TRUE;
}

BOOL CommDevice::GetTimeouts(COMMTIMEOUTS& timeouts)
{
    std::lock_guard lock(m_mutex);
    if (DWORD refusal = Refusal(false))
        return Fail(refusal);
    timeouts = m_timeouts;
    return TRUE;
}

BOOL CommDevice::SetTimeouts(const COMMTIMEOUTS& timeouts)
{
    if (timeouts.ReadIntervalTimeout == MAXDWORD && timeouts.ReadTotalTimeoutMultiplier == MAXDWORD &&
        timeouts.ReadTotalTimeoutConstant == MAXDWORD)
        return Fail(ERROR_INVALID_PARAMETER);
    std::lock_guard lock(m_mutex);
    if (DWORD refusal = Refusal(false))
        return Fail(refusal);
    m_timeouts = timeouts;
    return TRUE;
}

BOOL CommDevice::SetMask(DWORD mask)
{
    std::lock_guard lock(m_mutex);
    if (DWORD refusal = Refusal(false))
        return Fail(refusal);
    if (mask & ~kAllEvents)
        return Fail(ERROR_INVALID_PARAMETER);
    // Modem-line changes are not watched: a wait for them could only end by
    // accident, so the mask is refused instead.
    if (mask & kModemEvents)
        return Fail(ERROR_NOT_SUPPORTED);
    m_mask = mask;
    m_history &= mask;
    if (m_wait) {
        Request* wait = m_wait;
        m_wait = nullptr;
        Finish(wait, ERROR_SUCCESS, 0);
    }
    return TRUE;
}

BOOL CommDevice::GetMask(DWORD& mask)
{
    std::lock_guard lock(m_mutex);
    if (DWORD refusal = Refusal(false))
        return Fail(refusal);
    mask = m_mask;
    return TRUE;
}

BOOL CommDevice::Issue(std::unique_lock<std::mutex>& lock, Request& request, bool synchronous, DWORD* count)
{
    request.thread = std::this_thread::get_id();
    request.synchronous = synchronous;
    if (request.overlapped) {
        StoreResult(request.overlapped, static_cast<DWORD>(kRequestPending), 0);
        if (request.overlapped->hEvent) {
            const DWORD saved = GetLastError();
            request.event = LookupHandleAs<Waitable>(request.overlapped->hEvent);
            SetLastError(saved);
            if (request.event)
                request.event->Reset();
        }
    }
    Request* pending = synchronous ? &request : new Request(request);
    switch (request.kind) {
    case Request::Kind::Read: m_reads.push_back(pending); break;
    case Request::Kind::Write: m_writes.push_back(pending); break;
    case Request::Kind::Wait: m_wait = pending; break;
    }
    if (request.kind == Request::Kind::Write || request.deadline != Clock::time_point::max() ||
        request.interval != Clock::duration::zero())
        WakeService();
    if (!synchronous)
        return Fail(ERROR_IO_PENDING);
    ++m_finishWaiters;
    m_finished.wait(lock, [&request] { return request.finished; });
    --m_finishWaiters;
    if (count && request.kind != Request::Kind::Wait)
        *count = request.done;
    return request.status == ERROR_SUCCESS ? TRUE : Fail(request.status);
}

void CommDevice::Finish(Request* request, DWORD status, DWORD eventWord)
{
    if (request->kind == Request::Kind::Wait && request->eventWord)
        *request->eventWord = status == ERROR_SUCCESS ? eventWord : 0;
    if (request->overlapped)
        StoreResult(request->overlapped, status, request->done);
    request->status = status;
    request->finished = true;
    if (request->event)
        request->event->Set();
    if (m_finishWaiters > 0)
        m_finished.notify_all();
    if (!request->synchronous)
        delete request;
}

void CommDevice::FinishAll(DWORD status, bool reads, bool writes, bool wait, bool onlyThisThread)
{
    const auto self = std::this_thread::get_id();
    auto take = [&](std::deque<Request*>& queue) {
        std::deque<Request*> kept;
        std::vector<Request*> finished;
        for (Request* request : queue) {
            if (onlyThisThread && request->thread != self)
                kept.push_back(request);
            else
                finished.push_back(request);
        }
        queue.swap(kept);
        for (Request* request : finished)
            Finish(request, status);
    };
    if (reads)
        take(m_reads);
    if (writes)
        take(m_writes);
    if (wait && m_wait && (!onlyThisThread || m_wait->thread == self)) {
        Request* pending = m_wait;
        m_wait = nullptr;
        Finish(pending, status);
    }
}

BOOL CommDevice::WaitEvent(DWORD* eventWord, OVERLAPPED* overlapped)
{
    if (eventWord == nullptr || (m_overlapped && overlapped == nullptr))
        return Fail(ERROR_INVALID_PARAMETER);
    std::unique_lock lock(m_mutex);
    if (DWORD refusal = Refusal(false))
        return Fail(refusal);
    if (m_mask == 0 || m_wait != nullptr)
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
    Request request;
    request.kind = Request::Kind::Wait;
    request.overlapped = overlapped;
    request.eventWord = eventWord;
    return Issue(lock, request, !m_overlapped, nullptr);
}

void CommDevice::RecordEvents(DWORD events)
{
    events &= m_mask;
    if (events == 0)
        return;
    m_history |= events;
    if (m_wait) {
        Request* wait = m_wait;
        m_wait = nullptr;
        const DWORD word = m_history;
        m_history = 0;
        Finish(wait, ERROR_SUCCESS, word);
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

BOOL CommDevice::ClearError(DWORD* errors, COMSTAT* status)
{
    std::lock_guard lock(m_mutex);
    if (DWORD refusal = Refusal(true))
        return Fail(refusal);
    if (errors)
        *errors = m_errors;
    m_errors = 0;
    if (status) {
        std::memset(status, 0, sizeof *status);
        status->cbInQue = static_cast<DWORD>(m_queue.Size());
        std::size_t pending = 0;
        for (const Request* write : m_writes)
            pending += write->length - write->done;
        const int inKernel = TtyOutputQueued(m_fd);
        status->cbOutQue = static_cast<DWORD>(pending + (inKernel > 0 ? static_cast<std::size_t>(inKernel) : 0));
    }
    return TRUE;
}

BOOL CommDevice::GetModemStatus(DWORD& status)
{
    std::lock_guard lock(m_mutex);
    if (DWORD refusal = Refusal(false))
        return Fail(refusal);
    int lines = 0;
    if (ioctl(m_fd, TIOCMGET, &lines) != 0)
        return FailWithErrno(errno);
    status = ((lines & TIOCM_CTS) ? MS_CTS_ON : 0) | ((lines & TIOCM_DSR) ? MS_DSR_ON : 0) |
             ((lines & TIOCM_RNG) ? MS_RING_ON : 0) | ((lines & TIOCM_CAR) ? MS_RLSD_ON : 0);
    return TRUE;
}

BOOL CommDevice::Escape(DWORD function)
{
    std::lock_guard lock(m_mutex);
    if (DWORD refusal = Refusal(false))
        return Fail(refusal);
    int line = 0;
    unsigned long request = 0;
    switch (function) {
    case SETDTR: line = TIOCM_DTR; request = TIOCMBIS; break;
    case CLRDTR: line = TIOCM_DTR; request = TIOCMBIC; break;
    case SETRTS: line = TIOCM_RTS; request = TIOCMBIS; break;
    case CLRRTS: line = TIOCM_RTS; request = TIOCMBIC; break;
    case SETXOFF:
    case SETXON:
        if (int error = TtySuspendOutput(m_fd, function == SETXOFF))
            return FailWithErrno(error);
        return TRUE;
    case SETBREAK:
    case CLRBREAK:
        if (ioctl(m_fd, function == SETBREAK ? TIOCSBRK : TIOCCBRK) != 0)
            return FailWithErrno(errno);
        return TRUE;
    default:
        return Fail(ERROR_INVALID_PARAMETER);
    }
    // A device without modem lines accepts the change and does nothing.
    if (m_hasModemLines && ioctl(m_fd, request, &line) != 0)
        return FailWithErrno(errno);
    return TRUE;
}

BOOL CommDevice::Purge(DWORD flags)
{
    if (flags & ~(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR))
        return Fail(ERROR_INVALID_PARAMETER);
    std::lock_guard lock(m_mutex);
    if (DWORD refusal = Refusal(false))
        return Fail(refusal);
    FinishAll(ERROR_OPERATION_ABORTED, (flags & PURGE_RXABORT) != 0, (flags & PURGE_TXABORT) != 0, false, false);
    if (flags & PURGE_RXCLEAR) {
        m_queue.Clear();
        m_parser.Reset();
        AfterInputTaken();
    }
    if (int error = TtyFlush(m_fd, (flags & PURGE_RXCLEAR) != 0, (flags & PURGE_TXCLEAR) != 0))
        return FailWithErrno(error);
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

BOOL CommDevice::Read(void* buffer, DWORD length, DWORD* bytesRead, OVERLAPPED* overlapped)
{
    if (bytesRead)
        *bytesRead = 0;
    if ((buffer == nullptr && length != 0) || (m_overlapped && overlapped == nullptr))
        return Fail(ERROR_INVALID_PARAMETER);
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
    const COMMTIMEOUTS t = m_timeouts;
    const bool returnAtOnce =
        t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0;
    const bool anyByteCompletes = t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD &&
                                  t.ReadTotalTimeoutConstant > 0 && t.ReadTotalTimeoutConstant < MAXDWORD;
    DWORD done = 0;
    if (m_reads.empty() && !m_queue.Empty()) {
        done = static_cast<DWORD>(m_queue.Pop(bytes, length));
        AfterInputTaken();
    }
    if (returnAtOnce || done == length || (anyByteCompletes && done > 0)) {
        lock.unlock();
        return CompleteNow(overlapped, done, bytesRead);
    }
    Request request;
    request.kind = Request::Kind::Read;
    request.overlapped = overlapped;
    request.readBuffer = bytes;
    request.length = length;
    request.done = done;
    const auto now = Clock::now();
    if (anyByteCompletes) {
        request.anyByteCompletes = true;
        request.deadline = now + std::chrono::milliseconds(t.ReadTotalTimeoutConstant);
    } else {
        const std::uint64_t total = TimeoutMs(t.ReadTotalTimeoutMultiplier, length, t.ReadTotalTimeoutConstant);
        if (total != 0 && total <= kLongestTimeoutMs)
            request.deadline = now + std::chrono::milliseconds(total);
        if (t.ReadIntervalTimeout != 0 && t.ReadIntervalTimeout != MAXDWORD)
            request.interval = std::chrono::milliseconds(t.ReadIntervalTimeout);
    }
    if (done > 0)
        request.lastByte = now;
    return Issue(lock, request, !m_overlapped, bytesRead);
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
    if (m_writes.empty()) {
        while (done < length) {
            const ssize_t written = ::write(m_fd, bytes + done, length - done);
            if (written > 0) {
                done += static_cast<DWORD>(written);
                continue;
            }
            if (written < 0 && errno == EINTR)
                continue;
            // Nothing taken now (a full terminal): the rest is queued.
            if (written == 0 || errno == EAGAIN)
                break;
            const int error = errno;
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
    Request request;
    request.kind = Request::Kind::Write;
    request.overlapped = overlapped;
    request.writeData = bytes;
    request.length = length;
    request.done = done;
    const std::uint64_t total =
        TimeoutMs(m_timeouts.WriteTotalTimeoutMultiplier, length, m_timeouts.WriteTotalTimeoutConstant);
    if (total != 0 && total <= kLongestTimeoutMs)
        request.deadline = Clock::now() + std::chrono::milliseconds(total);
    return Issue(lock, request, !m_overlapped, bytesWritten);
}

void CommDevice::AwaitCompletion(const OVERLAPPED* overlapped)
{
    std::unique_lock lock(m_mutex);
    ++m_finishWaiters;
    m_finished.wait(lock, [overlapped] {
        return __atomic_load_n(&overlapped->Internal, __ATOMIC_ACQUIRE) != kRequestPending;
    });
    --m_finishWaiters;
}

BOOL CommDevice::Cancel()
{
    std::lock_guard lock(m_mutex);
    if (m_closed)
        return Fail(ERROR_INVALID_HANDLE);
    FinishAll(ERROR_OPERATION_ABORTED, true, true, true, true);
    return TRUE;
}

void CommDevice::InjectReceived(const std::uint8_t* data, std::size_t length)
{
    std::lock_guard lock(m_mutex);
    if (m_closed || m_dead)
        return;
    Receive(data, length, nullptr);
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
        if ((m_mask & EV_RXFLAG) && std::memchr(m_parsed.data(), static_cast<unsigned char>(m_dcb.EvtChar),
                                                parsed.dataBytes))
            events |= EV_RXFLAG;
        const std::size_t nearlyFull = m_queueLimit - m_queueLimit / 5;
        if (before < nearlyFull && m_queue.Size() >= nearlyFull)
            events |= EV_RX80FULL;
    }
    RecordErrors(errors);
    RecordEvents(events);
    ServeReads();
}

void CommDevice::ServeReads()
{
    const auto now = Clock::now();
    while (!m_reads.empty() && !m_queue.Empty()) {
        Request* read = m_reads.front();
        read->done += static_cast<DWORD>(m_queue.Pop(read->readBuffer + read->done, read->length - read->done));
        read->lastByte = now;
        if (read->done < read->length && !read->anyByteCompletes)
            break;
        m_reads.pop_front();
        Finish(read, ERROR_SUCCESS);
    }
}

void CommDevice::ContinueWrites()
{
    bool progressed = false;
    while (!m_writes.empty()) {
        Request* write = m_writes.front();
        const ssize_t written = ::write(m_fd, write->writeData + write->done, write->length - write->done);
        if (written > 0) {
            progressed = true;
            write->done += static_cast<DWORD>(written);
            if (write->done == write->length) {
                m_writes.pop_front();
                Finish(write, ERROR_SUCCESS);
            }
            continue;
        }
        if (written < 0 && (errno == EINTR))
            continue;
        // Nothing taken: wait for the terminal to have room again. A zero
        // count is never a lost device; a lost one reports EIO or a hang-up.
        if (written == 0 || errno == EAGAIN)
            return;
        const int error = errno;
        if (error == EIO) {
            MarkDead(EIO);
            return;
        }
        m_writes.pop_front();
        Finish(write, Win32ErrorFromErrno(error));
    }
    if (progressed)
        RecordEvents(EV_TXEMPTY);
}

Clock::time_point CommDevice::NextDeadline() const
{
    Clock::time_point next = Clock::time_point::max();
    for (const Request* read : m_reads) {
        next = std::min(next, read->deadline);
        if (read->interval != Clock::duration::zero() && read->done > 0)
            next = std::min(next, read->lastByte + read->interval);
    }
    for (const Request* write : m_writes)
        next = std::min(next, write->deadline);
    return next;
}

void CommDevice::ExpireTimeouts()
{
    if (m_reads.empty() && m_writes.empty())
        return;
    const auto now = Clock::now();
    // A time-out is not an error: the request ends with what it moved.
    auto expire = [this, now](std::deque<Request*>& queue, bool interval) {
        for (auto it = queue.begin(); it != queue.end();) {
            Request* request = *it;
            const bool late = now >= request->deadline ||
                              (interval && request->interval != Clock::duration::zero() && request->done > 0 &&
                               now >= request->lastByte + request->interval);
            if (!late) {
                ++it;
                continue;
            }
            it = queue.erase(it);
            Finish(request, ERROR_SUCCESS);
        }
    };
    expire(m_reads, true);
    expire(m_writes, false);
}

void CommDevice::MarkDead(int error)
{
    if (m_dead)
        return;
    m_dead = true;
    m_deadError = Win32ErrorFromErrno(error);
    // A read that already holds bytes ends with them rather than lose them.
    std::deque<Request*> reads;
    reads.swap(m_reads);
    for (Request* read : reads)
        Finish(read, read->done > 0 ? ERROR_SUCCESS : m_deadError);
    FinishAll(m_deadError, false, true, true, false);
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

void CommDevice::ServiceLoop()
{
    std::vector<std::uint8_t> raw(kReadChunk);
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        const bool alive = !m_dead;
        const std::size_t room = m_queue.Size() < m_queueLimit ? m_queueLimit - m_queue.Size() : 0;
        m_readerStalled = alive && room == 0;
        const bool wantWrite = alive && !m_writes.empty();
        const Clock::time_point deadline = NextDeadline();
        m_wakePending = false;
        lock.unlock();

        pollfd fds[2] = {{m_wakeFd, POLLIN, 0},
                         {m_fd, static_cast<short>((room > 0 ? POLLIN : 0) | (wantWrite ? POLLOUT : 0)), 0}};
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
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            std::uint64_t count = 0;
            [[maybe_unused]] auto drained = ::read(m_wakeFd, &count, sizeof count);
        }

        // The terminal is read without m_mutex, so that a caller taking
        // bytes from the queue never waits for this thread's system call.
        // m_readMutex keeps the queue's size fixed from counting the room
        // until the bytes are queued; only this thread adds device bytes, so
        // the room can only grow meanwhile. The terminal is non-blocking:
        // the read never waits.
        std::unique_lock readLock(m_readMutex, std::defer_lock);
        int lost = 0;
        std::size_t received = 0;
        if (alive && ready > 0) {
            const short events = fds[1].revents;
            // A hung-up device may still hold input: it is read first, and
            // the loss is taken once nothing more comes.
            const bool hangUp = (events & (POLLERR | POLLHUP | POLLNVAL)) != 0;
            if (hangUp && !(events & POLLIN))
                lost = EIO;
            if ((events & POLLIN) && !(events & POLLNVAL)) {
                readLock.lock();
                std::size_t roomNow = 0;
                {
                    std::lock_guard count(m_mutex);
                    roomNow = m_queue.Size() < m_queueLimit ? m_queueLimit - m_queue.Size() : 0;
                }
                while (roomNow > 0) {
                    const ssize_t n = ::read(m_fd, raw.data(), std::min(roomNow, raw.size()));
                    if (n > 0)
                        received = static_cast<std::size_t>(n);
                    else if (n < 0 && errno == EINTR)
                        continue;
                    else if (n < 0 && errno != EAGAIN)
                        lost = errno;
                    break;
                }
                if (hangUp && received == 0 && lost == 0)
                    lost = EIO;
            }
        }

        lock.lock();
        if (m_stopping)
            break;
        if (m_dead)
            received = 0;
        if (received > 0)
            Receive(raw.data(), received, ReadCountDelta());
        if (lost != 0)
            MarkDead(lost);
        if (wantWrite && !m_dead && (fds[1].revents & POLLOUT))
            ContinueWrites();
        ExpireTimeouts();
    }
}

}  // namespace tessaline::platform

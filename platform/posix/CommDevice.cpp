// Opening and closing a communications device, its settings and its
// control calls. Transfers and event waits are in CommTransfer.cpp, the
// service thread in CommService.cpp.
#include "platform/posix/CommDevice.h"

#include "platform/posix/CommSettings.h"
#include "platform/posix/CommTimeouts.h"
#include "platform/posix/Errors.h"
#include "platform/posix/OpenFailureRecord.h"
#include "platform/posix/TtyLine.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaline::platform {
namespace {

constexpr DWORD kModemEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;
constexpr DWORD kAllEvents = 0x1FFF;

// The input lines whose changes the events in `mask` report.
int LinesOfMask(DWORD mask)
{
    return ((mask & EV_CTS) ? TIOCM_CTS : 0) | ((mask & EV_DSR) ? TIOCM_DSR : 0) | ((mask & EV_RLSD) ? TIOCM_CD : 0) |
           ((mask & EV_RING) ? TIOCM_RNG : 0);
}

// Records why `path` could not be opened and sets the last error; returns -1.
int RefuseOpen(const std::string& path, int error, std::optional<OpenFailureKind> kind = std::nullopt)
{
    if (kind)
        RecordOpenFailure(path, *kind, error);
    else
        RecordOpenFailure(path, error);
    FailWithErrno(error);
    return -1;
}

// Opens the terminal at `path` exclusively and puts it into raw mode,
// keeping what it was set to in `found`. Returns the descriptor, or -1 with
// the failure recorded.
int OpenTerminal(const std::string& path, TtySavedSettings& found)
{
    // Only a character device is opened: opening a FIFO or a regular file
    // could block, or leave it changed.
    struct stat info
    {};
    if (::stat(path.c_str(), &info) != 0)
        return RefuseOpen(path, errno);
    if (!S_ISCHR(info.st_mode))
        return RefuseOpen(path, S_ISDIR(info.st_mode) ? EISDIR : ENOTTY, OpenFailureKind::NotATerminal);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return RefuseOpen(path, errno);
    auto fail = [fd, &path](int error, bool exclusive, std::optional<OpenFailureKind> kind = std::nullopt) {
        if (exclusive)
            ioctl(fd, TIOCNXCL);
        ::close(fd);
        return RefuseOpen(path, error, kind);
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
    if (int error = TtySaveSettings(fd, found))
        return fail(error, true);
    if (int error = TtyMakeRaw(fd))
        return fail(error, true);
    return fd;
}

}  // namespace

CommDevice::CommDevice(int fd, int wakeFd, bool overlapped)
    : m_fd(fd), m_wakeFd(wakeFd), m_overlapped(overlapped), m_dcb(DefaultDcb())
{
    m_parsed.resize(kReadChunk + 1);
}

CommDevice::~CommDevice()
{
    Shutdown();
}

std::shared_ptr<CommDevice> CommDevice::Open(const std::string& path, bool overlapped)
{
    TtySavedSettings found;
    const int fd = OpenTerminal(path, found);
    if (fd < 0)
        return nullptr;
    const int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0) {
        const int error = errno;
        TtyRestoreSettings(fd, found);
        ioctl(fd, TIOCNXCL);
        ::close(fd);
        RefuseOpen(path, error);
        return nullptr;
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
        device->m_dcb = DcbOfOpenedLine(line);
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
    std::unique_ptr<ModemWatch> watch;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        watch = std::move(m_watch);
        const std::uint64_t one = 1;
        [[maybe_unused]] auto written = ::write(m_wakeFd, &one, sizeof one);
    }
    // The watch waits on the terminal: it ends before the terminal closes.
    watch.reset();
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
    dcb = DcbFromLine(m_dcb, line);
    return TRUE;
}

BOOL CommDevice::SetState(const DCB& dcb)
{
    if (!IsValidDcb(dcb))
        return Fail(ERROR_INVALID_PARAMETER);
    std::lock_guard lock(m_mutex);
    if (DWORD refusal = Refusal(false))
        return Fail(refusal);
    if (int error = TtyApplyLine(m_fd, LineFromDcb(dcb)))
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
    m_parser.SetOptions(ParserOptionsFromDcb(dcb));
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
    if (!AreValidTimeouts(timeouts))
        return Fail(ERROR_INVALID_PARAMETER);
    std::lock_guard lock(m_mutex);
    if (DWORD refusal = Refusal(false))
        return Fail(refusal);
    m_timeouts = timeouts;
    return TRUE;
}

BOOL CommDevice::SetMask(DWORD mask)
{
    std::unique_ptr<ModemWatch> retired;  // stopped after the lock is let go
    std::lock_guard lock(m_mutex);
    if (DWORD refusal = Refusal(false))
        return Fail(refusal);
    if (mask & ~kAllEvents)
        return Fail(ERROR_INVALID_PARAMETER);
    // Without modem lines a wait for their changes could only end by
    // accident, so the mask is refused instead.
    if ((mask & kModemEvents) && !m_hasModemLines)
        return Fail(ERROR_NOT_SUPPORTED);
    if (DWORD error = WatchLines(LinesOfMask(mask), retired))
        return Fail(error);
    m_mask = mask;
    m_history &= mask;
    if (!m_waits.Empty())
        m_waits.FinishFront(ERROR_SUCCESS, 0);
    // Someone listening for each arrival again ends a deferred read.
    if (m_deferring.load() && ListensForEachArrival())
        WakeService();
    return TRUE;
}

DWORD CommDevice::WatchLines(int lines, std::unique_ptr<ModemWatch>& retired)
{
    if (lines == (m_watch ? m_watch->Lines() : 0))
        return 0;
    std::unique_ptr<ModemWatch> watch;
    if (lines != 0) {
        // What the lines are now is the base the first change is told from.
        int now = 0;
        if (ioctl(m_fd, TIOCMGET, &now) != 0)
            return Win32ErrorFromErrno(errno);
        watch = ModemWatch::Start(m_fd, lines, [this](int reported) { OnModemLines(reported); });
        if (!watch)
            return ERROR_NOT_ENOUGH_MEMORY;
        m_modemLines = now;
    }
    retired = std::move(m_watch);
    m_watch = std::move(watch);
    return 0;
}

BOOL CommDevice::GetMask(DWORD& mask)
{
    std::lock_guard lock(m_mutex);
    if (DWORD refusal = Refusal(false))
        return Fail(refusal);
    mask = m_mask;
    return TRUE;
}

BOOL CommDevice::ClearError(DWORD* errors, COMSTAT* status)
{
    PullDeferredInput(SIZE_MAX);
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
        for (const auto& write : m_writes.Requests())
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
    case SETDTR:
        line = TIOCM_DTR;
        request = TIOCMBIS;
        break;
    case CLRDTR:
        line = TIOCM_DTR;
        request = TIOCMBIC;
        break;
    case SETRTS:
        line = TIOCM_RTS;
        request = TIOCMBIS;
        break;
    case CLRRTS:
        line = TIOCM_RTS;
        request = TIOCMBIC;
        break;
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
    default: return Fail(ERROR_INVALID_PARAMETER);
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

}  // namespace tessaline::platform

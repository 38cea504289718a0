// Only the kernel's termbits here: <termios.h> must not be included.
#include "platform/posix/TtyLine.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tessaline::platform {
namespace {

int GetTermios(int fd, termios2& settings)
{
    return ioctl(fd, TCGETS2, &settings) == 0 ? 0 : errno;
}

int SetTermios(int fd, const termios2& settings)
{
    return ioctl(fd, TCSETS2, &settings) == 0 ? 0 : errno;
}

static_assert(sizeof(termios2) <= sizeof(TtySavedSettings::bytes));

}  // namespace

int TtySaveSettings(int fd, TtySavedSettings& saved)
{
    termios2 settings{};
    if (int error = GetTermios(fd, settings))
        return error;
    std::memcpy(saved.bytes, &settings, sizeof settings);
    return 0;
}

int TtyRestoreSettings(int fd, const TtySavedSettings& saved)
{
    termios2 settings{};
    std::memcpy(&settings, saved.bytes, sizeof settings);
    return SetTermios(fd, settings);
}

int TtyMakeRaw(int fd)
{
    termios2 settings{};
    if (int error = GetTermios(fd, settings))
        return error;
    settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | IGNPAR | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC |
                                               IXON | IXOFF | IXANY | IMAXBEL);
    settings.c_iflag |= PARMRK | INPCK;
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    settings.c_lflag &= ~static_cast<tcflag_t>(ISIG | ICANON | ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOPRT |
                                               ECHOKE | IEXTEN | NOFLSH | TOSTOP);
    settings.c_cflag |= CREAD | CLOCAL;
    settings.c_cflag &= ~static_cast<tcflag_t>(HUPCL);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    return SetTermios(fd, settings);
}

int TtyReadLine(int fd, TtyLineSettings& line)
{
    termios2 settings{};
    if (int error = GetTermios(fd, settings))
        return error;
    line.baudRate = settings.c_ospeed;
    switch (settings.c_cflag & CSIZE) {
    case CS5: line.byteSize = 5; break;
    case CS6: line.byteSize = 6; break;
    case CS7: line.byteSize = 7; break;
    default: line.byteSize = 8; break;
    }
    if (!(settings.c_cflag & PARENB))
        line.parity = 0;
    else if (settings.c_cflag & CMSPAR)
        line.parity = (settings.c_cflag & PARODD) ? 3 : 4;
    else
        line.parity = (settings.c_cflag & PARODD) ? 1 : 2;
    if (!(settings.c_cflag & CSTOPB))
        line.stopBits = 0;
    else
        line.stopBits = line.byteSize == 5 ? 1 : 2;
    line.rtsCtsFlow = (settings.c_cflag & CRTSCTS) != 0;
    line.outputXonXoff = (settings.c_iflag & IXON) != 0;
    line.inputXonXoff = (settings.c_iflag & IXOFF) != 0;
    line.xonChar = static_cast<char>(settings.c_cc[VSTART]);
    line.xoffChar = static_cast<char>(settings.c_cc[VSTOP]);
    return 0;
}

int TtyApplyLine(int fd, const TtyLineSettings& line)
{
    termios2 previous{};
    if (int error = GetTermios(fd, previous))
        return error;
    termios2 settings = previous;
    settings.c_cflag &=
        ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT) | CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
    settings.c_cflag |= BOTHER;  // input speed bits left 0: input runs at the output speed
    settings.c_ospeed = line.baudRate;
    settings.c_ispeed = line.baudRate;
    switch (line.byteSize) {
    case 5: settings.c_cflag |= CS5; break;
    case 6: settings.c_cflag |= CS6; break;
    case 7: settings.c_cflag |= CS7; break;
    default: settings.c_cflag |= CS8; break;
    }
    switch (line.parity) {
    case 1: settings.c_cflag |= PARENB | PARODD; break;
    case 2: settings.c_cflag |= PARENB; break;
    case 3: settings.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case 4: settings.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    // 1.5 stop bits: a UART sends 1.5 with CSTOPB at 5 data bits.
    if (line.stopBits != 0)
        settings.c_cflag |= CSTOPB;
    if (line.rtsCtsFlow)
        settings.c_cflag |= CRTSCTS;
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    if (line.outputXonXoff)
        settings.c_iflag |= IXON;
    if (line.inputXonXoff)
        settings.c_iflag |= IXOFF;
    settings.c_cc[VSTART] = static_cast<cc_t>(line.xonChar);
    settings.c_cc[VSTOP] = static_cast<cc_t>(line.xoffChar);
    if (int error = SetTermios(fd, settings))
        return error;

    termios2 applied{};
    if (int error = GetTermios(fd, applied))
        return error;
    const long long wanted = line.baudRate;
    const long long got = applied.c_ospeed;
    if (got <= 0 || std::llabs(got - wanted) * 50 > wanted) {
        SetTermios(fd, previous);
        return EINVAL;
    }
    return 0;
}

int TtyFlush(int fd, bool input, bool output)
{
    if (!input && !output)
        return 0;
    const int queue = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
    return ioctl(fd, TCFLSH, queue) == 0 ? 0 : errno;
}

int TtyOutputQueued(int fd)
{
    int queued = 0;
    if (ioctl(fd, TIOCOUTQ, &queued) != 0)
        return -1;
    return queued;
}

int TtySuspendOutput(int fd, bool suspend)
{
    return ioctl(fd, TCXONC, suspend ? TCOOFF : TCOON) == 0 ? 0 : errno;
}

}  // namespace tessaline::platform

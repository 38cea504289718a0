// Line settings of a terminal file descriptor, read and written through the
// kernel's termios2 interface so that any baud rate can be set. The kernel
// header that interface needs cannot share a translation unit with
// <termios.h>, so every termios access of the backend lives behind these
// functions.
//
// Threading: plain functions on a file descriptor; callers serialise.
#pragma once

#include <cstdint>

namespace tessaline::platform {

// What the terminal itself holds of a DCB. Parity and stop bits use the DCB
// codes.
struct TtyLineSettings
{
    std::uint32_t baudRate = 0;
    std::uint8_t byteSize = 8;
    std::uint8_t parity = 0;
    std::uint8_t stopBits = 0;
    bool rtsCtsFlow = false;
    bool outputXonXoff = false;
    bool inputXonXoff = false;
    char xonChar = 0x11;
    char xoffChar = 0x13;
};

// Every terminal setting as the kernel holds it (a custom baud rate too),
// kept opaque so that callers need no termios header.
struct TtySavedSettings
{
    alignas(8) unsigned char bytes[64] = {};
};

// Reads, or puts back exactly, every setting of the terminal. Return 0 or an
// errno value.
int TtySaveSettings(int fd, TtySavedSettings& saved);
int TtyRestoreSettings(int fd, const TtySavedSettings& saved);

// Puts the terminal into raw mode with error marking: no echo, no line
// editing, no character mapping, no signals; receiver on, modem control lines
// ignored for the open; PARMRK and INPCK on so that breaks and bad characters
// arrive marked in the data. Returns 0 or an errno value.
int TtyMakeRaw(int fd);

// Reads the settings as the device reports them. Returns 0 or an errno value.
int TtyReadLine(int fd, TtyLineSettings& settings);

// Applies the settings in one call and reads the baud rate back; a rate the
// device cannot produce within 2 % restores the previous settings and gives
// EINVAL. Returns 0 or an errno value.
int TtyApplyLine(int fd, const TtyLineSettings& settings);

// Discards what the kernel holds in its input and/or output queue.
int TtyFlush(int fd, bool input, bool output);

// Bytes the kernel still holds for sending, or -1 with errno set.
int TtyOutputQueued(int fd);

// Suspends or resumes sending, as if XOFF or XON had been received.
int TtySuspendOutput(int fd, bool suspend);

}  // namespace tessaline::platform

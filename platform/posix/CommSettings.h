// The line-setting rules of a communications device as pure functions: the
// DCB a device starts with, which DCBs SetCommState accepts, and how a DCB
// maps onto what the terminal itself holds and back. No device is touched.
//
// Threading: plain functions on values.
#pragma once

#include "platform/posix/MarkParser.h"
#include "platform/posix/TtyLine.h"
#include "platform/win32.h"

namespace tessaline::platform {

// The configuration a port has before anything is stored for it: 9600 baud,
// 8 data bits, no parity, one stop bit, binary mode, DTR and RTS on.
DCB DefaultDcb();

// Whether SetCommState takes `dcb`: 5 to 8 data bits, known parity and stop
// codes, 1.5 stop bits only with 5 data bits and 2 only with more, a baud
// rate, distinct XON and XOFF characters when either XON/XOFF flow is on,
// and a known DTR control. The whole DCB is checked before the device is.
bool IsValidDcb(const DCB& dcb);

// The part of `dcb` the terminal holds.
TtyLineSettings LineFromDcb(const DCB& dcb);

// `stored` with the fields the terminal holds replaced by `line`: what
// GetCommState reports. Parity checking and handshaking stay as stored.
DCB DcbFromLine(const DCB& stored, const TtyLineSettings& line);

// The DCB of a device just opened on a terminal set to `line`: the defaults,
// the terminal's settings, parity checking when the terminal has parity and
// RTS/CTS handshaking when the terminal has it on.
DCB DcbOfOpenedLine(const TtyLineSettings& line);

// How received data is cleaned up under `dcb`: error replacement and null
// stripping.
MarkParser::Options ParserOptionsFromDcb(const DCB& dcb);

}  // namespace tessaline::platform

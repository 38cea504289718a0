// PortSettings: the one set of port settings the program keeps: which port
// to open and how to configure its line. Six signed 32-bit codes, contiguous
// and in this order, copied whole between the document and the dialog. The
// fields hold codes (DCB parity and stop-bit codes, the serial layer's flow
// codes), not display indices. A new record holds the defaults.
//
// Threading: plain data, used on the GUI thread.
#pragma once

#include <cstdint>
#include <type_traits>

namespace tessaline::app {

struct PortSettings
{
    std::int32_t port = 1;       // opened as "COM<port>"
    std::int32_t baud = 9600;    // DCB BaudRate
    std::int32_t dataBits = 8;   // DCB ByteSize
    std::int32_t parity = 0;     // DCB Parity: NOPARITY .. SPACEPARITY
    std::int32_t stopBits = 0;   // DCB StopBits: ONESTOPBIT .. TWOSTOPBITS
    std::int32_t handshake = 0;  // FlowOff 0, FlowHardware 1, FlowSoftware 2

    bool operator==(const PortSettings&) const = default;
};

static_assert(sizeof(PortSettings) == 24, "the record is six 32-bit fields");
static_assert(std::is_trivially_copyable_v<PortSettings>);

}  // namespace tessaline::app

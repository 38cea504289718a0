// Every radio button of the port settings dialog with the field of the
// settings and the value it stands for, written out for the tests.
#pragma once

#include "app/PortSettings.h"
#include "res/ResourceIds.h"

#include <cstdint>

namespace tessaline::apptest {

using app::PortSettings;

struct SettingsButton
{
    std::int32_t PortSettings::*field;
    int button;
    std::int32_t value;
};

inline const SettingsButton kSettingsButtons[] = {
    {&PortSettings::port, IDC_PORT_COM1, 1},
    {&PortSettings::port, IDC_PORT_COM2, 2},
    {&PortSettings::port, IDC_PORT_COM3, 3},
    {&PortSettings::port, IDC_PORT_COM4, 4},
    {&PortSettings::baud, IDC_BAUD_1200, 1200},
    {&PortSettings::baud, IDC_BAUD_2400, 2400},
    {&PortSettings::baud, IDC_BAUD_9600, 9600},
    {&PortSettings::baud, IDC_BAUD_14400, 14400},
    {&PortSettings::baud, IDC_BAUD_19200, 19200},
    {&PortSettings::baud, IDC_BAUD_38400, 38400},
    {&PortSettings::baud, IDC_BAUD_56000, 56000},
    {&PortSettings::baud, IDC_BAUD_57600, 57600},
    {&PortSettings::baud, IDC_BAUD_115200, 115200},
    {&PortSettings::dataBits, IDC_DATABITS_5, 5},
    {&PortSettings::dataBits, IDC_DATABITS_6, 6},
    {&PortSettings::dataBits, IDC_DATABITS_7, 7},
    {&PortSettings::dataBits, IDC_DATABITS_8, 8},
    {&PortSettings::parity, IDC_PARITY_NONE, 0},
    {&PortSettings::parity, IDC_PARITY_ODD, 1},
    {&PortSettings::parity, IDC_PARITY_EVEN, 2},
    {&PortSettings::parity, IDC_PARITY_MARK, 3},
    {&PortSettings::parity, IDC_PARITY_SPACE, 4},
    {&PortSettings::stopBits, IDC_STOPBITS_1, 0},
    {&PortSettings::stopBits, IDC_STOPBITS_1_5, 1},
    {&PortSettings::stopBits, IDC_STOPBITS_2, 2},
    {&PortSettings::handshake, IDC_HANDSHAKE_OFF, 0},
    {&PortSettings::handshake, IDC_HANDSHAKE_SOFTWARE, 2},
    {&PortSettings::handshake, IDC_HANDSHAKE_HARDWARE, 1},
};

}  // namespace tessaline::apptest

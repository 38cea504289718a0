#include "app/PortSettings.h"
#include "app/PortSettingsDlg.h"
#include "res/ResourceIds.h"

#include <gtest/gtest.h>

#include <cstring>

using tessaline::app::PortSettings;

namespace {

TEST(PortSettings, NewRecordHoldsTheDefaultsInLayoutOrder)
{
    const PortSettings settings;
    std::int32_t fields[6];
    std::memcpy(fields, &settings, sizeof fields);
    const std::int32_t expected[6] = {1, 9600, 8, 0, 0, 0};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(fields[i], expected[i]) << "field " << i;
}

struct Row
{
    std::int32_t PortSettings::*field;
    int button;
    std::int32_t value;
};

// Every radio button of the settings dialog with the value it stands for.
const Row kRows[] = {
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

TEST(PortSettingsMapping, EachButtonStandsForItsValueBothWays)
{
    for (const Row& row : kRows) {
        EXPECT_EQ(CPortSettingsDlg::ButtonForValue(row.field, row.value), row.button) << "button " << row.button;

        PortSettings settings;
        settings.*row.field = -12345;
        const PortSettings before = settings;
        ASSERT_TRUE(CPortSettingsDlg::ApplyButton(settings, row.button)) << "button " << row.button;
        EXPECT_EQ(settings.*row.field, row.value) << "button " << row.button;
        settings.*row.field = -12345;
        EXPECT_EQ(settings, before) << "button " << row.button << " changed another field";
    }
}

TEST(PortSettingsMapping, ValuesOutsideTheTablesHaveNoButton)
{
    const Row outside[] = {
        {&PortSettings::port, 0, 0},      {&PortSettings::port, 0, 5},       {&PortSettings::baud, 0, 4800},
        {&PortSettings::baud, 0, 0},      {&PortSettings::dataBits, 0, 4},   {&PortSettings::dataBits, 0, 9},
        {&PortSettings::parity, 0, -1},   {&PortSettings::parity, 0, 5},     {&PortSettings::stopBits, 0, 3},
        {&PortSettings::handshake, 0, 3}, {&PortSettings::handshake, 0, -1}, {&PortSettings::port, 0, 0x7FFFFFFF},
    };
    for (const Row& row : outside)
        EXPECT_EQ(CPortSettingsDlg::ButtonForValue(row.field, row.value), 0) << "value " << row.value;
}

TEST(PortSettingsMapping, OtherIdsChangeNothing)
{
    const int others[] = {IDC_BAUD_GROUP,
                          IDC_DATABITS_GROUP,
                          IDC_PARITY_GROUP,
                          IDC_STOPBITS_GROUP,
                          IDC_HANDSHAKE_GROUP,
                          1,
                          2,
                          1010,
                          1015,
                          1026,
                          1034,
                          1044,
                          1199,
                          1204,
                          -1};
    for (int id : others) {
        PortSettings settings;
        EXPECT_FALSE(CPortSettingsDlg::ApplyButton(settings, id)) << id;
        EXPECT_EQ(settings, PortSettings{}) << id;
    }
}

}  // namespace

#include "app/PortSettings.h"
#include "app/PortSettingsDlg.h"
#include "res/ResourceIds.h"
#include "tests/app/PortSettingsButtons.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using tessaline::app::PortSettings;

namespace {

using tessaline::apptest::kSettingsButtons;
using tessaline::apptest::SettingsButton;

TEST(PortSettings, NewRecordHoldsTheDefaultsInLayoutOrder)
{
    const PortSettings settings;
    std::int32_t fields[6];
    std::memcpy(fields, &settings, sizeof fields);
    EXPECT_EQ(std::vector<std::int32_t>(fields, fields + 6), (std::vector<std::int32_t>{1, 9600, 8, 0, 0, 0}));
}

TEST(PortSettingsMapping, EachButtonStandsForItsValueBothWays)
{
    for (const SettingsButton& row : kSettingsButtons) {
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
    const SettingsButton outside[] = {
        {&PortSettings::port, 0, 0},      {&PortSettings::port, 0, 5},       {&PortSettings::baud, 0, 4800},
        {&PortSettings::baud, 0, 0},      {&PortSettings::dataBits, 0, 4},   {&PortSettings::dataBits, 0, 9},
        {&PortSettings::parity, 0, -1},   {&PortSettings::parity, 0, 5},     {&PortSettings::stopBits, 0, 3},
        {&PortSettings::handshake, 0, 3}, {&PortSettings::handshake, 0, -1}, {&PortSettings::port, 0, 0x7FFFFFFF},
    };
    for (const SettingsButton& row : outside)
        EXPECT_EQ(CPortSettingsDlg::ButtonForValue(row.field, row.value), 0) << "value " << row.value;
}

TEST(PortSettingsMapping, OtherIdsChangeNothing)
{
    for (int id : {IDC_BAUD_GROUP, IDC_DATABITS_GROUP, IDC_PARITY_GROUP, IDC_STOPBITS_GROUP, IDC_HANDSHAKE_GROUP, 1, 2,
                   1010, 1015, 1026, 1034, 1044, 1199, 1204, -1}) {
        PortSettings settings;
        EXPECT_FALSE(CPortSettingsDlg::ApplyButton(settings, id)) << id;
        EXPECT_EQ(settings, PortSettings{}) << id;
    }
}

}  // namespace

// How port names become device paths.
#include "platform/port_names.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using tessaline::platform::ClearPortAliases;
using tessaline::platform::ResolvePortName;
using tessaline::platform::SetPortAlias;

class PortNames : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearPortAliases();
        unsetenv("TESSALINE_COM2");
        unsetenv("TESSALINE_COM3");
    }
    void TearDown() override { SetUp(); }
};

TEST_F(PortNames, FallBackToTheSerialDeviceOfThePortNumber)
{
    EXPECT_EQ(ResolvePortName("COM1"), "/dev/ttyS0");
    EXPECT_EQ(ResolvePortName("com4"), "/dev/ttyS3");
    EXPECT_EQ(ResolvePortName("COM12"), "/dev/ttyS11");
    EXPECT_EQ(ResolvePortName("\\\\.\\COM2"), "/dev/ttyS1");
}

TEST_F(PortNames, AliasBeatsEnvironmentWhichBeatsTheDefault)
{
    setenv("TESSALINE_COM2", "/dev/from-environment", 1);
    EXPECT_EQ(ResolvePortName("COM2"), "/dev/from-environment");
    SetPortAlias("com2", "/dev/ttyUSB0");
    EXPECT_EQ(ResolvePortName("COM2"), "/dev/ttyUSB0");
    EXPECT_EQ(ResolvePortName("\\\\.\\Com2"), "/dev/ttyUSB0");
    SetPortAlias("COM2", "");  // removes the alias
    EXPECT_EQ(ResolvePortName("COM2"), "/dev/from-environment");
    setenv("TESSALINE_COM3", "", 1);  // empty: ignored
    EXPECT_EQ(ResolvePortName("COM3"), "/dev/ttyS2");
}

TEST_F(PortNames, ClearRemovesEveryAlias)
{
    SetPortAlias("COM1", "/dev/a");
    SetPortAlias("COM3", "/dev/b");
    ClearPortAliases();
    EXPECT_EQ(ResolvePortName("COM1"), "/dev/ttyS0");
    EXPECT_EQ(ResolvePortName("COM3"), "/dev/ttyS2");
}

TEST_F(PortNames, PathsAndOtherNamesPassThrough)
{
    EXPECT_EQ(ResolvePortName("/dev/pts/7"), "/dev/pts/7");
    EXPECT_EQ(ResolvePortName("\\\\.\\/dev/ttyACM0"), "/dev/ttyACM0");
    EXPECT_EQ(ResolvePortName("COM0"), "COM0");
    EXPECT_EQ(ResolvePortName("COM01"), "COM01");
    EXPECT_EQ(ResolvePortName("COMX"), "COMX");
    SetPortAlias("modem", "/dev/ttyACM1");
    EXPECT_EQ(ResolvePortName("MODEM"), "/dev/ttyACM1");
}

}  // namespace

#include "meter/MeterSource.h"

#include "meter/MeterConnection.h"
#include "platform/QtSerialPort.h"
#include "support/ScriptedInteraction.h"

#include <gtest/gtest.h>

using namespace tonva;
using namespace tonva::test;

TEST(MeterSourceTest, PortNamesChooseTheBuiltInMeterANumberedPortOrADevice)
{
    SystemClock realTime;

    const MeterSource builtIn(QStringLiteral("sim"), realTime, 4);
    EXPECT_TRUE(builtIn.builtIn());
    EXPECT_NE(&builtIn.clock(), &realTime) << "a probe of the built-in meter waits for nothing real";
    EXPECT_EQ(builtIn.portNumber(), 1);
    EXPECT_TRUE(builtIn.devicePath().isEmpty());
    {
        ScriptedInteraction quiet;
        MeterConnection connection(builtIn, quiet);
        ASSERT_EQ(connection.Connect(builtIn.portNumber(), 115200), 0);
        EXPECT_TRUE(connection.modelReply().contains("Trellan"));
    }
    const MeterSource onTheDesk(QStringLiteral("SIM"), realTime, 1, {false, {}});
    EXPECT_TRUE(onTheDesk.builtIn());
    EXPECT_EQ(&onTheDesk.clock(), &realTime);

    const MeterSource numbered(QStringLiteral("COM3"), realTime, 7);
    EXPECT_FALSE(numbered.builtIn());
    EXPECT_EQ(numbered.portNumber(), 3);
    EXPECT_TRUE(numbered.devicePath().isEmpty());
    EXPECT_EQ(numbered.description(), QtSerialPort::deviceForPortNumber(3));

    const MeterSource device(QStringLiteral(" /dev/ttyUSB0 "), realTime, 7);
    EXPECT_FALSE(device.builtIn());
    EXPECT_EQ(device.portNumber(), 1);
    EXPECT_EQ(device.devicePath(), QStringLiteral("/dev/ttyUSB0"));

    // Nothing chosen by name: the older numbered preference still decides.
    EXPECT_EQ(MeterSource(QString(), realTime, 5).portNumber(), 5);
    EXPECT_EQ(MeterSource(QStringLiteral("COM0"), realTime, 5).devicePath(), QStringLiteral("COM0"));
}

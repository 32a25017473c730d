#include "platform/QtSerialPort.h"
#include "support/Processes.h"
#include "support/TempDir.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace tonva;

TEST(TrellanSimProcess, ServesThePtyUntilStandardInputCloses)
{
    test::TempDir dir;
    const QString link = dir.file(QStringLiteral("trellan"));
    test::SimProcess sim;
    ASSERT_TRUE(
        sim.start({QStringLiteral("--link"), link, QStringLiteral("--speed"), QStringLiteral("100")}));
    const QString device = sim.device();
    ASSERT_TRUE(device.startsWith(QStringLiteral("/dev/"))) << qPrintable(device);
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), device);

    // A client may close and reopen the device; the meter keeps answering.
    for (int round = 0; round < 2; ++round) {
        QtSerialPort port(device);
        ASSERT_EQ(port.open(), 0) << qPrintable(port.errorText());
        EXPECT_EQ(test::exchangeOnce(port, "@"), QByteArray("@@\r\n")) << "round " << round;
        EXPECT_TRUE(test::exchangeOnce(port, "R1").startsWith("Mervane")) << "round " << round;
        port.close();
    }

    EXPECT_EQ(sim.closeInputAndWait(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

TEST(TrellanSimProcess, RefusesABadFaultList)
{
    const test::ProgramResult result =
        test::runProgram(test::builtProgram(QStringLiteral("src/sim/trellan-sim")),
                         {QStringLiteral("--faults"), QStringLiteral("gremlins=1")}, 5000);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains(QLatin1String("gremlins")));
}

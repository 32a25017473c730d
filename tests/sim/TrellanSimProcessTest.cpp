#include "meter/Framing.h"
#include "platform/QtSerialPort.h"
#include "support/TempDir.h"

#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

using namespace tonva;

namespace {

QByteArray askOnce(QtSerialPort &port, const QByteArray &text)
{
    const QByteArray frame = framing::frameCommand(text);
    port.rxFlush();
    if (port.putString(frame.constData(), static_cast<int>(frame.size())) != frame.size())
        return {};
    char buffer[256];
    const int got = port.getString(buffer, sizeof buffer, framing::kLF, 3000);
    return QByteArray(buffer, got);
}

} // namespace

TEST(TrellanSimProcess, ServesThePtyUntilStandardInputCloses)
{
    test::TempDir dir;
    const QString link = dir.file(QStringLiteral("trellan"));
    QProcess sim;
    sim.start(QStringLiteral(TONVA_BINARY_DIR "/src/sim/trellan-sim"),
              {QStringLiteral("--link"), link, QStringLiteral("--speed"), QStringLiteral("100")});
    ASSERT_TRUE(sim.waitForStarted(5000));
    QByteArray first;
    while (!first.contains('\n') && sim.waitForReadyRead(5000))
        first += sim.readAllStandardOutput();
    const QString device = QString::fromLocal8Bit(first.left(first.indexOf('\n')));
    ASSERT_TRUE(device.startsWith(QStringLiteral("/dev/"))) << first.constData();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), device);

    // A client may close and reopen the device; the meter keeps answering.
    for (int round = 0; round < 2; ++round) {
        QtSerialPort port(device);
        ASSERT_EQ(port.open(), 0) << qPrintable(port.errorText());
        EXPECT_EQ(askOnce(port, "@"), QByteArray("@@\r\n")) << "round " << round;
        EXPECT_TRUE(askOnce(port, "R1").startsWith("Mervane")) << "round " << round;
        port.close();
    }

    sim.closeWriteChannel();
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

TEST(TrellanSimProcess, RefusesABadFaultList)
{
    QProcess sim;
    sim.start(QStringLiteral(TONVA_BINARY_DIR "/src/sim/trellan-sim"),
              {QStringLiteral("--faults"), QStringLiteral("gremlins=1")});
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 2);
    EXPECT_TRUE(sim.readAllStandardError().contains("gremlins"));
}

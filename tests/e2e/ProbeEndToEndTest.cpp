#include "support/Processes.h"
#include "support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace tonva::test;

namespace {

ProgramResult probe(const QString &device, const QStringList &extra = {})
{
    return runProgram(builtProgram("src/cli/tonva-cli"), QStringList{"probe", "--port", device} + extra,
                      90000);
}

QString writeProfile(const TempDir &dir, const QByteArray &json)
{
    const QString path = dir.file("meter.json");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(json);
    return path;
}

} // namespace

TEST(ProbeEndToEnd, ConnectsOverAPseudoTerminalAtTheRequestedRate)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--speed", "50"}));
    const ProgramResult result = probe(sim.device(), {"--baud", "115200"});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.startsWith("Connected: Mervane")) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains("Trellan"));
    EXPECT_TRUE(result.out.trimmed().endsWith("at 115200 baud")) << result.out.toStdString();
    EXPECT_EQ(sim.closeInputAndWait(), 0);
}

TEST(ProbeEndToEnd, ConnectsThroughANoisyLine)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start(
        {"--speed", "50", "--seed", "7", "--faults", "corrupt-checksum=0.3,stale-bytes=0.2,xon-xoff=0.2"}));
    const ProgramResult result = probe(sim.device(), {"--baud", "115200"});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.out.toStdString() << result.err.toStdString();
    EXPECT_TRUE(result.out.startsWith("Connected: ")) << result.out.toStdString();
}

TEST(ProbeEndToEnd, RefusesOldFirmwareAndForeignModels)
{
    TempDir dir;
    {
        SimProcess sim;
        ASSERT_TRUE(sim.start({"--profile", writeProfile(dir, R"({"firmware": "1.5"})")}));
        const ProgramResult result = probe(sim.device());
        ASSERT_TRUE(result.finished);
        EXPECT_NE(result.exitCode, 0);
        EXPECT_TRUE(result.err.contains("Firmware v1.500 in SLM. v2.0 required."))
            << result.err.toStdString();
    }
    {
        SimProcess sim;
        ASSERT_TRUE(sim.start({"--profile", writeProfile(dir, R"({"model": "Mervane Orvik 2"})")}));
        const ProgramResult result = probe(sim.device());
        ASSERT_TRUE(result.finished);
        EXPECT_NE(result.exitCode, 0);
        EXPECT_TRUE(result.err.contains("SLM not Mervane Model Trellan.")) << result.err.toStdString();
    }
}

TEST(ProbeEndToEnd, NoMeterOnTheLineGivesTheConnectionMessage)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start());
    const QString device = sim.device();
    sim.kill();
    const ProgramResult result = probe(device);
    ASSERT_TRUE(result.finished);
    EXPECT_NE(result.exitCode, 0);
    EXPECT_TRUE(result.err.contains("Unable to communicate with Trellan")) << result.err.toStdString();
}

TEST(ProbeEndToEnd, AMissingDeviceIsNamedByItsPath)
{
    const ProgramResult result = probe(QStringLiteral("/nonexistent"));
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(
        result.err.startsWith("Unable to communicate with Trellan (error -10) using /nonexistent\nVerify"))
        << result.err.toStdString();
    EXPECT_FALSE(result.err.contains("port#"));
}

TEST(ProbeEndToEnd, MeterDyingMidCommandEndsCleanly)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start());
    QProcess probeProcess;
    probeProcess.start(builtProgram("src/cli/tonva-cli"),
                       {"probe", "--port", sim.device(), "--baud", "115200"});
    ASSERT_TRUE(probeProcess.waitForStarted());
    // Let the connect get under way, then pull the plug while it talks to the meter.
    EXPECT_FALSE(probeProcess.waitForFinished(800));
    sim.kill();
    ASSERT_TRUE(probeProcess.waitForFinished(60000)) << "the probe hangs after the meter died";
    EXPECT_EQ(probeProcess.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(probeProcess.exitCode(), 0);
    EXPECT_TRUE(QString::fromLocal8Bit(probeProcess.readAllStandardError())
                    .contains("Unable to communicate with Trellan"));
}

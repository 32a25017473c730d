#include "support/Processes.h"
#include "support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace tonva::test;

namespace {

ProgramResult calibrate(const QStringList &arguments)
{
    return runProgram(builtProgram("src/cli/tonva-cli"), QStringList{"calibrate"} + arguments, 120000);
}

} // namespace

// A meter reading 0.3 dB high is read, corrected, and then reads its calibrator true, all through
// a pseudo-terminal; the simulator's control socket puts the calibrator on its microphone.
TEST(CalibrateEndToEnd, SetCalibrationCorrectsAMeterThatReadsHigh)
{
    TempDir dir;
    const QString profile = dir.file("meter.json");
    QFile file(profile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"calibrationError": 0.3})");
    file.close();
    const QString control = dir.file("scene.sock");
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--speed", "50", "--profile", profile, "--control", control}));

    ProgramResult result = calibrate({"--port", sim.device(), "--control", control, "--set"});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains("Measured SPL: 114.3 dB  Ref Level Difference: +0.3 dB"))
        << result.out.toStdString();
    EXPECT_TRUE(result.out.contains("Calibration offset: 0.83 -> 0.53 dB")) << result.out.toStdString();

    result = calibrate({"--port", sim.device(), "--control", control});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains("Measured SPL: 114.0 dB")) << result.out.toStdString();
    EXPECT_EQ(sim.closeInputAndWait(), 0);
}

// The meter answers Connect and then falls silent.
TEST(CalibrateEndToEnd, AMeterThatStopsAnsweringIsToldAndFails)
{
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--speed", "50", "--faults", "disconnect=8"}));
    const ProgramResult result = calibrate({"--port", sim.device()});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains("Could not set the Trellan properly for calibration!\nVerify that it is "
                                    "powered on, stable, and connected to the PC.\nThen press OK!"))
        << result.err.toStdString();
    EXPECT_FALSE(result.out.contains("Measured SPL"));
}

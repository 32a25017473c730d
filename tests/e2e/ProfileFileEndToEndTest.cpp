#include "support/Processes.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace tonva::test;

// A device that never ends given as a profile used to be read until the memory ran out.
TEST(ProfileFileEndToEnd, ADeviceGivenAsProfileIsRefusedAtOnce)
{
    QElapsedTimer timer;
    timer.start();
    const ProgramResult demo =
        runProgram(builtProgram("src/cli/tonva-cli"), {"demo", "--profile", "/dev/zero"}, 30000);
    ASSERT_TRUE(demo.finished);
    EXPECT_EQ(demo.exitCode, 1);
    EXPECT_TRUE(
        (demo.out + demo.err).contains("Cannot read audiometer profile /dev/zero: it is not a regular file"))
        << demo.out.toStdString() << demo.err.toStdString();

    const ProgramResult sim =
        runProgram(builtProgram("src/sim/trellan-sim"), {"--profile", "/dev/zero"}, 30000);
    ASSERT_TRUE(sim.finished);
    EXPECT_EQ(sim.exitCode, 2);
    EXPECT_TRUE(sim.err.contains("Cannot read profile /dev/zero: it is not a regular file"))
        << sim.err.toStdString();
    EXPECT_LT(timer.elapsed(), 20000);
}

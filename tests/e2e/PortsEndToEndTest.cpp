#include "support/Processes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace tonva::test;

TEST(PortsEndToEnd, ListsTheSimulatorsPseudoTerminalByItsLinkAndTheBuiltInSimulatorLast)
{
    TempDir dir;
    const QString link = dir.file(QStringLiteral("ttyTRELLAN"));
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--link", link}));

    const ProgramResult result =
        runProgram(builtProgram("src/cli/tonva-cli"), {"ports", "--verify-open", "--port", link}, 30000);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QStringList lines = result.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.contains(link + QStringLiteral(" <Pseudo-terminal>"))) << result.out.toStdString();
    EXPECT_EQ(lines.constLast(), QStringLiteral("sim <Built-in simulator>"));

    // Named by its device path instead, the same pseudo-terminal is listed under that path.
    const ProgramResult byDevice =
        runProgram(builtProgram("src/cli/tonva-cli"), {"ports", "--port", sim.device()}, 30000);
    EXPECT_TRUE(byDevice.out.contains(sim.device() + QStringLiteral(" <Pseudo-terminal>")))
        << byDevice.out.toStdString();
    EXPECT_EQ(sim.closeInputAndWait(), 0);
}

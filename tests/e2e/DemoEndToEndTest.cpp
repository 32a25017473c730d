#include "support/Processes.h"
#include "support/TempDir.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace tonva::test;

namespace {

ProgramResult demo(const QStringList &arguments)
{
    return runProgram(builtProgram("src/cli/tonva-cli"), QStringList{"demo"} + arguments, 360000);
}

// What a run decided: each list row's frequency and verdict under its step title, and the status table.
QStringList verdicts(const QString &printed)
{
    const qsizetype start = printed.indexOf("\nHearing Level, left ear\n");
    const qsizetype end = printed.indexOf("\nSaved as test ");
    if (start < 0 || end < start)
        return {};
    QStringList decided;
    bool statusTable = false;
    for (const QString &line : printed.mid(start, end - start).split('\n', Qt::SkipEmptyParts)) {
        statusTable = statusTable || line.startsWith("Status table");
        const QStringList cells = line.split(QRegularExpression(" {2,}"), Qt::SkipEmptyParts);
        decided << (statusTable || cells.size() < 2 ? line : cells.front() + ' ' + cells.back());
    }
    return decided;
}

} // namespace

// The pseudo-terminal run goes through a line that garbles some of the meter's replies: flow-control
// and stale bytes inside the binary records' announces and corrupted checksums must cost time only,
// never a reading.
TEST(DemoEndToEnd, NoisyPseudoTerminalRunDecidesAsTheBuiltInMeterAndTheNextDemoFindsIt)
{
    TempDir dir;
    const QString control = dir.file("scene.sock");
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--speed", "50", "--control", control, "--seed", "4", "--faults",
                           "xon-xoff=0.1,stale-bytes=0.1,corrupt-checksum=0.1"}));
    const ProgramResult overPort = demo({"--profile", "faulty", "--db", dir.file("bench.sqlite"), "--port",
                                         sim.device(), "--control", control});
    ASSERT_TRUE(overPort.finished);
    ASSERT_EQ(overPort.exitCode, 0) << overPort.out.toStdString() << overPort.err.toStdString();
    EXPECT_EQ(sim.closeInputAndWait(), 0);

    const ProgramResult builtIn = demo({"--profile", "faulty", "--db", dir.file("virtual.sqlite")});
    ASSERT_EQ(builtIn.exitCode, 0) << builtIn.out.toStdString();

    const QStringList decided = verdicts(overPort.out);
    ASSERT_FALSE(decided.isEmpty()) << overPort.out.toStdString();
    EXPECT_EQ(decided, verdicts(builtIn.out));
    EXPECT_EQ(decided.filter(QRegularExpression(" FAIL$")),
              QStringList({"4000 FAIL", "2000 FAIL", "2000 FAIL", "1000 FAIL", "1000 FAIL"}));

    // The next demo on the same file finds the test the pseudo-terminal run stored.
    const ProgramResult next = demo({"--db", dir.file("bench.sqlite")});
    ASSERT_EQ(next.exitCode, 0) << next.out.toStdString();
    EXPECT_TRUE(next.out.contains("Earlier tests of audiometer AD 629 DA-20417: 1\n  test 1 of "))
        << next.out.toStdString();
}

TEST(DemoEndToEnd, PortWithoutItsSceneControlIsRefused)
{
    const ProgramResult result = demo({"--port", "/dev/null"});
    ASSERT_TRUE(result.finished);
    EXPECT_NE(result.exitCode, 0);
    EXPECT_TRUE(result.err.contains("--control")) << result.err.toStdString();
}

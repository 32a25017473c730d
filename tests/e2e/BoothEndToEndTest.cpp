#include "support/Processes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace tonva::test;

namespace {

// The four pages, without the closing line that names the database.
QString pagesOf(const QString &out)
{
    return out.left(out.indexOf(QStringLiteral("Saved booth survey")));
}

} // namespace

// The same noisy booth surveyed on the built-in meter and through a trellan-sim's pseudo-terminal
// gives the same pages, and both surveys are listed with the database's tests.
TEST(BoothEndToEnd, PtySurveyMatchesBuiltInAndIsListed)
{
    TempDir dir;
    const QString cli = builtProgram(QStringLiteral("src/cli/tonva-cli"));
    const QString database = dir.file(QStringLiteral("booth.db"));
    const ProgramResult builtIn =
        runProgram(cli, {"booth", "--profile", "noisy-booth", "--date", "2012-04-02", "--name", "Built in", "--db", database});
    ASSERT_EQ(builtIn.exitCode, 0) << builtIn.out.toStdString() << builtIn.err.toStdString();
    EXPECT_TRUE(builtIn.out.contains(QStringLiteral("      125          35.0              (30.0)"))) << builtIn.out.toStdString();

    SimProcess sim;
    ASSERT_TRUE(sim.start({"--booth", "noisy-booth", "--speed", "50", "--latency", "0"}));
    const ProgramResult overPty = runProgram(
        cli, {"booth", "--port", sim.device(), "--date", "2012-04-02", "--name", "Over pty", "--db", database}, 120000);
    ASSERT_EQ(overPty.exitCode, 0) << overPty.out.toStdString() << overPty.err.toStdString();
    EXPECT_EQ(pagesOf(overPty.out), pagesOf(builtIn.out));

    // A name already stored is not overwritten by a command nobody watches.
    const ProgramResult again =
        runProgram(cli, {"booth", "--profile", "quiet-booth", "--name", "Built in", "--db", database});
    EXPECT_EQ(again.exitCode, 1);

    const ProgramResult list = runProgram(cli, {"db", "list", database});
    ASSERT_EQ(list.exitCode, 0) << list.err.toStdString();
    EXPECT_TRUE(list.out.contains(QStringLiteral("survey 1\tBuilt in\t\t\tApr. 02, 2012"))) << list.out.toStdString();
    EXPECT_TRUE(list.out.contains(QStringLiteral("survey 2\tOver pty"))) << list.out.toStdString();
}

#include "support/Processes.h"
#include "support/TempDir.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QThread>
#include <gtest/gtest.h>

using namespace tonva::test;

namespace {

bool waitForFile(const QString &path, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        if (QFile::exists(path))
            return true;
        QThread::msleep(50);
    }
    return false;
}

} // namespace

// The real program, offscreen: it opens its database at start and, asked to end as a desktop session
// asks, closes its window and writes its settings.
TEST(DesktopEndToEnd, StartsOnItsDatabaseAndExitsCleanlyWhenAskedTo)
{
    TempDir dir;
    const QString database = dir.file("lab.sqlite");
    const QString settings = dir.file("tonva.ini");
    QProcess tonva;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    tonva.setProcessEnvironment(environment);
    tonva.start(builtProgram("src/tonva"), {"--db", database, "--settings", settings, "--port", "sim"});
    ASSERT_TRUE(tonva.waitForStarted(10000));
    ASSERT_TRUE(waitForFile(database, 30000)) << tonva.readAllStandardError().toStdString();
    // Up and idle: the event loop answers.
    QThread::msleep(500);
    ASSERT_EQ(tonva.state(), QProcess::Running) << tonva.readAllStandardError().toStdString();

    tonva.terminate();
    ASSERT_TRUE(tonva.waitForFinished(20000));
    EXPECT_EQ(tonva.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tonva.exitCode(), 0) << tonva.readAllStandardError().toStdString();

    QSettings written(settings, QSettings::IniFormat);
    EXPECT_EQ(written.value("Settings/Data Was Modified").toString(), "0");
    EXPECT_EQ(written.value("Preferences/DatabaseName").toString(), "lab.sqlite");
}

TEST(DesktopEndToEnd, HelpAndBadOptions)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const ProgramResult help = runProgram(builtProgram("src/tonva"), {"--help"}, 30000);
    ASSERT_TRUE(help.finished);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--sim-profile")) << help.out.toStdString();
    const ProgramResult wrong =
        runProgram(builtProgram("src/tonva"), {"--sim-profile", "no-such-profile"}, 30000);
    ASSERT_TRUE(wrong.finished);
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_TRUE(wrong.err.contains("no-such-profile")) << wrong.err.toStdString();
}

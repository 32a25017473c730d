#include "support/Processes.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace tonva::test;

namespace {

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

ProgramResult ostrin(const QStringList &arguments)
{
    return runProgram(builtProgram("src/ostrin/ostrin"), arguments, 30000);
}

// The shipped udev rule goes into a store of the test's own, as a lab installs it.
TEST(OstrinEndToEnd, InstallsIntoTheStoreAndReportsEachOutcomeOnItsLine)
{
    TempDir store;
    qputenv("OSTRIN_DRIVER_STORE", store.path().toLocal8Bit());
    const QString rules = QStringLiteral(TONVA_SOURCE_DIR "/packaging/linux/99-trellan.rules");
    const QString installed = store.file(QStringLiteral("99-trellan.rules"));

    ProgramResult run = ostrin({rules});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, rules + QStringLiteral(" 1 0\n"));
    EXPECT_EQ(contentOf(installed), contentOf(rules));
    EXPECT_TRUE(contentOf(installed).contains("ATTRS{idVendor}==\"10c4\", ATTRS{idProduct}==\"ea60\""));

    // Installed again from the store itself, the package keeps its content.
    run = ostrin({installed, QStringLiteral("ignored")});
    EXPECT_EQ(run.out, installed + QStringLiteral(" 1 0\n"));
    EXPECT_EQ(contentOf(installed), contentOf(rules));

    const QString missing = store.file(QStringLiteral("missing.rules"));
    run = ostrin({missing});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, missing + QStringLiteral(" 0 2\n"));
    EXPECT_EQ(QDir(store.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"99-trellan.rules"})
        << "no temporary file is left behind";
    qunsetenv("OSTRIN_DRIVER_STORE");

    run = ostrin({});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("usage: ostrin FILE\n"))) << run.err.toStdString();
}

} // namespace

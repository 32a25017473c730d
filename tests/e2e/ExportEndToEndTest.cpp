#include "export/DataExport.h"
#include "model/Blobs.h"
#include "model/FixedText.h"
#include "storage/Database.h"
#include "storage/Recordsets.h"
#include "support/Processes.h"
#include "support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace tonva;
using namespace tonva::test;

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(ExportEndToEnd, CliWritesTestsAndSurveysAndSaysWhyItCannot)
{
    TempDir dir;
    // The organisation lines come from the user's preferences: an empty store of the test's own.
    qputenv("XDG_CONFIG_HOME", dir.file(QStringLiteral("config")).toUtf8());
    const QString cliPath = builtProgram(QStringLiteral("src/cli/tonva-cli"));
    const QString db = dir.file(QStringLiteral("lab.sqlite"));
    ASSERT_EQ(runProgram(cliPath, {"demo", "--db", db, "--profile", "faulty"}, 120000).exitCode, 0);

    AudTestRecord stored;
    {
        const auto database = Database::openExisting(db);
        ReadTestBlob(CAudTestMeasRS(*database).find(1)->data, stored);
        BoothRecord booth;
        setFixedText(booth.testName, "Booth A");
        CAmbientMeasurements(*database).insert({-1, QStringLiteral("Booth A"), 40000.0, QString(), QString(),
                                                WriteBoothBlob(booth)});
    }

    const ProgramResult tabbed = runProgram(cliPath, {"export", "--db", db, "--test", "1", "--format", "txt", "--tab",
                                                      "--out", dir.file(QStringLiteral("t.txt"))});
    EXPECT_EQ(tabbed.exitCode, 0) << tabbed.err.toStdString();
    EXPECT_EQ(contents(dir.file(QStringLiteral("t.txt"))),
              encodeExportRecords(audiometerExportRecords(stored, {}), '\t'));

    const ProgramResult sheet = runProgram(cliPath, {"export", "--db", db, "--booth", "Booth A", "--format", "xlsx",
                                                     "--out", dir.file(QStringLiteral("b.xlsx"))});
    EXPECT_EQ(sheet.exitCode, 0) << sheet.err.toStdString();
    EXPECT_TRUE(contents(dir.file(QStringLiteral("b.xlsx"))).startsWith("PK"));

    const ProgramResult missing = runProgram(cliPath, {"export", "--db", db, "--test", "99", "--format", "csv",
                                                       "--out", dir.file(QStringLiteral("x.csv"))});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(QLatin1String("no test 99"))) << missing.err.toStdString();
    const ProgramResult unwritable = runProgram(cliPath, {"export", "--db", db, "--test", "1", "--format", "csv",
                                                          "--out", dir.file(QStringLiteral("no/x.csv"))});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_TRUE(unwritable.err.startsWith(QLatin1String("Unable to open output file."))) << unwritable.err.toStdString();
}

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

TEST(ExportEndToEnd, CliWritesTestsAndSurveysAndSaysWhyItCannot)
{
    TempDir dir;
    // The organisation lines come from the user's preferences: an empty store of the test's own.
    qputenv("XDG_CONFIG_HOME", dir.file(QStringLiteral("config")).toUtf8());
    const QString db = dir.file(QStringLiteral("lab.sqlite"));
    const auto cli = [&](QStringList arguments) {
        return runProgram(builtProgram(QStringLiteral("src/cli/tonva-cli")), arguments, 120000);
    };
    ASSERT_EQ(cli({"demo", "--db", db, "--profile", "faulty"}).exitCode, 0);
    AudTestRecord stored;
    {
        const auto database = Database::openExisting(db);
        ReadTestBlob(CAudTestMeasRS(*database).find(1)->data, stored);
        CAmbientMeasurements(*database).insert({-1, "Booth A", 40000.0, {}, {}, WriteBoothBlob(BoothRecord{})});
    }
    const auto written = [&](const char *name) {
        QFile file(dir.file(QLatin1String(name)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };

    const ProgramResult tabbed = cli({"export", "--db", db, "--test", "1", "--format", "txt", "--tab", "--out", dir.file("t.txt")});
    EXPECT_EQ(tabbed.exitCode, 0) << tabbed.err.toStdString();
    EXPECT_EQ(written("t.txt"), encodeExportRecords(audiometerExportRecords(stored, {}), '\t'));
    const ProgramResult sheet = cli({"export", "--db", db, "--booth", "Booth A", "--format", "xlsx", "--out", dir.file("b.xlsx")});
    EXPECT_EQ(sheet.exitCode, 0) << sheet.err.toStdString();
    EXPECT_TRUE(written("b.xlsx").startsWith("PK"));

    const ProgramResult missing = cli({"export", "--db", db, "--test", "99", "--format", "csv", "--out", dir.file("x.csv")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("no test 99")) << missing.err.toStdString();
    const ProgramResult unwritable = cli({"export", "--db", db, "--test", "1", "--format", "csv", "--out", dir.file("no/x.csv")});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_TRUE(unwritable.err.startsWith("Unable to open output file.")) << unwritable.err.toStdString();
}

#include "storage/Database.h"
#include "storage/OldDatabase.h"
#include "storage/Recordsets.h"
#include "support/Processes.h"
#include "support/ReadOnlyPath.h"
#include "support/TempDir.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace tonva::test;

namespace {

ProgramResult cli(const QStringList &arguments)
{
    return runProgram(builtProgram("src/cli/tonva-cli"), arguments, 120000);
}

std::string shown(const ProgramResult &result)
{
    return (result.out + result.err).toStdString();
}

// A database as the demo leaves it: current version, one stored test.
QString demoDatabase(const TempDir &dir, const QString &name)
{
    const QString path = dir.file(name);
    const ProgramResult demo = cli({"demo", "--db", path});
    EXPECT_EQ(demo.exitCode, 0) << shown(demo);
    return path;
}

} // namespace

TEST(DatabaseCommandEndToEnd, DemoTakesAnEmptyFileAndKeepsTheNameItIsGiven)
{
    TempDir dir;
    const QString empty = dir.file("x.sqlite");
    ASSERT_TRUE(QFile(empty).open(QIODevice::WriteOnly));
    demoDatabase(dir, "x.sqlite");
    const ProgramResult info = cli({"db", "info", empty});
    EXPECT_EQ(info.exitCode, 0) << shown(info);
    EXPECT_TRUE(info.out.startsWith("schema 7\ntests 1\n")) << shown(info);

    // A name with an extension of its own is created, and found again, as given.
    const QString lab = demoDatabase(dir, "lab.db");
    EXPECT_TRUE(QFileInfo(lab).isFile());
    EXPECT_FALSE(QFile::exists(lab + ".sqlite"));
    const ProgramResult labInfo = cli({"db", "info", lab});
    EXPECT_TRUE(labInfo.out.startsWith("schema 7\ntests 1\n")) << shown(labInfo);
    const ProgramResult again = cli({"demo", "--db", lab});
    EXPECT_TRUE(again.out.contains("Earlier tests of audiometer AD 629 DA-20417: 1\n")) << shown(again);
    EXPECT_FALSE(QFile::exists(lab + ".sqlite"));
}

TEST(DatabaseCommandEndToEnd, EveryCommandSaysWhenAFileIsNoTonvaDatabase)
{
    TempDir dir;
    const QString empty = dir.file("empty.sqlite");
    ASSERT_TRUE(QFile(empty).open(QIODevice::WriteOnly));
    const QString foreign = dir.file("notes.sqlite");
    tonva::Database::createNew(foreign)->run("CREATE TABLE Notes (Text VARCHAR(10))");

    for (const QString &path : {empty, foreign}) {
        for (const char *action : {"info", "list", "convert"}) {
            const ProgramResult result = cli({"db", action, path});
            EXPECT_EQ(result.exitCode, 1) << action << ' ' << shown(result);
            EXPECT_TRUE(result.err.contains(path + " is not a Tonva database"))
                << action << ' ' << shown(result);
            EXPECT_FALSE(result.out.contains("schema")) << shown(result);
        }
    }
    EXPECT_EQ(QFileInfo(empty).size(), 0) << "the commands only look";
}

TEST(DatabaseCommandEndToEnd, ConvertChecksPagesAndColumnsAndListSendsOnlyConvertibleFilesThere)
{
    TempDir dir;
    const QString damaged = demoDatabase(dir, "damaged.sqlite");
    damagePage(damaged);
    const ProgramResult convertDamaged = cli({"db", "convert", damaged});
    EXPECT_EQ(convertDamaged.exitCode, 1) << shown(convertDamaged);
    EXPECT_TRUE(convertDamaged.err.contains(QString("Database %1 is damaged: ").arg(damaged)))
        << shown(convertDamaged);

    // An old file whose tests table is another program's shape: neither converted nor sent to convert.
    const QString odd = dir.file("odd.sqlite");
    makeDatabaseFile(odd, 3, [](const tonva::Database &db) {
        db.run("DROP TABLE AudTestMeasurements");
        db.run("CREATE TABLE AudTestMeasurements (Id INTEGER, Technician TEXT, Date REAL, ModelNum TEXT, "
               "SerialNum TEXT, Data BLOB)");
    });
    const QString problem =
        QString("Table AudTestMeasurements of database %1 has no column ChannelNum.").arg(odd);
    const ProgramResult list = cli({"db", "list", odd});
    EXPECT_EQ(list.exitCode, 1);
    EXPECT_TRUE(list.err.contains(problem)) << shown(list);
    EXPECT_FALSE(list.err.contains("db convert")) << shown(list);
    const ProgramResult convert = cli({"db", "convert", odd});
    EXPECT_EQ(convert.exitCode, 1);
    EXPECT_TRUE(convert.err.contains(problem)) << shown(convert);

    // A sound old file is still sent there, and converted.
    const QString old = dir.file("old.sqlite");
    makeDatabaseFile(old, 3);
    EXPECT_TRUE(
        cli({"db", "list", old}).err.contains("database version 3; run 'tonva-cli db convert' first"));
    EXPECT_EQ(cli({"db", "convert", old}).out, QString("schema 7\n"));
}

TEST(DatabaseCommandEndToEnd, InfoAndListReadAFileTheyMayNotWrite)
{
    TempDir dir;
    const QString path = demoDatabase(dir, "lab.sqlite");
    const QString old = dir.file("old.sqlite");
    makeDatabaseFile(old, 3);
    ReadOnlyPath file(path);
    ReadOnlyPath oldFile(old);
    ReadOnlyPath folder(dir.path());
    if (!file.holds() || !folder.holds())
        GTEST_SKIP() << "running with privileges that ignore file permissions";

    const ProgramResult info = cli({"db", "info", path});
    EXPECT_EQ(info.exitCode, 0) << shown(info);
    EXPECT_TRUE(info.out.startsWith("schema 7\ntests 1\n")) << shown(info);
    const ProgramResult list = cli({"db", "list", path});
    EXPECT_EQ(list.exitCode, 0) << shown(list);
    EXPECT_TRUE(list.out.contains("Demo Technician\tAD 629\tDA-20417")) << shown(list);
    const ProgramResult convert = cli({"db", "convert", path});
    EXPECT_EQ(convert.exitCode, 1);
    EXPECT_TRUE(convert.err.contains("the file is read-only")) << shown(convert);
    // Nor is an old file there sent to a conversion that could not write it.
    const ProgramResult listOld = cli({"db", "list", old});
    EXPECT_EQ(listOld.exitCode, 1);
    EXPECT_TRUE(listOld.err.contains("convert a copy of it")) << shown(listOld);
}

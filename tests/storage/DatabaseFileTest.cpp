#include "storage/DatabaseFile.h"

#include "OldDatabase.h"
#include "storage/SchemaConversion.h"
#include "support/ReadOnlyPath.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlRecord>
#include <gtest/gtest.h>

namespace tonva {
namespace {

using test::ScriptedInteraction;
using test::TempDir;

// A path in `dir` exactly `length` characters long that already ends in ".sqlite".
QString pathOfLength(const TempDir &dir, int length)
{
    const QString prefix = dir.path() + QStringLiteral("/");
    const QString suffix = QStringLiteral(".sqlite");
    return prefix + QString(length - prefix.size() - suffix.size(), QLatin1Char('d')) + suffix;
}

TEST(DatabasePathTest, ExtensionIsAppendedOnlyWhenTheLiteralTextIsAbsent)
{
    EXPECT_EQ(DatabasePath::withExtension(QStringLiteral("/lab/Survey")),
              QStringLiteral("/lab/Survey.sqlite"));
    EXPECT_EQ(DatabasePath::withExtension(QStringLiteral("/lab/Survey.SQLITE")),
              QStringLiteral("/lab/Survey.SQLITE.sqlite"));
    EXPECT_EQ(DatabasePath::withExtension(QStringLiteral("/lab/Survey.sqlite")),
              QStringLiteral("/lab/Survey.sqlite"));
    EXPECT_EQ(DatabasePath::join(QStringLiteral("/lab"), QStringLiteral("a.sqlite")),
              QStringLiteral("/lab/a.sqlite"));
    EXPECT_EQ(DatabasePath::join(QStringLiteral("/lab/"), QStringLiteral("a.sqlite")),
              QStringLiteral("/lab/a.sqlite"));
}

TEST(DatabasePathTest, AnExistingFileKeepsItsNameAndOnlyANewBareNameGetsTheExtension)
{
    TempDir dir;
    for (const char *name : {"lab.db", "Lab"}) {
        QFile file(dir.file(QLatin1String(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(DatabasePath::resolve(dir.file("lab.db")), dir.file("lab.db"));
    EXPECT_EQ(DatabasePath::resolve(dir.file("Lab")), dir.file("Lab"));
    EXPECT_EQ(DatabasePath::resolve(dir.file("new.db")), dir.file("new.db"));
    EXPECT_EQ(DatabasePath::resolve(dir.file("New")), dir.file("New.sqlite"));
    // Only the file's own name counts, not a folder on the way to it.
    EXPECT_EQ(DatabasePath::resolve(dir.file("old.sqlite/New")), dir.file("old.sqlite/New.sqlite"));
}

// A start killed while it created its file left an empty or table-less file that every later start
// refused; such a file holds nothing and becomes the new database.
TEST(OpenOrCreateDatabaseTest, EmptyOrTablelessFileBecomesANewDatabase)
{
    TempDir dir;
    const QString empty = dir.file("Empty.sqlite");
    const QString tableless = dir.file("Tableless.sqlite");
    QFile(empty).open(QIODevice::WriteOnly);
    Database::createNew(tableless)->run(QStringLiteral("PRAGMA user_version = 3"));
    ASSERT_GT(QFileInfo(tableless).size(), 0);
    // What a creation killed half-way left where the new file is built.
    QFile leftover(stagingPath(empty));
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.write("half a database");
    leftover.close();

    for (const QString &path : {empty, tableless}) {
        ScriptedInteraction interaction;
        DatabaseSlot slot;
        bool created = false;
        ASSERT_EQ(OpenOrCreateDatabase(slot, path, false, interaction, &created), 1) << path.toStdString();
        EXPECT_TRUE(created);
        EXPECT_EQ(slot->filePath(), path);
        EXPECT_EQ(CheckAndConvertDatabase(slot, interaction), 7);
        EXPECT_FALSE(QFile::exists(stagingPath(path)));
    }
}

TEST(OpenOrCreateDatabaseTest, PathOf251CharactersOpensAnd252IsRefused)
{
    TempDir dir;
    ScriptedInteraction interaction;
    DatabaseSlot slot;
    EXPECT_EQ(OpenOrCreateDatabase(slot, pathOfLength(dir, 251), false, interaction), 1);
    EXPECT_TRUE(slot);

    interaction.expectMessage(QStringLiteral("Database full path name too long"));
    EXPECT_EQ(OpenOrCreateDatabase(slot, pathOfLength(dir, 252), false, interaction), -1);
    EXPECT_TRUE(slot) << "a refused path leaves the open database alone";
    EXPECT_FALSE(QFile::exists(pathOfLength(dir, 252)));
}

TEST(OpenOrCreateDatabaseTest, NewFileGetsTheFourTablesAndVersionSeven)
{
    TempDir dir;
    ScriptedInteraction interaction;
    DatabaseSlot slot;
    bool created = false;
    ASSERT_EQ(OpenOrCreateDatabase(slot, dir.file(QStringLiteral("sub/Lab")), false, interaction, &created),
              1);
    EXPECT_TRUE(created);
    EXPECT_EQ(slot->filePath(), dir.file(QStringLiteral("sub/Lab.sqlite")));

    const auto columns = [&](const char *table) {
        const QSqlRecord record = slot->connection().record(QLatin1String(table));
        QStringList names;
        for (int i = 0; i < record.count(); ++i)
            names.append(record.fieldName(i));
        return names.join(QLatin1Char(','));
    };
    EXPECT_EQ(columns("EquipmentList"), QStringLiteral("Id,Data"));
    EXPECT_EQ(columns("AmbientMeasurements"), QStringLiteral("Id,TestName,Date,Customer,Booth,Data"));
    EXPECT_EQ(columns("AudTestMeasurements"),
              QStringLiteral("Id,Technician,Date,ModelNum,SerialNum,ChannelNum,Data"));
    EXPECT_EQ(columns("Schema"), QStringLiteral("Schema"));
    EXPECT_EQ(ReadSchemaVersion(*slot), 7);
    EXPECT_EQ(CSchemaRS(*slot).readFirst(), 7);

    QSqlQuery mode = slot->run(QStringLiteral("PRAGMA journal_mode"));
    ASSERT_TRUE(mode.next());
    EXPECT_EQ(mode.value(0).toString(), QStringLiteral("wal"));
}

TEST(OpenOrCreateDatabaseTest, AsksBeforeCreatingAndNoCreatesNothing)
{
    TempDir dir;
    const QString path = dir.file(QStringLiteral("Missing.sqlite"));
    ScriptedInteraction interaction;
    interaction.expectAsk(
        QStringLiteral("Database %1 doesn't exist.  Do you want to create a new database (Yes)? "
                       "\n Or open an existing database (No, use File/ChangeDatabase)?")
            .arg(path),
        Answer::No);
    DatabaseSlot slot;
    EXPECT_EQ(OpenOrCreateDatabase(slot, path, true, interaction), 0);
    EXPECT_FALSE(slot);
    EXPECT_FALSE(QFile::exists(path));
}

// Every refused file must stay exactly as it was: the technician may need it elsewhere.
class RefusedFileTest : public ::testing::Test
{
protected:
    void expectRefusedUntouched(const QString &message, bool prefixOnly = false)
    {
        const QByteArray before = test::fileBytes(path);
        ScriptedInteraction interaction;
        if (prefixOnly)
            interaction.expectMessageStartingWith(message);
        else
            interaction.expectMessage(message);
        DatabaseSlot slot;
        if (OpenOrCreateDatabase(slot, path, false, interaction) == 1 &&
            CheckAndConvertDatabase(slot, interaction) < 0)
            CloseDatabase(slot);
        EXPECT_FALSE(slot);
        EXPECT_EQ(test::fileBytes(path), before);
        EXPECT_FALSE(QFile::exists(path + QStringLiteral("VERSION0")));
    }

    TempDir dir;
    const QString path = dir.file(QStringLiteral("Lab.sqlite"));
    const QString tryAnother = QStringLiteral("\nTry a different Database using File/Change Database");
};

TEST_F(RefusedFileTest, VersionSevenOpensWithoutConversion)
{
    test::makeDatabaseFile(path, 7);
    ScriptedInteraction interaction;
    DatabaseSlot slot;
    ASSERT_EQ(OpenOrCreateDatabase(slot, path, false, interaction), 1);
    EXPECT_EQ(CheckAndConvertDatabase(slot, interaction), 7);
    EXPECT_TRUE(interaction.progressStatuses().isEmpty());
}

TEST_F(RefusedFileTest, NewerZeroAndMissingVersionsAreRefused)
{
    test::makeDatabaseFile(path, 8);
    expectRefusedUntouched(QStringLiteral("Data in database has newer version than software supports.") +
                           tryAnother);
    QFile::remove(path);
    test::makeDatabaseFile(path, 0);
    expectRefusedUntouched(QStringLiteral("Database is not compatible with this version of Tonva.") +
                           tryAnother);
    QFile::remove(path);
    test::makeDatabaseFile(path, std::nullopt);
    expectRefusedUntouched(QStringLiteral("Database %1 holds no Tonva version information.").arg(path) +
                           tryAnother);
}

TEST_F(RefusedFileTest, ForeignFilesAreRefusedWithTheEnginesReason)
{
    QFile text(path);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write(QByteArray("Technician,Model\nSmith,AC40\n").repeated(200));
    text.close();
    expectRefusedUntouched(
        QStringLiteral("Couldn't open database %1 --Exception: file is not a database").arg(path), true);

    // Another program's database without our tables.
    QFile::remove(path);
    Database::createNew(path)->run(QStringLiteral("CREATE TABLE Notes (Text VARCHAR(10))"));
    expectRefusedUntouched(QStringLiteral("Database %1 holds no Tonva version information.").arg(path) +
                           tryAnother);
}

TEST_F(RefusedFileTest, TablesWithoutTheirColumnsAreRefused)
{
    // Our four tables by name, one of them another program's shape.
    auto database = Database::createNew(path);
    createStoredTables(*database);
    database->run(QStringLiteral("DROP TABLE AudTestMeasurements"));
    database->run(
        QStringLiteral("CREATE TABLE AudTestMeasurements (Id INTEGER, Technician TEXT, Data BLOB)"));
    CSchemaRS(*database).insert(7);
    database.reset();
    expectRefusedUntouched(
        QStringLiteral("Table AudTestMeasurements of database %1 has no column Date.").arg(path) +
        tryAnother);

    // An old file without a table cannot be converted either.
    QFile::remove(path);
    test::makeDatabaseFile(path, 3,
                           [](const Database &db) { db.run(QStringLiteral("DROP TABLE EquipmentList")); });
    expectRefusedUntouched(QStringLiteral("Database %1 has no table EquipmentList.").arg(path) + tryAnother);
}

TEST_F(RefusedFileTest, DamagedPagesAreFoundBeforeAnythingIsConverted)
{
    test::makeDatabaseFile(path, 3, [](const Database &db) {
        AudTestRow row;
        row.data = test::blobWithHeader("01.20", test::patternImage(33'576));
        for (row.id = 1; row.id <= 3; ++row.id)
            CAudTestMeasRS(db).insert(row);
    });
    test::damagePage(path);
    expectRefusedUntouched(QStringLiteral("Database %1 is damaged: ").arg(path), true);
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("_Mervane_TONVA_CONVERSION_DB_.sqlite"))));
}

TEST_F(RefusedFileTest, ReadOnlyFileInAReadOnlyFolderCanStillBeRead)
{
    ScriptedInteraction interaction;
    DatabaseSlot slot;
    ASSERT_EQ(OpenOrCreateDatabase(slot, path, false, interaction), 1);
    slot.reset();
    test::ReadOnlyPath file(path);
    test::ReadOnlyPath folder(dir.path());
    if (!file.holds() || !folder.holds())
        GTEST_SKIP() << "running with privileges that ignore file permissions";

    auto database = Database::openForReading(path);
    EXPECT_EQ(ReadSchemaVersion(*database), 7);
    EXPECT_THROW(CSchemaRS(*database).insert(8), DatabaseError);
}

TEST_F(RefusedFileTest, ReadOnlyFileIsRefused)
{
    test::makeDatabaseFile(path, 7);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    // Root ignores permissions; the immutable attribute binds even root.
    const bool immutable = QFileInfo(path).isWritable() && QProcess::execute("chattr", {"+i", path}) == 0;
    if (QFileInfo(path).isWritable())
        GTEST_SKIP() << "running with privileges that ignore file permissions";
    expectRefusedUntouched(
        QStringLiteral("Couldn't open database %1 --Exception: the file is read-only").arg(path));
    if (immutable)
        QProcess::execute("chattr", {"-i", path});
}

TEST_F(RefusedFileTest, FileLockedByAnotherWriterIsRefused)
{
    test::makeDatabaseFile(path, 7);
    auto holder = Database::openExisting(path);
    holder->run(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"));
    holder->run(QStringLiteral("BEGIN EXCLUSIVE"));
    holder->run(QStringLiteral("INSERT INTO EquipmentList (Data) VALUES (x'00')"));
    expectRefusedUntouched(
        QStringLiteral("Couldn't open database %1 --Exception: database is locked").arg(path), true);
    holder->run(QStringLiteral("ROLLBACK"));
}

} // namespace
} // namespace tonva

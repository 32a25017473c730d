#include "storage/DatabaseFile.h"

#include "storage/Recordsets.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace tonva {

namespace DatabasePath {

QString extension()
{
    return QStringLiteral(".sqlite");
}

QString defaultName()
{
    return QStringLiteral("TonvaDB") + extension();
}

QString withExtension(const QString &path)
{
    return QFileInfo(path).fileName().contains(extension(), Qt::CaseSensitive) ? path : path + extension();
}

QString resolve(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists() || !info.suffix().isEmpty())
        return path;
    return withExtension(path);
}

QString defaultFolder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(base).filePath(QStringLiteral("Quellmark/Tonva/"));
}

QString join(const QString &folder, const QString &name)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

} // namespace DatabasePath

namespace {

// The engine's journals beside a database file. Paired with the wrong file they would be replayed
// into it, so they go whenever the file they belong to goes.
bool removeJournals(const QString &path, QString *why)
{
    for (const char *suffix : {"-journal", "-wal", "-shm"}) {
        QFile journal(path + QLatin1String(suffix));
        if (journal.exists() && !journal.remove()) {
            *why = journal.fileName() + QStringLiteral(": ") + journal.errorString();
            return false;
        }
    }
    return true;
}

bool removeWithJournals(const QString &path, QString *why)
{
    if (!removeJournals(path, why))
        return false;
    QFile file(path);
    if (file.exists() && !file.remove()) {
        *why = file.errorString();
        return false;
    }
    return true;
}

int openExistingInto(DatabaseSlot &slot, const QString &path, Interaction &interaction)
{
    try {
        slot = Database::openExisting(path);
    } catch (const DatabaseError &error) {
        interaction.message(QStringLiteral("Couldn't open database %1 --Exception: ").arg(path) +
                            error.description());
        return -1;
    }
    return 1;
}

void discardStaged(DatabaseSlot &staged)
{
    const QString path = staged->filePath();
    CloseDatabase(staged);
    QString ignored;
    removeWithJournals(path, &ignored);
}

enum class Placed
{
    Failed,
    Ours,
    Theirs // another start put its new file under the name first
};

// Gives the finished database in `slot` its name and reopens it there. Closing it first leaves the
// whole database in the one file (its tables were committed with a rollback journal). `blankBefore`
// says the name held a blank file, which is replaced; otherwise the name was free, and a file
// another start put there meanwhile is kept and opened instead.
Placed putInPlace(DatabaseSlot &slot, const QString &path, bool blankBefore, Interaction &interaction)
{
    const QString staged = slot->filePath();
    CloseDatabase(slot);
    // Journals under the name belong to no database now; the engine would replay them into ours.
    QString why;
    bool cleared = true;
    if (blankBefore)
        cleared = removeWithJournals(path, &why);
    else if (!QFileInfo::exists(path))
        cleared = removeJournals(path, &why);
    QFile file(staged);
    if (!cleared || !file.rename(path)) {
        if (why.isEmpty())
            why = file.errorString();
        QString ignored;
        removeWithJournals(staged, &ignored);
        if (!blankBefore && QFileInfo::exists(path))
            return openExistingInto(slot, path, interaction) == 1 ? Placed::Theirs : Placed::Failed;
        interaction.message(QStringLiteral("Couldn't create database %1--Exception: ").arg(path) + why);
        return Placed::Failed;
    }
    if (openExistingInto(slot, path, interaction) != 1)
        return Placed::Failed;
    try {
        slot->enableWriteAhead();
    } catch (const DatabaseError &error) {
        slot.reset();
        interaction.message(QStringLiteral("Couldn't open database %1 --Exception: ").arg(path) +
                            error.description());
        return Placed::Failed;
    }
    return Placed::Ours;
}

} // namespace

QString stagingPath(const QString &path)
{
    return path + QStringLiteral(".creating");
}

int OpenOrCreateDatabase(DatabaseSlot &slot, const QString &givenPath, bool askBeforeCreate,
                         Interaction &interaction, bool *created)
{
    if (created)
        *created = false;
    if (givenPath.size() > DatabasePath::kMaxLength) {
        interaction.message(QStringLiteral("Database full path name too long"));
        return -1;
    }
    const QString path = DatabasePath::resolve(givenPath);
    CloseDatabase(slot);

    const bool exists = QFileInfo::exists(path);
    if (exists) {
        if (openExistingInto(slot, path, interaction) != 1)
            return -1;
        if (!slot->isBlank())
            return 1;
        // An empty file (made ready for us, or left by a creation cut short) is no database yet.
        CloseDatabase(slot);
    }

    const int result = CreateDatabaseFile(slot, path, askBeforeCreate, interaction);
    if (result != 1)
        return result;
    if (CreateDatabaseTables(*slot, interaction) != 0) {
        interaction.message(QStringLiteral("Could not create tables for %1 database.").arg(path));
        discardStaged(slot);
        return -1;
    }
    const Placed placed = putInPlace(slot, path, exists, interaction);
    if (created)
        *created = placed == Placed::Ours;
    return placed == Placed::Failed ? -1 : 1;
}

int CreateDatabaseFile(DatabaseSlot &slot, const QString &path, bool askBeforeCreate,
                       Interaction &interaction)
{
    if (askBeforeCreate) {
        const QString question =
            QStringLiteral("Database %1 doesn't exist.  Do you want to create a new database "
                           "(Yes)? \n Or open an existing database (No, use "
                           "File/ChangeDatabase)?")
                .arg(path);
        if (interaction.ask(question, Buttons::YesNo) != Answer::Yes)
            return 0;
    }
    const QString couldNotCreate = QStringLiteral("Couldn't create database %1--Exception: ").arg(path);
    // A new file in a new lab's folder: the folder may not be there yet.
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString staging = stagingPath(path);
    QString why;
    if (!removeWithJournals(staging, &why)) {
        interaction.message(couldNotCreate + why);
        return -1;
    }
    try {
        slot = Database::createNew(staging);
    } catch (const DatabaseError &error) {
        interaction.message(couldNotCreate + error.description());
        slot.reset();
        removeWithJournals(staging, &why);
        return -1;
    }
    return 1;
}

int CreateDatabaseTables(Database &database, Interaction &interaction)
{
    for (const char *table : {"EquipmentList", "AmbientMeasurements", "AudTestMeasurements", "Schema"}) {
        if (database.hasTable(QLatin1String(table))) {
            interaction.message(QStringLiteral("A table by that name already exists."));
            return -1;
        }
    }
    try {
        Transaction transaction(database);
        createStoredTables(database);
        CSchemaRS(database).insert(kCurrentSchemaVersion);
        transaction.commit();
    } catch (const DatabaseError &error) {
        interaction.message(QStringLiteral("Couldn't create field--Exception: ") + error.description());
        return -1;
    }
    return 0;
}

void CloseDatabase(DatabaseSlot &slot)
{
    slot.reset();
}

int ReadSchemaVersion(const Database &database)
{
    try {
        return CSchemaRS(database).readFirst().value_or(-1);
    } catch (const DatabaseError &) {
        return -1;
    }
}

} // namespace tonva

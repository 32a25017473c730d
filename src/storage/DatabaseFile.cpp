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

void discardStaged(DatabaseSlot &staged)
{
    const QString path = staged->filePath();
    CloseDatabase(staged);
    QString ignored;
    removeWithJournals(path, &ignored);
}

// Gives the finished database in `staged` its name. Closing it first leaves the whole database in
// the one file (its tables were committed with a rollback journal); a file still under the name is
// blank, so replacing it loses nothing.
bool putInPlace(DatabaseSlot &slot, const QString &path, Interaction &interaction)
{
    const QString couldNotCreate = QStringLiteral("Couldn't create database %1--Exception: ").arg(path);
    const QString staged = slot->filePath();
    CloseDatabase(slot);
    QString why;
    if (!removeWithJournals(path, &why)) {
        interaction.message(couldNotCreate + why);
        removeWithJournals(staged, &why);
        return false;
    }
    QFile file(staged);
    if (!file.rename(path)) {
        interaction.message(couldNotCreate + file.errorString());
        removeWithJournals(staged, &why);
        return false;
    }
    try {
        slot = Database::openExisting(path);
        slot->enableWriteAhead();
    } catch (const DatabaseError &error) {
        slot.reset();
        interaction.message(QStringLiteral("Couldn't open database %1 --Exception: ").arg(path) +
                            error.description());
        return false;
    }
    return true;
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

    if (QFileInfo::exists(path)) {
        try {
            slot = Database::openExisting(path);
        } catch (const DatabaseError &error) {
            interaction.message(QStringLiteral("Couldn't open database %1 --Exception: ").arg(path) +
                                error.description());
            return -1;
        }
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
    if (!putInPlace(slot, path, interaction))
        return -1;
    if (created)
        *created = true;
    return 1;
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

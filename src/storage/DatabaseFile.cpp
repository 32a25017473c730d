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
    return path.contains(extension(), Qt::CaseSensitive) ? path : path + extension();
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

int OpenOrCreateDatabase(DatabaseSlot &slot, const QString &givenPath, bool askBeforeCreate,
                         Interaction &interaction, bool *created)
{
    if (created)
        *created = false;
    if (givenPath.size() > DatabasePath::kMaxLength) {
        interaction.message(QStringLiteral("Database full path name too long"));
        return -1;
    }
    const QString path = DatabasePath::withExtension(givenPath);
    CloseDatabase(slot);

    if (!QFileInfo::exists(path)) {
        const int result = CreateDatabaseFile(slot, path, askBeforeCreate, interaction);
        if (result != 1)
            return result;
        if (CreateDatabaseTables(*slot, interaction) != 0) {
            interaction.message(QStringLiteral("Could not create tables for %1 database.").arg(path));
            CloseDatabase(slot);
            QFile::remove(path);
            return -1;
        }
        if (created)
            *created = true;
        return 1;
    }

    try {
        slot = Database::openExisting(path);
    } catch (const DatabaseError &error) {
        interaction.message(QStringLiteral("Couldn't open database %1 --Exception: ").arg(path) +
                            error.description());
        return -1;
    }
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
    // A new file in a new lab's folder: the folder may not be there yet.
    QDir().mkpath(QFileInfo(path).absolutePath());
    try {
        slot = Database::createNew(path);
    } catch (const DatabaseError &error) {
        interaction.message(QStringLiteral("Couldn't create database %1--Exception: ").arg(path) +
                            error.description());
        slot.reset();
        QFile::remove(path);
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

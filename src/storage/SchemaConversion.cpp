#include "storage/SchemaConversion.h"

#include "storage/BlobConversion.h"
#include "storage/Recordsets.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace tonva {

namespace {

const QString kTryAnother = QStringLiteral("\nTry a different Database using File/Change Database");

QString conversionFilePath(const QString &databasePath)
{
    return DatabasePath::join(QFileInfo(databasePath).absolutePath(),
                              QStringLiteral("_Mervane_TONVA_CONVERSION_DB_") + DatabasePath::extension());
}

// Removes a database file with the journal files the engine may have left beside it.
bool removeDatabaseFile(const QString &path, int *cause)
{
    for (const char *suffix : {"-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
    QFile file(path);
    if (!file.exists() || file.remove())
        return true;
    *cause = int(file.error());
    return false;
}

void copyRows(const Database &from, const Database &to, int fromVersion, Progress &progress)
{
    Transaction transaction(to);

    progress.setStatus(QStringLiteral("Converting Equipment List"));
    progress.step();
    if (const auto inventory = CEquipmentList(from).readFirst())
        CEquipmentList(to).writeFirst(BlobConversion::convertInventoryBlob(*inventory));

    progress.setStatus(QStringLiteral("Converting Ambient measurement data"));
    progress.step();
    const CAmbientMeasurements ambientTo(to);
    CAmbientMeasurements(from).forEach([&](const AmbientRow &row) { ambientTo.insert(row); });

    progress.setStatus(QStringLiteral("Converting Audiometric measurement data"));
    progress.step();
    const CAudTestMeasRS testsTo(to);
    CAudTestMeasRS(from).forEach([&](const AudTestRow &row) {
        AudTestRow converted = row;
        converted.data = BlobConversion::convertTestBlob(fromVersion, row.data);
        testsTo.insert(converted);
    });

    transaction.commit();
}

// The old file keeps its name until the converted one replaces it in a single rename, so an
// interruption at any point leaves either the old file or the complete new one under that name.
bool replaceWithConverted(const QString &databasePath, const QString &convertedPath,
                          const QString &backupPath, Interaction &interaction)
{
    const std::filesystem::path original = databasePath.toStdString();
    const std::filesystem::path backup = backupPath.toStdString();
    std::error_code error;
    if (std::filesystem::exists(backup, error)) {
        interaction.message(QStringLiteral("Unable to convert database: %1 already exists.").arg(backupPath));
        return false;
    }
    std::filesystem::create_hard_link(original, backup, error);
    if (error && !std::filesystem::copy_file(original, backup, error)) {
        interaction.message(QStringLiteral("Unable to convert database: could not create %1 (%2).")
                                .arg(backupPath, QString::fromStdString(error.message())));
        return false;
    }
    std::filesystem::rename(convertedPath.toStdString(), original, error);
    if (error) {
        std::filesystem::remove(backup, error);
        interaction.message(QStringLiteral("Unable to convert database: could not replace %1 (%2).")
                                .arg(databasePath, QString::fromStdString(error.message())));
        return false;
    }
    return true;
}

} // namespace

int ConvertDatabaseStep(DatabaseSlot &slot, int fromVersion, bool &askToKeepOld, Interaction &interaction,
                        Progress &progress)
{
    const int toVersion = fromVersion + 1;
    const QString databasePath = QFileInfo(slot->filePath()).absoluteFilePath();
    const QString convertedPath = conversionFilePath(databasePath);

    int cause = 0;
    if (!removeDatabaseFile(convertedPath, &cause)) {
        interaction.message(
            QStringLiteral("Unable to delete existing conversion database (cause: %1)").arg(cause));
        return -1;
    }

    DatabaseSlot converted;
    if (OpenOrCreateDatabase(converted, convertedPath, false, interaction) != 1) {
        interaction.message(
            QStringLiteral("Unable to open new database to convert database version %1 to version %2.")
                .arg(fromVersion)
                .arg(toVersion));
        return -1;
    }

    try {
        copyRows(*slot, *converted, fromVersion, progress);
    } catch (const DatabaseError &) {
        CloseDatabase(converted);
        removeDatabaseFile(convertedPath, &cause);
        interaction.message(QStringLiteral("Unable to convert database version %1 to version %2.")
                                .arg(fromVersion)
                                .arg(toVersion));
        return -1;
    }

    CloseDatabase(converted);
    CloseDatabase(slot);

    const QString backupPath = databasePath + QStringLiteral("VERSION%1").arg(fromVersion);
    if (!replaceWithConverted(databasePath, convertedPath, backupPath, interaction)) {
        removeDatabaseFile(convertedPath, &cause);
        OpenOrCreateDatabase(slot, databasePath, false, interaction);
        return -1;
    }

    const bool keepOld =
        askToKeepOld && interaction.ask(QStringLiteral("Database was converted to newest version.\nSave old "
                                                       "database with name %1?")
                                            .arg(backupPath),
                                        Buttons::YesNo) == Answer::Yes;
    askToKeepOld = false;
    if (!keepOld && !removeDatabaseFile(backupPath, &cause))
        interaction.message(
            QStringLiteral("Unable to do delete old database after conversion (cause: %1)").arg(cause));

    if (OpenOrCreateDatabase(slot, databasePath, false, interaction) != 1) {
        interaction.message(QStringLiteral("Unable to open converted database."));
        return -1;
    }
    return 0;
}

int VerifyDatabase(const Database &database, Interaction &interaction, PageCheck pages)
{
    const int version = ReadSchemaVersion(database);
    if (version == 0) {
        interaction.message(QStringLiteral("Database is not compatible with this version of Tonva.") +
                            kTryAnother);
        return -1;
    }
    if (version < 0) {
        // Said plainly rather than silently: otherwise the technician is left with no database and no
        // idea why.
        interaction.message(
            QStringLiteral("Database %1 holds no Tonva version information.").arg(database.filePath()) +
            kTryAnother);
        return -1;
    }
    if (version > kCurrentSchemaVersion) {
        interaction.message(QStringLiteral("Data in database has newer version than software supports.") +
                            kTryAnother);
        return -1;
    }

    // A table without a column the recordsets bind would fail at the first save or, in a
    // conversion, be copied into a file that looks sound.
    for (const StoredTable &table : storedTables()) {
        const QStringList present = database.columns(table.name);
        if (present.isEmpty()) {
            interaction.message(
                QStringLiteral("Database %1 has no table %2.").arg(database.filePath(), table.name) +
                kTryAnother);
            return -1;
        }
        for (const QString &column : table.columns) {
            if (!present.contains(column, Qt::CaseInsensitive)) {
                interaction.message(QStringLiteral("Table %1 of database %2 has no column %3.")
                                        .arg(table.name, database.filePath(), column) +
                                    kTryAnother);
                return -1;
            }
        }
    }

    // A conversion reads every row and builds a new file from them: from a damaged page it would
    // carry garbage, or lose rows, into a file that then looks sound.
    if (pages == PageCheck::Always || version < kCurrentSchemaVersion) {
        const QString damage = database.damage();
        if (!damage.isEmpty()) {
            interaction.message(
                QStringLiteral("Database %1 is damaged: %2").arg(database.filePath(), damage) + kTryAnother);
            return -1;
        }
    }
    return version;
}

int CheckAndConvertDatabase(DatabaseSlot &slot, Interaction &interaction, PageCheck pages)
{
    const int version = VerifyDatabase(*slot, interaction, pages);
    if (version < 0)
        return -1;

    if (version < kCurrentSchemaVersion) {
        auto progress = interaction.openProgress(QStringLiteral("Tonva"), 0, 100, 10);
        progress->setStatus(QStringLiteral("Converting database to newer data structures"));
        bool askToKeepOld = true;
        for (int step = version; step < kCurrentSchemaVersion; ++step) {
            if (ConvertDatabaseStep(slot, step, askToKeepOld, interaction, *progress) < 0 || !slot)
                return -1;
        }
    }

    bool ready = true;
    for (const char *table : {"EquipmentList", "AmbientMeasurements", "AudTestMeasurements"})
        ready = ready && slot->hasTable(QLatin1String(table));
    try {
        if (ready)
            slot->enableWriteAhead();
    } catch (const DatabaseError &) {
        ready = false;
    }
    if (!ready) {
        interaction.message(
            QStringLiteral("Could not open Recordsets to Database, try opening a different one."));
        return -1;
    }
    return kCurrentSchemaVersion;
}

} // namespace tonva

#include "app/CVemoraDoc.h"

#include "inventory/InstrumentInventory.h"
#include "model/Blobs.h"
#include "model/FixedText.h"
#include "model/NewTest.h"
#include "model/SetupRules.h"
#include "storage/DateNumber.h"
#include "storage/Recordsets.h"
#include "storage/SchemaConversion.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <cstring>

namespace tonva {

namespace {

const QString kTestRecordsetFailure =
    QStringLiteral("Couldn't open Audiomentric Cal Measurements Recordset--Exception: ");
const QString kBoothRecordsetFailure =
    QStringLiteral("Couldn't open Booth Measurements Recordset--Exception: ");
const QString kEquipmentRecordsetFailure =
    QStringLiteral("Couldn't open Equipment List Recordset--Exception: ");

QString text(std::string_view bytes)
{
    return Cp1252::toUnicode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

template<std::size_t N> QString trimmedField(const char (&field)[N])
{
    return text(trimmedText(fixedText(field)));
}

template<std::size_t N> bool sameText(const char (&a)[N], const char (&b)[N])
{
    return fixedText(a) == fixedText(b);
}

double storedDate(const char (&testDate)[16])
{
    // A date that cannot be read is stored as day 0 rather than refusing the save.
    const QDate date = DateNumber::parseRecordDate(text(fixedText(testDate)));
    return date.isValid() ? DateNumber::fromDate(date) : 0.0;
}

} // namespace

CVemoraDoc::CVemoraDoc(PreferenceStore &preferences, Interaction &interaction, QString databaseFolder,
                       int alternateMode)
    : m_preferences(preferences), m_interaction(interaction), m_defaultFolder(std::move(databaseFolder)),
      m_alternateMode(alternateMode), m_current(std::make_unique<AudTestRecord>()),
      m_comparison(std::make_unique<AudTestRecord>()), m_savedSetup(std::make_unique<SavedSetups>()),
      m_booth(std::make_unique<BoothRecord>()), m_comparisonBooth(std::make_unique<BoothRecord>()),
      m_inventory(std::make_unique<Inventory>())
{
    loadPreferences();
}

CVemoraDoc::~CVemoraDoc() = default;

QString CVemoraDoc::databasePath() const
{
    return m_database ? m_database->filePath() : QString();
}

void CVemoraDoc::closeDatabase()
{
    CloseDatabase(m_database);
}

void CVemoraDoc::loadPreferences()
{
    m_preferenceBlock = PreferenceBlock::load(m_preferences, m_defaultFolder, DatabasePath::defaultName());
    m_preferencesSet = true;
}

void CVemoraDoc::SavePreferences()
{
    m_preferenceBlock.save(m_preferences);
    m_preferencesSet = true;
}

void CVemoraDoc::announceDatabase(const Database *previous, const QString &previousPath)
{
    const QString path = databasePath();
    if (m_database.get() != previous || path != previousPath)
        Q_EMIT databaseChanged(path);
}

void CVemoraDoc::setModified(bool modified)
{
    if (modified == m_modified)
        return;
    m_modified = modified;
    Q_EMIT modifiedChanged(modified);
}

void CVemoraDoc::rememberDatabase(const QString &path)
{
    // Written at once, not only with the rest of the block, so the next start opens this file even
    // if the program never ends cleanly.
    const QFileInfo info(path);
    m_preferenceBlock.databaseDir = info.absolutePath() + QLatin1Char('/');
    m_preferenceBlock.databaseName = path.isEmpty() ? QString() : info.fileName();
    m_preferences.write(preference::DatabaseDir, m_preferenceBlock.databaseDir);
    m_preferences.write(preference::DatabaseName, m_preferenceBlock.databaseName);
}

void CVemoraDoc::forgetDatabaseName()
{
    m_preferenceBlock.databaseName.clear();
    m_preferences.write(preference::DatabaseName, QString());
}

void CVemoraDoc::OpenStartupDatabase()
{
    const auto announce = qScopeGuard(
        [this, database = m_database.get(), path = databasePath()] { announceDatabase(database, path); });
    m_startupDone = true;
    loadPreferences();
    const QString path = DatabasePath::join(m_preferenceBlock.databaseDir, m_preferenceBlock.databaseName);

    if (OpenOrCreateDatabase(m_database, path, false, m_interaction) != 1) {
        m_interaction.message(
            QStringLiteral("Could not open the last used or default database: %1.\nTry File/Change Database")
                .arg(path));
        closeDatabase();
        return;
    }
    if (CheckAndConvertDatabase(m_database, m_interaction) < 0) {
        closeDatabase();
        forgetDatabaseName();
    }
}

CVemoraDoc::ChangeResult CVemoraDoc::ChangeDatabase(bool idleViewShown, const DatabaseChooser &chooseDatabase)
{
    if (!idleViewShown) {
        m_interaction.message(
            QStringLiteral("You must be in the idle view state to change the database.\nClose all "
                           "views by clicking on appropriate buttons (cancel, done, etc.)."));
        return ChangeResult::Refused;
    }
    const QString previous = databasePath();
    const QString proposed =
        m_database ? previous : DatabasePath::join(m_defaultFolder, DatabasePath::defaultName());
    if (proposed.size() > DatabasePath::kMaxLength) {
        m_interaction.message(QStringLiteral("Database name is too long."));
        return ChangeResult::Refused;
    }
    const std::optional<QString> chosen = chooseDatabase(proposed);
    if (!chosen)
        return ChangeResult::Cancelled;
    const auto announce = qScopeGuard(
        [this, database = m_database.get(), path = previous] { announceDatabase(database, path); });

    // Asked while the old file is still open, so "current" is the file the technician worked in.
    if (m_modified && m_database &&
        m_interaction.ask(QStringLiteral("Save new measurements to the current database first?"),
                          Buttons::YesNo) == Answer::Yes)
        SaveTest();

    bool created = false;
    const QString chosenPath = DatabasePath::resolve(*chosen);
    if (chosenPath != previous &&
        OpenOrCreateDatabase(m_database, chosenPath, true, m_interaction, &created) != 1) {
        m_interaction.message(QStringLiteral("Could not Open New database, keeping old"));
        if (previous.isEmpty() || OpenOrCreateDatabase(m_database, previous, false, m_interaction) != 1) {
            m_interaction.message(
                QStringLiteral("Could  not open Previous Database!\n Select a different database "
                               "using Files/Change Database"));
            closeDatabase();
            return ChangeResult::NoDatabase;
        }
    }
    if (!m_database)
        return ChangeResult::NoDatabase;
    rememberDatabase(m_database->filePath());

    if (CheckAndConvertDatabase(m_database, m_interaction) < 0) {
        closeDatabase();
        forgetDatabaseName();
        return ChangeResult::NoDatabase;
    }
    const bool carryOver =
        m_inventory->loaded && !created && m_database->filePath() != previous &&
        m_interaction.ask(QStringLiteral("Save previous Database Equipment lists to new database?"),
                          Buttons::YesNo) == Answer::Yes;
    if (carryOver)
        SaveEquipmentLists();
    else
        LoadEquipmentLists();
    m_interaction.message(QStringLiteral("Connected to %1").arg(m_database->filePath()));
    return ChangeResult::Connected;
}

void CVemoraDoc::NewTest(const QDate &today)
{
    m_storedRecordLoaded = false;
    m_setupAccepted = false;
    m_currentRowId = -1;
    const AfterTestPreferences after = tonva::NewTest(*m_current, *m_booth, m_preferences, today);
    m_saveAfterTest = after.saveAfterTest;
    m_showSaveDialogAfterTest = after.showSaveDialogAfterTest;
    m_displayEarsNotCovered = after.displayEarsNotCovered;

    if (!m_startupDone)
        OpenStartupDatabase();
    if (!m_inventory->loaded && m_database)
        LoadEquipmentLists();
    SetTitleFromRecord();
    Q_EMIT currentTestChanged();
}

void CVemoraDoc::SetTitleFromRecord()
{
    const QString title = tonva::SetTitleFromRecord(m_current->setup);
    if (title == m_title)
        return;
    m_title = title;
    Q_EMIT titleChanged(m_title);
}

TestSetup CVemoraDoc::OpenSetup() const
{
    return tonva::OpenSetup(m_current->setup, *m_inventory);
}

bool CVemoraDoc::ApplySetup(const TestSetup &working, const QDate &today)
{
    if (!ValidateAudiometer(working, m_interaction, today.year()))
        return false;
    m_current->setup = working;
    m_setupAccepted = true;
    setModified(true);
    SetTitleFromRecord();
    return true;
}

bool CVemoraDoc::requireDatabase(const QString &failurePrefix)
{
    if (m_database)
        return true;
    m_interaction.message(failurePrefix + QStringLiteral("no database is open"));
    return false;
}

bool CVemoraDoc::SaveTest()
{
    const TestSetup &setup = m_current->setup;
    const TestSetup &saved = m_savedSetup->current;
    bool asked = false;
    bool replace = true;
    if (m_storedRecordLoaded &&
        (!sameText(setup.technician, saved.technician) || !sameText(setup.testDate, saved.testDate))) {
        const Answer answer = m_interaction.ask(
            QStringLiteral(
                "The Technician and/or Test Date has changed.\nDo you wish to replace the existing "
                "measurement record in the database?\n(Clicking No will create a new measurement record "
                "in the database.)"),
            Buttons::YesNoCancel);
        if (answer == Answer::Cancel)
            return false;
        replace = answer == Answer::Yes;
        asked = true;
    } else if (m_modified && m_storedRecordLoaded) {
        if (m_interaction.ask(QStringLiteral("Saving measurement will overwrite previous values.  Continue?"),
                              Buttons::YesNo) != Answer::Yes)
            return false;
        asked = true;
    }

    m_preferences.write(preference::DataWasModified, 0);
    const QString technician = trimmedField(setup.technician);
    const QString model = trimmedField(setup.audiometerModel);
    const QString serial = trimmedField(setup.audiometerSerialNumber);
    if (technician.isEmpty() || model.isEmpty() || serial.isEmpty()) {
        m_interaction.message(QStringLiteral("You must select a Technician and an Instrument."));
        return false;
    }
    if (!requireDatabase(kTestRecordsetFailure))
        return false;

    // A replacement finds its row by what the row was stored under, not by the new values.
    const bool replacing = asked && replace && m_storedRecordLoaded;
    const TestSetup &key = replacing ? saved : setup;
    AudTestRow row{-1,     technician,         storedDate(setup.testDate), model,
                   serial, setup.channelCount, WriteTestBlob(*m_current)};
    try {
        const CAudTestMeasRS tests(*m_database);
        Transaction transaction(*m_database);
        const std::optional<int> existing =
            tests.findKey(serial, model, trimmedField(key.technician), storedDate(key.testDate));
        if (!existing || !replace) {
            row.id = tests.insert(row);
        } else {
            // Another stored test with the same audiometer, technician and day would be lost silently.
            if (!asked && *existing != m_currentRowId &&
                m_interaction.ask(
                    QStringLiteral("Saving measurement will overwrite previous values. Continue?"),
                    Buttons::YesNo) != Answer::Yes)
                return false;
            row.id = *existing;
            tests.update(row);
        }
        transaction.commit();
    } catch (const DatabaseError &error) {
        m_interaction.message(kTestRecordsetFailure + error.description());
        return false;
    }

    m_currentRowId = row.id;
    m_savedSetup->current = setup;
    setModified(false);
    storeDefaultInputLevels(*m_current, m_preferences);
    return true;
}

std::optional<AudTestRecord> CVemoraDoc::readStoredTest(int id)
{
    if (!requireDatabase(kTestRecordsetFailure))
        return std::nullopt;
    std::optional<AudTestRow> row;
    try {
        row = CAudTestMeasRS(*m_database).find(id);
    } catch (const DatabaseError &error) {
        m_interaction.message(kTestRecordsetFailure + error.description());
        return std::nullopt;
    }
    if (!row) {
        m_interaction.message(kTestRecordsetFailure + QStringLiteral("no stored test with Id %1").arg(id));
        return std::nullopt;
    }
    auto record = std::make_optional<AudTestRecord>();
    const BlobReadReport report = ReadTestBlob(row->data, *record);
    if (!report.clean())
        m_interaction.message(QStringLiteral("The stored measurement is damaged: %1").arg(report.problems()));
    return record;
}

bool CVemoraDoc::LoadTest(int id)
{
    if (m_modified &&
        m_interaction.ask(QStringLiteral("Save the modified measurements to the current database first?"),
                          Buttons::YesNo) == Answer::Yes)
        SaveTest();
    std::optional<AudTestRecord> record = readStoredTest(id);
    if (!record)
        return false;
    *m_current = *record;
    m_currentRowId = id;
    m_storedRecordLoaded = true;
    m_setupAccepted = true;
    SetTitleFromRecord();
    m_savedSetup->current = m_current->setup;
    setModified(false);
    Q_EMIT currentTestChanged();
    return true;
}

bool CVemoraDoc::LoadComparisonTest(int id)
{
    std::optional<AudTestRecord> record = readStoredTest(id);
    if (!record)
        return false;
    *m_comparison = *record;
    m_savedSetup->comparison = m_comparison->setup;
    return true;
}

std::optional<int> CVemoraDoc::storedBoothId(const QString &testName)
{
    if (!m_database)
        return std::nullopt;
    try {
        return CAmbientMeasurements(*m_database).findByName(testName);
    } catch (const DatabaseError &error) {
        m_interaction.message(kBoothRecordsetFailure + error.description());
        return std::nullopt;
    }
}

bool CVemoraDoc::SaveBooth()
{
    if (!requireDatabase(kBoothRecordsetFailure))
        return false;
    const BoothRecord &booth = *m_booth;
    AmbientRow row{-1,
                   trimmedField(booth.testName),
                   storedDate(booth.measurementDate),
                   trimmedField(booth.customerName),
                   trimmedField(booth.booth),
                   WriteBoothBlob(booth)};
    try {
        const CAmbientMeasurements surveys(*m_database);
        Transaction transaction(*m_database);
        if (const std::optional<int> existing = surveys.findByName(row.testName)) {
            row.id = *existing;
            surveys.update(row);
        } else {
            surveys.insert(row);
        }
        transaction.commit();
    } catch (const DatabaseError &error) {
        m_interaction.message(kBoothRecordsetFailure + error.description());
        return false;
    }
    return true;
}

std::optional<BoothRecord> CVemoraDoc::readStoredBooth(int id)
{
    if (!requireDatabase(kBoothRecordsetFailure))
        return std::nullopt;
    std::optional<AmbientRow> row;
    try {
        row = CAmbientMeasurements(*m_database).find(id);
    } catch (const DatabaseError &error) {
        m_interaction.message(kBoothRecordsetFailure + error.description());
        return std::nullopt;
    }
    if (!row) {
        m_interaction.message(kBoothRecordsetFailure + QStringLiteral("no stored survey with Id %1").arg(id));
        return std::nullopt;
    }
    auto record = std::make_optional<BoothRecord>();
    ReadBoothBlob(row->data, row->testName, *record);
    return record;
}

bool CVemoraDoc::LoadBooth(int id)
{
    std::optional<BoothRecord> record = readStoredBooth(id);
    if (record)
        *m_booth = *record;
    return record.has_value();
}

bool CVemoraDoc::LoadComparisonBooth(int id)
{
    std::optional<BoothRecord> record = readStoredBooth(id);
    if (record)
        *m_comparisonBooth = *record;
    return record.has_value();
}

bool CVemoraDoc::LoadEquipmentLists()
{
    if (!requireDatabase(kEquipmentRecordsetFailure))
        return false;
    BlobReadReport report;
    try {
        const QByteArray blob = CEquipmentList(*m_database).readFirst().value_or(QByteArray());
        report = ReadInventoryBlob(blob, *m_inventory, m_alternateMode);
    } catch (const DatabaseError &error) {
        m_interaction.message(kEquipmentRecordsetFailure + error.description());
        return false;
    }
    confirmUnreadableEntries(report, *m_inventory, m_interaction);
    return true;
}

bool CVemoraDoc::SaveEquipmentLists()
{
    if (!requireDatabase(kEquipmentRecordsetFailure))
        return false;
    try {
        Transaction transaction(*m_database);
        CEquipmentList(*m_database).writeFirst(WriteInventoryBlob(*m_inventory));
        transaction.commit();
    } catch (const DatabaseError &error) {
        m_interaction.message(kEquipmentRecordsetFailure + error.description());
        return false;
    }
    return true;
}

} // namespace tonva

#pragma once

#include "app/Preferences.h"
#include "model/AudTestRecord.h"
#include "model/BoothRecord.h"
#include "model/Inventory.h"
#include "platform/Interaction.h"
#include "platform/PreferenceStore.h"
#include "storage/DatabaseFile.h"

#include <QDate>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace tonva {

// The single document: it owns the open database, the current and the comparison test records with
// the set-up copies saved alongside them, the booth records and the instrument inventory. This is
// its storage side; views and windows reach the records through it, and learn of changes from its
// signals rather than by asking again.
class CVemoraDoc : public QObject
{
    Q_OBJECT

public:
    // `databaseFolder` is the default folder of the database file (the machine's common data folder
    // in the program, a scratch folder in tests).
    CVemoraDoc(PreferenceStore &preferences, Interaction &interaction,
               QString databaseFolder = DatabasePath::defaultFolder(), int alternateMode = 0);
    ~CVemoraDoc() override;
    CVemoraDoc(const CVemoraDoc &) = delete;
    CVemoraDoc &operator=(const CVemoraDoc &) = delete;

    // The "Preferences" block, read when the document is made and again at start-up.
    PreferenceBlock &preferenceBlock() { return m_preferenceBlock; }
    const PreferenceBlock &preferenceBlock() const { return m_preferenceBlock; }
    // Writes the whole block to the store and marks the preferences as set.
    void SavePreferences();
    bool preferencesSet() const { return m_preferencesSet; }

    // Database
    void OpenStartupDatabase();
    // The database dialog: shown the proposed path, returns the chosen one or nothing on Cancel.
    using DatabaseChooser = std::function<std::optional<QString>(const QString &proposedPath)>;
    enum class ChangeResult
    {
        Refused,
        Cancelled,
        Connected,
        NoDatabase
    };
    ChangeResult ChangeDatabase(bool idleViewShown, const DatabaseChooser &chooseDatabase);
    Database *database() const { return m_database.get(); }
    QString databasePath() const;

    // Tests
    // Starts a new test dated `today`.
    void NewTest(const QDate &today = QDate::currentDate());
    bool SaveTest();
    bool LoadTest(int id);
    bool LoadComparisonTest(int id);
    AudTestRecord &currentTest() { return *m_current; }
    const AudTestRecord &comparisonTest() const { return *m_comparison; }
    const TestSetup &savedSetup() const { return m_savedSetup->current; }
    bool storedRecordLoaded() const { return m_storedRecordLoaded; }
    // The stored row the current test was last loaded from or saved to; -1 when it has none.
    int currentRowId() const { return m_currentRowId; }
    bool setupAccepted() const { return m_setupAccepted; }
    void setSetupAccepted(bool accepted) { m_setupAccepted = accepted; }
    bool isModified() const { return m_modified; }
    void setModified(bool modified);
    const QString &title() const { return m_title; }
    // Read by NewTest from "Settings".
    bool saveAfterTest() const { return m_saveAfterTest; }
    bool showSaveDialogAfterTest() const { return m_showSaveDialogAfterTest; }
    bool displayEarsNotCovered() const { return m_displayEarsNotCovered; }
    void SetTitleFromRecord();

    // The set-up window edits a copy of the current test's set-up, never the test itself.
    TestSetup OpenSetup() const;
    // The set-up window's OK: checks the audiometer, telling the technician the first thing wrong,
    // and only when it passes writes `working` into the current test, marks the set-up accepted and
    // the test modified and retitles the window. False leaves the test untouched.
    bool ApplySetup(const TestSetup &working, const QDate &today = QDate::currentDate());

    // Booth surveys, stored under their test name
    BoothRecord &currentBooth() { return *m_booth; }
    const BoothRecord &comparisonBooth() const { return *m_comparisonBooth; }
    // The `Id` of the stored survey of that name, if any (for the overwrite question).
    std::optional<int> storedBoothId(const QString &testName);
    bool SaveBooth();
    bool LoadBooth(int id);
    bool LoadComparisonBooth(int id);

    // Inventory, in the database's single `EquipmentList` row
    Inventory &inventory() { return *m_inventory; }
    bool equipmentListsLoaded() const { return m_inventory->loaded; }
    bool LoadEquipmentLists();
    bool SaveEquipmentLists();

Q_SIGNALS:
    void titleChanged(const QString &title);
    void modifiedChanged(bool modified);
    // An empty path: no database is open.
    void databaseChanged(const QString &path);
    // The current record was replaced: a new test or one loaded from the database.
    void currentTestChanged();

private:
    struct SavedSetups
    {
        TestSetup current;
        TestSetup comparison;
    };

    bool requireDatabase(const QString &failurePrefix);
    std::optional<AudTestRecord> readStoredTest(int id);
    std::optional<BoothRecord> readStoredBooth(int id);
    void closeDatabase();
    void loadPreferences();
    void rememberDatabase(const QString &path);
    void forgetDatabaseName();
    // Tells listeners when the open database is no longer `previous` at `previousPath`: a view
    // holding the old one must let go of it even when the same file was opened again.
    void announceDatabase(const Database *previous, const QString &previousPath);

    PreferenceStore &m_preferences;
    Interaction &m_interaction;
    const QString m_defaultFolder;
    const int m_alternateMode;
    PreferenceBlock m_preferenceBlock;
    bool m_preferencesSet = false;

    DatabaseSlot m_database;
    bool m_startupDone = false;

    std::unique_ptr<AudTestRecord> m_current;
    std::unique_ptr<AudTestRecord> m_comparison;
    std::unique_ptr<SavedSetups> m_savedSetup;
    std::unique_ptr<BoothRecord> m_booth;
    std::unique_ptr<BoothRecord> m_comparisonBooth;
    std::unique_ptr<Inventory> m_inventory;
    // The row the current test was last loaded from or saved to; -1 when it has none.
    int m_currentRowId = -1;
    bool m_storedRecordLoaded = false;
    bool m_setupAccepted = false;
    bool m_modified = false;
    bool m_saveAfterTest = true;
    bool m_showSaveDialogAfterTest = true;
    bool m_displayEarsNotCovered = true;
    QString m_title = QStringLiteral(" ");
};

} // namespace tonva

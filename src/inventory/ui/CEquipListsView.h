#pragma once

#include "app/CVemoraDoc.h"
#include "app/ui/FrameView.h"
#include "app/ui/ViewHost.h"
#include "inventory/InstrumentInventory.h"
#include "platform/Interaction.h"
#include "platform/PreferenceStore.h"

#include <QDate>
#include <QTableWidget>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QStackedWidget;
class QTreeWidget;

namespace tonva {

// Values by frequency, one column per response (`values` of setColumn/readColumn hold one per row). Accepts a column (or block) of numbers
// pasted from a spreadsheet, starting at the current cell.
class ResponseGrid : public QTableWidget
{
    Q_OBJECT
public:
    // Rows for the frequency indices firstIndex .. firstIndex + count - 1.
    ResponseGrid(const QStringList &columns, int firstIndex, int count, QWidget *parent = nullptr);

    void setColumn(int column, const float *values);
    void readColumn(int column, float *values) const;
    void pasteText(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

// The instrument window: the categories beside the list of the chosen one, the fields of the chosen
// instrument and Add / Update / Delete / Close. The fields edit a copy of the chosen entry; only the
// inventory rules change the lists, and Close writes them to the database.
class CEquipListsView : public QWidget, public FrameView
{
    Q_OBJECT
public:
    CEquipListsView(CVemoraDoc &document, PreferenceStore &preferences, Interaction &interaction, ViewHost &host,
                    QDate today = QDate::currentDate(), QWidget *parent = nullptr);

    InstrumentKind category() const { return m_kind; }
    void showCategory(InstrumentKind kind);
    // Close: asks about pending edits, writes the lists to the database and goes to the idle view.
    void CloseInventoryWindow();

    bool hasPendingInstrumentChanges() const override { return m_pending; }
    void discardPendingInstrumentChanges() override;
    bool importPageShown() const override;

    // File ▸ Import Mic/Mastoid Setup...: asks about pending edits, then for the file, and fills the
    // fields from it for the technician to add or update.
    void importSetup();
    // Fills the microphone or mastoid fields from a set-up file or a mastoid's certificate workbook.
    // A refused file is told to the technician and changes nothing. True when the fields were filled.
    bool importSetupFile(const QString &path, bool tabDelimited);

private:
    QWidget *buildFields();
    void categoryChosen();
    void entryChosen();
    bool pendingChangesMayGo();
    void fillList(int select);
    void loadEntry(int position);
    void showFields(bool blank);
    InventoryEntry collect() const;
    void rememberPosition(int position);
    void addInstrument();
    void updateInstrument();
    void deleteInstrument();
    void markPending() { m_pending = true; }

    CVemoraDoc &m_document;
    PreferenceStore &m_preferences;
    Interaction &m_interaction;
    ViewHost &m_host;
    QDate m_today;
    InstrumentInventory m_instruments;
    InstrumentKind m_kind = InstrumentKind::SoundLevelMeter;
    // The chosen entry (or a blank one): bytes no field shows are carried through an update.
    InventoryEntry m_entry;
    int m_shown = -1; // the list position the fields were loaded from
    bool m_pending = false;
    bool m_filling = false;

    QTreeWidget *m_tree;
    QLabel *m_title;
    QLabel *m_hint;
    QListWidget *m_list;
    QLineEdit *m_manufacturer;
    QLineEdit *m_model;
    QLineEdit *m_serial;
    QLineEdit *m_due;
    QStackedWidget *m_pages;
    QLineEdit *m_frequency;
    QLineEdit *m_level;
    QLineEdit *m_micSensitivity;
    ResponseGrid *m_micResponse;
    ResponseGrid *m_micGrid;
    QLineEdit *m_mastoidSensitivity;
    QLineEdit *m_kestinSensitivity;
    QLineEdit *m_lorvatSensitivity;
    QLineEdit *m_pendrySensitivity;
    ResponseGrid *m_mastoidResponse;
};

} // namespace tonva

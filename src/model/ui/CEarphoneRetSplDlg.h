#pragma once

#include "model/InstrumentRecords.h"

#include <QDialog>
#include <set>

class QTableWidget;
class QTableWidgetItem;

namespace tonva {

class Interaction;

// Non-standard reference levels for one earphone: a value per test frequency, which can be kept in a
// file and read back. The dialog edits its own copy; the slot changes only when it is accepted.
class CEarphoneRetSplDlg : public QDialog
{
    Q_OBJECT
public:
    CEarphoneRetSplDlg(const EarphoneSlot &slot, Interaction &interaction, QWidget *parent = nullptr);

    // Opens the editor on the slot's levels; true when the technician accepted changed levels.
    static bool edit(EarphoneSlot &slot, Interaction &interaction, QWidget *parent);

    QTableWidget *table() const { return m_table; }
    const float (&values() const)[kFrequencyCount] { return m_values; }

    // What the Save and Load buttons do once a file is chosen. A failure is told to the technician;
    // a file that cannot be read changes nothing.
    bool saveTo(const QString &path);
    bool loadFrom(const QString &path);

    // OK: refused, with a message, while a cell holds no number.
    void accept() override;

private:
    void showValues();
    // False, with a message naming the first, while a cell holds no number.
    bool cellsAreNumbers();
    void cellEdited(QTableWidgetItem *item);
    void save();
    void load();

    Interaction &m_interaction;
    QString m_proposedFileName;
    float m_values[kFrequencyCount]{};
    // Rows whose text is not a number; their previous value stays in m_values until corrected.
    std::set<int> m_invalidRows;
    QTableWidget *m_table = nullptr;
};

} // namespace tonva

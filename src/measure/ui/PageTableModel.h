#pragma once

#include "measure/MeasurementPage.h"

#include <QAbstractTableModel>

namespace tonva {

// A measurement page's list for a view: the page's own texts, with every failed row drawn red and
// bold and its row header reading "FAIL", so a failure stands out in a long list.
class PageTableModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The row's verdict as the integer of ResultStatus.
    static constexpr int VerdictRole = Qt::UserRole + 1;

    explicit PageTableModel(QObject *parent = nullptr);

    // Takes the page's list. A list of the same shape updates in place, so the technician's row
    // selection survives the rebuild after every reading.
    void setTable(const PageTable &table);
    const PageTable &table() const { return m_table; }
    void clear() { setTable({}); }

    ResultStatus verdict(int row) const { return m_table.verdict(row); }
    bool failed(int row) const
    {
        return verdict(row) == ResultStatus::Failed || verdict(row) == ResultStatus::Unstable;
    }
    // The row header: "FAIL", "Pass", "Unstable" or nothing before a row is judged.
    static QString verdictText(ResultStatus verdict);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    PageTable m_table;
};

} // namespace tonva

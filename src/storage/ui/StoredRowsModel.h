#pragma once

#include "storage/StoredList.h"

#include <QAbstractTableModel>
#include <vector>

namespace tonva {

// The rows of a stored-measurement list for a view; each row's `Id` is its Qt::UserRole data.
class StoredRowsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    StoredRowsModel(std::vector<ListColumn> columns, QObject *parent = nullptr);

    void setRows(const std::vector<StoredListRow> &rows);
    int idAt(int row) const;
    // The row showing `id`, or -1.
    int rowOf(int id) const;
    const std::vector<ListColumn> &columns() const { return m_columns; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<ListColumn> m_columns;
    std::vector<StoredListRow> m_rows;
};

} // namespace tonva

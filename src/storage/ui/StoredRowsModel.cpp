#include "storage/ui/StoredRowsModel.h"

namespace tonva {

StoredRowsModel::StoredRowsModel(std::vector<ListColumn> columns, QObject *parent)
    : QAbstractTableModel(parent), m_columns(std::move(columns))
{}

void StoredRowsModel::setRows(const std::vector<StoredListRow> &rows)
{
    beginResetModel();
    m_rows = rows;
    endResetModel();
}

int StoredRowsModel::idAt(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[std::size_t(row)].id : -1;
}

int StoredRowsModel::rowOf(int id) const
{
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].id == id)
            return int(i);
    }
    return -1;
}

int StoredRowsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int StoredRowsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant StoredRowsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const StoredListRow &row = m_rows[std::size_t(index.row())];
    if (role == Qt::DisplayRole && index.column() < row.cells.size())
        return row.cells.at(index.column());
    if (role == Qt::UserRole)
        return row.id;
    return {};
}

QVariant StoredRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < int(m_columns.size()))
        return m_columns[std::size_t(section)].title;
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace tonva

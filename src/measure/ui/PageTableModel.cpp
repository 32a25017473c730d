#include "measure/ui/PageTableModel.h"

#include <QColor>
#include <QFont>

namespace tonva {

namespace {

const QColor kFailColour(0xb0, 0x00, 0x20);

} // namespace

PageTableModel::PageTableModel(QObject *parent) : QAbstractTableModel(parent)
{}

QString PageTableModel::verdictText(ResultStatus verdict)
{
    switch (verdict) {
    case ResultStatus::Failed:
        return QStringLiteral("FAIL");
    case ResultStatus::Passed:
        return QStringLiteral("Pass");
    case ResultStatus::Unstable:
        return QStringLiteral("Unstable");
    case ResultStatus::NotJudged:
    case ResultStatus::NotApplicable:
        break;
    }
    return {};
}

void PageTableModel::setTable(const PageTable &table)
{
    const bool sameShape = table.columns == m_table.columns && table.rows.size() == m_table.rows.size();
    if (!sameShape) {
        beginResetModel();
        m_table = table;
        endResetModel();
        return;
    }
    m_table = table;
    if (m_table.rows.isEmpty())
        return;
    Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, qMax(0, columnCount() - 1)));
    Q_EMIT headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

int PageTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_table.rows.size());
}

int PageTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_table.columns.size());
}

QVariant PageTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const bool rowFailed = failed(index.row());
    switch (role) {
    case Qt::DisplayRole: {
        // A page may give a row fewer cells than it has columns; the rest stay blank.
        const QStringList &cells = m_table.rows[index.row()];
        return index.column() < cells.size() ? cells[index.column()] : QString();
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignCenter);
    case Qt::ForegroundRole:
        return rowFailed ? QVariant(kFailColour) : QVariant();
    case Qt::FontRole:
        if (rowFailed) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case VerdictRole:
        return static_cast<int>(verdict(index.row()));
    default:
        return {};
    }
}

QVariant PageTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole && section >= 0 && section < columnCount())
            return m_table.columns[section];
        return {};
    }
    if (section < 0 || section >= rowCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return verdictText(verdict(section));
    case Qt::ForegroundRole:
        return failed(section) ? QVariant(kFailColour) : QVariant();
    case Qt::FontRole:
        if (failed(section)) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case VerdictRole:
        return static_cast<int>(verdict(section));
    default:
        return {};
    }
}

} // namespace tonva

#include "inventory/ui/OverdueMark.h"

#include "inventory/InstrumentInventory.h"
#include "model/FixedText.h"

#include <QAbstractItemModel>
#include <QBrush>
#include <QStyle>

namespace tonva {

bool markIfOverdue(QAbstractItemModel &model, const QModelIndex &index, const InventoryEntry &entry,
                   const QDate &today, const QStyle &style)
{
    if (!isCalibrationOverdue(entry, today))
        return false;
    model.setData(index, QBrush(Qt::red), Qt::ForegroundRole);
    model.setData(index, style.standardIcon(QStyle::SP_MessageBoxWarning), Qt::DecorationRole);
    model.setData(index,
                  QStringLiteral("Calibration was due on %1.")
                      .arg(displayText(entry.bodyAs<InstrumentIdentity>().calibrationDue).trimmed()),
                  Qt::ToolTipRole);
    model.setData(index, true, kOverdueRole);
    return true;
}

} // namespace tonva

#pragma once

#include "model/Inventory.h"

#include <QDate>
#include <QModelIndex>

class QAbstractItemModel;
class QStyle;

namespace tonva {

// Set on an item of an instrument list whose calibration is overdue.
inline constexpr int kOverdueRole = Qt::UserRole;

// Marks a listed instrument whose calibration is overdue on `today` (red text, a warning icon and
// the due date as tool tip), the same in every window that lists instruments. Marked, not hidden:
// an overdue instrument may still be chosen, the technician decides. True when it was marked.
bool markIfOverdue(QAbstractItemModel &model, const QModelIndex &index, const InventoryEntry &entry,
                   const QDate &today, const QStyle &style);

} // namespace tonva

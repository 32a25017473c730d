#include "model/ui/InstrumentChoice.h"

#include "inventory/ui/OverdueMark.h"
#include "model/FixedText.h"
#include "model/ui/SetupPage.h"

#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

namespace tonva {

InstrumentCombo::InstrumentCombo(SetupContext &context, InstrumentKind kind, QWidget *parent)
    : QComboBox(parent), m_context(context), m_kind(kind)
{
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setMinimumContentsLength(20);
    // Only the technician's own choice counts: filling the list never writes the slot.
    connect(this, &QComboBox::activated, this, &InstrumentCombo::choose);
}

void InstrumentCombo::addChoice(const QString &label, int choice)
{
    addItem(label);
    setItemData(count() - 1, choice, kChoiceRole);
}

void InstrumentCombo::bindBytes(unsigned char *slot, std::size_t size)
{
    m_slot = slot;
    m_size = size;
    reload();
}

bool InstrumentCombo::slotIsEmpty() const
{
    return std::all_of(m_slot, m_slot + m_size, [](unsigned char byte) { return byte == 0; });
}

InventoryEntry InstrumentCombo::slotAsEntry() const
{
    InventoryEntry entry;
    entry.typeCode = static_cast<std::int32_t>(inventoryTypeOf(m_kind));
    std::memcpy(entry.body, m_slot, m_size);
    return entry;
}

void InstrumentCombo::reload()
{
    clear();
    if (!m_slot)
        return;
    m_stored.clear();
    addChoice(QStringLiteral("None"), kChoiceNone);
    int current = 0;

    const auto &entries = m_context.inventory.list(inventoryTypeOf(m_kind));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        addChoice(ListLabel(entries[i]), static_cast<int>(i));
        markIfOverdue(*model(), model()->index(count() - 1, 0), entries[i], m_context.today, *style());
        if (current == 0 && std::memcmp(entries[i].body, m_slot, m_size) == 0)
            current = count() - 1;
    }

    if (current == 0 && !slotIsEmpty()) {
        // Right after "None", where the technician looks first: what the test holds now.
        const InventoryEntry stored = slotAsEntry();
        m_stored = QByteArray(reinterpret_cast<const char *>(m_slot), static_cast<qsizetype>(m_size));
        insertItem(1, QStringLiteral("%1 (stored with the test)").arg(ListLabel(stored)));
        setItemData(1, kChoiceStored, kChoiceRole);
        setItemData(1,
                    QStringLiteral("The instrument as this test holds it: it is no longer in the inventory, "
                                   "or its data there has changed since."),
                    Qt::ToolTipRole);
        markIfOverdue(*model(), model()->index(1, 0), stored, m_context.today, *style());
        current = 1;
    }
    setCurrentIndex(current);
}

void InstrumentCombo::choose(int index)
{
    if (!m_slot || index < 0)
        return;
    const int choice = itemData(index, kChoiceRole).toInt();
    const auto &entries = m_context.inventory.list(inventoryTypeOf(m_kind));
    if (choice == kChoiceNone) {
        std::memset(m_slot, 0, m_size);
    } else if (choice >= 0 && static_cast<std::size_t>(choice) < entries.size()) {
        const InventoryEntry &entry = entries[static_cast<std::size_t>(choice)];
        std::memcpy(m_slot, entry.body, m_size);
        m_context.dueWarner.instrumentChosen(m_kind, entry);
    } else if (choice == kChoiceStored && m_stored.size() == static_cast<qsizetype>(m_size)) {
        // Back to what the test held, after another choice was tried.
        std::memcpy(m_slot, m_stored.constData(), m_size);
    } else {
        return;
    }
    Q_EMIT slotChanged();
}

void showInstrumentDetails(QLabel &label, const InstrumentIdentity &identity, const QDate &today)
{
    InventoryEntry entry;
    entry.setBody(identity);
    const QString manufacturer = displayText(identity.manufacturer);
    const QString due = displayText(identity.calibrationDue).trimmed();
    QStringList parts;
    if (!manufacturer.isEmpty())
        parts << manufacturer;
    if (!due.isEmpty())
        parts << QStringLiteral("calibration due %1").arg(due);
    const bool overdue = isCalibrationOverdue(entry, today);
    label.setText(parts.join(QStringLiteral(", ")) + (overdue ? QStringLiteral(" (overdue)") : QString()));
    label.setStyleSheet(overdue ? QStringLiteral("color: red;") : QString());
    label.setToolTip(overdue ? QStringLiteral("Calibration was due on %1.").arg(due) : QString());
    label.setProperty("overdue", overdue);
}

QString microphoneSlotName(int slot)
{
    switch (slot) {
    case 0:
        return QStringLiteral("Open Air");
    case 1:
        return QStringLiteral("IEC 60318-1 (Lorvat)");
    case 2:
        return QStringLiteral("NBS 9A / IEC 60318-3 (Kestin)");
    case 3:
        return QStringLiteral("Ospret");
    case 4:
        return QStringLiteral("Mabrek");
    case 5:
        return QStringLiteral("Nuvell");
    case 6:
        return QStringLiteral("Pendry");
    default:
        break;
    }
    return QStringLiteral("Slot %1").arg(slot);
}

QString sensitivityText(float sensitivity)
{
    return sensitivity == 0.0f ? QString()
                               : QStringLiteral("%1 mV/Pa").arg(QString::number(double(sensitivity), 'f', 2));
}

void addPageHint(QVBoxLayout &layout, const QString &hint)
{
    auto *hintLabel = new QLabel(hint);
    hintLabel->setWordWrap(true);
    layout.addWidget(hintLabel);
    layout.addSpacing(8);
}

} // namespace tonva

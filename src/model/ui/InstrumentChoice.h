#pragma once

#include "inventory/InstrumentInventory.h"
#include "model/TestSetup.h"

#include <QByteArray>
#include <QComboBox>
#include <QDate>

class QLabel;
class QVBoxLayout;

namespace tonva {

struct SetupContext;

// Item data of an instrument drop-down: what choosing the item puts into the slot.
inline constexpr int kChoiceRole = Qt::UserRole + 1;
inline constexpr int kChoiceNone = -1;   // an empty slot
inline constexpr int kChoiceStored = -2; // the slot as the test holds it

// A drop-down of one inventory list that fills one instrument slot of the set-up's working copy.
// Choosing an entry copies the leading bytes of its body into the slot at once, so the stored test
// carries its own copy and every page showing the slot agrees; "None" empties the slot. A slot that
// matches no entry byte for byte (deleted from the inventory, or changed there since the test was
// set up) is offered as it is stored and left alone until the technician chooses something else.
class InstrumentCombo : public QComboBox
{
    Q_OBJECT
public:
    InstrumentCombo(SetupContext &context, InstrumentKind kind, QWidget *parent = nullptr);

    // Every instrument slot starts with its identity, as every inventory body does.
    template<class Slot> void bind(Slot &slot)
    {
        static_assert(std::is_trivially_copyable_v<Slot> && sizeof(Slot) >= sizeof(InstrumentIdentity) &&
                      sizeof(Slot) <= kInventoryBodySize);
        bindBytes(reinterpret_cast<unsigned char *>(&slot), sizeof slot);
    }
    // Lists the inventory again and shows what the slot holds.
    void reload();

Q_SIGNALS:
    // The technician's choice has been written into the slot.
    void slotChanged();

private:
    void bindBytes(unsigned char *slot, std::size_t size);
    void choose(int index);
    void addChoice(const QString &label, int choice);
    bool slotIsEmpty() const;
    InventoryEntry slotAsEntry() const;

    SetupContext &m_context;
    InstrumentKind m_kind;
    unsigned char *m_slot = nullptr;
    std::size_t m_size = 0;
    QByteArray m_stored; // the slot as loaded, when no inventory entry matches it
};

// Manufacturer and calibration due date of a slot's instrument; red, with a warning, when the
// calibration is overdue on `today`. Empty when the slot holds no instrument.
void showInstrumentDetails(QLabel &label, const InstrumentIdentity &identity, const QDate &today);

// The coupler-microphone slots by index, which is the coupler code of the coupler they serve; slot
// 0 is the open-air (sound-field) microphone.
QString microphoneSlotName(int slot);

// "%.2f mV/Pa", or empty when no sensitivity was entered.
QString sensitivityText(float sensitivity);

// The line that every instrument page starts with, below the title the set-up window shows.
void addPageHint(QVBoxLayout &layout, const QString &hint);

} // namespace tonva

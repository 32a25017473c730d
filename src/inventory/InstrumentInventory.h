#pragma once

#include "model/Inventory.h"
#include "platform/Interaction.h"

#include <QString>
#include <QStringList>

namespace tonva {

struct BlobReadReport;

// The instrument categories of the inventory window, in the window's order.
enum class InstrumentKind
{
    SoundLevelMeter = 0,
    Calibrator = 1,
    Microphone = 2,
    Mastoid = 3,
    Preamplifier = 4
};

InventoryType inventoryTypeOf(InstrumentKind kind);

// "model SN-serial", the way the window lists an instrument.
QString ListLabel(const InventoryEntry &entry);

// After the inventory was read: tells the technician how many stored entries could not be read and
// asks whether they stay in the database. They stay unless the technician answers No; then they are
// dropped from `inventory` and the next save no longer writes them.
void confirmUnreadableEntries(const BlobReadReport &report, Inventory &inventory, Interaction &interaction);

// Adds, updates and deletes the laboratory's meters, calibrators, microphones, mastoids and
// preamplifiers. Within a category the serial number is the key: two entries never share one.
// Every refusal and warning is told to the technician through `interaction`.
class InstrumentInventory
{
public:
    InstrumentInventory(Inventory &inventory, Interaction &interaction, int currentYear);

    bool ValidateInstrument(InstrumentKind kind, const InventoryEntry &entry);
    // Position of the new (or, for a microphone or mastoid the technician chose to update, the
    // replaced) entry; -1 when refused.
    int AddInstrument(InstrumentKind kind, const InventoryEntry &entry);
    bool UpdateInstrument(InstrumentKind kind, int position, const InventoryEntry &entry);
    bool DeleteInstrument(InstrumentKind kind, int position);

    QStringList labels(InstrumentKind kind) const;
    const std::vector<InventoryEntry> &list(InstrumentKind kind) const;

private:
    std::vector<InventoryEntry> &listOf(InstrumentKind kind);
    int positionOfSerial(InstrumentKind kind, std::string_view serial, int except = -1) const;
    bool checkDueYear(const InventoryEntry &entry);
    bool validateMastoid(const InventoryEntry &entry);

    Inventory &m_inventory;
    Interaction &m_interaction;
    int m_currentYear;
};

} // namespace tonva

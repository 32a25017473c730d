#pragma once

#include "model/Inventory.h"
#include "platform/Interaction.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <set>
#include <utility>

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

// True when the entry's calibration due date ("YYYY-MM-DD") lies before `today`. An instrument due
// today is still in calibration; a date that cannot be read is not called overdue, since the
// technician already had it refused or accepted by the due-year check.
bool isCalibrationOverdue(const InventoryEntry &entry, const QDate &today);

// A list position read from the preference store may be stale (a later delete) or damaged: the
// position when it names an entry of `count`, otherwise -1 (nothing selected).
int trustedPosition(int stored, std::size_t count);

// Tells the technician once per instrument that an instrument chosen for a test is overdue for
// calibration. Only a warning: the test goes on with it.
class CalibrationDueWarner
{
public:
    CalibrationDueWarner(Interaction &interaction, QDate today);
    // True when a warning was shown now.
    bool instrumentChosen(InstrumentKind kind, const InventoryEntry &entry);

private:
    Interaction &m_interaction;
    QDate m_today;
    std::set<std::pair<int, QString>> m_warned;
};

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
    // The positions of the category's entries whose calibration is overdue on `today`.
    std::vector<int> overduePositions(InstrumentKind kind, const QDate &today) const;
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

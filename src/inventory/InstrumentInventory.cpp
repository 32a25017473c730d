#include "inventory/InstrumentInventory.h"

#include "model/Blobs.h"
#include "model/FixedText.h"
#include "model/SetupRules.h"

#include <algorithm>
#include <new>

namespace tonva {

namespace {

struct KindTexts
{
    const char *noSerial;
    const char *duplicate; // empty when a duplicate is offered as an update instead
};

KindTexts textsOf(InstrumentKind kind)
{
    switch (kind) {
    case InstrumentKind::SoundLevelMeter:
        return {"You may not add a new sound level meter without a serial number.",
                "There is already a sound level meter defined with serial number %1."};
    case InstrumentKind::Calibrator:
        return {"You may not add a new calibrator without a serial number.",
                "There is already a calibrator defined with serial number %1."};
    case InstrumentKind::Microphone:
        return {"You may not add a new microphone without a serial number.", ""};
    case InstrumentKind::Mastoid:
        return {"You may not add a new mastoid without a serial number.", ""};
    case InstrumentKind::Preamplifier:
        break;
    }
    return {"You may not add a new preamp without a serial number.",
            "There is already a preamp defined with serial number %1."};
}

std::string_view serialOf(const InventoryEntry &entry)
{
    // Every instrument body starts with its identity; the serial is read in place so the view
    // stays valid as long as the entry.
    const auto *identity =
        reinterpret_cast<const char *>(entry.body) + offsetof(InstrumentIdentity, serialNumber);
    const void *end = std::memchr(identity, '\0', sizeof(InstrumentIdentity::serialNumber));
    return {identity, end ? static_cast<std::size_t>(static_cast<const char *>(end) - identity)
                          : sizeof(InstrumentIdentity::serialNumber)};
}

QString serialText(const InventoryEntry &entry)
{
    return displayText(entry.bodyAs<InstrumentIdentity>().serialNumber);
}

bool allZero(const float *values, int count)
{
    return std::all_of(values, values + count, [](float v) { return v == 0.0f; });
}

bool isBrueelMastoid(const MastoidData &mastoid)
{
    return mastoid.identity.manufacturer[0] == 'B';
}

const char *instrumentWord(InstrumentKind kind)
{
    switch (kind) {
    case InstrumentKind::SoundLevelMeter:
        return "sound level meter";
    case InstrumentKind::Calibrator:
        return "calibrator";
    case InstrumentKind::Microphone:
        return "microphone";
    case InstrumentKind::Mastoid:
        return "mastoid";
    case InstrumentKind::Preamplifier:
        break;
    }
    return "preamp";
}

} // namespace

InventoryType inventoryTypeOf(InstrumentKind kind)
{
    switch (kind) {
    case InstrumentKind::SoundLevelMeter:
        return InventoryType::SoundLevelMeter;
    case InstrumentKind::Calibrator:
        return InventoryType::Calibrator;
    case InstrumentKind::Microphone:
        return InventoryType::Microphone;
    case InstrumentKind::Mastoid:
        return InventoryType::Mastoid;
    case InstrumentKind::Preamplifier:
        break;
    }
    return InventoryType::Preamplifier;
}

QString ListLabel(const InventoryEntry &entry)
{
    const InstrumentIdentity identity = entry.bodyAs<InstrumentIdentity>();
    return QStringLiteral("%1 SN-%2").arg(displayText(identity.model), displayText(identity.serialNumber));
}

bool isCalibrationOverdue(const InventoryEntry &entry, const QDate &today)
{
    const QString text = displayText(entry.bodyAs<InstrumentIdentity>().calibrationDue).trimmed();
    const QDate due = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    return due.isValid() && today.isValid() && due < today;
}

int trustedPosition(int stored, std::size_t count)
{
    return stored >= 0 && static_cast<std::size_t>(stored) < count ? stored : -1;
}

CalibrationDueWarner::CalibrationDueWarner(Interaction &interaction, QDate today)
    : m_interaction(interaction), m_today(today)
{}

bool CalibrationDueWarner::instrumentChosen(InstrumentKind kind, const InventoryEntry &entry)
{
    if (!isCalibrationOverdue(entry, m_today))
        return false;
    if (!m_warned.insert({static_cast<int>(kind), serialText(entry)}).second)
        return false;
    const InstrumentIdentity identity = entry.bodyAs<InstrumentIdentity>();
    m_interaction.message(QStringLiteral("The %1 %2 SN-%3 was due for calibration on %4.")
                              .arg(QLatin1String(instrumentWord(kind)), displayText(identity.model),
                                   displayText(identity.serialNumber),
                                   displayText(identity.calibrationDue).trimmed()));
    return true;
}

InstrumentInventory::InstrumentInventory(Inventory &inventory, Interaction &interaction, int currentYear)
    : m_inventory(inventory), m_interaction(interaction), m_currentYear(currentYear)
{}

std::vector<InventoryEntry> &InstrumentInventory::listOf(InstrumentKind kind)
{
    return m_inventory.list(inventoryTypeOf(kind));
}

const std::vector<InventoryEntry> &InstrumentInventory::list(InstrumentKind kind) const
{
    return m_inventory.list(inventoryTypeOf(kind));
}

QStringList InstrumentInventory::labels(InstrumentKind kind) const
{
    QStringList labels;
    for (const InventoryEntry &entry : list(kind))
        labels << ListLabel(entry);
    return labels;
}

std::vector<int> InstrumentInventory::overduePositions(InstrumentKind kind, const QDate &today) const
{
    std::vector<int> overdue;
    const auto &entries = list(kind);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (isCalibrationOverdue(entries[i], today))
            overdue.push_back(static_cast<int>(i));
    }
    return overdue;
}

int InstrumentInventory::positionOfSerial(InstrumentKind kind, std::string_view serial, int except) const
{
    const auto &entries = list(kind);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (static_cast<int>(i) != except && serialOf(entries[i]) == serial)
            return static_cast<int>(i);
    }
    return -1;
}

bool InstrumentInventory::checkDueYear(const InventoryEntry &entry)
{
    if (isDueYearValid(fixedText(entry.bodyAs<InstrumentIdentity>().calibrationDue), m_currentYear))
        return true;
    m_interaction.message(
        QStringLiteral("Calibration Due Year is invalid.\nMust be 4-digit year within 100 years."));
    return false;
}

bool InstrumentInventory::validateMastoid(const InventoryEntry &entry)
{
    const MastoidData mastoid = entry.bodyAs<MastoidData>();
    if (allZero(mastoid.kestinResponse, kFrequencyCount) &&
        allZero(mastoid.lorvatResponse, kFrequencyCount) &&
        allZero(mastoid.pendryResponse, kFrequencyCount)) {
        m_interaction.message(QStringLiteral(
            "No frequency responses have been entered for this mastoid.\n\nBefore adding a mastoid you must "
            "enter "
            "its frequency responses.\nThese are found on the response chart provided with the mastoid."));
        return false;
    }
    if (isBrueelMastoid(mastoid)) {
        if (mastoid.sensitivity == 0.0f) {
            if (m_interaction.ask(
                    QStringLiteral("Warning: No valid sensitivity has been entered for the mastoid.\n\n"
                                   "Click OK to add the mastoid anyway.\n\n(You will not be able to "
                                   "make bone measurements with this mastoid.)"),
                    Buttons::OkCancel) != Answer::Ok)
                return false;
        } else {
            for (const InventoryEntry &mic : m_inventory.list(InventoryType::Microphone)) {
                if (mic.bodyAs<MicrophoneSlot>().sensitivity == 0.0f)
                    m_interaction.message(
                        QStringLiteral(
                            "Warning: Found at least one mic (S/N %1) without a sensitivity value.\n"
                            "Measurements with B&K mastoids require mic sensitivities to be entered.")
                            .arg(serialText(mic)));
            }
        }
    }
    return checkDueYear(entry);
}

bool InstrumentInventory::ValidateInstrument(InstrumentKind kind, const InventoryEntry &entry)
{
    if (serialOf(entry).empty()) {
        m_interaction.message(QString::fromLatin1(textsOf(kind).noSerial));
        return false;
    }
    if (kind == InstrumentKind::Mastoid)
        return validateMastoid(entry);
    if (!checkDueYear(entry))
        return false;

    if (kind == InstrumentKind::Calibrator) {
        const CalibratorData calibrator = entry.bodyAs<CalibratorData>();
        // Written as "not inside" so that a negative or unreadable number is refused too.
        if (!(calibrator.frequency > 0.0f && calibrator.frequency <= 20000.0f)) {
            m_interaction.message(
                QStringLiteral("No valid frequency has been entered for the calibrator.\nBefore "
                               "adding a calibrator you must enter a valid frequency."));
            return false;
        }
        if (!(calibrator.level > 0.0f && calibrator.level <= 140.0f)) {
            m_interaction.message(
                QStringLiteral("No valid level has been entered for the calibrator.\nBefore "
                               "adding a calibrator you must enter a valid level."));
            return false;
        }
    }
    if (kind == InstrumentKind::Microphone) {
        const MicrophoneSlot mic = entry.bodyAs<MicrophoneSlot>();
        if (allZero(mic.response, kFrequencyCount)) {
            m_interaction.message(QStringLiteral(
                "No frequency responses have been entered for this mic.\n\nBefore adding a microphone you "
                "must "
                "enter its frequency responses.\nThese are found on the response chart provided with the "
                "microphone."));
            return false;
        }
        if (mic.sensitivity == 0.0f) {
            m_interaction.message(
                QStringLiteral("No valid sensitivity has been entered for the microphone.\n\nYou "
                               "must enter a sensitivity before adding the microphone."));
            return false;
        }
        if (!(mic.sensitivity >= 1.0f && mic.sensitivity <= 65.0f)) {
            m_interaction.message(
                QStringLiteral("Invalid sensitivity entered.  It must be between 1 and 65."));
            return false;
        }
    }
    return true;
}

int InstrumentInventory::AddInstrument(InstrumentKind kind, const InventoryEntry &entry)
{
    if (!ValidateInstrument(kind, entry))
        return -1;

    InventoryEntry stored = entry;
    stored.typeCode = static_cast<std::int32_t>(inventoryTypeOf(kind));
    stored.link = 0;
    auto &entries = listOf(kind);

    const int duplicate = positionOfSerial(kind, serialOf(entry));
    if (duplicate >= 0) {
        const QString serial = serialText(entry);
        if (kind == InstrumentKind::Microphone || kind == InstrumentKind::Mastoid) {
            const QString question =
                kind == InstrumentKind::Microphone
                    ? QStringLiteral(
                          "There is already a microphone defined with serial number %1.\nDo you want "
                          "to update the data for this Microphone?")
                    : QStringLiteral("There is already a mastoid defined with serial number %1.\n Update the "
                                     "current mastoid with the new data?");
            if (m_interaction.ask(question.arg(serial), Buttons::YesNo) != Answer::Yes)
                return -1;
            entries[static_cast<std::size_t>(duplicate)] = stored;
            return duplicate;
        }
        m_interaction.message(QString::fromLatin1(textsOf(kind).duplicate).arg(serial));
        return -1;
    }

    try {
        entries.push_back(stored);
    } catch (const std::bad_alloc &) {
        m_interaction.message(QStringLiteral("Cannot create a new instrument (out of memory)."));
        return -1;
    }
    return static_cast<int>(entries.size()) - 1;
}

bool InstrumentInventory::UpdateInstrument(InstrumentKind kind, int position, const InventoryEntry &entry)
{
    auto &entries = listOf(kind);
    if (position < 0 || static_cast<std::size_t>(position) >= entries.size()) {
        m_interaction.message(
            QStringLiteral("This instrument is not defined. Did you mean to \"Add\", not \"Update\"?"));
        return false;
    }
    if (!ValidateInstrument(kind, entry))
        return false;

    InventoryEntry &selected = entries[static_cast<std::size_t>(position)];
    InventoryEntry updated = entry;
    updated.typeCode = static_cast<std::int32_t>(inventoryTypeOf(kind));
    updated.link = 0;
    if (positionOfSerial(kind, serialOf(entry), position) >= 0) {
        InstrumentIdentity identity = updated.bodyAs<InstrumentIdentity>();
        const InstrumentIdentity original = selected.bodyAs<InstrumentIdentity>();
        m_interaction.message(
            QStringLiteral("Duplicate serial number %1.\nChanging it back to original value (%2).")
                .arg(displayText(identity.serialNumber), displayText(original.serialNumber)));
        std::memcpy(identity.serialNumber, original.serialNumber, sizeof identity.serialNumber);
        updated.setBody(identity);
    }
    selected = updated;

    if (kind == InstrumentKind::Mastoid) {
        const MastoidData mastoid = updated.bodyAs<MastoidData>();
        if (isBrueelMastoid(mastoid) && mastoid.sensitivity == 0.0f)
            m_interaction.message(
                QStringLiteral("Warning: Mastoid sensitivity not entered.\nYou will not be able "
                               "to run measurements using this mastoid."));
    }
    return true;
}

bool InstrumentInventory::DeleteInstrument(InstrumentKind kind, int position)
{
    auto &entries = listOf(kind);
    if (position < 0 || static_cast<std::size_t>(position) >= entries.size()) {
        m_interaction.message(QStringLiteral("No instrument selected to delete."));
        return false;
    }
    // Nothing else can bring back a deleted instrument and its response data once the lists are saved.
    const InstrumentIdentity identity = entries[static_cast<std::size_t>(position)].bodyAs<InstrumentIdentity>();
    if (m_interaction.ask(QStringLiteral("Delete %1 SN-%2 and its response data?")
                              .arg(displayText(identity.model), displayText(identity.serialNumber)),
                          Buttons::YesNo) != Answer::Yes)
        return false;
    entries.erase(entries.begin() + position);
    return true;
}

void confirmUnreadableEntries(const BlobReadReport &report, Inventory &inventory, Interaction &interaction)
{
    const int unknown = report.unknownEntries;
    const int cut = report.cutEntries;
    const int count = unknown + cut;
    if (count == 0)
        return;

    const QString what =
        count == 1 ? QStringLiteral("1 instrument entry stored in this database could not be read and is not "
                                    "shown in the instrument lists.")
                   : QStringLiteral("%1 instrument entries stored in this database could not be read and are "
                                    "not shown in the instrument lists.")
                         .arg(count);
    // Unknown kinds are most likely instruments of a newer version of the program; a cut-short entry
    // is damage. Either way the technician decides whether the bytes are worth keeping.
    const QString unknownKind = QStringLiteral("of a kind this version of Tonva does not know");
    const QString cutShort = QStringLiteral("cut short at the end of the stored data");
    QString why;
    if (cut == 0)
        why = (count == 1 ? QStringLiteral("It is %1.") : QStringLiteral("They are %1.")).arg(unknownKind);
    else if (unknown == 0)
        why = QStringLiteral("It is %1.").arg(cutShort);
    else
        why = QStringLiteral("%1 %2; 1 %3.").arg(unknown).arg(unknownKind, cutShort);

    const Answer answer = interaction.ask(
        what + QLatin1Char('\n') + why +
            QStringLiteral("\n\nKeep the unreadable data in the database?\nClick Yes to keep it stored "
                           "unchanged.\nClick No to remove it the next time the instrument lists are saved."),
        Buttons::YesNo);
    if (answer == Answer::No)
        inventory.unreadable.clear();
}

} // namespace tonva

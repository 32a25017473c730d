#pragma once

#include "model/Inventory.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace tonva {

// What a maker's set-up file is about, from its first field.
enum class SetupDataType
{
    Microphone,
    Mastoid,
};

// A mastoid's response arrays, one per coupler it was calibrated on.
enum class MastoidCoupler
{
    Kestin = 1,
    Lorvat = 2,
    Pendry = 3,
};

// A set-up file as read: line 1's identity and the responses at the frequencies the maker measured,
// in ascending order. Texts are the file's bytes (code page 1252), trimmed.
struct SetupFile
{
    SetupDataType type = SetupDataType::Microphone;
    QByteArray manufacturer;
    QByteArray model;
    QByteArray serialNumber;
    double sensitivity = 0.0;
    QByteArray calibrationDue; // "YYYY-MM-DD"
    std::optional<MastoidCoupler> coupler;
    std::vector<std::pair<double, double>> responses; // Hz, dB
};

// 0, or one of the import's failure codes below, with the file line it concerns.
struct SetupImportStatus
{
    int code = 0;
    int line = 0;

    bool ok() const { return code == 0; }
};

namespace setupimport {
constexpr int kCannotOpen = -1;
constexpr int kEmpty = -2;
constexpr int kTypeMissing = -3;
constexpr int kBadType = -4;
constexpr int kManufacturerMissing = -5;
constexpr int kModelMissing = -6;
constexpr int kSerialMissing = -7;
constexpr int kSensitivityMissing = -8;
constexpr int kDueDateMissing = -9;
constexpr int kBadDueDate = -10;
constexpr int kOutOfOrder = -11;
constexpr int kResponseMissing = -12;
constexpr int kTooManyFrequencies = -13;
constexpr int kStartsTooHigh = -14;
constexpr int kInternal = -15;
constexpr int kManufacturerTooLong = -16;
constexpr int kModelTooLong = -17;
constexpr int kSerialTooLong = -18;

constexpr int kMaxResponses = 200;
constexpr int kManufacturerLength = 25;
constexpr int kModelLength = 15;
constexpr int kSerialLength = 12;
// A file of 200 response lines is a few kilobytes; anything this large is not a set-up file.
constexpr qint64 kMaxFileBytes = 1 << 20;
} // namespace setupimport

// The message the technician is shown for a failure (empty for success).
QString setupImportMessage(SetupImportStatus status, bool tabDelimited);

// Reads a set-up file's text. With `expected`, a file of the other kind is refused as a bad type.
SetupImportStatus parseSetupText(QByteArrayView text, bool tabDelimited, std::optional<SetupDataType> expected,
                                 SetupFile &file);
SetupImportStatus ParseSetupFile(const QString &path, bool tabDelimited, std::optional<SetupDataType> expected,
                                 SetupFile &file);

// The responses at the 39 audiometric frequencies: exact where the file has the frequency, on the
// straight line between its neighbours otherwise, and at 20 kHz extrapolated from the file's last
// two lines. Microphones start at 31.5 Hz, mastoids at 250 Hz; a frequency the file does not reach
// stays 0 (not entered). `responses` is written only on success, so a failed import leaves it as
// it was.
SetupImportStatus MapResponses(const SetupFile &file, std::array<float, kFrequencyCount> &responses);

// A set-up file made into the inventory entry it describes: a microphone, or a mastoid with its
// responses in the coupler's array (`coupler` when the file names none). Built on `base` when
// given, so a mastoid keeps the arrays of its other couplers. Nothing when the mastoid's coupler
// is unknown, or the mapping fails (`status` then says why).
std::optional<InventoryEntry> importedEntry(const SetupFile &file, std::optional<MastoidCoupler> coupler,
                                            const InventoryEntry *base, SetupImportStatus *status = nullptr);

class Interaction;

// A maker's mastoid calibration certificate (".xls"), read for what a set-up file would say: the
// "Model" and "Serial Number:" cells, the "Freq (Hz)" and "S (dB re 20µPa/µN)" columns and the
// coupler it names (Kestin, Lorvat or Pendry). The values go to `page`, the response page in use
// (the certificate's own coupler when none is given): the technician is asked when the
// certificate names no coupler or another one. Nothing when the workbook cannot be read, the
// technician declines, or no coupler is known (the reason is shown). Without a page and a coupler
// named on the certificate, `chooseCoupler` (when given) asks which it is; nothing is a cancel.
std::optional<SetupFile> ImportCertificateWorkbook(
    const QString &path, std::optional<MastoidCoupler> page, Interaction &interaction,
    const std::function<std::optional<MastoidCoupler>()> &chooseCoupler = {});
QString couplerName(MastoidCoupler coupler);

} // namespace tonva

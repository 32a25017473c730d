#include "inventory/SetupImport.h"

#include "model/FixedText.h"
#include "model/ReferenceData.h"
#include "platform/TextFormat.h"

#include <QDate>
#include <QFile>
#include <QList>
#include <algorithm>
#include <cmath>
#include <limits>

namespace tonva {

using namespace setupimport;

namespace {

constexpr int kFirstMastoidIndex = 5; // 250 Hz: a mastoid is not calibrated lower
constexpr int kTopIndex = kFrequencyCount - 1;
constexpr int kLinesForExtrapolation = 3;
constexpr int kEarliestYear = 1900;
constexpr int kLatestYear = 2100;

QByteArray trimmed(QByteArrayView field)
{
    return field.trimmed().toByteArray();
}

// A whole field that is a number; blanks around it are allowed, nothing else.
std::optional<double> numberField(QByteArrayView field)
{
    bool ok = false;
    const double value = trimmed(field).toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

std::optional<QByteArray> dueDate(const QByteArray &field)
{
    int year = 0;
    int month = 0;
    int day = 0;
    const QList<QByteArray> parts = field.split('/');
    bool ok = false;
    if (parts.size() == 3) {
        bool monthOk = false;
        bool dayOk = false;
        month = parts[0].toInt(&monthOk);
        day = parts[1].toInt(&dayOk);
        year = parts[2].toInt(&ok);
        ok = ok && monthOk && dayOk;
    } else if (field.size() == 8) {
        const int value = field.toInt(&ok);
        year = value / 10000;
        month = value / 100 % 100;
        day = value % 100;
    }
    // Both forms are held to a real date in a plausible century: a due date that cannot be read
    // back would never show the instrument as overdue.
    if (!ok || year < kEarliestYear || year > kLatestYear || !QDate(year, month, day).isValid())
        return std::nullopt;
    return QByteArray(qPrintable(formatText("%04d-%02d-%02d", year, month, day)));
}

std::optional<MastoidCoupler> couplerField(const QByteArray &field)
{
    if (field.size() > 7)
        return std::nullopt;
    if (field.contains("100"))
        return MastoidCoupler::Kestin;
    if (field.contains("101"))
        return MastoidCoupler::Lorvat;
    if (field.contains("201"))
        return MastoidCoupler::Pendry;
    return std::nullopt;
}

// Responses are kept as floats: a wild extrapolation from two lines a hair apart must not overflow
// the conversion (undefined behaviour); what is not a number at all is stored as not entered.
float storedFloat(double value)
{
    if (!std::isfinite(value))
        return 0.0f;
    constexpr double kLargest = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(value, -kLargest, kLargest));
}

SetupImportStatus failure(int code, int line)
{
    return SetupImportStatus{code, line};
}

SetupImportStatus parseHeader(const QList<QByteArray> &fields, std::optional<SetupDataType> expected,
                              SetupFile &file)
{
    const auto field = [&fields](int i) { return i < fields.size() ? trimmed(fields[i]) : QByteArray(); };
    const QByteArray type = field(0).toUpper();
    if (type.isEmpty())
        return failure(kTypeMissing, 1);
    if (type.startsWith("MIC"))
        file.type = SetupDataType::Microphone;
    else if (type.startsWith("MASTOI") || type.startsWith("AMC"))
        file.type = SetupDataType::Mastoid;
    else
        return failure(kBadType, 1);
    if (expected && *expected != file.type)
        return failure(kBadType, 1);

    struct Text
    {
        QByteArray *target;
        int missing;
        int tooLong;
        int length;
    };
    const Text texts[] = {{&file.manufacturer, kManufacturerMissing, kManufacturerTooLong, kManufacturerLength},
                          {&file.model, kModelMissing, kModelTooLong, kModelLength},
                          {&file.serialNumber, kSerialMissing, kSerialTooLong, kSerialLength}};
    for (int i = 0; i < 3; ++i) {
        *texts[i].target = field(i + 1);
        if (texts[i].target->isEmpty())
            return failure(texts[i].missing, 1);
        if (texts[i].target->size() > texts[i].length)
            return failure(texts[i].tooLong, 1);
    }
    const std::optional<double> sensitivity = numberField(field(4));
    if (!sensitivity)
        return failure(kSensitivityMissing, 1);
    file.sensitivity = *sensitivity;
    if (field(5).isEmpty())
        return failure(kDueDateMissing, 1);
    const std::optional<QByteArray> due = dueDate(field(5));
    if (!due)
        return failure(kBadDueDate, 1);
    file.calibrationDue = *due;
    file.coupler = file.type == SetupDataType::Mastoid ? couplerField(field(6)) : std::nullopt;
    return {};
}

} // namespace

QString setupImportMessage(SetupImportStatus status, bool tabDelimited)
{
    switch (status.code) {
    case 0:
        return {};
    case kCannotOpen:
        return QStringLiteral("Unable to open setup file.");
    case kEmpty:
        return QStringLiteral("The setup file was empty.");
    case kTypeMissing:
        return QStringLiteral("Data type is missing in the setup file (Line 1).");
    case kBadType:
        return formatText("Bad or missing data type in the setup file (Line 1).\n(Be sure the data in the file is "
                          "%s-delimited.)",
                          tabDelimited ? "tab" : "comma");
    case kManufacturerMissing:
        return QStringLiteral("Manufacturer is missing in the setup file (Line 1).");
    case kModelMissing:
        return QStringLiteral("Model is missing in the setup file (Line 1).");
    case kSerialMissing:
        return QStringLiteral("Serial number is missing in the setup file (Line 1).");
    case kSensitivityMissing:
        return QStringLiteral("Sensitivity is missing in the setup file (Line 1).");
    case kDueDateMissing:
        return QStringLiteral("Cal due date is missing in the setup file (Line 1).");
    case kBadDueDate:
        return QStringLiteral("Bad cal due date in the setup file (Line 1).");
    case kOutOfOrder:
        return formatText("Frequency appears to be out of order in the setup file (Line %d).\nFrequencies must be "
                          "in ascending order.",
                          status.line);
    case kResponseMissing:
        return formatText("Missing frequency response in the setup file (Line %d).", status.line);
    case kTooManyFrequencies:
        return formatText("There are too many frequencies in the setup file.\nMaximum number allowed is %d.",
                          kMaxResponses);
    case kStartsTooHigh:
        return formatText("The first frequency in the setup file is higher than the first possible audiometer "
                          "frequency (Line %d).",
                          status.line);
    case kInternal:
        return formatText("Internal error.  Unable to import setup from the setup file. (Failed on line %d).",
                          status.line);
    case kManufacturerTooLong:
        return QStringLiteral("Manufacturer is too long. Maximum length is 25 (Line 1).");
    case kModelTooLong:
        return QStringLiteral("Model is too long. Maximum length is 15 (Line 1).");
    case kSerialTooLong:
        return QStringLiteral("Serial number is too long. Maximum length is 12 (Line 1).");
    default:
        return formatText("Unable to import responses (unknown error %d, Line %d).", status.code, status.line);
    }
}

SetupImportStatus parseSetupText(QByteArrayView text, bool tabDelimited, std::optional<SetupDataType> expected,
                                 SetupFile &file)
{
    file = SetupFile{};
    const char delimiter = tabDelimited ? '\t' : ',';
    QList<QByteArray> lines = text.toByteArray().split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    if (lines.isEmpty() || lines.front().trimmed().isEmpty())
        return failure(lines.size() > 1 ? kTypeMissing : kEmpty, 1);
    if (const SetupImportStatus header = parseHeader(lines.front().split(delimiter), expected, file);
        !header.ok())
        return header;

    double previous = 0.0;
    for (int i = 1; i < lines.size(); ++i) {
        const int lineNumber = i + 1;
        // Blank lines (the end of the last line, a spreadsheet's empty rows) carry nothing.
        if (lines[i].trimmed().isEmpty())
            continue;
        if (static_cast<int>(file.responses.size()) == kMaxResponses)
            return failure(kTooManyFrequencies, lineNumber);
        const QList<QByteArray> fields = lines[i].split(delimiter);
        // The first frequency must be above 0 too: no response is measured at or below 0 Hz.
        const std::optional<double> frequency = numberField(fields[0]);
        if (!frequency || *frequency <= previous)
            return failure(kOutOfOrder, lineNumber);
        const std::optional<double> response = fields.size() > 1 ? numberField(fields[1]) : std::nullopt;
        if (!response)
            return failure(kResponseMissing, lineNumber);
        file.responses.emplace_back(*frequency, *response);
        previous = *frequency;
    }
    return {};
}

SetupImportStatus ParseSetupFile(const QString &path, bool tabDelimited, std::optional<SetupDataType> expected,
                                 SetupFile &file)
{
    file = SetupFile{};
    QFile input(path);
    if (!input.open(QIODevice::ReadOnly))
        return failure(kCannotOpen, 0);
    // Read one byte beyond the limit so that a file of exactly the limit is still read whole.
    const QByteArray text = input.read(kMaxFileBytes + 1);
    if (text.size() > kMaxFileBytes)
        return failure(kTooManyFrequencies, 0);
    if (text.trimmed().isEmpty())
        return failure(kEmpty, 1);
    return parseSetupText(text, tabDelimited, expected, file);
}

SetupImportStatus MapResponses(const SetupFile &file, std::array<float, kFrequencyCount> &responses)
{
    const std::vector<std::pair<double, double>> &lines = file.responses;
    if (lines.empty())
        return failure(kResponseMissing, 2);
    // A frequency within a hundredth of a hertz of an audiometric one is that frequency.
    const auto same = [](double a, double b) { return std::trunc(std::abs(a - b) * 100.0) == 0.0; };
    std::array<float, kFrequencyCount> mapped{};
    const int first = file.type == SetupDataType::Mastoid ? kFirstMastoidIndex : 0;
    for (int f = first; f < kFrequencyCount; ++f) {
        const double hertz = testFrequencies()[static_cast<std::size_t>(f)];
        float &value = mapped[static_cast<std::size_t>(f)];
        std::size_t above = 0; // the first line not below
        while (above < lines.size() && lines[above].first < hertz)
            ++above;
        if (above > 0 && same(lines[above - 1].first, hertz)) {
            value = storedFloat(lines[above - 1].second);
        } else if (above < lines.size() && same(lines[above].first, hertz)) {
            value = storedFloat(lines[above].second);
        } else if (above == 0) {
            return failure(kStartsTooHigh, 2);
        } else if (above == lines.size()) {
            // Past the file's last frequency only 20 kHz is filled, by extending the last segment; the
            // frequencies in between stay not entered rather than guessed.
            if (f == kTopIndex && lines.size() >= kLinesForExtrapolation) {
                const auto &[fn, rn] = lines[lines.size() - 1];
                const auto &[fp, rp] = lines[lines.size() - 2];
                value = storedFloat(rn + (hertz - fn) * (rn - rp) / (fn - fp));
            }
        } else {
            const auto &[flo, rlo] = lines[above - 1];
            const auto &[fhi, rhi] = lines[above];
            value = storedFloat(rlo + (hertz - flo) / (fhi - flo) * (rhi - rlo));
        }
    }
    responses = mapped;
    return {};
}

std::optional<InventoryEntry> importedEntry(const SetupFile &file, std::optional<MastoidCoupler> coupler,
                                            const InventoryEntry *base, SetupImportStatus *status)
{
    SetupImportStatus outcome;
    std::array<float, kFrequencyCount> responses{};
    const std::optional<MastoidCoupler> chosen = file.coupler ? file.coupler : coupler;
    if (file.type == SetupDataType::Mastoid && !chosen)
        outcome = failure(kInternal, 1);
    else
        outcome = MapResponses(file, responses);
    if (status)
        *status = outcome;
    if (!outcome.ok())
        return std::nullopt;

    const auto identify = [&file](InstrumentIdentity &identity) {
        const auto text = [](const QByteArray &bytes) {
            return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        };
        setFixedText(identity.manufacturer, text(file.manufacturer));
        setFixedText(identity.model, text(file.model));
        setFixedText(identity.serialNumber, text(file.serialNumber));
        setFixedText(identity.calibrationDue, text(file.calibrationDue));
    };
    if (file.type == SetupDataType::Microphone) {
        MicrophoneSlot microphone = base ? base->bodyAs<MicrophoneSlot>() : MicrophoneSlot{};
        identify(microphone.identity);
        microphone.sensitivity = storedFloat(file.sensitivity);
        std::copy(responses.begin(), responses.end(), microphone.response);
        InventoryEntry entry = base ? *base : InventoryEntry{};
        entry.typeCode = static_cast<std::int32_t>(InventoryType::Microphone);
        entry.setBody(microphone);
        return entry;
    }
    MastoidData mastoid = base ? base->bodyAs<MastoidData>() : MastoidData{};
    identify(mastoid.identity);
    mastoid.sensitivity = storedFloat(file.sensitivity);
    float *target = *chosen == MastoidCoupler::Kestin   ? mastoid.kestinResponse
                    : *chosen == MastoidCoupler::Lorvat ? mastoid.lorvatResponse
                                                        : mastoid.pendryResponse;
    std::copy(responses.begin(), responses.end(), target);
    InventoryEntry entry = base ? *base : InventoryEntry{};
    entry.typeCode = static_cast<std::int32_t>(InventoryType::Mastoid);
    entry.setBody(mastoid);
    return entry;
}

} // namespace tonva

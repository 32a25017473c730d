#include "model/SetupRules.h"

#include "model/FixedText.h"
#include "model/ReferenceData.h"
#include "platform/BoundedFile.h"

#include <QFile>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace tonva {

namespace {

// 39 short lines; a file this large is not a reference level file and is refused.
constexpr qint64 kMaxRetsplFileBytes = 64 * 1024;

// Leading number of a text the way a C decimal conversion reads it: blanks, a sign, then digits.
long leadingNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + (text[i] - '0');
    return negative ? -value : value;
}

float leadingDecimal(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (i < text.size() && text[i] == '+')
        ++i;
    float value = 0.0f;
    const auto [end, error] = std::from_chars(text.data() + i, text.data() + text.size(), value);
    // "nan" and "inf" parse as numbers, but no reference level can be either.
    return error == std::errc() && std::isfinite(value) ? value : 0.0f;
}

template<class Slot>
void fillWhenOnlyOne(Slot &slot, std::string_view slotSerial, const Inventory &inventory, InventoryType type)
{
    const auto &list = inventory.list(type);
    if (list.size() == 1 && slotSerial.empty())
        slot = list.front().bodyAs<Slot>();
}

int earphoneKindOf(EarphonePage::Kind kind)
{
    switch (kind) {
    case EarphonePage::Kind::SupraAural:
        return static_cast<int>(EarphoneKind::SupraAural);
    case EarphonePage::Kind::Insert:
        return static_cast<int>(EarphoneKind::Insert);
    case EarphonePage::Kind::Circumaural:
        break;
    }
    return static_cast<int>(EarphoneKind::Circumaural);
}

} // namespace

bool isDueYearValid(std::string_view yearText, int currentYear)
{
    const std::string_view year = trimmedText(yearText).substr(0, 4);
    return std::labs(leadingNumber(year) - currentYear) < 100;
}

TestSetup OpenSetup(const TestSetup &recordSetup, const Inventory &inventory)
{
    TestSetup setup = recordSetup;
    fillWhenOnlyOne(setup.calibrator, fixedText(setup.calibrator.identity.serialNumber), inventory,
                    InventoryType::Calibrator);
    fillWhenOnlyOne(setup.soundLevelMeter, fixedText(setup.soundLevelMeter.serialNumber), inventory,
                    InventoryType::SoundLevelMeter);
    fillWhenOnlyOne(setup.preamplifier, fixedText(setup.preamplifier.serialNumber), inventory,
                    InventoryType::Preamplifier);
    fillWhenOnlyOne(setup.mastoid, fixedText(setup.mastoid.identity.serialNumber), inventory,
                    InventoryType::Mastoid);
    fillWhenOnlyOne(setup.boneVibrator, fixedText(setup.boneVibrator.serialNumber), inventory,
                    InventoryType::BoneVibrator);
    return setup;
}

bool ValidateAudiometer(const TestSetup &setup, Interaction &interaction, int currentYear)
{
    if (trimmedText(fixedText(setup.audiometerSerialNumber)).empty()) {
        interaction.message(QStringLiteral("Please enter a serial number for the audiometer."));
        return false;
    }
    if (trimmedText(fixedText(setup.audiometerModel)).empty()) {
        interaction.message(QStringLiteral("Please enter a model number for the audiometer."));
        return false;
    }
    if (!isDueYearValid(fixedText(setup.audiometerCalibrationDue), currentYear)) {
        interaction.message(QStringLiteral(
            "Audiometer Calibration Due Year is invalid.\nMust be 4-digit year within 100 years."));
        return false;
    }
    const bool anyFrequency =
        std::find(std::begin(setup.frequencyAvailable), std::end(setup.frequencyAvailable), 1) !=
        std::end(setup.frequencyAvailable);
    if (!anyFrequency) {
        interaction.message(QStringLiteral("Please enter the frequencies for the audiometer."));
        return false;
    }
    const bool rateOk = setup.fmRate >= 4.0f && setup.fmRate <= 20.0f;
    const bool deviationOk = setup.fmDeviation >= 5.0f && setup.fmDeviation <= 25.0f;
    if (!rateOk || !deviationOk) {
        return interaction.ask(
                   QStringLiteral(
                       "Warning: Audiometer FM parameters are invalid.\n\nFor FM measurements the "
                       "modulation rate must be between 4 and 20 Hz\nand the frequency deviation must "
                       "be between 5 and 25 %.\n\nClick OK to use the audiometer anyway.\n\n(You will "
                       "not be allowed to make FM measurements with this audiometer.)"),
                   Buttons::OkCancel) == Answer::Ok;
    }
    return true;
}

void SetDefaultFrequencies(TestSetup &setup)
{
    for (const double hertz : {125, 250, 500, 750, 1000, 1500, 2000, 3000, 4000, 6000, 8000})
        setup.frequencyAvailable[frequencyIndex(hertz)] = 1;
}

EarphonePage::EarphonePage(Kind kind, TestSetup &setup, const Inventory &inventory,
                           PreferenceStore &preferences, Interaction &interaction)
    : m_kind(kind), m_slot(kind == Kind::SupraAural ? setup.supraAural
                           : kind == Kind::Insert   ? setup.insert
                                                    : setup.circumaural),
      m_inventory(inventory), m_preferences(preferences), m_interaction(interaction)
{
    m_showCouplerWarn = m_showCouplerWarnAtStart = m_preferences.readFlag(preference::ShowCouplerWarn);
    m_allowIncompatible = m_allowIncompatibleAtStart = m_preferences.readFlag(preference::AllowIncompatible);
}

EarphonePage::~EarphonePage()
{
    if (m_showCouplerWarn != m_showCouplerWarnAtStart)
        m_preferences.writeFlag(preference::ShowCouplerWarn, m_showCouplerWarn);
    if (m_allowIncompatible != m_allowIncompatibleAtStart)
        m_preferences.writeFlag(preference::AllowIncompatible, m_allowIncompatible);
}

const std::vector<int> &EarphonePage::couplerCodes() const
{
    static const std::vector<int> supraAural = {1, 2, 6};
    static const std::vector<int> insert = {3, 4, 5};
    static const std::vector<int> circumaural = {1, 6};
    switch (m_kind) {
    case Kind::SupraAural:
        return supraAural;
    case Kind::Insert:
        return insert;
    case Kind::Circumaural:
        break;
    }
    return circumaural;
}

bool EarphonePage::offers(const EarphoneModel &earphone) const
{
    return earphone.kind == earphoneKindOf(m_kind) &&
           (m_allowIncompatible || earphone.couplerCode == m_slot.couplerCode);
}

std::vector<EarphoneModel> EarphonePage::models() const
{
    std::vector<EarphoneModel> offered;
    for (const InventoryEntry &entry : m_inventory.list(InventoryType::Earphone)) {
        const EarphoneModel earphone = entry.bodyAs<EarphoneModel>();
        if (offers(earphone))
            offered.push_back(earphone);
    }
    return offered;
}

QStringList EarphonePage::modelNames() const
{
    QStringList names;
    for (const EarphoneModel &earphone : models())
        names << displayText(earphone.model);
    if (names.isEmpty())
        names << QStringLiteral("None");
    return names;
}

int EarphonePage::currentIndex() const
{
    const std::vector<EarphoneModel> offered = models();
    for (std::size_t i = 0; i < offered.size(); ++i) {
        if (fixedText(offered[i].model) == fixedText(m_slot.model))
            return static_cast<int>(i);
    }
    return -1;
}

void EarphonePage::clearEarphone()
{
    setFixedText(m_slot.manufacturer, {});
    setFixedText(m_slot.model, {});
    setFixedText(m_slot.leftSerialNumber, {});
    setFixedText(m_slot.rightSerialNumber, {});
}

void EarphonePage::choose(int index)
{
    const std::vector<EarphoneModel> offered = models();
    if (offered.empty() && index == 0) {
        clearEarphone();
        return;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= offered.size())
        return;
    const EarphoneModel &earphone = offered[static_cast<std::size_t>(index)];
    setFixedText(m_slot.manufacturer, fixedText(earphone.manufacturer));
    setFixedText(m_slot.model, fixedText(earphone.model));
    m_slot.kind = earphone.kind;
    m_slot.couplerCode = earphone.couplerCode;
    std::copy(std::begin(earphone.retspl), std::end(earphone.retspl), std::begin(m_slot.retspl));
    m_slot.builtIn = earphone.builtIn;
}

void EarphonePage::setSerialNumbers(const QString &left, const QString &right)
{
    setDisplayText(m_slot.leftSerialNumber, left);
    setDisplayText(m_slot.rightSerialNumber, right);
}

void EarphonePage::setAllowIncompatible(bool allow)
{
    // Only the list changes: an earphone it no longer offers stays until the technician picks another.
    m_allowIncompatible = allow;
}

std::optional<EarphoneModel> EarphonePage::chosenModel() const
{
    if (fixedTextIsEmpty(m_slot.model))
        return std::nullopt;
    for (const InventoryEntry &entry : m_inventory.list(InventoryType::Earphone)) {
        const EarphoneModel earphone = entry.bodyAs<EarphoneModel>();
        if (earphone.kind == earphoneKindOf(m_kind) && fixedText(earphone.model) == fixedText(m_slot.model))
            return earphone;
    }
    return std::nullopt;
}

bool EarphonePage::changeCoupler(int couplerCode)
{
    const std::vector<int> &codes = couplerCodes();
    if (std::find(codes.begin(), codes.end(), couplerCode) == codes.end())
        return false;
    // Clicking the button that is already on changes nothing, and must not take a stored earphone out.
    if (couplerCode == m_slot.couplerCode)
        return true;

    const EarphoneSlot previous = m_slot;
    const std::optional<EarphoneModel> chosen = chosenModel();
    m_slot.couplerCode = static_cast<std::int16_t>(couplerCode);

    if (m_showCouplerWarn && chosen && !isCouplerCompatible(chosen->couplerCode, couplerCode)) {
        const QString question =
            m_allowIncompatible
                ? QStringLiteral(
                      "Earphone model %1 has not been certified with %2 standard coupler (%3). Continue?")
                : QStringLiteral("Earphone model %1 is not certified with %2 standard coupler (%3). If you "
                                 "continue, the first earphone in the dropdown list will become the current "
                                 "earphone. Continue?");
        bool doNotShowAgain = false;
        const Answer answer = m_interaction.askWithCheckBox(
            question.arg(displayText(chosen->model), couplerFamilyWord(couplerCode), couplerName(couplerCode)),
            Buttons::OkCancel, QStringLiteral("Do not show this warning again."), doNotShowAgain);
        if (doNotShowAgain)
            m_showCouplerWarn = false;
        if (answer != Answer::Ok) {
            m_slot = previous;
            return false;
        }
        // When uncertified pairs are allowed the technician has just agreed to keep this earphone;
        // otherwise it is no longer offered and the first one that is takes its place.
        if (!m_allowIncompatible)
            choose(0);
    }
    if (models().empty())
        clearEarphone();
    return true;
}

bool SaveRetsplFile(const QString &path, const float (&retspl)[kFrequencyCount])
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray text;
    for (const float value : retspl)
        text += QByteArray::number(static_cast<double>(value), 'f', 1) + "\r\n";
    return file.write(text) == text.size();
}

bool LoadRetsplFile(const QString &path, float (&retspl)[kFrequencyCount], QString *error)
{
    QString reason;
    const std::optional<QByteArray> text = readWholeFile(path, kMaxRetsplFileBytes, &reason);
    if (!text) {
        if (error)
            *error = QStringLiteral("Cannot load reference levels from %1: %2").arg(path, reason);
        return false;
    }
    const QList<QByteArray> lines = text->split('\n');
    for (int i = 0; i < kFrequencyCount; ++i) {
        retspl[i] = i < lines.size() ? leadingDecimal(std::string_view(
                                           lines[i].constData(), static_cast<std::size_t>(lines[i].size())))
                                     : 0.0f;
    }
    return true;
}

QString proposedRetsplFileName(const EarphoneSlot &slot)
{
    QString name = displayText(slot.model);
    if (name.isEmpty())
        return QStringLiteral("EarphoneData.csv");
    // Some model names ("HV/1A") hold characters a file name cannot.
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    for (QChar &c : name) {
        if (forbidden.contains(c))
            c = QLatin1Char('_');
    }
    return name + QStringLiteral(".csv");
}

} // namespace tonva

#include "ambient/AmbientSurvey.h"

#include "meter/MeterRecords.h"
#include "meter/MeterStatus.h"
#include "meter/SlmFileList.h"
#include "meter/SlmLink.h"
#include "meter/StableSpectrum.h"
#include "model/FixedText.h"
#include "model/Inventory.h"
#include "platform/Interaction.h"
#include "platform/PreferenceStore.h"

#include <cmath>
#include <cstring>

namespace tonva {

namespace {

constexpr float kNotMeasured = -100.0f;
constexpr double kGateMaxSpreadDb = 3.0;
constexpr int kGatePauseMs = 500;
constexpr int kSampleTimeoutSeconds = 5;

const char *const kMissingEquipment =
    "Unable to perform measurement because not all required equipment has\nbeen selected.\n\nBefore doing "
    "this measurement you will need to make selections for \nthe following:\n\n";

bool isEmpty(const InstrumentIdentity &identity)
{
    return fixedTextIsEmpty(identity.model) && fixedTextIsEmpty(identity.serialNumber) &&
           fixedTextIsEmpty(identity.manufacturer);
}

template<class Body>
std::optional<Body> selected(const Inventory &inventory, InventoryType type, int position)
{
    const std::vector<InventoryEntry> &list = inventory.list(type);
    if (position < 0 || position >= static_cast<int>(list.size()))
        return std::nullopt;
    return list[static_cast<std::size_t>(position)].bodyAs<Body>();
}

} // namespace

BoothEquipment BoothEquipment::currentSelection(const Inventory &inventory, const PreferenceStore &preferences)
{
    BoothEquipment equipment;
    equipment.soundLevelMeter = selected<InstrumentIdentity>(inventory, InventoryType::SoundLevelMeter,
                                                             preferences.read(preference::CurrentSlm));
    equipment.preamplifier = selected<InstrumentIdentity>(inventory, InventoryType::Preamplifier,
                                                          preferences.read(preference::CurrentPreamp));
    equipment.microphone =
        selected<MicrophoneSlot>(inventory, InventoryType::Microphone, preferences.read(preference::CurrentMike));
    return equipment;
}

QStringList completeBoothEquipment(BoothRecord &record, const BoothEquipment &selection)
{
    if (isEmpty(record.soundLevelMeter) && selection.soundLevelMeter)
        record.soundLevelMeter = *selection.soundLevelMeter;
    if (isEmpty(record.preamplifier) && selection.preamplifier)
        record.preamplifier = *selection.preamplifier;
    if (isEmpty(record.microphone.identity) && selection.microphone)
        record.microphone = *selection.microphone;
    QStringList missing;
    if (isEmpty(record.soundLevelMeter))
        missing << QStringLiteral("    SLM\n");
    if (isEmpty(record.preamplifier))
        missing << QStringLiteral("    Preamp\n");
    if (isEmpty(record.microphone.identity))
        missing << QStringLiteral("    Mic\n");
    return missing;
}

BoothLevels BoothLevels::of(const BoothRecord &record)
{
    BoothLevels levels;
    std::memcpy(levels.bandLevel.data(), record.bandLevel, sizeof record.bandLevel);
    std::memcpy(levels.measurementDate, record.measurementDate, sizeof record.measurementDate);
    return levels;
}

void BoothLevels::restoreInto(BoothRecord &record) const
{
    std::memcpy(record.bandLevel, bandLevel.data(), sizeof record.bandLevel);
    std::memcpy(record.measurementDate, measurementDate, sizeof record.measurementDate);
}

bool holdsAmbientValues(const BoothRecord &record)
{
    // A record cleared by New Test holds zeros, which no survey produces in every band.
    bool anyMeasured = false;
    bool allZero = true;
    for (const float level : record.bandLevel) {
        anyMeasured = anyMeasured || level > kNotMeasured;
        allZero = allZero && level == 0.0f;
    }
    return anyMeasured && !allZero;
}

void clearAmbientValues(BoothRecord &record)
{
    for (float &level : record.bandLevel)
        level = kNotMeasured;
}

AmbientSurvey::AmbientSurvey(SlmLink &link, SlmFileList &files) : m_link(link), m_files(files) {}

bool AmbientSurvey::prepareMeter()
{
    while (m_link.SetupMeterForTest(MeterMode::SlmRta, -1, true) == 0) {
        if (m_link.interaction().ask(
                QStringLiteral("Could not set the Trellan properly for Ambient! Verify that it is powered on, "
                               "stable, and connected to the PC.\nPress Cancel or press OK to try again!"),
                Buttons::OkCancel) != Answer::Ok)
            return false;
    }
    return true;
}

float AmbientSurvey::energyMean(const float *levels, int count)
{
    double sum = 0.0;
    for (int i = 0; i < count; ++i)
        sum += std::pow(10.0, levels[i] / 10.0);
    return static_cast<float>(10.0 * std::log10(sum / count));
}

AmbientSurvey::Outcome AmbientSurvey::measure(BoothRecord &record, const QDate &today,
                                              const BoothEquipment &selection)
{
    Interaction &interaction = m_link.interaction();
    const std::unique_ptr<Progress> progress =
        interaction.openProgress(QStringLiteral("Ambient Measurement"), 0, 100, 10);
    progress->setPosition(0);

    const QStringList missing = completeBoothEquipment(record, selection);
    if (!missing.isEmpty()) {
        interaction.message(QLatin1String(kMissingEquipment) + missing.join(QString()));
        return Outcome::Failed;
    }

    float offset = 0.0f;
    for (;;) {
        offset = static_cast<float>(m_link.GetCalOffset());
        if (m_link.status() == meter::kOk)
            break;
        if (interaction.ask(QStringLiteral("Could not retrieve the calibration offset! Verify that the Trellan "
                                           "is powered on, stable, and connected to the PC. Then press OK!"),
                            Buttons::OkCancel) != Answer::Ok)
            return Outcome::Cancelled;
    }

    const int gain = m_link.SetGain(kGain, progress.get());
    if (gain == meter::kCancelled)
        return Outcome::Cancelled;
    if (gain < 0)
        return Outcome::Failed;

    progress->setStatus(QStringLiteral("Checking the Trellan for SLM/RTA mode"));
    m_link.SetupMeterForTest(MeterMode::SlmRta, -1, true);
    progress->setStatus(QStringLiteral("Waiting for Trellan to stabilize"));
    if (m_link.WaitRunState('R', progress.get()) == meter::kCancelled)
        return Outcome::Cancelled;
    progress->setStatus(QStringLiteral("Waiting for stable level"));
    for (;;) {
        meter::BandLevels ignored{};
        const int status = ReadStableSpectrum(m_link, m_files, meter::kBand1kHz, offset, ignored, progress.get(),
                                              {}, kGateMaxSpreadDb, kGatePauseMs);
        if (status == meter::kOk)
            break;
        if (status == meter::kCancelled)
            return Outcome::Cancelled;
        if (interaction.ask(QStringLiteral("Could not read the Trellan data! Verify that the Trellan is powered "
                                           "on, stable, and connected to the PC. Then press OK!"),
                            Buttons::OkCancel) != Answer::Ok)
            return Outcome::Cancelled;
    }

    // samples[band][i]
    std::array<std::array<float, kSamples>, kThirdOctaveBands> samples{};
    for (int i = 0; i < kSamples; ++i) {
        progress->setStatus(QStringLiteral("Averaging: Sample %1 out of %2").arg(i + 1).arg(kSamples));
        if (progress->checkCancel())
            return Outcome::Cancelled;
        QByteArray block;
        int status = m_files.BlockTransfer("&R1", block, meter::kThirdOctaveRecordSize, kSampleTimeoutSeconds,
                                           meter::isPlausibleThirdOctaveRecord);
        const std::optional<meter::BandLevels> levels =
            status == meter::kOk ? meter::decodeThirdOctaveRecord(block, offset) : std::nullopt;
        if (!levels) {
            if (status == meter::kOk)
                status = meter::kBlockFailed;
            interaction.message(
                QStringLiteral("Unable to download spectrum (error %1).\nAborting measurement.").arg(status));
            return Outcome::Failed;
        }
        for (int band = 0; band < kThirdOctaveBands; ++band)
            samples[static_cast<std::size_t>(band)][static_cast<std::size_t>(i)] =
                (*levels)[static_cast<std::size_t>(band)];
        progress->step();
        m_link.clock().sleep(kSampleIntervalMs);
    }

    m_previous = BoothLevels::of(record);
    for (int band = 0; band < kThirdOctaveBands; ++band)
        record.bandLevel[band] = energyMean(samples[static_cast<std::size_t>(band)].data(), kSamples);
    setFixedText(record.measurementDate,
                 QString::asprintf("%4d-%02d-%02d", today.year(), today.month(), today.day()).toStdString());
    return Outcome::Measured;
}

void AmbientSurvey::restorePrevious(BoothRecord &record) const
{
    if (m_previous)
        m_previous->restoreInto(record);
}

} // namespace tonva

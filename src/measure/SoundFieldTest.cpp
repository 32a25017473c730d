#include "measure/SoundFieldTest.h"

#include "measure/HearingLevelEvaluation.h"
#include "measure/MeasurementCatalogue.h"
#include "meter/MeterStatus.h"
#include "meter/StableSpectrum.h"
#include "model/FixedText.h"
#include "model/ReferenceData.h"
#include "platform/Interaction.h"
#include "platform/TextFormat.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace tonva {

namespace {

constexpr double kNotMeasuredDb = 10.0;
constexpr double kMaxSpreadDb = 1.0;
constexpr int kPauseMs = 200;
// Warble tones are held to +-3 dB up to 5000 Hz and +-5 dB from 6000 Hz on.
constexpr int kFirstWideToleranceIndex = 22;
constexpr int kSpeakers = static_cast<int>(TransducerType::Speakers);

QString fixed1(double value)
{
    return formatText("%.1f", value);
}

} // namespace

namespace soundfield {

Tolerance toleranceOf(SoundFieldSignal signal, int frequencyIndex)
{
    if (signal == SoundFieldSignal::NarrowBand)
        return {-3.0, 5.0};
    return frequencyIndex >= kFirstWideToleranceIndex ? Tolerance{-5.0, 5.0} : Tolerance{-3.0, 3.0};
}

double threeBandLevel(const meter::BandLevels &levels, int band)
{
    double power = 0.0;
    for (int b = band - 1; b <= band + 1; ++b) {
        if (b >= 0 && b < static_cast<int>(levels.size()))
            power += std::pow(10.0, levels[static_cast<std::size_t>(b)] / 10.0);
    }
    return 10.0 * std::log10(power);
}

} // namespace soundfield

SoundFieldTest::SoundFieldTest(const MeasurementServices &services, bool binaural)
    : MeasurementPage(services), m_binaural(binaural)
{}

SoundFieldTest::~SoundFieldTest() = default;

SoundFieldSignal SoundFieldTest::signal() const
{
    return measurement() == MeasurementEntry::NarrowBandLevel ? SoundFieldSignal::NarrowBand
                                                              : SoundFieldSignal::Warble;
}

namespace {

// The incidence and binaural words of whichever block the page works on.
template<class Block> void markBlock(Block &block, bool binaural)
{
    block.binaural = binaural ? 1 : 0;
    if (binaural || block.incidence < 0 || block.incidence > 2)
        block.incidence = 0;
}

} // namespace

void SoundFieldTest::onInitialised()
{
    AudTestRecord &r = record();
    const int channel = channelOf(ear());
    if (signal() == SoundFieldSignal::NarrowBand)
        markBlock(m_binaural ? r.narrowBandBinaural : r.narrowBand[channel][kSpeakers], m_binaural);
    else
        markBlock(m_binaural ? r.toneLevelBinaural : r.toneLevel[channel][kSpeakers], m_binaural);
}

void SoundFieldTest::onMeterAttached()
{
    // A reconnected meter may be calibrated differently.
    m_haveCalOffset = false;
}

float *SoundFieldTest::measuredLevels() const
{
    AudTestRecord &r = record();
    const int channel = channelOf(ear());
    if (signal() == SoundFieldSignal::NarrowBand)
        return (m_binaural ? r.narrowBandBinaural : r.narrowBand[channel][kSpeakers]).measuredLevel;
    return (m_binaural ? r.toneLevelBinaural : r.toneLevel[channel][kSpeakers]).measuredLevel;
}

const std::int16_t *SoundFieldTest::dialLevels() const
{
    AudTestRecord &r = record();
    const int channel = channelOf(ear());
    if (signal() == SoundFieldSignal::NarrowBand)
        return (m_binaural ? r.narrowBandBinaural : r.narrowBand[channel][kSpeakers]).dialLevel;
    return (m_binaural ? r.toneLevelBinaural : r.toneLevel[channel][kSpeakers]).dialLevel;
}

int SoundFieldTest::incidence() const
{
    AudTestRecord &r = record();
    const int channel = channelOf(ear());
    const int index = signal() == SoundFieldSignal::NarrowBand
                          ? (m_binaural ? r.narrowBandBinaural : r.narrowBand[channel][kSpeakers]).incidence
                          : (m_binaural ? r.toneLevelBinaural : r.toneLevel[channel][kSpeakers]).incidence;
    return index >= 0 && index <= 2 ? index : 0;
}

void SoundFieldTest::setIncidence(int index)
{
    if (m_binaural || index < 0 || index > 2)
        return;
    AudTestRecord &r = record();
    const int channel = channelOf(ear());
    if (signal() == SoundFieldSignal::NarrowBand)
        r.narrowBand[channel][kSpeakers].incidence = static_cast<std::int16_t>(index);
    else
        r.toneLevel[channel][kSpeakers].incidence = static_cast<std::int16_t>(index);
    listChanged();
}

std::vector<int> SoundFieldTest::rowFrequencies() const
{
    return selectedFrequencies(record().setup, HearingLevelMode::HearingLevel);
}

PageTable SoundFieldTest::listOf(const float *measured, const std::int16_t *dial, int incidence,
                                 bool binaural) const
{
    const SoundFieldSignal kind = signal();
    PageTable table;
    table.columns = {QStringLiteral("Frequency"), QStringLiteral("Measured SPL"),
                     QStringLiteral("Hearing Level"), QStringLiteral("Deviation"),
                     QStringLiteral("Target SPL")};
    ReferenceQuery query;
    query.transducer = TransducerType::Speakers;
    query.kind = kind == SoundFieldSignal::NarrowBand ? MeasurementKind::NarrowBandLevel
                                                      : MeasurementKind::HearingLevel;
    query.incidence = incidence;
    query.binaural = binaural;
    for (const int f : rowFrequencies()) {
        const QString frequency = formatText("%.0f", nominalHz(f));
        const double level = measured[f];
        // A NaN from a damaged record is not a level either.
        if (!(level > kNotMeasuredDb)) {
            table.rows.append({frequency, QStringLiteral("----"), QStringLiteral("----"),
                               QStringLiteral("----"), QStringLiteral("----")});
            table.verdicts.append(ResultStatus::NotJudged);
            continue;
        }
        query.frequencyIndex = f;
        const double reference = GetReferenceLevel(record().setup, query);
        const double hearingLevel = level - reference;
        const double deviation = hearingLevel - dial[f];
        const double target = dial[f] + reference;
        const soundfield::Tolerance tolerance = soundfield::toleranceOf(kind, f);
        const bool passes = deviation >= tolerance.lower && deviation <= tolerance.upper;
        const QString shown =
            kind == SoundFieldSignal::NarrowBand && !passes ? formatText("(%.1f)", level) : fixed1(level);
        table.rows.append({frequency, shown, fixed1(hearingLevel), fixed1(deviation),
                           formatText("%.1f to %.1f", target + tolerance.lower, target + tolerance.upper)});
        table.verdicts.append(passes ? ResultStatus::Passed : ResultStatus::Failed);
    }
    return table;
}

PageTable SoundFieldTest::List() const
{
    return listOf(measuredLevels(), dialLevels(), incidence(), m_binaural);
}

int SoundFieldTest::Evaluate() const
{
    return List().result();
}

int SoundFieldTest::statusResult() const
{
    // One status entry stands for both loudspeakers and binaural listening: a failure on one of them
    // is not forgotten because the one measured last passed.
    const AudTestRecord &r = record();
    int result = 0;
    const auto add = [&result](int page) { result = result < 0 || page < 0 ? -1 : std::max(result, page); };
    for (int channel = 0; channel < kChannels; ++channel) {
        if (signal() == SoundFieldSignal::NarrowBand) {
            const NarrowBandResult &b = r.narrowBand[channel][kSpeakers];
            add(listOf(b.measuredLevel, b.dialLevel, b.incidence, false).result());
        } else {
            const ToneLevelResult &b = r.toneLevel[channel][kSpeakers];
            add(listOf(b.measuredLevel, b.dialLevel, b.incidence, false).result());
        }
    }
    if (signal() == SoundFieldSignal::NarrowBand)
        add(listOf(r.narrowBandBinaural.measuredLevel, r.narrowBandBinaural.dialLevel, 0, true).result());
    else
        add(listOf(r.toneLevelBinaural.measuredLevel, r.toneLevelBinaural.dialLevel, 0, true).result());
    return result;
}

int SoundFieldTest::prepare()
{
    if (!CheckRequiredEquipment() || !link() || !fileList())
        return measure::kNotStarted;
    link()->MatchTransducerToMic(displayText(record().setup.couplerMicrophone[0].identity.model));
    return measure::kDone;
}

int SoundFieldTest::read(int frequencyIndex, Progress &progress, double &level)
{
    const int kind = signal() == SoundFieldSignal::NarrowBand
                         ? static_cast<int>(MeasurementKind::NarrowBandLevel)
                         : static_cast<int>(MeasurementKind::HearingLevel);
    if (ReadyMeter(MeterMode::SlmRta, kind, QString::fromLatin1(measure::kMeterNotReadyQuestion), &progress,
                   QStringLiteral("Checking the Trellan for SLM/RTA mode")) != measure::kDone)
        return meter::kCancelled;
    if (!m_haveCalOffset) {
        progress.setStatus(QStringLiteral("Reading calibration offset"));
        m_calOffset = static_cast<float>(link()->GetCalOffset());
        if (link()->status() != meter::kOk)
            return link()->RecoverLink() == meter::kCancelled ? meter::kCancelled : link()->status();
        m_haveCalOffset = true;
        if (link()->SetGain(meter::kGainZeroDb, &progress) == meter::kCancelled)
            return meter::kCancelled;
    }
    if (progress.checkCancel())
        return meter::kCancelled;
    progress.setStatus(QStringLiteral("Waiting for Trellan to be ready"));
    if (const int status = link()->WaitRunState('R', &progress); status == meter::kCancelled)
        return status;
    const int band = meter::bandOfTestFrequency(frequencyIndex);
    meter::BandLevels levels{};
    // The open-air microphone's response is taken off every band it has a value for, so the
    // neighbours added in below are corrected too.
    const float *response = record().setup.couplerMicrophone[0].response;
    const int status =
        ReadStableSpectrum(*link(), *fileList(), band, m_calOffset, levels, &progress,
                           std::span<const float>(response, kFrequencyCount), kMaxSpreadDb, kPauseMs);
    if (status == meter::kOk)
        level = soundfield::threeBandLevel(levels, band);
    return status;
}

SoundFieldTest::Outcome SoundFieldTest::measureFrequency(int frequencyIndex, int *status)
{
    const int dial = dialLevels()[frequencyIndex];
    const double hertz = nominalHz(frequencyIndex);
    const bool warble = signal() == SoundFieldSignal::Warble;
    QString described;
    if (m_binaural)
        described = warble ? formatText("  ***FM*** %d dBHL at %.0f Hz", dial, hertz)
                           : formatText(" NB %d dBHL at %.0f Hz", dial, hertz);
    else
        described = formatText(warble ? " ***FM*** %d dBHL %s at %.0f Hz" : " NB %d dBHL %s at %.0f Hz", dial,
                               qPrintable(earText(ear())), hertz);
    Stimulus stimulus;
    stimulus.transducer = TransducerType::Speakers;
    stimulus.ear = m_binaural ? Ear::Both : ear();
    stimulus.signal = warble ? QStringLiteral("FM") : QStringLiteral("narrow band");
    stimulus.frequencyHz = hertz;
    stimulus.dialLevel = dial;
    stimulus.incidenceDegrees = incidence() * 45;
    stimulus.binaural = m_binaural;
    if (interaction().askToSet(formatText("Set%s", qPrintable(described)), stimulus, Buttons::OkCancel) !=
        Answer::Ok)
        return Outcome::Ended;

    const std::unique_ptr<Progress> progress = OpenProgress();
    for (;;) {
        double level = 0.0;
        const int read = this->read(frequencyIndex, *progress, level);
        if (read != meter::kOk) {
            // A meter that refused its mode or never gave a reading ends the run; what was stored stays.
            *status = read == meter::kCancelled ? measure::kCancelled : read;
            return Outcome::Ended;
        }
        if (level > kNotMeasuredDb) {
            measuredLevels()[frequencyIndex] = static_cast<float>(level);
            break;
        }
        const Answer answer = interaction().ask(
            formatText(
                "Measured SPL was too low (%.1f dB).\n\nWould you like to measure again at %.0f Hz?\n(Please "
                "check the audiometer to make sure the signal is on\nand that it is set to%s.\nAlso check "
                "the Trellan to make sure it is measuring data.)\n\nClick Yes to re-measure at this "
                "frequency.\nClick No to go on to the next frequency (if there is one).\nClick Cancel to "
                "cancel the measurement.",
                level, hertz, qPrintable(described)),
            Buttons::YesNoCancel);
        if (answer == Answer::Cancel)
            return Outcome::Ended;
        if (answer == Answer::No)
            break;
    }
    listChanged();
    return Outcome::Next;
}

int SoundFieldTest::MeasureAll()
{
    const std::vector<int> frequencies = rowFrequencies();
    QList<int> rows;
    for (int row = 0; row < static_cast<int>(frequencies.size()); ++row)
        rows << row;
    return MeasureSelected(rows);
}

int SoundFieldTest::MeasureSelected(const QList<int> &rows)
{
    if (rows.isEmpty())
        return measure::kDone;
    if (const int status = prepare(); status != measure::kDone)
        return status;
    const std::vector<int> frequencies = rowFrequencies();
    for (const int row : rows) {
        if (row < 0 || row >= static_cast<int>(frequencies.size()))
            continue;
        int status = measure::kCancelled;
        if (measureFrequency(frequencies[static_cast<std::size_t>(row)], &status) == Outcome::Ended)
            return status;
    }
    return measure::kDone;
}

void registerSoundFieldPages(PageRegistry &registry)
{
    registry.add(PageRole::SoundFieldMono, [](const MeasurementServices &services) {
        return std::make_unique<SoundFieldTest>(services, false);
    });
    registry.add(PageRole::SoundFieldBinaural, [](const MeasurementServices &services) {
        return std::make_unique<SoundFieldTest>(services, true);
    });
}

} // namespace tonva

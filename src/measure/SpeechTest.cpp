#include "measure/SpeechTest.h"

#include "measure/BoneConductionCorrection.h"
#include "measure/CouplerCorrection.h"
#include "measure/MeasurementCatalogue.h"
#include "meter/MeterStatus.h"
#include "model/FixedText.h"
#include "platform/Interaction.h"
#include "platform/TextFormat.h"

#include <algorithm>
#include <cmath>

namespace tonva {

namespace {

constexpr int kSpeechKind = static_cast<int>(MeasurementKind::SpeechHearingLevel);
constexpr double kNotMeasuredDb = 10.0;
constexpr double kSpeechFrequencyHz = 1000.0;
constexpr int kFlatWeighting = 2;
constexpr const char *kSourceNames[kSpeechSources] = {"Mic", "Tape/CD A", "Tape/CD B", "Speech Noise"};

SignalSource signalSourceOf(SpeechSource source)
{
    switch (source) {
    case SpeechSource::Mic:
        return SignalSource::Microphone;
    case SpeechSource::TapeCdA:
        return SignalSource::TapeCdA;
    case SpeechSource::TapeCdB:
        return SignalSource::TapeCdB;
    case SpeechSource::SpeechNoise:
        break;
    }
    return SignalSource::SpeechNoise;
}

QString fixed1(double value)
{
    return formatText("%.1f", value);
}

} // namespace

SpeechTest::SpeechTest(const MeasurementServices &services) : MeasurementPage(services)
{}

SpeechTest::~SpeechTest() = default;

QString SpeechTest::sourceName(SpeechSource source)
{
    return QString::fromLatin1(kSourceNames[static_cast<int>(source)]);
}

void SpeechTest::onInitialised()
{
    // Only the loudspeakers' blocks carry a binaural flag and an angle; other blocks keep their bytes.
    if (transducer() != TransducerType::Speakers)
        return;
    SpeechResult &result = block();
    result.binaural = ear() == Ear::Both ? 1 : 0;
    // With both speakers only straight ahead is offered.
    if (incidenceLocked())
        result.incidence = 0;
}

void SpeechTest::onMeterAttached()
{
    // The reading keeps the old link and its calibration offset; a reconnected meter is read afresh.
    m_reading.reset();
}

SpeechResult &SpeechTest::block() const
{
    if (transducer() == TransducerType::Speakers && ear() == Ear::Both)
        return record().speechBinaural;
    return record().speech[channelOf(ear())][static_cast<int>(transducer())];
}

BonePlacement SpeechTest::placement() const
{
    return block().bonePlacement == 1 ? BonePlacement::Forehead : BonePlacement::Mastoid;
}

void SpeechTest::setPlacement(BonePlacement placement)
{
    block().bonePlacement = placement == BonePlacement::Forehead ? 1 : 0;
    listChanged();
}

int SpeechTest::incidence() const
{
    const int index = block().incidence;
    return index >= 0 && index <= 2 ? index : 0;
}

void SpeechTest::setIncidence(int index)
{
    if (incidenceLocked() || index < 0 || index > 2)
        return;
    block().incidence = static_cast<std::int16_t>(index);
    listChanged();
}

QString SpeechTest::dialText() const
{
    return formatText("%.0f", static_cast<double>(block().dialLevel));
}

bool SpeechTest::setDialText(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return true;
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return false;
    block().dialLevel = static_cast<float>(value);
    listChanged();
    return true;
}

ReferenceQuery SpeechTest::referenceQuery() const
{
    ReferenceQuery query;
    query.transducer = transducer();
    query.frequencyIndex = frequencyIndex(kSpeechFrequencyHz);
    query.kind = MeasurementKind::SpeechHearingLevel;
    query.incidence = block().incidence;
    query.binaural = block().binaural != 0;
    query.forehead = block().bonePlacement == 1;
    return query;
}

SpeechLimits SpeechTest::limits() const
{
    SpeechLimits limits;
    switch (regionalMode()) {
    case RegionalMode::Alternate:
        limits.reference = 27.0;
        limits.upper = 5.0;
        break;
    case RegionalMode::Australian:
        limits.reference = 25.0;
        break;
    case RegionalMode::Normal:
        limits.reference = GetReferenceLevel(record().setup, referenceQuery());
        break;
    }
    return limits;
}

double SpeechTest::adjustReference() const
{
    if (regionalMode() == RegionalMode::Alternate)
        return 27.0;
    return GetReferenceLevel(record().setup, referenceQuery()) + correctionAt1k();
}

double SpeechTest::correctionAt1k() const
{
    const int f = frequencyIndex(kSpeechFrequencyHz);
    if (transducer() == TransducerType::BoneVibrator)
        return mastoidCorrection(record().setup, f).total();
    return couplerCorrection(record().setup, transducer(), f);
}

const MicrophoneSlot *SpeechTest::microphone() const
{
    const TestSetup &setup = record().setup;
    switch (transducer()) {
    case TransducerType::Speakers:
        return &setup.couplerMicrophone[0];
    case TransducerType::BoneVibrator:
        return nullptr;
    default:
        return couplerMicrophone(setup, transducer());
    }
}

PageTable SpeechTest::listOf(const SpeechResult &result) const
{
    const bool bone = transducer() == TransducerType::BoneVibrator;
    PageTable table;
    table.columns = {QStringLiteral("Source"),
                     bone ? QStringLiteral("Measured FL") : QStringLiteral("Measured SPL"),
                     QStringLiteral("Hearing Level"), QStringLiteral("Deviation"),
                     bone ? QStringLiteral("Target FL") : QStringLiteral("Target SPL")};
    const SpeechLimits window = limits();
    const double dial = result.dialLevel;
    const double target = window.reference + dial;
    for (int s = 0; s < kSpeechSources; ++s) {
        const QString name = sourceName(static_cast<SpeechSource>(s));
        const double measured = result.measuredLevel[s];
        // A NaN from a damaged record is not a level either.
        if (!(measured > kNotMeasuredDb)) {
            table.rows.append({name, QStringLiteral("----"), QStringLiteral("----"), QStringLiteral("----"),
                               QStringLiteral("----")});
            table.verdicts.append(ResultStatus::NotJudged);
            continue;
        }
        const double deviation = measured - target;
        const bool passes = deviation >= window.lower && deviation <= window.upper;
        table.rows.append({name, fixed1(measured), fixed1(measured - window.reference), fixed1(deviation),
                           formatText("%.1f to %.1f", target + window.lower, target + window.upper)});
        table.verdicts.append(passes ? ResultStatus::Passed : ResultStatus::Failed);
    }
    return table;
}

PageTable SpeechTest::List() const
{
    return listOf(block());
}

int SpeechTest::Evaluate() const
{
    return List().result();
}

int SpeechTest::statusResult() const
{
    // One status entry stands for every side of the transducer: a failed side is not forgotten
    // because the side measured last passed.
    int result = Evaluate();
    for (int channel = 0; channel < kChannels && result >= 0; ++channel) {
        const int side = listOf(record().speech[channel][static_cast<int>(transducer())]).result();
        result = side < 0 ? -1 : std::max(result, side);
    }
    if (transducer() == TransducerType::Speakers && result >= 0) {
        const int both = listOf(record().speechBinaural).result();
        result = both < 0 ? -1 : std::max(result, both);
    }
    return result;
}

QString SpeechTest::stimulusText(SpeechSource source) const
{
    const int dial = static_cast<int>(std::lround(block().dialLevel));
    const QString name = sourceName(source);
    if (transducer() == TransducerType::BoneVibrator || ear() == Ear::Both)
        return formatText(" %s %d dBHL", qPrintable(name), dial);
    return formatText(" %s %d dBHL %s", qPrintable(name), dial, qPrintable(earText(ear())));
}

int SpeechTest::prepare()
{
    if (!CheckRequiredEquipment() || !link() || !fileList())
        return measure::kNotStarted;
    const bool bone = transducer() == TransducerType::BoneVibrator;
    // A force coupler without usable sensitivities gives a correction that is no number, and every
    // comparison with it would pass.
    if (const QString refusal = mastoidRefusal(record().setup); bone && !refusal.isEmpty()) {
        interaction().message(refusal);
        return measure::kNotStarted;
    }
    if (bone)
        link()->MatchTransducerToMic(displayText(record().setup.mastoid.identity.model));
    else if (const MicrophoneSlot *mic = microphone())
        link()->MatchTransducerToMic(displayText(mic->identity.model));
    if (!m_reading)
        m_reading = std::make_unique<BandReading>(*link(), *fileList());
    return bone && !askMastoidRoomConditions() ? measure::kCancelled : measure::kDone;
}

int SpeechTest::readLevel(SpeechSource source, Progress &progress, double &level)
{
    level = 0.0;
    if (source == SpeechSource::SpeechNoise) {
        progress.setStatus(QStringLiteral("Reading overall SPL"));
        // The overall level holds still only once the meter has settled after its set-up.
        const int status = link()->WaitRunState('R', &progress);
        if (status == meter::kCancelled || progress.checkCancel())
            return meter::kCancelled;
        if (status != meter::kOk)
            return status;
        level = link()->ReadLevel();
        // The bone vibrator is judged in force level; its overall level is converted as its band
        // levels are, or it would be compared with a force-level target as a sound pressure.
        if (transducer() == TransducerType::BoneVibrator && link()->status() == meter::kOk)
            level -= correctionAt1k();
        return link()->status();
    }
    if (m_reading->ensureGain(meter::kGainZeroDb, progress) == meter::kCancelled)
        return meter::kCancelled;
    double band = 0.0;
    const int status = m_reading->read(frequencyIndex(kSpeechFrequencyHz), kSpeechKind, progress, band);
    if (status == meter::kOk)
        level = band - correctionAt1k();
    return status;
}

void SpeechTest::restoreFlatWeighting()
{
    // Other measurements expect flat weighting; the speech set-up left C weighting on.
    link()->StopMeter();
    link()->SetSetupFlag();
    if (link()->SetWeighting(kFlatWeighting) >= 0)
        link()->SetBandWeighting(kFlatWeighting);
}

SpeechTest::Outcome SpeechTest::measureSource(SpeechSource source)
{
    Stimulus stimulus;
    stimulus.transducer = transducer();
    stimulus.ear = ear();
    stimulus.signal = QStringLiteral("speech");
    stimulus.frequencyHz = kSpeechFrequencyHz;
    stimulus.dialLevel = block().dialLevel;
    stimulus.source = signalSourceOf(source);
    stimulus.incidenceDegrees = incidence() * 45;
    stimulus.binaural = incidenceLocked();
    if (transducer() == TransducerType::BoneVibrator)
        stimulus.bonePlacement = placement();
    const QString described = stimulusText(source);
    if (interaction().askToSet(formatText("Set%s", qPrintable(described)), stimulus, Buttons::OkCancel) !=
        Answer::Ok)
        return Outcome::Ended;

    const std::unique_ptr<Progress> progress = OpenProgress();
    if (ReadyMeter(MeterMode::SlmRta, kSpeechKind, QString::fromLatin1(measure::kMeterNotReadyQuestion),
                   progress.get(), QStringLiteral("Checking the Trellan for SLM/RTA mode")) != measure::kDone)
        return Outcome::Ended;
    link()->RunMeter();
    for (;;) {
        double level = 0.0;
        if (readLevel(source, *progress, level) == meter::kCancelled)
            return Outcome::Ended;
        if (level > kNotMeasuredDb) {
            block().measuredLevel[static_cast<int>(source)] = static_cast<float>(level);
            break;
        }
        const Answer answer = interaction().ask(
            formatText(
                "Measured SPL was too low (%.1f dB).\n\nWould you like to measure again?\n(Please check the "
                "audiometer to make sure the noise source is on\nand that it is set to%s.\nAlso check the "
                "Trellan to make sure it is measuring data.)\n\nClick Yes to re-measure.\nClick No to go on "
                "to the next speech measurement (if there is one).\nClick Cancel to cancel the measurement.",
                level, qPrintable(described)),
            Buttons::YesNoCancel);
        if (answer == Answer::Cancel)
            return Outcome::Ended;
        if (answer == Answer::No)
            break;
    }
    restoreFlatWeighting();
    listChanged();
    return Outcome::Next;
}

int SpeechTest::MeasureAll()
{
    return MeasureSelected({0, 1, 2, 3});
}

int SpeechTest::MeasureSelected(const QList<int> &rows)
{
    if (rows.isEmpty())
        return measure::kDone;
    if (const int status = prepare(); status != measure::kDone)
        return status;
    for (const int row : rows) {
        if (row < 0 || row >= kSpeechSources)
            continue;
        if (measureSource(static_cast<SpeechSource>(row)) == Outcome::Ended)
            return measure::kCancelled;
    }
    return measure::kDone;
}

void registerSpeechPage(PageRegistry &registry)
{
    registry.add(PageRole::Speech,
                 [](const MeasurementServices &services) { return std::make_unique<SpeechTest>(services); });
}

} // namespace tonva

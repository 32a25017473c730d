#include "measure/PulseTest.h"

#include "measure/CouplerCorrection.h"
#include "measure/HearingLevelEvaluation.h"
#include "measure/MeasurementCatalogue.h"
#include "meter/MeterStatus.h"
#include "meter/SlmFileList.h"
#include "meter/SlmLink.h"
#include "model/FixedText.h"
#include "platform/Clock.h"
#include "platform/TextFormat.h"

#include <algorithm>
#include <cmath>

namespace tonva {

namespace {

constexpr int kMeterKind = 4;
constexpr int kReadingGain = 2; // 0 dB
constexpr int kRecordSeconds = 5;
constexpr double kTestFrequencyHz = 1000.0;

int earSlot(Ear ear)
{
    return static_cast<int>(ear);
}

bool within(double value, double low, double high)
{
    return value >= low && value <= high;
}

QString timeText(double ms, bool passes)
{
    return passes ? formatText("%.1f", ms) : formatText("(%.1f)", ms);
}

// Whether the values of the block pass, the on/off ratio included.
bool passes(const PulseResult &r)
{
    using L = PulseLimits;
    return within(r.riseTime, L::kShortestRampMs, L::kLongestRampMs) &&
           within(r.fallTime, L::kShortestRampMs, L::kLongestRampMs) &&
           within(r.onTime, L::kShortestOnOffMs, L::kLongestOnOffMs) &&
           within(r.offTime, L::kShortestOnOffMs, L::kLongestOnOffMs) && r.plateau >= L::kShortestPlateauMs &&
           !pulseword::ratioFailed(r.spare);
}

// The first row of the frequency table not below `hertz`; kFrequencyCount when it is above them all.
int rowOfFrequency(double hertz)
{
    int row = 0;
    while (row < kFrequencyCount && nominalHz(row) < hertz)
        ++row;
    return row;
}

} // namespace

namespace pulseword {

bool ratioFailed(std::int32_t spare)
{
    return (spare & meter::PulseReading::kOnOffRatioFailed) != 0;
}

std::optional<Ear> measuredEar(std::int32_t spare)
{
    const int slot = (spare >> kEarShift) & 0x3;
    if (slot == 0)
        return std::nullopt;
    return static_cast<Ear>(slot - 1);
}

int verdictOf(std::int32_t spare, Ear ear)
{
    const int bits = (spare >> (kVerdictShift + 2 * earSlot(ear))) & 0x3;
    return bits == kVerdictFailed ? -1 : bits == kVerdictPassed ? 1 : 0;
}

std::int32_t withReading(std::int32_t spare, quint8 statusA, Ear ear, bool passed)
{
    const int verdictShift = kVerdictShift + 2 * earSlot(ear);
    spare &= ~(kStatusByteMask | (0x3 << verdictShift) | (0x3 << kEarShift));
    spare |= statusA;
    spare |= (passed ? kVerdictPassed : kVerdictFailed) << verdictShift;
    spare |= (earSlot(ear) + 1) << kEarShift;
    return spare;
}

} // namespace pulseword

PageTable PulseList::table() const
{
    PageTable table;
    table.columns = columns;
    if (!cells.isEmpty()) {
        table.rows.append(cells);
        table.verdicts.append(verdict);
    }
    return table;
}

PulseList buildPulseList(const TestSetup &setup, const PulseResult &r)
{
    using L = PulseLimits;
    PulseList list;
    list.columns = {QStringLiteral("Frequency"), QStringLiteral("Rise Time"), QStringLiteral("Fall Time"),
                    QStringLiteral("On Time"),   QStringLiteral("Off Time"),  QStringLiteral("Plateau"),
                    QStringLiteral("On/Off Ratio")};
    if (setup.frequencyAvailable[PulseTest::kFrequencyIndex] == 0)
        return list;
    list.cells << formatText("%.0f", kTestFrequencyHz);
    if (r.level <= kNotMeasuredLimit) {
        while (list.cells.size() < list.columns.size())
            list.cells << QStringLiteral("----");
        return list;
    }
    list.cells << timeText(r.riseTime, within(r.riseTime, L::kShortestRampMs, L::kLongestRampMs))
               << timeText(r.fallTime, within(r.fallTime, L::kShortestRampMs, L::kLongestRampMs))
               << timeText(r.onTime, within(r.onTime, L::kShortestOnOffMs, L::kLongestOnOffMs))
               << timeText(r.offTime, within(r.offTime, L::kShortestOnOffMs, L::kLongestOnOffMs))
               << timeText(r.plateau, r.plateau >= L::kShortestPlateauMs)
               << (pulseword::ratioFailed(r.spare) ? QStringLiteral("(Failed)") : QStringLiteral("OK"));
    list.verdict = passes(r) ? ResultStatus::Passed : ResultStatus::Failed;
    return list;
}

PulseTest::PulseTest(const MeasurementServices &services) : MeasurementPage(services) {}

void PulseTest::onMeterAttached()
{
    // Another meter has its own calibration offset.
    m_haveCalOffset = false;
}

int PulseTest::Evaluate() const
{
    const ResultStatus verdict = buildPulseList(record().setup, result()).verdict;
    return verdict == ResultStatus::Failed ? -1 : verdict == ResultStatus::Passed ? 1 : 0;
}

int PulseTest::statusResult() const
{
    // The block holds the ear measured last; the verdicts kept beside it speak for the others.
    int status = Evaluate();
    if (record().setup.frequencyAvailable[kFrequencyIndex] == 0)
        return status;
    for (const Ear ear : {Ear::Left, Ear::Right, Ear::Both}) {
        const int kept = pulseword::verdictOf(result().spare, ear);
        if (kept < 0 || status < 0)
            status = -1;
        else
            status = std::max(status, kept);
    }
    return status;
}

PageTable PulseTest::List() const
{
    return buildPulseList(record().setup, result()).table();
}

int PulseTest::MeasureAll()
{
    if (!CheckRequiredEquipment() || !link() || !fileList())
        return measure::kNotStarted;
    if (!confirmGridCorrections(record().setup, transducer(), preferences(), interaction()))
        return measure::kCancelled;
    if (const MicrophoneSlot *microphone = couplerMicrophone(record().setup, transducer()))
        link()->MatchTransducerToMic(displayText(microphone->identity.model));
    if (record().setup.frequencyAvailable[kFrequencyIndex] == 0)
        return measure::kDone;
    const int status = measure();
    listChanged();
    return status;
}

int PulseTest::MeasureSelected(const QList<int> &rows)
{
    const bool rowShown = !List().rows.isEmpty();
    int chosen = 0;
    for (const int row : rows)
        chosen += rowShown && row == 0 ? 1 : 0;
    if (chosen == 0)
        return measure::kDone;
    if (!CheckRequiredEquipment() || !link() || !fileList())
        return measure::kNotStarted;
    if (!confirmGridCorrections(record().setup, transducer(), preferences(), interaction()))
        return measure::kCancelled;
    if (const MicrophoneSlot *microphone = couplerMicrophone(record().setup, transducer()))
        link()->MatchTransducerToMic(displayText(microphone->identity.model));
    for (int i = 0; i < chosen; ++i) {
        const int status = measure();
        listChanged();
        if (status != measure::kDone)
            return status;
    }
    return measure::kDone;
}

int PulseTest::measure()
{
    Stimulus stimulus;
    stimulus.transducer = transducer();
    stimulus.ear = ear();
    stimulus.signal = QStringLiteral("pulsed");
    stimulus.frequencyHz = kTestFrequencyHz;
    stimulus.dialLevel = kDialLevel;
    const QString prompt = formatText("Set PULSED %d dBHL (or max level) %s at %.1f Hz", kDialLevel,
                                      qPrintable(earText(ear())), kTestFrequencyHz);
    if (interaction().askToSet(prompt, stimulus, Buttons::OkCancel) == Answer::Cancel)
        return measure::kCancelled;
    const std::unique_ptr<Progress> progress = OpenProgress();
    const int status = readPulse(*progress, kFrequencyIndex);
    if (status == meter::kOk)
        return measure::kDone;
    return status == meter::kCancelled ? measure::kCancelled : status;
}

int PulseTest::ReadPlayingPulse()
{
    if (!link() || !fileList())
        return meter::kCancelled;
    const std::unique_ptr<Progress> progress = OpenProgress();
    const int status = readPulse(*progress, kRowFromAnalysis);
    listChanged();
    return status;
}

int PulseTest::readCalibration(Progress &progress)
{
    if (m_haveCalOffset)
        return meter::kOk;
    progress.setStatus(QStringLiteral("Reading calibration offset"));
    const double offset = link()->GetCalOffset();
    if (const int status = link()->status(); status != meter::kOk)
        return status;
    m_calOffset = offset;
    const int previousGain = link()->SetGain(kReadingGain, &progress);
    if (previousGain < 0)
        return previousGain;
    // Only now: an offset read while the gain could not be set would leave the next try at the
    // wrong gain.
    m_haveCalOffset = true;
    return meter::kOk;
}

int PulseTest::readyForReading(Progress &progress)
{
    if (ReadyMeter(MeterMode::PulseFm, kMeterKind, measure::kMeterNotReadyQuestion, &progress,
                   QStringLiteral("Checking the Trellan for Pulse/FM mode")) != measure::kDone)
        return meter::kCancelled;
    if (const int status = readCalibration(progress); status != meter::kOk)
        return status;
    progress.setStatus(QStringLiteral("Waiting for Trellan to be ready"));
    return link()->WaitRunState('R', &progress);
}

int PulseTest::readPulse(Progress &progress, int frequencyIndex)
{
    for (int attempt = 1;; ++attempt) {
        const int status = readyForReading(progress);
        if (status == meter::kOk)
            break;
        if (status == meter::kCancelled)
            return status;
        // A late or garbled reply on a poor cable is recovered from and the meter readied again;
        // one that keeps failing is given up on with its status.
        if (attempt >= kReadyAttempts)
            return status;
        if (link()->RecoverLink() == meter::kCancelled)
            return meter::kCancelled;
        clock().pump(kLateReplyGraceMs);
    }
    if (progress.checkCancel())
        return meter::kCancelled;

    progress.setStatus(QStringLiteral("Reading data from the Trellan"));
    for (int tries = 1;; ++tries) {
        if (progress.checkCancel())
            return meter::kCancelled;
        QByteArray block;
        const int status = fileList()->BlockTransfer("&R7", block, meter::kFrequencyRecordSize, kRecordSeconds,
                                                     meter::isPlausibleFrequencyRecord);
        const std::optional<meter::PulseReading> reading =
            status == meter::kOk ? meter::decodePulseRecord(block) : std::nullopt;
        if (!reading) {
            // The download has already been retried until the technician gave up on it; asking
            // again would only bring the same question back for ever.
            interaction().message(formatText("Download Error:%d Offset:%.1f",
                                             status == meter::kOk ? meter::kBlockFailed : status, m_calOffset));
            return meter::kCancelled;
        }
        const auto whole = [](double ms) { return static_cast<int>(ms) != 0; };
        const bool empty = !whole(reading->riseMs) && !whole(reading->fallMs) && !whole(reading->onMs) &&
                           !whole(reading->offMs) && !whole(reading->plateauMs) && reading->count == 0;
        if (!empty) {
            m_lastReading = *reading;
            const int row = frequencyIndex != kRowFromAnalysis ? frequencyIndex : rowOfFrequency(reading->frequencyHz);
            if (row >= 0 && row < kFrequencyCount)
                m_readings[static_cast<std::size_t>(row)] = *reading;
            PulseResult &stored = result();
            stored.riseTime = static_cast<float>(reading->riseMs);
            stored.fallTime = static_cast<float>(reading->fallMs);
            stored.onTime = static_cast<float>(reading->onMs);
            stored.offTime = static_cast<float>(reading->offMs);
            stored.plateau = static_cast<float>(reading->plateauMs);
            stored.relativeLevel = static_cast<float>(reading->relativeLevel);
            stored.level = static_cast<float>(reading->level + m_calOffset);
            stored.count = reading->count;
            // Judge with the new status byte in place, then keep that verdict for this ear.
            stored.spare = pulseword::withReading(stored.spare, reading->statusA, ear(), true);
            stored.spare = pulseword::withReading(stored.spare, reading->statusA, ear(), passes(stored));
            return meter::kOk;
        }
        if (tries >= kReadTries) {
            interaction().message(formatText("Failed to read the pulse after %d tries", tries));
            return meter::kBlockFailed;
        }
        clock().pump(kEmptyAnalysisWaitMs);
    }
}

void registerPulsePage(PageRegistry &registry)
{
    registry.add(PageRole::Pulse,
                 [](const MeasurementServices &services) { return std::make_unique<PulseTest>(services); });
}

} // namespace tonva

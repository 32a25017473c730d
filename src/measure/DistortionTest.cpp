#include "measure/DistortionTest.h"

#include "measure/CouplerCorrection.h"
#include "measure/HearingLevelEvaluation.h"
#include "measure/MeasurementCatalogue.h"
#include "measure/TestConditions.h"
#include "meter/MeterStatus.h"
#include "meter/SlmLink.h"
#include "model/FixedText.h"
#include "platform/Clock.h"
#include "platform/Interaction.h"
#include "platform/TextFormat.h"

#include <algorithm>

namespace tonva {

namespace {

constexpr int kMeterKind = 3;
constexpr int kReplyBytes = 16;
constexpr int kReplySeconds = 1;
constexpr int kAirProgressStep = 25;
// The 630 Hz tone's 2nd and 3rd harmonics are resolved in the narrow span, its 4th needs the wide one.
constexpr int k630HzIndex = 9;
constexpr int kNarrowSpanBelow = 7;
// Bone readings are taken below 5000 Hz; the air page reads every audiometric frequency.
constexpr int kBoneSelectableBelow = 24;
constexpr int kFirstBoneMeasured = 5;
constexpr int kLastBoneMeasured = 20;

const QString kFftModeStatus = QStringLiteral("Checking the Trellan for FFT mode");

QString notComputedQuestion(bool boneWording, double hertz)
{
    if (boneWording)
        return formatText(
            "The Trellan is unable to calculate the harmonics.\nThe signal may not be high enough or too "
            "high "
            "and has overloaded\nSLM. Check the SLM for overload condition or try\nincreasing the HL setting "
            "on the audiometer.\n\nWould you like to measure again at %.0f Hz?\n\nClick Yes to re-measure at "
            "this frequency.\nClick No to go on to the next frequency (if there is one).\nClick Cancel to "
            "cancel the measurement.",
            hertz);
    return formatText(
        "The Trellan is unable to calculate the harmonics.\nThis may be because the signal is not high "
        "enough.\nIncreasing the HL setting on the audiometer may help.\n\nWould you like to measure again "
        "at "
        "%.0f Hz?\n\nClick Yes to re-measure at this frequency.\nClick No to go on to the next frequency (if "
        "there is one).\nClick Cancel to cancel the measurement.",
        hertz);
}

// One frequency's values across the result's arrays, so a re-measure can be undone.
struct DistortionColumn
{
    float measuredFrequency = 0;
    float fundamentalLevel = 0;
    float harmonicLevel[4] = {};
    float thd = 0;

    static DistortionColumn of(const DistortionResult &result, int f)
    {
        DistortionColumn column{result.measuredFrequency[f], result.fundamentalLevel[f], {}, result.thd[f]};
        for (int k = 0; k < 4; ++k)
            column.harmonicLevel[k] = result.harmonicLevel[k][f];
        return column;
    }
    void storeInto(DistortionResult &result, int f) const
    {
        result.measuredFrequency[f] = measuredFrequency;
        result.fundamentalLevel[f] = fundamentalLevel;
        for (int k = 0; k < 4; ++k)
            result.harmonicLevel[k][f] = harmonicLevel[k];
        result.thd[f] = thd;
    }
};

} // namespace

DistortionTest::DistortionTest(const MeasurementServices &services) : MeasurementPage(services)
{}

void DistortionTest::onInitialised()
{
    m_conduction =
        transducer() == TransducerType::BoneVibrator ? DistortionConduction::Bone : DistortionConduction::Air;
    rebuildList();
}

DistortionResult &DistortionTest::result() const
{
    // The bone vibrator has one result; an earphone one per side.
    const int channel = m_conduction == DistortionConduction::Bone ? 0 : channelOf(ear());
    return record().distortion[channel][static_cast<int>(transducer())];
}

void DistortionTest::rebuildList()
{
    m_list = buildDistortionList(record().setup, result(), m_conduction);
}

int DistortionTest::Evaluate() const
{
    return buildDistortionList(record().setup, result(), m_conduction).pageResult();
}

int DistortionTest::statusResult() const
{
    if (m_conduction == DistortionConduction::Bone)
        return Evaluate();
    // One entry serves both sides: a failed side is not forgotten because the other one passed.
    const int t = static_cast<int>(transducer());
    const int left =
        buildDistortionList(record().setup, record().distortion[0][t], m_conduction).pageResult();
    const int right =
        buildDistortionList(record().setup, record().distortion[1][t], m_conduction).pageResult();
    return left < 0 || right < 0 ? -1 : std::max(left, right);
}

PageTable DistortionTest::List() const
{
    return m_list.table();
}

int DistortionTest::command(const char *text, QByteArray &reply)
{
    const int status = link()->Command(text, &reply, kReplyBytes, kReplySeconds);
    if (status == meter::kOk)
        return status;
    return recover(status) == Reading::Cancelled ? meter::kCancelled : status;
}

DistortionTest::Reading DistortionTest::recover(int failedStatus)
{
    m_lastStatus = failedStatus;
    return link()->RecoverLink() == meter::kCancelled ? Reading::Cancelled : Reading::Failed;
}

DistortionTest::Reading DistortionTest::selectBandwidth(int f, int thresholdIndex, Progress &progress)
{
    const int status = link()->SelectBandwidth(f, thresholdIndex, &progress);
    if (status == meter::kOk)
        return Reading::Stored;
    // A query the meter did not answer has been reported and given up on; a span change that never
    // settled is a failed exchange like any other.
    if (status == meter::kCancelled)
        return Reading::Cancelled;
    return recover(status);
}

bool DistortionTest::firmwareAllows(Run run)
{
    QByteArray reply;
    for (;;) {
        const int status = link()->Command("R90", &reply, 50, kReplySeconds);
        if (status == meter::kOk)
            break;
        // Without a revision nothing can be decided; the technician fixes the cable or stops.
        if (link()->RecoverLink() == meter::kCancelled)
            return false;
    }
    Q_UNUSED(run);
    m_firmware = meter::leadingNumber(reply);
    if (m_firmware >= kLowestFirmware)
        return true;
    interaction().message(
        formatText("Unable to perform distortion measurements with the firmware revision in the Trellan "
                   "(%.3f).\n\nPlease "
                   "upgrade the Trellan firmware to 3.5 or greater to perform distortion measurements.",
                   m_firmware));
    return false;
}

int DistortionTest::prepare(Run run)
{
    if (!link() || !fileList())
        return measure::kNotStarted;
    if (!firmwareAllows(run) || !CheckRequiredEquipment())
        return measure::kNotStarted;
    const TestSetup &setup = record().setup;
    if (!confirmGridCorrections(setup, transducer(), preferences(), interaction()))
        return measure::kCancelled;
    if (m_conduction == DistortionConduction::Bone) {
        link()->MatchTransducerToMic(displayText(setup.mastoid.identity.model));
    } else if (const MicrophoneSlot *microphone = couplerMicrophone(setup, transducer())) {
        link()->MatchTransducerToMic(displayText(microphone->identity.model));
    }
    return measure::kDone;
}

int DistortionTest::MeasureAll()
{
    if (const int status = prepare(Run::All); status != measure::kDone)
        return status;
    std::vector<int> frequencies = distortionRows(record().setup, m_conduction);
    if (m_conduction == DistortionConduction::Bone)
        std::erase_if(frequencies, [](int f) { return f < kFirstBoneMeasured || f > kLastBoneMeasured; });
    return run(frequencies, Run::All);
}

int DistortionTest::MeasureSelected(const QList<int> &rows)
{
    const int limit =
        m_conduction == DistortionConduction::Bone ? kBoneSelectableBelow : kDistortionFrequencyCount;
    std::vector<int> frequencies;
    for (const int row : rows) {
        if (row >= 0 && row < static_cast<int>(m_list.rows.size())) {
            const int f = m_list.rows[static_cast<std::size_t>(row)].frequencyIndex;
            if (f < limit)
                frequencies.push_back(f);
        }
    }
    if (frequencies.empty())
        return measure::kDone;
    if (const int status = prepare(Run::Selected); status != measure::kDone)
        return status;
    return run(frequencies, Run::Selected);
}

int DistortionTest::run(const std::vector<int> &frequencies, Run kind)
{
    m_lastStatus = 0;
    std::unique_ptr<Progress> shared;
    if (m_conduction == DistortionConduction::Air) {
        shared = interaction().openProgress(QStringLiteral("Measurement"), 0, 100, kAirProgressStep);
        const int gain = link()->GetGain();
        if (gain != 2)
            link()->SetGain(2, shared.get());
    }
    for (const int f : frequencies) {
        // Measure Selected on the bone page asks in the air page's words.
        m_boneWording = m_conduction == DistortionConduction::Bone && kind == Run::All;
        const int status = measureFrequency(f, shared.get());
        rebuildList();
        listChanged();
        if (status != measure::kDone)
            return status;
    }
    return measure::kDone;
}

// True when the measurement may go on: the conditions were entered now or before, or are not needed.

int DistortionTest::measureFrequency(int f, Progress *sharedProgress)
{
    if (m_conduction == DistortionConduction::Bone && !askMastoidRoomConditions())
        return measure::kCancelled;
    const double hertz = nominalHz(f);
    const int level = distortionTestLevel(m_conduction, f);
    const bool bone = m_conduction == DistortionConduction::Bone;
    Stimulus stimulus;
    stimulus.transducer = transducer();
    stimulus.ear = ear();
    stimulus.signal = QStringLiteral("tone");
    stimulus.frequencyHz = hertz;
    stimulus.dialLevel = level;
    const QString description = bone ? formatText(" %d dBHL (or max level) at %.0f Hz", level, hertz)
                                     : formatText(" %d dBHL or max level %s (whichever is lower) at %.0f Hz",
                                                  level, qPrintable(earText(ear())), hertz);
    if (interaction().askToSet(QStringLiteral("Set") + description, stimulus, Buttons::OkCancel) ==
        Answer::Cancel)
        return measure::kCancelled;

    std::unique_ptr<Progress> own;
    Progress *progress = sharedProgress;
    if (!progress) {
        own = OpenProgress();
        progress = own.get();
    }
    int failedExchanges = 0;
    for (;;) {
        if (ReadyMeter(MeterMode::Fft, kMeterKind, measure::kMeterNotReadyQuestion, progress,
                       kFftModeStatus) != measure::kDone)
            return measure::kCancelled;
        switch (read(f, *progress)) {
        case Reading::Stored:
            return measure::kDone;
        case Reading::Cancelled:
        case Reading::NoFundamental:
            return measure::kCancelled;
        case Reading::Failed:
            // The link has been recovered: one late or garbled reply on a poor cable is no reason
            // to lose the run, but a meter that keeps failing the same frequency is given up on.
            if (++failedExchanges < kReadAttempts) {
                clock().pump(kLateReplyGraceMs);
                continue;
            }
            return m_lastStatus < 0 ? m_lastStatus : measure::kCancelled;
        case Reading::NotComputed:
            break;
        }
        rebuildList();
        listChanged();
        const Answer answer =
            interaction().ask(notComputedQuestion(m_boneWording, hertz), Buttons::YesNoCancel);
        if (answer == Answer::No)
            return measure::kDone;
        if (answer != Answer::Yes)
            return measure::kCancelled;
    }
}

DistortionTest::Reading DistortionTest::readRelative(const char *text, std::optional<double> &relative,
                                                     bool &unreadable)
{
    QByteArray reply;
    const int status = command(text, reply);
    if (status == meter::kCancelled)
        return Reading::Cancelled;
    if (status != meter::kOk)
        return Reading::Failed;
    const QString shown = QString::fromLatin1(reply).trimmed();
    unreadable = shown == QLatin1String("---");
    relative = relativeLevelOf(reply);
    // A relative level of exactly 0 is the meter's way of giving none.
    if (relative && *relative == 0.0)
        relative.reset();
    return Reading::Stored;
}

DistortionTest::Reading DistortionTest::read(int f, Progress &progress)
{
    DistortionResult &stored = result();
    const DistortionColumn before = DistortionColumn::of(stored, f);
    // A reading that comes to nothing must not leave the earlier values looking like its own.
    DistortionColumn{}.storeInto(stored, f);
    const auto undo = [&](Reading outcome) {
        before.storeInto(stored, f);
        return outcome;
    };

    if (const Reading span =
            selectBandwidth(f, f == k630HzIndex ? k630HzIndex + 1 : kNarrowSpanBelow, progress);
        span != Reading::Stored)
        return undo(span);

    QByteArray reply;
    double hertz = 0.0;
    for (int poll = 1;; ++poll) {
        if (progress.checkCancel())
            return undo(Reading::Cancelled);
        int status = command("R241,512", reply);
        if (status == meter::kOk)
            status = command("R241,0", reply);
        if (status != meter::kOk)
            return undo(status == meter::kCancelled ? Reading::Cancelled : Reading::Failed);
        hertz = meter::leadingNumber(reply);
        if (hertz > kLowestFundamentalHz)
            break;
        if (poll >= kFundamentalPolls) {
            interaction().message(formatText(
                "Problems measuring the fundamental frequency.\nThe fundamental frequency is too low "
                "(%.1f).\nThis may mean that the audiometer signal is not loud enough.\n\nMeasurement "
                "aborted.",
                hertz));
            return Reading::NoFundamental;
        }
        clock().pump(kFundamentalPollMs);
    }
    progress.step();

    if (progress.checkCancel())
        return undo(Reading::Cancelled);
    if (const int status = command("R241,256", reply); status != meter::kOk)
        return undo(status == meter::kCancelled ? Reading::Cancelled : Reading::Failed);
    const double fundamental = meter::leadingNumber(reply);

    std::optional<double> relative[4];
    std::optional<double> lastSumTerm;
    bool notComputed = false;
    bool ignored = false;
    const auto readTerm = [&](const char *text, std::optional<double> &term, bool &unreadable) {
        if (progress.checkCancel())
            return Reading::Cancelled;
        return readRelative(text, term, unreadable);
    };
    Reading outcome = readTerm("R241,258", relative[0], notComputed);
    if (outcome != Reading::Stored)
        return undo(outcome);

    DistortionColumn column;
    column.measuredFrequency = static_cast<float>(hertz);
    column.fundamentalLevel = static_cast<float>(fundamental);
    if (notComputed) {
        // Kept as the meter's verdict, so the row fails instead of passing on nothing.
        column.harmonicLevel[0] = kHarmonicsNotComputed;
        column.storeInto(stored, f);
        return Reading::NotComputed;
    }
    if (f < kFirstUnjudgedOvertoneIndex) {
        outcome = readTerm("R241,259", relative[1], ignored);
        if (outcome == Reading::Stored && f == k630HzIndex)
            outcome = selectBandwidth(f, kNarrowSpanBelow, progress);
        if (outcome == Reading::Stored)
            outcome = readTerm("R241,260", relative[2], ignored);
        if (outcome != Reading::Stored)
            return undo(outcome);
    }
    if (f < kFirstUnreadFifthIndex) {
        outcome = readTerm("R241,261", relative[3], ignored);
        if (outcome == Reading::Stored)
            outcome = readTerm("R241,773", lastSumTerm, ignored);
        if (outcome != Reading::Stored)
            return undo(outcome);
    }
    progress.step();

    for (int k = 0; k < 4; ++k)
        column.harmonicLevel[k] = relative[k] ? static_cast<float>(*relative[k] + fundamental) : 0.0f;
    column.thd =
        static_cast<float>(totalHarmonicDistortion({relative[0], relative[1], relative[2], lastSumTerm}));
    column.storeInto(stored, f);
    return Reading::Stored;
}

void registerDistortionPages(PageRegistry &registry)
{
    const auto make = [](const MeasurementServices &services) {
        return std::make_unique<DistortionTest>(services);
    };
    registry.add(PageRole::Distortion, make);
    registry.add(PageRole::BoneDistortion, make);
}

} // namespace tonva

#include "measure/CrossTalkTest.h"

#include "measure/CouplerCorrection.h"
#include "measure/HearingLevelEvaluation.h"
#include "measure/RequiredEquipment.h"
#include "meter/MeterStatus.h"
#include "model/AudTestRecord.h"
#include "model/FixedText.h"
#include "model/ReferenceData.h"
#include "platform/Interaction.h"
#include "platform/TextFormat.h"

#include <algorithm>
#include <array>

namespace tonva {

namespace {

constexpr int kCrossTalkKind = static_cast<int>(MeasurementKind::CrossTalk);
constexpr double kLowestFrequencyHz = 31.5;
constexpr double kDefaultFrequencyHz = 1000.0;
// Stored levels are floats: a difference exactly on its limit must not fail on the last bit.
constexpr double kBoundSlack = 1e-4;

struct StepPlan
{
    const char *prompt;
    const char *title;
    int gain;
    Ear driven;
    Ear onCoupler;
    bool toneOff;
};

constexpr int kQuiet = BandReading::kQuietGain;
constexpr int kZero = meter::kGainZeroDb;

// Steps 1 to 5: the left earphone on the coupler first, then the right one.
constexpr std::array<StepPlan, 5> kSteps{{
    {"Left Earphone placed on coupler : %.1f Hz %d dBHL\nRight Earphone(away from coupler): Tone OFF\nLeft "
     "Earphone: Tone OFF",
     "Left Off", kQuiet, Ear::Left, Ear::Left, true},
    {"Left Earphone placed on coupler : %.1f Hz %d dBHL\nRight Earphone(away from coupler): Tone OFF\nLeft "
     "Earphone: Tone ON",
     "Left On", kZero, Ear::Left, Ear::Left, false},
    {"Left Earphone placed on coupler : %.1f Hz %d dBHL\nRight Earphone(away from coupler): Tone ON\nLeft "
     "Earphone: Tone OFF",
     "Left With Right On", kQuiet, Ear::Right, Ear::Left, false},
    {"Right Earphone placed on coupler : %.1f Hz %d dBHL\nRight Earphone: Tone ON\nLeft Earphone(away from "
     "coupler): Tone OFF",
     "Right On", kZero, Ear::Right, Ear::Right, false},
    {"Right Earphone placed on coupler : %.1f Hz %d dBHL\nRight Earphone: Tone OFF\nLeft Earphone(away from "
     "coupler): Tone ON",
     "Right With Left On", kQuiet, Ear::Left, Ear::Right, false},
}};

const QString kNone = QStringLiteral("----");
const QString kBlank = QStringLiteral(" ");

} // namespace

namespace crosstalk {

double testFrequencyOf(const CrossTalkResult &result)
{
    return result.testFrequency < kLowestFrequencyHz ? kDefaultFrequencyHz : result.testFrequency;
}

PageTable buildList(const CrossTalkResult &result, double referenceLevel, int *overall)
{
    PageTable table;
    table.columns = {QStringLiteral("Test"),       QStringLiteral("Tone On"),     QStringLiteral("Tone Off"),
                     QStringLiteral("Difference"), QStringLiteral("ANSI Limits"), QStringLiteral("Deviation")};
    int judged = 0;
    const auto addPair = [&](const char *name, float on, float cross) {
        // A failed reading is stored as 0: a row is judged only when both its levels were read.
        if (on <= kNotMeasuredLimit || cross == 0.0f) {
            table.rows.append({QString::fromLatin1(name), kNone, kNone, kNone, kNone, kNone});
            table.verdicts.append(ResultStatus::NotJudged);
            return;
        }
        const double difference = static_cast<double>(on) - cross;
        const bool passed = difference >= kMinimumDifferenceDb - kBoundSlack;
        table.rows.append({QString::fromLatin1(name), formatText("%.1f", static_cast<double>(on)),
                           formatText("%.1f", static_cast<double>(cross)), formatText("%.1f", difference),
                           formatText(">= %.1f", kMinimumDifferenceDb),
                           formatText("%.1f", difference - kMinimumDifferenceDb)});
        table.verdicts.append(passed ? ResultStatus::Passed : ResultStatus::Failed);
        judged = passed && judged == 0 ? 1 : passed ? judged : -1;
    };
    addPair("Left to Right", result.leftToneOnLevel, result.leftCrossLevel);
    addPair("Right to Left", result.rightToneOnLevel, result.rightCrossLevel);

    const double limit = referenceLevel + kToneOffAboveReferenceDb;
    if (result.onOffMarker <= kNotMeasuredLimit) {
        table.rows.append({QStringLiteral("On/Off Ratio"), kBlank, kNone, kBlank, kNone, kNone});
        table.verdicts.append(ResultStatus::NotJudged);
    } else {
        const bool passed = result.toneOffLevel <= limit + kBoundSlack;
        table.rows.append({QStringLiteral("On/Off Ratio"), kBlank,
                           formatText("%.1f", static_cast<double>(result.toneOffLevel)), kBlank,
                           formatText("<= %.1f", limit), formatText("%.1f", limit - result.toneOffLevel)});
        table.verdicts.append(passed ? ResultStatus::Passed : ResultStatus::Failed);
        judged = passed && judged == 0 ? 1 : passed ? judged : -1;
    }
    if (overall)
        *overall = judged;
    return table;
}

} // namespace crosstalk

CrossTalkTest::CrossTalkTest(const MeasurementServices &services)
    : MeasurementPage(services), m_keys(services.preferences)
{}

CrossTalkTest::~CrossTalkTest()
{
    m_keys.Bind(nullptr);
}

void CrossTalkTest::onMeterAttached()
{
    m_reading.reset();
    m_readingLink = nullptr;
    m_keys.Bind(nullptr);
}

CrossTalkResult &CrossTalkTest::block() const
{
    return record().crossTalk[static_cast<int>(transducer())];
}

int CrossTalkTest::frequencyIndexOf() const
{
    const int index = frequencyIndex(crosstalk::testFrequencyOf(block()));
    return index >= 0 ? index : frequencyIndex(kDefaultFrequencyHz);
}

double CrossTalkTest::referenceLevel() const
{
    ReferenceQuery query;
    query.transducer = transducer();
    query.frequencyIndex = frequencyIndexOf();
    return GetReferenceLevel(record().setup, query);
}

int CrossTalkTest::Evaluate() const
{
    int overall = 0;
    crosstalk::buildList(block(), referenceLevel(), &overall);
    return overall;
}

PageTable CrossTalkTest::List() const
{
    return crosstalk::buildList(block(), referenceLevel());
}

void CrossTalkTest::chooseFrequency(double hertz)
{
    block() = CrossTalkResult{};
    block().testFrequency = static_cast<float>(hertz);
    if (m_readingLink)
        m_keys.SelectBand(frequencyIndexOf());
    listChanged();
}

int CrossTalkTest::prepare()
{
    // Both earphones take part whichever ear the sheet shows.
    if (!tonva::CheckRequiredEquipment(static_cast<int>(transducer()), record(), Ear::Both, interaction()) ||
        !link() || !fileList())
        return measure::kNotStarted;
    if (!m_reading || m_readingLink != link()) {
        m_reading = std::make_unique<BandReading>(*link(), *fileList());
        m_readingLink = link();
        m_keys.Bind(link());
    }
    if (const MicrophoneSlot *microphone = couplerMicrophone(record().setup, transducer()))
        link()->MatchTransducerToMic(displayText(microphone->identity.model));
    block().testFrequency = static_cast<float>(nominalHz(frequencyIndexOf()));
    m_keys.SelectBand(frequencyIndexOf());
    return measure::kDone;
}

CrossTalkTest::StepOutcome CrossTalkTest::runStep(int step)
{
    const StepPlan &plan = kSteps[static_cast<std::size_t>(step - 1)];
    const int frequency = frequencyIndexOf();
    Stimulus stimulus;
    stimulus.transducer = transducer();
    stimulus.ear = plan.driven;
    stimulus.earOnCoupler = plan.onCoupler;
    stimulus.toneOff = plan.toneOff;
    stimulus.signal = QStringLiteral("tone");
    stimulus.frequencyHz = nominalHz(frequency);
    stimulus.dialLevel = crosstalk::kDialLevel;
    const QString prompt = formatText(plan.prompt, stimulus.frequencyHz, crosstalk::kDialLevel);
    if (interaction().askToSet(prompt, stimulus, Buttons::OkCancel) != Answer::Ok)
        return StepOutcome::Stop;

    CrossTalkResult &result = block();
    // A new tone-on level makes the cross level read against the old one meaningless.
    if (step == 2)
        result.leftCrossLevel = 0.0f;
    if (step == 4)
        result.rightCrossLevel = 0.0f;
    const std::unique_ptr<Progress> progress = interaction().openProgress(QString::fromLatin1(plan.title), 0, 100, 10);
    if (m_reading->ensureGain(plan.gain, *progress) != meter::kOk)
        return StepOutcome::Stop;
    for (;;) {
        double band = 0.0;
        const int status = m_reading->read(frequency, kCrossTalkKind, *progress, band);
        if (status == meter::kCancelled)
            return StepOutcome::Stop;
        const float level =
            status == meter::kOk
                ? static_cast<float>(BandReading::levelAtEar(band, record().setup, transducer(), frequency))
                : 0.0f;
        switch (step) {
        case 1:
            break;
        case 2:
            result.leftToneOnLevel = level;
            return StepOutcome::Continue;
        case 3:
            result.leftCrossLevel = level;
            return StepOutcome::Continue;
        case 4:
            result.rightToneOnLevel = level;
            return StepOutcome::Continue;
        default:
            result.rightCrossLevel = level;
            return StepOutcome::Continue;
        }
        if (status == meter::kOk) {
            result.toneOffLevel = level;
            result.onOffMarker = crosstalk::kToneOffTaken;
            return StepOutcome::Continue;
        }
        const Answer answer = interaction().ask(
            QStringLiteral("Error reading the Trellan.\n\nWould you like to measure again?\nClick Yes to "
                           "re-measure.\nClick Cancel to cancel the measurement."),
            Buttons::YesNoCancel);
        if (answer == Answer::Yes)
            continue;
        if (answer == Answer::Cancel)
            return StepOutcome::Stop;
        // Going on without a reading: an old marker would judge the new zero level as a pass.
        result.toneOffLevel = 0.0f;
        result.onOffMarker = 0.0f;
        return StepOutcome::Continue;
    }
}

int CrossTalkTest::runSteps(const std::vector<int> &steps)
{
    for (const int step : steps) {
        const StepOutcome outcome = runStep(step);
        listChanged();
        if (outcome == StepOutcome::Stop)
            return measure::kCancelled;
    }
    return measure::kDone;
}

int CrossTalkTest::MeasureAll()
{
    if (const int status = prepare(); status != measure::kDone)
        return status;
    return runSteps({1, 2, 3, 4, 5});
}

int CrossTalkTest::MeasureSelected(const QList<int> &rows)
{
    if (rows.isEmpty())
        return measure::kDone;
    if (const int status = prepare(); status != measure::kDone)
        return status;
    QList<int> ordered = rows;
    std::sort(ordered.begin(), ordered.end());
    for (const int row : ordered) {
        std::vector<int> steps;
        switch (static_cast<crosstalk::Row>(row)) {
        case crosstalk::Row::LeftToRight:
            steps = {2, 3};
            break;
        case crosstalk::Row::RightToLeft:
            steps = {4, 5};
            break;
        case crosstalk::Row::OnOffRatio:
            steps = {1};
            break;
        default:
            continue;
        }
        if (runSteps(steps) != measure::kDone)
            return measure::kCancelled;
    }
    return measure::kDone;
}

void registerCrossTalkPage(PageRegistry &registry)
{
    registry.add(PageRole::CrossTalk, [](const MeasurementServices &services) {
        return std::make_unique<CrossTalkTest>(services);
    });
}

} // namespace tonva

#include "measure/BoneConductionTest.h"

#include "measure/HearingLevelEvaluation.h"
#include "measure/HearingLevelReadings.h"
#include "meter/MeterStatus.h"
#include "model/FixedText.h"
#include "model/ReferenceData.h"
#include "platform/TextFormat.h"

#include <cmath>

namespace tonva {

namespace {

constexpr int kFirstBoneIndex = 5;      // 250 Hz
constexpr int kLastBoneIndex = 24;      // 8000 Hz
constexpr int kFirstWideTolerance = 22; // 6000 Hz
constexpr double kNarrowTolerance = 3.0;
constexpr double kWideTolerance = 5.0;
constexpr int kMeterKind = 0;

// Below this the room was never recorded; the Adjust dialog proposes a typical room.
constexpr float kLowestRoomCelsius = 17.0f;
constexpr TestConditions kTypicalRoom{23.0f, 760.0f, 50};

const QString kNotMeasured = QStringLiteral("----");

QString tenth(double value)
{
    // A correction of a few hundredths below zero is none at this precision, not "-0.0".
    return formatText("%.1f", std::abs(value) < 0.05 ? 0.0 : value);
}

double retfl(const TestSetup &setup, const ToneLevelResult &result, int f)
{
    ReferenceQuery query;
    query.transducer = TransducerType::BoneVibrator;
    query.frequencyIndex = f;
    query.forehead = result.placement == 1;
    return GetReferenceLevel(setup, query);
}

QString tooLowQuestion(double forceLevel, double hertz, const QString &stimulus)
{
    return formatText(
        "Measured FL (%.1f) was too low.\n\nWould you like to measure again at %.0f Hz?\n(Please "
        "check the audiometer to make sure the signal is on\nand that it is set to%s.\nAlso check "
        "the Trellan to make sure it is measuring data.)\n\nClick Yes to re-measure at this "
        "frequency.\nClick No to go on to the next frequency (if there is one).\nClick Cancel to "
        "cancel the measurement.",
        forceLevel, hertz, qPrintable(stimulus));
}

} // namespace

PageTable BoneLevelList::table() const
{
    PageTable table;
    table.columns = columns;
    for (const BoneLevelRow &row : rows) {
        table.rows.append(row.cells);
        table.verdicts.append(row.verdict);
    }
    return table;
}

int BoneLevelList::pageResult() const
{
    int result = 0;
    for (const BoneLevelRow &row : rows) {
        if (row.verdict == ResultStatus::Failed)
            return -1;
        if (row.verdict == ResultStatus::Passed)
            result = 1;
    }
    return result;
}

std::vector<int> boneLevelFrequencies(const TestSetup &setup)
{
    std::vector<int> frequencies;
    for (int f = kFirstBoneIndex; f <= kLastBoneIndex; ++f) {
        if (setup.frequencyAvailable[f] != 0)
            frequencies.push_back(f);
    }
    return frequencies;
}

double boneLevelTolerance(int frequencyIndex)
{
    return frequencyIndex >= kFirstWideTolerance ? kWideTolerance : kNarrowTolerance;
}

BoneLevelList buildBoneLevelList(const TestSetup &setup, const ToneLevelResult &result, bool showCorrections)
{
    BoneLevelList list;
    if (showCorrections)
        list.columns = {QStringLiteral("Frequency"), QStringLiteral("In Lvl"),     QStringLiteral("RETFL"),
                        QStringLiteral("FL"),        QStringLiteral("Mast."),      QStringLiteral("Mic."),
                        QStringLiteral("T."),        QStringLiteral("H."),         QStringLiteral("P"),
                        QStringLiteral("Meas. Lvl"), QStringLiteral("Target Lvl"), QStringLiteral("Dev")};
    else
        list.columns = {QStringLiteral("Frequency"), QStringLiteral("Measured Level"),
                        QStringLiteral("Target Lvl"), QStringLiteral("Deviation")};
    // A force coupler without usable sensitivities has no correction: nothing can be judged.
    const bool correctable = mastoidRefusal(setup).isEmpty();
    for (const int f : boneLevelFrequencies(setup)) {
        BoneLevelRow row;
        row.frequencyIndex = f;
        row.cells << formatText("%.0f", nominalHz(f));
        const double forceLevel = result.measuredLevel[f];
        const MastoidCorrection correction = mastoidCorrection(setup, f);
        const double c = correction.total();
        if (!(forceLevel > kNotMeasuredLimit) || !correctable || !std::isfinite(c)) {
            while (row.cells.size() < list.columns.size())
                row.cells << kNotMeasured;
            list.rows.push_back(row);
            continue;
        }
        const double reference = retfl(setup, result, f);
        const double dial = result.dialLevel[f];
        const double deviation = forceLevel - reference - dial;
        const double tolerance = boneLevelTolerance(f);
        const QString target = formatText("%.1f +/- %.1f", c + dial + reference, tolerance);
        if (showCorrections)
            row.cells << tenth(dial) << tenth(reference) << tenth(forceLevel) << tenth(correction.response)
                      << tenth(correction.microphone) << tenth(correction.temperature)
                      << tenth(correction.humidity) << tenth(correction.pressure);
        row.cells << tenth(forceLevel + c) << target << tenth(deviation);
        row.verdict =
            deviation >= -tolerance && deviation <= tolerance ? ResultStatus::Passed : ResultStatus::Failed;
        list.rows.push_back(row);
    }
    return list;
}

BoneConductionTest::BoneConductionTest(const MeasurementServices &services)
    : MeasurementPage(services), m_keys(services.preferences)
{}

BoneConductionTest::~BoneConductionTest()
{
    m_keys.Bind(nullptr);
}

void BoneConductionTest::onInitialised()
{
    m_current = -1;
    rebuildList();
}

void BoneConductionTest::onMeterAttached()
{
    // The readings hold the old link and its calibration offset; a reconnected meter is read afresh.
    m_readings.reset();
    m_readingsLink = nullptr;
    m_keys.Bind(nullptr);
}

ToneLevelResult &BoneConductionTest::result() const
{
    return record().toneLevel[0][static_cast<int>(TransducerType::BoneVibrator)];
}

void BoneConductionTest::setShowCorrections(bool show)
{
    m_showCorrections = show;
    rebuildList();
}

void BoneConductionTest::setPlacement(BonePlacement placement)
{
    result().placement = placement == BonePlacement::Forehead ? 1 : 0;
    rebuildList();
}

BonePlacement BoneConductionTest::placement() const
{
    return result().placement == 1 ? BonePlacement::Forehead : BonePlacement::Mastoid;
}

void BoneConductionTest::rebuildList()
{
    m_list = buildBoneLevelList(record().setup, result(), m_showCorrections);
}

int BoneConductionTest::Evaluate() const
{
    return buildBoneLevelList(record().setup, result(), false).pageResult();
}

PageTable BoneConductionTest::List() const
{
    return m_list.table();
}

int BoneConductionTest::prepare()
{
    if (!CheckRequiredEquipment() || !link() || !fileList())
        return measure::kNotStarted;
    if (const QString refusal = mastoidRefusal(record().setup); !refusal.isEmpty()) {
        interaction().message(refusal);
        return measure::kNotStarted;
    }
    if (!m_readings || m_readingsLink != link()) {
        m_readings = std::make_unique<HearingLevelReadings>(*link(), *fileList());
        m_readingsLink = link();
        m_keys.Bind(link());
    }
    m_meterChecked = false;
    link()->MatchTransducerToMic(displayText(record().setup.mastoid.identity.model));
    bool entered = false;
    if (!askMastoidRoomConditions(&entered))
        return measure::kCancelled;
    if (entered) {
        // The room terms of every row change with the conditions.
        rebuildList();
        listChanged();
    }
    return measure::kDone;
}

int BoneConductionTest::MeasureAll()
{
    if (const int status = prepare(); status != measure::kDone)
        return status;
    return run(boneLevelFrequencies(record().setup));
}

int BoneConductionTest::MeasureSelected(const QList<int> &rows)
{
    std::vector<int> frequencies;
    for (const int row : rows) {
        if (row >= 0 && row < static_cast<int>(m_list.rows.size()))
            frequencies.push_back(m_list.rows[static_cast<std::size_t>(row)].frequencyIndex);
    }
    if (frequencies.empty())
        return measure::kDone;
    if (const int status = prepare(); status != measure::kDone)
        return status;
    return run(frequencies);
}

int BoneConductionTest::run(const std::vector<int> &frequencies)
{
    for (const int f : frequencies) {
        const Step step = measureFrequency(f);
        rebuildList();
        listChanged();
        if (step == Step::Cancelled)
            return measure::kCancelled;
    }
    return measure::kDone;
}

BoneConductionTest::Step BoneConductionTest::measureFrequency(int f)
{
    m_current = f;
    const double hertz = nominalHz(f);
    ToneLevelResult &stored = result();
    const int dial = stored.dialLevel[f];
    Stimulus stimulus;
    stimulus.transducer = TransducerType::BoneVibrator;
    stimulus.ear = ear();
    stimulus.signal = QStringLiteral("tone");
    stimulus.frequencyHz = hertz;
    stimulus.dialLevel = dial;
    stimulus.bonePlacement = placement();
    const QString description = formatText(" %d dBHL at %.1f Hz", dial, hertz);
    if (interaction().askToSet(QStringLiteral("Set") + description, stimulus, Buttons::OkCancel) ==
        Answer::Cancel)
        return Step::Cancelled;
    m_keys.SelectBand(f);

    const std::unique_ptr<Progress> progress = OpenProgress();
    if (!m_meterChecked) {
        if (ReadyMeter(MeterMode::SlmRta, kMeterKind, measure::kMeterNotReadyQuestion, progress.get(),
                       QStringLiteral("Checking the Trellan for SLM/RTA mode")) != measure::kDone)
            return Step::Cancelled;
        m_meterChecked = true;
    }
    for (;;) {
        double bandLevel = 0.0;
        const int status = m_readings->readBandLevel(f, *progress, bandLevel);
        if (status == meter::kCancelled)
            return Step::Cancelled;
        // A reading that never settled is no force level at all.
        const double forceLevel =
            status == meter::kOk ? bandLevel - mastoidCorrection(record().setup, f).total() : 0.0;
        if (forceLevel > kNotMeasuredLimit) {
            stored.measuredLevel[f] = static_cast<float>(forceLevel);
            return Step::Next;
        }
        const Answer answer =
            interaction().ask(tooLowQuestion(forceLevel, hertz, description), Buttons::YesNoCancel);
        if (answer == Answer::No)
            return Step::Next;
        if (answer != Answer::Yes)
            return Step::Cancelled;
    }
}

void askAdjustConditions(TestSetup &setup, Interaction &interaction)
{
    if (!isMervaneMastoid(setup.mastoid) || setup.temperature >= kLowestRoomCelsius)
        return;
    TestConditions conditions = kTypicalRoom;
    if (interaction.askTestConditions(conditions) == Answer::Cancel)
        conditions = kTypicalRoom;
    setup.temperature = conditions.temperature;
    setup.humidity = conditions.humidity;
    setup.pressure = conditions.pressure;
}

void registerBoneLevelsPage(PageRegistry &registry)
{
    registry.add(PageRole::BoneLevels, [](const MeasurementServices &services) {
        return std::make_unique<BoneConductionTest>(services);
    });
}

} // namespace tonva

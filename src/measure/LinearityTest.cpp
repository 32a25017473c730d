#include "measure/LinearityTest.h"

#include "measure/HearingLevelEvaluation.h"
#include "measure/MeasurementCatalogue.h"
#include "meter/MeterStatus.h"
#include "model/FixedText.h"
#include "model/ReferenceData.h"
#include "measure/CouplerCorrection.h"
#include "platform/Interaction.h"
#include "platform/PreferenceIndex.h"
#include "platform/PreferenceStore.h"
#include "platform/TextFormat.h"

#include <algorithm>
#include <cmath>

namespace tonva {

namespace {

constexpr int kLinearityKind = static_cast<int>(MeasurementKind::HearingLevelLinearity);
// Below noise floor + this, a level read at the quiet gain is mostly the set-up's own noise.
constexpr int kAboveNoiseFloorDb = 5;

QString sideWord(Ear ear)
{
    return earText(ear);
}

} // namespace

LinearityTest::LinearityTest(const MeasurementServices &services) : MeasurementPage(services)
{
    const int stored = preferences().read(preference::LinDirection);
    m_direction = stored >= 0 && stored <= 2 ? static_cast<LinearityDirection>(stored) : LinearityDirection::Down;
}

LinearityTest::~LinearityTest()
{
    preferences().write(preference::LinDirection, static_cast<int>(m_direction));
}

void LinearityTest::onInitialised()
{
    m_noiseFloorMeasured = false;
}

void LinearityTest::onMeterAttached()
{
    // The reading keeps the old link and its calibration offset; a reconnected meter is read afresh.
    m_reading.reset();
    m_readingLink = nullptr;
}

LinearityResult &LinearityTest::block() const
{
    return record().linearity[channelOf(ear())][static_cast<int>(transducer())];
}

int LinearityTest::frequencyIndexOf() const
{
    const int index = frequencyIndex(linearity::testFrequencyOf(block()));
    return index >= 0 ? index : frequencyIndex(linearity::kDefaultFrequencyHz);
}

double LinearityTest::referenceLevel(const LinearityResult &result) const
{
    ReferenceQuery query;
    query.transducer = transducer();
    const int index = frequencyIndex(linearity::testFrequencyOf(result));
    query.frequencyIndex = index >= 0 ? index : frequencyIndex(linearity::kDefaultFrequencyHz);
    return GetReferenceLevel(record().setup, query);
}

int LinearityTest::Evaluate() const
{
    return buildLinearityList(block(), referenceLevel(block())).result;
}

int LinearityTest::statusResult() const
{
    // One entry serves both sides: a failed right side is not forgotten because the left passed.
    int left = 0;
    int right = 0;
    for (int channel = 0; channel < 2; ++channel) {
        const LinearityResult &result = record().linearity[channel][static_cast<int>(transducer())];
        (channel == 0 ? left : right) = buildLinearityList(result, referenceLevel(result)).result;
    }
    return left < 0 || right < 0 ? -1 : std::max(left, right);
}

PageTable LinearityTest::List() const
{
    const LinearityList list = buildLinearityList(block(), referenceLevel(block()));
    PageTable table;
    table.columns = list.columns;
    for (const LinearityRow &row : list.rows) {
        table.rows.append(row.cells);
        table.verdicts.append(row.verdict);
    }
    return table;
}

void LinearityTest::clearReadings()
{
    std::fill(std::begin(block().measuredLevel), std::end(block().measuredLevel), 0.0f);
}

void LinearityTest::chooseFrequency(double hertz)
{
    LinearityResult &result = block();
    if (std::abs(result.testFrequency - hertz) < 0.05 &&
        interaction().ask(QStringLiteral("Use old data (Yes) or clear the readings (No)?"), Buttons::YesNo) ==
            Answer::Yes)
        return;
    clearReadings();
    result.noiseFloor = 0.0f;
    m_noiseFloorMeasured = false;
    result.testFrequency = static_cast<float>(hertz);
    listChanged();
}

void LinearityTest::chooseDialStep(int step)
{
    clearReadings();
    block().dialStep = static_cast<std::int16_t>(step);
    block().dialStep = static_cast<std::int16_t>(linearity::dialStepOf(block()));
    listChanged();
}

void LinearityTest::setMaximumLevel(int typed)
{
    const int level = typed > linearity::kHighestLevel ? linearity::kHighestLevel : typed < 0 ? 100 : typed;
    block().maximumLevel = static_cast<std::int16_t>(level);
    listChanged();
}

std::vector<double> LinearityTest::offeredFrequencies() const
{
    std::vector<double> offered;
    for (int f = 0; f < kFrequencyCount; ++f) {
        if (record().setup.frequencyAvailable[f] != 0)
            offered.push_back(nominalHz(f));
    }
    return offered;
}

std::vector<int> LinearityTest::rowLevels() const
{
    std::vector<int> levels;
    for (const LinearityRow &row : buildLinearityList(block(), referenceLevel(block())).rows)
        levels.push_back(row.dialLevel);
    return levels;
}

int LinearityTest::readGain()
{
    for (;;) {
        const int gain = link()->GetGain();
        if (gain >= 0)
            return gain;
        if (link()->RecoverLink() == meter::kCancelled)
            return meter::kCancelled;
    }
}

int LinearityTest::prepare()
{
    if (!CheckRequiredEquipment() || !link() || !fileList())
        return measure::kNotStarted;
    if (!m_reading || m_readingLink != link()) {
        m_reading = std::make_unique<BandReading>(*link(), *fileList());
        m_readingLink = link();
    }
    if (const MicrophoneSlot *microphone = couplerMicrophone(record().setup, transducer()))
        link()->MatchTransducerToMic(displayText(microphone->identity.model));
    // The block takes the working values of whatever it left unset, so what is stored is what ran.
    LinearityResult &result = block();
    result.testFrequency = static_cast<float>(nominalHz(frequencyIndexOf()));
    result.maximumLevel = static_cast<std::int16_t>(linearity::maximumLevelOf(result));
    result.dialStep = static_cast<std::int16_t>(linearity::dialStepOf(result));
    const int gain = readGain();
    if (gain == meter::kCancelled)
        return measure::kCancelled;
    m_gainIndex = gain;
    if (m_direction == LinearityDirection::Auto)
        m_direction = BandReading::gainDb(gain) >= 1 ? LinearityDirection::Up : LinearityDirection::Down;
    return measure::kDone;
}

Stimulus LinearityTest::toneAt(int level) const
{
    Stimulus stimulus;
    stimulus.transducer = transducer();
    stimulus.ear = ear();
    stimulus.signal = QStringLiteral("tone");
    stimulus.frequencyHz = nominalHz(frequencyIndexOf());
    stimulus.dialLevel = level;
    return stimulus;
}

int LinearityTest::readLevel(int level, Progress &progress, bool asNoiseFloor)
{
    double band = 0.0;
    const int status = m_reading->read(frequencyIndexOf(), kLinearityKind, progress, band);
    if (status == meter::kCancelled)
        return status;
    LinearityResult &result = block();
    if (asNoiseFloor) {
        if (status == meter::kOk) {
            result.noiseFloor = static_cast<float>(band);
            m_noiseFloorMeasured = true;
        }
    } else if (level >= 0 && level <= linearity::kHighestLevel) {
        result.measuredLevel[level] =
            status == meter::kOk
                ? static_cast<float>(BandReading::levelAtEar(band, record().setup, transducer(), frequencyIndexOf()))
                : linearity::kUnstable;
    }
    listChanged();
    return status;
}

LinearityTest::Outcome LinearityTest::measureNoiseFloor(bool *confirmed)
{
    *confirmed = m_noiseFloorMeasured;
    if (m_noiseFloorMeasured)
        return Outcome::Done;
    Stimulus minimum = toneAt(0);
    minimum.audiometerMinimum = true;
    const QString prompt =
        formatText("Noise Floor: Set Minimum dBHL %s at %.1f Hz", qPrintable(sideWord(ear())), minimum.frequencyHz);
    m_lastAnswerOk = interaction().askToSet(prompt, minimum, Buttons::OkCancel) == Answer::Ok;
    if (!m_lastAnswerOk)
        return Outcome::Ended;
    const std::unique_ptr<Progress> progress = OpenProgress();
    if (m_reading->ensureGain(BandReading::kQuietGain, *progress) != meter::kOk)
        return Outcome::Ended;
    m_gainIndex = BandReading::kQuietGain;
    if (readLevel(-1, *progress, true) == meter::kCancelled)
        return Outcome::Ended;
    *confirmed = true;
    return Outcome::Done;
}

LinearityTest::Outcome LinearityTest::measureLevel(int level, bool repeat)
{
    const QString prompt = formatText("Set %d dBHL %s at %.1f Hz", level, qPrintable(sideWord(ear())),
                                      nominalHz(frequencyIndexOf()));
    m_lastAnswerOk = interaction().askToSet(prompt, toneAt(level), Buttons::OkCancel) == Answer::Ok;
    if (!m_lastAnswerOk)
        return Outcome::Ended;
    const std::unique_ptr<Progress> progress = OpenProgress();
    const int gain = BandReading::gainForDialLevel(level);
    if (m_reading->ensureGain(gain, *progress) != meter::kOk)
        return Outcome::Ended;
    m_gainIndex = gain;
    const int tries = repeat ? kTriesPerLevel : 1;
    for (int attempt = 0; attempt < tries; ++attempt) {
        const int status = readLevel(level, *progress, false);
        if (status == meter::kCancelled)
            return Outcome::Ended;
        if (status == meter::kOk)
            return Outcome::Done;
    }
    if (!repeat)
        return Outcome::Done;
    m_lastAnswerOk = interaction().ask(QStringLiteral("Failed to get a good reading after 5 tries.\n Proceeding to next level."),
                                       Buttons::OkCancel) == Answer::Ok;
    return m_lastAnswerOk ? Outcome::Done : Outcome::Ended;
}

int LinearityTest::runDown()
{
    const LinearityResult &result = block();
    const int maximum = linearity::maximumLevelOf(result);
    const int step = linearity::dialStepOf(result);
    m_lastAnswerOk = true;
    for (int level = maximum; level >= linearity::lowestLevelOf(result); level -= step) {
        const int above = level + step;
        const int twoAbove = level + 2 * step;
        // Only a step between two levels that were both read can be said to have failed.
        const bool stepFailed = level < maximum - step && linearity::measured(result, above) &&
                                linearity::measured(result, twoAbove) &&
                                !linearity::stepPasses(result.measuredLevel[twoAbove] -
                                                           result.measuredLevel[above] - step,
                                                       step);
        if (m_gainIndex == BandReading::kQuietGain && stepFailed && !m_noiseFloorMeasured) {
            bool confirmed = false;
            if (measureNoiseFloor(&confirmed) == Outcome::Ended || !confirmed)
                return measure::kCancelled;
            if (level < static_cast<int>(result.noiseFloor) + kAboveNoiseFloorDb)
                return measure::kDone;
            if (level < linearity::lowestLevelOf(result))
                break;
        }
        if (measureLevel(level, true) == Outcome::Ended)
            return measure::kCancelled;
    }
    if (m_lastAnswerOk && !m_noiseFloorMeasured) {
        bool confirmed = false;
        if (measureNoiseFloor(&confirmed) == Outcome::Ended)
            return measure::kCancelled;
    }
    return measure::kDone;
}

int LinearityTest::runUp()
{
    bool confirmed = false;
    if (measureNoiseFloor(&confirmed) == Outcome::Ended || !confirmed)
        return measure::kCancelled;
    const LinearityResult &result = block();
    const int maximum = linearity::maximumLevelOf(result);
    const int step = linearity::dialStepOf(result);
    const int floor = static_cast<int>(result.noiseFloor);
    // On the grid of the maximum level, the first level above the noise floor, and never below 0.
    int level = (floor / step + 1) * step + maximum % step;
    while (level < linearity::lowestLevelOf(result))
        level += step;
    for (; level <= maximum; level += step) {
        if (measureLevel(level, true) == Outcome::Ended)
            return measure::kCancelled;
    }
    return measure::kDone;
}

int LinearityTest::MeasureAll()
{
    if (const int status = prepare(); status != measure::kDone)
        return status;
    return m_direction == LinearityDirection::Up ? runUp() : runDown();
}

int LinearityTest::MeasureSelected(const QList<int> &rows)
{
    if (rows.isEmpty())
        return measure::kDone;
    if (const int status = prepare(); status != measure::kDone)
        return status;
    const std::vector<int> levels = rowLevels();
    const auto levelOf = [&levels](int row) {
        return row >= 0 && row < static_cast<int>(levels.size()) ? levels[static_cast<std::size_t>(row)] : -2;
    };
    int first = levelOf(rows.front());
    if (first == -1) {
        m_noiseFloorMeasured = false;
        bool confirmed = false;
        if (measureNoiseFloor(&confirmed) == Outcome::Ended)
            return measure::kCancelled;
        if (rows.size() == 1)
            return measure::kDone;
        first = levelOf(rows[1]);
    }
    if (first < 0)
        return measure::kDone;
    return measureLevel(first, false) == Outcome::Ended ? measure::kCancelled : measure::kDone;
}

void registerLinearityPage(PageRegistry &registry)
{
    registry.add(PageRole::Linearity, [](const MeasurementServices &services) {
        return std::make_unique<LinearityTest>(services);
    });
}

} // namespace tonva

#include "measure/HearingLevelTest.h"

#include "measure/CouplerCorrection.h"
#include "meter/MeterStatus.h"
#include "model/FixedText.h"
#include "platform/TextFormat.h"

#include <algorithm>

namespace tonva {

namespace {

using hearingprompt::Run;

constexpr double kLowestFrequencyHz = 75.0;
constexpr double kEarlierResultLimit = 5.0;
constexpr int kFrequencyTestDial = 80;
constexpr int kModulationTestDial = 90;

Buttons questionButtons(Run run)
{
    return run == Run::All ? Buttons::YesNoCancel : Buttons::YesNo;
}

bool usesReferenceLevels(HearingLevelMode mode)
{
    return mode == HearingLevelMode::HearingLevel || mode == HearingLevelMode::NarrowBand;
}

} // namespace

HearingLevelTest::HearingLevelTest(const MeasurementServices &services)
    : MeasurementPage(services), m_keys(services.preferences)
{}

HearingLevelTest::~HearingLevelTest()
{
    m_keys.Bind(nullptr);
}

void HearingLevelTest::onInitialised()
{
    m_mode = hearingLevelModeOf(measurementKindOf(measurement())).value_or(HearingLevelMode::HearingLevel);
    m_lastMeasured = -1;
    rebuildList();
}

void HearingLevelTest::onMeterAttached()
{
    // The readings hold the old link and its calibration offset; a reconnected meter is read afresh.
    m_readings.reset();
    m_readingsLink = nullptr;
    m_keys.Bind(nullptr);
}

void HearingLevelTest::setShowCorrections(bool show)
{
    m_showCorrections = show;
    rebuildList();
}

ToneResultBlocks HearingLevelTest::blocks() const
{
    return toneResultBlocks(record(), transducer(), channelOf(ear()));
}

HearingLevelList HearingLevelTest::buildList(UndefinedReferenceWarning *warning) const
{
    return buildHearingLevelList(record().setup, transducer(), blocks(), m_mode, m_showCorrections, warning);
}

void HearingLevelTest::rebuildList(UndefinedReferenceWarning *warning)
{
    m_list = buildList(warning);
}

int HearingLevelTest::Evaluate() const
{
    return buildList().pageResult();
}

int HearingLevelTest::statusResult() const
{
    // One entry serves both ears: a failed right ear must not be forgotten because the left one,
    // measured afterwards, passed.
    const auto resultOf = [this](int channel) {
        return buildHearingLevelList(record().setup, transducer(),
                                     toneResultBlocks(record(), transducer(), channel), m_mode, false)
            .pageResult();
    };
    const int left = resultOf(0);
    const int right = resultOf(1);
    return left < 0 || right < 0 ? -1 : std::max(left, right);
}

PageTable HearingLevelTest::List() const
{
    PageTable table;
    table.columns = m_list.columns;
    for (const HearingLevelRow &row : m_list.rows) {
        table.rows.append(row.cells);
        table.verdicts.append(row.verdict == RowVerdict::Failed   ? ResultStatus::Failed
                              : row.verdict == RowVerdict::Passed ? ResultStatus::Passed
                                                                  : ResultStatus::NotJudged);
    }
    return table;
}

bool HearingLevelTest::confirmMissingGrid()
{
    const bool gridMatters =
        transducer() == TransducerType::Circumaural &&
        (m_mode == HearingLevelMode::HearingLevel || m_mode == HearingLevelMode::NarrowBand);
    if (!gridMatters || !preferences().readFlag(preference::AskForGrid))
        return true;
    const MicrophoneSlot *microphone = couplerMicrophone(record().setup, transducer());
    if (!microphone || !gridCorrectionsMissing(*microphone))
        return true;
    bool doNotShowAgain = false;
    const Answer answer =
        interaction().askWithCheckBox(missingGridQuestion(*microphone), Buttons::OkCancel,
                                      QStringLiteral("Do not show this dialog again."), doNotShowAgain);
    preferences().writeFlag(preference::AskForGrid, !doNotShowAgain);
    return answer != Answer::Cancel;
}

int HearingLevelTest::prepare()
{
    if (!CheckRequiredEquipment() || !link() || !fileList())
        return measure::kNotStarted;
    if (!m_readings || m_readingsLink != link()) {
        m_readings = std::make_unique<HearingLevelReadings>(*link(), *fileList());
        m_readingsLink = link();
        m_keys.Bind(link());
    }
    m_warning.reset();
    m_meterChecked = false;
    if (!confirmMissingGrid())
        return measure::kCancelled;
    if (const MicrophoneSlot *microphone = couplerMicrophone(record().setup, transducer()))
        link()->MatchTransducerToMic(displayText(microphone->identity.model));
    return measure::kDone;
}

int HearingLevelTest::firstPosition(const std::vector<int> &frequencies)
{
    const ToneResultBlocks results = blocks();
    int firstMeasured = -1;
    std::size_t lastMeasuredPosition = 0;
    for (std::size_t i = 0; i < frequencies.size(); ++i) {
        if (storedValue(results, m_mode, frequencies[i]) <= kEarlierResultLimit)
            continue;
        if (firstMeasured < 0)
            firstMeasured = frequencies[i];
        lastMeasuredPosition = i;
    }
    if (firstMeasured <= 0 || lastMeasuredPosition + 1 >= frequencies.size())
        return 0;
    const double lastHertz = nominalHz(frequencies[lastMeasuredPosition]);
    const Answer answer = interaction().ask(hearingprompt::restartQuestion(lastHertz), Buttons::YesNo);
    return answer == Answer::No ? static_cast<int>(lastMeasuredPosition) + 1 : 0;
}

int HearingLevelTest::MeasureAll()
{
    if (const int status = prepare(); status != measure::kDone)
        return status;
    const std::vector<int> frequencies = selectedFrequencies(record().setup, m_mode);
    const int start = firstPosition(frequencies);
    return run(frequencies, static_cast<std::size_t>(start), Run::All);
}

int HearingLevelTest::MeasureSelected(const QList<int> &rows)
{
    // The list's own rows say which frequency they show; reading it back from the cell text would
    // turn the 31.5 Hz row ("32") into 63 Hz.
    std::vector<int> frequencies;
    for (int row : rows) {
        if (row >= 0 && row < static_cast<int>(m_list.rows.size()))
            frequencies.push_back(m_list.rows[static_cast<std::size_t>(row)].frequencyIndex);
    }
    if (frequencies.empty())
        return measure::kDone;
    if (const int status = prepare(); status != measure::kDone)
        return status;
    return run(frequencies, 0, Run::Selected);
}

int HearingLevelTest::run(const std::vector<int> &frequencies, std::size_t start, Run kind)
{
    const int gain = link()->GetGain();
    if (gain >= 0 && gain != HearingLevelReadings::kReadingGain)
        link()->SetGain(HearingLevelReadings::kReadingGain);
    for (std::size_t i = start; i < frequencies.size(); ++i) {
        const Step step = measureFrequency(frequencies[i], kind);
        rebuildList(usesReferenceLevels(m_mode) ? &m_warning : nullptr);
        listChanged();
        if (step == Step::Cancelled)
            return measure::kCancelled;
    }
    if (!m_warning.isEmpty() && preferences().readFlag(preference::ShowRetsplWarn))
        interaction().message(m_warning.text());
    return measure::kDone;
}

bool HearingLevelTest::readyMeter(Progress &progress)
{
    if (m_meterChecked)
        return true;
    MeterMode mode = MeterMode::SlmRta;
    QString status = QStringLiteral("Checking the Trellan for SLM/RTA mode");
    if (m_mode == HearingLevelMode::Frequency) {
        mode = MeterMode::Fft;
        status = QStringLiteral("Checking the Trellan for FFT mode");
    } else if (m_mode == HearingLevelMode::FrequencyModulation) {
        mode = MeterMode::PulseFm;
        status = QStringLiteral("Checking the Trellan for Pulse/FM mode");
    }
    const int kind = static_cast<int>(measurementKindOf(m_mode));
    m_meterChecked =
        ReadyMeter(mode, kind, hearingprompt::communicationFailed(), &progress, status) == measure::kDone;
    return m_meterChecked;
}

HearingLevelTest::Step HearingLevelTest::measureFrequency(int frequencyIndex, Run run)
{
    const double hertz = nominalHz(frequencyIndex);
    const ToneResultBlocks results = blocks();
    Stimulus stimulus;
    stimulus.transducer = transducer();
    stimulus.ear = ear();
    stimulus.frequencyHz = hertz;
    QString description;
    switch (m_mode) {
    case HearingLevelMode::HearingLevel:
        stimulus.signal = QStringLiteral("tone");
        stimulus.dialLevel = results.tone.dialLevel[frequencyIndex];
        description = hearingprompt::toneStimulus(results.tone.dialLevel[frequencyIndex], ear(), hertz);
        break;
    case HearingLevelMode::Frequency:
        stimulus.signal = QStringLiteral("tone");
        stimulus.dialLevel = kFrequencyTestDial;
        description = hearingprompt::frequencyStimulus(ear(), hertz);
        break;
    case HearingLevelMode::FrequencyModulation:
        stimulus.signal = QStringLiteral("FM");
        stimulus.dialLevel = kModulationTestDial;
        break;
    case HearingLevelMode::NarrowBand:
        stimulus.signal = QStringLiteral("narrow band");
        stimulus.dialLevel = results.narrowBand.dialLevel[frequencyIndex];
        description =
            hearingprompt::narrowBandStimulus(results.narrowBand.dialLevel[frequencyIndex], ear(), hertz);
        break;
    }
    const QString prompt = hearingprompt::setPrompt(m_mode, description, ear(), hertz);
    if (interaction().askToSet(prompt, stimulus, Buttons::OkCancel) == Answer::Cancel)
        return Step::Cancelled;
    m_keys.SelectBand(frequencyIndex);

    const std::unique_ptr<Progress> progress = OpenProgress();
    if (!readyMeter(*progress))
        return Step::Cancelled;
    switch (m_mode) {
    case HearingLevelMode::HearingLevel:
    case HearingLevelMode::NarrowBand:
        return measureLevel(frequencyIndex, run, description, *progress);
    case HearingLevelMode::Frequency:
        return measureToneFrequency(frequencyIndex, run, description, *progress);
    case HearingLevelMode::FrequencyModulation:
        break;
    }
    return measureModulation(frequencyIndex, *progress) == meter::kCancelled ? Step::Cancelled : Step::Next;
}

HearingLevelTest::Step HearingLevelTest::afterQuestion(Answer answer, Run run) const
{
    if (answer == Answer::Cancel || (run == Run::Selected && answer == Answer::No))
        return Step::Cancelled;
    return Step::Next;
}

HearingLevelTest::Step HearingLevelTest::measureLevel(int frequencyIndex, Run run, const QString &stimulus,
                                                      Progress &progress)
{
    const double hertz = nominalHz(frequencyIndex);
    float &stored = m_mode == HearingLevelMode::NarrowBand ? blocks().narrowBand.measuredLevel[frequencyIndex]
                                                           : blocks().tone.measuredLevel[frequencyIndex];
    for (;;) {
        double bandLevel = 0.0;
        const int status = m_readings->readBandLevel(frequencyIndex, progress, bandLevel);
        if (status == meter::kCancelled)
            return Step::Cancelled;
        Answer answer = Answer::Yes;
        if (status != meter::kOk) {
            answer = interaction().ask(hearingprompt::unstableLevel(run, link()->lastSpread(), hertz),
                                       questionButtons(run));
        } else {
            const double level = bandLevel - couplerCorrection(record().setup, transducer(), frequencyIndex);
            if (level > kNotMeasuredLimit) {
                stored = static_cast<float>(level);
                m_lastMeasured = frequencyIndex;
                return Step::Next;
            }
            answer = interaction().ask(hearingprompt::levelTooLow(run, m_mode, level, hertz, stimulus),
                                       questionButtons(run));
        }
        if (answer != Answer::Yes)
            return afterQuestion(answer, run);
    }
}

HearingLevelTest::Step HearingLevelTest::measureToneFrequency(int frequencyIndex, Run run,
                                                              const QString &stimulus, Progress &progress)
{
    const double hertz = nominalHz(frequencyIndex);
    for (;;) {
        double measured = 0.0;
        const int status = m_readings->readFrequency(frequencyIndex, progress, measured);
        if (status == meter::kCancelled)
            return Step::Cancelled;
        Answer answer = Answer::Yes;
        if (status != meter::kOk) {
            answer = interaction().ask(hearingprompt::frequencyUnreadable(run, hertz, stimulus),
                                       questionButtons(run));
        } else if (measured > kLowestFrequencyHz) {
            blocks().tone.measuredFrequency[frequencyIndex] = static_cast<float>(measured);
            m_lastMeasured = frequencyIndex;
            return Step::Next;
        } else {
            answer = interaction().ask(hearingprompt::frequencyTooLow(run, measured, hertz, stimulus),
                                       questionButtons(run));
        }
        if (answer != Answer::Yes)
            return afterQuestion(answer, run);
    }
}

FmValues HearingLevelTest::storedModulation(int frequencyIndex) const
{
    const FrequencyModulationResult &fm = blocks().modulation;
    return {fm.carrier[frequencyIndex], fm.lowest[frequencyIndex],  fm.highest[frequencyIndex],
            fm.rate[frequencyIndex],    fm.statusA[frequencyIndex], fm.statusB[frequencyIndex]};
}

void HearingLevelTest::storeModulation(int frequencyIndex, const FmValues &values)
{
    FrequencyModulationResult &fm = blocks().modulation;
    fm.carrier[frequencyIndex] = static_cast<float>(values.carrier);
    fm.lowest[frequencyIndex] = static_cast<float>(values.lowest);
    fm.highest[frequencyIndex] = static_cast<float>(values.highest);
    fm.rate[frequencyIndex] = static_cast<float>(values.rate);
    fm.statusA[frequencyIndex] = values.statusA;
    fm.statusB[frequencyIndex] = values.statusB;
}

int HearingLevelTest::measureModulation(int frequencyIndex, Progress &progress)
{
    const FmValues before = storedModulation(frequencyIndex);
    for (;;) {
        FmReadingSet readings;
        for (int i = 0; i < FmReadingSet::kReadings; ++i) {
            const QString prefix = formatText("Measuring %d of %d", i + 1, FmReadingSet::kReadings);
            FmValues values;
            const int status = m_readings->readModulation(progress, prefix, values);
            if (status == meter::kCancelled) {
                if (interaction().ask(hearingprompt::saveNewReadings(), Buttons::YesNo) == Answer::No)
                    storeModulation(frequencyIndex, before);
                return status;
            }
            if (status != meter::kOk) {
                // A reading the meter could not deliver leaves the frequency as it was.
                storeModulation(frequencyIndex, before);
                return status;
            }
            storeModulation(frequencyIndex, values);
            m_lastMeasured = frequencyIndex;
            readings.set(i, values);
        }
        if (readings.agree()) {
            storeModulation(frequencyIndex, readings.mean());
            return meter::kOk;
        }
        if (interaction().ask(hearingprompt::noisyModulation(), Buttons::YesNo) != Answer::Yes) {
            storeModulation(frequencyIndex, before);
            return meter::kCancelled;
        }
    }
}

void registerHearingLevelPage(PageRegistry &registry)
{
    registry.add(PageRole::HearingLevelFrequency, [](const MeasurementServices &services) {
        return std::make_unique<HearingLevelTest>(services);
    });
}

} // namespace tonva

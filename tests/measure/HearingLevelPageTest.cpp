#include "HearingLevelPageFixture.h"
#include "QuietHost.h"
#include "support/TickingTechnician.h"
#include "measure/MeasurementRun.h"

#include <QRegularExpression>

using namespace tonva;
using namespace tonva::test;

TEST_F(HearingLevelPageFixture, MeasureAllStoresCorrectedLevelsAndJudgesThem)
{
    levelError = {{1000, 3.0}, {8000, 5.0}};
    record->setup.couplerMicrophone[2].response[at(1000)] = 0.5f;
    auto test = page(HearingLevelMode::HearingLevel);
    technician.expectAskToSet("Set 70 dBHL Left at 1000 Hz", Answer::Ok)
        .expectAskToSet("Set 70 dBHL Left at 8000 Hz", Answer::Ok);

    EXPECT_EQ(test->MeasureAll(), 0);
    const ToneLevelResult &tone = record->toneLevel[0][0];
    // The microphone's 0.5 dB is taken off what the meter read.
    EXPECT_NEAR(tone.measuredLevel[at(1000)], 70 + 7 + 3.0 - 0.5, 0.1);
    EXPECT_NEAR(tone.measuredLevel[at(8000)], 70 + 13 + 5.0, 0.1);
    EXPECT_EQ(test->lastMeasuredFrequency(), at(8000));
    EXPECT_TRUE(technician.progressStatuses().contains("Checking the Trellan for SLM/RTA mode"));
    EXPECT_TRUE(technician.progressStatuses().contains("Reading calibration offset"));
    EXPECT_EQ(technician.stimuli().front().signal, "tone");
}

TEST_F(HearingLevelPageFixture, RestartQuestionAndCancelAtAPromptKeepEarlierResults)
{
    record = hearingLevelRecord({125, 250, 500, 1000, 2000, 4000, 8000});
    ToneLevelResult &tone = record->toneLevel[0][0];
    for (double hertz : {125.0, 250.0, 500.0, 1000.0})
        tone.measuredLevel[at(hertz)] = 90.0f;
    auto test = page(HearingLevelMode::HearingLevel);
    technician
        .expectAsk(
            "Start 'Measure All' from the beginning (Yes), or after 1000 Hz?\nIndividual frequencies can be "
            "tested with 'Measure Selected'",
            Answer::No)
        .expectAskToSet("Set 70 dBHL Left at 2000 Hz", Answer::Ok)
        .expectAskToSet("Set 70 dBHL Left at 4000 Hz", Answer::Cancel);

    EXPECT_EQ(test->MeasureAll(), 1000);
    EXPECT_EQ(tone.measuredLevel[at(1000)], 90.0f);
    EXPECT_NEAR(tone.measuredLevel[at(2000)], 79.0, 0.1);
    EXPECT_EQ(tone.measuredLevel[at(4000)], 0.0f);
    EXPECT_EQ(test->list().rows[1].verdict, RowVerdict::Failed) << "90 dB at 250 Hz is far too loud";

    technician
        .expectAsk(
            "Start 'Measure All' from the beginning (Yes), or after 2000 Hz?\nIndividual frequencies can be "
            "tested with 'Measure Selected'",
            Answer::Yes)
        .expectAskToSet("Set 70 dBHL Left at 125 Hz", Answer::Cancel);
    EXPECT_EQ(test->MeasureAll(), 1000);
}

TEST_F(HearingLevelPageFixture, CancelInTheProgressDialogEndsWithoutFurtherQuestions)
{
    auto test = page(HearingLevelMode::HearingLevel);
    technician.cancelProgressAfterChecks(0);
    technician.expectAskToSet("Set 70 dBHL Left at 1000 Hz", Answer::Ok);
    EXPECT_EQ(test->MeasureAll(), 1000);
    EXPECT_EQ(record->toneLevel[0][0].measuredLevel[at(1000)], 0.0f);
    EXPECT_EQ(test->Collect(), 0);
}

TEST_F(HearingLevelPageFixture, TooLowLevelIsNotStoredAndItsQuestionDecidesWhatFollows)
{
    // Only the meter's own noise in the band, and a microphone correction larger than that.
    levelError = {{1000, -75.0}};
    record->setup.couplerMicrophone[2].response[at(1000)] = 20.0f;
    auto test = page(HearingLevelMode::HearingLevel);
    technician.expectAskToSet("Set 70 dBHL Left at 1000 Hz", Answer::Ok)
        .expectAskStartingWith("Measured SPL was too low (", Answer::No)
        .expectAskToSet("Set 70 dBHL Left at 8000 Hz", Answer::Ok);
    EXPECT_EQ(test->MeasureAll(), 0);
    EXPECT_EQ(record->toneLevel[0][0].measuredLevel[at(1000)], 0.0f);
    EXPECT_GT(record->toneLevel[0][0].measuredLevel[at(8000)], 80.0f);

    // Measure Selected has no "next frequency": No cancels.
    technician.expectAskToSet("Set 70 dBHL Left at 1000 Hz", Answer::Ok)
        .expectAskStartingWith("Measured SPL was too low (", Answer::No);
    EXPECT_EQ(test->MeasureSelected({0, 1}), 1000);
    EXPECT_TRUE(technician.transcript().back().endsWith("Click No to cancel the measurement."));
    EXPECT_EQ(test->MeasureSelected({}), 0);
}

TEST_F(HearingLevelPageFixture, MeasureSelectedMeasuresTheRowsOwnFrequency)
{
    record = hearingLevelRecord({31.5, 1000});
    auto test = page(HearingLevelMode::HearingLevel);
    technician.expectAskToSet("Set 70 dBHL Left at 32 Hz", Answer::Ok)
        .expectMessage(
            "RETSPL not defined for 31.5} Hz, \nTest results at these frequencies will be incorrect.");
    EXPECT_EQ(test->MeasureSelected({0}), 0);
    EXPECT_NEAR(record->toneLevel[0][0].measuredLevel[0], 70.0, 0.2);
    EXPECT_EQ(record->toneLevel[0][0].measuredLevel[1], 0.0f) << "63 Hz was never asked for";

    preferences.writeInt("Settings", "Show RETSPL Warn", 0);
    technician.expectAskToSet("Set 70 dBHL Left at 32 Hz", Answer::Ok);
    EXPECT_EQ(test->MeasureSelected({0}), 0);
}

TEST_F(HearingLevelPageFixture, FrequencyAccuracyReadsTheToneFrequency)
{
    frequencyFactor = 1.011;
    auto test = page(HearingLevelMode::Frequency);
    technician.expectAskToSet("Set 80 dBHL (or max level) Left at 1000 Hz", Answer::Ok)
        .expectAskToSet("Set 80 dBHL (or max level) Left at 8000 Hz", Answer::Ok);
    EXPECT_EQ(test->MeasureAll(), 0);
    const ToneLevelResult &tone = record->toneLevel[0][0];
    EXPECT_NEAR(tone.measuredFrequency[at(1000)], 1011.0, 0.5);
    EXPECT_NEAR(tone.measuredFrequency[at(8000)], 8088.0, 0.5);
    EXPECT_EQ(test->list().rows[0].verdict, RowVerdict::Failed)
        << "1.1 % is outside a type 1 audiometer's 1 %";
    EXPECT_EQ(test->Collect(), -1);
    EXPECT_EQ(record->statusOf(MeasurementKind::FrequencyAccuracy, TransducerType::SupraAural), -1);
    EXPECT_TRUE(technician.progressStatuses().contains("Checking the Trellan for FFT mode"));
    EXPECT_TRUE(technician.progressStatuses().contains("Getting multiple readings..."));
    EXPECT_EQ(simulator.meter().bandwidthCode(), 6) << "8000 Hz needs the 20 kHz span";
}

TEST_F(HearingLevelPageFixture, ModulationAveragesThreeReadings)
{
    record = hearingLevelRecord({1000});
    frequencyFactor = 1.031;
    auto test = page(HearingLevelMode::FrequencyModulation);
    technician.expectAskToSet(
        "Set FM 90 dBHL (or max level) Left at 1000 Hz (make sure the Trellan readings are steady)",
        Answer::Ok);
    EXPECT_EQ(test->MeasureAll(), 0);
    const FrequencyModulationResult &fm = record->frequencyModulation[0][0];
    EXPECT_NEAR(fm.carrier[at(1000)], 1031.0, 0.5);
    EXPECT_NEAR(fmDeviationPercent(fm.carrier[at(1000)], fm.lowest[at(1000)], fm.highest[at(1000)]), 10.0,
                0.2);
    EXPECT_NEAR(fm.rate[at(1000)], 5.0, 0.05);
    EXPECT_TRUE(QRegularExpression(R"(^\(103[01]\.\d\)$)").match(test->list().rows[0].cells[1]).hasMatch())
        << test->list().rows[0].cells[1].toStdString();
    EXPECT_EQ(test->list().rows[0].cells[5], "5.00");
    EXPECT_TRUE(technician.progressStatuses().contains("Measuring 1 of 3: Reading calibration offset"));
    EXPECT_TRUE(technician.progressStatuses().contains("Measuring 3 of 3: Reading data from the Trellan"));
}

TEST_F(HearingLevelPageFixture, ModulationCancelledAfterAPureToneRestoresWhatWasStored)
{
    record = hearingLevelRecord({1000});
    FrequencyModulationResult &fm = record->frequencyModulation[0][0];
    fm.carrier[at(1000)] = 1002.0f;
    fm.rate[at(1000)] = 4.9f;
    withModulation = false;
    auto test = page(HearingLevelMode::FrequencyModulation);
    technician
        .expectAskToSet(
            "Set FM 90 dBHL (or max level) Left at 1000 Hz (make sure the Trellan readings are steady)",
            Answer::Ok)
        .expectAsk("Only a pure tone is heard. Make sure FM is set.\nTry Again?", Answer::No)
        .expectAsk("Do you wish to save your new readings?", Answer::No);
    EXPECT_EQ(test->MeasureAll(), 1000);
    EXPECT_EQ(fm.carrier[at(1000)], 1002.0f);
    EXPECT_EQ(fm.rate[at(1000)], 4.9f);
}

TEST_F(HearingLevelPageFixture, NarrowBandUsesItsOwnDialAndBlockUpTo8000Hz)
{
    record = hearingLevelRecord({1000, 9000});
    levelError = {{1000, 4.0}};
    auto test = page(HearingLevelMode::NarrowBand, TransducerType::SupraAural, Ear::Right);
    record->narrowBand[1][0].dialLevel[at(1000)] = 60;
    technician.expectAskToSet("Set  NB 60 dBHL Right at 1000 Hz", Answer::Ok);
    EXPECT_EQ(test->MeasureAll(), 0);
    EXPECT_NEAR(record->narrowBand[1][0].measuredLevel[at(1000)], 60 + 13 + 4.0, 0.1);
    EXPECT_EQ(record->toneLevel[1][0].measuredLevel[at(1000)], 0.0f);
    EXPECT_EQ(test->Collect(), 1);
    EXPECT_EQ(technician.stimuli().front().signal, "narrow band");
    EXPECT_EQ(technician.stimuli().front().ear, Ear::Right);
}

TEST_F(HearingLevelPageFixture, CircumauralWithoutGridCorrectionsAsksFirst)
{
    record = hearingLevelRecord({1000});
    setFixedText(record->setup.couplerMicrophone[1].identity.manufacturer, "Brill");
    const QString question =
        "No grid corrections have been entered for the IEC 318 microphone\n(Brill  S/N L1)\n\n"
        "Press OK to continue the measurement anyway.";
    TickingTechnician ticking(technician);
    auto test = page(HearingLevelMode::HearingLevel, TransducerType::Circumaural, Ear::Left, &ticking);

    technician.expectAsk(question, Answer::Cancel);
    EXPECT_EQ(test->MeasureAll(), 1000);
    EXPECT_EQ(ticking.boxes, QStringList({"Do not show this dialog again."}));
    EXPECT_EQ(preferences.readInt("Settings", "Ask For Grid", 1), 0);

    // Not asked again; frequency accuracy never asks.
    technician.expectAskToSet("Set 70 dBHL Left at 1000 Hz", Answer::Cancel);
    EXPECT_EQ(test->MeasureAll(), 1000);
    preferences.writeInt("Settings", "Ask For Grid", 1);
    record->setup.couplerMicrophone[1].gridCorrection[3] = 0.5f;
    technician.expectAskToSet("Set 70 dBHL Left at 1000 Hz", Answer::Cancel);
    EXPECT_EQ(test->MeasureAll(), 1000);
}

TEST_F(HearingLevelPageFixture, MissingEquipmentOrMeterMeasuresNothing)
{
    setFixedText(record->setup.supraAural.rightSerialNumber, "");
    auto test = page(HearingLevelMode::Frequency, TransducerType::SupraAural, Ear::Right);
    technician.expectMessageStartingWith("Unable to perform measurement because not all required equipment");
    EXPECT_EQ(test->MeasureAll(), measure::kNotStarted);
    EXPECT_TRUE(technician.transcript().back().endsWith(
        "    Right Supra-aural Earphone (may be missing serial number)\n"));

    auto unattached = page(HearingLevelMode::HearingLevel);
    unattached->AttachMeter(nullptr, nullptr);
    EXPECT_EQ(unattached->MeasureAll(), measure::kNotStarted);
}

TEST_F(HearingLevelPageFixture, TheRunMeasuresThroughThisPageAndCollectsItsResult)
{
    PageRegistry registry;
    registerHearingLevelPage(registry);
    QuietHost host;
    MeasurementRun run({technician, clock, preferences}, registry, host, *record);
    run.AttachMeter(&link, &files);
    run.Open(MeasurementEntry::HearingLevel, TransducerType::SupraAural, Ear::Right);
    levelError = {{1000, -1.0}, {8000, 4.0}};
    technician.expectAskToSet("Set 70 dBHL Right at 1000 Hz", Answer::Ok)
        .expectAskToSet("Set 70 dBHL Right at 8000 Hz", Answer::Ok);

    EXPECT_EQ(run.MeasureAll(), measure::kDone);
    run.Ok();
    EXPECT_NEAR(record->toneLevel[1][0].measuredLevel[at(1000)], 76.0, 0.1);
    EXPECT_NEAR(record->toneLevel[1][0].measuredLevel[at(8000)], 87.0, 0.1);
    EXPECT_EQ(record->statusOf(MeasurementKind::HearingLevel, TransducerType::SupraAural), 1);
}

TEST_F(HearingLevelPageFixture, BuildingThePageSetPutsTheMeterDisplayInItsView)
{
    PageRegistry registry;
    registerHearingLevelPage(registry);
    QuietHost host;
    MeasurementRun run({technician, clock, preferences}, registry, host, *record);
    run.AttachMeter(&link, &files);
    ASSERT_EQ(simulator.meter().displayView(), 0);

    run.Open(MeasurementEntry::HearingLevel, TransducerType::SupraAural, Ear::Left);
    EXPECT_EQ(simulator.meter().displayView(), KeySimulator::kHearingLevelView);
    EXPECT_EQ(preferences.read(preference::LastFm), KeySimulator::kHearingLevelView);

    const int commands = simulator.meter().commandsReceived();
    run.ChooseEar(Ear::Right);
    EXPECT_EQ(simulator.meter().commandsReceived(), commands) << "an ear change presses no keys";

    // The FM test is on the same page: building its set again consults the remembered view.
    run.ChooseMeasurement(MeasurementEntry::FrequencyModulation);
    EXPECT_EQ(simulator.meter().displayView(), KeySimulator::kPulseView);
}

namespace {

class WatchingHost final : public RunHost
{
public:
    bool SaveRecord() override { return true; }
    bool AskSaveData() override { return false; }
    void RecordChanged(bool) override {}
    void ReturnToSummary() override { ++summaries; }
    void OpenAdjust(MeasurementEntry) override { ++adjusts; }
    void BusyChanged(bool busy) override { busyChanges << busy; }
    void PageShown() override { ++pagesShown; }
    void PageListChanged() override { ++listChanges; }

    int summaries = 0;
    int adjusts = 0;
    QList<bool> busyChanges;
    int pagesShown = 0;
    int listChanges = 0;
};

} // namespace

TEST_F(HearingLevelPageFixture, ClicksWhileThePageMeasuresAreRefusedAndTheMeasurementFinishes)
{
    PageRegistry registry;
    registerHearingLevelPage(registry);
    WatchingHost host;
    MeasurementRun run({technician, clock, preferences}, registry, host, *record);
    run.AttachMeter(&link, &files);
    run.Open(MeasurementEntry::HearingLevel, TransducerType::SupraAural, Ear::Left);
    ASSERT_EQ(host.pagesShown, 1);
    ASSERT_FALSE(run.busy());
    const MeasurementPage *measuring = run.page();
    host.busyChanges.clear();

    bool busyAtThePrompt = false;
    int rowsShownBeforeTheSecond = 0;
    technician.whenPrompted("Set 70 dBHL Left at 8000 Hz",
                            [&] { rowsShownBeforeTheSecond = host.listChanges; });
    technician.whenPrompted("Set 70 dBHL Left at 1000 Hz", [&] {
        busyAtThePrompt = run.busy();
        run.NextTest();
        run.ChooseMeasurement(MeasurementEntry::HarmonicDistortion);
        run.ChooseTransducerPosition(1);
        run.ChooseEar(Ear::Right);
        run.Adjust();
        EXPECT_FALSE(run.Save());
        EXPECT_EQ(run.MeasureAll(), measure::kNotStarted);
        run.Ok();
        run.Cancel();
    });
    technician.expectAskToSet("Set 70 dBHL Left at 1000 Hz", Answer::Ok)
        .expectAskToSet("Set 70 dBHL Left at 8000 Hz", Answer::Ok);

    EXPECT_EQ(run.MeasureAll(), measure::kDone);
    EXPECT_TRUE(busyAtThePrompt);
    EXPECT_FALSE(run.busy());
    EXPECT_EQ(host.busyChanges, QList<bool>({true, false}));
    EXPECT_TRUE(run.isOpen());
    EXPECT_EQ(run.page(), measuring);
    EXPECT_EQ(run.measurement(), MeasurementEntry::HearingLevel);
    EXPECT_EQ(run.transducer(), TransducerType::SupraAural);
    EXPECT_EQ(run.ear(), Ear::Left);
    EXPECT_EQ(host.summaries, 0);
    EXPECT_EQ(host.adjusts, 0);
    EXPECT_EQ(host.pagesShown, 1);
    EXPECT_EQ(rowsShownBeforeTheSecond, 1) << "the 1000 Hz reading is shown while 8000 Hz is asked for";
    EXPECT_GE(host.listChanges, 2);
    EXPECT_NEAR(record->toneLevel[0][0].measuredLevel[at(8000)], 70 + 13, 0.1);
    technician.verifyDone();

    // Once the page is done the same click goes through.
    run.NextTest();
    EXPECT_EQ(run.measurement(), MeasurementEntry::FrequencyAccuracy);
    EXPECT_EQ(host.pagesShown, 2);
}

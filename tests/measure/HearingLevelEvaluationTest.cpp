#include "measure/HearingLevelEvaluation.h"

#include "HearingLevelRecord.h"
#include "measure/CouplerCorrection.h"
#include "measure/FrequencyConsensus.h"
#include "measure/FrequencyModulationAverage.h"
#include "measure/HearingLevelPrompts.h"

#include <gtest/gtest.h>

using namespace tonva;
using namespace tonva::test;

namespace {

constexpr auto kSupraAural = TransducerType::SupraAural;

HearingLevelList listOf(AudTestRecord &record, HearingLevelMode mode, bool corrections = false,
                        UndefinedReferenceWarning *warning = nullptr)
{
    return buildHearingLevelList(record.setup, kSupraAural, toneResultBlocks(record, kSupraAural, 0), mode,
                                 corrections, warning);
}

} // namespace

TEST(HearingLevelList, LevelWithinThreeDecibelsUpTo5000HzAndFiveAbove)
{
    auto record = hearingLevelRecord({1000, 2000, 8000});
    ToneLevelResult &tone = record->toneLevel[0][0];
    // TDH 39: RETSPL 7 dB at 1000 Hz, 9 at 2000, 13 at 8000; the dial is at 70 dB HL.
    tone.measuredLevel[at(1000)] = 80.0f;
    tone.measuredLevel[at(2000)] = 82.1f;
    tone.measuredLevel[at(8000)] = 88.0f;
    HearingLevelList list = listOf(*record, HearingLevelMode::HearingLevel);

    EXPECT_EQ(list.columns,
              QStringList({"Frequency", "Measured SPL", "Hearing Level", "Deviation", "Target SPL"}));
    ASSERT_EQ(list.rows.size(), 3u);
    EXPECT_EQ(list.rows[0].cells, QStringList({"1000", "80.0", "73.0", "3.0", "74.0 to 80.0"}));
    EXPECT_EQ(list.rows[0].verdict, RowVerdict::Passed);
    EXPECT_EQ(list.rows[1].cells[3], "3.1");
    EXPECT_EQ(list.rows[1].verdict, RowVerdict::Failed);
    EXPECT_EQ(list.rows[2].cells, QStringList({"8000", "88.0", "75.0", "5.0", "78.0 to 88.0"}));
    EXPECT_EQ(list.rows[2].verdict, RowVerdict::Passed);
    EXPECT_EQ(list.pageResult(), -1);

    tone.measuredLevel[at(2000)] = 76.0f; // exactly 3 dB low
    EXPECT_EQ(listOf(*record, HearingLevelMode::HearingLevel).pageResult(), 1);
}

TEST(HearingLevelList, TenDecibelsOrLessIsNotMeasured)
{
    auto record = hearingLevelRecord({500, 1000});
    record->toneLevel[0][0].measuredLevel[at(500)] = 10.0f;
    HearingLevelList list = listOf(*record, HearingLevelMode::HearingLevel, true);

    EXPECT_EQ(list.columns.mid(5), QStringList({"RETSPL", "HL Low", "HL High"}));
    EXPECT_EQ(list.rows[0].cells,
              QStringList({"500", "----", "----", "----", "78.5 to 84.5", "----", "----", "----"}));
    EXPECT_EQ(list.rows[0].verdict, RowVerdict::NotMeasured);
    EXPECT_EQ(list.pageResult(), 0);

    record->toneLevel[0][0].measuredLevel[at(1000)] = 77.0f;
    list = listOf(*record, HearingLevelMode::HearingLevel, true);
    EXPECT_EQ(list.rows[1].cells.mid(5), QStringList({"7.0", "-3.0", "3.0"}));
    EXPECT_EQ(list.pageResult(), 1);
}

TEST(HearingLevelList, NarrowBandAllowsThreeLowAndFiveHighUpTo8000Hz)
{
    auto record = hearingLevelRecord({1000, 2000, 8000, 9000});
    NarrowBandResult &band = record->narrowBand[0][0];
    // Narrow-band reference at 1000 Hz: 7 + 6 = 13 dB; at 2000 Hz 9 + 6 = 15; dial 60 dB HL.
    band.measuredLevel[at(1000)] = 77.0f;
    band.measuredLevel[at(2000)] = 71.5f;
    HearingLevelList list = listOf(*record, HearingLevelMode::NarrowBand, true);

    ASSERT_EQ(list.rows.size(), 3u) << "9000 Hz has no narrow-band test";
    EXPECT_EQ(list.rows[0].cells,
              QStringList({"1000", "77.0", "64.0", "4.0", "70.0 to 78.0", "13.0", "-3.0", "5.0"}));
    EXPECT_EQ(list.rows[0].verdict, RowVerdict::Passed);
    EXPECT_EQ(list.rows[1].cells[3], "-3.5");
    EXPECT_EQ(list.rows[1].verdict, RowVerdict::Failed);
    EXPECT_EQ(list.pageResult(), -1);
}

TEST(FrequencyList, ToleranceFollowsTheAudiometerType)
{
    auto typeThree = hearingLevelRecord({1000, 2000}, "3");
    typeThree->toneLevel[0][0].measuredFrequency[at(1000)] = 1019.0f;
    typeThree->toneLevel[0][0].measuredFrequency[at(2000)] = 2042.0f;
    HearingLevelList list = listOf(*typeThree, HearingLevelMode::Frequency, true);
    EXPECT_EQ(list.columns, QStringList({"Dial Frequency", "Measured Frequency", "Deviation",
                                         "Target Frequency", "% Freq."}));
    EXPECT_EQ(list.rows[0].cells, QStringList({"1000", "1019.0", "19.0", "980.0 to 1020.0", "1.9%"}));
    EXPECT_EQ(list.rows[0].verdict, RowVerdict::Passed);
    EXPECT_EQ(list.rows[1].verdict, RowVerdict::Failed);

    typeThree->toneLevel[0][0].measuredFrequency[at(1000)] = 1021.0f;
    EXPECT_EQ(listOf(*typeThree, HearingLevelMode::Frequency).rows[0].verdict, RowVerdict::Failed);

    auto typeOne = hearingLevelRecord({1000}, "1");
    typeOne->toneLevel[0][0].measuredFrequency[at(1000)] = 1011.0f;
    list = listOf(*typeOne, HearingLevelMode::Frequency);
    EXPECT_EQ(list.rows[0].cells, QStringList({"1000", "1011.0", "11.0", "990.0 to 1010.0"}));
    EXPECT_EQ(list.rows[0].verdict, RowVerdict::Failed);
    typeOne->toneLevel[0][0].measuredFrequency[at(1000)] = 1010.0f;
    EXPECT_EQ(listOf(*typeOne, HearingLevelMode::Frequency).pageResult(), 1);
}

TEST(ModulationList, FailingValuesAreShownInParentheses)
{
    auto record = hearingLevelRecord({1000, 2000, 4000});
    FrequencyModulationResult &fm = record->frequencyModulation[0][0];
    const auto put = [&](double hertz, float carrier, float lowest, float highest, float rate) {
        fm.carrier[at(hertz)] = carrier;
        fm.lowest[at(hertz)] = lowest;
        fm.highest[at(hertz)] = highest;
        fm.rate[at(hertz)] = rate;
    };
    put(1000, 1031.0f, 979.0f, 1082.1f, 5.0f);  // 10 % swing, carrier 3.1 % high
    put(2000, 2000.0f, 1900.0f, 2100.0f, 5.6f); // rate 12 % fast
    HearingLevelList list = listOf(*record, HearingLevelMode::FrequencyModulation);

    EXPECT_EQ(list.columns, QStringList({"Dial Freq.", "Carrier Freq.", "ANSI Limits +/-3%", "Min", "Max",
                                         "Rep. rate", "Deviation"}));
    EXPECT_EQ(list.rows[0].cells,
              QStringList({"1000", "(1031.0)", "970.0 to 1030.0", "979.0", "1082.1", "5.00", "10.0%"}));
    EXPECT_EQ(list.rows[0].verdict, RowVerdict::Failed);
    EXPECT_EQ(list.rows[1].cells[5], "(5.60)");
    EXPECT_EQ(list.rows[1].cells[6], "10.0%");
    EXPECT_EQ(list.rows[2].cells,
              QStringList({"4000", "----", "3880.0 to 4120.0", "----", "----", "----", "----"}));

    put(1000, 1000.0f, 940.0f, 1060.0f, 5.0f); // 12 % swing against a stated 10 %
    list = listOf(*record, HearingLevelMode::FrequencyModulation);
    EXPECT_EQ(list.rows[0].cells[1], "1000.0");
    EXPECT_EQ(list.rows[0].cells[6], "(12.0%)");
}

TEST(CouplerCorrection, MicrophoneOfTheEarphonesCouplerAndGridAbove8000HzForCircumaural)
{
    auto record = hearingLevelRecord({});
    TestSetup &setup = record->setup;
    setup.couplerMicrophone[2].response[at(1000)] = 0.4f; // Kestin, TDH 39
    setup.couplerMicrophone[1].response[at(8000)] = 0.5f; // Lorvat, HDA200
    setup.couplerMicrophone[1].response[at(9000)] = 0.7f;
    setup.couplerMicrophone[1].gridCorrection[0] = 1.5f;  // 9000 Hz
    setup.couplerMicrophone[1].gridCorrection[13] = 2.0f; // 20000 Hz

    EXPECT_FLOAT_EQ(couplerCorrection(setup, TransducerType::SupraAural, at(1000)), 0.4f);
    EXPECT_FLOAT_EQ(couplerCorrection(setup, TransducerType::Circumaural, at(8000)), 0.5f);
    EXPECT_FLOAT_EQ(couplerCorrection(setup, TransducerType::Circumaural, at(9000)), 2.2f);
    EXPECT_FLOAT_EQ(couplerCorrection(setup, TransducerType::Circumaural, at(20000)), 2.0f);
    EXPECT_FLOAT_EQ(couplerCorrection(setup, TransducerType::Speakers, at(1000)), 0.0f);
    EXPECT_FALSE(gridCorrectionsMissing(setup.couplerMicrophone[1]));
    EXPECT_TRUE(gridCorrectionsMissing(setup.couplerMicrophone[2]));

    setup.supraAural.couplerCode = 9; // a damaged record
    EXPECT_EQ(couplerMicrophone(setup, TransducerType::SupraAural), nullptr);
    EXPECT_FLOAT_EQ(couplerCorrection(setup, TransducerType::SupraAural, at(1000)), 0.0f);
}

TEST(CouplerCorrection, GridQuestionNamesTheMicrophone)
{
    MicrophoneSlot microphone;
    setFixedText(microphone.identity.manufacturer, "Mervane Acoustics");
    setFixedText(microphone.identity.model, "TMC-40");
    setFixedText(microphone.identity.serialNumber, "A17");
    EXPECT_EQ(
        missingGridQuestion(microphone),
        "No grid corrections have been entered for the Lorvat Mic microphone\n(Mervane Acoustics TMC-40 S/N "
        "A17)\n\nPress OK to continue the measurement anyway.");
    setFixedText(microphone.identity.manufacturer, "Other %1");
    EXPECT_TRUE(missingGridQuestion(microphone)
                    .startsWith("No grid corrections have been entered for the IEC 318 "
                                "microphone\n(Other %1 TMC-40"));
}

TEST(FrequencyConsensus, ThreeEqualWholeHertzInARowSettle)
{
    FrequencyConsensus consensus(1000.0);
    EXPECT_EQ(consensus.add(1000.2), FrequencyConsensus::Outcome::NeedMore);
    EXPECT_EQ(consensus.add(1500.0), FrequencyConsensus::Outcome::NeedMore) << "far off: skipped";
    EXPECT_EQ(consensus.add(1000.9), FrequencyConsensus::Outcome::NeedMore);
    EXPECT_EQ(consensus.add(1000.4), FrequencyConsensus::Outcome::Settled);
    EXPECT_DOUBLE_EQ(consensus.result(), 1000.4);
}

TEST(FrequencyConsensus, AFarOffToneIsAcceptedEveryTwentyFirstReading)
{
    FrequencyConsensus consensus(1000.0);
    int reads = 0;
    while (consensus.add(1300.0) == FrequencyConsensus::Outcome::NeedMore)
        ++reads;
    EXPECT_EQ(reads + 1, 3 * (FrequencyConsensus::kSkipsBeforeAccepting + 1));
    EXPECT_DOUBLE_EQ(consensus.result(), 1300.0);
}

TEST(FrequencyConsensus, GarbledHugeReadingsDoNotPassForOneFrequency)
{
    FrequencyConsensus consensus(1000.0);
    for (double reading : {1e300, 2e300, 3e300}) {
        for (int i = 0; i <= FrequencyConsensus::kSkipsBeforeAccepting; ++i)
            ASSERT_EQ(consensus.add(reading), FrequencyConsensus::Outcome::NeedMore);
    }
}

TEST(FrequencyConsensus, SevenReadingsDecideByMajorityOrGiveUp)
{
    FrequencyConsensus majority(1000.0);
    for (double reading : {1001.0, 1002.0, 1001.5, 1003.0, 1002.2, 1004.0})
        ASSERT_EQ(majority.add(reading), FrequencyConsensus::Outcome::NeedMore);
    EXPECT_EQ(majority.add(1001.7), FrequencyConsensus::Outcome::Settled);
    EXPECT_DOUBLE_EQ(majority.result(), 1001.0) << "the first reading of the agreeing whole hertz";

    FrequencyConsensus scattered(1000.0);
    for (double reading : {1001.0, 1002.0, 1003.0, 1004.0, 1005.0, 1006.0})
        scattered.add(reading);
    EXPECT_EQ(scattered.add(1007.0), FrequencyConsensus::Outcome::Inconsistent);
    EXPECT_EQ(scattered.result(), 0.0);
    EXPECT_EQ(scattered.inconsistencyMessage(),
              "Unable to get a consistent frequency reading.\nThese are the frequencies that were read in 5 "
              "tries:\n     1001.0\n     1002.0\n     1003.0\n     1004.0\n     1005.0\n");
}

TEST(FmReadingSet, AveragesOnlyReadingsThatAgree)
{
    FmReadingSet set;
    set.set(0, {1000.0, 950.0, 1050.0, 5.00, 2, 10});
    set.set(1, {1010.0, 960.0, 1065.0, 5.05, 2, 11});
    set.set(2, {1005.0, 955.0, 1055.0, 5.10, 2, 12});
    ASSERT_TRUE(set.agree());
    const FmValues mean = set.mean();
    EXPECT_DOUBLE_EQ(mean.carrier, 1005.0);
    EXPECT_DOUBLE_EQ(mean.highest, 1056.6666666666667);
    EXPECT_NEAR(mean.rate, 5.05, 1e-12);
    EXPECT_EQ(mean.statusB, 12);

    set.set(2, {1005.0, 955.0, 1066.0, 5.10, 2, 12}); // highest spread 16 Hz
    EXPECT_FALSE(set.agree());
    set.set(2, {1005.0, 955.0, 1055.0, 5.11, 2, 12}); // rate spread 0.11 Hz
    EXPECT_FALSE(set.agree());
}

TEST(HearingLevelPrompts, TextsKeepTheirBlanksAndLineBreaks)
{
    using namespace hearingprompt;
    const QString tone = toneStimulus(70, Ear::Right, 1000.0);
    EXPECT_EQ(setPrompt(HearingLevelMode::HearingLevel, tone, Ear::Right, 1000.0),
              "Set 70 dBHL Right at 1000 Hz");
    const QString narrow = narrowBandStimulus(60, Ear::Both, 500.0);
    EXPECT_EQ(setPrompt(HearingLevelMode::NarrowBand, narrow, Ear::Both, 500.0),
              "Set  NB 60 dBHL Both at 500 Hz");
    EXPECT_EQ(setPrompt(HearingLevelMode::FrequencyModulation, {}, Ear::Left, 8000.0),
              "Set FM 90 dBHL (or max level) Left at 8000 Hz (make sure the Trellan readings are steady)");
    EXPECT_EQ(
        levelTooLow(Run::All, HearingLevelMode::HearingLevel, 8.25, 1000.0, tone),
        "Measured SPL was too low (8.2 dB).\n\nWould you like to measure again at 1000 Hz?\n(Please check "
        "the "
        "audiometer to make sure the signal is on\nand that it is set to 70 dBHL Right at 1000 Hz.\nAlso "
        "check "
        "the Trellan to make sure it is measuring data.)\n\nClick Yes to re-measure at this "
        "frequency.\nClick "
        "No to go on to the next frequency (if there is one).\nClick Cancel to cancel the measurement.");
    EXPECT_TRUE(levelTooLow(Run::Selected, HearingLevelMode::NarrowBand, 5.0, 500.0, narrow)
                    .contains("set to  NB 60 dBHL Both at 500 Hz.\n"));
    EXPECT_EQ(unstableLevel(Run::Selected, 1.234, 250.0),
              "Failed to get a stable reading. High - Low = 1.23\nWould you like to measure again at 250 "
              "Hz?\nClick "
              "Yes to re-measure at this frequency.\nClick No to cancel the measurement.");
    EXPECT_TRUE(frequencyTooLow(Run::Selected, 0.0, 1000.0, frequencyStimulus(Ear::Left, 1000.0))
                    .contains("set to  80 dBHL (or max level) Left at 1000 Hz.\n"));
    EXPECT_TRUE(
        frequencyUnreadable(Run::All, 1000.0, frequencyStimulus(Ear::Left, 1000.0))
            .startsWith("Unable to read the Frequency.Would you like to measure again at 1000 Hz?\n(Please"));
}

#include "MeterRig.h"
#include "SignalQualityBench.h"
#include "measure/DistortionTest.h"
#include "meter/ComPort.h"
#include "meter/MeterStatus.h"
#include "meter/SlmFileList.h"
#include "sim/BuiltInSimulator.h"
#include "sim/SimulatedTechnician.h"
#include "support/ScriptedInteraction.h"

#include <QRegularExpression>
#include <cmath>

namespace tonva::test {
namespace {

constexpr int k1000Hz = 12;
// The meter prints relative levels to 0.1 dB over its own reading noise of up to 0.1 dB.
constexpr double kRelativeLevelDb = 0.15;

DistortionList listOf(const AudTestRecord &record, int channel, TransducerType transducer)
{
    const auto conduction =
        transducer == TransducerType::BoneVibrator ? DistortionConduction::Bone : DistortionConduction::Air;
    return buildDistortionList(record.setup, record.distortion[channel][static_cast<int>(transducer)], conduction);
}

// Frequencies of the failed rows, and the failing cells of each as "column" names.
std::vector<std::pair<int, QStringList>> failures(const DistortionList &list)
{
    std::vector<std::pair<int, QStringList>> failed;
    for (const DistortionRow &row : list.rows) {
        if (row.verdict != ResultStatus::Failed)
            continue;
        QStringList columns;
        for (int c = 0; c < row.cells.size(); ++c) {
            if (row.cells[c].startsWith(QLatin1Char('(')))
                columns << list.columns[c];
        }
        failed.emplace_back(row.frequencyIndex, columns);
    }
    return failed;
}

struct DistortionBench : SignalQualityBench
{
    using SignalQualityBench::SignalQualityBench;

    int measure(TransducerType transducer, Ear ear)
    {
        registerDistortionPages(pages);
        return measureAll(pages, MeasurementEntry::HarmonicDistortion, transducer, ear);
    }
    PageRegistry pages;
};

void measureBothEarsAndTheBoneVibratorAndExpectEveryRowPassed(DistortionBench &bench)
{
    for (const Ear ear : {Ear::Left, Ear::Right})
        EXPECT_EQ(bench.measure(TransducerType::SupraAural, ear), measure::kDone);
    EXPECT_EQ(bench.measure(TransducerType::BoneVibrator, Ear::Left), measure::kDone);

    for (const auto &[channel, transducer] : {std::pair{0, TransducerType::SupraAural},
                                              {1, TransducerType::SupraAural},
                                              {0, TransducerType::BoneVibrator}}) {
        const DistortionList list = listOf(*bench.record, channel, transducer);
        ASSERT_FALSE(list.rows.empty());
        for (const DistortionRow &row : list.rows)
            EXPECT_EQ(row.verdict, ResultStatus::Passed) << row.cells.join(QLatin1Char('|')).toStdString();
    }
}

TEST(DistortionTruth, GoodAudiometerPassesEveryRowOnBothSidesAndTheBoneVibrator)
{
    DistortionBench bench(QStringLiteral("good"));
    measureBothEarsAndTheBoneVibratorAndExpectEveryRowPassed(bench);
    EXPECT_EQ(bench.record->statusOf(MeasurementKind::HarmonicDistortion, TransducerType::SupraAural), 1);
    EXPECT_EQ(bench.record->statusOf(MeasurementKind::HarmonicDistortion, TransducerType::BoneVibrator), 1);

    // The stored 2nd harmonic is the profile's -55 dB below the fundamental.
    const DistortionResult &left = bench.record->distortion[0][0];
    EXPECT_NEAR(left.harmonicLevel[0][k1000Hz] - left.fundamentalLevel[k1000Hz], -55.0, kRelativeLevelDb);
    EXPECT_NEAR(left.measuredFrequency[k1000Hz], 1001.0, 0.5);
    EXPECT_TRUE(bench.bench->technician().unknownQuestions().isEmpty())
        << bench.bench->technician().unknownQuestions().join(QLatin1Char('\n')).toStdString();
}

// Every frequency's first fundamental-level query goes unanswered, as a reply lost or late on a poor
// cable does; the technician's OK at the recovery prompt lets the next one through.
void loseTheFirstReplyAfterEverySetting(SimulatedTechnician &technician, LineFaults &faults, const char *command)
{
    technician.setEcho([&faults, command](const QString &line) {
        if (line.startsWith(QLatin1String("[set] ")))
            faults.overrideCommand(command);
        else if (line.contains(QLatin1String("Communication with the Trellan failed")))
            faults.clearOverrides();
    });
}

TEST(DistortionOnAFlakyLine, AFrequencyWhoseReplyIsLostIsReadAgainAndEveryRowStillPasses)
{
    DistortionBench bench(QStringLiteral("good"));
    SimulatedTechnician &technician = bench.bench->technician();
    loseTheFirstReplyAfterEverySetting(technician, bench.bench->meter().simulator()->meter().faults(), "R241,256");
    measureBothEarsAndTheBoneVibratorAndExpectEveryRowPassed(bench);
    const qsizetype settings = technician.transcript().filter(QRegularExpression(QStringLiteral("^\\[set\\] "))).size();
    EXPECT_GT(settings, 10);
    EXPECT_EQ(technician.transcript().filter(QStringLiteral("Communication with the Trellan failed")).size(), settings);
    EXPECT_EQ(technician.givenUp(), 0) << technician.transcript().join(QLatin1Char('\n')).toStdString();
}

TEST(DistortionTruth, FaultyDistortionFailsOnly1000HzOnTheSecondHarmonicAndThd)
{
    DistortionBench bench(QStringLiteral("faulty-distortion"));
    EXPECT_EQ(bench.measure(TransducerType::SupraAural, Ear::Left), measure::kDone);
    EXPECT_EQ(bench.measure(TransducerType::BoneVibrator, Ear::Left), measure::kDone);

    const auto failed = failures(listOf(*bench.record, 0, TransducerType::SupraAural));
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].first, k1000Hz);
    EXPECT_EQ(failed[0].second, (QStringList{"2nd Harmonic", "THD"}));
    const DistortionResult &left = bench.record->distortion[0][0];
    EXPECT_NEAR(left.harmonicLevel[0][k1000Hz] - left.fundamentalLevel[k1000Hz], -31.0, kRelativeLevelDb);
    EXPECT_EQ(bench.record->statusOf(MeasurementKind::HarmonicDistortion, TransducerType::SupraAural), -1);
    // The fault belongs to the earphone; the bone vibrator is as good as ever.
    EXPECT_EQ(bench.record->statusOf(MeasurementKind::HarmonicDistortion, TransducerType::BoneVibrator), 1);
}

TEST(DistortionBoneConditions, AMervaneMastoidAsksForTheRoomOncePerTestAndCancelStops)
{
    DistortionBench bench(QStringLiteral("good"), {500, 1000, 2000});
    SimulatedTechnician &technician = bench.bench->technician();
    TestSetup &setup = bench.record->setup;
    // A stored temperature no room has: the typical room is proposed and accepted as it stands.
    setup.temperature = 35.0f;
    setup.humidity = 80;
    setup.pressure = 700.0f;
    registerDistortionPages(bench.pages);
    EXPECT_EQ(bench.measureAll(bench.pages, MeasurementEntry::HarmonicDistortion, TransducerType::BoneVibrator,
                               Ear::Left),
              measure::kDone);
    EXPECT_EQ(technician.conditionsAsked(), 1) << "asked once, not before every frequency";
    EXPECT_FLOAT_EQ(setup.temperature, 23.0f);
    EXPECT_EQ(setup.humidity, 50);
    EXPECT_FLOAT_EQ(setup.pressure, 760.0f);
    // Measuring again in the same open test does not ask again.
    bench.run->Open(MeasurementEntry::HarmonicDistortion, TransducerType::BoneVibrator, Ear::Left);
    EXPECT_EQ(bench.run->MeasureAll(), measure::kDone);
    EXPECT_EQ(technician.conditionsAsked(), 1);

    // Another test: what the technician types is stored; a stored temperature in range is proposed.
    technician.setRoomConditions(TestConditions{21.5f, 29.9f, 40});
    bench.measure(TransducerType::BoneVibrator, Ear::Left);
    EXPECT_EQ(technician.conditionsAsked(), 2);
    EXPECT_FLOAT_EQ(setup.temperature, 21.5f);
    EXPECT_EQ(setup.humidity, 40);
    EXPECT_FLOAT_EQ(setup.pressure, 29.9f);

    // A refused dialog is a Cancel: nothing is set or measured and the stored values stay.
    technician.setRoomConditions(TestConditions{21.5f, 29.9f, 150});
    const qsizetype prompts = technician.transcript().filter(QStringLiteral("Set ")).size();
    EXPECT_EQ(bench.measure(TransducerType::BoneVibrator, Ear::Left), measure::kCancelled);
    EXPECT_EQ(technician.conditionsAsked(), 3);
    EXPECT_EQ(technician.transcript().filter(QStringLiteral("Set ")).size(), prompts);
    EXPECT_EQ(setup.humidity, 40);
}

TEST(DistortionBoneConditions, OtherMastoidsAndTheAirPageNeverAsk)
{
    DistortionBench bench(QStringLiteral("good"), {1000});
    // Another maker whose mastoid sits on a level coupler too, so the equipment check passes.
    setFixedText(bench.record->setup.mastoid.identity.manufacturer, "Maxton");
    bench.record->setup.temperature = 35.0f;
    EXPECT_EQ(bench.measure(TransducerType::BoneVibrator, Ear::Left), measure::kDone);
    setFixedText(bench.record->setup.mastoid.identity.manufacturer, "Mervane");
    EXPECT_EQ(bench.measure(TransducerType::SupraAural, Ear::Left), measure::kDone);
    EXPECT_EQ(bench.bench->technician().conditionsAsked(), 0);
    EXPECT_FLOAT_EQ(bench.record->setup.temperature, 35.0f);
}

// The air page on the built-in meter; the scene plays whatever tone the test puts there.
class DistortionPageFixture : public ::testing::Test, protected MeterRig
{
protected:
    void SetUp() override { ASSERT_EQ(port.Open(), 0); }

    std::unique_ptr<DistortionTest> page(TransducerType transducer = TransducerType::SupraAural)
    {
        return MeterRig::page<DistortionTest>(MeasurementEntry::HarmonicDistortion, transducer);
    }
    void play(double splDb, std::array<double, 4> harmonics = {-50.0, -60.0, -70.0, -80.0})
    {
        PureTone tone;
        tone.frequencyHz = 1000.0;
        tone.splDb = splDb;
        tone.harmonicsDb = harmonics;
        simulator.scene().setSound(tone);
    }

    const QString setAt1000 = QStringLiteral("Set 110 dBHL or max level Left (whichever is lower) at 1000 Hz");
};

TEST_F(DistortionPageFixture, AHarmonicTheMeterCannotComputeFailsTheRowInsteadOfLeavingItBlankOrStale)
{
    // An earlier clean reading; the overloaded input leaves the meter unable to analyse the new one.
    DistortionResult &stored = record->distortion[0][0];
    stored.measuredFrequency[k1000Hz] = 1000.0f;
    stored.fundamentalLevel[k1000Hz] = 100.0f;
    stored.harmonicLevel[0][k1000Hz] = 50.0f;
    play(150.0);
    auto test = page();
    technician.expectAskToSet(setAt1000, Answer::Ok)
        .expectAskStartingWith("The Trellan is unable to calculate the harmonics.\nThis may be because", Answer::No);

    EXPECT_EQ(test->MeasureAll(), measure::kDone);
    EXPECT_EQ(stored.harmonicLevel[0][k1000Hz], kHarmonicsNotComputed);
    ASSERT_EQ(test->List().rows.size(), 1);
    EXPECT_EQ(test->List().rows[0][3], "(----)");
    EXPECT_EQ(test->List().verdict(0), ResultStatus::Failed);
    EXPECT_EQ(test->Collect(), -1);
}

TEST_F(DistortionPageFixture, ARemeasureThatFindsNoFundamentalLeavesTheRowUnmeasured)
{
    DistortionResult &stored = record->distortion[0][0];
    stored.measuredFrequency[k1000Hz] = 1000.0f;
    stored.fundamentalLevel[k1000Hz] = 100.0f;
    auto test = page();
    ASSERT_EQ(test->List().verdict(0), ResultStatus::Passed);
    technician.expectAskToSet(setAt1000, Answer::Ok)
        .expectMessageStartingWith("Problems measuring the fundamental frequency.\nThe fundamental frequency is too low");

    EXPECT_EQ(test->MeasureAll(), measure::kCancelled);
    EXPECT_EQ(stored.fundamentalLevel[k1000Hz], 0.0f);
    EXPECT_EQ(test->List().verdict(0), ResultStatus::NotJudged);
}

TEST_F(DistortionPageFixture, CancelKeepsEarlierValuesAndOldFirmwareMeasuresNothing)
{
    DistortionResult &stored = record->distortion[0][0];
    stored.fundamentalLevel[k1000Hz] = 100.0f;
    play(117.0);
    auto test = page();
    technician.expectAskToSet(setAt1000, Answer::Cancel);
    EXPECT_EQ(test->MeasureAll(), measure::kCancelled);

    technician.cancelProgressAfterChecks(2);
    technician.expectAskToSet(setAt1000, Answer::Ok);
    EXPECT_EQ(test->MeasureAll(), measure::kCancelled);
    EXPECT_EQ(stored.fundamentalLevel[k1000Hz], 100.0f) << "a cancelled reading restores the row";
    technician.verifyDone();
}

TEST_F(DistortionPageFixture, AMeterThatStopsAnsweringEndsTheRunAfterAFewRecoveriesOrAtCancel)
{
    DistortionResult &stored = record->distortion[0][0];
    stored.fundamentalLevel[k1000Hz] = 100.0f;
    play(117.0);
    simulator.meter().faults().overrideCommand("R241");
    const QString failed = QStringLiteral("Communication with the Trellan failed.");
    auto test = page();
    // However patiently the technician presses OK, the run ends with the meter's error.
    technician.expectAskToSet(setAt1000, Answer::Ok);
    for (int attempt = 0; attempt < DistortionTest::kReadAttempts; ++attempt)
        technician.expectAskStartingWith(failed, Answer::Ok);
    EXPECT_EQ(test->MeasureAll(), meter::kNoReply);
    technician.verifyDone();
    EXPECT_EQ(stored.fundamentalLevel[k1000Hz], 100.0f) << "a failed reading restores the row";

    // Cancel at the recovery prompt stops at once.
    technician.expectAskToSet(setAt1000, Answer::Ok).expectAskStartingWith(failed, Answer::Ok);
    technician.expectAskStartingWith(failed, Answer::Cancel);
    EXPECT_EQ(test->MeasureAll(), measure::kCancelled);
    technician.verifyDone();
}

TEST_F(DistortionPageFixture, CircumauralEarphonesWithoutGridCorrectionsAskBeforeMeasuring)
{
    auto test = page(TransducerType::Circumaural);
    technician.expectAskStartingWith("No grid corrections have been entered for the", Answer::Cancel);
    EXPECT_EQ(test->MeasureAll(), measure::kCancelled);
    technician.verifyDone();
}

TEST(DistortionFirmware, FirmwareBelow35IsRefusedWithItsRevision)
{
    TrellanProfile trellan;
    trellan.firmware = QStringLiteral("2.100");
    MeterRig rig(trellan);
    ASSERT_EQ(rig.port.Open(), 0);
    auto test = rig.page<DistortionTest>(MeasurementEntry::HarmonicDistortion);
    rig.technician.expectMessage(
        "Unable to perform distortion measurements with the firmware revision in the Trellan (2.100).\n\nPlease "
        "upgrade the Trellan firmware to 3.5 or greater to perform distortion measurements.");
    EXPECT_EQ(test->MeasureAll(), measure::kNotStarted);
    rig.technician.verifyDone();
}

// A row as stored: fundamental 100 dB at `f`, each harmonic given relative to it (0 = not read).
DistortionResult rowWith(int f, std::array<double, 4> relativeDb, float thd = 0.0f)
{
    DistortionResult result;
    result.measuredFrequency[f] = static_cast<float>(nominalHz(f));
    result.fundamentalLevel[f] = 100.0f;
    for (int k = 0; k < 4; ++k)
        result.harmonicLevel[k][f] = relativeDb[k] == 0.0 ? 0.0f : static_cast<float>(100.0 + relativeDb[k]);
    result.thd[f] = thd;
    return result;
}

ResultStatus verdictOf(const DistortionResult &result, DistortionConduction conduction, double hertz)
{
    auto record = hearingLevelRecord({hertz});
    const DistortionList list = buildDistortionList(record->setup, result, conduction);
    return list.rows.empty() ? ResultStatus::NotApplicable : list.rows.front().verdict;
}

TEST(DistortionLimits, SecondHarmonicAtTheAirLimitPassesAndTheBoneLimitsAreWider)
{
    using C = DistortionConduction;
    // 34 dB down is 1.995 %, 33.9 dB down 2.018 %.
    EXPECT_EQ(verdictOf(rowWith(k1000Hz, {-34.0, 0, 0, 0}), C::Air, 1000), ResultStatus::Passed);
    EXPECT_EQ(verdictOf(rowWith(k1000Hz, {-33.9, 0, 0, 0}), C::Air, 1000), ResultStatus::Failed);
    // 4 % passes the bone vibrator's 5 %; 0.5 % of a 4th harmonic passes its 2 % but not air's 0.3 %.
    EXPECT_EQ(verdictOf(rowWith(k1000Hz, {-28.0, 0, 0, 0}), C::Bone, 1000), ResultStatus::Passed);
    EXPECT_EQ(verdictOf(rowWith(k1000Hz, {-60.0, -60.0, -46.0, 0}), C::Bone, 1000), ResultStatus::Passed);
    EXPECT_EQ(verdictOf(rowWith(k1000Hz, {-60.0, -60.0, -46.0, 0}), C::Air, 1000), ResultStatus::Failed);
    // THD: a stored 2.6 % fails air; bone ignores the stored value and sums the harmonics itself.
    EXPECT_EQ(verdictOf(rowWith(k1000Hz, {-60.0, 0, 0, 0}, 2.6f), C::Air, 1000), ResultStatus::Failed);
    EXPECT_EQ(verdictOf(rowWith(k1000Hz, {-60.0, 0, 0, 0}, 9.0f), C::Bone, 1000), ResultStatus::Passed);
}

TEST(DistortionLimits, OvertonesAreJudgedOnlyWhereTheMeterAnalysesThem)
{
    const int at6000 = frequencyIndex(6000);
    // A 3rd harmonic of 1 % fails at 1000 Hz; at 6000 Hz it lies beyond the analysis and is shown as
    // not measured.
    EXPECT_EQ(verdictOf(rowWith(k1000Hz, {-60.0, -40.0, 0, 0}), DistortionConduction::Air, 1000),
              ResultStatus::Passed);
    EXPECT_EQ(verdictOf(rowWith(k1000Hz, {-60.0, -60.0, -40.0, 0}), DistortionConduction::Air, 1000),
              ResultStatus::Failed);
    const DistortionResult high = rowWith(at6000, {-60.0, -30.0, -30.0, -30.0});
    EXPECT_EQ(verdictOf(high, DistortionConduction::Air, 6000), ResultStatus::Passed);
    auto record = hearingLevelRecord({6000});
    const DistortionList list = buildDistortionList(record->setup, high, DistortionConduction::Air);
    EXPECT_EQ(list.rows[0].cells.mid(4, 3), (QStringList{"----", "----", "----"}));
    EXPECT_EQ(list.rows[0].cells[7], "0.1");
}

TEST(DistortionLimits, MeterRepliesAreReadAsTheMeterMeansThem)
{
    EXPECT_NEAR(*relativeLevelOf("-05.3"), -105.3, 1e-9);
    EXPECT_NEAR(*relativeLevelOf(" -34.0"), -34.0, 1e-9);
    EXPECT_FALSE(relativeLevelOf(" --- "));
    // The bone page's deviation is THD less its 5.5 % limit.
    auto record = hearingLevelRecord({1000});
    const DistortionList bone =
        buildDistortionList(record->setup, rowWith(k1000Hz, {-40.0, 0, 0, 0}), DistortionConduction::Bone);
    EXPECT_EQ(bone.rows[0].cells[8], "-4.5");
    EXPECT_EQ(bone.columns.last(), "Max THD");
}

} // namespace
} // namespace tonva::test

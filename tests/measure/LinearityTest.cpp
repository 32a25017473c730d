#include "SimulatedAudiometerBench.h"
#include "support/CancelAtSet.h"
#include "support/ScriptedInteraction.h"
#include "measure/CouplerCorrection.h"
#include "measure/LinearityTest.h"
#include "platform/PreferenceIndex.h"

#include <cmath>
#include <gtest/gtest.h>

namespace tonva::test {
namespace {

constexpr double kRetspl1k = 7.5; // any reference level will do for the list alone

// A block measured at 1000 Hz whose level at each dial setting is the dial plus the reference.
LinearityResult exactBlock(int maximum, int step, int lowest)
{
    LinearityResult result;
    result.testFrequency = 1000.0f;
    result.maximumLevel = static_cast<std::int16_t>(maximum);
    result.dialStep = static_cast<std::int16_t>(step);
    for (int level = lowest; level <= maximum; level += step)
        result.measuredLevel[level] = static_cast<float>(level + kRetspl1k);
    return result;
}

const LinearityRow &rowAt(const LinearityList &list, int level)
{
    for (const LinearityRow &row : list.rows) {
        if (row.dialLevel == level)
            return row;
    }
    static const LinearityRow none;
    ADD_FAILURE() << "no row for " << level;
    return none;
}

TEST(LinearityEvaluation, StepToleranceDependsOnTheStepAndBoundsAreInclusive)
{
    struct Case
    {
        int step;
        double stepError;
        ResultStatus verdict;
    };
    for (const Case c : {Case{2, 0.3, ResultStatus::Passed}, Case{2, -0.3, ResultStatus::Passed},
                         Case{2, 0.4, ResultStatus::Failed}, Case{1, -0.35, ResultStatus::Failed},
                         Case{5, 1.0, ResultStatus::Passed}, Case{5, -1.0, ResultStatus::Passed},
                         Case{5, 1.1, ResultStatus::Failed}, Case{10, -1.05, ResultStatus::Failed}}) {
        SCOPED_TRACE(testing::Message() << "step " << c.step << ", off by " << c.stepError);
        LinearityResult result = exactBlock(60, c.step, 40);
        // Only the step into 60 is off; its hearing level stays well inside 2 dB.
        result.measuredLevel[60] += static_cast<float>(c.stepError);
        const LinearityList list = buildLinearityList(result, kRetspl1k);
        EXPECT_EQ(rowAt(list, 60).verdict, c.verdict);
        EXPECT_EQ(rowAt(list, 60 - c.step).verdict, ResultStatus::Passed);
        EXPECT_EQ(list.result, c.verdict == ResultStatus::Passed ? 1 : -1);
        const double tolerance = c.step < 5 ? 0.3 : 1.0;
        EXPECT_EQ(rowAt(list, 60).cells[6], QString::asprintf("%.1f to %.1f", c.step - tolerance, c.step + tolerance));
    }
}

TEST(LinearityEvaluation, HearingLevelMayLieUpToTwoDecibelsOffTheDial)
{
    for (const auto &[offset, verdict] : {std::pair{2.0, ResultStatus::Passed}, std::pair{-2.0, ResultStatus::Passed},
                                          std::pair{2.02, ResultStatus::Failed}, std::pair{-2.02, ResultStatus::Failed}}) {
        SCOPED_TRACE(offset);
        LinearityResult result = exactBlock(60, 5, 60);
        result.measuredLevel[60] += static_cast<float>(offset);
        const LinearityList list = buildLinearityList(result, kRetspl1k);
        EXPECT_EQ(rowAt(list, 60).verdict, verdict);
        // The only level read is the base of the series: no step to judge.
        EXPECT_EQ(rowAt(list, 60).cells[4], QStringLiteral("0.0"));
        EXPECT_EQ(rowAt(list, 60).cells[5], QStringLiteral("0.0"));
    }
}

TEST(LinearityEvaluation, UnstableOrMissingLevelsJudgeNothingAndFailNoNeighbour)
{
    LinearityResult result = exactBlock(110, 10, 60);
    result.measuredLevel[80] = linearity::kUnstable;
    result.measuredLevel[100] = 0.0f;
    const LinearityList list = buildLinearityList(result, kRetspl1k);

    EXPECT_EQ(rowAt(list, 80).verdict, ResultStatus::Unstable);
    EXPECT_EQ(rowAt(list, 80).cells[1], QStringLiteral("Unstable"));
    EXPECT_EQ(rowAt(list, 80).cells[3], QStringLiteral("Unstable"));
    EXPECT_EQ(rowAt(list, 100).verdict, ResultStatus::NotJudged);
    EXPECT_EQ(rowAt(list, 100).cells[1], QStringLiteral("----"));
    // The levels above a gap are judged by their hearing level alone, not by a step to nothing.
    for (const int level : {90, 110}) {
        EXPECT_EQ(rowAt(list, level).verdict, ResultStatus::Passed) << level;
        EXPECT_EQ(rowAt(list, level).cells[4], QStringLiteral("----")) << level;
    }
    EXPECT_EQ(list.result, 1);
    EXPECT_EQ(list.rows.back().cells.value(0), QStringLiteral("NF = 0.0"));
}

TEST(LinearityEvaluation, SeriesStopsAtTheNoiseFloorAndNeverBelowDialZero)
{
    LinearityResult quiet = exactBlock(20, 5, 0);
    quiet.noiseFloor = -12.0f;
    std::vector<int> levels;
    for (const LinearityRow &row : buildLinearityList(quiet, kRetspl1k).rows)
        levels.push_back(row.dialLevel);
    EXPECT_EQ(levels, (std::vector<int>{20, 15, 10, 5, 0, -1}));

    // A level below one step has no level beneath it to step from.
    LinearityResult small = exactBlock(9, 5, 4);
    small.measuredLevel[4] += 3.0f;
    const LinearityList list = buildLinearityList(small, kRetspl1k);
    EXPECT_EQ(rowAt(list, 4).verdict, ResultStatus::Failed); // by its hearing level
    EXPECT_EQ(rowAt(list, 9).verdict, ResultStatus::Failed); // by its step of 2.0
}

class LinearityOnSimulator : public testing::Test
{
protected:
    // Every level of both sides, checked against what `profileName` puts out; returns the failed
    // dial levels of each side.
    std::vector<std::vector<int>> measureBothSides(SimulatedAudiometerBench &bench)
    {
        std::vector<std::vector<int>> failed(2);
        for (const Ear ear : {Ear::Left, Ear::Right}) {
            bench.audiometer.setEarOnCoupler(ear);
            auto page = bench.page<LinearityTest>(MeasurementEntry::Linearity, ear);
            EXPECT_EQ(page->MeasureAll(), measure::kDone);
            const PageTable table = page->List();
            const std::vector<int> levels = page->rowLevels();
            for (int row = 0; row < table.rows.size(); ++row) {
                if (table.verdict(row) == ResultStatus::Failed)
                    failed[static_cast<std::size_t>(ear)].push_back(levels[static_cast<std::size_t>(row)]);
            }
            EXPECT_EQ(page->Collect(), failed[0].empty() && failed[1].empty() ? 1 : -1);
        }
        EXPECT_TRUE(bench.technician.unknownQuestions().isEmpty())
            << bench.technician.unknownQuestions().join(QLatin1Char('\n')).toStdString();
        return failed;
    }

    void expectStoredLevels(SimulatedAudiometerBench &bench, int ear, int lowest)
    {
        const AudiometerProfile &profile = bench.audiometer.profile();
        const LinearityResult &result = bench.record->linearity[ear][0];
        ReferenceQuery query;
        query.frequencyIndex = frequencyIndex(1000.0);
        const double reference = GetReferenceLevel(bench.record->setup, query);
        const double correction = couplerCorrection(bench.record->setup, TransducerType::SupraAural, query.frequencyIndex);
        int judged = 0;
        for (int level = 110; level >= lowest; level -= 5) {
            if (level <= result.noiseFloor)
                continue;
            ++judged;
            // Near the floor the meter hears the set-up's own noise beside the tone.
            const double tone =
                level + reference + profile.levelError(0, ear, 1000.0) + profile.attenuatorErrorDb.at(level);
            const double withNoise =
                10.0 * std::log10(std::pow(10.0, (tone + correction) / 10.0) + std::pow(10.0, result.noiseFloor / 10.0)) -
                correction;
            EXPECT_NEAR(result.measuredLevel[level], withNoise, 0.1)
                << "ear " << ear << ", " << level << " dB HL";
        }
        EXPECT_GT(judged, 15);
    }
};

TEST_F(LinearityOnSimulator, GoodAudiometerPassesEveryLevelOfBothSides)
{
    SimulatedAudiometerBench bench(QStringLiteral("good"));
    const auto failed = measureBothSides(bench);
    EXPECT_TRUE(failed[0].empty() && failed[1].empty());
    EXPECT_EQ(bench.record->statusOf(MeasurementKind::HearingLevelLinearity, TransducerType::SupraAural), 1);
    for (int ear = 0; ear < 2; ++ear) {
        const LinearityResult &result = bench.record->linearity[ear][0];
        EXPECT_EQ(result.maximumLevel, 110);
        EXPECT_EQ(result.dialStep, 5);
        EXPECT_FLOAT_EQ(result.testFrequency, 1000.0f);
        // Measured at the audiometer's minimum: the meter's own noise, far below the series.
        EXPECT_GT(result.noiseFloor, 0.0f);
        EXPECT_LT(result.noiseFloor, 10.0f);
        expectStoredLevels(bench, ear, 10);
    }
}

TEST_F(LinearityOnSimulator, FaultyAttenuatorFailsOnlyTheLevelItIsWrongAt)
{
    SimulatedAudiometerBench bench(QStringLiteral("faulty-attenuator"));
    const auto failed = measureBothSides(bench);
    EXPECT_EQ(failed[0], std::vector<int>{110});
    EXPECT_EQ(failed[1], std::vector<int>{110});
    EXPECT_EQ(bench.record->statusOf(MeasurementKind::HearingLevelLinearity, TransducerType::SupraAural), -1);
    expectStoredLevels(bench, 0, 10);
}

TEST_F(LinearityOnSimulator, UpwardSeriesStartsOnTheMaximumsGridAboveTheNoiseFloor)
{
    SimulatedAudiometerBench bench(QStringLiteral("good"));
    bench.preferences.write(preference::LinDirection, static_cast<int>(LinearityDirection::Up));
    bench.record->linearity[0][0].maximumLevel = 112;
    auto page = bench.page<LinearityTest>(MeasurementEntry::Linearity, Ear::Left);
    ASSERT_EQ(page->direction(), LinearityDirection::Up);
    ASSERT_EQ(page->MeasureAll(), measure::kDone);
    QStringList prompts;
    for (const QString &line : bench.technician.transcript()) {
        if (line.startsWith(QLatin1String("[set]")))
            prompts << line.section(QLatin1String("  =>"), 0, 0).mid(6);
    }
    ASSERT_GE(prompts.size(), 3);
    EXPECT_EQ(prompts[0], QStringLiteral("Noise Floor: Set Minimum dBHL Left at 1000.0 Hz"));
    const int floor = static_cast<int>(bench.record->linearity[0][0].noiseFloor);
    const int first = (floor / 5 + 1) * 5 + 2;
    EXPECT_EQ(prompts[1], QString::asprintf("Set %d dBHL Left at 1000.0 Hz", first));
    EXPECT_EQ(prompts.last(), QStringLiteral("Set 112 dBHL Left at 1000.0 Hz"));
    EXPECT_EQ(page->Evaluate(), 1);
}

TEST_F(LinearityOnSimulator, CancelAtAnyPromptKeepsWhatWasMeasuredAndAsksNothingMore)
{
    for (const int cancelAt : {1, 4, 23}) {
        SCOPED_TRACE(cancelAt);
        SimulatedAudiometerBench bench(QStringLiteral("good"));
        CancelAtSet cancelling(bench.technician, cancelAt);
        auto page = bench.page<LinearityTest>(MeasurementEntry::Linearity, Ear::Left, &cancelling);
        EXPECT_EQ(page->MeasureAll(), measure::kCancelled);
        const LinearityResult &result = bench.record->linearity[0][0];
        int kept = 0;
        for (int level = 0; level <= 140; ++level)
            kept += result.measuredLevel[level] != 0.0f ? 1 : 0;
        // Down from 110: every level confirmed before the cancelled prompt was read and kept.
        EXPECT_EQ(kept, std::min(cancelAt - 1, 22));
        EXPECT_EQ(cancelling.asked, cancelAt);
        EXPECT_EQ(page->Evaluate(), cancelAt > 1 ? 1 : 0);
    }
}

} // namespace
} // namespace tonva::test

namespace tonva::test {
namespace {

TEST(LinearitySettings, ChangesClearWhatNoLongerFitsAndKeepWhatStillDoes)
{
    TempDir dir;
    PreferenceStore preferences(dir.file("tonva.ini"));
    ScriptedInteraction technician;
    VirtualClock clock;
    auto record = hearingLevelRecord({1000, 2000});
    LinearityResult &result = record->linearity[0][0];
    result = exactBlock(110, 5, 20);
    result.noiseFloor = 6.5f;
    LinearityTest page(MeasurementServices{technician, clock, preferences});
    page.Initialise({record.get(), TransducerType::SupraAural, Ear::Left, MeasurementEntry::Linearity});

    page.setMaximumLevel(150);
    EXPECT_EQ(result.maximumLevel, 140);
    page.setMaximumLevel(-5);
    EXPECT_EQ(result.maximumLevel, 100);

    technician.expectAsk(QStringLiteral("Use old data (Yes) or clear the readings (No)?"), Answer::Yes);
    page.chooseFrequency(1000.0);
    EXPECT_GT(result.measuredLevel[100], 0.0f);

    page.chooseDialStep(2);
    EXPECT_EQ(result.dialStep, 2);
    EXPECT_EQ(result.measuredLevel[100], 0.0f);
    EXPECT_FLOAT_EQ(result.noiseFloor, 6.5f);

    result.measuredLevel[100] = 107.5f;
    page.chooseFrequency(2000.0); // another frequency: nothing to ask
    EXPECT_FLOAT_EQ(result.testFrequency, 2000.0f);
    EXPECT_EQ(result.measuredLevel[100], 0.0f);
    EXPECT_EQ(result.noiseFloor, 0.0f);
    technician.verifyDone();
}

} // namespace
} // namespace tonva::test

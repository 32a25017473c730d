#include "SimulatedAudiometerBench.h"
#include "measure/CrossTalkTest.h"
#include "support/CancelAtSet.h"

#include <gtest/gtest.h>

namespace tonva::test {
namespace {

using crosstalk::Row;

int row(Row r)
{
    return static_cast<int>(r);
}

TEST(CrossTalkEvaluation, LimitsAreInclusiveAndRowsNeedBothReadings)
{
    CrossTalkResult result;
    result.testFrequency = 1000.0f;
    result.leftToneOnLevel = 110.0f;
    result.leftCrossLevel = 40.0f;
    result.rightToneOnLevel = 110.0f;
    result.rightCrossLevel = 40.1f;
    result.onOffMarker = crosstalk::kToneOffTaken;
    result.toneOffLevel = 17.5f;
    int overall = 0;
    PageTable table = crosstalk::buildList(result, 7.5, &overall);
    EXPECT_EQ(table.verdict(row(Row::LeftToRight)), ResultStatus::Passed);
    EXPECT_EQ(table.rows[row(Row::LeftToRight)],
              (QStringList{"Left to Right", "110.0", "40.0", "70.0", ">= 70.0", "0.0"}));
    EXPECT_EQ(table.verdict(row(Row::RightToLeft)), ResultStatus::Failed);
    EXPECT_EQ(table.verdict(row(Row::OnOffRatio)), ResultStatus::Passed);
    EXPECT_EQ(table.rows[row(Row::OnOffRatio)], (QStringList{"On/Off Ratio", " ", "17.5", " ", "<= 17.5", "0.0"}));
    EXPECT_EQ(overall, -1);

    // A tone-on level of 10.0 was never read; a cross level of 0 is a reading that failed; a tone-off
    // level without its marker was never taken. None of them judges anything.
    result.leftToneOnLevel = 10.0f;
    result.rightCrossLevel = 0.0f;
    result.onOffMarker = 0.0f;
    table = crosstalk::buildList(result, 7.5, &overall);
    for (const Row r : {Row::LeftToRight, Row::RightToLeft, Row::OnOffRatio})
        EXPECT_EQ(table.verdict(row(r)), ResultStatus::NotJudged) << row(r);
    EXPECT_EQ(table.rows[row(Row::RightToLeft)].value(3), QStringLiteral("----"));
    EXPECT_EQ(table.rows[row(Row::OnOffRatio)], (QStringList{"On/Off Ratio", " ", "----", " ", "----", "----"}));
    EXPECT_EQ(overall, 0);
}

double referenceAt1k(const AudTestRecord &record)
{
    ReferenceQuery query;
    query.frequencyIndex = frequencyIndex(1000.0);
    return GetReferenceLevel(record.setup, query);
}

std::vector<int> failedRows(const PageTable &table)
{
    std::vector<int> failed;
    for (int r = 0; r < table.rows.size(); ++r) {
        if (table.verdict(r) == ResultStatus::Failed)
            failed.push_back(r);
    }
    return failed;
}

TEST(CrossTalkOnSimulator, GoodAudiometerPassesEveryRowAndStoresWhatItPutsOut)
{
    SimulatedAudiometerBench bench(QStringLiteral("good"));
    auto page = bench.page<CrossTalkTest>(MeasurementEntry::CrossTalk, Ear::Left);
    ASSERT_EQ(page->MeasureAll(), measure::kDone);
    const PageTable table = page->List();
    for (int r = 0; r < 3; ++r)
        EXPECT_EQ(table.verdict(r), ResultStatus::Passed) << r;
    EXPECT_EQ(page->Collect(), 1);
    EXPECT_EQ(bench.record->statusOf(MeasurementKind::CrossTalk, TransducerType::SupraAural), 1);
    EXPECT_TRUE(bench.technician.unknownQuestions().isEmpty());

    const CrossTalkResult &result = bench.record->crossTalk[0];
    const AudiometerProfile &profile = bench.audiometer.profile();
    const double reference = referenceAt1k(*bench.record);
    EXPECT_FLOAT_EQ(result.testFrequency, 1000.0f);
    EXPECT_NEAR(result.leftToneOnLevel, 80.0 + reference + profile.levelError(0, 0, 1000.0), 0.1);
    EXPECT_NEAR(result.rightToneOnLevel, 80.0 + reference + profile.levelError(0, 1, 1000.0), 0.1);
    EXPECT_FLOAT_EQ(result.onOffMarker, 11.0f);
    // The leak and the switched-off tone lie under the meter's own noise, far below the limits.
    EXPECT_LT(result.leftCrossLevel, result.leftToneOnLevel - 70.0f);
    EXPECT_LT(result.toneOffLevel, reference + 10.0);

    page->chooseFrequency(2000.0);
    EXPECT_FLOAT_EQ(result.testFrequency, 2000.0f);
    EXPECT_EQ(result.onOffMarker, 0.0f);
    for (const float level : {result.leftToneOnLevel, result.rightToneOnLevel, result.leftCrossLevel,
                              result.rightCrossLevel, result.toneOffLevel})
        EXPECT_EQ(level, 0.0f);
    EXPECT_EQ(page->Evaluate(), 0);
}

TEST(CrossTalkOnSimulator, FaultyCrossTalkFailsOnlyItsDirection)
{
    SimulatedAudiometerBench bench(QStringLiteral("faulty-crosstalk"));
    auto page = bench.page<CrossTalkTest>(MeasurementEntry::CrossTalk, Ear::Left);
    ASSERT_EQ(page->MeasureAll(), measure::kDone);
    EXPECT_EQ(failedRows(page->List()), std::vector<int>{row(Row::LeftToRight)});
    EXPECT_EQ(page->Collect(), -1);
    EXPECT_EQ(bench.record->statusOf(MeasurementKind::CrossTalk, TransducerType::SupraAural), -1);
    const double rightOn = 80.0 + referenceAt1k(*bench.record) + bench.audiometer.profile().levelError(0, 1, 1000.0);
    EXPECT_NEAR(bench.record->crossTalk[0].leftCrossLevel, rightOn - 60.0, 0.1);
}

TEST(CrossTalkOnSimulator, CancelAtAnyStepKeepsTheStepsBeforeIt)
{
    for (int cancelAt = 1; cancelAt <= 5; ++cancelAt) {
        SCOPED_TRACE(cancelAt);
        SimulatedAudiometerBench bench(QStringLiteral("good"));
        CancelAtSet cancelling(bench.technician, cancelAt);
        auto page = bench.page<CrossTalkTest>(MeasurementEntry::CrossTalk, Ear::Left, &cancelling);
        EXPECT_EQ(page->MeasureAll(), measure::kCancelled);
        EXPECT_EQ(cancelling.sets, cancelAt);
        const CrossTalkResult &result = bench.record->crossTalk[0];
        const std::array<bool, 5> taken{result.onOffMarker > 10.0f, result.leftToneOnLevel > 10.0f,
                                        result.leftCrossLevel != 0.0f, result.rightToneOnLevel > 10.0f,
                                        result.rightCrossLevel != 0.0f};
        for (int step = 0; step < 5; ++step)
            EXPECT_EQ(taken[static_cast<std::size_t>(step)], step + 1 < cancelAt) << "step " << step + 1;
    }
}

TEST(CrossTalkOnSimulator, ToneOffThatCannotBeReadLeavesNoOldMarkerBehind)
{
    LineFaults faults;
    faults.setProbability(LineFaults::Kind::NeverSettles, 1.0);
    SimulatedAudiometerBench bench(QStringLiteral("good"), faults);
    CrossTalkResult &result = bench.record->crossTalk[0];
    result.onOffMarker = 11.0f;
    result.toneOffLevel = 5.0f;
    // The technician goes on without the reading.
    bench.technician.addRule({QStringLiteral("Error reading the Trellan"), {Answer::No}, QuestionKind::Decision});
    auto page = bench.page<CrossTalkTest>(MeasurementEntry::CrossTalk, Ear::Left);
    EXPECT_EQ(page->MeasureSelected({row(Row::OnOffRatio)}), measure::kDone);
    EXPECT_EQ(result.onOffMarker, 0.0f);
    EXPECT_EQ(page->List().verdict(row(Row::OnOffRatio)), ResultStatus::NotJudged);
    EXPECT_EQ(page->Evaluate(), 0);
}

} // namespace
} // namespace tonva::test

#include "measure/LinearityTest.h"
#include "measure/MeasurementRun.h"
#include "QuietHost.h"

namespace tonva::test {
namespace {

TEST(SignalQualityThroughTheRun, OnlyTheFaultyKindIsJudgedFailedInTheStatusTable)
{
    SimulatedAudiometerBench bench(QStringLiteral("faulty-crosstalk"));
    PageRegistry pages;
    registerLinearityPage(pages);
    registerCrossTalkPage(pages);
    QuietHost host;
    MeasurementRun run(MeasurementServices{bench.technician, bench.clock, bench.preferences}, pages, host,
                       *bench.record);
    run.AttachMeter(&bench.link, &bench.files);
    run.Open(MeasurementEntry::Linearity, TransducerType::SupraAural, Ear::Left);
    ASSERT_EQ(run.MeasureAll(), measure::kDone);
    run.ChooseMeasurement(MeasurementEntry::CrossTalk);
    ASSERT_EQ(run.MeasureAll(), measure::kDone);
    run.Ok();

    for (int kind = 0; kind < kMeasurementKinds; ++kind) {
        const auto k = static_cast<MeasurementKind>(kind);
        const int expected = k == MeasurementKind::CrossTalk                ? -1
                             : k == MeasurementKind::HearingLevelLinearity ? 1
                                                                           : 0;
        EXPECT_EQ(bench.record->statusOf(k, TransducerType::SupraAural), expected) << kind;
    }
    EXPECT_TRUE(bench.technician.unknownQuestions().isEmpty());
}

} // namespace
} // namespace tonva::test

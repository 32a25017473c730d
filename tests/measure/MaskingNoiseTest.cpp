#include "QuietHost.h"
#include "SimulatedAudiometerBench.h"
#include "measure/MaskingNoiseTest.h"
#include "measure/MeasurementRun.h"

#include <gtest/gtest.h>

namespace tonva::test {
namespace {

using masking::Source;

void flatSpectrum(BroadBandResult &result, Source source, float level)
{
    result.method = 2;
    float *lines = result.spectrum[static_cast<int>(source)];
    std::fill(lines, lines + kBroadBandLines, level);
}

TEST(MaskingNoiseEvaluation, FlatnessRowsAndEarlierLayoutsAreJudgedByTheirOwnRule)
{
    auto result = std::make_unique<BroadBandResult>();
    flatSpectrum(*result, Source::WhiteNoise, 80.0f);
    result->spectrum[0][200] = 74.9f; // 5000 Hz 5.1 dB low
    result->spectrum[0][201] = 60.0f; // past the judged lines
    flatSpectrum(*result, Source::TapeCdA, 80.0f);
    result->spectrum[1][10] = 85.0f; // 250 Hz exactly 5.0 dB high
    masking::List list = masking::buildList(*result, RegionalMode::Normal, 7.5);
    ASSERT_EQ(list.rows.size(), 3u);
    EXPECT_EQ(list.rows[0].cells, (QStringList{"White Noise", "Fail", "1", "5000", "5.1", "75.0 to 85.0"}));
    EXPECT_EQ(list.rows[1].cells, (QStringList{"Tape/CD A", "Pass", "---", "---", "---", "75.0 to 85.0"}));
    EXPECT_EQ(list.rows[2].cells, (QStringList{"Tape/CD B", "----", "----", "----", "----", "----"}));
    EXPECT_EQ(list.rows[1].verdict, ResultStatus::Passed);
    EXPECT_EQ(list.rows[2].verdict, ResultStatus::NotJudged);
    EXPECT_EQ(list.result, -1);

    // A damaged value proves nothing flat.
    result->spectrum[1][100] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(masking::buildList(*result, RegionalMode::Normal, 7.5).rows[1].verdict, ResultStatus::Failed);

    // A block of the 1000 Hz layout: the level against reference + 12.5 + dial, 3 dB; 22.0 and 2 dB in
    // the alternate region, which offers no white noise of the audiometer's own.
    auto earlier = std::make_unique<BroadBandResult>();
    earlier->method = 1;
    earlier->dialLevel = 70;
    earlier->sourceLevel[0] = 95.0f;
    earlier->sourceLevel[1] = 92.5f;
    list = masking::buildList(*earlier, RegionalMode::Normal, 7.5);
    EXPECT_EQ(list.columns.value(1), QStringLiteral("SPL @ 1000 Hz"));
    EXPECT_EQ(list.rows[0].cells, (QStringList{"White Noise", "95.0", "75.0", "5.0", "87.0 to 93.0"}));
    EXPECT_EQ(list.rows[0].verdict, ResultStatus::Failed);
    EXPECT_EQ(list.rows[1].verdict, ResultStatus::Passed);
    list = masking::buildList(*earlier, RegionalMode::Alternate, 7.5);
    ASSERT_EQ(list.rows.size(), 2u);
    EXPECT_EQ(list.rows[0].cells, (QStringList{"Tape/CD A", "92.5", "70.5", "0.5", "90.0 to 94.0"}));
    EXPECT_EQ(list.result, 1);
}

// Both earphones measured through the run at 70 dB HL; returns the right side's list.
PageTable measureBothSides(SimulatedAudiometerBench &bench)
{
    PageRegistry pages;
    registerMaskingNoisePage(pages);
    QuietHost host;
    MeasurementRun run(MeasurementServices{bench.technician, bench.clock, bench.preferences}, pages, host,
                       *bench.record);
    run.AttachMeter(&bench.link, &bench.files);
    run.Open(MeasurementEntry::BroadBandNoise, TransducerType::SupraAural, Ear::Left);
    auto *page = dynamic_cast<MaskingNoiseTest *>(run.page());
    EXPECT_TRUE(page);
    if (!page)
        return {};
    EXPECT_EQ(page->editDialText(QStringLiteral("70")), QStringLiteral("70"));
    EXPECT_EQ(run.MeasureAll(), measure::kDone);
    run.ChooseEar(Ear::Right);
    EXPECT_EQ(run.MeasureAll(), measure::kDone);
    PageTable table = run.page()->List();
    run.Ok();
    EXPECT_TRUE(bench.technician.unknownQuestions().isEmpty());
    return table;
}

TEST(MaskingNoiseThroughTheRun, GoodPassesEverySourceAndFaultyMaskingFailsOnlyTapeA)
{
    for (const char *profile : {"good", "faulty-masking"}) {
        SCOPED_TRACE(profile);
        const bool faulty = QLatin1String(profile) == QLatin1String("faulty-masking");
        SimulatedAudiometerBench bench(QString::fromLatin1(profile));
        const PageTable table = measureBothSides(bench);
        ASSERT_EQ(table.rows.size(), 3);
        for (int row = 0; row < 3; ++row)
            EXPECT_EQ(table.verdict(row), faulty && row == 1 ? ResultStatus::Failed : ResultStatus::Passed) << row;
        for (int kind = 0; kind < kMeasurementKinds; ++kind) {
            const auto k = static_cast<MeasurementKind>(kind);
            const int expected = k == MeasurementKind::BroadBandNoise ? (faulty ? -1 : 1) : 0;
            EXPECT_EQ(bench.record->statusOf(k, TransducerType::SupraAural), expected) << kind;
        }
        // The stored lines are what the profile puts out: level white noise, Tape/CD A bent at 5000 Hz.
        for (int side = 0; side < 2; ++side) {
            const BroadBandResult &result = bench.record->broadBand[side][0];
            EXPECT_EQ(result.dialLevel, 70);
            EXPECT_EQ(result.sourceLevel[1], -1.0f);
            for (int source = 0; source < 3; ++source) {
                const float *lines = result.spectrum[source];
                EXPECT_GT(lines[40], 40.0f);
                EXPECT_NEAR(lines[100] - lines[40], 0.0, 0.5);
                EXPECT_NEAR(lines[190] - lines[40], faulty && source == 1 ? -6.5 : 0.0, 0.5) << source;
            }
        }
    }
}

TEST(MaskingNoiseOnSimulator, AFailedReadLeavesNoOldSpectrumToJudgeAndViewDataRefuses)
{
    SimulatedAudiometerBench bench(QStringLiteral("good"));
    BroadBandResult &result = bench.record->broadBand[0][0];
    flatSpectrum(result, Source::TapeCdA, 80.0f);
    result.dialLevel = 70;
    bench.simulator.meter().faults().overrideCommand("&R6");
    bench.technician.addRule({QStringLiteral("Could not download data from Trellan"), {Answer::Cancel}});
    auto page = bench.page<MaskingNoiseTest>(MeasurementEntry::BroadBandNoise, Ear::Left);
    EXPECT_TRUE(page->viewData({1}).has_value());
    EXPECT_EQ(page->MeasureSelected({1}), measure::kDone);
    EXPECT_EQ(result.spectrum[1][40], 0.0f);
    EXPECT_EQ(page->List().verdict(1), ResultStatus::NotJudged);
    EXPECT_EQ(page->Evaluate(), 0);
    EXPECT_FALSE(page->viewData({1}));
    EXPECT_FALSE(page->viewData({}));
    const QString shown = bench.technician.transcript().join('\n');
    for (const char *message : {"Trellan failed download data: Data Error:",
                                "There is no valid data for the selected test to display",
                                "Select the test for which you wish to view the data graph."})
        EXPECT_EQ(shown.count(QLatin1String(message)), 1) << message;
}

} // namespace
} // namespace tonva::test

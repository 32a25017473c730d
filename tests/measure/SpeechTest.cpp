#include "SignalQualityBench.h"
#include "SimulatedAudiometerBench.h"
#include "measure/SpeechTest.h"
#include "platform/TextFormat.h"

#include <gtest/gtest.h>

namespace tonva::test {
namespace {

std::unique_ptr<SpeechTest> speechPage(SimulatedAudiometerBench &bench, RegionalMode mode = RegionalMode::Normal,
                                       TransducerType transducer = TransducerType::SupraAural)
{
    auto page = std::make_unique<SpeechTest>(
        MeasurementServices{bench.technician, bench.clock, bench.preferences, mode});
    page->Initialise({bench.record.get(), transducer, Ear::Left, MeasurementEntry::Speech});
    page->AttachMeter(&bench.link, &bench.files);
    return page;
}

TEST(SpeechTruth, GoodPassesEverySourceAndFaultySpeechFailsExactlyTapeCdB)
{
    for (const char *profile : {"good", "faulty-speech"}) {
        SCOPED_TRACE(profile);
        const bool faulty = QLatin1String(profile) == QLatin1String("faulty-speech");
        SimulatedAudiometerBench bench{QLatin1String(profile)};
        SpeechResult &block = bench.record->speech[0][0];
        block.dialLevel = 60.0f;
        const auto page = speechPage(bench);
        ASSERT_EQ(page->MeasureAll(), measure::kDone);

        const PageTable table = page->List();
        const double reference = page->limits().reference;
        for (int s = 0; s < kSpeechSources; ++s) {
            const bool tapeB = static_cast<SpeechSource>(s) == SpeechSource::TapeCdB;
            EXPECT_EQ(table.verdict(s), faulty && tapeB ? ResultStatus::Failed : ResultStatus::Passed) << s;
            EXPECT_NEAR(block.measuredLevel[s], 60.0 + reference + (faulty && tapeB ? 3.6 : -0.5), 0.1) << s;
        }
        EXPECT_EQ(page->Collect(), faulty ? -1 : 1);
        EXPECT_EQ(bench.record->statusOf(MeasurementKind::SpeechHearingLevel, TransducerType::SupraAural),
                  faulty ? -1 : 1);
        EXPECT_TRUE(bench.technician.unknownQuestions().isEmpty()) << bench.technician.unknownQuestions().join('|').toStdString();
    }
}

// Speech harmonic distortion runs the speech page too. On the bone vibrator every source, speech
// noise included, is judged in force level through the mastoid: a mastoid 6 dB off at 1000 Hz would
// fail a speech-noise row read as sound pressure.
TEST(SpeechTruth, BoneVibratorSpeechIsJudgedInForceLevelFromTheSpeechDistortionEntry)
{
    SignalQualityBench bench{QStringLiteral("good"), {1000}};
    TestSetup &setup = bench.record->setup;
    setup.mastoid.kestinResponse[frequencyIndex(1000.0)] = 6.0f;
    setup.temperature = 21.0f;
    setup.pressure = 29.92f;
    setup.humidity = 40;
    bench.bench->audiometer().setCoupling(demo::couplingFor(setup));
    SpeechResult &block = bench.record->speech[0][static_cast<int>(TransducerType::BoneVibrator)];
    block.dialLevel = 30.0f;
    PageRegistry pages;
    registerSpeechPage(pages);
    ASSERT_EQ(bench.measureAll(pages, MeasurementEntry::SpeechHarmonicDistortion, TransducerType::BoneVibrator,
                               Ear::Left),
              measure::kDone);

    ReferenceQuery query;
    query.transducer = TransducerType::BoneVibrator;
    query.frequencyIndex = frequencyIndex(1000.0);
    query.kind = MeasurementKind::SpeechHearingLevel;
    const double forceLevel = 30.0 + GetReferenceLevel(setup, query) - 0.5;
    for (int s = 0; s < kSpeechSources; ++s)
        EXPECT_NEAR(block.measuredLevel[s], forceLevel, 0.15) << s;
    EXPECT_EQ(bench.record->statusOf(MeasurementKind::SpeechHearingLevel, TransducerType::BoneVibrator), 1);
    const QStringList &said = bench.bench->technician().transcript();
    EXPECT_TRUE(said.filter(QStringLiteral("Set Speech Noise 30 dBHL")).size() == 1) << said.join('\n').toStdString();
}

TEST(SpeechEvaluation, DeviationLimitsByRegionalMode)
{
    SimulatedAudiometerBench bench{QStringLiteral("good")};
    SpeechResult &block = bench.record->speech[0][0];
    block.dialLevel = 50.0f;
    struct Row
    {
        RegionalMode mode;
        double reference;
        float level;
        ResultStatus verdict;
    };
    // TDH 39 at 1000 Hz: 7.0 + 12.5; the alternate mode judges against 27.0 with +5 dB allowed.
    const Row rows[] = {
        {RegionalMode::Normal, 19.5, 66.5f, ResultStatus::Passed},    {RegionalMode::Normal, 19.5, 66.4f, ResultStatus::Failed},
        {RegionalMode::Normal, 19.5, 72.5f, ResultStatus::Passed},    {RegionalMode::Normal, 19.5, 72.6f, ResultStatus::Failed},
        {RegionalMode::Alternate, 27.0, 74.0f, ResultStatus::Passed}, {RegionalMode::Alternate, 27.0, 73.9f, ResultStatus::Failed},
        {RegionalMode::Alternate, 27.0, 82.0f, ResultStatus::Passed}, {RegionalMode::Alternate, 27.0, 82.1f, ResultStatus::Failed},
        {RegionalMode::Australian, 25.0, 78.0f, ResultStatus::Passed}, {RegionalMode::Australian, 25.0, 78.1f, ResultStatus::Failed},
    };
    for (const Row &row : rows) {
        block.measuredLevel[1] = row.level;
        const auto page = speechPage(bench, row.mode);
        EXPECT_DOUBLE_EQ(page->limits().reference, row.reference);
        EXPECT_EQ(page->List().verdict(1), row.verdict) << static_cast<int>(row.mode) << " " << row.level;
    }
    const double target = 50.0 + 27.0;
    EXPECT_EQ(speechPage(bench, RegionalMode::Alternate)->List().rows[1].value(4),
              formatText("%.1f to %.1f", target - 3.0, target + 5.0));
    // Not measured, and a bone vibrator's force-level columns.
    block.measuredLevel[1] = 10.0f;
    const PageTable bone = speechPage(bench, RegionalMode::Normal, TransducerType::BoneVibrator)->List();
    EXPECT_EQ(bone.columns.value(1), QStringLiteral("Measured FL"));
    EXPECT_EQ(bone.columns.value(4), QStringLiteral("Target FL"));
    EXPECT_EQ(speechPage(bench)->List().rows[1], (QStringList{"Tape/CD A", "----", "----", "----", "----"}));
}

} // namespace
} // namespace tonva::test

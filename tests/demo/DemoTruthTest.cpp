#include "demo/CalibrationDemo.h"
#include "measure/BoneConductionTest.h"
#include "measure/MeasurementCatalogue.h"
#include "model/ReferenceData.h"
#include "sim/AudiometerProfile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <set>
#include <tuple>

namespace tonva::test {
namespace {

using demo::CalibrationDemo;
using demo::DemoOptions;

// A failed row: the step's title and the row's first cell (the frequency or level it is about).
using FailedRow = std::pair<QString, QString>;

struct DemoRun
{
    int exitCode = -1;
    QString printed;
    std::unique_ptr<CalibrationDemo> demo;

    const AudTestRecord &stored() const { return *demo->outcome().storedRecord; }
};

DemoRun runDemo(DemoOptions options)
{
    DemoRun run;
    QTextStream out(&run.printed);
    run.demo = std::make_unique<CalibrationDemo>(std::move(options), out);
    run.exitCode = run.demo->run();
    out.flush();
    return run;
}

DemoOptions optionsFor(const TempDir &dir, const QString &profile,
                       std::vector<Ear> ears = {Ear::Left, Ear::Right})
{
    DemoOptions options;
    options.databasePath = dir.file(QStringLiteral("demo.sqlite"));
    options.profile = profile;
    options.ears = std::move(ears);
    return options;
}

// Every row the stored test judges as failed, read through each step's page, and how many rows
// there were and how many were judged.
std::set<FailedRow> failedRows(const AudTestRecord &stored, int *judged, int *rows = nullptr,
                               const std::vector<demo::DemoStep> &steps = CalibrationDemo::steps())
{
    std::set<FailedRow> failed;
    *judged = 0;
    int listed = 0;
    for (const demo::DemoStep &step : demo::reportedSteps(steps)) {
        const PageTable list = demo::stepList(stored, step);
        listed += static_cast<int>(list.rows.size());
        *judged += static_cast<int>(list.rows.size()) - demo::unmeasuredRows(list);
        for (int row = 0; row < list.rows.size(); ++row) {
            if (list.verdict(row) == ResultStatus::Failed)
                failed.insert({demo::stepTitle(step), list.rows[row].value(0)});
        }
    }
    if (rows)
        *rows = listed;
    return failed;
}

std::vector<int> supraAuralStatuses(const AudTestRecord &record,
                                    const std::vector<MeasurementEntry> &measurements = CalibrationDemo::measurements())
{
    std::vector<int> statuses;
    for (const MeasurementEntry measurement : measurements)
        statuses.push_back(record.statusOf(measurementKindOf(measurement), TransducerType::SupraAural));
    return statuses;
}

double reference(const TestSetup &setup, int f, MeasurementKind kind)
{
    ReferenceQuery query;
    query.frequencyIndex = f;
    query.kind = kind;
    return GetReferenceLevel(setup, query);
}

// The stored values are what the audiometer's profile says it puts out, through every correction.
void expectValuesImpliedBy(const AudiometerProfile &profile, const AudTestRecord &stored)
{
    AudTestRecord record = stored;
    const TestSetup &setup = record.setup;
    for (int ear = 0; ear < 2; ++ear) {
        const ToneResultBlocks blocks = toneResultBlocks(record, TransducerType::SupraAural, ear);
        for (const int f : selectedFrequencies(setup, HearingLevelMode::HearingLevel)) {
            const double hertz = nominalHz(f);
            SCOPED_TRACE(testing::Message() << hertz << " Hz, ear " << ear);
            EXPECT_NEAR(blocks.tone.measuredLevel[f],
                        blocks.tone.dialLevel[f] + reference(setup, f, MeasurementKind::HearingLevel) +
                            profile.levelError(0, ear, hertz),
                        0.1);
            EXPECT_NEAR(blocks.narrowBand.measuredLevel[f],
                        blocks.narrowBand.dialLevel[f] +
                            reference(setup, f, MeasurementKind::NarrowBandLevel) +
                            profile.narrowBandLevelErrorDb.at(hertz),
                        0.1);
            const double tone = hertz * (1.0 + profile.frequencyErrorPercent.at(hertz) / 100.0);
            EXPECT_NEAR(blocks.tone.measuredFrequency[f], tone, 0.5);
            EXPECT_NEAR(blocks.modulation.carrier[f], tone, 0.5);
            // The swing is read from frequencies the meter gives to 0.1 Hz, which at the lowest
            // carriers is worth a few tenths of a percent depending on where in the sweep the reads fall.
            EXPECT_NEAR(fmDeviationPercent(blocks.modulation.carrier[f], blocks.modulation.lowest[f],
                                           blocks.modulation.highest[f]),
                        profile.fmDeviationPercent.at(hertz), std::max(0.1, 40.0 / hertz));
            EXPECT_NEAR(blocks.modulation.rate[f], profile.fmRateHz.at(hertz), 0.05);
        }
    }
    // The bone vibrator's force level, read back through the mastoid and the room it was measured in.
    const ToneLevelResult &bone = record.toneLevel[0][static_cast<int>(TransducerType::BoneVibrator)];
    for (const int f : boneLevelFrequencies(setup)) {
        ReferenceQuery query;
        query.transducer = TransducerType::BoneVibrator;
        query.frequencyIndex = f;
        EXPECT_NEAR(bone.measuredLevel[f],
                    bone.dialLevel[f] + GetReferenceLevel(setup, query) + profile.levelError(1, 0, nominalHz(f)), 0.1)
            << nominalHz(f) << " Hz on the bone vibrator";
    }
}

// The supra-aural status entries of a whole demonstration in which exactly `failing` failed.
std::vector<int> statusesFailing(const std::set<MeasurementEntry> &failing)
{
    std::vector<int> statuses;
    for (const MeasurementEntry measurement : CalibrationDemo::measurements())
        statuses.push_back(failing.contains(measurement) ? -1 : 1);
    return statuses;
}

AudiometerProfile shippedProfile(const QString &name)
{
    const std::optional<AudiometerProfile> profile = AudiometerProfile::load(name);
    EXPECT_TRUE(profile.has_value()) << name.toStdString();
    return profile.value_or(AudiometerProfile{});
}

TEST(DemoTruthTest, GoodAudiometerPassesEveryRowAndStoresWhatItPutOut)
{
    TempDir dir;
    const DemoRun run = runDemo(optionsFor(dir, QStringLiteral("good")));
    ASSERT_EQ(run.exitCode, 0) << run.printed.toStdString();
    EXPECT_EQ(run.demo->outcome().stepsMeasured, CalibrationDemo::steps());

    int judged = 0;
    int rows = 0;
    EXPECT_TRUE(failedRows(run.stored(), &judged, &rows).empty());
    EXPECT_GE(rows, 4 * 2 * 11);
    EXPECT_EQ(judged, rows) << "every row of every step judged";
    EXPECT_EQ(supraAuralStatuses(run.stored()), statusesFailing({}));
    expectValuesImpliedBy(shippedProfile(QStringLiteral("good")), run.stored());
    EXPECT_FALSE(run.printed.contains(QLatin1String("FAIL")));
}

// The three injected faults come out as failures, and nothing else does, whichever ear goes last.
class FaultyAudiometer : public testing::TestWithParam<std::vector<Ear>>
{};

TEST_P(FaultyAudiometer, FailsExactlyTheInjectedRows)
{
    TempDir dir;
    const DemoRun run = runDemo(optionsFor(dir, QStringLiteral("faulty"), GetParam()));
    ASSERT_EQ(run.exitCode, 0) << run.printed.toStdString();

    int judged = 0;
    int rows = 0;
    // The sharp 2000 Hz tone also fails the frequency check of every distortion page.
    // The bone vibrator sits on the side measured first.
    const std::vector<demo::DemoStep> steps = CalibrationDemo::steps({}, GetParam());
    const std::set<FailedRow> expected{{"Hearing Level, right ear", "4000"},
                                       {"Frequency Accuracy, left ear", "2000"},
                                       {"Frequency Accuracy, right ear", "2000"},
                                       {"Harmonic Distortion, left ear", "2000"},
                                       {"Harmonic Distortion, right ear", "2000"},
                                       {demo::stepTitle({MeasurementEntry::HarmonicDistortion,
                                                         TransducerType::BoneVibrator, GetParam().front()}),
                                        "2000"},
                                       {"Frequency Modulation, left ear", "1000"},
                                       {"Frequency Modulation, right ear", "1000"}};
    EXPECT_EQ(failedRows(run.stored(), &judged, &rows, steps), expected);
    EXPECT_EQ(judged, rows);
    using enum MeasurementEntry;
    EXPECT_EQ(supraAuralStatuses(run.stored()),
              statusesFailing({HearingLevel, FrequencyAccuracy, HarmonicDistortion, FrequencyModulation}));
    EXPECT_EQ(run.stored().statusOf(MeasurementKind::HarmonicDistortion, TransducerType::BoneVibrator), -1);
    expectValuesImpliedBy(shippedProfile(QStringLiteral("faulty")), run.stored());
    EXPECT_EQ(run.printed.count(QLatin1String("FAIL")), 8);
}

// One fault family per profile: each fails its own rows and nothing else, and only its kind's status.
struct FaultFamily
{
    const char *profile;
    std::set<FailedRow> failed;
    MeasurementEntry kind;
    std::set<TransducerType> transducers = {TransducerType::SupraAural};
};

class FaultFamilies : public testing::TestWithParam<FaultFamily>
{};

TEST_P(FaultFamilies, PrintExactlyTheirFailRows)
{
    TempDir dir;
    const FaultFamily &family = GetParam();
    const DemoRun run = runDemo(optionsFor(dir, QString::fromLatin1(family.profile)));
    ASSERT_EQ(run.exitCode, 0) << run.printed.toStdString();
    int judged = 0;
    int rows = 0;
    EXPECT_EQ(failedRows(run.stored(), &judged, &rows), family.failed);
    EXPECT_EQ(judged, rows);
    const bool onEarphones = family.transducers.contains(TransducerType::SupraAural);
    EXPECT_EQ(supraAuralStatuses(run.stored()), statusesFailing(onEarphones ? std::set{family.kind} : std::set<MeasurementEntry>{}));
    for (const TransducerType transducer : family.transducers)
        EXPECT_EQ(run.stored().statusOf(measurementKindOf(family.kind), transducer), -1) << transducerName(transducer).toStdString();
    EXPECT_EQ(run.printed.count(QLatin1String("FAIL")), static_cast<qsizetype>(family.failed.size()))
        << run.printed.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, FaultFamilies,
    testing::Values(FaultFamily{"faulty-attenuator",
                                {{"Linearity, left ear", "110"}, {"Linearity, right ear", "110"}},
                                MeasurementEntry::Linearity},
                    FaultFamily{"faulty-distortion",
                                {{"Harmonic Distortion, left ear", "1000"}, {"Harmonic Distortion, right ear", "1000"}},
                                MeasurementEntry::HarmonicDistortion},
                    FaultFamily{"faulty-pulse", {{"Pulse, right ear", "1000"}}, MeasurementEntry::PulsedTones},
                    FaultFamily{"faulty-crosstalk", {{"Cross Talk", "Left to Right"}}, MeasurementEntry::CrossTalk},
                    FaultFamily{"faulty-masking",
                                {{"Broad Band Masking, left ear", "Tape/CD A"}, {"Broad Band Masking, right ear", "Tape/CD A"}},
                                MeasurementEntry::BroadBandNoise},
                    FaultFamily{"faulty-bone",
                                {{"Hearing Level, Bone Vibrator, left ear", "2000"}},
                                MeasurementEntry::HearingLevel,
                                {TransducerType::BoneVibrator}},
                    FaultFamily{"faulty-speech",
                                {{"Speech, left ear", "Tape/CD B"},
                                 {"Speech, right ear", "Tape/CD B"},
                                 {"Speech, Bone Vibrator, left ear", "Tape/CD B"}},
                                MeasurementEntry::Speech,
                                {TransducerType::SupraAural, TransducerType::BoneVibrator}},
                    // The 4000 Hz warble tone on each loudspeaker and both; narrow-band noise is unaffected.
                    FaultFamily{"faulty-soundfield",
                                {{"Hearing Level, Speakers, left ear", "4000"},
                                 {"Hearing Level, Speakers, right ear", "4000"},
                                 {"Hearing Level, Speakers, binaural", "4000"}},
                                MeasurementEntry::HearingLevel,
                                {TransducerType::Speakers}}),
    [](const testing::TestParamInfo<FaultFamily> &family) {
        return QString::fromLatin1(family.param.profile).remove(QLatin1Char('-')).toStdString();
    });

INSTANTIATE_TEST_SUITE_P(EarOrder, FaultyAudiometer,
                         testing::Values(std::vector<Ear>{Ear::Left, Ear::Right},
                                         std::vector<Ear>{Ear::Right, Ear::Left}),
                         [](const testing::TestParamInfo<std::vector<Ear>> &order) {
                             return order.param.front() == Ear::Left ? "LeftThenRight" : "RightThenLeft";
                         });

TEST(DemoTruthTest, SecondDemoFindsTheFirstTestAndKeepsOneTestPerDay)
{
    TempDir dir;
    const DemoRun first = runDemo(optionsFor(dir, QStringLiteral("faulty")));
    ASSERT_EQ(first.exitCode, 0) << first.printed.toStdString();
    EXPECT_TRUE(first.demo->outcome().earlierTestIds.empty());

    const DemoRun second = runDemo(optionsFor(dir, QStringLiteral("good")));
    ASSERT_EQ(second.exitCode, 0) << second.printed.toStdString();
    const int firstId = first.demo->outcome().savedTestId;
    EXPECT_EQ(second.demo->outcome().earlierTestIds, std::vector<int>{firstId});
    EXPECT_TRUE(second.printed.contains(QStringLiteral("  test %1 of ").arg(firstId)));
    // The same audiometer, technician and day: the new readings replace the earlier ones.
    EXPECT_EQ(second.demo->outcome().savedTestId, firstId);
    EXPECT_EQ(supraAuralStatuses(second.stored()), statusesFailing({}));
}

// A chosen subset runs alone and in the demonstration's order, and only it reaches the status table.
TEST(DemoTruthTest, MeasurementsOptionRunsOnlyTheNamedOnes)
{
    QString error;
    using enum MeasurementEntry;
    EXPECT_EQ(CalibrationDemo::parseMeasurements(QStringLiteral("fm, HL"), &error),
              (std::vector<MeasurementEntry>{FrequencyModulation, HearingLevel}));
    EXPECT_FALSE(CalibrationDemo::parseMeasurements(QStringLiteral("hl,loud"), &error));
    EXPECT_TRUE(error.startsWith(QLatin1String("unknown measurement 'loud'; the demo runs hl,freq,"))) << error.toStdString();
    // Speech harmonic distortion runs the speech page again; it is run when named only.
    EXPECT_EQ(CalibrationDemo::parseMeasurements(QStringLiteral("sdist,bb,speech"), &error),
              (std::vector<MeasurementEntry>{SpeechHarmonicDistortion, BroadBandNoise, Speech}));
    EXPECT_TRUE(std::ranges::none_of(CalibrationDemo::steps(), [](const demo::DemoStep &step) {
        return step.measurement == SpeechHarmonicDistortion;
    }));
    EXPECT_FALSE(CalibrationDemo::parseMeasurements(QStringLiteral(","), &error));

    TempDir dir;
    DemoOptions options = optionsFor(dir, QStringLiteral("faulty"), {Ear::Right});
    options.measurements = {FrequencyModulation, FrequencyAccuracy};
    const DemoRun run = runDemo(options);
    ASSERT_EQ(run.exitCode, 0) << run.printed.toStdString();
    EXPECT_EQ(run.demo->outcome().stepsMeasured,
              (std::vector<demo::DemoStep>{{FrequencyAccuracy, TransducerType::SupraAural, Ear::Right},
                                           {FrequencyModulation, TransducerType::SupraAural, Ear::Right}}));
    EXPECT_EQ(supraAuralStatuses(run.stored(), {HearingLevel, FrequencyAccuracy, FrequencyModulation, NarrowBandLevel}),
              (std::vector<int>{0, -1, -1, 0}));
    EXPECT_FALSE(run.printed.contains(QLatin1String("Hearing Level, right ear")));
    EXPECT_EQ(run.printed.count(QLatin1String("FAIL")), 2);
}

TEST(DemoTruthTest, UnknownProfileIsRefusedBeforeAnythingIsTouched)
{
    TempDir dir;
    const DemoRun run = runDemo(optionsFor(dir, QStringLiteral("no-such-profile")));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.printed.startsWith(QLatin1String("No audiometer profile 'no-such-profile'")));
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("demo.sqlite"))));
}

} // namespace
} // namespace tonva::test

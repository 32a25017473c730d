#include "MeterRig.h"
#include "SignalQualityBench.h"
#include "measure/PulseTest.h"
#include "meter/ComPort.h"
#include "meter/MeterStatus.h"
#include "meter/SlmFileList.h"
#include "sim/BuiltInSimulator.h"
#include "sim/SimulatedTechnician.h"
#include "support/ScriptedInteraction.h"

#include <QFile>

namespace tonva::test {
namespace {

struct PulseBench : SignalQualityBench
{
    using SignalQualityBench::SignalQualityBench;

    int measure(Ear ear)
    {
        registerPulsePage(pages);
        return measureAll(pages, MeasurementEntry::PulsedTones, TransducerType::SupraAural, ear);
    }
    const PulseResult &stored() const { return record->pulse[0]; }
    int status() const { return record->statusOf(MeasurementKind::PulsedTones, TransducerType::SupraAural); }
    PulseList list() const { return buildPulseList(record->setup, stored()); }

    PageRegistry pages;
};

TEST(PulseTruth, GoodAudiometerPassesOnBothEarsWithTheEnvelopeItPlays)
{
    PulseBench bench(QStringLiteral("good"));
    for (const Ear ear : {Ear::Left, Ear::Right}) {
        EXPECT_EQ(bench.measure(ear), measure::kDone);
        EXPECT_EQ(bench.list().verdict, ResultStatus::Passed) << bench.list().cells.join('|').toStdString();
    }
    EXPECT_NEAR(bench.stored().riseTime, 35.0, 0.5);
    EXPECT_NEAR(bench.stored().onTime, 225.0, 0.5);
    EXPECT_NEAR(bench.stored().plateau, 190.0, 0.5);
    EXPECT_GT(bench.stored().level, 100.0f);
    EXPECT_EQ(pulseword::measuredEar(bench.stored().spare), Ear::Right);
    EXPECT_EQ(bench.status(), 1);
    // The run switched the meter's display to its pulse view for the page.
    EXPECT_EQ(bench.bench->meter().simulator()->meter().displayView(), KeySimulator::kPulseView);
    EXPECT_TRUE(bench.bench->technician().unknownQuestions().isEmpty());
}

TEST(PulseOnAFlakyLine, ALostReplyIsRecoveredFromAndBothEarsStillPassWithTheRightLevel)
{
    PulseBench clean(QStringLiteral("good"));
    for (const Ear ear : {Ear::Left, Ear::Right})
        ASSERT_EQ(clean.measure(ear), measure::kDone);

    PulseBench bench(QStringLiteral("good"));
    SimulatedTechnician &technician = bench.bench->technician();
    LineFaults &faults = bench.bench->meter().simulator()->meter().faults();
    // The calibration offset query of each ear goes unanswered once, as a reply lost on a poor cable.
    technician.setEcho([&faults](const QString &line) {
        if (line.startsWith(QLatin1String("[set] ")))
            faults.overrideCommand("Q227");
        else if (line.contains(QLatin1String("Communication with the Trellan failed")))
            faults.clearOverrides();
    });
    for (const Ear ear : {Ear::Left, Ear::Right}) {
        EXPECT_EQ(bench.measure(ear), measure::kDone);
        EXPECT_EQ(bench.list().verdict, ResultStatus::Passed) << bench.list().cells.join('|').toStdString();
    }
    EXPECT_NEAR(bench.stored().riseTime, 35.0, 0.5);
    // The level carries the calibration offset that was read again, not the one that never came.
    EXPECT_NEAR(bench.stored().level, clean.stored().level, 0.1);
    EXPECT_EQ(bench.status(), 1);
    EXPECT_EQ(technician.transcript().filter(QStringLiteral("Communication with the Trellan failed")).size(), 2);
    EXPECT_EQ(technician.givenUp(), 0) << technician.transcript().join(QLatin1Char('\n')).toStdString();
}

TEST(PulseTruth, FaultyPulseFailsTheRiseTimeOnly)
{
    PulseBench bench(QStringLiteral("faulty-pulse"));
    EXPECT_EQ(bench.measure(Ear::Left), measure::kDone);
    const PulseList list = bench.list();
    EXPECT_EQ(list.verdict, ResultStatus::Failed);
    EXPECT_EQ(list.cells.mid(1), (QStringList{"(15.0)", "35.0", "225.0", "225.0", "200.0", "OK"}));
    EXPECT_EQ(bench.status(), -1);
}

TEST(PulseTruth, AFailedEarIsNotForgottenWhenTheOtherEarOverwritesTheBlock)
{
    TempDir dir;
    const QString path = dir.file("left-pulse.json");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"pulse": {"left": {"riseMs": 15.0}, "right": {"riseMs": 30.0}}})");
    file.close();

    PulseBench bench(path);
    EXPECT_EQ(bench.measure(Ear::Left), measure::kDone);
    EXPECT_EQ(bench.status(), -1);
    EXPECT_EQ(bench.measure(Ear::Right), measure::kDone);
    EXPECT_NEAR(bench.stored().riseTime, 30.0, 0.5);
    EXPECT_EQ(bench.list().verdict, ResultStatus::Passed) << "the block shows the right ear";
    EXPECT_EQ(pulseword::verdictOf(bench.stored().spare, Ear::Left), -1);
    EXPECT_EQ(bench.status(), -1);
}

PulseResult pulse(double rise, double fall, double on, double off, double plateau, std::int32_t spare = 0)
{
    PulseResult r;
    r.riseTime = static_cast<float>(rise);
    r.fallTime = static_cast<float>(fall);
    r.onTime = static_cast<float>(on);
    r.offTime = static_cast<float>(off);
    r.plateau = static_cast<float>(plateau);
    r.level = 100.0f;
    r.spare = spare;
    return r;
}

ResultStatus verdictOf(const PulseResult &result)
{
    return buildPulseList(hearingLevelRecord({1000})->setup, result).verdict;
}

TEST(PulseLimits, BoundsAreInclusiveAndEachTimeIsJudgedOnItsOwn)
{
    EXPECT_EQ(verdictOf(pulse(20.0, 50.0, 190.0, 260.0, 150.0)), ResultStatus::Passed);
    EXPECT_EQ(verdictOf(pulse(19.5, 35, 225, 225, 190)), ResultStatus::Failed);
    EXPECT_EQ(verdictOf(pulse(35, 50.5, 225, 225, 190)), ResultStatus::Failed);
    EXPECT_EQ(verdictOf(pulse(35, 35, 260.5, 225, 190)), ResultStatus::Failed);
    EXPECT_EQ(verdictOf(pulse(35, 35, 225, 189.5, 190)), ResultStatus::Failed);
    EXPECT_EQ(verdictOf(pulse(35, 35, 225, 225, 149.5)), ResultStatus::Failed);
    const PulseList list = buildPulseList(hearingLevelRecord({1000})->setup, pulse(35, 35, 260.5, 225, 190));
    EXPECT_EQ(list.cells[3], "(260.5)");

    PulseResult quiet = pulse(5, 5, 5, 5, 5);
    quiet.level = 10.0f;
    EXPECT_EQ(verdictOf(quiet), ResultStatus::NotJudged);
    EXPECT_TRUE(buildPulseList(hearingLevelRecord({500})->setup, quiet).cells.isEmpty());
}

TEST(PulseLimits, TheOnOffRatioVerdictSurvivesStoringTheBlock)
{
    const std::int32_t spare = pulseword::withReading(0, 0x21, Ear::Left, false);
    EXPECT_TRUE(pulseword::ratioFailed(spare));
    EXPECT_EQ(spare & 0xff, 0x21) << "the meter's status byte keeps its place for the reports";
    // A record reloaded from its stored image still fails on the ratio alone.
    auto record = hearingLevelRecord({1000});
    record->pulse[0] = pulse(35, 35, 225, 225, 190, spare);
    const AudTestRecord reloaded = *record;
    const PulseList list = buildPulseList(reloaded.setup, reloaded.pulse[0]);
    EXPECT_EQ(list.verdict, ResultStatus::Failed);
    EXPECT_EQ(list.cells.last(), "(Failed)");
    EXPECT_EQ(pulseword::measuredEar(spare), Ear::Left);
    EXPECT_FALSE(pulseword::measuredEar(0)) << "a block stored before the ear was kept";
}

// The pulse page on a meter that never answers `command`.
struct PulseRig : MeterRig
{
    explicit PulseRig(const char *command) : MeterRig(TrellanProfile{}, refusing(command)) {}
    static LineFaults refusing(const char *command)
    {
        LineFaults faults;
        faults.overrideCommand(command);
        return faults;
    }
};

// A pulse read without a row named is filed under the row the analysed frequency falls on: the first
// not below it, none above the table.
TEST(PulseDownload, AReadingOfThePlayingToneIsFiledByTheFrequencyTheMeterFound)
{
    MeterRig rig;
    ASSERT_EQ(rig.port.Open(), 0);
    auto test = rig.page<PulseTest>(MeasurementEntry::PulsedTones);
    PureTone tone;
    tone.splDb = 105.0;
    tone.pulse = PulseEnvelope{};
    for (const double hertz : {1990.0, 20500.0}) {
        tone.frequencyHz = hertz;
        rig.simulator.scene().setSound(tone);
        ASSERT_EQ(test->ReadPlayingPulse(), meter::kOk) << hertz;
    }
    constexpr int k2000Hz = 16;
    for (int row = 0; row < kFrequencyCount; ++row)
        EXPECT_EQ(test->readingAt(row).has_value(), row == k2000Hz) << row;
    EXPECT_NEAR(test->readingAt(k2000Hz)->frequencyHz, 1990.0, 0.01);
    EXPECT_NEAR(test->lastReading().frequencyHz, 20500.0, 0.01);
    EXPECT_NEAR(rig.record->pulse[0].onTime, 225.0, 0.5) << "stored as any reading is";
    EXPECT_EQ(test->Evaluate(), 1);
}

TEST(PulseOnAFlakyLine, AMeterThatStopsAnsweringEndsTheRunAfterAFewRecoveries)
{
    PulseRig rig("Q227");
    ASSERT_EQ(rig.port.Open(), 0);
    auto test = rig.page<PulseTest>(MeasurementEntry::PulsedTones);
    ScriptedInteraction &technician = rig.technician;
    technician.expectAskToSet("Set PULSED 110 dBHL (or max level) Left at 1000.0 Hz", Answer::Ok);
    for (int attempt = 1; attempt < PulseTest::kReadyAttempts; ++attempt)
        technician.expectAskStartingWith("Communication with the Trellan failed.", Answer::Ok);
    EXPECT_EQ(test->MeasureAll(), meter::kNoReply);
    technician.verifyDone();
    EXPECT_EQ(test->Evaluate(), 0);
}

TEST(PulseDownload, AGivenUpDownloadEndsTheReadingInsteadOfAskingForEver)
{
    PulseRig rig("&R7");
    ASSERT_EQ(rig.port.Open(), 0);
    auto test = rig.page<PulseTest>(MeasurementEntry::PulsedTones);
    ScriptedInteraction &technician = rig.technician;
    technician.expectAskToSet("Set PULSED 110 dBHL (or max level) Left at 1000.0 Hz", Answer::Ok)
        .expectAskStartingWith("Could not download data from Trellan after 5 tries!", Answer::Cancel)
        .expectMessageStartingWith("Download Error:-21 Offset:");
    EXPECT_EQ(test->MeasureAll(), measure::kCancelled);
    technician.verifyDone();
    EXPECT_EQ(test->Evaluate(), 0);
}

} // namespace
} // namespace tonva::test

#include "app/DesktopBench.h"

#include "meter/MeterConnection.h"
#include "model/TestSetup.h"
#include "platform/Clock.h"
#include "support/ScriptedInteraction.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace tonva {
namespace {

using test::ScriptedInteraction;

Stimulus tone(double frequencyHz, double dialLevel)
{
    Stimulus stimulus;
    stimulus.transducer = TransducerType::SupraAural;
    stimulus.ear = Ear::Right;
    stimulus.signal = QStringLiteral("tone");
    stimulus.frequencyHz = frequencyHz;
    stimulus.dialLevel = dialLevel;
    return stimulus;
}

TEST(DesktopBenchTest, OnlyAConfirmedSetPromptSetsTheSimulatedAudiometer)
{
    SystemClock clock;
    DesktopMeterSource source(clock, *AudiometerProfile::load(QStringLiteral("good")));
    ScriptedInteraction technician;
    TestSetup setup;
    BenchInteraction bench(
        technician, [&source] { return source.audiometer(); }, [&setup] { return &setup; });

    // A real meter: the prompt goes to the technician and nothing is simulated.
    technician.expectAskToSet(QStringLiteral("Set 1000 Hz"), Answer::Ok);
    EXPECT_EQ(bench.askToSet(QStringLiteral("Set 1000 Hz"), tone(1000, 70), Buttons::OkCancel), Answer::Ok);
    EXPECT_EQ(source.audiometer(), nullptr);

    EXPECT_TRUE(source.sourceFor(QStringLiteral(" SIM "), 1).builtIn());
    ASSERT_NE(source.audiometer(), nullptr);
    technician.expectAskToSet(QStringLiteral("Set 2000 Hz"), Answer::Ok);
    bench.askToSet(QStringLiteral("Set 2000 Hz"), tone(2000, 60), Buttons::OkCancel);
    const DialSetting &dial = source.audiometer()->channel(0);
    EXPECT_TRUE(dial.on);
    EXPECT_EQ(dial.frequencyHz, 2000.0);
    EXPECT_EQ(dial.dialLevel, 60.0);
    EXPECT_EQ(dial.ear, Ear::Right);

    technician.expectAskToSet(QStringLiteral("Set 4000 Hz"), Answer::Cancel);
    EXPECT_EQ(bench.askToSet(QStringLiteral("Set 4000 Hz"), tone(4000, 50), Buttons::OkCancel),
              Answer::Cancel);
    EXPECT_EQ(source.audiometer()->channel(0).frequencyHz, 2000.0);
    technician.verifyDone();
}

// The desktop program's meter: the built-in simulator on the real clock, sped up so Connect takes
// moments, and the same meter again after Disconnect.
TEST(DesktopBenchTest, TheBuiltInMeterConnectsOnTheRealClock)
{
    SystemClock clock;
    DesktopMeterSource source(clock, *AudiometerProfile::load(QStringLiteral("good")));
    ScriptedInteraction technician;
    QElapsedTimer timer;
    timer.start();
    for (int round = 0; round < 2; ++round) {
        const MeterSource &meterSource = source.sourceFor(QStringLiteral("sim"), 1);
        EXPECT_EQ(&meterSource.clock(), &clock);
        MeterConnection meter(meterSource, technician);
        ASSERT_EQ(meter.Connect(meterSource.portNumber(), 9600), 0);
        EXPECT_TRUE(meter.modelReply().startsWith("Mervane"));
        meter.Disconnect();
    }
    EXPECT_LT(timer.elapsed(), 20000);
    const DesktopBench *first = source.bench();
    source.sourceFor(QStringLiteral("sim"), 1);
    EXPECT_EQ(source.bench(), first);
    const MeterSource &device = source.sourceFor(QStringLiteral("/dev/ttyUSB9"), 1);
    EXPECT_FALSE(device.builtIn());
    EXPECT_EQ(device.devicePath(), QStringLiteral("/dev/ttyUSB9"));
    EXPECT_EQ(source.sourceFor(QString(), 3).portNumber(), 3); // the older numbered port
}

} // namespace
} // namespace tonva

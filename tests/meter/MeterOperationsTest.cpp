#include "LinkFixture.h"
#include "meter/MeterConnection.h"
#include "meter/MeterStatus.h"
#include "meter/StableSpectrum.h"
#include "sim/BuiltInSimulator.h"

#include <cmath>
#include <utility>

using namespace tonva;
using namespace tonva::test;

namespace {

class MeterOperationsTest : public LinkFixture
{
protected:
    // Keeps only the commands sent from now on.
    void forgetCommands() { meter.commands.clear(); }
};

TEST_F(MeterOperationsTest, ModeIsReadByPrefixAndOnlyValidModesAreSent)
{
    EXPECT_EQ(link.GetMode(), MeterMode::SlmRta);
    trellan.mode = "Unknown";
    EXPECT_EQ(link.GetMode(), MeterMode::Unknown);

    forgetCommands();
    EXPECT_EQ(link.SetMode(static_cast<MeterMode>(4)), 0);
    EXPECT_TRUE(meter.commands.isEmpty());
    EXPECT_EQ(link.SetMode(MeterMode::PulseFm), 1);
    EXPECT_EQ(meter.commands, QByteArrayList{"S143,2"});
}

TEST_F(MeterOperationsTest, GainChangeAcrossTheInputStageWarnsOfTheLongWait)
{
    const RealTimeLimit limit;
    trellan.gain = 1;
    trellan.gainSettleMs = 45000;
    auto progress = interaction.openProgress(QStringLiteral("Gain"), 0, 100, 10);
    EXPECT_EQ(link.SetGain(3, progress.get()), 1) << "returns the gain the meter had";
    EXPECT_EQ(trellan.gain, 3);
    EXPECT_TRUE(interaction.progressStatuses().contains(
        QStringLiteral("Setting the gain on the Trellan.  This may take up to 45 seconds.")));
    EXPECT_GE(clock.nowMs(), 45000) << "waited for the meter to settle";
    EXPECT_TRUE(link.IsRunning());
}

TEST_F(MeterOperationsTest, GainChangeWithinTheInputStageHasNoNote)
{
    auto progress = interaction.openProgress(QStringLiteral("Gain"), 0, 100, 10);
    EXPECT_EQ(link.SetGain(3, progress.get()), 2);
    EXPECT_TRUE(
        interaction.progressStatuses().contains(QStringLiteral("Setting the gain on the Trellan.  ")));

    forgetCommands();
    EXPECT_EQ(link.SetGain(3), 3) << "same gain: nothing to do";
    EXPECT_EQ(meter.commands, QByteArrayList{"Q148,32"});
}

TEST_F(MeterOperationsTest, GainChangeCancelledInTheProgressDialog)
{
    interaction.cancelProgressAfterChecks(0);
    auto progress = interaction.openProgress(QStringLiteral("Gain"), 0, 100, 10);
    EXPECT_EQ(link.SetGain(5, progress.get()), meter::kCancelled);
    EXPECT_EQ(trellan.gain, 2);
}

TEST_F(MeterOperationsTest, WaitRunStateGivesUpAfterSixtyPolls)
{
    const RealTimeLimit limit;
    trellan.settledAtMs = 1'000'000'000; // never settles
    EXPECT_EQ(link.WaitRunState('R'), meter::kRunStateTimeout);
    EXPECT_GE(clock.nowMs(), 60000);
    EXPECT_EQ(meter.count("M3"), 30) << "10 run requests of 3 rounds each";
}

TEST_F(MeterOperationsTest, WaitRunStateEndsOnALinkError)
{
    meter.setResponder([](const QByteArray &, char) { return Reply::none(); });
    EXPECT_EQ(link.WaitRunState('R'), meter::kNoReply);
    EXPECT_EQ(meter.count("R 3,1"), 2) << "the poll is asked once more, then the wait ends";
}

TEST_F(MeterOperationsTest, SetupForBoothOnlyEnsuresInstrumentAndMode)
{
    trellan.instrument = "SSA";
    trellan.mode = "FFT mode";
    trellan.weighting = "A";
    EXPECT_EQ(link.SetupMeterForTest(MeterMode::SlmRta, -1), 1);
    EXPECT_EQ(meter.count("&I2,AudTest.AUD"), 1);
    EXPECT_EQ(meter.count("S143,0"), 1);
    for (const QByteArray &command : meter.commands)
        EXPECT_FALSE(command.startsWith("S46") || command.startsWith("S45") || command.startsWith("S135"))
            << command.constData();
}

TEST_F(MeterOperationsTest, SetupSetsTheModeWhenTheMeterReportsAnUnknownOne)
{
    trellan.mode = "Unknown";
    EXPECT_EQ(link.SetupMeterForTest(MeterMode::Fft, 1), 1);
    EXPECT_EQ(meter.count("S143,1"), 1);
    EXPECT_EQ(meter.count("S46,2"), 1);
    EXPECT_EQ(meter.count("S135,2"), 1);
    EXPECT_TRUE(link.IsRunning()) << "the meter is left running";
}

TEST_F(MeterOperationsTest, SetupOfAReadyMeterChangesNothing)
{
    forgetCommands();
    EXPECT_EQ(link.SetupMeterForTest(MeterMode::SlmRta, 0), 1);
    EXPECT_EQ(meter.commands, (QByteArrayList{"R180", "Q143", "Q46"}));
}

// A set-up that stopped the meter and then lost a setting's acknowledgement leaves the mode and
// weighting as wanted; the next set-up must not report a stopped meter ready, and a gain already
// right must not either.
TEST_F(MeterOperationsTest, SetupGivenUpHalfWayDoesNotLeaveTheMeterStopped)
{
    trellan.mode = "Unknown";
    bool detectorLost = false;
    meter.setResponder([&](const QByteArray &text, char sum) {
        if (text.startsWith("S45,") && !std::exchange(detectorLost, true))
            return Reply::none();
        return trellan(text, sum);
    });
    interaction.expectMessage(QStringLiteral("Unable to set detector on the Trellan."));
    EXPECT_EQ(link.SetupMeterForTest(MeterMode::Fft, 1), 0);
    ASSERT_FALSE(trellan.running);
    EXPECT_EQ(link.SetupMeterForTest(MeterMode::Fft, 1), 1);
    EXPECT_TRUE(trellan.running);

    link.StopMeter();
    EXPECT_EQ(link.SetGain(trellan.gain), trellan.gain);
    EXPECT_TRUE(trellan.running);
    forgetCommands();
    EXPECT_EQ(link.SetupMeterForTest(MeterMode::Fft, 1), 1);
    EXPECT_EQ(meter.commands, (QByteArrayList{"R180", "Q143", "Q46"})) << "a running meter is not asked again";
}

TEST_F(MeterOperationsTest, DistortionSetupTurnsOnTheHanningWindow)
{
    trellan.mode = "SLM/RTA mode";
    trellan.hanning = false;
    EXPECT_EQ(link.SetupMeterForTest(MeterMode::Fft, 3), 1);
    EXPECT_EQ(meter.count("S147,1"), 1);
    EXPECT_TRUE(link.IsRunning());
}

TEST_F(MeterOperationsTest, SilentMeterWithoutTechnicianIsGivenUpOnBoundedly)
{
    const RealTimeLimit limit;
    meter.setResponder([](const QByteArray &, char) { return Reply::none(); });
    EXPECT_EQ(link.SetupMeterForTest(MeterMode::SlmRta, 0, false), 0);
    EXPECT_EQ(meter.opens, 4) << "first open plus three recovery rounds";
}

TEST_F(MeterOperationsTest, SilentMeterWithTechnicianWhoCancels)
{
    meter.setResponder([](const QByteArray &, char) { return Reply::none(); });
    interaction.expectAsk(
        QStringLiteral("An Error occurred in the port connection to the Trellan.\nPlease verify "
                       "that all connections are correct and the Trellan is turned on\nPress OK "
                       "to continue or cancel to quit."),
        Answer::Cancel);
    EXPECT_EQ(link.SetupMeterForTest(MeterMode::SlmRta, 0, true), 0);
}

TEST_F(MeterOperationsTest, BandwidthFollowsTheThreshold)
{
    trellan.bandwidth = 3;
    EXPECT_EQ(link.SelectBandwidth(16, 16), 0);
    EXPECT_EQ(trellan.bandwidth, 6);
    forgetCommands();
    EXPECT_EQ(link.SelectBandwidth(20, 16), 0);
    EXPECT_EQ(meter.commands, QByteArrayList{"Q145,32"});
    EXPECT_EQ(link.SelectBandwidth(3, 16), 0);
    EXPECT_EQ(trellan.bandwidth, 3);
}

TEST_F(MeterOperationsTest, TransducerFollowsTheMicrophone)
{
    EXPECT_EQ(link.MatchTransducerToMic(QStringLiteral("TMC-40P1")), 0);
    EXPECT_EQ(trellan.transducer, 1);
    forgetCommands();
    EXPECT_EQ(link.MatchTransducerToMic(QStringLiteral("TMC-40P1")), 0);
    EXPECT_EQ(meter.commands, QByteArrayList{"Q 51,32"});
    EXPECT_EQ(link.MatchTransducerToMic(QStringLiteral("4134")), 0);
    EXPECT_EQ(trellan.transducer, 0);
}

TEST_F(MeterOperationsTest, TransducerAnswerIsReadEvenWithABadChecksum)
{
    meter.setResponder([](const QByteArray &, char sum) { return Reply::corrupt(sum, "1"); });
    EXPECT_EQ(link.GetTransducer(), 1);
    meter.setResponder([](const QByteArray &, char) { return Reply::none(); });
    EXPECT_EQ(link.GetTransducer(), meter::kNoReply);
}

TEST_F(MeterOperationsTest, BatteryLineShowsPercentOrVolts)
{
    meter.setResponder([](const QByteArray &text, char sum) {
        return Reply::text(sum, text == "R 86" ? "87.24" : text == "R 87" ? "OK" : "6.1");
    });
    EXPECT_EQ(link.BatteryLine(), QStringLiteral("Battery Level: 87.2% OK"));
    meter.setResponder([](const QByteArray &text, char sum) {
        return Reply::text(sum, text == "R 86" ? "87" : text == "R 87" ? "EXT" : "6.14");
    });
    EXPECT_EQ(link.BatteryLine(), QStringLiteral("Battery Level: 6.1V EXT"));
}

// --- stable spectrum ---

QByteArray recordWithBand(int band, double level)
{
    QByteArray record(meter::kThirdOctaveRecordSize, '\0');
    for (int k = 0; k < meter::kBandCount; ++k)
        record[3 + 2 * k] = 40;
    const int whole = static_cast<int>(level);
    record[3 + 2 * band] = static_cast<char>(whole);
    record[4 + 2 * band] = static_cast<char>(static_cast<int>((level - whole) * 256));
    return record;
}

TEST_F(MeterOperationsTest, SteadySpectrumReturnsTheEnergyMeanAfterFiveReads)
{
    const QList<double> readings = {70.0, 70.5, 70.0, 70.5, 70.0};
    int read = 0;
    trellan.record = [&] { return recordWithBand(19, readings.value(read++, 99.0)); };
    meter::BandLevels levels{};
    EXPECT_EQ(ReadStableSpectrum(link, files, 19, 1.0f, levels, nullptr, {}, 1.0, 200), 0);
    EXPECT_EQ(meter.count("&R1"), 5);
    const double expected = 10.0 * std::log10((3 * std::pow(10.0, 7.1) + 2 * std::pow(10.0, 7.15)) / 5.0);
    EXPECT_NEAR(levels[19], expected, 1e-4) << "calibration offset added, energies averaged";
    EXPECT_NEAR(levels[0], 41.0, 1e-4);
    EXPECT_NEAR(link.lastSpread(), 0.5, 1e-6);
}

TEST_F(MeterOperationsTest, SwingingSpectrumGivesUpAfterSixteenReads)
{
    const RealTimeLimit limit;
    int read = 0;
    trellan.record = [&] { return recordWithBand(19, (read++ % 2) ? 75.0 : 70.0); };
    meter::BandLevels levels{};
    auto progress = interaction.openProgress(QStringLiteral("Reading"), 0, 100, 10);
    EXPECT_EQ(ReadStableSpectrum(link, files, 19, 0.0f, levels, progress.get(), {}, 1.0, 500), -1);
    EXPECT_EQ(meter.count("&R1"), 16);
    EXPECT_TRUE(interaction.progressStatuses().contains(
        QStringLiteral("Attempting to get a stable reading: High - low = 5.0")));
}

TEST_F(MeterOperationsTest, CorrectionsApplyToTheBandsAtTheirOwnCentres)
{
    trellan.record = [] { return recordWithBand(19, 70.0); };
    std::array<float, meter::kTestFrequencyCount> corrections{};
    corrections[12] = 2.5f; // 1000 Hz
    corrections[10] = 9.0f; // 750 Hz has no band of its own
    meter::BandLevels levels{};
    EXPECT_EQ(ReadStableSpectrum(link, files, 19, 0.0f, levels, nullptr, corrections, 0.1, 0), 0);
    EXPECT_NEAR(levels[19], 67.5, 1e-4);
    EXPECT_NEAR(levels[18], 40.0, 1e-4);
}

// --- connect ---

class ConnectTest : public ::testing::Test
{
protected:
    void SetUp() override { meter.setResponder(std::ref(trellan)); }

    VirtualClock clock;
    FakeMeter meter{clock};
    ScriptedTrellan trellan{clock};
    ScriptedInteraction interaction;
    MeterConnection connection{meter.factory(), clock, interaction};
};

TEST_F(ConnectTest, ConnectsAndReportsWhatItFound)
{
    EXPECT_EQ(connection.Connect(3, 19200), 0);
    ASSERT_TRUE(connection.isConnected());
    EXPECT_EQ(connection.modelReply(), QByteArray("Mervane Trellan 824"));
    EXPECT_DOUBLE_EQ(connection.firmwareVersion(), 2.10);
    EXPECT_EQ(connection.baudRate(), 19200);
    EXPECT_NE(connection.link(), nullptr);
}

TEST_F(ConnectTest, OldFirmwareFailsAndDropsTheLink)
{
    trellan.firmware = "1.5";
    interaction.expectMessage(QStringLiteral("Firmware v1.500 in SLM. v2.0 required."));
    EXPECT_EQ(connection.Connect(1, 9600), meter::kFirmwareUnusable);
    EXPECT_FALSE(connection.isConnected());
    EXPECT_EQ(connection.link(), nullptr);
}

TEST_F(ConnectTest, GarbledIdentityReadIsALinkFailureNotAForeignMeter)
{
    // Every answer to the model query arrives with a bad checksum: the technician must hear about
    // the line, not that the meter is of the wrong make.
    meter.setResponder([this](const QByteArray &text, char sum) {
        return text == "R1" && meter.count("R1") > 1 ? Reply::corrupt(sum, "Mervane Trellan 824")
                                                     : trellan(text, sum);
    });
    interaction.expectMessageStartingWith(
        QStringLiteral("Unable to communicate with Trellan (error -205) using port# 2"));
    EXPECT_EQ(connection.Connect(2, 9600), meter::kBadChecksum);
    EXPECT_FALSE(connection.isConnected());
}

TEST_F(ConnectTest, SilentIdentityReadsAreJudgedByTheirEmptyAnswerAfterTheRetries)
{
    // The meter answered the rate search's "R1" and the first "R90", then falls silent to one query.
    QByteArray silentTo = "R1";
    meter.setResponder([&](const QByteArray &text, char sum) {
        return text == silentTo && meter.count(text) > 1 ? Reply::none() : trellan(text, sum);
    });
    interaction.expectMessage(QStringLiteral("SLM not Mervane Model Trellan."));
    EXPECT_EQ(connection.Connect(2, 9600), meter::kNotTrellan);
    EXPECT_GT(meter.count("R1"), 2) << "the model query is asked again before it is judged";
    EXPECT_FALSE(connection.isConnected());

    meter.commands.clear();
    silentTo = "R90";
    interaction.expectMessage(QStringLiteral("Firmware v0.000 in SLM. v1.188 required."));
    EXPECT_EQ(connection.Connect(2, 9600), meter::kFirmwareUnusable);
    EXPECT_GT(meter.count("R90"), 2);
    EXPECT_FALSE(connection.isConnected());
}

TEST(ConnectToSimulatorTest, IdentityWithMicroAndDegreeSignsConnects)
{
    VirtualClock clock;
    TrellanProfile profile;
    profile.model = QStringLiteral("Mervane Trellan 2240 \u00b5SLM");
    profile.serial = QStringLiteral("T\u00b041873");
    BuiltInSimulator simulator(clock, profile);
    ScriptedInteraction interaction;
    MeterConnection connection(simulator.portFactory(), clock, interaction);
    ASSERT_EQ(connection.Connect(1, 9600), 0);
    EXPECT_EQ(connection.modelReply(), QByteArray("Mervane Trellan 2240 \xb5SLM S/N T\xb0"
                                                  "41873"));
}

TEST_F(ConnectTest, SilentOrMissingMeterTellsTheTechnicianWhatToCheck)
{
    meter.setResponder([](const QByteArray &, char) { return Reply::none(); });
    interaction.expectMessage(
        QStringLiteral("Unable to communicate with Trellan (error -201) using port# 4\nVerify that the port "
                       "setting is correct "
                       "(Test/Preferences/RS232 Port)\n and that the Trellan is connected"));
    EXPECT_EQ(connection.Connect(4, 9600), meter::kNoReply);

    meter.openResult = SerialPort::kUnavailable;
    interaction.expectMessageStartingWith(
        QStringLiteral("Unable to communicate with Trellan (error -10) using port# 4"));
    EXPECT_EQ(connection.Connect(4, 9600), meter::kPortUnavailable);
    EXPECT_FALSE(connection.isConnected());
}

TEST_F(ConnectTest, TurnOffStopsTheMeterSwitchesItOffAndCloses)
{
    ASSERT_EQ(connection.Connect(1, 9600), 0);
    meter.commands.clear();
    EXPECT_EQ(connection.TurnOff(), 0);
    EXPECT_EQ(meter.commands.first(), QByteArray("M4"));
    EXPECT_EQ(meter.commands.last(), QByteArray("M2"));
    EXPECT_FALSE(connection.isConnected());
}

} // namespace

#include "meter/MeterCalibration.h"
#include "meter/MeterStatus.h"
#include "support/MeterLine.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace tonva;
using namespace tonva::test;

namespace {

const QString kActivate = MeterCalibration::activateCalibratorText();

TrellanProfile readsHighBy(double error, double calibrationLevel = 114.0)
{
    TrellanProfile profile;
    profile.calibrationError = error;
    profile.calibrationLevel = calibrationLevel;
    return profile;
}

// The calibration on an open link to the built-in meter, on virtual time, with a 114 dB 1 kHz
// calibrator on the microphone.
class MeterCalibrationTest : public ::testing::Test, protected MeterLine
{
protected:
    explicit MeterCalibrationTest(TrellanProfile profile = readsHighBy(0.3)) : MeterLine(profile) {}

    void SetUp() override
    {
        m_timer.start();
        ASSERT_EQ(port.Open(), 0);
        simulator.scene().setSound(PureTone{1000.0, 114.0});
    }
    void TearDown() override { EXPECT_LT(m_timer.elapsed(), 5000) << "virtual-time path took real time"; }

    std::unique_ptr<MeterCalibration> calibration(std::vector<MeterCalibration::Calibrator> calibrators,
                                                  std::vector<MeterCalibration::Microphone> microphones)
    {
        return std::make_unique<MeterCalibration>(link, files, preferences, std::move(calibrators),
                                                  std::move(microphones));
    }
    std::unique_ptr<MeterCalibration> openCalibration()
    {
        auto logic = calibration({calibrator}, {microphone});
        EXPECT_TRUE(logic->open());
        return logic;
    }

    // The commands sent since recording began, without the run-state polls between them.
    std::vector<QByteArray> sentWithoutPolls()
    {
        std::vector<QByteArray> sent;
        for (const QByteArray &command : simulator.meter().commandLog()) {
            if (command != "R 3,1")
                sent.push_back(command);
        }
        return sent;
    }
    bool sent(const QByteArray &prefix)
    {
        for (const QByteArray &command : simulator.meter().commandLog()) {
            if (command.startsWith(prefix))
                return true;
        }
        return false;
    }

    MeterCalibration::Calibrator calibrator{"Brel", "CAL200", "C-1001", 1000.0, 114.0};
    MeterCalibration::Microphone microphone{"Brel", "MK224", "M-77", {}};

private:
    QElapsedTimer m_timer;
};

TEST(MeterCalibrationFrequency, CalibratorFrequencyPicksItsTestFrequencyAndNeverPassesTheLastBand)
{
    EXPECT_EQ(MeterCalibration::frequencyIndexOf(1000.0), 12);
    EXPECT_EQ(MeterCalibration::frequencyIndexOf(250.0), 5);
    // Just above a frequency stays with it; a tenth of the way to the next moves on.
    EXPECT_EQ(MeterCalibration::frequencyIndexOf(1020.0), 12);
    EXPECT_EQ(MeterCalibration::frequencyIndexOf(1025.0), 13);
    EXPECT_EQ(MeterCalibration::frequencyIndexOf(20000.0), 38);
    EXPECT_EQ(MeterCalibration::frequencyIndexOf(25000.0), 38);
}

TEST_F(MeterCalibrationTest, OpeningRemembersTheChoicesAndReadsTheDifferenceWithItsSign)
{
    preferences.write(preference::SnLastMike, QStringLiteral("M-78"));
    MeterCalibration::Microphone second = microphone;
    second.serialNumber = QStringLiteral("M-78");
    second.response[12] = 0.5F; // 1 kHz
    auto logic = calibration({{"Acme", "A1", "C-9", 250.0, 94.0}, calibrator}, {microphone, second});
    ASSERT_TRUE(logic->open());
    EXPECT_EQ(logic->calibratorRow(), 0) << "no calibrator remembered: the first";
    EXPECT_EQ(logic->microphoneRow(), 1);
    EXPECT_EQ(logic->calibratorLabels(), (QStringList{"C-9 (A1)", "C-1001 (CAL200)"}));
    EXPECT_EQ(simulator.meter().gainIndex(), meter::kGainZeroDb);
    EXPECT_EQ(simulator.meter().instrument(), 7) << "the audiometer-test instrument is loaded";
    EXPECT_TRUE(technician.progressStatuses().contains("Waiting for SLM to Stabilize...please wait."));
    EXPECT_DOUBLE_EQ(logic->offset(), 0.83);

    logic->chooseCalibrator(1);
    EXPECT_EQ(preferences.read(preference::SnLastCalibrator), QStringLiteral("C-1001"));
    EXPECT_EQ(simulator.meter().displayBand(), 19) << "the meter shows the 1 kHz band";
    const MeterCalibration::CalibratorFields fields = logic->calibratorFields();
    EXPECT_EQ(fields.frequency, QStringLiteral("1000.0"));
    EXPECT_EQ(fields.outputLevel, QStringLiteral("114.0"));

    // The meter reads 114.3; the chosen microphone's 0.5 dB at 1 kHz is taken off.
    std::optional<MeterCalibration::Reading> reading = logic->tick();
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->measuredText, QStringLiteral("113.8"));
    EXPECT_EQ(reading->differenceText, QStringLiteral("-0.2"));
    logic->chooseMicrophone(0);
    reading = logic->tick();
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->measuredText, QStringLiteral("114.3"));
    EXPECT_EQ(reading->differenceText, QStringLiteral("+0.3"));
}

TEST_F(MeterCalibrationTest, SetCalibrationSendsItsSequenceAndLowersTheOffsetByTheDifference)
{
    auto logic = openCalibration();
    simulator.meter().recordCommands(true);
    technician.expectAsk(kActivate, Answer::Ok);

    EXPECT_EQ(logic->setCalibration(), MeterCalibration::Outcome::Calibrated);

    const std::vector<QByteArray> expected{"Q148,32", "Q148,32", "&R1", "&R1", "&R1", "&R1", "&R1",
                                           "M4", "S1,1", "Q41", "S41,317.06", "S227, 0.53", "S230,20.0",
                                           "S41,114.00", "Q148,32", "M3"};
    EXPECT_EQ(sentWithoutPolls(), expected);
    EXPECT_NEAR(simulator.meter().calibrationOffset(), 0.53, 1e-9);
    EXPECT_NEAR(logic->offset(), 0.83 - 0.3, 0.01);
    EXPECT_DOUBLE_EQ(simulator.meter().calibrationLevel(), 114.0) << "the prior level is back";
    EXPECT_TRUE(simulator.meter().isRunning(clock.nowMs()));
    EXPECT_EQ(technician.progressStatuses().mid(technician.progressStatuses().indexOf("Setting the Gain to 0;")),
              (QStringList{"Setting the Gain to 0;", "Getting a stable reading", "Changing the calibration offset",
                           "Setting gain back to beginning setting.", "Waiting for Trellan to stabilize"}));

    const std::optional<MeterCalibration::Reading> after = logic->tick();
    ASSERT_TRUE(after);
    EXPECT_NEAR(after->difference, 0.0, 0.05) << "the meter now reads the calibrator true";
}

TEST_F(MeterCalibrationTest, CancelBeforeTheLevelWasReadWritesNoCalibrationLevel)
{
    auto logic = openCalibration();
    link.SetGain(3);
    simulator.meter().recordCommands(true);
    technician.expectAsk(kActivate, Answer::Cancel);

    EXPECT_EQ(logic->setCalibration(), MeterCalibration::Outcome::Cancelled);

    EXPECT_FALSE(sent("S41")) << "no calibration level was read, so none is written back";
    EXPECT_FALSE(sent("S227"));
    EXPECT_EQ(simulator.meter().gainIndex(), 3) << "the gain is put back";
    EXPECT_TRUE(simulator.meter().isRunning(clock.nowMs()));
}

// Each step's failure, made by a meter that ignores (or refuses) one command after the opening.
TEST_F(MeterCalibrationTest, EveryFailureIsToldAndTheMeterIsLeftAsItWas)
{
    struct Case
    {
        const char *command;
        std::optional<QByteArray> reply; // nothing: the command goes unanswered
        QString message;
        bool levelWrittenBack;
        bool calibrated; // the failure came after the new offset was in
    };
    const Case cases[] = {
        {"Q148", {}, "Unable to set 0 dB gain on the Trellan (error -201).", false, false},
        {"M4", {}, "Unable to stop the Trellan (error -201).", false, false},
        {"S1,1", {}, "Unable to reset the Trellan (error -201).", false, false},
        {"Q41", {}, "Unable to Retrieve the original calibration Level on the Trellan (error -201).", false, false},
        {"S41,317", {}, "Unable to set the calibration key on the Trellan (error -201).", true, false},
        {"S227", QByteArray("Not Available"),
         "Unable to send the new calibration offset to the Trellan \n(error 0, Message 'Not Available').", true,
         false},
        {"S230", {}, "Unable to set the bias offset on the Trellan (error -201).", true, false},
        {"S41,114", {}, "Unable to reset the calibration level to the original value.\n(error -201, Message '').",
         true, true},
        {"S 148,3", {}, "Unable to set the gain back on the Trellan (error -201).", true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.command);
        auto logic = openCalibration();
        link.SetGain(3);
        const double offsetBefore = simulator.meter().calibrationOffset();
        simulator.meter().faults().overrideCommand(c.command, c.reply);
        simulator.meter().recordCommands(true);
        if (QByteArray(c.command) != "Q148")
            technician.expectAsk(kActivate, Answer::Ok);
        technician.expectMessage(c.message);

        const MeterCalibration::Outcome outcome = logic->setCalibration();

        technician.verifyDone();
        EXPECT_EQ(outcome, c.calibrated ? MeterCalibration::Outcome::Calibrated : MeterCalibration::Outcome::Failed);
        if (c.calibrated || QByteArray(c.command) == "S230")
            EXPECT_NEAR(simulator.meter().calibrationOffset(), logic->offset(), 0.005);
        else
            EXPECT_EQ(simulator.meter().calibrationOffset(), offsetBefore) << "the offset is untouched";
        EXPECT_EQ(sent("S41,114.00"), c.levelWrittenBack);
        EXPECT_TRUE(simulator.meter().isRunning(clock.nowMs())) << "the meter is run again";
        simulator.meter().faults().clearOverrides();
        EXPECT_EQ(simulator.meter().gainIndex(), QByteArray(c.command) == "S 148,3" ? 2 : 3)
            << "the gain is put back unless that is what failed";
        link.SetGain(2);
    }
}

TEST_F(MeterCalibrationTest, AFailedSteadyReadingIsToldWithTheTransferError)
{
    auto logic = openCalibration();
    simulator.meter().faults().overrideCommand("&R1");
    technician.expectAsk(kActivate, Answer::Ok)
        .expectAskStartingWith("Could not download data from Trellan after 5 tries!", Answer::Cancel)
        .expectMessageStartingWith("Download Error:-21 Offset:0.8")
        .expectMessageStartingWith("Unable to get stable SPL reading from the Trellan: reading ");
    EXPECT_EQ(logic->setCalibration(), MeterCalibration::Outcome::Failed);
    EXPECT_DOUBLE_EQ(simulator.meter().calibrationOffset(), 0.83);
}

class ImplausibleLevelTest : public MeterCalibrationTest
{
protected:
    ImplausibleLevelTest() : MeterCalibrationTest(readsHighBy(0.0, 125.0)) {}
};

TEST_F(ImplausibleLevelTest, ACalibrationLevelOutsideTheMetersRangeComesBackAs114)
{
    auto logic = openCalibration();
    technician.expectAsk(kActivate, Answer::Ok);
    EXPECT_EQ(logic->setCalibration(), MeterCalibration::Outcome::Calibrated);
    EXPECT_DOUBLE_EQ(simulator.meter().calibrationLevel(), 114.0);
}

TEST_F(MeterCalibrationTest, WithoutACalibratorNothingIsReadOrSet)
{
    technician.expectMessage(
        "No calibrator is in the instrument list.\nAdd one under Instrumentation to calibrate the Trellan.");
    auto logic = calibration({}, {microphone});
    ASSERT_TRUE(logic->open());
    EXPECT_FALSE(logic->canMeasure());
    EXPECT_TRUE(logic->statusText().startsWith("No calibrator"));

    simulator.meter().recordCommands(true);
    EXPECT_FALSE(logic->tick());
    technician.expectMessageStartingWith("No calibrator");
    EXPECT_EQ(logic->setCalibration(), MeterCalibration::Outcome::Unavailable);
    EXPECT_TRUE(simulator.meter().commandLog().empty());
}

TEST_F(MeterCalibrationTest, AMeterThatCannotBeReadiedLetsTheTechnicianGiveUp)
{
    simulator.meter().faults().overrideCommand("R180");
    technician.expectAsk("Could not set the Trellan properly for calibration!\nVerify that it is powered on, "
                         "stable, and connected to the PC.\nThen press OK!",
                         Answer::Cancel);
    EXPECT_FALSE(calibration({calibrator}, {microphone})->open());
}

} // namespace

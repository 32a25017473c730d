#include "sim/SimulatedTechnician.h"

#include "sim/SimulatedAudiometer.h"

#include <gtest/gtest.h>

using namespace tonva;

namespace {

const QString kTooLow = QStringLiteral(
    "Measured SPL was too low (4.2 dB).\n\nWould you like to measure again at 1000 Hz?\n(Please check the "
    "audiometer to make sure the signal is on\nand that it is set to 60 dBHL Left at 1000 Hz.\nAlso check "
    "the "
    "Trellan to make sure it is measuring data.)\n\nClick Yes to re-measure at this frequency.\nClick No to "
    "go on "
    "to the next frequency (if there is one).\nClick Cancel to cancel the measurement.");

struct Desk
{
    Desk() : driver(scene), audiometer(driver, AudiometerProfile{}), technician(audiometer) {}

    Answer set(double hz, const QString &signal = QStringLiteral("tone"))
    {
        return technician.askToSet(QStringLiteral("Set 60 dBHL Left at %1 Hz").arg(hz),
                                   {TransducerType::SupraAural, Ear::Left, signal, hz, 60.0});
    }

    AcousticScene scene;
    LocalSceneDriver driver;
    SimulatedAudiometer audiometer;
    SimulatedTechnician technician;
};

} // namespace

TEST(SimulatedTechnician, SetsTheAudiometerBeforePressingOkAndCancelsWhatItCannotSet)
{
    Desk desk;
    EXPECT_EQ(desk.set(2000.0), Answer::Ok);
    ASSERT_TRUE(std::holds_alternative<PureTone>(desk.scene.sound()));
    EXPECT_DOUBLE_EQ(std::get<PureTone>(desk.scene.sound()).frequencyHz, 2000.0);
    EXPECT_EQ(
        desk.technician.askToSet(QStringLiteral("Set FM"),
                                 {TransducerType::SupraAural, Ear::Right, QStringLiteral("FM"), 1000.0, 90.0},
                                 Buttons::YesNo),
        Answer::Yes);
    EXPECT_TRUE(std::get<PureTone>(desk.scene.sound()).fm.has_value());
    EXPECT_EQ(desk.technician.transcript().back(), QStringLiteral("[set] Set FM  => Yes"));
    EXPECT_EQ(desk.technician.failedStimuli(), 0);

    // A prompt it cannot carry out is cancelled, and what was set before stays set.
    EXPECT_EQ(desk.set(1000.0, QStringLiteral("chirp")), Answer::Cancel);
    EXPECT_EQ(desk.technician.failedStimuli(), 1);
    EXPECT_TRUE(
        desk.technician.transcript().back().contains(QLatin1String("cannot: The audiometer has no signal")));
    EXPECT_DOUBLE_EQ(std::get<PureTone>(desk.scene.sound()).frequencyHz, 1000.0);
}

TEST(SimulatedTechnician, TriesOnceMoreThenMovesOnAndStartsAfreshAtTheNextSetting)
{
    Desk desk;
    desk.set(1000.0);
    EXPECT_EQ(desk.technician.ask(kTooLow, Buttons::YesNoCancel), Answer::Yes);
    EXPECT_EQ(desk.technician.ask(kTooLow, Buttons::YesNoCancel), Answer::No);
    EXPECT_EQ(desk.technician.ask(kTooLow, Buttons::YesNoCancel), Answer::No);
    desk.set(2000.0);
    EXPECT_EQ(desk.technician.ask(kTooLow, Buttons::YesNoCancel), Answer::Yes);

    // The other known questions.
    EXPECT_EQ(desk.technician.ask(QStringLiteral("Do you wish to save your new readings?"), Buttons::YesNo),
              Answer::Yes);
    EXPECT_EQ(
        desk.technician.ask(QStringLiteral("Only a pure tone is heard. Make sure FM is set.\nTry Again?"),
                            Buttons::YesNo),
        Answer::Yes);
    const QString noLink = QStringLiteral("Communication with the Trellan failed.\nPlease verify that all "
                                          "connections are correct and the Trellan is turned on.");
    EXPECT_EQ(desk.technician.ask(noLink, Buttons::OkCancel), Answer::Ok);
    EXPECT_EQ(desk.technician.ask(noLink, Buttons::OkCancel), Answer::Ok);
    EXPECT_EQ(desk.technician.ask(noLink, Buttons::OkCancel), Answer::Cancel);
    EXPECT_TRUE(desk.technician.unknownQuestions().isEmpty());
}

TEST(SimulatedTechnician, RulesFitTheButtonsAndNewRulesComeFirst)
{
    Desk desk;
    // A Yes/No rule on an OK/Cancel box.
    desk.technician.addRule({QStringLiteral("Proceed"), {Answer::No}});
    EXPECT_EQ(desk.technician.ask(QStringLiteral("Proceed with the sweep?"), Buttons::OkCancel),
              Answer::Cancel);
    // Overrides a default rule.
    desk.technician.addRule({QStringLiteral("save your new readings"), {Answer::No}});
    EXPECT_EQ(desk.technician.ask(QStringLiteral("Do you wish to save your new readings?"), Buttons::YesNo),
              Answer::No);

    // A question nobody foresaw gets the first button and is kept for review.
    EXPECT_EQ(desk.technician.ask(QStringLiteral("Recalibrate the moon?"), Buttons::YesNoCancel),
              Answer::Yes);
    desk.technician.message(QStringLiteral("Done.\nAll good."));
    EXPECT_EQ(desk.technician.unknownQuestions(), QStringList{QStringLiteral("Recalibrate the moon?")});
    EXPECT_EQ(desk.technician.transcript().back(),
              QStringLiteral("[message] Done.\n        All good.  => OK"));
}

TEST(SimulatedTechnician, ProgressIsCancelledOnlyWhenToldTo)
{
    Desk desk;
    auto patient = desk.technician.openProgress(QStringLiteral("Hearing Level"), 0, 100, 10);
    for (int i = 0; i < 10000; ++i)
        ASSERT_FALSE(patient->checkCancel());
    patient->setStatus(QStringLiteral("Reading calibration offset"));
    patient->setStatus(QStringLiteral("Reading calibration offset"));
    EXPECT_EQ(desk.technician.transcript().count(QStringLiteral("  progress: Reading calibration offset")),
              1);

    desk.technician.cancelProgressAfterChecks(2);
    auto impatient = desk.technician.openProgress(QStringLiteral("FM"), 0, 100, 10);
    EXPECT_FALSE(impatient->checkCancel());
    EXPECT_FALSE(impatient->checkCancel());
    EXPECT_TRUE(impatient->checkCancel());
    EXPECT_TRUE(impatient->checkCancel());
    EXPECT_FALSE(patient->checkCancel());
}

namespace {

const QString kNoDownload = QStringLiteral(
    "Could not download data from Trellan after 5 tries!\n Verify that the Trellan is powered on, stable, "
    "and connected to the PC.\nThen press OK!");

} // namespace

TEST(SimulatedTechnician, GivesUpOnAQuestionThatKeepsComingBackUntilASettingComesThrough)
{
    Desk desk;
    SimulatedTechnician &technician = desk.technician;
    desk.set(1000.0);
    for (int i = 0; i < SimulatedTechnician::kRetriesWithoutProgress; ++i)
        EXPECT_EQ(technician.ask(kNoDownload, Buttons::OkCancel), Answer::Ok);
    EXPECT_EQ(technician.ask(kNoDownload, Buttons::OkCancel), Answer::Cancel);
    EXPECT_EQ(technician.givenUp(), 1);
    // With the meter given up on, measuring again is no better; keeping what was read still is.
    EXPECT_EQ(technician.ask(kTooLow, Buttons::YesNoCancel), Answer::Cancel);
    EXPECT_EQ(technician.ask(QStringLiteral("Do you wish to save your new readings?"), Buttons::YesNo),
              Answer::Yes);

    // The page moving on after a give-up is no progress.
    desk.set(2000.0);
    EXPECT_EQ(technician.ask(kNoDownload, Buttons::OkCancel), Answer::Cancel);
    // A setting that comes through is, and it forgives every earlier repeat.
    desk.set(3000.0);
    desk.set(4000.0);
    EXPECT_EQ(technician.ask(kNoDownload, Buttons::OkCancel), Answer::Ok);
    EXPECT_EQ(technician.ask(kTooLow, Buttons::YesNoCancel), Answer::Yes);

    // A question nobody foresaw is the same question when only its figures change.
    desk.set(6000.0);
    const auto unforeseen = [&](double volts) {
        return technician.ask(QStringLiteral("Supply at %1 V, 1 of 2 checks failed. Retry?").arg(volts),
                              Buttons::YesNo);
    };
    EXPECT_EQ(unforeseen(11.8), Answer::Yes);
    EXPECT_EQ(unforeseen(11.75), Answer::Yes);
    EXPECT_EQ(unforeseen(-3), Answer::No);
    EXPECT_EQ(technician.givenUp(), 4);
    EXPECT_TRUE(technician.transcript().back().endsWith(
        QLatin1String("=> No (giving up: asked again without progress)")));
}

TEST(SimulatedTechnician, KeepsRetryingALineThatFailsNowAndThen)
{
    Desk desk;
    // Up to the limit at every frequency, far more often than the limit in all: a flaky line that
    // still delivers readings between its failures.
    for (int f = 1; f <= 30; ++f) {
        desk.set(100.0 * f);
        for (int i = 0; i < SimulatedTechnician::kRetriesWithoutProgress; ++i) {
            EXPECT_EQ(desk.technician.ask(kNoDownload, Buttons::OkCancel), Answer::Ok);
            EXPECT_EQ(desk.technician.ask(kTooLow, Buttons::YesNoCancel), i == 0 ? Answer::Yes : Answer::No);
        }
    }
    EXPECT_EQ(desk.technician.givenUp(), 0);
}

TEST(SimulatedTechnician, EntersTheRoomConditionsOrAgreesAndNeverPassesWhatTheDialogRefuses)
{
    Desk desk;
    // Without its own readings it agrees with a plausible proposal.
    TestConditions conditions{23.0f, 760.0f, 50};
    EXPECT_EQ(desk.technician.askTestConditions(conditions), Answer::Ok);
    EXPECT_FLOAT_EQ(conditions.temperature, 23.0f);
    EXPECT_EQ(desk.technician.transcript().back(),
              QStringLiteral("[conditions] Temperature / Humidity: 23.0 \u00B0C, 760.00, 50 %  => OK"));

    // A proposal the dialog would refuse (an unset record: 0 %) is not waved through.
    TestConditions unset;
    EXPECT_EQ(desk.technician.askTestConditions(unset), Answer::Cancel);
    EXPECT_EQ(unset.humidity, 0);
    EXPECT_TRUE(desk.technician.transcript().back().contains(QLatin1String("refused: Invalid entry in Humidity")));

    // With the room's readings it types those, whatever was proposed.
    desk.technician.setRoomConditions(TestConditions{21.5f, 101.3f, 38});
    EXPECT_EQ(desk.technician.askTestConditions(unset), Answer::Ok);
    EXPECT_FLOAT_EQ(unset.temperature, 21.5f);
    EXPECT_FLOAT_EQ(unset.pressure, 101.3f);
    EXPECT_EQ(unset.humidity, 38);
    EXPECT_EQ(desk.technician.conditionsAsked(), 3);
    EXPECT_TRUE(desk.technician.unknownQuestions().isEmpty());
}

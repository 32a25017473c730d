#include "inventory/InstrumentInventory.h"

#include "model/FixedText.h"
#include "support/ScriptedInteraction.h"

#include <gtest/gtest.h>

#include <limits>

using namespace tonva;
using test::ScriptedInteraction;

namespace {

constexpr int kYear = 2026;

void identify(InstrumentIdentity &identity, const char *serial)
{
    setFixedText(identity.serialNumber, serial);
    setFixedText(identity.model, "Model");
    setFixedText(identity.calibrationDue, "2027-06-30");
}

InventoryEntry meter(const char *serial)
{
    InstrumentIdentity identity;
    identify(identity, serial);
    return makeInventoryEntry(InventoryType::SoundLevelMeter, identity);
}

InventoryEntry calibrator(float frequency, float level)
{
    CalibratorData data;
    identify(data.identity, "C1");
    data.frequency = frequency;
    data.level = level;
    return makeInventoryEntry(InventoryType::Calibrator, data);
}

InventoryEntry microphone(const char *serial, float sensitivity)
{
    MicrophoneSlot data;
    identify(data.identity, serial);
    data.response[20] = 0.5f;
    data.sensitivity = sensitivity;
    return makeInventoryEntry(InventoryType::Microphone, data);
}

InventoryEntry mastoid(const char *manufacturer, float sensitivity)
{
    MastoidData data;
    identify(data.identity, "M1");
    setFixedText(data.identity.manufacturer, manufacturer);
    data.pendryResponse[10] = 1.0f;
    data.sensitivity = sensitivity;
    return makeInventoryEntry(InventoryType::Mastoid, data);
}

struct InventoryFixture : ::testing::Test
{
    Inventory inventory;
    ScriptedInteraction interaction;
    InstrumentInventory instruments{inventory, interaction, kYear};
};

const QString kNoMicSensitivity =
    QStringLiteral("No valid sensitivity has been entered for the microphone.\n\nYou must enter a "
                   "sensitivity before adding the "
                   "microphone.");
const QString kMicRange = QStringLiteral("Invalid sensitivity entered.  It must be between 1 and 65.");

} // namespace

TEST_F(InventoryFixture, CalibratorLimitsAreInclusive)
{
    EXPECT_GE(instruments.AddInstrument(InstrumentKind::Calibrator, calibrator(20000.0f, 140.0f)), 0);

    interaction.expectMessage(
        QStringLiteral("No valid frequency has been entered for the calibrator.\nBefore "
                       "adding a calibrator you must enter a valid frequency."));
    EXPECT_FALSE(instruments.ValidateInstrument(InstrumentKind::Calibrator, calibrator(20000.1f, 114.0f)));
    interaction.expectMessage(
        QStringLiteral("No valid level has been entered for the calibrator.\nBefore adding "
                       "a calibrator you must enter a valid level."));
    EXPECT_FALSE(instruments.ValidateInstrument(InstrumentKind::Calibrator, calibrator(1000.0f, 140.1f)));
    // Zero and below mean nothing was entered.
    interaction.expectMessageStartingWith(QStringLiteral("No valid frequency"));
    EXPECT_FALSE(instruments.ValidateInstrument(InstrumentKind::Calibrator, calibrator(-1000.0f, 114.0f)));
    interaction.expectMessageStartingWith(QStringLiteral("No valid level"));
    EXPECT_FALSE(instruments.ValidateInstrument(InstrumentKind::Calibrator, calibrator(1000.0f, 0.0f)));
}

TEST_F(InventoryFixture, MicrophoneSensitivityRange)
{
    EXPECT_TRUE(instruments.ValidateInstrument(InstrumentKind::Microphone, microphone("A", 1.0f)));
    EXPECT_TRUE(instruments.ValidateInstrument(InstrumentKind::Microphone, microphone("A", 65.0f)));
    interaction.expectMessage(kMicRange).expectMessage(kMicRange).expectMessage(kNoMicSensitivity);
    EXPECT_FALSE(instruments.ValidateInstrument(InstrumentKind::Microphone, microphone("A", 0.5f)));
    EXPECT_FALSE(instruments.ValidateInstrument(InstrumentKind::Microphone, microphone("A", 65.01f)));
    EXPECT_FALSE(instruments.ValidateInstrument(InstrumentKind::Microphone, microphone("A", 0.0f)));

    InventoryEntry silent = microphone("A", 50.0f);
    MicrophoneSlot data = silent.bodyAs<MicrophoneSlot>();
    data.response[20] = 0.0f;
    silent.setBody(data);
    interaction.expectMessageStartingWith(
        QStringLiteral("No frequency responses have been entered for this mic."));
    EXPECT_FALSE(instruments.ValidateInstrument(InstrumentKind::Microphone, silent));
}

TEST_F(InventoryFixture, SerialNumberAndDueYearComeFirst)
{
    interaction.expectMessage(
        QStringLiteral("You may not add a new sound level meter without a serial number."));
    EXPECT_FALSE(instruments.ValidateInstrument(InstrumentKind::SoundLevelMeter, meter("")));

    InventoryEntry late = meter("S1");
    InstrumentIdentity identity = late.bodyAs<InstrumentIdentity>();
    setFixedText(identity.calibrationDue, "2126-01-01");
    late.setBody(identity);
    interaction.expectMessage(
        QStringLiteral("Calibration Due Year is invalid.\nMust be 4-digit year within 100 years."));
    EXPECT_FALSE(instruments.ValidateInstrument(InstrumentKind::Preamplifier, late));

    interaction.expectMessage(QStringLiteral("You may not add a new preamp without a serial number."));
    EXPECT_FALSE(instruments.ValidateInstrument(InstrumentKind::Preamplifier, meter("")));
}

TEST_F(InventoryFixture, DuplicateMeterIsRefusedAndChangesNothing)
{
    ASSERT_EQ(instruments.AddInstrument(InstrumentKind::SoundLevelMeter, meter("S1")), 0);
    interaction.expectMessage(
        QStringLiteral("There is already a sound level meter defined with serial number S1."));
    EXPECT_EQ(instruments.AddInstrument(InstrumentKind::SoundLevelMeter, meter("S1")), -1);
    EXPECT_EQ(instruments.labels(InstrumentKind::SoundLevelMeter),
              QStringList{QStringLiteral("Model SN-S1")});
    // Serial numbers are compared exactly.
    EXPECT_EQ(instruments.AddInstrument(InstrumentKind::SoundLevelMeter, meter("s1")), 1);
    EXPECT_EQ(inventory.list(InventoryType::SoundLevelMeter)[1].typeCode, 1);
}

TEST_F(InventoryFixture, DuplicateMicrophoneMayBeUpdated)
{
    ASSERT_EQ(instruments.AddInstrument(InstrumentKind::Microphone, microphone("M7", 50.0f)), 0);
    const QString question = QStringLiteral("There is already a microphone defined with serial number "
                                            "M7.\nDo you want to update the data for this "
                                            "Microphone?");
    interaction.expectAsk(question, Answer::No).expectAsk(question, Answer::Yes);
    EXPECT_EQ(instruments.AddInstrument(InstrumentKind::Microphone, microphone("M7", 12.0f)), -1);
    EXPECT_EQ(inventory.list(InventoryType::Microphone)[0].bodyAs<MicrophoneSlot>().sensitivity, 50.0f);
    EXPECT_EQ(instruments.AddInstrument(InstrumentKind::Microphone, microphone("M7", 12.0f)), 0);
    ASSERT_EQ(inventory.list(InventoryType::Microphone).size(), 1u);
    EXPECT_EQ(inventory.list(InventoryType::Microphone)[0].bodyAs<MicrophoneSlot>().sensitivity, 12.0f);
}

TEST_F(InventoryFixture, BrueelMastoidWarnsOncePerMicrophoneWithoutSensitivity)
{
    for (const char *serial : {"A", "B", "C"})
        inventory.list(InventoryType::Microphone).push_back(microphone(serial, 0.0f));
    inventory.list(InventoryType::Microphone).push_back(microphone("D", 50.0f));

    const QString warning =
        QStringLiteral("Warning: Found at least one mic (S/N %1) without a sensitivity value.\n"
                       "Measurements with B&K mastoids require mic sensitivities to be entered.");
    interaction.expectMessage(warning.arg(QStringLiteral("A")))
        .expectMessage(warning.arg(QStringLiteral("B")))
        .expectMessage(warning.arg(QStringLiteral("C")));
    EXPECT_EQ(instruments.AddInstrument(InstrumentKind::Mastoid, mastoid("Bruel", 2.0f)), 0);

    // Other makes are not asked about sensitivities at all.
    EXPECT_TRUE(instruments.ValidateInstrument(InstrumentKind::Mastoid, mastoid("Mervane", 0.0f)));
}

TEST_F(InventoryFixture, BrueelMastoidWithoutSensitivityAsksAndWarnsAfterUpdate)
{
    const QString question =
        QStringLiteral("Warning: No valid sensitivity has been entered for the mastoid.\n\nClick OK to add "
                       "the mastoid anyway.\n\n"
                       "(You will not be able to make bone measurements with this mastoid.)");
    interaction.expectAsk(question, Answer::Cancel).expectAsk(question, Answer::Ok);
    EXPECT_EQ(instruments.AddInstrument(InstrumentKind::Mastoid, mastoid("B&K", 0.0f)), -1);
    EXPECT_EQ(instruments.AddInstrument(InstrumentKind::Mastoid, mastoid("B&K", 0.0f)), 0);

    interaction.expectAsk(question, Answer::Ok)
        .expectMessage(
            QStringLiteral("Warning: Mastoid sensitivity not entered.\nYou will not be able to run "
                           "measurements using this mastoid."));
    EXPECT_TRUE(instruments.UpdateInstrument(InstrumentKind::Mastoid, 0, mastoid("B&K", 0.0f)));

    InventoryEntry silent = mastoid("Other", 1.0f);
    MastoidData data = silent.bodyAs<MastoidData>();
    data.pendryResponse[10] = 0.0f;
    silent.setBody(data);
    interaction.expectMessageStartingWith(
        QStringLiteral("No frequency responses have been entered for this mastoid."));
    EXPECT_FALSE(instruments.ValidateInstrument(InstrumentKind::Mastoid, silent));
}

TEST_F(InventoryFixture, UpdateKeepsSerialNumbersUnique)
{
    instruments.AddInstrument(InstrumentKind::Preamplifier, meter("P1"));
    instruments.AddInstrument(InstrumentKind::Preamplifier, meter("P2"));

    InventoryEntry changed = meter("P1");
    InstrumentIdentity identity = changed.bodyAs<InstrumentIdentity>();
    setFixedText(identity.model, "Quorran");
    changed.setBody(identity);
    interaction.expectMessage(
        QStringLiteral("Duplicate serial number P1.\nChanging it back to original value (P2)."));
    EXPECT_TRUE(instruments.UpdateInstrument(InstrumentKind::Preamplifier, 1, changed));
    EXPECT_EQ(instruments.labels(InstrumentKind::Preamplifier),
              (QStringList{QStringLiteral("Model SN-P1"), QStringLiteral("Quorran SN-P2")}));

    interaction.expectMessage(
        QStringLiteral("This instrument is not defined. Did you mean to \"Add\", not \"Update\"?"));
    EXPECT_FALSE(instruments.UpdateInstrument(InstrumentKind::Preamplifier, 2, changed));
}

TEST_F(InventoryFixture, DeleteNeedsASelection)
{
    instruments.AddInstrument(InstrumentKind::SoundLevelMeter, meter("S1"));
    instruments.AddInstrument(InstrumentKind::SoundLevelMeter, meter("S2"));
    interaction.expectMessage(QStringLiteral("No instrument selected to delete."));
    EXPECT_FALSE(instruments.DeleteInstrument(InstrumentKind::SoundLevelMeter, -1));
    interaction.expectAsk(QStringLiteral("Delete Model SN-S1 and its response data?"), Answer::Yes);
    EXPECT_TRUE(instruments.DeleteInstrument(InstrumentKind::SoundLevelMeter, 0));
    EXPECT_EQ(instruments.labels(InstrumentKind::SoundLevelMeter),
              QStringList{QStringLiteral("Model SN-S2")});
    interaction.verifyDone();
}

TEST_F(InventoryFixture, DeleteAnsweredNoKeepsTheInstrumentAndAStaleSelectionIsIgnored)
{
    instruments.AddInstrument(InstrumentKind::Microphone, microphone("K1", 50.0f));
    instruments.AddInstrument(InstrumentKind::Microphone, microphone("K2", 50.0f));
    interaction.expectAsk(QStringLiteral("Delete Model SN-K2 and its response data?"), Answer::No);
    EXPECT_FALSE(instruments.DeleteInstrument(InstrumentKind::Microphone, 1));
    EXPECT_EQ(instruments.list(InstrumentKind::Microphone).size(), 2u);
    interaction.verifyDone();

    // A remembered selection of 1 after the list shrank to one entry, a negative one, and a huge one.
    EXPECT_EQ(trustedPosition(1, 2), 1);
    EXPECT_EQ(trustedPosition(1, 1), -1);
    EXPECT_EQ(trustedPosition(-5, 2), -1);
    EXPECT_EQ(trustedPosition(std::numeric_limits<int>::max(), 2), -1);
    EXPECT_EQ(trustedPosition(0, 0), -1);
}

TEST_F(InventoryFixture, OverdueCalibratorIsMarkedAndWarnedAboutOnce)
{
    const QDate today(2026, 12, 8);
    InventoryEntry dueYesterday = calibrator(1000.0f, 94.0f);
    InventoryEntry dueToday = calibrator(1000.0f, 94.0f);
    CalibratorData data = dueYesterday.bodyAs<CalibratorData>();
    setFixedText(data.identity.calibrationDue, "2026-12-07");
    dueYesterday.setBody(data);
    setFixedText(data.identity.serialNumber, "C2");
    setFixedText(data.identity.calibrationDue, "2026-12-08");
    dueToday.setBody(data);
    ASSERT_EQ(instruments.AddInstrument(InstrumentKind::Calibrator, dueYesterday), 0);
    ASSERT_EQ(instruments.AddInstrument(InstrumentKind::Calibrator, dueToday), 1);

    EXPECT_EQ(instruments.overduePositions(InstrumentKind::Calibrator, today), std::vector<int>{0});
    InventoryEntry unreadable = dueToday;
    setFixedText(data.identity.calibrationDue, "2026");
    unreadable.setBody(data);
    EXPECT_FALSE(isCalibrationOverdue(unreadable, today));

    CalibrationDueWarner warner(interaction, today);
    interaction.expectMessage(
        QStringLiteral("The calibrator Model SN-C1 was due for calibration on 2026-12-07."));
    EXPECT_TRUE(warner.instrumentChosen(InstrumentKind::Calibrator, instruments.list(InstrumentKind::Calibrator)[0]));
    EXPECT_FALSE(warner.instrumentChosen(InstrumentKind::Calibrator, instruments.list(InstrumentKind::Calibrator)[0]));
    EXPECT_FALSE(warner.instrumentChosen(InstrumentKind::Calibrator, instruments.list(InstrumentKind::Calibrator)[1]));
    interaction.verifyDone();
}

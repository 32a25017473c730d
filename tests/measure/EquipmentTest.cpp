#include "measure/RequiredEquipment.h"
#include "model/FixedText.h"
#include "support/ScriptedInteraction.h"

#include <gtest/gtest.h>

namespace tonva::test {
namespace {

// A set-up with everything an earphone, speaker or calibration measurement needs.
AudTestRecord equippedRecord()
{
    AudTestRecord record;
    TestSetup &setup = record.setup;
    setFixedText(setup.soundLevelMeter.serialNumber, "A1");
    setFixedText(setup.preamplifier.serialNumber, "P1");
    setFixedText(setup.calibrator.identity.serialNumber, "C1");
    for (MicrophoneSlot &microphone : setup.couplerMicrophone)
        setFixedText(microphone.identity.serialNumber, "M1");
    setFixedText(setup.audiometerModel, "AC40");
    setup.supraAural.couplerCode = 1;
    setFixedText(setup.supraAural.leftSerialNumber, "L1");
    setFixedText(setup.supraAural.rightSerialNumber, "R1");
    setFixedText(setup.leftSpeaker.model, "S");
    setFixedText(setup.rightSpeaker.model, "S");
    return record;
}

TEST(RequiredEquipmentTest, EmptySetUpNamesMeterAndAudiometerBeforeTheTransducer)
{
    const AudTestRecord empty;
    EXPECT_EQ(MissingEquipment(0, empty, Ear::Left),
              QStringList({"    SLM\n", "    Preamp\n", "    Mic\n", "    Audiometer\n",
                           "    Left Supra-aural Earphone (may be missing serial number)\n"}));

    ScriptedInteraction interaction;
    interaction.expectMessage(QStringLiteral(
        "Unable to perform measurement because not all required equipment has been\nselected or not all "
        "required data has been entered in the Equipment Setup window.\n\nTo go to Equipment Setup, go back "
        "to the measurement summary window\n(click OK or Cancel in the measurement window to get there) then "
        "click on\nthe 'Go To Equipment Setup' button.\n\nIn Equipment Setup make selections for the "
        "following:\n\n    SLM\n    Preamp\n    Mic\n    Audiometer\n    Right Insert Earphone (may be "
        "missing serial number)\n"));
    EXPECT_FALSE(CheckRequiredEquipment(3, empty, Ear::Right, interaction));
}

TEST(RequiredEquipmentTest, CalibrationDialogNeedsMeterMicAndCalibratorOnly)
{
    const AudTestRecord empty;
    EXPECT_EQ(MissingEquipment(kCalibrationDialogEquipment, empty, Ear::Left),
              QStringList({"    SLM\n", "    Mic\n", "    Calibrator\n"}));

    ScriptedInteraction interaction;
    interaction.expectMessageStartingWith(
        QStringLiteral("Unable to bring up calibration dialog because not all required equipment has\nbeen "
                       "selected"));
    EXPECT_FALSE(CheckRequiredEquipment(kCalibrationDialogEquipment, empty, Ear::Left, interaction));
}

TEST(RequiredEquipmentTest, CompleteSetUpPassesSilently)
{
    const AudTestRecord record = equippedRecord();
    ScriptedInteraction interaction; // any message fails the test
    EXPECT_TRUE(CheckRequiredEquipment(0, record, Ear::Both, interaction));
    EXPECT_TRUE(CheckRequiredEquipment(2, record, Ear::Both, interaction));
    EXPECT_TRUE(CheckRequiredEquipment(kCalibrationDialogEquipment, record, Ear::Left, interaction));
}

TEST(RequiredEquipmentTest, EarAndSideItems)
{
    AudTestRecord record = equippedRecord();
    setFixedText(record.setup.supraAural.rightSerialNumber, "  "); // blanks are no serial number
    EXPECT_TRUE(MissingEquipment(0, record, Ear::Left).isEmpty());
    EXPECT_EQ(MissingEquipment(0, record, Ear::Right),
              QStringList({"    Right Supra-aural Earphone (may be missing serial number)\n"}));
    EXPECT_EQ(MissingEquipment(0, record, Ear::Both),
              QStringList({"    Left and/or Right Supra-aural Earphone (may be missing serial numbers)\n"}));

    // Circumaural never names both sides: a missing side on "Both" reads as the right one.
    record.setup.circumaural.couplerCode = 6;
    setFixedText(record.setup.circumaural.rightSerialNumber, "R2");
    EXPECT_EQ(MissingEquipment(4, record, Ear::Both),
              QStringList({"    Right Circumaural Earphone (may be missing serial number)\n"}));
    EXPECT_EQ(MissingEquipment(4, record, Ear::Left),
              QStringList({"    Left Circumaural Earphone (may be missing serial number)\n"}));

    record.setup.rightSpeaker = SpeakerData{};
    EXPECT_TRUE(MissingEquipment(2, record, Ear::Left).isEmpty());
    EXPECT_EQ(MissingEquipment(2, record, Ear::Right), QStringList({"    Right Speaker\n"}));
    EXPECT_EQ(MissingEquipment(2, record, Ear::Both), QStringList({"    Left and/or Right Speaker\n"}));
}

TEST(RequiredEquipmentTest, MicrophoneIsTheOneOfTheEarphonesCoupler)
{
    AudTestRecord record = equippedRecord();
    record.setup.supraAural.couplerCode = 2;
    record.setup.couplerMicrophone[2] = MicrophoneSlot{};
    EXPECT_EQ(MissingEquipment(0, record, Ear::Left), QStringList({"    Mic\n"}));
    record.setup.supraAural.couplerCode = 99; // a damaged code never indexes past the slots
    EXPECT_EQ(MissingEquipment(0, record, Ear::Left), QStringList({"    Mic\n"}));
}

TEST(RequiredEquipmentTest, BoneVibratorOnEitherCoupler)
{
    AudTestRecord record = equippedRecord();
    record.setup.preamplifier = InstrumentIdentity{};
    // Any other make of mastoid is a force coupler: no preamplifier or coupler mic, but both
    // sensitivities and the calibration microphone.
    setFixedText(record.setup.mastoid.identity.manufacturer, "Bruel");
    setFixedText(record.setup.mastoid.identity.serialNumber, "B1");
    EXPECT_EQ(
        MissingEquipment(1, record, Ear::Left),
        QStringList({"    Bone Vibrator\n", "    Mastoid Sensitivity\n", "    Calibration Microphone\n"}));
    setFixedText(record.setup.boneVibrator.model, "B71");
    record.setup.mastoid.sensitivity = 1.5f;
    record.setup.transducerOptions.calibrationMicrophoneSlot = 1;
    EXPECT_EQ(MissingEquipment(1, record, Ear::Left),
              QStringList({"    Calibration Microphone Sensitivity\n"}));
    record.setup.couplerMicrophone[1].sensitivity = 50.0f;
    EXPECT_TRUE(MissingEquipment(1, record, Ear::Left).isEmpty());

    // Mervane's mastoid sits on a microphone coupler: preamplifier and that coupler's mic count.
    setFixedText(record.setup.mastoid.identity.manufacturer, "mervane");
    record.setup.mastoid.sensitivity = 0.0f;
    record.setup.transducerOptions.mastoidCouplerCode = 2;
    record.setup.couplerMicrophone[2] = MicrophoneSlot{};
    EXPECT_EQ(MissingEquipment(1, record, Ear::Left), QStringList({"    Preamp\n", "    Mic\n"}));
}

} // namespace
} // namespace tonva::test

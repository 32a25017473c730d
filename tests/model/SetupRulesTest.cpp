#include "model/SetupRules.h"

#include "model/FixedText.h"
#include "model/ReferenceData.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"
#include "support/TickingTechnician.h"

#include <QFile>
#include <cstring>
#include <gtest/gtest.h>

using namespace tonva;
using test::ScriptedInteraction;
using test::TickingTechnician;

namespace {

constexpr int kYear = 2026;

TestSetup validAudiometer()
{
    TestSetup setup;
    setFixedText(setup.audiometerSerialNumber, "A-100");
    setFixedText(setup.audiometerModel, "AD629");
    setFixedText(setup.audiometerCalibrationDue, "2027-01-31");
    setup.frequencyAvailable[12] = 1;
    setup.fmRate = 5.0f;
    setup.fmDeviation = 10.0f;
    return setup;
}

InventoryEntry earphoneEntry(const char *model, EarphoneKind kind, std::int16_t coupler)
{
    EarphoneModel earphone;
    setFixedText(earphone.manufacturer, "Acme");
    setFixedText(earphone.model, model);
    earphone.kind = static_cast<std::int16_t>(kind);
    earphone.couplerCode = coupler;
    earphone.retspl[12] = static_cast<float>(coupler);
    return makeInventoryEntry(InventoryType::Earphone, earphone);
}

const QString kNotCertified =
    QStringLiteral("Earphone model TDH 39 is not certified with 318.3 standard coupler (Kestin). If you "
                   "continue, the first earphone "
                   "in the dropdown list will become the current earphone. Continue?");

struct EarphonePageFixture : ::testing::Test
{
    EarphonePageFixture()
    {
        auto &earphones = inventory.list(InventoryType::Earphone);
        earphones.push_back(earphoneEntry("TDH 39", EarphoneKind::SupraAural, 1));
        earphones.push_back(earphoneEntry("DD45", EarphoneKind::SupraAural, 2));
        earphones.push_back(earphoneEntry("K2", EarphoneKind::SupraAural, 2));
        earphones.push_back(earphoneEntry("ER-3A", EarphoneKind::Insert, 3));
    }

    std::unique_ptr<EarphonePage> page()
    {
        return std::make_unique<EarphonePage>(EarphonePage::Kind::SupraAural, setup, inventory, preferences,
                                              interaction);
    }
    std::unique_ptr<EarphonePage> pageWithTdh39()
    {
        setup.supraAural.couplerCode = 1;
        auto p = page();
        p->choose(0);
        return p;
    }

    test::TempDir dir;
    PreferenceStore preferences{dir.file(QStringLiteral("prefs.ini"))};
    ScriptedInteraction interaction;
    Inventory inventory;
    TestSetup setup;
};

} // namespace

TEST(DueYear, WithinLessThanAHundredYearsAndOnlyFourCharactersCount)
{
    EXPECT_TRUE(isDueYearValid("2125", kYear));
    EXPECT_TRUE(isDueYearValid("1927", kYear));
    EXPECT_FALSE(isDueYearValid("2126", kYear));
    EXPECT_FALSE(isDueYearValid("1926", kYear));
    EXPECT_TRUE(isDueYearValid("  2030-12-31", kYear));
    EXPECT_TRUE(isDueYearValid("20305", kYear)); // only "2030" is read
    EXPECT_FALSE(isDueYearValid("", kYear));
    EXPECT_FALSE(isDueYearValid("abcd", kYear));
}

TEST(ValidateAudiometer, ChecksRunInOrderAndStopAtTheFirst)
{
    ScriptedInteraction interaction;
    TestSetup setup;
    setup.fmRate = 1.0f;
    interaction.expectMessage(QStringLiteral("Please enter a serial number for the audiometer."));
    EXPECT_FALSE(ValidateAudiometer(setup, interaction, kYear));

    setFixedText(setup.audiometerSerialNumber, " 12 ");
    setFixedText(setup.audiometerModel, "   ");
    interaction.expectMessage(QStringLiteral("Please enter a model number for the audiometer."));
    EXPECT_FALSE(ValidateAudiometer(setup, interaction, kYear));

    setFixedText(setup.audiometerModel, "AD629");
    setFixedText(setup.audiometerCalibrationDue, "2126-01-01");
    interaction.expectMessage(QStringLiteral(
        "Audiometer Calibration Due Year is invalid.\nMust be 4-digit year within 100 years."));
    EXPECT_FALSE(ValidateAudiometer(setup, interaction, kYear));

    setFixedText(setup.audiometerCalibrationDue, "2125-01-01");
    interaction.expectMessage(QStringLiteral("Please enter the frequencies for the audiometer."));
    EXPECT_FALSE(ValidateAudiometer(setup, interaction, kYear));
    interaction.verifyDone();
}

TEST(ValidateAudiometer, FmLimitsAreInclusiveAndOtherwiseOnlyWarn)
{
    ScriptedInteraction interaction;
    TestSetup setup = validAudiometer();
    setup.fmRate = 4.0f;
    setup.fmDeviation = 25.0f;
    EXPECT_TRUE(ValidateAudiometer(setup, interaction, kYear));
    setup.fmRate = 20.0f;
    setup.fmDeviation = 5.0f;
    EXPECT_TRUE(ValidateAudiometer(setup, interaction, kYear));

    const QString warning =
        QStringLiteral("Warning: Audiometer FM parameters are invalid.\n\nFor FM measurements the modulation "
                       "rate must be between 4 "
                       "and 20 Hz\nand the frequency deviation must be between 5 and 25 %.\n\nClick OK to "
                       "use the audiometer "
                       "anyway.\n\n(You will not be allowed to make FM measurements with this audiometer.)");
    setup.fmDeviation = 25.1f;
    interaction.expectAsk(warning, Answer::Ok).expectAsk(warning, Answer::Cancel);
    EXPECT_TRUE(ValidateAudiometer(setup, interaction, kYear));
    EXPECT_FALSE(ValidateAudiometer(setup, interaction, kYear));
}

TEST(DefaultFrequencies, TickTheElevenStandardOnesAndKeepTheRest)
{
    TestSetup setup;
    setup.frequencyAvailable[frequencyIndex(160)] = 0;
    setup.frequencyAvailable[frequencyIndex(12500)] = 1;
    SetDefaultFrequencies(setup);
    int ticked = 0;
    for (const std::int32_t flag : setup.frequencyAvailable)
        ticked += flag;
    EXPECT_EQ(ticked, 12);
    EXPECT_EQ(setup.frequencyAvailable[frequencyIndex(160)], 0);
    EXPECT_EQ(setup.frequencyAvailable[frequencyIndex(750)], 1);
    EXPECT_EQ(setup.frequencyAvailable[frequencyIndex(1500)], 1);
    EXPECT_EQ(setup.frequencyAvailable[frequencyIndex(12500)], 1);
}

TEST(OpenSetup, OnlyInstrumentsTheLabHasOneOfFillEmptySlots)
{
    Inventory inventory;
    CalibratorData calibrator;
    setFixedText(calibrator.identity.serialNumber, "CAL1");
    calibrator.level = 114.0f;
    inventory.list(InventoryType::Calibrator)
        .push_back(makeInventoryEntry(InventoryType::Calibrator, calibrator));
    InstrumentIdentity meter;
    setFixedText(meter.serialNumber, "SLM1");
    inventory.list(InventoryType::SoundLevelMeter)
        .push_back(makeInventoryEntry(InventoryType::SoundLevelMeter, meter));
    inventory.list(InventoryType::SoundLevelMeter)
        .push_back(makeInventoryEntry(InventoryType::SoundLevelMeter, meter));
    BoneVibratorData bone;
    setFixedText(bone.serialNumber, "B71");
    inventory.list(InventoryType::BoneVibrator)
        .push_back(makeInventoryEntry(InventoryType::BoneVibrator, bone));
    MastoidData mastoid;
    setFixedText(mastoid.identity.serialNumber, "M1");
    mastoid.pendryResponse[38] = 3.0f;
    inventory.list(InventoryType::Mastoid).push_back(makeInventoryEntry(InventoryType::Mastoid, mastoid));

    TestSetup record;
    setFixedText(record.boneVibrator.serialNumber, "mine");
    const TestSetup setup = OpenSetup(record, inventory);

    EXPECT_EQ(fixedText(setup.calibrator.identity.serialNumber), "CAL1");
    EXPECT_EQ(setup.calibrator.level, 114.0f);
    EXPECT_TRUE(fixedTextIsEmpty(setup.soundLevelMeter.serialNumber)); // two meters: no guess
    EXPECT_EQ(fixedText(setup.boneVibrator.serialNumber), "mine");     // already chosen
    EXPECT_EQ(setup.mastoid.pendryResponse[38], 3.0f);
    EXPECT_TRUE(fixedTextIsEmpty(setup.preamplifier.serialNumber));
}

TEST_F(EarphonePageFixture, ListOffersTheKindOnTheSelectedCouplerOrAllWhenAllowed)
{
    setup.supraAural.couplerCode = 2;
    {
        auto p = page();
        EXPECT_EQ(p->modelNames(), (QStringList{QStringLiteral("DD45"), QStringLiteral("K2")}));
        p->setAllowIncompatible(true);
        EXPECT_EQ(p->modelNames(),
                  (QStringList{QStringLiteral("TDH 39"), QStringLiteral("DD45"), QStringLiteral("K2")}));
    }
    EXPECT_EQ(preferences.readInt(QStringLiteral("Settings"), QStringLiteral("Allow Incompatible"), 0), 1);
    // The next page starts with the choice remembered.
    EXPECT_TRUE(page()->allowIncompatible());

    // Pages open side by side: one closed after another that changed the choice leaves it alone.
    auto insertPage = std::make_unique<EarphonePage>(EarphonePage::Kind::Insert, setup, inventory, preferences,
                                                     interaction);
    page()->setAllowIncompatible(false);
    insertPage.reset();
    EXPECT_EQ(preferences.readInt(QStringLiteral("Settings"), QStringLiteral("Allow Incompatible"), 1), 0);
}

TEST_F(EarphonePageFixture, NothingToOfferShowsNoneButOnlyTheTechnicianClearsTheSlot)
{
    // A stored test opened on an inventory that does not offer its earphone keeps it whole.
    setup.supraAural.couplerCode = 6;
    setFixedText(setup.supraAural.manufacturer, "Oldco");
    setFixedText(setup.supraAural.model, "Old");
    setFixedText(setup.supraAural.leftSerialNumber, "L1");
    setup.supraAural.retspl[12] = 7.5f;
    const TestSetup stored = setup;
    {
        auto p = page();
        EXPECT_EQ(p->modelNames(), QStringList{QStringLiteral("None")});
        EXPECT_EQ(p->currentIndex(), -1);
        p->setAllowIncompatible(true); // now offered: TDH 39, DD45, K2, but not "Old"
        EXPECT_EQ(p->currentIndex(), -1);
        p->setAllowIncompatible(false);
    }
    EXPECT_EQ(std::memcmp(&setup, &stored, sizeof setup), 0);

    // A coupler with nothing to offer takes the earphone out; so does choosing "None".
    setup.supraAural.couplerCode = 2;
    auto p = page();
    EXPECT_EQ(p->currentIndex(), -1);
    EXPECT_TRUE(p->changeCoupler(6));
    EXPECT_TRUE(fixedTextIsEmpty(setup.supraAural.model));
    EXPECT_TRUE(fixedTextIsEmpty(setup.supraAural.manufacturer));
    EXPECT_TRUE(fixedTextIsEmpty(setup.supraAural.leftSerialNumber));
    EXPECT_EQ(setup.supraAural.couplerCode, 6);

    setFixedText(setup.supraAural.model, "Old");
    p->choose(0);
    EXPECT_TRUE(fixedTextIsEmpty(setup.supraAural.model));
}

TEST_F(EarphonePageFixture, ChoosingCopiesTheModelAndKeepsTheSerialNumbers)
{
    setup.supraAural.couplerCode = 2;
    auto p = page();
    p->setSerialNumbers(QStringLiteral("LEFT-1234567890"), QStringLiteral("R2"));
    p->choose(1);
    EXPECT_EQ(fixedText(setup.supraAural.model), "K2");
    EXPECT_EQ(fixedText(setup.supraAural.manufacturer), "Acme");
    EXPECT_EQ(setup.supraAural.retspl[12], 2.0f);
    EXPECT_EQ(fixedText(setup.supraAural.leftSerialNumber), "LEFT-1234567");
    EXPECT_EQ(fixedText(setup.supraAural.rightSerialNumber), "R2");
    EXPECT_EQ(p->currentIndex(), 1);
}

TEST_F(EarphonePageFixture, IncompatibleCouplerContinueTakesTheFirstOfferedEarphone)
{
    auto p = pageWithTdh39();
    interaction.expectAsk(kNotCertified, Answer::Ok);
    EXPECT_TRUE(p->changeCoupler(2));
    EXPECT_EQ(fixedText(setup.supraAural.model), "DD45");
    EXPECT_EQ(setup.supraAural.couplerCode, 2);
}

TEST_F(EarphonePageFixture, IncompatibleCouplerCancelRestoresEverything)
{
    auto p = pageWithTdh39();
    interaction.expectAsk(kNotCertified, Answer::Cancel);
    EXPECT_FALSE(p->changeCoupler(2));
    EXPECT_EQ(fixedText(setup.supraAural.model), "TDH 39");
    EXPECT_EQ(setup.supraAural.couplerCode, 1);
}

TEST_F(EarphonePageFixture, SameFamilyOrWarningsOffAskNothing)
{
    auto p = pageWithTdh39();
    EXPECT_TRUE(p->changeCoupler(6)); // 1 and 6 are one family
    EXPECT_EQ(setup.supraAural.couplerCode, 6);
    EXPECT_FALSE(p->changeCoupler(3)); // not a supra-aural coupler
    p->setShowCouplerWarning(false);
    EXPECT_TRUE(p->changeCoupler(2));
    EXPECT_EQ(setup.supraAural.couplerCode, 2);
    p.reset();
    EXPECT_EQ(preferences.readInt(QStringLiteral("Settings"), QStringLiteral("Show Coupler Warn"), 1), 0);
}

TEST_F(EarphonePageFixture, TickedCouplerQuestionIsNotAskedAgainEvenWhenCancelled)
{
    TickingTechnician ticking(interaction);
    setup.supraAural.couplerCode = 1;
    {
        EarphonePage p(EarphonePage::Kind::SupraAural, setup, inventory, preferences, ticking);
        p.choose(0);
        interaction.expectAsk(kNotCertified, Answer::Cancel);
        EXPECT_FALSE(p.changeCoupler(2));
        EXPECT_EQ(ticking.boxes, QStringList{QStringLiteral("Do not show this warning again.")});
        EXPECT_FALSE(p.showCouplerWarning());
        EXPECT_TRUE(p.changeCoupler(2)); // no question this time
        EXPECT_EQ(setup.supraAural.couplerCode, 2);
        EXPECT_EQ(fixedText(setup.supraAural.model), "TDH 39"); // nobody was told it would change
    }
    EXPECT_EQ(preferences.readInt(QStringLiteral("Settings"), QStringLiteral("Show Coupler Warn"), 1), 0);
}

TEST_F(EarphonePageFixture, AllowedIncompatibleContinueKeepsTheChosenEarphone)
{
    auto p = pageWithTdh39();
    p->setAllowIncompatible(true);
    interaction.expectAsk(
        QStringLiteral("Earphone model TDH 39 has not been certified with 318.3 standard coupler "
                       "(Kestin). Continue?"),
        Answer::Ok);
    EXPECT_TRUE(p->changeCoupler(2));
    EXPECT_EQ(fixedText(setup.supraAural.model), "TDH 39");
    EXPECT_EQ(setup.supraAural.couplerCode, 2);
}

TEST(RetsplFile, SavesOneLinePerFrequencyAndLoadsWhatItCan)
{
    test::TempDir dir;
    const QString path = dir.file(QStringLiteral("TDH 39.csv"));
    float retspl[kFrequencyCount]{};
    retspl[0] = 45.0f;
    retspl[1] = -2.3f;
    retspl[38] = 13.0f;
    ASSERT_TRUE(SaveRetsplFile(path, retspl));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.startsWith("45.0\r\n-2.3\r\n0.0\r\n"));
    EXPECT_TRUE(text.endsWith("\r\n13.0\r\n"));
    EXPECT_EQ(text.count('\n'), 39);

    float loaded[kFrequencyCount];
    std::fill(std::begin(loaded), std::end(loaded), 99.0f);
    ASSERT_TRUE(LoadRetsplFile(path, loaded));
    EXPECT_EQ(loaded[0], 45.0f);
    EXPECT_FLOAT_EQ(loaded[1], -2.3f);
    EXPECT_EQ(loaded[38], 13.0f);

    QFile shortFile(dir.file(QStringLiteral("short.csv")));
    ASSERT_TRUE(shortFile.open(QIODevice::WriteOnly));
    shortFile.write(" 7.5 dB\r\nnoise\r\n+3\nnan\n");
    shortFile.close();
    ASSERT_TRUE(LoadRetsplFile(shortFile.fileName(), loaded));
    EXPECT_EQ(loaded[0], 7.5f);
    EXPECT_EQ(loaded[1], 0.0f);
    EXPECT_EQ(loaded[2], 3.0f);
    EXPECT_EQ(loaded[3], 0.0f);
    EXPECT_EQ(loaded[38], 0.0f);

    EXPECT_FALSE(LoadRetsplFile(dir.file(QStringLiteral("missing.csv")), loaded));

    // A file far larger than 39 lines is not a reference level file: refused, not read in part.
    QFile large(dir.file(QStringLiteral("large.csv")));
    ASSERT_TRUE(large.open(QIODevice::WriteOnly));
    large.write(QByteArray(64 * 1024 + 1, '\n').replace(0, 6, "12.5\r\n"));
    large.close();
    loaded[0] = 99.0f;
    QString error;
    EXPECT_FALSE(LoadRetsplFile(large.fileName(), loaded, &error));
    EXPECT_EQ(error,
              QStringLiteral("Cannot load reference levels from %1: it is larger than the limit of 64 KB")
                  .arg(large.fileName()));
    EXPECT_EQ(loaded[0], 99.0f) << "nothing taken from a refused file";
}

TEST(RetsplFile, ProposedNameIsASafeFileName)
{
    EarphoneSlot slot;
    EXPECT_EQ(proposedRetsplFileName(slot), QStringLiteral("EarphoneData.csv"));
    setFixedText(slot.model, "HV/1A");
    EXPECT_EQ(proposedRetsplFileName(slot), QStringLiteral("HV_1A.csv"));
}

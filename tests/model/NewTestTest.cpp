#include "model/NewTest.h"

#include "model/FixedText.h"
#include "model/ReferenceData.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace tonva;

namespace {

const QString kSettings = QStringLiteral("Settings");

struct NewTestFixture : ::testing::Test
{
    test::TempDir dir;
    PreferenceStore preferences{dir.file(QStringLiteral("prefs.ini"))};
    std::unique_ptr<AudTestRecord> record = std::make_unique<AudTestRecord>();
    BoothRecord booth;
};

} // namespace

TEST_F(NewTestFixture, ExactlyFifteenMeasurementsAreNotApplicable)
{
    record->status[0][0] = 1;
    NewTest(*record, booth, preferences, QDate(2026, 3, 5));

    int notApplicable = 0;
    for (const auto &row : record->status) {
        for (const std::int32_t status : row) {
            EXPECT_TRUE(status == 0 || status == 99);
            notApplicable += status == 99;
        }
    }
    EXPECT_EQ(notApplicable, 15);
    EXPECT_EQ(record->statusOf(MeasurementKind::HarmonicDistortion, TransducerType::Speakers), 99);
    EXPECT_EQ(record->statusOf(MeasurementKind::HarmonicDistortion, TransducerType::BoneVibrator), 0);
    EXPECT_EQ(record->statusOf(MeasurementKind::NarrowBandLevel, TransducerType::BoneVibrator), 99);
    EXPECT_EQ(record->statusOf(MeasurementKind::NarrowBandLevel, TransducerType::Speakers), 0);
    EXPECT_EQ(record->statusOf(MeasurementKind::SpeechHearingLevel, TransducerType::Circumaural), 99);
}

TEST_F(NewTestFixture, ClearsBothRecordsAndStampsDateAndVersion)
{
    setFixedText(record->setup.technician, "J. Doe");
    record->pulse[3].level = 90.0f;
    setFixedText(booth.testName, "old");

    const AfterTestPreferences after = NewTest(*record, booth, preferences, QDate(2026, 3, 5));

    EXPECT_EQ(fixedText(record->setup.testDate), "2026-03-05");
    EXPECT_EQ(record->setup.layoutVersion, 220);
    EXPECT_TRUE(fixedTextIsEmpty(record->setup.technician));
    EXPECT_EQ(record->pulse[3].level, 0.0f);
    EXPECT_TRUE(fixedTextIsEmpty(booth.testName));
    EXPECT_TRUE(after.saveAfterTest && after.showSaveDialogAfterTest && after.displayEarsNotCovered);
}

TEST_F(NewTestFixture, DialLevelDefaultsWhenNothingIsStored)
{
    NewTest(*record, booth, preferences, QDate(2026, 1, 1));
    const int bone = static_cast<int>(TransducerType::BoneVibrator);
    EXPECT_EQ(record->toneLevel[0][bone].dialLevel[frequencyIndex(250)], 20);
    EXPECT_EQ(record->toneLevel[0][bone].dialLevel[frequencyIndex(315)], 40);
    EXPECT_EQ(record->toneLevel[0][bone].dialLevel[frequencyIndex(9000)], 0);
    EXPECT_EQ(record->speech[0][bone].dialLevel, 40.0f);
    EXPECT_EQ(record->broadBand[0][bone].dialLevel, 0);

    EXPECT_EQ(record->toneLevel[0][0].dialLevel[38], 70);
    EXPECT_EQ(record->narrowBand[0][4].dialLevel[0], 70);
    EXPECT_EQ(record->broadBand[0][3].dialLevel, 70);
    EXPECT_EQ(record->toneLevel[1][0].dialLevel[12], 0); // channel 2 starts empty
    // The broad-band and speech settings are one per transducer: the right side is never asked for 0 dB HL.
    EXPECT_EQ(record->broadBand[1][3].dialLevel, 70);
    EXPECT_EQ(record->speech[1][bone].dialLevel, 40.0f);
    EXPECT_EQ(record->speechBinaural.dialLevel, 70.0f);
}

TEST_F(NewTestFixture, DialLevelsComeFromTheirOddlyNamedKeys)
{
    preferences.writeInt(kSettings, QStringLiteral("HL Input_0 RFREQ_1600"), 55);
    preferences.writeInt(kSettings, QStringLiteral("NB Input_3 RFREQ_7500"), 45);
    preferences.writeInt(kSettings, QStringLiteral("BoneHL Input RFREQ_250"), 25);
    preferences.writeInt(kSettings, QStringLiteral("SpeechInput_4"), 60);
    preferences.writeInt(kSettings, QStringLiteral("BroadBandInput_0"), 80);
    preferences.writeInt(kSettings, QStringLiteral("HL Input_2 RFREQ_31.5"), 100000);
    preferences.writeInt(kSettings, QStringLiteral("BoneHL Input RFREQ_8K"), -70000);

    NewTest(*record, booth, preferences, QDate(2026, 1, 1));

    EXPECT_EQ(record->toneLevel[0][0].dialLevel[frequencyIndex(1500)], 55);
    EXPECT_EQ(record->toneLevel[0][0].dialLevel[frequencyIndex(1600)], 70);
    EXPECT_EQ(record->narrowBand[0][3].dialLevel[frequencyIndex(6300)], 45);
    EXPECT_EQ(record->toneLevel[0][1].dialLevel[frequencyIndex(250)], 25);
    EXPECT_EQ(record->speech[0][4].dialLevel, 60.0f);
    EXPECT_EQ(record->broadBand[0][0].dialLevel, 80);
    EXPECT_EQ(record->toneLevel[0][2].dialLevel[0], 32767); // never wraps to a plausible level
    EXPECT_EQ(record->toneLevel[0][1].dialLevel[frequencyIndex(8000)], -32768);
}

TEST_F(NewTestFixture, SavedDialLevelsStartTheNextTest)
{
    NewTest(*record, booth, preferences, QDate(2026, 1, 1));
    record->toneLevel[0][0].dialLevel[frequencyIndex(1500)] = 35;
    record->toneLevel[0][1].dialLevel[frequencyIndex(4000)] = 15;
    record->speech[0][0].dialLevel = 65.6f;
    record->narrowBand[0][4].dialLevel[38] = -10;
    storeDefaultInputLevels(*record, preferences);

    EXPECT_EQ(preferences.readInt(kSettings, QStringLiteral("HL Input_0 RFREQ_1600"), 0), 35);
    EXPECT_EQ(preferences.readInt(kSettings, QStringLiteral("SpeechInput_0"), 0), 66);

    auto next = std::make_unique<AudTestRecord>();
    NewTest(*next, booth, preferences, QDate(2026, 1, 2));
    EXPECT_EQ(next->toneLevel[0][0].dialLevel[frequencyIndex(1500)], 35);
    EXPECT_EQ(next->toneLevel[0][1].dialLevel[frequencyIndex(4000)], 15);
    EXPECT_EQ(next->narrowBand[0][4].dialLevel[38], -10);
    EXPECT_EQ(next->speech[0][0].dialLevel, 66.0f);
}

TEST(Title, ModelAndSerialOrASingleBlank)
{
    TestSetup setup;
    EXPECT_EQ(SetTitleFromRecord(setup), QStringLiteral(" "));
    setFixedText(setup.audiometerModel, "  AD629");
    setFixedText(setup.audiometerSerialNumber, "1234 ");
    EXPECT_EQ(SetTitleFromRecord(setup), QStringLiteral("AD629-1234"));
    setFixedText(setup.audiometerModel, "   ");
    EXPECT_EQ(SetTitleFromRecord(setup), QStringLiteral("-1234"));
    setFixedText(setup.audiometerModel, "AD629     "); // padded as older records are
    setFixedText(setup.audiometerSerialNumber, "  1234");
    EXPECT_EQ(SetTitleFromRecord(setup), QStringLiteral("AD629-1234"));
}

TEST(FixedText, SettersCutAndAlwaysTerminate)
{
    char field[6];
    std::memset(field, 'x', sizeof field);
    setFixedText(field, "abcdefgh");
    EXPECT_EQ(fixedText(field), "abcde");
    EXPECT_EQ(field[5], '\0');
    setFixedText(field, "ab");
    EXPECT_EQ(field[4], '\0'); // nothing stale after the terminator

    setDisplayText(field, QStringLiteral("Zürich"));
    EXPECT_EQ(displayText(field), QStringLiteral("Züric"));

    // A damaged image without a terminator is read to the field's end, no further.
    std::memset(field, 'y', sizeof field);
    EXPECT_EQ(fixedText(field).size(), 6u);
}

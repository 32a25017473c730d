#include "app/CVemoraDoc.h"
#include "model/Blobs.h"
#include "model/FixedText.h"
#include "model/ReferenceData.h"
#include "storage/Recordsets.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QFile>
#include <cstring>
#include <gtest/gtest.h>

namespace tonva {
namespace {

using test::ScriptedInteraction;
using test::TempDir;

const QString kOverwriteTwoBlanks =
    QStringLiteral("Saving measurement will overwrite previous values.  Continue?");
const QString kOverwriteOneBlank =
    QStringLiteral("Saving measurement will overwrite previous values. Continue?");
const QString kTechnicianChanged =
    QStringLiteral("The Technician and/or Test Date has changed.\nDo you wish to replace the existing "
                   "measurement record in the "
                   "database?\n(Clicking No will create a new measurement record in the database.)");

class DocumentStorageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        doc.NewTest();
        ASSERT_NE(doc.database(), nullptr);
        fillIdentity(doc.currentTest(), "Smith");
    }

    static void fillIdentity(AudTestRecord &record, const char *technician)
    {
        setFixedText(record.setup.technician, technician);
        setFixedText(record.setup.audiometerModel, "AC40");
        setFixedText(record.setup.audiometerSerialNumber, "A1");
        setFixedText(record.setup.testDate, "2024-03-07");
        record.setup.channelCount = 2;
    }

    std::vector<AudTestRow> rows() const { return CAudTestMeasRS(*doc.database()).list(); }

    TempDir dir;
    PreferenceStore preferences{dir.file(QStringLiteral("prefs.ini"))};
    ScriptedInteraction interaction;
    CVemoraDoc doc{preferences, interaction, dir.file(QStringLiteral("data/"))};
};

TEST_F(DocumentStorageTest, NewTestStartsFromTodayWithNotApplicableEntriesAndDefaultLevels)
{
    EXPECT_TRUE(QFile::exists(dir.file(QStringLiteral("data/TonvaDB.sqlite"))));
    preferences.writeInt(QStringLiteral("Settings"), QStringLiteral("HL Input_0 RFREQ_1K"), 55);
    doc.NewTest();
    const AudTestRecord &record = doc.currentTest();
    int notApplicable = 0;
    int other = 0;
    for (const auto &kind : record.status)
        for (const std::int32_t status : kind)
            (status == 99 ? notApplicable : other) += status == 99 || status != 0;
    EXPECT_EQ(notApplicable, 15);
    EXPECT_EQ(other, 0);
    EXPECT_EQ(record.statusOf(MeasurementKind::SpeechHearingLevel, TransducerType::Circumaural), 99);
    EXPECT_EQ(record.setup.layoutVersion, 220);
    EXPECT_EQ(QString::fromLatin1(fixedText(record.setup.testDate)),
              QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    EXPECT_EQ(record.toneLevel[0][0].dialLevel[12], 55) << "RFREQ_1K from the preferences";
    EXPECT_EQ(record.toneLevel[0][1].dialLevel[5], 20) << "bone RFREQ_250";
    EXPECT_EQ(record.toneLevel[0][1].dialLevel[6], 40) << "bone RFREQ_315";
    EXPECT_EQ(record.toneLevel[0][1].dialLevel[4], 0) << "below the bone range";
    EXPECT_EQ(record.speech[0][1].dialLevel, 40.0f);
    EXPECT_EQ(record.broadBand[0][3].dialLevel, 70);
    EXPECT_EQ(record.toneLevel[1][0].dialLevel[12], 0) << "channel 2 keeps no defaults";
    EXPECT_TRUE(doc.equipmentListsLoaded());
    EXPECT_EQ(doc.title(), QStringLiteral(" "));

    // The shipped path is the tested one: a hand-edited level beyond 16 bits is held at the limit
    // (70000 would wrap to a plausible 4464), and the date is the one given.
    const int at500 = frequencyIndex(500);
    preferences.writeInt(QStringLiteral("Settings"), QStringLiteral("NB Input_3 %1").arg(frequencyKey(at500)),
                         70000);
    doc.NewTest(QDate(1999, 12, 31));
    EXPECT_EQ(QString::fromLatin1(fixedText(doc.currentTest().setup.testDate)), QStringLiteral("1999-12-31"));
    EXPECT_EQ(doc.currentTest().narrowBand[0][3].dialLevel[at500], 32767);
}

TEST_F(DocumentStorageTest, SaveRefusesAMissingSerialNumberAndWritesNothing)
{
    setFixedText(doc.currentTest().setup.audiometerSerialNumber, "  ");
    interaction.expectMessage(QStringLiteral("You must select a Technician and an Instrument."));
    EXPECT_FALSE(doc.SaveTest());
    EXPECT_TRUE(rows().empty());
}

TEST_F(DocumentStorageTest, SavedTestLoadsBackByteIdenticalAndRemembersItsLevels)
{
    doc.currentTest().speech[0][0].dialLevel = 64.6f;
    doc.currentTest().statusOf(MeasurementKind::HearingLevel, TransducerType::SupraAural) = 1;
    const QByteArray saved = WriteTestBlob(doc.currentTest());
    doc.setModified(true);
    ASSERT_TRUE(doc.SaveTest());
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(preferences.readInt(QStringLiteral("Settings"), QStringLiteral("SpeechInput_0"), 0), 65);

    const auto stored = rows();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].technician, QStringLiteral("Smith"));
    EXPECT_EQ(stored[0].channelNum, 2);
    EXPECT_EQ(stored[0].date, 45358.0);

    doc.NewTest();
    ASSERT_TRUE(doc.LoadTest(stored[0].id));
    EXPECT_EQ(WriteTestBlob(doc.currentTest()), saved);
    EXPECT_TRUE(doc.storedRecordLoaded());
    EXPECT_TRUE(doc.setupAccepted());
    EXPECT_EQ(doc.title(), QStringLiteral("AC40-A1"));
    ASSERT_TRUE(doc.LoadComparisonTest(stored[0].id));
    EXPECT_EQ(WriteTestBlob(doc.comparisonTest()), saved);
}

// The set-up window edits a copy: a set-up the technician backs out of at the FM warning leaves the
// test exactly as it was; the same copy accepted becomes the test's set-up byte for byte.
TEST_F(DocumentStorageTest, ASetUpReachesTheTestOnlyWhenAccepted)
{
    doc.NewTest(QDate(2024, 3, 7));
    const AudTestRecord before = doc.currentTest();
    TestSetup working = doc.OpenSetup();
    setFixedText(working.audiometerModel, "AC40");
    setFixedText(working.audiometerSerialNumber, "A1");
    setFixedText(working.audiometerCalibrationDue, "2025-03-01");
    working.frequencyAvailable[12] = 1;
    working.fmRate = 3.5f;
    working.fmDeviation = 10.0f;

    interaction.expectAskStartingWith(QStringLiteral("Warning: Audiometer FM parameters are invalid."),
                                      Answer::Cancel);
    EXPECT_FALSE(doc.ApplySetup(working, QDate(2024, 3, 7)));
    EXPECT_EQ(std::memcmp(&doc.currentTest(), &before, sizeof before), 0);
    EXPECT_FALSE(doc.setupAccepted());
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(doc.title(), QStringLiteral(" "));

    interaction.expectAskStartingWith(QStringLiteral("Warning: Audiometer FM parameters are invalid."),
                                      Answer::Ok);
    EXPECT_TRUE(doc.ApplySetup(working, QDate(2024, 3, 7)));
    EXPECT_EQ(std::memcmp(&doc.currentTest().setup, &working, sizeof working), 0);
    EXPECT_EQ(std::memcmp(&doc.currentTest().status, &before.status, sizeof before.status), 0);
    EXPECT_TRUE(doc.setupAccepted());
    EXPECT_TRUE(doc.isModified());
    EXPECT_EQ(doc.title(), QStringLiteral("AC40-A1"));
}

TEST_F(DocumentStorageTest, ChangedTechnicianAndNoAddsASecondRowLeavingTheFirst)
{
    ASSERT_TRUE(doc.SaveTest());
    const AudTestRow first = *CAudTestMeasRS(*doc.database()).find(rows()[0].id);
    ASSERT_TRUE(doc.LoadTest(first.id));

    setFixedText(doc.currentTest().setup.technician, "Jones");
    doc.setModified(true);
    interaction.expectAsk(kTechnicianChanged, Answer::No);
    ASSERT_TRUE(doc.SaveTest());
    const auto stored = rows();
    ASSERT_EQ(stored.size(), 2u);
    const AudTestRow again = *CAudTestMeasRS(*doc.database()).find(first.id);
    EXPECT_EQ(again.technician, QStringLiteral("Smith"));
    EXPECT_EQ(again.data, first.data);

    // Yes replaces the row stored under the old name; Cancel writes nothing.
    ASSERT_TRUE(doc.LoadTest(first.id));
    setFixedText(doc.currentTest().setup.testDate, "2024-03-08");
    interaction.expectAsk(kTechnicianChanged, Answer::Cancel);
    EXPECT_FALSE(doc.SaveTest());
    interaction.expectAsk(kTechnicianChanged, Answer::Yes);
    ASSERT_TRUE(doc.SaveTest());
    EXPECT_EQ(rows().size(), 2u);
    EXPECT_EQ(CAudTestMeasRS(*doc.database()).find(first.id)->date, 45359.0);
}

TEST_F(DocumentStorageTest, OverwriteQuestionsGuardStoredTests)
{
    ASSERT_TRUE(doc.SaveTest());
    const int id = rows()[0].id;
    ASSERT_TRUE(doc.LoadTest(id));
    doc.setModified(true);
    interaction.expectAsk(kOverwriteTwoBlanks, Answer::No);
    EXPECT_FALSE(doc.SaveTest());
    EXPECT_TRUE(doc.isModified());

    // A new test that happens to match another stored test asks before replacing it.
    doc.setModified(false);
    doc.NewTest();
    fillIdentity(doc.currentTest(), "Smith");
    interaction.expectAsk(kOverwriteOneBlank, Answer::No);
    EXPECT_FALSE(doc.SaveTest());
    // Saving the same new test twice does not.
    setFixedText(doc.currentTest().setup.testDate, "2024-04-01");
    ASSERT_TRUE(doc.SaveTest());
    ASSERT_TRUE(doc.SaveTest());
    EXPECT_EQ(rows().size(), 2u);
}

TEST_F(DocumentStorageTest, EmptyDataLoadsAsAllZeroRecord)
{
    const int id =
        CAudTestMeasRS(*doc.database())
            .insert(
                {-1, QStringLiteral("Smith"), 45358.0, QStringLiteral("AC40"), QStringLiteral("A1"), 1, {}});
    ASSERT_TRUE(doc.LoadTest(id));
    EXPECT_EQ(WriteTestBlob(doc.currentTest()), WriteTestBlob(AudTestRecord{}));
}

TEST_F(DocumentStorageTest, LoadingOverModifiedTestOffersToSaveFirst)
{
    ASSERT_TRUE(doc.SaveTest());
    const int id = rows()[0].id;
    doc.NewTest();
    fillIdentity(doc.currentTest(), "Brown");
    doc.setModified(true);
    interaction.expectAsk(QStringLiteral("Save the modified measurements to the current database first?"),
                          Answer::Yes);
    ASSERT_TRUE(doc.LoadTest(id));
    EXPECT_EQ(rows().size(), 2u);
}

TEST_F(DocumentStorageTest, BoothSurveysAreStoredByTestName)
{
    setFixedText(doc.currentBooth().testName, "Room 2");
    setFixedText(doc.currentBooth().customerName, "Acme");
    setFixedText(doc.currentBooth().measurementDate, "2024-03-07");
    doc.currentBooth().bandLevel[19] = 21.5f;
    ASSERT_TRUE(doc.SaveBooth());
    doc.currentBooth().bandLevel[19] = 23.0f;
    ASSERT_TRUE(doc.SaveBooth());
    const auto id = doc.storedBoothId(QStringLiteral("Room 2"));
    ASSERT_TRUE(id);
    EXPECT_EQ(CAmbientMeasurements(*doc.database()).count(), 1);
    ASSERT_TRUE(doc.LoadComparisonBooth(*id));
    EXPECT_EQ(doc.comparisonBooth().bandLevel[19], 23.0f);
    EXPECT_EQ(CAmbientMeasurements(*doc.database()).find(*id)->customer, QStringLiteral("Acme"));
}

TEST_F(DocumentStorageTest, ChangeDatabaseAsksAndCarriesTheInventoryOver)
{
    interaction.expectMessage(
        QStringLiteral("You must be in the idle view state to change the database.\nClose all "
                       "views by clicking on appropriate buttons (cancel, done, etc.)."));
    EXPECT_EQ(doc.ChangeDatabase(false, [](const QString &) { return std::nullopt; }),
              CVemoraDoc::ChangeResult::Refused);

    InventoryEntry calibrator;
    calibrator.typeCode = 0;
    doc.inventory().list(InventoryType::Calibrator).push_back(calibrator);
    const QString other = dir.file(QStringLiteral("Other.sqlite"));
    {
        ScriptedInteraction quiet;
        DatabaseSlot slot;
        ASSERT_EQ(OpenOrCreateDatabase(slot, other, false, quiet), 1);
    }
    doc.setModified(true);
    interaction.expectAsk(QStringLiteral("Save new measurements to the current database first?"),
                          Answer::Yes);
    interaction.expectAsk(QStringLiteral("Save previous Database Equipment lists to new database?"),
                          Answer::Yes);
    interaction.expectMessage(QStringLiteral("Connected to %1").arg(other));
    const QString before = doc.databasePath();
    QString proposed;
    EXPECT_EQ(doc.ChangeDatabase(true,
                                 [&](const QString &path) {
                                     proposed = path;
                                     return std::optional<QString>(dir.file(QStringLiteral("Other")));
                                 }),
              CVemoraDoc::ChangeResult::Connected);
    EXPECT_EQ(proposed, before);
    EXPECT_EQ(doc.databasePath(), other);
    EXPECT_TRUE(rows().empty()) << "the modified test went into the old file";
    EXPECT_EQ(CEquipmentList(*doc.database()).readFirst()->size(),
              int(kBlobHeaderSize + kInventoryEntrySize));
    EXPECT_EQ(preferences.readText(QStringLiteral("Preferences"), QStringLiteral("DatabaseName"), {}),
              QStringLiteral("Other.sqlite"));
}

TEST(DocumentSignalsTest, EachChangeIsAnnouncedOnceAndOnlyWhenSomethingChanged)
{
    TempDir dir;
    PreferenceStore preferences{dir.file(QStringLiteral("prefs.ini"))};
    ScriptedInteraction interaction;
    CVemoraDoc doc{preferences, interaction, dir.file(QStringLiteral("data/"))};
    QStringList titles;
    QList<bool> modified;
    QStringList databases;
    int currentTests = 0;
    QObject::connect(&doc, &CVemoraDoc::titleChanged, [&](const QString &title) { titles << title; });
    QObject::connect(&doc, &CVemoraDoc::modifiedChanged, [&](bool on) { modified << on; });
    QObject::connect(&doc, &CVemoraDoc::databaseChanged, [&](const QString &path) { databases << path; });
    QObject::connect(&doc, &CVemoraDoc::currentTestChanged, [&] { ++currentTests; });

    doc.NewTest(); // first use opens the default database
    EXPECT_EQ(databases, QStringList({dir.file(QStringLiteral("data/TonvaDB.sqlite"))}));
    EXPECT_EQ(currentTests, 1);
    EXPECT_TRUE(titles.isEmpty()) << "a new test keeps the blank title it had";

    setFixedText(doc.currentTest().setup.technician, "Smith");
    setFixedText(doc.currentTest().setup.audiometerModel, "AC40");
    setFixedText(doc.currentTest().setup.audiometerSerialNumber, "A1");
    doc.SetTitleFromRecord();
    doc.SetTitleFromRecord();
    EXPECT_EQ(titles, QStringList({QStringLiteral("AC40-A1")}));

    doc.setModified(true);
    doc.setModified(true);
    ASSERT_TRUE(doc.SaveTest());
    EXPECT_EQ(modified, QList<bool>({true, false}));

    const int id = doc.currentRowId();
    doc.NewTest();
    EXPECT_EQ(titles.last(), QStringLiteral(" "));
    ASSERT_TRUE(doc.LoadTest(id));
    EXPECT_EQ(titles.last(), QStringLiteral("AC40-A1"));
    EXPECT_EQ(currentTests, 3);
    EXPECT_EQ(databases.size(), 1) << "the database was opened once";

    const QString other = dir.file(QStringLiteral("Other.sqlite"));
    interaction.expectAskStartingWith(QStringLiteral("Database %1 doesn't exist.").arg(other), Answer::Yes);
    interaction.expectMessage(QStringLiteral("Connected to %1").arg(other));
    ASSERT_EQ(doc.ChangeDatabase(true, [&](const QString &) { return std::optional<QString>(other); }),
              CVemoraDoc::ChangeResult::Connected);
    EXPECT_EQ(databases.last(), other);
    EXPECT_EQ(databases.size(), 2);
}

} // namespace
} // namespace tonva

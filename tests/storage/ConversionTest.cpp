#include "OldDatabase.h"
#include "model/Blobs.h"
#include "storage/BlobConversion.h"
#include "storage/DatabaseFile.h"
#include "storage/SchemaConversion.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <gtest/gtest.h>

namespace tonva {
namespace {

using test::ScriptedInteraction;
using test::TempDir;

constexpr int kImage = int(sizeof(AudTestRecord));

QByteArray image(const QByteArray &blob)
{
    return blob.mid(int(kBlobHeaderSize));
}

TEST(BlobConversionTest, StepFromSixMovesEveryBlockAndSetsThePressure)
{
    const QByteArray old = test::patternImage(33'656);
    const QByteArray converted = BlobConversion::convertTestBlob(6, test::blobWithHeader("02.00", old));
    ASSERT_EQ(converted.size(), int(kTestBlobSize));
    EXPECT_EQ(converted.left(20), test::blobWithHeader("02.00", {}));
    const QByteArray now = image(converted);

    EXPECT_EQ(now.mid(0, 324 + 2004), old.mid(0, 324 + 2004));
    EXPECT_EQ(now.mid(324 + 2004, 284), QByteArray(284, '\0')) << "new microphone record";
    EXPECT_EQ(now.mid(324 + 2288, 744), old.mid(324 + 2004, 744)) << "calibrator and old mastoid";
    EXPECT_EQ(now.mid(324 + 3032, 156), QByteArray(156, '\0')) << "mastoid growth";
    EXPECT_EQ(now.mid(324 + 3188, 1380), old.mid(324 + 2748, 1380)) << "audiometer to humidity";
    EXPECT_EQ(qFromLittleEndian<float>(now.constData() + 324 + 4568), 760.0f);
    EXPECT_EQ(now.mid(4896, 28088), old.mid(4456, 28088));
    EXPECT_EQ(now.mid(32984 + 4832 * 9 + 12, 4), old.mid(32544 + 36, 4)) << "last broad band dial level";
    EXPECT_EQ(now.mid(32984 + 4832 * 9, 12), QByteArray(12, '\0'));
    EXPECT_EQ(now.mid(81304), old.mid(32584));
}

TEST(BlobConversionTest, OlderStepsZeroFillWhatTheOldLayoutLacked)
{
    const QByteArray old = test::patternImage(29'496);
    const QByteArray fromOne = BlobConversion::convertTestBlob(1, test::blobWithHeader("01.00", old));
    ASSERT_EQ(fromOne.size(), 20 + 33'452);
    EXPECT_EQ(image(fromOne).left(29'496), old);
    EXPECT_EQ(image(fromOne).mid(29'496), QByteArray(33'452 - 29'496, '\0'));

    // Short and empty blobs are read as far as they go.
    const QByteArray fromFour =
        BlobConversion::convertTestBlob(4, test::blobWithHeader("01.30", old.left(100)));
    ASSERT_EQ(fromFour.size(), int(kTestBlobSize));
    EXPECT_EQ(image(fromFour).left(100), old.left(100));
    EXPECT_EQ(image(fromFour).mid(100), QByteArray(kImage - 100, '\0'));
    EXPECT_TRUE(BlobConversion::convertTestBlob(2, {}).isEmpty());
}

TEST(BlobConversionTest, CurrentImagesInSchemaThreeFilesSurviveEveryLaterStep)
{
    const QByteArray current = test::blobWithHeader("01.41", test::patternImage(kImage));
    QByteArray blob = current;
    for (int version = 3; version < 7; ++version)
        blob = BlobConversion::convertTestBlob(version, blob);
    EXPECT_EQ(blob, current);

    // A version 1.40 blob in the same file is an old 33,576-byte image.
    const QByteArray old =
        BlobConversion::convertTestBlob(3, test::blobWithHeader("01.40", test::patternImage(kImage)));
    EXPECT_EQ(image(old).mid(33'576), QByteArray(kImage - 33'576, '\0'));
}

TEST(BlobConversionTest, HeaderNumbersNoProgramWroteAreTakenAsOldImages)
{
    for (const char *number : {".2e09", "-1e30", "1e308", "  nan"}) {
        const QByteArray converted =
            BlobConversion::convertTestBlob(3, test::blobWithHeader(number, test::patternImage(kImage)));
        ASSERT_EQ(converted.size(), int(kTestBlobSize)) << number;
        EXPECT_EQ(image(converted).mid(33'576), QByteArray(kImage - 33'576, '\0')) << number;
    }
}

TEST(BlobConversionTest, InventoryGetsTheCurrentHeaderAndKeepsACutShortEntry)
{
    QByteArray entries = test::patternImage(832 + 100);
    const QByteArray converted = BlobConversion::convertInventoryBlob(test::blobWithHeader("01.10", entries));
    ASSERT_EQ(converted.size(), 20 + 832 + 100);
    EXPECT_EQ(converted.left(20), blobHeader());
    EXPECT_EQ(converted.mid(20), entries);
}

class ConversionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        test::makeDatabaseFile(path, 3, [&](const Database &db) {
            CEquipmentList(db).writeFirst(test::blobWithHeader("01.20", test::patternImage(832)));
            CAmbientMeasurements(db).insert({5, QStringLiteral("Booth A"), 40'000.0, QStringLiteral("Acme"),
                                             QStringLiteral("B1"),
                                             test::blobWithHeader("01.20", QByteArray(812, 'b'))});
            CAudTestMeasRS(db).insert({9, QStringLiteral("Smith"), 40'100.0, QStringLiteral("AC40"),
                                       QStringLiteral("A1"), 2, oldTest});
        });
    }

    DatabaseSlot open(ScriptedInteraction &interaction)
    {
        DatabaseSlot slot;
        EXPECT_EQ(OpenOrCreateDatabase(slot, path, false, interaction), 1);
        return slot;
    }

    QString backup(int version) const { return path + QStringLiteral("VERSION%1").arg(version); }
    QString keepQuestion() const
    {
        return QStringLiteral("Database was converted to newest version.\nSave old database with name %1?")
            .arg(backup(3));
    }

    TempDir dir;
    const QString path = dir.file(QStringLiteral("Survey.sqlite"));
    const QString conversionFile = dir.file(QStringLiteral("_Mervane_TONVA_CONVERSION_DB_.sqlite"));
    const QByteArray oldTest = test::blobWithHeader("01.20", test::patternImage(33'576));
};

TEST_F(ConversionTest, VersionThreeConvertsInFourStepsAskingOnce)
{
    const QByteArray original = test::fileBytes(path);
    ScriptedInteraction interaction;
    interaction.expectAsk(keepQuestion(), Answer::Yes);
    DatabaseSlot slot = open(interaction);
    ASSERT_EQ(CheckAndConvertDatabase(slot, interaction), 7);

    EXPECT_EQ(ReadSchemaVersion(*slot), 7);
    EXPECT_EQ(slot->filePath(), path);
    EXPECT_EQ(test::fileBytes(backup(3)), original) << "the kept file is the file as it was";
    for (int version : {4, 5, 6})
        EXPECT_FALSE(QFile::exists(backup(version))) << version;
    EXPECT_FALSE(QFile::exists(conversionFile));
    EXPECT_EQ(interaction.progressStatuses().count(QStringLiteral("Converting Audiometric measurement data")),
              4);
    EXPECT_TRUE(interaction.progressStatuses().contains(
        QStringLiteral("Converting database to newer data structures")));

    const auto test = CAudTestMeasRS(*slot).find(9);
    ASSERT_TRUE(test);
    EXPECT_EQ(test->technician, QStringLiteral("Smith"));
    EXPECT_EQ(test->channelNum, 2);
    ASSERT_EQ(test->data.size(), int(kTestBlobSize));
    EXPECT_EQ(test->data.left(324), oldTest.left(324)) << "header and leading words carried";
    EXPECT_EQ(qFromLittleEndian<float>(test->data.constData() + 20 + 324 + 4568), 760.0f);

    const auto booth = CAmbientMeasurements(*slot).find(5);
    ASSERT_TRUE(booth);
    EXPECT_EQ(booth->data, test::blobWithHeader("01.20", QByteArray(812, 'b')));
    EXPECT_EQ(booth->customer, QStringLiteral("Acme"));
    EXPECT_EQ(CEquipmentList(*slot).readFirst()->left(20), blobHeader());
}

TEST_F(ConversionTest, NoToKeepingRemovesTheBackupAndLeftoverConversionFileIsReplaced)
{
    QFile leftover(conversionFile);
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.write("half a conversion");
    leftover.close();

    ScriptedInteraction interaction;
    interaction.expectAsk(keepQuestion(), Answer::No);
    DatabaseSlot slot = open(interaction);
    ASSERT_EQ(CheckAndConvertDatabase(slot, interaction), 7);
    EXPECT_FALSE(QFile::exists(backup(3)));
    EXPECT_FALSE(QFile::exists(conversionFile));
    EXPECT_EQ(CAudTestMeasRS(*slot).count(), 1);
}

TEST_F(ConversionTest, FailedConversionLeavesTheOriginalUnderItsName)
{
    const QByteArray original = test::fileBytes(path);
    // A folder where the conversion file should go can be neither deleted nor replaced.
    ASSERT_TRUE(QDir().mkpath(conversionFile + QStringLiteral("/blocker")));

    ScriptedInteraction interaction;
    interaction.expectMessageStartingWith(
        QStringLiteral("Unable to delete existing conversion database (cause: "));
    DatabaseSlot slot = open(interaction);
    EXPECT_EQ(CheckAndConvertDatabase(slot, interaction), -1);
    CloseDatabase(slot);
    EXPECT_EQ(test::fileBytes(path), original);
    EXPECT_FALSE(QFile::exists(backup(3)));
}

} // namespace
} // namespace tonva

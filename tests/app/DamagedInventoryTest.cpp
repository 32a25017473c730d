#include "app/CVemoraDoc.h"
#include "model/Blobs.h"
#include "model/FixedText.h"
#include "storage/Recordsets.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace tonva {
namespace {

QString keepQuestion(const QString &whatAndWhy)
{
    return whatAndWhy +
           QStringLiteral("\n\nKeep the unreadable data in the database?\nClick Yes to keep it stored "
                          "unchanged.\nClick No to remove it the next time the instrument lists are "
                          "saved.");
}

InventoryEntry instrument(InventoryType type, const char *serial)
{
    CalibratorData body;
    setFixedText(body.identity.serialNumber, serial);
    body.frequency = 1000.0f;
    body.level = 94.0f;
    return makeInventoryEntry(type, body);
}

QByteArray entryBytes(const InventoryEntry &entry)
{
    return QByteArray(reinterpret_cast<const char *>(&entry), sizeof entry);
}

class DamagedInventoryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        doc.OpenStartupDatabase();
        ASSERT_NE(doc.database(), nullptr);
    }

    void store(const QByteArray &blob)
    {
        Transaction transaction(*doc.database());
        CEquipmentList(*doc.database()).writeFirst(blob);
        transaction.commit();
    }
    QByteArray stored() const { return CEquipmentList(*doc.database()).readFirst().value_or(QByteArray()); }

    test::TempDir dir;
    PreferenceStore preferences{dir.file(QStringLiteral("prefs.ini"))};
    test::ScriptedInteraction interaction;
    CVemoraDoc doc{preferences, interaction, dir.file(QStringLiteral("data/"))};
};

TEST_F(DamagedInventoryTest, ACutShortLastEntryIsReportedAndKeptThroughLaterSaves)
{
    Inventory written;
    written.list(InventoryType::Calibrator) = {instrument(InventoryType::Calibrator, "C1"),
                                               instrument(InventoryType::Calibrator, "C2")};
    QByteArray blob = WriteInventoryBlob(written);
    blob.chop(500);
    store(blob);

    interaction.expectAsk(
        keepQuestion(
            QStringLiteral("1 instrument entry stored in this database could not be read and is not shown in "
                           "the instrument lists.\nIt is cut short at the end of the stored data.")),
        Answer::Yes);
    ASSERT_TRUE(doc.LoadEquipmentLists());
    ASSERT_EQ(doc.inventory().list(InventoryType::Calibrator).size(), 1u);

    ASSERT_TRUE(doc.SaveEquipmentLists());
    EXPECT_EQ(stored(), blob) << "saving what was loaded changes nothing";

    const InventoryEntry preamp = instrument(InventoryType::Preamplifier, "P1");
    doc.inventory().list(InventoryType::Preamplifier).push_back(preamp);
    ASSERT_TRUE(doc.SaveEquipmentLists());
    EXPECT_EQ(stored(), blob.left(20 + 832) + entryBytes(preamp) + blob.right(332))
        << "the new instrument is stored and the cut-short entry stays last";
}

TEST_F(DamagedInventoryTest, UnknownEntriesGoOnlyWhenTheTechnicianLetsThemGoAndThenAtTheNextSave)
{
    Inventory written;
    written.list(InventoryType::Calibrator).push_back(instrument(InventoryType::Calibrator, "C1"));
    written.list(InventoryType::Microphone).push_back(instrument(InventoryType::Microphone, "M1"));
    const QByteArray whole = WriteInventoryBlob(written);
    QByteArray blob = whole;
    InventoryEntry unknown = instrument(InventoryType::Calibrator, "X1");
    unknown.typeCode = 42;
    blob.insert(20 + 832, entryBytes(unknown));
    unknown.typeCode = -1;
    blob.insert(20 + 832, entryBytes(unknown));
    store(blob);

    interaction.expectAsk(
        keepQuestion(QStringLiteral(
            "2 instrument entries stored in this database could not be read and are not shown "
            "in the instrument lists.\nThey are of a kind this version of Tonva does not know.")),
        Answer::No);
    ASSERT_TRUE(doc.LoadEquipmentLists());
    EXPECT_EQ(stored(), blob) << "loading alone writes nothing";

    ASSERT_TRUE(doc.SaveEquipmentLists());
    EXPECT_EQ(stored(), whole);
    ASSERT_TRUE(doc.LoadEquipmentLists()); // no question: nothing is left unread
    EXPECT_EQ(doc.inventory().list(InventoryType::Microphone).size(), 1u);
}

} // namespace
} // namespace tonva

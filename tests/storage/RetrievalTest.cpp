#include "OldDatabase.h"
#include "storage/DatabaseFile.h"
#include "storage/StoredList.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace tonva {
namespace {

using test::ScriptedInteraction;

TEST(FilterTextTest, ShowsTheConditionsInTheirOrder)
{
    EXPECT_EQ(BuildTestFilter({}), QString());
    EXPECT_EQ(BuildTestFilter({.dateFrom = QDate(2024, 3, 7)}), QStringLiteral("Date >= 45358.000000"));
    EXPECT_EQ(BuildTestFilter({.serialNum = QStringLiteral("A1"), .channel = 2}),
              QStringLiteral("SerialNum = 'A1' AND ChannelNum = 2"));
    EXPECT_EQ(BuildTestFilter({QStringLiteral(" A1 "), QStringLiteral("AC40"), QStringLiteral("Smith"), 1,
                               QDate(2024, 1, 1), QDate(2024, 12, 31)}),
              QStringLiteral(
                  "SerialNum = 'A1' AND ModelNum = 'AC40' AND Technician = 'Smith' AND ChannelNum = 1 AND "
                  "Date >= 45292.000000 AND Date <= 45657.000000"));
    EXPECT_EQ(BuildTestFilter({.technician = QStringLiteral("   ")}), QString()) << "blank counts as unset";
    EXPECT_EQ(BuildBoothFilter({QStringLiteral("Acme"), QStringLiteral("B1"), {}, QDate(2024, 3, 7)}),
              QStringLiteral("Customer = 'Acme' AND Booth = 'B1' AND Date <= 45358.000000"));
    const SqlCondition condition = testCondition({.serialNum = QStringLiteral("A1"), .channel = 2});
    EXPECT_EQ(condition.sql, QStringLiteral("SerialNum = ? AND ChannelNum = ?"));
    EXPECT_EQ(condition.values, (QVariantList{QStringLiteral("A1"), 2}));
}

class StoredListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        test::makeDatabaseFile(path, 7, [](const Database &db) {
            const CAudTestMeasRS tests(db);
            tests.insert({-1,
                          QStringLiteral("O'Brien"),
                          45358.0,
                          QStringLiteral("AC40"),
                          QStringLiteral("A1"),
                          2,
                          {}});
            tests.insert(
                {-1, QStringLiteral("Smith"), 45300.0, QStringLiteral("AC40"), QStringLiteral("A2"), 1, {}});
            CAmbientMeasurements(db).insert(
                {-1, QStringLiteral("Room 2"), 45358.0, QStringLiteral("Acme"), QStringLiteral("B1"), {}});
        });
        ASSERT_EQ(OpenOrCreateDatabase(slot, path, false, interaction), 1);
    }

    std::vector<StoredListRow> tests(const TestFilter &filter)
    {
        return FillTestList(slot.get(), filter, interaction).value_or(std::vector<StoredListRow>{});
    }

    test::TempDir dir;
    const QString path = dir.file(QStringLiteral("Lab.sqlite"));
    ScriptedInteraction interaction;
    DatabaseSlot slot;
};

TEST_F(StoredListTest, ValuesAreBoundNotPastedIntoSql)
{
    const auto found = tests({.technician = QStringLiteral("o'brien")});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].cells,
              (QStringList{QStringLiteral("O'Brien"), QStringLiteral("AC40"), QStringLiteral("A1"),
                           QStringLiteral("2"), QStringLiteral("Mar. 07, 2024")}));
    EXPECT_TRUE(tests({.technician = QStringLiteral("x' OR '1'='1")}).empty());
    EXPECT_EQ(tests({}).size(), 2u);
    EXPECT_EQ(tests({.dateFrom = QDate(2024, 3, 7)}).size(), 1u);
    EXPECT_EQ(tests({.dateTo = QDate(2024, 3, 6)}).size(), 1u);

    const auto booths = FillBoothList(slot.get(), {.customer = QStringLiteral("ACME")}, interaction);
    ASSERT_TRUE(booths && booths->size() == 1u);
    EXPECT_EQ(booths->front().cells.first(), QStringLiteral("Room 2"));
    EXPECT_EQ(testListColumns(600).back().width, 195);
}

TEST_F(StoredListTest, MissingDatabaseAndDeleteQuestions)
{
    interaction.expectMessage(QStringLiteral("The database is not available."));
    EXPECT_FALSE(FillTestList(nullptr, {}, interaction));

    EXPECT_FALSE(DeleteStored(*slot, StoredKind::Audiometric, -1, interaction))
        << "nothing highlighted, no question";
    const int id = tests({}).front().id;
    const QString question =
        QStringLiteral("Do you really want to delete highlighted AUDIOMETRIC measurement?");
    interaction.expectAsk(question, Answer::No);
    EXPECT_FALSE(DeleteStored(*slot, StoredKind::Audiometric, id, interaction));
    interaction.expectAsk(question, Answer::Yes);
    EXPECT_TRUE(DeleteStored(*slot, StoredKind::Audiometric, id, interaction));
    EXPECT_EQ(tests({}).size(), 1u);
    interaction.expectAsk(QStringLiteral("Do you really want to delete highlighted AMBIENT measurement?"),
                          Answer::Yes);
    EXPECT_TRUE(
        DeleteStored(*slot, StoredKind::Ambient, CAmbientMeasurements(*slot).list().front().id, interaction));
}

} // namespace
} // namespace tonva

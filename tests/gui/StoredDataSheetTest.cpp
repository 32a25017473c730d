#include "app/StoredRetrieval.h"
#include "model/Blobs.h"
#include "model/FixedText.h"
#include "storage/DatabaseFile.h"
#include "storage/DateNumber.h"
#include "storage/Recordsets.h"
#include "storage/ui/CStoredDataPS.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <gtest/gtest.h>

namespace tonva {
namespace {

using test::ScriptedInteraction;
using test::TempDir;

const QString kDeleteTest =
    QStringLiteral("Do you really want to delete highlighted AUDIOMETRIC measurement?");
const QString kDeleteSurvey = QStringLiteral("Do you really want to delete highlighted AMBIENT measurement?");

class StoredDataSheetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(OpenOrCreateDatabase(slot, path, false, interaction), 1);
        const double date = DateNumber::fromDate(QDate(2024, 3, 7));
        for (const char *technician : {"O'Brien", "Smith"}) {
            AudTestRecord record;
            setFixedText(record.setup.technician, technician);
            setFixedText(record.setup.audiometerModel, "AC40");
            setFixedText(record.setup.audiometerSerialNumber, "A1");
            CAudTestMeasRS(*slot).insert({-1, QString::fromLatin1(technician), date, QStringLiteral("AC40"),
                                          QStringLiteral("A1"), 2, WriteTestBlob(record)});
        }
        CAmbientMeasurements(*slot).insert({-1, QStringLiteral("Room 4"), date, QStringLiteral("Clinic"),
                                            QStringLiteral("B2"), QByteArray()});
    }

    static QTreeView *list(QWidget *page) { return page->findChild<QTreeView *>(QStringLiteral("list")); }
    static void highlight(QWidget *page, int row)
    {
        list(page)->setCurrentIndex(list(page)->model()->index(row, 0));
    }
    static QString cell(QWidget *page, int row, int column)
    {
        return list(page)->model()->index(row, column).data().toString();
    }
    static void findTechnician(CStoredDataPS &sheet, const QString &technician)
    {
        sheet.testPage()->findChild<QLineEdit *>(QStringLiteral("technician"))->setText(technician);
        sheet.testPage()->findChild<QPushButton *>(QStringLiteral("findButton"))->click();
    }

    TempDir dir;
    QString path = dir.file(QStringLiteral("lab.sqlite"));
    ScriptedInteraction interaction;
    DatabaseSlot slot;
};

TEST_F(StoredDataSheetTest, FiltersBindWhatIsTypedSoQuotesFindNamesAndNeverReachSql)
{
    CStoredDataPS sheet(slot.get(), interaction, StoredSheetPages::Both);
    EXPECT_EQ(list(sheet.testPage())->model()->rowCount(), 2);
    EXPECT_EQ(list(sheet.surveyPage())->model()->rowCount(), 1);
    EXPECT_EQ(cell(sheet.testPage(), 0, 4), QStringLiteral("Mar. 07, 2024"));

    findTechnician(sheet, QStringLiteral("O'Brien"));
    ASSERT_EQ(list(sheet.testPage())->model()->rowCount(), 1);
    EXPECT_EQ(cell(sheet.testPage(), 0, 0), QStringLiteral("O'Brien"));
    EXPECT_EQ(sheet.testPage()->findChild<QLabel *>(QStringLiteral("filterText"))->text(),
              QStringLiteral("Filter: Technician = 'O'Brien'"));

    findTechnician(sheet, QStringLiteral("' OR 1=1 --"));
    EXPECT_EQ(list(sheet.testPage())->model()->rowCount(), 0);
    EXPECT_EQ(CAudTestMeasRS(*slot).count(), 2);
    EXPECT_FALSE(sheet.findChild<QPushButton *>(QStringLiteral("retrieveButton"))->isEnabled());
}

TEST_F(StoredDataSheetTest, DeleteAsksFirstSurveyBeforeTest)
{
    CStoredDataPS sheet(slot.get(), interaction, StoredSheetPages::Both);
    auto *deleteButton = sheet.findChild<QPushButton *>(QStringLiteral("deleteButton"));
    EXPECT_FALSE(deleteButton->isEnabled());
    highlight(sheet.testPage(), 1);
    highlight(sheet.surveyPage(), 0);
    ASSERT_TRUE(deleteButton->isEnabled());

    interaction.expectAsk(kDeleteSurvey, Answer::No).expectAsk(kDeleteTest, Answer::No);
    deleteButton->click();
    interaction.verifyDone();
    EXPECT_EQ(CAudTestMeasRS(*slot).count(), 2);
    EXPECT_EQ(CAmbientMeasurements(*slot).count(), 1);

    interaction.expectAsk(kDeleteSurvey, Answer::No).expectAsk(kDeleteTest, Answer::Yes);
    deleteButton->click();
    interaction.verifyDone();
    EXPECT_EQ(CAmbientMeasurements(*slot).count(), 1);
    ASSERT_EQ(list(sheet.testPage())->model()->rowCount(), 1);
    EXPECT_EQ(cell(sheet.testPage(), 0, 0), QStringLiteral("O'Brien"));
    EXPECT_EQ(sheet.sheet().highlightedTest(), -1);
}

TEST_F(StoredDataSheetTest, RetrieveLoadsTheHighlightedTestAndACancelledComparisonLoadsNothing)
{
    const QString folder = dir.path() + QLatin1Char('/');
    PreferenceStore store(dir.file(QStringLiteral("prefs.ini")));
    store.writeText(QStringLiteral("Preferences"), QStringLiteral("DatabaseName"),
                    QStringLiteral("lab.sqlite"));
    store.writeText(QStringLiteral("Preferences"), QStringLiteral("DatabaseDir"), folder);
    slot.reset();
    CVemoraDoc doc(store, interaction, folder);
    doc.OpenStartupDatabase();
    ASSERT_NE(doc.database(), nullptr);

    CStoredDataPS sheet(doc.database(), interaction, StoredSheetPages::Both);
    highlight(sheet.testPage(), 0);
    const std::optional<ViewId> view = RetrieveStored(doc, sheet.sheet().selection());
    ASSERT_TRUE(view.has_value());
    EXPECT_EQ(*view, ViewId::Summary);
    EXPECT_EQ(fixedText(doc.currentTest().setup.technician), "O'Brien");

    CStoredDataPS comparison(doc.database(), interaction, comparisonPages(false));
    EXPECT_EQ(comparison.surveyPage(), nullptr);
    highlight(comparison.testPage(), 1);
    ASSERT_TRUE(RetrieveComparison(doc, comparison.sheet().selection(), false));
    EXPECT_EQ(fixedText(doc.comparisonTest().setup.technician), "Smith");
    // Cancel, or Retrieve with nothing highlighted, leaves the earlier comparison test in place
    // and tells the caller there is nothing to print.
    EXPECT_FALSE(RetrieveComparison(doc, std::nullopt, false));
    EXPECT_FALSE(RetrieveComparison(doc, StoredSelection{}, false));
    EXPECT_EQ(fixedText(doc.comparisonTest().setup.technician), "Smith");
}

} // namespace
} // namespace tonva

#include "app/CVemoraDoc.h"
#include "model/Blobs.h"
#include "model/FixedText.h"
#include "platform/Clock.h"
#include "storage/Recordsets.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QProcess>
#include <gtest/gtest.h>

namespace tonva {
namespace {

using test::ScriptedInteraction;

// The child side runs only when the parent starts this program again with these variables set.
const char *const kModeVariable = "TONVA_STORAGE_CHILD";
const char *const kFolderVariable = "TONVA_STORAGE_FOLDER";

AudTestRecord sampleRecord(int number)
{
    AudTestRecord record;
    setFixedText(record.setup.technician, QStringLiteral("Tech %1").arg(number).toStdString());
    setFixedText(record.setup.audiometerModel, "AC40");
    setFixedText(record.setup.audiometerSerialNumber, "A1");
    setFixedText(record.setup.testDate, "2024-03-07");
    record.setup.channelCount = 2;
    for (auto &channel : record.broadBand)
        for (auto &element : channel)
            std::fill(std::begin(element.spectrum[0]), std::end(element.spectrum[0]), float(number));
    record.checklist = {};
    record.leadingWord = number;
    return record;
}

class CrossProcessTest : public ::testing::Test
{
protected:
    void startChild(QProcess &child, const char *mode)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QLatin1String(kModeVariable), QLatin1String(mode));
        environment.insert(QLatin1String(kFolderVariable), dir.path());
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=CrossProcessTest.ChildSide")});
        EXPECT_TRUE(child.waitForStarted());
    }

    test::TempDir dir;
    PreferenceStore preferences{dir.file(QStringLiteral("prefs.ini"))};
    ScriptedInteraction interaction;
};

// Not a test of its own: the body of the child process the tests below start.
TEST_F(CrossProcessTest, ChildSide)
{
    const QByteArray mode = qgetenv(kModeVariable);
    if (mode.isEmpty())
        GTEST_SKIP() << "runs only as the child of the cross-process tests";
    const QString folder = QString::fromLocal8Bit(qgetenv(kFolderVariable));
    PreferenceStore childPreferences(folder + QStringLiteral("/child.ini"));
    CVemoraDoc doc(childPreferences, interaction, folder + QLatin1Char('/'));
    doc.NewTest();
    for (int number = 1; mode == "loop" || number == 1; ++number) {
        doc.currentTest() = sampleRecord(number);
        ASSERT_TRUE(doc.SaveTest());
    }
}

TEST_F(CrossProcessTest, TestSavedByOneProcessLoadsByteIdenticalInAnother)
{
    QProcess child;
    startChild(child, "once");
    ASSERT_TRUE(child.waitForFinished(30'000));
    ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();

    CVemoraDoc doc(preferences, interaction, dir.path() + QLatin1Char('/'));
    doc.NewTest();
    const auto rows = CAudTestMeasRS(*doc.database()).list();
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_TRUE(doc.LoadTest(rows[0].id));
    EXPECT_EQ(WriteTestBlob(doc.currentTest()), WriteTestBlob(sampleRecord(1)));
}

TEST_F(CrossProcessTest, WriterKilledMidSaveLeavesOnlyCompleteRows)
{
    QProcess child;
    startChild(child, "loop");
    const QString file = dir.file(QStringLiteral("TonvaDB.sqlite"));
    SystemClock clock;
    // Let it get well into its loop of saves, then pull the plug.
    for (int waited = 0; waited < 20'000 && QFileInfo(file).size() < 400'000; waited += 20)
        clock.sleep(20);
    clock.sleep(137);
    child.kill();
    ASSERT_TRUE(child.waitForFinished(10'000));

    auto database = Database::openExisting(file);
    QSqlQuery check = database->run(QStringLiteral("PRAGMA integrity_check"));
    ASSERT_TRUE(check.next());
    EXPECT_EQ(check.value(0).toString(), QStringLiteral("ok"));
    int rows = 0;
    CAudTestMeasRS(*database).forEach([&](const AudTestRow &row) {
        ++rows;
        AudTestRecord record;
        EXPECT_TRUE(ReadTestBlob(row.data, record).clean()) << row.id;
        EXPECT_EQ(row.data, WriteTestBlob(sampleRecord(record.leadingWord))) << row.id;
        EXPECT_EQ(row.technician, QStringLiteral("Tech %1").arg(record.leadingWord));
    });
    EXPECT_GT(rows, 1);
}

} // namespace
} // namespace tonva

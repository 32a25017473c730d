#include "model/Blobs.h"
#include "model/FixedText.h"
#include "platform/TextFormat.h"
#include "storage/Database.h"
#include "storage/Recordsets.h"
#include "support/Processes.h"
#include "support/TempDir.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace tonva;
using namespace tonva::test;

namespace {

ProgramResult cli(const QStringList &arguments)
{
    return runProgram(builtProgram("src/cli/tonva-cli"), arguments, 120000);
}

QString pdfText(const QString &pdf)
{
    return runProgram(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")}).out;
}

// The first words of the lines that say FAIL: the summary rows of the failed measurements.
QStringList failLines(const QString &text)
{
    QStringList rows;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.contains(QLatin1String("FAIL")))
            rows << line.left(line.indexOf(QLatin1String("FAIL")))
                        .remove(QRegularExpression(QStringLiteral("(\\s+(Pass|NA|-))*\\s*$")))
                        .trimmed();
    }
    return rows;
}

TEST(ReportEndToEnd, PdfHoldsTheStoredLevelsFailsExactlyTheInjectedRowsAndEmbedsLiberation)
{
    const struct
    {
        const char *profile;
        QStringList failing;
    } cases[] = {
        {"good", {}},
        {"faulty", {"Hearing Level", "Frequency", "Harmonic Distortion", "Frequency Modulation"}},
        {"faulty-crosstalk", {"Cross Talk"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.profile);
        TempDir dir;
        const QString db = dir.file(QStringLiteral("demo.sqlite"));
        ASSERT_EQ(cli({"demo", "--db", db, "--profile", c.profile}).exitCode, 0);
        const QString pdf = dir.file(QStringLiteral("report.pdf"));
        const ProgramResult report = cli({"report", "--db", db, "--test", "1", "--kind", "tabular", "--pdf", pdf,
                                          "--company", "Acme Audiology", "--page-size", "a4"});
        ASSERT_EQ(report.exitCode, 0) << report.err.toStdString();
        const QString text = pdfText(pdf);
        EXPECT_TRUE(text.contains(QLatin1String("Acme Audiology")));
        EXPECT_TRUE(text.contains(QLatin1String("Page 5")));
        EXPECT_EQ(failLines(text), c.failing);

        // Every hearing level the test stored is on paper.
        AudTestRecord record;
        {
            const std::unique_ptr<Database> database = Database::openExisting(db);
            ReadTestBlob(CAudTestMeasRS(*database).find(1)->data, record);
        }
        int levels = 0;
        for (int ear = 0; ear < 2; ++ear) {
            for (const float level : record.toneLevel[ear][0].measuredLevel) {
                if (level > 10.0f) {
                    ++levels;
                    EXPECT_TRUE(text.contains(formatText("%5.1f", level).trimmed())) << level;
                }
            }
        }
        EXPECT_GT(levels, 20);

        const QString fonts = runProgram(QStringLiteral("pdffonts"), {pdf}).out;
        const QStringList rows = fonts.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
        ASSERT_FALSE(rows.isEmpty());
        for (const QString &row : rows) {
            EXPECT_TRUE(row.startsWith(QLatin1String("Liberation"))) << row.toStdString();
            EXPECT_TRUE(row.contains(QRegularExpression(QStringLiteral("\\byes\\b")))) << row.toStdString();
        }
    }
}

TEST(ReportEndToEnd, BoothSurveyPrintsItsTablesAndMissingRecordsAreRefused)
{
    TempDir dir;
    const QString db = dir.file(QStringLiteral("demo.sqlite"));
    ASSERT_EQ(cli({"demo", "--db", db}).exitCode, 0);
    BoothRecord booth;
    setFixedText(booth.booth, "North Booth");
    setFixedText(booth.measurementDate, "2024-05-06");
    setFixedText(booth.testName, "North 2024");
    for (float &level : booth.bandLevel)
        level = 12.25f;
    booth.bandLevel[25] = 33.5f; // 4000 Hz above the ears-covered limit of 32
    {
        const std::unique_ptr<Database> database = Database::openExisting(db);
        AmbientRow row;
        row.testName = QStringLiteral("North 2024");
        row.booth = QStringLiteral("North Booth");
        row.data = WriteBoothBlob(booth);
        CAmbientMeasurements(*database).insert(row);
    }
    const QString pdf = dir.file(QStringLiteral("booth.pdf"));
    const ProgramResult report = cli({"report", "--db", db, "--booth", "North 2024", "--pdf", pdf});
    ASSERT_EQ(report.exitCode, 0) << report.err.toStdString();
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QLatin1String("North Booth")));
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("4000 +33.5 +32.0 +6.0"))));
    EXPECT_TRUE(text.contains(QLatin1String("LIMITS")));

    const ProgramResult missing = cli({"report", "--db", db, "--test", "99", "--pdf", pdf});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(QLatin1String("No stored test with Id 99")));
    const ProgramResult badSection = cli({"report", "--db", db, "--test", "1", "--sections", "hl,loud", "--pdf", pdf});
    EXPECT_EQ(badSection.exitCode, 1);
    EXPECT_TRUE(badSection.err.contains(QLatin1String("unknown section 'loud'")));
}

} // namespace

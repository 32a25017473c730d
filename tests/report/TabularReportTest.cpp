#include "ReportFixture.h"

#include "demo/DemoReport.h"
#include "model/FixedText.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace tonva {
namespace {

// The first line at or after `from` whose first cell is `text`; -1 when none.
int lineStarting(const CAudReport &report, const QString &text, int from = 0)
{
    for (int i = from; i < report.count(); ++i) {
        if (report.line(i).count() > 0 && report.line(i).cell(0).text == text)
            return i;
    }
    return -1;
}

const CRptCell *cellAt(const CRptLine &line, int column)
{
    for (int c = 0; c < line.count(); ++c) {
        if (line.cell(c).column == column)
            return &line.cell(c);
    }
    return nullptr;
}

bool anyBold(const CRptLine &line)
{
    for (int c = 0; c < line.count(); ++c) {
        if (line.cell(c).bold && !line.cell(c).text.trimmed().isEmpty())
            return true;
    }
    return false;
}

// No section shorter than a page is split over two, however long the sections before it were.
void expectSectionsWhole(const CAudReport &report, int lpp)
{
    for (int start = lineStarting(report, QStringLiteral("-------")); start >= 0;) {
        const int next = lineStarting(report, QStringLiteral("-------"), start + 1);
        const int end = (next < 0 ? report.count() : next - 1); // the blank line before a heading
        if (end - start <= lpp)
            EXPECT_EQ(start / lpp, (end - 1) / lpp) << report.line(start).cell(1).text.toStdString();
        start = next;
    }
}

class ProfileReport : public testing::TestWithParam<const char *>
{};

// What the pages judged is what the report marks: every failed page row is one row with bold values
// in its section, the summary says FAIL exactly where the status table does, and no section
// shorter than a page is split across two.
TEST_P(ProfileReport, MarksExactlyWhatThePagesFailedAndKeepsSectionsWhole)
{
    const std::unique_ptr<AudTestRecord> record = test::measuredTest(QString::fromLatin1(GetParam()));
    ASSERT_TRUE(record);
    // The frequency section prints both ears of a frequency on one row.
    std::set<std::tuple<MeasurementEntry, TransducerType, int, QString>> failed;
    for (const demo::DemoStep &step : demo::reportedSteps(demo::CalibrationDemo::steps())) {
        const PageTable list = demo::stepList(*record, step);
        const int ear = step.measurement == MeasurementEntry::FrequencyAccuracy ? -1 : int(step.ear);
        for (int row = 0; row < list.rows.size(); ++row) {
            if (list.verdict(row) == ResultStatus::Failed)
                failed.insert({step.measurement, step.transducer, ear, list.rows[row].value(0)});
        }
    }
    const int failedRows = int(failed.size());

    CPrintHandler handler(*record, {}, ReportSelection{});
    RecordingCanvas canvas;
    const int pages = test::printAll(handler, canvas);
    const CAudReport &report = handler.report();
    const int lpp = handler.geometry().linesPerPage;
    EXPECT_EQ(canvas.pageCount(), pages);
    EXPECT_EQ(pages, (report.count() + lpp - 1) / lpp);

    const int summary = lineStarting(report, QStringLiteral("Test Name"));
    ASSERT_GT(summary, 0);
    for (int kind = 0; kind < kMeasurementKinds; ++kind) {
        const CRptLine &line = report.line(summary + 1 + kind);
        for (int k = 1; k <= 5; ++k) {
            const CRptCell *cell = cellAt(line, 11 * k + 7);
            ASSERT_TRUE(cell);
            EXPECT_EQ(cell->text == QLatin1String("FAIL") && cell->bold, record->status[kind][k - 1] == -1)
                << line.cell(0).text.toStdString() << " " << k;
        }
    }
    const int firstSection = lineStarting(report, QStringLiteral("-------"));
    EXPECT_EQ(firstSection % lpp, 0) << "the summary page ends with a page break";

    int boldRows = 0;
    const int notes = lineStarting(report, QStringLiteral("Left Earphone"), lineStarting(report, QStringLiteral("-------"),
                                                                                          report.count() - 50));
    for (int i = firstSection; i < notes; ++i)
        boldRows += anyBold(report.line(i));
    EXPECT_EQ(boldRows, failedRows);

    expectSectionsWhole(report, lpp);
}

INSTANTIATE_TEST_SUITE_P(Profiles, ProfileReport,
                         testing::Values("good", "faulty", "faulty-attenuator", "faulty-distortion", "faulty-pulse",
                                         "faulty-crosstalk"));

std::unique_ptr<AudTestRecord> craftedTest()
{
    auto record = std::make_unique<AudTestRecord>();
    TestSetup &s = record->setup;
    setFixedText(s.audiometerManufacturer, "Maker");
    setFixedText(s.audiometerModel, "M-1");
    setFixedText(s.audiometerSerialNumber, "S9");
    setFixedText(s.testDate, "2026-01-02");
    setFixedText(s.technician, "Tess");
    s.channelCount = 1;
    s.channelToTest = 1;
    s.supraAural.builtIn = 1;
    s.circumaural.builtIn = 1;
    // An insert earphone with the lab's own reference levels; an empty slot would be marked by nothing.
    setFixedText(s.insert.model, "ER-3A");
    for (int f = 0; f < kFrequencyCount; ++f)
        s.frequencyAvailable[f] = 1;
    return record;
}

TEST(TabularReport, IdentificationSummaryNotesAndCommentsFollowTheirLayout)
{
    std::unique_ptr<AudTestRecord> record = craftedTest();
    record->statusOf(MeasurementKind::HearingLevel, TransducerType::BoneVibrator) = -1;
    record->statusOf(MeasurementKind::HearingLevel, TransducerType::InsertEarphone) = 99;
    record->checklist.visualCheck[3] = 1;
    record->checklist.visualCheck[29] = 2;
    const std::string word(120, 'x');
    setFixedText(record->checklist.comments, "First line\r\n" + word + "\rshort words " + std::string(50, 'y') + " end");

    ReportSelection selection;
    CPrintHandler handler(*record, {QStringLiteral("Lab"), QStringLiteral("H1"), QStringLiteral("H2")}, selection);
    RecordingCanvas canvas;
    ASSERT_EQ(test::printAll(handler, canvas), 2);
    const ReportGeometry &g = handler.geometry();
    const CAudReport &report = handler.report();

    EXPECT_EQ(canvas.find(QStringLiteral("Audiometer Calibration: Maker M-1 (S/N S9)"), 1)->page, 2);
    EXPECT_EQ(canvas.find(QStringLiteral("Page 2"))->page, 2);
    EXPECT_EQ(canvas.find(QStringLiteral("Lab"))->font, g.large);
    const RecordedCell *technician = canvas.find(QStringLiteral("Tess"));
    EXPECT_EQ(technician->topLeft.x(), g.leftMargin + 11 * g.cw);
    EXPECT_TRUE(canvas.lineOf(*technician).first().font.bold);
    // A label that overruns its column pushes its value along instead of printing over it.
    const RecordedCell *date = canvas.find(QStringLiteral("2026-01-02"));
    const RecordedCell label = canvas.lineOf(*date).first();
    EXPECT_GE(date->topLeft.x(), label.topLeft.x() + measureCanvasText(g.bold, label.text));
    // Only the earphone without standard reference levels is marked, and the footnote follows.
    EXPECT_TRUE(canvas.find(QStringLiteral("Insert*")));
    EXPECT_TRUE(canvas.find(QStringLiteral("Supra-aural")));
    EXPECT_TRUE(canvas.find(QStringLiteral("* Includes non-standard RETSPL")));

    const int hl = lineStarting(report, QStringLiteral("Hearing Level"));
    EXPECT_EQ(cellAt(report.line(hl), 18)->text, QStringLiteral(" - "));
    EXPECT_TRUE(cellAt(report.line(hl), 29)->bold);
    EXPECT_EQ(cellAt(report.line(hl), 51)->text, QStringLiteral("NA"));
    EXPECT_EQ(lineStarting(report, QStringLiteral("Speech")), hl + 9) << "every selected kind has its row";

    // The bone section has nothing measured, on a one-channel audiometer: heading and name only.
    const int section = lineStarting(report, QStringLiteral("-------"));
    EXPECT_EQ(report.line(section).cell(2).text, QString());
    EXPECT_EQ(report.line(section + 1).cell(0).text, QStringLiteral("Bone Vibrator"));

    const RecordedCell *legend = canvas.find(QStringLiteral("P- pass  F-fail  NA- Not Applicable"));
    EXPECT_EQ(legend->topLeft.x() + canvas.textWidth(legend->text) >= g.pageWidth - g.leftMargin - 2, true);
    const int items = lineStarting(report, QStringLiteral("Left Earphone"), section);
    EXPECT_EQ(report.line(items + 14).cell(2).text, QStringLiteral("VU meter"));
    EXPECT_EQ(report.line(items + 14).cell(3).text, QStringLiteral("NA"));
    EXPECT_EQ(report.line(items + 3).cell(1).text, QStringLiteral("F"));
    EXPECT_TRUE(report.line(items + 3).cell(1).bold);
    EXPECT_EQ(report.line(items + 3).cell(3).column, 65);

    const QStringList comments = tabular::commentLines(displayText(record->checklist.comments));
    ASSERT_EQ(comments.size(), 5);
    EXPECT_EQ(comments[0], QStringLiteral("First line"));
    EXPECT_EQ(comments[1].size(), 67);
    EXPECT_EQ(comments[2].size(), 53);
    EXPECT_EQ(comments[3], QStringLiteral("short words ") + QString(50, QLatin1Char('y')) + QLatin1Char(' '));
    EXPECT_EQ(report.line(report.count() - 1).cell(0).text, QStringLiteral("end"));

    selection.displayRetsplMessage = false;
    CPrintHandler plain(*record, {}, selection);
    RecordingCanvas quiet;
    test::printAll(plain, quiet);
    EXPECT_FALSE(quiet.find(QStringLiteral("Insert*")));
    EXPECT_FALSE(quiet.find(QStringLiteral("* Includes non-standard RETSPL")));
}

TEST(TabularReport, LinearityAndPulseEdgesAndADamagedRecord)
{
    std::unique_ptr<AudTestRecord> record = craftedTest();
    const auto t = static_cast<int>(TransducerType::SupraAural);
    record->statusOf(MeasurementKind::HearingLevelLinearity, TransducerType::SupraAural) = -1;
    record->statusOf(MeasurementKind::PulsedTones, TransducerType::SupraAural) = -1;
    LinearityResult &left = record->linearity[0][t];
    left.testFrequency = 1000;
    left.noiseFloor = 0;
    LinearityResult &right = record->linearity[1][t];
    right.testFrequency = 1000;
    right.noiseFloor = 20;
    right.maximumLevel = 200; // damaged: past the 141 stored levels
    right.dialStep = 10;
    for (int level = 0; level <= 140; ++level)
        right.measuredLevel[level] = level + 7.5f;
    right.measuredLevel[120] += 1.5f;
    PulseResult &pulse = record->pulse[t];
    pulse = PulseResult{20.0f, 50.1f, 260.0f, 189.9f, 150.0f, 0, 80.0f, 0, 0};

    CAudReport report;
    tabular::appendSection(report, *record, MeasurementKind::HearingLevelLinearity, TransducerType::SupraAural,
                           RegionalMode::Normal);
    int at = lineStarting(report, QStringLiteral("Left Earphone"));
    EXPECT_EQ(report.line(at + 1).cell(0).text, QStringLiteral("Noise Floor (0.00) too low."));
    at = lineStarting(report, QStringLiteral("Right Earphone"));
    EXPECT_EQ(report.line(at).cell(2).text, QStringLiteral("Test step: 10 dB"));
    const CRptLine &top = report.line(at + 3);
    EXPECT_EQ(top.cell(0).text, QStringLiteral("140")) << "the series starts at the highest stored level";
    EXPECT_EQ(top.count(), 4) << "no step on the first row";
    const CRptLine &raised = report.line(at + 5);
    EXPECT_EQ(raised.cell(0).text, QStringLiteral("120"));
    EXPECT_TRUE(raised.cell(2).bold) << "1.5 dB HL variance passes, 2.01 would not";
    EXPECT_FALSE(raised.cell(2).text.isEmpty());
    EXPECT_TRUE(raised.cell(4).bold) << "a step of 8.5 against 10";
    EXPECT_EQ(raised.cell(4).text, QStringLiteral(" 8.5"));
    EXPECT_EQ(raised.cell(6).text, QStringLiteral("9.0 to 11.0"));
    EXPECT_EQ(report.line(report.count() - 1).cell(0).text, QStringLiteral("NF = 20.0 dB"));

    // A step of zero or less would never reach the bottom of the series: no rows at all.
    for (const std::int16_t step : {std::int16_t(0), std::int16_t(-5)}) {
        right.dialStep = step;
        CAudReport damaged;
        tabular::appendSection(damaged, *record, MeasurementKind::HearingLevelLinearity, TransducerType::SupraAural,
                               RegionalMode::Normal);
        EXPECT_EQ(damaged.line(damaged.count() - 2).cell(0).text, QStringLiteral("Level"));
    }

    // Two sections longer than a page, then the pulse section and the notes.
    right.dialStep = 1;
    record->linearity[0][t] = right;
    setFixedText(record->checklist.comments, std::string(500, 'z'));
    CPrintHandler handler(*record, {}, ReportSelection{});
    RecordingCanvas canvas;
    EXPECT_GT(test::printAll(handler, canvas), 4);
    expectSectionsWhole(handler.report(), handler.geometry().linesPerPage);

    CAudReport pulseReport;
    tabular::appendSection(pulseReport, *record, MeasurementKind::PulsedTones, TransducerType::SupraAural,
                           RegionalMode::Normal);
    const CRptLine &row = pulseReport.line(pulseReport.count() - 1);
    ASSERT_EQ(row.count(), 7);
    const bool bold[] = {false, false, true, false, true, false};
    for (int c = 1; c < 6; ++c)
        EXPECT_EQ(row.cell(c).bold, bold[c]) << c;
    EXPECT_EQ(row.cell(0).text, QStringLiteral("   1000"));
    EXPECT_EQ(row.cell(6).text, QStringLiteral("OK"));
}

TEST(TabularReport, BoothTablesFollowTheLimitSetAndTheColumnsChosen)
{
    BoothRecord booth;
    setFixedText(booth.booth, "Booth 1");
    setFixedText(booth.measurementDate, "2010-03-10");
    for (float &level : booth.bandLevel)
        level = 15.0f;
    booth.bandLevel[19] = -60.0f; // 1000 Hz not measured
    booth.bandLevel[16] = 41.0f;  // 500 Hz above every limit

    const auto print = [&](const BoothReportOptions &options, RecordingCanvas &canvas) {
        CPrintHandler handler(booth, {QStringLiteral("Lab"), {}, {}}, options);
        test::printAll(handler, canvas);
        return handler.report().count();
    };
    RecordingCanvas full;
    print({}, full);
    EXPECT_FALSE(full.find(QStringLiteral("Page 1"))) << "booth pages carry no heading";
    EXPECT_EQ(full.find(QStringLiteral("Uncovered"), 2)->topLeft.x(), full.find(QStringLiteral("Covered"), 2)->topLeft.x() + 9 * ReportGeometry::measure(full).cw);
    QList<RecordedCell> row = full.lineOf(*full.find(QStringLiteral("500")));
    ASSERT_EQ(row.size(), 8);
    EXPECT_EQ(row[2].text, QStringLiteral("14.5")) << "set A up to 10 March 2010";
    for (int c = 2; c < 8; ++c)
        EXPECT_TRUE(row[c].font.bold);
    row = full.lineOf(*full.find(QStringLiteral("1000")));
    EXPECT_EQ(row[1].text, QStringLiteral("----"));
    EXPECT_FALSE(row[2].font.bold);
    row = full.lineOf(*full.find(QStringLiteral("31.5")));
    EXPECT_FALSE(row[2].font.bold) << "15 dB is under 57";
    EXPECT_TRUE(row[3].font.bold == false && row[3].text == QStringLiteral("51.0"));
    row = full.lineOf(*full.find(QStringLiteral("500"), 1));
    EXPECT_EQ(row.last().text, QStringLiteral("40.0")) << "OSHA";
    EXPECT_TRUE(row.last().font.bold);

    setFixedText(booth.measurementDate, "2010-03-11");
    RecordingCanvas narrow;
    print({BoothPages::Ansi, false}, narrow);
    EXPECT_FALSE(narrow.find(QStringLiteral("Uncovered")));
    EXPECT_FALSE(narrow.find(QStringLiteral("OSHA")));
    row = narrow.lineOf(*narrow.find(QStringLiteral("500")));
    ASSERT_EQ(row.size(), 5);
    EXPECT_EQ(row[2].text, QStringLiteral("16.0")) << "set B after";
    row = narrow.lineOf(*narrow.find(QStringLiteral("31.5")));
    EXPECT_EQ(row.size(), 2) << "set B has no limits below 125 Hz";

    RecordingCanvas osha;
    print({BoothPages::Osha, true}, osha);
    EXPECT_FALSE(osha.find(QStringLiteral("125 to 8000 Hz")));
    EXPECT_TRUE(osha.find(QStringLiteral("LIMITS")));
}

} // namespace
} // namespace tonva

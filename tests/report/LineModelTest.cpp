#include "report/AudReport.h"
#include "report/RecordingCanvas.h"

#include <gtest/gtest.h>

namespace tonva {
namespace {

TEST(LineModel, CellsArePlacedByTheColumnRulesAndPagesFollowTheLineCount)
{
    RecordingCanvas canvas;
    const ReportGeometry g = ReportGeometry::measure(canvas);
    ASSERT_EQ(g.leftMargin, 450);
    ASSERT_EQ(g.topMargin, 150);
    ASSERT_EQ(g.normal.height, 66);
    ASSERT_EQ(g.large.height, 99);

    CAudReport report;
    report.addLine().add(0, QStringLiteral("Big"), Large | Centred);
    report.addLine()
        .add(5, QStringLiteral("Label:"), Bold)
        .add(kAfterPrevious, QStringLiteral("value"))
        .add(kRightAligned, QStringLiteral("right"));
    for (int i = 0; i < 20; ++i)
        report.addLine().add(i, QString::number(i));
    // A full line keeps its first 17 cells.
    CRptLine &full = report.addLine();
    for (int i = 0; i < 20; ++i)
        full.add(i * 4, QStringLiteral("c%1").arg(i));
    EXPECT_EQ(full.count(), CRptLine::kMaxCells);
    while (report.count() < g.linesPerPage + 2)
        report.addBlank();
    report.addLine().add(0, QStringLiteral("second page"));
    ASSERT_EQ(g.pageCount(report), 2);

    for (int page = 1; page <= 2; ++page) {
        if (page > 1)
            canvas.newPage();
        drawReportPage(canvas, g, report, page);
    }

    const RecordedCell *big = canvas.find(QStringLiteral("Big"));
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->font, g.large);
    EXPECT_EQ(big->topLeft, QPoint((g.pageWidth - measureCanvasText(g.large, QStringLiteral("Big"))) / 2, g.bodyTop))
        << "centred, at the body's top";

    const RecordedCell *label = canvas.find(QStringLiteral("Label:"));
    const RecordedCell *value = canvas.find(QStringLiteral("value"));
    const RecordedCell *right = canvas.find(QStringLiteral("right"));
    ASSERT_TRUE(label && value && right);
    // A large last cell advances one and a half lines.
    EXPECT_EQ(label->topLeft, QPoint(g.leftMargin + 5 * g.cw, g.bodyTop + g.lh * 3 / 2));
    EXPECT_TRUE(label->font.bold);
    EXPECT_EQ(value->topLeft.x(), label->topLeft.x() + measureCanvasText(g.bold, label->text) + g.cw);
    EXPECT_FALSE(value->font.bold);
    EXPECT_EQ(right->topLeft.x() + measureCanvasText(g.normal, right->text), g.pageWidth - g.leftMargin);

    const RecordedCell *seven = canvas.find(QStringLiteral("7"));
    ASSERT_NE(seven, nullptr);
    EXPECT_EQ(seven->topLeft, QPoint(g.leftMargin + 7 * g.cw, g.bodyTop + g.lh * 3 / 2 + 8 * g.lh));
    EXPECT_EQ(canvas.find(QStringLiteral("c16"))->topLeft.x(), g.leftMargin + 64 * g.cw);
    EXPECT_EQ(canvas.find(QStringLiteral("c17")), nullptr);

    const RecordedCell *second = canvas.find(QStringLiteral("second page"));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->page, 2);
    EXPECT_EQ(second->topLeft.y(), g.bodyTop + 2 * g.lh) << "the page's third line";
    EXPECT_EQ(canvas.font(), RecordingCanvas().font()) << "the caller's font is restored";
}

TEST(LineModel, HeadingPutsThePageNumberAgainstTheRightMargin)
{
    RecordingCanvas canvas(QSize(1000, 1300), QSize(120, 120));
    const ReportGeometry g = ReportGeometry::measure(canvas);
    drawReportHeading(canvas, g, QStringLiteral("Audiometer Calibration: A B (S/N 1)"), 12);
    const RecordedCell *page = canvas.find(QStringLiteral("Page 12"));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->topLeft.y(), g.topMargin);
    EXPECT_EQ(page->topLeft.x() + canvas.textWidth(page->text), g.pageWidth - g.leftMargin);
    EXPECT_EQ(canvas.find(QStringLiteral("Audiometer Calibration: A B (S/N 1)"))->topLeft,
              QPoint(g.leftMargin, g.topMargin));
}

} // namespace
} // namespace tonva

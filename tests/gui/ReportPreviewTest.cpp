#include "report/ReportFixture.h"
#include "report/ui/CRptDataSelectDlg.h"
#include "report/ui/ReportPreview.h"
#include "support/Processes.h"

#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace tonva {
namespace {

struct Word
{
    QString text;
    double x = 0;
    double y = 0;
};

// Every word of a PDF with the top-left corner of its box, in points from the page's corner.
QList<Word> words(const QString &pdf)
{
    const QString boxes = test::runProgram(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")}).out;
    static const QRegularExpression word(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>([^<]*)</word>"));
    QList<Word> result;
    for (auto it = word.globalMatch(boxes); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        result.append({m.captured(3), m.captured(1).toDouble(), m.captured(2).toDouble()});
    }
    return result;
}

TEST(ReportPreview, ALowResolutionPrinterPutsEveryWordWhereThePdfHasIt)
{
    const std::unique_ptr<AudTestRecord> record = test::measuredTest(QStringLiteral("faulty"));
    ASSERT_TRUE(record);
    CPrintHandler handler(*record, {QStringLiteral("Acme"), {}, {}}, ReportSelection{});
    test::TempDir dir;
    ASSERT_EQ(writeReportPdf(dir.file(QStringLiteral("file.pdf")), handler), QString());

    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.file(QStringLiteral("printer.pdf")));
    printer.setPageSize(QPageSize(QPageSize::Letter));
    ReportPreviewDialog preview(handler, printer);
    preview.paint(&printer);

    const QList<Word> file = words(dir.file(QStringLiteral("file.pdf")));
    const QList<Word> printed = words(dir.file(QStringLiteral("printer.pdf")));
    ASSERT_GT(file.size(), 1000);
    ASSERT_EQ(printed.size(), file.size());
    for (int i = 0; i < file.size(); ++i) {
        ASSERT_EQ(printed[i].text, file[i].text) << i;
        EXPECT_NEAR(printed[i].x, file[i].x, 1.0) << file[i].text.toStdString();
        EXPECT_NEAR(printed[i].y, file[i].y, 1.0) << file[i].text.toStdString();
    }
}

TEST(ReportPreview, SelectionDialogStartsCheckedAndClearsAndSelectsEveryBox)
{
    CRptDataSelectDlg dialog;
    EXPECT_EQ(dialog.selection().sections, ReportSelection{}.sections);
    dialog.findChild<QPushButton *>(QStringLiteral("clearAllButton"))->click();
    const ReportSelection cleared = dialog.selection();
    EXPECT_EQ(std::count(cleared.sections.begin(), cleared.sections.end(), true), 0);
    EXPECT_FALSE(cleared.displayRetsplMessage);
    dialog.findChild<QPushButton *>(QStringLiteral("selectAllButton"))->click();
    EXPECT_TRUE(dialog.selection().displayRetsplMessage && dialog.selection().includes(MeasurementKind::SpeechHearingLevel));
}

} // namespace
} // namespace tonva

#include "report/ui/ReportPreview.h"

#include "report/Canvas.h"
#include "report/PainterCanvas.h"
#include "report/ui/CRptDataSelectDlg.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPageLayout>
#include <QPrinter>
#include <QToolBar>

namespace tonva {

ReportPreviewDialog::ReportPreviewDialog(CanvasDocument &document, QPrinter &printer, QWidget *parent)
    : QPrintPreviewDialog(&printer, parent), m_document(document)
{
    connect(this, &QPrintPreviewDialog::paintRequested, this, &ReportPreviewDialog::paint);
    if (QToolBar *toolBar = findChild<QToolBar *>()) {
        toolBar->addSeparator();
        QAction *save = toolBar->addAction(QStringLiteral("Save as PDF"));
        save->setObjectName(QStringLiteral("actionSaveAsPdf"));
        connect(save, &QAction::triggered, this, &ReportPreviewDialog::savePdfAs);
    }
}

void ReportPreviewDialog::paint(QPrinter *printer)
{
    printer->setFullPage(true);
    PainterCanvas canvas(*printer);
    if (canvas.isActive())
        renderDocument(canvas, m_document, printer->fromPage(), printer->toPage());
}

QString ReportPreviewDialog::savePdf(const QString &path)
{
    const bool a4 = printer()->pageLayout().pageSize().id() == QPageSize::A4;
    return writeReportPdf(path, m_document, a4 ? ReportPageSize::A4 : ReportPageSize::Letter);
}

void ReportPreviewDialog::savePdfAs()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save as PDF"), QString(),
                                                      QStringLiteral("PDF Files (*.pdf)"));
    if (path.isEmpty())
        return;
    const QString error = savePdf(path);
    if (!error.isEmpty())
        QMessageBox::warning(this, QStringLiteral("Save as PDF"), error);
}

bool previewAudiometerReport(QWidget *parent, const AudTestRecord &record, const ReportOrganisation &organisation,
                             RegionalMode mode, QPrinter &printer)
{
    CRptDataSelectDlg choice(parent);
    if (choice.exec() != QDialog::Accepted)
        return false;
    CPrintHandler handler(record, organisation, choice.selection(), mode);
    ReportPreviewDialog preview(handler, printer, parent);
    preview.exec();
    return true;
}

void previewBoothReport(QWidget *parent, const BoothRecord &booth, const ReportOrganisation &organisation,
                        const BoothReportOptions &options, QPrinter &printer)
{
    CPrintHandler handler(booth, organisation, options);
    ReportPreviewDialog preview(handler, printer, parent);
    preview.exec();
}

QStringList renderReportScreenshots(QWidget *parent, const AudTestRecord &record, const ReportOrganisation &organisation,
                                    const QString &folder)
{
    QStringList written;
    const QDir dir(folder);
    const auto save = [&](QWidget &widget, const char *file) {
        QApplication::processEvents();
        const QString path = dir.filePath(QLatin1String(file));
        if (widget.grab().save(path, "PNG"))
            written << path;
    };
    CRptDataSelectDlg choice(parent);
    choice.show();
    save(choice, "report-select-data.png");
    choice.hide();

    QPrinter printer;
    CPrintHandler handler(record, organisation, choice.selection());
    ReportPreviewDialog preview(handler, printer, parent);
    preview.resize(1000, 860);
    preview.show();
    save(preview, "report-preview.png");
    preview.hide();
    return written;
}

} // namespace tonva

#pragma once

#include "report/PdfOutput.h"
#include "report/TabularReport.h"

#include <QPrintPreviewDialog>

class QPrinter;

namespace tonva {

class CanvasDocument;

// The print preview of any printable document, with Print and "Save as PDF". It prints on the
// printer it is given, so what Printer Setup chose holds; the page is always the whole sheet, so the
// preview, the paper and the PDF place every cell alike.
class ReportPreviewDialog : public QPrintPreviewDialog
{
    Q_OBJECT

public:
    ReportPreviewDialog(CanvasDocument &document, QPrinter &printer, QWidget *parent = nullptr);

    // Writes the document as a PDF of the printer's paper size; empty on success, else the reason.
    QString savePdf(const QString &path);
    // Draws the pages the printer's range asks for (all when none) on the printer.
    void paint(QPrinter *printer);

private:
    void savePdfAs();

    CanvasDocument &m_document;
};

// Report > Report... from the measurement summary: the section choice, then the preview. False when
// the technician cancelled the choice.
bool previewAudiometerReport(QWidget *parent, const AudTestRecord &record, const ReportOrganisation &organisation,
                             RegionalMode mode, QPrinter &printer);
// From the booth view the report needs no choice.
void previewBoothReport(QWidget *parent, const BoothRecord &booth, const ReportOrganisation &organisation,
                        const BoothReportOptions &options, QPrinter &printer);

// Pictures of the section choice and of the preview of `record` for the documentation; the files
// written.
QStringList renderReportScreenshots(QWidget *parent, const AudTestRecord &record, const ReportOrganisation &organisation,
                                    const QString &folder);

} // namespace tonva

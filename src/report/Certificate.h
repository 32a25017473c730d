#pragma once

#include "model/AudTestRecord.h"
#include "model/BoothRecord.h"
#include "report/Canvas.h"
#include "report/CertificateParagraph.h"
#include "report/ReportSelection.h"

#include <QDate>
#include <QList>
#include <QString>
#include <memory>

namespace tonva {

// An earphone slot that holds an earphone and whose reference levels are not the built-in
// standard ones. An empty slot holds no earphone, so it has no reference levels to question.
bool hasNonStandardRetspl(const EarphoneSlot &earphone);

// The one-page certificate: "Certificate of Calibration" for an audiometer, "Certificate of
// Compliance" for a booth. It carries no measured values, only what was checked, with what, and
// the certification paragraph.
//
// Fonts, margins and line heights follow the device's resolution. The few distances that were
// fixed in device units of a 600 dpi printer (the border's steps, the signature's height above
// the bottom margin) are scaled from 600 dpi, so a low-resolution preview keeps the signature
// below the body just as paper does.
class CCertHandler : public CanvasDocument
{
public:
    // The handler keeps its own copy of the record; `layoutVersion` is that of the test's saved set-up.
    static CCertHandler forAudiometer(const AudTestRecord &test, std::int16_t layoutVersion,
                                      const ReportOrganisation &organisation, const QString &paragraphPath);
    static CCertHandler forBooth(const BoothRecord &booth, const ReportOrganisation &organisation,
                                 const QString &paragraphPath);

    bool includeBorder = true;
    bool includeDateOfSignature = true;
    bool displayRetsplMessage = true;
    // The date printed after "Date Issued:": the day of printing.
    QDate issued = QDate::currentDate();

    CertificateKind kind() const { return m_kind; }
    // Why the paragraph file cannot be printed ("Unable to open paragraph file."), or empty. The
    // rest of the certificate prints regardless.
    QString paragraphProblem() const;

    int prepare(Canvas &canvas) override;
    void drawPage(Canvas &canvas, int page) override;

private:
    CCertHandler(CertificateKind kind, std::shared_ptr<const AudTestRecord> test,
                 std::shared_ptr<const BoothRecord> booth, const ReportOrganisation &organisation,
                 const QString &paragraphPath);

    struct Geometry
    {
        CanvasFont normal;
        CanvasFont title;
        CanvasFont bold;
        int cw = 1;
        int lh = 1;
        int pageWidth = 0;
        int pageHeight = 0;
        int borderMargin = 0; // left margin of the border
        int left = 0;         // left margin of the body: one inch
        int topMargin = 0;
        int linesPerPage = 1;
        int bodyTop = 0;
        double xScale = 1.0; // device units per 600 dpi unit
        double yScale = 1.0;
    };

    void measure(Canvas &canvas);
    void drawBorder(Canvas &canvas);
    int drawHeading(Canvas &canvas) const;
    int drawAudiometerBlock(Canvas &canvas, int y) const;
    int drawInstruments(Canvas &canvas, int y) const;
    void drawParagraph(Canvas &canvas, int y) const;
    void drawSignature(Canvas &canvas) const;
    void text(Canvas &canvas, const CanvasFont &font, int x, int y, const QString &text) const;
    void centred(Canvas &canvas, const CanvasFont &font, int y, const QString &text) const;
    int column(int n) const { return m_geometry.left + n * m_geometry.cw; }

    CertificateKind m_kind;
    std::shared_ptr<const AudTestRecord> m_test;
    std::shared_ptr<const BoothRecord> m_booth;
    ReportOrganisation m_organisation;
    QString m_edition;
    // The paragraph from the file, when the path names one; otherwise the built-in layouts.
    bool m_fromFile = false;
    ParagraphFile m_file;
    Geometry m_geometry;
};

} // namespace tonva

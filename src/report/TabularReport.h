#pragma once

#include "ambient/AmbientPages.h"
#include "measure/MeasurementPage.h"
#include "model/AudTestRecord.h"
#include "model/BoothRecord.h"
#include "model/RegionalMode.h"
#include "report/AudReport.h"
#include "report/ReportSelection.h"

#include <memory>

namespace tonva {

// The parts of the audiometer report that other line reports share (the comparison report
// builds on them).
namespace tabular {

// "Audiometer Calibration: %s %s (S/N %s)" of the record's audiometer.
QString headingTitle(const TestSetup &setup);
void appendOrganisation(CAudReport &report, const ReportOrganisation &organisation);
// Titles the report, the comparison and the export share.
const char *sectionTitle(MeasurementKind kind);
const char *sectionTransducerTitle(TransducerType transducer);
// The visual check items as the report and the export name them (the notes window has its own wording).
const char *checklistItemName(int index);
// The footnote's condition; the "*" marks use hasNonStandardRetspl, as the certificate does.
bool anyNonStandardRetspl(const TestSetup &setup);
// The name an instrument line carries, for slot 0..6 of the coupler microphones.
QString couplerMicrophoneName(const TestSetup &setup, int slot);
void appendSummary(CAudReport &report, const AudTestRecord &record, const ReportSelection &selection);
// The comments as report lines: CR ends a line, LF is ignored, long lines are broken.
QStringList commentLines(const QString &comments);
// The lines of one measurement section for one transducer, heading included.
// The speech page's own list of a side of a stored record (Both: the binaural block), built with no
// technician, meter or clock that could be reached, so the reports judge speech as the page does.
PageTable speechList(const AudTestRecord &r, TransducerType transducer, Ear ear, RegionalMode mode);
void appendSection(CAudReport &report, const AudTestRecord &record, MeasurementKind kind,
                   TransducerType transducer, RegionalMode mode);

} // namespace tabular

// The booth report shows the tables the booth window shows.
struct BoothReportOptions
{
    BoothPages display = BoothPages::Both;
    bool earsNotCovered = true; // the "Uncovered" columns
};

// The tabular report of an audiometer test or of a booth survey: built as lines for the canvas it
// is prepared on, then drawn page by page.
class CPrintHandler : public CanvasDocument
{
public:
    CPrintHandler(const AudTestRecord &record, const ReportOrganisation &organisation,
                  const ReportSelection &selection, RegionalMode mode = RegionalMode::Normal);
    CPrintHandler(const BoothRecord &booth, const ReportOrganisation &organisation,
                  const BoothReportOptions &options);

    int prepare(Canvas &canvas) override;
    void drawPage(Canvas &canvas, int page) override;

    const CAudReport &report() const { return m_report; }
    const ReportGeometry &geometry() const { return m_geometry; }

private:
    void buildAudiometer();
    void buildBooth();
    void appendIdentification();
    // Pads the current page with blank lines so the next line starts a page.
    void newPage();
    // Starts a new page first when `lines` would not fit in what is left of the current one.
    void appendFitting(CAudReport &&lines);

    std::unique_ptr<const AudTestRecord> m_record;
    std::unique_ptr<const BoothRecord> m_booth;
    ReportOrganisation m_organisation;
    ReportSelection m_selection;
    RegionalMode m_mode = RegionalMode::Normal;
    BoothReportOptions m_boothOptions;
    CAudReport m_report;
    ReportGeometry m_geometry;
};

} // namespace tonva

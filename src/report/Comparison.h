#pragma once

#include "model/AudTestRecord.h"
#include "model/RegionalMode.h"
#include "report/AudReport.h"
#include "report/ReportSelection.h"

#include <memory>

namespace tonva {

// Whether the comparison prints the section of a kind for one transducer, by the status of both
// tests. A failed Test 1 is always printed: a comparison that hides a failure because the other
// test never measured it would read as a clean bill.
bool comparisonShowsSection(MeasurementKind kind, int statusTest1, int statusTest2);

// The comparison report: the current test ("Test 1") beside a stored one ("Test 2"), every value
// column split into a column per test. Values come from the measurement pages' own lists, so a
// value is judged here exactly as it was judged when measured.
class CPrintCompareHandler : public CanvasDocument
{
public:
    CPrintCompareHandler(const AudTestRecord &test1, const AudTestRecord &test2,
                         const ReportOrganisation &organisation, const ReportSelection &selection,
                         RegionalMode mode = RegionalMode::Normal);
    ~CPrintCompareHandler() override;

    int prepare(Canvas &canvas) override;
    void drawPage(Canvas &canvas, int page) override;

    // The lines, built once; they need no canvas.
    const CAudReport &report() const { return m_report; }

private:
    void build();
    void appendIdentification();
    void appendInstrumentation();
    void appendSections();

    std::unique_ptr<AudTestRecord> m_test[2];
    ReportOrganisation m_organisation;
    ReportSelection m_selection;
    RegionalMode m_mode;
    CAudReport m_report;
    ReportGeometry m_geometry;
};

} // namespace tonva

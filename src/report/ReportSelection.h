#pragma once

#include "model/TestKinds.h"

#include <QString>
#include <array>
#include <optional>

namespace tonva {

// What a report prints: one flag per measurement kind, and whether non-standard RETSPL earphones are
// marked. Kept by the document between reports.
struct ReportSelection
{
    std::array<bool, kMeasurementKinds> sections{true, true, true, true, true, true, true, true, true, true};
    bool displayRetsplMessage = true;

    bool includes(MeasurementKind kind) const { return sections[static_cast<std::size_t>(kind)]; }
    void setAll(bool on)
    {
        sections.fill(on);
        displayRetsplMessage = on;
    }
};

// The check box of a kind in the "Select Data for Report" dialog ("Hearing level", ...).
QString reportSectionLabel(MeasurementKind kind);
// The kind's name in the summary matrix and the command line ("Hearing Level", ...).
QString reportSummaryName(MeasurementKind kind);

// A selection from short names ("hl,freq,lin,dist,pulse,xtalk,fm,nb,bb,speech"); the RETSPL mark
// stays on. None, with the reason in `error`, when a name is not known.
std::optional<ReportSelection> reportSelectionFromList(const QString &list, QString *error = nullptr);

// The organisation block every report and certificate starts with.
struct ReportOrganisation
{
    QString companyName;
    QString header1;
    QString header2;
};

} // namespace tonva

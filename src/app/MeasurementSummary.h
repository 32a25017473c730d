#pragma once

#include "model/AudTestRecord.h"

#include <QString>
#include <optional>

namespace tonva {

class CVemoraDoc;
class Interaction;

// What the summary view's date and technician fields hold, as typed.
struct SummaryFields
{
    QString yearText;
    int month = 1; // 1..12, the position in "Jan".."Dec" plus one
    QString dayText;
    QString technician;
};

// The measurement summary of the current audiometer test without its widgets: the fields it shows,
// the status grid's texts, and what Done, Cancel and Save do.
class MeasurementSummary
{
public:
    MeasurementSummary(CVemoraDoc &document, Interaction &interaction);

    // The year as stored: two-digit years below 90 are this century, the others the last one;
    // nothing when the text is no year after 1900.
    static std::optional<int> yearFromText(const QString &yearText);
    // "Pass", "FAIL", "n/a" or " - ".
    static QString statusText(std::int32_t status);
    // The row names of the status grid, measurement kinds 0 to 9.
    static QString measurementName(int kind);

    // The fields as the current test holds them.
    SummaryFields fields() const;
    // "manufacturer  model  SN:serial", "N/A" for what is not set yet.
    QString audiometerLine() const;

    // Copies date and technician into the test; the document becomes modified when that changed
    // anything. A date that is no calendar date leaves the test's date as it was. Returns the
    // technician to remember as the current one, or nothing.
    std::optional<QString> store(const SummaryFields &fields);

    // Done: false (with the message) while no technician is entered.
    bool done(const SummaryFields &fields);
    // Cancel: false when the technician chose to stay with the changes; otherwise the modified mark
    // is cleared and the caller shows the idle view.
    bool cancel();
    // Save from the summary view: true when the test was stored.
    bool save(const SummaryFields &fields, bool instrumentsDefined, bool preferencesSet);

private:
    CVemoraDoc &m_document;
    Interaction &m_interaction;
};

} // namespace tonva

#pragma once

#include "ambient/AmbientPages.h"
#include "model/AudTestRecord.h"
#include "model/BoothRecord.h"
#include "model/RegionalMode.h"

#include <QList>
#include <QString>
#include <optional>

namespace tonva {

// One field of an exported record: its text as the text formats write it, and what a spreadsheet
// should make of it, so a number stays a number there and a date a date.
struct ExportField
{
    enum class Kind
    {
        Text,
        Number,
        Date,
    };

    QString text;
    Kind kind = Kind::Text;
    double number = 0.0;  // Number: the value shown by `text`
    int decimals = 0;     // Number: 0, 1 or 2 places
    int year = 0, month = 0, day = 0; // Date

    static ExportField plain(const QString &text) { return {text}; }
    // A "YYYY-MM-DD" date; anything else stays text.
    static ExportField date(const QString &text);
};

// One line of the export: a file record, or a worksheet row.
using ExportRecord = QList<ExportField>;

// What the records depend on besides the test itself.
struct ExportContext
{
    QString companyName;
    QString header1;
    QString header2;
    RegionalMode regionalMode = RegionalMode::Normal;
    // The spreadsheet gives the channel count a column of its own.
    bool spreadsheet = false;
    // Booth surveys only: the limit columns and tables the booth window shows.
    bool displayEarsNotCovered = true;
    BoothPages boothPages = BoothPages::Both;
};

QList<ExportRecord> audiometerExportRecords(const AudTestRecord &record, const ExportContext &context);
QList<ExportRecord> boothExportRecords(const BoothRecord &record, const ExportContext &context);

} // namespace tonva

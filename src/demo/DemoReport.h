#pragma once

#include "measure/HearingLevelEvaluation.h"
#include "model/AudTestRecord.h"

#include <QString>
#include <QStringList>

namespace tonva::demo {

// One measurement of the demonstration run: a test mode on one ear of the supra-aural earphones.
struct DemoStep
{
    HearingLevelMode mode = HearingLevelMode::HearingLevel;
    Ear ear = Ear::Left;
};

// "Hearing Level, left ear".
QString stepTitle(const DemoStep &step);

// The step's list as the page builds it from the record.
HearingLevelList stepList(const AudTestRecord &record, const DemoStep &step);
// Rows of the list that hold no reading.
int unmeasuredRows(const HearingLevelList &list);

// Columns padded to their widest cell, two blanks apart; the first line holds the titles.
QString alignedTable(const QStringList &titles, const QList<QStringList> &rows);

// The step's rows as the page lists them, with a last column "Result": "PASS", "FAIL" or "----"
// for a frequency that was not measured.
QString resultTable(const AudTestRecord &record, const DemoStep &step);

// The test's status table: a row per measurement, a column per transducer, the stored entries
// (1 passed, -1 failed, 0 not measured, 99 not applicable).
QString statusMatrix(const AudTestRecord &record);

} // namespace tonva::demo

#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace tonva {

// The `Date` columns hold the date number of the old engine: days since 1899-12-30, the time of
// day as the fraction. Stored files and filter texts keep that meaning.
namespace DateNumber {

double fromDate(const QDate &date);
double fromDateTime(const QDateTime &dateTime);
QDate toDate(double number);
// A record's "YYYY-MM-DD" text as a date; invalid when the text holds none.
QDate parseRecordDate(const QString &text);
// "%b. %d, %Y" in English, whatever the user's locale: "Mar. 07, 2024".
QString listText(double number);

} // namespace DateNumber
} // namespace tonva

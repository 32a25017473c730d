#include "storage/DateNumber.h"

#include <QLocale>
#include <cmath>

namespace tonva::DateNumber {

namespace {
const QDate kEpoch(1899, 12, 30);
}

double fromDate(const QDate &date)
{
    return double(kEpoch.daysTo(date));
}

double fromDateTime(const QDateTime &dateTime)
{
    const QTime time = dateTime.time();
    return fromDate(dateTime.date()) + double(time.msecsSinceStartOfDay()) / 86'400'000.0;
}

QDate toDate(double number)
{
    if (!std::isfinite(number) || std::fabs(number) > 3'000'000.0)
        return {};
    return kEpoch.addDays(qint64(std::floor(number)));
}

QDate parseRecordDate(const QString &text)
{
    return QDate::fromString(text.trimmed().left(10), QStringLiteral("yyyy-MM-dd"));
}

QString listText(double number)
{
    const QDate date = toDate(number);
    if (!date.isValid())
        return {};
    return QStringLiteral("%1. %2, %3")
        .arg(QLocale::c().monthName(date.month(), QLocale::ShortFormat))
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

} // namespace tonva::DateNumber

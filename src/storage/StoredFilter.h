#pragma once

#include "storage/Recordsets.h"

#include <QDate>
#include <QString>

namespace tonva {

// The fields of the stored-test filter; empty texts, channel 0 and invalid dates are unset.
struct TestFilter
{
    QString serialNum;
    QString modelNum;
    QString technician;
    int channel = 0;
    QDate dateFrom;
    QDate dateTo;
};

struct BoothFilter
{
    QString customer;
    QString booth;
    QDate dateFrom;
    QDate dateTo;
};

// The filter as the technician reads it: "SerialNum = 'A1' AND ChannelNum = 2".
QString BuildTestFilter(const TestFilter &filter);
QString BuildBoothFilter(const BoothFilter &filter);
// The same conditions for the engine, with every value bound.
SqlCondition testCondition(const TestFilter &filter);
SqlCondition boothCondition(const BoothFilter &filter);

} // namespace tonva

#include "ambient/AmbientLimits.h"

#include <QDate>
#include <cmath>

namespace tonva {

namespace {

struct MpanlRow
{
    double hz;
    // By set (A, B), then range (0..2).
    double covered[2][3];
    double notCovered[2][3];
};

constexpr MpanlRow kMpanl[] = {
    {31.5, {{57.0, 59.5, 70.5}, {0, 0, 0}}, {{51.0, 55.5, 65.5}, {0, 0, 0}}},
    {63, {{43.0, 45.5, 56.5}, {0, 0, 0}}, {{37.0, 41.5, 51.5}, {0, 0, 0}}},
    {125, {{29.0, 31.5, 42.5}, {30, 34, 44}}, {{23.0, 27.5, 37.5}, {24, 30, 39}}},
    {250, {{17.5, 17.5, 28.5}, {20, 20, 30}}, {{13.5, 13.5, 23.5}, {16, 16, 25}}},
    {500, {{14.5, 14.5, 14.5}, {16, 16, 16}}, {{9.5, 9.5, 9.5}, {11, 11, 11}}},
    {800, {{16.5, 16.5, 16.5}, {19, 19, 19}}, {{7.5, 7.5, 7.5}, {10, 10, 10}}},
    {1000, {{21.5, 21.5, 21.5}, {21, 21, 21}}, {{9.0, 9.0, 9.0}, {8, 8, 8}}},
    {1600, {{21.5, 21.5, 21.5}, {25, 25, 25}}, {{5.5, 5.5, 5.5}, {9, 9, 9}}},
    {2000, {{23.0, 23.0, 23.0}, {29, 29, 29}}, {{3.5, 3.5, 3.5}, {9, 9, 9}}},
    {3150, {{28.5, 28.5, 28.5}, {33, 33, 33}}, {{3.5, 3.5, 3.5}, {8, 8, 8}}},
    {4000, {{29.5, 29.5, 29.5}, {32, 32, 32}}, {{4.0, 4.0, 4.0}, {6, 6, 6}}},
    {6300, {{33.0, 33.0, 33.0}, {32, 32, 32}}, {{9.0, 9.0, 9.0}, {8, 8, 8}}},
    {8000, {{38.5, 38.5, 38.5}, {32, 32, 32}}, {{15.5, 15.5, 15.5}, {9, 9, 9}}},
};

constexpr struct
{
    double hz;
    double limit;
} kOsha[] = {{500, 40}, {1000, 40}, {2000, 47}, {4000, 57}, {8000, 62}};

// The last day the older limits apply.
const QDate kLastDayOfSetA(2010, 3, 10);

} // namespace

QString ambientRangeTitle(AmbientRange range)
{
    switch (range) {
    case AmbientRange::From125Hz:
        return QStringLiteral("125 - 8K Hz");
    case AmbientRange::From250Hz:
        return QStringLiteral("250 - 8K Hz");
    case AmbientRange::From500Hz:
        break;
    }
    return QStringLiteral("500 - 8K Hz");
}

AmbientLimitSet limitSetForDate(const QString &measurementDate)
{
    const QString text = measurementDate.trimmed();
    if (text.isEmpty())
        return AmbientLimitSet::B;
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid() || date <= kLastDayOfSetA)
        return AmbientLimitSet::A;
    return AmbientLimitSet::B;
}

double mpanlLimit(AmbientLimitSet set, AmbientRange range, EarCondition ears, double frequencyHz)
{
    const int s = set == AmbientLimitSet::A ? 0 : 1;
    const int r = static_cast<int>(range);
    for (const MpanlRow &row : kMpanl) {
        if (std::abs(row.hz - frequencyHz) < 1e-6)
            return ears == EarCondition::Covered ? row.covered[s][r] : row.notCovered[s][r];
    }
    return 0.0;
}

double oshaLimit(double frequencyHz)
{
    for (const auto &row : kOsha) {
        if (std::abs(row.hz - frequencyHz) < 1e-6)
            return row.limit;
    }
    return 0.0;
}

} // namespace tonva

#pragma once

#include <QString>
#include <array>

namespace tonva {

// The two editions of the maximum permissible ambient noise levels; which one judges a survey
// depends on when it was measured.
enum class AmbientLimitSet
{
    A, // surveys up to and including 10 March 2010
    B, // later surveys
};

// The test-frequency ranges the range pages are named after.
enum class AmbientRange
{
    From125Hz = 0, // "125 - 8K Hz"
    From250Hz = 1, // "250 - 8K Hz"
    From500Hz = 2, // "500 - 8K Hz"
};
inline constexpr int kAmbientRangeCount = 3;
QString ambientRangeTitle(AmbientRange range);

enum class EarCondition
{
    Covered,
    NotCovered,
};

// The set a survey's measurement date ("YYYY-MM-DD") calls for. An empty date means a survey not
// yet measured, judged by today's limits; a date that cannot be read is judged by the older set.
AmbientLimitSet limitSetForDate(const QString &measurementDate);

// Limit in dB at a test frequency in Hz; 0 where the set has none (any frequency not in its table).
double mpanlLimit(AmbientLimitSet set, AmbientRange range, EarCondition ears, double frequencyHz);
// 0 where there is no OSHA limit.
double oshaLimit(double frequencyHz);

// The rows the pages show, in order.
inline constexpr std::array<double, 11> kAmbientRangeRowsHz{125, 250, 500, 800, 1000, 1600,
                                                            2000, 3150, 4000, 6300, 8000};
inline constexpr std::array<double, 5> kOshaRowsHz{500, 1000, 2000, 4000, 8000};

} // namespace tonva

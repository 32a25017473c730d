#include "measure/FrequencyModulationAverage.h"

#include <algorithm>

namespace tonva {

namespace {

template<typename Field>
double spread(const std::array<FmValues, FmReadingSet::kReadings> &readings, Field field)
{
    const auto [low, high] = std::minmax_element(
        readings.begin(), readings.end(), [&](const auto &a, const auto &b) { return a.*field < b.*field; });
    return (*high).*field - (*low).*field;
}

template<typename Field>
double average(const std::array<FmValues, FmReadingSet::kReadings> &readings, Field field)
{
    double sum = 0.0;
    for (const FmValues &reading : readings)
        sum += reading.*field;
    return sum / FmReadingSet::kReadings;
}

} // namespace

bool FmReadingSet::agree() const
{
    return spread(m_readings, &FmValues::carrier) <= kMaxFrequencySpreadHz &&
           spread(m_readings, &FmValues::lowest) <= kMaxFrequencySpreadHz &&
           spread(m_readings, &FmValues::highest) <= kMaxFrequencySpreadHz &&
           spread(m_readings, &FmValues::rate) <= kMaxRateSpreadHz;
}

FmValues FmReadingSet::mean() const
{
    FmValues values = m_readings.back();
    values.carrier = average(m_readings, &FmValues::carrier);
    values.lowest = average(m_readings, &FmValues::lowest);
    values.highest = average(m_readings, &FmValues::highest);
    values.rate = average(m_readings, &FmValues::rate);
    return values;
}

} // namespace tonva

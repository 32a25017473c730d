#pragma once

#include <array>
#include <cstdint>

namespace tonva {

// One FM reading as stored: carrier, swing limits and modulation rate with the meter's status bytes.
struct FmValues
{
    double carrier = 0.0;
    double lowest = 0.0;
    double highest = 0.0;
    double rate = 0.0;
    std::uint8_t statusA = 0;
    std::uint8_t statusB = 0;
};

// The three FM readings taken at one frequency. They are only worth averaging when they agree:
// outside noise makes the meter's swing limits jump by far more than the audiometer's own drift.
class FmReadingSet
{
public:
    static constexpr int kReadings = 3;
    static constexpr double kMaxFrequencySpreadHz = 15.0;
    static constexpr double kMaxRateSpreadHz = 0.1;

    void set(int index, const FmValues &values) { m_readings[static_cast<std::size_t>(index)] = values; }
    bool agree() const;
    // Means of the readings, with the status bytes of the last one.
    FmValues mean() const;

private:
    std::array<FmValues, kReadings> m_readings{};
};

} // namespace tonva

#pragma once

#include "meter/MeterTables.h"
#include "model/InstrumentRecords.h"

namespace tonva {

// Records of versions before 1.30 end before the test name, which then lives only in the row.
inline constexpr std::size_t kBoothImageWithoutName = 812;

// One background-noise survey of a test booth; its own stored image.
struct BoothRecord
{
    char booth[41]{};
    char customerName[41]{};
    char location1[41]{};
    char location2[41]{};
    char measurementDate[16]{}; // "YYYY-MM-DD"
    InstrumentIdentity soundLevelMeter;
    InstrumentIdentity preamplifier;
    MicrophoneSlot microphone;
    float bandLevel[kThirdOctaveBands]{}; // dB by band 0 (12.5 Hz) .. 32 (20 kHz); -100.0 = not measured
    char reserved[80]{};
    char testName[44]{};
};

static_assert(sizeof(BoothRecord) == 856);
static_assert(offsetof(BoothRecord, soundLevelMeter) == 180);
static_assert(offsetof(BoothRecord, microphone) == 316);
static_assert(offsetof(BoothRecord, bandLevel) == 600);
static_assert(offsetof(BoothRecord, testName) == kBoothImageWithoutName);

} // namespace tonva

#pragma once

#include "model/InstrumentRecords.h"

// The result element of every measurement, each the stored image of one block of the test record.
// A level of 10.0 dB or less counts as not measured unless a field says otherwise.

namespace tonva {

// Hearing level and frequency accuracy on earphones, bone levels and warble tones in the sound field.
struct ToneLevelResult
{
    float measuredFrequency[kFrequencyCount]{}; // Hz, frequency accuracy
    float measuredLevel[kFrequencyCount]{};     // dB SPL (FL for the bone vibrator)
    std::int16_t dialLevel[kFrequencyCount]{};  // dB HL; 25..38 are the high-frequency inputs
    std::uint8_t placement = 0;                 // bone vibrator: 0 mastoid, 1 forehead
    std::uint8_t pad0 = 0;
    std::int16_t incidence = 0; // sound field: 0 = 0 degrees, 1 = 45, 2 = 90
    std::int16_t pad1 = 0;
    std::int32_t binaural = 0;
};
static_assert(sizeof(ToneLevelResult) == 400);
static_assert(offsetof(ToneLevelResult, measuredLevel) == 156);
static_assert(offsetof(ToneLevelResult, dialLevel) == 312);
static_assert(offsetof(ToneLevelResult, dialLevel) + 2 * 25 == 362);
static_assert(offsetof(ToneLevelResult, placement) == 390);
static_assert(offsetof(ToneLevelResult, incidence) == 392);
static_assert(offsetof(ToneLevelResult, binaural) == 396);

struct LinearityResult
{
    std::int32_t leadingWord = 0;
    float testFrequency = 0;       // Hz, 0 when never set
    std::int16_t maximumLevel = 0; // dB HL
    std::int16_t pad0 = 0;
    float noiseFloor = 0;       // dB
    float measuredLevel[141]{}; // by dial level 0..140 dB HL; -11.0 = no stable reading
    std::int16_t spare = 0;
    std::int16_t dialStep = 0; // dB: 1, 2, 5 or 10
};
static_assert(sizeof(LinearityResult) == 584);
static_assert(offsetof(LinearityResult, noiseFloor) == 12);
static_assert(offsetof(LinearityResult, measuredLevel) == 16);
static_assert(offsetof(LinearityResult, dialStep) == 582);

inline constexpr int kDistortionFrequencyCount = 25; // 31.5 to 8000 Hz

struct DistortionResult
{
    float measuredFrequency[kDistortionFrequencyCount]{};
    float fundamentalLevel[kDistortionFrequencyCount]{};
    // Absolute levels of the 2nd to 5th harmonic; 999.0 in the 2nd = the meter could not compute them.
    float harmonicLevel[4][kDistortionFrequencyCount]{};
    float thd[kDistortionFrequencyCount]{}; // percent
};
static_assert(sizeof(DistortionResult) == 700);

struct PulseResult
{
    float riseTime = 0; // ms
    float fallTime = 0;
    float onTime = 0;
    float offTime = 0;
    float plateau = 0;
    float relativeLevel = 0; // dB, without calibration offset
    float level = 0;         // dB
    std::int32_t count = 0;
    std::int32_t spare = 0;
};
static_assert(sizeof(PulseResult) == 36);

struct CrossTalkResult
{
    float testFrequency = 0; // Hz
    float leftToneOnLevel = 0;
    float rightToneOnLevel = 0;
    float onOffMarker = 0; // 11.0 once the tone-off reading was taken
    float leftCrossLevel = 0;
    float rightCrossLevel = 0;
    float toneOffLevel = 0;
};
static_assert(sizeof(CrossTalkResult) == 28);

struct FrequencyModulationResult
{
    float carrier[kFrequencyCount]{}; // Hz
    float lowest[kFrequencyCount]{};
    float highest[kFrequencyCount]{};
    float rate[kFrequencyCount]{};
    std::uint8_t statusA[kFrequencyCount]{}; // the meter's two status bytes of the reading
    std::uint8_t statusB[kFrequencyCount]{};
    char reserved[78]{};
};
static_assert(sizeof(FrequencyModulationResult) == 780);
static_assert(offsetof(FrequencyModulationResult, statusA) == 624);

struct NarrowBandResult
{
    float measuredLevel[kFrequencyCount]{};
    std::int16_t dialLevel[kFrequencyCount]{};
    std::int16_t spare0 = 0;
    std::int32_t unused = 0;
    std::int16_t incidence = 0;
    std::int16_t spare1 = 0;
    std::int32_t binaural = 0;
};
static_assert(sizeof(NarrowBandResult) == 248);
static_assert(offsetof(NarrowBandResult, dialLevel) == 156);
static_assert(offsetof(NarrowBandResult, incidence) == 240);
static_assert(offsetof(NarrowBandResult, binaural) == 244);

inline constexpr int kBroadBandSources = 3;
inline constexpr int kBroadBandLines = 401;

struct BroadBandResult
{
    float sourceLevel[kBroadBandSources]{}; // -1.0 once measured with the spectrum method
    std::int32_t dialLevel = 0;             // dB HL
    std::uint8_t method = 0;                // 0 overall SPL, 1 SPL at 1000 Hz, 2 spectrum
    std::uint8_t spare[3]{};
    float spectrum[kBroadBandSources][kBroadBandLines]{}; // line n at n x 25 Hz
};
static_assert(sizeof(BroadBandResult) == 4832);
static_assert(offsetof(BroadBandResult, dialLevel) == 12);
static_assert(offsetof(BroadBandResult, spectrum) == 20);

struct SpeechResult
{
    float dialLevel = 0;      // dB HL
    float measuredLevel[4]{}; // Mic, Tape/CD A, Tape/CD B, Speech Noise
    std::int32_t unused[2]{};
    std::int32_t bonePlacement = 0; // 0 mastoid, 1 forehead
    std::int16_t incidence = 0;
    std::int16_t spare = 0;
    std::int32_t binaural = 0;
};
static_assert(sizeof(SpeechResult) == 40);
static_assert(offsetof(SpeechResult, bonePlacement) == 28);
static_assert(offsetof(SpeechResult, binaural) == 36);

inline constexpr int kChecklistItems = 30;

// Test notes: the visual inspection and free comments.
struct InspectionChecklist
{
    char comments[512]{};
    std::int32_t visualCheck[kChecklistItems]{}; // 0 passed, 1 failed, 2 not applicable
};
static_assert(sizeof(InspectionChecklist) == 632);

} // namespace tonva

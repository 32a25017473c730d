#pragma once

#include "model/MeasurementResults.h"
#include "model/TestKinds.h"
#include "model/TestSetup.h"

namespace tonva {

inline constexpr int kChannels = 2;

enum class ResultStatus : std::int32_t
{
    Failed = -1,
    NotJudged = 0,
    Passed = 1,
    NotApplicable = 99,
    // A list row whose level never held still: shown like a failure, but it judges nothing, so a
    // status table entry never holds it.
    Unstable = -11,
};

// Layout version written into every record made by this program (version 2.201 x 100, truncated).
inline constexpr std::int16_t kRecordLayoutVersion = 220;

// One audiometer calibration. The struct is its own stored image, so it holds no pointers.
struct AudTestRecord
{
    std::int32_t leadingWord = 0; // carried unchanged
    std::int32_t status[kMeasurementKinds][kTransducerTypes]{};
    std::int32_t carriedWords[30]{}; // carried unchanged
    TestSetup setup;

    ToneLevelResult toneLevel[kChannels][kTransducerTypes];
    ToneLevelResult toneLevelBinaural;
    LinearityResult linearity[kChannels][kTransducerTypes];
    DistortionResult distortion[kChannels][kTransducerTypes];
    PulseResult pulse[kTransducerTypes];
    CrossTalkResult crossTalk[kTransducerTypes];
    FrequencyModulationResult frequencyModulation[kChannels][kTransducerTypes];
    NarrowBandResult narrowBand[kChannels][kTransducerTypes];
    NarrowBandResult narrowBandBinaural;
    BroadBandResult broadBand[kChannels][kTransducerTypes];
    SpeechResult speech[kChannels][kTransducerTypes];
    SpeechResult speechBinaural;
    InspectionChecklist checklist;

    std::int32_t &statusOf(MeasurementKind kind, TransducerType transducer)
    {
        return status[static_cast<int>(kind)][static_cast<int>(transducer)];
    }
    std::int32_t statusOf(MeasurementKind kind, TransducerType transducer) const
    {
        return status[static_cast<int>(kind)][static_cast<int>(transducer)];
    }
};

static_assert(sizeof(AudTestRecord) == 82376);
static_assert(offsetof(AudTestRecord, status) == 4);
static_assert(offsetof(AudTestRecord, carriedWords) == 204);
static_assert(offsetof(AudTestRecord, setup) == 324);
static_assert(offsetof(AudTestRecord, toneLevel) == 4896);
static_assert(sizeof(AudTestRecord::toneLevel[0]) == 2000);
static_assert(offsetof(AudTestRecord, toneLevelBinaural) == 8896);
static_assert(offsetof(AudTestRecord, linearity) == 9296);
static_assert(sizeof(AudTestRecord::linearity[0]) == 2920);
static_assert(offsetof(AudTestRecord, distortion) == 15136);
static_assert(sizeof(AudTestRecord::distortion[0]) == 3500);
static_assert(offsetof(AudTestRecord, pulse) == 22136);
static_assert(offsetof(AudTestRecord, crossTalk) == 22316);
static_assert(offsetof(AudTestRecord, frequencyModulation) == 22456);
static_assert(sizeof(AudTestRecord::frequencyModulation[0]) == 3900);
static_assert(offsetof(AudTestRecord, narrowBand) == 30256);
static_assert(sizeof(AudTestRecord::narrowBand[0]) == 1240);
static_assert(offsetof(AudTestRecord, narrowBandBinaural) == 32736);
static_assert(offsetof(AudTestRecord, broadBand) == 32984);
static_assert(sizeof(AudTestRecord::broadBand[0]) == 24160);
static_assert(offsetof(AudTestRecord, speech) == 81304);
static_assert(sizeof(AudTestRecord::speech[0]) == 200);
static_assert(offsetof(AudTestRecord, speechBinaural) == 81704);
static_assert(offsetof(AudTestRecord, checklist) == 81744);

} // namespace tonva

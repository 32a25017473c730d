#pragma once

// The domain's small vocabularies. Their values are the numbers stored records and preference
// names use, so they never change; code and widgets speak the names.

namespace tonva {

// Status table rows and result areas of a test record.
enum class MeasurementKind : int
{
    HearingLevel = 0,
    FrequencyAccuracy = 1,
    HearingLevelLinearity = 2,
    HarmonicDistortion = 3,
    PulsedTones = 4,
    CrossTalk = 5,
    FrequencyModulation = 6,
    NarrowBandLevel = 7,
    BroadBandNoise = 8,
    SpeechHearingLevel = 9,
};
inline constexpr int kMeasurementKinds = 10;

enum class TransducerType : int
{
    SupraAural = 0,
    BoneVibrator = 1,
    Speakers = 2,
    InsertEarphone = 3,
    Circumaural = 4,
};
inline constexpr int kTransducerTypes = 5;

// The entries of the audiometer test window's Measurements list, in list order. The first ten are
// the measurement kinds; speech harmonic distortion is judged into the speech entry.
enum class MeasurementEntry : int
{
    HearingLevel = 0,
    FrequencyAccuracy = 1,
    Linearity = 2,
    HarmonicDistortion = 3,
    PulsedTones = 4,
    CrossTalk = 5,
    FrequencyModulation = 6,
    NarrowBandLevel = 7,
    BroadBandNoise = 8,
    Speech = 9,
    SpeechHarmonicDistortion = 10,
};
inline constexpr int kMeasurementEntries = 11;

// The status entry a measurement entry is judged into.
constexpr MeasurementKind measurementKindOf(MeasurementEntry entry)
{
    return entry == MeasurementEntry::SpeechHarmonicDistortion ? MeasurementKind::SpeechHearingLevel
                                                               : static_cast<MeasurementKind>(entry);
}

// The side measured; sound field and cross talk may take both.
enum class Ear : int
{
    Left = 0,
    Right = 1,
    Both = 2,
};

// The record's channel of an ear: the right ear is channel 2, everything else channel 1.
constexpr int channelOf(Ear ear)
{
    return ear == Ear::Right ? 1 : 0;
}

} // namespace tonva

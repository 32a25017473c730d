#pragma once

#include "model/InstrumentRecords.h"

namespace tonva {

inline constexpr int kCouplerMicrophoneSlots = 7;

// Which transducers the audiometer offers and how the bone set-up is made. Everything is 16-bit so
// the block keeps the 2-byte alignment of its place in the set-up.
struct TransducerOptions
{
    std::int16_t transducerAvailable[5]{}; // by TransducerType, 1 = the audiometer has it
    std::int16_t mastoidCouplerCode = 0;   // coupler the mastoid is used on: 2 Kestin, 1 Lorvat, 6 Pendry
    // Coupler-microphone slot that calibrated the meter for bone work (0 = none chosen yet).
    std::int16_t calibrationMicrophoneSlot = 0;
    std::int16_t reserved[14]{};
};
static_assert(sizeof(TransducerOptions) == 42);
static_assert(alignof(TransducerOptions) == 2);

// The set-up block of a test: who, where, with which audiometer, transducers and instruments.
struct TestSetup
{
    char technician[41]{};
    char customerName[41]{};
    char location1[41]{};
    char location2[41]{};
    InstrumentIdentity soundLevelMeter;
    InstrumentIdentity preamplifier;
    // Indexed by coupler code; slot 0 is the open-air (sound-field) microphone, the "selected
    // microphone" of the equipment page.
    MicrophoneSlot couplerMicrophone[kCouplerMicrophoneSlots];
    CalibratorData calibrator;
    MastoidData mastoid;

    char audiometerCalibrationDue[13]{};
    char audiometerManufacturer[26]{};
    char audiometerModel[16]{};
    char audiometerSerialNumber[13]{};
    char audiometerType[11]{}; // decimal text, 1-based type number
    char audiometerInventoryNumber[16]{};
    char audiometerLastCalibrated[13]{};
    std::int16_t channelToTest = 0; // 1-based
    TransducerOptions transducerOptions;
    std::int32_t frequencyAvailable[kFrequencyCount]{}; // 1 = the audiometer offers this frequency
    float fmRate = 0;                                   // Hz
    float fmDeviation = 0;                              // percent
    char reservedAudiometer[156]{};                     // carried unchanged

    EarphoneSlot supraAural;
    EarphoneSlot insert;
    EarphoneSlot circumaural;
    BoneVibratorData boneVibrator;
    SpeakerData leftSpeaker;
    SpeakerData rightSpeaker;
    char reservedText[14]{}; // carried unchanged

    std::int16_t channelCount = 0; // 1 or 2
    char testDate[16]{};           // "YYYY-MM-DD"
    std::int16_t layoutVersion = 0;
    std::int16_t pad0 = 0;
    float temperature = 0; // degrees C
    std::int16_t humidity = 0;
    std::int16_t pad1 = 0;
    float pressure = 0; // inHg, mmHg or kPa as entered
};

static_assert(sizeof(TestSetup) == 4572);
static_assert(offsetof(TestSetup, customerName) == 41);
static_assert(offsetof(TestSetup, location1) == 82);
static_assert(offsetof(TestSetup, location2) == 123);
static_assert(offsetof(TestSetup, soundLevelMeter) == 164);
static_assert(offsetof(TestSetup, preamplifier) == 232);
static_assert(offsetof(TestSetup, couplerMicrophone) == 300);
static_assert(sizeof(TestSetup::couplerMicrophone) == 1988);
static_assert(offsetof(TestSetup, couplerMicrophone) + offsetof(MicrophoneSlot, gridCorrection) == 528);
static_assert(offsetof(TestSetup, calibrator) == 2288);
static_assert(offsetof(TestSetup, mastoid) == 2364);
static_assert(offsetof(TestSetup, audiometerCalibrationDue) == 3188);
static_assert(offsetof(TestSetup, audiometerManufacturer) == 3201);
static_assert(offsetof(TestSetup, audiometerModel) == 3227);
static_assert(offsetof(TestSetup, audiometerSerialNumber) == 3243);
static_assert(offsetof(TestSetup, audiometerType) == 3256);
static_assert(offsetof(TestSetup, audiometerInventoryNumber) == 3267);
static_assert(offsetof(TestSetup, audiometerLastCalibrated) == 3283);
static_assert(offsetof(TestSetup, channelToTest) == 3296);
static_assert(offsetof(TestSetup, transducerOptions) == 3298);
static_assert(offsetof(TestSetup, frequencyAvailable) == 3340);
static_assert(offsetof(TestSetup, fmRate) == 3496);
static_assert(offsetof(TestSetup, fmDeviation) == 3500);
static_assert(offsetof(TestSetup, reservedAudiometer) == 3504);
static_assert(offsetof(TestSetup, supraAural) == 3660);
static_assert(offsetof(TestSetup, insert) == 3892);
static_assert(offsetof(TestSetup, circumaural) == 4124);
static_assert(offsetof(TestSetup, supraAural) + offsetof(EarphoneSlot, retspl) == 3716);
static_assert(offsetof(TestSetup, insert) + offsetof(EarphoneSlot, retspl) == 3948);
static_assert(offsetof(TestSetup, circumaural) + offsetof(EarphoneSlot, retspl) == 4180);
static_assert(offsetof(TestSetup, boneVibrator) == 4356);
static_assert(offsetof(TestSetup, leftSpeaker) == 4414);
static_assert(offsetof(TestSetup, reservedText) == 4524);
static_assert(offsetof(TestSetup, channelCount) == 4538);
static_assert(offsetof(TestSetup, testDate) == 4540);
static_assert(offsetof(TestSetup, layoutVersion) == 4556);
static_assert(offsetof(TestSetup, temperature) == 4560);
static_assert(offsetof(TestSetup, humidity) == 4564);
static_assert(offsetof(TestSetup, pressure) == 4568);

} // namespace tonva

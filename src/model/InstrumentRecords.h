#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

// Instrument data as it is stored: in the inventory entries and, copied, in the set-up block of every
// test, so a stored test never depends on the inventory. Every struct here is its own stored image.

namespace tonva {

static_assert(std::endian::native == std::endian::little, "stored images are little-endian");
static_assert(sizeof(float) == 4);

inline constexpr int kFrequencyCount = 39;
// Indices 25 to 38 (9000 to 20000 Hz): the frequencies a microphone grid changes.
inline constexpr int kGridFrequencyCount = 14;
inline constexpr int kFirstGridFrequency = 25;

// The first 68 bytes of every stored instrument (meters, preamplifiers, calibrators, microphones,
// mastoids).
struct InstrumentIdentity
{
    char calibrationDue[13]{}; // "YYYY-MM-DD"
    char manufacturer[26]{};
    char model[16]{};
    char serialNumber[13]{};
};
static_assert(sizeof(InstrumentIdentity) == 68);
static_assert(offsetof(InstrumentIdentity, manufacturer) == 13);
static_assert(offsetof(InstrumentIdentity, model) == 39);
static_assert(offsetof(InstrumentIdentity, serialNumber) == 55);

struct CalibratorData
{
    InstrumentIdentity identity;
    float frequency = 0; // Hz
    float level = 0;     // dB
};
static_assert(sizeof(CalibratorData) == 76);

// A microphone as far as measurements need it. The set-up block keeps one of these per coupler code
// (slot 0 is the open-air microphone), and it is also the leading part of a microphone's inventory
// body, so choosing a microphone is a plain prefix copy.
struct MicrophoneSlot
{
    InstrumentIdentity identity;
    float response[kFrequencyCount]{}; // dB by frequency index
    float sensitivity = 0;             // mV/Pa, 1 to 65 when entered
    // Grid corrections for frequency indices 25..38, entered on the microphone's grid page.
    float gridCorrection[kGridFrequencyCount]{};
};
static_assert(sizeof(MicrophoneSlot) == 284);
static_assert(offsetof(MicrophoneSlot, response) == 68);
static_assert(offsetof(MicrophoneSlot, sensitivity) == 224);
static_assert(offsetof(MicrophoneSlot, gridCorrection) == 228);

// Artificial mastoid: one response array per coupler it was calibrated on. The Kestin array and the
// sensitivity sit where a microphone keeps its response and sensitivity; the Pendry array ends the
// stored entry.
struct MastoidData
{
    InstrumentIdentity identity;
    float kestinResponse[kFrequencyCount]{};
    float sensitivity = 0;
    float kestinSensitivity = 0;
    float lorvatSensitivity = 0;
    float pendrySensitivity = 0;
    char reserved[272]{};
    float lorvatResponse[kFrequencyCount]{};
    float pendryResponse[kFrequencyCount]{};
};
static_assert(sizeof(MastoidData) == 824);
static_assert(offsetof(MastoidData, kestinResponse) == 68);
static_assert(offsetof(MastoidData, sensitivity) == 224);
static_assert(offsetof(MastoidData, lorvatResponse) == 512);
static_assert(offsetof(MastoidData, pendryResponse) == 668);

// An earphone model with its reference levels, as the inventory keeps it.
struct EarphoneModel
{
    char manufacturer[52]{};
    std::int16_t kind = 0;        // 0 supra-aural, 1 insert, 2 circumaural
    std::int16_t couplerCode = 0; // see ReferenceData.h
    float retspl[kFrequencyCount]{};
    char model[16]{};
    std::uint8_t builtIn = 0;
    std::uint8_t pad[3]{};
};
static_assert(sizeof(EarphoneModel) == 232);
static_assert(offsetof(EarphoneModel, kind) == 52);
static_assert(offsetof(EarphoneModel, couplerCode) == 54);
static_assert(offsetof(EarphoneModel, retspl) == 56);
static_assert(offsetof(EarphoneModel, model) == 212);
static_assert(offsetof(EarphoneModel, builtIn) == 228);

// The earphone chosen for a test: the model's image with the manufacturer area shared with the two
// earphones' serial numbers.
struct EarphoneSlot
{
    char manufacturer[26]{};
    char leftSerialNumber[13]{};
    char rightSerialNumber[13]{};
    std::int16_t kind = 0;
    std::int16_t couplerCode = 0;
    float retspl[kFrequencyCount]{};
    char model[16]{};
    std::uint8_t builtIn = 0;
    std::uint8_t pad[3]{};
};
static_assert(sizeof(EarphoneSlot) == 232);
static_assert(offsetof(EarphoneSlot, leftSerialNumber) == 26);
static_assert(offsetof(EarphoneSlot, rightSerialNumber) == 39);
static_assert(offsetof(EarphoneSlot, kind) == offsetof(EarphoneModel, kind));
static_assert(offsetof(EarphoneSlot, retspl) == offsetof(EarphoneModel, retspl));
static_assert(offsetof(EarphoneSlot, model) == offsetof(EarphoneModel, model));
static_assert(offsetof(EarphoneSlot, builtIn) == offsetof(EarphoneModel, builtIn));

struct BoneVibratorData
{
    char manufacturer[26]{};
    char model[16]{};
    char serialNumber[13]{};
    char reserved[3]{};
};
static_assert(sizeof(BoneVibratorData) == 58);

struct SpeakerData
{
    char manufacturer[26]{};
    char model[16]{};
    char serialNumber[13]{};
};
static_assert(sizeof(SpeakerData) == 55);

} // namespace tonva

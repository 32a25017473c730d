#pragma once

#include <QByteArray>
#include <array>

namespace tonva {

// The meter's third-octave bands, 12.5 Hz (band 0) to 20 kHz (band 32); band 19 is 1 kHz.
inline constexpr int kThirdOctaveBands = 33;

// Measurement programme of the meter: reply of "Q143", set with "S143,<c>".
enum class MeterMode
{
    Unknown = 0,
    SlmRta = 1,
    Fft = 2,
    PulseFm = 3
};

// Instrument file loaded in the meter: reply of "R180". Only AudTest is ever loaded by us.
enum class MeterInstrument
{
    Unknown = 0,
    Ssa,
    Ism,
    Log,
    Env,
    Rta,
    Fft,
    AudTest,
    Int,
    Vib,
    TaLarm
};

namespace meter {

constexpr int kInstrumentCount = 10;
// The three-letter code "R180" answers with, and the file "&I2," loads, per instrument 1..10.
QByteArray instrumentCode(MeterInstrument instrument);
QByteArray instrumentFile(MeterInstrument instrument);
// The instrument whose code the reply begins with; Unknown otherwise.
MeterInstrument instrumentFromReply(const QByteArray &reply);

// Gain index 0..7 is -20 dB .. +50 dB in 10 dB steps; readings are taken at 0 dB.
constexpr int kGainZeroDb = 2;

// Audiometric test frequencies; every per-frequency array in the program uses this index.
constexpr int kTestFrequencyCount = 39;
constexpr std::array<double, kTestFrequencyCount> kTestFrequencies = {
    31.5,  63,    125,   160,   200,   250,   315,   400,   500,   630,   750,   800,   1000,
    1250,  1500,  1600,  2000,  2500,  3000,  3150,  4000,  5000,  6000,  6300,  8000,  9000,
    10000, 11000, 11200, 12000, 12500, 13000, 14000, 15000, 16000, 17000, 18000, 19000, 20000};

// The meter's third-octave bands; band 19 is 1 kHz.
constexpr int kBandCount = kThirdOctaveBands;
constexpr int kBand1kHz = 19;
constexpr std::array<double, kBandCount> kBandCentres = {
    12.5, 16,  20,   25,   31.5, 40,   50,   63,   80,   100,  125,  160,  200,   250,   315,   400,  500,
    630,  800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

// The band each test frequency falls in.
constexpr std::array<int, kTestFrequencyCount> kBandOfTestFrequency = {
    4,  7,  10, 11, 12, 13, 14, 15, 16, 17, 18, 18, 19, 20, 21, 21, 22, 23, 24, 24,
    25, 26, 27, 27, 28, 29, 29, 29, 29, 30, 30, 30, 30, 31, 31, 31, 32, 32, 32};

// The test frequency at each band's own centre, whose corrections the band takes; -1 for none.
constexpr std::array<int, kBandCount> kTestFrequencyOfBand = {-1, -1, -1, -1, 0,  -1, -1, 1,  -1, -1, 2,
                                                              3,  4,  5,  6,  7,  8,  9,  11, 12, 13, 15,
                                                              16, 17, 19, 20, 21, 23, 24, 26, 30, 34, 38};

// Band of a test frequency index; -1 when the index is out of range.
constexpr int bandOfTestFrequency(int index)
{
    return index >= 0 && index < kTestFrequencyCount ? kBandOfTestFrequency[static_cast<size_t>(index)] : -1;
}

} // namespace meter
} // namespace tonva

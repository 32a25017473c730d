#pragma once

#include "meter/MeterTables.h"

#include <QByteArrayView>
#include <array>
#include <optional>

namespace tonva::meter {

// Sizes of the binary records that follow a "!" answer.
constexpr int kThirdOctaveRecordSize = 69; // "&R1"
constexpr int kFrequencyRecordSize = 36;   // "&R7"
constexpr int kFftRecordSize = 811;        // "&R6"
constexpr int kFftLineCount = 400;

using BandLevels = std::array<float, kBandCount>;
using FftLines = std::array<float, kFftLineCount>;

// Whether a record that arrived whole can be what the meter sent. A byte lost or gained on the line
// shifts every field after it, which turns fraction bytes into whole decibels or hertz far beyond
// anything a microphone hears; these checks refuse such records so that they are fetched again.
bool isPlausibleThirdOctaveRecord(QByteArrayView record);
bool isPlausibleFrequencyRecord(QByteArrayView record);
bool isPlausibleFftRecord(QByteArrayView record);

// "&R1": the 33 third-octave levels, each raised by the calibration offset.
std::optional<BandLevels> decodeThirdOctaveRecord(QByteArrayView record, float calOffset);

// "&R6": the 400 FFT lines, each raised by the calibration offset.
std::optional<FftLines> decodeFftRecord(QByteArrayView record, float calOffset);

// "&R7" as the frequency and FM measurements read it.
struct FrequencyReading
{
    quint8 statusA = 0;
    quint8 statusB = 0;
    double measured = 0.0;
    double highest = 0.0;
    double lowest = 0.0;
    double fourth = 0.0;
};
std::optional<FrequencyReading> decodeFrequencyRecord(QByteArrayView record);

// "&R7" as the pulse measurement reads it. Times are in milliseconds, levels in dB without the
// calibration offset.
struct PulseReading
{
    static constexpr quint8 kOnOffRatioFailed = 0x20; // in statusA

    quint8 statusA = 0;
    quint8 statusB = 0;
    int count = 0;
    double riseMs = 0.0;
    double fallMs = 0.0;
    double onMs = 0.0;
    double offMs = 0.0;
    double plateauMs = 0.0;
    double relativeLevel = 0.0;
    double level = 0.0;
    std::array<double, 4> furtherLevels{};
    double frequencyHz = 0.0;
};
std::optional<PulseReading> decodePulseRecord(QByteArrayView record);

} // namespace tonva::meter

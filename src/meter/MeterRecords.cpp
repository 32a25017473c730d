#include "meter/MeterRecords.h"

namespace tonva::meter {

namespace {

quint8 byteAt(QByteArrayView record, qsizetype offset)
{
    return static_cast<quint8>(record[offset]);
}

// Whole decibels in one byte, then 1/256 dB in the next.
double byteLevel(QByteArrayView record, qsizetype offset)
{
    return byteAt(record, offset) + byteAt(record, offset + 1) / 256.0;
}

int bigEndian16(QByteArrayView record, qsizetype offset)
{
    return (byteAt(record, offset) << 8) | byteAt(record, offset + 1);
}

// A 16-bit whole part, high byte first, then 1/256 in the third byte.
double wordLevel(QByteArrayView record, qsizetype offset)
{
    return bigEndian16(record, offset) + byteAt(record, offset + 2) / 256.0;
}

double halfMilliseconds(QByteArrayView record, qsizetype offset)
{
    return bigEndian16(record, offset) * 0.5;
}

// No sound in air reaches 200 dB; the meter's own range ends far below that.
constexpr int kLoudestPlausibleDb = 200;
// The highest test tone, swept up by the widest frequency modulation an audiometer is allowed.
constexpr double kHighestPlausibleHz = 20000.0 * 1.25;

} // namespace

bool isPlausibleThirdOctaveRecord(QByteArrayView record)
{
    if (record.size() != kThirdOctaveRecordSize)
        return false;
    for (int band = 0; band < kBandCount; ++band) {
        if (byteAt(record, 3 + 2 * band) > kLoudestPlausibleDb)
            return false;
    }
    return true;
}

bool isPlausibleFrequencyRecord(QByteArrayView record)
{
    if (record.size() != kFrequencyRecordSize)
        return false;
    for (const qsizetype offset : {21, 24, 27, 30}) {
        if (wordLevel(record, offset) > kHighestPlausibleHz)
            return false;
    }
    return true;
}

bool isPlausibleFftRecord(QByteArrayView record)
{
    if (record.size() != kFftRecordSize)
        return false;
    for (int line = 0; line < kFftLineCount; ++line) {
        if (byteAt(record, 10 + 2 * line) > kLoudestPlausibleDb)
            return false;
    }
    return true;
}

std::optional<BandLevels> decodeThirdOctaveRecord(QByteArrayView record, float calOffset)
{
    if (record.size() < kThirdOctaveRecordSize)
        return std::nullopt;
    BandLevels levels{};
    for (int band = 0; band < kBandCount; ++band)
        levels[static_cast<size_t>(band)] = static_cast<float>(byteLevel(record, 3 + 2 * band) + calOffset);
    return levels;
}

std::optional<FftLines> decodeFftRecord(QByteArrayView record, float calOffset)
{
    if (record.size() < kFftRecordSize)
        return std::nullopt;
    FftLines lines{};
    for (int line = 0; line < kFftLineCount; ++line)
        lines[static_cast<size_t>(line)] = static_cast<float>(byteLevel(record, 10 + 2 * line) + calOffset);
    return lines;
}

std::optional<FrequencyReading> decodeFrequencyRecord(QByteArrayView record)
{
    if (record.size() < kFrequencyRecordSize)
        return std::nullopt;
    FrequencyReading reading;
    reading.statusA = byteAt(record, 3);
    reading.statusB = byteAt(record, 4);
    reading.measured = wordLevel(record, 21);
    reading.highest = wordLevel(record, 24);
    reading.lowest = wordLevel(record, 27);
    reading.fourth = wordLevel(record, 30);
    return reading;
}

std::optional<PulseReading> decodePulseRecord(QByteArrayView record)
{
    if (record.size() < kFrequencyRecordSize)
        return std::nullopt;
    PulseReading reading;
    reading.statusA = byteAt(record, 3);
    reading.statusB = byteAt(record, 4);
    reading.count = bigEndian16(record, 5);
    reading.riseMs = halfMilliseconds(record, 7);
    reading.fallMs = halfMilliseconds(record, 9);
    reading.onMs = halfMilliseconds(record, 11);
    reading.offMs = halfMilliseconds(record, 13);
    reading.plateauMs = halfMilliseconds(record, 15);
    reading.relativeLevel = byteLevel(record, 17);
    reading.level = byteLevel(record, 19);
    for (int i = 0; i < 4; ++i)
        reading.furtherLevels[static_cast<size_t>(i)] = wordLevel(record, 21 + 3 * i);
    reading.frequencyHz = wordLevel(record, 33);
    return reading;
}

} // namespace tonva::meter

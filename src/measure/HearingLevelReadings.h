#pragma once

#include "measure/FrequencyModulationAverage.h"
#include "meter/MeterRecords.h"
#include "meter/SlmFileList.h"
#include "meter/SlmLink.h"

#include <QString>

namespace tonva {

// The three ways the hearing-level page reads the Trellan: a third-octave band level, the tone's
// frequency from the FFT analysis, and one FM analysis record. Each returns 0, a negative link or
// reading status, or 1000 when the technician cancelled. The calibration offset is read once and
// kept for the life of this object (one page).
class HearingLevelReadings
{
public:
    HearingLevelReadings(SlmLink &link, SlmFileList &fileList) : m_link(link), m_fileList(fileList) {}

    // The stable level of the frequency's band; the link's lastSpread() tells how unsteady it was.
    int readBandLevel(int frequencyIndex, Progress &progress, double &level);
    // The tone frequency once the meter's readings agree; `hertz` is 0 when they never did (the
    // technician has been shown what was read).
    int readFrequency(int frequencyIndex, Progress &progress, double &hertz);
    // One FM reading; every status text starts with `prefix` and ": " when a prefix is given.
    int readModulation(Progress &progress, const QString &prefix, FmValues &values);

    static constexpr int kReadingGain = 2; // 0 dB
    static constexpr double kMaxLevelSpreadDb = 1.0;
    static constexpr int kStableReadPauseMs = 200;
    // From this frequency index (2000 Hz) up the FFT needs its 20 kHz bandwidth.
    static constexpr int kWideBandwidthFrom = 16;
    static constexpr int kFrequencyReplyBytes = 8;
    static constexpr int kUnsteadyRecordsBeforeAsking = 30;
    static constexpr int kRecordAttempts = 5;
    static constexpr int kRecordRetryMs = 100;

private:
    int ensureCalOffset(Progress &progress, const QString &prefix);
    int ensureReadingGain(Progress &progress, const QString &prefix);
    int readFrequencyRecord(meter::FrequencyReading &reading);
    int failedExchange(int status);

    SlmLink &m_link;
    SlmFileList &m_fileList;
    bool m_haveCalOffset = false;
    float m_calOffset = 0.0f;
};

} // namespace tonva

#pragma once

#include "meter/SlmFileList.h"
#include "meter/SlmLink.h"

#include <QString>

namespace tonva {

class Progress;
struct TestSetup;

// One steady third-octave level at a test frequency, the reading linearity, cross talk, sound field
// and bone levels share: the meter is checked for SLM/RTA mode, the calibration offset is read once
// for the life of this object (one page), and the band is read until it holds still.
class BandReading
{
public:
    BandReading(SlmLink &link, SlmFileList &fileList) : m_link(link), m_fileList(fileList) {}

    // meter::kOk with the calibrated band level; meter::kCancelled; or a negative status when the
    // meter refused the mode, the offset could not be read or the band never held still. `kind` is
    // the test kind the meter is readied for.
    int read(int frequencyIndex, int kind, Progress &progress, double &bandLevel);

    // The band level at the ear: what the coupler and its microphone add is taken off.
    static double levelAtEar(double bandLevel, const TestSetup &setup, TransducerType transducer,
                             int frequencyIndex);

    // The input gain a dial level needs, so quiet levels rise above the meter's own noise and loud
    // ones do not overload it.
    static int gainForDialLevel(int dialLevel);
    static int gainDb(int gainIndex) { return (gainIndex - meter::kGainZeroDb) * 10; }

    // Brings the meter to `gainIndex`, asking the technician to check the line after a failed
    // exchange. meter::kOk, or meter::kCancelled when they gave up.
    int ensureGain(int gainIndex, Progress &progress);

    static constexpr int kQuietGain = 5; // +30 dB
    static constexpr int kLoudGain = 0;  // -20 dB
    static constexpr double kMaxSpreadDb = 1.0;
    static constexpr int kPauseMs = 200;
    // Below this dial level the quiet gain is needed; above kLoudFrom the loud one.
    static constexpr int kQuietBelow = 40;
    static constexpr int kLoudFrom = 121;

private:
    SlmLink &m_link;
    SlmFileList &m_fileList;
    bool m_haveCalOffset = false;
    float m_calOffset = 0.0f;
};

} // namespace tonva

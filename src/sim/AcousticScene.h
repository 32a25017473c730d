#pragma once

#include "meter/MeterTables.h"

#include <array>
#include <optional>
#include <variant>
#include <vector>

namespace tonva {

using BandLevels = std::array<double, kThirdOctaveBands>;

// Exact (base-ten) centre frequency of a band; the nominal labels round these.
double bandCentreHz(int band);
// The band whose edges hold `frequencyHz`, or -1 outside the meter's range.
int bandOfFrequency(double frequencyHz);

// Frequency weightings as the meter numbers them.
enum class Weighting
{
    A = 0,
    C = 1,
    Flat = 2
};
double weightingDb(Weighting weighting, int band);

// Input gain index 0..7 in decibels (-20 .. +50).
double gainDb(int gainIndex);

// The swing is given as the audiometer states it: (highest - lowest) / carrier, in percent.
struct FrequencyModulation
{
    double rateHz = 5.0;
    double deviationPercent = 10.0;
};

struct PulseEnvelope
{
    double riseMs = 35.0;
    double fallMs = 35.0;
    double onMs = 225.0;
    double offMs = 225.0;
    // Level left while the tone is off, relative to the on level.
    double offLevelDb = -80.0;
};

struct PureTone
{
    double frequencyHz = 1000.0;
    double splDb = 94.0;
    // 2nd to 5th harmonic relative to the fundamental; absent harmonics sit far below any floor.
    std::array<double, 4> harmonicsDb{-200.0, -200.0, -200.0, -200.0};
    std::optional<FrequencyModulation> fm;
    std::optional<PulseEnvelope> pulse;
};

// Steady random noise described by its third-octave band levels.
struct BroadbandNoise
{
    BandLevels bandLevels{};

    // The same level in every band (pink-like: density falls 3 dB per octave).
    static BroadbandNoise flatPerBand(double bandLevelDb);
    // Equal density at every frequency, given by its level in the 1 kHz band.
    static BroadbandNoise white(double levelIn1kBandDb);
};

struct Silence
{};

using Sound = std::variant<Silence, PureTone, BroadbandNoise>;

// Band powers split into what is tonal (steady reading) and what is random (reading fluctuates).
struct BandPowers
{
    BandLevels tonal{};
    BandLevels random{};

    double totalDb(int band) const;
};

// The meter's FFT view of the scene: 400 lines from 0 Hz, line n at n * span / 400.
struct FftSpectrum
{
    static constexpr int kLines = 400;
    double spanHz = 0.0;
    std::vector<double> linePower; // linear power per line
    double lineSpacingHz() const { return spanHz / kLines; }
    double lineDb(int line) const;
};

// What the FFT analysis reports about the strongest tone in the span.
struct FundamentalReading
{
    int peakLine = 0;
    double frequencyHz = 0.0;
    double levelDb = 0.0;
    // 2nd..5th harmonic relative to the fundamental; absent when the meter cannot compute them.
    std::array<std::optional<double>, 4> harmonicsRelativeDb;
};

// The envelope and frequency analysis of the Pulse/FM mode.
struct PulseFmAnalysis
{
    bool pulsed = false;
    double riseMs = 0.0;
    double fallMs = 0.0;
    double onMs = 0.0;
    double offMs = 0.0;
    double plateauMs = 0.0;
    double periodMs = 0.0;
    double onOffRatioDb = 0.0;
    bool ratioFailed = false;
    double levelDb = 0.0;
    double frequencyHz = 0.0;
    bool modulated = false;
    double carrierHz = 0.0;
    double highestHz = 0.0;
    double lowestHz = 0.0;
    double rateHz = 0.0;
};

// What the meter's microphone hears: the sound of the moment (replaceable at any time by whoever
// drives the scene) over an optional steady background, plus the meter's own noise floor, which
// depends on the input gain. Everything here is exact; reading noise belongs to the meter.
class AcousticScene
{
public:
    void setSound(Sound sound) { m_sound = std::move(sound); }
    const Sound &sound() const { return m_sound; }
    // `sampleSpreadDb`: how far the background wanders either side of its levels from one reading
    // to the next, as a booth's noise does; the meter draws each reading's share.
    void setBackground(std::optional<BroadbandNoise> background, double sampleSpreadDb = 0.0)
    {
        m_background = std::move(background);
        m_backgroundSpreadDb = m_background ? sampleSpreadDb : 0.0;
    }
    const std::optional<BroadbandNoise> &background() const { return m_background; }
    double backgroundSpreadDb() const { return m_backgroundSpreadDb; }

    // Self-noise of microphone and input stage per third-octave band at this gain.
    static double noiseFloorBandDb(int gainIndex);
    // Highest overall level the input stage takes at this gain before it clips.
    static double overloadLevelDb(int gainIndex);

    BandPowers bandPowers(int gainIndex) const;
    double overallLevelDb(int gainIndex, Weighting weighting) const;
    bool isOverloaded(int gainIndex) const;
    FftSpectrum fftSpectrum(double spanHz, int gainIndex) const;
    FundamentalReading fundamental(double spanHz, int gainIndex) const;
    PulseFmAnalysis pulseFmAnalysis(int gainIndex) const;

private:
    const PureTone *tone() const { return std::get_if<PureTone>(&m_sound); }
    // Random-noise power per band: the sound's noise, background and floor.
    BandLevels randomBandPower(int gainIndex) const;

    Sound m_sound = Silence{};
    std::optional<BroadbandNoise> m_background;
    double m_backgroundSpreadDb = 0.0;
};

} // namespace tonva

#include "sim/AcousticScene.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tonva {

namespace {

constexpr double kThirdOctave = 1.0 / 3.0;
// Width of a third-octave band relative to its centre (upper minus lower edge).
const double kRelativeBandWidth = std::pow(2.0, 1.0 / 6.0) - std::pow(2.0, -1.0 / 6.0);
// Leakage of the band filters: the part of their response that falls off slowly, as the
// skirts of real class 1 filters do, under a nearly flat top that ends at the band edges.
constexpr double kSkirtShare = 3e-3;
// A tone of 20 dB over the local floor is the least the harmonic analysis works with.
constexpr double kHarmonicAnalysisMarginDb = 20.0;
// Below this on/off ratio the meter flags the pulse.
constexpr double kMinimumOnOffRatioDb = 20.0;
// A low-noise measurement microphone: quiet enough that a good booth's 2 to 4 kHz bands, which the
// strictest limits put near 4 dB, are read rather than the meter's own hiss.
constexpr double kMicrophoneSelfNoiseDb = -10.0;
constexpr double kInputStageNoiseAt0dBGainDb = 25.0;
constexpr double kOverloadAt0dBGainDb = 130.0;

constexpr std::array<double, kThirdOctaveBands> kAWeighting{
    -63.4, -56.7, -50.5, -44.7, -39.4, -34.6, -30.2, -26.2, -22.5, -19.1, -16.1,
    -13.4, -10.9, -8.6,  -6.6,  -4.8,  -3.2,  -1.9,  -0.8,  0.0,   0.6,   1.0,
    1.2,   1.3,   1.2,   1.0,   0.5,   -0.1,  -1.1,  -2.5,  -4.3,  -6.6,  -9.3};
constexpr std::array<double, kThirdOctaveBands> kCWeighting{
    -11.2, -8.5, -6.2, -4.4, -3.0, -2.0, -1.3, -0.8, -0.5, -0.3, -0.2, -0.1, 0.0,  0.0,  0.0,  0.0,  0.0,
    0.0,   0.0,  0.0,  0.0,  -0.1, -0.2, -0.3, -0.5, -0.8, -1.3, -2.0, -3.0, -4.4, -6.2, -8.5, -11.2};

double toPower(double db)
{
    return std::pow(10.0, db / 10.0);
}

double toDb(double power)
{
    return 10.0 * std::log10(std::max(power, 1e-30));
}

// Power response of band filter `band` to a tone of `frequencyHz`; 1 at the centre, 1/2 at the edges.
double bandResponse(int band, double frequencyHz)
{
    if (frequencyHz <= 0.0)
        return 0.0;
    const double r = std::abs(std::log2(frequencyHz / bandCentreHz(band))) / (kThirdOctave / 2.0);
    const double top = 1.0 / (1.0 + std::pow(r, 24));
    const double skirt = kSkirtShare / (1.0 + std::pow(r, 4));
    return (top + skirt) / (1.0 + kSkirtShare);
}

// Hanning window: power seen by a line `d` lines away from a tone.
double hanningLineResponse(double d)
{
    const double ad = std::abs(d);
    if (ad < 1e-9)
        return 1.0;
    if (std::abs(ad - 1.0) < 1e-9)
        return 0.25;
    const double x = std::numbers::pi * d;
    const double amplitude = std::sin(x) / (x * (1.0 - d * d));
    return amplitude * amplitude;
}

// One steady sinusoid (or a swept one) as the tone contributes it.
struct Component
{
    double frequencyHz;
    double power;
};

std::vector<Component> toneComponents(const PureTone &tone)
{
    double dutyCycle = 1.0;
    if (tone.pulse) {
        const PulseEnvelope &p = *tone.pulse;
        const double period = p.onMs + p.offMs;
        if (period > 0.0)
            dutyCycle = (p.onMs + p.offMs * toPower(p.offLevelDb)) / period;
    }
    std::vector<Component> parts;
    const double fundamental = toPower(tone.splDb) * dutyCycle;
    parts.push_back({tone.frequencyHz, fundamental});
    for (int k = 0; k < 4; ++k)
        parts.push_back({tone.frequencyHz * (k + 2), fundamental * toPower(tone.harmonicsDb[k])});
    return parts;
}

} // namespace

double bandCentreHz(int band)
{
    return std::pow(10.0, (band + 11) / 10.0);
}

int bandOfFrequency(double frequencyHz)
{
    if (frequencyHz <= 0.0)
        return -1;
    const int band = static_cast<int>(std::lround(10.0 * std::log10(frequencyHz) - 11.0));
    return band >= 0 && band < kThirdOctaveBands ? band : -1;
}

double weightingDb(Weighting weighting, int band)
{
    switch (weighting) {
    case Weighting::A:
        return kAWeighting[band];
    case Weighting::C:
        return kCWeighting[band];
    case Weighting::Flat:
        break;
    }
    return 0.0;
}

double gainDb(int gainIndex)
{
    return -20.0 + 10.0 * gainIndex;
}

BroadbandNoise BroadbandNoise::flatPerBand(double bandLevelDb)
{
    BroadbandNoise noise;
    noise.bandLevels.fill(bandLevelDb);
    return noise;
}

BroadbandNoise BroadbandNoise::white(double levelIn1kBandDb)
{
    BroadbandNoise noise;
    for (int band = 0; band < kThirdOctaveBands; ++band)
        noise.bandLevels[band] = levelIn1kBandDb + 10.0 * std::log10(bandCentreHz(band) / 1000.0);
    return noise;
}

double BandPowers::totalDb(int band) const
{
    return toDb(tonal[band] + random[band]);
}

double FftSpectrum::lineDb(int line) const
{
    return toDb(linePower[line]);
}

double AcousticScene::noiseFloorBandDb(int gainIndex)
{
    return toDb(toPower(kMicrophoneSelfNoiseDb) + toPower(kInputStageNoiseAt0dBGainDb - gainDb(gainIndex)));
}

double AcousticScene::overloadLevelDb(int gainIndex)
{
    return kOverloadAt0dBGainDb - gainDb(gainIndex);
}

BandLevels AcousticScene::randomBandPower(int gainIndex) const
{
    BandLevels power;
    power.fill(toPower(noiseFloorBandDb(gainIndex)));
    const auto addNoise = [&power](const BroadbandNoise &noise) {
        for (int band = 0; band < kThirdOctaveBands; ++band)
            power[band] += toPower(noise.bandLevels[band]);
    };
    if (const auto *noise = std::get_if<BroadbandNoise>(&m_sound))
        addNoise(*noise);
    if (m_background)
        addNoise(*m_background);
    return power;
}

BandPowers AcousticScene::bandPowers(int gainIndex) const
{
    BandPowers powers;
    powers.random = randomBandPower(gainIndex);
    if (const PureTone *t = tone()) {
        for (const Component &part : toneComponents(*t)) {
            for (int band = 0; band < kThirdOctaveBands; ++band)
                powers.tonal[band] += part.power * bandResponse(band, part.frequencyHz);
        }
    }
    return powers;
}

double AcousticScene::overallLevelDb(int gainIndex, Weighting weighting) const
{
    const BandPowers powers = bandPowers(gainIndex);
    double total = 0.0;
    for (int band = 0; band < kThirdOctaveBands; ++band)
        total += (powers.tonal[band] + powers.random[band]) * toPower(weightingDb(weighting, band));
    return toDb(total);
}

bool AcousticScene::isOverloaded(int gainIndex) const
{
    return overallLevelDb(gainIndex, Weighting::Flat) > overloadLevelDb(gainIndex);
}

FftSpectrum AcousticScene::fftSpectrum(double spanHz, int gainIndex) const
{
    FftSpectrum spectrum;
    spectrum.spanHz = spanHz;
    spectrum.linePower.assign(FftSpectrum::kLines, 0.0);
    const double spacing = spectrum.lineSpacingHz();

    // Random noise: each band's power spread evenly over its width, so a line takes its share.
    const BandLevels random = randomBandPower(gainIndex);
    const double floorDensity = toPower(noiseFloorBandDb(gainIndex)) / (kRelativeBandWidth * 1000.0);
    for (int line = 0; line < FftSpectrum::kLines; ++line) {
        const int band = bandOfFrequency(line * spacing);
        const double density =
            band < 0 ? floorDensity : random[band] / (kRelativeBandWidth * bandCentreHz(band));
        spectrum.linePower[line] = density * spacing;
    }

    const PureTone *t = tone();
    if (!t)
        return spectrum;
    for (const Component &part : toneComponents(*t)) {
        if (part.frequencyHz >= spanHz)
            continue;
        if (t->fm && part.frequencyHz == t->frequencyHz) {
            // A swept carrier smears evenly over the lines it passes through.
            const double half = t->frequencyHz * t->fm->deviationPercent / 200.0;
            const int first = std::max(1, static_cast<int>(std::lround((t->frequencyHz - half) / spacing)));
            const int last =
                std::min(FftSpectrum::kLines - 1,
                         std::max(first, static_cast<int>(std::lround((t->frequencyHz + half) / spacing))));
            for (int line = first; line <= last; ++line)
                spectrum.linePower[line] += part.power / (last - first + 1);
            continue;
        }
        const double centre = part.frequencyHz / spacing;
        const int first = std::max(0, static_cast<int>(std::floor(centre)) - 3);
        const int last = std::min(FftSpectrum::kLines - 1, static_cast<int>(std::ceil(centre)) + 3);
        for (int line = first; line <= last; ++line)
            spectrum.linePower[line] += part.power * hanningLineResponse(line - centre);
    }
    return spectrum;
}

FundamentalReading AcousticScene::fundamental(double spanHz, int gainIndex) const
{
    const FftSpectrum spectrum = fftSpectrum(spanHz, gainIndex);
    const double spacing = spectrum.lineSpacingHz();
    FundamentalReading reading;
    // Line 0 holds the DC offset of the analysis, never a tone.
    const auto peak = std::max_element(spectrum.linePower.begin() + 1, spectrum.linePower.end());
    reading.peakLine = static_cast<int>(peak - spectrum.linePower.begin());
    reading.frequencyHz = reading.peakLine * spacing;
    reading.levelDb = spectrum.lineDb(reading.peakLine);

    const PureTone *t = tone();
    const bool toneIsPeak =
        t && t->frequencyHz < spanHz && std::abs(t->frequencyHz / spacing - reading.peakLine) <= 1.5;
    double fundamentalPower = *peak;
    if (toneIsPeak) {
        // The analysis interpolates between lines, so it reports the tone itself.
        fundamentalPower = toneComponents(*t).front().power;
        reading.frequencyHz = t->frequencyHz;
        reading.levelDb = toDb(fundamentalPower);
    }

    const double floorLineDb =
        toDb(toPower(noiseFloorBandDb(gainIndex)) / (kRelativeBandWidth * 1000.0) * spacing);
    if (isOverloaded(gainIndex) || reading.levelDb - floorLineDb < kHarmonicAnalysisMarginDb)
        return reading;
    for (int k = 0; k < 4; ++k) {
        const double frequency = reading.frequencyHz * (k + 2);
        if (frequency >= spanHz)
            continue;
        const int line =
            std::min(FftSpectrum::kLines - 1, static_cast<int>(std::lround(frequency / spacing)));
        double power = spectrum.linePower[line];
        if (toneIsPeak) {
            // Read the harmonic as the tone analysis does: its own power over the local noise.
            const double harmonic = fundamentalPower * toPower(t->harmonicsDb[k]);
            power = harmonic + std::max(0.0, spectrum.linePower[line] -
                                                 harmonic * hanningLineResponse(line - frequency / spacing));
        }
        reading.harmonicsRelativeDb[k] = toDb(power) - reading.levelDb;
    }
    return reading;
}

PulseFmAnalysis AcousticScene::pulseFmAnalysis(int gainIndex) const
{
    PulseFmAnalysis analysis;
    const PureTone *t = tone();
    if (!t) {
        analysis.levelDb = overallLevelDb(gainIndex, Weighting::Flat);
        return analysis;
    }
    analysis.levelDb = t->splDb;
    analysis.frequencyHz = t->frequencyHz;
    analysis.carrierHz = t->frequencyHz;
    if (t->pulse) {
        const PulseEnvelope &p = *t->pulse;
        analysis.pulsed = true;
        analysis.riseMs = p.riseMs;
        analysis.fallMs = p.fallMs;
        analysis.onMs = p.onMs;
        analysis.offMs = p.offMs;
        analysis.plateauMs = std::max(0.0, p.onMs - (p.riseMs + p.fallMs) / 2.0);
        analysis.periodMs = p.onMs + p.offMs;
        // While the tone is off the meter still hears its own floor.
        const double offPower = toPower(t->splDb + p.offLevelDb) + toPower(noiseFloorBandDb(gainIndex));
        analysis.onOffRatioDb = t->splDb - toDb(offPower);
        analysis.ratioFailed = analysis.onOffRatioDb < kMinimumOnOffRatioDb;
    }
    if (t->fm) {
        analysis.modulated = true;
        const double half = t->frequencyHz * t->fm->deviationPercent / 200.0;
        analysis.highestHz = t->frequencyHz + half;
        analysis.lowestHz = t->frequencyHz - half;
        analysis.rateHz = t->fm->rateHz;
    }
    return analysis;
}

} // namespace tonva

#include "sim/SimulatedAudiometer.h"

#include "sim/Failure.h"

#include <algorithm>
#include <cmath>

namespace tonva {

namespace {

// Dial frequencies are whole or half hertz; the prompt may carry them rounded.
constexpr double kDialFrequencyToleranceHz = 0.5;
constexpr int kIndex1kHz = 12;
// Bands outside a noise's spectrum: far below any meter's floor.
constexpr double kNoBandDb = -100.0;
// Masking noise and speech fill the audiometric bands, 125 Hz to 8 kHz.
constexpr int kFirstNoiseBand = 10;
constexpr int kLastNoiseBand = 28;
// Speech noise falls off above 1 kHz as speech does, 12 dB per octave.
constexpr double kSpeechNoiseSlopePerBandDb = -4.0;
// Leakage below this is no sound at all.
constexpr double kInaudibleRelativeDb = -150.0;

int testFrequencyIndex(double frequencyHz)
{
    for (int i = 0; i < meter::kTestFrequencyCount; ++i) {
        if (std::abs(meter::kTestFrequencies[static_cast<std::size_t>(i)] - frequencyHz) <=
            kDialFrequencyToleranceHz)
            return i;
    }
    return -1;
}

// The profile's tables and the coupler speak ear numbers; -1 is a stimulus for no ear in particular.
int earIndex(const Stimulus &stimulus)
{
    return stimulus.ear ? static_cast<int>(*stimulus.ear) : -1;
}

} // namespace

SimulatedAudiometer::SimulatedAudiometer(SceneDriver &scene, AudiometerProfile profile,
                                         AudiometerCoupling coupling)
    : m_scene(scene), m_profile(std::move(profile)), m_coupling(coupling)
{}

std::optional<SimulatedAudiometer::Signal> SimulatedAudiometer::signalOf(const QString &name)
{
    const QString s = name.trimmed().toLower();
    if (s.isEmpty() || s == QLatin1String("tone") || s == QLatin1String("pure tone"))
        return Signal::Tone;
    if (s == QLatin1String("pulsed") || s == QLatin1String("pulse"))
        return Signal::Pulsed;
    if (s == QLatin1String("fm") || s == QLatin1String("warble"))
        return Signal::Fm;
    if (s == QLatin1String("narrow band") || s == QLatin1String("narrow-band") || s == QLatin1String("nb"))
        return Signal::NarrowBand;
    if (s == QLatin1String("noise") || s == QLatin1String("broadband noise") ||
        s == QLatin1String("broad band noise") || s == QLatin1String("white noise") ||
        s == QLatin1String("masking"))
        return Signal::BroadbandNoise;
    if (s == QLatin1String("speech"))
        return Signal::Speech;
    if (s == QLatin1String("off") || s == QLatin1String("none") || s == QLatin1String("silence"))
        return Signal::Off;
    return std::nullopt;
}

int SimulatedAudiometer::channelOf(Signal signal)
{
    return signal == Signal::NarrowBand || signal == Signal::BroadbandNoise ? 1 : 0;
}

bool SimulatedAudiometer::apply(const Stimulus &stimulus, QString *error)
{
    const std::optional<Presentation> presentation = presentationFor(stimulus, error);
    if (!presentation || !m_scene.present(presentation->sound, error))
        return false;
    for (DialSetting &channel : m_channels)
        channel.on = false;
    if (presentation->signal != Signal::Off) {
        const Stimulus &set = presentation->set;
        m_channels[static_cast<std::size_t>(channelOf(presentation->signal))] =
            DialSetting{set.transducer, set.ear, set.signal, set.frequencyHz, set.dialLevel, !set.toneOff};
    }
    // The earphone stays on the coupler until a prompt moves it.
    if (stimulus.earOnCoupler)
        m_earOnCoupler = static_cast<int>(*stimulus.earOnCoupler);
    return true;
}

std::optional<Sound> SimulatedAudiometer::soundFor(const Stimulus &stimulus, QString *error) const
{
    std::optional<Presentation> presentation = presentationFor(stimulus, error);
    if (!presentation)
        return std::nullopt;
    return std::move(presentation->sound);
}

Stimulus SimulatedAudiometer::withinRange(const Stimulus &asked, double frequencyHz) const
{
    Stimulus set = asked;
    set.dialLevel = std::min(asked.dialLevel, m_profile.maxDialLevelDb.at(frequencyHz));
    return set;
}

std::optional<SimulatedAudiometer::Presentation>
SimulatedAudiometer::presentationFor(const Stimulus &stimulus, QString *error) const
{
    const std::optional<Signal> signal = signalOf(stimulus.signal);
    if (!signal)
        return failed(error, QStringLiteral("The audiometer has no signal '%1'").arg(stimulus.signal));
    if (*signal == Signal::Off)
        return Presentation{*signal, stimulus, offSound()};
    if (!stimulus.transducer)
        return failed(error, QStringLiteral("The stimulus names no transducer"));
    if (const int transducer = static_cast<int>(*stimulus.transducer);
        transducer < 0 || transducer >= AudiometerCoupling::kTransducerTypes)
        return failed(error, QStringLiteral("The stimulus names no known transducer (%1)").arg(transducer));
    if (!std::isfinite(stimulus.dialLevel))
        return failed(error, QStringLiteral("The stimulus has no dial level"));
    if (stimulus.audiometerMinimum) {
        Stimulus lowest = stimulus;
        lowest.audiometerMinimum = false;
        lowest.dialLevel = m_profile.minDialLevelDb;
        return presentationFor(lowest, error);
    }
    // Broadband signals are referred to 1 kHz; a frequency on them means nothing.
    if (*signal == Signal::BroadbandNoise || *signal == Signal::Speech) {
        const Stimulus set = withinRange(stimulus, 1000.0);
        const double base = dialAtMeterDb(set, kIndex1kHz) + crossTalkDb(set);
        if (*signal == Signal::Speech)
            return Presentation{*signal, set, speechSound(set)};
        const int source = maskingSourceOf(set.source);
        return Presentation{*signal, set,
                            whiteNoise(base + m_profile.maskingNoiseLevelErrorDb[static_cast<std::size_t>(source)],
                                       m_profile.maskingNoiseShapeDb[static_cast<std::size_t>(source)])};
    }
    const int index = testFrequencyIndex(stimulus.frequencyHz);
    if (index < 0)
        return failed(
            error,
            QStringLiteral("%1 Hz is not a dial frequency of the audiometer").arg(stimulus.frequencyHz));
    // The maximum belongs to the dial's own frequency, which the prompt may carry rounded.
    const Stimulus set = withinRange(stimulus, meter::kTestFrequencies[static_cast<std::size_t>(index)]);
    if (set.toneOff)
        return Presentation{*signal, set, leakOf(set, index)};
    if (*signal == Signal::NarrowBand)
        return Presentation{*signal, set, narrowBandSound(set, index)};
    return Presentation{*signal, set, toneSound(*signal, set, index)};
}

double SimulatedAudiometer::referenceDb(const Stimulus &stimulus, int index) const
{
    const TransducerCoupling &path = m_coupling.transducers[static_cast<std::size_t>(*stimulus.transducer)];
    const auto i = static_cast<std::size_t>(index);
    if (*stimulus.transducer == TransducerType::BoneVibrator && stimulus.bonePlacement == BonePlacement::Forehead)
        return m_coupling.boneForeheadReferenceDb[i];
    if (*stimulus.transducer != TransducerType::Speakers)
        return path.referenceDb[i];
    const std::optional<PerFrequencyDb> &table = stimulus.binaural                ? m_coupling.speakerReferenceBinauralDb
                                                 : stimulus.incidenceDegrees == 45 ? m_coupling.speakerReference45Db
                                                 : stimulus.incidenceDegrees == 90 ? m_coupling.speakerReference90Db
                                                                                   : std::nullopt;
    return table ? (*table)[i] : path.referenceDb[i];
}

double SimulatedAudiometer::dialAtMeterDb(const Stimulus &stimulus, int index) const
{
    const TransducerCoupling &path = m_coupling.transducers[static_cast<std::size_t>(*stimulus.transducer)];
    const auto i = static_cast<std::size_t>(index);
    return stimulus.dialLevel + m_profile.attenuatorErrorDb.at(stimulus.dialLevel) + referenceDb(stimulus, index) +
           path.correctionDb[i];
}

int SimulatedAudiometer::couplerEar(const Stimulus &stimulus) const
{
    return stimulus.earOnCoupler ? static_cast<int>(*stimulus.earOnCoupler) : m_earOnCoupler;
}

double SimulatedAudiometer::crossTalkDb(const Stimulus &stimulus) const
{
    // Loudspeakers share the room; there is no other earphone to leak into.
    if (stimulus.transducer == TransducerType::Speakers)
        return 0.0;
    const int driven = earIndex(stimulus);
    const int heard = couplerEar(stimulus);
    const bool oneEarEach = (driven == 0 || driven == 1) && (heard == 0 || heard == 1);
    if (!oneEarEach || driven == heard)
        return 0.0;
    return heard == 0 ? m_profile.crossTalkDb.leftToRight : m_profile.crossTalkDb.rightToLeft;
}

PureTone SimulatedAudiometer::toneSound(Signal signal, const Stimulus &stimulus, int index) const
{
    const double nominal = meter::kTestFrequencies[static_cast<std::size_t>(index)];
    PureTone tone;
    tone.frequencyHz = nominal * (1.0 + m_profile.frequencyErrorPercent.at(nominal) / 100.0);
    tone.splDb = dialAtMeterDb(stimulus, index) +
                 m_profile.levelError(static_cast<int>(*stimulus.transducer), earIndex(stimulus), nominal) +
                 crossTalkDb(stimulus);
    tone.harmonicsDb = m_profile.harmonicsDb.at(static_cast<int>(*stimulus.transducer), nominal);
    if (signal == Signal::Fm)
        tone.fm =
            FrequencyModulation{m_profile.fmRateHz.at(nominal), m_profile.fmDeviationPercent.at(nominal)};
    if (signal == Signal::Pulsed)
        tone.pulse = m_profile.pulseOf(earIndex(stimulus));
    return tone;
}

Sound SimulatedAudiometer::narrowBandSound(const Stimulus &stimulus, int index) const
{
    const double nominal = meter::kTestFrequencies[static_cast<std::size_t>(index)];
    const double centreDb = dialAtMeterDb(stimulus, index) +
                            m_coupling.narrowBandCorrectionDb[static_cast<std::size_t>(index)] +
                            m_profile.narrowBandLevelErrorDb.at(nominal) + crossTalkDb(stimulus);
    const int centre = meter::bandOfTestFrequency(index);
    // In the sound field the level is that of the whole noise, skirts included, as the open-air
    // microphone adds the neighbouring bands back in.
    if (stimulus.transducer == TransducerType::Speakers) {
        double share = 1.0;
        for (const int band : {centre - 1, centre + 1})
            share += band >= 0 && band < kThirdOctaveBands ? std::pow(10.0, m_profile.narrowBandSkirtDb / 10.0) : 0.0;
        return narrowBandAround(centre, centreDb - 10.0 * std::log10(share));
    }
    return narrowBandAround(centre, centreDb);
}

Sound SimulatedAudiometer::narrowBandAround(int centre, double centreDb) const
{
    BroadbandNoise noise;
    noise.bandLevels.fill(kNoBandDb);
    for (const int band : {centre - 1, centre + 1}) {
        if (band >= 0 && band < kThirdOctaveBands)
            noise.bandLevels[static_cast<std::size_t>(band)] = centreDb + m_profile.narrowBandSkirtDb;
    }
    noise.bandLevels[static_cast<std::size_t>(centre)] = centreDb;
    return noise;
}

Sound SimulatedAudiometer::spreadNoise(double overallDb, bool shaped) const
{
    BroadbandNoise noise;
    noise.bandLevels.fill(kNoBandDb);
    double relativePower = 0.0;
    for (int band = kFirstNoiseBand; band <= kLastNoiseBand; ++band) {
        const double shape =
            shaped ? m_profile.maskingNoiseShapeDb[0].at(meter::kBandCentres[static_cast<std::size_t>(band)])
                   : 0.0;
        noise.bandLevels[static_cast<std::size_t>(band)] = shape;
        relativePower += std::pow(10.0, shape / 10.0);
    }
    // Scale the shape so the bands together carry the overall level.
    const double offset = overallDb - 10.0 * std::log10(relativePower);
    for (int band = kFirstNoiseBand; band <= kLastNoiseBand; ++band)
        noise.bandLevels[static_cast<std::size_t>(band)] += offset;
    return noise;
}

Sound SimulatedAudiometer::speechSound(const Stimulus &stimulus) const
{
    const double level = dialAtMeterDb(stimulus, kIndex1kHz) + crossTalkDb(stimulus) + m_coupling.speechCorrectionDb +
                         m_profile.speechErrorOf(stimulus.source);
    switch (stimulus.source) {
    case SignalSource::Internal:
        return spreadNoise(level, false);
    case SignalSource::Microphone:
    case SignalSource::TapeCdA:
    case SignalSource::TapeCdB: {
        // Speech inputs are calibrated with a 1000 Hz tone played through them.
        PureTone tone;
        tone.frequencyHz = 1000.0;
        tone.splDb = level;
        return tone;
    }
    case SignalSource::SpeechNoise:
        break;
    }
    // Speech noise is stated as its C-weighted overall level, which is what the meter shows.
    BroadbandNoise noise;
    noise.bandLevels.fill(kNoBandDb);
    double weightedPower = 0.0;
    for (int band = kFirstNoiseBand; band <= kLastNoiseBand; ++band) {
        const double shape = kSpeechNoiseSlopePerBandDb * std::max(0, band - meter::kBand1kHz);
        noise.bandLevels[static_cast<std::size_t>(band)] = shape;
        weightedPower += std::pow(10.0, (shape + weightingDb(Weighting::C, band)) / 10.0);
    }
    const double offset = level - 10.0 * std::log10(weightedPower);
    for (int band = kFirstNoiseBand; band <= kLastNoiseBand; ++band)
        noise.bandLevels[static_cast<std::size_t>(band)] += offset;
    return noise;
}

int SimulatedAudiometer::maskingSourceOf(SignalSource source)
{
    switch (source) {
    case SignalSource::TapeCdA:
        return 1;
    case SignalSource::TapeCdB:
        return 2;
    default:
        return 0;
    }
}

Sound SimulatedAudiometer::whiteNoise(double overallDb, const FrequencyTable &shapeDb) const
{
    BroadbandNoise noise;
    noise.bandLevels.fill(kNoBandDb);
    double relativePower = 0.0;
    for (int band = kFirstNoiseBand; band <= kLastNoiseBand; ++band) {
        const auto b = static_cast<std::size_t>(band);
        // Equal power per hertz: a band carries power in proportion to its width, hence its centre.
        const double level = 10.0 * std::log10(bandCentreHz(band) / 1000.0) + shapeDb.at(meter::kBandCentres[b]);
        noise.bandLevels[b] = level;
        relativePower += std::pow(10.0, level / 10.0);
    }
    const double offset = overallDb - 10.0 * std::log10(relativePower);
    for (int band = kFirstNoiseBand; band <= kLastNoiseBand; ++band)
        noise.bandLevels[static_cast<std::size_t>(band)] += offset;
    return noise;
}

Sound SimulatedAudiometer::leakOf(const Stimulus &stimulus, int index) const
{
    if (m_profile.toneOffLeakageDb <= kInaudibleRelativeDb)
        return Silence{};
    const std::optional<Signal> signal = signalOf(stimulus.signal);
    if (!signal || *signal == Signal::Speech || *signal == Signal::BroadbandNoise || *signal == Signal::NarrowBand)
        return Silence{};
    PureTone leak = toneSound(Signal::Tone, stimulus, index);
    leak.splDb += m_profile.toneOffLeakageDb;
    return leak;
}

Sound SimulatedAudiometer::offSound() const
{
    const DialSetting &tone = m_channels[0];
    if (!tone.on || m_profile.toneOffLeakageDb <= kInaudibleRelativeDb)
        return Silence{};
    const std::optional<Signal> signal = signalOf(tone.signal);
    const int index = testFrequencyIndex(tone.frequencyHz);
    // The tone channel holds only what was presented on it; of that, speech has no tone to leak.
    if (!signal || *signal == Signal::Speech || index < 0)
        return Silence{};
    const Stimulus was{tone.transducer, tone.ear, tone.signal, tone.frequencyHz, tone.dialLevel};
    PureTone leak = toneSound(Signal::Tone, was, index);
    leak.splDb += m_profile.toneOffLeakageDb;
    return leak;
}

} // namespace tonva

#pragma once

#include "meter/MeterTables.h"
#include "platform/Interaction.h"
#include "sim/AudiometerProfile.h"
#include "sim/SceneDriver.h"

#include <QString>
#include <array>
#include <cstddef>
#include <optional>

namespace tonva {

using PerFrequencyDb = std::array<double, meter::kTestFrequencyCount>;

// What lies between one transducer's dial and the meter's reading, as the host will undo it.
struct TransducerCoupling
{
    // The reference level (RETSPL, RETFL or sound-field level) the test set-up holds.
    PerFrequencyDb referenceDb{};
    // Coupler, microphone and grid corrections the host subtracts from the band level.
    PerFrequencyDb correctionDb{};
};

// The host's view of the whole chain, handed in by whoever sets the simulation up, so that what the
// meter hears is exactly what the host's arithmetic turns back into the dial level plus the
// audiometer's own error.
struct AudiometerCoupling
{
    static constexpr int kTransducerTypes = AudiometerProfile::kTransducerTypes;

    std::array<TransducerCoupling, kTransducerTypes> transducers{};
    // Added to the reference level for narrow-band masking.
    PerFrequencyDb narrowBandCorrectionDb{};
    // Added to the 1000 Hz reference level for speech.
    double speechCorrectionDb = 0.0;
    // The bone vibrator's RETFL on the forehead; the transducer's own reference is the mastoid's.
    // Its correctionDb is the mastoid's, in the room the audiometer is tested in: the force level
    // reaches the meter through it.
    PerFrequencyDb boneForeheadReferenceDb{};
    // The loudspeakers' reference levels at 45 and 90 degrees incidence and for binaural listening;
    // the speakers' own referenceDb is the one at 0 degrees, and serves where these are not given.
    std::optional<PerFrequencyDb> speakerReference45Db;
    std::optional<PerFrequencyDb> speakerReference90Db;
    std::optional<PerFrequencyDb> speakerReferenceBinauralDb;

    // Copies a per-frequency array of the test record.
    template<class T> static PerFrequencyDb perFrequency(const T (&values)[meter::kTestFrequencyCount])
    {
        PerFrequencyDb copy{};
        for (std::size_t i = 0; i < copy.size(); ++i)
            copy[i] = static_cast<double>(values[i]);
        return copy;
    }
};

// One channel's dial as the technician left it.
struct DialSetting
{
    std::optional<TransducerType> transducer;
    std::optional<Ear> ear;
    QString signal;
    double frequencyHz = 0.0;
    double dialLevel = 0.0;
    bool on = false;
};

// An audiometer under test: two channels of dials, a device profile that says how far its output
// departs from the dial, and an output that reaches the meter through the given coupling. Channel
// 1 carries tones and speech, channel 2 masking noise. A "Set ..." prompt describes the whole
// presentation, so applying one switches the other channel off.
class SimulatedAudiometer
{
public:
    static constexpr int kChannels = 2;

    SimulatedAudiometer(SceneDriver &scene, AudiometerProfile profile, AudiometerCoupling coupling = {});

    // Sets the dials as the stimulus asks and presents the result. False, with the reason, for a
    // stimulus this audiometer cannot produce or a scene that cannot be reached.
    bool apply(const Stimulus &stimulus, QString *error = nullptr);
    // What the meter would hear for `stimulus`, without touching the dials.
    std::optional<Sound> soundFor(const Stimulus &stimulus, QString *error = nullptr) const;

    // The ear whose earphone sits on the coupler; until one is set, the coupler follows the driven ear.
    void setEarOnCoupler(Ear ear) { m_earOnCoupler = static_cast<int>(ear); }
    void setCoupling(const AudiometerCoupling &coupling) { m_coupling = coupling; }
    const AudiometerCoupling &coupling() const { return m_coupling; }
    const AudiometerProfile &profile() const { return m_profile; }
    const DialSetting &channel(int index) const { return m_channels.at(static_cast<std::size_t>(index)); }

private:
    enum class Signal
    {
        Tone,
        Pulsed,
        Fm,
        NarrowBand,
        BroadbandNoise,
        Speech,
        Off
    };
    // What one stimulus comes to: its signal, the dials as they can be set, and what the meter hears.
    struct Presentation
    {
        Signal signal;
        Stimulus set;
        Sound sound;
    };
    static std::optional<Signal> signalOf(const QString &name);
    static int channelOf(Signal signal);

    std::optional<Presentation> presentationFor(const Stimulus &stimulus, QString *error) const;

    PureTone toneSound(Signal signal, const Stimulus &stimulus, int index) const;
    Sound narrowBandSound(const Stimulus &stimulus, int index) const;
    Sound narrowBandAround(int centre, double centreDb) const;
    Sound spreadNoise(double overallDb, bool shaped) const;
    // Masking noise: equal power per hertz over the audiometric bands, bent by the source's shape, the
    // bands together carrying `overallDb`.
    Sound whiteNoise(double overallDb, const FrequencyTable &shapeDb) const;
    // The profile's masking source of a stimulus: 0 the internal generator, 1 tape/CD A, 2 tape/CD B.
    static int maskingSourceOf(SignalSource source);
    // Speech: the 1000 Hz calibration tone of the microphone and tape inputs, or speech noise.
    Sound speechSound(const Stimulus &stimulus) const;
    // The reference level of the stimulus's transducer, by incidence and binaural for the speakers.
    double referenceDb(const Stimulus &stimulus, int index) const;
    Sound offSound() const;
    // A tone set up but switched off: what leaks through its switch.
    Sound leakOf(const Stimulus &stimulus, int index) const;
    // The stimulus as the dial can be set: no higher than the audiometer's maximum at that frequency.
    Stimulus withinRange(const Stimulus &asked, double frequencyHz) const;
    // Dial + reference + corrections of the stimulus's transducer at frequency `index`.
    double dialAtMeterDb(const Stimulus &stimulus, int index) const;
    // What the earphone on the coupler hears of a signal driven into `ear`.
    double crossTalkDb(const Stimulus &stimulus) const;
    int couplerEar(const Stimulus &stimulus) const;

    SceneDriver &m_scene;
    AudiometerProfile m_profile;
    AudiometerCoupling m_coupling;
    std::array<DialSetting, kChannels> m_channels;
    int m_earOnCoupler = -1;
};

} // namespace tonva

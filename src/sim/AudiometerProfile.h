#pragma once

#include "platform/Interaction.h"
#include "sim/AcousticScene.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <map>
#include <optional>

namespace tonva {

// A value that may differ by nominal frequency: one value for every frequency, with exceptions.
class FrequencyTable
{
public:
    FrequencyTable() = default;
    explicit FrequencyTable(double everywhere) : m_default(everywhere) {}

    // The value at `frequencyHz`, or the table's default, or nothing when it has neither.
    std::optional<double> find(double frequencyHz) const;
    double at(double frequencyHz) const { return find(frequencyHz).value_or(0.0); }
    void set(double frequencyHz, double value) { m_values[frequencyHz] = value; }
    void setDefault(double value) { m_default = value; }

private:
    std::map<double, double> m_values;
    std::optional<double> m_default;
};

// 2nd to 5th harmonic relative to the fundamental, dB.
using HarmonicLevels = std::array<double, 4>;

// Harmonics by transducer and frequency: one list for everything, or per transducer a default list
// with exceptions by nominal frequency.
class HarmonicsTable
{
public:
    static constexpr int kTransducerTypes = 5;

    HarmonicLevels at(int transducer, double frequencyHz) const;
    void setEverywhere(const HarmonicLevels &levels) { m_everywhere = levels; }
    void setDefault(int transducer, const HarmonicLevels &levels);
    void set(int transducer, double frequencyHz, const HarmonicLevels &levels);

private:
    HarmonicLevels m_everywhere{-200.0, -200.0, -200.0, -200.0};
    std::array<std::optional<HarmonicLevels>, kTransducerTypes> m_defaults;
    std::array<std::map<double, HarmonicLevels>, kTransducerTypes> m_byFrequency;
};

// How the audiometer under test departs from what its dial says. Loaded from a JSON object (the
// keys are the member names below); keys left out keep these defaults, which describe a perfect
// audiometer with the usual FM of 5 Hz and 10 %.
//
// Per-frequency values are written either as one number for every frequency or as an object whose
// keys are nominal frequencies in Hz ("4000") plus an optional "default".
struct AudiometerProfile
{
    static constexpr int kTransducerTypes = 5;
    static constexpr int kAnyEar = 3;

    // dB by transducer type, then ear (0 left, 1 right, 2 both, 3 any ear not listed itself).
    // JSON: {"supra-aural": {"right": {"4000": 3.5}, "any": 0.2}}.
    std::array<std::array<FrequencyTable, 4>, kTransducerTypes> levelErrorDb;
    // The highest dial setting per frequency; asked for more, the technician can set no more
    // ("or max level"). Defaults are those of a typical clinical audiometer for air conduction.
    FrequencyTable maxDialLevelDb = typicalMaximumLevels();
    // Percent the tone's frequency lies above the dial frequency.
    FrequencyTable frequencyErrorPercent;
    // The modulation the audiometer really produces, whatever its front panel states.
    FrequencyTable fmRateHz{5.0};
    FrequencyTable fmDeviationPercent{10.0};
    // Narrow-band masking: level error at the centre band, and how far the neighbouring third-octave
    // bands lie below it (the noise is wider than one band but not by much).
    FrequencyTable narrowBandLevelErrorDb;
    double narrowBandSkirtDb = -20.0;
    // 2nd to 5th harmonic relative to the fundamental. JSON: [-55, -62, -70, -78], or
    // {"supra-aural": {"default": [...], "1000": [...]}, "bone": [...]}.
    HarmonicsTable harmonicsDb;
    // Envelope of the pulsed tone by ear (0 left, 1 right). JSON: one envelope for both, or
    // {"left": {...}, "right": {...}}.
    std::array<PulseEnvelope, 2> pulse;
    // Level the earphone on the coupler gives while only the other one is driven, relative to the
    // driven one. Named as the cross-talk rows name them: leftToRight is heard at the left earphone
    // with the right one driven. JSON: one number for both, or {"leftToRight": .., "rightToLeft": ..}.
    struct CrossTalk
    {
        double leftToRight = -200.0;
        double rightToLeft = -200.0;
        CrossTalk &operator=(double both)
        {
            leftToRight = rightToLeft = both;
            return *this;
        }
    };
    CrossTalk crossTalkDb;
    // dB the attenuator adds at a dial level (keys are dial levels in dB HL), on every frequency and
    // transducer.
    FrequencyTable attenuatorErrorDb;
    // The lowest dial setting; "audiometer minimum" sets this.
    double minDialLevelDb = -10.0;
    // Level a switched-off tone still leaks, relative to its on level.
    double toneOffLeakageDb = -200.0;
    // Broadband masking noise by source (0 the internal white noise, 1 tape/CD A, 2 tape/CD B): level
    // error, and band shape relative to flat white noise (keys are third-octave band centres). JSON:
    // one value for every source, or {"white": .., "tapeA": .., "tapeB": ..}.
    static constexpr int kMaskingSources = 3;
    std::array<double, kMaskingSources> maskingNoiseLevelErrorDb{};
    std::array<FrequencyTable, kMaskingSources> maskingNoiseShapeDb;
    // Speech channel: one error for every source, or its own for a source. JSON: -0.5, or
    // {"mic": 0, "tapeA": 0, "tapeB": 3.6, "speechNoise": 0} (sources left out take 0).
    double speechLevelErrorDb = 0.0;
    std::array<std::optional<double>, 4> speechSourceErrorDb;

    static FrequencyTable typicalMaximumLevels();

    // Error of transducer `transducer` at `frequencyHz` for `ear`; 0 where the profile says nothing.
    double levelError(int transducer, int ear, double frequencyHz) const;
    // Error of the speech channel fed from `source`; the internal source counts as the microphone.
    double speechErrorOf(SignalSource source) const;
    // The pulsed tone of `ear`; the left one for both ears or none in particular.
    const PulseEnvelope &pulseOf(int ear) const { return pulse[ear == 1 ? 1 : 0]; }

    // The shipped profiles are about a kilobyte; anything near this is not a profile.
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;

    static std::optional<AudiometerProfile> fromJson(const QByteArray &json, QString *error = nullptr);
    static std::optional<AudiometerProfile> fromFile(const QString &path, QString *error = nullptr);
    // A profile file, or the name of a profile shipped with the program ("good", "faulty").
    static std::optional<AudiometerProfile> load(const QString &nameOrPath, QString *error = nullptr);
};

} // namespace tonva

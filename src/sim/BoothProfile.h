#pragma once

#include "sim/AcousticScene.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace tonva {

// A test booth as the simulated meter hears it: a steady background per third-octave band that
// wanders a little from one reading to the next, so that averaging has something to average.
struct BoothProfile
{
    QString name;
    // Bands not given are silent: far below anything the meter hears.
    BroadbandNoise background = BroadbandNoise::flatPerBand(kSilentBandDb);
    // Each reading's background lies up to this many dB either side of its level.
    double sampleSpreadDb = 0.0;

    static constexpr double kSilentBandDb = -200.0;
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;

    static std::optional<BoothProfile> fromJson(const QByteArray &json, QString *error = nullptr);
    static std::optional<BoothProfile> fromFile(const QString &path, QString *error = nullptr);
    // A shipped booth by name ("quiet-booth", "noisy-booth") or a JSON file.
    static std::optional<BoothProfile> load(const QString &nameOrPath, QString *error = nullptr);

    // Puts the booth's noise behind whatever else the scene plays.
    void presentIn(AcousticScene &scene) const { scene.setBackground(background, sampleSpreadDb); }
};

} // namespace tonva

#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace tonva {

// The properties that tell one meter from another. Loaded from a JSON object whose keys are the
// member names below; keys left out keep these defaults.
struct TrellanProfile
{
    QString firmware = QStringLiteral("3.600");
    // Short enough for the host's 50-byte identity read, checksum and line end included.
    QString model = QStringLiteral("Mervane Trellan 2240 SLM");
    QString serial = QStringLiteral("TR41873");
    // Offset the meter reports with "Q227" and adds to its own displayed levels.
    double calibrationOffset = 0.83;
    // How far the meter reads high before it is recalibrated (dB, added to every level).
    double calibrationError = 0.0;
    double calibrationLevel = 114.0;
    double batteryPercent = 87.0;
    QString batteryState = QStringLiteral("OK");
    double batteryVolts = 7.9;
    int transducer = 0;
    // Instrument code loaded at power-on (1 "SSA" .. 10 "TAL").
    int instrument = 1;

    // A profile is a few hundred bytes; anything near this is not one.
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;

    static std::optional<TrellanProfile> fromJson(const QByteArray &json, QString *error = nullptr);
    static std::optional<TrellanProfile> fromFile(const QString &path, QString *error = nullptr);
};

} // namespace tonva

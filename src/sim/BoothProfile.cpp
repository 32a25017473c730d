#include "sim/BoothProfile.h"

#include "platform/BoundedFile.h"
#include "sim/Failure.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace tonva {

namespace {

// The band whose nominal centre is written as `key` ("125", "3150", "31.5").
int bandOfKey(const QString &key)
{
    bool ok = false;
    const double hz = key.toDouble(&ok);
    if (!ok)
        return -1;
    for (int band = 0; band < kThirdOctaveBands; ++band) {
        if (std::abs(meter::kBandCentres[static_cast<std::size_t>(band)] - hz) < 1e-6)
            return band;
    }
    return -1;
}

} // namespace

std::optional<BoothProfile> BoothProfile::fromJson(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return failed(error, QStringLiteral("Booth profile is not valid JSON at offset %1: %2")
                                 .arg(parseError.offset)
                                 .arg(parseError.errorString()));
    if (!document.isObject())
        return failed(error, QStringLiteral("Booth profile must be a JSON object"));

    BoothProfile profile;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = it.key();
        const QJsonValue value = it.value();
        if (key == QLatin1String("name")) {
            if (!value.isString())
                return failed(error, QStringLiteral("Booth profile key 'name' must be a text"));
            profile.name = value.toString();
        } else if (key == QLatin1String("sampleSpreadDb")) {
            // More than a few dB would no longer pass the meter's stability check.
            if (!value.isDouble() || value.toDouble() < 0.0 || value.toDouble() > 3.0)
                return failed(error, QStringLiteral("Booth profile key 'sampleSpreadDb' must be a number "
                                                    "from 0 to 3"));
            profile.sampleSpreadDb = value.toDouble();
        } else if (key == QLatin1String("bandLevelsDb")) {
            if (!value.isObject())
                return failed(error, QStringLiteral("Booth profile key 'bandLevelsDb' must be an object of "
                                                    "band centres in Hz"));
            const QJsonObject bands = value.toObject();
            for (auto band = bands.begin(); band != bands.end(); ++band) {
                const int index = bandOfKey(band.key());
                if (index < 0)
                    return failed(error, QStringLiteral("'%1' in 'bandLevelsDb' is not the centre of a "
                                                        "third-octave band from 12.5 to 20000 Hz")
                                             .arg(band.key()));
                if (!band.value().isDouble() || std::abs(band.value().toDouble()) > 150.0)
                    return failed(error, QStringLiteral("Level of band '%1' must be a number of dB SPL "
                                                        "from -150 to 150")
                                             .arg(band.key()));
                profile.background.bandLevels[static_cast<std::size_t>(index)] = band.value().toDouble();
            }
        } else {
            return failed(error, QStringLiteral("Unknown booth profile key '%1'").arg(key));
        }
    }
    return profile;
}

std::optional<BoothProfile> BoothProfile::fromFile(const QString &path, QString *error)
{
    QString reason;
    const std::optional<QByteArray> json = readWholeFile(path, kMaxFileBytes, &reason);
    if (!json)
        return failed(error, QStringLiteral("Cannot read booth profile %1: %2").arg(path, reason));
    std::optional<BoothProfile> profile = fromJson(*json, error);
    if (!profile && error)
        *error = QStringLiteral("%1: %2").arg(path, *error);
    return profile;
}

std::optional<BoothProfile> BoothProfile::load(const QString &nameOrPath, QString *error)
{
    if (QFileInfo::exists(nameOrPath))
        return fromFile(nameOrPath, error);
    const QString shipped = QStringLiteral(":/booths/%1.json").arg(nameOrPath);
    if (!nameOrPath.contains(QLatin1Char('/')) && QFileInfo::exists(shipped))
        return fromFile(shipped, error);
    QStringList names = QDir(QStringLiteral(":/booths")).entryList({QStringLiteral("*.json")}, QDir::Files);
    for (QString &name : names)
        name.chop(5);
    return failed(error, QStringLiteral("No booth profile '%1': give a profile file or one of %2")
                             .arg(nameOrPath, names.join(QStringLiteral(", "))));
}

} // namespace tonva

#include "sim/TrellanProfile.h"

#include "platform/BoundedFile.h"
#include "sim/Failure.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace tonva {

std::optional<TrellanProfile> TrellanProfile::fromJson(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return failed(error, QStringLiteral("Profile is not valid JSON at offset %1: %2")
                                 .arg(parseError.offset)
                                 .arg(parseError.errorString()));
    if (!document.isObject())
        return failed(error, QStringLiteral("Profile must be a JSON object"));

    TrellanProfile profile;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = it.key();
        const QJsonValue value = it.value();
        const auto wrongType = [&](const char *expected) {
            return failed(error,
                          QStringLiteral("Profile key '%1' must be %2").arg(key, QLatin1String(expected)));
        };
        if (key == QLatin1String("firmware") || key == QLatin1String("model") ||
            key == QLatin1String("serial") || key == QLatin1String("batteryState")) {
            if (!value.isString())
                return wrongType("a text");
            QString &field = key == QLatin1String("firmware") ? profile.firmware
                             : key == QLatin1String("model")  ? profile.model
                             : key == QLatin1String("serial") ? profile.serial
                                                              : profile.batteryState;
            field = value.toString();
        } else if (key == QLatin1String("calibrationOffset") || key == QLatin1String("calibrationError") ||
                   key == QLatin1String("calibrationLevel") || key == QLatin1String("batteryPercent") ||
                   key == QLatin1String("batteryVolts")) {
            if (!value.isDouble())
                return wrongType("a number");
            double &field = key == QLatin1String("calibrationOffset")  ? profile.calibrationOffset
                            : key == QLatin1String("calibrationError") ? profile.calibrationError
                            : key == QLatin1String("calibrationLevel") ? profile.calibrationLevel
                            : key == QLatin1String("batteryPercent")   ? profile.batteryPercent
                                                                       : profile.batteryVolts;
            field = value.toDouble();
        } else if (key == QLatin1String("transducer")) {
            if (!value.isDouble() || value.toInt(-1) < 0 || value.toInt(-1) > 1)
                return wrongType("0 or 1");
            profile.transducer = value.toInt();
        } else if (key == QLatin1String("instrument")) {
            if (!value.isDouble() || value.toInt(-1) < 1 || value.toInt(-1) > 10)
                return wrongType("an instrument code from 1 to 10");
            profile.instrument = value.toInt();
        } else {
            return failed(error, QStringLiteral("Unknown profile key '%1'").arg(key));
        }
    }
    return profile;
}

std::optional<TrellanProfile> TrellanProfile::fromFile(const QString &path, QString *error)
{
    QString reason;
    const std::optional<QByteArray> json = readWholeFile(path, kMaxFileBytes, &reason);
    if (!json)
        return failed(error, QStringLiteral("Cannot read profile %1: %2").arg(path, reason));
    return fromJson(*json, error);
}

} // namespace tonva

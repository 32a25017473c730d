#include "sim/SoundJson.h"

#include "sim/Failure.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <cmath>

namespace tonva {

namespace {

// What a sound source and the meter can physically produce; anything outside is a mistake.
constexpr double kLowestDb = -300.0;
constexpr double kHighestSplDb = 200.0;
constexpr double kHighestFrequencyHz = 100000.0;
constexpr double kHighestRateHz = 1000.0;
constexpr double kLongestPulsePartMs = 60000.0;

QJsonArray toArray(const auto &values)
{
    QJsonArray array;
    for (const double value : values)
        array.append(value);
    return array;
}

class SoundReader
{
public:
    explicit SoundReader(QString *error) : m_error(error) {}

    std::optional<Sound> read(const QJsonObject &object)
    {
        const QString kind = object.value(QLatin1String("sound")).toString();
        if (kind == QLatin1String("silence")) {
            if (!onlyKeys(object, {QStringLiteral("sound")}))
                return std::nullopt;
            return Silence{};
        }
        if (kind == QLatin1String("tone"))
            return readTone(object);
        if (kind == QLatin1String("noise"))
            return readNoise(object);
        fail(QStringLiteral("'sound' must be \"tone\", \"noise\" or \"silence\""));
        return std::nullopt;
    }

private:
    std::optional<Sound> readTone(const QJsonObject &object)
    {
        if (!onlyKeys(object,
                      {QStringLiteral("sound"), QStringLiteral("frequencyHz"), QStringLiteral("splDb"),
                       QStringLiteral("harmonicsDb"), QStringLiteral("fm"), QStringLiteral("pulse")}))
            return std::nullopt;
        PureTone tone;
        if (!number(object, "frequencyHz", 1e-3, kHighestFrequencyHz, tone.frequencyHz) ||
            !number(object, "splDb", kLowestDb, kHighestSplDb, tone.splDb))
            return std::nullopt;
        if (object.contains(QLatin1String("harmonicsDb"))) {
            const QJsonArray list = object.value(QLatin1String("harmonicsDb")).toArray();
            if (list.size() != 4)
                return failed(QStringLiteral("'harmonicsDb' must list the 2nd to 5th harmonic (4 numbers)"));
            for (int k = 0; k < 4; ++k) {
                if (!inRange(list[k], kLowestDb, 0.0, QStringLiteral("harmonicsDb"), tone.harmonicsDb[k]))
                    return std::nullopt;
            }
        }
        if (object.contains(QLatin1String("fm"))) {
            const QJsonObject fm = object.value(QLatin1String("fm")).toObject();
            FrequencyModulation modulation;
            if (!onlyKeys(fm, {QStringLiteral("rateHz"), QStringLiteral("deviationPercent")}) ||
                !number(fm, "rateHz", 1e-3, kHighestRateHz, modulation.rateHz) ||
                !number(fm, "deviationPercent", 0.0, 100.0, modulation.deviationPercent))
                return std::nullopt;
            tone.fm = modulation;
        }
        if (object.contains(QLatin1String("pulse"))) {
            const QJsonObject pulse = object.value(QLatin1String("pulse")).toObject();
            PulseEnvelope envelope;
            if (!onlyKeys(pulse, {QStringLiteral("riseMs"), QStringLiteral("fallMs"), QStringLiteral("onMs"),
                                  QStringLiteral("offMs"), QStringLiteral("offLevelDb")}) ||
                !number(pulse, "riseMs", 0.0, kLongestPulsePartMs, envelope.riseMs) ||
                !number(pulse, "fallMs", 0.0, kLongestPulsePartMs, envelope.fallMs) ||
                !number(pulse, "onMs", 0.0, kLongestPulsePartMs, envelope.onMs) ||
                !number(pulse, "offMs", 0.0, kLongestPulsePartMs, envelope.offMs) ||
                !number(pulse, "offLevelDb", kLowestDb, 0.0, envelope.offLevelDb))
                return std::nullopt;
            tone.pulse = envelope;
        }
        return tone;
    }

    std::optional<Sound> readNoise(const QJsonObject &object)
    {
        if (!onlyKeys(object, {QStringLiteral("sound"), QStringLiteral("bandLevelsDb")}))
            return std::nullopt;
        const QJsonArray list = object.value(QLatin1String("bandLevelsDb")).toArray();
        if (list.size() != kThirdOctaveBands)
            return failed(
                QStringLiteral("'bandLevelsDb' must list the %1 third-octave bands").arg(kThirdOctaveBands));
        BroadbandNoise noise;
        for (int band = 0; band < kThirdOctaveBands; ++band) {
            if (!inRange(list[band], kLowestDb, kHighestSplDb, QStringLiteral("bandLevelsDb"),
                         noise.bandLevels[static_cast<std::size_t>(band)]))
                return std::nullopt;
        }
        return noise;
    }

    bool onlyKeys(const QJsonObject &object, const QSet<QString> &allowed)
    {
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!allowed.contains(it.key()))
                return fail(QStringLiteral("Unknown key '%1'").arg(it.key()));
        }
        return true;
    }

    bool number(const QJsonObject &object, const char *key, double low, double high, double &out)
    {
        if (!object.contains(QLatin1String(key)))
            return fail(QStringLiteral("'%1' is missing").arg(QLatin1String(key)));
        return inRange(object.value(QLatin1String(key)), low, high, QLatin1String(key), out);
    }

    bool inRange(const QJsonValue &value, double low, double high, const QString &key, double &out)
    {
        const double number = value.toDouble(std::nan(""));
        if (!value.isDouble() || !std::isfinite(number) || number < low || number > high)
            return fail(QStringLiteral("'%1' must be a number from %2 to %3").arg(key).arg(low).arg(high));
        out = number;
        return true;
    }

    std::nullopt_t failed(const QString &text) const { return tonva::failed(m_error, text); }
    bool fail(const QString &text) const { return tonva::fail(m_error, text); }

    QString *m_error;
};

} // namespace

QByteArray soundToJson(const Sound &sound)
{
    QJsonObject object;
    if (const auto *tone = std::get_if<PureTone>(&sound)) {
        object.insert(QStringLiteral("sound"), QStringLiteral("tone"));
        object.insert(QStringLiteral("frequencyHz"), tone->frequencyHz);
        object.insert(QStringLiteral("splDb"), tone->splDb);
        object.insert(QStringLiteral("harmonicsDb"), toArray(tone->harmonicsDb));
        if (tone->fm)
            object.insert(QStringLiteral("fm"),
                          QJsonObject{{QStringLiteral("rateHz"), tone->fm->rateHz},
                                      {QStringLiteral("deviationPercent"), tone->fm->deviationPercent}});
        if (tone->pulse)
            object.insert(QStringLiteral("pulse"),
                          QJsonObject{{QStringLiteral("riseMs"), tone->pulse->riseMs},
                                      {QStringLiteral("fallMs"), tone->pulse->fallMs},
                                      {QStringLiteral("onMs"), tone->pulse->onMs},
                                      {QStringLiteral("offMs"), tone->pulse->offMs},
                                      {QStringLiteral("offLevelDb"), tone->pulse->offLevelDb}});
    } else if (const auto *noise = std::get_if<BroadbandNoise>(&sound)) {
        object.insert(QStringLiteral("sound"), QStringLiteral("noise"));
        object.insert(QStringLiteral("bandLevelsDb"), toArray(noise->bandLevels));
    } else {
        object.insert(QStringLiteral("sound"), QStringLiteral("silence"));
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<Sound> soundFromJson(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return failed(error, QStringLiteral("Not valid JSON at offset %1: %2")
                                 .arg(parseError.offset)
                                 .arg(parseError.errorString()));
    if (!document.isObject())
        return failed(error, QStringLiteral("The sound must be a JSON object"));
    return SoundReader(error).read(document.object());
}

} // namespace tonva

#include "sim/AudiometerProfile.h"

#include "platform/BoundedFile.h"
#include "sim/Failure.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

namespace tonva {

namespace {

// Dial frequencies are written as whole or half hertz; anything closer than this is the same one.
constexpr double kSameFrequencyHz = 0.05;

constexpr std::array<const char *, AudiometerProfile::kTransducerTypes> kTransducerKeys{
    "supra-aural", "bone", "speakers", "insert", "circumaural"};
constexpr std::array<const char *, 4> kEarKeys{"left", "right", "both", "any"};
constexpr std::array<const char *, 4> kSpeechSourceKeys{"mic", "tapeA", "tapeB", "speechNoise"};
constexpr std::array<const char *, AudiometerProfile::kMaskingSources> kMaskingSourceKeys{"white", "tapeA", "tapeB"};
const QString kMaskingSourceList = QStringLiteral("white, tapeA, tapeB");

// Reads the JSON into a profile, stopping at the first thing it cannot take.
class ProfileReader
{
public:
    explicit ProfileReader(QString *error) : m_error(error) {}

    bool read(const QJsonObject &object, AudiometerProfile &profile)
    {
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!readKey(it.key(), it.value(), profile))
                return false;
        }
        return true;
    }

private:
    bool readKey(const QString &key, const QJsonValue &value, AudiometerProfile &p)
    {
        const auto is = [&key](const char *name) { return key == QLatin1String(name); };
        if (is("levelErrorDb"))
            return readLevelErrors(value, p);
        if (is("maxDialLevelDb"))
            return readTable(key, value, p.maxDialLevelDb);
        if (is("frequencyErrorPercent"))
            return readTable(key, value, p.frequencyErrorPercent);
        if (is("fmRateHz"))
            return readTable(key, value, p.fmRateHz);
        if (is("fmDeviationPercent"))
            return readTable(key, value, p.fmDeviationPercent);
        if (is("narrowBandLevelErrorDb"))
            return readTable(key, value, p.narrowBandLevelErrorDb);
        if (is("maskingNoiseShapeDb"))
            return readMaskingShapes(value, p.maskingNoiseShapeDb);
        if (is("narrowBandSkirtDb"))
            return readNumber(key, value, p.narrowBandSkirtDb);
        if (is("crossTalkDb"))
            return readCrossTalk(value, p.crossTalkDb);
        if (is("attenuatorErrorDb"))
            return readTable(key, value, p.attenuatorErrorDb, true);
        if (is("minDialLevelDb"))
            return readNumber(key, value, p.minDialLevelDb);
        if (is("toneOffLeakageDb"))
            return readNumber(key, value, p.toneOffLeakageDb);
        if (is("maskingNoiseLevelErrorDb"))
            return readMaskingLevels(value, p.maskingNoiseLevelErrorDb);
        if (is("speechLevelErrorDb"))
            return readSpeechErrors(value, p);
        if (is("harmonicsDb"))
            return readHarmonics(value, p.harmonicsDb);
        if (is("pulse"))
            return readPulses(value, p.pulse);
        if (is("name") || is("description"))
            return value.isString() || fail(QStringLiteral("Profile key '%1' must be a text").arg(key));
        return fail(QStringLiteral("Unknown profile key '%1'").arg(key));
    }

    bool readLevelErrors(const QJsonValue &value, AudiometerProfile &p)
    {
        if (!value.isObject())
            return fail(QStringLiteral("Profile key 'levelErrorDb' must be an object of transducers"));
        const QJsonObject transducers = value.toObject();
        for (auto t = transducers.begin(); t != transducers.end(); ++t) {
            const int transducer = indexOf(kTransducerKeys, t.key());
            if (transducer < 0)
                return fail(
                    QStringLiteral("Unknown transducer '%1' in 'levelErrorDb' (use %2)")
                        .arg(t.key(), QStringLiteral("supra-aural, bone, speakers, insert, circumaural")));
            if (!t.value().isObject())
                return fail(QStringLiteral("'levelErrorDb.%1' must be an object of ears").arg(t.key()));
            const QJsonObject ears = t.value().toObject();
            for (auto e = ears.begin(); e != ears.end(); ++e) {
                const int ear = indexOf(kEarKeys, e.key());
                if (ear < 0)
                    return fail(
                        QStringLiteral("Unknown ear '%1' in 'levelErrorDb.%2' (use left, right, both, any)")
                            .arg(e.key(), t.key()));
                if (!readTable(QStringLiteral("levelErrorDb.%1.%2").arg(t.key(), e.key()), e.value(),
                               p.levelErrorDb[static_cast<size_t>(transducer)][static_cast<size_t>(ear)]))
                    return false;
            }
        }
        return true;
    }

    bool readSpeechErrors(const QJsonValue &value, AudiometerProfile &p)
    {
        if (value.isDouble())
            return readNumber(QStringLiteral("speechLevelErrorDb"), value, p.speechLevelErrorDb);
        if (!value.isObject())
            return fail(QStringLiteral("Profile key 'speechLevelErrorDb' must be a number or an object of "
                                       "sources (mic, tapeA, tapeB, speechNoise)"));
        // A source the object leaves out is in order.
        p.speechLevelErrorDb = 0.0;
        const QJsonObject sources = value.toObject();
        for (auto it = sources.begin(); it != sources.end(); ++it) {
            const int source = indexOf(kSpeechSourceKeys, it.key());
            if (source < 0)
                return fail(QStringLiteral("Unknown source '%1' in 'speechLevelErrorDb' (use mic, tapeA, tapeB, "
                                           "speechNoise)")
                                .arg(it.key()));
            double number = 0.0;
            if (!readNumber(QStringLiteral("speechLevelErrorDb.%1").arg(it.key()), it.value(), number))
                return false;
            p.speechSourceErrorDb[static_cast<size_t>(source)] = number;
        }
        return true;
    }

    // An object naming no source is one frequency table for every source, as profiles wrote it before
    // the sources could differ.
    static bool namesMaskingSources(const QJsonValue &value)
    {
        const QJsonObject object = value.toObject();
        return std::any_of(kMaskingSourceKeys.begin(), kMaskingSourceKeys.end(),
                           [&object](const char *name) { return object.contains(QLatin1String(name)); });
    }

    bool readMaskingLevels(const QJsonValue &value, std::array<double, AudiometerProfile::kMaskingSources> &levels)
    {
        const QString key = QStringLiteral("maskingNoiseLevelErrorDb");
        if (value.isDouble())
            return readNumber(key, value, levels[0]) && (levels.fill(levels[0]), true);
        if (!value.isObject())
            return fail(QStringLiteral("Profile key '%1' must be a number or an object of %2").arg(key, kMaskingSourceList));
        const QJsonObject sources = value.toObject();
        for (auto it = sources.begin(); it != sources.end(); ++it) {
            const int source = indexOf(kMaskingSourceKeys, it.key());
            if (source < 0)
                return fail(QStringLiteral("Unknown source '%1' in '%2' (use %3)").arg(it.key(), key, kMaskingSourceList));
            if (!readNumber(QStringLiteral("%1.%2").arg(key, it.key()), it.value(), levels[static_cast<size_t>(source)]))
                return false;
        }
        return true;
    }

    bool readMaskingShapes(const QJsonValue &value,
                           std::array<FrequencyTable, AudiometerProfile::kMaskingSources> &shapes)
    {
        const QString key = QStringLiteral("maskingNoiseShapeDb");
        if (!namesMaskingSources(value))
            return readTable(key, value, shapes[0]) && (shapes.fill(shapes[0]), true);
        const QJsonObject sources = value.toObject();
        for (auto it = sources.begin(); it != sources.end(); ++it) {
            const int source = indexOf(kMaskingSourceKeys, it.key());
            if (source < 0)
                return fail(QStringLiteral("Unknown source '%1' in '%2' (use %3)").arg(it.key(), key, kMaskingSourceList));
            if (!readTable(QStringLiteral("%1.%2").arg(key, it.key()), it.value(), shapes[static_cast<size_t>(source)]))
                return false;
        }
        return true;
    }

    bool readCrossTalk(const QJsonValue &value, AudiometerProfile::CrossTalk &crossTalk)
    {
        double both = 0.0;
        if (value.isDouble())
            return readNumber(QStringLiteral("crossTalkDb"), value, both) && (crossTalk = both, true);
        if (!value.isObject())
            return fail(QStringLiteral(
                "Profile key 'crossTalkDb' must be a number or an object with leftToRight and rightToLeft"));
        const QJsonObject directions = value.toObject();
        for (auto it = directions.begin(); it != directions.end(); ++it) {
            double *field = it.key() == QLatin1String("leftToRight")   ? &crossTalk.leftToRight
                            : it.key() == QLatin1String("rightToLeft") ? &crossTalk.rightToLeft
                                                                       : nullptr;
            if (!field)
                return fail(QStringLiteral("Unknown key 'crossTalkDb.%1' (use leftToRight, rightToLeft)")
                                .arg(it.key()));
            if (!readNumber(QStringLiteral("crossTalkDb.%1").arg(it.key()), it.value(), *field))
                return false;
        }
        return true;
    }

    // Keys are frequencies in Hz, or with `keysAreLevels` dial levels in dB HL (zero and below too).
    bool readTable(const QString &key, const QJsonValue &value, FrequencyTable &table,
                   bool keysAreLevels = false)
    {
        double number = 0.0;
        if (value.isDouble())
            return readNumber(key, value, number) && (table.setDefault(number), true);
        if (!value.isObject())
            return fail(
                QStringLiteral("Profile key '%1' must be a number or an object of frequencies").arg(key));
        const QJsonObject entries = value.toObject();
        for (auto it = entries.begin(); it != entries.end(); ++it) {
            const QString entryKey = QStringLiteral("%1.%2").arg(key, it.key());
            if (!readNumber(entryKey, it.value(), number))
                return false;
            if (it.key() == QLatin1String("default")) {
                table.setDefault(number);
                continue;
            }
            bool ok = false;
            const double hz = it.key().toDouble(&ok);
            if (keysAreLevels && (!ok || !std::isfinite(hz)))
                return fail(QStringLiteral("'%1' is not a dial level in dB HL").arg(entryKey));
            if (!keysAreLevels && (!ok || !std::isfinite(hz) || hz <= 0.0))
                return fail(QStringLiteral("'%1' is not a frequency in Hz").arg(entryKey));
            table.set(hz, number);
        }
        return true;
    }

    bool readHarmonics(const QJsonValue &value, HarmonicsTable &table)
    {
        HarmonicLevels levels{};
        if (value.isArray())
            return readHarmonicList(QStringLiteral("harmonicsDb"), value, levels) &&
                   (table.setEverywhere(levels), true);
        if (!value.isObject())
            return fail(QStringLiteral(
                "Profile key 'harmonicsDb' must list the 2nd to 5th harmonic (4 numbers) or be an object of "
                "transducers"));
        const QJsonObject transducers = value.toObject();
        for (auto t = transducers.begin(); t != transducers.end(); ++t) {
            const int transducer = indexOf(kTransducerKeys, t.key());
            const QString key = QStringLiteral("harmonicsDb.%1").arg(t.key());
            if (t.key() == QLatin1String("default")) {
                if (!readHarmonicList(key, t.value(), levels))
                    return false;
                table.setEverywhere(levels);
                continue;
            }
            if (transducer < 0)
                return fail(
                    QStringLiteral("Unknown transducer '%1' in 'harmonicsDb' (use %2)")
                        .arg(t.key(), QStringLiteral("supra-aural, bone, speakers, insert, circumaural")));
            if (t.value().isArray()) {
                if (!readHarmonicList(key, t.value(), levels))
                    return false;
                table.setDefault(transducer, levels);
                continue;
            }
            if (!t.value().isObject())
                return fail(QStringLiteral("'%1' must be a list or an object of frequencies").arg(key));
            const QJsonObject entries = t.value().toObject();
            for (auto it = entries.begin(); it != entries.end(); ++it) {
                const QString entryKey = QStringLiteral("%1.%2").arg(key, it.key());
                if (!readHarmonicList(entryKey, it.value(), levels))
                    return false;
                if (it.key() == QLatin1String("default")) {
                    table.setDefault(transducer, levels);
                    continue;
                }
                bool ok = false;
                const double hz = it.key().toDouble(&ok);
                if (!ok || !std::isfinite(hz) || hz <= 0.0)
                    return fail(QStringLiteral("'%1' is not a frequency in Hz").arg(entryKey));
                table.set(transducer, hz, levels);
            }
        }
        return true;
    }

    bool readHarmonicList(const QString &key, const QJsonValue &value, HarmonicLevels &harmonics)
    {
        const QJsonArray list = value.toArray();
        if (!value.isArray() || list.size() != 4)
            return fail(QStringLiteral("Profile key '%1' must list the 2nd to 5th harmonic (4 numbers)").arg(key));
        for (int k = 0; k < 4; ++k) {
            if (!readNumber(QStringLiteral("%1[%2]").arg(key).arg(k), list[k], harmonics[static_cast<size_t>(k)]))
                return false;
        }
        return true;
    }

    bool readPulses(const QJsonValue &value, std::array<PulseEnvelope, 2> &pulses)
    {
        if (!value.isObject())
            return fail(QStringLiteral("Profile key 'pulse' must be an object"));
        const QJsonObject object = value.toObject();
        const bool byEar = object.contains(QLatin1String("left")) || object.contains(QLatin1String("right"));
        if (!byEar) {
            if (!readPulse(QStringLiteral("pulse"), value, pulses[0]))
                return false;
            pulses[1] = pulses[0];
            return true;
        }
        for (auto it = object.begin(); it != object.end(); ++it) {
            const int ear = it.key() == QLatin1String("left") ? 0 : it.key() == QLatin1String("right") ? 1 : -1;
            if (ear < 0)
                return fail(QStringLiteral("Unknown ear 'pulse.%1' (use left, right)").arg(it.key()));
            if (!readPulse(QStringLiteral("pulse.%1").arg(it.key()), it.value(), pulses[static_cast<size_t>(ear)]))
                return false;
        }
        return true;
    }

    bool readPulse(const QString &key, const QJsonValue &value, PulseEnvelope &pulse)
    {
        if (!value.isObject())
            return fail(QStringLiteral("Profile key '%1' must be an object").arg(key));
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            const QString &k = it.key();
            double *field = k == QLatin1String("riseMs")       ? &pulse.riseMs
                            : k == QLatin1String("fallMs")     ? &pulse.fallMs
                            : k == QLatin1String("onMs")       ? &pulse.onMs
                            : k == QLatin1String("offMs")      ? &pulse.offMs
                            : k == QLatin1String("offLevelDb") ? &pulse.offLevelDb
                                                               : nullptr;
            if (!field)
                return fail(QStringLiteral("Unknown key '%1.%2'").arg(key, k));
            if (!readNumber(QStringLiteral("%1.%2").arg(key, k), it.value(), *field))
                return false;
            if (k != QLatin1String("offLevelDb") && *field < 0.0)
                return fail(QStringLiteral("'%1.%2' cannot be negative").arg(key, k));
        }
        return true;
    }

    bool readNumber(const QString &key, const QJsonValue &value, double &number)
    {
        if (!value.isDouble() || !std::isfinite(value.toDouble()))
            return fail(QStringLiteral("Profile key '%1' must be a number").arg(key));
        number = value.toDouble();
        return true;
    }

    template<size_t N> static int indexOf(const std::array<const char *, N> &names, const QString &key)
    {
        for (size_t i = 0; i < N; ++i) {
            if (key == QLatin1String(names[i]))
                return static_cast<int>(i);
        }
        return -1;
    }

    bool fail(const QString &text) const { return tonva::fail(m_error, text); }

    QString *m_error;
};

} // namespace

std::optional<double> FrequencyTable::find(double frequencyHz) const
{
    const auto it = m_values.lower_bound(frequencyHz - kSameFrequencyHz);
    if (it != m_values.end() && it->first <= frequencyHz + kSameFrequencyHz)
        return it->second;
    return m_default;
}

HarmonicLevels HarmonicsTable::at(int transducer, double frequencyHz) const
{
    if (transducer < 0 || transducer >= kTransducerTypes)
        return m_everywhere;
    const auto &byFrequency = m_byFrequency[static_cast<size_t>(transducer)];
    const auto it = byFrequency.lower_bound(frequencyHz - kSameFrequencyHz);
    if (it != byFrequency.end() && it->first <= frequencyHz + kSameFrequencyHz)
        return it->second;
    return m_defaults[static_cast<size_t>(transducer)].value_or(m_everywhere);
}

void HarmonicsTable::setDefault(int transducer, const HarmonicLevels &levels)
{
    m_defaults.at(static_cast<size_t>(transducer)) = levels;
}

void HarmonicsTable::set(int transducer, double frequencyHz, const HarmonicLevels &levels)
{
    m_byFrequency.at(static_cast<size_t>(transducer))[frequencyHz] = levels;
}

FrequencyTable AudiometerProfile::typicalMaximumLevels()
{
    FrequencyTable levels(120.0);
    for (const auto &[hz, level] : {std::pair{31.5, 70.0},
                                    {63.0, 70.0},
                                    {125.0, 70.0},
                                    {160.0, 80.0},
                                    {200.0, 85.0},
                                    {250.0, 90.0},
                                    {6000.0, 110.0},
                                    {6300.0, 110.0},
                                    {8000.0, 100.0}})
        levels.set(hz, level);
    for (const double hz : {9000.0, 10000.0, 11000.0, 11200.0, 12000.0, 12500.0, 13000.0, 14000.0, 15000.0,
                            16000.0, 17000.0, 18000.0, 19000.0, 20000.0})
        levels.set(hz, 90.0);
    return levels;
}

double AudiometerProfile::levelError(int transducer, int ear, double frequencyHz) const
{
    if (transducer < 0 || transducer >= kTransducerTypes)
        return 0.0;
    const auto &ears = levelErrorDb[static_cast<size_t>(transducer)];
    if (ear >= 0 && ear < kAnyEar) {
        if (const std::optional<double> own = ears[static_cast<size_t>(ear)].find(frequencyHz))
            return *own;
    }
    return ears[kAnyEar].at(frequencyHz);
}

double AudiometerProfile::speechErrorOf(SignalSource source) const
{
    std::size_t slot = 0;
    switch (source) {
    case SignalSource::Internal:
    case SignalSource::Microphone:
        slot = 0;
        break;
    case SignalSource::TapeCdA:
        slot = 1;
        break;
    case SignalSource::TapeCdB:
        slot = 2;
        break;
    case SignalSource::SpeechNoise:
        slot = 3;
        break;
    }
    return speechSourceErrorDb[slot].value_or(speechLevelErrorDb);
}

std::optional<AudiometerProfile> AudiometerProfile::fromJson(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return failed(error, QStringLiteral("Audiometer profile is not valid JSON at offset %1: %2")
                                 .arg(parseError.offset)
                                 .arg(parseError.errorString()));
    if (!document.isObject())
        return failed(error, QStringLiteral("Audiometer profile must be a JSON object"));
    AudiometerProfile profile;
    if (!ProfileReader(error).read(document.object(), profile))
        return std::nullopt;
    return profile;
}

std::optional<AudiometerProfile> AudiometerProfile::fromFile(const QString &path, QString *error)
{
    QString reason;
    const std::optional<QByteArray> json = readWholeFile(path, kMaxFileBytes, &reason);
    if (!json)
        return failed(error, QStringLiteral("Cannot read audiometer profile %1: %2").arg(path, reason));
    std::optional<AudiometerProfile> profile = fromJson(*json, error);
    if (!profile && error)
        *error = QStringLiteral("%1: %2").arg(path, *error);
    return profile;
}

std::optional<AudiometerProfile> AudiometerProfile::load(const QString &nameOrPath, QString *error)
{
    if (QFileInfo::exists(nameOrPath))
        return fromFile(nameOrPath, error);
    const QString shipped = QStringLiteral(":/profiles/%1.json").arg(nameOrPath);
    if (!nameOrPath.contains(QLatin1Char('/')) && QFileInfo::exists(shipped))
        return fromFile(shipped, error);
    // The shipped names come from the resources, so a new profile is offered as soon as it ships.
    QStringList names = QDir(QStringLiteral(":/profiles")).entryList({QStringLiteral("*.json")}, QDir::Files);
    for (QString &name : names)
        name.chop(5);
    // The sound audiometer is the one to try first.
    if (names.removeOne(QStringLiteral("good")))
        names.prepend(QStringLiteral("good"));
    return failed(error, QStringLiteral("No audiometer profile '%1': give a profile file or one of %2")
                             .arg(nameOrPath, names.join(QStringLiteral(", "))));
}

} // namespace tonva

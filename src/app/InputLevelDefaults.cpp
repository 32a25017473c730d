#include "app/InputLevelDefaults.h"

#include "model/ReferenceData.h"

#include <cmath>
#include <functional>

namespace tonva::InputLevelDefaults {

namespace {

const QString kSettings = QStringLiteral("Settings");
constexpr int kBone = static_cast<int>(TransducerType::BoneVibrator);

// One stored value: its name, its default and where it lives in the record.
struct Level
{
    QString name;
    int defaultValue;
    std::function<int(const AudTestRecord &)> get;
    std::function<void(AudTestRecord &, int)> set;
};

int keyIndex(const char *key)
{
    for (int i = 0; i < kFrequencyCount; ++i) {
        if (frequencyKey(i) == QLatin1String(key))
            return i;
    }
    return -1;
}

template<typename Visit> void forEachLevel(Visit visit)
{
    // The bone vibrator's range goes by value name: the names do not all spell their frequency.
    const int bone250 = keyIndex("RFREQ_250");
    const int bone315 = keyIndex("RFREQ_315");
    const int bone8k = keyIndex("RFREQ_8K");
    for (int t = 0; t < kTransducerTypes; ++t) {
        const auto speechGet = [t](const AudTestRecord &r) {
            return int(std::lround(r.speech[0][t].dialLevel));
        };
        const auto speechSet = [t](AudTestRecord &r, int v) { r.speech[0][t].dialLevel = float(v); };
        const auto toneGet = [t](int i) {
            return [t, i](const AudTestRecord &r) { return int(r.toneLevel[0][t].dialLevel[i]); };
        };
        const auto toneSet = [t](int i) {
            return [t, i](AudTestRecord &r, int v) { r.toneLevel[0][t].dialLevel[i] = std::int16_t(v); };
        };
        if (t == kBone) {
            visit(Level{QStringLiteral("BoneSpeechInput"), 40, speechGet, speechSet});
            visit(Level{QStringLiteral("BoneHL Input %1").arg(frequencyKey(bone250)), 20, toneGet(bone250),
                        toneSet(bone250)});
            for (int i = bone315; i <= bone8k; ++i)
                visit(Level{QStringLiteral("BoneHL Input %1").arg(frequencyKey(i)), 40, toneGet(i),
                            toneSet(i)});
            continue;
        }
        visit(Level{QStringLiteral("SpeechInput_%1").arg(t), 70, speechGet, speechSet});
        visit(Level{QStringLiteral("BroadBandInput_%1").arg(t), 70,
                    [t](const AudTestRecord &r) { return int(r.broadBand[0][t].dialLevel); },
                    [t](AudTestRecord &r, int v) { r.broadBand[0][t].dialLevel = v; }});
        for (int i = 0; i < kFrequencyCount; ++i) {
            visit(Level{QStringLiteral("HL Input_%1 %2").arg(t).arg(frequencyKey(i)), 70, toneGet(i),
                        toneSet(i)});
            visit(Level{
                QStringLiteral("NB Input_%1 %2").arg(t).arg(frequencyKey(i)), 70,
                [t, i](const AudTestRecord &r) { return int(r.narrowBand[0][t].dialLevel[i]); },
                [t, i](AudTestRecord &r, int v) { r.narrowBand[0][t].dialLevel[i] = std::int16_t(v); }});
        }
    }
}

} // namespace

void apply(const PreferenceStore &store, AudTestRecord &record)
{
    forEachLevel([&](const Level &level) {
        level.set(record, store.readInt(kSettings, level.name, level.defaultValue));
    });
}

void remember(const AudTestRecord &record, PreferenceStore &store)
{
    forEachLevel([&](const Level &level) { store.writeInt(kSettings, level.name, level.get(record)); });
}

} // namespace tonva::InputLevelDefaults

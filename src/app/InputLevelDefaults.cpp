#include "app/InputLevelDefaults.h"

#include "measure/InputLevelPage.h"
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

template<typename Visit> void forEachLevel(Visit visit)
{
    const auto [boneFirst, boneLast] = InputLevelPage::indexRange(InputLevelRange::Bone);
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
            for (int i = boneFirst; i <= boneLast; ++i)
                visit(Level{InputLevelPage::boneSettingName(i),
                            InputLevelPage::defaultLevel(InputLevelRange::Bone, i), toneGet(i), toneSet(i)});
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

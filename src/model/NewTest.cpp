#include "model/NewTest.h"

#include "model/FixedText.h"
#include "model/ReferenceData.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tonva {

namespace {

const QString kSettings = QStringLiteral("Settings");
constexpr int kFirstBoneFrequency = kFirstBoneInputFrequency;

std::int16_t dialLevel(int value)
{
    // A hand-edited preference must not wrap around into a plausible but wrong dial level.
    return static_cast<std::int16_t>(std::clamp<int>(value, std::numeric_limits<std::int16_t>::min(),
                                                     std::numeric_limits<std::int16_t>::max()));
}

QString toneKey(int transducer, int frequency)
{
    return QStringLiteral("HL Input_%1 %2").arg(transducer).arg(frequencyKey(frequency));
}
QString narrowBandKey(int transducer, int frequency)
{
    return QStringLiteral("NB Input_%1 %2").arg(transducer).arg(frequencyKey(frequency));
}
QString speechKey(int transducer)
{
    return QStringLiteral("SpeechInput_%1").arg(transducer);
}
QString broadBandKey(int transducer)
{
    return QStringLiteral("BroadBandInput_%1").arg(transducer);
}

constexpr int kBone = static_cast<int>(TransducerType::BoneVibrator);

template<std::size_t N> QString trimmedDisplayText(const char (&field)[N])
{
    const std::string_view text = trimmedText(fixedText(field));
    return Cp1252::toUnicode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
}

} // namespace

AfterTestPreferences NewTest(AudTestRecord &record, BoothRecord &booth, const PreferenceStore &preferences,
                             const QDate &today)
{
    record = AudTestRecord{};
    booth = BoothRecord{};

    char date[16];
    std::snprintf(date, sizeof date, "%4d-%02d-%02d", today.year(), today.month(), today.day());
    setFixedText(record.setup.testDate, date);
    record.setup.layoutVersion = kRecordLayoutVersion;

    AfterTestPreferences after;
    after.saveAfterTest = preferences.readFlag(preference::SaveAfterTest);
    after.showSaveDialogAfterTest = preferences.readFlag(preference::ShowSaveDialogAfterTest);
    after.displayEarsNotCovered = preferences.readFlag(preference::DisplayEarsNotCovered);

    applyDefaultInputLevels(record, preferences);
    markNotApplicableMeasurements(record);
    return after;
}

void markNotApplicableMeasurements(AudTestRecord &record)
{
    constexpr auto na = static_cast<std::int32_t>(ResultStatus::NotApplicable);
    for (const MeasurementKind kind :
         {MeasurementKind::FrequencyAccuracy, MeasurementKind::HearingLevelLinearity,
          MeasurementKind::PulsedTones, MeasurementKind::CrossTalk, MeasurementKind::FrequencyModulation,
          MeasurementKind::BroadBandNoise}) {
        record.statusOf(kind, TransducerType::BoneVibrator) = na;
        record.statusOf(kind, TransducerType::Speakers) = na;
    }
    record.statusOf(MeasurementKind::HarmonicDistortion, TransducerType::Speakers) = na;
    record.statusOf(MeasurementKind::NarrowBandLevel, TransducerType::BoneVibrator) = na;
    record.statusOf(MeasurementKind::SpeechHearingLevel, TransducerType::Circumaural) = na;
}

void applyDefaultInputLevels(AudTestRecord &record, const PreferenceStore &preferences)
{
    for (int t = 0; t < kTransducerTypes; ++t) {
        ToneLevelResult &tone = record.toneLevel[0][t];
        if (t == kBone) {
            record.speech[0][t].dialLevel =
                static_cast<float>(preferences.readInt(kSettings, QStringLiteral("BoneSpeechInput"), 40));
            for (int f = kFirstBoneFrequency; f <= kLastConventionalFrequency; ++f)
                tone.dialLevel[f] = dialLevel(
                    preferences.readInt(kSettings, boneInputLevelName(f), defaultBoneInputLevel(f)));
            continue;
        }
        record.speech[0][t].dialLevel = static_cast<float>(preferences.readInt(kSettings, speechKey(t), 70));
        record.broadBand[0][t].dialLevel = preferences.readInt(kSettings, broadBandKey(t), 70);
        for (int f = 0; f < kFrequencyCount; ++f) {
            tone.dialLevel[f] = dialLevel(preferences.readInt(kSettings, toneKey(t, f), 70));
            record.narrowBand[0][t].dialLevel[f] =
                dialLevel(preferences.readInt(kSettings, narrowBandKey(t, f), 70));
        }
    }
    // The settings keep one "HL Dial Setting:" per transducer for the broad-band and speech pages;
    // the other side and the binaural speakers start from it too, or they would be asked for 0 dB HL.
    for (int t = 0; t < kTransducerTypes; ++t) {
        record.broadBand[1][t].dialLevel = record.broadBand[0][t].dialLevel;
        record.speech[1][t].dialLevel = record.speech[0][t].dialLevel;
    }
    record.speechBinaural.dialLevel = record.speech[0][static_cast<int>(TransducerType::Speakers)].dialLevel;
}

void storeDefaultInputLevels(const AudTestRecord &record, PreferenceStore &preferences)
{
    for (int t = 0; t < kTransducerTypes; ++t) {
        const ToneLevelResult &tone = record.toneLevel[0][t];
        const int speech = static_cast<int>(std::lround(record.speech[0][t].dialLevel));
        if (t == kBone) {
            preferences.writeInt(kSettings, QStringLiteral("BoneSpeechInput"), speech);
            for (int f = kFirstBoneFrequency; f <= kLastConventionalFrequency; ++f)
                preferences.writeInt(kSettings, boneInputLevelName(f), tone.dialLevel[f]);
            continue;
        }
        preferences.writeInt(kSettings, speechKey(t), speech);
        preferences.writeInt(kSettings, broadBandKey(t), record.broadBand[0][t].dialLevel);
        for (int f = 0; f < kFrequencyCount; ++f) {
            preferences.writeInt(kSettings, toneKey(t, f), tone.dialLevel[f]);
            preferences.writeInt(kSettings, narrowBandKey(t, f), record.narrowBand[0][t].dialLevel[f]);
        }
    }
}

QString boneInputLevelName(int frequencyIndex)
{
    return QStringLiteral("BoneHL Input %1").arg(frequencyKey(frequencyIndex));
}

int defaultBoneInputLevel(int frequencyIndex)
{
    return frequencyIndex == kFirstBoneFrequency ? 20 : 40;
}

QString SetTitleFromRecord(const TestSetup &setup)
{
    // Fields padded with blanks (as older records are) must not leave blanks around the "-".
    const QString model = trimmedDisplayText(setup.audiometerModel);
    const QString serial = trimmedDisplayText(setup.audiometerSerialNumber);
    // A test without an audiometer yet shows a blank title rather than a lone "-".
    if (model.isEmpty() && serial.isEmpty())
        return QStringLiteral(" ");
    return model + QLatin1Char('-') + serial;
}

} // namespace tonva

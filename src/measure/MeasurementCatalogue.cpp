#include "measure/MeasurementCatalogue.h"

#include <array>

namespace tonva {

namespace {

using T = TransducerType;

const QList<TransducerType> kAllTransducers = {T::SupraAural, T::BoneVibrator, T::Speakers, T::InsertEarphone,
                                               T::Circumaural};
const QList<TransducerType> kEarphones = {T::SupraAural, T::InsertEarphone, T::Circumaural};
const QList<TransducerType> kDistortionTransducers = {T::SupraAural, T::BoneVibrator, T::InsertEarphone,
                                                      T::Circumaural};
const QList<TransducerType> kNarrowBandTransducers = {T::SupraAural, T::Speakers, T::InsertEarphone,
                                                      T::Circumaural};
const QList<TransducerType> kSpeechTransducers = {T::SupraAural, T::BoneVibrator, T::Speakers,
                                                  T::InsertEarphone};

const std::array<MeasurementListEntry, kMeasurementEntries> &entries()
{
    static const std::array<MeasurementListEntry, kMeasurementEntries> table = {{
        {"Hearing Level", MeterMode::SlmRta, kAllTransducers},
        {"Frequency Accuracy", MeterMode::Fft, kEarphones},
        {"Linearity", MeterMode::SlmRta, kEarphones},
        {"Harmonic Distortion", MeterMode::Fft, kDistortionTransducers},
        {"Pulse", MeterMode::PulseFm, kEarphones},
        {"Cross Talk", MeterMode::SlmRta, kEarphones},
        {"Frequency Modulation", MeterMode::PulseFm, kEarphones},
        {"Narrow Band Level", MeterMode::SlmRta, kNarrowBandTransducers},
        {"Broad Band Masking", MeterMode::Fft, kEarphones},
        {"Speech", MeterMode::SlmRta, kSpeechTransducers},
        {"Speech Harmonic Distortion", MeterMode::Fft, kSpeechTransducers},
    }};
    return table;
}

} // namespace

const MeasurementListEntry &measurementListEntry(MeasurementEntry entry)
{
    return entries()[static_cast<size_t>(entry)];
}

std::optional<MeasurementEntry> measurementEntryAt(int index)
{
    if (index < 0 || index >= kMeasurementEntries)
        return std::nullopt;
    return static_cast<MeasurementEntry>(index);
}

QStringList measurementListTexts()
{
    return {QStringLiteral("Hearing Level"),
            QStringLiteral("Frequency"),
            QStringLiteral("Linearity"),
            QStringLiteral("Distortion"),
            QStringLiteral("Pulse"),
            QStringLiteral("Cross Talk"),
            QStringLiteral("Freq. Modulation"),
            QStringLiteral("Narrow Band Level"),
            QStringLiteral("Broad Band Noise"),
            QStringLiteral("Speech")};
}

QStringList initialTransducerListTexts()
{
    return {QStringLiteral("Supra-aural"), QStringLiteral("Bone vibrator"), QStringLiteral("Speakers"),
            QStringLiteral("Insert"), QStringLiteral("Circumaural")};
}

QString transducerName(TransducerType transducer)
{
    switch (transducer) {
    case T::SupraAural:
        return QStringLiteral("Supra-aural Earphone");
    case T::BoneVibrator:
        return QStringLiteral("Bone Vibrator");
    case T::Speakers:
        return QStringLiteral("Speakers");
    case T::InsertEarphone:
        return QStringLiteral("Insert Earphone");
    case T::Circumaural:
        break;
    }
    return QStringLiteral("Circumaural Earphone");
}

QStringList transducerListTexts(MeasurementEntry entry)
{
    QStringList texts;
    for (const TransducerType transducer : measurementListEntry(entry).transducers)
        texts << transducerName(transducer);
    return texts;
}

std::optional<TransducerType> transducerAtPosition(MeasurementEntry entry, int position)
{
    const QList<TransducerType> &transducers = measurementListEntry(entry).transducers;
    if (position < 0 || position >= transducers.size())
        return std::nullopt;
    return transducers[position];
}

bool isOffered(MeasurementEntry entry, TransducerType transducer)
{
    return measurementListEntry(entry).transducers.contains(transducer);
}

bool isEarphone(TransducerType transducer)
{
    return transducer == T::SupraAural || transducer == T::InsertEarphone || transducer == T::Circumaural;
}

QString earText(Ear ear)
{
    switch (ear) {
    case Ear::Left:
        return QStringLiteral("Left");
    case Ear::Right:
        return QStringLiteral("Right");
    case Ear::Both:
        break;
    }
    return QStringLiteral("Both");
}

} // namespace tonva

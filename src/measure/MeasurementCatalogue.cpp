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

const std::array<MeasurementEntry, kMeasurementEntries> &entries()
{
    static const std::array<MeasurementEntry, kMeasurementEntries> table = {{
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

const MeasurementEntry *measurementEntry(int index)
{
    if (index < 0 || index >= kMeasurementEntries)
        return nullptr;
    return &entries()[static_cast<size_t>(index)];
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

QStringList transducerListTexts(int index)
{
    QStringList texts;
    if (const MeasurementEntry *entry = measurementEntry(index))
        for (const TransducerType transducer : entry->transducers)
            texts << transducerName(transducer);
    return texts;
}

std::optional<TransducerType> transducerAtPosition(int index, int position)
{
    const MeasurementEntry *entry = measurementEntry(index);
    if (!entry || position < 0 || position >= entry->transducers.size())
        return std::nullopt;
    return entry->transducers[position];
}

bool isOffered(int index, TransducerType transducer)
{
    const MeasurementEntry *entry = measurementEntry(index);
    return entry && entry->transducers.contains(transducer);
}

bool isEarphone(TransducerType transducer)
{
    return transducer == T::SupraAural || transducer == T::InsertEarphone || transducer == T::Circumaural;
}

QString earText(int ear)
{
    switch (ear) {
    case 0:
        return QStringLiteral("Left");
    case 1:
        return QStringLiteral("Right");
    default:
        return QStringLiteral("Both");
    }
}

} // namespace tonva

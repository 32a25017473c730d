#include "measure/PageRegistry.h"

#include "measure/MeasurementCatalogue.h"

namespace tonva {

std::optional<PageRole> PageRoleFor(MeasurementEntry entry, TransducerType transducer,
                                    bool binauralSoundFieldShowing)
{
    const bool earphone = isEarphone(transducer);
    const bool bone = transducer == TransducerType::BoneVibrator;
    const bool speakers = transducer == TransducerType::Speakers;
    const PageRole soundField =
        binauralSoundFieldShowing ? PageRole::SoundFieldBinaural : PageRole::SoundFieldMono;

    using E = MeasurementEntry;
    switch (entry) {
    case E::HearingLevel:
        if (earphone)
            return PageRole::HearingLevelFrequency;
        if (bone)
            return PageRole::BoneLevels;
        return soundField;
    case E::FrequencyAccuracy:
    case E::FrequencyModulation:
        if (earphone)
            return PageRole::HearingLevelFrequency;
        break;
    case E::Linearity:
        if (earphone)
            return PageRole::Linearity;
        break;
    case E::HarmonicDistortion:
        if (earphone)
            return PageRole::Distortion;
        if (bone)
            return PageRole::BoneDistortion;
        break;
    case E::PulsedTones:
        if (earphone)
            return PageRole::Pulse;
        break;
    case E::CrossTalk:
        if (earphone)
            return PageRole::CrossTalk;
        break;
    case E::NarrowBandLevel:
        if (earphone)
            return PageRole::HearingLevelFrequency;
        if (speakers)
            return soundField;
        break;
    case E::BroadBandNoise:
        if (earphone)
            return PageRole::BroadBandMasking;
        break;
    case E::Speech:
    case E::SpeechHarmonicDistortion:
        if (transducer != TransducerType::Circumaural)
            return PageRole::Speech;
        break;
    }
    return std::nullopt;
}

std::unique_ptr<MeasurementPage> PageRegistry::create(PageRole role,
                                                      const MeasurementServices &services) const
{
    const auto found = m_factories.find(role);
    return found == m_factories.end() ? nullptr : found->second(services);
}

} // namespace tonva

#include "measure/PageRegistry.h"

#include "measure/MeasurementCatalogue.h"

namespace tonva {

std::optional<PageRole> PageRoleFor(int measurementIndex, TransducerType transducer,
                                    bool binauralSoundFieldShowing)
{
    const bool earphone = isEarphone(transducer);
    const bool bone = transducer == TransducerType::BoneVibrator;
    const bool speakers = transducer == TransducerType::Speakers;
    const PageRole soundField =
        binauralSoundFieldShowing ? PageRole::SoundFieldBinaural : PageRole::SoundFieldMono;

    switch (measurementIndex) {
    case 0:
        if (earphone)
            return PageRole::HearingLevelFrequency;
        if (bone)
            return PageRole::BoneLevels;
        return soundField;
    case 1:
    case 6:
        if (earphone)
            return PageRole::HearingLevelFrequency;
        break;
    case 2:
        if (earphone)
            return PageRole::Linearity;
        break;
    case 3:
        if (earphone)
            return PageRole::Distortion;
        if (bone)
            return PageRole::BoneDistortion;
        break;
    case 4:
        if (earphone)
            return PageRole::Pulse;
        break;
    case 5:
        if (earphone)
            return PageRole::CrossTalk;
        break;
    case 7:
        if (earphone)
            return PageRole::HearingLevelFrequency;
        if (speakers)
            return soundField;
        break;
    case 8:
        if (earphone)
            return PageRole::BroadBandMasking;
        break;
    case 9:
    case 10:
        if (transducer != TransducerType::Circumaural)
            return PageRole::Speech;
        break;
    default:
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

#pragma once

#include "measure/MeasurementPage.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace tonva {

// The pages a measurement can be shown on; several measurements share one page in different modes.
enum class PageRole
{
    HearingLevelFrequency, // hearing level, frequency, FM and narrow band on earphones
    BoneLevels,
    SoundFieldMono,
    SoundFieldBinaural,
    Linearity,
    Distortion,
    BoneDistortion,
    Pulse,
    CrossTalk,
    BroadBandMasking,
    Speech,
};

// The page that measures `entry` on `transducer`; none when that pair is not offered. A
// sound-field measurement stays on the binaural page while that one is showing.
std::optional<PageRole> PageRoleFor(MeasurementEntry entry, TransducerType transducer,
                                    bool binauralSoundFieldShowing = false);

using PageFactory = std::function<std::unique_ptr<MeasurementPage>(const MeasurementServices &)>;

// Each page registers how it is made, so the run knows no page class and later pages plug in.
class PageRegistry
{
public:
    void add(PageRole role, PageFactory factory) { m_factories[role] = std::move(factory); }
    // Null when no page of that role has been registered.
    std::unique_ptr<MeasurementPage> create(PageRole role, const MeasurementServices &services) const;

private:
    std::map<PageRole, PageFactory> m_factories;
};

} // namespace tonva

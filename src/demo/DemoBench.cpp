#include "demo/DemoBench.h"

#include "sim/BuiltInSimulator.h"
#include "sim/SceneControl.h"

namespace tonva::demo {

namespace {

// The demonstration's technician keeps every reading: a stored test of the same audiometer from
// today is replaced by this one, as the program asks.
std::vector<AnswerRule> demoRules()
{
    std::vector<AnswerRule> rules = SimulatedTechnician::defaultRules();
    rules.push_back({QStringLiteral("Saving measurement will overwrite previous values"), {Answer::Yes}});
    return rules;
}

} // namespace

DemoBench::DemoBench(const AudiometerProfile &profile, LineFaults faults)
    : m_meter(MeterSource::builtInName(), m_systemClock, 1, BuiltInMeterOptions{true, {}, std::move(faults)})
{
    m_scene = std::make_unique<LocalSceneDriver>(m_meter.simulator()->scene());
    seat(profile);
}

DemoBench::DemoBench(const AudiometerProfile &profile, const QString &portPath, const QString &controlPath)
    : m_meter(portPath, m_systemClock)
{
    // "--port sim" is the built-in meter, whose microphone is in this process.
    if (m_meter.builtIn())
        m_scene = std::make_unique<LocalSceneDriver>(m_meter.simulator()->scene());
    else
        m_scene = std::make_unique<SceneControl>(controlPath);
    seat(profile);
}

DemoBench::~DemoBench() = default;

void DemoBench::seat(const AudiometerProfile &profile)
{
    m_audiometer = std::make_unique<SimulatedAudiometer>(*m_scene, profile);
    m_technician = std::make_unique<SimulatedTechnician>(*m_audiometer, demoRules());
}

} // namespace tonva::demo

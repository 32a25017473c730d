#include "demo/DemoBench.h"

#include "platform/QtSerialPort.h"
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

DemoBench::DemoBench(const AudiometerProfile &profile, LineFaults faults) : m_clock(&m_virtualClock)
{
    m_simulator.emplace(m_virtualClock, TrellanProfile{}, std::move(faults));
    m_scene = std::make_unique<LocalSceneDriver>(m_simulator->scene());
    seat(profile);
}

DemoBench::DemoBench(const AudiometerProfile &profile, const QString &portPath, const QString &controlPath)
    : m_clock(&m_systemClock), m_portPath(portPath)
{
    m_scene = std::make_unique<SceneControl>(controlPath);
    seat(profile);
}

DemoBench::~DemoBench() = default;

void DemoBench::seat(const AudiometerProfile &profile)
{
    m_audiometer = std::make_unique<SimulatedAudiometer>(*m_scene, profile);
    m_technician = std::make_unique<SimulatedTechnician>(*m_audiometer, demoRules());
}

SerialPortFactory DemoBench::portFactory()
{
    return m_simulator ? m_simulator->portFactory() : QtSerialPort::factory(m_portPath);
}

QString DemoBench::meterDescription() const
{
    return m_simulator ? QStringLiteral("the built-in meter (virtual time)") : m_portPath;
}

} // namespace tonva::demo

#include "app/DesktopBench.h"

#include "demo/BenchCoupling.h"
#include "platform/QtSerialPort.h"
#include "sim/SceneDriver.h"

namespace tonva {

namespace {

TrellanTiming spedUp(double speed)
{
    TrellanTiming timing;
    timing.speed = speed;
    return timing;
}

} // namespace

DesktopBench::DesktopBench(Clock &clock, const AudiometerProfile &profile, double settlingSpeed)
    : m_simulator(clock, TrellanProfile{}, LineFaults{}, spedUp(settlingSpeed)),
      m_scene(std::make_unique<LocalSceneDriver>(m_simulator.scene())),
      m_audiometer(std::make_unique<SimulatedAudiometer>(*m_scene, profile))
{}

DesktopBench::~DesktopBench() = default;

DesktopMeterSource::DesktopMeterSource(Clock &clock, AudiometerProfile profile)
    : m_clock(clock), m_profile(std::move(profile))
{}

DesktopMeterSource::~DesktopMeterSource() = default;

bool DesktopMeterSource::isBuiltIn(const QString &portName)
{
    return portName.trimmed().compare(QLatin1String("sim"), Qt::CaseInsensitive) == 0;
}

SerialPortFactory DesktopMeterSource::portsFor(const QString &portName)
{
    if (!isBuiltIn(portName))
        return QtSerialPort::factory(portName.trimmed());
    if (!m_bench)
        m_bench = std::make_unique<DesktopBench>(m_clock, m_profile);
    return m_bench->portFactory();
}

SimulatedAudiometer *DesktopMeterSource::audiometer() const
{
    return m_bench ? &m_bench->audiometer() : nullptr;
}

BenchInteraction::BenchInteraction(Interaction &technician, std::function<SimulatedAudiometer *()> audiometer,
                                   std::function<const TestSetup *()> currentSetup)
    : m_technician(technician), m_audiometer(std::move(audiometer)), m_currentSetup(std::move(currentSetup))
{}

void BenchInteraction::message(const QString &text)
{
    m_technician.message(text);
}

Answer BenchInteraction::ask(const QString &text, Buttons buttons)
{
    return m_technician.ask(text, buttons);
}

Answer BenchInteraction::askToSet(const QString &text, const Stimulus &stimulus, Buttons buttons)
{
    const Answer answer = m_technician.askToSet(text, stimulus, buttons);
    SimulatedAudiometer *audiometer = m_audiometer ? m_audiometer() : nullptr;
    if (audiometer && (answer == Answer::Ok || answer == Answer::Yes)) {
        if (const TestSetup *setup = m_currentSetup ? m_currentSetup() : nullptr)
            audiometer->setCoupling(demo::couplingFor(*setup));
        // A stimulus the simulated audiometer cannot produce leaves it silent; the measurement then
        // reads what a real bench would: nothing.
        if (!audiometer->apply(stimulus)) {
            Stimulus off;
            off.signal = QStringLiteral("off");
            audiometer->apply(off);
        }
    }
    return answer;
}

std::unique_ptr<Progress> BenchInteraction::openProgress(const QString &caption, int rangeLow, int rangeHigh,
                                                         int step)
{
    return m_technician.openProgress(caption, rangeLow, rangeHigh, step);
}

Answer BenchInteraction::askWithCheckBox(const QString &text, Buttons buttons, const QString &checkBoxText,
                                         bool &checked)
{
    return m_technician.askWithCheckBox(text, buttons, checkBoxText, checked);
}

} // namespace tonva

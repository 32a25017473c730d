#include "app/DesktopBench.h"

#include "demo/BenchCoupling.h"
#include "sim/BuiltInSimulator.h"
#include "sim/SceneDriver.h"

namespace tonva {

namespace {

BuiltInMeterOptions onTheRealClock(double speed)
{
    BuiltInMeterOptions options;
    options.virtualTime = false;
    options.timing.speed = speed;
    return options;
}

} // namespace

DesktopBench::DesktopBench(Clock &clock, const AudiometerProfile &profile, double settlingSpeed)
    : m_meter(MeterSource::builtInName(), clock, 1, onTheRealClock(settlingSpeed)),
      m_scene(std::make_unique<LocalSceneDriver>(m_meter.simulator()->scene())),
      m_audiometer(std::make_unique<SimulatedAudiometer>(*m_scene, profile))
{}

DesktopBench::~DesktopBench() = default;

DesktopMeterSource::DesktopMeterSource(Clock &clock, AudiometerProfile profile)
    : m_clock(clock), m_profile(std::move(profile))
{}

DesktopMeterSource::~DesktopMeterSource() = default;

const MeterSource &DesktopMeterSource::sourceFor(const QString &portName, int portNumber)
{
    if (portName.trimmed().compare(MeterSource::builtInName(), Qt::CaseInsensitive) == 0) {
        if (!m_bench)
            m_bench = std::make_unique<DesktopBench>(m_clock, m_profile);
        return m_bench->meter();
    }
    m_device = std::make_unique<MeterSource>(portName, m_clock, portNumber);
    return *m_device;
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

Answer BenchInteraction::askTestConditions(TestConditions &conditions)
{
    return m_technician.askTestConditions(conditions);
}

} // namespace tonva

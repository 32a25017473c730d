#pragma once

#include "platform/Interaction.h"
#include "platform/SerialPort.h"
#include "sim/AudiometerProfile.h"
#include "sim/BuiltInSimulator.h"
#include "sim/SimulatedAudiometer.h"

#include <functional>
#include <memory>

namespace tonva {

class Clock;
struct TestSetup;

// The built-in simulator as the desktop program uses it: a virtual Trellan on the program's own
// clock, settling faster than a real meter so a whole calibration fits into minutes, listening to a
// simulated audiometer that the person at the screen sets through the program's "Set ..." prompts.
class DesktopBench
{
public:
    // How many times faster than the real meter the virtual one settles.
    static constexpr double kSettlingSpeed = 20.0;

    DesktopBench(Clock &clock, const AudiometerProfile &profile, double settlingSpeed = kSettlingSpeed);
    ~DesktopBench();
    DesktopBench(const DesktopBench &) = delete;
    DesktopBench &operator=(const DesktopBench &) = delete;

    SerialPortFactory portFactory() { return m_simulator.portFactory(); }
    SimulatedAudiometer &audiometer() { return *m_audiometer; }
    BuiltInSimulator &simulator() { return m_simulator; }

private:
    BuiltInSimulator m_simulator;
    std::unique_ptr<SceneDriver> m_scene;
    std::unique_ptr<SimulatedAudiometer> m_audiometer;
};

// Where the desktop program's meter is: the built-in simulator for the port name "sim" (made at
// its first use and kept, so it stays the same meter across Disconnect and Connect), otherwise the
// serial device of that name.
class DesktopMeterSource
{
public:
    DesktopMeterSource(Clock &clock, AudiometerProfile profile);
    ~DesktopMeterSource();

    static bool isBuiltIn(const QString &portName);
    SerialPortFactory portsFor(const QString &portName);
    // The simulated audiometer; null until the built-in simulator is in use.
    SimulatedAudiometer *audiometer() const;
    DesktopBench *bench() const { return m_bench.get(); }

private:
    Clock &m_clock;
    AudiometerProfile m_profile;
    std::unique_ptr<DesktopBench> m_bench;
};

// Passes every prompt to the real technician and, when they confirm a "Set ..." prompt, sets the
// simulated audiometer as it asked: on the bench the audiometer is simulated, the technician is not.
// The coupling is taken from the current test's set-up at that moment, so corrections entered in
// the set-up are what the simulated chain undoes.
class BenchInteraction final : public Interaction
{
public:
    // `audiometer` gives the simulated audiometer, or null while the meter is a real one.
    BenchInteraction(Interaction &technician, std::function<SimulatedAudiometer *()> audiometer,
                     std::function<const TestSetup *()> currentSetup);

    void message(const QString &text) override;
    Answer ask(const QString &text, Buttons buttons) override;
    Answer askToSet(const QString &text, const Stimulus &stimulus, Buttons buttons) override;
    std::unique_ptr<Progress> openProgress(const QString &caption, int rangeLow, int rangeHigh,
                                           int step) override;
    Answer askWithCheckBox(const QString &text, Buttons buttons, const QString &checkBoxText,
                           bool &checked) override;

private:
    Interaction &m_technician;
    std::function<SimulatedAudiometer *()> m_audiometer;
    std::function<const TestSetup *()> m_currentSetup;
};

} // namespace tonva

#pragma once

#include "meter/MeterSource.h"
#include "platform/Interaction.h"
#include "sim/AudiometerProfile.h"
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

    const MeterSource &meter() const { return m_meter; }
    SimulatedAudiometer &audiometer() { return *m_audiometer; }

private:
    MeterSource m_meter;
    std::unique_ptr<SceneDriver> m_scene;
    std::unique_ptr<SimulatedAudiometer> m_audiometer;
};

// Where the desktop program's meter is, for the port as the preferences (or the command line) name
// it now. The built-in simulator is made at its first use and kept, so it stays the same meter, with
// the same audiometer, across Disconnect and Connect; a real port's source is made afresh.
class DesktopMeterSource
{
public:
    DesktopMeterSource(Clock &clock, AudiometerProfile profile);
    ~DesktopMeterSource();

    // `portName` empty: the numbered port `portNumber`. The source stays valid until the next call.
    const MeterSource &sourceFor(const QString &portName, int portNumber);
    // The simulated audiometer; null until the built-in simulator is in use.
    SimulatedAudiometer *audiometer() const;
    DesktopBench *bench() const { return m_bench.get(); }

private:
    Clock &m_clock;
    AudiometerProfile m_profile;
    std::unique_ptr<DesktopBench> m_bench;
    std::unique_ptr<MeterSource> m_device;
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
    Answer askTestConditions(TestConditions &conditions) override;

private:
    Interaction &m_technician;
    std::function<SimulatedAudiometer *()> m_audiometer;
    std::function<const TestSetup *()> m_currentSetup;
};

} // namespace tonva

#pragma once

#include "meter/MeterSource.h"
#include "platform/Clock.h"
#include "sim/AudiometerProfile.h"
#include "sim/SimulatedAudiometer.h"
#include "sim/SimulatedTechnician.h"

#include <QString>
#include <memory>

namespace tonva::demo {

// The simulated side of the demonstration: the meter with its clock, the audiometer under test
// and the technician who sets it. Either everything lives in this process on virtual time, or the
// meter is a trellan-sim on a serial device whose scene is driven through its control socket.
class DemoBench
{
public:
    // The built-in meter on virtual time, on a line with `faults`.
    explicit DemoBench(const AudiometerProfile &profile, LineFaults faults = LineFaults{});
    // A meter on `portPath` whose microphone hears what is sent to `controlPath`, on real time.
    DemoBench(const AudiometerProfile &profile, const QString &portPath, const QString &controlPath);
    ~DemoBench();
    DemoBench(const DemoBench &) = delete;
    DemoBench &operator=(const DemoBench &) = delete;

    Clock &clock() { return m_meter.clock(); }
    const MeterSource &meter() const { return m_meter; }
    SimulatedAudiometer &audiometer() { return *m_audiometer; }
    SimulatedTechnician &technician() { return *m_technician; }
    bool onVirtualTime() const { return m_meter.builtIn(); }
    // "the built-in meter" or the device path.
    QString meterDescription() const { return m_meter.description(); }

private:
    void seat(const AudiometerProfile &profile);

    SystemClock m_systemClock;
    MeterSource m_meter;
    std::unique_ptr<SceneDriver> m_scene;
    std::unique_ptr<SimulatedAudiometer> m_audiometer;
    std::unique_ptr<SimulatedTechnician> m_technician;
};

} // namespace tonva::demo

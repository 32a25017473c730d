#pragma once

#include "platform/SerialPort.h"
#include "sim/AcousticScene.h"
#include "sim/VirtualTrellan.h"

namespace tonva {

class Clock;

// A virtual Trellan inside the program (port name "sim"): the scene, the meter, and a port factory
// whose ports all reach that one meter, so the link can close and reopen as on a real line.
class BuiltInSimulator
{
public:
    explicit BuiltInSimulator(Clock &clock, TrellanProfile profile = {}, LineFaults faults = LineFaults{},
                              TrellanTiming timing = {});

    AcousticScene &scene() { return m_scene; }
    VirtualTrellan &meter() { return m_meter; }
    SerialPortFactory portFactory();

private:
    Clock &m_clock;
    AcousticScene m_scene;
    VirtualTrellan m_meter;
};

} // namespace tonva

#include "sim/BuiltInSimulator.h"

#include "sim/SimSerialPort.h"

namespace tonva {

BuiltInSimulator::BuiltInSimulator(Clock &clock, TrellanProfile profile, LineFaults faults,
                                   TrellanTiming timing)
    : m_clock(clock), m_meter(m_scene, std::move(profile), std::move(faults), timing)
{}

SerialPortFactory BuiltInSimulator::portFactory()
{
    return [this](int) -> std::unique_ptr<SerialPort> {
        return std::make_unique<SimSerialPort>(m_meter, m_clock);
    };
}

} // namespace tonva

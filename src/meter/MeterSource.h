#pragma once

#include "platform/Clock.h"
#include "platform/SerialPort.h"
#include "sim/LineFaults.h"
#include "sim/VirtualTrellan.h"

#include <QString>
#include <memory>

namespace tonva {

class BuiltInSimulator;

// How the built-in meter runs when the port names it.
struct BuiltInMeterOptions
{
    // On virtual time nothing real is waited for (a probe, the headless demo). The desktop program
    // runs it on the real clock, with the settling sped up, so progress dialogs move and Cancel works.
    bool virtualTime = true;
    TrellanTiming timing{};
    // Line trouble to play, for trying the link on a bad day.
    LineFaults faults{};
};

// Where the meter is, from the port as the technician names it: "sim" is the meter built into the
// program, "COMn" a numbered port, anything else a device path. Made once, in one place, for the
// command line, the demo and the desktop program alike. Owns the built-in meter and its clock when
// it makes one, so it must outlive the connection that uses it.
class MeterSource
{
public:
    // The port name of the built-in meter.
    static QString builtInName() { return QStringLiteral("sim"); }
    // n of a port named "COMn" (any letter case, blanks around ignored); 0 for every other name.
    // COM0 does not exist.
    static int comPortNumber(const QString &name);

    // An empty `portName` falls back to the numbered port `portNumber` (the older preference).
    MeterSource(const QString &portName, Clock &realClock, int portNumber = 1,
                BuiltInMeterOptions builtIn = {});
    ~MeterSource();
    MeterSource(MeterSource &&) noexcept;
    MeterSource &operator=(MeterSource &&) noexcept;
    MeterSource(const MeterSource &) = delete;
    MeterSource &operator=(const MeterSource &) = delete;

    bool builtIn() const { return m_simulator != nullptr; }
    // Null for a real port.
    BuiltInSimulator *simulator() const { return m_simulator.get(); }
    SerialPortFactory factory() const;
    // The clock the link waits on: the built-in meter's virtual clock, or real time.
    Clock &clock() const { return *m_clock; }
    // What Connect is given: n for "COMn", 1 for a device path or the built-in meter.
    int portNumber() const { return m_portNumber; }
    // The device path messages name; empty when the port is known by its number or is built in.
    const QString &devicePath() const { return m_devicePath; }
    // For the technician: "the built-in meter (virtual time)", "the built-in meter", or the device
    // (a numbered port's as the platform names it).
    QString description() const;

private:
    std::unique_ptr<VirtualClock> m_virtualClock;
    std::unique_ptr<BuiltInSimulator> m_simulator;
    Clock *m_clock = nullptr;
    int m_portNumber = 1;
    QString m_devicePath;
};

} // namespace tonva

#pragma once

#include "app/Preferences.h"
#include "meter/PortDiscovery.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

namespace tonva {

// Where the port lists come from: the machine's own ports in the program, a fixed list in tests.
using PortLister = std::function<std::vector<SSerInfo>(const PreferenceBlock &block)>;
// The machine's serial ports, with the stored port name among them when it is a device the
// system does not report (a pseudo-terminal).
std::vector<SSerInfo> listMachinePorts(const PreferenceBlock &block);

// One line of the meter's port list and the name Connect opens for it.
struct SlmPortEntry
{
    QString text;      // "COM3 <USB Serial Port>", "/dev/ttyUSB0 <FT232R USB UART>"
    QString portName;  // "COM3", "/dev/ttyUSB0" or "sim"
    int comNumber = 0; // n of "COMn"; 0 for every other port
};

// The rates the list offers, and the table its position indexes (the last three are never offered).
inline constexpr std::array<int, 5> kOfferedBaudRates{300, 1200, 2400, 9600, 19200};
inline constexpr std::array<int, 8> kBaudRateTable{300, 1200, 2400, 9600, 19200, 28800, 57600, 115200};

// The two lists of the RS232 page and of the "Set SLM Port" dialog: the ports found (the built-in
// simulator last) with the stored port selected, and the baud rates with the stored rate selected.
class SlmPortChoice
{
public:
    static QString builtInSimulatorName() { return QStringLiteral("sim"); }

    SlmPortChoice(const std::vector<SSerInfo> &ports, const PreferenceBlock &block);

    const std::vector<SlmPortEntry> &ports() const { return m_ports; }
    // -1 while the stored port is not among them and nothing else was chosen.
    int portIndex() const { return m_portIndex; }
    // "The previous Comport ... is not in service." when the stored port was not found, else empty.
    const QString &notInServiceNotice() const { return m_notice; }

    static QStringList baudTexts();
    int baudIndex() const { return m_baudIndex; }
    int baudRate() const { return kBaudRateTable[std::size_t(m_baudIndex)]; }

    void choosePort(int index);
    // A port typed by the technician rather than picked: a device path, "COMn" or "sim".
    void choosePortName(const QString &name);
    void chooseBaud(int index);

    // The chosen port and rate into the block; with no port chosen the stored one stays.
    void applyTo(PreferenceBlock &block) const;

private:
    int findPort(const QString &name, int comNumber) const;

    std::vector<SlmPortEntry> m_ports;
    int m_portIndex = -1;
    QString m_typedPort;
    int m_baudIndex = 3;
    QString m_notice;
};

} // namespace tonva

#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace tonva {

// One serial port as the port list shows it.
struct SSerInfo
{
    QString devicePath;      // what to open: "/dev/ttyUSB0", "COM3"
    QString portName;        // "ttyUSB0", "COM3"
    QString friendlyName;    // the system's display name of the device
    bool usbDevice = false;  // the port belongs to a USB device (an adapter)
    QString portDescription; // short text shown to the technician
};

// Fills what the system left empty: the friendly name from the port name, the description from the
// friendly name without its trailing " (COM3)".
void completePortEntry(SSerInfo &port);

// The ports the system reports, in its order, followed by each of `namedPorts` that is a character
// device the system did not report. Pseudo-terminals (the simulator's, a USB gadget's) are never
// reported by the system and are only listed when named: scanning for them would find every
// terminal window. A named symlink keeps its own name, since the target changes from run to run.
// With `verifyOpen`, ports that cannot be opened (another program holds them) are left out.
std::vector<SSerInfo> EnumerateSerialPorts(bool verifyOpen, const QStringList &namedPorts = {});

// True when the port opens for reading and writing now (and is closed again at once).
bool canOpenSerialPort(const QString &devicePath);

} // namespace tonva

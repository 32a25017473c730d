#include "meter/PortDiscovery.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace tonva {

namespace {

QString canonicalDevice(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

bool isCharacterDevice(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat status = {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISCHR(status.st_mode);
#else
    // Every port of a system without device files is one the system reports.
    Q_UNUSED(path);
    return false;
#endif
}

SSerInfo fromSystem(const QSerialPortInfo &info)
{
    SSerInfo port;
    port.devicePath = info.systemLocation();
    port.portName = info.portName();
    port.friendlyName = info.description();
    port.usbDevice = info.hasVendorIdentifier();
    return port;
}

SSerInfo fromNamedPath(const QString &path)
{
    SSerInfo port;
    port.devicePath = path;
    port.portName = QFileInfo(path).fileName();
    port.friendlyName = canonicalDevice(path).startsWith(QLatin1String("/dev/pts/"))
                            ? QStringLiteral("Pseudo-terminal")
                            : QStringLiteral("Serial device");
    return port;
}

} // namespace

void completePortEntry(SSerInfo &port)
{
    if (port.friendlyName.isEmpty())
        port.friendlyName = port.portName;
    if (!port.portDescription.isEmpty())
        return;
    port.portDescription = port.friendlyName;
    const qsizetype open = port.friendlyName.indexOf(QLatin1String(" ("));
    if (open > 0 && port.friendlyName.endsWith(QLatin1Char(')')))
        port.portDescription = port.friendlyName.left(open);
}

bool canOpenSerialPort(const QString &devicePath)
{
    // QSerialPort takes the port's lock file and exclusive mode, so a port another program holds
    // fails here even for a user the kernel would let through. The lock file is named after the
    // device, so a link is opened by the device it points to.
    QSerialPort port(canonicalDevice(devicePath));
    if (!port.open(QIODevice::ReadWrite))
        return false;
    port.close();
    return true;
}

std::vector<SSerInfo> EnumerateSerialPorts(bool verifyOpen, const QStringList &namedPorts)
{
    std::vector<SSerInfo> ports;
    QStringList known;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        ports.push_back(fromSystem(info));
        known.append(canonicalDevice(info.systemLocation()));
    }
    for (const QString &path : namedPorts) {
        if (path.isEmpty() || !isCharacterDevice(path))
            continue;
        const QString device = canonicalDevice(path);
        if (known.contains(device))
            continue;
        known.append(device);
        ports.push_back(fromNamedPath(path));
    }
    if (verifyOpen) {
        ports.erase(std::remove_if(ports.begin(), ports.end(),
                                   [](const SSerInfo &port) { return !canOpenSerialPort(port.devicePath); }),
                    ports.end());
    }
    for (SSerInfo &port : ports)
        completePortEntry(port);
    return ports;
}

} // namespace tonva

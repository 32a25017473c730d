#include "app/SlmPortChoice.h"

#include "meter/MeterSource.h"
#include "platform/QtSerialPort.h"

#include <QFileInfo>
#include <algorithm>

namespace tonva {

namespace {

bool sameDevice(const QString &a, const QString &b)
{
    if (a == b)
        return true;
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

constexpr int kIndexOf9600 = 3;

} // namespace

std::vector<SSerInfo> listMachinePorts(const PreferenceBlock &block)
{
    return EnumerateSerialPorts(false, QStringList{block.slmPortName});
}

SlmPortChoice::SlmPortChoice(const std::vector<SSerInfo> &ports, const PreferenceBlock &block)
{
    for (const SSerInfo &port : ports) {
        if (const int number = MeterSource::comPortNumber(port.portName)) {
            m_ports.push_back({QStringLiteral("COM%1 <%2>").arg(number).arg(port.portDescription),
                               QStringLiteral("COM%1").arg(number), number});
        } else {
            m_ports.push_back(
                {port.devicePath + QStringLiteral(" <") + port.portDescription + QLatin1Char('>'),
                 port.devicePath, 0});
        }
    }
    m_ports.push_back(
        {builtInSimulatorName() + QStringLiteral(" <Built-in simulator>"), builtInSimulatorName(), 0});

    const QString stored = block.slmPortName.trimmed();
    const int storedNumber = stored.isEmpty() ? block.slmComport : MeterSource::comPortNumber(stored);
    m_portIndex = findPort(stored, storedNumber);
    if (m_portIndex < 0) {
        const QString shown =
            storedNumber > 0 || stored.isEmpty() ? QStringLiteral("Com %1").arg(storedNumber) : stored;
        m_notice =
            QStringLiteral("The previous Comport \"%1\" is not in service. \nPlease select a valid comport.")
                .arg(shown);
    }

    // A stored rate the list does not offer (set by hand, or one of the table's last three) selects
    // 9600 rather than no entry, whose position would index before the table.
    const auto offered = std::find(kOfferedBaudRates.begin(), kOfferedBaudRates.end(), block.slmBaudRate);
    m_baudIndex =
        offered == kOfferedBaudRates.end() ? kIndexOf9600 : int(offered - kOfferedBaudRates.begin());
}

int SlmPortChoice::findPort(const QString &name, int comNumber) const
{
    for (std::size_t i = 0; i < m_ports.size(); ++i) {
        const SlmPortEntry &entry = m_ports[i];
        if (comNumber > 0 ? entry.comNumber == comNumber
                          : !name.isEmpty() && sameDevice(entry.portName, name))
            return int(i);
    }
    // Without a port name the number is all that is stored; here COMn is the device it stands for.
    if (name.isEmpty() && comNumber > 0) {
        const QString device = QtSerialPort::deviceForPortNumber(comNumber);
        for (std::size_t i = 0; i < m_ports.size(); ++i) {
            if (m_ports[i].comNumber == 0 && sameDevice(m_ports[i].portName, device))
                return int(i);
        }
    }
    return -1;
}

QStringList SlmPortChoice::baudTexts()
{
    QStringList texts;
    for (const int rate : kOfferedBaudRates)
        texts.append(QString::number(rate));
    return texts;
}

void SlmPortChoice::choosePort(int index)
{
    if (index < 0 || index >= int(m_ports.size()))
        return;
    m_portIndex = index;
    m_typedPort.clear();
}

void SlmPortChoice::choosePortName(const QString &name)
{
    const QString typed = name.trimmed();
    if (typed.isEmpty())
        return;
    const int index = findPort(typed, MeterSource::comPortNumber(typed));
    if (index >= 0) {
        choosePort(index);
        return;
    }
    m_portIndex = -1;
    m_typedPort = typed;
}

void SlmPortChoice::chooseBaud(int index)
{
    if (index >= 0 && index < int(kOfferedBaudRates.size()))
        m_baudIndex = index;
}

void SlmPortChoice::applyTo(PreferenceBlock &block) const
{
    block.slmBaudRate = baudRate();
    QString name;
    int number = 0;
    if (m_portIndex >= 0) {
        name = m_ports[std::size_t(m_portIndex)].portName;
        number = m_ports[std::size_t(m_portIndex)].comNumber;
    } else if (!m_typedPort.isEmpty()) {
        name = m_typedPort;
        number = MeterSource::comPortNumber(m_typedPort);
    } else {
        return;
    }
    block.slmPortName = number > 0 ? QStringLiteral("COM%1").arg(number) : name;
    if (number > 0)
        block.slmComport = std::int16_t(qMin(number, 32767));
}

} // namespace tonva

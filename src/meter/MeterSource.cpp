#include "meter/MeterSource.h"

#include "platform/QtSerialPort.h"
#include "sim/BuiltInSimulator.h"

#include <QRegularExpression>

namespace tonva {

int MeterSource::comPortNumber(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^COM([1-9][0-9]{0,2})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(name.trimmed());
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

MeterSource::MeterSource(const QString &portName, Clock &realClock, int portNumber,
                         BuiltInMeterOptions builtIn)
    : m_clock(&realClock), m_portNumber(portNumber)
{
    const QString name = portName.trimmed();
    if (name.compare(builtInName(), Qt::CaseInsensitive) == 0) {
        if (builtIn.virtualTime) {
            m_virtualClock = std::make_unique<VirtualClock>();
            m_clock = m_virtualClock.get();
        }
        m_simulator = std::make_unique<BuiltInSimulator>(*m_clock, TrellanProfile{},
                                                         std::move(builtIn.faults), builtIn.timing);
        m_portNumber = 1;
    } else if (const int number = comPortNumber(name); number > 0) {
        m_portNumber = number;
    } else if (!name.isEmpty()) {
        m_devicePath = name;
        m_portNumber = 1;
    }
}

MeterSource::~MeterSource() = default;
MeterSource::MeterSource(MeterSource &&) noexcept = default;
MeterSource &MeterSource::operator=(MeterSource &&) noexcept = default;

SerialPortFactory MeterSource::factory() const
{
    // A numbered port opens the platform's device of that number.
    return m_simulator ? m_simulator->portFactory() : QtSerialPort::factory(m_devicePath);
}

QString MeterSource::description() const
{
    if (m_simulator)
        return m_virtualClock ? QStringLiteral("the built-in meter (virtual time)")
                              : QStringLiteral("the built-in meter");
    return m_devicePath.isEmpty() ? QtSerialPort::deviceForPortNumber(m_portNumber) : m_devicePath;
}

} // namespace tonva

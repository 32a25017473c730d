#include "platform/QtSerialPort.h"

#include <QElapsedTimer>

namespace tonva {

namespace {

constexpr int kWriteTimeoutMs = 2000;

QSerialPort::Parity toQtParity(char parity)
{
    switch (parity) {
    case 'E':
    case 'e':
        return QSerialPort::EvenParity;
    case 'O':
    case 'o':
        return QSerialPort::OddParity;
    case 'M':
    case 'm':
        return QSerialPort::MarkParity;
    case 'S':
    case 's':
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

} // namespace

QtSerialPort::QtSerialPort(const QString &deviceName)
{
    m_port.setPortName(deviceName);
}

QtSerialPort::~QtSerialPort()
{
    close();
}

QString QtSerialPort::deviceForPortNumber(int portNumber)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNumber);
#else
    return QStringLiteral("/dev/ttyS%1").arg(qMax(0, portNumber - 1));
#endif
}

SerialPortFactory QtSerialPort::factory(const QString &deviceName)
{
    return [deviceName](int portNumber) -> std::unique_ptr<SerialPort> {
        return std::make_unique<QtSerialPort>(deviceName.isEmpty() ? deviceForPortNumber(portNumber)
                                                                   : deviceName);
    };
}

int QtSerialPort::open()
{
    close();
    if (!m_port.open(QIODevice::ReadWrite)) {
        switch (m_port.error()) {
        case QSerialPort::DeviceNotFoundError:
        case QSerialPort::PermissionError: // also reported when another program holds the port
            return kUnavailable;
        default:
            return kOpenFailed;
        }
    }
    m_port.setBaudRate(m_baudRate);
    setDataFormat(m_parity, m_dataBits, m_stopBits);
    m_port.clearError();
    return 0;
}

void QtSerialPort::close()
{
    if (m_port.isOpen())
        m_port.close();
}

bool QtSerialPort::isOpen() const
{
    return m_port.isOpen();
}

QString QtSerialPort::errorText() const
{
    return m_port.errorString();
}

int QtSerialPort::setBaudRate(qint32 rate)
{
    if (rate <= 0)
        return kBaudRejected;
    if (m_port.isOpen() && !m_port.setBaudRate(rate))
        return kBaudRejected;
    m_baudRate = rate;
    return 0;
}

qint32 QtSerialPort::baudRate() const
{
    return m_baudRate;
}

int QtSerialPort::setDataFormat(char parity, int dataBits, int stopBits)
{
    m_parity = parity;
    m_dataBits = dataBits;
    m_stopBits = stopBits;
    if (!m_port.isOpen())
        return 0;
    const bool ok = m_port.setParity(toQtParity(parity)) &&
                    m_port.setDataBits(static_cast<QSerialPort::DataBits>(qBound(5, dataBits, 8))) &&
                    m_port.setStopBits(stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    return ok ? 0 : kOpenFailed;
}

void QtSerialPort::setDtr(bool on)
{
    if (m_port.isOpen() && !m_port.setDataTerminalReady(on))
        forgiveLineControlError();
}

void QtSerialPort::setRts(bool on)
{
    // With hardware flow control the driver owns RTS.
    if (m_port.isOpen() && m_port.flowControl() != QSerialPort::HardwareControl &&
        !m_port.setRequestToSend(on))
        forgiveLineControlError();
}

void QtSerialPort::setHardwareHandshake(bool on)
{
    if (m_port.isOpen() &&
        !m_port.setFlowControl(on ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl))
        forgiveLineControlError();
}

void QtSerialPort::setBreak(bool on)
{
    if (m_port.isOpen() && !m_port.setBreakEnabled(on))
        forgiveLineControlError();
}

void QtSerialPort::forgiveLineControlError()
{
    m_port.clearError();
}

void QtSerialPort::rxFlush()
{
    if (!m_port.isOpen())
        return;
    collectPending();
    m_port.clear(QSerialPort::Input);
    m_port.readAll();
}

void QtSerialPort::txFlush()
{
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Output);
}

int QtSerialPort::rxCount()
{
    if (!m_port.isOpen())
        return 0;
    collectPending();
    return static_cast<int>(m_port.bytesAvailable());
}

int QtSerialPort::txCount()
{
    if (!m_port.isOpen())
        return 0;
    if (m_port.bytesToWrite() > 0)
        m_port.waitForBytesWritten(0);
    return static_cast<int>(m_port.bytesToWrite());
}

int QtSerialPort::putString(const char *data, int length)
{
    if (!m_port.isOpen() || length <= 0)
        return 0;
    const qint64 written = m_port.write(data, length);
    if (written <= 0)
        return 0;
    QElapsedTimer timer;
    timer.start();
    while (m_port.bytesToWrite() > 0 && timer.elapsed() < kWriteTimeoutMs) {
        if (!m_port.waitForBytesWritten(static_cast<int>(kWriteTimeoutMs - timer.elapsed())))
            break;
    }
    return m_port.bytesToWrite() > 0 ? 0 : static_cast<int>(written);
}

int QtSerialPort::putByte(unsigned char byte)
{
    const char c = static_cast<char>(byte);
    return putString(&c, 1) == 1 ? 0 : -1;
}

int QtSerialPort::getString(char *buffer, int size, int terminator, int timeoutMs)
{
    if (!m_port.isOpen() || size <= 0)
        return 0;
    QElapsedTimer timer;
    timer.start();
    int count = 0;
    for (;;) {
        char c = 0;
        while (count < size && m_port.getChar(&c)) {
            buffer[count++] = c;
            if (static_cast<unsigned char>(c) == static_cast<unsigned char>(terminator))
                return count;
        }
        if (count >= size)
            return count;
        const qint64 left = timeoutMs - timer.elapsed();
        // A line cut short by the time-out is still handed over: its checksum will reject it.
        if (left <= 0 || !m_port.isOpen() || !m_port.waitForReadyRead(static_cast<int>(left)))
            return count;
    }
}

int QtSerialPort::getBuffer(char *buffer, int size)
{
    if (!m_port.isOpen() || size <= 0)
        return 0;
    collectPending();
    return static_cast<int>(qMax<qint64>(0, m_port.read(buffer, size)));
}

bool QtSerialPort::waitForReadyRead(int timeoutMs)
{
    if (!m_port.isOpen())
        return false;
    const bool arrived = m_port.waitForReadyRead(qMax(0, timeoutMs));
    if (!arrived)
        m_port.clearError();
    return arrived;
}

void QtSerialPort::collectPending()
{
    if (m_port.waitForReadyRead(0) == false)
        m_port.clearError();
}

} // namespace tonva

#pragma once

#include "platform/SerialPort.h"

#include <QSerialPort>

namespace tonva {

// A real serial device (or pseudo-terminal) through QSerialPort, used synchronously.
class QtSerialPort final : public SerialPort
{
public:
    explicit QtSerialPort(const QString &deviceName);
    ~QtSerialPort() override;

    // The device for a 1-based port number when no device name is configured.
    static QString deviceForPortNumber(int portNumber);
    // Opens `deviceName` when it is not empty, else the device of the port number.
    static SerialPortFactory factory(const QString &deviceName);

    int open() override;
    void close() override;
    bool isOpen() const override;
    QString errorText() const override;

    int setBaudRate(qint32 rate) override;
    qint32 baudRate() const override;
    int setDataFormat(char parity, int dataBits, int stopBits) override;
    void setDtr(bool on) override;
    void setRts(bool on) override;
    void setHardwareHandshake(bool on) override;
    void setBreak(bool on) override;

    void rxFlush() override;
    void txFlush() override;
    int rxCount() override;
    int txCount() override;

    int putString(const char *data, int length) override;
    int putByte(unsigned char byte) override;
    int getString(char *buffer, int size, int terminator, int timeoutMs) override;
    int getBuffer(char *buffer, int size) override;
    bool waitForReadyRead(int timeoutMs) override;

private:
    // Pulls whatever the driver holds into QSerialPort's buffer without waiting.
    void collectPending();
    // Modem-line and break requests fail on pseudo-terminals; they must not fail the link.
    void forgiveLineControlError();

    QSerialPort m_port;
    qint32 m_baudRate = 9600;
    char m_parity = 'N';
    int m_dataBits = 8;
    int m_stopBits = 1;
};

} // namespace tonva

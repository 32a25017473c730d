#pragma once

#include "platform/Clock.h"
#include "platform/SerialPort.h"

#include <QByteArray>
#include <QByteArrayView>
#include <memory>

namespace tonva {

// The serial port to the meter with its settings. The port object is made afresh on every Open,
// so a cable pulled and plugged back in is picked up by simply reopening.
class ComPort
{
public:
    ComPort(SerialPortFactory factory, Clock &clock, int portNumber = 1);
    virtual ~ComPort();

    ComPort(const ComPort &) = delete;
    ComPort &operator=(const ComPort &) = delete;

    int SetPortNumber(int portNumber);
    // The device path the factory opens, for messages; empty when the port is known by its number.
    void SetDevicePath(const QString &path) { m_devicePath = path; }
    const QString &devicePath() const { return m_devicePath; }
    int SetBaudRate(int rate);
    // Seconds; 0 means the default of 2. Returns the previous value.
    int SetReplyTimeout(int seconds);

    int Open();
    int Close();
    void SendBreak(int milliseconds);

    // Puts already formatted bytes on the line, after clearing stale input; a '%' goes out as is.
    virtual int WriteFormatted(QByteArrayView text);
    // Byte by byte (paced 10 ms apart when asked), then CR (and LF when appendLf is set).
    int WriteSlow(QByteArrayView text, bool paced);
    int WriteByte(unsigned char byte);
    // One line of at most `maxBytes` bytes, ending with LF, within the reply time-out.
    int ReadLine(QByteArray &line, int maxBytes);
    // Exactly `count` bytes; the time-out restarts whenever bytes arrive.
    int ReadBlock(QByteArray &block, int count);

    // Receive buffer emptied (twice when bytes were still arriving), transmit buffer dropped.
    void FlushBuffers();
    void FlushReceive();
    void FlushTransmit();
    int BytesWaiting();
    // Waits until more bytes arrive or `timeoutMs` passes, without dispatching; true when some came.
    bool WaitForInput(int timeoutMs);
    // Empties the receive side until the line has been silent for a few characters' time (at most
    // `limitMs` in all), without dispatching. False when the line never went quiet.
    bool DiscardUntilQuiet(int limitMs);
    // Line time of `characters` at the port's rate, rounded up to whole milliseconds.
    int characterTimeMs(int characters) const;

    int portNumber() const { return m_portIndex + 1; }
    int baudRate() const { return m_baudRate; }
    int replyTimeout() const { return m_replyTimeout; }
    bool isOpen() const { return m_open; }
    int status() const { return m_status; }
    Clock &clock() const { return m_clock; }

    void setLineSettings(int dataBits, char parity, int stopBits);
    void setModemLines(bool dtr, bool rts, bool hardwareHandshake);
    void setAppendLf(bool on) { m_appendLf = on; }

private:
    int fail(int status);
    void drainTransmitter();

    SerialPortFactory m_factory;
    Clock &m_clock;
    std::unique_ptr<SerialPort> m_port;

    int m_portIndex = 0;
    QString m_devicePath;
    int m_baudRate = 9600;
    int m_dataBits = 8;
    char m_parity = 'N';
    int m_stopBits = 1;
    bool m_dtr = true;
    bool m_rts = true;
    bool m_hardwareHandshake = false;
    int m_replyTimeout = 2;
    bool m_appendLf = false;
    bool m_open = false;
    int m_status = 0;
};

} // namespace tonva

#pragma once

#include "platform/Clock.h"
#include "platform/SerialPort.h"
#include "sim/VirtualTrellan.h"

#include <QByteArray>
#include <deque>
#include <functional>

namespace tonva {

// A serial port wired straight to a VirtualTrellan, on a Clock. Bytes take their line time in both
// directions (10 bits each at the port's rate); a port tuned to another rate or format than the
// meter's sees garbage, and the meter sees garbage from it. Waits go through the clock, so with a
// VirtualClock a read jumps to the moment the next byte is due (or to its time-out).
class SimSerialPort final : public SerialPort
{
public:
    SimSerialPort(VirtualTrellan &meter, Clock &clock);

    int open() override;
    void close() override;
    bool isOpen() const override { return m_open; }
    QString errorText() const override { return m_error; }

    int setBaudRate(qint32 rate) override;
    qint32 baudRate() const override { return m_rate; }
    int setDataFormat(char parity, int dataBits, int stopBits) override;
    // There are no modem lines between the port and the meter.
    void setDtr(bool) override {}
    void setRts(bool) override {}
    void setHardwareHandshake(bool) override {}
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
    struct Outgoing
    {
        double arrivesMs;
        char byte;
    };

    // Brings the line up to the clock's now: hands over what has reached the meter, collects what
    // has reached the port.
    void advance();
    // Waits on the clock until `ready` holds or `timeoutMs` has passed; returns `ready`'s last answer.
    bool waitFor(const std::function<bool()> &ready, int timeoutMs);
    // False (with the error text set) when the cable is gone or the port is closed.
    bool lineUsable();
    bool formatMatches() const { return m_parity == 'N' && m_dataBits == 8 && m_stopBits == 1; }

    VirtualTrellan &m_meter;
    Clock &m_clock;
    bool m_open = false;
    QString m_error;
    qint32 m_rate = 9600;
    char m_parity = 'N';
    int m_dataBits = 8;
    int m_stopBits = 1;
    std::deque<Outgoing> m_tx;
    double m_txLineFreeAt = 0.0;
    QByteArray m_rx;
};

} // namespace tonva

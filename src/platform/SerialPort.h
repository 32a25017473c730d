#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>

namespace tonva {

// The serial line as the meter link uses it: synchronous, count-returning reads and writes.
// Implementations: QtSerialPort (real ports and pseudo-terminals) and the in-process simulator.
class SerialPort
{
public:
    // Results of open() and setBaudRate().
    static constexpr int kOpenFailed = -1;
    static constexpr int kUnavailable = -828; // missing, or held by another program
    static constexpr int kBaudRejected = -801;

    virtual ~SerialPort() = default;

    // 0 on success, kUnavailable when the device is missing or busy, kOpenFailed otherwise.
    virtual int open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual QString errorText() const = 0;

    // 0, or kBaudRejected when the line cannot run at that rate.
    virtual int setBaudRate(qint32 rate) = 0;
    virtual qint32 baudRate() const = 0;
    // 0, or kOpenFailed when the format cannot be applied.
    virtual int setDataFormat(char parity, int dataBits, int stopBits) = 0;
    virtual void setDtr(bool on) = 0;
    virtual void setRts(bool on) = 0;
    virtual void setHardwareHandshake(bool on) = 0;
    virtual void setBreak(bool on) = 0;

    virtual void rxFlush() = 0;
    virtual void txFlush() = 0;
    virtual int rxCount() = 0;
    virtual int txCount() = 0;

    // Writes `length` bytes; returns the count written (below 1 on failure).
    virtual int putString(const char *data, int length) = 0;
    // Writes one byte; 0 on success.
    virtual int putByte(unsigned char byte) = 0;
    // Reads up to `size` bytes, stopping after `terminator`; returns the count, 0 on time-out.
    virtual int getString(char *buffer, int size, int terminator, int timeoutMs) = 0;
    // Takes what is already waiting, at most `size` bytes; never waits.
    virtual int getBuffer(char *buffer, int size) = 0;
    // Waits until bytes arrive beyond those already waiting, or `timeoutMs` has passed; true when
    // new bytes came.
    virtual bool waitForReadyRead(int timeoutMs) = 0;
};

// Makes the port for a port number (1-based); the meter link calls it on every open.
using SerialPortFactory = std::function<std::unique_ptr<SerialPort>(int portNumber)>;

} // namespace tonva

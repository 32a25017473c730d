#pragma once

#include "meter/Framing.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"

#include <QByteArray>
#include <QByteArrayList>
#include <cstring>
#include <functional>

namespace tonva::test {

// What the fake meter puts on the line for one command.
struct Reply
{
    QByteArray bytes;

    // Nothing at all: the reader times out.
    static Reply none() { return {}; }
    // A properly checksummed reply line.
    static Reply text(char commandChecksum, QByteArrayView text)
    {
        return {framing::frameReply(commandChecksum, text)};
    }
    // A reply line whose checksum is off by one.
    static Reply corrupt(char commandChecksum, QByteArrayView text)
    {
        QByteArray line = framing::frameReply(commandChecksum, text);
        line[line.size() - 3] =
            static_cast<char>(line[line.size() - 3] == '~' ? '!' : line[line.size() - 3] + 1);
        return {line};
    }
    // "!" and then the binary record.
    static Reply block(char commandChecksum, const QByteArray &record)
    {
        return {framing::frameReply(commandChecksum, "!") + record};
    }
};

// The far end of the line: parses every frame written, checks its checksum, records the command
// text and queues the responder's answer. Ports made by factory() all talk to this one meter, so
// the link can close and reopen. Waiting with nothing due moves the virtual clock to the deadline.
class FakeMeter
{
public:
    // Gets the command text (without checksum) and its checksum character.
    using Responder = std::function<Reply(const QByteArray &text, char checksum)>;

    explicit FakeMeter(VirtualClock &clock) : m_clock(clock) {}

    VirtualClock &clock() { return m_clock; }
    void setResponder(Responder responder) { m_responder = std::move(responder); }

    // Bytes that reach the line before the next command is written.
    void queue(const QByteArray &bytes) { m_rx += bytes; }

    QByteArray wire;         // every byte written, in order
    QByteArrayList commands; // every well-formed command text
    int badFrames = 0;       // frames whose checksum did not match
    int breaks = 0;
    int opens = 0;
    int openResult = 0;
    int baudResult = 0;
    qint32 baudRate = 0;

    int count(const QByteArray &text) const { return static_cast<int>(commands.count(text)); }

    SerialPortFactory factory();

    // --- line end used by the port ---
    void write(const char *data, int length)
    {
        for (int i = 0; i < length; ++i) {
            const char c = data[i];
            wire.append(c);
            if (c == framing::kLF)
                continue;
            if (c != framing::kCR) {
                m_frame.append(c);
                continue;
            }
            const QByteArray frame = m_frame;
            m_frame.clear();
            if (frame.isEmpty())
                continue;
            const QByteArray text = frame.left(frame.size() - 1);
            const char sum = frame.back();
            if (framing::checksum(text) != sum)
                continue;
            commands.append(text);
            if (m_responder)
                m_rx += m_responder(text, sum).bytes;
        }
    }
    QByteArray &rx() { return m_rx; }

private:
    VirtualClock &m_clock;
    Responder m_responder;
    QByteArray m_frame;
    QByteArray m_rx;
};

class FakeMeterPort final : public SerialPort
{
public:
    explicit FakeMeterPort(FakeMeter &meter) : m_meter(meter) {}

    int open() override
    {
        ++m_meter.opens;
        m_open = m_meter.openResult == 0;
        return m_meter.openResult;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    QString errorText() const override { return {}; }

    int setBaudRate(qint32 rate) override
    {
        if (m_meter.baudResult != 0)
            return m_meter.baudResult;
        m_meter.baudRate = rate;
        return 0;
    }
    qint32 baudRate() const override { return m_meter.baudRate; }
    int setDataFormat(char, int, int) override { return 0; }
    void setDtr(bool) override {}
    void setRts(bool) override {}
    void setHardwareHandshake(bool) override {}
    void setBreak(bool on) override { m_meter.breaks += on ? 1 : 0; }

    void rxFlush() override { m_meter.rx().clear(); }
    void txFlush() override {}
    int rxCount() override { return static_cast<int>(m_meter.rx().size()); }
    int txCount() override { return 0; }

    int putString(const char *data, int length) override
    {
        m_meter.write(data, length);
        return length;
    }
    int putByte(unsigned char byte) override
    {
        const char c = static_cast<char>(byte);
        m_meter.write(&c, 1);
        return 0;
    }
    int getString(char *buffer, int size, int terminator, int timeoutMs) override
    {
        QByteArray &rx = m_meter.rx();
        if (rx.isEmpty()) {
            m_meter.clock().advance(timeoutMs);
            return 0;
        }
        int count = 0;
        while (count < size && count < rx.size()) {
            const char c = rx[count++];
            if (static_cast<unsigned char>(c) == static_cast<unsigned char>(terminator))
                break;
        }
        std::memcpy(buffer, rx.constData(), static_cast<size_t>(count));
        rx.remove(0, count);
        return count;
    }
    int getBuffer(char *buffer, int size) override
    {
        QByteArray &rx = m_meter.rx();
        const int count = static_cast<int>(qMin<qsizetype>(size, rx.size()));
        std::memcpy(buffer, rx.constData(), static_cast<size_t>(count));
        rx.remove(0, count);
        return count;
    }
    // Replies land whole when a command is written, so nothing new ever arrives while waiting.
    bool waitForReadyRead(int timeoutMs) override
    {
        m_meter.clock().advance(timeoutMs);
        return false;
    }

private:
    FakeMeter &m_meter;
    bool m_open = false;
};

inline SerialPortFactory FakeMeter::factory()
{
    return [this](int) { return std::make_unique<FakeMeterPort>(*this); };
}

} // namespace tonva::test

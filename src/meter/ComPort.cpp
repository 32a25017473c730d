#include "meter/ComPort.h"

#include "meter/Framing.h"
#include "meter/MeterStatus.h"
#include "meter/PumpWait.h"

#include <algorithm>

namespace tonva {

using namespace meter;

namespace {
constexpr int kDefaultReplyTimeout = 2;
constexpr int kTransmitPolls = 10;
constexpr double kTransmitPollSeconds = 0.025;
constexpr double kPacedByteSeconds = 0.01;
// A meter that keeps talking must not hold a command back forever: after this many flushes the
// command goes out anyway and the checksum sorts out whatever the reply looks like.
constexpr int kMaxStaleFlushes = 50;
constexpr double kStaleFlushSeconds = 0.01;
// A meter sends a reply and its record without pauses; a gap of this many characters, plus some
// slack for the operating system's buffering, means it has finished.
constexpr int kQuietGapCharacters = 16;
constexpr int kQuietGapSlackMs = 20;
} // namespace

ComPort::ComPort(SerialPortFactory factory, Clock &clock, int portNumber)
    : m_factory(std::move(factory)), m_clock(clock)
{
    SetPortNumber(portNumber);
}

ComPort::~ComPort()
{
    Close();
}

int ComPort::fail(int status)
{
    m_status = status;
    return status;
}

int ComPort::SetPortNumber(int portNumber)
{
    Close();
    if (portNumber < 1) {
        m_portIndex = 0;
        return fail(kPortUnavailable);
    }
    m_portIndex = portNumber - 1;
    return 0;
}

int ComPort::SetBaudRate(int rate)
{
    m_baudRate = rate;
    if (m_open && m_port->setBaudRate(rate) == SerialPort::kBaudRejected)
        return fail(kBaudRejected);
    return 0;
}

int ComPort::SetReplyTimeout(int seconds)
{
    const int previous = m_replyTimeout;
    m_replyTimeout = seconds == 0 ? kDefaultReplyTimeout : seconds;
    return previous;
}

void ComPort::setLineSettings(int dataBits, char parity, int stopBits)
{
    m_dataBits = dataBits;
    m_parity = parity;
    m_stopBits = stopBits;
}

void ComPort::setModemLines(bool dtr, bool rts, bool hardwareHandshake)
{
    m_dtr = dtr;
    m_rts = rts;
    m_hardwareHandshake = hardwareHandshake;
}

int ComPort::Open()
{
    Close();
    m_status = 0;
    m_port = m_factory ? m_factory(portNumber()) : nullptr;
    if (!m_port)
        return fail(kPortFailed);

    const int opened = m_port->open();
    if (opened != 0) {
        m_port.reset();
        return fail(opened == SerialPort::kUnavailable ? kPortUnavailable : kPortFailed);
    }
    if (m_port->setDataFormat(m_parity, m_dataBits, m_stopBits) != 0 ||
        m_port->setBaudRate(m_baudRate) != 0) {
        m_port->close();
        m_port.reset();
        return fail(kPortFailed);
    }
    m_open = true;
    m_port->setDtr(m_dtr);
    m_port->setRts(m_rts);
    m_port->setHardwareHandshake(m_hardwareHandshake);
    return 0;
}

int ComPort::Close()
{
    if (m_port) {
        m_port->close();
        m_port.reset();
    }
    m_open = false;
    return 0;
}

void ComPort::SendBreak(int milliseconds)
{
    if (!m_port)
        return;
    m_port->setBreak(true);
    m_clock.sleep(milliseconds);
    m_port->setBreak(false);
}

void ComPort::FlushReceive()
{
    if (!m_port)
        return;
    m_port->rxFlush();
    if (m_port->rxCount() != 0)
        m_port->rxFlush();
}

void ComPort::FlushTransmit()
{
    if (m_port)
        m_port->txFlush();
}

void ComPort::FlushBuffers()
{
    FlushReceive();
    FlushTransmit();
}

int ComPort::BytesWaiting()
{
    return m_port ? m_port->rxCount() : 0;
}

int ComPort::WriteFormatted(QByteArrayView text)
{
    if (!m_open)
        return fail(kWriteFailed);
    FlushReceive();
    for (int flushes = 0; m_port->rxCount() != 0 && flushes < kMaxStaleFlushes; ++flushes) {
        PumpWait(m_clock, kStaleFlushSeconds);
        m_port->rxFlush();
    }
    if (m_port->putString(text.data(), static_cast<int>(text.size())) < 1)
        return fail(kWriteFailed);
    m_status = 0;
    return 0;
}

int ComPort::WriteByte(unsigned char byte)
{
    if (!m_open || m_port->putByte(byte) != 0)
        return fail(kWriteFailed);
    m_status = 0;
    return 0;
}

int ComPort::WriteSlow(QByteArrayView text, bool paced)
{
    if (!m_open)
        return fail(kWriteFailed);
    if (m_port->rxCount() > 0)
        FlushReceive();
    for (const char c : text) {
        if (WriteByte(static_cast<unsigned char>(c)) != 0)
            return m_status;
        if (paced)
            PumpWait(m_clock, kPacedByteSeconds);
    }
    if (WriteByte(framing::kCR) != 0)
        return m_status;
    if (m_appendLf)
        return WriteByte(framing::kLF);
    return 0;
}

void ComPort::drainTransmitter()
{
    for (int poll = 0; poll < kTransmitPolls && m_port->txCount() > 0; ++poll)
        PumpWait(m_clock, kTransmitPollSeconds);
    if (m_port->txCount() > 0)
        m_port->txFlush();
}

int ComPort::ReadLine(QByteArray &line, int maxBytes)
{
    line.clear();
    if (!m_open || maxBytes <= 0)
        return fail(kNoReply);
    drainTransmitter();
    line.resize(maxBytes);
    const int count = m_port->getString(line.data(), maxBytes, framing::kLF, m_replyTimeout * 1000);
    line.resize(qBound(0, count, maxBytes));
    if (line.isEmpty())
        return fail(kNoReply);
    m_status = 0;
    return 0;
}

int ComPort::ReadBlock(QByteArray &block, int count)
{
    block.clear();
    if (!m_open)
        return fail(kBlockFailed);
    // Part of the block transfer, which must not dispatch window messages.
    for (int poll = 0; poll < kTransmitPolls && m_port->txCount() > 0; ++poll)
        BlockingWait(m_clock, kTransmitPollSeconds);
    block.resize(count);
    int got = 0;
    const qint64 timeoutMs = m_replyTimeout * 1000LL;
    qint64 deadline = m_clock.nowMs() + timeoutMs;
    while (got < count) {
        const int arrived = m_port->getBuffer(block.data() + got, count - got);
        if (arrived > 0) {
            got += arrived;
            deadline = m_clock.nowMs() + timeoutMs;
            continue;
        }
        const qint64 left = deadline - m_clock.nowMs();
        if (left <= 0) {
            block.resize(got);
            return fail(kBlockFailed);
        }
        WaitForInput(static_cast<int>(left));
    }
    m_status = 0;
    return 0;
}

bool ComPort::WaitForInput(int timeoutMs)
{
    const qint64 start = m_clock.nowMs();
    if (m_port && m_port->waitForReadyRead(timeoutMs))
        return true;
    // A port that cannot wait (gone with a hung-up line) returns at once; sleeping out the rest
    // keeps the caller's polling loop from spinning.
    const qint64 waited = m_clock.nowMs() - start;
    if (waited < timeoutMs)
        m_clock.sleep(timeoutMs - waited);
    return false;
}

int ComPort::characterTimeMs(int characters) const
{
    // Ten bits a character: start, eight data bits, stop.
    const qint64 rate = m_baudRate > 0 ? m_baudRate : 9600;
    return static_cast<int>((characters * 10000LL + rate - 1) / rate);
}

bool ComPort::DiscardUntilQuiet(int limitMs)
{
    const qint64 deadline = m_clock.nowMs() + limitMs;
    for (;;) {
        FlushReceive();
        const qint64 left = deadline - m_clock.nowMs();
        if (left <= 0)
            return false;
        const int quietMs = kQuietGapSlackMs + characterTimeMs(kQuietGapCharacters);
        if (!WaitForInput(static_cast<int>(std::min<qint64>(quietMs, left))))
            return true;
    }
}

} // namespace tonva

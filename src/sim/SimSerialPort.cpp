#include "sim/SimSerialPort.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tonva {

namespace {

constexpr std::array<qint32, 14> kStandardRates{110,   300,   600,   1200,  2400,  4800,   9600,
                                                14400, 19200, 28800, 38400, 57600, 115200, 230400};

} // namespace

SimSerialPort::SimSerialPort(VirtualTrellan &meter, Clock &clock) : m_meter(meter), m_clock(clock)
{}

int SimSerialPort::open()
{
    close();
    if (m_meter.isLineCut(m_clock.nowMs())) {
        m_error = QStringLiteral("The simulated meter's line is disconnected");
        return kUnavailable;
    }
    m_error.clear();
    m_open = true;
    m_txLineFreeAt = static_cast<double>(m_clock.nowMs());
    // Whatever the meter sent while nobody listened is gone.
    m_meter.takeDue(m_clock.nowMs());
    return 0;
}

void SimSerialPort::close()
{
    if (!m_open)
        return;
    advance();
    m_open = false;
    m_tx.clear();
    m_rx.clear();
}

int SimSerialPort::setBaudRate(qint32 rate)
{
    if (std::find(kStandardRates.begin(), kStandardRates.end(), rate) == kStandardRates.end())
        return kBaudRejected;
    if (m_open)
        advance();
    m_rate = rate;
    return 0;
}

int SimSerialPort::setDataFormat(char parity, int dataBits, int stopBits)
{
    if (dataBits < 5 || dataBits > 8 || stopBits < 1 || stopBits > 2)
        return kOpenFailed;
    m_parity = static_cast<char>(std::toupper(static_cast<unsigned char>(parity)));
    m_dataBits = dataBits;
    m_stopBits = stopBits;
    return 0;
}

void SimSerialPort::setBreak(bool on)
{
    if (!on || !lineUsable())
        return;
    advance();
    // A break cuts off whatever was still going out.
    m_tx.clear();
    m_meter.lineBreak(m_clock.nowMs());
}

void SimSerialPort::rxFlush()
{
    if (!m_open)
        return;
    advance();
    m_rx.clear();
}

void SimSerialPort::txFlush()
{
    if (!m_open)
        return;
    advance();
    m_tx.clear();
}

int SimSerialPort::rxCount()
{
    if (!lineUsable())
        return 0;
    advance();
    return static_cast<int>(m_rx.size());
}

int SimSerialPort::txCount()
{
    if (!lineUsable())
        return 0;
    advance();
    return static_cast<int>(m_tx.size());
}

int SimSerialPort::putString(const char *data, int length)
{
    if (!lineUsable() || length <= 0)
        return 0;
    advance();
    const double byteMs = 10000.0 / m_rate;
    double arrives = std::max(m_txLineFreeAt, static_cast<double>(m_clock.nowMs()));
    for (int i = 0; i < length; ++i) {
        arrives += byteMs;
        m_tx.push_back({arrives, data[i]});
    }
    m_txLineFreeAt = arrives;
    return length;
}

int SimSerialPort::putByte(unsigned char byte)
{
    const char c = static_cast<char>(byte);
    return putString(&c, 1) == 1 ? 0 : -1;
}

int SimSerialPort::getString(char *buffer, int size, int terminator, int timeoutMs)
{
    if (!lineUsable() || size <= 0)
        return 0;
    const char end = static_cast<char>(terminator);
    const auto lineLength = [this, end, size]() -> qsizetype {
        const qsizetype at = m_rx.indexOf(end);
        if (at >= 0 && at < size)
            return at + 1;
        return m_rx.size() >= size ? size : 0;
    };
    waitFor([&lineLength] { return lineLength() > 0; }, timeoutMs);
    // A line cut short by the time-out is still handed over: its checksum will reject it.
    const qsizetype count = lineLength() > 0 ? lineLength() : std::min<qsizetype>(m_rx.size(), size);
    std::copy_n(m_rx.constData(), count, buffer);
    m_rx.remove(0, count);
    return static_cast<int>(count);
}

int SimSerialPort::getBuffer(char *buffer, int size)
{
    if (!lineUsable() || size <= 0)
        return 0;
    advance();
    const qsizetype count = std::min<qsizetype>(m_rx.size(), size);
    std::copy_n(m_rx.constData(), count, buffer);
    m_rx.remove(0, count);
    return static_cast<int>(count);
}

bool SimSerialPort::waitForReadyRead(int timeoutMs)
{
    if (!lineUsable())
        return false;
    const qsizetype waiting = m_rx.size();
    return waitFor([this, waiting] { return m_rx.size() > waiting; }, timeoutMs);
}

void SimSerialPort::advance()
{
    const qint64 now = m_clock.nowMs();
    const qint32 senderRate = formatMatches() ? m_rate : 0;
    while (!m_tx.empty() && m_tx.front().arrivesMs <= static_cast<double>(now)) {
        // Hand over the run of bytes that arrive within the same millisecond together.
        const qint64 arrivedAt = static_cast<qint64>(std::ceil(m_tx.front().arrivesMs));
        QByteArray run;
        while (!m_tx.empty() && static_cast<qint64>(std::ceil(m_tx.front().arrivesMs)) == arrivedAt &&
               m_tx.front().arrivesMs <= static_cast<double>(now)) {
            run.append(m_tx.front().byte);
            m_tx.pop_front();
        }
        m_meter.receive(run, arrivedAt, senderRate);
    }
    for (const LineByte &byte : m_meter.takeDue(now)) {
        const bool readable = byte.rate == m_rate && formatMatches();
        m_rx.append(readable ? byte.value : VirtualTrellan::misframed(byte.value));
    }
}

bool SimSerialPort::waitFor(const std::function<bool()> &ready, int timeoutMs)
{
    const qint64 deadline = m_clock.nowMs() + std::max(0, timeoutMs);
    for (;;) {
        advance();
        if (ready())
            return true;
        const qint64 now = m_clock.nowMs();
        if (now >= deadline || m_meter.isLineCut(now))
            return false;
        qint64 next = deadline;
        if (!m_tx.empty())
            next = std::min(next, static_cast<qint64>(std::ceil(m_tx.front().arrivesMs)));
        if (const std::optional<qint64> due = m_meter.nextDueMs())
            next = std::min(next, *due);
        m_clock.sleep(std::max<qint64>(1, next - now));
    }
}

bool SimSerialPort::lineUsable()
{
    if (!m_open)
        return false;
    if (m_meter.isLineCut(m_clock.nowMs())) {
        m_error = QStringLiteral("The simulated meter's line is disconnected");
        return false;
    }
    return true;
}

} // namespace tonva

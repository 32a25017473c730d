#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

namespace tonva {

// Every wait in the program goes through a Clock, so tests can replace real time with virtual time.
class Clock
{
public:
    virtual ~Clock() = default;

    // Milliseconds since an arbitrary, fixed start; never goes backwards.
    virtual qint64 nowMs() const = 0;
    // Blocks for `ms` without dispatching window messages.
    virtual void sleep(qint64 ms) = 0;
    // Waits `ms` while dispatching pending window messages, so the interface stays live.
    virtual void pump(qint64 ms) = 0;
};

// Real time; pump() dispatches Qt events while it waits.
class SystemClock final : public Clock
{
public:
    SystemClock();

    qint64 nowMs() const override;
    void sleep(qint64 ms) override;
    void pump(qint64 ms) override;

private:
    QElapsedTimer m_started;
};

// Time that moves only when somebody waits: every wait returns at once and advances the clock.
class VirtualClock final : public Clock
{
public:
    explicit VirtualClock(qint64 startMs = 0) : m_now(startMs) {}

    qint64 nowMs() const override { return m_now; }
    void sleep(qint64 ms) override { advance(ms); }
    void pump(qint64 ms) override { advance(ms); }

    void advance(qint64 ms)
    {
        if (ms > 0)
            m_now += ms;
    }
    void advanceTo(qint64 ms)
    {
        if (ms > m_now)
            m_now = ms;
    }

private:
    qint64 m_now;
};

} // namespace tonva

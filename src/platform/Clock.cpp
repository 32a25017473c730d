#include "platform/Clock.h"

#include <QCoreApplication>
#include <QThread>

namespace tonva {

SystemClock::SystemClock()
{
    m_started.start();
}

qint64 SystemClock::nowMs() const
{
    return m_started.elapsed();
}

void SystemClock::sleep(qint64 ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

void SystemClock::pump(qint64 ms)
{
    const qint64 deadline = nowMs() + ms;
    // Dispatch at least once, even for a zero wait, so a long loop of zero waits keeps the UI alive.
    do {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const qint64 left = deadline - nowMs();
        if (left > 0)
            QThread::msleep(static_cast<unsigned long>(qMin<qint64>(left, 5)));
    } while (nowMs() < deadline);
}

} // namespace tonva

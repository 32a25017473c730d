#include "meter/PumpWait.h"

#include <cmath>

namespace tonva {

namespace {
qint64 toMs(double seconds)
{
    return static_cast<qint64>(std::llround(seconds * 1000.0));
}
} // namespace

void PumpWait(Clock &clock, double seconds, qint64 startMs)
{
    const qint64 start = startMs != 0 ? startMs : clock.nowMs();
    const qint64 left = start + toMs(seconds) - clock.nowMs();
    // A zero wait still dispatches once, so tight loops keep the window responsive.
    clock.pump(qMax<qint64>(0, left));
}

void BlockingWait(Clock &clock, double seconds)
{
    clock.sleep(qMax<qint64>(0, toMs(seconds)));
}

} // namespace tonva

#pragma once

#include "platform/Clock.h"

namespace tonva {

// Waits while dispatching pending window messages, so the interface stays live during a command.
// With a non-zero `startMs` the deadline counts from that moment instead of from now.
void PumpWait(Clock &clock, double seconds, qint64 startMs = 0);

// Waits without dispatching: only the block transfer uses it, because a window message handled
// mid-transfer could start a second exchange on the same port.
void BlockingWait(Clock &clock, double seconds);

} // namespace tonva

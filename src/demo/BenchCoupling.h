#pragma once

#include "model/TestSetup.h"
#include "sim/SimulatedAudiometer.h"

namespace tonva::demo {

// The chain between the simulated audiometer's dial and the meter, taken from the test's set-up:
// the reference levels the test judges against and the coupler and microphone corrections it
// subtracts. An audiometer coupled this way reads back as its dial plus its own error; the bone
// vibrator's force level passes the mastoid's correction for the room the set-up records.
AudiometerCoupling couplingFor(const TestSetup &setup);

} // namespace tonva::demo

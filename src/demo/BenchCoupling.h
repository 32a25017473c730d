#pragma once

#include "model/TestSetup.h"
#include "sim/SimulatedAudiometer.h"

namespace tonva::demo {

// The chain between the simulated audiometer's dial and the meter, taken from the test's set-up:
// the reference levels the test judges against and the coupler and microphone corrections it
// subtracts. An audiometer coupled this way reads back as its dial plus its own error. The bone
// vibrator's mastoid correction is not part of it.
AudiometerCoupling couplingFor(const TestSetup &setup);

} // namespace tonva::demo

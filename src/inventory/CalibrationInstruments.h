#pragma once

#include "meter/MeterCalibration.h"
#include "model/Inventory.h"

#include <vector>

namespace tonva {

// The inventory's calibrators and microphones as the meter calibration offers them, in list order.
std::vector<MeterCalibration::Calibrator> calibrationCalibrators(const Inventory &inventory);
std::vector<MeterCalibration::Microphone> calibrationMicrophones(const Inventory &inventory);

} // namespace tonva

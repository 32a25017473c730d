#pragma once

#include "model/AudTestRecord.h"

#include <QStringList>

namespace tonva {

class Interaction;

// The meter calibration dialog checks its equipment under this transducer number.
inline constexpr int kCalibrationDialogEquipment = -1;

// The item lines ("    SLM", ...) of everything a measurement on `transducer` (0..4, or
// kCalibrationDialogEquipment) and `ear` still lacks in the record's equipment selection, in the
// order the technician is told them.
QStringList MissingEquipment(int transducer, const AudTestRecord &record, Ear ear);

// True when nothing is missing; otherwise shows the one message that lists every missing item.
bool CheckRequiredEquipment(int transducer, const AudTestRecord &record, Ear ear, Interaction &interaction);

} // namespace tonva

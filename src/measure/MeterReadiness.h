#pragma once

#include "meter/MeterTables.h"

#include <QString>

namespace tonva {

class Interaction;
class Progress;
class SlmLink;

// Readies the meter for a test kind, asking `question` (OK retries, Cancel gives up) for as long as
// the meter refuses. `status`, when given, is shown on `progress` before every attempt.
// True when the meter is ready, false when the technician gave up.
bool ReadyMeterForTest(SlmLink &link, Interaction &interaction, MeterMode mode, int kind,
                       const QString &question, Progress *progress = nullptr,
                       const QString &status = QString());

} // namespace tonva

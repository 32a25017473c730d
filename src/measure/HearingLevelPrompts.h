#pragma once

#include "measure/HearingLevelEvaluation.h"

#include <QString>

namespace tonva {

// The texts the hearing-level page shows the technician. Measure All offers Yes (again), No (next
// frequency) and Cancel; Measure Selected only Yes and No, where No cancels, and its texts say so.
namespace hearingprompt {

enum class Run
{
    All,
    Selected,
};

// The stimulus as the "Set" prompt and the too-low questions describe it.
QString toneStimulus(int dialLevel, Ear ear, double hertz);
QString frequencyStimulus(Ear ear, double hertz);
QString narrowBandStimulus(int dialLevel, Ear ear, double hertz);

QString setPrompt(HearingLevelMode mode, const QString &stimulus, Ear ear, double hertz);

QString unstableLevel(Run run, double spread, double hertz);
QString levelTooLow(Run run, HearingLevelMode mode, double level, double hertz, const QString &stimulus);
QString frequencyUnreadable(Run run, double hertz, const QString &stimulus);
QString frequencyTooLow(Run run, double measured, double hertz, const QString &stimulus);
QString restartQuestion(double lastMeasuredHertz);

QString communicationFailed();
QString saveNewReadings();
QString noisyModulation();

} // namespace hearingprompt
} // namespace tonva

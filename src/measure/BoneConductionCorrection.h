#pragma once

#include "measure/TestConditions.h"
#include "model/AudTestRecord.h"

#include <QString>
#include <optional>

namespace tonva {

// The parts of the mastoid correction at one frequency: band level minus their sum is the force
// level. They are listed one by one under "Show Applied Corrections".
struct MastoidCorrection
{
    double response = 0.0;    // "Mast.": the mastoid's response on its coupler
    double sensitivity = 0.0; // a force coupler's sensitivity ratio; 0 for the maker's own mastoid
    double microphone = 0.0;  // "Mic.": the coupler microphone's response
    double temperature = 0.0; // "T."
    double humidity = 0.0;    // "H."
    double pressure = 0.0;    // "P"

    double total() const { return response + sensitivity + microphone + temperature + humidity + pressure; }
};

// The room terms of the maker's mastoid.
struct EnvironmentalCorrection
{
    double temperature = 0.0;
    double humidity = 0.0;
    double pressure = 0.0;
};

// Only the full maker name counts: a mastoid of another make whose name happens to start with the
// same letter is a force coupler and needs its sensitivities.
bool isMervaneMastoid(const MastoidData &mastoid);
// Which of the maker's three calibration table sets a mastoid of this serial number uses (1 to 3).
int environmentalTableSet(const MastoidData &mastoid);
// Inches and millimetres of mercury are told apart from kilopascals by their size.
double pressureInKilopascals(double pressure);
// The room terms at a frequency index for a mastoid on `couplerCode`; zero outside 250 to 8000 Hz.
EnvironmentalCorrection environmentalCorrection(int tableSet, int couplerCode, int frequencyIndex,
                                                const TestConditions &room);
// The correction of the set-up's mastoid at a frequency index in the room the set-up records.
MastoidCorrection mastoidCorrection(const TestSetup &setup, int frequencyIndex);

// Why bone levels cannot be judged with this set-up's mastoid: a force coupler without positive
// sensitivities would give a correction that is no number. Empty when the mastoid can be used.
QString mastoidRefusal(const TestSetup &setup);

} // namespace tonva

#pragma once

#include "model/AudTestRecord.h"

#include <QString>

namespace tonva {

// The earphone slot of the set-up for an earphone transducer; null for bone vibrator and speakers.
const EarphoneSlot *earphoneSlot(const TestSetup &setup, TransducerType transducer);

// The microphone that sits in the coupler chosen for an earphone; null for other transducers or
// when the earphone's coupler code names no microphone slot.
const MicrophoneSlot *couplerMicrophone(const TestSetup &setup, TransducerType transducer);

// What the coupler and its microphone add to an earphone's level at a test frequency, so that
// band level minus this is the level at the ear. Circumaural earphones above 8000 Hz are measured
// through the microphone's grid, whose correction is added too. Speakers (free field) need none;
// the bone vibrator has its own mastoid correction and is not handled here.
float couplerCorrection(const TestSetup &setup, TransducerType transducer, int frequencyIndex);

// True when none of the microphone's grid corrections has been entered.
bool gridCorrectionsMissing(const MicrophoneSlot &microphone);

// The question shown before a circumaural measurement when the microphone has no grid corrections.
QString missingGridQuestion(const MicrophoneSlot &microphone);

class Interaction;
class PreferenceStore;

// Before a circumaural measurement: asks whether to go on without grid corrections when none have
// been entered and "Ask For Grid" is on, and stores the "Do not show this dialog again." box. False
// when the technician cancelled; true for every other transducer.
bool confirmGridCorrections(const TestSetup &setup, TransducerType transducer, PreferenceStore &preferences,
                            Interaction &interaction);

} // namespace tonva

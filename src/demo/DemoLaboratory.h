#pragma once

#include "inventory/InstrumentInventory.h"
#include "model/AudTestRecord.h"
#include "platform/Interaction.h"
#include "platform/PreferenceStore.h"

#include <QDate>

namespace tonva::demo {

// The audiometer on the demonstration bench; the stored tests of the demo are found by it.
inline constexpr char kAudiometerModel[] = "AD 629";
inline constexpr char kAudiometerSerial[] = "DA-20417";
inline constexpr char kTechnician[] = "Demo Technician";

// Adds the meter, preamplifier, calibrator, coupler and open-air microphones and mastoid the
// demonstration uses to the inventory; instruments already there (by serial number) are kept. False when one was refused
// (the technician has been told why).
bool addInstruments(InstrumentInventory &inventory);

// Sets the new test up as the technician would in the set-up window: a two-channel type 1
// audiometer with FM at 5 Hz and 10 %, the standard frequencies, TDH 39 earphones on the coupler
// with the demo microphone, a bone vibrator on the mastoid, two loudspeakers heard by the open-air
// microphone, and the laboratory's instruments. False
// when the set-up was refused (the technician has been told why).
bool setUpTest(AudTestRecord &record, const Inventory &inventory, PreferenceStore &preferences,
               Interaction &interaction, const QDate &today);

} // namespace tonva::demo

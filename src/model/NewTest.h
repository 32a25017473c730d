#pragma once

#include "model/AudTestRecord.h"
#include "model/BoothRecord.h"
#include "platform/PreferenceStore.h"

#include <QDate>
#include <QString>

namespace tonva {

// What the technician chose to happen after a test, read afresh for every new test.
struct AfterTestPreferences
{
    bool saveAfterTest = true;
    bool showSaveDialogAfterTest = true;
    bool displayEarsNotCovered = true;
};

// Starts a new test: both records cleared, today's date, the current layout version, the
// technician's usual dial levels and the not-applicable entries of the status table.
AfterTestPreferences NewTest(AudTestRecord &record, BoothRecord &booth, const PreferenceStore &preferences,
                             const QDate &today);

// The combinations of measurement and transducer that do not exist get status 99.
void markNotApplicableMeasurements(AudTestRecord &record);

// Channel 1 input dial levels from and to the preference store (section "Settings"); a saved test
// writes its levels back so the next test starts from them. A hand-edited level beyond 16 bits is
// held at the limit rather than wrapped into a plausible but wrong dial level.
void applyDefaultInputLevels(AudTestRecord &record, const PreferenceStore &preferences);
void storeDefaultInputLevels(const AudTestRecord &record, PreferenceStore &preferences);

// The bone vibrator's levels: from 250 Hz to 8000 Hz, each remembered under its own name.
inline constexpr int kFirstBoneInputFrequency = 5; // 250 Hz
QString boneInputLevelName(int frequencyIndex);
int defaultBoneInputLevel(int frequencyIndex);

// The window title for a test: audiometer model and serial number, each without its padding.
QString SetTitleFromRecord(const TestSetup &setup);

} // namespace tonva

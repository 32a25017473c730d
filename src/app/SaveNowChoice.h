#pragma once

#include "platform/PreferenceStore.h"

namespace tonva {

// The two buttons of the "Save Data" question after a test or transducer change.
enum class SaveNowButton
{
    Save,
    SaveLater
};

// The question's check box, "Close dialog and always use the clicked result.", starts ticked only
// when the question is switched off already.
bool saveNowAlwaysUseInitially(const PreferenceStore &store);

// Records the technician's answer in "Settings": a ticked box stops the question, and with
// "Save Later" also stops saving without asking. True when the results are to be saved now.
bool applySaveNowChoice(PreferenceStore &store, SaveNowButton button, bool alwaysUse);

} // namespace tonva

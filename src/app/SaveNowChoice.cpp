#include "app/SaveNowChoice.h"

namespace tonva {

bool saveNowAlwaysUseInitially(const PreferenceStore &store)
{
    return !store.readFlag(preference::ShowSaveDialogAfterTest);
}

bool applySaveNowChoice(PreferenceStore &store, SaveNowButton button, bool alwaysUse)
{
    store.writeFlag(preference::ShowSaveDialogAfterTest, !alwaysUse);
    if (button == SaveNowButton::Save) {
        store.writeFlag(preference::SaveAfterTest, true);
        return true;
    }
    if (alwaysUse)
        store.writeFlag(preference::SaveAfterTest, false);
    return false;
}

} // namespace tonva

#pragma once

#include "model/AudTestRecord.h"
#include "platform/PreferenceStore.h"

namespace tonva {

// The input dial levels a new test starts with on channel 1, kept in the "Settings" section so the
// next test starts where the technician's last saved one ended.
namespace InputLevelDefaults {

void apply(const PreferenceStore &store, AudTestRecord &record);
void remember(const AudTestRecord &record, PreferenceStore &store);

} // namespace InputLevelDefaults
} // namespace tonva

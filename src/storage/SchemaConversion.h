#pragma once

#include "platform/Interaction.h"
#include "storage/DatabaseFile.h"

namespace tonva {

// Checks the schema version of the database in `slot`, converting files of versions 1 to 6 step by
// step. Returns the version (7 after a conversion) with the file ready for use, or -1 with the
// message shown; on -1 the caller closes the database.
int CheckAndConvertDatabase(DatabaseSlot &slot, Interaction &interaction);

// Converts the database in `slot` from `fromVersion` to the next version. The original stays
// intact under its own name until the converted file is complete and takes its place in one
// rename. Asks whether to keep the old file only while `askToKeepOld` is set, then clears it.
// Returns 0 on success with `slot` holding the converted file, -1 on failure.
int ConvertDatabaseStep(DatabaseSlot &slot, int fromVersion, bool &askToKeepOld, Interaction &interaction,
                        Progress &progress);

} // namespace tonva

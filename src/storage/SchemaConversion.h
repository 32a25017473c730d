#pragma once

#include "platform/Interaction.h"
#include "storage/DatabaseFile.h"

namespace tonva {

// How much of a file is read to find damaged pages. Reading every page costs time in proportion
// to the file, so an everyday start skips it for a file that is not about to be converted.
enum class PageCheck
{
    BeforeConversion,
    Always
};

// The checks a file passes before it is used or converted, all without changing it: a version this
// program knows, the four tables with their columns and, per `pages`, intact pages. Returns the
// version, or -1 with the message shown.
int VerifyDatabase(const Database &database, Interaction &interaction,
                   PageCheck pages = PageCheck::BeforeConversion);

// Checks the database in `slot` (VerifyDatabase), converting files of versions 1 to 6 step by step.
// Returns the version (7 after a conversion) with the file ready for use, or -1 with the message
// shown; on -1 the caller closes the database.
int CheckAndConvertDatabase(DatabaseSlot &slot, Interaction &interaction,
                            PageCheck pages = PageCheck::BeforeConversion);

// Converts the database in `slot` from `fromVersion` to the next version. The original stays
// intact under its own name until the converted file is complete and takes its place in one
// rename. Asks whether to keep the old file only while `askToKeepOld` is set, then clears it.
// Returns 0 on success with `slot` holding the converted file, -1 on failure.
int ConvertDatabaseStep(DatabaseSlot &slot, int fromVersion, bool &askToKeepOld, Interaction &interaction,
                        Progress &progress);

} // namespace tonva

#pragma once

#include "app/CVemoraDoc.h"
#include "app/ViewId.h"
#include "storage/StoredDataSheet.h"

#include <optional>

namespace tonva {

// From the Test menu: loads what Retrieve chose as the current booth survey and test, and names the
// view that shows it (the booth view when only a survey came). Nothing when nothing was loaded.
std::optional<ViewId> RetrieveStored(CVemoraDoc &document, const StoredSelection &selection);

// The page a comparison chooses from: tests from the audiometer views, surveys from the booth view.
StoredSheetPages comparisonPages(bool boothView);

// For a comparison: loads the chosen row as the second record. False when the sheet was cancelled
// (`selection` empty), nothing of the right kind was highlighted or the row could not be read: the
// caller must then not print, or it would print whatever an earlier comparison left behind.
bool RetrieveComparison(CVemoraDoc &document, const std::optional<StoredSelection> &selection,
                        bool boothView);

} // namespace tonva

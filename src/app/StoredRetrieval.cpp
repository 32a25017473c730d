#include "app/StoredRetrieval.h"

namespace tonva {

std::optional<ViewId> RetrieveStored(CVemoraDoc &document, const StoredSelection &selection)
{
    const bool survey = selection.boothId >= 0 && document.LoadBooth(selection.boothId);
    const bool test = selection.testId >= 0 && document.LoadTest(selection.testId);
    if (test)
        return ViewId::Summary;
    if (survey)
        return ViewId::Booth;
    return std::nullopt;
}

StoredSheetPages comparisonPages(bool boothView)
{
    return boothView ? StoredSheetPages::SurveysOnly : StoredSheetPages::TestsOnly;
}

bool RetrieveComparison(CVemoraDoc &document, const std::optional<StoredSelection> &selection, bool boothView)
{
    if (!selection)
        return false;
    if (boothView)
        return selection->boothId >= 0 && document.LoadComparisonBooth(selection->boothId);
    return selection->testId >= 0 && document.LoadComparisonTest(selection->testId);
}

} // namespace tonva

#pragma once

#include "platform/Interaction.h"
#include "storage/Database.h"
#include "storage/StoredFilter.h"
#include "storage/StoredList.h"

#include <vector>

namespace tonva {

// Which pages the stored-measurements sheet shows: both from the Test menu, one for a comparison.
enum class StoredSheetPages
{
    Both,
    TestsOnly,
    SurveysOnly
};

// What Retrieve hands back: the `Id` highlighted on each shown page, -1 for none.
struct StoredSelection
{
    int testId = -1;
    int boothId = -1;

    bool empty() const { return testId < 0 && boothId < 0; }
};

// The stored-measurements sheet without its window: the two filters, the rows they find, the
// highlighted row of each page, Delete and the selection Retrieve takes.
class StoredDataSheet
{
public:
    StoredDataSheet(const Database *database, Interaction &interaction, StoredSheetPages pages);

    bool showsTests() const { return m_pages != StoredSheetPages::SurveysOnly; }
    bool showsSurveys() const { return m_pages != StoredSheetPages::TestsOnly; }

    TestFilter testFilter;
    BoothFilter boothFilter;

    // Runs the page's filter and refills its rows; a highlighted row that is gone is forgotten.
    void fillTests();
    void fillSurveys();
    const std::vector<StoredListRow> &testRows() const { return m_testRows; }
    const std::vector<StoredListRow> &surveyRows() const { return m_surveyRows; }

    // Highlights the row with this `Id` (-1: none); an `Id` not in the list highlights nothing.
    void highlightTest(int id);
    void highlightSurvey(int id);
    int highlightedTest() const { return m_testId; }
    int highlightedSurvey() const { return m_surveyId; }

    // Asks about and deletes the highlighted row of each shown page, the survey first, refilling
    // each page that lost one. True when something was deleted.
    bool deleteHighlighted();

    StoredSelection selection() const;

private:
    const Database *m_database;
    Interaction &m_interaction;
    StoredSheetPages m_pages;
    std::vector<StoredListRow> m_testRows;
    std::vector<StoredListRow> m_surveyRows;
    int m_testId = -1;
    int m_surveyId = -1;
};

} // namespace tonva

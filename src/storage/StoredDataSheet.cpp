#include "storage/StoredDataSheet.h"

#include <algorithm>

namespace tonva {

namespace {

bool listed(const std::vector<StoredListRow> &rows, int id)
{
    return std::any_of(rows.begin(), rows.end(), [id](const StoredListRow &row) { return row.id == id; });
}

} // namespace

StoredDataSheet::StoredDataSheet(const Database *database, Interaction &interaction, StoredSheetPages pages)
    : m_database(database), m_interaction(interaction), m_pages(pages)
{}

void StoredDataSheet::fillTests()
{
    m_testRows = FillTestList(m_database, testFilter, m_interaction).value_or(std::vector<StoredListRow>());
    if (!listed(m_testRows, m_testId))
        m_testId = -1;
}

void StoredDataSheet::fillSurveys()
{
    m_surveyRows =
        FillBoothList(m_database, boothFilter, m_interaction).value_or(std::vector<StoredListRow>());
    if (!listed(m_surveyRows, m_surveyId))
        m_surveyId = -1;
}

void StoredDataSheet::highlightTest(int id)
{
    m_testId = listed(m_testRows, id) ? id : -1;
}

void StoredDataSheet::highlightSurvey(int id)
{
    m_surveyId = listed(m_surveyRows, id) ? id : -1;
}

bool StoredDataSheet::deleteHighlighted()
{
    if (!m_database)
        return false;
    bool deleted = false;
    if (showsSurveys() && DeleteStored(*m_database, StoredKind::Ambient, m_surveyId, m_interaction)) {
        fillSurveys();
        deleted = true;
    }
    if (showsTests() && DeleteStored(*m_database, StoredKind::Audiometric, m_testId, m_interaction)) {
        fillTests();
        deleted = true;
    }
    return deleted;
}

StoredSelection StoredDataSheet::selection() const
{
    return {showsTests() ? m_testId : -1, showsSurveys() ? m_surveyId : -1};
}

} // namespace tonva

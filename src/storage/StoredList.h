#pragma once

#include "platform/Interaction.h"
#include "storage/Database.h"
#include "storage/StoredFilter.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tonva {

enum class StoredKind
{
    Ambient,
    Audiometric
};

struct ListColumn
{
    QString title;
    int width;
};

// One line of a stored-measurements list: the cells in column order, and the row's `Id`.
struct StoredListRow
{
    int id = -1;
    QStringList cells;
};

// The list columns for a list `listWidth` wide; the last column takes what the others leave.
std::vector<ListColumn> testListColumns(int listWidth);
std::vector<ListColumn> boothListColumns(int listWidth);

// The rows the filter selects, in the engine's order; nothing (with the message shown) when the
// database is missing or the query fails.
std::optional<std::vector<StoredListRow>> FillTestList(const Database *database, const TestFilter &filter,
                                                       Interaction &interaction);
std::optional<std::vector<StoredListRow>> FillBoothList(const Database *database, const BoothFilter &filter,
                                                        Interaction &interaction);

// Deletes row `id` of the kind's table after asking; an `id` below 0 (nothing highlighted) asks
// nothing. True when a row was deleted and the list wants refilling.
bool DeleteStored(const Database &database, StoredKind kind, int id, Interaction &interaction);

} // namespace tonva

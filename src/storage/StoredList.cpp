#include "storage/StoredList.h"

#include "storage/DateNumber.h"
#include "storage/Recordsets.h"

namespace tonva {

namespace {

const QString kNoDatabase = QStringLiteral("The database is not available.");

} // namespace

std::vector<ListColumn> testListColumns(int listWidth)
{
    return {{QStringLiteral("Technician"), 125},
            {QStringLiteral("Model"), 105},
            {QStringLiteral("Serial Num"), 105},
            {QStringLiteral("Channel"), 70},
            {QStringLiteral("Date"), listWidth - 405}};
}

std::vector<ListColumn> boothListColumns(int listWidth)
{
    return {{QStringLiteral("Test Name"), 130},
            {QStringLiteral("Customer"), 130},
            {QStringLiteral("Booth"), 130},
            {QStringLiteral("Date"), listWidth - 390}};
}

std::optional<std::vector<StoredListRow>> FillTestList(const Database *database, const TestFilter &filter,
                                                       Interaction &interaction)
{
    if (!database) {
        interaction.message(kNoDatabase);
        return std::nullopt;
    }
    try {
        std::vector<StoredListRow> rows;
        for (const AudTestRow &row : CAudTestMeasRS(*database).list(testCondition(filter))) {
            rows.push_back({row.id,
                            {row.technician, row.modelNum, row.serialNum, QString::number(row.channelNum),
                             DateNumber::listText(row.date)}});
        }
        return rows;
    } catch (const DatabaseError &error) {
        interaction.message(QStringLiteral("Couldn't open Test data Recordset--Exception: ") +
                            error.description());
        return std::nullopt;
    }
}

std::optional<std::vector<StoredListRow>> FillBoothList(const Database *database, const BoothFilter &filter,
                                                        Interaction &interaction)
{
    if (!database) {
        interaction.message(kNoDatabase);
        return std::nullopt;
    }
    try {
        std::vector<StoredListRow> rows;
        for (const AmbientRow &row : CAmbientMeasurements(*database).list(boothCondition(filter)))
            rows.push_back({row.id, {row.testName, row.customer, row.booth, DateNumber::listText(row.date)}});
        return rows;
    } catch (const DatabaseError &error) {
        interaction.message(QStringLiteral("Couldn't open Booth Measurements Recordset--Exception: ") +
                            error.description());
        return std::nullopt;
    }
}

bool DeleteStored(const Database &database, StoredKind kind, int id, Interaction &interaction)
{
    if (id < 0)
        return false;
    const QString word =
        kind == StoredKind::Ambient ? QStringLiteral("AMBIENT") : QStringLiteral("AUDIOMETRIC");
    if (interaction.ask(QStringLiteral("Do you really want to delete highlighted %1 measurement?").arg(word),
                        Buttons::YesNo) != Answer::Yes)
        return false;
    try {
        Transaction transaction(database);
        const bool deleted = kind == StoredKind::Ambient ? CAmbientMeasurements(database).remove(id)
                                                         : CAudTestMeasRS(database).remove(id);
        transaction.commit();
        return deleted;
    } catch (const DatabaseError &error) {
        interaction.message((kind == StoredKind::Ambient
                                 ? QStringLiteral("Couldn't open Booth Measurements Recordset--Exception: ")
                                 : QStringLiteral("Couldn't open Test data Recordset--Exception: ")) +
                            error.description());
        return false;
    }
}

} // namespace tonva

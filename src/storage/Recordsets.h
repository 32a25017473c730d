#pragma once

#include "storage/Database.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>
#include <optional>
#include <vector>

namespace tonva {

// A WHERE clause with its values bound separately, so nothing typed by the user reaches SQL.
struct SqlCondition
{
    QString sql; // "SerialNum = ? AND ChannelNum = ?"; empty: every row
    QVariantList values;
};

// Creates the four tables, in their order, with their columns in order.
void createStoredTables(const Database &database);

struct StoredTable
{
    QString name;
    QStringList columns;
};
// The four tables as createStoredTables makes them: what a file must have for the recordsets.
const std::vector<StoredTable> &storedTables();

struct AudTestRow
{
    int id = -1;
    QString technician;
    double date = 0.0;
    QString modelNum;
    QString serialNum;
    int channelNum = 0;
    QByteArray data;
};

struct AmbientRow
{
    int id = -1;
    QString testName;
    double date = 0.0;
    QString customer;
    QString booth;
    QByteArray data;
};

// The stored audiometer tests. Writes are single statements; callers wrap them in a Transaction
// together with the lookups they depend on. Every method throws DatabaseError.
class CAudTestMeasRS
{
public:
    explicit CAudTestMeasRS(const Database &database) : m_database(database) {}

    std::optional<AudTestRow> find(int id) const;
    // The row that a save replaces: the identifying columns all equal.
    std::optional<int> findKey(const QString &serialNum, const QString &modelNum, const QString &technician,
                               double date) const;
    // Rows without their `Data`, in the engine's order.
    std::vector<AudTestRow> list(const SqlCondition &condition = {}) const;
    // Every row with its `Data`, one at a time, for copying a whole file.
    void forEach(const std::function<void(const AudTestRow &)> &visit) const;
    // Adds the row and returns its `Id`; a row with an `Id` above 0 keeps it.
    int insert(const AudTestRow &row) const;
    void update(const AudTestRow &row) const;
    bool remove(int id) const;
    int count() const;

private:
    const Database &m_database;
};

// The stored booth surveys; same rules as CAudTestMeasRS.
class CAmbientMeasurements
{
public:
    explicit CAmbientMeasurements(const Database &database) : m_database(database) {}

    std::optional<AmbientRow> find(int id) const;
    std::optional<int> findByName(const QString &testName) const;
    std::vector<AmbientRow> list(const SqlCondition &condition = {}) const;
    void forEach(const std::function<void(const AmbientRow &)> &visit) const;
    int insert(const AmbientRow &row) const;
    void update(const AmbientRow &row) const;
    bool remove(int id) const;
    int count() const;

private:
    const Database &m_database;
};

// The inventory lives in the first row of `EquipmentList`.
class CEquipmentList
{
public:
    explicit CEquipmentList(const Database &database) : m_database(database) {}

    // The first row's `Data`; nothing when the table is empty.
    std::optional<QByteArray> readFirst() const;
    // Rewrites the first row, or adds one when the table is empty.
    void writeFirst(const QByteArray &data) const;
    int count() const;

private:
    const Database &m_database;
};

class CSchemaRS
{
public:
    explicit CSchemaRS(const Database &database) : m_database(database) {}

    // The first row's value; nothing when the table has no row.
    std::optional<int> readFirst() const;
    void insert(int version) const;

private:
    const Database &m_database;
};

} // namespace tonva

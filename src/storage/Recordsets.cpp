#include "storage/Recordsets.h"

#include <QSqlRecord>

namespace tonva {

namespace {

QString selectWhere(const QString &select, const SqlCondition &condition)
{
    return condition.sql.isEmpty() ? select : select + QStringLiteral(" WHERE ") + condition.sql;
}

// Qt SQL hands a NULL blob back as a null QByteArray; keep it empty but valid for the readers.
QByteArray blobValue(const QSqlQuery &query, int column)
{
    return query.value(column).toByteArray();
}

int countRows(const Database &database, const QString &table)
{
    QSqlQuery query = database.run(QStringLiteral("SELECT count(*) FROM ") + table);
    return query.next() ? query.value(0).toInt() : 0;
}

int insertedId(QSqlQuery &query, int requestedId)
{
    if (requestedId > 0)
        return requestedId;
    const QVariant id = query.lastInsertId();
    if (!id.isValid())
        throw DatabaseError(QStringLiteral("the engine did not report the new row's Id"));
    return id.toInt();
}

const QString kAudColumns = QStringLiteral("Id, Technician, Date, ModelNum, SerialNum, ChannelNum");
const QString kAmbientColumns = QStringLiteral("Id, TestName, Date, Customer, Booth");

AudTestRow audRow(const QSqlQuery &query, bool withData)
{
    AudTestRow row;
    row.id = query.value(0).toInt();
    row.technician = query.value(1).toString();
    row.date = query.value(2).toDouble();
    row.modelNum = query.value(3).toString();
    row.serialNum = query.value(4).toString();
    row.channelNum = query.value(5).toInt();
    if (withData)
        row.data = blobValue(query, 6);
    return row;
}

AmbientRow ambientRow(const QSqlQuery &query, bool withData)
{
    AmbientRow row;
    row.id = query.value(0).toInt();
    row.testName = query.value(1).toString();
    row.date = query.value(2).toDouble();
    row.customer = query.value(3).toString();
    row.booth = query.value(4).toString();
    if (withData)
        row.data = blobValue(query, 5);
    return row;
}

} // namespace

void createStoredTables(const Database &database)
{
    const SqlDialect &d = database.dialect();
    const QStringList statements{
        QStringLiteral("CREATE TABLE EquipmentList (Id %1, Data %2)").arg(d.autoIncrementKey, d.blobType),
        QStringLiteral(
            "CREATE TABLE AmbientMeasurements (Id %1, TestName %2, Date %3, Customer %2, Booth %2, "
            "Data %4)")
            .arg(d.autoIncrementKey, d.textType(41), d.dateType, d.blobType),
        // ModelNum holds the record's 15-character model; 14 would cut the longest one short.
        QStringLiteral("CREATE TABLE AudTestMeasurements (Id %1, Technician %2, Date %3, ModelNum %4, "
                       "SerialNum %5, ChannelNum %6, Data %7)")
            .arg(d.autoIncrementKey, d.textType(41), d.dateType, d.textType(15), d.textType(17), d.shortType,
                 d.blobType),
        QStringLiteral("CREATE TABLE Schema (Schema %1)").arg(d.longType),
    };
    for (const QString &statement : statements)
        database.run(statement);
}

const std::vector<StoredTable> &storedTables()
{
    static const std::vector<StoredTable> tables{
        {QStringLiteral("EquipmentList"), {QStringLiteral("Id"), QStringLiteral("Data")}},
        {QStringLiteral("AmbientMeasurements"), kAmbientColumns.split(QStringLiteral(", "))
                                                    << QStringLiteral("Data")},
        {QStringLiteral("AudTestMeasurements"), kAudColumns.split(QStringLiteral(", "))
                                                    << QStringLiteral("Data")},
        {QStringLiteral("Schema"), {QStringLiteral("Schema")}},
    };
    return tables;
}

std::optional<AudTestRow> CAudTestMeasRS::find(int id) const
{
    QSqlQuery query = m_database.run(
        QStringLiteral("SELECT %1, Data FROM AudTestMeasurements WHERE Id = ?").arg(kAudColumns), {id});
    if (!query.next())
        return std::nullopt;
    return audRow(query, true);
}

std::optional<int> CAudTestMeasRS::findKey(const QString &serialNum, const QString &modelNum,
                                           const QString &technician, double date) const
{
    QSqlQuery query =
        m_database.run(QStringLiteral("SELECT Id FROM AudTestMeasurements WHERE SerialNum = ? AND "
                                      "ModelNum = ? AND Technician = ? AND Date = ?"),
                       {serialNum, modelNum, technician, date});
    if (!query.next())
        return std::nullopt;
    return query.value(0).toInt();
}

std::vector<AudTestRow> CAudTestMeasRS::list(const SqlCondition &condition) const
{
    QSqlQuery query = m_database.run(
        selectWhere(QStringLiteral("SELECT %1 FROM AudTestMeasurements").arg(kAudColumns), condition),
        condition.values);
    std::vector<AudTestRow> rows;
    while (query.next())
        rows.push_back(audRow(query, false));
    return rows;
}

void CAudTestMeasRS::forEach(const std::function<void(const AudTestRow &)> &visit) const
{
    QSqlQuery query =
        m_database.run(QStringLiteral("SELECT %1, Data FROM AudTestMeasurements").arg(kAudColumns));
    while (query.next())
        visit(audRow(query, true));
}

int CAudTestMeasRS::insert(const AudTestRow &row) const
{
    QVariantList values{row.technician, row.date, row.modelNum, row.serialNum, row.channelNum, row.data};
    QString sql = QStringLiteral("INSERT INTO AudTestMeasurements (Technician, Date, ModelNum, SerialNum, "
                                 "ChannelNum, Data) VALUES (?, ?, ?, ?, ?, ?)");
    if (row.id > 0) {
        sql = QStringLiteral("INSERT INTO AudTestMeasurements (Id, Technician, Date, ModelNum, SerialNum, "
                             "ChannelNum, Data) VALUES (?, ?, ?, ?, ?, ?, ?)");
        values.prepend(row.id);
    }
    QSqlQuery query = m_database.run(sql, values);
    return insertedId(query, row.id);
}

void CAudTestMeasRS::update(const AudTestRow &row) const
{
    m_database.run(QStringLiteral("UPDATE AudTestMeasurements SET Technician = ?, Date = ?, ModelNum = ?, "
                                  "SerialNum = ?, ChannelNum = ?, Data = ? WHERE Id = ?"),
                   {row.technician, row.date, row.modelNum, row.serialNum, row.channelNum, row.data, row.id});
}

bool CAudTestMeasRS::remove(int id) const
{
    return m_database.run(QStringLiteral("DELETE FROM AudTestMeasurements WHERE Id = ?"), {id})
               .numRowsAffected() > 0;
}

int CAudTestMeasRS::count() const
{
    return countRows(m_database, QStringLiteral("AudTestMeasurements"));
}

std::optional<AmbientRow> CAmbientMeasurements::find(int id) const
{
    QSqlQuery query = m_database.run(
        QStringLiteral("SELECT %1, Data FROM AmbientMeasurements WHERE Id = ?").arg(kAmbientColumns), {id});
    if (!query.next())
        return std::nullopt;
    return ambientRow(query, true);
}

std::optional<int> CAmbientMeasurements::findByName(const QString &testName) const
{
    QSqlQuery query =
        m_database.run(QStringLiteral("SELECT Id FROM AmbientMeasurements WHERE TestName = ?"), {testName});
    if (!query.next())
        return std::nullopt;
    return query.value(0).toInt();
}

std::vector<AmbientRow> CAmbientMeasurements::list(const SqlCondition &condition) const
{
    QSqlQuery query = m_database.run(
        selectWhere(QStringLiteral("SELECT %1 FROM AmbientMeasurements").arg(kAmbientColumns), condition),
        condition.values);
    std::vector<AmbientRow> rows;
    while (query.next())
        rows.push_back(ambientRow(query, false));
    return rows;
}

void CAmbientMeasurements::forEach(const std::function<void(const AmbientRow &)> &visit) const
{
    QSqlQuery query =
        m_database.run(QStringLiteral("SELECT %1, Data FROM AmbientMeasurements").arg(kAmbientColumns));
    while (query.next())
        visit(ambientRow(query, true));
}

int CAmbientMeasurements::insert(const AmbientRow &row) const
{
    QVariantList values{row.testName, row.date, row.customer, row.booth, row.data};
    QString sql = QStringLiteral(
        "INSERT INTO AmbientMeasurements (TestName, Date, Customer, Booth, Data) VALUES (?, ?, ?, ?, ?)");
    if (row.id > 0) {
        sql = QStringLiteral("INSERT INTO AmbientMeasurements (Id, TestName, Date, Customer, Booth, Data) "
                             "VALUES (?, ?, ?, ?, ?, ?)");
        values.prepend(row.id);
    }
    QSqlQuery query = m_database.run(sql, values);
    return insertedId(query, row.id);
}

void CAmbientMeasurements::update(const AmbientRow &row) const
{
    m_database.run(
        QStringLiteral("UPDATE AmbientMeasurements SET TestName = ?, Date = ?, Customer = ?, Booth = ?, "
                       "Data = ? WHERE Id = ?"),
        {row.testName, row.date, row.customer, row.booth, row.data, row.id});
}

bool CAmbientMeasurements::remove(int id) const
{
    return m_database.run(QStringLiteral("DELETE FROM AmbientMeasurements WHERE Id = ?"), {id})
               .numRowsAffected() > 0;
}

int CAmbientMeasurements::count() const
{
    return countRows(m_database, QStringLiteral("AmbientMeasurements"));
}

std::optional<QByteArray> CEquipmentList::readFirst() const
{
    QSqlQuery query = m_database.run(QStringLiteral("SELECT Data FROM EquipmentList ORDER BY Id LIMIT 1"));
    if (!query.next())
        return std::nullopt;
    return blobValue(query, 0);
}

void CEquipmentList::writeFirst(const QByteArray &data) const
{
    QSqlQuery first = m_database.run(QStringLiteral("SELECT Id FROM EquipmentList ORDER BY Id LIMIT 1"));
    if (first.next()) {
        const int id = first.value(0).toInt();
        first.finish();
        m_database.run(QStringLiteral("UPDATE EquipmentList SET Data = ? WHERE Id = ?"), {data, id});
    } else {
        first.finish();
        m_database.run(QStringLiteral("INSERT INTO EquipmentList (Data) VALUES (?)"), {data});
    }
}

int CEquipmentList::count() const
{
    return countRows(m_database, QStringLiteral("EquipmentList"));
}

std::optional<int> CSchemaRS::readFirst() const
{
    QSqlQuery query = m_database.run(QStringLiteral("SELECT Schema FROM Schema LIMIT 1"));
    if (!query.next())
        return std::nullopt;
    return query.value(0).toInt();
}

void CSchemaRS::insert(int version) const
{
    m_database.run(QStringLiteral("INSERT INTO Schema (Schema) VALUES (?)"), {version});
}

} // namespace tonva

#include "storage/Database.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QSqlError>

namespace tonva {

namespace {

QString nextConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("tonva-db-%1").arg(counter.fetchAndAddRelaxed(1));
}

QString describe(const QSqlError &error)
{
    const QString text = error.text().trimmed();
    return text.isEmpty() ? QStringLiteral("unknown database error") : text;
}

} // namespace

Database::Database(QString path, QString connectionName)
    : m_path(std::move(path)), m_connectionName(std::move(connectionName))
{}

Database::~Database()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

std::unique_ptr<Database> Database::open(const QString &path)
{
    const SqlDialect &dialect = SqlDialect::sqlite();
    const QString name = nextConnectionName();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(dialect.driver, name);
        db.setDatabaseName(path);
        db.setConnectOptions(dialect.connectOptions);
    }
    std::unique_ptr<Database> database(new Database(path, name));
    QSqlDatabase db = database->connection();
    if (!db.open())
        throw DatabaseError(describe(db.lastError()));
    return database;
}

std::unique_ptr<Database> Database::openExisting(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        throw DatabaseError(QStringLiteral("the file does not exist"));
    // The engine would quietly fall back to reading only; saving would then fail much later.
    if (!info.isWritable())
        throw DatabaseError(QStringLiteral("the file is read-only"));
    auto database = open(path);
    // The engine reads the file lazily: make it look now, so a foreign or locked file is refused
    // here and not half-way through a save.
    database->run(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    for (const QString &statement : database->dialect().afterOpen)
        database->run(statement);
    return database;
}

std::unique_ptr<Database> Database::createNew(const QString &path)
{
    if (QFileInfo::exists(path))
        throw DatabaseError(QStringLiteral("the file already exists"));
    auto database = open(path);
    for (const QString &statement : database->dialect().afterOpen)
        database->run(statement);
    database->enableWriteAhead();
    return database;
}

QSqlDatabase Database::connection() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

void Database::enableWriteAhead()
{
    for (const QString &statement : dialect().writeAhead)
        run(statement);
}

QSqlQuery Database::run(const QString &sql, const QVariantList &values) const
{
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw DatabaseError(describe(query.lastError()));
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw DatabaseError(describe(query.lastError()));
    return query;
}

bool Database::hasTable(const QString &name) const
{
    return connection().tables().contains(name, Qt::CaseInsensitive);
}

Transaction::Transaction(const Database &database) : m_database(database)
{
    if (!m_database.connection().transaction())
        throw DatabaseError(describe(m_database.connection().lastError()));
}

Transaction::~Transaction()
{
    if (m_open)
        m_database.connection().rollback();
}

void Transaction::commit()
{
    QSqlDatabase db = m_database.connection();
    if (!db.commit()) {
        const QString description = describe(db.lastError());
        db.rollback();
        m_open = false;
        throw DatabaseError(description);
    }
    m_open = false;
}

} // namespace tonva

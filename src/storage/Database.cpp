#include "storage/Database.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>
#include <QUrl>

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

std::unique_ptr<Database> Database::open(const QString &path, Access access)
{
    const SqlDialect &dialect = SqlDialect::sqlite();
    const QString name = nextConnectionName();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(dialect.driver, name);
        QStringList options{dialect.connectOptions};
        if (access == Access::ReadWrite) {
            db.setDatabaseName(path);
        } else if (access == Access::ReadOnly) {
            db.setDatabaseName(path);
            options << dialect.readOnlyOption;
        } else {
            const QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
            db.setDatabaseName(dialect.unchangingFileUri.arg(url.toString(QUrl::FullyEncoded)));
            options << dialect.readOnlyOption << dialect.uriOption;
        }
        db.setConnectOptions(options.join(QLatin1Char(';')));
    }
    std::unique_ptr<Database> database(new Database(path, name));
    QSqlDatabase db = database->connection();
    if (!db.open())
        throw DatabaseError(describe(db.lastError()));
    return database;
}

namespace {

void requireFile(const QFileInfo &info)
{
    if (info.isDir())
        throw DatabaseError(QStringLiteral("it is a folder, not a database file"));
    if (!info.isFile())
        throw DatabaseError(QStringLiteral("the file does not exist"));
}

// The engine reads the file lazily: make it look now, so a foreign or locked file is refused here
// and not half-way through a save.
void readSchemaNow(const Database &database)
{
    database.run(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    for (const QString &statement : database.dialect().afterOpen)
        database.run(statement);
}

} // namespace

std::unique_ptr<Database> Database::openExisting(const QString &path)
{
    const QFileInfo info(path);
    requireFile(info);
    // The engine would quietly fall back to reading only; saving would then fail much later.
    if (!info.isWritable())
        throw DatabaseError(QStringLiteral("the file is read-only"));
    auto database = open(path, Access::ReadWrite);
    readSchemaNow(*database);
    return database;
}

std::unique_ptr<Database> Database::openForReading(const QString &path)
{
    const QFileInfo info(path);
    requireFile(info);
    try {
        auto database = open(path, Access::ReadOnly);
        readSchemaNow(*database);
        return database;
    } catch (const DatabaseError &) {
        // A reader of a write-ahead file needs a shared-memory file beside it, which a read-only
        // folder cannot take. No writer can make its journal there either, so the file is read as
        // one that does not change.
        if (QFileInfo(info.absolutePath()).isWritable())
            throw;
    }
    auto database = open(path, Access::Unchanging);
    readSchemaNow(*database);
    return database;
}

std::unique_ptr<Database> Database::createNew(const QString &path)
{
    if (QFileInfo::exists(path))
        throw DatabaseError(QStringLiteral("the file already exists"));
    auto database = open(path, Access::ReadWrite);
    for (const QString &statement : database->dialect().afterOpen)
        database->run(statement);
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

bool Database::isBlank() const
{
    return connection().tables(QSql::TableType(QSql::Tables | QSql::Views)).isEmpty();
}

QString Database::damage() const
{
    QStringList problems;
    try {
        QSqlQuery query = run(dialect().integrityCheck);
        while (query.next()) {
            // One row may hold several lines, headed by the name of the schema they are about.
            for (const QString &line :
                 query.value(0).toString().split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
                if (line != QLatin1String("ok") && !line.startsWith(QLatin1String("***")))
                    problems.append(line.trimmed());
            }
        }
    } catch (const DatabaseError &error) {
        // A page the check itself cannot get past is reported as the engine's error.
        return error.description();
    }
    return problems.join(QStringLiteral("; "));
}

QStringList Database::columns(const QString &table) const
{
    const QSqlRecord record = connection().record(table);
    QStringList names;
    for (int i = 0; i < record.count(); ++i)
        names.append(record.fieldName(i));
    return names;
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

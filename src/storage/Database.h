#pragma once

#include "storage/SqlDialect.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <memory>
#include <stdexcept>

namespace tonva {

// A failure reported by the database engine; callers turn its description into a message box.
class DatabaseError : public std::runtime_error
{
public:
    explicit DatabaseError(const QString &description)
        : std::runtime_error(description.toStdString()), m_description(description)
    {}
    const QString &description() const { return m_description; }

private:
    QString m_description;
};

// One open database file behind its own named Qt SQL connection. The connection is fetched by name
// for every use and removed when this object goes, so no QSqlDatabase outlives the file.
class Database
{
public:
    // Opens an existing file for reading and writing; throws DatabaseError when the engine refuses
    // it (not a database, locked, unreadable). Changes nothing in the file.
    static std::unique_ptr<Database> openExisting(const QString &path);
    // Creates a new, empty file; throws DatabaseError when it cannot.
    static std::unique_ptr<Database> createNew(const QString &path);

    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    const QString &filePath() const { return m_path; }
    const SqlDialect &dialect() const { return SqlDialect::sqlite(); }
    QSqlDatabase connection() const;

    // Switches the file to write-ahead logging; done only once the file is known to be ours.
    void enableWriteAhead();

    // Prepares `sql` and binds `values` in order; throws DatabaseError on failure.
    QSqlQuery run(const QString &sql, const QVariantList &values = {}) const;
    bool hasTable(const QString &name) const;

private:
    Database(QString path, QString connectionName);
    static std::unique_ptr<Database> open(const QString &path);

    QString m_path;
    QString m_connectionName;
};

// One write: rolls back in its destructor unless committed, so an exception half-way leaves the
// file as it was.
class Transaction
{
public:
    explicit Transaction(const Database &database);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit();

private:
    const Database &m_database;
    bool m_open = true;
};

} // namespace tonva

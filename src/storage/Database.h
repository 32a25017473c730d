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
    // Opens an existing file for reading only, also when the file or its folder is read-only; every
    // write through it fails.
    static std::unique_ptr<Database> openForReading(const QString &path);
    // Creates a new, empty file with a rollback journal, so that until it is reopened for use the
    // whole database is this one file and can be renamed; throws DatabaseError when it cannot.
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
    // True when the file defines no table, index or view at all: an empty file, or one whose
    // creation never got as far as its first table. Such a file holds nothing to lose.
    bool isBlank() const;
    // The engine's own check of every page and index; empty when the file is sound, else the
    // first problems it reports.
    QString damage() const;
    // The names of a table's columns in their order; empty when there is no such table.
    QStringList columns(const QString &table) const;

private:
    Database(QString path, QString connectionName);
    enum class Access
    {
        ReadWrite,
        ReadOnly,
        Unchanging // read-only, and no one else may write it meanwhile
    };
    static std::unique_ptr<Database> open(const QString &path, Access access);

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

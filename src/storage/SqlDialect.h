#pragma once

#include <QString>
#include <QStringList>

namespace tonva {

// Everything that differs between SQL engines lives here, so the rest of the storage code stays
// plain, portable SQL with bound values.
struct SqlDialect
{
    QString driver;           // Qt SQL driver name
    QString connectOptions;   // set before the connection opens
    QString readOnlyOption;   // added to them for a connection that only reads
    // For reading a file nobody can write, where the engine cannot make its shared-memory file
    // beside it: the option that takes the name as a URI, and the URI pattern (%1 = file URL).
    QString uriOption;
    QString unchangingFileUri;
    QString autoIncrementKey; // column type of an `Id` that numbers itself
    QString longType;         // 32-bit integer
    QString shortType;        // 16-bit integer
    QString dateType;         // the date number (days since 1899-12-30)
    QString blobType;         // long binary
    QString textTypePattern;  // %1 = size; compares without regard to letter case
    QStringList afterOpen;    // statements run on every new connection; they change no file
    QStringList writeAhead;   // statements that switch a file to crash-safe writing (persistent)
    QString integrityCheck;   // checks every page; one row "ok", or one row per problem found

    QString textType(int size) const { return textTypePattern.arg(size); }

    static const SqlDialect &sqlite();
};

} // namespace tonva

#include "storage/SqlDialect.h"

namespace tonva {

const SqlDialect &SqlDialect::sqlite()
{
    static const SqlDialect dialect{
        QStringLiteral("QSQLITE"),
        // A second program (or a second Tonva) writing the same file waits instead of failing at once.
        QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"),
        QStringLiteral("QSQLITE_OPEN_READONLY"),
        QStringLiteral("QSQLITE_OPEN_URI"),
        QStringLiteral("%1?immutable=1"),
        QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT"),
        QStringLiteral("INTEGER"),
        QStringLiteral("SMALLINT"),
        QStringLiteral("REAL"),
        QStringLiteral("BLOB"),
        // The old engine compared texts without regard to case; the filters keep that meaning.
        QStringLiteral("VARCHAR(%1) COLLATE NOCASE"),
        // FULL syncs each commit, so a saved measurement survives a power cut.
        {QStringLiteral("PRAGMA synchronous = FULL")},
        // WAL keeps readers and one writer apart and makes a torn write impossible.
        {QStringLiteral("PRAGMA journal_mode = WAL")},
        // Without the index cross-checks, which our tables do not need: it stays linear in the size.
        QStringLiteral("PRAGMA quick_check(10)"),
    };
    return dialect;
}

} // namespace tonva

#pragma once

#include "storage/Database.h"
#include "storage/Recordsets.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace tonva::test {

// A database file as an older (or foreign) program left it: the four tables, a chosen `Schema`
// value (none when `version` is empty) and whatever rows the test adds.
inline void makeDatabaseFile(const QString &path, std::optional<int> version,
                             const std::function<void(const Database &)> &fill = {})
{
    auto database = Database::createNew(path);
    createStoredTables(*database);
    if (version)
        CSchemaRS(*database).insert(*version);
    if (fill)
        fill(*database);
}

// A blob: the 20-byte header with the given number, then `image`.
inline QByteArray blobWithHeader(const char *number, const QByteArray &image)
{
    QByteArray header = QByteArray("Tonva Version ") + number;
    header.resize(20, '\0');
    return header + image;
}

// An image of `size` bytes, each byte telling where it sits, so moved blocks can be traced.
inline QByteArray patternImage(int size)
{
    QByteArray image(size, '\0');
    for (int i = 0; i < size; ++i)
        image[i] = char((i * 7 + i / 251) & 0xFF);
    return image;
}

// Overwrites the start of the page in the middle of a closed database file, as a bad sector would.
inline void damagePage(const QString &path, int pageSize = 4096)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return;
    file.seek(file.size() / pageSize / 2 * pageSize);
    file.write(QByteArray(64, '\xff'));
}

inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace tonva::test

#pragma once

#include "platform/Interaction.h"
#include "storage/Database.h"

#include <QString>
#include <memory>

namespace tonva {

using DatabaseSlot = std::unique_ptr<Database>;

// The database version this program reads and writes.
constexpr int kCurrentSchemaVersion = 7;

namespace DatabasePath {
// Our files end in ".sqlite"; a file name that does not contain it gets it appended (case-sensitive).
QString withExtension(const QString &path);
// The file a path the technician gave stands for: an existing file (or folder) by the name given,
// a new name without an extension with ".sqlite" added, and any other new name as it is. So an
// existing "lab.db" is opened, never shadowed by a new "lab.db.sqlite".
QString resolve(const QString &path);
QString extension();
QString defaultName();
// "<common application data>/Quellmark/Tonva/" with its trailing separator.
QString defaultFolder();
// Folder plus name, with a separator between them when the folder lacks one.
QString join(const QString &folder, const QString &name);
// The longest full path accepted is 251 characters.
constexpr int kMaxLength = 251;
} // namespace DatabasePath

// Opens the file `path` stands for (DatabasePath::resolve) into `slot`, creating it with its tables
// when it does not exist or holds no table at all (asking first when `askBeforeCreate`). Returns 1
// with the slot filled; 0 when the technician declined to create it, or -1 on failure with the
// message shown, the slot empty in both cases (a path that is too long is refused before anything
// is closed). `created` tells the caller that a fresh file was made.
//
// A new file is built beside its name and appears under it, complete, in one rename: a process
// killed at any moment leaves either no file or one with its tables and version row.
int OpenOrCreateDatabase(DatabaseSlot &slot, const QString &path, bool askBeforeCreate,
                         Interaction &interaction, bool *created = nullptr);
// Starts a new database for `path`: the slot holds it under its building name (`stagingPath`)
// until OpenOrCreateDatabase has given it its tables and puts it in place. 1 created, 0 declined,
// -1 failed.
int CreateDatabaseFile(DatabaseSlot &slot, const QString &path, bool askBeforeCreate,
                       Interaction &interaction);
// Where the database for `path` is built; a file left there by an interrupted start is replaced.
QString stagingPath(const QString &path);
// 0 on success, -1 on failure (message shown).
int CreateDatabaseTables(Database &database, Interaction &interaction);
void CloseDatabase(DatabaseSlot &slot);
// The first `Schema` row's value, or -1 when there is none or the engine fails.
int ReadSchemaVersion(const Database &database);

} // namespace tonva

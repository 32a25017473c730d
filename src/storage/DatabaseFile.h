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
// Our files end in ".sqlite"; a path that does not contain it gets it appended (case-sensitive).
QString withExtension(const QString &path);
QString extension();
QString defaultName();
// "<common application data>/Quellmark/Tonva/" with its trailing separator.
QString defaultFolder();
// Folder plus name, with a separator between them when the folder lacks one.
QString join(const QString &folder, const QString &name);
// The longest full path accepted is 251 characters.
constexpr int kMaxLength = 251;
} // namespace DatabasePath

// Opens `path` into `slot`, creating the file with its tables when it does not exist (asking first
// when `askBeforeCreate`). Returns 1 with the slot filled; 0 when the technician declined to create
// it, or -1 on failure with the message shown, the slot empty in both cases (a path that is too long
// is refused before anything is closed). `created` tells the caller that a fresh file was made.
int OpenOrCreateDatabase(DatabaseSlot &slot, const QString &path, bool askBeforeCreate,
                         Interaction &interaction, bool *created = nullptr);
// 1 created (the slot holds it), 0 declined, -1 failed.
int CreateDatabaseFile(DatabaseSlot &slot, const QString &path, bool askBeforeCreate,
                       Interaction &interaction);
// 0 on success, -1 on failure (message shown).
int CreateDatabaseTables(Database &database, Interaction &interaction);
void CloseDatabase(DatabaseSlot &slot);
// The first `Schema` row's value, or -1 when there is none or the engine fails.
int ReadSchemaVersion(const Database &database);

} // namespace tonva

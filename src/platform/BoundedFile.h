#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace tonva {

// Reads a whole file that someone named (a profile, a reference-level file, an import file), but
// never more than `maxBytes`. A larger file is refused, and so is anything that is not a plain file
// (a device such as /dev/zero, a pipe, a directory), without waiting on it: a wrong path must
// neither fill the memory nor hang the program.
//
// On refusal `reason` gets a short clause for a message that callers begin with the file's kind and
// name: "it is larger than the limit of 1 MB", "it is not a regular file", or the system's reason.
std::optional<QByteArray> readWholeFile(const QString &path, qint64 maxBytes, QString *reason = nullptr);

// A size as people read it: "64 KB", "1 MB", "1000 bytes" (KB and MB of 1024).
QString byteCountText(qint64 bytes);

} // namespace tonva

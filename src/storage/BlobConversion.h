#pragma once

#include <QByteArray>

namespace tonva {

// Re-lays the `Data` blobs of an old database file one schema version up. Blobs are untrusted:
// short or damaged ones are read as far as they go and never past their end.
namespace BlobConversion {

// Size of the test record image that a file of schema version `fromVersion` (1 to 6) holds.
int oldTestImageSize(int fromVersion);
// The test blob of a file at `fromVersion`, re-laid for `fromVersion + 1`. The header is kept as
// read; an empty blob stays empty (it loads as an all-zero record).
QByteArray convertTestBlob(int fromVersion, const QByteArray &blob);
// The inventory blob with the current header and its whole 832-byte entries.
QByteArray convertInventoryBlob(const QByteArray &blob);

} // namespace BlobConversion
} // namespace tonva

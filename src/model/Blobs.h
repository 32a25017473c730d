#pragma once

#include "model/AudTestRecord.h"
#include "model/BoothRecord.h"
#include "model/Inventory.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The stored form of tests, booth surveys and the inventory: a 20-byte version header followed by
// the records' images. Readers take whatever bytes the database hands them, never read past their
// end, and report what was wrong instead of guessing silently.

namespace tonva {

inline constexpr std::size_t kBlobHeaderSize = 20;
inline constexpr std::size_t kTestBlobSize = kBlobHeaderSize + sizeof(AudTestRecord);
inline constexpr std::size_t kBoothBlobSize = kBlobHeaderSize + sizeof(BoothRecord);

// "Tonva Version 02.20" and its terminator: the header every writer puts in front of its images.
QByteArray blobHeader();

// What a reader found.
struct BlobReadReport
{
    double version = 0.0;       // number in the header; 0 when it could not be read
    bool emptyBlob = false;     // no bytes at all
    bool damagedHeader = false; // header missing, cut short or not ours
    bool truncated = false;     // the image ends early; the rest of the record is zero
    bool trailingBytes = false; // more bytes than the image; they were ignored
    int cutEntries = 0;         // inventory: an entry cut short at the end, dropped
    int unknownEntries = 0;     // inventory: entries of an unknown type, skipped

    // True when the bytes held exactly one well-formed blob (an empty blob is fine: a new record).
    bool clean() const
    {
        return !damagedHeader && !truncated && !trailingBytes && cutEntries == 0 && unknownEntries == 0;
    }
    // A short technician-facing description of what was wrong; empty when clean.
    QString problems() const;
};

QByteArray WriteTestBlob(const AudTestRecord &record);
// Replaces `record`. An empty blob gives an all-zero record (no status is "not applicable").
BlobReadReport ReadTestBlob(QByteArrayView blob, AudTestRecord &record);

QByteArray WriteBoothBlob(const BoothRecord &record);
// Blobs of versions before 1.30 hold no test name; it is taken from the row (`rowTestName`).
BlobReadReport ReadBoothBlob(QByteArrayView blob, const QString &rowTestName, BoothRecord &record);

// The ten lists in their stored order, then the entries kept unread; the built-in reference
// earphones are left out.
QByteArray WriteInventoryBlob(const Inventory &inventory);
// Replaces every list, marks the inventory loaded and merges in the built-in earphones. Entries it
// cannot read are counted in the report and kept in `inventory.unreadable`.
BlobReadReport ReadInventoryBlob(QByteArrayView blob, Inventory &inventory, int alternateMode);

// Puts the built-in earphones into the earphone list: all of them, in order, when it is empty;
// otherwise each one no stored entry stands for goes to the front. A stored "TDH 50" stands for
// "TDH 50/49" and takes that name.
void mergeBuiltInEarphones(Inventory &inventory, int alternateMode);

} // namespace tonva

// Feeds arbitrary bytes to the re-laying of old test and inventory blobs that `db convert` runs on
// every row of an older file. The first byte picks the schema version the blob comes from; the rest
// is the blob. Nothing may be read past the input, every step must write the image size it promises
// whatever it was given, and what the last step writes must load as a current blob.
#include "model/Blobs.h"
#include "storage/BlobConversion.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

using namespace tonva;

namespace {

constexpr int kOldestVersion = 1;
constexpr int kVersions = 6;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

// The size a step from `fromVersion` writes for a blob that is not empty.
qsizetype writtenSize(int fromVersion)
{
    return qsizetype(kBlobHeaderSize) +
           (fromVersion == 1 ? BlobConversion::oldTestImageSize(2) : qsizetype(sizeof(AudTestRecord)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int fromVersion = kOldestVersion + data[0] % kVersions;
    // Not copied: a read past the blob's end lands outside the fuzzer's own buffer.
    const QByteArray blob =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));

    // One step, then the rest of the chain up to the current version, as a conversion runs them.
    QByteArray converted = BlobConversion::convertTestBlob(fromVersion, blob);
    require(blob.isEmpty() ? converted.isEmpty() : converted.size() == writtenSize(fromVersion));
    // The header is carried as read, cut or zero-filled to its 20 bytes.
    for (qsizetype i = 0; i < converted.size() && i < qsizetype(kBlobHeaderSize); ++i)
        require(converted[i] == (i < blob.size() ? blob[i] : '\0'));
    for (int version = fromVersion + 1; version < 7; ++version) {
        converted = BlobConversion::convertTestBlob(version, converted);
        require(blob.isEmpty() ? converted.isEmpty() : converted.size() == qsizetype(kTestBlobSize));
    }
    auto record = std::make_unique<AudTestRecord>();
    const BlobReadReport test = ReadTestBlob(converted, *record);
    require(!test.truncated && !test.trailingBytes);

    // The inventory keeps every entry byte, a cut-short last entry included; only the header changes.
    const QByteArray inventoryBlob = BlobConversion::convertInventoryBlob(blob);
    require(inventoryBlob.mid(qsizetype(kBlobHeaderSize)) == blob.mid(qsizetype(kBlobHeaderSize)));
    Inventory inventory;
    const BlobReadReport inventoryRead = ReadInventoryBlob(inventoryBlob, inventory, 0);
    const bool cutShort =
        (inventoryBlob.size() - qsizetype(kBlobHeaderSize)) % qsizetype(kInventoryEntrySize) != 0;
    require(!inventoryRead.damagedHeader && inventoryRead.cutEntries == (cutShort ? 1 : 0));
    // What loads is written back whole: entries that could not be read keep their bytes.
    const QByteArray rewritten = WriteInventoryBlob(inventory);
    require(rewritten.size() == inventoryBlob.size());
    return 0;
}

// Feeds arbitrary bytes to the three stored-blob readers: none may read past its input, and a test
// or booth image that was read whole must write back to the same bytes. Whatever a reader made of
// its input goes through its writer too.
#include "model/Blobs.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

using namespace tonva;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView blob(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    auto record = std::make_unique<AudTestRecord>();
    const BlobReadReport test = ReadTestBlob(blob, *record);
    if (test.clean() && !test.emptyBlob) {
        const QByteArray written = WriteTestBlob(*record);
        if (std::memcmp(written.constData() + kBlobHeaderSize, data + kBlobHeaderSize,
                        sizeof(AudTestRecord)) != 0)
            std::abort();
    }

    BoothRecord booth;
    const BlobReadReport boothRead = ReadBoothBlob(blob, QStringLiteral("row name"), booth);
    const QByteArray boothWritten = WriteBoothBlob(booth);
    if (static_cast<std::size_t>(boothWritten.size()) != kBoothBlobSize ||
        boothWritten.left(20) != blobHeader())
        std::abort();
    // An older header holds a shorter image and takes its name from the row, so only a current one
    // comes back byte for byte.
    if (boothRead.clean() && !boothRead.emptyBlob && size == kBoothBlobSize &&
        std::memcmp(boothWritten.constData() + kBlobHeaderSize, data + kBlobHeaderSize,
                    sizeof(BoothRecord)) != 0)
        std::abort();

    Inventory inventory;
    const BlobReadReport read = ReadInventoryBlob(blob, inventory, static_cast<int>(size % 2));
    (void)read.problems();
    const QByteArray rewritten = WriteInventoryBlob(inventory);
    if (static_cast<std::size_t>(rewritten.size()) < kBlobHeaderSize)
        std::abort();
    return 0;
}

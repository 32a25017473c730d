// Feeds arbitrary bytes to the three stored-blob readers: none may read past its input, and a test
// or booth image that was read whole must write back to the same bytes.
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
    ReadBoothBlob(blob, QStringLiteral("row name"), booth);

    Inventory inventory;
    const BlobReadReport read = ReadInventoryBlob(blob, inventory, static_cast<int>(size % 2));
    (void)read.problems();
    const QByteArray rewritten = WriteInventoryBlob(inventory);
    if (static_cast<std::size_t>(rewritten.size()) < kBlobHeaderSize)
        std::abort();
    return 0;
}

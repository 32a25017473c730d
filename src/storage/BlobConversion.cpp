#include "storage/BlobConversion.h"

#include "model/Blobs.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace tonva::BlobConversion {

namespace {

constexpr int kHeaderSize = int(kBlobHeaderSize);
constexpr int kCurrentImageSize = int(sizeof(AudTestRecord));
constexpr int kSetup = int(offsetof(AudTestRecord, setup));

// Header number times 100, rounded to hundredths the way the old readers did; -1 when unreadable.
int headerHundredths(const QByteArray &blob)
{
    if (blob.size() < kHeaderSize)
        return -1;
    bool ok = false;
    const double number = QByteArray(blob.constData() + 14, 5).trimmed().toDouble(&ok);
    // Five characters of "%05.2f" hold 0.00 to 99.99; anything else ("1e300", "nan") no program
    // wrote, and would not even fit the integer.
    if (!ok || !(number >= 0.0 && number < 100.0))
        return -1;
    return int((number + 0.0005) * 100.0);
}

QByteArray headerOf(const QByteArray &blob)
{
    QByteArray header = blob.left(kHeaderSize);
    header.resize(kHeaderSize, '\0');
    return header;
}

// The image behind the header, cut or zero-filled to `size`.
QByteArray imageOf(const QByteArray &blob, int size)
{
    QByteArray image = blob.mid(kHeaderSize, size);
    image.resize(size, '\0');
    return image;
}

struct Block
{
    int from;
    int to;
    int size;
};

void copyBlocks(const QByteArray &oldImage, QByteArray &newImage, std::initializer_list<Block> blocks)
{
    for (const Block &block : blocks)
        std::memcpy(newImage.data() + block.to, oldImage.constData() + block.from, size_t(block.size));
}

// Schema 6 to 7: the microphone data gained a 284-byte record at set-up offset 2004, the mastoid data
// 156 bytes, and the broad band noise results grew from a bare input dial level to their full
// 4832-byte element (dial level at byte 12). Everything else moves unchanged.
QByteArray relayFromSchema6(const QByteArray &oldImage)
{
    QByteArray image(kCurrentImageSize, '\0');
    copyBlocks(oldImage, image,
               {
                   {0, 0, kSetup},                              // leading word, status, carried words
                   {kSetup, kSetup, 2004},                      // set-up up to the new microphone record
                   {kSetup + 2004, kSetup + 2288, 76 + 668},    // calibrator, mastoid as it was
                   {kSetup + 2748, kSetup + 3188, 4132 - 2748}, // audiometer ... test conditions
                   {4456, 4896, 32984 - 4896},                  // tone level ... narrow band levels
                   {32584, 81304, 82376 - 81304},               // speech levels, checklist
               });
    for (int element = 0; element < 10; ++element)
        copyBlocks(oldImage, image, {{32544 + 4 * element, 32984 + 4832 * element + 12, 4}});
    qToLittleEndian(760.0f, image.data() + kSetup + 4568);
    return image;
}

} // namespace

int oldTestImageSize(int fromVersion)
{
    switch (fromVersion) {
    case 1:
        return 29'496;
    case 2:
        return 33'452;
    case 3:
        return 33'576;
    case 4:
        return 33'616;
    default:
        return 33'656;
    }
}

QByteArray convertTestBlob(int fromVersion, const QByteArray &blob)
{
    if (blob.isEmpty())
        return blob;
    const QByteArray header = headerOf(blob);
    // Version 1.41 and later already wrote the current image into files of schema 3; such a blob is
    // passed on as it is, and the later steps must recognise it too or they would cut it down.
    const bool alreadyCurrent = fromVersion >= 3 && headerHundredths(blob) >= 141 &&
                                (fromVersion == 3 || blob.size() - kHeaderSize >= kCurrentImageSize);
    if (alreadyCurrent)
        return header + imageOf(blob, kCurrentImageSize);

    const QByteArray oldImage = imageOf(blob, oldTestImageSize(fromVersion));
    if (fromVersion == 6)
        return header + relayFromSchema6(oldImage);
    // Up to schema 6 each version only appended to the record: the old image stays where it was and
    // what it lacked is zero. Only the first step wrote images of the old size.
    const int writtenSize = fromVersion == 1 ? oldTestImageSize(2) : kCurrentImageSize;
    QByteArray image = oldImage;
    image.resize(writtenSize, '\0');
    return header + image;
}

QByteArray convertInventoryBlob(const QByteArray &blob)
{
    // Entries keep their layout; only the header changes. An entry cut short at the end is carried
    // over as it is: the inventory reader reports it and the technician decides whether it goes, so a
    // conversion must not drop it behind their back.
    return blobHeader() + blob.mid(kHeaderSize);
}

} // namespace tonva::BlobConversion

#include "model/Blobs.h"

#include "model/FixedText.h"
#include "model/ReferenceData.h"

#include <QStringList>
#include <algorithm>
#include <charconv>
#include <cstring>

namespace tonva {

namespace {

constexpr std::string_view kHeaderPrefix = "Tonva Version ";
// The program version is fixed, so the header is a constant: formatting it at run time would put a
// decimal comma into stored data under some locales.
constexpr char kHeader[kBlobHeaderSize] = "Tonva Version 02.20";
static_assert(sizeof(kHeader) == kBlobHeaderSize && kHeader[kBlobHeaderSize - 1] == '\0');

constexpr InventoryType kWriteOrder[kInventoryTypes] = {
    InventoryType::ModelList8,      InventoryType::Calibrator,   InventoryType::Microphone,
    InventoryType::SoundLevelMeter, InventoryType::Preamplifier, InventoryType::Earphone,
    InventoryType::Mastoid,         InventoryType::ModelList5,   InventoryType::BoneVibrator,
    InventoryType::ModelList4};

// Reads the header's version number; marks the report when the header is not a well-formed one.
void readHeader(QByteArrayView blob, BlobReadReport &report)
{
    if (static_cast<std::size_t>(blob.size()) < kBlobHeaderSize) {
        report.damagedHeader = true;
        return;
    }
    const char *bytes = blob.data();
    const std::size_t numberStart = kHeaderPrefix.size();
    const char *numberEnd =
        static_cast<const char *>(std::memchr(bytes + numberStart, '\0', kBlobHeaderSize - numberStart));
    if (!numberEnd || std::string_view(bytes, numberStart) != kHeaderPrefix ||
        bytes[kBlobHeaderSize - 1] != '\0')
        report.damagedHeader = true;
    if (!numberEnd)
        numberEnd = bytes + kBlobHeaderSize;

    double version = 0.0;
    const auto [end, error] = std::from_chars(bytes + numberStart, numberEnd, version);
    if (error != std::errc() || end == bytes + numberStart) {
        report.damagedHeader = true;
        return;
    }
    report.version = version;
}

// Copies the image that follows the header into `image` (already zeroed), as far as it goes.
void readImage(QByteArrayView blob, void *image, std::size_t imageSize, BlobReadReport &report)
{
    const std::size_t size = static_cast<std::size_t>(blob.size());
    const std::size_t available = size > kBlobHeaderSize ? size - kBlobHeaderSize : 0;
    const std::size_t taken = std::min(available, imageSize);
    if (taken > 0)
        std::memcpy(image, blob.data() + kBlobHeaderSize, taken);
    // What the blob does not cover reads as zero, as in a new record.
    std::memset(static_cast<char *>(image) + taken, 0, imageSize - taken);
    report.truncated = taken < imageSize;
    report.trailingBytes = available > imageSize;
}

template<class Record> QByteArray writeImage(const Record &record)
{
    QByteArray blob;
    blob.reserve(static_cast<qsizetype>(kBlobHeaderSize + sizeof(Record)));
    blob.append(kHeader, kBlobHeaderSize);
    blob.append(reinterpret_cast<const char *>(&record), sizeof(Record));
    return blob;
}

bool sameEarphone(const EarphoneModel &stored, const EarphoneModel &builtIn)
{
    const std::string_view storedModel = fixedText(stored.model);
    const std::string_view builtInModel = fixedText(builtIn.model);
    const bool modelMatches =
        storedModel == builtInModel || (storedModel == "TDH 50" && builtInModel == "TDH 50/49");
    return modelMatches && fixedText(stored.manufacturer) == fixedText(builtIn.manufacturer) &&
           stored.kind == builtIn.kind && stored.couplerCode == builtIn.couplerCode;
}

// A copy of a built-in reference earphone in the list: it is rebuilt at every load, never stored.
bool isBuiltInCopy(const EarphoneModel &earphone, const std::vector<EarphoneModel> &builtIns)
{
    return earphone.builtIn == 1 &&
           std::any_of(builtIns.begin(), builtIns.end(), [&](const EarphoneModel &b) {
               return fixedText(b.model) == fixedText(earphone.model) && sameEarphone(earphone, b);
           });
}

} // namespace

QByteArray blobHeader()
{
    return QByteArray(kHeader, kBlobHeaderSize);
}

QString BlobReadReport::problems() const
{
    QStringList parts;
    if (damagedHeader)
        parts << QStringLiteral("the version header is damaged");
    if (truncated)
        parts << QStringLiteral("the data ends early; missing values were set to zero");
    if (trailingBytes)
        parts << QStringLiteral("unexpected extra data at the end was ignored");
    if (cutEntries > 0)
        parts << QStringLiteral("an instrument entry cut short at the end was dropped");
    if (unknownEntries > 0)
        parts << QStringLiteral("%1 instrument entries of an unknown kind were skipped").arg(unknownEntries);
    return parts.join(QStringLiteral("; "));
}

QByteArray WriteTestBlob(const AudTestRecord &record)
{
    return writeImage(record);
}

BlobReadReport ReadTestBlob(QByteArrayView blob, AudTestRecord &record)
{
    BlobReadReport report;
    if (blob.isEmpty()) {
        record = AudTestRecord{};
        report.emptyBlob = true;
        return report;
    }
    readHeader(blob, report);
    readImage(blob, &record, sizeof record, report);
    return report;
}

QByteArray WriteBoothBlob(const BoothRecord &record)
{
    return writeImage(record);
}

BlobReadReport ReadBoothBlob(QByteArrayView blob, const QString &rowTestName, BoothRecord &record)
{
    BlobReadReport report;
    record = BoothRecord{};
    if (blob.isEmpty()) {
        report.emptyBlob = true;
        return report;
    }
    readHeader(blob, report);
    // Compared as a float, so a header of 1.30 (1.2999999523 once narrowed) is already current.
    const bool beforeTestNames = report.version > 0.0 && static_cast<float>(report.version) < 1.3f;
    if (beforeTestNames) {
        readImage(blob, &record, kBoothImageWithoutName, report);
        setDisplayText(record.testName, rowTestName);
    } else {
        readImage(blob, &record, sizeof record, report);
    }
    return report;
}

QByteArray WriteInventoryBlob(const Inventory &inventory)
{
    QByteArray blob = blobHeader();
    for (const InventoryType type : kWriteOrder) {
        for (const InventoryEntry &entry : inventory.list(type)) {
            if (type == InventoryType::Earphone &&
                isBuiltInCopy(entry.bodyAs<EarphoneModel>(), inventory.builtInEarphones))
                continue;
            InventoryEntry stored = entry;
            stored.typeCode = static_cast<std::int32_t>(type);
            stored.link = 0;
            blob.append(reinterpret_cast<const char *>(&stored), sizeof stored);
        }
    }
    // Last, so that an entry cut short stays at the end, where a reader expects a short one.
    blob.append(inventory.unreadable);
    return blob;
}

BlobReadReport ReadInventoryBlob(QByteArrayView blob, Inventory &inventory, int alternateMode)
{
    BlobReadReport report;
    for (auto &list : inventory.lists)
        list.clear();
    inventory.unreadable.clear();

    if (blob.isEmpty()) {
        report.emptyBlob = true;
    } else {
        readHeader(blob, report);
        std::size_t offset = kBlobHeaderSize;
        const std::size_t size = static_cast<std::size_t>(blob.size());
        while (offset < size) {
            if (size - offset < kInventoryEntrySize) {
                ++report.cutEntries;
                inventory.unreadable.append(blob.sliced(qsizetype(offset)));
                break;
            }
            InventoryEntry entry;
            std::memcpy(&entry, blob.data() + offset, kInventoryEntrySize);
            if (entry.typeCode < 0 || entry.typeCode >= kInventoryTypes) {
                ++report.unknownEntries;
                inventory.unreadable.append(blob.sliced(qsizetype(offset), qsizetype(kInventoryEntrySize)));
                offset += kInventoryEntrySize;
                continue;
            }
            offset += kInventoryEntrySize;
            entry.link = 0;
            inventory.list(entry.type()).push_back(entry);
        }
    }

    inventory.loaded = true;
    mergeBuiltInEarphones(inventory, alternateMode);
    return report;
}

void mergeBuiltInEarphones(Inventory &inventory, int alternateMode)
{
    if (inventory.builtInEarphones.empty())
        inventory.builtInEarphones = buildBuiltInEarphones(alternateMode);

    std::vector<InventoryEntry> &earphones = inventory.list(InventoryType::Earphone);
    if (earphones.empty()) {
        for (const EarphoneModel &builtIn : inventory.builtInEarphones)
            earphones.push_back(makeInventoryEntry(InventoryType::Earphone, builtIn));
        return;
    }

    std::vector<bool> matched(earphones.size(), false);
    std::vector<InventoryEntry> unmatched;
    for (const EarphoneModel &builtIn : inventory.builtInEarphones) {
        bool found = false;
        for (std::size_t i = 0; i < earphones.size() && !found; ++i) {
            EarphoneModel stored = earphones[i].bodyAs<EarphoneModel>();
            if (matched[i] || !sameEarphone(stored, builtIn))
                continue;
            matched[i] = found = true;
            if (fixedText(stored.model) != fixedText(builtIn.model)) {
                setFixedText(stored.model, fixedText(builtIn.model));
                earphones[i].setBody(stored);
            }
        }
        if (!found)
            unmatched.push_back(makeInventoryEntry(InventoryType::Earphone, builtIn));
    }
    // Each unmatched one went to the front in turn, so they end up in reverse table order.
    earphones.insert(earphones.begin(), unmatched.rbegin(), unmatched.rend());
}

} // namespace tonva

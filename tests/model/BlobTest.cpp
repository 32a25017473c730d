#include "model/Blobs.h"
#include "model/FixedText.h"
#include "model/ReferenceData.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace tonva;

namespace {

// Every byte non-zero and no two neighbours alike, so a shifted or dropped byte shows.
template<class Record> void fillWithPattern(Record &record)
{
    auto *bytes = reinterpret_cast<unsigned char *>(&record);
    for (std::size_t i = 0; i < sizeof(Record); ++i)
        bytes[i] = static_cast<unsigned char>(1 + (i * 7) % 251);
}

template<class Record> bool sameImage(const Record &a, const Record &b)
{
    return std::memcmp(&a, &b, sizeof(Record)) == 0;
}

InventoryEntry calibrator(const char *serial)
{
    CalibratorData data;
    setFixedText(data.identity.serialNumber, serial);
    data.frequency = 1000.0f;
    data.level = 114.0f;
    return makeInventoryEntry(InventoryType::Calibrator, data);
}

InventoryEntry microphone(const char *serial)
{
    MicrophoneSlot data;
    setFixedText(data.identity.serialNumber, serial);
    data.sensitivity = 50.0f;
    return makeInventoryEntry(InventoryType::Microphone, data);
}

InventoryEntry earphone(const char *manufacturer, const char *model, EarphoneKind kind, std::int16_t coupler)
{
    EarphoneModel data;
    setFixedText(data.manufacturer, manufacturer);
    setFixedText(data.model, model);
    data.kind = static_cast<std::int16_t>(kind);
    data.couplerCode = coupler;
    data.retspl[12] = 1.0f;
    return makeInventoryEntry(InventoryType::Earphone, data);
}

std::string modelOf(const InventoryEntry &entry)
{
    return std::string(fixedText(entry.bodyAs<EarphoneModel>().model));
}

} // namespace

TEST(TestBlob, StartsWithTheVersionHeaderAndHoldsTheWholeImage)
{
    AudTestRecord record;
    const QByteArray blob = WriteTestBlob(record);
    ASSERT_EQ(blob.size(), 82396);
    EXPECT_EQ(QByteArray(blob.constData()), QByteArray("Tonva Version 02.20"));
    EXPECT_EQ(blob.at(19), '\0');
}

TEST(TestBlob, FullyPopulatedRecordRoundTripsByteForByte)
{
    auto original = std::make_unique<AudTestRecord>();
    fillWithPattern(*original);
    auto read = std::make_unique<AudTestRecord>();

    const BlobReadReport report = ReadTestBlob(WriteTestBlob(*original), *read);

    EXPECT_TRUE(report.clean()) << report.problems().toStdString();
    EXPECT_NEAR(report.version, 2.20, 1e-9);
    EXPECT_TRUE(sameImage(*original, *read));
}

TEST(TestBlob, EmptyBlobGivesAnAllZeroRecord)
{
    AudTestRecord record;
    fillWithPattern(record);
    const BlobReadReport report = ReadTestBlob(QByteArrayView(), record);
    EXPECT_TRUE(report.emptyBlob);
    EXPECT_TRUE(report.clean());
    EXPECT_TRUE(sameImage(record, AudTestRecord{}));
    EXPECT_EQ(record.statusOf(MeasurementKind::PulsedTones, TransducerType::Speakers), 0);
}

TEST(TestBlob, BadBlobsAreReadAsFarAsTheyGoAndReported)
{
    AudTestRecord full;
    fillWithPattern(full);
    const QByteArray blob = WriteTestBlob(full);

    AudTestRecord record;
    // Cut inside the image: what is there is kept, the rest is zero.
    BlobReadReport report = ReadTestBlob(blob.left(20 + 1000), record);
    EXPECT_TRUE(report.truncated);
    EXPECT_FALSE(report.damagedHeader);
    EXPECT_EQ(std::memcmp(&record, &full, 1000), 0);
    EXPECT_EQ(reinterpret_cast<const unsigned char *>(&record)[1000], 0);

    // Cut inside the header.
    report = ReadTestBlob(blob.left(7), record);
    EXPECT_TRUE(report.damagedHeader);
    EXPECT_TRUE(report.truncated);
    EXPECT_TRUE(sameImage(record, AudTestRecord{}));

    // Longer than the image: the image is whole, the tail is ignored.
    report = ReadTestBlob(blob + QByteArray("tail"), record);
    EXPECT_TRUE(report.trailingBytes);
    EXPECT_FALSE(report.truncated);
    EXPECT_TRUE(sameImage(record, full));

    // Foreign header text and no number at all.
    QByteArray damaged = blob;
    damaged.replace(0, 20, QByteArray("Something else\0\0\0\0\0\0", 20));
    report = ReadTestBlob(damaged, record);
    EXPECT_TRUE(report.damagedHeader);
    EXPECT_EQ(report.version, 0.0);
    EXPECT_FALSE(report.problems().isEmpty());
    EXPECT_TRUE(sameImage(record, full));
}

TEST(BoothBlob, CurrentBlobRoundTrips)
{
    BoothRecord original;
    fillWithPattern(original);
    BoothRecord read;
    const QByteArray blob = WriteBoothBlob(original);
    EXPECT_EQ(blob.size(), 876);
    EXPECT_TRUE(ReadBoothBlob(blob, QStringLiteral("ignored"), read).clean());
    EXPECT_TRUE(sameImage(original, read));
}

TEST(BoothBlob, BeforeVersion130TheTestNameComesFromTheRow)
{
    BoothRecord original;
    fillWithPattern(original);
    QByteArray blob = QByteArray("Tonva Version 01.20", 20);
    blob.append(reinterpret_cast<const char *>(&original), 812);

    BoothRecord read;
    const BlobReadReport report = ReadBoothBlob(blob, QStringLiteral("Booth Süd"), read);

    EXPECT_TRUE(report.clean()) << report.problems().toStdString();
    EXPECT_EQ(std::memcmp(&read, &original, 812), 0);
    EXPECT_EQ(displayText(read.testName), QStringLiteral("Booth Süd"));
}

TEST(BoothBlob, Version130IsAlreadyTheCurrentLayout)
{
    BoothRecord original;
    fillWithPattern(original);
    QByteArray blob = WriteBoothBlob(original);
    blob.replace(14, 5, "01.30");
    BoothRecord read;
    EXPECT_TRUE(ReadBoothBlob(blob, QStringLiteral("row name"), read).clean());
    EXPECT_TRUE(sameImage(original, read));
}

TEST(InventoryBlob, OneCalibratorAndOneMicrophoneWriteCalibratorFirst)
{
    Inventory inventory;
    inventory.list(InventoryType::Microphone).push_back(microphone("M1"));
    inventory.list(InventoryType::Calibrator).push_back(calibrator("C1"));

    const QByteArray blob = WriteInventoryBlob(inventory);

    ASSERT_EQ(blob.size(), 1684);
    std::int32_t first = -1;
    std::int32_t second = -1;
    std::memcpy(&first, blob.constData() + 20, 4);
    std::memcpy(&second, blob.constData() + 20 + 832, 4);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 3);
}

TEST(InventoryBlob, ListsAreWrittenInTheStoredOrderAndReadBack)
{
    Inventory inventory;
    const InventoryType all[] = {
        InventoryType::Calibrator, InventoryType::SoundLevelMeter, InventoryType::Microphone,
        InventoryType::ModelList4, InventoryType::ModelList5,      InventoryType::BoneVibrator,
        InventoryType::Mastoid,    InventoryType::ModelList8,      InventoryType::Preamplifier};
    for (const InventoryType type : all) {
        InventoryEntry entry;
        entry.typeCode = static_cast<std::int32_t>(type);
        entry.body[0] = static_cast<unsigned char>('A' + static_cast<int>(type));
        entry.body[823] = 0x5a;
        inventory.list(type).push_back(entry);
    }
    inventory.list(InventoryType::Earphone).push_back(earphone("Acme", "Custom", EarphoneKind::Insert, 4));

    const QByteArray blob = WriteInventoryBlob(inventory);
    ASSERT_EQ(blob.size(), 20 + 10 * 832);
    std::vector<std::int32_t> order;
    for (int i = 0; i < 10; ++i) {
        std::int32_t code = 0;
        std::memcpy(&code, blob.constData() + 20 + i * 832, 4);
        order.push_back(code);
    }
    EXPECT_EQ(order, (std::vector<std::int32_t>{8, 0, 3, 1, 9, 2, 7, 5, 6, 4}));

    Inventory read;
    const BlobReadReport report = ReadInventoryBlob(blob, read, 0);
    EXPECT_TRUE(report.clean());
    EXPECT_TRUE(read.loaded);
    for (const InventoryType type : all) {
        ASSERT_EQ(read.list(type).size(), 1u);
        EXPECT_EQ(std::memcmp(read.list(type)[0].body, inventory.list(type)[0].body, 824), 0);
    }
}

TEST(InventoryBlob, WithoutEarphonesTheBuiltInTableIsLoadedInOrderAndNeverStored)
{
    Inventory inventory;
    ReadInventoryBlob(blobHeader(), inventory, 0);
    const auto &earphones = inventory.list(InventoryType::Earphone);
    ASSERT_EQ(earphones.size(), 12u);
    EXPECT_EQ(modelOf(earphones.front()), "TDH 39");
    EXPECT_EQ(modelOf(earphones.back()), "HV/1A");

    EXPECT_EQ(WriteInventoryBlob(inventory).size(), 20);
}

TEST(InventoryBlob, StoredEarphonesKeepTheirPlaceAndUnmatchedBuiltInsGoInFront)
{
    Inventory stored;
    auto &list = stored.list(InventoryType::Earphone);
    list.push_back(earphone("Acme", "Custom", EarphoneKind::SupraAural, 2));
    list.push_back(earphone("Telephonics", "TDH 50", EarphoneKind::SupraAural, 2));
    // A second old "TDH 50" finds the built-in already taken and stays as it is.
    list.push_back(earphone("Telephonics", "TDH 50", EarphoneKind::SupraAural, 2));

    Inventory read;
    ReadInventoryBlob(WriteInventoryBlob(stored), read, 0);
    const auto &earphones = read.list(InventoryType::Earphone);
    ASSERT_EQ(earphones.size(), 3u + 11u);
    // Eleven unmatched built-ins in reverse table order, then the stored ones.
    EXPECT_EQ(modelOf(earphones[0]), "HV/1A");
    EXPECT_EQ(modelOf(earphones[10]), "TDH 39");
    EXPECT_EQ(modelOf(earphones[11]), "Custom");
    EXPECT_EQ(modelOf(earphones[12]), "TDH 50/49");
    EXPECT_EQ(earphones[12].bodyAs<EarphoneModel>().retspl[12], 1.0f); // the stored values stay
    EXPECT_EQ(modelOf(earphones[13]), "TDH 50");
}

TEST(InventoryBlob, DamagedInventoryBlobsKeepWhatIsWhole)
{
    Inventory inventory;
    inventory.list(InventoryType::Calibrator).push_back(calibrator("C1"));
    inventory.list(InventoryType::Calibrator).push_back(calibrator("C2"));
    QByteArray blob = WriteInventoryBlob(inventory);

    // An entry of an unknown kind between the two, and the last one cut in the middle.
    QByteArray unknown(832, '\0');
    unknown[0] = 42;
    blob.insert(20 + 832, unknown);
    blob.chop(400);

    Inventory read;
    const BlobReadReport report = ReadInventoryBlob(blob, read, 0);
    EXPECT_EQ(report.unknownEntries, 1);
    EXPECT_EQ(report.cutEntries, 1);
    ASSERT_EQ(read.list(InventoryType::Calibrator).size(), 1u);
    EXPECT_EQ(
        fixedText(read.list(InventoryType::Calibrator)[0].bodyAs<CalibratorData>().identity.serialNumber),
        "C1");
    EXPECT_EQ(read.list(InventoryType::Earphone).size(), 12u);
}

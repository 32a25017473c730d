#include "inventory/SetupImport.h"
#include "model/ReferenceData.h"
#include "support/ScriptedInteraction.h"

#include <gtest/gtest.h>

namespace tonva::test {
namespace {

using namespace setupimport;

constexpr const char *kMicHeader = "MIC,Mervane,TMC-40,4411,50.0,20111231\n";

QByteArray linesFrom(double fromHz, double toHz, double stepHz)
{
    QByteArray text;
    for (double hz = fromHz; hz <= toHz; hz += stepHz)
        text += QByteArray::number(hz) + ",0.5\n";
    return text;
}

TEST(SetupImport, EachFaultOfTheFileHasItsCodeAndLine)
{
    struct Case
    {
        QByteArray text;
        int code;
        int line;
    };
    const QByteArray longText(26, 'x');
    const Case cases[] = {
        {"", kEmpty, 1},
        {"\n100,1\n", kTypeMissing, 1},
        {"HEADPHONE,B,M,S,1,20111231\n", kBadType, 1},
        {"MASTOID,B,M,S,1,20111231\n", kBadType, 1}, // not what the microphone page imports
        {"MIC, ,M,S,1,20111231\n", kManufacturerMissing, 1},
        {"MIC,B,,S,1,20111231\n", kModelMissing, 1},
        {"MIC,B,M\n", kSerialMissing, 1},
        {"MIC,B,M,S,,20111231\n", kSensitivityMissing, 1},
        {"MIC,B,M,S,1\n", kDueDateMissing, 1},
        {"MIC,B,M,S,1,13/01/2011\n", kBadDueDate, 1},
        {"MIC,B,M,S,1,20111301\n", kBadDueDate, 1}, // eight digits get the same checks
        {"MIC," + longText + ",M,S,1,20111231\n", kManufacturerTooLong, 1},
        {"MIC,B," + longText.left(16) + ",S,1,20111231\n", kModelTooLong, 1},
        {"MIC,B,M," + longText.left(13) + ",1,20111231\n", kSerialTooLong, 1},
        {QByteArray(kMicHeader) + "31.5,1\n31.5,2\n", kOutOfOrder, 3},
        {QByteArray(kMicHeader) + "0,1\n", kOutOfOrder, 2}, // nothing is measured at 0 Hz
        {QByteArray(kMicHeader) + "31.5,1\r\n63\r\n", kResponseMissing, 3},
        {QByteArray(kMicHeader) + linesFrom(1, 201, 1), kTooManyFrequencies, 202},
    };
    for (const Case &c : cases) {
        SetupFile file;
        const SetupImportStatus status = parseSetupText(c.text, false, SetupDataType::Microphone, file);
        EXPECT_EQ(status.code, c.code) << c.text.constData();
        EXPECT_EQ(status.line, c.line) << c.text.constData();
    }
    SetupFile file;
    EXPECT_EQ(ParseSetupFile(QStringLiteral("/nonexistent/setup.csv"), false, {}, file).code, kCannotOpen);
    EXPECT_EQ(setupImportMessage({kBadType, 1}, true),
              "Bad or missing data type in the setup file (Line 1).\n(Be sure the data in the file is tab-delimited.)");
    EXPECT_EQ(setupImportMessage({kOutOfOrder, 7}, false),
              "Frequency appears to be out of order in the setup file (Line 7).\nFrequencies must be in ascending "
              "order.");
    EXPECT_EQ(setupImportMessage({-99, 4}, false), "Unable to import responses (unknown error -99, Line 4).");
}

TEST(SetupImport, ResponsesAreMappedExactlyBetweenLinesAndOnlyTo20kHzBeyondTheFile)
{
    SetupFile file;
    // 200 lines fill the whole list: nothing of it is kept free for an end mark.
    ASSERT_TRUE(parseSetupText(QByteArray("mic\tB&K\t4134\t2001\t12.5\t12/31/2011\n") + linesFrom(1, 200, 1).replace(',', '\t'),
                               true, {}, file)
                    .ok());
    EXPECT_EQ(file.responses.size(), 200u);
    EXPECT_EQ(file.calibrationDue, "2011-12-31");

    ASSERT_TRUE(parseSetupText(QByteArray(kMicHeader) + "31.5,-1\n1000,0\n15000,3\n16000,5\n", false, {}, file).ok());
    std::array<float, kFrequencyCount> responses{};
    ASSERT_TRUE(MapResponses(file, responses).ok());
    EXPECT_FLOAT_EQ(responses[0], -1.0f);
    EXPECT_FLOAT_EQ(responses[12], 0.0f);
    EXPECT_NEAR(responses[5], -1.0 + (250 - 31.5) / (1000 - 31.5), 1e-5);
    EXPECT_FLOAT_EQ(responses[34], 5.0f);
    EXPECT_FLOAT_EQ(responses[35] + responses[36] + responses[37], 0.0f) << "17 to 19 kHz are not guessed";
    EXPECT_FLOAT_EQ(responses[38], 13.0f) << "16 kHz and 2 dB per kHz on to 20 kHz";

    // A microphone file must reach down to 31.5 Hz; a failed mapping leaves the responses alone.
    ASSERT_TRUE(parseSetupText(QByteArray(kMicHeader) + "40,1\n1000,2\n", false, {}, file).ok());
    EXPECT_EQ(MapResponses(file, responses).code, kStartsTooHigh);
    EXPECT_FLOAT_EQ(responses[38], 13.0f);
}

TEST(SetupImport, AMastoidFileFillsItsCouplersArrayAndKeepsTheOthers)
{
    SetupFile file;
    ASSERT_TRUE(parseSetupText("AMC-400,Mervane,AM-1,77,1.0,20111231,201\n200,1.0\n300,2.0\n", false,
                               SetupDataType::Mastoid, file)
                    .ok());
    EXPECT_EQ(file.coupler, MastoidCoupler::Pendry);
    MastoidData earlier;
    earlier.kestinResponse[12] = 4.0f;
    earlier.pendryResponse[20] = 9.0f;
    const InventoryEntry base = makeInventoryEntry(InventoryType::Mastoid, earlier);
    const std::optional<InventoryEntry> entry = importedEntry(file, std::nullopt, &base);
    ASSERT_TRUE(entry.has_value());
    const MastoidData mastoid = entry->bodyAs<MastoidData>();
    EXPECT_FLOAT_EQ(mastoid.pendryResponse[5], 1.5f) << "250 Hz between 200 and 300 Hz";
    EXPECT_FLOAT_EQ(mastoid.pendryResponse[4], 0.0f) << "a mastoid starts at 250 Hz";
    EXPECT_FLOAT_EQ(mastoid.pendryResponse[20], 0.0f) << "beyond the file: not entered, not the old value";
    EXPECT_FLOAT_EQ(mastoid.kestinResponse[12], 4.0f);
    EXPECT_EQ(std::string(mastoid.identity.serialNumber), "77");
    EXPECT_EQ(std::string(mastoid.identity.calibrationDue), "2011-12-31");
}

// The workbook is made by scripts/make-mastoid-certificate: a Lorvat certificate, 125 Hz to 8 kHz.
TEST(SetupImport, AMastoidCertificateWorkbookFillsThePageItIsMeantFor)
{
    const QString workbook = QStringLiteral(TONVA_SOURCE_DIR "/tests/inventory/data/mastoid-certificate.xls");
    ScriptedInteraction technician;
    technician
        .expectAsk("This certificate is based on using an Mervane Lorvat which is different than the response page "
                   "for Kestin.\n Continue anyway?",
                   Answer::No)
        .expectMessage("Unable to load Excel Worksheet");
    EXPECT_FALSE(ImportCertificateWorkbook(workbook, MastoidCoupler::Kestin, technician));
    EXPECT_FALSE(ImportCertificateWorkbook(QStringLiteral(TONVA_SOURCE_DIR "/README.md"), {}, technician));

    const std::optional<SetupFile> file = ImportCertificateWorkbook(workbook, {}, technician);
    technician.verifyDone();
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->coupler, MastoidCoupler::Lorvat);
    EXPECT_EQ(file->model, "AM-1");
    EXPECT_EQ(file->serialNumber, "2417795");
    const std::optional<InventoryEntry> entry = importedEntry(*file, {}, nullptr);
    ASSERT_TRUE(entry.has_value());
    const MastoidData mastoid = entry->bodyAs<MastoidData>();
    EXPECT_FLOAT_EQ(mastoid.lorvatResponse[5], 40.5f);
    EXPECT_NEAR(mastoid.lorvatResponse[6], 40.5 - 0.5 * 65 / 250, 1e-5) << "315 Hz between 250 and 500 Hz";
    EXPECT_FLOAT_EQ(mastoid.lorvatResponse[24], 34.0f);
    EXPECT_FLOAT_EQ(mastoid.kestinResponse[12], 0.0f);
    EXPECT_STREQ(mastoid.identity.manufacturer, "Mervane");
}

} // namespace
} // namespace tonva::test

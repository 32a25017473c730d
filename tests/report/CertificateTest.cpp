#include "model/FixedText.h"
#include "report/Certificate.h"
#include "report/RecordingCanvas.h"
#include "support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>
#include <memory>

using namespace tonva;

namespace {

std::unique_ptr<AudTestRecord> filledTest()
{
    auto test = std::make_unique<AudTestRecord>();
    TestSetup &s = test->setup;
    setFixedText(s.testDate, "2026-03-04");
    setFixedText(s.technician, "Dana Reyes");
    setFixedText(s.customerName, "Northside Clinic");
    setFixedText(s.location1, "12 Elm St");
    setFixedText(s.location2, "Springfield");
    setFixedText(s.audiometerManufacturer, "Auricon");
    setFixedText(s.audiometerModel, "AC-40");
    setFixedText(s.audiometerSerialNumber, "SN-778");
    setFixedText(s.audiometerType, "2");
    setFixedText(s.audiometerInventoryNumber, "INV-9");
    s.channelCount = 2;
    s.channelToTest = 1;
    setFixedText(s.supraAural.manufacturer, "Telephonics");
    setFixedText(s.supraAural.model, "TDH 39");
    s.supraAural.builtIn = 1;
    setFixedText(s.insert.manufacturer, "Own");
    setFixedText(s.insert.model, "Custom");
    setFixedText(s.soundLevelMeter.manufacturer, "Mervane");
    setFixedText(s.soundLevelMeter.serialNumber, "M-1");
    setFixedText(s.soundLevelMeter.calibrationDue, "2027-01-01");
    setFixedText(s.couplerMicrophone[1].identity.manufacturer, "Mervane Acoustics");
    setFixedText(s.couplerMicrophone[1].identity.serialNumber, "L-2");
    setFixedText(s.couplerMicrophone[2].identity.manufacturer, "Other");
    setFixedText(s.couplerMicrophone[2].identity.serialNumber, "K-3");
    // Filled but without a serial number: no row.
    setFixedText(s.calibrator.identity.manufacturer, "Calco");
    setFixedText(s.calibrator.identity.model, "C1");
    return test;
}

const ReportOrganisation kOrganisation{"Acme Audio Labs", "1 Main Road", "Phone 555-0100"};

RecordingCanvas draw(CCertHandler &certificate, QSize page = QSize(5100, 6600), QSize dpi = QSize(600, 600))
{
    RecordingCanvas canvas(page, dpi);
    EXPECT_EQ(renderDocument(canvas, certificate), 1);
    return canvas;
}

QStringList texts(const QList<RecordedCell> &cells)
{
    QStringList out;
    for (const RecordedCell &cell : cells)
        out << cell.text;
    return out;
}

int lineHeight()
{
    const CanvasFontMetrics m = measureCanvasFont({"Courier New", 75, false});
    return m.height + m.externalLeading;
}

} // namespace

TEST(Certificate, AudiometerPageCellByCell)
{
    const auto test = filledTest();
    CCertHandler certificate = CCertHandler::forAudiometer(*test, kRecordLayoutVersion, kOrganisation, {});
    certificate.issued = QDate(2026, 7, 5);
    const RecordingCanvas canvas = draw(certificate);
    const int lh = lineHeight(), cw = measureCanvasFont({"Courier New", 75, false}).averageCharWidth;
    const int left = 600, top = 150;

    // Five outlines 10 units apart inside the 3/8 inch margin.
    ASSERT_EQ(canvas.shapes().size(), 5);
    const int y0 = top + 3 * lh / 2;
    EXPECT_EQ(canvas.shapes()[0].points.first(), QPoint(225, y0));
    EXPECT_EQ(canvas.shapes()[4].points[2], QPoint(5100 - 40 - 225, 6600 - 40 - top));

    const RecordedCell *title = canvas.find("Certificate of Calibration");
    ASSERT_TRUE(title);
    EXPECT_EQ(title->font.height, 225);
    EXPECT_EQ(title->topLeft.y(), y0 + lh);
    EXPECT_EQ(title->topLeft.x(), 2550 - measureCanvasText(title->font, title->text) / 2);
    const RecordedCell *header2 = canvas.find("Phone 555-0100");
    ASSERT_TRUE(header2);
    EXPECT_EQ(header2->topLeft.y(), title->topLeft.y() + 5 * lh);
    EXPECT_EQ(texts(canvas.lineOf(*header2)), (QStringList{"Calibration Date:", "2026-03-04", "Phone 555-0100"}));

    const RecordedCell *type = canvas.find("Type:");
    const RecordedCell *typeValue = canvas.find("2");
    ASSERT_TRUE(type && typeValue);
    EXPECT_TRUE(type->font.bold);
    EXPECT_EQ(typeValue->topLeft, QPoint(left + 49 * cw + measureCanvasText(type->font, "Type:"), type->topLeft.y()));
    // Only the earphone without built-in levels is marked.
    EXPECT_TRUE(canvas.find("Supra-aural") && canvas.find("Insert*") && canvas.find("Circumaural"));

    const RecordedCell *instruments = canvas.find("Instrumentation");
    ASSERT_TRUE(instruments);
    const RecordedCell *speakerSerial = canvas.find("Serial Number:", 2);
    ASSERT_TRUE(speakerSerial);
    EXPECT_EQ(instruments->topLeft.y(), speakerSerial->topLeft.y() + 4 * lh);
    QStringList rows;
    for (const RecordedCell &cell : canvas.cells())
        if (cell.topLeft.x() == left && cell.topLeft.y() > instruments->topLeft.y() &&
            cell.topLeft.y() < 6600 - 1000 && !cell.font.bold && !cell.text.isEmpty())
            rows << cell.text;
    EXPECT_EQ(rows, (QStringList{"Sound Level Meter", "Lorvat Mic", "NBS 9A Mic"}));
    EXPECT_EQ(texts(canvas.lineOf(*canvas.find("Lorvat Mic"))).last(), "");
    EXPECT_EQ(canvas.find("Sound Level Meter")->topLeft.y(), instruments->topLeft.y() + lh);
    EXPECT_EQ(canvas.find("2027-01-01")->topLeft.x(), left + 72 * cw);

    const QString line = "Signature: " + QString(42, '_') + "     ";
    const RecordedCell *signature = canvas.find(line + "Date Issued: 2026-07-05");
    ASSERT_TRUE(signature);
    EXPECT_EQ(signature->topLeft, QPoint(left, 6600 - top - 550));
    const RecordedCell *technician = canvas.find("Dana Reyes", 1);
    ASSERT_TRUE(technician);
    EXPECT_EQ(technician->topLeft, QPoint(left + measureCanvasText(signature->font, "Signature: "),
                                          signature->topLeft.y() + 2 * lh));
    const RecordedCell *note = canvas.find("* Includes non-standard RETSPL.");
    ASSERT_TRUE(note);
    EXPECT_EQ(note->topLeft.x(), left + measureCanvasText(signature->font, line));
}

TEST(Certificate, OptionsChangeBorderDateAndRetsplMarks)
{
    const auto test = filledTest();
    CCertHandler certificate = CCertHandler::forAudiometer(*test, kRecordLayoutVersion, kOrganisation, {});
    certificate.includeBorder = false;
    certificate.includeDateOfSignature = false;
    certificate.displayRetsplMessage = false;
    const RecordingCanvas canvas = draw(certificate);
    EXPECT_TRUE(canvas.shapes().isEmpty());
    EXPECT_EQ(canvas.find("Certificate of Calibration")->topLeft.y(), 150);
    EXPECT_TRUE(canvas.find("Signature: " + QString(42, '_') + "     Date Issued: " + QString(13, '_')));
    EXPECT_TRUE(canvas.find("Insert") && !canvas.find("Insert*"));
    EXPECT_FALSE(canvas.find("* Includes non-standard RETSPL."));
}

TEST(Certificate, BuiltInParagraphTakesTheWidestLayoutThatFitsAndTheEditionOfTheLayoutVersion)
{
    const auto test = filledTest();
    struct Row
    {
        int companyLength;
        std::int16_t layoutVersion;
        int lines;
        const char *edition;
    } rows[] = {{40, 220, 4, "(ANSI S3.6 2004)"},
                {60, 146, 5, "(ANSI S3.6 1996)"},
                // Nothing fits: the narrowest is printed anyway.
                {110, 0, 8, "(ANSI S3.6 2004)"}};
    for (const Row &row : rows) {
        const ReportOrganisation organisation{QString(row.companyLength, 'C'), {}, {}};
        CCertHandler certificate = CCertHandler::forAudiometer(*test, row.layoutVersion, organisation, {});
        const RecordingCanvas canvas = draw(certificate);
        const QStringList expected =
            builtInParagraph(CertificateKind::Audiometer, row.lines, organisation.companyName, row.edition);
        const RecordedCell *first = canvas.find(expected.first());
        ASSERT_TRUE(first) << row.companyLength;
        const RecordedCell *last = canvas.find(expected.last());
        ASSERT_TRUE(last) << row.companyLength;
        EXPECT_EQ(last->topLeft.y() - first->topLeft.y(), (row.lines - 1) * lineHeight()) << row.companyLength;
        EXPECT_EQ(last->topLeft.x(), first->topLeft.x()) << "a block with one left edge";
    }
}

TEST(Certificate, BoothCertificateFromAParagraphFileAtLowResolution)
{
    test::TempDir dir;
    const QString path = dir.file("booth.acp");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Acme certifies this booth\nagainst the room standard.");
    file.close();

    BoothRecord booth;
    setFixedText(booth.booth, "Room 2");
    setFixedText(booth.measurementDate, "2026-02-02");
    setFixedText(booth.microphone.identity.serialNumber, "MIC-5");
    // 96 dpi: what a screen preview draws on.
    CCertHandler certificate = CCertHandler::forBooth(booth, kOrganisation, path);
    const RecordingCanvas canvas = draw(certificate, QSize(816, 1056), QSize(96, 96));
    EXPECT_TRUE(certificate.paragraphProblem().isEmpty());

    ASSERT_TRUE(canvas.find("Certificate of Compliance") && canvas.find("Booth:") && canvas.find("Room 2"));
    EXPECT_EQ(canvas.find("Room 2")->topLeft.y(), canvas.find("Booth:")->topLeft.y());
    EXPECT_TRUE(canvas.find("Microphone"));
    const RecordedCell *paragraph = canvas.find("against the room standard.");
    ASSERT_TRUE(paragraph);
    const RecordedCell *signature = nullptr;
    int lowest = 0;
    for (const RecordedCell &cell : canvas.cells()) {
        if (cell.text.startsWith("Signature: "))
            signature = &cell;
        lowest = std::max(lowest, cell.topLeft.y());
    }
    ASSERT_TRUE(signature);
    EXPECT_GT(signature->topLeft.y(), paragraph->topLeft.y()) << "the signature stays below the body";
    EXPECT_EQ(lowest, signature->topLeft.y()) << "nothing under a booth's signature line";

    // A paragraph file that exists but cannot be read prints no paragraph, and says why.
    CCertHandler unreadable = CCertHandler::forBooth(booth, kOrganisation, dir.path());
    EXPECT_EQ(unreadable.paragraphProblem(), "Unable to open paragraph file.");
    const RecordingCanvas without = draw(unreadable);
    EXPECT_FALSE(without.find("(ANSI S3.1 1999)"));
    EXPECT_TRUE(without.find("Certificate of Compliance"));
}

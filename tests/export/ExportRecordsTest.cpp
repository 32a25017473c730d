#include "ExportTestSupport.h"

#include "demo/DemoReport.h"
#include "platform/TextFormat.h"

#include <gtest/gtest.h>
#include <clocale>

namespace tonva::test {
namespace {

const char *const kTypeNames[] = {"Hearing Level", "Frequency",           "Linearity",         "Harmonic Distortion",
                                  "Pulse",         "Cross Talk",          "Frequency Modulation", "Narrow Band Level",
                                  "Broad Band Noise", "Speech"};

qsizetype indexOf(const QByteArrayList &lines, const QByteArray &line)
{
    return lines.indexOf(line);
}

// Good and faulty audiometers: the file's framing, the summary, and the rows the pages judged.
TEST(AudiometerExport, DemoTestsWriteTheSummaryAndTheJudgedRows)
{
    for (const QString &profile : {QStringLiteral("good"), QStringLiteral("faulty")}) {
        SCOPED_TRACE(profile.toStdString());
        const AudTestRecord &test = demoTest(profile);
        ASSERT_EQ(fixedText(test.setup.audiometerModel), "AD 629");

        const QByteArray bytes = encodeExportRecords(audiometerExportRecords(test, {}), ',');
        EXPECT_FALSE(bytes.contains('\n'));
        const QByteArrayList lines = exportedLines(bytes);
        EXPECT_EQ(bytes.count('\r'), lines.size());
        EXPECT_EQ(lines.first(), QByteArray("Audiometer Calibration: ") + fixedText(test.setup.audiometerManufacturer).data() +
                                     " AD 629 (S/N DA-20417)");
        EXPECT_EQ(lines.value(3), "Calibration Date:," + QByteArray(fixedText(test.setup.testDate).data()));
        EXPECT_TRUE(lines.contains("Number of Channels: 2"));

        // The summary: all ten types, whatever was measured.
        const qsizetype head = indexOf(lines, "Test Name,Earphones,Vibrator,Speakers,Earphones,Earphones");
        ASSERT_GT(head, 0);
        EXPECT_EQ(lines[head - 1], ",Supra-aural,Bone,,Insert,Circumaural");
        bool anyFailed = false;
        for (int kind = 0; kind < kMeasurementKinds; ++kind) {
            QByteArray row = kTypeNames[kind];
            for (int t = 0; t < kTransducerTypes; ++t) {
                const int status = test.status[kind][t];
                anyFailed = anyFailed || status == -1;
                row += status == 1 ? ",Pass" : status == -1 ? ",FAIL" : status == 0 ? ",-" : ",n/a";
            }
            EXPECT_EQ(lines[head + 1 + kind], row);
        }
        EXPECT_EQ(anyFailed, profile == QLatin1String("faulty"));
        EXPECT_TRUE(lines[head + 11].isEmpty());

        // Every judged row of the hearing-level page is a record, in the page's own formatting.
        const PageTable page = demo::stepList(test, {MeasurementEntry::HearingLevel, TransducerType::SupraAural, Ear::Left});
        const qsizetype section = indexOf(lines, "-------,Hearing Level Test,Channel #: 1,-------");
        ASSERT_GT(section, head);
        EXPECT_EQ(lines[section + 1], "Supra-aural earphones");
        EXPECT_EQ(lines[section + 2], "Left Earphone");
        EXPECT_EQ(lines[section + 3], "Freq,Measured,Hearing,SPL,Target");
        EXPECT_EQ(lines[section + 4], "(Hz),SPL,Level,Deviation,SPL");
        int judged = 0;
        for (int row = 0; row < page.rows.size(); ++row) {
            if (page.verdict(row) == ResultStatus::NotJudged)
                continue;
            EXPECT_EQ(lines[section + 5 + judged], page.rows[row].join(QLatin1Char(',')).toLatin1());
            ++judged;
        }
        EXPECT_GT(judged, 5);

        // Cross talk comes in the order the report prints it.
        const auto startsWith = [&](const char *prefix) {
            for (qsizetype i = section; i < lines.size(); ++i)
                if (lines[i].startsWith(prefix))
                    return i;
            return qsizetype(-1);
        };
        const qsizetype l2r = startsWith("Left to Right,");
        const qsizetype r2l = startsWith("Right to Left,");
        const qsizetype onOff = startsWith("On/Off Ratio,");
        ASSERT_GT(l2r, 0);
        EXPECT_LT(l2r, r2l);
        EXPECT_LT(r2l, onOff);
        EXPECT_EQ(lines[l2r - 1], "Test,Tone On,Tone Off,Difference,ANSI Limits,Deviation");
        EXPECT_TRUE(lines[onOff].startsWith("On/Off Ratio,,")) << lines[onOff].constData();
        EXPECT_EQ(lines[onOff].split(',').value(3), "");

        // The notes close the file: the legend, then fifteen lines of two items each.
        const qsizetype notes = indexOf(lines, "-------,Notes & Comments,-------");
        ASSERT_GT(notes, onOff);
        EXPECT_EQ(lines[notes + 2], "Left Earphone,P,Power Switch,P");
        EXPECT_EQ(lines[notes + 16], "Volume control,P,VU meter,P");

        // TAB delimits the same fields.
        const QByteArrayList tabbed = exportedLines(test, '\t');
        ASSERT_EQ(tabbed.size(), lines.size());
        EXPECT_EQ(tabbed[head], QByteArray(lines[head]).replace(',', '\t'));
    }
}

// Texts the technician typed never cut a record into more fields or records than it has.
TEST(AudiometerExport, TypedTextsStayOneField)
{
    AudTestRecord test = demoTest(QStringLiteral("good"));
    setDisplayText(test.setup.customerName, QStringLiteral("Smith, Jones"));
    setDisplayText(test.setup.location1, QStringLiteral("Bldg \"C\"\tRoom 4"));
    setDisplayText(test.setup.technician, QStringLiteral("Zoë Müller"));
    const QString word = QString(120, QLatin1Char('x'));
    setDisplayText(test.checklist.comments, QStringLiteral("Cushion worn, replaced\r\nOK\r\n") + word);
    test.checklist.visualCheck[0] = 1;
    test.checklist.visualCheck[15] = 2;

    const QByteArrayList csv = exportedLines(test, ',');
    EXPECT_TRUE(csv.contains("Customer:,\"Smith, Jones\""));
    EXPECT_TRUE(csv.contains(",\"Bldg \"\"C\"\"\tRoom 4\""));
    EXPECT_TRUE(csv.contains("Technician:,Zo\xeb M\xfcller")); // cp1252 bytes
    EXPECT_TRUE(csv.contains("Left Earphone,F,Power Switch,NA"));
    // Comment lines: a CR ends one, an LF is dropped, a word-free line breaks after 67 characters.
    ASSERT_GE(csv.size(), 4);
    const QByteArrayList tail = csv.mid(csv.size() - 4);
    EXPECT_EQ(tail[0], "\"Cushion worn, replaced\"");
    EXPECT_EQ(tail[1], "OK");
    EXPECT_EQ(tail[2], QByteArray(67, 'x'));
    EXPECT_EQ(tail[3], QByteArray(53, 'x'));

    const QByteArrayList tabbed = exportedLines(test, '\t');
    EXPECT_TRUE(tabbed.contains("Customer:\tSmith, Jones"));
    EXPECT_TRUE(tabbed.contains("\t\"Bldg \"\"C\"\"\tRoom 4\""));
}

// A decimal-comma locale changes no byte of the file.
TEST(AudiometerExport, NumbersKeepTheirPointUnderAGermanLocale)
{
    const AudTestRecord &test = demoTest(QStringLiteral("faulty"));
    const QByteArray before = encodeExportRecords(audiometerExportRecords(test, {}), '\t');
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "no de_DE.UTF-8 locale";
    const QByteArray german = encodeExportRecords(audiometerExportRecords(test, {}), '\t');
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(german, before);
    EXPECT_TRUE(before.contains('.'));
}

BoothRecord boothSurvey(const char *date)
{
    BoothRecord booth;
    setFixedText(booth.booth, "Booth 2");
    setFixedText(booth.customerName, "Smith, Jones");
    setFixedText(booth.measurementDate, date);
    setFixedText(booth.soundLevelMeter.serialNumber, "SLM-1");
    setFixedText(booth.soundLevelMeter.manufacturer, "Mervane");
    setFixedText(booth.soundLevelMeter.calibrationDue, "2027-01-31");
    for (float &level : booth.bandLevel)
        level = -100.0f;
    booth.bandLevel[19] = 20.25f; // 1 kHz
    booth.bandLevel[16] = 15.0f;  // 500 Hz
    return booth;
}

TEST(BoothExport, LimitsFollowTheSurveyDateAndTheChosenTables)
{
    struct Case
    {
        const char *date;
        bool uncovered;
        BoothTables tables;
        QByteArray row1000;  // ANSI row, empty when the table is left out
        QByteArray osha1000; // OSHA row, empty when left out
    };
    const Case cases[] = {
        {"2010-03-10", true, BoothTables::AnsiAndOsha, "1000,20.2,21.5,9.0,21.5,9.0,21.5,9.0", "1000,20.2,40.0"},
        {"2010-03-11", true, BoothTables::AnsiOnly, "1000,20.2,21.0,8.0,21.0,8.0,21.0,8.0", ""},
        {"", false, BoothTables::AnsiAndOsha, "1000,20.2,21.0,,21.0,,21.0,", "1000,20.2,40.0"},
        {"garbled", false, BoothTables::OshaOnly, "", "1000,20.2,40.0"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.date);
        ExportContext context;
        context.companyName = QStringLiteral("Acme Audiology");
        context.displayEarsNotCovered = c.uncovered;
        context.boothTables = c.tables;
        const QByteArray bytes = encodeExportRecords(boothExportRecords(boothSurvey(c.date), context), ',');
        const QByteArrayList lines = exportedLines(bytes);
        EXPECT_EQ(bytes.count('\r'), lines.size());
        EXPECT_FALSE(bytes.contains('\n'));
        EXPECT_EQ(lines.mid(0, 5), (QByteArrayList{"Acme Audiology", "", "", QByteArray("Measurement Date:,") + c.date,
                                                  "Booth:,Booth 2"}));
        EXPECT_TRUE(lines.contains("Customer:,\"Smith, Jones\""));
        EXPECT_TRUE(lines.contains("Sound Level Meter,Mervane,,SLM-1,2027-01-31"));
        EXPECT_FALSE(lines.contains("Preamp,,,,")); // no serial number, no line
        const bool ansi = !c.row1000.isEmpty();
        EXPECT_EQ(ansi && lines.contains(c.row1000), ansi);
        EXPECT_EQ(lines.contains(",,125 to 8000 Hz,,250 to 8000 Hz,,500 to 8000 Hz"), ansi);
        if (ansi) {
            const qsizetype first = lines.indexOf(",,125 to 8000 Hz,,250 to 8000 Hz,,500 to 8000 Hz") + 3;
            EXPECT_TRUE(lines[first].startsWith("31.5,----,")) << lines[first].constData();
            EXPECT_EQ(lines.indexOf(c.row1000) - first, 6);
        }
        const bool osha = !c.osha1000.isEmpty();
        EXPECT_EQ(osha && lines.contains(c.osha1000), osha);
        EXPECT_EQ(lines.contains("500,15.0,40.0"), osha);
    }
}

} // namespace
} // namespace tonva::test

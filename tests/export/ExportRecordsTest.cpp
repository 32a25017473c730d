#include "ExportTestSupport.h"

#include "demo/DemoReport.h"

#include <gtest/gtest.h>
#include <clocale>

namespace tonva::test {
namespace {

// The first record at or after `from` that starts with `prefix`; -1 when none.
qsizetype find(const QByteArrayList &lines, const char *prefix, qsizetype from = 0)
{
    for (qsizetype i = from; i < lines.size(); ++i)
        if (lines[i].startsWith(prefix))
            return i;
    return -1;
}

// Good and faulty audiometers: the file's framing, the summary, and the rows the pages judged.
TEST(AudiometerExport, DemoTestsWriteTheSummaryAndTheJudgedRows)
{
    for (const QString &profile : {QStringLiteral("good"), QStringLiteral("faulty")}) {
        SCOPED_TRACE(profile.toStdString());
        const AudTestRecord &test = demoTest(profile);
        const QByteArray bytes = encodeExportRecords(audiometerExportRecords(test, {}), ',');
        const QByteArrayList lines = exportedLines(bytes);
        EXPECT_FALSE(bytes.contains('\n'));
        EXPECT_EQ(bytes.count('\r'), lines.size());
        EXPECT_EQ(lines.mid(0, 4), (QByteArrayList{"Audiometer Calibration: Aldero AD 629 (S/N DA-20417)", "", "",
                                                  "Calibration Date:," + QByteArray(fixedText(test.setup.testDate).data())}));
        EXPECT_TRUE(lines.contains("Number of Channels: 2"));

        // The summary: all ten types, whatever was measured; the faulty audiometer fails some.
        const qsizetype head = lines.indexOf("Test Name,Earphones,Vibrator,Speakers,Earphones,Earphones");
        ASSERT_GT(head, 0);
        EXPECT_EQ(lines[head - 1], ",Supra-aural,Bone,,Insert,Circumaural");
        for (int kind = 0; kind < kMeasurementKinds; ++kind) {
            QByteArray statuses;
            for (const int status : test.status[kind])
                statuses += status == 1 ? ",Pass" : status == -1 ? ",FAIL" : status == 0 ? ",-" : ",n/a";
            EXPECT_TRUE(lines[head + 1 + kind].endsWith(statuses)) << lines[head + 1 + kind].constData();
        }
        EXPECT_EQ(lines[head + 1].startsWith("Hearing Level,FAIL"), profile == QLatin1String("faulty"));
        EXPECT_TRUE(lines[head + 9].startsWith("Broad Band Noise,"));
        EXPECT_TRUE(lines[head + 10].startsWith("Speech,") && lines[head + 11].isEmpty());

        // Every judged row of the hearing-level page is a record, in the page's own formatting.
        const PageTable page = demo::stepList(test, {MeasurementEntry::HearingLevel, TransducerType::SupraAural, Ear::Left});
        const qsizetype section = lines.indexOf("-------,Hearing Level Test,Channel #: 1,-------");
        ASSERT_GT(section, head);
        EXPECT_EQ(lines.mid(section + 1, 4), (QByteArrayList{"Supra-aural earphones", "Left Earphone",
                                                            "Freq,Measured,Hearing,SPL,Target",
                                                            "(Hz),SPL,Level,Deviation,SPL"}));
        qsizetype at = section + 5;
        for (int row = 0; row < page.rows.size(); ++row) {
            if (page.verdict(row) != ResultStatus::NotJudged) {
                EXPECT_EQ(lines[at++], page.rows[row].join(QLatin1Char(',')).toLatin1());
            }
        }
        EXPECT_EQ(lines[at], "Right Earphone");

        // Cross talk in the report's order; its on/off row leaves the unused fields empty.
        const qsizetype l2r = find(lines, "Left to Right,");
        const qsizetype r2l = find(lines, "Right to Left,");
        const qsizetype onOff = find(lines, "On/Off Ratio,");
        ASSERT_GT(l2r, 0);
        EXPECT_EQ(lines[l2r - 1], "Test,Tone On,Tone Off,Difference,ANSI Limits,Deviation");
        EXPECT_TRUE(r2l == l2r + 1 && onOff == l2r + 2);
        EXPECT_TRUE(lines[onOff].startsWith("On/Off Ratio,,") && lines[onOff].split(',').value(3).isEmpty());

        // The notes close the file: the legend, then fifteen lines of two items each.
        const qsizetype notes = lines.indexOf("-------,Notes & Comments,-------");
        EXPECT_EQ(lines.mid(notes + 2, 1), QByteArrayList{"Left Earphone,P,Power Switch,P"});
        EXPECT_EQ(lines.mid(notes + 16), QByteArrayList{"Volume control,P,VU meter,P"});
    }
}

// Texts the technician typed never cut a record into more fields or records than it has.
TEST(AudiometerExport, TypedTextsStayOneField)
{
    AudTestRecord test = demoTest(QStringLiteral("good"));
    setDisplayText(test.setup.customerName, QStringLiteral("Smith, Jones"));
    setDisplayText(test.setup.location1, QStringLiteral("Bldg \"C\"\tRoom 4"));
    setDisplayText(test.setup.technician, QStringLiteral("Zoë Müller"));
    setDisplayText(test.setup.audiometerManufacturer, QStringLiteral("Ørsted"));
    setDisplayText(test.checklist.comments, QStringLiteral("Cushion worn, replaced\r\nOK\r\n") + QString(120, QLatin1Char('x')));
    test.checklist.visualCheck[0] = 1;
    test.checklist.visualCheck[15] = 2;

    const QByteArrayList csv = exportedLines(test, ',');
    EXPECT_TRUE(csv.contains("Customer:,\"Smith, Jones\""));
    EXPECT_TRUE(csv.contains(",\"Bldg \"\"C\"\"\tRoom 4\""));
    EXPECT_TRUE(csv.contains("Technician:,Zo\xeb M\xfcller")); // cp1252 bytes
    EXPECT_EQ(csv.first(), "Audiometer Calibration: \xd8rsted AD 629 (S/N DA-20417)");
    EXPECT_TRUE(csv.contains("Left Earphone,F,Power Switch,NA"));
    // Comment lines: a CR ends one, an LF is dropped, a word-free line breaks after 67 characters.
    EXPECT_EQ(csv.mid(csv.size() - 4), (QByteArrayList{"\"Cushion worn, replaced\"", "OK", QByteArray(67, 'x'),
                                                       QByteArray(53, 'x')}));
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
    EXPECT_TRUE(before.contains("\t77.3\t"));
}

TEST(BoothExport, LimitsFollowTheSurveyDateAndTheChosenTables)
{
    struct Case
    {
        const char *date;
        bool uncovered;
        BoothPages pages;
        QByteArray row1000; // ANSI row; empty when that table is left out
        bool osha;
    };
    const Case cases[] = {
        {"2010-03-10", true, BoothPages::Both, "1000,20.2,21.5,9.0,21.5,9.0,21.5,9.0", true},
        {"2010-03-11", true, BoothPages::Ansi, "1000,20.2,21.0,8.0,21.0,8.0,21.0,8.0", false},
        {"", false, BoothPages::Both, "1000,20.2,21.0,,21.0,,21.0,", true},
        {"garbled", false, BoothPages::Osha, "", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.date);
        BoothRecord booth;
        setFixedText(booth.booth, "Booth 2");
        setFixedText(booth.measurementDate, c.date);
        setFixedText(booth.soundLevelMeter.serialNumber, "SLM-1");
        setFixedText(booth.soundLevelMeter.calibrationDue, "2027-01-31");
        for (float &level : booth.bandLevel)
            level = -100.0f;
        booth.bandLevel[19] = 20.25f; // 1 kHz
        booth.bandLevel[16] = 15.0f;  // 500 Hz
        ExportContext context;
        context.companyName = QStringLiteral("Acme Audiology");
        context.displayEarsNotCovered = c.uncovered;
        context.boothPages = c.pages;
        const QByteArrayList lines = exportedLines(encodeExportRecords(boothExportRecords(booth, context), ','));
        EXPECT_EQ(lines.mid(0, 5), (QByteArrayList{"Acme Audiology", "", "", QByteArray("Measurement Date:,") + c.date,
                                                  "Booth:,Booth 2"}));
        EXPECT_EQ(lines.mid(9, 2), (QByteArrayList{"Instrumentation,Manufacturer,Model,Serial Number,Cal Due",
                                                  "Sound Level Meter,,,SLM-1,2027-01-31"}));
        const qsizetype ansi = lines.indexOf(",,125 to 8000 Hz,,250 to 8000 Hz,,500 to 8000 Hz");
        EXPECT_EQ(ansi >= 0, !c.row1000.isEmpty());
        if (ansi >= 0) {
            EXPECT_TRUE(lines[ansi + 3].startsWith("31.5,----,")) << lines[ansi + 3].constData();
            EXPECT_EQ(lines[ansi + 9], c.row1000);
        }
        EXPECT_EQ(lines.contains("1000,20.2,40.0") && lines.contains("500,15.0,40.0"), c.osha);
    }
}

} // namespace
} // namespace tonva::test

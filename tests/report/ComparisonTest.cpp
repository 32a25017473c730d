#include "report/Comparison.h"

#include "ReportFixture.h"
#include "model/FixedText.h"
#include "model/ReferenceData.h"

#include <gtest/gtest.h>
#include <memory>

using namespace tonva;

namespace {

constexpr int kStatusFailed = -1, kStatusPassed = 1, kNotMeasured = 0, kNotApplicable = 99;

std::unique_ptr<AudTestRecord> hearingLevelTest(float levelAt1000, bool offers2000)
{
    auto test = std::make_unique<AudTestRecord>();
    TestSetup &s = test->setup;
    s.channelCount = 1;
    setFixedText(s.soundLevelMeter.manufacturer, "Mervane");
    setFixedText(s.soundLevelMeter.serialNumber, "M-1");
    setFixedText(s.soundLevelMeter.calibrationDue, "2027-01-01");
    setFixedText(s.supraAural.model, "TDH 39");
    s.supraAural.builtIn = 1;
    const int f1000 = frequencyIndex(1000), f2000 = frequencyIndex(2000);
    s.supraAural.retspl[f1000] = 7.5f;
    s.supraAural.retspl[f2000] = 9.0f;
    s.frequencyAvailable[f1000] = 1;
    s.frequencyAvailable[f2000] = offers2000 ? 1 : 0;
    ToneLevelResult &left = test->toneLevel[0][0];
    left.dialLevel[f1000] = left.dialLevel[f2000] = 70;
    left.measuredLevel[f1000] = levelAt1000;
    left.measuredLevel[f2000] = offers2000 ? 79.0f : 0.0f;
    test->statusOf(MeasurementKind::HearingLevel, TransducerType::SupraAural) = kStatusPassed;
    return test;
}

const CRptLine *lineStartingWith(const CAudReport &report, const QString &text)
{
    for (int i = 0; i < report.count(); ++i)
        if (report.line(i).count() > 0 && report.line(i).cell(0).text == text)
            return &report.line(i);
    return nullptr;
}

const CRptCell *cellAt(const CRptLine &line, int column)
{
    for (int i = 0; i < line.count(); ++i)
        if (line.cell(i).column == column)
            return &line.cell(i);
    return nullptr;
}

} // namespace

TEST(Comparison, SectionChoiceNeverHidesAFailedTest1)
{
    const MeasurementKind hl = MeasurementKind::HearingLevel, lin = MeasurementKind::HearingLevelLinearity;
    struct Row
    {
        MeasurementKind kind;
        int first, second;
        bool shown;
    } rows[] = {
        {hl, kStatusPassed, kNotMeasured, true},    {hl, kStatusFailed, kNotApplicable, true},
        {hl, kNotMeasured, kStatusFailed, false},   {lin, kStatusFailed, kNotMeasured, true},
        {lin, kStatusFailed, kNotApplicable, true}, {lin, kNotMeasured, kStatusFailed, true},
        {lin, kNotMeasured, kStatusPassed, false},  {lin, kNotApplicable, kNotApplicable, false},
    };
    for (const Row &row : rows)
        EXPECT_EQ(comparisonShowsSection(row.kind, row.first, row.second), row.shown)
            << int(row.kind) << " " << row.first << " " << row.second;
}

TEST(Comparison, InstrumentationNoteComparesIdentityNotDueDates)
{
    const auto first = hearingLevelTest(77.5f, false);
    auto second = hearingLevelTest(77.5f, false);
    const QString note = "NOTE: Instrumentation is not the same for both tests.";

    setFixedText(second->setup.soundLevelMeter.calibrationDue, "2028-06-30");
    const CPrintCompareHandler sameInstruments(*first, *second, {}, {});
    EXPECT_FALSE(lineStartingWith(sameInstruments.report(), note));
    const CRptLine *meter = lineStartingWith(sameInstruments.report(), "Sound Level Meter");
    ASSERT_TRUE(meter);
    EXPECT_EQ(cellAt(*meter, 61)->text, "2027-01-01");
    EXPECT_EQ(cellAt(*meter, 69)->text, "2028-06-30");

    setFixedText(second->setup.soundLevelMeter.manufacturer, "MERVANE");
    const CPrintCompareHandler differentCase(*first, *second, {}, {});
    EXPECT_TRUE(lineStartingWith(differentCase.report(), note));
}

TEST(Comparison, FrequencyOfOneTestOnlyIsPrintedAndFlagged)
{
    // Test 1 passes at 1000 Hz and does not offer 2000 Hz; Test 2 fails at 1000 Hz.
    const auto first = hearingLevelTest(77.5f, false);
    const auto second = hearingLevelTest(90.0f, true);
    const CPrintCompareHandler comparison(*first, *second, {}, {});
    const CAudReport &report = comparison.report();

    const CRptLine *at1000 = lineStartingWith(report, "1000");
    ASSERT_TRUE(at1000);
    EXPECT_EQ(cellAt(*at1000, 12)->text, "77.5");
    EXPECT_FALSE(cellAt(*at1000, 12)->bold);
    EXPECT_EQ(cellAt(*at1000, 20)->text, "90.0");
    EXPECT_TRUE(cellAt(*at1000, 20)->bold) << "Test 2's deviation of 12.5 dB fails";
    EXPECT_EQ(cellAt(*at1000, 52)->text, "12.5");

    const CRptLine *at2000 = lineStartingWith(report, "2000");
    ASSERT_TRUE(at2000);
    EXPECT_EQ(cellAt(*at2000, 12)->text, "");
    EXPECT_EQ(cellAt(*at2000, 20)->text, "79.0");
    EXPECT_TRUE(
        lineStartingWith(report, "There is a mis-match of available frequencies between the two tests."));

    const auto same = hearingLevelTest(78.0f, false);
    const CPrintCompareHandler matching(*first, *same, {}, {});
    EXPECT_FALSE(lineStartingWith(matching.report(),
                                  "There is a mis-match of available frequencies between the two tests."));
}

TEST(Comparison, SpeechSourcesAreJudgedAsTheSpeechPageJudgesThem)
{
    const auto good = test::measuredTest(QStringLiteral("good"));
    const auto faulty = test::measuredTest(QStringLiteral("faulty-speech"));
    ASSERT_TRUE(good && faulty);
    const CPrintCompareHandler comparison(*good, *faulty, {}, {});
    const CAudReport &report = comparison.report();
    int row = 0;
    while (row < report.count() &&
           !(report.line(row).count() > 1 && report.line(row).cell(1).text == "Speech Levels Test"))
        ++row;
    const CRptLine *tapeB = nullptr;
    for (; row < report.count() && !tapeB; ++row)
        if (report.line(row).count() > 0 && report.line(row).cell(0).text == "Tape/CD B")
            tapeB = &report.line(row);
    ASSERT_TRUE(tapeB) << "no speech rows in the comparison";
    // Test 1's deviation passes, Test 2's audiometer plays Tape/CD B 3.6 dB loud.
    EXPECT_FALSE(cellAt(*tapeB, 44)->bold);
    EXPECT_EQ(cellAt(*tapeB, 51)->text, "3.6");
    EXPECT_TRUE(cellAt(*tapeB, 51)->bold);
}

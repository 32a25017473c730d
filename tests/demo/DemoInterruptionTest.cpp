#include "demo/CalibrationDemo.h"
#include "measure/HearingLevelEvaluation.h"
#include "model/Blobs.h"
#include "storage/Database.h"
#include "storage/Recordsets.h"
#include "support/TempDir.h"

#include <QIODevice>
#include <gtest/gtest.h>

namespace tonva::test {
namespace {

using demo::CalibrationDemo;
using demo::DemoOptions;
using demo::DemoStep;

// The cable is cut at a fixed meter time; these measurements keep that moment in the same step
// however many measurements the full demonstration grows.
const std::vector<MeasurementEntry> kMeasurements{MeasurementEntry::HearingLevel, MeasurementEntry::FrequencyAccuracy,
                                                  MeasurementEntry::FrequencyModulation,
                                                  MeasurementEntry::NarrowBandLevel};

std::vector<DemoStep> demoSteps()
{
    return CalibrationDemo::steps(kMeasurements);
}

// The one test in the file as another program would find it now.
std::optional<AudTestRecord> storedTest(const QString &path)
{
    if (!QFile::exists(path))
        return std::nullopt;
    const std::unique_ptr<Database> database = Database::openExisting(path);
    const CAudTestMeasRS tests(*database);
    const std::vector<AudTestRow> rows = tests.list();
    const std::optional<AudTestRow> row = rows.size() == 1 ? tests.find(rows.front().id) : std::nullopt;
    AudTestRecord record;
    if (!row || row->data.isEmpty() || !ReadTestBlob(row->data, record).clean())
        return std::nullopt;
    return record;
}

// How many steps, from the first on, have every row stored.
int completeStepsStored(const QString &path)
{
    const std::optional<AudTestRecord> record = storedTest(path);
    int complete = 0;
    for (const DemoStep &step : demoSteps()) {
        if (!record || demo::unmeasuredRows(demo::stepList(*record, step)) != 0)
            break;
        ++complete;
    }
    return complete;
}

// The demo's console. Each time a step's outcome is printed it looks into the database file, as
// someone who stopped the demo at that moment would find it.
class WatchingConsole final : public QIODevice
{
public:
    explicit WatchingConsole(QString databasePath) : m_databasePath(std::move(databasePath))
    {
        open(QIODevice::WriteOnly);
    }

    QString printed;
    // Per step outcome printed: the steps complete in the file at that moment.
    std::vector<int> completeAtStepLines;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        printed += QString::fromUtf8(data, static_cast<qsizetype>(size));
        qsizetype end = -1;
        while ((end = printed.indexOf(QLatin1Char('\n'), m_scanned)) >= 0) {
            const QString line = printed.mid(m_scanned, end - m_scanned);
            m_scanned = end + 1;
            for (const DemoStep &step : demoSteps()) {
                if (line.startsWith(demo::stepTitle(step) + QStringLiteral(": ")))
                    completeAtStepLines.push_back(completeStepsStored(m_databasePath));
            }
        }
        return size;
    }

private:
    QString m_databasePath;
    qsizetype m_scanned = 0;
};

TEST(DemoInterruption, MeterLostMidRunKeepsEveryStepSavedAsItEndsAndNamesTheLostOnes)
{
    TempDir dir;
    DemoOptions options;
    options.databasePath = dir.file(QStringLiteral("demo.sqlite"));
    options.measurements = kMeasurements;
    // The cable goes about half way through frequency modulation on the left ear.
    options.lineFaults.setDisconnectAtMs(190500);
    WatchingConsole console(options.databasePath);
    QTextStream out(&console);
    CalibrationDemo demo(options, out);
    EXPECT_EQ(demo.run(), 1);
    out.flush();
    const QString &printed = console.printed;

    const std::vector<DemoStep> steps = demoSteps();
    const DemoStep cut = steps[8];
    ASSERT_EQ(demo.outcome().stepsMeasured.size(), 8u) << printed.toStdString();
    ASSERT_TRUE(demo.outcome().stepCutShort.has_value());
    EXPECT_EQ(*demo.outcome().stepCutShort, cut);
    EXPECT_EQ(demo.outcome().stepsNotMeasured.size(), steps.size() - 9);

    // Each step was in the file before the next one began: a demo stopped at any point keeps it.
    EXPECT_EQ(console.completeAtStepLines, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));

    // What the cut-short step measured is stored and printed as stored.
    const std::optional<AudTestRecord> stored = storedTest(options.databasePath);
    ASSERT_TRUE(stored.has_value());
    const PageTable cutList = demo::stepList(*stored, cut);
    const int measured = static_cast<int>(cutList.rows.size()) - demo::unmeasuredRows(cutList);
    EXPECT_GT(measured, 0);
    EXPECT_LT(measured, static_cast<int>(cutList.rows.size()));
    EXPECT_TRUE(printed.contains(QLatin1Char('\n') + demo::stepTitle(cut) + QLatin1Char('\n') +
                                 demo::resultTable(*stored, cut)))
        << printed.toStdString();

    EXPECT_TRUE(
        printed.contains(QStringLiteral("the technician gave up on a question that kept coming back")))
        << printed.toStdString();
    QString lost = QStringLiteral("Lost steps:\n  %1: cut short, %2 of %3 frequencies measured and saved\n")
                       .arg(demo::stepTitle(cut))
                       .arg(measured)
                       .arg(cutList.rows.size());
    for (std::size_t i = 9; i < steps.size(); ++i)
        lost += QStringLiteral("  %1: not measured\n").arg(demo::stepTitle(steps[i]));
    EXPECT_TRUE(printed.endsWith(lost)) << printed.toStdString();
}

// Retry questions on a line that drops and delays replies now and then are answered as often as
// they come: such a run ends normally.
TEST(DemoInterruption, FlakyLineIsRetriedToTheEnd)
{
    TempDir dir;
    DemoOptions options;
    options.databasePath = dir.file(QStringLiteral("demo.sqlite"));
    // A seed whose late replies all fall where a page asks again; one that hits the set-up of the
    // meter's detector ends the run at the technician's Cancel.
    options.lineFaults = *LineFaults::parse(QStringLiteral("late-reply=0.06"), 2);
    using enum MeasurementEntry;
    options.measurements = {HearingLevel,        FrequencyAccuracy, Linearity,      HarmonicDistortion, PulsedTones,
                            CrossTalk,           FrequencyModulation, NarrowBandLevel};
    options.verbose = true;
    QString printed;
    QTextStream out(&printed);
    CalibrationDemo demo(options, out);
    EXPECT_EQ(demo.run(), 0) << printed.toStdString();
    out.flush();
    EXPECT_GE(printed.count(QLatin1String("[ask] ")), 20);
    EXPECT_FALSE(printed.contains(QLatin1String("giving up")));
    EXPECT_EQ(demo.outcome().stepsMeasured, CalibrationDemo::steps(options.measurements));
}

// With this seed a span change on the way to 2000 Hz never settles; that is a failed exchange the
// technician is asked about, not a Cancel that silently drops the rest of the page.
TEST(DemoInterruption, UnsettledSpanChangeIsRetriedNotTakenForCancel)
{
    TempDir dir;
    DemoOptions options;
    options.databasePath = dir.file(QStringLiteral("demo.sqlite"));
    options.lineFaults = *LineFaults::parse(QStringLiteral("late-reply=0.06"), 10);
    options.measurements = {MeasurementEntry::HearingLevel, MeasurementEntry::FrequencyAccuracy};
    QString printed;
    QTextStream out(&printed);
    CalibrationDemo demo(options, out);
    EXPECT_EQ(demo.run(), 0) << printed.toStdString();
    EXPECT_EQ(demo.outcome().stepsMeasured, CalibrationDemo::steps(options.measurements));
}

// With this seed a detector setting's reply comes late after the mode had to be set again; the
// meter stood stopped while later rows were read, and an idle analyser's wandering frequency was
// stored as the audiometer's. A settled meter reads the same spectral line on a clean line.
TEST(DemoInterruption, LateRepliesNeverStoreAReadingOfAStoppedMeter)
{
    const auto rightEarDistortion = [](const QString &faults) {
        TempDir dir;
        DemoOptions options;
        options.databasePath = dir.file(QStringLiteral("demo.sqlite"));
        options.lineFaults = *LineFaults::parse(faults, 13);
        options.measurements = {MeasurementEntry::HarmonicDistortion};
        QString printed;
        QTextStream out(&printed);
        CalibrationDemo demo(options, out);
        EXPECT_EQ(demo.run(), 0) << printed.toStdString();
        return demo.outcome().storedRecord ? demo.outcome().storedRecord->distortion[1][0] : DistortionResult{};
    };
    const DistortionResult clean = rightEarDistortion(QString());
    const DistortionResult late = rightEarDistortion(QStringLiteral("late-reply=0.04"));
    int measured = 0;
    for (int f = 0; f < kDistortionFrequencyCount; ++f) {
        measured += clean.measuredFrequency[f] != 0.0f;
        EXPECT_EQ(late.measuredFrequency[f], clean.measuredFrequency[f]) << "at " << nominalHz(f) << " Hz";
    }
    EXPECT_GE(measured, 10);
}

} // namespace
} // namespace tonva::test

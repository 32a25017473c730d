#include "demo/CalibrationDemo.h"
#include "model/Blobs.h"
#include "storage/Database.h"
#include "storage/Recordsets.h"
#include "support/Processes.h"
#include "support/TempDir.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace tonva::test;

namespace {

// The measurements of the hearing-level page.
const QString kHearingLevelPage = QStringLiteral("hl,freq,fm,nb");
// The sound field has a run of its own time; the line's run keeps to the earphones and the bone vibrator.
const QString kLineTransducers = QStringLiteral("supra-aural,bone");

ProgramResult demo(const QStringList &arguments)
{
    return runProgram(builtProgram("src/cli/tonva-cli"), QStringList{"demo"} + arguments, 360000);
}

// What a run decided: each list row's frequency and verdict under its step title, and the status table.
QStringList verdicts(const QString &printed)
{
    // The first list follows the blank line after the steps' outcomes.
    const qsizetype start = printed.indexOf("\n\n");
    const qsizetype end = printed.indexOf("\nSaved as test ");
    if (start < 0 || end < start)
        return {};
    QStringList decided;
    bool statusTable = false;
    for (const QString &line : printed.mid(start, end - start).split('\n', Qt::SkipEmptyParts)) {
        statusTable = statusTable || line.startsWith("Status table");
        const QStringList cells = line.split(QRegularExpression(" {2,}"), Qt::SkipEmptyParts);
        decided << (statusTable || cells.size() < 2 ? line : cells.front() + ' ' + cells.back());
    }
    return decided;
}

} // namespace

// The pseudo-terminal run goes through a line that garbles some of the meter's replies: flow-control
// and stale bytes inside the binary records' announces and corrupted checksums must cost time only,
// never a reading.
TEST(DemoEndToEnd, NoisyPseudoTerminalRunDecidesAsTheBuiltInMeterAndTheNextDemoFindsIt)
{
    TempDir dir;
    const QString control = dir.file("scene.sock");
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--speed", "50", "--control", control, "--seed", "4", "--faults",
                           "xon-xoff=0.1,stale-bytes=0.1,corrupt-checksum=0.1"}));
    // The measurements of this run fit the line's time; linearity and distortion have a run of their own.
    const ProgramResult overPort = demo({"--profile", "faulty", "--measurements", kHearingLevelPage, "--transducers",
                                         kLineTransducers, "--db", dir.file("bench.sqlite"), "--port", sim.device(),
                                         "--control", control});
    ASSERT_TRUE(overPort.finished);
    ASSERT_EQ(overPort.exitCode, 0) << overPort.out.toStdString() << overPort.err.toStdString();
    EXPECT_EQ(sim.closeInputAndWait(), 0);

    const ProgramResult builtIn =
        demo({"--profile", "faulty", "--measurements", kHearingLevelPage, "--transducers", kLineTransducers, "--db",
              dir.file("virtual.sqlite")});
    ASSERT_EQ(builtIn.exitCode, 0) << builtIn.out.toStdString();

    const QStringList decided = verdicts(overPort.out);
    ASSERT_FALSE(decided.isEmpty()) << overPort.out.toStdString();
    EXPECT_EQ(decided, verdicts(builtIn.out));
    EXPECT_EQ(decided.filter(QRegularExpression(" FAIL$")),
              QStringList({"4000 FAIL", "2000 FAIL", "2000 FAIL", "1000 FAIL", "1000 FAIL"}));

    // The next demo on the same file finds the test the pseudo-terminal run stored.
    const ProgramResult next = demo({"--db", dir.file("bench.sqlite")});
    ASSERT_EQ(next.exitCode, 0) << next.out.toStdString();
    EXPECT_TRUE(next.out.contains("Earlier tests of audiometer AD 629 DA-20417: 1\n  test 1 of "))
        << next.out.toStdString();
}

// The attenuator and the harmonics over a real line: the gain steps and FFT readings of linearity
// and distortion through the pseudo-terminal decide every row as the built-in meter does.
TEST(DemoEndToEnd, LinearityAndDistortionOverPseudoTerminalDecideAsTheBuiltInMeter)
{
    TempDir dir;
    const QString profile = dir.file("attenuator-and-harmonics.json");
    QFile file(profile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"attenuatorErrorDb": {"default": 0, "110": -1.5},
                   "harmonicsDb": {"default": [-55, -62, -70, -78], "supra-aural": {"1000": [-31, -62, -70, -78]}}})");
    file.close();
    const QString control = dir.file("scene.sock");
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--speed", "50", "--control", control}));
    const ProgramResult overPort = demo({"--profile", profile, "--measurements", "lin,dist", "--db",
                                         dir.file("bench.sqlite"), "--port", sim.device(), "--control", control});
    ASSERT_TRUE(overPort.finished);
    ASSERT_EQ(overPort.exitCode, 0) << overPort.out.toStdString() << overPort.err.toStdString();
    EXPECT_EQ(sim.closeInputAndWait(), 0);
    const ProgramResult builtIn =
        demo({"--profile", profile, "--measurements", "lin,dist", "--db", dir.file("virtual.sqlite")});
    ASSERT_EQ(builtIn.exitCode, 0) << builtIn.out.toStdString();

    const QStringList decided = verdicts(overPort.out);
    ASSERT_FALSE(decided.isEmpty()) << overPort.out.toStdString();
    EXPECT_EQ(decided, verdicts(builtIn.out));
    EXPECT_EQ(decided.filter(QRegularExpression(" FAIL$")),
              QStringList({"110 FAIL", "110 FAIL", "1000 FAIL", "1000 FAIL"}))
        << overPort.out.toStdString();
    EXPECT_TRUE(overPort.out.contains("\nHarmonic Distortion, Bone Vibrator, left ear\n")) << overPort.out.toStdString();
}

// The bone vibrator's force level through the mastoid and the masking noise's FFT spectrum over a
// real line: one fault in each, found on the same rows as with the built-in meter.
TEST(DemoEndToEnd, BoneAndMaskingOverPseudoTerminalDecideAsTheBuiltInMeter)
{
    TempDir dir;
    const QString profile = dir.file("bone-and-masking.json");
    QFile file(profile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"levelErrorDb": {"bone": {"any": {"default": 0.4, "2000": 3.5}}},
                   "maskingNoiseShapeDb": {"tapeA": {"5000": -6.5}}})");
    file.close();
    const QString control = dir.file("scene.sock");
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--speed", "50", "--control", control}));
    const QStringList measured{"--profile", profile, "--measurements", "hl,bb", "--transducers", kLineTransducers};
    const ProgramResult overPort =
        demo(measured + QStringList{"--db", dir.file("bench.sqlite"), "--port", sim.device(), "--control", control});
    ASSERT_TRUE(overPort.finished);
    ASSERT_EQ(overPort.exitCode, 0) << overPort.out.toStdString() << overPort.err.toStdString();
    EXPECT_EQ(sim.closeInputAndWait(), 0);
    const ProgramResult builtIn = demo(measured + QStringList{"--db", dir.file("virtual.sqlite")});
    ASSERT_EQ(builtIn.exitCode, 0) << builtIn.out.toStdString();

    const QStringList decided = verdicts(overPort.out);
    EXPECT_EQ(decided, verdicts(builtIn.out));
    EXPECT_EQ(decided.filter(QRegularExpression(" FAIL$")),
              QStringList({"2000 FAIL", "Tape/CD A FAIL", "Tape/CD A FAIL"}))
        << overPort.out.toStdString();
    EXPECT_TRUE(overPort.out.contains("\nHearing Level, Bone Vibrator, left ear\n")) << overPort.out.toStdString();
}

TEST(DemoEndToEnd, PortWithoutItsSceneControlIsRefused)
{
    const ProgramResult result = demo({"--port", "/dev/null"});
    ASSERT_TRUE(result.finished);
    EXPECT_NE(result.exitCode, 0);
    EXPECT_TRUE(result.err.contains("--control")) << result.err.toStdString();
}

TEST(DemoEndToEnd, MeterKilledMidRunEndsTheDemoWithEveryMeasuredRowStored)
{
    TempDir dir;
    const QString control = dir.file("scene.sock");
    const QString database = dir.file("bench.sqlite");
    SimProcess sim;
    ASSERT_TRUE(sim.start({"--speed", "50", "--control", control}));
    RunningProgram cli;
    ASSERT_TRUE(cli.start(builtProgram("src/cli/tonva-cli"),
                          {"demo", "-v", "--db", database, "--port", sim.device(), "--control", control}));
    // Some way into the right ear, with the left one done.
    ASSERT_TRUE(cli.waitForOutput("[set] Set 70 dBHL Right at 500 Hz", 120000));
    sim.kill();
    QElapsedTimer sinceKill;
    sinceKill.start();
    const ProgramResult result = cli.finish(60000);
    ASSERT_TRUE(result.finished) << "still running a minute after the meter went\n"
                                 << result.out.toStdString();
    EXPECT_LT(sinceKill.elapsed(), 60000);
    EXPECT_EQ(result.exitCode, 1) << result.out.toStdString();

    // Read back through the storage classes: the left ear whole, the right ear as far as it came.
    using namespace tonva;
    const std::unique_ptr<Database> file = Database::openExisting(database);
    const std::vector<AudTestRow> rows = CAudTestMeasRS(*file).list();
    ASSERT_EQ(rows.size(), 1u);
    AudTestRecord stored;
    ASSERT_TRUE(ReadTestBlob(CAudTestMeasRS(*file).find(rows.front().id).value().data, stored).clean());
    const PageTable left = demo::stepList(stored, {HearingLevelMode::HearingLevel, Ear::Left});
    const PageTable right = demo::stepList(stored, {HearingLevelMode::HearingLevel, Ear::Right});
    EXPECT_EQ(left.rows.size(), 11u);
    EXPECT_EQ(demo::unmeasuredRows(left), 0);
    const int rightMeasured = static_cast<int>(right.rows.size()) - demo::unmeasuredRows(right);
    EXPECT_GE(rightMeasured, 2);

    // Cancelled by the technician who gave up, or at the next "Set ..." prompt, which no longer reaches
    // the simulator's scene.
    EXPECT_TRUE(
        result.out.contains("\nThe demo did not finish: Hearing Level, right ear was cut short (cancelled"))
        << result.out.toStdString();
    EXPECT_TRUE(result.out.contains(
        QStringLiteral(
            "Lost steps:\n  Hearing Level, right ear: cut short, %1 of 11 frequencies measured and "
            "saved\n  Hearing Level, Bone Vibrator, left ear: not measured\n  Hearing Level, Speakers, left ear: "
            "not measured\n")
            .arg(rightMeasured)))
        << result.out.toStdString();
    EXPECT_TRUE(result.out.endsWith(
        QStringLiteral("  %1: not measured\n").arg(demo::stepTitle(demo::CalibrationDemo::steps().back()))));
}

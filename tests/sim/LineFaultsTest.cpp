#include "sim/LineFaults.h"

#include "meter/Framing.h"
#include "platform/Clock.h"
#include "sim/SimSerialPort.h"
#include "sim/TrellanProfile.h"
#include "sim/VirtualTrellan.h"

#include <gtest/gtest.h>

using namespace tonva;

namespace {

LineFaults faultsFrom(const char *text)
{
    QString error;
    const std::optional<LineFaults> faults = LineFaults::parse(QString::fromLatin1(text), 42, &error);
    EXPECT_TRUE(faults.has_value()) << qPrintable(error);
    return faults.value_or(LineFaults{});
}

// Sends `count` model queries and sorts what comes back.
struct Tally
{
    int valid = 0;
    int silent = 0;
    int badChecksum = 0;
    int withFlowControl = 0;
    int staleBefore = 0;
};

Tally run(const char *faults, int count)
{
    AcousticScene scene;
    VirtualClock clock;
    VirtualTrellan meter(scene, {}, faultsFrom(faults));
    SimSerialPort port(meter, clock);
    EXPECT_EQ(port.open(), 0);
    Tally tally;
    const QByteArray frame = framing::frameCommand("R90");
    for (int i = 0; i < count; ++i) {
        // Anything that turned up since the last reply is stale by now.
        clock.advance(3500);
        if (port.rxCount() > 0)
            ++tally.staleBefore;
        port.rxFlush();
        port.putString(frame.constData(), static_cast<int>(frame.size()));
        char buffer[128];
        const int got = port.getString(buffer, sizeof buffer, framing::kLF, 1000);
        const QByteArray line(buffer, got);
        if (got == 0) {
            ++tally.silent;
            continue;
        }
        if (line.contains(framing::kXON) || line.contains(framing::kXOFF))
            ++tally.withFlowControl;
        const qsizetype at = framing::replyChecksumPosition(line);
        QByteArray body = line.left(at);
        const bool checksumOk = line[at] == framing::replyChecksum(framing::checksum("R90"), body);
        body.replace(framing::kXON, "").replace(framing::kXOFF, "");
        if (checksumOk && body == "3.600")
            ++tally.valid;
        else
            ++tally.badChecksum;
    }
    return tally;
}

} // namespace

TEST(LineFaults, ParsesTheFaultListAndRejectsNonsense)
{
    const LineFaults faults = faultsFrom("drop-reply=0.25, xon-xoff=1,disconnect=30s");
    EXPECT_DOUBLE_EQ(faults.probability(LineFaults::Kind::DropReply), 0.25);
    EXPECT_DOUBLE_EQ(faults.probability(LineFaults::Kind::XonXoff), 1.0);
    EXPECT_EQ(faults.disconnectAtMs(), 30000);
    EXPECT_EQ(faultsFrom("disconnect=12").disconnectAfterCommands(), 12);
    EXPECT_EQ(faultsFrom("disconnect=250ms").disconnectAtMs(), 250);
    EXPECT_TRUE(LineFaults::parse(QString(), 1).has_value());

    for (const char *bad :
         {"drop-reply=1.5", "drop-reply", "gremlins=0.1", "late-reply=often", "disconnect=-3"}) {
        QString error;
        EXPECT_FALSE(LineFaults::parse(QString::fromLatin1(bad), 1, &error).has_value()) << bad;
        EXPECT_FALSE(error.isEmpty()) << bad;
    }
}

TEST(LineFaults, ReplyFaultsAppearAtTheirProbability)
{
    const Tally dropped = run("drop-reply=0.3", 400);
    EXPECT_NEAR(dropped.silent, 120, 30);
    EXPECT_EQ(dropped.valid + dropped.silent, 400);

    const Tally corrupted = run("corrupt-checksum=0.2", 400);
    EXPECT_NEAR(corrupted.badChecksum, 80, 25);
    EXPECT_EQ(corrupted.silent, 0);

    // Flow-control bytes never spoil a reply for a host that strips them.
    const Tally flow = run("xon-xoff=0.5", 200);
    EXPECT_NEAR(flow.withFlowControl, 100, 25);
    EXPECT_EQ(flow.valid, 200);

    // A late reply times out and then waits in the buffer before the next command.
    const Tally late = run("late-reply=0.2", 300);
    EXPECT_NEAR(late.silent, 60, 20);
    EXPECT_NEAR(late.staleBefore, late.silent, 3);

    const Tally stale = run("stale-bytes=0.5", 200);
    EXPECT_NEAR(stale.staleBefore, 100, 25);
    EXPECT_EQ(stale.valid, 200);

    // The same seed gives the same run.
    EXPECT_EQ(run("drop-reply=0.3", 100).silent, run("drop-reply=0.3", 100).silent);
}

TEST(LineFaults, DisconnectFailsTheLineLikeAPulledCable)
{
    AcousticScene scene;
    VirtualClock clock;
    VirtualTrellan meter(scene, {}, faultsFrom("disconnect=2"));
    SimSerialPort port(meter, clock);
    ASSERT_EQ(port.open(), 0);
    const QByteArray frame = framing::frameCommand("@");
    char buffer[64];
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(port.putString(frame.constData(), 4), 4);
        EXPECT_EQ(port.getString(buffer, sizeof buffer, framing::kLF, 1000), 4);
    }
    clock.advance(10);
    EXPECT_LT(port.putString(frame.constData(), 4), 1);
    EXPECT_EQ(port.getString(buffer, sizeof buffer, framing::kLF, 1000), 0);
    EXPECT_FALSE(port.errorText().isEmpty());
    port.close();
    EXPECT_EQ(port.open(), SerialPort::kUnavailable);
}

TEST(LineFaults, NeverSettlingMeterNeverRuns)
{
    AcousticScene scene;
    VirtualClock clock;
    VirtualTrellan meter(scene, {}, faultsFrom("never-settles=1"));
    SimSerialPort port(meter, clock);
    ASSERT_EQ(port.open(), 0);
    for (const char *command : {"M4", "M3"}) {
        const QByteArray frame = framing::frameCommand(command);
        port.putString(frame.constData(), static_cast<int>(frame.size()));
        port.waitForReadyRead(1000);
    }
    clock.advance(600000);
    EXPECT_FALSE(meter.isRunning(clock.nowMs()));
}

TEST(TrellanProfile, ReadsKnownKeysAndNamesTheWrongOnes)
{
    const std::optional<TrellanProfile> profile = TrellanProfile::fromJson(
        R"({"firmware": "3.610", "calibrationOffset": -1.25, "batteryState": "EXT"})");
    ASSERT_TRUE(profile.has_value());
    EXPECT_EQ(profile->firmware, QStringLiteral("3.610"));
    EXPECT_DOUBLE_EQ(profile->calibrationOffset, -1.25);
    EXPECT_EQ(profile->batteryState, QStringLiteral("EXT"));
    EXPECT_TRUE(profile->model.startsWith(QStringLiteral("Mervane")));

    for (const char *bad : {R"({"firmwre": "3.6"})", R"({"calibrationOffset": "high"})", "[1, 2]", "{",
                            R"({"instrument": 11})"}) {
        QString error;
        EXPECT_FALSE(TrellanProfile::fromJson(bad, &error).has_value()) << bad;
        EXPECT_FALSE(error.isEmpty()) << bad;
    }
}

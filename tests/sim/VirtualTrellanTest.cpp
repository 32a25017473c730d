#include "sim/VirtualTrellan.h"

#include "meter/Framing.h"
#include "platform/Clock.h"
#include "sim/SimSerialPort.h"

#include <cmath>
#include <gtest/gtest.h>
#include <optional>

using namespace tonva;

namespace {

// A meter on an in-process port in virtual time, with a host side that frames, sends and checks.
struct Bench
{
    explicit Bench(TrellanProfile profile = {}, LineFaults faults = LineFaults{}, TrellanTiming timing = {})
        : meter(scene, std::move(profile), std::move(faults), timing, 7), port(meter, clock)
    {
        EXPECT_EQ(port.open(), 0);
    }

    // The raw reply line to `text`, empty on time-out.
    QByteArray line(const QByteArray &text, int timeoutMs = 1000)
    {
        port.rxFlush();
        const QByteArray frame = framing::frameCommand(text);
        port.putString(frame.constData(), static_cast<int>(frame.size()));
        char buffer[512];
        const int got = port.getString(buffer, sizeof buffer, framing::kLF, timeoutMs);
        return QByteArray(buffer, got);
    }

    // The reply text after its checksum is checked, or nothing when there is no valid reply.
    std::optional<QByteArray> ask(const QByteArray &text, int timeoutMs = 1000)
    {
        const QByteArray reply = line(text, timeoutMs);
        const qsizetype at = framing::replyChecksumPosition(reply);
        if (at < 0)
            return std::nullopt;
        QByteArray body = reply.left(at);
        if (reply[at] != framing::replyChecksum(framing::checksum(text), body))
            return std::nullopt;
        body.replace(framing::kXON, "").replace(framing::kXOFF, "");
        return body;
    }

    // The binary record after a "!" reply, or empty.
    QByteArray record(const QByteArray &text, int size)
    {
        if (ask(text, 5000) != QByteArray("!"))
            return {};
        QByteArray data(size, '\0');
        int got = 0;
        while (got < size && port.waitForReadyRead(5000))
            got += port.getBuffer(data.data() + got, size - got);
        return got == size ? data : QByteArray();
    }

    void settle(qint64 ms = 60000) { clock.advance(ms); }

    AcousticScene scene;
    VirtualClock clock;
    VirtualTrellan meter;
    SimSerialPort port;
};

double levelAt(const QByteArray &record, int at)
{
    return static_cast<unsigned char>(record[at]) + static_cast<unsigned char>(record[at + 1]) / 256.0;
}

double wideAt(const QByteArray &record, int at)
{
    return (static_cast<unsigned char>(record[at]) << 8 | static_cast<unsigned char>(record[at + 1])) +
           static_cast<unsigned char>(record[at + 2]) / 256.0;
}

int wordAt(const QByteArray &record, int at)
{
    return static_cast<unsigned char>(record[at]) << 8 | static_cast<unsigned char>(record[at + 1]);
}

} // namespace

TEST(VirtualTrellan, AnswersAttentionIdentityAndAcknowledgesSettings)
{
    Bench bench;
    EXPECT_EQ(bench.line("@"), QByteArray("@@\r\n"));
    const QByteArray model = bench.ask("R1").value_or("");
    EXPECT_TRUE(model.startsWith("Mervane") && model.contains("Trellan")) << model.constData();
    EXPECT_EQ(bench.ask("R90"), QByteArray("3.600"));

    // A setting's reply is only the checksum, which equals the command's own.
    const QByteArray ack = bench.line("S46,2");
    EXPECT_EQ(ack, QByteArray(1, framing::checksum("S46,2")) + "\r\n");
    EXPECT_EQ(bench.ask("Q46"), QByteArray("Z"));
    EXPECT_EQ(bench.ask("S 148,5"), QByteArray());
    EXPECT_EQ(bench.ask("Q148,32"), QByteArray("5"));
    EXPECT_EQ(bench.ask("Q148"), QByteArray("30"));
    EXPECT_EQ(bench.ask("R 86"), QByteArray("87"));
    EXPECT_EQ(bench.ask("S143,2"), QByteArray());
    EXPECT_EQ(bench.ask("Q143"), QByteArray("Pulse/FM mode"));
    EXPECT_EQ(bench.ask("S147,1"), QByteArray());
    EXPECT_TRUE(bench.ask("Q147").value_or("").startsWith("H"));
}

TEST(VirtualTrellan, IgnoresBadChecksumsAndMarksUnknownCommands)
{
    Bench bench;
    const qint64 before = bench.clock.nowMs();
    bench.port.putString("R1X\r\n", 5);
    char buffer[64];
    EXPECT_EQ(bench.port.getString(buffer, sizeof buffer, framing::kLF, 1000), 0);
    EXPECT_GE(bench.clock.nowMs() - before, 1000);

    EXPECT_EQ(bench.ask("R9999"), QByteArray("\aUnknown command"));
    EXPECT_EQ(bench.ask("S 148,9"), QByteArray("\aBad parameter"));
    EXPECT_EQ(bench.ask("&R6", 5000), QByteArray("\aWrong mode"));
    // The host's raw attention: "@@" CR CR gets one answer, the lone CR none.
    bench.port.putString("@@\r\r", 4);
    EXPECT_EQ(bench.port.getString(buffer, sizeof buffer, framing::kLF, 1000), 4);
    EXPECT_FALSE(bench.port.waitForReadyRead(200));
}

TEST(VirtualTrellan, RepliesTakeLineTimeAtTheRateInUse)
{
    Bench bench;
    const qint64 before = bench.clock.nowMs();
    const QByteArray reply = bench.line("R1");
    // 5 bytes out and the reply back, 10 bits each at 9600 baud, plus a few ms of latency.
    const double lineMs = (5 + reply.size()) * 10000.0 / 9600;
    EXPECT_GE(bench.clock.nowMs() - before, static_cast<qint64>(lineMs));
    EXPECT_LE(bench.clock.nowMs() - before, static_cast<qint64>(lineMs) + 10);
}

TEST(VirtualTrellan, ThirdOctaveRecordGivesTheSceneLevelsAfterTheOffset)
{
    Bench bench;
    bench.scene.setSound(PureTone{1000.0, 94.0});
    const double offset = bench.ask("Q227").value_or("nan").toDouble();
    EXPECT_NEAR(offset, 0.83, 1e-9);
    const QByteArray record = bench.record("&R1", VirtualTrellan::kRecordR1Size);
    ASSERT_EQ(record.size(), 69);
    const BandPowers truth = bench.scene.bandPowers(bench.meter.gainIndex());
    for (int band = 0; band < kThirdOctaveBands; ++band)
        EXPECT_NEAR(levelAt(record, 3 + 2 * band) + offset, truth.totalDb(band), 0.1) << "band " << band;
    EXPECT_NEAR(levelAt(record, 3 + 2 * 19) + offset, 94.0, 0.05);

    // Five reads of a steady tone stay well within half a decibel.
    double low = 1e9, high = -1e9;
    for (int i = 0; i < 5; ++i) {
        const double level = levelAt(bench.record("&R1", 69), 3 + 2 * 19);
        low = std::min(low, level);
        high = std::max(high, level);
    }
    EXPECT_LT(high - low, 0.5);
}

TEST(VirtualTrellan, FftAndPulseRecordsFollowTheirLayouts)
{
    Bench bench;
    bench.scene.setSound(BroadbandNoise::white(60.0));
    bench.ask("S143,1");
    bench.ask("S145,5");
    bench.settle();
    const double offset = bench.ask("Q227").value_or("0").toDouble();
    const QByteArray fft = bench.record("&R6", VirtualTrellan::kRecordR6Size);
    ASSERT_EQ(fft.size(), 811);
    // 25 Hz lines: line 40 is 1 kHz, and white noise is flat from 250 Hz to 5 kHz.
    const double at1k = levelAt(fft, 10 + 2 * 40) + offset;
    for (int line = 10; line <= 200; line += 19)
        EXPECT_NEAR(levelAt(fft, 10 + 2 * line) + offset, at1k, 1.0) << "line " << line;

    PureTone tone{1000.0, 100.0};
    tone.pulse = PulseEnvelope{30.0, 40.0, 220.0, 230.0, -60.0};
    tone.fm = FrequencyModulation{5.0, 10.0};
    bench.scene.setSound(tone);
    bench.ask("S143,2");
    bench.ask("M3");
    bench.settle();
    const QByteArray pulse = bench.record("&R7", VirtualTrellan::kRecordR7Size);
    ASSERT_EQ(pulse.size(), 36);
    EXPECT_EQ(static_cast<unsigned char>(pulse[3]) & 0x20, 0);
    EXPECT_GT(wordAt(pulse, 5), 0);
    EXPECT_EQ(wordAt(pulse, 7), 60); // 30 ms in 0.5 ms units
    EXPECT_EQ(wordAt(pulse, 9), 80);
    EXPECT_EQ(wordAt(pulse, 11), 440);
    EXPECT_EQ(wordAt(pulse, 13), 460);
    EXPECT_EQ(wordAt(pulse, 15), 370);
    EXPECT_NEAR(levelAt(pulse, 19) + offset, 100.0, 0.05);
    EXPECT_NEAR(wideAt(pulse, 21), 1000.0, 0.5);
    EXPECT_NEAR(wideAt(pulse, 24), 1050.0, 0.5);
    EXPECT_NEAR(wideAt(pulse, 27), 950.0, 0.5);
    EXPECT_NEAR(wideAt(pulse, 30), 5.0, 0.02);
    EXPECT_NEAR(wideAt(pulse, 33), 1000.0, 0.01);
}

TEST(VirtualTrellan, FftReadingsReportToneLevelAndHarmonics)
{
    Bench bench;
    PureTone tone{400.0, 95.0};
    tone.harmonicsDb = {-34.0, -50.0, -110.0, -200.0};
    bench.scene.setSound(tone);
    EXPECT_EQ(bench.ask("R241,0"), QByteArray(" --- ")); // not in FFT mode yet
    bench.ask("S143,1");
    bench.ask("S145,3");
    bench.ask("S 148,5");
    bench.settle();
    EXPECT_EQ(bench.ask("R241,0"), QByteArray("400.0"));
    EXPECT_NEAR(bench.ask("R241,256").value_or("0").toDouble(), 95.0, 0.1);
    EXPECT_NEAR(bench.ask("R241,258").value_or("0").toDouble(), -34.0, 0.2);
    EXPECT_NEAR(bench.ask("R241,259").value_or("0").toDouble(), -50.0, 0.2);
    // Levels 100 dB and more below the fundamental lose their hundreds digit: "-0d.d".
    const QByteArray fourth = bench.ask("R241,260").value_or("");
    EXPECT_TRUE(fourth.startsWith("-0") && fourth.size() == 5 && fourth[3] == '.') << fourth.constData();

    bench.scene.setSound(Silence{});
    EXPECT_EQ(bench.ask("R241,258"), QByteArray(" --- "));
}

TEST(VirtualTrellan, SettlingTimesScaleWithSpeed)
{
    for (const double speed : {1.0, 10.0}) {
        Bench bench({}, LineFaults{}, TrellanTiming{speed, 3.0});
        bench.ask("S 148,1");
        bench.settle();
        bench.ask("M4");
        EXPECT_TRUE(bench.ask("R 3,1").value_or("").startsWith(" S"));
        bench.ask("S 148,3"); // across the input ranges: the long settle
        bench.ask("M3");
        const qint64 changedAt = bench.clock.nowMs();
        qint64 runningAt = -1;
        while (runningAt < 0 && bench.clock.nowMs() - changedAt < 60000) {
            const QByteArray state = bench.ask("R 3,1").value_or("");
            if (state.startsWith(" R"))
                runningAt = bench.clock.nowMs();
            else
                bench.clock.advance(250);
        }
        ASSERT_GT(runningAt, 0) << "speed " << speed;
        EXPECT_NEAR(static_cast<double>(runningAt - changedAt), 40000.0 / speed, 300.0) << "speed " << speed;
    }
}

TEST(VirtualTrellan, UnsettledReadingsAreUnstable)
{
    Bench bench;
    bench.scene.setSound(PureTone{1000.0, 94.0});
    bench.ask("S 51,1"); // transducer change: several seconds
    double low = 1e9, high = -1e9;
    for (int i = 0; i < 5; ++i) {
        const double level = levelAt(bench.record("&R1", 69), 3 + 2 * 19);
        low = std::min(low, level);
        high = std::max(high, level);
    }
    EXPECT_GT(high - low, 1.0);
    EXPECT_FALSE(bench.meter.isRunning(bench.clock.nowMs()));
}

TEST(VirtualTrellan, RateChangeAndBreakBackTo9600)
{
    Bench bench;
    EXPECT_EQ(bench.ask("S2283,7"), QByteArray());
    ASSERT_EQ(bench.port.setBaudRate(115200), 0);
    bench.clock.advance(100);
    EXPECT_EQ(bench.ask("S9,7"), QByteArray());
    EXPECT_EQ(bench.meter.baudRateAt(bench.clock.nowMs()), 115200);
    EXPECT_TRUE(bench.ask("R1").has_value());

    // A host that goes back to 9600 on its own gets nothing it can read ...
    ASSERT_EQ(bench.port.setBaudRate(9600), 0);
    EXPECT_FALSE(bench.ask("R1").has_value());
    // ... until a break returns the meter to 9600 too.
    bench.port.setBreak(true);
    bench.clock.advance(300);
    bench.port.setBreak(false);
    EXPECT_TRUE(bench.ask("R1").has_value());
    EXPECT_EQ(bench.port.setBaudRate(4321), SerialPort::kBaudRejected);
}

TEST(VirtualTrellan, StateMachineRunsStopsHoldsAndSwitchesOff)
{
    Bench bench;
    bench.ask("M4");
    EXPECT_EQ(bench.ask("R 3,1"), QByteArray(" S OK"));
    bench.ask("M5");
    EXPECT_TRUE(bench.ask("R 3,1").value_or("").startsWith(" V"));
    bench.ask("&I2,AudTest.AUD", 8000);
    EXPECT_TRUE(bench.ask("R180").value_or("").startsWith("AUD"));
    EXPECT_EQ(bench.ask("&I2,Nothing.XYZ"), QByteArray("\aFile not found"));
    bench.ask("M3");
    EXPECT_TRUE(bench.ask("R 3,1").value_or("").startsWith(" W"));
    bench.settle(6000);
    EXPECT_TRUE(bench.ask("R 3,1").value_or("").startsWith(" R"));

    bench.ask("M2");
    EXPECT_FALSE(bench.ask("R1").has_value());
    EXPECT_EQ(bench.ask("@"), QByteArray("@"));
    EXPECT_TRUE(bench.ask("R1").has_value());
}

TEST(VirtualTrellan, KeypadMovesTheBandCursorAndReportsBusy)
{
    Bench bench;
    for (int i = 0; i < 8; ++i) {
        while (bench.ask("R155").value_or("0").toInt() < 8)
            bench.clock.advance(20);
        bench.ask("K 77777");
    }
    EXPECT_EQ(bench.meter.displayBand(), 0);
    EXPECT_LT(bench.ask("R155").value_or("99").toInt(), 16);
    EXPECT_FALSE(bench.ask("R3,2").value_or(" ").startsWith(" "));
    bench.settle(2000);
    EXPECT_TRUE(bench.ask("R3,2").value_or("").startsWith(" "));
    for (int i = 0; i < 19; ++i)
        bench.ask("K 8");
    EXPECT_EQ(bench.meter.displayBand(), 19);
    bench.settle(2000);
    bench.ask("k 6608");
    EXPECT_EQ(bench.meter.displayView(), 2);
}

TEST(VirtualTrellan, CalibrationNeedsTheKeyAndMovesTheReadings)
{
    TrellanProfile profile;
    profile.calibrationError = 0.3;
    Bench bench(profile);
    bench.scene.setSound(PureTone{1000.0, 114.0});
    const double offset = bench.ask("Q227").value_or("0").toDouble();
    EXPECT_NEAR(levelAt(bench.record("&R1", 69), 3 + 2 * 19) + offset, 114.3, 0.05);

    EXPECT_EQ(bench.ask("S227, 0.53"), QByteArray("Not Available"));
    EXPECT_EQ(bench.ask("Q41"), QByteArray("114.00"));
    EXPECT_EQ(bench.ask("S41,317.06"), QByteArray());
    EXPECT_EQ(bench.ask("S227, 0.53"), QByteArray());
    EXPECT_EQ(bench.ask("S230,20.0"), QByteArray());
    EXPECT_EQ(bench.ask("S41,114.00"), QByteArray());
    const double newOffset = bench.ask("Q227").value_or("0").toDouble();
    EXPECT_NEAR(newOffset, 0.53, 1e-9);
    EXPECT_NEAR(levelAt(bench.record("&R1", 69), 3 + 2 * 19) + newOffset, 114.0, 0.05);
    EXPECT_NEAR(bench.ask("R4,0").value_or("0").toDouble(), 114.0, 0.2);
}

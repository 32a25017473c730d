#include "LinkFixture.h"
#include "meter/MeterRecords.h"
#include "meter/MeterStatus.h"
#include "meter/StableSpectrum.h"
#include "sim/BuiltInSimulator.h"

using namespace tonva;
using namespace tonva::test;

namespace {

constexpr int k1kHzBand = 19;

// A third-octave record whose every band reads `whole` + `fraction` / 256 dB.
QByteArray steadyRecord(quint8 whole, quint8 fraction)
{
    QByteArray record(3, '\0');
    for (int band = 0; band < 33; ++band)
        record.append(static_cast<char>(whole)).append(static_cast<char>(fraction));
    return record;
}

class NoisyLineTest : public LinkFixture
{
protected:
    // Answers "&R1" with what `line` makes of the announce and the record, one call per request.
    void answerRecords(std::function<QByteArray(const QByteArray &announce, int request)> line)
    {
        meter.setResponder([this, line](const QByteArray &text, char sum) {
            if (text != "&R1")
                return trellan(text, sum);
            return Reply{line(framing::frameReply(sum, "!"), m_requests++)};
        });
    }

    const QByteArray record = steadyRecord(80, 0xf0);

private:
    int m_requests = 0;
};

TEST_F(NoisyLineTest, FlowControlInTheAnnounceAndAStaleAnnounceAheadOfItLeaveTheRecordIntact)
{
    answerRecords([this](const QByteArray &announce, int request) {
        switch (request) {
        case 0: // XOFF and XON from a converter, one before the checksum and one before CR LF
            return QByteArray(announce).insert(1, framing::kXOFF).insert(3, framing::kXON) + record;
        case 1: // the previous answer's announce repeated just ahead of the real one, and the
                // record's last bytes still on their way when the first 69 have come
            return announce + announce + record.first(record.size() - announce.size());
        default:
            return announce + record;
        }
    });
    for (int transfer = 0; transfer < 2; ++transfer) {
        QByteArray block;
        EXPECT_EQ(files.BlockTransfer("&R1", block, 69, 5), 0);
        EXPECT_EQ(block, record) << "transfer " << transfer;
    }
    EXPECT_EQ(meter.count("&R1"), 3) << "only the record behind the stale announce is fetched again";
}

TEST_F(NoisyLineTest, AByteSlippedIntoARecordGetsItFetchedAgain)
{
    answerRecords([this](const QByteArray &announce, int request) {
        return request == 0 ? announce + QByteArray(record).insert(30, framing::kXON) : announce + record;
    });
    QByteArray block;
    EXPECT_EQ(files.BlockTransfer("&R1", block, 69, 5), 0);
    EXPECT_EQ(block, record);
    EXPECT_EQ(meter.count("&R1"), 2);
}

TEST_F(NoisyLineTest, ImplausibleRecordsAreRefusedSoTheReadingSettlesOnTheTrueLevel)
{
    // Every third record lost its first byte on the way and gained one at its end: each fraction
    // byte now stands where a whole decibel belongs.
    const QByteArray shifted = record.mid(1) + '\0';
    ASSERT_FALSE(meter::isPlausibleThirdOctaveRecord(shifted));
    ASSERT_TRUE(meter::isPlausibleThirdOctaveRecord(record));
    answerRecords([&](const QByteArray &announce, int request) {
        return announce + (request % 3 == 2 ? shifted : record);
    });
    meter::BandLevels levels{};
    EXPECT_EQ(ReadStableSpectrum(link, files, k1kHzBand, 0.0f, levels, nullptr, {}, 1.0, 200), 0);
    EXPECT_NEAR(levels[k1kHzBand], 80.0 + 0xf0 / 256.0, 1e-4);
}

TEST_F(NoisyLineTest, ARecordThatNeverArrivesIntactIsALineProblemNotAnUnstableReading)
{
    link.setLastSpread(37.7);
    answerRecords([this](const QByteArray &announce, int) { return announce + record + '\n'; });
    interaction.expectAskStartingWith(QStringLiteral("Could not download data from Trellan after 5 tries!"),
                                      Answer::Cancel);
    interaction.expectMessage(QStringLiteral("Download Error:-21 Offset:0.0"));
    meter::BandLevels levels{};
    EXPECT_EQ(ReadStableSpectrum(link, files, k1kHzBand, 0.0f, levels, nullptr, {}, 1.0, 200),
              meter::kBlockFailed);
    EXPECT_EQ(link.lastSpread(), 0.0) << "no spread of another reading is offered as the cause";
}

TEST(FrequencyRecordCheck, RefusesHertzNoToneCanHave)
{
    QByteArray record(meter::kFrequencyRecordSize, '\0');
    record[21] = 0x03; // 1000 Hz measured, high byte first
    record[22] = static_cast<char>(0xe8);
    EXPECT_TRUE(meter::isPlausibleFrequencyRecord(record));
    record[27] = static_cast<char>(0xc8); // lowest 51200 Hz
    EXPECT_FALSE(meter::isPlausibleFrequencyRecord(record));
    EXPECT_FALSE(meter::isPlausibleFrequencyRecord(record.left(35)));
}

// The in-process meter with one kind of line noise striking a fifth of its replies: readings of a
// steady tone must come through as if the line were clean, without a question to the technician.
class NoisyMeterTest : public ::testing::TestWithParam<const char *>
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(port.Open(), 0);
        clock.advance(60000);
    }

    static LineFaults faults()
    {
        const std::optional<LineFaults> parsed = LineFaults::parse(QString::fromLatin1(GetParam()), 3);
        EXPECT_TRUE(parsed.has_value());
        return parsed.value_or(LineFaults{});
    }

    VirtualClock clock;
    BuiltInSimulator simulator{clock, {}, faults()};
    ScriptedInteraction interaction;
    ComPort port{simulator.portFactory(), clock};
    SlmLink link{port, interaction};
    SlmFileList files{port, interaction};
};

TEST_P(NoisyMeterTest, ThirdOctaveAndFmRecordsComeThroughIntact)
{
    const RealTimeLimit limit;
    simulator.scene().setSound(PureTone{1000.0, 80.0, {-200.0, -200.0, -200.0, -200.0}, {}, {}});
    ASSERT_EQ(link.SetupMeterForTest(MeterMode::SlmRta, 0, false), 1);
    const float offset = static_cast<float>(link.GetCalOffset());
    for (int reading = 0; reading < 12; ++reading) {
        meter::BandLevels levels{};
        ASSERT_EQ(ReadStableSpectrum(link, files, k1kHzBand, offset, levels, nullptr, {}, 1.0, 200), 0)
            << "reading " << reading << ", spread " << link.lastSpread();
        EXPECT_NEAR(levels[k1kHzBand], 80.0, 0.3) << "reading " << reading;
    }

    simulator.scene().setSound(
        PureTone{1000.0, 90.0, {-200.0, -200.0, -200.0, -200.0}, FrequencyModulation{5.0, 10.0}, {}});
    ASSERT_EQ(link.SetupMeterForTest(MeterMode::PulseFm, 6, false), 1);
    ASSERT_EQ(link.WaitRunState('R'), 0);
    for (int reading = 0; reading < 30; ++reading) {
        QByteArray block;
        ASSERT_EQ(files.BlockTransfer("&R7", block, meter::kFrequencyRecordSize, 5,
                                      meter::isPlausibleFrequencyRecord),
                  0);
        const std::optional<meter::FrequencyReading> fm = meter::decodeFrequencyRecord(block);
        ASSERT_TRUE(fm.has_value());
        // A swing of 10 % in all: 950 to 1050 Hz.
        EXPECT_NEAR(fm->measured, 1000.0, 10.0) << "reading " << reading;
        EXPECT_NEAR(fm->lowest, 950.0, 10.0) << "reading " << reading;
        EXPECT_NEAR(fm->highest, 1050.0, 10.0) << "reading " << reading;
    }
}

INSTANTIATE_TEST_SUITE_P(OneFaultAtATime, NoisyMeterTest,
                         ::testing::Values("xon-xoff=0.2", "stale-bytes=0.2", "corrupt-checksum=0.2"));

} // namespace

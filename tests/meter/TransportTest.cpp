#include "LinkFixture.h"
#include "meter/MeterStatus.h"

using namespace tonva;
using namespace tonva::test;

namespace {

class TransportTest : public LinkFixture
{};

TEST_F(TransportTest, FramesCommandsWithChecksumAndCrLf)
{
    link.Command("@");
    link.Command("R1");
    EXPECT_EQ(meter.wire, QByteArray("@@\r\nR1C\r\n"));
}

TEST_F(TransportTest, PercentChecksumGoesOutExactlyOnce)
{
    ASSERT_EQ(framing::checksum("S 148,18"), '%');
    EXPECT_EQ(link.Command("S 148,18"), 0);
    EXPECT_EQ(meter.wire, QByteArray("S 148,18%\r\n"));
}

TEST_F(TransportTest, AcknowledgementOnlyIsSuccessWithEmptyReply)
{
    QByteArray reply = "old";
    EXPECT_EQ(link.Command("S46,2", &reply, 8, 1), 0);
    EXPECT_TRUE(reply.isEmpty());
}

TEST_F(TransportTest, WrongChecksumIsRetriedSixTimesThenRefused)
{
    meter.setResponder([](const QByteArray &, char sum) { return Reply::corrupt(sum, "12.5"); });
    QByteArray reply;
    EXPECT_EQ(link.Command("Q227", &reply, 8, 1), meter::kBadChecksum);
    EXPECT_EQ(meter.count("Q227"), 6);
    EXPECT_TRUE(reply.isEmpty());
}

TEST_F(TransportTest, RecoversWhenALaterAttemptIsClean)
{
    int attempts = 0;
    meter.setResponder([&](const QByteArray &, char sum) {
        return ++attempts < 3 ? Reply::corrupt(sum, "12.5") : Reply::text(sum, "12.5");
    });
    QByteArray reply;
    EXPECT_EQ(link.Command("Q227", &reply, 8, 1), 0);
    EXPECT_EQ(reply, QByteArray("12.5"));
}

TEST_F(TransportTest, TimeOutEndsASettingAtOnceAndAQueryAfterOneMoreTry)
{
    meter.setResponder([](const QByteArray &, char) { return Reply::none(); });
    const qint64 before = clock.nowMs();
    EXPECT_EQ(link.Command("S46,2", nullptr, 8, 1), meter::kNoReply);
    EXPECT_EQ(meter.count("S46,2"), 1) << "a setting may have acted: never sent twice";
    EXPECT_EQ(clock.nowMs() - before, 1000);

    EXPECT_EQ(link.Command("Q227", nullptr, 8, 1), meter::kNoReply);
    EXPECT_EQ(meter.count("Q227"), 2);
}

TEST_F(TransportTest, OneLostReplyToAReadOrQueryIsAskedAgain)
{
    QByteArrayList unanswered{"Q145,32", "R 3,1"};
    meter.setResponder([&](const QByteArray &text, char sum) {
        return unanswered.removeOne(text) ? Reply::none() : trellan(text, sum);
    });
    EXPECT_EQ(link.GetBandwidth(), 3);
    EXPECT_TRUE(link.IsRunning());
    EXPECT_EQ(link.status(), 0);
}

TEST_F(TransportTest, NoiseThatSlipsPastTheChecksumIsRetried)
{
    // Control and high bytes do not count in the checksum, so this garbled line still sums right.
    int attempts = 0;
    meter.setResponder([&](const QByteArray &, char sum) {
        return Reply::text(sum, ++attempts == 1 ? QByteArray("\x85\x02\xff") : QByteArray("2.100"));
    });
    QByteArray reply;
    EXPECT_EQ(link.Command("R90", &reply, 50, 1), 0);
    EXPECT_EQ(reply, QByteArray("2.100"));
    EXPECT_EQ(attempts, 2);
}

TEST_F(TransportTest, MeterTextWithHighBytesIsTakenAsItIs)
{
    // "µ" and "°" as the meter sends them (cp1252), and a high byte of noise after the checksum.
    const QByteArray text("94.1 \xb5Pa 23\xb0"
                          "C");
    meter.setResponder([&](const QByteArray &, char sum) {
        Reply reply = Reply::text(sum, text);
        reply.bytes.insert(reply.bytes.size() - 2, '\xfe');
        return reply;
    });
    QByteArray reply;
    EXPECT_EQ(link.Command("R87", &reply, 50, 1), 0);
    EXPECT_EQ(reply, text);
    EXPECT_EQ(meter.count("R87"), 1);
}

TEST_F(TransportTest, StaleBytesAreNeverTakenForTheReply)
{
    meter.queue(framing::frameReply(framing::checksum("Q227"), "99.9"));
    meter.setResponder([](const QByteArray &, char sum) { return Reply::text(sum, "1.5"); });
    QByteArray reply;
    EXPECT_EQ(link.Command("Q227", &reply, 8, 1), 0);
    EXPECT_EQ(reply, QByteArray("1.5"));
}

// "S12" and "S21" share a checksum, so the late answer to the first passes for the second's.
TEST_F(TransportTest, LateAnswerIsNeverHandedToTheNextCommand)
{
    meter.setResponder([](const QByteArray &text, char sum) {
        if (text == "S12")
            return Reply::none();
        return Reply{Reply::text(sum, "late").bytes + Reply::text(sum, "own").bytes};
    });
    QByteArray reply;
    EXPECT_EQ(link.Command("S12", &reply, 20, 1), meter::kNoReply);
    EXPECT_EQ(link.Command("S21", &reply, 20, 1), 0);
    EXPECT_EQ(reply, QByteArray("own"));
}

TEST_F(TransportTest, FlowControlAndMeterMessages)
{
    meter.setResponder([](const QByteArray &text, char sum) {
        return Reply::text(sum, text == "R86" ? QByteArray("\x11"
                                                           "8\x13"
                                                           "0")
                                              : QByteArray("Low battery\a"));
    });
    QByteArray reply;
    EXPECT_EQ(link.Command("R86", &reply, 10, 1), 0);
    EXPECT_EQ(reply, QByteArray("80"));
    EXPECT_TRUE(link.lastMeterMessage().isEmpty());

    EXPECT_EQ(link.Command("R87", &reply, 20, 1), 0);
    EXPECT_EQ(link.lastMeterMessage(), QByteArray("Low battery\a"));
    link.Command("R86", &reply, 10, 1);
    EXPECT_TRUE(link.lastMeterMessage().isEmpty()) << "a plain reply clears the message";
}

TEST_F(TransportTest, ReplyTimeoutDefaultsAndPersists)
{
    EXPECT_EQ(port.SetReplyTimeout(0), 2);
    EXPECT_EQ(port.replyTimeout(), 2);
    link.Command("Q227", nullptr, 8, 5);
    EXPECT_EQ(port.replyTimeout(), 5) << "a command's time-out stays for later reads";
}

TEST_F(TransportTest, OpenReportsUnavailableAndRejectedRates)
{
    meter.openResult = SerialPort::kUnavailable;
    EXPECT_EQ(port.Open(), meter::kPortUnavailable);
    EXPECT_FALSE(port.isOpen());

    meter.openResult = 0;
    meter.baudResult = SerialPort::kBaudRejected;
    EXPECT_EQ(port.Open(), meter::kPortFailed);
    EXPECT_FALSE(port.isOpen());

    meter.baudResult = 0;
    ASSERT_EQ(port.Open(), 0);
    meter.baudResult = SerialPort::kBaudRejected;
    EXPECT_EQ(port.SetBaudRate(19200), meter::kBaudRejected);

    EXPECT_EQ(port.SetPortNumber(0), meter::kPortUnavailable);
    EXPECT_EQ(port.portNumber(), 1);
    EXPECT_FALSE(port.isOpen()) << "changing the port number closes the port";
}

TEST_F(TransportTest, NegotiationMapsUnknownRateTo9600)
{
    const RealTimeLimit limit;
    EXPECT_EQ(link.NegotiateBaudRate(4800), 0);
    EXPECT_EQ(meter.breaks, 3);
    EXPECT_TRUE(meter.wire.startsWith("@@\r\r")) << "raw ping first";
    EXPECT_EQ(meter.count("S2283,3"), 1);
    EXPECT_EQ(meter.count("S9,3"), 1);
    EXPECT_EQ(port.baudRate(), 9600);
}

TEST_F(TransportTest, NegotiationGivesUpOnAForeignDevice)
{
    trellan.model = "Acme meter";
    EXPECT_EQ(link.NegotiateBaudRate(19200), meter::kNotTrellan);
    EXPECT_EQ(meter.breaks, 9);
    EXPECT_EQ(meter.count("S2283,4"), 0);
    EXPECT_EQ(port.baudRate(), 9600);
}

TEST_F(TransportTest, BlockTransferAsksAfterFiveFailuresAndCancelGivesUp)
{
    meter.setResponder([](const QByteArray &, char) { return Reply::none(); });
    interaction.expectAsk(
        QStringLiteral("Could not download data from Trellan after 5 tries!\n Verify that the "
                       "Trellan is powered on, stable, and connected to the PC.\nThen press OK!"),
        Answer::Ok);
    interaction.expectAskStartingWith(QStringLiteral("Could not download data"), Answer::Cancel);
    QByteArray block;
    EXPECT_EQ(files.BlockTransfer("&R1", block, 69, 5), meter::kBlockFailed);
    EXPECT_EQ(meter.count("&R1"), 10) << "OK starts a fresh count of five";
    EXPECT_EQ(meter.wire.left(5), QByteArray("&R1") + framing::checksum("&R1") + '\r')
        << "slow frame ends with CR";
}

TEST_F(TransportTest, BlockTransferDeliversTheWholeRecord)
{
    const QByteArray record(69, '\x05');
    trellan.record = [&] { return record; };
    QByteArray block;
    EXPECT_EQ(files.BlockTransfer("&R1", block, 69, 5), 0);
    EXPECT_EQ(block, record);
}

TEST_F(TransportTest, ShortBlockIsAFailureNotAReadPastTheEnd)
{
    meter.setResponder([](const QByteArray &, char sum) { return Reply::block(sum, QByteArray(40, 'x')); });
    interaction.expectAskStartingWith(QStringLiteral("Could not download data"), Answer::Cancel);
    QByteArray block;
    EXPECT_EQ(files.BlockTransfer("&R1", block, 69, 5), meter::kBlockFailed);
}

} // namespace

#include "meter/Framing.h"
#include "platform/Clock.h"
#include "platform/Cp1252.h"
#include "platform/PreferenceStore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace tonva;

TEST(Framing, AttentionAndModelQueryFrames)
{
    EXPECT_EQ(framing::frameCommand("@"), QByteArray("@@\r\n"));
    EXPECT_EQ(framing::frameCommand("R1"), QByteArray("R1C\r\n"));
}

TEST(Framing, HighBytesDoNotCountAndSmallSumsAreLifted)
{
    EXPECT_EQ(framing::checksum(QByteArray("A\x80\xff")), 'A');
    // 32 + 32 + 32 + 32 = 128 -> 0 -> lifted to 64.
    EXPECT_EQ(framing::checksum("    "), '@');
}

TEST(Framing, ReplyChecksumStandsBeforeTheLineEnd)
{
    const char cmd = framing::checksum("Q46");
    const QByteArray line = framing::frameReply(cmd, "2");
    EXPECT_EQ(framing::replyChecksumPosition(line), 1);
    EXPECT_EQ(line[1], framing::replyChecksum(cmd, "2"));
    EXPECT_EQ(framing::replyChecksumPosition(QByteArray("\r\n")), -1);
}

TEST(Cp1252, RoundTripsTheHighControlsAndLatin1)
{
    const QString text = QStringLiteral("€ 10 µPa – Zürich");
    const QByteArray bytes = Cp1252::fromUnicode(text);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x80);
    EXPECT_EQ(Cp1252::toUnicode(bytes), text);
    EXPECT_EQ(Cp1252::fromUnicode(QStringLiteral("\u4e2d")), QByteArray("?"));
}

TEST(VirtualClock, WaitsAdvanceTimeAtOnce)
{
    VirtualClock clock;
    clock.sleep(1000);
    clock.pump(250);
    clock.sleep(-5);
    EXPECT_EQ(clock.nowMs(), 1250);
}

TEST(PreferenceStore, ReadsDefaultsAndKeepsWrittenValues)
{
    test::TempDir dir;
    {
        PreferenceStore store(dir.file("prefs.ini"));
        EXPECT_EQ(store.readInt("Preferences", "SLMComport", 1), 1);
        store.writeInt("Preferences", "SLMComport", 4);
        store.writeText("Settings", "SLMPortName", "/dev/ttyUSB0");
        store.writeText("Preferences", "Garbled", "twelve");
    }
    PreferenceStore again(dir.file("prefs.ini"));
    EXPECT_EQ(again.readInt("Preferences", "SLMComport", 1), 4);
    EXPECT_EQ(again.readText("Settings", "SLMPortName", ""), "/dev/ttyUSB0");
    EXPECT_EQ(again.readInt("Preferences", "Garbled", 7), 7);
}

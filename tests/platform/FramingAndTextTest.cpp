#include "meter/Framing.h"
#include "platform/Clock.h"
#include "platform/Cp1252.h"
#include "platform/PreferenceStore.h"
#include "platform/TextFormat.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

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

TEST(FormatText, FormatsAsTheCLibraryDoesWhateverTheLocale)
{
    EXPECT_EQ(formatText("%.1f|%.2f|%5.2f", 87.25, 0.125, 3.14159), QStringLiteral("87.2|0.12| 3.14"));
    EXPECT_EQ(formatText("Message '%s'", "\x80 5"), QStringLiteral("Message '\u20ac 5'"));
    // A decimal-comma locale for the whole process must not leak into formatted numbers.
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    ASSERT_TRUE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) << "scripts/setup-deps installs this locale";
    EXPECT_EQ(formatText("%.1f", 1234.5), QStringLiteral("1234.5"));
    std::setlocale(LC_NUMERIC, previous.c_str());
}

#include "LinkFixture.h"
#include "meter/KeySimulator.h"
#include "meter/MeterRecords.h"
#include "meter/MeterStatus.h"
#include "support/TempDir.h"

using namespace tonva;
using namespace tonva::test;

namespace {

constexpr int k125Hz = 2;
constexpr int k1000Hz = 12;

class KeySimulatorTest : public LinkFixture
{
protected:
    int keys(const char *key) const { return meter.count(key); }
    int allKeys() const
    {
        int n = 0;
        for (const QByteArray &command : meter.commands)
            n += command.startsWith("K ") || command.startsWith("k ") ? 1 : 0;
        return n;
    }

    TempDir dir;
    PreferenceStore preferences{dir.file(QStringLiteral("prefs.ini"))};
    KeySimulator keypad{preferences};
};

TEST_F(KeySimulatorTest, FindsTheLowestBandThenStepsUpToTheTarget)
{
    keypad.Bind(&link);
    EXPECT_EQ(keypad.SelectBand(k1000Hz), 0);
    EXPECT_EQ(keys("K 77777"), 8);
    EXPECT_EQ(keys("K 8"), 19);
    EXPECT_EQ(keypad.currentBand(), 19);

    meter.commands.clear();
    EXPECT_EQ(keypad.SelectBand(k125Hz), 0);
    EXPECT_EQ(keys("k 7"), 9);
    EXPECT_EQ(allKeys(), 9);

    meter.commands.clear();
    EXPECT_EQ(keypad.SelectBand(k125Hz), 0);
    EXPECT_EQ(allKeys(), 0) << "same band: no key presses";
}

TEST_F(KeySimulatorTest, UnboundSendsNothing)
{
    EXPECT_EQ(keypad.SelectBand(k1000Hz), 0);
    EXPECT_EQ(keypad.SetDisplayView(4), 0);
    keypad.Bind(&link);
    keypad.Bind(nullptr);
    EXPECT_EQ(keypad.SelectBand(k1000Hz), 0);
    EXPECT_TRUE(meter.wire.isEmpty());
}

TEST_F(KeySimulatorTest, BusyKeypadIsGivenUpOnInsteadOfPolledForever)
{
    const RealTimeLimit limit;
    meter.setResponder([](const QByteArray &, char sum) { return Reply::text(sum, "3"); });
    keypad.Bind(&link);
    EXPECT_EQ(keypad.SelectBand(k1000Hz), meter::kNoReply);
    EXPECT_EQ(meter.count("R155"), KeySimulator::kMaxReadyPolls);
    EXPECT_EQ(allKeys(), 0);
    EXPECT_EQ(keypad.currentBand(), -1);
}

TEST_F(KeySimulatorTest, DisplayViewAlternatesWithTheLastFmSetting)
{
    keypad.Bind(&link);
    EXPECT_EQ(keypad.SetDisplayView(4), 0);
    EXPECT_EQ(keys("K 660"), 1) << "no earlier setting: the view as asked";
    EXPECT_EQ(keypad.SetDisplayView(4), 0);
    EXPECT_EQ(keys("K 660"), 2) << "same as last time";
    EXPECT_EQ(keypad.SetDisplayView(2), 0);
    EXPECT_EQ(keys("k 6608"), 1);
    EXPECT_EQ(preferences.readInt(QStringLiteral("Settings"), QStringLiteral("Last FM"), 0), 2);
    EXPECT_EQ(keypad.SetDisplayView(0), 0);
    EXPECT_EQ(keys("K 80"), 1);
    EXPECT_EQ(keys("K 1919"), 4);
}

// --- records ---

TEST(MeterRecordsTest, ThirdOctaveLevelsWithOffset)
{
    QByteArray record(meter::kThirdOctaveRecordSize, '\0');
    record[3] = char(12);
    record[4] = char(64); // band 0: 12.25
    record[67] = char(200);
    record[68] = char(255); // band 32: 200 + 255/256
    const auto levels = meter::decodeThirdOctaveRecord(record, -1.5f);
    ASSERT_TRUE(levels);
    EXPECT_FLOAT_EQ((*levels)[0], 10.75f);
    EXPECT_FLOAT_EQ((*levels)[32], 200.0f + 255.0f / 256.0f - 1.5f);
}

TEST(MeterRecordsTest, ShortRecordsAreRefused)
{
    EXPECT_FALSE(meter::decodeThirdOctaveRecord(QByteArray(68, '\0'), 0.0f));
    EXPECT_FALSE(meter::decodeFftRecord(QByteArray(810, '\0'), 0.0f));
    EXPECT_FALSE(meter::decodeFrequencyRecord(QByteArray(35, '\0')));
    EXPECT_FALSE(meter::decodePulseRecord(QByteArrayView()));
}

TEST(MeterRecordsTest, FrequencyRecordReadBothWays)
{
    QByteArray record(meter::kFrequencyRecordSize, '\0');
    record[3] = char(meter::PulseReading::kOnOffRatioFailed);
    record[6] = char(12); // count
    record[8] = char(61); // rise 30.5 ms
    record[11] = char(0x01);
    record[12] = char(0x90); // on 200 ms
    record[19] = char(94);
    record[20] = char(64); // level 94.25
    record[21] = char(0x03);
    record[22] = char(0xE8);
    record[23] = char(128);  // measured 1000.5 Hz, high byte first
    record[28] = char(0xDE); // lowest 222
    record[33] = char(0x03);
    record[34] = char(0xE8); // pulse frequency 1000 Hz

    const auto fm = meter::decodeFrequencyRecord(record);
    ASSERT_TRUE(fm);
    EXPECT_EQ(fm->statusA, meter::PulseReading::kOnOffRatioFailed);
    EXPECT_DOUBLE_EQ(fm->measured, 1000.5);
    EXPECT_DOUBLE_EQ(fm->lowest, 222.0);

    const auto pulse = meter::decodePulseRecord(record);
    ASSERT_TRUE(pulse);
    EXPECT_EQ(pulse->count, 12);
    EXPECT_DOUBLE_EQ(pulse->riseMs, 30.5);
    EXPECT_DOUBLE_EQ(pulse->onMs, 200.0);
    EXPECT_DOUBLE_EQ(pulse->level, 94.25);
    EXPECT_DOUBLE_EQ(pulse->furtherLevels[0], 1000.5);
    EXPECT_DOUBLE_EQ(pulse->frequencyHz, 1000.0);
}

TEST(MeterRecordsTest, FftLinesStartAtByteTen)
{
    QByteArray record(meter::kFftRecordSize, '\0');
    record[10] = char(30);
    record[808] = char(50);
    record[809] = char(128);
    record[810] = char(99); // past the last line
    const auto lines = meter::decodeFftRecord(record, 2.0f);
    ASSERT_TRUE(lines);
    EXPECT_FLOAT_EQ((*lines)[0], 32.0f);
    EXPECT_FLOAT_EQ((*lines)[399], 52.5f);
}

TEST(MeterTablesTest, BandMapsAgreeWithTheBandCentres)
{
    for (int band = 0; band < meter::kBandCount; ++band) {
        const int index = meter::kTestFrequencyOfBand[static_cast<size_t>(band)];
        if (index >= 0) {
            EXPECT_EQ(meter::bandOfTestFrequency(index), band);
            EXPECT_DOUBLE_EQ(meter::kTestFrequencies[static_cast<size_t>(index)],
                             meter::kBandCentres[static_cast<size_t>(band)]);
        }
    }
    EXPECT_EQ(meter::bandOfTestFrequency(12), meter::kBand1kHz);
    EXPECT_EQ(meter::bandOfTestFrequency(39), -1);
}

} // namespace

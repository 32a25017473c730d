#include "HearingLevelPageFixture.h"

using namespace tonva;
using namespace tonva::test;

namespace {

int at(double hertz)
{
    return frequencyIndex(hertz);
}

} // namespace

TEST_F(HearingLevelPageFixture, MeasureAllStoresCorrectedLevelsAndJudgesThem)
{
    levelError = {{1000, 3.0}, {8000, 5.0}};
    record->setup.couplerMicrophone[2].response[at(1000)] = 0.5f;
    auto test = page(HearingLevelMode::HearingLevel);
    technician.expectAskToSet("Set 70 dBHL Left at 1000 Hz", Answer::Ok)
        .expectAskToSet("Set 70 dBHL Left at 8000 Hz", Answer::Ok);

    EXPECT_EQ(test->measureAll(), 0);
    const ToneLevelResult &tone = record->toneLevel[0][0];
    // The microphone's 0.5 dB is taken off what the meter read.
    EXPECT_NEAR(tone.measuredLevel[at(1000)], 70 + 7 + 3.0 - 0.5, 0.1);
    EXPECT_NEAR(tone.measuredLevel[at(8000)], 70 + 13 + 5.0, 0.1);
    EXPECT_EQ(test->lastMeasuredFrequency(), at(8000));
    EXPECT_TRUE(technician.progressStatuses().contains("Checking the Trellan for SLM/RTA mode"));
    EXPECT_TRUE(technician.progressStatuses().contains("Reading calibration offset"));
    EXPECT_EQ(technician.stimuli().front().signal, "tone");
}

#include "measure/HearingLevelAdjust.h"

#include "HearingLevelPageFixture.h"

using namespace tonva;
using namespace tonva::test;

TEST_F(HearingLevelPageFixture, AdjustShowsTheLiveLevelOfTheChosenFrequency)
{
    record = hearingLevelRecord({500, 1000, 8000});
    record->setup.couplerMicrophone[2].response[frequencyIndex(1000)] = 1.0f;
    HearingLevelAdjust adjust(link, files, record->setup, TransducerType::SupraAural, frequencyIndex(1000));
    EXPECT_EQ(adjust.frequencyTexts(), QStringList({"500.0", "1000.0", "8000.0"}));
    EXPECT_EQ(adjust.preselectedRow(), 1);
    ASSERT_TRUE(adjust.prepare());

    Stimulus stimulus;
    stimulus.transducer = TransducerType::SupraAural;
    stimulus.frequencyHz = 1000.0;
    stimulus.dialLevel = 70.0;
    levelError = {{1000, 2.0}};
    present(stimulus); // 70 + 7 + 2 dB SPL at the ear
    const auto reading = adjust.tick();
    ASSERT_TRUE(reading.has_value());
    EXPECT_NEAR(reading->level.toDouble(), 78.0, 0.15) << "79 dB read, less the microphone's 1 dB";
    EXPECT_NEAR(reading->hearingLevel.toDouble(), 71.0, 0.15);

    adjust.choose(2); // 8000 Hz: nothing playing there
    const auto quiet = adjust.tick();
    ASSERT_TRUE(quiet.has_value());
    EXPECT_LT(quiet->level.toDouble(), 40.0);
    adjust.choose(7); // no such row: the choice stays
    EXPECT_EQ(adjust.preselectedRow(), 2);

    HearingLevelAdjust fresh(link, files, record->setup, TransducerType::SupraAural, -1);
    EXPECT_EQ(fresh.preselectedRow(), 0) << "nothing measured yet: the first frequency";
}

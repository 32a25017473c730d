#include "measure/InputLevelPage.h"
#include "measure/TestConditions.h"
#include "model/ReferenceData.h"
#include "platform/PreferenceStore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace tonva::test {
namespace {

TEST(InputLevelPageTest, BoneDefaultsAreTwentyAt250AndFortyAbove)
{
    DialLevels levels{};
    InputLevelPage page(InputLevelRange::Bone, levels, nullptr, nullptr);
    page.setToDefaults();
    page.Apply();
    EXPECT_EQ(levels[5], 20);
    for (int index = 6; index <= 24; ++index)
        EXPECT_EQ(levels[index], 40) << index;
    EXPECT_EQ(levels[4], 0) << "below the bone page's range";
    EXPECT_EQ(levels[25], 0) << "above the bone page's range";
}

TEST(InputLevelPageTest, AirDefaultsAndCommonLevelStayInsideThePage)
{
    DialLevels levels{};
    InputLevelPage high(InputLevelRange::High, levels, nullptr, nullptr);
    high.setToDefaults();
    high.Apply();
    EXPECT_EQ(levels[24], 0);
    EXPECT_EQ(levels[25], 70);
    EXPECT_EQ(levels[38], 70);

    InputLevelPage low(InputLevelRange::Low, levels, nullptr, nullptr);
    low.setCommonLevel(55);
    low.setField(25, 10); // not the low page's frequency: ignored
    low.Apply();
    EXPECT_EQ(levels[0], 55);
    EXPECT_EQ(levels[24], 55);
    EXPECT_EQ(levels[25], 70);
}

TEST(InputLevelPageTest, NothingReachesTheRecordBeforeApplyAndLinkedBlocksFollow)
{
    DialLevels levels{};
    DialLevels right{};
    DialLevels binaural{};
    levels[12] = 70;
    InputLevelPage page(InputLevelRange::Low, levels, &right, &binaural);
    EXPECT_EQ(page.field(12), 70) << "the page opens with the record's levels";
    page.setField(12, 40000); // beyond 16 bits: held at the limit, not wrapped
    EXPECT_EQ(levels[12], 70);
    page.Apply();
    EXPECT_EQ(levels[12], 32767);
    EXPECT_EQ(right[12], 32767);
    EXPECT_EQ(binaural[12], 32767);
    EXPECT_EQ(right[25], 0) << "the linked blocks get the page's frequencies only";
}

TEST(InputLevelPageTest, UseDefaultsLocksTheBoneFieldsAndApplyRemembersFrom315Hz)
{
    TempDir dir;
    PreferenceStore store(dir.file(QStringLiteral("p.ini")));
    DialLevels levels{};
    InputLevelPage page(InputLevelRange::Bone, levels, nullptr, nullptr);
    page.setUseDefaults(true);
    EXPECT_FALSE(page.fieldsEnabled());
    page.setField(8, 15);
    EXPECT_EQ(page.field(8), 40);
    page.setUseDefaults(false);
    page.setField(5, 25);
    page.setField(8, 15); // 500 Hz
    page.Apply(&store);
    EXPECT_EQ(store.readInt("Settings", QStringLiteral("BoneHL Input %1").arg(frequencyKey(8)), -1), 15);
    EXPECT_EQ(store.readInt("Settings", "BoneHL Input RFREQ_250", -1), -1);

    DialLevels air{};
    InputLevelPage low(InputLevelRange::Low, air, nullptr, nullptr);
    low.setUseDefaults(true); // only the bone page has the box
    EXPECT_TRUE(low.fieldsEnabled());
}

TestConditionsVerdict check(const char *temperature, const char *pressure, const char *humidity)
{
    return checkTestConditions(
        {QString::fromLatin1(temperature), QString::fromLatin1(pressure), QString::fromLatin1(humidity)});
}

const char *const kHumidityMessage = "Invalid entry in Humidity field.\nMust be between 4 and 100%";

TEST(TestConditionsTest, HumidityFromFourToHundred)
{
    EXPECT_EQ(check("23.0", "760", "3").message, kHumidityMessage);
    EXPECT_EQ(check("23.0", "760", "101").message, kHumidityMessage);
    EXPECT_EQ(check("23.0", "760", "").message, kHumidityMessage);
    EXPECT_EQ(check("23.0", "760", "99999999999999999999").message, kHumidityMessage);
    EXPECT_TRUE(check("23.0", "760", "4").accepted);
    const TestConditionsVerdict verdict = check("23.0", "760", "100");
    ASSERT_TRUE(verdict.accepted);
    EXPECT_EQ(verdict.conditions.humidity, 100);
}

TEST(TestConditionsTest, TemperatureTextAndRange)
{
    const TestConditionsVerdict comma = check("23,5", "29.92", "50");
    ASSERT_TRUE(comma.accepted);
    EXPECT_FLOAT_EQ(comma.conditions.temperature, 23.5f);
    EXPECT_FLOAT_EQ(comma.conditions.pressure, 29.92f);
    for (const char *bad : {"2.3.5", ".5", "-20", "23 C"})
        EXPECT_EQ(check(bad, "760", "50").message, "Invalid entry in temperature field.") << bad;
    EXPECT_EQ(check("16.9", "760", "50").message, "Temperature must be between 17.0 and 29.0.");
    EXPECT_EQ(check("29.1", "760", "50").message, "Temperature must be between 17.0 and 29.0.");
    EXPECT_TRUE(check("17", "760", "50").accepted);
    EXPECT_TRUE(check("29.0", "760", "50").accepted);
    // Humidity is checked first, so its message wins when both are wrong.
    EXPECT_EQ(check("2.3.5", "760", "3").message, kHumidityMessage);
}

TEST(TestConditionsTest, PressureTextAndOpeningTexts)
{
    EXPECT_EQ(check("23", "7,6,0", "50").message, "Invalid entry in pressure field.");
    EXPECT_EQ(check("23", "", "50").message, "Invalid entry in pressure field.");
    EXPECT_TRUE(check("23", "101,3", "50").accepted);

    const TestConditionsText text = testConditionsText({23.0f, 760.0f, 50});
    EXPECT_EQ(text.temperature, "23.0");
    EXPECT_EQ(text.pressure, "760.00");
    EXPECT_EQ(text.humidity, "50");
}

} // namespace
} // namespace tonva::test

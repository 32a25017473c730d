#include "SignalQualityBench.h"
#include "measure/BoneConductionTest.h"
#include "model/FixedText.h"
#include "model/ReferenceData.h"
#include "support/ScriptedInteraction.h"

#include <cmath>

namespace tonva::test {
namespace {

constexpr int k250Hz = 5;
constexpr int k2000Hz = 16;
constexpr int k4000Hz = 20;
constexpr int k6000Hz = 22;
constexpr int k8000Hz = 24;
constexpr int kKestin = 2;
constexpr double kStandardKpa = 101.325;

EnvironmentalCorrection room(double celsius, double pressure, int humidity, int f = k250Hz, int set = 1,
                             int coupler = kKestin)
{
    return environmentalCorrection(set, coupler, f,
                                   {static_cast<float>(celsius), static_cast<float>(pressure),
                                    static_cast<std::int16_t>(humidity)});
}

MastoidData mastoidWithSerial(const char *serial)
{
    MastoidData mastoid;
    setFixedText(mastoid.identity.serialNumber, serial);
    return mastoid;
}

TEST(BoneConductionCorrection, RoomTermsFollowTheMakersTables)
{
    // The temperature table's ends at 250 Hz, and a room warmer than the table read as its warmest row.
    EXPECT_NEAR(room(17.0, kStandardKpa, 50).temperature, -5.6, 1e-9);
    EXPECT_NEAR(room(29.0, kStandardKpa, 50).temperature, 4.8, 1e-9);
    const EnvironmentalCorrection hot = room(31.0, kStandardKpa, 70);
    const EnvironmentalCorrection warmest = room(29.0, kStandardKpa, 70);
    EXPECT_EQ(hot.temperature, warmest.temperature);
    EXPECT_EQ(hot.humidity, warmest.humidity);

    // The grid's corner and its calibration point; a humidity of 0 is the old code for 30 %.
    EXPECT_NEAR(room(18.0, kStandardKpa, 30).humidity, -0.3, 1e-9);
    EXPECT_NEAR(room(18.0, kStandardKpa, 30, k8000Hz).humidity, 0.2, 1e-9);
    EXPECT_EQ(room(18.0, kStandardKpa, 0).humidity, room(18.0, kStandardKpa, 30).humidity);
    for (int f = k250Hz; f <= k8000Hz; ++f) {
        SCOPED_TRACE(f);
        EXPECT_NEAR(room(28.0, kStandardKpa, 50, f).humidity, 0.0, 1e-9);
        // Crossing a grid point moves the interpolation to the next pair without a jump.
        EXPECT_NEAR(room(22.999, kStandardKpa, 60, f).humidity, room(23.0, kStandardKpa, 60, f).humidity, 0.01);
        EXPECT_NEAR(room(20.0, kStandardKpa, 49, f).humidity, room(20.0, kStandardKpa, 50, f).humidity, 0.05);
    }
    // Outside 250 to 8000 Hz the maker gives nothing.
    EXPECT_EQ(room(17.0, 20.0, 90, 4).temperature, 0.0);
}

TEST(BoneConductionCorrection, PressureIsReadInItsOwnUnitAndWeighedByCoupler)
{
    // 29.92 inches of mercury are 760 mm, the standard atmosphere.
    EXPECT_NEAR(pressureInKilopascals(29.92), kStandardKpa, 0.01);
    EXPECT_NEAR(room(23.0, 29.92, 50).pressure, 0.0, 0.001);
    EXPECT_NEAR(pressureInKilopascals(750.0), 750.0 / 760.0 * kStandardKpa, 1e-9);
    EXPECT_NEAR(room(23.0, 750.0, 50).pressure, room(23.0, 750.0 / 760.0 * kStandardKpa, 50).pressure, 1e-6);
    // The coefficients of the three couplers at 250 and 8000 Hz; other couplers have no pressure term.
    const struct
    {
        int coupler;
        int f;
        double perKpa;
    } rows[] = {{2, k250Hz, 0.0714}, {1, k250Hz, 0.0960}, {6, k250Hz, 0.0531},
                {2, k8000Hz, 0.0904}, {1, k8000Hz, 0.0971}, {6, k8000Hz, 0.0963}, {3, k250Hz, 0.0}};
    for (const auto &row : rows)
        EXPECT_NEAR(room(23.0, 100.0, 50, row.f, 1, row.coupler).pressure, row.perKpa * (100.0 - kStandardKpa), 1e-9)
            << "coupler " << row.coupler << " index " << row.f;

    EXPECT_EQ(environmentalTableSet(mastoidWithSerial("3999")), 1);
    EXPECT_EQ(environmentalTableSet(mastoidWithSerial("4500")), 2);
    EXPECT_EQ(environmentalTableSet(mastoidWithSerial("5000")), 3);
    EXPECT_EQ(environmentalTableSet(mastoidWithSerial("AM-2217")), 1);
    EXPECT_NE(room(17.0, kStandardKpa, 50, k250Hz, 2).temperature, room(17.0, kStandardKpa, 50).temperature);
}

TEST(BoneConductionCorrection, ForceCouplerUsesSensitivitiesAndIsRefusedWithoutThem)
{
    TestSetup setup;
    setFixedText(setup.mastoid.identity.manufacturer, "Mirage");
    setFixedText(setup.mastoid.identity.serialNumber, "FC-77");
    setup.mastoid.kestinResponse[k2000Hz] = 1.5f;
    setup.transducerOptions.calibrationMicrophoneSlot = 1;
    setup.couplerMicrophone[1].sensitivity = 50.0f;
    setup.mastoid.sensitivity = 100.0f;
    // A maker merely starting with the same letter is no maker's mastoid: no room terms.
    const MastoidCorrection force = mastoidCorrection(setup, k2000Hz);
    EXPECT_NEAR(force.total(), 1.5 - 20.0, 1e-6);
    EXPECT_EQ(force.temperature + force.humidity + force.pressure, 0.0);
    EXPECT_TRUE(mastoidRefusal(setup).isEmpty());

    for (const float sensitivity : {0.0f, -3.0f}) {
        setup.mastoid.sensitivity = sensitivity;
        EXPECT_TRUE(mastoidRefusal(setup).contains(QLatin1String("Mirage"))) << sensitivity;
        EXPECT_TRUE(mastoidRefusal(setup).contains(QLatin1String("FC-77"))) << sensitivity;
        // Stored readings of such a mastoid cannot pass: they are not judged at all.
        ToneLevelResult result;
        setup.frequencyAvailable[k2000Hz] = 1;
        result.measuredLevel[k2000Hz] = 40.0f;
        const BoneLevelList list = buildBoneLevelList(setup, result, true);
        ASSERT_EQ(list.rows.size(), 1u);
        EXPECT_EQ(list.rows[0].verdict, ResultStatus::NotJudged);
        EXPECT_EQ(list.pageResult(), 0);
    }
    setFixedText(setup.mastoid.identity.manufacturer, "mervane ");
    EXPECT_TRUE(mastoidRefusal(setup).isEmpty());
}

TEST(BoneConductionEvaluation, ToleranceWidensFrom6000Hz)
{
    TestSetup setup;
    setFixedText(setup.mastoid.identity.manufacturer, "Mervane");
    ToneLevelResult result;
    for (const int f : {k4000Hz, k6000Hz})
        setup.frequencyAvailable[f] = 1;
    const auto retfl = [&setup](int f) {
        ReferenceQuery query;
        query.transducer = TransducerType::BoneVibrator;
        query.frequencyIndex = f;
        return GetReferenceLevel(setup, query);
    };
    for (const int f : {k4000Hz, k6000Hz}) {
        result.dialLevel[f] = 40;
        result.measuredLevel[f] = static_cast<float>(retfl(f) + 40 - 4.9);
    }
    const BoneLevelList list = buildBoneLevelList(setup, result, false);
    ASSERT_EQ(list.rows.size(), 2u);
    EXPECT_EQ(list.rows[0].verdict, ResultStatus::Failed);
    EXPECT_EQ(list.rows[1].verdict, ResultStatus::Passed);
    EXPECT_EQ(list.rows[1].cells.value(3), QStringLiteral("-4.9"));
}

// A vibrator driven harder than this would overload the meter behind the mastoid.
constexpr short kBoneDial = 40;

// Adjusting on the maker's mastoid needs a room on record: one never entered is asked for, and the
// typical room it proposes is kept even when the technician cancels; a recorded room is not asked again.
TEST(BoneConductionEvaluation, AdjustAsksForAnUnrecordedRoomAndKeepsTheProposal)
{
    TestSetup setup;
    setFixedText(setup.mastoid.identity.manufacturer, "Mervane");
    ScriptedInteraction technician;
    technician.expectTestConditions({"23.0", "760.00", "50"}, Answer::Cancel);
    askAdjustConditions(setup, technician);
    EXPECT_EQ(setup.temperature, 23.0f);
    EXPECT_EQ(setup.pressure, 760.0f);
    EXPECT_EQ(setup.humidity, 50);
    technician.expectTestConditions({"23.0", "760.00", "50"}, Answer::Ok, TestConditions{19.5f, 29.5f, 35});
    setup.temperature = 0.0f;
    askAdjustConditions(setup, technician);
    EXPECT_EQ(setup.temperature, 19.5f);
    askAdjustConditions(setup, technician);
    technician.verifyDone();
}

struct BoneBench : SignalQualityBench
{
    BoneBench() : SignalQualityBench(QStringLiteral("good"), {250, 1000, 2000, 6000})
    {
        registerBoneLevelsPage(pages);
        // The room as the thermometer and barometer read it; the technician enters what is proposed.
        record->setup.temperature = 21.0f;
        record->setup.pressure = 29.92f;
        record->setup.humidity = 40;
        bench->audiometer().setCoupling(demo::couplingFor(record->setup));
        for (short &dial : bone().dialLevel)
            dial = kBoneDial;
    }
    ToneLevelResult &bone() { return record->toneLevel[0][static_cast<int>(TransducerType::BoneVibrator)]; }
    PageRegistry pages;
};

// The force level the audiometer puts out on each placement comes back through the mastoid and its
// room terms.
TEST(BoneConductionTruth, ForceLevelsOnBothPlacementsComeBackThroughTheMastoid)
{
    BoneBench bench;
    for (const BonePlacement placement : {BonePlacement::Mastoid, BonePlacement::Forehead}) {
        bench.bone().placement = placement == BonePlacement::Forehead ? 1 : 0;
        ASSERT_EQ(bench.measureAll(bench.pages, MeasurementEntry::HearingLevel, TransducerType::BoneVibrator, Ear::Left),
                  measure::kDone);
        for (const int f : boneLevelFrequencies(bench.record->setup)) {
            ReferenceQuery query;
            query.transducer = TransducerType::BoneVibrator;
            query.frequencyIndex = f;
            query.forehead = placement == BonePlacement::Forehead;
            EXPECT_NEAR(bench.bone().measuredLevel[f], kBoneDial + GetReferenceLevel(bench.record->setup, query) + 0.4, 0.1)
                << "index " << f << (query.forehead ? " forehead" : " mastoid");
        }
        EXPECT_EQ(bench.record->statusOf(MeasurementKind::HearingLevel, TransducerType::BoneVibrator), 1);
    }
}

TEST(BoneConductionTruth, MastoidWithoutSensitivityIsRefusedBeforeAnyPrompt)
{
    BoneBench bench;
    setFixedText(bench.record->setup.mastoid.identity.manufacturer, "Mirage");
    setFixedText(bench.record->setup.mastoid.identity.model, "AM9");
    bench.record->setup.mastoid.sensitivity = 0.0f;
    EXPECT_EQ(bench.measureAll(bench.pages, MeasurementEntry::HearingLevel, TransducerType::BoneVibrator, Ear::Left),
              measure::kNotStarted);
    const QString transcript = bench.bench->technician().transcript().join(QLatin1Char('\n'));
    EXPECT_TRUE(transcript.contains(QLatin1String("mastoid Mirage AM9 S/N AM1"))) << transcript.toStdString();
    EXPECT_FALSE(transcript.contains(QLatin1String("dBHL"))) << transcript.toStdString();
    EXPECT_EQ(bench.bone().measuredLevel[k250Hz], 0.0f);
}

} // namespace
} // namespace tonva::test

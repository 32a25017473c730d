#include "sim/AcousticScene.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace tonva;

TEST(AcousticScene, ToneLandsInItsBandWithSkirtsIntoNeighbours)
{
    AcousticScene scene;
    scene.setSound(PureTone{1000.0, 94.0});
    const BandPowers powers = scene.bandPowers(2);
    EXPECT_NEAR(powers.totalDb(19), 94.0, 0.01);
    EXPECT_LT(powers.totalDb(18), 94.0 - 20.0);
    EXPECT_LT(powers.totalDb(17), 94.0 - 45.0);
    EXPECT_LT(powers.totalDb(17), powers.totalDb(18));
    // Test tones off a band's centre but inside it read (almost) fully.
    for (const double frequency : {750.0, 1500.0, 3000.0, 6000.0, 11000.0}) {
        scene.setSound(PureTone{frequency, 90.0});
        EXPECT_NEAR(scene.bandPowers(2).totalDb(bandOfFrequency(frequency)), 90.0, 0.1) << frequency;
    }
    EXPECT_EQ(bandOfFrequency(1000.0), 19);
    EXPECT_EQ(bandOfFrequency(12.5), 0);
    EXPECT_EQ(bandOfFrequency(20000.0), 32);
    EXPECT_EQ(bandOfFrequency(5.0), -1);
}

TEST(AcousticScene, BandEnergiesAdd)
{
    AcousticScene scene;
    scene.setSound(BroadbandNoise::flatPerBand(60.0));
    EXPECT_NEAR(scene.overallLevelDb(2, Weighting::Flat), 60.0 + 10.0 * std::log10(33.0), 0.05);
    // A tone of the same level as the background in its band adds 3 dB there.
    scene.setBackground(BroadbandNoise::flatPerBand(70.0));
    scene.setSound(PureTone{1000.0, 70.0});
    EXPECT_NEAR(scene.bandPowers(2).totalDb(19), 73.01, 0.05);
    // A-weighting takes the low bands of flat noise down.
    scene.setSound(Silence{});
    EXPECT_LT(scene.overallLevelDb(2, Weighting::A), scene.overallLevelDb(2, Weighting::Flat) - 1.0);
}

TEST(AcousticScene, SilenceShowsAGainDependentFloorAndLoudSoundsOverload)
{
    AcousticScene scene;
    EXPECT_NEAR(scene.bandPowers(2).totalDb(19), AcousticScene::noiseFloorBandDb(2), 1e-9);
    EXPECT_LT(AcousticScene::noiseFloorBandDb(5), AcousticScene::noiseFloorBandDb(2) - 15.0);
    scene.setSound(PureTone{1000.0, 110.0});
    EXPECT_FALSE(scene.isOverloaded(2));
    EXPECT_TRUE(scene.isOverloaded(5));
}

TEST(AcousticScene, WhiteNoiseIsFlatAcrossFftLines)
{
    AcousticScene scene;
    scene.setSound(BroadbandNoise::white(65.0));
    const FftSpectrum spectrum = scene.fftSpectrum(10000.0, 2);
    ASSERT_EQ(spectrum.linePower.size(), 400u);
    const double at1k = spectrum.lineDb(40);
    for (int line = 10; line <= 200; ++line)
        ASSERT_NEAR(spectrum.lineDb(line), at1k, 0.2) << line;
}

TEST(AcousticScene, PulseAndFmAnalysis)
{
    AcousticScene scene;
    PureTone tone{1000.0, 90.0};
    tone.pulse = PulseEnvelope{20.0, 50.0, 200.0, 250.0, -15.0};
    scene.setSound(tone);
    PulseFmAnalysis analysis = scene.pulseFmAnalysis(2);
    EXPECT_TRUE(analysis.pulsed);
    EXPECT_DOUBLE_EQ(analysis.plateauMs, 165.0);
    EXPECT_TRUE(analysis.ratioFailed); // only 15 dB between on and off
    EXPECT_DOUBLE_EQ(analysis.highestHz, 0.0);

    tone.pulse.reset();
    tone.fm = FrequencyModulation{8.0, 20.0};
    scene.setSound(tone);
    analysis = scene.pulseFmAnalysis(2);
    EXPECT_FALSE(analysis.pulsed);
    EXPECT_DOUBLE_EQ(analysis.highestHz, 1100.0);
    EXPECT_DOUBLE_EQ(analysis.lowestHz, 900.0);
    EXPECT_DOUBLE_EQ(analysis.rateHz, 8.0);
}

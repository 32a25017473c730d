#include "sim/SimulatedAudiometer.h"

#include "meter/MeterConnection.h"
#include "meter/StableSpectrum.h"
#include "platform/Clock.h"
#include "sim/BuiltInSimulator.h"
#include "sim/SimulatedTechnician.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace tonva;

namespace {

constexpr int kSupraAural = 0;
constexpr int kLeft = 0;
constexpr int kRight = 1;

// The dials as these tests write them: transducer and ear by number, -1 for none.
Stimulus dials(int transducer, int ear, const QString &signal, double hz, double dial)
{
    Stimulus set{std::nullopt, std::nullopt, signal, hz, dial};
    if (transducer >= 0)
        set.transducer = static_cast<TransducerType>(transducer);
    if (ear >= 0)
        set.ear = static_cast<Ear>(ear);
    return set;
}

int indexOf(double hz)
{
    for (int i = 0; i < meter::kTestFrequencyCount; ++i) {
        if (meter::kTestFrequencies[static_cast<std::size_t>(i)] == hz)
            return i;
    }
    return -1;
}

// TDH 39 earphones in their coupler, with a microphone whose response is far from flat, so a chain
// that forgot either term would show it.
AudiometerCoupling tdh39Coupling()
{
    AudiometerCoupling coupling;
    const std::pair<double, double> retspl[] = {{125, 45},   {250, 25.5},  {500, 11.5}, {750, 8},
                                                {1000, 7},   {1500, 6.5},  {2000, 9},   {3000, 10},
                                                {4000, 9.5}, {6000, 15.5}, {8000, 13}};
    TransducerCoupling &supra = coupling.transducers[kSupraAural];
    for (const auto &[hz, level] : retspl)
        supra.referenceDb[static_cast<std::size_t>(indexOf(hz))] = level;
    for (int i = 0; i < meter::kTestFrequencyCount; ++i)
        supra.correctionDb[static_cast<std::size_t>(i)] = -1.5 + 0.1 * i;
    for (int i = 0; i <= 24; ++i)
        coupling.narrowBandCorrectionDb[static_cast<std::size_t>(i)] = i < 12 ? 4.0 : 6.0;
    coupling.speechCorrectionDb = 12.5;
    return coupling;
}

AudiometerProfile shipped(const char *name)
{
    QString error;
    const std::optional<AudiometerProfile> profile = AudiometerProfile::load(QLatin1String(name), &error);
    EXPECT_TRUE(profile) << qPrintable(error);
    return profile.value_or(AudiometerProfile{});
}

double powerSumDb(const BandLevels &levels)
{
    double power = 0.0;
    for (const double level : levels)
        power += std::pow(10.0, level / 10.0);
    return 10.0 * std::log10(power);
}

// The host's side of a level measurement: connected to the built-in meter, reading stable spectra
// exactly as a measurement page does.
struct HostBench
{
    explicit HostBench(const AudiometerProfile &profile)
        : simulator(clock), scene(simulator.scene()), audiometer(scene, profile, tdh39Coupling()),
          technician(audiometer), connection(simulator.portFactory(), clock, technician)
    {
        EXPECT_EQ(connection.Connect(1, 115200), 0);
        calOffset = static_cast<float>(connection.link()->GetCalOffset());
    }

    // The host's hearing-level deviation: band level, less the corrections and the reference, less the dial.
    double measuredDeviation(int ear, double hz, double dial)
    {
        const Stimulus stimulus = dials(kSupraAural, ear, QStringLiteral("tone"), hz, dial);
        EXPECT_EQ(technician.askToSet(QStringLiteral("Set"), stimulus), Answer::Ok);
        const int f = indexOf(hz);
        const int band = meter::bandOfTestFrequency(f);
        meter::BandLevels levels{};
        const int status = ReadStableSpectrum(*connection.link(), *connection.fileList(), band, calOffset,
                                              levels, nullptr, {}, 1.0, 200);
        EXPECT_EQ(status, 0);
        const TransducerCoupling &path = audiometer.coupling().transducers[kSupraAural];
        const auto i = static_cast<std::size_t>(f);
        return levels[static_cast<std::size_t>(band)] - path.correctionDb[i] - path.referenceDb[i] - dial;
    }

    VirtualClock clock;
    BuiltInSimulator simulator;
    LocalSceneDriver scene;
    SimulatedAudiometer audiometer;
    SimulatedTechnician technician;
    MeterConnection connection;
    float calOffset = 0.0f;
};

} // namespace

TEST(SimulatedAudiometer, HostReadsBackTheProfileErrorThroughTheMeter)
{
    const AudiometerProfile good = shipped("good");
    HostBench bench(good);
    for (const int ear : {kLeft, kRight}) {
        for (const double hz : {125.0, 250.0, 1000.0, 1500.0, 4000.0, 6000.0, 8000.0}) {
            const double expected = good.levelError(kSupraAural, ear, hz);
            EXPECT_NEAR(bench.measuredDeviation(ear, hz, 70.0), expected, 0.1)
                << "ear " << ear << " at " << hz;
            EXPECT_LE(std::abs(expected), 1.0);
        }
    }
}

TEST(SimulatedAudiometer, FaultyLevelShowsOnlyOnTheRightEarAt4000Hz)
{
    HostBench bench(shipped("faulty"));
    EXPECT_NEAR(bench.measuredDeviation(kRight, 4000.0, 60.0), 3.5, 0.1);
    EXPECT_NEAR(bench.measuredDeviation(kLeft, 4000.0, 60.0), 0.8, 0.1);
    EXPECT_NEAR(bench.measuredDeviation(kRight, 3000.0, 60.0), -0.2, 0.1);
}

TEST(SimulatedAudiometer, FaultyDiffersFromGoodExactlyWhereTheFaultsWereInjected)
{
    AcousticScene unused;
    LocalSceneDriver driver(unused);
    const SimulatedAudiometer good(driver, shipped("good"), tdh39Coupling());
    const SimulatedAudiometer faulty(driver, shipped("faulty"), tdh39Coupling());

    int differences = 0;
    for (int transducer = 0; transducer < AudiometerCoupling::kTransducerTypes; ++transducer) {
        for (int ear = 0; ear <= 2; ++ear) {
            for (const double hz : meter::kTestFrequencies) {
                for (const char *signal : {"tone", "FM", "pulsed", "narrow band"}) {
                    const Stimulus stimulus = dials(transducer, ear, QLatin1String(signal), hz, 60.0);
                    const Sound a = *good.soundFor(stimulus);
                    const Sound b = *faulty.soundFor(stimulus);
                    if (const auto *toneA = std::get_if<PureTone>(&a)) {
                        const PureTone &toneB = std::get<PureTone>(b);
                        const bool level = toneA->splDb != toneB.splDb;
                        const bool frequency = toneA->frequencyHz != toneB.frequencyHz;
                        const bool fm =
                            toneA->fm && toneA->fm->deviationPercent != toneB.fm->deviationPercent;
                        if (level || frequency || fm)
                            ++differences;
                        EXPECT_EQ(level, transducer == kSupraAural && ear == kRight && hz == 4000.0) << hz;
                        EXPECT_EQ(frequency, hz == 2000.0) << hz;
                        EXPECT_EQ(fm, hz == 1000.0 && toneA->fm) << hz;
                        if (level) {
                            EXPECT_NEAR(toneB.splDb - toneA->splDb, 3.5 - -0.4, 1e-9);
                        }
                        if (frequency) {
                            EXPECT_DOUBLE_EQ(toneB.frequencyHz, 2030.0);
                        }
                        if (fm) {
                            EXPECT_DOUBLE_EQ(toneB.fm->deviationPercent, 12.0);
                        }
                    } else {
                        EXPECT_EQ(std::get<BroadbandNoise>(a).bandLevels,
                                  std::get<BroadbandNoise>(b).bandLevels);
                    }
                }
            }
        }
    }
    EXPECT_GT(differences, 0);
}

TEST(SimulatedAudiometer, FmAndFrequencyFaultsReachTheMetersAnalysis)
{
    AcousticScene scene;
    LocalSceneDriver driver(scene);
    SimulatedAudiometer audiometer(driver, shipped("faulty"), tdh39Coupling());

    ASSERT_TRUE(audiometer.apply(dials(kSupraAural, kLeft, QStringLiteral("FM"), 1000.0, 90.0)));
    PulseFmAnalysis fm = scene.pulseFmAnalysis(2);
    ASSERT_TRUE(fm.modulated);
    EXPECT_NEAR((fm.highestHz - fm.lowestHz) / fm.carrierHz * 100.0, 12.0, 0.05);
    EXPECT_NEAR(fm.rateHz, 5.0, 0.01);

    ASSERT_TRUE(audiometer.apply(dials(kSupraAural, kLeft, QStringLiteral("FM"), 2000.0, 90.0)));
    fm = scene.pulseFmAnalysis(2);
    EXPECT_NEAR((fm.highestHz - fm.lowestHz) / fm.carrierHz * 100.0, 10.0, 0.05);
    EXPECT_NEAR(fm.carrierHz, 2030.0, 0.5);

    ASSERT_TRUE(audiometer.apply(dials(kSupraAural, kRight, QStringLiteral("tone"), 2000.0, 80.0)));
    EXPECT_NEAR(scene.fundamental(5000.0, 2).frequencyHz, 2030.0, 0.5);
    EXPECT_EQ(audiometer.channel(0).dialLevel, 80.0);
    EXPECT_TRUE(audiometer.channel(0).on);
}

TEST(SimulatedAudiometer, NoiseSignalsCarryTheirLevelInTheRightBands)
{
    AcousticScene scene;
    LocalSceneDriver driver(scene);
    AudiometerProfile profile;
    profile.narrowBandLevelErrorDb.set(1000.0, 1.5);
    profile.maskingNoiseShapeDb[0].set(4000.0, -6.0);
    SimulatedAudiometer audiometer(driver, profile, tdh39Coupling());
    const std::size_t f1k = static_cast<std::size_t>(indexOf(1000.0));
    const TransducerCoupling &path = audiometer.coupling().transducers[kSupraAural];

    // Narrow band: the centre band holds the whole calibrated level, its neighbours the skirt.
    ASSERT_TRUE(audiometer.apply(dials(kSupraAural, kRight, QStringLiteral("narrow band"), 1000.0, 50.0)));
    const auto &nb = std::get<BroadbandNoise>(scene.sound()).bandLevels;
    const double centre = 50.0 + path.referenceDb[f1k] + 6.0 + 1.5 + path.correctionDb[f1k];
    EXPECT_DOUBLE_EQ(nb[meter::kBand1kHz], centre);
    EXPECT_DOUBLE_EQ(nb[meter::kBand1kHz + 1], centre + profile.narrowBandSkirtDb);
    EXPECT_LT(nb[meter::kBand1kHz + 2], 0.0);
    EXPECT_TRUE(audiometer.channel(1).on);
    EXPECT_FALSE(audiometer.channel(0).on);

    // Speech and masking noise spread their overall level over the audiometric bands.
    ASSERT_TRUE(audiometer.apply(dials(kSupraAural, kRight, QStringLiteral("speech"), 0.0, 40.0)));
    const auto &speech = std::get<BroadbandNoise>(scene.sound()).bandLevels;
    EXPECT_NEAR(powerSumDb(speech), 40.0 + path.referenceDb[f1k] + 12.5 + path.correctionDb[f1k], 1e-9);

    ASSERT_TRUE(audiometer.apply(dials(kSupraAural, kRight, QStringLiteral("broadband noise"), 0.0, 40.0)));
    const auto &masking = std::get<BroadbandNoise>(scene.sound()).bandLevels;
    EXPECT_NEAR(powerSumDb(masking), 40.0 + path.referenceDb[f1k] + path.correctionDb[f1k], 1e-9);
    // White noise rises with the band's width; the shape takes its 6 dB off that.
    EXPECT_NEAR(masking[25] - masking[19], 10.0 * std::log10(bandCentreHz(25) / bandCentreHz(19)) - 6.0, 1e-9);
}

TEST(SimulatedAudiometer, MaskingNoiseLevelIsPerSourceAndAShapeWithoutSourcesBendsThemAll)
{
    AcousticScene scene;
    LocalSceneDriver driver(scene);
    const std::optional<AudiometerProfile> profile = AudiometerProfile::fromJson(
        R"({"maskingNoiseLevelErrorDb": {"white": 0.5, "tapeB": 2.0}, "maskingNoiseShapeDb": {"5000": -6.5}})");
    ASSERT_TRUE(profile);
    SimulatedAudiometer audiometer(driver, *profile, tdh39Coupling());
    std::array<double, 3> overall{};
    for (const SignalSource source : {SignalSource::Internal, SignalSource::TapeCdA, SignalSource::TapeCdB}) {
        Stimulus noise = dials(kSupraAural, kLeft, QStringLiteral("white noise"), 0.0, 70.0);
        noise.source = source;
        ASSERT_TRUE(audiometer.apply(noise));
        overall[static_cast<std::size_t>(source)] = powerSumDb(std::get<BroadbandNoise>(scene.sound()).bandLevels);
        // On the meter's 25 Hz lines white noise lies level but for the bent band.
        const FftSpectrum lines = scene.fftSpectrum(10000.0, 2);
        EXPECT_NEAR(lines.lineDb(10) - lines.lineDb(40), 0.0, 0.05);
        EXPECT_NEAR(lines.lineDb(190) - lines.lineDb(40), -6.5, 0.05);
    }
    EXPECT_NEAR(overall[2] - overall[0], 1.5, 1e-9);
    EXPECT_NEAR(overall[1] - overall[0], -0.5, 1e-9);
}

TEST(SimulatedAudiometer, ToneOffLeakageAndCrossTalk)
{
    AcousticScene scene;
    LocalSceneDriver driver(scene);
    AudiometerProfile profile;
    SimulatedAudiometer clean(driver, profile, tdh39Coupling());
    ASSERT_TRUE(clean.apply(dials(kSupraAural, kLeft, QStringLiteral("tone"), 1000.0, 60.0)));
    const double onLevel = std::get<PureTone>(scene.sound()).splDb;
    ASSERT_TRUE(clean.apply(dials(-1, -1, QStringLiteral("off"), 0.0, 0.0)));
    EXPECT_TRUE(std::holds_alternative<Silence>(scene.sound()));

    profile.toneOffLeakageDb = -70.0;
    profile.crossTalkDb = -80.0;
    SimulatedAudiometer leaky(driver, profile, tdh39Coupling());
    ASSERT_TRUE(leaky.apply(dials(kSupraAural, kLeft, QStringLiteral("tone"), 1000.0, 60.0)));
    ASSERT_TRUE(leaky.apply(dials(-1, -1, QStringLiteral("off"), 0.0, 0.0)));
    EXPECT_DOUBLE_EQ(std::get<PureTone>(scene.sound()).splDb, onLevel - 70.0);
    EXPECT_FALSE(leaky.channel(0).on);

    // The right earphone on the coupler hears the left channel only through the cross-talk.
    leaky.setEarOnCoupler(Ear::Right);
    ASSERT_TRUE(leaky.apply(dials(kSupraAural, kLeft, QStringLiteral("tone"), 1000.0, 60.0)));
    EXPECT_DOUBLE_EQ(std::get<PureTone>(scene.sound()).splDb, onLevel - 80.0);
    ASSERT_TRUE(leaky.apply(dials(kSupraAural, kRight, QStringLiteral("tone"), 1000.0, 60.0)));
    EXPECT_DOUBLE_EQ(std::get<PureTone>(scene.sound()).splDb, onLevel);
}

TEST(SimulatedAudiometer, RefusesWhatItCannotProduceAndStopsAtItsMaximum)
{
    AcousticScene scene;
    LocalSceneDriver driver(scene);
    SimulatedAudiometer audiometer(driver, AudiometerProfile{}, tdh39Coupling());
    ASSERT_TRUE(audiometer.apply(dials(kSupraAural, kLeft, QStringLiteral("tone"), 1000.0, 60.0)));
    const double before = std::get<PureTone>(scene.sound()).splDb;

    QString error;
    EXPECT_FALSE(audiometer.apply(dials(kSupraAural, kLeft, QStringLiteral("chirp"), 1000.0, 60.0), &error));
    EXPECT_TRUE(error.contains(QLatin1String("chirp")));
    EXPECT_FALSE(audiometer.apply(dials(kSupraAural, kLeft, QStringLiteral("tone"), 1234.0, 60.0), &error));
    EXPECT_TRUE(error.contains(QLatin1String("1234")));
    EXPECT_FALSE(audiometer.apply(dials(-1, kLeft, QStringLiteral("tone"), 1000.0, 60.0), &error));
    EXPECT_FALSE(audiometer.apply(dials(5, kLeft, QStringLiteral("tone"), 1000.0, 60.0), &error));
    EXPECT_DOUBLE_EQ(std::get<PureTone>(scene.sound()).splDb, before);
    EXPECT_EQ(audiometer.channel(0).frequencyHz, 1000.0);

    // Asked for more than it has, the dial stops at the audiometer's maximum.
    ASSERT_TRUE(audiometer.apply(dials(kSupraAural, kLeft, QStringLiteral("FM"), 125.0, 90.0)));
    EXPECT_EQ(audiometer.channel(0).dialLevel, 70.0);
    const double correction = audiometer.coupling().transducers[kSupraAural].correctionDb[2];
    EXPECT_DOUBLE_EQ(std::get<PureTone>(scene.sound()).splDb, 70.0 + 45.0 + correction);
    // A prompt that rounds the dial frequency (31.5 Hz as 32) still meets that frequency's maximum.
    ASSERT_TRUE(audiometer.apply(dials(kSupraAural, kLeft, QStringLiteral("tone"), 32.0, 90.0)));
    EXPECT_EQ(audiometer.channel(0).dialLevel, 70.0);
}

TEST(AudiometerProfile, EarTablesFallBackToAnyEarFrequencyByFrequency)
{
    QString error;
    const auto profile = AudiometerProfile::fromJson(R"({"levelErrorDb": {"insert": {
        "right": {"4000": 2.0}, "left": 0.7, "any": {"default": 0.1, "1000": -0.3}}}})",
                                                     &error);
    ASSERT_TRUE(profile) << qPrintable(error);
    const int insert = 3;
    EXPECT_DOUBLE_EQ(profile->levelError(insert, kRight, 4000.0), 2.0);
    EXPECT_DOUBLE_EQ(profile->levelError(insert, kRight, 1000.0), -0.3);
    EXPECT_DOUBLE_EQ(profile->levelError(insert, kRight, 500.0), 0.1);
    EXPECT_DOUBLE_EQ(profile->levelError(insert, kLeft, 1000.0), 0.7);
    EXPECT_DOUBLE_EQ(profile->levelError(insert, 2, 1000.0), -0.3);
    EXPECT_DOUBLE_EQ(profile->levelError(kSupraAural, kRight, 4000.0), 0.0);
    EXPECT_DOUBLE_EQ(profile->fmDeviationPercent.at(1000.0), 10.0);
}

TEST(AudiometerProfile, HarmonicsByTransducerAndFrequencyAndPulseByEar)
{
    const std::optional<AudiometerProfile> profile = AudiometerProfile::fromJson(R"({
        "harmonicsDb": {"default": [-50, -60, -70, -80], "supra-aural": {"1000": [-31, -60, -70, -80]},
                        "bone": [-40, -45, -50, -55]},
        "pulse": {"left": {"riseMs": 15}, "right": {"fallMs": 45}}})");
    ASSERT_TRUE(profile);
    const int supraAural = 0;
    const int bone = 1;
    EXPECT_EQ(profile->harmonicsDb.at(supraAural, 1000.0)[0], -31.0);
    EXPECT_EQ(profile->harmonicsDb.at(supraAural, 2000.0)[0], -50.0);
    EXPECT_EQ(profile->harmonicsDb.at(bone, 1000.0)[0], -40.0);
    EXPECT_EQ(profile->pulseOf(0).riseMs, 15.0);
    EXPECT_EQ(profile->pulseOf(0).fallMs, 35.0);
    EXPECT_EQ(profile->pulseOf(1).riseMs, 35.0);
    EXPECT_EQ(profile->pulseOf(1).fallMs, 45.0);
    // The old single list and single envelope still mean every transducer and both ears.
    const std::optional<AudiometerProfile> old =
        AudiometerProfile::fromJson(R"({"harmonicsDb": [-55, -62, -70, -78], "pulse": {"riseMs": 25}})");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->harmonicsDb.at(bone, 250.0)[3], -78.0);
    EXPECT_EQ(old->pulseOf(1).riseMs, 25.0);
}

TEST(AudiometerProfile, RefusesMistakesWithTheKeyNamed)
{
    const std::pair<const char *, const char *> cases[] = {
        {R"({"levelErorDb": {}})", "levelErorDb"},
        {R"({"levelErrorDb": {"headphones": {}}})", "headphones"},
        {R"({"frequencyErrorPercent": {"4k": 1.0}})", "4k"},
        {R"({"fmRateHz": "fast"})", "fmRateHz"},
        {R"({"harmonicsDb": [-50, -60]})", "harmonicsDb"},
        {R"({"pulse": {"onMs": -5}})", "pulse.onMs"},
        {R"({"harmonicsDb": {"bone": {"1000": [-50]}}})", "harmonicsDb.bone.1000"},
        {R"({"harmonicsDb": {"headphones": [-50, -60, -70, -80]}})", "headphones"},
        {R"({"pulse": {"left": {"riseMs": -1}}})", "pulse.left.riseMs"},
        {R"({"pulse": {"left": {}, "centre": {}}})", "centre"},
        {R"({"fmRateHz": )", "offset"},
        {R"({"maskingNoiseLevelErrorDb": {"tapeC": 1.0}})", "tapeC"},
        {R"({"maskingNoiseShapeDb": {"tapeA": {"5000": -6.5}, "4000": 1.0}})", "4000"},
    };
    for (const auto &[json, named] : cases) {
        QString error;
        EXPECT_FALSE(AudiometerProfile::fromJson(json, &error)) << json;
        EXPECT_TRUE(error.contains(QLatin1String(named))) << json << " -> " << qPrintable(error);
    }
    QString error;
    EXPECT_FALSE(AudiometerProfile::load(QStringLiteral("excellent"), &error));
    EXPECT_TRUE(error.contains(QLatin1String("good, faulty"))) << qPrintable(error);
}

namespace tonva::test {
namespace {

TEST(SimulatedAudiometer, AttenuatorMinimumCrossTalkAndToneOffComeFromTheProfileAndTheStimulus)
{
    QString error;
    const std::optional<AudiometerProfile> profile = AudiometerProfile::fromJson(
        R"({"attenuatorErrorDb": {"default": 0, "110": -1.5, "-5": 2}, "minDialLevelDb": -20,
            "crossTalkDb": {"leftToRight": -60, "rightToLeft": -85}, "toneOffLeakageDb": -70})",
        &error);
    ASSERT_TRUE(profile) << error.toStdString();
    AcousticScene scene;
    LocalSceneDriver driver(scene);
    SimulatedAudiometer audiometer(driver, *profile, tdh39Coupling());
    const auto heard = [&](const Stimulus &stimulus) {
        EXPECT_TRUE(audiometer.apply(stimulus));
        return std::get<PureTone>(scene.sound()).splDb;
    };
    const double at100 = heard(dials(kSupraAural, kLeft, QStringLiteral("tone"), 1000.0, 100.0));
    EXPECT_NEAR(heard(dials(kSupraAural, kLeft, QStringLiteral("tone"), 1000.0, 110.0)), at100 + 8.5, 1e-9);
    EXPECT_NEAR(heard(dials(kSupraAural, kLeft, QStringLiteral("tone"), 1000.0, -5.0)), at100 - 103.0, 1e-9);
    Stimulus minimum = dials(kSupraAural, kLeft, QStringLiteral("tone"), 1000.0, 100.0);
    minimum.audiometerMinimum = true;
    EXPECT_NEAR(heard(minimum), at100 - 120.0, 1e-9);

    // The earphone named on the coupler hears the other channel through that direction's leak.
    Stimulus rightDriven = dials(kSupraAural, kRight, QStringLiteral("tone"), 1000.0, 100.0);
    rightDriven.earOnCoupler = Ear::Left;
    const double rightOn = at100 + profile->levelError(0, kRight, 1000.0) - profile->levelError(0, kLeft, 1000.0);
    EXPECT_NEAR(heard(rightDriven), rightOn - 60.0, 1e-9);
    Stimulus leftDriven = dials(kSupraAural, kLeft, QStringLiteral("tone"), 1000.0, 100.0);
    leftDriven.earOnCoupler = Ear::Right;
    EXPECT_NEAR(heard(leftDriven), at100 - 85.0, 1e-9);

    // A tone set but switched off leaks what the stimulus sets, not what was played before.
    Stimulus off = dials(kSupraAural, kLeft, QStringLiteral("tone"), 1000.0, 80.0);
    off.earOnCoupler = Ear::Left;
    off.toneOff = true;
    EXPECT_NEAR(heard(off), at100 - 20.0 - 70.0, 1e-9);
    EXPECT_FALSE(audiometer.channel(0).on);

    for (const char *bad : {R"({"crossTalkDb": {"leftToRigth": -60}})", R"({"attenuatorErrorDb": {"loud": 1}})"}) {
        EXPECT_FALSE(AudiometerProfile::fromJson(bad, &error)) << bad;
        EXPECT_FALSE(error.isEmpty());
    }
}

} // namespace
} // namespace tonva::test

TEST(SimulatedAudiometer, SpeechSourcesAndLoudspeakersCarryTheLevelTheHostJudges)
{
    AcousticScene scene;
    LocalSceneDriver driver(scene);
    QString error;
    const std::optional<AudiometerProfile> profile = AudiometerProfile::fromJson(
        R"({"speechLevelErrorDb": {"tapeB": 3.6}, "levelErrorDb": {"speakers": {"both": 1.0}}})", &error);
    ASSERT_TRUE(profile) << qPrintable(error);
    AudiometerCoupling coupling = tdh39Coupling();
    PerFrequencyDb at45{};
    at45.fill(20.0);
    coupling.speakerReference45Db = at45;
    coupling.speakerReferenceBinauralDb = PerFrequencyDb{};
    SimulatedAudiometer audiometer(driver, *profile, coupling);
    const std::size_t f1k = static_cast<std::size_t>(indexOf(1000.0));
    const double speechAt1k = 50.0 + coupling.transducers[kSupraAural].referenceDb[f1k] + 12.5 +
                              coupling.transducers[kSupraAural].correctionDb[f1k];

    // Tape/CD B alone carries its error, as a 1000 Hz calibration tone; speech noise is judged on the
    // meter's C-weighted overall level.
    Stimulus speech = dials(kSupraAural, kLeft, QStringLiteral("speech"), 0.0, 50.0);
    for (const auto &[source, sourceError] : {std::pair{SignalSource::Microphone, 0.0}, {SignalSource::TapeCdB, 3.6}}) {
        speech.source = source;
        ASSERT_TRUE(audiometer.apply(speech));
        const PureTone &tone = std::get<PureTone>(scene.sound());
        EXPECT_EQ(tone.frequencyHz, 1000.0);
        EXPECT_DOUBLE_EQ(tone.splDb, speechAt1k + sourceError);
    }
    speech.source = SignalSource::SpeechNoise;
    ASSERT_TRUE(audiometer.apply(speech));
    EXPECT_NEAR(scene.overallLevelDb(2, Weighting::C), speechAt1k, 0.01);
    EXPECT_GT(scene.overallLevelDb(2, Weighting::Flat) - scene.overallLevelDb(2, Weighting::C), 0.0);

    // Loudspeakers: the reference of the incidence angle, the binaural one with its own error, and a
    // narrow band whose three bands together hold the level.
    Stimulus speaker = dials(2, kLeft, QStringLiteral("tone"), 1000.0, 40.0);
    speaker.incidenceDegrees = 45;
    ASSERT_TRUE(audiometer.apply(speaker));
    EXPECT_DOUBLE_EQ(std::get<PureTone>(scene.sound()).splDb, 60.0);
    speaker.ear = Ear::Both;
    speaker.binaural = true;
    ASSERT_TRUE(audiometer.apply(speaker));
    EXPECT_DOUBLE_EQ(std::get<PureTone>(scene.sound()).splDb, 41.0);
    speaker.signal = QStringLiteral("narrow band");
    ASSERT_TRUE(audiometer.apply(speaker));
    const BandLevels &nb = std::get<BroadbandNoise>(scene.sound()).bandLevels;
    EXPECT_NEAR(powerSumDb(nb), 40.0 + coupling.narrowBandCorrectionDb[f1k], 1e-9);
}

#include "SignalQualityBench.h"
#include "measure/SoundFieldTest.h"
#include "model/FixedText.h"

#include <gtest/gtest.h>

namespace tonva::test {
namespace {

constexpr int kSpeakers = static_cast<int>(TransducerType::Speakers);

// Two loudspeakers and an open-air microphone whose response rises towards the top, so a page that
// forgot to take it off would read high there.
struct SoundFieldBench : SignalQualityBench
{
    explicit SoundFieldBench(const QString &profile) : SignalQualityBench(profile, {1000, 4000, 6000})
    {
        TestSetup &setup = record->setup;
        setFixedText(setup.leftSpeaker.model, "FS 20");
        setFixedText(setup.rightSpeaker.model, "FS 20");
        setFixedText(setup.couplerMicrophone[0].identity.serialNumber, "F1");
        for (int f = 0; f < kFrequencyCount; ++f)
            setup.couplerMicrophone[0].response[f] = 0.1f * static_cast<float>(meter::bandOfTestFrequency(f));
        bench->audiometer().setCoupling(demo::couplingFor(setup));
        registerSoundFieldPages(pages);
    }

    int measure(MeasurementEntry entry, bool binaural, Ear ear = Ear::Left)
    {
        const MeasurementServices services{bench->technician(), bench->clock(), preferences};
        run = std::make_unique<MeasurementRun>(services, pages, host, *record);
        run->AttachMeter(meter->link(), meter->fileList());
        run->Open(entry, TransducerType::Speakers, ear);
        run->ShowSoundFieldPage(binaural);
        const int status = run->MeasureAll();
        run->Ok();
        return status;
    }

    double reference(int f, MeasurementKind kind, int incidence, bool binaural) const
    {
        ReferenceQuery query;
        query.transducer = TransducerType::Speakers;
        query.frequencyIndex = f;
        query.kind = kind;
        query.incidence = incidence;
        query.binaural = binaural;
        return GetReferenceLevel(record->setup, query);
    }

    PageRegistry pages;
};

// Warble tones on one loudspeaker at 45 degrees and on both, and narrow-band noise: the good
// audiometer passes every row at the level it put out; the faulty loudspeakers fail exactly the
// 4000 Hz warble rows, while their narrow band is unaffected.
TEST(SoundFieldTruth, GoodPassesAndFaultySoundFieldFailsOnlyTheWarbleAt4000Hz)
{
    for (const char *profile : {"good", "faulty-soundfield"}) {
        SCOPED_TRACE(profile);
        const bool faulty = QLatin1String(profile) == QLatin1String("faulty-soundfield");
        SoundFieldBench bench{QLatin1String(profile)};
        AudTestRecord &record = *bench.record;
        record.toneLevel[0][kSpeakers].incidence = 1;
        ASSERT_EQ(bench.measure(MeasurementEntry::HearingLevel, false), measure::kDone);
        ASSERT_EQ(bench.measure(MeasurementEntry::HearingLevel, true), measure::kDone);
        ASSERT_EQ(bench.measure(MeasurementEntry::NarrowBandLevel, false), measure::kDone);

        struct Block
        {
            const float *measured;
            const std::int16_t *dial;
            MeasurementKind kind;
            int incidence;
            bool binaural;
        };
        const Block blocks[] = {
            {record.toneLevel[0][kSpeakers].measuredLevel, record.toneLevel[0][kSpeakers].dialLevel,
             MeasurementKind::HearingLevel, 1, false},
            {record.toneLevelBinaural.measuredLevel, record.toneLevelBinaural.dialLevel, MeasurementKind::HearingLevel,
             0, true},
            {record.narrowBand[0][kSpeakers].measuredLevel, record.narrowBand[0][kSpeakers].dialLevel,
             MeasurementKind::NarrowBandLevel, 0, false},
        };
        for (const Block &block : blocks) {
            for (const double hertz : {1000.0, 4000.0, 6000.0}) {
                const int f = frequencyIndex(hertz);
                const bool noise = block.kind == MeasurementKind::NarrowBandLevel;
                const double error = noise ? (hertz == 4000.0 ? 1.5 : 0.5) : (faulty && hertz == 4000.0 ? 3.4 : -0.5);
                EXPECT_NEAR(block.measured[f], block.dial[f] + bench.reference(f, block.kind, block.incidence, block.binaural) + error, 0.1)
                    << hertz << " Hz " << (noise ? "NB" : block.binaural ? "binaural" : "45 degrees");
            }
        }
        for (const bool binaural : {false, true}) {
            SoundFieldTest page(MeasurementServices{bench.bench->technician(), bench.bench->clock(), bench.preferences},
                                binaural);
            page.Initialise({&record, TransducerType::Speakers, Ear::Left, MeasurementEntry::HearingLevel});
            const PageTable table = page.List();
            const std::vector<int> frequencies = page.rowFrequencies();
            for (int row = 0; row < static_cast<int>(frequencies.size()); ++row)
                EXPECT_EQ(table.verdict(row), faulty && frequencies[row] == frequencyIndex(4000.0) ? ResultStatus::Failed
                                                                                                  : ResultStatus::Passed)
                    << row << (binaural ? " binaural" : " mono");
        }
        EXPECT_EQ(record.statusOf(MeasurementKind::HearingLevel, TransducerType::Speakers), faulty ? -1 : 1);
        EXPECT_EQ(record.statusOf(MeasurementKind::NarrowBandLevel, TransducerType::Speakers), 1);
        // The binaural prompts name no loudspeaker.
        const QStringList &said = bench.bench->technician().transcript();
        EXPECT_EQ(said.filter(QStringLiteral("Set  ***FM*** 70 dBHL at 4000 Hz")).size(), 1) << said.join('\n').toStdString();
    }
}

TEST(SoundFieldEvaluation, ThreeBandsAndTolerancesBySignalAndFrequency)
{
    meter::BandLevels levels{};
    levels.fill(-100.0f);
    levels[18] = levels[19] = levels[20] = 60.0f;
    EXPECT_NEAR(soundfield::threeBandLevel(levels, 19), 64.77, 0.005);
    levels[0] = levels[1] = 60.0f;
    EXPECT_NEAR(soundfield::threeBandLevel(levels, 0), 63.01, 0.005) << "no band below the first";

    // One loudspeaker at 0 degrees; each row is the deviation from the dial at its frequency.
    SoundFieldBench bench{QStringLiteral("good")};
    bench.record->setup.frequencyAvailable[frequencyIndex(5000.0)] = 1;
    std::fill(std::begin(bench.record->toneLevel[1][kSpeakers].dialLevel), std::end(bench.record->toneLevel[1][kSpeakers].dialLevel), 60);
    std::fill(std::begin(bench.record->narrowBand[1][kSpeakers].dialLevel), std::end(bench.record->narrowBand[1][kSpeakers].dialLevel), 50);
    struct Row
    {
        MeasurementEntry entry;
        double hertz;
        double deviation;
        ResultStatus verdict;
    };
    const Row rows[] = {
        {MeasurementEntry::HearingLevel, 6000.0, -4.5, ResultStatus::Passed},
        {MeasurementEntry::HearingLevel, 5000.0, -4.5, ResultStatus::Failed},
        {MeasurementEntry::HearingLevel, 5000.0, 3.0, ResultStatus::Passed},
        {MeasurementEntry::NarrowBandLevel, 1000.0, 5.0, ResultStatus::Passed},
        {MeasurementEntry::NarrowBandLevel, 1000.0, -3.1, ResultStatus::Failed},
    };
    for (const Row &row : rows) {
        SoundFieldTest page(MeasurementServices{bench.bench->technician(), bench.bench->clock(), bench.preferences},
                            false);
        page.Initialise({bench.record.get(), TransducerType::Speakers, Ear::Right, row.entry});
        const int f = frequencyIndex(row.hertz);
        const bool noise = row.entry == MeasurementEntry::NarrowBandLevel;
        const MeasurementKind kind = noise ? MeasurementKind::NarrowBandLevel : MeasurementKind::HearingLevel;
        float &measured = noise ? bench.record->narrowBand[1][kSpeakers].measuredLevel[f]
                                : bench.record->toneLevel[1][kSpeakers].measuredLevel[f];
        const std::int16_t dial = noise ? bench.record->narrowBand[1][kSpeakers].dialLevel[f]
                                        : bench.record->toneLevel[1][kSpeakers].dialLevel[f];
        measured = static_cast<float>(dial + bench.reference(f, kind, 0, false) + row.deviation);
        const std::vector<int> frequencies = page.rowFrequencies();
        const int at = static_cast<int>(std::find(frequencies.begin(), frequencies.end(), f) - frequencies.begin());
        const PageTable table = page.List();
        EXPECT_EQ(table.verdict(at), row.verdict) << row.hertz << " Hz " << row.deviation;
        if (noise && row.verdict == ResultStatus::Failed) {
            EXPECT_TRUE(table.rows[at].value(1).startsWith('(')) << table.rows[at].value(1).toStdString();
        }
        measured = 0.0f;
    }
}

} // namespace
} // namespace tonva::test

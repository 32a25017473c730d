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
        return GetReferenceLevel(record->setup, {TransducerType::Speakers, f, kind, incidence, binaural});
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

        const MeasurementServices services{bench.bench->technician(), bench.bench->clock(), bench.preferences};
        for (const auto &[entry, binaural] : {std::pair{MeasurementEntry::HearingLevel, false},
                                              {MeasurementEntry::HearingLevel, true},
                                              {MeasurementEntry::NarrowBandLevel, false}}) {
            SoundFieldTest page(services, binaural);
            page.Initialise({&record, TransducerType::Speakers, Ear::Left, entry});
            const bool noise = entry == MeasurementEntry::NarrowBandLevel;
            const float *measured = noise ? record.narrowBand[0][kSpeakers].measuredLevel
                                    : binaural ? record.toneLevelBinaural.measuredLevel
                                               : record.toneLevel[0][kSpeakers].measuredLevel;
            const std::int16_t *dial = noise ? record.narrowBand[0][kSpeakers].dialLevel
                                       : binaural ? record.toneLevelBinaural.dialLevel
                                                  : record.toneLevel[0][kSpeakers].dialLevel;
            const PageTable table = page.List();
            const std::vector<int> frequencies = page.rowFrequencies();
            for (int row = 0; row < static_cast<int>(frequencies.size()); ++row) {
                const int f = frequencies[static_cast<std::size_t>(row)];
                const bool at4k = f == frequencyIndex(4000.0);
                const double error = noise ? (at4k ? 1.5 : 0.5) : (faulty && at4k ? 3.4 : -0.5);
                const MeasurementKind kind = noise ? MeasurementKind::NarrowBandLevel : MeasurementKind::HearingLevel;
                EXPECT_NEAR(measured[f], dial[f] + bench.reference(f, kind, page.incidence(), binaural) + error, 0.1)
                    << f << (noise ? " NB" : binaural ? " binaural" : " at 45 degrees");
                EXPECT_EQ(table.verdict(row), faulty && at4k && !noise ? ResultStatus::Failed : ResultStatus::Passed) << f;
            }
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

    // The right loudspeaker at 0 degrees, dial 60; each row is a deviation from the dial.
    SoundFieldBench bench{QStringLiteral("good")};
    AudTestRecord &record = *bench.record;
    record.setup.frequencyAvailable[frequencyIndex(5000.0)] = 1;
    const struct
    {
        bool noise;
        double hertz;
        double deviation;
        ResultStatus verdict;
    } rows[] = {{false, 6000.0, -4.5, ResultStatus::Passed}, {false, 5000.0, -4.5, ResultStatus::Failed},
                {false, 5000.0, 3.0, ResultStatus::Passed},  {true, 1000.0, 5.0, ResultStatus::Passed},
                {true, 1000.0, -3.1, ResultStatus::Failed}};
    for (const auto &row : rows) {
        SoundFieldTest page(MeasurementServices{bench.bench->technician(), bench.bench->clock(), bench.preferences}, false);
        page.Initialise({&record, TransducerType::Speakers, Ear::Right,
                         row.noise ? MeasurementEntry::NarrowBandLevel : MeasurementEntry::HearingLevel});
        const int f = frequencyIndex(row.hertz);
        float *measured = row.noise ? record.narrowBand[1][kSpeakers].measuredLevel : record.toneLevel[1][kSpeakers].measuredLevel;
        (row.noise ? record.narrowBand[1][kSpeakers].dialLevel : record.toneLevel[1][kSpeakers].dialLevel)[f] = 60;
        const MeasurementKind kind = row.noise ? MeasurementKind::NarrowBandLevel : MeasurementKind::HearingLevel;
        measured[f] = static_cast<float>(60 + bench.reference(f, kind, 0, false) + row.deviation);
        const std::vector<int> frequencies = page.rowFrequencies();
        const auto at = std::find(frequencies.begin(), frequencies.end(), f) - frequencies.begin();
        const PageTable table = page.List();
        EXPECT_EQ(table.verdict(static_cast<int>(at)), row.verdict) << row.hertz << " Hz " << row.deviation;
        // A failing narrow band shows its level in parentheses.
        EXPECT_EQ(table.rows[at].value(1).startsWith('('), row.noise && row.verdict == ResultStatus::Failed);
        measured[f] = 0.0f;
    }
}

} // namespace
} // namespace tonva::test

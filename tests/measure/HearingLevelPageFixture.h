#pragma once

#include "MeterRig.h"
#include "measure/HearingLevelTest.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <map>

namespace tonva::test {

// The hearing-level page on an open link to the built-in simulator, on virtual time. The scripted
// technician presents every stimulus the page asks for; the audiometer's output at a frequency is
// the dial level plus the reference level plus the error set for that frequency.
class HearingLevelPageFixture : public ::testing::Test, protected MeterRig
{
protected:
    HearingLevelPageFixture() { record = hearingLevelRecord({1000, 8000}); }

    void SetUp() override
    {
        m_timer.start();
        ASSERT_EQ(port.Open(), 0);
        technician.onStimulus([this](const Stimulus &stimulus) { present(stimulus); });
    }
    void TearDown() override { EXPECT_LT(m_timer.elapsed(), 5000) << "virtual-time path took real time"; }

    std::unique_ptr<HearingLevelTest> page(HearingLevelMode mode,
                                           TransducerType transducer = TransducerType::SupraAural,
                                           Ear ear = Ear::Left, Interaction *asking = nullptr)
    {
        auto test = std::make_unique<HearingLevelTest>(
            MeasurementServices{asking ? *asking : technician, clock, preferences});
        test->Initialise({record.get(), transducer, ear, measurementEntryOf(mode)});
        test->AttachMeter(&link, &files);
        return test;
    }

    void present(const Stimulus &stimulus)
    {
        const int f = frequencyIndex(stimulus.frequencyHz);
        PureTone tone;
        tone.frequencyHz = stimulus.frequencyHz * frequencyFactor;
        ReferenceQuery query;
        query.transducer = stimulus.transducer.value_or(TransducerType::SupraAural);
        query.frequencyIndex = f;
        query.kind = stimulus.signal == QLatin1String("narrow band") ? MeasurementKind::NarrowBandLevel
                                                                     : MeasurementKind::HearingLevel;
        tone.splDb =
            stimulus.dialLevel + GetReferenceLevel(record->setup, query) + levelError[stimulus.frequencyHz];
        if (stimulus.signal == QLatin1String("FM") && withModulation)
            tone.fm = FrequencyModulation{5.0, swingPercent};
        simulator.scene().setSound(tone);
    }

    std::map<double, double> levelError;
    double frequencyFactor = 1.0;
    bool withModulation = true;
    double swingPercent = 10.0;

private:
    QElapsedTimer m_timer;
};

} // namespace tonva::test

#pragma once

#include "measure/BandReading.h"
#include "measure/MeasurementPage.h"
#include "measure/PageRegistry.h"
#include "meter/KeySimulator.h"
#include "model/MeasurementResults.h"

#include <memory>
#include <vector>

namespace tonva {

namespace crosstalk {
constexpr double kMinimumDifferenceDb = 70.0;
constexpr double kToneOffAboveReferenceDb = 10.0;
constexpr int kDialLevel = 80;
// A tone-on level (or the tone-off marker) at or below this was never read.
constexpr float kNotMeasuredLimit = 10.0f;
constexpr float kToneOffTaken = 11.0f;

enum class Row
{
    LeftToRight = 0,
    RightToLeft = 1,
    OnOffRatio = 2,
};

// The list of a block judged at its test frequency; `result` is -1, 0 or 1 as a page's.
PageTable buildList(const CrossTalkResult &result, double referenceLevel, int *overall = nullptr);
double testFrequencyOf(const CrossTalkResult &result);
} // namespace crosstalk

// The cross-talk page's logic: at one test frequency, what a tone in one earphone of a pair gives in
// the other, and what a switched-off tone still gives, over five prompted steps with the coupler
// moved between the earphones.
class CrossTalkTest final : public MeasurementPage
{
public:
    explicit CrossTalkTest(const MeasurementServices &services);
    ~CrossTalkTest() override;

    int MeasureAll() override;
    int MeasureSelected(const QList<int> &rows) override;
    int Evaluate() const override;
    PageTable List() const override;

    // "Test Frequency:": the levels of another frequency say nothing about this one.
    void chooseFrequency(double hertz);

protected:
    void onMeterAttached() override;

private:
    enum class StepOutcome
    {
        Continue,
        Stop,
    };

    CrossTalkResult &block() const;
    int frequencyIndexOf() const;
    double referenceLevel() const;
    int prepare();
    StepOutcome runStep(int step);
    int runSteps(const std::vector<int> &steps);

    std::unique_ptr<BandReading> m_reading;
    SlmLink *m_readingLink = nullptr;
    KeySimulator m_keys;
};

void registerCrossTalkPage(PageRegistry &registry);

} // namespace tonva

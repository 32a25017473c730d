#pragma once

#include "measure/BandReading.h"
#include "measure/LinearityEvaluation.h"
#include "measure/MeasurementPage.h"
#include "measure/PageRegistry.h"

#include <memory>

namespace tonva {

// The linearity page's logic: the hearing-level attenuator of one transducer and side at one test
// frequency, read level by level a dial step apart, down from the maximum or up from the noise
// floor, and judged by step and by hearing level.
class LinearityTest final : public MeasurementPage
{
public:
    explicit LinearityTest(const MeasurementServices &services);
    ~LinearityTest() override;

    int MeasureAll() override;
    int MeasureSelected(const QList<int> &rows) override;
    int Evaluate() const override;
    PageTable List() const override;

    LinearityDirection direction() const { return m_direction; }
    void setDirection(LinearityDirection direction) { m_direction = direction; }
    // "Test Frequency:": readings of another frequency are cleared with the noise floor; for the
    // frequency already stored the technician is asked whether to keep them.
    void chooseFrequency(double hertz);
    // "Dial step:": the readings no longer lie on the new grid; the noise floor still holds.
    void chooseDialStep(int step);
    // "Max dBHL:" as typed: above the highest dial level it is that level; negative means 100.
    void setMaximumLevel(int typed);

    // The settings as the page's controls show them: unset fields at their working values.
    double testFrequency() const { return linearity::testFrequencyOf(block()); }
    int dialStep() const { return linearity::dialStepOf(block()); }
    int maximumLevel() const { return linearity::maximumLevelOf(block()); }
    // The frequencies the test set-up offers, lowest first.
    std::vector<double> offeredFrequencies() const;

    // The dial levels of List()'s rows; -1 for the noise-floor row.
    std::vector<int> rowLevels() const;

    // The number of tries a level gets before the technician is asked to move on.
    static constexpr int kTriesPerLevel = 5;

protected:
    void onInitialised() override;
    void onMeterAttached() override;
    int statusResult() const override;

private:
    enum class Outcome
    {
        Done,
        Ended, // the technician stopped the run
    };

    LinearityResult &block() const;
    void clearReadings();
    int frequencyIndexOf() const;
    double referenceLevel(const LinearityResult &result) const;
    int prepare();
    int readGain();
    Stimulus toneAt(int level) const;
    int readLevel(int level, Progress &progress, bool asNoiseFloor);
    Outcome measureNoiseFloor(bool *confirmed);
    Outcome measureLevel(int level, bool repeat);
    int runDown();
    int runUp();

    std::unique_ptr<BandReading> m_reading;
    SlmLink *m_readingLink = nullptr;
    LinearityDirection m_direction = LinearityDirection::Down;
    int m_gainIndex = -1;
    bool m_noiseFloorMeasured = false;
    bool m_lastAnswerOk = true;
};

void registerLinearityPage(PageRegistry &registry);

} // namespace tonva

#pragma once

#include "measure/MeasurementPage.h"
#include "measure/PageRegistry.h"
#include "meter/KeySimulator.h"
#include "meter/MeterRecords.h"

#include <array>

namespace tonva {

// Envelope limits of the pulsed tone, bounds included.
struct PulseLimits
{
    static constexpr double kShortestRampMs = 20.0;
    static constexpr double kLongestRampMs = 50.0;
    static constexpr double kShortestOnOffMs = 190.0;
    static constexpr double kLongestOnOffMs = 260.0;
    static constexpr double kShortestPlateauMs = 150.0;
};

// What the pulse block's spare word keeps: the meter's status byte A of the reading in its low
// byte (bit 0x20: on/off ratio failed, where the reports look for it), then each ear's verdict and
// the ear whose reading the block holds. The block is one per transducer, so the verdict of the
// ear measured before would otherwise be lost when the other ear is measured.
namespace pulseword {
constexpr std::int32_t kStatusByteMask = 0xff;
constexpr int kVerdictShift = 8; // two bits per ear: left, right, both
constexpr int kEarShift = 14;    // ear + 1; 0 for a block written before this was kept
constexpr std::int32_t kVerdictPassed = 1;
constexpr std::int32_t kVerdictFailed = 2;

bool ratioFailed(std::int32_t spare);
// The ear whose reading the block holds; none for a block that does not say.
std::optional<Ear> measuredEar(std::int32_t spare);
// The verdict kept for `ear`: -1, 0 or 1.
int verdictOf(std::int32_t spare, Ear ear);
std::int32_t withReading(std::int32_t spare, quint8 statusA, Ear ear, bool passed);
} // namespace pulseword

struct PulseList
{
    QStringList columns;
    QStringList cells; // empty when 1000 Hz is not offered
    ResultStatus verdict = ResultStatus::NotJudged;

    PageTable table() const;
};

PulseList buildPulseList(const TestSetup &setup, const PulseResult &result);

// The pulse page's logic: the pulsed 1000 Hz tone of one earphone, its envelope analysed by the
// meter, stored into the transducer's pulse block and judged.
class PulseTest final : public MeasurementPage
{
public:
    explicit PulseTest(const MeasurementServices &services);

    int MeasureAll() override;
    int MeasureSelected(const QList<int> &rows) override;
    int Evaluate() const override;
    PageTable List() const override;
    std::optional<int> meterDisplayView() const override { return KeySimulator::kPulseView; }

    // The analysis last read on this page (status bytes and the further levels are not stored).
    const meter::PulseReading &lastReading() const { return m_lastReading; }
    // The last analysis filed under a row of the frequency table, for as long as the page lives.
    const std::optional<meter::PulseReading> &readingAt(int frequencyIndex) const
    {
        return m_readings.at(static_cast<std::size_t>(frequencyIndex));
    }

    // Reads the pulsed tone that is playing now, whatever its frequency: the frequency the meter
    // analysed picks the row the reading is filed under (none above the table's top). Stored and
    // judged like the 1000 Hz reading. Returns a meter status.
    int ReadPlayingPulse();
    static constexpr int kRowFromAnalysis = -1;

    static constexpr int kFrequencyIndex = 12; // 1000 Hz
    static constexpr int kDialLevel = 110;
    // Reads that bring no pulse (an empty analysis or a failed download) before the page gives up.
    static constexpr int kReadTries = 50;
    static constexpr int kEmptyAnalysisWaitMs = 2000;
    // Failed exchanges while the meter is readied before the link counts as dead.
    static constexpr int kReadyAttempts = 5;
    // A reply that missed its time-out may still be on its way; readying again only once it has
    // arrived (and been flushed) keeps it from being taken for the answer to the next command.
    static constexpr int kLateReplyGraceMs = 2000;

protected:
    int statusResult() const override;
    void onMeterAttached() override;

private:
    PulseResult &result() const { return record().pulse[static_cast<int>(transducer())]; }
    int measure();
    int readPulse(Progress &progress, int frequencyIndex);
    int readyForReading(Progress &progress);
    int readCalibration(Progress &progress);

    meter::PulseReading m_lastReading;
    std::array<std::optional<meter::PulseReading>, kFrequencyCount> m_readings;
    bool m_haveCalOffset = false;
    double m_calOffset = 0.0;
};

void registerPulsePage(PageRegistry &registry);

} // namespace tonva

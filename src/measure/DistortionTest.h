#pragma once

#include "measure/DistortionEvaluation.h"
#include "measure/MeasurementPage.h"
#include "measure/PageRegistry.h"

#include <vector>

namespace tonva {

// The harmonic distortion pages: the earphone of one side on its coupler, or the bone vibrator on
// the mastoid (by the transducer it is initialised with). Each enabled frequency is prompted, its
// fundamental and harmonics read from the meter's FFT analysis, stored and judged.
class DistortionTest final : public MeasurementPage
{
public:
    explicit DistortionTest(const MeasurementServices &services);

    int MeasureAll() override;
    int MeasureSelected(const QList<int> &rows) override;
    int Evaluate() const override;
    PageTable List() const override;

    DistortionConduction conduction() const { return m_conduction; }
    const DistortionList &list() const { return m_list; }
    // The firmware revision the meter reported when a measurement last started.
    double firmwareRevision() const { return m_firmware; }

    static constexpr double kLowestFirmware = 3.5;
    static constexpr double kLowestFundamentalHz = 75.0;
    static constexpr int kFundamentalPolls = 20;
    static constexpr int kFundamentalPollMs = 500;
    // Readings of one frequency that may end in a failed exchange before the link counts as dead.
    static constexpr int kReadAttempts = 5;
    // A reply that missed its time-out may still be on its way; reading again only once it has
    // arrived (and been flushed) keeps it from being taken for the answer to the next command.
    static constexpr int kLateReplyGraceMs = 2000;

protected:
    void onInitialised() override;
    int statusResult() const override;

private:
    enum class Run
    {
        All,
        Selected,
    };
    enum class Reading
    {
        Stored,
        NotComputed,
        NoFundamental,
        Cancelled,
        Failed,
    };

    DistortionResult &result() const;
    void rebuildList();
    bool firmwareAllows(Run run);
    int prepare(Run run);
    int run(const std::vector<int> &frequencies, Run run);
    int measureFrequency(int frequencyIndex, Progress *sharedProgress);
    Reading read(int frequencyIndex, Progress &progress);
    Reading readRelative(const char *command, std::optional<double> &relative, bool &unreadable);
    Reading selectBandwidth(int frequencyIndex, int thresholdIndex, Progress &progress);
    Reading recover(int failedStatus);
    int command(const char *text, QByteArray &reply);

    DistortionConduction m_conduction = DistortionConduction::Air;
    DistortionList m_list;
    double m_firmware = 0.0;
    int m_lastStatus = 0;
    // The bone page's own "unable to calculate" wording belongs to its Measure All only.
    bool m_boneWording = false;
    // Used when the page was given no test-wide flag.
};

// Makes the run show the distortion pages for the earphones and the bone vibrator.
void registerDistortionPages(PageRegistry &registry);

} // namespace tonva

#pragma once

#include "measure/HearingLevelEvaluation.h"
#include "measure/HearingLevelPrompts.h"
#include "measure/HearingLevelReadings.h"
#include "measure/MeasurementPage.h"
#include "measure/PageRegistry.h"
#include "meter/KeySimulator.h"
#include "model/ReferenceData.h"

#include <memory>
#include <vector>

namespace tonva {

// The hearing-level page's logic on earphones: hearing level, frequency accuracy, FM and narrow-band
// level (by the measurement index it is initialised with), each frequency prompted, read, stored
// into the record and judged.
class HearingLevelTest final : public MeasurementPage
{
public:
    explicit HearingLevelTest(const MeasurementServices &services);
    ~HearingLevelTest() override;

    int MeasureAll() override;
    int MeasureSelected(const QList<int> &rows) override;
    int Evaluate() const override;
    PageTable List() const override;
    std::optional<int> meterDisplayView() const override { return KeySimulator::kHearingLevelView; }

    HearingLevelMode mode() const { return m_mode; }
    // The list with each row's frequency and verdict.
    const HearingLevelList &list() const { return m_list; }
    // "Show Applied Corrections".
    void setShowCorrections(bool show);
    // The frequency index measured last on this page, -1 before any; the Adjust dialog starts there.
    int lastMeasuredFrequency() const { return m_lastMeasured; }

protected:
    void onInitialised() override;
    void onMeterAttached() override;
    int statusResult() const override;

private:
    enum class Step
    {
        Next,
        Cancelled,
    };

    ToneResultBlocks blocks() const;
    HearingLevelList buildList(UndefinedReferenceWarning *warning = nullptr) const;
    void rebuildList(UndefinedReferenceWarning *warning = nullptr);
    int prepare();
    bool confirmMissingGrid();
    int firstPosition(const std::vector<int> &frequencies);
    int run(const std::vector<int> &frequencies, std::size_t start, hearingprompt::Run kind);
    Step measureFrequency(int frequencyIndex, hearingprompt::Run run);
    bool readyMeter(Progress &progress);
    Step measureLevel(int frequencyIndex, hearingprompt::Run run, const QString &stimulus,
                      Progress &progress);
    Step measureToneFrequency(int frequencyIndex, hearingprompt::Run run, const QString &stimulus,
                              Progress &progress);
    int measureModulation(int frequencyIndex, Progress &progress);
    Step afterQuestion(Answer answer, hearingprompt::Run run) const;
    void storeModulation(int frequencyIndex, const FmValues &values);
    FmValues storedModulation(int frequencyIndex) const;

    HearingLevelMode m_mode = HearingLevelMode::HearingLevel;
    KeySimulator m_keys;
    // Made for the link attached when a measurement starts; it keeps the calibration offset.
    std::unique_ptr<HearingLevelReadings> m_readings;
    SlmLink *m_readingsLink = nullptr;
    HearingLevelList m_list;
    UndefinedReferenceWarning m_warning;
    bool m_showCorrections = false;
    bool m_meterChecked = false;
    int m_lastMeasured = -1;
};

// Makes the run show this page for hearing level, frequency, FM and narrow band on earphones.
void registerHearingLevelPage(PageRegistry &registry);

} // namespace tonva

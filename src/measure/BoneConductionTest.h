#pragma once

#include "measure/BoneConductionCorrection.h"
#include "measure/MeasurementPage.h"
#include "measure/PageRegistry.h"
#include "meter/KeySimulator.h"
#include "platform/Interaction.h"

#include <memory>
#include <vector>

namespace tonva {

class HearingLevelReadings;

// One row of the bone-level list: the frequency it shows and how it was judged.
struct BoneLevelRow
{
    int frequencyIndex = 0;
    QStringList cells;
    ResultStatus verdict = ResultStatus::NotJudged;
};

struct BoneLevelList
{
    QStringList columns;
    std::vector<BoneLevelRow> rows;

    PageTable table() const;
    // -1 when a row fails, 1 when some row was judged and none failed, else 0.
    int pageResult() const;
};

// The frequencies the bone page lists: those the audiometer offers from 250 to 8000 Hz.
std::vector<int> boneLevelFrequencies(const TestSetup &setup);
// Deviation limit (either way) of force level minus RETFL minus dial level at a frequency index.
double boneLevelTolerance(int frequencyIndex);
BoneLevelList buildBoneLevelList(const TestSetup &setup, const ToneLevelResult &result, bool showCorrections);

// The bone vibrator's force levels on the artificial mastoid: each offered frequency from 250 to
// 8000 Hz is prompted at its dial level, its band read, turned into a force level with the mastoid
// correction and judged against RETFL for the placement.
class BoneConductionTest final : public MeasurementPage
{
public:
    explicit BoneConductionTest(const MeasurementServices &services);
    ~BoneConductionTest() override;

    int MeasureAll() override;
    int MeasureSelected(const QList<int> &rows) override;
    int Evaluate() const override;
    PageTable List() const override;
    std::optional<int> meterDisplayView() const override { return KeySimulator::kHearingLevelView; }

    const BoneLevelList &list() const { return m_list; }
    // "Show Applied Corrections".
    void setShowCorrections(bool show);
    bool showCorrections() const { return m_showCorrections; }
    // "Placement:"; kept in the record, so it changes the reference of every row at once.
    void setPlacement(BonePlacement placement);
    BonePlacement placement() const;
    // The frequency index prompted or measured last, -1 before any.
    int currentFrequency() const { return m_current; }

protected:
    void onInitialised() override;
    void onMeterAttached() override;

private:
    enum class Step
    {
        Next,
        Cancelled,
    };

    ToneLevelResult &result() const;
    void rebuildList();
    int prepare();
    int run(const std::vector<int> &frequencies);
    Step measureFrequency(int frequencyIndex);

    KeySimulator m_keys;
    std::unique_ptr<HearingLevelReadings> m_readings;
    SlmLink *m_readingsLink = nullptr;
    BoneLevelList m_list;
    bool m_showCorrections = false;
    bool m_meterChecked = false;
    int m_current = -1;
};

// Before the Adjust dialog of the bone page: a room never recorded (below 17 degrees) cannot be
// corrected for, so the maker's mastoid asks for it first, proposing a typical room, which is kept
// even when the technician cancels.
void askAdjustConditions(TestSetup &setup, Interaction &interaction);

// Makes the run show this page for the bone vibrator's hearing level.
void registerBoneLevelsPage(PageRegistry &registry);

} // namespace tonva

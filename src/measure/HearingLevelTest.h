#pragma once

#include "measure/HearingLevelEvaluation.h"
#include "measure/HearingLevelPrompts.h"
#include "measure/HearingLevelReadings.h"
#include "meter/KeySimulator.h"
#include "model/ReferenceData.h"
#include "platform/PreferenceStore.h"

#include <memory>
#include <optional>
#include <vector>

namespace tonva {

// The hearing-level page's logic on earphones: hearing level, frequency accuracy, FM and narrow-band
// level, each frequency prompted, read, stored into the record and judged.
class HearingLevelTest
{
public:
    HearingLevelTest(HearingLevelMode mode, PreferenceStore &preferences, Interaction &interaction);
    ~HearingLevelTest();

    void initialise(AudTestRecord &record, TransducerType transducer, int ear);
    void attach(SlmLink &link, SlmFileList &fileList);

    // 0 when the walk ended normally (also when nothing could be measured), 1000 when the technician
    // cancelled; results measured before a cancel stay in the record.
    int measureAll();
    // Measures the frequencies of the given list rows; nothing happens when none is given.
    int measureSelected(const std::vector<int> &rows);
    // The page's overall result (-1, 0 or 1), also written into the record's status table.
    int collect();

    HearingLevelMode mode() const { return m_mode; }
    const HearingLevelList &list() const { return m_list; }
    void setShowCorrections(bool show);
    // The frequency index measured last on this page, -1 before any; the Adjust dialog starts there.
    int lastMeasuredFrequency() const { return m_lastMeasured; }

private:
    enum class Step
    {
        Next,
        Cancelled,
    };

    ToneResultBlocks blocks() const;
    void rebuildList(UndefinedReferenceWarning *warning = nullptr);
    bool prepare();
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

    HearingLevelMode m_mode;
    PreferenceStore &m_preferences;
    Interaction &m_interaction;
    KeySimulator m_keys;
    AudTestRecord *m_record = nullptr;
    TransducerType m_transducer = TransducerType::SupraAural;
    int m_ear = 0;
    SlmLink *m_link = nullptr;
    SlmFileList *m_fileList = nullptr;
    std::unique_ptr<HearingLevelReadings> m_readings;
    HearingLevelList m_list;
    UndefinedReferenceWarning m_warning;
    bool m_showCorrections = false;
    bool m_meterChecked = false;
    int m_lastMeasured = -1;
};

} // namespace tonva

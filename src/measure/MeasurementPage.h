#pragma once

#include "meter/MeterTables.h"
#include "model/AudTestRecord.h"
#include "model/RegionalMode.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace tonva {

class Clock;
class Interaction;
class PreferenceStore;
class Progress;
class SlmFileList;
class SlmLink;

// What every page and the run itself talk to: the technician, time and the preference store.
struct MeasurementServices
{
    Interaction &interaction;
    Clock &clock;
    PreferenceStore &preferences;
    // Masking, speech and broad-band judgements differ by region.
    RegionalMode regionalMode = RegionalMode::Normal;
};

// Which record, transducer and ear a page works on, and the entry of the Measurements list that
// chose it, so a page that serves several measurements knows its mode.
struct PageTarget
{
    AudTestRecord *record = nullptr;
    TransducerType transducer = TransducerType::SupraAural;
    Ear ear = Ear::Left;
    MeasurementEntry measurement = MeasurementEntry::HearingLevel;
    // Whether the technician has entered the room conditions for this test yet; owned by whoever
    // keeps the test open, so the question is not repeated on every page. Null: the page keeps its own.
    bool *testConditionsEntered = nullptr;
};

// A page's list as plain texts, so the window, the CLI and the tests show exactly the same strings.
struct PageTable
{
    QStringList columns;
    QList<QStringList> rows;
    // How each row was judged, so a window can make failures stand out without parsing cells. Rows
    // past its end were not judged.
    QList<ResultStatus> verdicts;

    ResultStatus verdict(int row) const
    {
        return row >= 0 && row < verdicts.size() ? verdicts[row] : ResultStatus::NotJudged;
    }

    // The status entry the rows make: -1 when one failed, 1 when one was judged and none failed, 0
    // when none was judged.
    int result() const
    {
        int result = 0;
        for (const ResultStatus rowVerdict : verdicts) {
            if (rowVerdict == ResultStatus::Failed)
                return -1;
            if (rowVerdict == ResultStatus::Passed)
                result = 1;
        }
        return result;
    }
};

// Outcomes of MeasureAll/MeasureSelected besides the meter's own negative statuses.
namespace measure {
constexpr int kDone = 0;           // ran to its end; rows may have been skipped on the technician's word
constexpr int kCancelled = 1000;   // the technician cancelled; what was measured before stays
constexpr int kNotStarted = -2000; // equipment missing or no meter attached: nothing was touched

// The question of the "meter not ready" loop, asked while SetupMeterForTest answers 0.
extern const char *const kMeterNotReadyQuestion;
} // namespace measure

// One measurement page: it measures into the record it was given and judges what it measured.
// The run owns the page; the meter link is only borrowed and may be absent (not connected).
class MeasurementPage
{
public:
    explicit MeasurementPage(const MeasurementServices &services);
    virtual ~MeasurementPage();
    MeasurementPage(const MeasurementPage &) = delete;
    MeasurementPage &operator=(const MeasurementPage &) = delete;

    void Initialise(const PageTarget &target);
    void AttachMeter(SlmLink *link, SlmFileList *files);
    // Called whenever rows of List() change, in the middle of a measurement too, so a window can
    // show each reading as it is taken.
    void setListChangedHandler(std::function<void()> handler) { m_listChanged = std::move(handler); }

    // measure::kDone, measure::kCancelled, measure::kNotStarted or a negative meter status.
    virtual int MeasureAll() = 0;
    // Rows are indices into List().rows; an empty selection measures nothing.
    virtual int MeasureSelected(const QList<int> &rows) = 0;
    // Judges what the record holds now: -1 when a judged row fails, 1 when some row was judged
    // and none failed, 0 when nothing was measured.
    virtual int Evaluate() const = 0;
    virtual PageTable List() const = 0;

    // Hands the result back: writes statusResult() into the status table entry of this page's kind
    // and transducer, and returns it.
    int Collect();

    const PageTarget &target() const { return m_target; }

    // The keypad view the run switches the meter's display to when it builds this page's set; none
    // for pages that read the meter whatever its display shows.
    virtual std::optional<int> meterDisplayView() const { return std::nullopt; }

protected:
    // Asks once per open test for the room's temperature, humidity and pressure when the mastoid is
    // a Mervane one, whose correction depends on them. False when the technician cancelled. True
    // when they were entered just now is told by `conditionsJustEntered`.
    bool askMastoidRoomConditions(bool *conditionsJustEntered = nullptr);
    // The status table entry Collect() writes; by default the one of the measurement entry.
    virtual MeasurementKind statusKind() const;
    // What that entry keeps; by default Evaluate(). A page that measures one ear at a time while
    // the entry stands for both judges both.
    virtual int statusResult() const { return Evaluate(); }
    // Called after Initialise() so a page can pick its mode and result block.
    virtual void onInitialised() {}
    // Called after AttachMeter(): a page must drop whatever it made for the previous link, which may
    // be gone (a Disconnect), even when a new one happens to live at the same address.
    virtual void onMeterAttached() {}

    Interaction &interaction() const { return m_services.interaction; }
    Clock &clock() const { return m_services.clock; }
    PreferenceStore &preferences() const { return m_services.preferences; }
    RegionalMode regionalMode() const { return m_services.regionalMode; }
    AudTestRecord &record() const { return *m_target.record; }
    TransducerType transducer() const { return m_target.transducer; }
    Ear ear() const { return m_target.ear; }
    MeasurementEntry measurement() const { return m_target.measurement; }
    SlmLink *link() const { return m_link; }
    SlmFileList *fileList() const { return m_files; }

    // A page whose rows change while it measures says so after each one.
    void listChanged() const
    {
        if (m_listChanged)
            m_listChanged();
    }

    // Shows the missing-equipment message for this page's transducer and ear; true when complete.
    bool CheckRequiredEquipment() const;
    // SetupMeterForTest until the meter is ready, asking `question` (OK retries, Cancel ends)
    // after every refusal. Returns measure::kDone, measure::kCancelled, or measure::kNotStarted
    // without a meter.
    int ReadyMeter(MeterMode mode, int kind, const QString &question = measure::kMeterNotReadyQuestion,
                   Progress *progress = nullptr, const QString &status = QString()) const;
    // The progress dialog of a reading: "Measurement", 0 to 100, step 10.
    std::unique_ptr<Progress> OpenProgress() const;

private:
    bool m_ownConditionsEntered = false;
    MeasurementServices m_services;
    PageTarget m_target;
    SlmLink *m_link = nullptr;
    SlmFileList *m_files = nullptr;
    std::function<void()> m_listChanged;
};

} // namespace tonva

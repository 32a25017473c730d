#pragma once

#include "measure/InputLevelPage.h"
#include "measure/MeasurementCatalogue.h"
#include "measure/MeasurementPage.h"
#include "measure/PageRegistry.h"

#include <QStringList>
#include <memory>
#include <vector>

namespace tonva {

// What the run needs from the window or program hosting it.
class RunHost
{
public:
    virtual ~RunHost() = default;

    // Stores the test record; false when it could not be stored (the host has said why).
    virtual bool SaveRecord() = 0;
    // The "Save Data" dialog; true for Save. The dialog keeps the two save preferences itself.
    virtual bool AskSaveData() = 0;
    // OK: the test record was changed; the document is modified too when `sheetModified`.
    virtual void RecordChanged(bool sheetModified) = 0;
    // Closes the window and shows the test summary.
    virtual void ReturnToSummary() = 0;
    // The adjust dialog of hearing level or speech, modal.
    virtual void OpenAdjust(MeasurementEntry measurement) = 0;

    // The run started or stopped measuring or readying the meter. Events are still dispatched
    // meanwhile, so the window disables what would destroy the running page.
    virtual void BusyChanged(bool busy) { Q_UNUSED(busy); }
    // Another page shows: a different measurement, transducer or ear.
    virtual void PageShown() {}
    // Rows of the shown page's list changed (after measuring or adjusting).
    virtual void PageListChanged() {}
};

// The audiometer test window without its widgets: the choice of measurement and transducer, the
// page that measures it, readying the meter, and when results are collected and saved.
//
// While busy (a page measures or the meter is readied) the clock still dispatches events, so a click
// can arrive in the middle of a page's own method. Every command that would change or destroy the
// page is then refused here, whatever the window did or did not disable.
class MeasurementRun
{
public:
    MeasurementRun(const MeasurementServices &services, const PageRegistry &pages, RunHost &host,
                   AudTestRecord &record);
    ~MeasurementRun();

    // Null when not connected; pages get the same pointers.
    void AttachMeter(SlmLink *link, SlmFileList *files);
    bool connected() const { return m_link != nullptr; }

    // Opens the window on a measurement, transducer and ear, as Go To Measurement does.
    void Open(MeasurementEntry measurement, TransducerType transducer, Ear ear);

    // The Measurements list; choosing the entry already shown changes nothing.
    void ChooseMeasurement(MeasurementEntry measurement);
    // The Transducers list, by position in the current measurement's list.
    void ChooseTransducerPosition(int position);
    void ChooseEar(Ear ear);
    // Sound field on speakers has a mono and a binaural page; the run keeps to the one shown.
    void ShowSoundFieldPage(bool binaural);
    void NextTest();

    // measure::kDone, measure::kCancelled, measure::kNotStarted or a negative meter status.
    int MeasureAll();
    int MeasureSelected(const QList<int> &rows);

    void Ok();
    void Cancel();
    // False when the record could not be stored; the sheet then stays modified.
    bool Save();
    void Adjust();

    MeasurementEntry measurement() const { return m_measurement; }
    TransducerType transducer() const { return m_transducer; }
    Ear ear() const { return m_ear; }
    QString windowText() const;
    QStringList transducerList() const;
    bool adjustAvailable() const
    {
        return m_measurement == MeasurementEntry::HearingLevel || m_measurement == MeasurementEntry::Speech;
    }
    bool modified() const { return m_modified; }
    // A stored test opened for viewing: measuring then leaves the modified flag alone.
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool isOpen() const { return m_open; }
    bool busy() const { return m_busyDepth > 0; }

    // The page showing now; null when no page is registered for the pair.
    MeasurementPage *page() const { return m_page.get(); }
    // The input-level pages showing with the measurement (hearing level only).
    const std::vector<std::unique_ptr<InputLevelPage>> &inputLevelPages() const { return m_inputPages; }

    // The date line's clock: "%02d:%02d %s" with "AM" or "PM".
    static QString clockText(int hour24, int minute);

private:
    // Marks the run busy for its lifetime; nests.
    class BusyScope
    {
    public:
        explicit BusyScope(MeasurementRun &run);
        ~BusyScope();
        BusyScope(const BusyScope &) = delete;
        BusyScope &operator=(const BusyScope &) = delete;

    private:
        MeasurementRun &m_run;
    };

    void offerSave();
    void collect();
    // Makes the pages of the current choice and tells the host.
    void showPages();
    void rebuildPages();
    // Puts the meter's display in the view the new page set reads (on a measurement or transducer
    // choice, not on an ear change), when the page asks for one and a meter is connected.
    void switchMeterDisplay();
    // SetupMeterForTest for the shown measurement until the meter is ready; false when not connected
    // or the technician gave up.
    bool readyMeter();
    // Applies the input-level pages and copies the transducer's levels to the block being measured.
    void copyInputLevels();
    int measure(bool all, const QList<int> &rows);
    void close();

    MeasurementServices m_services;
    const PageRegistry &m_registry;
    RunHost &m_host;
    AudTestRecord &m_record;
    SlmLink *m_link = nullptr;
    SlmFileList *m_files = nullptr;

    MeasurementEntry m_measurement = MeasurementEntry::HearingLevel;
    TransducerType m_transducer = TransducerType::SupraAural;
    Ear m_ear = Ear::Left;
    bool m_modified = false;
    bool m_readOnly = false;
    bool m_open = false;
    // The run lives as long as its test is open, so the conditions are asked once per test.
    bool m_testConditionsEntered = false;
    int m_busyDepth = 0;
    PageRole m_pageRole = PageRole::HearingLevelFrequency;
    std::unique_ptr<MeasurementPage> m_page;
    std::vector<std::unique_ptr<InputLevelPage>> m_inputPages;
};

} // namespace tonva

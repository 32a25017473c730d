#pragma once

#include "measure/MeasurementRun.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QTabBar;
class QTimer;

namespace tonva {

class MeasurementPageWidget;

// The audiometer measurement sheet: the Measurements and Transducers lists, the ear, the page of the
// chosen pair and the buttons that drive the run. Every control is one call of MeasurementRun; the
// sheet only shows what the run decided.
class CAudTestView final : public QWidget, public RunHost
{
    Q_OBJECT

public:
    // What the sheet needs of the program around it; the main window fills this in.
    struct Context
    {
        MeasurementServices services;
        const PageRegistry &pages;
        AudTestRecord &record;
        // Stores the current test; false when it could not be stored (the technician was told).
        std::function<bool()> saveRecord;
        // The "Save Data" question; true for Save.
        std::function<bool()> askSaveData;
        // The sheet handed its results on; the document is modified when `sheetModified`.
        std::function<void(bool sheetModified)> recordChanged;
        // Shows the test summary instead of the sheet.
        std::function<void()> returnToSummary;
        // A measurement started or ended; the window refuses what would end it meanwhile.
        std::function<void(bool busy)> busyChanged;
    };

    explicit CAudTestView(Context context, QWidget *parent = nullptr);
    ~CAudTestView() override;

    // Null when the meter is not connected; measuring then starts nothing.
    void attachMeter(SlmLink *link, SlmFileList *files);
    // Opens the measurement of a summary row (0..9); -1 leaves the choice to the technician.
    void open(int measurementIndex);
    // The window shows something else now (another view, a menu, Exit): the results are handed on
    // as OK does, never dropped. `toSummary` also shows the summary, as the OK button does.
    void leave(bool toSummary = false);

    MeasurementRun &run() { return *m_run; }
    // The page showing; null before a measurement is chosen or when its page is not built.
    MeasurementPageWidget *pageWidget() const { return m_pageWidget; }
    QString clockLine() const;

    // RunHost
    bool SaveRecord() override;
    bool AskSaveData() override;
    void RecordChanged(bool sheetModified) override;
    void ReturnToSummary() override;
    void OpenAdjust(MeasurementEntry measurement) override;
    void BusyChanged(bool busy) override;
    void PageShown() override;
    void PageListChanged() override;

private:
    void chooseMeasurement(int row);
    void chooseTransducer(int position);
    void chooseEar(int index);
    void measureAll();
    void measureSelected();
    void humidityTemperature();
    void ok();
    void cancel();
    // The lists, the ear and the title as the run has them now.
    void sync();
    void updateControls();
    void updateClock();
    void dropPageWidget();

    Context m_context;
    std::unique_ptr<MeasurementRun> m_run;
    SlmLink *m_link = nullptr;
    SlmFileList *m_files = nullptr;
    // The technician's choices before a measurement is opened.
    TransducerType m_transducerChoice = TransducerType::SupraAural;
    // OK is running on behalf of leaving: the summary is not asked for again.
    bool m_leaving = false;
    bool m_syncing = false;

    QListWidget *m_measurements;
    QListWidget *m_transducers;
    QComboBox *m_ear;
    QLabel *m_windowText;
    QLabel *m_date;
    QLabel *m_clock;
    QTabBar *m_pageTabs;
    QStackedWidget *m_pageArea;
    QLabel *m_noPage;
    MeasurementPageWidget *m_pageWidget = nullptr;
    // The input-level pages shown beside a hearing-level page, in tab order after it.
    std::vector<QWidget *> m_inputWidgets;
    QPushButton *m_measureAll;
    QPushButton *m_measureSelected;
    QPushButton *m_nextTest;
    QPushButton *m_adjust;
    QPushButton *m_humidity;
    QPushButton *m_ok;
    QPushButton *m_cancel;
    QPushButton *m_save;
    QTimer *m_clockTimer;
};

} // namespace tonva

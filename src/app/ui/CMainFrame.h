#pragma once

#include "app/CVemoraApp.h"
#include "app/ShellCommands.h"
#include "app/ViewHistory.h"
#include "app/ui/ViewHost.h"
#include "measure/PageRegistry.h"

#include <QHash>
#include <QMainWindow>
#include <functional>
#include <memory>

class QLabel;
class QPrinter;
class QStackedWidget;

namespace tonva {

class CAudTestView;
class CIdleView;
class CSysMessageDlg;
class CVemoraDoc;
class Clock;
class FrameView;
class Interaction;
class MeterCalibration;
class MeterConnection;
class MeterSource;
class PreferenceStore;

// What the main window works with. Everything is owned by whoever starts the program (main, or a
// test), so the same window runs on the real meter, the built-in simulator or a script.
struct FrameServices
{
    PreferenceStore &preferences;
    Interaction &interaction;
    Clock &clock;
    CVemoraDoc &document;
    // The meter as the port preference (or the command line) names it now; asked at every Connect,
    // so a port chosen with Set Port is used from the next Connect on. The source stays valid until
    // the next call.
    std::function<const MeterSource &()> meterSource;
    // What the status bar says the meter is reached on.
    std::function<QString()> meterPortName;
    RegionalMode regionalMode = RegionalMode::Normal;
};

// The main window: menus with their enabling rules, tool bar and status bar, the single content
// area with the view switch and its history, and the meter link from Connect to Disconnect.
class CMainFrame final : public QMainWindow, public ViewHost
{
    Q_OBJECT

public:
    explicit CMainFrame(FrameServices services, QWidget *parent = nullptr);
    ~CMainFrame() override;

    // ViewHost
    bool switchView(ViewId view, int measurementIndex = -1) override;
    void goBack() override;
    void runBusyChanged(bool busy) override;

    ViewId currentView() const { return m_currentView; }
    const ViewHistory &history() const { return m_history; }
    QWidget *viewWidget() const { return m_view; }
    QAction *action(ShellCommand command) const { return m_actions.value(command); }
    // A measurement, a meter set-up or a Connect is running.
    bool isBusy() const { return m_runBusy || m_connecting; }
    ShellState shellState() const;
    // Recomputes the enabling of every command (also done whenever a menu opens).
    void updateCommands();

    // The meter link; null until Connect succeeds and after Disconnect.
    MeterConnection *meter() const { return m_meter.get(); }
    // Connect: 0 or positive when the meter is ready.
    int connectMeter();
    bool meterCalibrated() const { return m_meterCalibrated; }
    // SLM > Calibration... and the first switch to the measurement sheet open the calibration
    // dialog through this; a test stands in for it. Afterwards the meter counts as calibrated.
    void setCalibrationDialog(std::function<void()> open) { m_calibrationDialog = std::move(open); }
    // The calibration logic on the connected meter with the inventory's calibrators and
    // microphones; null while not connected.
    std::unique_ptr<MeterCalibration> makeCalibration();

    bool preferencesSet() const;
    bool instrumentsDefined() const;
    bool measurementStarted() const;
    const QString &currentTechnician() const { return m_currentTechnician; }
    // Read at start-up; the organisation page reads them again when it changes them.
    const DisplaySettings &displaySettings() const { return m_displaySettings; }
    void refreshDisplaySettings();
    CSysMessageDlg &sysMessage();

    // Commands whose windows live beside their own logic (database, preferences, notes, stored
    // measurements, port); each menu entry calls one of these.
    void changeDatabase();
    void showPreferences();
    void showTestNotes();
    void showStoredMeasurements();
    void setMeterPort();

    // The command the menu entry runs, for tests and tools that have no menu to click.
    void run(ShellCommand command);

    // Shows `view` for a picture, past the checks of a real switch; the sheet opens on
    // `measurementIndex`.
    void showViewForPicture(ViewId view, int measurementIndex = -1);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    QAction *addCommand(ShellCommand command, const QString &text, const char *name);

    QWidget *createView(ViewId view, int measurementIndex);
    QWidget *createSheet(int measurementIndex);
    CAudTestView *sheet() const;
    // The sheet measures on whatever link exists now: none after Disconnect, the new one after Connect.
    void meterChanged();
    void replaceView(QWidget *view);
    FrameView *frameView() const;
    bool requireDatabase(ShellCommand command);
    // Leaving the instrument view with edits pending: false when the technician stays there.
    bool leaveInstrumentsAllowed();
    // Exit and New Measurement with an unsaved test: false when the technician cancels.
    bool settleUnsavedTest();
    void notAvailable(const QString &what);
    void updateTitle();
    void updateStatus();

    void newMeasurement();
    void save();
    void printerSetup();
    void audiometerTest();
    void boothTest();
    void exportData();
    void instrumentation();
    void measurementSummary();
    void connectCommand();
    void disconnectMeter();
    void turnOffMeter();
    void about();
    void calibrateMeter();
    void showCalibrationDialog();
    void checkBattery();

    FrameServices m_services;
    CVemoraDoc &m_document;
    Interaction &m_interaction;

    QHash<ShellCommand, QAction *> m_actions;
    QStackedWidget *m_stack = nullptr;
    QWidget *m_view = nullptr;
    ViewId m_currentView = ViewId::Idle;
    ViewHistory m_history;

    std::unique_ptr<MeterConnection> m_meter;
    // Where m_meter is connected to; valid while m_meter is.
    const MeterSource *m_meterSource = nullptr;
    PageRegistry m_pages;
    std::unique_ptr<QPrinter> m_printer;
    CSysMessageDlg *m_sysMessage = nullptr;
    QLabel *m_meterStatus = nullptr;
    QLabel *m_databaseStatus = nullptr;

    bool m_runBusy = false;
    bool m_connecting = false;
    bool m_meterCalibrated = false;
    std::function<void()> m_calibrationDialog;
    QString m_currentTechnician;
    DisplaySettings m_displaySettings;
};

} // namespace tonva

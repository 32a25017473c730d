#include "app/ui/CMainFrame.h"

#include "ambient/ui/CAmbientView.h"
#include "app/CVemoraDoc.h"
#include "app/StoredRetrieval.h"
#include "app/ui/CAboutDlg.h"
#include "app/ui/CIdleView.h"
#include "app/ui/CPreferencesView.h"
#include "app/ui/CPrefsRS232Dlg.h"
#include "app/ui/CSaveNowDlg.h"
#include "app/ui/CTestNotesView.h"
#include "app/ui/CSysMessageDlg.h"
#include "app/ui/CVemoraView.h"
#include "app/ui/FrameView.h"
#include "app/ui/PlaceholderView.h"
#include "export/ui/CExportDataDlg.h"
#include "inventory/CalibrationInstruments.h"
#include "inventory/ui/CEquipListsView.h"
#include "measure/BoneConductionTest.h"
#include "measure/CrossTalkTest.h"
#include "measure/DistortionTest.h"
#include "measure/HearingLevelTest.h"
#include "measure/LinearityTest.h"
#include "measure/MaskingNoiseTest.h"
#include "measure/PulseTest.h"
#include "measure/SoundFieldTest.h"
#include "measure/SpeechTest.h"
#include "measure/ui/CAudTestView.h"
#include "measure/ui/CTestAllView.h"
#include "meter/MeterCalibration.h"
#include "meter/MeterConnection.h"
#include "meter/MeterSource.h"
#include "meter/ui/CBatteryCheckDlg.h"
#include "meter/ui/CSlmCalibrationDlg.h"
#include "model/ui/CTestSetupView.h"
#include "platform/Interaction.h"
#include "platform/PreferenceStore.h"
#include "report/ui/ReportPreview.h"
#include "sim/BuiltInSimulator.h"
#include "storage/ui/CDAOTableDlg.h"
#include "storage/ui/CStoredDataPS.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

namespace tonva {

namespace {

// The wait cursor for as long as a switch or a Connect works; message boxes shown meanwhile get the
// normal arrow back.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

} // namespace

CMainFrame::CMainFrame(FrameServices services, QWidget *parent)
    : QMainWindow(parent), m_services(std::move(services)), m_document(m_services.document),
      m_interaction(m_services.interaction)
{
    setObjectName(QStringLiteral("mainFrame"));
    m_stack = new QStackedWidget(this);
    setCentralWidget(m_stack);
    createActions();
    createMenus();
    createToolBar();
    createStatusBar();
    resize(1024, 680);
    registerHearingLevelPage(m_pages);
    registerLinearityPage(m_pages);
    registerCrossTalkPage(m_pages);
    registerDistortionPages(m_pages);
    registerPulsePage(m_pages);
    registerBoneLevelsPage(m_pages);
    registerMaskingNoisePage(m_pages);
    registerSpeechPage(m_pages);
    registerSoundFieldPages(m_pages);

    replaceView(createView(ViewId::Idle, -1));
    connect(&m_document, &CVemoraDoc::titleChanged, this, &CMainFrame::updateTitle);
    connect(&m_document, &CVemoraDoc::modifiedChanged, this, &CMainFrame::updateTitle);
    connect(&m_document, &CVemoraDoc::databaseChanged, this, [this](const QString &path) {
        if (auto *idle = qobject_cast<CIdleView *>(m_view))
            idle->setDatabasePath(path);
        updateStatus();
        updateCommands();
    });
    connect(&m_document, &CVemoraDoc::currentTestChanged, this, [this] {
        if (auto *summary = qobject_cast<CVemoraView *>(m_view))
            summary->refresh();
        updateCommands();
    });
    updateCommands();
    updateTitle();
    updateStatus();
    refreshDisplaySettings();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::refreshDisplaySettings()
{
    m_displaySettings = DisplaySettings::read(m_services.preferences);
}

// ---- commands --------------------------------------------------------------------------------------

QAction *CMainFrame::addCommand(ShellCommand command, const QString &text, const char *name)
{
    auto *action = new QAction(text, this);
    action->setObjectName(QLatin1String(name));
    m_actions.insert(command, action);
    connect(action, &QAction::triggered, this, [this, command] { run(command); });
    return action;
}

void CMainFrame::createActions()
{
    using C = ShellCommand;
    addCommand(C::ChangeDatabase, QStringLiteral("&Change Database..."), "actionChangeDatabase")
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    addCommand(C::NewMeasurement, QStringLiteral("New Measurement"), "actionNewMeasurement");
    addCommand(C::Save, QStringLiteral("&Save"), "actionSave")
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    addCommand(C::ImportSetup, QStringLiteral("&Import Mic/Mastoid Setup..."), "actionImportSetup");
    addCommand(C::PrinterSetup, QStringLiteral("P&rinter Setup..."), "actionPrinterSetup");
    addCommand(C::Exit, QStringLiteral("E&xit"), "actionExit");
    addCommand(C::AudiometerTest, QStringLiteral("Audiometer Test..."), "actionAudiometerTest");
    addCommand(C::TestNotes, QStringLiteral("Audiometer Test Notes..."), "actionTestNotes");
    addCommand(C::BoothTest, QStringLiteral("Booth Test..."), "actionBoothTest");
    addCommand(C::Instrumentation, QStringLiteral("Instrumentation..."), "actionInstrumentation");
    addCommand(C::Preferences, QStringLiteral("Preferences..."), "actionPreferences");
    addCommand(C::StoredMeasurements, QStringLiteral("Stored Measurements"), "actionStoredMeasurements");
    addCommand(C::MeasurementSummary, QStringLiteral("&Measurement Summary"), "actionMeasurementSummary");
    QAction *toolBarAction = addCommand(C::ToolBar, QStringLiteral("&Toolbar"), "actionToolBar");
    toolBarAction->setCheckable(true);
    toolBarAction->setChecked(true);
    QAction *statusBarAction = addCommand(C::StatusBar, QStringLiteral("&Status Bar"), "actionStatusBar");
    statusBarAction->setCheckable(true);
    statusBarAction->setChecked(true);
    addCommand(C::Report, QStringLiteral("Report..."), "actionReport");
    addCommand(C::Certificate, QStringLiteral("Certificate..."), "actionCertificate");
    addCommand(C::Export, QStringLiteral("Export..."), "actionExport");
    addCommand(C::CompareWith, QStringLiteral("Compare With..."), "actionCompareWith");
    addCommand(C::Connect, QStringLiteral("Connect"), "actionConnect");
    addCommand(C::Disconnect, QStringLiteral("Disconnect"), "actionDisconnect");
    addCommand(C::CheckBattery, QStringLiteral("Check Battery..."), "actionCheckBattery");
    addCommand(C::Calibration, QStringLiteral("Calibration..."), "actionCalibration");
    addCommand(C::TurnOffSlm, QStringLiteral("Turn Off SLM"), "actionTurnOffSlm");
    addCommand(C::SetPort, QStringLiteral("Set Port"), "actionSetPort");
    addCommand(C::About, QStringLiteral("&About Tonva..."), "actionAbout");
}

void CMainFrame::createMenus()
{
    using C = ShellCommand;
    const auto menu = [this](const QString &title, std::initializer_list<C> commands) {
        QMenu *m = menuBar()->addMenu(title);
        for (const C command : commands)
            m->addAction(action(command));
        // The rules are evaluated when the menu opens, as the technician sees them.
        connect(m, &QMenu::aboutToShow, this, &CMainFrame::updateCommands);
        return m;
    };
    QMenu *file = menu(QStringLiteral("&File"), {C::ChangeDatabase, C::NewMeasurement, C::Save});
    file->addSeparator();
    file->addAction(action(C::ImportSetup));
    file->addSeparator();
    file->addAction(action(C::PrinterSetup));
    file->addSeparator();
    file->addAction(action(C::Exit));
    QMenu *test = menu(QStringLiteral("&Test"), {C::AudiometerTest, C::TestNotes, C::BoothTest});
    test->addSeparator();
    test->addAction(action(C::Instrumentation));
    test->addAction(action(C::Preferences));
    test->addSeparator();
    test->addAction(action(C::StoredMeasurements));
    QMenu *view = menu(QStringLiteral("&View"), {C::MeasurementSummary});
    view->addSeparator();
    view->addAction(action(C::ToolBar));
    view->addAction(action(C::StatusBar));
    menu(QStringLiteral("&Report"), {C::Report, C::Certificate, C::Export, C::CompareWith});
    QMenu *slm = menu(QStringLiteral("&SLM"), {C::Connect, C::Disconnect});
    slm->addSeparator();
    slm->addAction(action(C::CheckBattery));
    slm->addAction(action(C::Calibration));
    slm->addSeparator();
    slm->addAction(action(C::TurnOffSlm));
    slm->addAction(action(C::SetPort));
    menu(QStringLiteral("&Help"), {C::About});
}

void CMainFrame::createToolBar()
{
    using C = ShellCommand;
    QToolBar *bar = addToolBar(QStringLiteral("Standard"));
    bar->setObjectName(QStringLiteral("standardToolBar"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const auto icon = [this](QStyle::StandardPixmap pixmap) { return style()->standardIcon(pixmap); };
    action(C::NewMeasurement)->setIcon(icon(QStyle::SP_FileIcon));
    action(C::Save)->setIcon(icon(QStyle::SP_DialogSaveButton));
    action(C::AudiometerTest)->setIcon(icon(QStyle::SP_MediaVolume));
    action(C::MeasurementSummary)->setIcon(icon(QStyle::SP_FileDialogDetailedView));
    action(C::Connect)->setIcon(icon(QStyle::SP_DialogYesButton));
    action(C::Disconnect)->setIcon(icon(QStyle::SP_DialogNoButton));
    action(C::About)->setIcon(icon(QStyle::SP_MessageBoxInformation));
    action(C::NewMeasurement)->setIconText(QStringLiteral("New"));
    action(C::Save)->setIconText(QStringLiteral("Save"));
    action(C::AudiometerTest)->setIconText(QStringLiteral("Audiometer Test"));
    action(C::MeasurementSummary)->setIconText(QStringLiteral("Summary"));
    action(C::Connect)->setIconText(QStringLiteral("Connect"));
    action(C::Disconnect)->setIconText(QStringLiteral("Disconnect"));
    action(C::About)->setIconText(QStringLiteral("About"));
    bar->addAction(action(C::NewMeasurement));
    bar->addAction(action(C::Save));
    bar->addSeparator();
    bar->addAction(action(C::AudiometerTest));
    bar->addAction(action(C::MeasurementSummary));
    bar->addSeparator();
    bar->addAction(action(C::Connect));
    bar->addAction(action(C::Disconnect));
    bar->addSeparator();
    bar->addAction(action(C::About));
    connect(action(C::ToolBar), &QAction::toggled, bar, &QToolBar::setVisible);
}

void CMainFrame::createStatusBar()
{
    m_meterStatus = new QLabel(this);
    m_meterStatus->setObjectName(QStringLiteral("meterStatus"));
    m_databaseStatus = new QLabel(this);
    m_databaseStatus->setObjectName(QStringLiteral("databaseStatus"));
    statusBar()->addPermanentWidget(m_databaseStatus);
    statusBar()->addPermanentWidget(m_meterStatus);
    statusBar()->showMessage(QStringLiteral("Ready"));
    connect(action(ShellCommand::StatusBar), &QAction::toggled, statusBar(), &QStatusBar::setVisible);
}

ShellState CMainFrame::shellState() const
{
    ShellState state;
    state.view = m_currentView;
    state.connected = m_meter && m_meter->isConnected();
    state.connecting = m_connecting;
    state.runBusy = m_runBusy;
    const FrameView *view = frameView();
    state.importPageShown = view && view->importPageShown();
    const TestSetup &setup = m_document.currentTest().setup;
    state.testHasMeterAndCalibrator =
        setup.soundLevelMeter.serialNumber[0] != '\0' && setup.calibrator.identity.serialNumber[0] != '\0';
    return state;
}

void CMainFrame::updateCommands()
{
    const ShellState state = shellState();
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it)
        it.value()->setEnabled(commandEnabled(it.key(), state));
    updateTitle();
}

void CMainFrame::run(ShellCommand command)
{
    // A shortcut or a tool button can still fire between two updates of the enabling.
    if (!commandEnabled(command, shellState()))
        return;
    using C = ShellCommand;
    switch (command) {
    case C::ChangeDatabase:
        changeDatabase();
        break;
    case C::NewMeasurement:
        newMeasurement();
        break;
    case C::Save:
        save();
        break;
    case C::ImportSetup:
        if (auto *instruments = qobject_cast<CEquipListsView *>(m_view))
            instruments->importSetup();
        break;
    case C::PrinterSetup:
        printerSetup();
        break;
    case C::Exit:
        close();
        break;
    case C::AudiometerTest:
        audiometerTest();
        break;
    case C::TestNotes:
        showTestNotes();
        break;
    case C::BoothTest:
        boothTest();
        break;
    case C::Instrumentation:
        instrumentation();
        break;
    case C::Preferences:
        showPreferences();
        break;
    case C::StoredMeasurements:
        showStoredMeasurements();
        break;
    case C::MeasurementSummary:
        measurementSummary();
        break;
    case C::ToolBar:
    case C::StatusBar:
        break; // the check mark itself shows or hides the bar
    case C::Report: {
        // Printer Setup's choices hold for the preview and the paper.
        if (!m_printer)
            m_printer = std::make_unique<QPrinter>();
        const PreferenceBlock &block = m_document.preferenceBlock();
        const ReportOrganisation organisation{block.companyName, block.header1, block.header2};
        if (m_currentView == ViewId::Booth) {
            const AmbientDisplay display = AmbientDisplay::fromPreferences(m_services.preferences);
            previewBoothReport(this, m_document.currentBooth(), organisation, {display.pages, display.earsNotCovered},
                               *m_printer);
        } else {
            previewAudiometerReport(this, m_document.currentTest(), organisation, m_services.regionalMode, *m_printer);
        }
        break;
    }
    case C::Certificate:
        certificate();
        break;
    case C::Export:
        exportData();
        break;
    case C::CompareWith:
        compareWith();
        break;
    case C::Connect:
        connectCommand();
        break;
    case C::Disconnect:
        disconnectMeter();
        break;
    case C::CheckBattery:
        checkBattery();
        break;
    case C::Calibration:
        calibrateMeter();
        break;
    case C::TurnOffSlm:
        turnOffMeter();
        break;
    case C::SetPort:
        setMeterPort();
        break;
    case C::About:
        about();
        break;
    }
    updateCommands();
    updateStatus();
}

void CMainFrame::calibrateMeter()
{
    // The calibration readies and reads the meter with events still dispatched; until it closes,
    // nothing may take the meter or the view away from under it.
    const bool wasBusy = m_runBusy;
    runBusyChanged(true);
    const auto restore = qScopeGuard([this, wasBusy] { runBusyChanged(wasBusy); });
    if (m_calibrationDialog)
        m_calibrationDialog();
    else
        showCalibrationDialog();
    m_meterCalibrated = true;
}

std::unique_ptr<MeterCalibration> CMainFrame::makeCalibration()
{
    if (!m_meter || !m_meter->link())
        return nullptr;
    const Inventory &inventory = m_document.inventory();
    auto logic = std::make_unique<MeterCalibration>(*m_meter->link(), *m_meter->fileList(), m_services.preferences,
                                                    calibrationCalibrators(inventory),
                                                    calibrationMicrophones(inventory));
    // On the built-in meter nobody can hold a real calibrator to the microphone: the chosen one is
    // played into the simulated scene instead.
    if (BuiltInSimulator *simulator = m_meterSource ? m_meterSource->simulator() : nullptr) {
        logic->onCalibratorChosen([simulator](const MeterCalibration::Calibrator &calibrator) {
            simulator->scene().setSound(PureTone{calibrator.frequencyHz, calibrator.outputLevel});
        });
    }
    return logic;
}

void CMainFrame::showCalibrationDialog()
{
    if (const std::unique_ptr<MeterCalibration> logic = makeCalibration())
        CSlmCalibrationDlg::run(*logic, this);
}

void CMainFrame::checkBattery()
{
    if (m_meter && m_meter->link())
        CBatteryCheckDlg::run(*m_meter->link(), this);
}

bool CMainFrame::requireDatabase(ShellCommand command)
{
    if (m_document.database())
        return true;
    m_interaction.message(noDatabaseMessage(command));
    return false;
}

bool CMainFrame::instrumentsDefined() const
{
    return tonva::instrumentsDefined(m_document.inventory());
}

bool CMainFrame::preferencesSet() const
{
    return m_document.preferencesSet();
}

bool CMainFrame::measurementStarted() const
{
    return m_document.setupAccepted();
}

bool CMainFrame::leaveInstrumentsAllowed()
{
    FrameView *view = frameView();
    if (m_currentView != ViewId::Instruments || !view || !view->hasPendingInstrumentChanges())
        return true;
    if (m_interaction.ask(
            QStringLiteral("There are instrumentation changes that have not been Added or Updated.\nDo you "
                           "wish to discard the changes?\n\nClick Yes to discard the changes and change to "
                           "the Measurement Summary View.\nClick No to stay in the Instrumentation View."),
            Buttons::YesNo) != Answer::Yes)
        return false;
    view->discardPendingInstrumentChanges();
    return true;
}

bool CMainFrame::settleUnsavedTest()
{
    if (!m_document.isModified())
        return true;
    switch (m_interaction.ask(QStringLiteral("Save changes to the current test?"), Buttons::YesNoCancel)) {
    case Answer::Yes: {
        FrameView *view = frameView();
        if (!view || !view->handleSave())
            m_document.SaveTest();
        // A save that was refused keeps the program where it is, with the test.
        return !m_document.isModified();
    }
    case Answer::No:
        return true;
    default:
        return false;
    }
}

void CMainFrame::newMeasurement()
{
    if (!settleUnsavedTest())
        return;
    m_document.NewTest();
    m_document.setModified(false);
}

void CMainFrame::save()
{
    FrameView *view = frameView();
    if (!view || !view->handleSave())
        m_document.SaveTest();
}

void CMainFrame::printerSetup()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>();
    QPageSetupDialog dialog(m_printer.get(), this);
    dialog.exec();
}

void CMainFrame::audiometerTest()
{
    if (!requireDatabase(ShellCommand::AudiometerTest))
        return;
    if (const std::optional<QString> missing = missingInstrumentsMessage(m_document.inventory())) {
        m_interaction.message(*missing);
        switchView(ViewId::Instruments);
        return;
    }
    switchView(ViewId::TestSetup);
}

void CMainFrame::showTestNotes()
{
    if (!requireDatabase(ShellCommand::TestNotes) || !leaveInstrumentsAllowed())
        return;
    switchView(ViewId::TestNotes);
}

void CMainFrame::boothTest()
{
    if (!requireDatabase(ShellCommand::BoothTest))
        return;
    switchView(ViewId::Booth);
}

void CMainFrame::exportData()
{
    // The command is offered in the measurement summary and in the booth view: each exports its own.
    ExportSource source;
    source.context = exportContextFrom(m_services.preferences, m_services.regionalMode);
    if (m_currentView == ViewId::Booth)
        source.booth = &m_document.currentBooth();
    else
        source.test = &m_document.currentTest();
    CExportDataDlg dialog(m_services.preferences, m_interaction, source, this);
    dialog.exec();
}

void CMainFrame::instrumentation()
{
    if (!requireDatabase(ShellCommand::Instrumentation))
        return;
    switchView(ViewId::Instruments);
}

void CMainFrame::showPreferences()
{
    if (!requireDatabase(ShellCommand::Preferences) || !leaveInstrumentsAllowed())
        return;
    switchView(ViewId::Preferences);
}

void CMainFrame::showStoredMeasurements()
{
    // Said once here rather than once by each page of the sheet.
    if (!m_document.database()) {
        m_interaction.message(QStringLiteral("The database is not available."));
        return;
    }
    const std::optional<StoredSelection> chosen =
        CStoredDataPS::run(m_document.database(), m_interaction, StoredSheetPages::Both, this);
    if (!chosen)
        return;
    if (const std::optional<ViewId> view = RetrieveStored(m_document, *chosen))
        switchView(*view);
}

void CMainFrame::changeDatabase()
{
    m_document.ChangeDatabase(m_currentView == ViewId::Idle, [this](const QString &proposed) {
        return CDAOTableDlg::choose(proposed, this);
    });
}

void CMainFrame::setMeterPort()
{
    CPrefsRS232Dlg::run(m_document, m_interaction, this);
}

void CMainFrame::measurementSummary()
{
    if (!measurementStarted()) {
        m_interaction.message(QStringLiteral("No audiometer measurement started."));
        return;
    }
    if (!leaveInstrumentsAllowed())
        return;
    switchView(ViewId::Summary);
}

void CMainFrame::about()
{
    CAboutDlg dialog(m_services.regionalMode, this);
    dialog.exec();
}

// ---- meter -----------------------------------------------------------------------------------------

int CMainFrame::connectMeter()
{
    if (m_meter && m_meter->isConnected())
        return 0;
    const WaitCursor wait;
    if (!m_services.meterSource) {
        m_interaction.message(QStringLiteral("Couldn't create COM port!"));
        return -1;
    }
    // The old link goes before its source may be replaced.
    m_meter.reset();
    const MeterSource &source = m_services.meterSource();
    m_meterSource = &source;
    m_connecting = true;
    updateCommands();
    m_meter = std::make_unique<MeterConnection>(source, m_interaction);
    const int baudRate = m_document.preferenceBlock().slmBaudRate;
    const int status = m_meter->Connect(source.portNumber(), baudRate);
    if (status < 0)
        m_meter.reset();
    m_connecting = false;
    meterChanged();
    updateCommands();
    updateStatus();
    return status;
}

void CMainFrame::connectCommand()
{
    if (connectMeter() >= 0)
        m_interaction.message(QStringLiteral("Connected"));
}

void CMainFrame::disconnectMeter()
{
    if (m_meter)
        m_meter->Disconnect();
    m_meter.reset();
    meterChanged();
}

void CMainFrame::turnOffMeter()
{
    if (m_meter)
        m_meter->TurnOff();
    m_meter.reset();
    meterChanged();
}

void CMainFrame::meterChanged()
{
    if (CAudTestView *shown = sheet()) {
        const bool connected = m_meter && m_meter->isConnected();
        shown->attachMeter(connected ? m_meter->link() : nullptr, connected ? m_meter->fileList() : nullptr);
    }
}

void CMainFrame::runBusyChanged(bool busy)
{
    m_runBusy = busy;
    updateCommands();
}

// ---- views -----------------------------------------------------------------------------------------

QWidget *CMainFrame::createView(ViewId view, int measurementIndex)
{
    Q_UNUSED(measurementIndex);
    switch (view) {
    case ViewId::Idle: {
        auto *idle = new CIdleView;
        idle->setDatabasePath(m_document.databasePath());
        return idle;
    }
    case ViewId::Summary: {
        CVemoraView::Context context;
        context.instrumentsDefined = [this] { return instrumentsDefined(); };
        context.preferencesSet = [this] { return preferencesSet(); };
        context.rememberTechnician = [this](const QString &technician) { m_currentTechnician = technician; };
        return new CVemoraView(m_document, m_interaction, *this, std::move(context));
    }
    case ViewId::Preferences:
        return new CPreferencesView(m_document, m_services.preferences, m_interaction, *this);
    case ViewId::TestNotes:
        return new CTestNotesView(m_document, *this);
    case ViewId::Instruments:
        return new CEquipListsView(m_document, m_services.preferences, m_interaction, *this);
    case ViewId::AudTest:
        return createSheet(measurementIndex);
    case ViewId::TestSetup:
        return new CTestSetupView(m_document, m_services.preferences, m_interaction, *this);
    case ViewId::Booth: {
        CAmbientView::Context context{m_document, m_services.preferences, m_interaction, *this, {}};
        context.meter = [this](bool connectFirst) -> std::pair<SlmLink *, SlmFileList *> {
            if (connectFirst && connectMeter() < 0)
                return {nullptr, nullptr};
            if (!m_meter || !m_meter->isConnected())
                return {nullptr, nullptr};
            return {m_meter->link(), m_meter->fileList()};
        };
        return new CAmbientView(std::move(context));
    }
    case ViewId::TestAll: {
        auto *selection = new CTestAllView;
        connect(selection, &CTestAllView::cancelled, this, [this] { switchView(ViewId::Summary); });
        return selection;
    }
    }
    return new PlaceholderView(view, *this);
}

QWidget *CMainFrame::createSheet(int measurementIndex)
{
    Clock &clock = m_meter && m_meterSource ? m_meterSource->clock() : m_services.clock;
    CAudTestView::Context context{{m_interaction, clock, m_services.preferences, m_services.regionalMode}, m_pages, m_document.currentTest()};
    context.saveRecord = [this] { return m_document.SaveTest(); };
    context.askSaveData = [this] { return CSaveNowDlg::ask(m_services.preferences, this); };
    context.recordChanged = [this](bool sheetModified) {
        if (sheetModified)
            m_document.setModified(true);
    };
    context.returnToSummary = [this] { switchView(ViewId::Summary); };
    context.busyChanged = [this](bool busy) { runBusyChanged(busy); };
    auto *view = new CAudTestView(std::move(context));
    const bool connected = m_meter && m_meter->isConnected();
    view->attachMeter(connected ? m_meter->link() : nullptr, connected ? m_meter->fileList() : nullptr);
    view->open(measurementIndex);
    return view;
}

CAudTestView *CMainFrame::sheet() const
{
    return qobject_cast<CAudTestView *>(m_view);
}

FrameView *CMainFrame::frameView() const
{
    return dynamic_cast<FrameView *>(m_view);
}

void CMainFrame::replaceView(QWidget *view)
{
    QWidget *old = m_view;
    m_stack->addWidget(view);
    m_stack->setCurrentWidget(view);
    m_view = view;
    if (old) {
        m_stack->removeWidget(old);
        old->hide();
        // The old view may be the one whose button asked for this switch: it goes once its handler
        // has returned.
        old->deleteLater();
    }
}

bool CMainFrame::switchView(ViewId target, int measurementIndex)
{
    if (isBusy())
        return false;
    const ViewRedirect redirect = redirectView(target, instrumentsDefined(), preferencesSet());
    if (!redirect.message.isEmpty())
        m_interaction.message(redirect.message);
    target = redirect.view;
    if (target == m_currentView)
        return true;

    // Leaving the sheet by any way hands its results on, as its OK does.
    if (CAudTestView *leavingSheet = sheet())
        leavingSheet->leave();
    if (FrameView *leaving = frameView())
        leaving->aboutToLeave(target);
    if (m_currentView == ViewId::Preferences && m_meter) {
        m_meter->Disconnect();
        m_meter.reset();
    }

    if (target == ViewId::AudTest || target == ViewId::TestAll) {
        if (connectMeter() < 0)
            return false;
    }
    if (target == ViewId::AudTest && !m_meterCalibrated) {
        // Shown once per program run, whichever way it is closed.
        calibrateMeter();
    }

    {
        const WaitCursor wait;
        replaceView(createView(target, measurementIndex));
    }
    m_currentView = target;
    if (m_history.push(target) == ViewHistory::PushResult::Full)
        m_interaction.message(QStringLiteral("Internal error: Unable to push view onto stack."));
    updateCommands();
    updateStatus();
    return true;
}

void CMainFrame::goBack()
{
    switchView(m_history.pop());
}

void CMainFrame::showViewForPicture(ViewId view, int measurementIndex)
{
    replaceView(createView(view, measurementIndex));
    m_currentView = view;
    updateCommands();
}

CSysMessageDlg &CMainFrame::sysMessage()
{
    if (!m_sysMessage)
        m_sysMessage = new CSysMessageDlg(this);
    return *m_sysMessage;
}

// ---- window ----------------------------------------------------------------------------------------

void CMainFrame::updateTitle()
{
    const QString title = m_document.title().trimmed();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Tonva[*]") : QStringLiteral("%1[*] - Tonva").arg(title));
    setWindowModified(m_document.isModified());
}

void CMainFrame::updateStatus()
{
    const bool connected = m_meter && m_meter->isConnected();
    const QString port = m_services.meterPortName ? m_services.meterPortName() : QString();
    m_meterStatus->setText(connected ? QStringLiteral("SLM: connected on %1").arg(port)
                                     : QStringLiteral("SLM: not connected (%1)").arg(port));
    const QString database = m_document.databasePath();
    m_databaseStatus->setText(database.isEmpty() ? QStringLiteral("No database")
                                                 : QFileInfo(database).fileName());
    m_databaseStatus->setToolTip(database);
}

void CMainFrame::closeEvent(QCloseEvent *event)
{
    if (isBusy()) {
        event->ignore();
        return;
    }
    // The sheet's results and what the summary view holds count as part of the test before the
    // question is asked; the sheet closes as OK closes it, onto the summary.
    if (CAudTestView *shownSheet = sheet())
        shownSheet->leave(true);
    if (FrameView *view = frameView())
        view->aboutToLeave(ViewId::Idle);
    if (!settleUnsavedTest()) {
        event->ignore();
        updateTitle();
        return;
    }
    m_document.SavePreferences();
    m_services.preferences.write(preference::DataWasModified, 0);
    m_services.preferences.sync();
    if (m_meter)
        m_meter->Disconnect();
    m_meter.reset();
    event->accept();
}

} // namespace tonva

// The desktop program: the same wiring as the headless demo, with the technician at the screen.

#include "app/CVemoraApp.h"
#include "app/CVemoraDoc.h"
#include "app/DesktopBench.h"
#include "app/ShellCommands.h"
#include "app/ui/CMainFrame.h"
#include "app/ui/ScreenshotTour.h"
#include "demo/CalibrationDemo.h"
#include "demo/DemoLaboratory.h"
#include "report/ui/ReportPreview.h"
#include "inventory/InstrumentInventory.h"
#include "measure/ui/CTempHumidityDlg.h"
#include "platform/Clock.h"
#include "platform/PreferenceStore.h"
#include "platform/ui/MessageBoxInteraction.h"
#include "storage/Recordsets.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTextStream>
#include <clocale>
#include <memory>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

using namespace tonva;

namespace {

#ifdef Q_OS_UNIX
int g_signalPipe[2] = {-1, -1};

void onTerminate(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT close the window as Exit does, so the preferences are written and an unsaved
// test is asked about instead of being dropped.
void closeOnTerminate(CMainFrame &frame)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &frame);
    QObject::connect(notifier, &QSocketNotifier::activated, &frame, [&frame] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(g_signalPipe[0], &byte, 1);
        frame.close();
    });
    struct sigaction action = {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}
#else
void closeOnTerminate(CMainFrame &)
{}
#endif

std::unique_ptr<PreferenceStore> openPreferences(const StartupOptions &options)
{
    if (!options.settingsFile.isEmpty())
        return std::make_unique<PreferenceStore>(options.settingsFile);
    if (options.demo) {
        const QFileInfo database(demo::CalibrationDemo::defaultDatabasePath());
        return std::make_unique<PreferenceStore>(
            database.absoluteDir().filePath(QStringLiteral("tonva-demo.ini")));
    }
    return std::make_unique<PreferenceStore>();
}

// A database named on the command line becomes the one the document opens, as if it had been chosen
// with Change Database.
void chooseDatabase(const StartupOptions &options, PreferenceStore &preferences)
{
    QString path = options.databasePath;
    if (path.isEmpty() && options.demo)
        path = demo::CalibrationDemo::defaultDatabasePath();
    if (path.isEmpty())
        return;
    const QFileInfo file(path);
    QDir().mkpath(file.absolutePath());
    preferences.write(preference::DatabaseDir, file.absolutePath() + QLatin1Char('/'));
    preferences.write(preference::DatabaseName, file.fileName());
}

// The demo laboratory's instruments, added once, so every Test command works at first start.
void furnishDemoLaboratory(CVemoraDoc &document, Interaction &interaction)
{
    if (!document.database() || instrumentsDefined(document.inventory()))
        return;
    InstrumentInventory inventory(document.inventory(), interaction, QDate::currentDate().year());
    if (demo::addInstruments(inventory))
        document.SaveEquipmentLists();
}

// Rendering pictures must never wait for a person: every box is printed and answered with the
// button that changes least.
class UnattendedInteraction final : public Interaction
{
public:
    void message(const QString &text) override { QTextStream(stderr) << "tonva: " << text << Qt::endl; }
    Answer ask(const QString &text, Buttons buttons) override
    {
        message(text);
        return buttons == Buttons::YesNo ? Answer::No : buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
    Answer askToSet(const QString &text, const Stimulus &, Buttons buttons) override
    {
        return ask(text, buttons);
    }
    std::unique_ptr<Progress> openProgress(const QString &, int, int, int) override
    {
        return std::make_unique<SilentProgress>();
    }
};

// The pictures show a real test: the last one stored, or a freshly set-up one.
void prepareTestForPictures(CVemoraDoc &document, PreferenceStore &preferences, Interaction &interaction)
{
    if (!instrumentsDefined(document.inventory()))
        return;
    if (document.database()) {
        try {
            const std::vector<AudTestRow> rows = CAudTestMeasRS(*document.database()).list();
            if (!rows.empty() && document.LoadTest(rows.back().id))
                return;
        } catch (const DatabaseError &) {
        }
    }
    if (demo::setUpTest(document.currentTest(), document.inventory(), preferences, interaction,
                        QDate::currentDate())) {
        document.setSetupAccepted(true);
        document.SetTitleFromRecord();
    }
}

} // namespace

int main(int argc, char **argv)
{
    // Read before the window system is reached, so --help works without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const ParsedCommandLine parsed = CVemoraApp::parseCommandLine(arguments);
    if (!parsed.options) {
        QTextStream(parsed.exitCode == 0 ? stdout : stderr) << parsed.text << Qt::endl;
        return parsed.exitCode;
    }
    const StartupOptions &options = *parsed.options;

    QApplication app(argc, argv);
    // Texts the program formats ("%.1f", dates) never follow a decimal-comma locale.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setOrganizationName(QStringLiteral("Mervane"));
    QApplication::setApplicationName(QStringLiteral("Tonva"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tonva"));
    const RegionalMode regionalMode = CVemoraApp::readRegionalMode(QApplication::applicationDirPath());

    QString profileError;
    const std::optional<AudiometerProfile> profile =
        AudiometerProfile::load(options.simProfile, &profileError);
    if (!profile) {
        QTextStream(stderr) << "tonva: " << profileError << Qt::endl;
        return 2;
    }

    std::unique_ptr<PreferenceStore> preferences = openPreferences(options);
    chooseDatabase(options, *preferences);

    SystemClock clock;
    DesktopMeterSource meterSource(clock, *profile);
    MessageBoxInteraction messageBoxes;
    messageBoxes.setTestConditionsDialog([&messageBoxes](TestConditions &conditions, QWidget *parent) {
        return CTempHumidityDlg::run(conditions, messageBoxes, parent);
    });
    UnattendedInteraction unattended;
    Interaction &technician =
        options.screenshotFolder.isEmpty() ? static_cast<Interaction &>(messageBoxes) : unattended;
    CVemoraDoc *documentSeen = nullptr;
    BenchInteraction interaction(
        technician, [&meterSource] { return meterSource.audiometer(); },
        [&documentSeen]() -> const TestSetup * {
            return documentSeen ? &documentSeen->currentTest().setup : nullptr;
        });

    CVemoraDoc document(*preferences, interaction, DatabasePath::defaultFolder(),
                        static_cast<int>(regionalMode));
    documentSeen = &document;
    // The first new test opens the last used database and loads its instruments.
    document.NewTest();
    if (options.demo)
        furnishDemoLaboratory(document, interaction);

    const PreferenceBlock preferencesAtStart = document.preferenceBlock();
    FrameServices services{
        *preferences,
        interaction,
        clock,
        document,
        [&meterSource, &options, &document, &preferencesAtStart]() -> const MeterSource & {
            return meterSource.sourceFor(
                CVemoraApp::meterPortName(options, document.preferenceBlock(), &preferencesAtStart),
                document.preferenceBlock().slmComport);
        },
        [&options, &document, &preferencesAtStart] {
            return CVemoraApp::meterPortLabel(options, document.preferenceBlock(), &preferencesAtStart);
        },
        regionalMode};
    CMainFrame frame(services);
    messageBoxes.setParentWidget(&frame);

    if (!options.screenshotFolder.isEmpty()) {
        prepareTestForPictures(document, *preferences, interaction);
        frame.updateCommands();
        QStringList written = renderScreenshots(frame, options.screenshotFolder);
        if (!written.isEmpty()) {
            const PreferenceBlock &block = document.preferenceBlock();
            written << renderReportScreenshots(&frame, document.currentTest(),
                                               {block.companyName, block.header1, block.header2},
                                               options.screenshotFolder);
        }
        for (const QString &file : written)
            QTextStream(stdout) << file << Qt::endl;
        return written.isEmpty() ? 1 : 0;
    }

    closeOnTerminate(frame);
    frame.show();
    return QApplication::exec();
}

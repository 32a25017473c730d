#include "ambient/AmbientPages.h"
#include "ambient/AmbientSurvey.h"
#include "ambient/BoothSave.h"
#include "app/CVemoraDoc.h"
#include "cli/Commands.h"
#include "cli/ConsoleInteraction.h"
#include "demo/CalibrationDemo.h"
#include "meter/MeterConnection.h"
#include "meter/MeterSource.h"
#include "model/FixedText.h"
#include "platform/PreferenceStore.h"
#include "sim/BoothProfile.h"
#include "sim/BuiltInSimulator.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

namespace tonva::cli {

namespace {

struct BoothOptions
{
    std::string profile = "quiet-booth";
    std::string date;
    std::string name;
    std::string database;
    std::string port;
    bool verbose = false;
};

const QString kOverwriteValues = QStringLiteral("Saving measurement will overwrite previous Ambient values. Continue?");

// Nobody answers at a console: every question about the meter is declined, so an unattended survey
// never goes on with a meter it was unsure of. Saving the survey was asked for, so the question whether
// to replace the record's earlier values is taken as yes; another stored survey of the same name is
// never overwritten.
class BoothInteraction final : public Interaction
{
public:
    explicit BoothInteraction(bool verbose) : m_console(ConsoleInteraction::Answers::Decline, verbose) {}

    void message(const QString &text) override { m_console.message(text); }
    Answer ask(const QString &text, Buttons buttons) override
    {
        return text == kOverwriteValues ? Answer::Yes : m_console.ask(text, buttons);
    }
    Answer askToSet(const QString &text, const Stimulus &stimulus, Buttons buttons) override
    {
        return m_console.askToSet(text, stimulus, buttons);
    }
    std::unique_ptr<Progress> openProgress(const QString &caption, int rangeLow, int rangeHigh,
                                           int step) override
    {
        return m_console.openProgress(caption, rangeLow, rangeHigh, step);
    }

private:
    ConsoleInteraction m_console;
};

// The instruments of a survey run from the command line, where no instrument was chosen: the meter
// that answered, and a microphone and preamplifier named only as unknown.
BoothEquipment commandLineEquipment(const MeterConnection &meter)
{
    const auto identity = [](const QString &manufacturer, const QString &model) {
        InstrumentIdentity id;
        setDisplayText(id.manufacturer, manufacturer);
        setDisplayText(id.model, model);
        setDisplayText(id.serialNumber, QStringLiteral("-"));
        return id;
    };
    const QString model = QString::fromLatin1(meter.modelReply()).trimmed();
    BoothEquipment equipment;
    equipment.soundLevelMeter = identity(model.section(QLatin1Char(' '), 0, 0), model.section(QLatin1Char(' '), 1, 2));
    equipment.preamplifier = identity(QStringLiteral("unknown"), QStringLiteral("command line"));
    MicrophoneSlot microphone;
    microphone.identity = identity(QStringLiteral("unknown"), QStringLiteral("command line"));
    equipment.microphone = microphone;
    return equipment;
}

int runBooth(const BoothOptions &options)
{
    QTextStream out(stdout);
    BoothInteraction interaction(options.verbose);
    QDate date = QDate::currentDate();
    if (!options.date.empty()) {
        date = QDate::fromString(QString::fromStdString(options.date), QStringLiteral("yyyy-MM-dd"));
        if (!date.isValid()) {
            interaction.message(QStringLiteral("--date: '%1' is not a date of the form YYYY-MM-DD")
                                    .arg(QString::fromStdString(options.date)));
            return 1;
        }
    }
    const QString name = options.name.empty()
                             ? QStringLiteral("Booth survey %1").arg(date.toString(QStringLiteral("yyyy-MM-dd")))
                             : QString::fromStdString(options.name);
    if (!isLegalBoothTestName(name) || name.trimmed().isEmpty()) {
        decideBoothSave({name, QString(), true, false, {}}, interaction);
        return 1;
    }

    SystemClock systemClock;
    const bool builtIn = options.port.empty();
    const MeterSource source(builtIn ? MeterSource::builtInName() : QString::fromStdString(options.port),
                             systemClock);
    if (source.simulator()) {
        QString error;
        const std::optional<BoothProfile> booth = BoothProfile::load(QString::fromStdString(options.profile), &error);
        if (!booth) {
            interaction.message(QStringLiteral("--profile: ") + error);
            return 1;
        }
        booth->presentIn(source.simulator()->scene());
    }

    // The survey is stored in the database named, never through the technician's own preferences.
    QTemporaryDir preferenceFolder;
    PreferenceStore preferences(preferenceFolder.filePath(QStringLiteral("tonva-booth.ini")));
    const QFileInfo database(options.database.empty() ? demo::CalibrationDemo::defaultDatabasePath()
                                                      : QString::fromStdString(options.database));
    QDir().mkpath(database.absolutePath());
    preferences.write(preference::DatabaseDir, database.absolutePath());
    preferences.write(preference::DatabaseName, database.fileName());
    CVemoraDoc document(preferences, interaction, database.absolutePath());
    document.OpenStartupDatabase();
    if (!document.database() || !document.LoadEquipmentLists())
        return 1;

    MeterConnection meter(source, interaction);
    if (meter.Connect(source.portNumber(), 115200) != 0) {
        out << "The meter did not connect; nothing was measured." << Qt::endl;
        return 1;
    }
    BoothRecord &record = document.currentBooth();
    record = BoothRecord{};
    clearAmbientValues(record);
    setDisplayText(record.testName, name);
    BoothEquipment equipment = BoothEquipment::currentSelection(document.inventory(), preferences);
    const BoothEquipment fallback = commandLineEquipment(meter);
    equipment.soundLevelMeter = equipment.soundLevelMeter.value_or(*fallback.soundLevelMeter);
    equipment.preamplifier = equipment.preamplifier.value_or(*fallback.preamplifier);
    equipment.microphone = equipment.microphone.value_or(*fallback.microphone);

    AmbientSurvey survey(*meter.link(), *meter.fileList());
    const bool measured = survey.prepareMeter() && survey.measure(record, date, equipment) ==
                                                       AmbientSurvey::Outcome::Measured;
    meter.Disconnect();
    if (!measured) {
        out << "The survey was not completed; nothing was saved." << Qt::endl;
        return 1;
    }

    const BoothSaveRequest request{name, QString(), true, holdsAmbientValues(record), [&document](const QString &n) {
                                       return document.storedBoothId(n).has_value();
                                   }};
    if (decideBoothSave(request, interaction) != BoothSaveDecision::Save || !document.SaveBooth()) {
        out << "The survey was measured but not saved." << Qt::endl;
        return 1;
    }

    AmbientDisplay display;
    display.showFail = true;
    display.earsNotCovered = preferences.read(preference::DisplayEarsNotCovered) != 0;
    const QList<AmbientPage> pages = ambientPages(record, display);
    for (const AmbientPage &page : pages)
        out << page.text() << Qt::endl;
    out << "Saved booth survey \"" << name << "\" of " << displayText(record.measurementDate) << " in "
        << document.databasePath() << Qt::endl;
    return 0;
}

} // namespace

Command addBoothCommand(CLI::App &app)
{
    auto options = std::make_shared<BoothOptions>();
    CLI::App *sub = app.add_subcommand(
        "booth", "Survey a booth's background noise, store it and show it against the ambient-noise limits");
    CLI::Option *port = sub->add_option("--port", options->port,
                                        "Serial device of the meter or a trellan-sim (default: built-in meter)");
    sub->add_option("--profile", options->profile,
                    "Booth of the built-in meter: quiet-booth, noisy-booth or a JSON file "
                    "(a trellan-sim takes its own --booth)")
        ->excludes(port);
    sub->add_option("--date", options->date, "Measurement date, YYYY-MM-DD (default: today)");
    sub->add_option("--name", options->name, "Test name the survey is stored under (default: 'Booth survey DATE')");
    sub->add_option("--db", options->database, "Database file (created when missing)");
    sub->add_flag("-v,--verbose", options->verbose, "Show progress and every prompt");
    return {sub, [options] { return runBooth(*options); }};
}

} // namespace tonva::cli

#include "app/CVemoraApp.h"

#include "app/Preferences.h"
#include "platform/PreferenceStore.h"
#include "platform/QtSerialPort.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>

namespace tonva {

DisplaySettings DisplaySettings::read(const PreferenceStore &preferences)
{
    DisplaySettings settings;
    settings.saveAfterTest = preferences.readFlag(preference::SaveAfterTest);
    settings.showSaveDialogAfterTest = preferences.readFlag(preference::ShowSaveDialogAfterTest);
    settings.displayEarsNotCovered = preferences.readFlag(preference::DisplayEarsNotCovered);
    settings.displayEmptyRetspl = preferences.readFlag(preference::DisplayEmptyRetspl);
    return settings;
}

RegionalMode CVemoraApp::readRegionalMode(const QString &programFolder)
{
    QFile marker(QDir(programFolder).filePath(QStringLiteral("AlternateFile")));
    if (!marker.open(QIODevice::ReadOnly | QIODevice::Text))
        return RegionalMode::Normal;
    // Only the start of the first line counts; a huge file is never read whole.
    const QString firstLine = QString::fromLatin1(marker.readLine(15)).left(14).toUpper();
    if (firstLine.contains(QLatin1String("YES")))
        return RegionalMode::Alternate;
    if (firstLine.contains(QLatin1String("AUSTRAL")))
        return RegionalMode::Australian;
    return RegionalMode::Normal;
}

ParsedCommandLine CVemoraApp::parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Tonva: calibration of audiometers and test booths with a Trellan sound level meter."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and quit."));
    const QCommandLineOption db(QStringLiteral("db"), QStringLiteral("Open this database file."),
                                QStringLiteral("FILE"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("The meter's port for this session: a device, COMn, or "
                                                 "'sim' for the built-in simulator."),
                                  QStringLiteral("NAME"));
    const QCommandLineOption simProfile(
        QStringLiteral("sim-profile"),
        QStringLiteral("The simulated audiometer: 'good', 'faulty' or a profile file (default good)."),
        QStringLiteral("NAME|FILE"), QStringLiteral("good"));
    const QCommandLineOption settings(QStringLiteral("settings"),
                                      QStringLiteral("Keep the preferences in this INI file."),
                                      QStringLiteral("FILE"));
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("Start on the demo laboratory: its database, the built-in simulator and its "
                       "own preferences."));
    const QCommandLineOption screenshots(QStringLiteral("screenshots"),
                                         QStringLiteral("Render every view into DIR as PNG files and quit."),
                                         QStringLiteral("DIR"));
    parser.addOptions({help, db, port, simProfile, settings, demo, screenshots});

    ParsedCommandLine parsed;
    // Parsed before the application object exists, when the parser cannot know the program's name.
    const QString helpText =
        parser.helpText().replace(QLatin1String("<executable_name>"), QLatin1String("tonva"));
    if (!parser.parse(arguments)) {
        parsed.text = parser.errorText() + QStringLiteral("\n\n") + helpText;
        parsed.exitCode = 2;
        return parsed;
    }
    if (!parser.positionalArguments().isEmpty()) {
        parsed.text = QStringLiteral("Unexpected argument: %1\n\n%2")
                          .arg(parser.positionalArguments().first(), helpText);
        parsed.exitCode = 2;
        return parsed;
    }
    if (parser.isSet(help)) {
        parsed.text = helpText;
        return parsed;
    }
    StartupOptions options;
    options.databasePath = parser.value(db);
    options.portName = parser.value(port);
    options.simProfile = parser.value(simProfile);
    options.settingsFile = parser.value(settings);
    options.demo = parser.isSet(demo);
    options.screenshotFolder = parser.value(screenshots);
    if (options.demo && options.portName.isEmpty())
        options.portName = QStringLiteral("sim");
    parsed.options = options;
    return parsed;
}

QString CVemoraApp::meterPortName(const StartupOptions &options, const PreferenceBlock &preferences,
                                  const PreferenceBlock *atStart)
{
    const bool portChosenSince = atStart && (preferences.slmPortName != atStart->slmPortName ||
                                             preferences.slmComport != atStart->slmComport);
    if (!options.portName.isEmpty() && !portChosenSince)
        return options.portName;
    return preferences.slmPortName.trimmed();
}

QString CVemoraApp::meterPortLabel(const StartupOptions &options, const PreferenceBlock &preferences,
                                   const PreferenceBlock *atStart)
{
    const QString name = meterPortName(options, preferences, atStart);
    return name.isEmpty() ? QtSerialPort::deviceForPortNumber(preferences.slmComport) : name;
}

} // namespace tonva

#pragma once

#include "model/RegionalMode.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace tonva {

class PreferenceStore;
struct PreferenceBlock;


// The program's version as the About box shows it ("Version: %.3f").
inline constexpr double kProgramVersion = 2.201;

// How the desktop program was asked to start.
struct StartupOptions
{
    // A database file to open instead of the last used one.
    QString databasePath;
    // The meter's port for this session: a device path, COMn, or "sim" for the built-in simulator.
    QString portName;
    // The simulated audiometer's profile: a shipped name ("good", "faulty") or a profile file.
    QString simProfile = QStringLiteral("good");
    // An INI file used as the preference store instead of the user's own.
    QString settingsFile;
    // The demonstration laboratory: the demo database (with its instruments), the built-in
    // simulator and a preference file of its own.
    bool demo = false;
    // Render every view into this folder as PNG files and quit.
    QString screenshotFolder;
};

struct ParsedCommandLine
{
    std::optional<StartupOptions> options; // nothing: print `text` and stop
    QString text;                          // the help, or what was wrong
    int exitCode = 0;
};

// The settings the program keeps in memory from start-up on (section "Settings").
struct DisplaySettings
{
    bool saveAfterTest = true;
    bool showSaveDialogAfterTest = true;
    bool displayEarsNotCovered = true;
    bool displayEmptyRetspl = true;

    static DisplaySettings read(const PreferenceStore &preferences);
};

// The application object's start-up decisions, free of any window.
class CVemoraApp
{
public:
    // Reads the marker file "AlternateFile" in `programFolder`: a first line containing "YES" selects
    // the alternate mode, "AUSTRAL" the Australian one; anything else, or no file, the normal mode.
    static RegionalMode readRegionalMode(const QString &programFolder);

    // `arguments` include the program name first, as QCoreApplication::arguments() gives them.
    static ParsedCommandLine parseCommandLine(const QStringList &arguments);

    // The port the meter is reached on: the command line's, else the document's port name; empty
    // when only the port number names it (the older preference). Given the preferences as they were
    // at start, the command line's port holds only until Set Port chooses another one: a technician
    // who picks a port in the program expects the next Connect to use it.
    static QString meterPortName(const StartupOptions &options, const PreferenceBlock &preferences,
                                 const PreferenceBlock *atStart = nullptr);
    // The port as the status bar names it.
    static QString meterPortLabel(const StartupOptions &options, const PreferenceBlock &preferences,
                                  const PreferenceBlock *atStart = nullptr);
};

} // namespace tonva

#pragma once

#include "app/ViewId.h"

#include <QString>
#include <optional>

namespace tonva {

struct Inventory;

// Every command of the main window's menus.
enum class ShellCommand
{
    ChangeDatabase,
    NewMeasurement,
    Save,
    ImportSetup,
    PrinterSetup,
    Exit,
    AudiometerTest,
    TestNotes,
    BoothTest,
    Instrumentation,
    Preferences,
    StoredMeasurements,
    MeasurementSummary,
    ToolBar,
    StatusBar,
    Report,
    Certificate,
    Export,
    CompareWith,
    Connect,
    Disconnect,
    CheckBattery,
    Calibration,
    TurnOffSlm,
    SetPort,
    About
};
inline constexpr int kShellCommandCount = static_cast<int>(ShellCommand::About) + 1;

// What the enabling of the commands depends on.
struct ShellState
{
    ViewId view = ViewId::Idle;
    bool connected = false;
    // Connect is running (it pumps events while it waits on the meter).
    bool connecting = false;
    // A measurement or a meter set-up is running in the shown view.
    bool runBusy = false;
    // The instrument view shows its microphone or mastoid page.
    bool importPageShown = false;
    // The current test has both a sound level meter and a calibrator.
    bool testHasMeterAndCalibrator = false;
};

// The menu enabling rule. Commands that decide for themselves when chosen (Change Database, the
// notes, the preferences, the summary) stay enabled; while a measurement or a connect runs, every
// command that could end or disturb it is off.
bool commandEnabled(ShellCommand command, const ShellState &state);

// True for the commands that stay usable while a measurement runs: they touch neither the views,
// the document nor the meter.
bool harmlessWhileBusy(ShellCommand command);

// The precondition of switching to a view: without instruments or preferences only the idle,
// instrument and preference views can be shown, and the others lead there with a message.
struct ViewRedirect
{
    ViewId view;
    QString message; // empty when the view is shown as asked
};
ViewRedirect redirectView(ViewId target, bool instrumentsDefined, bool preferencesSet);

// The four kinds of instrument a test cannot be set up without; each missing kind is one line of
// "The following items have not been entered yet ...". Empty when none is missing.
QString missingInstrumentLines(const Inventory &inventory);
// All four kinds are in the inventory.
bool instrumentsDefined(const Inventory &inventory);
// The whole message for "Audiometer Test..." when instruments are missing; nothing otherwise.
std::optional<QString> missingInstrumentsMessage(const Inventory &inventory);

// The message of a command that needs a database when none is open.
QString noDatabaseMessage(ShellCommand command);

} // namespace tonva

#include "app/ShellCommands.h"

#include "model/Inventory.h"

namespace tonva {

namespace {

bool idle(const ShellState &state)
{
    return state.view == ViewId::Idle;
}

bool summaryOrBooth(const ShellState &state)
{
    return state.view == ViewId::Summary || state.view == ViewId::Booth;
}

} // namespace

bool harmlessWhileBusy(ShellCommand command)
{
    switch (command) {
    case ShellCommand::PrinterSetup:
    case ShellCommand::ToolBar:
    case ShellCommand::StatusBar:
    case ShellCommand::About:
        return true;
    default:
        return false;
    }
}

bool commandEnabled(ShellCommand command, const ShellState &state)
{
    if ((state.runBusy || state.connecting) && !harmlessWhileBusy(command))
        return false;
    switch (command) {
    case ShellCommand::NewMeasurement:
    case ShellCommand::AudiometerTest:
    case ShellCommand::BoothTest:
    case ShellCommand::Instrumentation:
    case ShellCommand::StoredMeasurements:
        return idle(state);
    case ShellCommand::Save:
        return idle(state) || state.view == ViewId::Summary;
    case ShellCommand::ImportSetup:
        return state.view == ViewId::Instruments && state.importPageShown;
    case ShellCommand::Report:
    case ShellCommand::Certificate:
    case ShellCommand::Export:
    case ShellCommand::CompareWith:
        return summaryOrBooth(state);
    case ShellCommand::Connect:
        return !state.connected;
    case ShellCommand::Disconnect:
    case ShellCommand::CheckBattery:
    case ShellCommand::TurnOffSlm:
        return state.connected;
    case ShellCommand::Calibration:
        return state.connected && state.testHasMeterAndCalibrator;
    case ShellCommand::ChangeDatabase:
    case ShellCommand::PrinterSetup:
    case ShellCommand::Exit:
    case ShellCommand::TestNotes:
    case ShellCommand::Preferences:
    case ShellCommand::MeasurementSummary:
    case ShellCommand::ToolBar:
    case ShellCommand::StatusBar:
    case ShellCommand::SetPort:
    case ShellCommand::About:
        return true;
    }
    return false;
}

ViewRedirect redirectView(ViewId target, bool instrumentsAreDefined, bool preferencesSet)
{
    const bool alwaysReachable =
        target == ViewId::Idle || target == ViewId::Instruments || target == ViewId::Preferences;
    if (alwaysReachable)
        return {target, {}};
    if (!instrumentsAreDefined)
        return {ViewId::Instruments, QStringLiteral("Must define equipment first.")};
    if (!preferencesSet)
        return {ViewId::Preferences, QStringLiteral("Must set program preferences first.")};
    return {target, {}};
}

QString missingInstrumentLines(const Inventory &inventory)
{
    QString lines;
    const auto missing = [&](InventoryType type, const char *line) {
        if (inventory.list(type).empty())
            lines += QLatin1String(line);
    };
    missing(InventoryType::SoundLevelMeter, "    Sound Level Meter\n");
    missing(InventoryType::Calibrator, "    Calibrator\n");
    missing(InventoryType::Microphone, "    Microphone\n");
    missing(InventoryType::Preamplifier, "    Preamp\n");
    return lines;
}

bool instrumentsDefined(const Inventory &inventory)
{
    return missingInstrumentLines(inventory).isEmpty();
}

std::optional<QString> missingInstrumentsMessage(const Inventory &inventory)
{
    const QString lines = missingInstrumentLines(inventory);
    if (lines.isEmpty())
        return std::nullopt;
    return QStringLiteral("The following items have not been entered yet (in Instrumentation)\nbut need "
                          "to be before setting up a measurement:\n") +
           lines;
}

QString noDatabaseMessage(ShellCommand command)
{
    const auto text = [](const char *what) {
        return QStringLiteral("Must connect to a database before %1!\nSelect/create a database with "
                              "File/Change Database.")
            .arg(QLatin1String(what));
    };
    switch (command) {
    case ShellCommand::AudiometerTest:
        return text("opening a new Audiometer test");
    case ShellCommand::TestNotes:
        return text("writing notes for a test");
    case ShellCommand::BoothTest:
        return text("opening a new booth test");
    case ShellCommand::Instrumentation:
        return text("defining instruments");
    case ShellCommand::Preferences:
        return text("setting preferences");
    default:
        return text("using this command");
    }
}

} // namespace tonva

#pragma once

#include <CLI/CLI.hpp>
#include <functional>

namespace tonva::cli {

// A sub-command: its parser node, and the action that runs it and returns the exit status.
struct Command
{
    CLI::App *parser = nullptr;
    std::function<int()> run;
};

Command addProbeCommand(CLI::App &app);
Command addDbCommand(CLI::App &app);
Command addDemoCommand(CLI::App &app);
Command addPortsCommand(CLI::App &app);
Command addCalibrateCommand(CLI::App &app);
Command addBoothCommand(CLI::App &app);
Command addReportCommand(CLI::App &app);
Command addExportCommand(CLI::App &app);

} // namespace tonva::cli

#include "cli/Commands.h"

#include <QGuiApplication>
#include <clocale>
#include <cstring>
#include <memory>
#include <vector>

int main(int argc, char **argv)
{
    // Reports lay out text with real fonts and write PDFs, which needs a GUI application; no
    // window is ever shown, so the offscreen platform serves wherever there is no display.
    const bool printing = argc > 1 && std::strcmp(argv[1], "report") == 0;
    if (printing && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app =
        printing ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    // Every number the program prints or stores is formatted the same way whatever the locale.
    std::setlocale(LC_NUMERIC, "C");

    CLI::App cli{"tonva-cli: Tonva without windows"};
    cli.require_subcommand(1);
    const std::vector<tonva::cli::Command> commands{
        tonva::cli::addProbeCommand(cli), tonva::cli::addDbCommand(cli), tonva::cli::addDemoCommand(cli),
        tonva::cli::addPortsCommand(cli), tonva::cli::addCalibrateCommand(cli),
        tonva::cli::addBoothCommand(cli), tonva::cli::addReportCommand(cli), tonva::cli::addExportCommand(cli)};

    CLI11_PARSE(cli, argc, argv);
    for (const auto &command : commands) {
        if (command.parser->parsed())
            return command.run();
    }
    return 2;
}

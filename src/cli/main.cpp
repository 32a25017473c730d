#include "cli/Commands.h"

#include <QCoreApplication>
#include <clocale>
#include <vector>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Every number the program prints or stores is formatted the same way whatever the locale.
    std::setlocale(LC_NUMERIC, "C");

    CLI::App cli{"tonva-cli: Tonva without windows"};
    cli.require_subcommand(1);
    const std::vector<tonva::cli::Command> commands{
        tonva::cli::addProbeCommand(cli), tonva::cli::addDbCommand(cli), tonva::cli::addDemoCommand(cli),
        tonva::cli::addPortsCommand(cli), tonva::cli::addCalibrateCommand(cli),
        tonva::cli::addInventoryCommand(cli)};

    CLI11_PARSE(cli, argc, argv);
    for (const auto &command : commands) {
        if (command.parser->parsed())
            return command.run();
    }
    return 2;
}

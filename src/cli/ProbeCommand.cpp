#include "cli/Commands.h"

#include <QTextStream>

namespace tonva::cli {

Command addProbeCommand(CLI::App &app)
{
    struct Options
    {
        std::string port;
        int baud = 115200;
    };
    auto options = std::make_shared<Options>();
    CLI::App *sub = app.add_subcommand("probe", "Connect to the meter, check it and print one line");
    sub->add_option("--port", options->port, "Serial device, or 'sim' for the built-in simulator")->required();
    sub->add_option("--baud", options->baud, "Preferred baud rate");
    return {sub, [options] {
                QTextStream(stderr) << "probe: not available yet\n";
                return 1;
            }};
}

} // namespace tonva::cli

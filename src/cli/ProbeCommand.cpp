#include "cli/Commands.h"
#include "cli/ConsoleInteraction.h"
#include "meter/MeterConnection.h"
#include "meter/MeterSource.h"
#include "platform/TextFormat.h"

#include <QTextStream>

namespace tonva::cli {

namespace {

struct ProbeOptions
{
    std::string port;
    int baud = 115200;
    bool verbose = false;
};

int runProbe(const ProbeOptions &options)
{
    ConsoleInteraction interaction(ConsoleInteraction::Answers::Decline, options.verbose);
    SystemClock systemClock;
    // The built-in meter runs on virtual time: nothing real is waited for.
    const MeterSource source(QString::fromStdString(options.port), systemClock);
    MeterConnection connection(source, interaction);
    const int status = connection.Connect(source.portNumber(), options.baud);
    if (status != 0)
        return 1;
    QTextStream(stdout) << "Connected: " << QString::fromLatin1(connection.modelReply()).trimmed()
                        << " firmware " << formatText("%.3f", connection.firmwareVersion()) << " at "
                        << connection.baudRate() << " baud" << Qt::endl;
    connection.Disconnect();
    return 0;
}

} // namespace

Command addProbeCommand(CLI::App &app)
{
    auto options = std::make_shared<ProbeOptions>();
    CLI::App *sub = app.add_subcommand("probe", "Connect to the meter, check it and print one line");
    sub->add_option("--port", options->port, "Serial device, COMn, or 'sim' for the built-in simulator")
        ->required();
    sub->add_option("--baud", options->baud, "Preferred baud rate");
    sub->add_flag("-v,--verbose", options->verbose, "Show progress while connecting");
    return {sub, [options] { return runProbe(*options); }};
}

} // namespace tonva::cli

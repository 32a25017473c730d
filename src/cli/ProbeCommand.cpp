#include "cli/Commands.h"
#include "cli/ConsoleInteraction.h"
#include "meter/MeterConnection.h"
#include "platform/QtSerialPort.h"
#include "platform/TextFormat.h"
#include "sim/BuiltInSimulator.h"

#include <QTextStream>
#include <optional>

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
    ConsoleInteraction interaction(options.verbose);
    const QString port = QString::fromStdString(options.port);
    // The built-in meter runs on virtual time: nothing real is waited for.
    VirtualClock virtualClock;
    SystemClock systemClock;
    const bool builtIn = port == QLatin1String("sim");
    Clock &clock = builtIn ? static_cast<Clock &>(virtualClock) : systemClock;
    std::optional<BuiltInSimulator> simulator;
    if (builtIn)
        simulator.emplace(clock);
    MeterConnection connection(builtIn ? simulator->portFactory() : QtSerialPort::factory(port), clock,
                               interaction);
    const int status = connection.Connect(1, options.baud);
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
    sub->add_option("--port", options->port, "Serial device, or 'sim' for the built-in simulator")
        ->required();
    sub->add_option("--baud", options->baud, "Preferred baud rate");
    sub->add_flag("-v,--verbose", options->verbose, "Show progress while connecting");
    return {sub, [options] { return runProbe(*options); }};
}

} // namespace tonva::cli

#include "cli/Commands.h"
#include "demo/CalibrationDemo.h"

#include <QTextStream>

namespace tonva::cli {

namespace {

struct DemoArguments
{
    std::string database;
    std::string profile = "good";
    std::string port;
    std::string control;
    std::string faults;
    std::string measurements;
    std::string transducers;
    quint64 seed = 1;
    int regionalMode = 0;
    bool verbose = false;
};

int runDemo(const DemoArguments &arguments)
{
    demo::DemoOptions options;
    options.databasePath = QString::fromStdString(arguments.database);
    options.profile = QString::fromStdString(arguments.profile);
    options.portPath = QString::fromStdString(arguments.port);
    options.controlPath = QString::fromStdString(arguments.control);
    options.verbose = arguments.verbose;
    options.regionalMode = static_cast<RegionalMode>(arguments.regionalMode);
    QTextStream out(stdout);
    if (!arguments.measurements.empty()) {
        QString error;
        std::optional<std::vector<MeasurementEntry>> measurements = demo::CalibrationDemo::parseMeasurements(
            QString::fromStdString(arguments.measurements), &error);
        if (!measurements) {
            out << "--measurements: " << error << Qt::endl;
            return 1;
        }
        options.measurements = std::move(*measurements);
    }
    if (!arguments.transducers.empty()) {
        QString error;
        std::optional<std::vector<TransducerType>> transducers =
            demo::CalibrationDemo::parseTransducers(QString::fromStdString(arguments.transducers), &error);
        if (!transducers) {
            out << "--transducers: " << error << Qt::endl;
            return 1;
        }
        options.transducers = std::move(*transducers);
    }
    if (!arguments.faults.empty()) {
        QString error;
        std::optional<LineFaults> faults =
            LineFaults::parse(QString::fromStdString(arguments.faults), arguments.seed, &error);
        if (!faults) {
            out << "--faults: " << error << Qt::endl;
            return 1;
        }
        options.lineFaults = std::move(*faults);
    }
    return demo::CalibrationDemo(options, out).run();
}

} // namespace

Command addDemoCommand(CLI::App &app)
{
    auto arguments = std::make_shared<DemoArguments>();
    CLI::App *sub = app.add_subcommand(
        "demo", "Calibrate a simulated audiometer: every measurement Tonva has, on earphones, bone vibrator and speakers, with the status table");
    sub->add_option("--db", arguments->database, "Demo database file (created when missing)");
    sub->add_option("--profile", arguments->profile, "Audiometer profile: good, faulty or a JSON file");
    CLI::Option *port = sub->add_option("--port", arguments->port,
                                        "Serial device of a trellan-sim (default: built-in meter)");
    CLI::Option *control =
        sub->add_option("--control", arguments->control, "The trellan-sim's --control socket (with --port)");
    port->needs(control);
    control->needs(port);
    // A trellan-sim takes its own --faults.
    sub->add_option("--faults", arguments->faults,
                    "Line faults of the built-in meter, e.g. corrupt-checksum=0.1,disconnect=60s")
        ->excludes(port);
    sub->add_option("--measurements", arguments->measurements,
                    "Only these measurements, e.g. hl,freq,lin,dist,pulse,xtalk,fm,nb,bb,speech,sdist");
    sub->add_option("--transducers", arguments->transducers,
                    "Only on these transducers, e.g. supra-aural,bone,speakers");
    sub->add_option("--seed", arguments->seed, "Seed of the built-in meter's line faults");
    sub->add_option("--regional-mode", arguments->regionalMode,
                    "Regional mode the judgements follow: 0 normal, 1 alternate, 2 Australian")
        ->check(CLI::Range(0, 2));
    sub->add_flag("-v,--verbose", arguments->verbose, "Show every prompt and answer");
    return {sub, [arguments] { return runDemo(*arguments); }};
}

} // namespace tonva::cli

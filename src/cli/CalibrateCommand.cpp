#include "cli/Commands.h"
#include "cli/ConsoleInteraction.h"
#include "meter/MeterCalibration.h"
#include "meter/MeterConnection.h"
#include "meter/MeterSource.h"
#include "platform/PreferenceStore.h"
#include "sim/BuiltInSimulator.h"
#include "sim/SceneControl.h"

#include <QTemporaryDir>
#include <QTextStream>

namespace tonva::cli {

namespace {

struct CalibrateOptions
{
    std::string port;
    std::string control;
    int baud = 115200;
    double frequency = 1000.0;
    double level = 114.0;
    bool set = false;
    bool verbose = false;
};

// Nobody answers at a console: every question is declined, except that with --set the
// instruction to switch the calibrator on is taken as done, since asking for --set says so.
class CalibrateInteraction final : public Interaction
{
public:
    CalibrateInteraction(bool set, bool verbose)
        : m_console(ConsoleInteraction::Answers::Decline, verbose), m_set(set)
    {}

    void message(const QString &text) override { m_console.message(text); }
    Answer ask(const QString &text, Buttons buttons) override
    {
        if (m_set && text == MeterCalibration::activateCalibratorText())
            return Answer::Ok;
        return m_console.ask(text, buttons);
    }
    Answer askToSet(const QString &text, const Stimulus &stimulus, Buttons buttons) override
    {
        return m_console.askToSet(text, stimulus, buttons);
    }
    std::unique_ptr<Progress> openProgress(const QString &caption, int rangeLow, int rangeHigh,
                                           int step) override
    {
        return m_console.openProgress(caption, rangeLow, rangeHigh, step);
    }

private:
    ConsoleInteraction m_console;
    bool m_set;
};

// On a simulated meter the calibrator has to be put on its microphone by us.
bool presentCalibrator(const MeterSource &source, const CalibrateOptions &options, const PureTone &tone)
{
    QString error;
    bool presented = true;
    if (!options.control.empty()) {
        SceneControl control(QString::fromStdString(options.control));
        presented = control.present(tone, &error);
    } else if (source.simulator()) {
        LocalSceneDriver(source.simulator()->scene()).present(tone, &error);
    }
    if (!presented)
        QTextStream(stderr) << "Cannot reach the simulator's control socket: " << error << Qt::endl;
    return presented;
}

int runCalibrate(const CalibrateOptions &options)
{
    CalibrateInteraction interaction(options.set, options.verbose);
    SystemClock systemClock;
    const MeterSource source(QString::fromStdString(options.port), systemClock);
    if (!presentCalibrator(source, options, PureTone{options.frequency, options.level}))
        return 1;
    MeterConnection connection(source, interaction);
    if (connection.Connect(source.portNumber(), options.baud) != 0)
        return 1;

    // The remembered calibrator and microphone belong to the desktop program's technician, not to
    // a command run; the calibration remembers its choices in a store of its own here.
    QTemporaryDir scratch;
    PreferenceStore preferences(scratch.filePath(QStringLiteral("calibrate.ini")));
    MeterCalibration::Calibrator calibrator{QString(), QStringLiteral("command line"), QStringLiteral("-"),
                                            options.frequency, options.level};
    MeterCalibration::Microphone microphone{QString(), QString(), QStringLiteral("-"), {}};
    MeterCalibration calibration(*connection.link(), *connection.fileList(), preferences, {calibrator},
                                 {microphone});
    QTextStream out(stdout);
    int exitCode = 1;
    if (calibration.open()) {
        const std::optional<MeterCalibration::Reading> reading = calibration.tick();
        if (reading) {
            out << "Measured SPL: " << reading->measuredText << " dB  Ref Level Difference: "
                << reading->differenceText << " dB" << Qt::endl;
            exitCode = 0;
            if (options.set) {
                const double before = calibration.offset();
                const MeterCalibration::Outcome outcome = calibration.setCalibration();
                if (outcome == MeterCalibration::Outcome::Calibrated) {
                    out << "Calibration offset: " << QString::number(before, 'f', 2) << " -> "
                        << QString::number(calibration.offset(), 'f', 2) << " dB" << Qt::endl;
                } else {
                    exitCode = 1;
                }
            }
        }
    }
    connection.Disconnect();
    return exitCode;
}

} // namespace

Command addCalibrateCommand(CLI::App &app)
{
    auto options = std::make_shared<CalibrateOptions>();
    CLI::App *sub = app.add_subcommand(
        "calibrate", "Read the meter against a calibrator; with --set, correct its calibration offset");
    sub->add_option("--port", options->port, "Serial device, COMn, or 'sim' for the built-in simulator")
        ->required();
    sub->add_option("--baud", options->baud, "Preferred baud rate");
    sub->add_option("--frequency", options->frequency, "The calibrator's frequency in Hz")
        ->check(CLI::Range(1.0, 100000.0));
    sub->add_option("--level", options->level, "The calibrator's output level in dB SPL")
        ->check(CLI::Range(60.0, 150.0));
    sub->add_option("--control", options->control,
                    "A trellan-sim's --control socket, to put the calibrator on its microphone");
    sub->add_flag("--set", options->set, "Write the corrected calibration offset into the meter");
    sub->add_flag("-v,--verbose", options->verbose, "Show progress and every prompt");
    return {sub, [options] { return runCalibrate(*options); }};
}

} // namespace tonva::cli

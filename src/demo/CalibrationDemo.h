#pragma once

#include "demo/DemoReport.h"
#include "measure/PageRegistry.h"
#include "model/AudTestRecord.h"
#include "model/RegionalMode.h"
#include "sim/LineFaults.h"

#include <QString>
#include <QTextStream>
#include <memory>
#include <optional>
#include <vector>

namespace tonva {
class CVemoraDoc;
class SimulatedTechnician;
class Database;
class Interaction;
class MeasurementRun;
} // namespace tonva

namespace tonva::demo {

class DemoBench;

struct DemoOptions
{
    // Empty: the demo database in the user's data folder.
    QString databasePath;
    // A shipped audiometer profile ("good", "faulty") or a profile file.
    QString profile = QStringLiteral("good");
    // Empty: the built-in meter on virtual time. Otherwise a trellan-sim's device and its scene
    // control socket.
    QString portPath;
    QString controlPath;
    // Trouble on the built-in meter's line.
    LineFaults lineFaults;
    // The ears in the order they are measured, for every measurement.
    std::vector<Ear> ears{Ear::Left, Ear::Right};
    // The transducers measured on; empty measures on every one the demonstration has.
    std::vector<TransducerType> transducers;
    // The measurements to run, a subset of CalibrationDemo::measurements(); empty runs them all.
    // They run in the demonstration's own order, whatever order they are given in.
    std::vector<MeasurementEntry> measurements;
    // Every prompt, question and answer as it happens.
    bool verbose = false;
    // The regional mode the program would have read at start-up; masking, speech and broad-band
    // noise are judged by it.
    RegionalMode regionalMode = RegionalMode::Normal;
};

// What a finished demonstration leaves behind.
struct DemoOutcome
{
    QString databasePath;
    // The stored test this run measured into; -1 when nothing was stored.
    int savedTestId = -1;
    // Stored tests of the demo audiometer found before measuring.
    std::vector<int> earlierTestIds;
    // The test as read back from the database after saving.
    std::unique_ptr<AudTestRecord> storedRecord;
    std::vector<DemoStep> stepsMeasured;
    // The step that did not complete; its rows measured so far are stored and printed.
    std::optional<DemoStep> stepCutShort;
    // Steps never started because an earlier one did not complete.
    std::vector<DemoStep> stepsNotMeasured;
    // Time the meter's clock advanced over the measurements.
    qint64 meterTimeMs = 0;
};

// The headless calibration demonstration: a demo laboratory in a database, a two-channel
// audiometer under test, and a careful simulated technician who runs every measurement Tonva has a
// page for on both earphones through the measurement run, saving the test after each.
class CalibrationDemo
{
public:
    CalibrationDemo(DemoOptions options, QTextStream &out);
    ~CalibrationDemo();

    // 0 when every step was measured and the test saved; 1 otherwise (the reason is printed).
    int run();
    const DemoOutcome &outcome() const { return m_outcome; }

    static QString defaultDatabasePath();
    // The measurements of the demonstration in the order they run: the order of the Measurements
    // list, as Next Test steps through it.
    static std::vector<MeasurementEntry> measurements();
    // What `--measurements` may name: the above, and speech harmonic distortion, which runs the speech
    // page again and so is left out of a whole demonstration.
    static std::vector<MeasurementEntry> runnableMeasurements();
    // Every step of a demonstration of `measurements` (all when empty) on `ears`.
    static std::vector<DemoStep> steps(const std::vector<MeasurementEntry> &measurements = {},
                                       const std::vector<Ear> &ears = {Ear::Left, Ear::Right},
                                       const std::vector<TransducerType> &transducers = {});
    // The transducers of a `--transducers` list ("supra-aural,bone,speakers"); none, with the reason
    // in `error`, when a name is unknown.
    static std::optional<std::vector<TransducerType>> parseTransducers(const QString &list, QString *error);
    // The measurements of a `--measurements` list ("hl,freq,lin"); none, with the reason in `error`,
    // when a name is unknown or names a measurement the demonstration does not run.
    static std::optional<std::vector<MeasurementEntry>> parseMeasurements(const QString &list,
                                                                         QString *error);

private:
    // Opens the database and makes sure it holds the demo instruments; lists the earlier tests.
    bool openLaboratory(CVemoraDoc &document, Interaction &interaction);
    // Every step in turn until one does not complete, saving after each, so that a run stopped
    // later keeps what was measured. Returns the last status; `saved` is false when a save failed.
    int measureSteps(MeasurementRun &measurementRun, const AudTestRecord &record, DemoBench &bench,
                     bool &saved);
    bool readBack(const Database &database);
    void printResults(qint64 realTimeMs);
    // Which steps were lost and why, after a run that did not complete.
    void printLostSteps(int status, const SimulatedTechnician &technician);

    DemoOptions m_options;
    QTextStream &m_out;
    PageRegistry m_pages;
    DemoOutcome m_outcome;
};

} // namespace tonva::demo

#include "demo/CalibrationDemo.h"

#include "app/CVemoraDoc.h"
#include "demo/BenchCoupling.h"
#include "demo/DemoBench.h"
#include "demo/DemoLaboratory.h"
#include "measure/HearingLevelTest.h"
#include "measure/MeasurementRun.h"
#include "meter/MeterConnection.h"
#include "model/Blobs.h"
#include "platform/TextFormat.h"
#include "sim/SimulatedTechnician.h"
#include "storage/DateNumber.h"
#include "storage/Recordsets.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>

namespace tonva::demo {

namespace {

// The run's window, as far as the demonstration needs one: saving goes to the document and the
// technician always chooses to save.
class DemoRunHost final : public RunHost
{
public:
    explicit DemoRunHost(CVemoraDoc &document) : m_document(document) {}

    bool SaveRecord() override { return m_document.SaveTest(); }
    bool AskSaveData() override { return true; }
    void RecordChanged(bool sheetModified) override
    {
        if (sheetModified)
            m_document.setModified(true);
    }
    void ReturnToSummary() override {}
    void OpenAdjust(MeasurementEntry) override {}

private:
    CVemoraDoc &m_document;
};

QString durationText(qint64 ms)
{
    const qint64 seconds = (ms + 500) / 1000;
    return seconds >= 60 ? formatText("%lld min %02lld s", seconds / 60, seconds % 60)
                         : formatText("%.1f s", static_cast<double>(ms) / 1000.0);
}

QString statusText(int status)
{
    if (status == measure::kCancelled)
        return QStringLiteral("cancelled");
    if (status == measure::kNotStarted)
        return QStringLiteral("not started (equipment or meter missing)");
    return QStringLiteral("meter error %1").arg(status);
}

// A row the technician gave up on after a second failed reading is left out; say so.
QString doneText(const AudTestRecord &record, const DemoStep &step, RegionalMode mode)
{
    const PageTable list = stepList(record, step, mode);
    const int missing = unmeasuredRows(list);
    if (missing == 0)
        return QStringLiteral("done");
    return QStringLiteral("done, %1 of %2 %3 not measured").arg(missing).arg(list.rows.size()).arg(rowNoun(step));
}

// The position of the transducer in the measurement's Transducers list, as a technician clicks it.
int transducerPosition(const DemoStep &step)
{
    return static_cast<int>(measurementListEntry(step.measurement).transducers.indexOf(step.transducer));
}

// Stored tests of the demo audiometer.
std::vector<AudTestRow> storedDemoTests(const Database &database)
{
    return CAudTestMeasRS(database).list(
        {QStringLiteral("SerialNum = ? AND ModelNum = ?"),
         {QString::fromLatin1(kAudiometerSerial), QString::fromLatin1(kAudiometerModel)}});
}

} // namespace

CalibrationDemo::CalibrationDemo(DemoOptions options, QTextStream &out)
    : m_options(std::move(options)), m_out(out)
{
    registerDemoPages(m_pages);
}

CalibrationDemo::~CalibrationDemo() = default;

QString CalibrationDemo::defaultDatabasePath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(folder).filePath(QStringLiteral("Tonva/tonva-demo.sqlite"));
}

std::vector<MeasurementEntry> CalibrationDemo::measurements()
{
    using enum MeasurementEntry;
    return {HearingLevel, FrequencyAccuracy,   Linearity,       HarmonicDistortion, PulsedTones,
            CrossTalk,    FrequencyModulation, NarrowBandLevel, BroadBandNoise,     Speech};
}

std::vector<MeasurementEntry> CalibrationDemo::runnableMeasurements()
{
    std::vector<MeasurementEntry> runnable = measurements();
    runnable.push_back(MeasurementEntry::SpeechHarmonicDistortion);
    return runnable;
}

std::vector<DemoStep> CalibrationDemo::steps(const std::vector<MeasurementEntry> &chosen,
                                             const std::vector<Ear> &ears,
                                             const std::vector<TransducerType> &transducers)
{
    std::vector<DemoStep> steps;
    for (const MeasurementEntry measurement : chosen.empty() ? measurements() : runnableMeasurements()) {
        if (!chosen.empty() && std::find(chosen.begin(), chosen.end(), measurement) == chosen.end())
            continue;
        if (ears.empty())
            continue;
        // Cross talk measures both directions in one list, moving the coupler itself.
        if (listCoversBothEars(measurement)) {
            steps.push_back({measurement, TransducerType::SupraAural, ears.front()});
            continue;
        }
        for (const Ear ear : ears)
            steps.push_back({measurement, TransducerType::SupraAural, ear});
        // The bone vibrator has one result whichever side it sits on.
        if (measurement == MeasurementEntry::HearingLevel || measurement == MeasurementEntry::HarmonicDistortion ||
            measurement == MeasurementEntry::Speech || measurement == MeasurementEntry::SpeechHarmonicDistortion)
            steps.push_back({measurement, TransducerType::BoneVibrator, ears.front()});
        // Warble tones and narrow-band noise in the sound field: each loudspeaker, then both.
        if (measurement == MeasurementEntry::HearingLevel || measurement == MeasurementEntry::NarrowBandLevel) {
            for (const Ear ear : ears)
                steps.push_back({measurement, TransducerType::Speakers, ear});
            steps.push_back({measurement, TransducerType::Speakers, Ear::Both, true});
        }
    }
    if (!transducers.empty())
        std::erase_if(steps, [&transducers](const DemoStep &step) {
            return std::find(transducers.begin(), transducers.end(), step.transducer) == transducers.end();
        });
    return steps;
}

std::optional<std::vector<TransducerType>> CalibrationDemo::parseTransducers(const QString &list, QString *error)
{
    // The names the audiometer profiles use.
    const std::pair<const char *, TransducerType> known[] = {{"supra-aural", TransducerType::SupraAural},
                                                             {"bone", TransducerType::BoneVibrator},
                                                             {"speakers", TransducerType::Speakers}};
    std::vector<TransducerType> chosen;
    for (const QString &name : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const auto found = std::find_if(std::begin(known), std::end(known), [&name](const auto &entry) {
            return name.trimmed().compare(QLatin1String(entry.first), Qt::CaseInsensitive) == 0;
        });
        if (found == std::end(known)) {
            *error = QStringLiteral("unknown transducer '%1'; the demo has supra-aural,bone,speakers").arg(name.trimmed());
            return std::nullopt;
        }
        chosen.push_back(found->second);
    }
    if (chosen.empty()) {
        *error = QStringLiteral("no transducer named; the demo has supra-aural,bone,speakers");
        return std::nullopt;
    }
    return chosen;
}

std::optional<std::vector<MeasurementEntry>> CalibrationDemo::parseMeasurements(const QString &list,
                                                                                QString *error)
{
    const std::vector<MeasurementEntry> offered = runnableMeasurements();
    QStringList known;
    for (const MeasurementEntry measurement : offered)
        known << measurementShortName(measurement);
    std::vector<MeasurementEntry> chosen;
    for (const QString &name : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const std::optional<MeasurementEntry> measurement = measurementByShortName(name);
        if (!measurement) {
            *error = QStringLiteral("unknown measurement '%1'; the demo runs %2")
                         .arg(name.trimmed(), known.join(QLatin1Char(',')));
            return std::nullopt;
        }
        if (std::find(offered.begin(), offered.end(), *measurement) == offered.end()) {
            *error = QStringLiteral("the demo does not run %1 ('%2') yet; it runs %3")
                         .arg(QString::fromLatin1(measurementListEntry(*measurement).windowText),
                              name.trimmed(), known.join(QLatin1Char(',')));
            return std::nullopt;
        }
        chosen.push_back(*measurement);
    }
    if (chosen.empty()) {
        *error = QStringLiteral("no measurement named; the demo runs %1").arg(known.join(QLatin1Char(',')));
        return std::nullopt;
    }
    return chosen;
}

int CalibrationDemo::run()
{
    QString error;
    const std::optional<AudiometerProfile> profile = AudiometerProfile::load(m_options.profile, &error);
    if (!profile) {
        // The profile's own message names the file or the name it could not find.
        m_out << error << Qt::endl;
        return 1;
    }
    std::unique_ptr<DemoBench> bench =
        m_options.portPath.isEmpty()
            ? std::make_unique<DemoBench>(*profile, m_options.lineFaults)
            : std::make_unique<DemoBench>(*profile, m_options.portPath, m_options.controlPath);
    SimulatedTechnician &technician = bench->technician();
    technician.setEcho([this](const QString &line) {
        if (m_options.verbose || line.startsWith(QLatin1String("[message]")))
            m_out << "  " << line << Qt::endl;
    });
    m_out << "Tonva calibration demo: audiometer profile '" << m_options.profile << "', meter "
          << bench->meterDescription() << Qt::endl;
    if (m_options.regionalMode != RegionalMode::Normal)
        m_out << "Regional mode " << static_cast<int>(m_options.regionalMode)
              << ": masking, speech and broad-band noise are judged by its rules" << Qt::endl;

    // The demonstration's preferences start afresh every time and never touch the technician's own.
    QTemporaryDir preferenceFolder;
    PreferenceStore preferences(preferenceFolder.filePath(QStringLiteral("tonva-demo.ini")));
    const QFileInfo database(m_options.databasePath.isEmpty() ? defaultDatabasePath()
                                                              : m_options.databasePath);
    QDir().mkpath(database.absolutePath());
    preferences.write(preference::DatabaseDir, database.absolutePath());
    preferences.write(preference::DatabaseName, database.fileName());
    CVemoraDoc document(preferences, technician, database.absolutePath());
    if (!openLaboratory(document, technician))
        return 1;

    document.NewTest();
    AudTestRecord &record = document.currentTest();
    if (!setUpTest(record, document.inventory(), preferences, technician, QDate::currentDate()))
        return 1;
    document.setSetupAccepted(true);
    document.SetTitleFromRecord();
    bench->audiometer().setCoupling(couplingFor(record.setup));

    MeterConnection meter(bench->meter(), technician);
    if (meter.Connect(bench->meter().portNumber(), 115200) != 0) {
        m_out << "The meter did not connect; nothing was measured." << Qt::endl;
        return 1;
    }
    m_out << "Meter: " << QString::fromLatin1(meter.modelReply()).trimmed() << ", firmware "
          << formatText("%.3f", meter.firmwareVersion()) << Qt::endl;

    QElapsedTimer realTime;
    realTime.start();
    const qint64 meterStart = bench->clock().nowMs();
    DemoRunHost host(document);
    const MeasurementServices services{technician, bench->clock(), preferences, m_options.regionalMode};
    MeasurementRun measurementRun(services, m_pages, host, record);
    measurementRun.AttachMeter(meter.link(), meter.fileList());
    bool saved = false;
    const int status = measureSteps(measurementRun, record, *bench, saved);
    m_outcome.meterTimeMs = bench->clock().nowMs() - meterStart;
    meter.Disconnect();
    if (!saved)
        return 1;
    m_outcome.savedTestId = document.currentRowId();
    if (!readBack(*document.database()))
        return 1;
    printResults(realTime.elapsed());
    if (status == measure::kDone)
        return 0;
    printLostSteps(status, technician);
    return 1;
}

bool CalibrationDemo::openLaboratory(CVemoraDoc &document, Interaction &interaction)
{
    document.OpenStartupDatabase();
    if (!document.database())
        return false;
    m_outcome.databasePath = document.databasePath();
    m_out << "Database " << m_outcome.databasePath << Qt::endl;

    if (!document.LoadEquipmentLists())
        return false;
    InstrumentInventory inventory(document.inventory(), interaction, QDate::currentDate().year());
    if (!addInstruments(inventory) || !document.SaveEquipmentLists())
        return false;

    try {
        const std::vector<AudTestRow> earlier = storedDemoTests(*document.database());
        m_out << "Earlier tests of audiometer " << kAudiometerModel << ' ' << kAudiometerSerial << ": "
              << earlier.size() << Qt::endl;
        for (const AudTestRow &row : earlier) {
            m_outcome.earlierTestIds.push_back(row.id);
            m_out << "  test " << row.id << " of " << DateNumber::listText(row.date) << " by "
                  << row.technician << Qt::endl;
        }
    } catch (const DatabaseError &failure) {
        m_out << "Could not list the stored tests: " << failure.description() << Qt::endl;
        return false;
    }
    return true;
}

int CalibrationDemo::measureSteps(MeasurementRun &measurementRun, const AudTestRecord &record,
                                  DemoBench &bench, bool &saved)
{
    const std::vector<DemoStep> steps =
        CalibrationDemo::steps(m_options.measurements, m_options.ears, m_options.transducers);
    saved = false;
    for (auto step = steps.begin(); step != steps.end(); ++step) {
        bench.audiometer().setEarOnCoupler(step->ear);
        if (!measurementRun.isOpen()) {
            measurementRun.Open(step->measurement, step->transducer, step->ear);
        } else {
            measurementRun.ChooseMeasurement(step->measurement);
            if (measurementRun.transducer() != step->transducer)
                measurementRun.ChooseTransducerPosition(transducerPosition(*step));
            measurementRun.ChooseEar(step->ear);
        }
        measurementRun.ShowSoundFieldPage(step->binaural);
        const qint64 stepStart = bench.clock().nowMs();
        const int status = measurementRun.MeasureAll();
        m_out << stepTitle(*step) << ": "
              << (status == measure::kDone ? doneText(record, *step, m_options.regionalMode) : statusText(status)) << " ("
              << durationText(bench.clock().nowMs() - stepStart) << ")" << Qt::endl;
        if (status == measure::kDone) {
            m_outcome.stepsMeasured.push_back(*step);
        } else {
            m_outcome.stepCutShort = *step;
            m_outcome.stepsNotMeasured.assign(step + 1, steps.end());
        }
        // Stored before the next step can hang or be stopped: a step's readings are never lost
        // with a later one. What a cut-short step measured is kept too.
        saved = measurementRun.Save();
        if (!saved) {
            m_out << "The test could not be saved after " << stepTitle(*step) << '.' << Qt::endl;
            return status;
        }
        if (status != measure::kDone)
            return status;
    }
    return measure::kDone;
}

bool CalibrationDemo::readBack(const Database &database)
{
    try {
        const std::optional<AudTestRow> row = CAudTestMeasRS(database).find(m_outcome.savedTestId);
        m_outcome.storedRecord = std::make_unique<AudTestRecord>();
        if (row && ReadTestBlob(row->data, *m_outcome.storedRecord).clean())
            return true;
        m_out << "The saved test " << m_outcome.savedTestId << " could not be read back." << Qt::endl;
    } catch (const DatabaseError &failure) {
        m_out << "The saved test could not be read back: " << failure.description() << Qt::endl;
    }
    m_outcome.storedRecord.reset();
    return false;
}

void CalibrationDemo::printResults(qint64 realTimeMs)
{
    const AudTestRecord &stored = *m_outcome.storedRecord;
    std::vector<DemoStep> shown = m_outcome.stepsMeasured;
    if (m_outcome.stepCutShort)
        shown.push_back(*m_outcome.stepCutShort);
    // A block kept once per transducer is shown under the side measured last only, never under a
    // side whose readings it no longer holds.
    for (const DemoStep &step : reportedSteps(shown))
        m_out << '\n' << stepTitle(step) << '\n' << resultTable(stored, step, m_options.regionalMode);
    m_out << "\nStatus table (1 passed, -1 failed, 0 not measured, 99 not applicable)\n"
          << statusMatrix(stored) << '\n';
    const std::vector<int> &earlier = m_outcome.earlierTestIds;
    const bool replaced = std::find(earlier.begin(), earlier.end(), m_outcome.savedTestId) != earlier.end();
    m_out << "Saved as test " << m_outcome.savedTestId
          << (replaced ? " (the same audiometer, technician and day: it replaces the earlier readings)" : "")
          << " in " << m_outcome.databasePath << Qt::endl;
    m_out << "Meter time " << durationText(m_outcome.meterTimeMs) << ", real time "
          << durationText(realTimeMs) << Qt::endl;
}

void CalibrationDemo::printLostSteps(int status, const SimulatedTechnician &technician)
{
    if (!m_outcome.stepCutShort)
        return;
    const DemoStep &cut = *m_outcome.stepCutShort;
    m_out << "\nThe demo did not finish: " << stepTitle(cut) << " was cut short (" << statusText(status);
    if (technician.givenUp() > 0)
        m_out << "; the technician gave up on a question that kept coming back: is the meter still there?";
    m_out << ").\nLost steps:\n";
    const PageTable list = stepList(*m_outcome.storedRecord, cut, m_options.regionalMode);
    const int rows = static_cast<int>(list.rows.size());
    const int measured = rows - unmeasuredRows(list);
    m_out << "  " << stepTitle(cut) << ": cut short, " << measured << " of " << rows << ' ' << rowNoun(cut)
          << " measured and saved\n";
    for (const DemoStep &step : m_outcome.stepsNotMeasured)
        m_out << "  " << stepTitle(step) << ": not measured\n";
    m_out.flush();
}

} // namespace tonva::demo

#pragma once

#include "measure/HearingLevelEvaluation.h"
#include "measure/MeasurementPage.h"
#include "measure/PageRegistry.h"
#include "model/AudTestRecord.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tonva::demo {

// One measurement of the demonstration run: an entry of the Measurements list on one transducer and
// one ear, measured with Measure All on the page the run shows for it.
struct DemoStep
{
    MeasurementEntry measurement = MeasurementEntry::HearingLevel;
    TransducerType transducer = TransducerType::SupraAural;
    Ear ear = Ear::Left;
    // The loudspeakers' binaural page rather than the one of a single loudspeaker.
    bool binaural = false;

    DemoStep() = default;
    DemoStep(MeasurementEntry measurement_, TransducerType transducer_, Ear ear_, bool binaural_ = false)
        : measurement(measurement_), transducer(transducer_), ear(ear_), binaural(binaural_)
    {}
    // A mode of the hearing-level page on the supra-aural earphones.
    DemoStep(HearingLevelMode mode, Ear ear_)
        : DemoStep(measurementEntryOf(mode), TransducerType::SupraAural, ear_)
    {}
    bool operator==(const DemoStep &) const = default;
};

// The short names `--measurements` takes ("hl", "freq", "lin", "dist", "pulse", "xtalk", "fm", "nb",
// "bb", "speech", "sdist"), one per entry of the Measurements list.
QString measurementShortName(MeasurementEntry measurement);
std::optional<MeasurementEntry> measurementByShortName(const QString &name);

// Every page the demonstration measures with; the report reads the stored test back through them.
void registerDemoPages(PageRegistry &registry);

// Cross talk: one list for both directions, measured once whatever ear is chosen.
bool listCoversBothEars(MeasurementEntry measurement);
// Pulse: the record keeps one block per transducer, holding the side measured last.
bool keepsOneBlockPerTransducer(MeasurementEntry measurement);

// The steps whose lists a report shows: all, except a step whose block a later step of the same
// measurement and transducer overwrote (it holds the later side's readings now).
std::vector<DemoStep> reportedSteps(const std::vector<DemoStep> &steps);

// "Hearing Level, left ear" on the supra-aural earphones; other transducers are named:
// "Harmonic Distortion, Bone Vibrator, left ear"; a list of both ears names none: "Cross Talk".
QString stepTitle(const DemoStep &step);

// The step's list as its page shows it for the record: the page's own columns, rows and verdicts.
// Empty when no page measures that step. Pages that judge by region judge by `mode`.
PageTable stepList(const AudTestRecord &record, const DemoStep &step, RegionalMode mode = RegionalMode::Normal);
// Rows of the list that hold no judged reading.
int unmeasuredRows(const PageTable &list);
// What the step's rows are: "frequencies", "levels" or "rows".
QString rowNoun(const DemoStep &step);

// Columns padded to their widest cell, two blanks apart; the first line holds the titles.
QString alignedTable(const QStringList &titles, const QList<QStringList> &rows);

// The step's rows as the page lists them, with a last column "Result": "PASS", "FAIL" or "----"
// for a row that was not judged.
QString resultTable(const AudTestRecord &record, const DemoStep &step, RegionalMode mode = RegionalMode::Normal);

// The test's status table: a row per measurement, a column per transducer, the stored entries
// (1 passed, -1 failed, 0 not measured, 99 not applicable).
QString statusMatrix(const AudTestRecord &record);

} // namespace tonva::demo

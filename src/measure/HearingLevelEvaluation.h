#pragma once

#include "model/AudTestRecord.h"
#include "model/ReferenceData.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tonva {

// The four tests the hearing-level page runs on earphones.
enum class HearingLevelMode
{
    HearingLevel,
    Frequency,
    FrequencyModulation,
    NarrowBand,
};

// The page's mode for a measurement index (0, 1, 6, 7); nothing for the other measurements.
std::optional<HearingLevelMode> hearingLevelModeOf(MeasurementKind kind);
MeasurementKind measurementKindOf(HearingLevelMode mode);
// The Measurements list entry that shows the mode.
MeasurementEntry measurementEntryOf(HearingLevelMode mode);

// The dial frequency of a test frequency index, in Hz.
double nominalHz(int frequencyIndex);

// A reading at or below this is "not measured" (dB for levels, Hz for frequencies).
inline constexpr float kNotMeasuredLimit = 10.0f;
// Narrow-band levels exist up to 8000 Hz only.
inline constexpr int kLastNarrowBandFrequency = kLastConventionalFrequency;

struct Tolerance
{
    double low = 0.0;
    double high = 0.0;
    // Stored levels are floats: a deviation that prints as exactly the limit must not fail on the
    // last bit of a float.
    bool contains(double value) const { return value >= low - kSlack && value <= high + kSlack; }

    static constexpr double kSlack = 1e-4;
};

Tolerance hearingLevelTolerance(int frequencyIndex);
Tolerance narrowBandTolerance();
// Fraction of the nominal frequency: 1 % for audiometer types 0 to 2, 2 % for the others.
double frequencyTolerance(const TestSetup &setup);

// FM rules: carrier within 3 % of the dial frequency; the stated rate and deviation must be in the
// range the standard allows and the measured ones within 10 % of them.
bool fmCarrierPasses(double nominalHz, double carrierHz);
bool fmRatePasses(double statedHz, double measuredHz);
bool fmDeviationPasses(double statedPercent, double measuredPercent);
// Swing as the audiometer states it: (highest - lowest) / carrier, in percent; 0 without a carrier.
double fmDeviationPercent(double carrierHz, double lowestHz, double highestHz);

// The frequencies of the test that the audiometer offers, in list order, for the mode.
std::vector<int> selectedFrequencies(const TestSetup &setup, HearingLevelMode mode);

// The results of one transducer and channel the page reads and writes.
struct ToneResultBlocks
{
    ToneLevelResult &tone;
    FrequencyModulationResult &modulation;
    NarrowBandResult &narrowBand;
};

// The blocks of a transducer on a channel (0 left, 1 right) of the record.
ToneResultBlocks toneResultBlocks(AudTestRecord &record, TransducerType transducer, int channel);

// The value the restart question and the scan for earlier results look at.
double storedValue(const ToneResultBlocks &blocks, HearingLevelMode mode, int frequencyIndex);

enum class RowVerdict
{
    NotMeasured,
    Passed,
    Failed,
};

// One line of the page's list: the frequency it measures, its texts and how it was judged.
struct HearingLevelRow
{
    int frequencyIndex = -1;
    QStringList cells;
    RowVerdict verdict = RowVerdict::NotMeasured;
};

// The page's list as data: column titles and formatted cells.
struct HearingLevelList
{
    QStringList columns;
    std::vector<HearingLevelRow> rows;

    // -1 when a row fails, 1 when rows were judged and all passed, 0 when nothing was measured.
    int pageResult() const;
};

// Builds the list of a mode from the record. Missing reference levels met on the way go into
// `warning` when one is given.
HearingLevelList buildHearingLevelList(const TestSetup &setup, TransducerType transducer,
                                       const ToneResultBlocks &blocks, HearingLevelMode mode,
                                       bool showCorrections, UndefinedReferenceWarning *warning = nullptr);

} // namespace tonva

#include "measure/HearingLevelEvaluation.h"

#include "model/FixedText.h"
#include "platform/TextFormat.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace tonva {

namespace {

const QString kNotMeasuredCell = QStringLiteral("----");

constexpr int kLastNarrowToleranceFrequency = 21; // 5000 Hz: +/-3 dB up to here, +/-5 dB above

QString number(double value)
{
    return formatText("%.1f", value);
}

QString range(double low, double high)
{
    return formatText("%.1f to %.1f", low, high);
}

// A level row: hearing level or narrow band, which differ in result block, dial table, reference
// kind and tolerance only.
struct LevelSource
{
    const float *measured;
    const std::int16_t *dial;
    MeasurementKind kind;
    // The block's own words choose the reference table: incidence and binaural for the loudspeakers,
    // the placement for the bone vibrator.
    int incidence = 0;
    bool binaural = false;
    bool forehead = false;
};

HearingLevelRow levelRow(const TestSetup &setup, TransducerType transducer, const LevelSource &source,
                         int frequencyIndex, bool showCorrections, UndefinedReferenceWarning *warning)
{
    const Tolerance tolerance = source.kind == MeasurementKind::NarrowBandLevel
                                    ? narrowBandTolerance()
                                    : hearingLevelTolerance(frequencyIndex);
    ReferenceQuery query;
    query.transducer = transducer;
    query.frequencyIndex = frequencyIndex;
    query.kind = source.kind;
    query.incidence = source.incidence;
    query.binaural = source.binaural;
    query.forehead = source.forehead;
    const double retspl = GetReferenceLevel(setup, query, warning);
    const double dial = source.dial[frequencyIndex];
    const double target = dial + retspl;
    const double spl = source.measured[frequencyIndex];

    HearingLevelRow row;
    row.frequencyIndex = frequencyIndex;
    row.cells << formatText("%.0f", nominalHz(frequencyIndex));
    const bool measured = spl > kNotMeasuredLimit;
    if (measured) {
        const double hearingLevel = spl - retspl;
        const double deviation = hearingLevel - dial;
        row.cells << number(spl) << number(hearingLevel) << number(deviation);
        row.verdict = tolerance.contains(deviation) ? RowVerdict::Passed : RowVerdict::Failed;
    } else {
        row.cells << kNotMeasuredCell << kNotMeasuredCell << kNotMeasuredCell;
    }
    row.cells << range(target + tolerance.low, target + tolerance.high);
    if (showCorrections) {
        if (measured)
            row.cells << number(retspl) << number(tolerance.low) << number(tolerance.high);
        else
            row.cells << kNotMeasuredCell << kNotMeasuredCell << kNotMeasuredCell;
    }
    return row;
}

HearingLevelRow frequencyRow(const ToneResultBlocks &blocks, double tolerance, int frequencyIndex,
                             bool showCorrections)
{
    const double nominal = nominalHz(frequencyIndex);
    const double measured = blocks.tone.measuredFrequency[frequencyIndex];
    HearingLevelRow row;
    row.frequencyIndex = frequencyIndex;
    row.cells << formatText("%.0f", nominal);
    const bool wasMeasured = measured > kNotMeasuredLimit;
    const double deviation = measured - nominal;
    if (wasMeasured) {
        row.cells << number(measured) << number(deviation);
        row.verdict = std::abs(deviation) <= nominal * tolerance + Tolerance::kSlack ? RowVerdict::Passed
                                                                                     : RowVerdict::Failed;
    } else {
        row.cells << kNotMeasuredCell << kNotMeasuredCell;
    }
    row.cells << range(nominal - nominal * tolerance, nominal + nominal * tolerance);
    if (showCorrections)
        row.cells << (wasMeasured ? formatText("%.1f%%", deviation / nominal * 100.0) : kNotMeasuredCell);
    return row;
}

HearingLevelRow modulationRow(const TestSetup &setup, const FrequencyModulationResult &fm, int frequencyIndex)
{
    const double nominal = nominalHz(frequencyIndex);
    const double carrier = fm.carrier[frequencyIndex];
    HearingLevelRow row;
    row.frequencyIndex = frequencyIndex;
    row.cells << formatText("%.0f", nominal);
    if (carrier <= kNotMeasuredLimit) {
        row.cells << kNotMeasuredCell << range(nominal * 0.97, nominal * 1.03) << kNotMeasuredCell
                  << kNotMeasuredCell << kNotMeasuredCell << kNotMeasuredCell;
        return row;
    }
    const double lowest = fm.lowest[frequencyIndex];
    const double highest = fm.highest[frequencyIndex];
    const double rate = fm.rate[frequencyIndex];
    const double deviation = fmDeviationPercent(carrier, lowest, highest);
    const bool carrierOk = fmCarrierPasses(nominal, carrier);
    const bool rateOk = fmRatePasses(setup.fmRate, rate);
    const bool deviationOk = fmDeviationPasses(setup.fmDeviation, deviation);
    row.cells << formatText(carrierOk ? "%.1f" : "(%.1f)", carrier) << range(nominal * 0.97, nominal * 1.03)
              << number(lowest) << number(highest) << formatText(rateOk ? "%.2f" : "(%.2f)", rate)
              << formatText(deviationOk ? "%.1f%%" : "(%.1f%%)", deviation);
    row.verdict = carrierOk && rateOk && deviationOk ? RowVerdict::Passed : RowVerdict::Failed;
    return row;
}

QStringList columnsOf(HearingLevelMode mode, bool showCorrections)
{
    switch (mode) {
    case HearingLevelMode::HearingLevel:
    case HearingLevelMode::NarrowBand: {
        QStringList columns{QStringLiteral("Frequency"), QStringLiteral("Measured SPL"),
                            QStringLiteral("Hearing Level"), QStringLiteral("Deviation"),
                            QStringLiteral("Target SPL")};
        if (showCorrections)
            columns << QStringLiteral("RETSPL") << QStringLiteral("HL Low") << QStringLiteral("HL High");
        return columns;
    }
    case HearingLevelMode::Frequency: {
        QStringList columns{QStringLiteral("Dial Frequency"), QStringLiteral("Measured Frequency"),
                            QStringLiteral("Deviation"), QStringLiteral("Target Frequency")};
        if (showCorrections)
            columns << QStringLiteral("% Freq.");
        return columns;
    }
    case HearingLevelMode::FrequencyModulation:
        break;
    }
    return {
        QStringLiteral("Dial Freq."), QStringLiteral("Carrier Freq."), QStringLiteral("ANSI Limits +/-3%"),
        QStringLiteral("Min"),        QStringLiteral("Max"),           QStringLiteral("Rep. rate"),
        QStringLiteral("Deviation")};
}

} // namespace

double nominalHz(int frequencyIndex)
{
    return testFrequencies()[static_cast<std::size_t>(frequencyIndex)];
}

std::optional<HearingLevelMode> hearingLevelModeOf(MeasurementKind kind)
{
    switch (kind) {
    case MeasurementKind::HearingLevel:
        return HearingLevelMode::HearingLevel;
    case MeasurementKind::FrequencyAccuracy:
        return HearingLevelMode::Frequency;
    case MeasurementKind::FrequencyModulation:
        return HearingLevelMode::FrequencyModulation;
    case MeasurementKind::NarrowBandLevel:
        return HearingLevelMode::NarrowBand;
    default:
        return std::nullopt;
    }
}

MeasurementKind measurementKindOf(HearingLevelMode mode)
{
    switch (mode) {
    case HearingLevelMode::HearingLevel:
        return MeasurementKind::HearingLevel;
    case HearingLevelMode::Frequency:
        return MeasurementKind::FrequencyAccuracy;
    case HearingLevelMode::FrequencyModulation:
        return MeasurementKind::FrequencyModulation;
    case HearingLevelMode::NarrowBand:
        break;
    }
    return MeasurementKind::NarrowBandLevel;
}

MeasurementEntry measurementEntryOf(HearingLevelMode mode)
{
    switch (mode) {
    case HearingLevelMode::HearingLevel:
        return MeasurementEntry::HearingLevel;
    case HearingLevelMode::Frequency:
        return MeasurementEntry::FrequencyAccuracy;
    case HearingLevelMode::FrequencyModulation:
        return MeasurementEntry::FrequencyModulation;
    case HearingLevelMode::NarrowBand:
        break;
    }
    return MeasurementEntry::NarrowBandLevel;
}

Tolerance hearingLevelTolerance(int frequencyIndex)
{
    return frequencyIndex <= kLastNarrowToleranceFrequency ? Tolerance{-3.0, 3.0} : Tolerance{-5.0, 5.0};
}

Tolerance narrowBandTolerance()
{
    return {-3.0, 5.0};
}

double frequencyTolerance(const TestSetup &setup)
{
    const int type = std::atoi(std::string(fixedText(setup.audiometerType)).c_str());
    return type >= 0 && type <= 2 ? 0.01 : 0.02;
}

bool fmCarrierPasses(double nominalHz, double carrierHz)
{
    return std::abs(carrierHz - nominalHz) <= nominalHz * 0.03 + Tolerance::kSlack;
}

bool fmRatePasses(double statedHz, double measuredHz)
{
    return statedHz >= 4.0 && statedHz <= 20.001 &&
           std::abs(measuredHz - statedHz) <= statedHz * 0.1 + Tolerance::kSlack;
}

bool fmDeviationPasses(double statedPercent, double measuredPercent)
{
    return statedPercent >= 5.0 && statedPercent <= 25.001 &&
           std::abs(measuredPercent - statedPercent) <= statedPercent * 0.1 + Tolerance::kSlack;
}

double fmDeviationPercent(double carrierHz, double lowestHz, double highestHz)
{
    return carrierHz > 0.0 ? (highestHz - lowestHz) / carrierHz * 100.0 : 0.0;
}

std::vector<int> selectedFrequencies(const TestSetup &setup, HearingLevelMode mode)
{
    const int last = mode == HearingLevelMode::NarrowBand ? kLastNarrowBandFrequency : kFrequencyCount - 1;
    std::vector<int> selected;
    for (int f = 0; f <= last; ++f) {
        if (setup.frequencyAvailable[f] != 0)
            selected.push_back(f);
    }
    return selected;
}

ToneResultBlocks toneResultBlocks(AudTestRecord &record, TransducerType transducer, int channel)
{
    const int t = static_cast<int>(transducer);
    return {record.toneLevel[channel][t], record.frequencyModulation[channel][t],
            record.narrowBand[channel][t]};
}

double storedValue(const ToneResultBlocks &blocks, HearingLevelMode mode, int frequencyIndex)
{
    switch (mode) {
    case HearingLevelMode::HearingLevel:
        return blocks.tone.measuredLevel[frequencyIndex];
    case HearingLevelMode::Frequency:
        return blocks.tone.measuredFrequency[frequencyIndex];
    case HearingLevelMode::FrequencyModulation:
        return blocks.modulation.carrier[frequencyIndex];
    case HearingLevelMode::NarrowBand:
        break;
    }
    return blocks.narrowBand.measuredLevel[frequencyIndex];
}

int HearingLevelList::pageResult() const
{
    bool judged = false;
    for (const HearingLevelRow &row : rows) {
        if (row.verdict == RowVerdict::Failed)
            return -1;
        judged = judged || row.verdict == RowVerdict::Passed;
    }
    return judged ? 1 : 0;
}

HearingLevelList buildHearingLevelList(const TestSetup &setup, TransducerType transducer,
                                       const ToneResultBlocks &blocks, HearingLevelMode mode,
                                       bool showCorrections, UndefinedReferenceWarning *warning)
{
    HearingLevelList list;
    list.columns = columnsOf(mode, showCorrections);
    const double tolerance = frequencyTolerance(setup);
    for (int f : selectedFrequencies(setup, mode)) {
        switch (mode) {
        case HearingLevelMode::HearingLevel:
            list.rows.push_back(
                levelRow(setup, transducer,
                         {blocks.tone.measuredLevel, blocks.tone.dialLevel, MeasurementKind::HearingLevel,
                          blocks.tone.incidence, blocks.tone.binaural != 0, blocks.tone.placement == 1},
                         f,
                         showCorrections, warning));
            break;
        case HearingLevelMode::NarrowBand:
            list.rows.push_back(levelRow(setup, transducer,
                                         {blocks.narrowBand.measuredLevel, blocks.narrowBand.dialLevel,
                                          MeasurementKind::NarrowBandLevel, blocks.narrowBand.incidence,
                                          blocks.narrowBand.binaural != 0},
                                         f, showCorrections, warning));
            break;
        case HearingLevelMode::Frequency:
            list.rows.push_back(frequencyRow(blocks, tolerance, f, showCorrections));
            break;
        case HearingLevelMode::FrequencyModulation:
            list.rows.push_back(modulationRow(setup, blocks.modulation, f));
            break;
        }
    }
    return list;
}

} // namespace tonva

#include "measure/CrossTalkTest.h"
#include "measure/DistortionEvaluation.h"
#include "measure/HearingLevelEvaluation.h"
#include "measure/LinearityEvaluation.h"
#include "measure/MaskingNoiseEvaluation.h"
#include "measure/MeasurementCatalogue.h"
#include "measure/PulseTest.h"
#include "measure/SpeechTest.h"
#include "model/ReferenceData.h"
#include "platform/Clock.h"
#include "platform/Interaction.h"
#include "platform/PreferenceStore.h"
#include "platform/TextFormat.h"
#include "report/TabularReport.h"

#include <QTemporaryDir>
#include <algorithm>
#include <cmath>

// Each section prints what the measurement page judged: rows and verdicts come from the pages'
// own list builders, and a page marks a failed value by putting it in parentheses.

namespace tonva::tabular {

namespace {

struct Judged
{
    QString text; // without the parentheses
    bool failed = false;
};

Judged judgedCell(const QStringList &cells, int index)
{
    if (index < 0 || index >= cells.size())
        return {};
    const QString &cell = cells[index];
    if (cell.size() >= 2 && cell.startsWith(QLatin1Char('(')) && cell.endsWith(QLatin1Char(')')))
        return {cell.mid(1, cell.size() - 2), true};
    return {cell, false};
}

QString f1(const char *format, double value)
{
    return formatText(format, value);
}

} // namespace

const char *sectionTitle(MeasurementKind kind)
{
    static const char *const titles[kMeasurementKinds] = {"Hearing Level Test",
                                                          "Frequency Accuracy Test",
                                                          "Linearity Test",
                                                          "Distortion Test",
                                                          "Pulse Test",
                                                          "Cross Talk Test",
                                                          "Frequency Modulation Test",
                                                          "Narrow Band Level Test",
                                                          "Broad Band Noise Test",
                                                          "Speech Levels Test"};
    return titles[static_cast<int>(kind)];
}

const char *sectionTransducerTitle(TransducerType transducer)
{
    static const char *const names[kTransducerTypes] = {"Supra-aural earphones", "Bone Vibrator", "Speakers",
                                                        "Insert earphones", "Circumaural earphones"};
    return names[static_cast<int>(transducer)];
}

namespace {

void heads(CAudReport &report, std::initializer_list<std::pair<int, const char *>> cells)
{
    CRptLine &line = report.addLine();
    for (const auto &[column, text] : cells)
        line.add(column, QString::fromLatin1(text));
}

// The result blocks of a sub-table; the pages read them only, the record stays untouched.
struct ToneTable
{
    const char *title;
    const ToneLevelResult *tone;
    const FrequencyModulationResult *modulation;
    const NarrowBandResult *narrowBand;
    const SpeechResult *speech;

    ToneResultBlocks blocks() const
    {
        return {const_cast<ToneLevelResult &>(*tone), const_cast<FrequencyModulationResult &>(*modulation),
                const_cast<NarrowBandResult &>(*narrowBand)};
    }
};

// Earphones have a left and a right table, the bone vibrator one untitled, the speakers a left,
// a right and a binaural one.
std::vector<ToneTable> toneTables(const AudTestRecord &r, TransducerType transducer)
{
    const int t = static_cast<int>(transducer);
    const auto table = [&](const char *title, int channel) {
        return ToneTable{title, &r.toneLevel[channel][t], &r.frequencyModulation[channel][t],
                         &r.narrowBand[channel][t], &r.speech[channel][t]};
    };
    if (transducer == TransducerType::BoneVibrator)
        return {table("", 0)};
    if (transducer == TransducerType::Speakers)
        return {table("Left Speaker", 0), table("Right Speaker", 1),
                ToneTable{"Binaural", &r.toneLevelBinaural, &r.frequencyModulation[0][t],
                          &r.narrowBandBinaural, &r.speechBinaural}};
    return {table("Left Earphone", 0), table("Right Earphone", 1)};
}

bool anyAbove(const float *values, int count)
{
    return std::any_of(values, values + count, [](float v) { return v > kNotMeasuredLimit; });
}

void titleLine(CAudReport &report, const char *title)
{
    if (*title)
        report.addLine().add(0, QString::fromLatin1(title));
}

void hearingLevelSection(CAudReport &report, const AudTestRecord &r, TransducerType transducer)
{
    const bool bone = transducer == TransducerType::BoneVibrator;
    bool first = true;
    for (const ToneTable &table : toneTables(r, transducer)) {
        if (!anyAbove(table.tone->measuredLevel, kFrequencyCount))
            continue;
        if (!first)
            report.addBlank();
        first = false;
        titleLine(report, table.title);
        heads(report, {{0, "Freq"},
                       {14, "  Measured"},
                       {31, "  Hearing"},
                       {48, bone ? "  FL" : "SPL"},
                       {62, " Target"}});
        heads(report, {{0, "(Hz)"},
                       {16, bone ? "  FL" : "SPL"},
                       {32, "Level"},
                       {46, "  Deviation"},
                       {63, bone ? "  FL" : "SPL"}});
        const HearingLevelList list =
            buildHearingLevelList(r.setup, transducer, table.blocks(), HearingLevelMode::HearingLevel, false);
        for (const HearingLevelRow &row : list.rows) {
            const int f = row.frequencyIndex;
            const double spl = table.tone->measuredLevel[f];
            if (spl <= kNotMeasuredLimit)
                continue;
            ReferenceQuery query;
            query.transducer = transducer;
            query.frequencyIndex = f;
            query.incidence = table.tone->incidence;
            query.binaural = table.tone->binaural != 0;
            query.forehead = table.tone->placement == 1;
            const double reference = GetReferenceLevel(r.setup, query);
            const double dial = table.tone->dialLevel[f];
            const Tolerance tolerance = hearingLevelTolerance(f);
            const bool failed = row.verdict == RowVerdict::Failed;
            report.addLine()
                .add(0, f1("%.0f", nominalHz(f)))
                .add(16, f1("%5.1f", spl), failed)
                .add(32, f1("%5.1f", spl - reference), failed)
                .add(48, f1("%5.1f", spl - reference - dial), failed)
                .add(61, formatText("%.1f to %.1f", reference + dial + tolerance.low,
                                    reference + dial + tolerance.high));
        }
    }
}

void frequencySection(CAudReport &report, const AudTestRecord &r, TransducerType transducer)
{
    const int t = static_cast<int>(transducer);
    const ToneLevelResult &left = r.toneLevel[0][t];
    const ToneLevelResult &right = r.toneLevel[1][t];
    report.addLine().add(21, QStringLiteral("Left")).add(60, QStringLiteral("Right"));
    heads(report, {{0, "Freq"},
                   {13, "Measured"},
                   {26, "Frequency"},
                   {39, "Target"},
                   {52, "Measured"},
                   {66, "Frequency"}});
    heads(report, {{0, "(Hz)"},
                   {13, "Frequency"},
                   {26, "Deviation"},
                   {39, "Frequency"},
                   {52, "Frequency"},
                   {66, "Deviation"}});
    const double t0 = frequencyTolerance(r.setup);
    for (int f : selectedFrequencies(r.setup, HearingLevelMode::Frequency)) {
        if (left.measuredFrequency[f] <= kNotMeasuredLimit && right.measuredFrequency[f] <= kNotMeasuredLimit)
            continue;
        const double nominal = nominalHz(f);
        CRptLine &line = report.addLine();
        line.add(0, f1("%.0f", nominal));
        const auto ear = [&](const ToneLevelResult &block, int measuredColumn, int deviationColumn) {
            const double measured = block.measuredFrequency[f];
            if (measured <= kNotMeasuredLimit) {
                line.add(measuredColumn, QStringLiteral("      -"))
                    .add(deviationColumn, QStringLiteral("      -"));
                return;
            }
            const ToneResultBlocks blocks{
                const_cast<ToneLevelResult &>(block),
                const_cast<FrequencyModulationResult &>(r.frequencyModulation[0][t]),
                const_cast<NarrowBandResult &>(r.narrowBand[0][t])};
            const HearingLevelList list =
                buildHearingLevelList(r.setup, transducer, blocks, HearingLevelMode::Frequency, false);
            const auto row = std::find_if(list.rows.begin(), list.rows.end(),
                                          [&](const HearingLevelRow &x) { return x.frequencyIndex == f; });
            const bool failed = row != list.rows.end() && row->verdict == RowVerdict::Failed;
            line.add(measuredColumn, f1("%7.1f", measured), failed)
                .add(deviationColumn, f1("% 7.1f", measured - nominal), failed);
        };
        ear(left, 14, 27);
        line.add(37, formatText("%.1f to %.1f", nominal * (1 - t0), nominal * (1 + t0)));
        ear(right, 52, 66);
    }
}

void linearitySection(CAudReport &report, const AudTestRecord &r, TransducerType transducer)
{
    using namespace linearity;
    const int t = static_cast<int>(transducer);
    const char *const titles[] = {"Left Earphone", "Right Earphone"};
    for (int channel = 0; channel < kChannels; ++channel) {
        const LinearityResult &block = r.linearity[channel][t];
        if (channel > 0)
            report.addBlank();
        // A damaged record may hold any step: a step of zero or less would never end the series.
        const int step = block.dialStep;
        report.addLine()
            .add(0, QString::fromLatin1(titles[channel]))
            .add(26, f1("Test frequency: %.1f Hz", block.testFrequency))
            .add(73, formatText("Test step: %d dB", step));
        if (block.testFrequency == 0.0f) {
            report.addLine().add(23, QStringLiteral("Test Freq. is zero. No data."));
            continue;
        }
        if (block.noiseFloor <= 0.0f) {
            report.addLine().add(23, f1("Noise Floor (%.2f) too low.", block.noiseFloor));
            continue;
        }
        heads(report, {{0, "Dial"},
                       {10, "dB"},
                       {21, "HL"},
                       {32, "Measured"},
                       {43, "Measured"},
                       {54, "Step"},
                       {65, " Target"}});
        heads(report, {{0, "Level"},
                       {10, "SPL"},
                       {21, "Variance"},
                       {32, "SPL"},
                       {43, "Step"},
                       {54, "  Variance"},
                       {65, "Step"}});
        ReferenceQuery query;
        query.transducer = transducer;
        const int index = frequencyIndex(testFrequencyOf(block));
        query.frequencyIndex = index >= 0 ? index : frequencyIndex(kDefaultFrequencyHz);
        const double reference = GetReferenceLevel(r.setup, query);
        const double tolerance = stepTolerance(step);
        std::optional<double> previous;
        // Levels are read only inside the 141 stored ones, whatever maximum the record claims.
        for (int level = maximumLevelOf(block); step > 0 && level >= 0; level -= step) {
            const double m = block.measuredLevel[std::clamp(level, 0, kHighestLevel)];
            if (m <= kNotMeasuredLimit)
                continue;
            const double hl = m - reference - level;
            CRptLine &line = report.addLine();
            line.add(0, formatText("%3d", level))
                .add(10, f1("%6.2f", m - reference))
                .add(21, f1("%5.2f", hl), !hearingLevelPasses(hl))
                .add(32, f1("%6.2f", m));
            if (previous) {
                const double measuredStep = *previous - m;
                const double variance = measuredStep - step;
                const bool failed = !stepPasses(variance, step);
                line.add(43, f1("% 4.1f", measuredStep), failed)
                    .add(54, f1("% 5.1f", variance), failed)
                    .add(64, formatText("%.1f to %.1f", step - tolerance, step + tolerance));
            }
            previous = m;
        }
        report.addLine().add(0, f1("NF = %.1f dB", block.noiseFloor));
    }
}

void distortionSection(CAudReport &report, const AudTestRecord &r, TransducerType transducer)
{
    const bool bone = transducer == TransducerType::BoneVibrator;
    const DistortionConduction conduction = bone ? DistortionConduction::Bone : DistortionConduction::Air;
    const int t = static_cast<int>(transducer);
    const double maxThd = distortionLimits(conduction).thdPercent;
    const int channels = bone ? 1 : kChannels;
    const char *const titles[] = {"Left Earphone", "Right Earphone"};
    static const int columns[] = {0, 8, 15, 21, 28, 35, 42, 50, 60};
    for (int channel = 0; channel < channels; ++channel) {
        const DistortionResult &block = r.distortion[channel][t];
        if (channel > 0)
            report.addBlank();
        titleLine(report, bone ? "" : titles[channel]);
        heads(report, {{0, "Frequency"},
                       {8, "Meas Freq."},
                       {15, "Fund."},
                       {21, "2nd Harm"},
                       {28, "3rd Harm"},
                       {35, "4th Harm"},
                       {42, "5th Harm"},
                       {50, "THD"},
                       {60, "Max THD"}});
        heads(report, {{0, "    (Hz)"},
                       {8, "     (Hz)"},
                       {15, "(dB)"},
                       {21, "    (dB)"},
                       {28, "    (dB)"},
                       {35, "    (dB)"},
                       {42, "    (dB)"},
                       {50, " (%)"},
                       {60, "     (%)"}});
        const DistortionList list = buildDistortionList(r.setup, block, conduction);
        for (const DistortionRow &row : list.rows) {
            if (block.fundamentalLevel[row.frequencyIndex] <= kNotMeasuredLimit)
                continue;
            CRptLine &line = report.addLine();
            for (int c = 0; c < 8; ++c) {
                const Judged cell = judgedCell(row.cells, c);
                if (c < 3 || c > 6) {
                    line.add(columns[c], cell.text, cell.failed);
                    continue;
                }
                // The page shows harmonics as percentages of the fundamental; the report prints
                // their levels, with the page's verdict.
                const float level = block.harmonicLevel[c - 3][row.frequencyIndex];
                const bool shown =
                    cell.text != QLatin1String("----") && level > 0.0f && level != kHarmonicsNotComputed;
                line.add(columns[c], shown ? f1("    %.1f", level) : QStringLiteral("    ----"), cell.failed);
            }
            line.add(columns[8], f1("     %.1f", maxThd));
        }
    }
}

void pulseSection(CAudReport &report, const AudTestRecord &r, TransducerType transducer)
{
    const PulseResult &block = r.pulse[static_cast<int>(transducer)];
    heads(report, {{0, "Freq"},
                   {10, "Rise Time"},
                   {21, "Fall Time"},
                   {32, " On Time"},
                   {43, " Off Time"},
                   {54, "  Width"},
                   {65, "On/Off"}});
    heads(
        report,
        {{0, "(Hz)"}, {11, "(ms)"}, {22, "(ms)"}, {33, "(ms)"}, {44, "(ms)"}, {55, "(ms)"}, {65, "  Ratio"}});
    const PulseList list = buildPulseList(r.setup, block);
    if (list.cells.isEmpty() || block.level <= kNotMeasuredLimit)
        return;
    const float values[] = {block.riseTime, block.fallTime, block.onTime, block.offTime, block.plateau};
    CRptLine &line = report.addLine();
    line.add(0, f1("%7.0f", 1000.0));
    for (int i = 0; i < 5; ++i)
        line.add(11 * (i + 1), f1("%5.1f", values[i]), judgedCell(list.cells, i + 1).failed);
    const bool ratioFailed = judgedCell(list.cells, 6).failed;
    line.add(66, ratioFailed ? QStringLiteral("Failed") : QStringLiteral("OK"), ratioFailed);
}

void crossTalkSection(CAudReport &report, const AudTestRecord &r, TransducerType transducer)
{
    const CrossTalkResult &block = r.crossTalk[static_cast<int>(transducer)];
    const double frequency = crosstalk::testFrequencyOf(block);
    report.addLine().add(kRightAligned, f1("Test frequency: %.0f Hz", frequency));
    heads(report, {{0, "Test"},
                   {12, "Tone On"},
                   {25, "Tone Off"},
                   {38, "Difference"},
                   {51, "ANSI Limits"},
                   {64, "Deviation"}});
    ReferenceQuery query;
    query.transducer = transducer;
    query.frequencyIndex = std::max(0, frequencyIndex(frequency));
    const double reference = GetReferenceLevel(r.setup, query);
    const PageTable table = crosstalk::buildList(block, reference);
    const auto failed = [&](crosstalk::Row row) {
        return table.verdict(static_cast<int>(row)) == ResultStatus::Failed;
    };
    const auto pair = [&](const char *name, float on, float cross, crosstalk::Row row) {
        if (on <= crosstalk::kNotMeasuredLimit)
            return;
        const double difference = double(on) - cross;
        const bool bad = failed(row);
        report.addLine()
            .add(0, QString::fromLatin1(name))
            .add(13, f1("%5.1f", on))
            .add(26, f1("%5.1f", cross))
            .add(39, f1("%5.1f", difference), bad)
            .add(52, f1(">= %.1f", crosstalk::kMinimumDifferenceDb))
            .add(65, f1("% 5.1f", difference - crosstalk::kMinimumDifferenceDb), bad);
    };
    pair("Left to Right", block.leftToneOnLevel, block.leftCrossLevel, crosstalk::Row::LeftToRight);
    pair("Right to Left", block.rightToneOnLevel, block.rightCrossLevel, crosstalk::Row::RightToLeft);
    if (block.toneOffLevel > 0.0f) {
        const double limit = reference + crosstalk::kToneOffAboveReferenceDb;
        const bool bad = failed(crosstalk::Row::OnOffRatio);
        report.addLine()
            .add(0, QStringLiteral("On/Off Ratio"))
            .add(13, QString())
            .add(26, f1("%5.1f", block.toneOffLevel), bad)
            .add(39, QString())
            .add(52, f1("<= %.1f", limit))
            .add(65, f1("%5.1f", limit - block.toneOffLevel), bad);
    }
}

void modulationSection(CAudReport &report, const AudTestRecord &r, TransducerType transducer)
{
    const char *const titles[] = {"Left Earphone", "Right Earphone"};
    const std::vector<ToneTable> tables = toneTables(r, transducer);
    for (int channel = 0; channel < kChannels && channel < int(tables.size()); ++channel) {
        const FrequencyModulationResult &block = *tables[std::size_t(channel)].modulation;
        if (channel > 0)
            report.addBlank();
        report.addLine().add(0, QString::fromLatin1(titles[channel]));
        heads(report, {{0, "Dial"},
                       {13, " Carrier"},
                       {25, "  Minimum"},
                       {38, "  Maximum"},
                       {50, "  Repetition"},
                       {63, "  Frequency"}});
        heads(report, {{0, "Frequency"},
                       {13, "  Frequency"},
                       {25, " Frequency"},
                       {38, "  Frequency"},
                       {50, "Rate"},
                       {63, "  Deviation"}});
        const HearingLevelList list =
            buildHearingLevelList(r.setup, transducer, tables[std::size_t(channel)].blocks(),
                                  HearingLevelMode::FrequencyModulation, false);
        for (const HearingLevelRow &row : list.rows) {
            const int f = row.frequencyIndex;
            if (block.carrier[f] <= kNotMeasuredLimit)
                continue;
            report.addLine()
                .add(0, f1("%.0f", nominalHz(f)))
                .add(13, f1("%7.1f", block.carrier[f]), judgedCell(row.cells, 1).failed)
                .add(26, f1("%7.1f", block.lowest[f]))
                .add(39, f1("%7.1f", block.highest[f]))
                .add(52, f1("%.2f", block.rate[f]), judgedCell(row.cells, 5).failed)
                .add(65,
                     f1("%.1f%%", fmDeviationPercent(block.carrier[f], block.lowest[f], block.highest[f])),
                     judgedCell(row.cells, 6).failed);
        }
    }
}

void narrowBandSection(CAudReport &report, const AudTestRecord &r, TransducerType transducer)
{
    bool first = true;
    for (const ToneTable &table : toneTables(r, transducer)) {
        if (!anyAbove(table.narrowBand->measuredLevel, kLastNarrowBandFrequency + 1))
            continue;
        if (!first)
            report.addBlank();
        first = false;
        titleLine(report, table.title);
        heads(report, {{0, "Freq"}, {15, "Measured"}, {31, " Hearing"}, {48, "SPL"}, {65, "Target"}});
        heads(report, {{0, "(Hz)"}, {15, "SPL"}, {31, "  Level"}, {48, "  Deviation"}, {65, "  SPL"}});
        const HearingLevelList list =
            buildHearingLevelList(r.setup, transducer, table.blocks(), HearingLevelMode::NarrowBand, false);
        for (const HearingLevelRow &row : list.rows) {
            const int f = row.frequencyIndex;
            const double m = table.narrowBand->measuredLevel[f];
            if (m <= kNotMeasuredLimit)
                continue;
            ReferenceQuery query;
            query.transducer = transducer;
            query.frequencyIndex = f;
            query.kind = MeasurementKind::NarrowBandLevel;
            const double reference = GetReferenceLevel(r.setup, query);
            const double dial = table.narrowBand->dialLevel[f];
            const Tolerance tolerance = narrowBandTolerance();
            const bool failed = row.verdict == RowVerdict::Failed;
            report.addLine()
                .add(0, f1("%.0f", nominalHz(f)))
                .add(16, f1("%.1f", m), failed)
                .add(32, f1("%.1f", m - reference), failed)
                .add(48, f1("%.1f", m - reference - dial), failed)
                .add(64, formatText("%.1f to %.1f", reference + dial + tolerance.low,
                                    reference + dial + tolerance.high));
        }
    }
}

int thousandHzIndex()
{
    return frequencyIndex(1000.0);
}

double numberIn(const QStringList &cells, int index)
{
    return cells.value(index).toDouble();
}

void broadBandSection(CAudReport &report, const AudTestRecord &r, TransducerType transducer,
                      RegionalMode mode)
{
    using namespace masking;
    const int t = static_cast<int>(transducer);
    const BroadBandResult *ears[] = {&r.broadBand[0][t], &r.broadBand[1][t]};
    ReferenceQuery query;
    query.transducer = transducer;
    query.frequencyIndex = thousandHzIndex();
    const double reference = GetReferenceLevel(r.setup, query);
    const List lists[] = {buildList(*ears[0], mode, reference), buildList(*ears[1], mode, reference)};

    bool spectrumForm = false;
    for (const Source source : offeredSources(mode)) {
        for (const BroadBandResult *ear : ears)
            spectrumForm = spectrumForm || levelAt1kHz(*ear, source) > kNotMeasuredDb;
    }
    const int method = ears[0]->method;
    const char *label1 = method == 0 ? "Overall" : method == 1 ? "SPL at" : " Pass / ";
    const char *label2 = method == 0 ? "SPL" : method == 1 ? "1000 Hz" : "  Fail  ";

    report.addLine().add(31, QStringLiteral("Left")).add(67, QStringLiteral("Right"));
    if (spectrumForm) {
        heads(report, {{0, "  Noise  "},
                       {11, label1},
                       {18, "# of"},
                       {25, "Freq. at"},
                       {34, "Max."},
                       {42, "1000 Hz "},
                       {53, label1},
                       {60, "# of"},
                       {68, "Freq. at"},
                       {76, "Max."},
                       {84, "1000 Hz "}});
        heads(report, {{0, "  Source  "},
                       {11, label2},
                       {18, "Failures"},
                       {25, "Max Dev."},
                       {34, "Deviation"},
                       {42, "Target Level"},
                       {53, label2},
                       {60, "Failures"},
                       {68, "Max Dev."},
                       {76, "Deviation"},
                       {84, "Target Level"}});
    } else {
        heads(report, {{0, "  Noise  "},
                       {11, label1},
                       {21, "  Hearing"},
                       {31, ""},
                       {40, "Target"},
                       {48, label1},
                       {57, "  Hearing"},
                       {67, ""},
                       {75, "  Target"}});
        heads(report, {{0, "  Source  "},
                       {11, label2},
                       {22, "Level"},
                       {29, "   Deviation"},
                       {40, " SPL"},
                       {48, label2},
                       {58, "Level"},
                       {65, "   Deviation"},
                       {76, " SPL"}});
    }

    for (std::size_t row = 0; row < lists[0].rows.size(); ++row) {
        const Source source = lists[0].rows[row].source;
        const int s = static_cast<int>(source);
        const bool levelRow =
            ears[0]->sourceLevel[s] > kNotMeasuredDb || ears[1]->sourceLevel[s] > kNotMeasuredDb;
        const bool spectrumRow =
            levelAt1kHz(*ears[0], source) > kNotMeasuredDb || levelAt1kHz(*ears[1], source) > kNotMeasuredDb;
        if (!levelRow && !spectrumRow)
            continue;
        CRptLine cells;
        bool leftFailed = false;
        for (int e = 0; e < 2; ++e) {
            const Row &judged = lists[e].rows[row];
            const bool failed = judged.verdict == ResultStatus::Failed;
            leftFailed = leftFailed || (e == 0 && failed);
            if (levelRow) {
                // The page lists level, hearing level, deviation and target range.
                const int columns[4] = {e == 0 ? 11 : 49, e == 0 ? 22 : 58, e == 0 ? 31 : 66,
                                        e == 0 ? 40 : 76};
                const double v = ears[e]->sourceLevel[s];
                if (!(v > kNotMeasuredDb) || judged.verdict == ResultStatus::NotJudged) {
                    for (int c : columns)
                        cells.add(c, QString());
                    continue;
                }
                const double deviation = numberIn(judged.cells, 3);
                cells.add(columns[0], f1("%.1f", v), failed)
                    .add(columns[1], f1("% 5.1f", numberIn(judged.cells, 2)))
                    .add(columns[2], f1("% 5.1f", deviation), failed)
                    .add(columns[3], f1("% 5.1f", v - deviation));
                continue;
            }
            // The page lists the verdict, the failure count, the frequency and size of the worst
            // departure from the 1000 Hz line.
            const int columns[5] = {e == 0 ? 11 : 53, e == 0 ? 18 : 60, e == 0 ? 25 : 68, e == 0 ? 34 : 76,
                                    e == 0 ? 42 : 84};
            if (judged.verdict == ResultStatus::NotJudged) {
                for (int c : columns)
                    cells.add(c, QString());
            } else if (!failed) {
                cells.add(columns[0], QStringLiteral("Passed"));
                for (int c = 1; c < 5; ++c)
                    cells.add(columns[c], QString());
            } else {
                cells.add(columns[0], QStringLiteral("Failed"), Bold)
                    .add(columns[1], judged.cells.value(2))
                    .add(columns[2], judged.cells.value(3))
                    .add(columns[3], f1("% 5.1f", numberIn(judged.cells, 4)))
                    .add(columns[4], f1("% 5.1f", levelAt1kHz(*ears[e], source)));
            }
        }
        CRptLine &line = report.addLine().add(0, sourceName(source), leftFailed);
        for (int c = 0; c < cells.count(); ++c)
            line.add(cells.cell(c).column, cells.cell(c).text, cells.cell(c).bold);
    }
}

void speechSection(CAudReport &report, const AudTestRecord &r, TransducerType transducer, RegionalMode mode)
{
    const bool bone = transducer == TransducerType::BoneVibrator;
    const std::vector<ToneTable> tables = toneTables(r, transducer);
    const Ear ears[] = {Ear::Left, Ear::Right, Ear::Both};
    bool first = true;
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const SpeechResult &block = *tables[i].speech;
        if (!anyAbove(block.measuredLevel, kSpeechSources))
            continue;
        if (!first)
            report.addBlank();
        first = false;
        titleLine(report, tables[i].title);
        heads(report, {{14, "  Measured"}, {31, " Hearing"}, {48, bone ? "FL" : "SPL"}, {62, "Target"}});
        heads(report, {{0, "Source"}, {16, "SPL"}, {31, "   Level"}, {46, "  Deviation"}, {62, "  SPL"}});
        // The bone vibrator has one table, whatever side it was measured on.
        const PageTable list = speechList(r, transducer, bone ? Ear::Left : ears[i], mode);
        for (int s = 0; s < kSpeechSources && s < list.rows.size(); ++s) {
            const double v = block.measuredLevel[s];
            if (!(v > kNotMeasuredLimit))
                continue;
            const bool failed = list.verdict(s) == ResultStatus::Failed;
            const QStringList &cells = list.rows[s];
            report.addLine()
                .add(0, cells.value(0), failed)
                .add(16, f1("%.1f", v), failed)
                .add(32, cells.value(2), failed)
                .add(48, cells.value(3), failed)
                .add(61, cells.value(4));
        }
    }
}

// Pages that keep their rules inside their class are asked for their list through a copy of the
// record, with no technician, meter or clock that could be reached.
class QuietInteraction final : public Interaction
{
public:
    void message(const QString &) override {}
    Answer ask(const QString &, Buttons) override { return Answer::Cancel; }
    Answer askToSet(const QString &, const Stimulus &, Buttons) override { return Answer::Cancel; }
    std::unique_ptr<Progress> openProgress(const QString &, int, int, int) override
    {
        return std::make_unique<SilentProgress>();
    }
    Answer askTestConditions(TestConditions &) override { return Answer::Cancel; }
};

} // namespace

PageTable speechList(const AudTestRecord &r, TransducerType transducer, Ear ear, RegionalMode mode)
{
    static QuietInteraction interaction;
    static VirtualClock clock;
    static QTemporaryDir folder;
    static PreferenceStore preferences(folder.filePath(QStringLiteral("unused.ini")));
    SpeechTest page({interaction, clock, preferences, mode});
    auto copy = std::make_unique<AudTestRecord>(r);
    page.Initialise({copy.get(), transducer, ear, MeasurementEntry::Speech});
    return page.List();
}

void appendSection(CAudReport &report, const AudTestRecord &record, MeasurementKind kind,
                   TransducerType transducer, RegionalMode mode)
{
    if (kind != MeasurementKind::HearingLevel)
        report.addBlank();
    report.addLine()
        .add(0, QStringLiteral("-------"))
        .add(23, QString::fromLatin1(sectionTitle(kind)))
        .add(62, record.setup.channelCount > 1 ? formatText("Channel #: %d", record.setup.channelToTest)
                                               : QString())
        .add(kRightAligned, QStringLiteral("-------"));
    report.addLine().add(0, QString::fromLatin1(sectionTransducerTitle(transducer)));
    switch (kind) {
    case MeasurementKind::HearingLevel:
        return hearingLevelSection(report, record, transducer);
    case MeasurementKind::FrequencyAccuracy:
        return frequencySection(report, record, transducer);
    case MeasurementKind::HearingLevelLinearity:
        return linearitySection(report, record, transducer);
    case MeasurementKind::HarmonicDistortion:
        return distortionSection(report, record, transducer);
    case MeasurementKind::PulsedTones:
        return pulseSection(report, record, transducer);
    case MeasurementKind::CrossTalk:
        return crossTalkSection(report, record, transducer);
    case MeasurementKind::FrequencyModulation:
        return modulationSection(report, record, transducer);
    case MeasurementKind::NarrowBandLevel:
        return narrowBandSection(report, record, transducer);
    case MeasurementKind::BroadBandNoise:
        return broadBandSection(report, record, transducer, mode);
    case MeasurementKind::SpeechHearingLevel:
        return speechSection(report, record, transducer, mode);
    }
}

} // namespace tonva::tabular

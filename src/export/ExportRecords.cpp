#include "export/ExportRecords.h"

#include "ambient/AmbientLimits.h"
#include "measure/BoneConductionTest.h"
#include "measure/CrossTalkTest.h"
#include "measure/DistortionEvaluation.h"
#include "measure/HearingLevelEvaluation.h"
#include "measure/LinearityEvaluation.h"
#include "measure/PulseTest.h"
#include "meter/MeterTables.h"
#include "model/FixedText.h"
#include "model/ReferenceData.h"
#include "platform/TextFormat.h"
#include "report/TabularReport.h"

#include <QDate>
#include <QRegularExpression>
#include <array>
#include <cmath>

namespace tonva {

ExportField ExportField::date(const QString &text)
{
    ExportField field{text};
    const QDate parsed = QDate::fromString(text.trimmed(), QStringLiteral("yyyy-MM-dd"));
    if (parsed.isValid()) {
        field.kind = Kind::Date;
        field.year = parsed.year();
        field.month = parsed.month();
        field.day = parsed.day();
    }
    return field;
}

namespace {

// A measured value as the measurement's own list formats it: a plain number ("%.0f", "%.1f",
// "%.2f", "%3d") becomes a spreadsheet number with as many places as the text shows.
ExportField cell(const QString &text)
{
    static const QRegularExpression plainNumber(QStringLiteral("^\\s*-?\\d+(\\.(\\d{1,2}))?$"));
    // A page pads an empty cell with a blank for its window; in a file an empty field is empty.
    if (text.trimmed().isEmpty())
        return {};
    const QRegularExpressionMatch match = plainNumber.match(text);
    if (!match.hasMatch())
        return ExportField::plain(text);
    ExportField field{text, ExportField::Kind::Number};
    field.number = text.trimmed().toDouble();
    field.decimals = static_cast<int>(match.capturedLength(2));
    return field;
}

// A measured value with `places` decimals, formatted the C library's way in the C locale.
ExportField fixed(int places, double value)
{
    return cell(formatText("%.*f", places, value));
}

template<std::size_t N> ExportField text(const char (&field)[N])
{
    return ExportField::plain(displayText(field));
}

ExportRecord labels(std::initializer_list<const char *> list)
{
    ExportRecord record;
    for (const char *label : list)
        record << ExportField::plain(QString::fromLatin1(label));
    return record;
}

const ExportField kEmpty;

struct Writer
{
    QList<ExportRecord> records;
    const ExportContext &context;

    void add(ExportRecord record) { records << std::move(record); }
    void addLabels(std::initializer_list<const char *> list) { records << labels(list); }
    void blank() { records << ExportRecord{}; }
};

void organisation(Writer &out)
{
    for (const QString &line : {out.context.companyName, out.context.header1, out.context.header2}) {
        if (!line.isEmpty())
            out.add({ExportField::plain(line)});
    }
    out.blank();
    out.blank();
}

struct InstrumentLine
{
    QString name;
    const InstrumentIdentity *identity;
};

void instrumentation(Writer &out, const QList<InstrumentLine> &instruments)
{
    out.addLabels({"Instrumentation", "Manufacturer", "Model", "Serial Number", "Cal Due"});
    for (const InstrumentLine &line : instruments) {
        if (fixedTextIsEmpty(line.identity->serialNumber))
            continue;
        out.add({ExportField::plain(line.name), text(line.identity->manufacturer), text(line.identity->model),
                 text(line.identity->serialNumber),
                 ExportField::date(displayText(line.identity->calibrationDue))});
    }
}

QString statusWord(std::int32_t status)
{
    switch (status) {
    case 1:
        return QStringLiteral("Pass");
    case -1:
        return QStringLiteral("FAIL");
    case 0:
        return QStringLiteral("-");
    default:
        return QStringLiteral("n/a");
    }
}

const std::array<const char *, kMeasurementKinds> kTypeNames = {"Hearing Level",
                                                                "Frequency",
                                                                "Linearity",
                                                                "Harmonic Distortion",
                                                                "Pulse",
                                                                "Cross Talk",
                                                                "Frequency Modulation",
                                                                "Narrow Band Level",
                                                                "Broad Band Noise",
                                                                "Speech"};

bool isEarphone(TransducerType t)
{
    return t == TransducerType::SupraAural || t == TransducerType::InsertEarphone ||
           t == TransducerType::Circumaural;
}

// A sub-table of a level measurement: the side it belongs to and the channel block (-1: binaural).
struct Side
{
    const char *title;
    int channel;
};

QList<Side> sidesOf(TransducerType t)
{
    switch (t) {
    case TransducerType::BoneVibrator:
        return {{"", 0}};
    case TransducerType::Speakers:
        return {{"Left Speaker", 0}, {"Right Speaker", 1}, {"Binaural", -1}};
    default:
        return {{"Left Earphone", 0}, {"Right Earphone", 1}};
    }
}

void subTableTitle(Writer &out, const Side &side)
{
    if (side.title[0] != '\0')
        out.add(labels({side.title}));
}

// The rows a level list of the measurement's own page judged; rows it left unmeasured are not data.
void addJudgedRows(Writer &out, const HearingLevelList &list)
{
    for (const HearingLevelRow &row : list.rows) {
        if (row.verdict == RowVerdict::NotMeasured)
            continue;
        ExportRecord record;
        for (const QString &text : row.cells)
            record << cell(text);
        out.add(record);
    }
}

template<typename Block> bool anyAbove(const Block &levels, int count)
{
    for (int f = 0; f < count; ++f) {
        if (levels[f] > kNotMeasuredLimit)
            return true;
    }
    return false;
}

// Bone vibrator and sound field: the level rows the earphone page would show, but judged against the
// reference of the block's placement, incidence and binaural set-up.
void levelRows(Writer &out, const TestSetup &setup, TransducerType t, MeasurementKind kind,
               const float *measured, const std::int16_t *dial, const ReferenceQuery &base, int lastFrequency)
{
    const bool narrow = kind == MeasurementKind::NarrowBandLevel;
    for (int f = 0; f <= lastFrequency; ++f) {
        if (setup.frequencyAvailable[f] == 0 || measured[f] <= kNotMeasuredLimit)
            continue;
        ReferenceQuery query = base;
        query.transducer = t;
        query.frequencyIndex = f;
        query.kind = kind;
        const double reference = GetReferenceLevel(setup, query);
        const double boneTolerance = boneLevelTolerance(f);
        const Tolerance tolerance = narrow ? narrowBandTolerance()
                                    : t == TransducerType::BoneVibrator
                                        ? Tolerance{-boneTolerance, boneTolerance}
                                        : hearingLevelTolerance(f);
        const double level = measured[f];
        const double target = reference + dial[f];
        out.add({fixed(0, nominalHz(f)), fixed(1, level), fixed(1, level - reference),
                 fixed(1, level - target),
                 ExportField::plain(
                     formatText("%.1f to %.1f", target + tolerance.low, target + tolerance.high))});
    }
}

void levelHeads(Writer &out, TransducerType t, bool narrow)
{
    const bool bone = t == TransducerType::BoneVibrator && !narrow;
    const char *spl = bone ? "FL" : "SPL";
    out.addLabels({"Freq", "Measured", "Hearing", spl, "Target"});
    out.addLabels({"(Hz)", spl, "Level", "Deviation", spl});
}

void hearingLevelSection(Writer &out, const AudTestRecord &record, TransducerType t, MeasurementKind kind)
{
    const bool narrow = kind == MeasurementKind::NarrowBandLevel;
    const int t0 = static_cast<int>(t);
    const int last = narrow ? kLastNarrowBandFrequency : kFrequencyCount - 1;
    for (const Side &side : sidesOf(t)) {
        const float *measured = nullptr;
        const std::int16_t *dial = nullptr;
        ReferenceQuery query;
        if (narrow) {
            const NarrowBandResult &block =
                side.channel < 0 ? record.narrowBandBinaural : record.narrowBand[side.channel][t0];
            measured = block.measuredLevel;
            dial = block.dialLevel;
            query.incidence = block.incidence;
            query.binaural = side.channel < 0 || block.binaural != 0;
        } else {
            const ToneLevelResult &block =
                side.channel < 0 ? record.toneLevelBinaural : record.toneLevel[side.channel][t0];
            measured = block.measuredLevel;
            dial = block.dialLevel;
            query.incidence = block.incidence;
            query.binaural = side.channel < 0 || block.binaural != 0;
            query.forehead = block.placement == 1;
        }
        if (!anyAbove(measured, last + 1))
            continue;
        subTableTitle(out, side);
        levelHeads(out, t, narrow);
        if (isEarphone(t)) {
            AudTestRecord copy = record;
            const ToneResultBlocks blocks = toneResultBlocks(copy, t, side.channel);
            addJudgedRows(out, buildHearingLevelList(record.setup, t, blocks,
                                                     narrow ? HearingLevelMode::NarrowBand
                                                            : HearingLevelMode::HearingLevel,
                                                     false));
        } else {
            levelRows(out, record.setup, t, kind, measured, dial, query, last);
        }
    }
}

QList<ExportField> frequencyPair(double measured, double nominal)
{
    if (measured <= kNotMeasuredLimit)
        return {ExportField::plain(QStringLiteral("-")), ExportField::plain(QStringLiteral("-"))};
    return {fixed(1, measured), fixed(1, measured - nominal)};
}

void frequencySection(Writer &out, const AudTestRecord &record, TransducerType t)
{
    const int t0 = static_cast<int>(t);
    const ToneLevelResult &left = record.toneLevel[0][t0];
    const ToneLevelResult &right = record.toneLevel[1][t0];
    const double tolerance = frequencyTolerance(record.setup);
    out.add(labels({"", "Left", "", "", "Right", ""}));
    out.addLabels({"Freq", "Measured", "Frequency", "Target", "Measured", "Frequency"});
    out.addLabels({"Hz", "Frequency", "Deviation", "Frequency", "Frequency", "Deviation"});
    for (int f : selectedFrequencies(record.setup, HearingLevelMode::Frequency)) {
        if (left.measuredFrequency[f] <= kNotMeasuredLimit && right.measuredFrequency[f] <= kNotMeasuredLimit)
            continue;
        const double nominal = nominalHz(f);
        ExportRecord row{fixed(0, nominal)};
        row << frequencyPair(left.measuredFrequency[f], nominal);
        row << ExportField::plain(
            formatText("%.1f to %.1f", nominal * (1.0 - tolerance), nominal * (1.0 + tolerance)));
        row << frequencyPair(right.measuredFrequency[f], nominal);
        out.add(row);
    }
}

void linearitySection(Writer &out, const AudTestRecord &record, TransducerType t)
{
    using namespace linearity;
    for (const Side &side : sidesOf(t)) {
        if (side.channel < 0)
            continue;
        const LinearityResult &block = record.linearity[side.channel][static_cast<int>(t)];
        const double testHz = testFrequencyOf(block);
        const int step = dialStepOf(block);
        ReferenceQuery query;
        query.transducer = t;
        const int index = frequencyIndex(testHz);
        query.frequencyIndex = index >= 0 ? index : frequencyIndex(kDefaultFrequencyHz);
        const double reference = GetReferenceLevel(record.setup, query);
        const double tolerance = stepTolerance(step);

        QList<ExportRecord> rows;
        std::optional<double> previous;
        for (int level = maximumLevelOf(block); level >= 0; level -= step) {
            const double m = block.measuredLevel[level];
            if (m <= kNotMeasuredLimit)
                continue;
            ExportRecord row{cell(formatText("%3d", level)), fixed(1, m - reference),
                             fixed(1, m - reference - level), fixed(1, m)};
            if (previous) {
                const double measuredStep = *previous - m;
                row << fixed(1, measuredStep) << fixed(1, measuredStep - step)
                    << ExportField::plain(formatText("%.1f to %.1f", step - tolerance, step + tolerance));
            } else {
                row << kEmpty << kEmpty << kEmpty;
            }
            previous = m;
            rows << row;
        }
        const QString sideName = QString::fromLatin1(side.title);
        if (rows.isEmpty()) {
            // A series that never rose above the floor says why instead of an empty table.
            if (block.noiseFloor > 0.0f)
                out.add({ExportField::plain(sideName),
                         ExportField::plain(formatText(" Noise Floor (%.2f) Too Low",
                                                       static_cast<double>(block.noiseFloor)))});
            continue;
        }
        out.add({ExportField::plain(sideName)});
        out.add({ExportField::plain(formatText("Test frequency: %.1f Hz", testHz)), kEmpty,
                 ExportField::plain(formatText("Test step: %d dB", step))});
        out.addLabels({"Dial", "dB", "HL", "Measured", "Measured", "Step", "Target"});
        out.addLabels({"Level", "HL", "Variance", "SPL", "Step", "Variance", "Step"});
        out.records << rows;
        out.add({ExportField::plain(formatText("NF = %.1f dB", static_cast<double>(block.noiseFloor)))});
    }
}

void distortionSection(Writer &out, const AudTestRecord &record, TransducerType t)
{
    const bool bone = t == TransducerType::BoneVibrator;
    const DistortionConduction conduction = bone ? DistortionConduction::Bone : DistortionConduction::Air;
    const double maximum = distortionLimits(conduction).thdPercent;
    for (const Side &side : sidesOf(t)) {
        if (side.channel < 0)
            continue;
        const DistortionResult &block = record.distortion[side.channel][static_cast<int>(t)];
        QList<ExportRecord> rows;
        for (int f : distortionRows(record.setup, conduction)) {
            if (block.fundamentalLevel[f] <= kNotMeasuredLimit)
                continue;
            ExportRecord row{fixed(0, nominalHz(f)), fixed(1, block.measuredFrequency[f]),
                             fixed(1, block.fundamentalLevel[f])};
            for (int h = 0; h < 4; ++h)
                row << fixed(1, block.harmonicLevel[h][f]);
            row << fixed(1, block.thd[f]) << fixed(1, block.thd[f] - maximum) << fixed(1, maximum);
            rows << row;
        }
        if (rows.isEmpty())
            continue;
        subTableTitle(out, side);
        out.addLabels({"Frequency", "Measured Frequency", "Fundamental", "2nd Harm", "3rd Harm", "4th Harm",
                       "5th Harm", "THD", "Deviation", "Max THD"});
        out.addLabels({"(Hz)", "(Hz)", "(dB)", "(dB)", "(dB)", "(dB)", "(dB)", "(%)", " ", "(%)"});
        out.records << rows;
    }
}

void pulseSection(Writer &out, const AudTestRecord &record, TransducerType t)
{
    const PulseResult &r = record.pulse[static_cast<int>(t)];
    out.addLabels({"Freq", "Rise Time", "Fall Time", "On Time", "Off Time", "Width", "On/Off"});
    out.addLabels({"(Hz)", "(ms)", "(ms)", "(ms)", "(ms)", "(ms)", "Ratio"});
    if (record.setup.frequencyAvailable[PulseTest::kFrequencyIndex] == 0 || r.level <= kNotMeasuredLimit)
        return;
    out.add({fixed(0, nominalHz(PulseTest::kFrequencyIndex)), fixed(1, r.riseTime), fixed(1, r.fallTime),
             fixed(1, r.onTime), fixed(1, r.offTime), fixed(1, r.plateau),
             ExportField::plain(pulseword::ratioFailed(r.spare) ? QStringLiteral("Failed")
                                                                : QStringLiteral("OK"))});
}

void crossTalkSection(Writer &out, const AudTestRecord &record, TransducerType t)
{
    const CrossTalkResult &block = record.crossTalk[static_cast<int>(t)];
    ReferenceQuery query;
    query.transducer = t;
    const int index = frequencyIndex(crosstalk::testFrequencyOf(block));
    query.frequencyIndex = index >= 0 ? index : frequencyIndex(1000.0);
    // The page's own list, so the rows come in the order and with the judgement the page shows.
    const PageTable table = crosstalk::buildList(block, GetReferenceLevel(record.setup, query));
    out.addLabels({"Test", "Tone On", "Tone Off", "Difference", "ANSI Limits", "Deviation"});
    for (int row = 0; row < table.rows.size(); ++row) {
        if (table.verdict(row) == ResultStatus::NotJudged)
            continue;
        ExportRecord line;
        for (const QString &text : table.rows[row])
            line << cell(text);
        out.add(line);
    }
}

void modulationSection(Writer &out, const AudTestRecord &record, TransducerType t)
{
    for (const Side &side : sidesOf(t)) {
        if (side.channel < 0)
            continue;
        const FrequencyModulationResult &fm = record.frequencyModulation[side.channel][static_cast<int>(t)];
        QList<ExportRecord> rows;
        for (int f : selectedFrequencies(record.setup, HearingLevelMode::FrequencyModulation)) {
            if (fm.carrier[f] <= kNotMeasuredLimit)
                continue;
            rows << ExportRecord{
                fixed(0, nominalHz(f)),
                fixed(1, fm.carrier[f]),
                fixed(1, fm.lowest[f]),
                fixed(1, fm.highest[f]),
                fixed(2, fm.rate[f]),
                ExportField::plain(
                    formatText("%.1f%%", fmDeviationPercent(fm.carrier[f], fm.lowest[f], fm.highest[f])))};
        }
        if (rows.isEmpty())
            continue;
        subTableTitle(out, side);
        out.addLabels({"Dial", "Carrier", "Minimum", "Maximum", "Repetition", "Frequency"});
        out.addLabels({"Frequency", "Frequency", "Frequency", "Frequency", "Rate", "Deviation"});
        out.records << rows;
    }
}

// A head written in the file's own notation: "%c" stands for the delimiter between fields.
ExportRecord splitHead(const char *head)
{
    ExportRecord record;
    for (const QString &part : QString::fromLatin1(head).split(QStringLiteral("%c")))
        record << ExportField::plain(part);
    return record;
}

constexpr int k1000HzLine = 40; // spectrum line n lies at n x 25 Hz
constexpr int k250HzLine = 10;
constexpr int k5000HzLine = 200;
constexpr float kSpectrumFailDb = 5.0f;

struct SpectrumVerdict
{
    int failures = 0;
    int worstHz = 0;
    double worstDeviation = 0.0;
};

SpectrumVerdict judgeSpectrum(const float *lines)
{
    SpectrumVerdict verdict;
    const double reference = lines[k1000HzLine];
    double worst = -1.0;
    for (int line = k250HzLine; line <= k5000HzLine; ++line) {
        const double deviation = reference - lines[line];
        if (std::abs(deviation) > kSpectrumFailDb)
            ++verdict.failures;
        if (std::abs(deviation) > worst) {
            worst = std::abs(deviation);
            verdict.worstHz = line * 25;
            verdict.worstDeviation = deviation;
        }
    }
    return verdict;
}

void broadBandSection(Writer &out, const AudTestRecord &record, TransducerType t)
{
    const int t0 = static_cast<int>(t);
    const BroadBandResult &left = record.broadBand[0][t0];
    const BroadBandResult &right = record.broadBand[1][t0];
    const bool alternate = out.context.regionalMode == RegionalMode::Alternate;
    static const std::array<const char *, kBroadBandSources> kSources = {"White Noise", "Tape/CD A",
                                                                         "Tape/CD B"};
    const int firstSource = alternate ? 1 : 0;

    bool spectrumForm = false;
    for (int source = firstSource; source < kBroadBandSources; ++source)
        spectrumForm = spectrumForm || left.spectrum[source][k1000HzLine] > kNotMeasuredLimit ||
                       right.spectrum[source][k1000HzLine] > kNotMeasuredLimit;
    if (spectrumForm) {
        out.add(splitHead("%c%cLeft%c%c%cRight%c%c%c%c"));
        out.add(
            splitHead("Sound%cPass /%c # of%cFreq. at%cMax%cTarget%cPass /%c# of%cFreq. at%cMax.%cTarget"));
        out.add(splitHead("Source%cFail%cFailures%cMax Dev.%cDeviation%cValue%cFail%cFailures%cMax. "
                          "Dev.%cDeviation%cValue"));
    } else {
        out.add(splitHead("%c%cLeft%c%c%cRight%c%c%c"));
        out.add(splitHead("Sound%cSPL At%cHearing%c%cTarget%cSPL At%cHearing%c%cTarget"));
        out.add(splitHead("Source%c1000 Hz%cLevel%cDeviation%cSPL%c1000 Hz%cLevel%cDeviation%cSPL"));
    }

    ReferenceQuery query;
    query.transducer = t;
    query.frequencyIndex = frequencyIndex(1000.0);
    const double target = GetReferenceLevel(record.setup, query) + (alternate ? 15.0 : 12.5);
    const double dial = left.dialLevel;

    for (int source = firstSource; source < kBroadBandSources; ++source) {
        const ExportField name =
            ExportField::plain(QString::fromLatin1(kSources[static_cast<std::size_t>(source)]));
        if (left.sourceLevel[source] > kNotMeasuredLimit || right.sourceLevel[source] > kNotMeasuredLimit) {
            ExportRecord row{name};
            for (const BroadBandResult *ear : {&left, &right}) {
                const double level = ear->sourceLevel[source];
                if (level > kNotMeasuredLimit)
                    row << fixed(1, level) << fixed(1, level - target) << fixed(1, level - (target + dial))
                        << fixed(1, target + dial);
                else if (ear == &left)
                    row << kEmpty << kEmpty << kEmpty << kEmpty;
            }
            out.add(row);
        } else if (left.spectrum[source][k1000HzLine] > kNotMeasuredLimit ||
                   right.spectrum[source][k1000HzLine] > kNotMeasuredLimit) {
            ExportRecord row{name};
            for (const BroadBandResult *ear : {&left, &right}) {
                const float *lines = ear->spectrum[source];
                const bool isLeft = ear == &left;
                if (lines[k1000HzLine] <= kNotMeasuredLimit) {
                    if (isLeft)
                        row << kEmpty << kEmpty << kEmpty << kEmpty << kEmpty;
                    continue;
                }
                const SpectrumVerdict verdict = judgeSpectrum(lines);
                if (verdict.failures == 0) {
                    row << ExportField::plain(QStringLiteral("passed"));
                    if (isLeft)
                        row << kEmpty << kEmpty << kEmpty << kEmpty;
                    continue;
                }
                row << ExportField::plain(QStringLiteral("Failed"))
                    << cell(formatText("%d", verdict.failures)) << cell(formatText("%d", verdict.worstHz))
                    << fixed(1, verdict.worstDeviation) << fixed(1, lines[k1000HzLine]);
            }
            out.add(row);
        }
    }
}

void speechSection(Writer &out, const AudTestRecord &record, TransducerType t)
{
    static const std::array<const char *, 4> kSources = {"Mic", "Tape/CD A", "Tape/CD B", "Speech Noise"};
    const bool alternate = out.context.regionalMode == RegionalMode::Alternate;
    const double upper = alternate ? 5.0 : 3.0;
    for (const Side &side : sidesOf(t)) {
        const SpeechResult &block =
            side.channel < 0 ? record.speechBinaural : record.speech[side.channel][static_cast<int>(t)];
        if (!anyAbove(block.measuredLevel, 4))
            continue;
        ReferenceQuery query;
        query.transducer = t;
        query.frequencyIndex = frequencyIndex(1000.0);
        query.kind = MeasurementKind::SpeechHearingLevel;
        query.incidence = block.incidence;
        query.binaural = side.channel < 0 || block.binaural != 0;
        query.forehead = block.bonePlacement == 1;
        const double reference = alternate ? 27.0 : GetReferenceLevel(record.setup, query);
        const double target = reference + block.dialLevel;
        subTableTitle(out, side);
        const char *spl = t == TransducerType::BoneVibrator ? "FL" : "SPL";
        out.addLabels({"", "Measured", "Hearing", spl, "Target"});
        out.addLabels({"Source", spl, "Level", "Deviation", spl});
        for (std::size_t s = 0; s < kSources.size(); ++s) {
            const double level = block.measuredLevel[s];
            if (level <= kNotMeasuredLimit)
                continue;
            // Without a reference level there is no hearing level to show.
            const ExportField hearing =
                reference > 0.0 ? fixed(1, level - reference) : ExportField::plain(QStringLiteral("----"));
            out.add({ExportField::plain(QString::fromLatin1(kSources[s])), fixed(1, level), hearing,
                     fixed(1, level - target),
                     ExportField::plain(formatText("%.1f to %.1f", target - 3.0, target + upper))});
        }
    }
}

void sections(Writer &out, const AudTestRecord &record)
{
    const TestSetup &setup = record.setup;
    for (int kind = 0; kind < kMeasurementKinds; ++kind) {
        for (int t0 = 0; t0 < kTransducerTypes; ++t0) {
            const std::int32_t status = record.status[kind][t0];
            if (status != 1 && status != -1)
                continue;
            const TransducerType t = static_cast<TransducerType>(t0);
            ExportRecord heading{ExportField::plain(QStringLiteral("-------")),
                                 ExportField::plain(QString::fromLatin1(
                                     tabular::sectionTitle(static_cast<MeasurementKind>(kind))))};
            if (setup.channelCount > 1)
                heading << ExportField::plain(
                    formatText("Channel #: %d", static_cast<int>(setup.channelToTest)));
            heading << ExportField::plain(QStringLiteral("-------"));
            out.add(heading);
            out.add(labels({tabular::sectionTransducerTitle(t)}));
            switch (static_cast<MeasurementKind>(kind)) {
            case MeasurementKind::HearingLevel:
            case MeasurementKind::NarrowBandLevel:
                hearingLevelSection(out, record, t, static_cast<MeasurementKind>(kind));
                break;
            case MeasurementKind::FrequencyAccuracy:
                frequencySection(out, record, t);
                break;
            case MeasurementKind::HearingLevelLinearity:
                linearitySection(out, record, t);
                break;
            case MeasurementKind::HarmonicDistortion:
                distortionSection(out, record, t);
                break;
            case MeasurementKind::PulsedTones:
                pulseSection(out, record, t);
                break;
            case MeasurementKind::CrossTalk:
                crossTalkSection(out, record, t);
                break;
            case MeasurementKind::FrequencyModulation:
                modulationSection(out, record, t);
                break;
            case MeasurementKind::BroadBandNoise:
                broadBandSection(out, record, t);
                break;
            case MeasurementKind::SpeechHearingLevel:
                speechSection(out, record, t);
                break;
            }
        }
    }
}

// The comments as report lines: a CR ends a line, an LF is dropped, and long lines break after a
// space beyond 50 characters or after any character beyond 65.
QStringList commentLines(const QString &comments)
{
    QStringList lines;
    QString line;
    for (const QChar c : comments) {
        if (c == QLatin1Char('\r')) {
            lines << line;
            line.clear();
            continue;
        }
        if (c == QLatin1Char('\n'))
            continue;
        const bool breakAfter = (c == QLatin1Char(' ') && line.size() > 50) || line.size() > 65;
        line += c;
        if (breakAfter) {
            lines << line;
            line.clear();
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

void notes(Writer &out, const AudTestRecord &record)
{
    out.addLabels({"-------", "Notes & Comments", "-------"});
    out.addLabels({"P- pass  F-fail  NA- Not Applicable"});
    const auto state = [&](int item) {
        switch (record.checklist.visualCheck[item]) {
        case 1:
            return QStringLiteral("F");
        case 2:
            return QStringLiteral("NA");
        default:
            return QStringLiteral("P");
        }
    };
    for (int i = 0; i < 15; ++i) {
        out.add({ExportField::plain(QString::fromLatin1(tabular::checklistItemName(i))),
                 ExportField::plain(state(i)),
                 ExportField::plain(QString::fromLatin1(tabular::checklistItemName(i + 15))),
                 ExportField::plain(state(i + 15))});
    }
    for (const QString &line : commentLines(displayText(record.checklist.comments))) {
        if (!line.isEmpty())
            out.add({ExportField::plain(line)});
    }
}

// The range tables also list the two lowest bands the limits cover, which the booth window leaves out.
QList<double> boothRowsHz()
{
    QList<double> rows{31.5, 63.0};
    for (const double hertz : kAmbientRangeRowsHz)
        rows << hertz;
    return rows;
}

ExportField boothLevel(const BoothRecord &record, double hertz)
{
    const int band = meter::bandOfTestFrequency(frequencyIndex(hertz));
    const double level = band >= 0 ? record.bandLevel[band] : -100.0;
    return level <= -50.0 ? ExportField::plain(QStringLiteral("----")) : fixed(1, level);
}

ExportField boothLimit(double limit)
{
    return limit > 0.0 ? fixed(1, limit) : kEmpty;
}

QString bandLabel(double hertz)
{
    return frequencyLabel(frequencyIndex(hertz)).trimmed();
}

void boothTables(Writer &out, const BoothRecord &record)
{
    const BoothPages pages = out.context.boothPages;
    if (pages != BoothPages::Osha) {
        const AmbientLimitSet set = limitSetForDate(displayText(record.measurementDate));
        const bool uncovered = out.context.displayEarsNotCovered;
        out.add(splitHead("%c%c125 to 8000 Hz%c%c250 to 8000 Hz%c%c500 to 8000 Hz"));
        if (uncovered) {
            out.add(
                splitHead("Frequency%cMeasured%cANSI Max%cANSI Max%cANSI Max%cANSI Max%cANSI Max%cANSI Max"));
            out.add(splitHead("(Hz)%cSPL%cCovered%cUncovered%cCovered%cUncovered%cCovered%cUncovered"));
        } else {
            out.add(splitHead("Frequency%cMeasured%cANSI Max%c%cANSI Max%c%cANSI Max%c"));
            out.add(splitHead("(Hz)%cSPL%cCovered%c%cCovered%c%cCovered%c"));
        }
        for (const double hertz : boothRowsHz()) {
            ExportRecord line{ExportField::plain(bandLabel(hertz)), boothLevel(record, hertz)};
            for (int range = 0; range < kAmbientRangeCount; ++range) {
                const auto r = static_cast<AmbientRange>(range);
                line << boothLimit(mpanlLimit(set, r, EarCondition::Covered, hertz));
                line << (uncovered ? boothLimit(mpanlLimit(set, r, EarCondition::NotCovered, hertz))
                                   : kEmpty);
            }
            out.add(line);
        }
    }
    if (pages != BoothPages::Ansi) {
        out.add(splitHead("Frequency%cMeasured%cOSHA"));
        out.add(splitHead("(Hz)%cSPL%cLimits"));
        for (const double hertz : kOshaRowsHz)
            out.add({ExportField::plain(bandLabel(hertz)), boothLevel(record, hertz),
                     fixed(1, oshaLimit(hertz))});
    }
}

} // namespace

QList<ExportRecord> audiometerExportRecords(const AudTestRecord &record, const ExportContext &context)
{
    Writer out{{}, context};
    const TestSetup &s = record.setup;
    out.add(
        {ExportField::plain(QStringLiteral("Audiometer Calibration: %1 %2 (S/N %3)")
                                .arg(displayText(s.audiometerManufacturer), displayText(s.audiometerModel),
                                     displayText(s.audiometerSerialNumber)))});
    organisation(out);

    const auto labelled = [&](const char *label, ExportField value) {
        out.add({ExportField::plain(QString::fromLatin1(label)), std::move(value)});
    };
    labelled("Calibration Date:", ExportField::date(displayText(s.testDate)));
    labelled("Technician:", text(s.technician));
    labelled("Customer:", text(s.customerName));
    out.add({kEmpty, text(s.location1)});
    out.add({kEmpty, text(s.location2)});
    out.addLabels({"Audiometer"});
    out.add({kEmpty, ExportField::plain(QStringLiteral("Manufacturer:")), text(s.audiometerManufacturer)});
    out.add({kEmpty, ExportField::plain(QStringLiteral("Model Number:")), text(s.audiometerModel),
             ExportField::plain(QStringLiteral("Type:")), text(s.audiometerType)});
    out.add({kEmpty, ExportField::plain(QStringLiteral("Serial Number:")), text(s.audiometerSerialNumber),
             ExportField::plain(QStringLiteral("Inventory #:")), text(s.audiometerInventoryNumber)});
    if (context.spreadsheet)
        out.add({ExportField::plain(QStringLiteral("Number of Channels:")),
                 cell(formatText("%d", static_cast<int>(s.channelCount)))});
    else
        out.add({ExportField::plain(formatText("Number of Channels: %d", static_cast<int>(s.channelCount)))});

    out.add(labels({"Earphones", "", "Supra-aural", "Insert", "Circumaural"}));
    const std::array<const EarphoneSlot *, 3> earphones = {&s.supraAural, &s.insert, &s.circumaural};
    const auto earphoneLine = [&](const char *label, auto member) {
        ExportRecord line{kEmpty, ExportField::plain(QString::fromLatin1(label))};
        for (const EarphoneSlot *slot : earphones)
            line << text(slot->*member);
        out.add(line);
    };
    earphoneLine("Manufacturer:", &EarphoneSlot::manufacturer);
    earphoneLine("Model Number:", &EarphoneSlot::model);
    earphoneLine("Right S/N:", &EarphoneSlot::rightSerialNumber);
    earphoneLine("Left S/N:", &EarphoneSlot::leftSerialNumber);

    out.addLabels({"Bone Vibrator"});
    out.add({kEmpty, ExportField::plain(QStringLiteral("Manufacturer:")), text(s.boneVibrator.manufacturer)});
    out.add({kEmpty, ExportField::plain(QStringLiteral("Model Number:")), text(s.boneVibrator.model)});
    out.add(
        {kEmpty, ExportField::plain(QStringLiteral("Serial Number:")), text(s.boneVibrator.serialNumber)});

    out.add(labels({"Speakers", "", "Left", "Right"}));
    out.add({kEmpty, ExportField::plain(QStringLiteral("Manufacturer:")), text(s.leftSpeaker.manufacturer),
             text(s.rightSpeaker.manufacturer)});
    out.add({kEmpty, ExportField::plain(QStringLiteral("Model Number:")), text(s.leftSpeaker.model),
             text(s.rightSpeaker.model)});
    out.add({kEmpty, ExportField::plain(QStringLiteral("Serial Number:")), text(s.leftSpeaker.serialNumber),
             text(s.rightSpeaker.serialNumber)});

    const auto mervane = [](const MicrophoneSlot &slot) {
        return fixedText(slot.identity.manufacturer).find("Mervane") != std::string_view::npos;
    };
    const MicrophoneSlot *mics = s.couplerMicrophone;
    instrumentation(
        out,
        {{QStringLiteral("Sound Level Meter"), &s.soundLevelMeter},
         {QStringLiteral("Preamp"), &s.preamplifier},
         {QStringLiteral("Open Air Mic"), &mics[0].identity},
         {mervane(mics[1]) ? QStringLiteral("Lorvat Mic") : QStringLiteral("IEC 318 Mic"), &mics[1].identity},
         {mervane(mics[2]) ? QStringLiteral("Kestin Mic") : QStringLiteral("NBS 9A Mic"), &mics[2].identity},
         {QStringLiteral("Ospret Mic"), &mics[3].identity},
         {QStringLiteral("Mabrek Mic"), &mics[4].identity},
         {QStringLiteral("Nuvell Mic"), &mics[5].identity},
         {QStringLiteral("Pendry Mic"), &mics[6].identity},
         {QStringLiteral("Calibrator"), &s.calibrator.identity},
         {QStringLiteral("Mastoid"), &s.mastoid.identity}});
    out.blank();
    out.blank();

    out.add(labels({"", "Supra-aural", "Bone", "", "Insert", "Circumaural"}));
    out.addLabels({"Test Name", "Earphones", "Vibrator", "Speakers", "Earphones", "Earphones"});
    for (int kind = 0; kind < kMeasurementKinds; ++kind) {
        ExportRecord row{ExportField::plain(QString::fromLatin1(kTypeNames[kind]))};
        for (int t = 0; t < kTransducerTypes; ++t)
            row << ExportField::plain(statusWord(record.status[kind][t]));
        out.add(row);
    }
    out.blank();

    sections(out, record);
    notes(out, record);
    return out.records;
}

QList<ExportRecord> boothExportRecords(const BoothRecord &record, const ExportContext &context)
{
    Writer out{{}, context};
    organisation(out);
    out.add({ExportField::plain(QStringLiteral("Measurement Date:")),
             ExportField::date(displayText(record.measurementDate))});
    out.add({ExportField::plain(QStringLiteral("Booth:")), text(record.booth)});
    out.add({ExportField::plain(QStringLiteral("Customer:")), text(record.customerName)});
    out.add({kEmpty, text(record.location1)});
    out.add({kEmpty, text(record.location2)});
    out.blank();
    instrumentation(out, {{QStringLiteral("Sound Level Meter"), &record.soundLevelMeter},
                          {QStringLiteral("Preamp"), &record.preamplifier},
                          {QStringLiteral("Mic"), &record.microphone.identity}});
    boothTables(out, record);
    return out.records;
}

} // namespace tonva

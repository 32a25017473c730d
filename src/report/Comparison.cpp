#include "report/Comparison.h"

#include "measure/CrossTalkTest.h"
#include "measure/DistortionEvaluation.h"
#include "measure/HearingLevelEvaluation.h"
#include "measure/LinearityEvaluation.h"
#include "measure/MaskingNoiseEvaluation.h"
#include "measure/PulseTest.h"
#include "model/FixedText.h"
#include "model/ReferenceData.h"
#include "platform/TextFormat.h"
#include "report/Certificate.h"
#include "report/TabularReport.h"

#include <algorithm>
#include <map>
#include <vector>

// Every value is taken from the measurement page's own list of each test, which marks a value it
// failed by parentheses (or fails the whole row); nothing here judges a value a second time.

namespace tonva {

namespace {

const QString kMismatch =
    QStringLiteral("There is a mis-match of available frequencies between the two tests.");
const QString kNotMeasured = QStringLiteral("----");

// One test's row of a page list.
struct Side
{
    QStringList cells;
    bool present = false;  // the test offers this row at all
    bool measured = false; // and holds a value for it
    bool failed = false;
};

struct PairedRow
{
    QString key;
    Side side[2];
};

// Where a value cell of the page list goes: its index in the list's cells and the report columns
// of Test 1 and Test 2.
struct ValueColumn
{
    int cell;
    int column[2];
};

// Rows of both tests side by side, in the order of `order` (frequency index, or minus the dial
// level for a series that runs downwards).
class PairedTable
{
public:
    void add(int test, int order, const QString &key, const QStringList &cells, bool measured, bool failed)
    {
        PairedRow &row = m_rows[order];
        if (row.key.isEmpty())
            row.key = key;
        row.side[test] = {cells, true, measured, failed};
    }

    bool anyMeasured() const
    {
        for (const auto &[order, row] : m_rows)
            if (row.side[0].measured || row.side[1].measured)
                return true;
        return false;
    }

    // Rows printed with values, and whether one of them exists in one test only.
    void append(CAudReport &report, const std::vector<ValueColumn> &values, int targetCell, int targetColumn,
                const QString &missing) const
    {
        bool mismatch = false;
        for (const auto &[order, row] : m_rows) {
            if (!row.side[0].measured && !row.side[1].measured)
                continue;
            mismatch = mismatch || !row.side[0].present || !row.side[1].present;
            std::vector<CRptCell> cells;
            for (const ValueColumn &value : values)
                for (int test = 0; test < 2; ++test)
                    cells.push_back(valueCell(value.column[test], row.side[test], value.cell, missing));
            if (targetCell >= 0) {
                const Side &side = row.side[0].present ? row.side[0] : row.side[1];
                cells.push_back({false, false, false, targetColumn, side.cells.value(targetCell)});
            }
            // Cells go left to right: a cell that overruns its column pushes only the ones after it.
            std::stable_sort(cells.begin(), cells.end(),
                             [](const CRptCell &a, const CRptCell &b) { return a.column < b.column; });
            CRptLine &line = report.addLine();
            line.add(0, row.key);
            for (const CRptCell &cell : cells)
                line.add(cell.column, cell.text, cell.bold);
        }
        if (mismatch)
            report.addLine().add(0, kMismatch);
    }

private:
    static CRptCell valueCell(int column, const Side &side, int cell, const QString &missing)
    {
        if (!side.present || !side.measured)
            return {false, false, false, column, side.present ? missing : QString()};
        QString text = side.cells.value(cell);
        bool marked = false;
        for (const QString &other : side.cells)
            marked = marked || other.startsWith(QLatin1Char('('));
        bool bold = side.failed && !marked;
        if (text.size() >= 2 && text.startsWith(QLatin1Char('(')) && text.endsWith(QLatin1Char(')'))) {
            text = text.mid(1, text.size() - 2);
            bold = true;
        }
        return {bold, false, false, column, text == kNotMeasured ? missing : text};
    }

    std::map<int, PairedRow> m_rows;
};

void heads(CAudReport &report, std::initializer_list<std::pair<int, const char *>> cells)
{
    CRptLine &line = report.addLine();
    for (const auto &[column, text] : cells)
        line.add(column, QString::fromLatin1(text));
}

void testHeads(CAudReport &report, std::initializer_list<int> firstColumns,
               std::initializer_list<int> secondColumns)
{
    CRptLine &line = report.addLine();
    auto second = secondColumns.begin();
    for (const int column : firstColumns) {
        line.add(column, QStringLiteral("Test 1"), Bold);
        line.add(*second++, QStringLiteral("Test 2"), Bold);
    }
}

struct SubTable
{
    QString title;
    int channel = 0;
    bool binaural = false;
};

std::vector<SubTable> subTablesOf(TransducerType transducer, bool withBinaural)
{
    if (transducer == TransducerType::BoneVibrator)
        return {{QString(), 0}};
    if (transducer == TransducerType::Speakers) {
        std::vector<SubTable> tables{{QStringLiteral("Left Speaker"), 0},
                                     {QStringLiteral("Right Speaker"), 1}};
        if (withBinaural)
            tables.push_back({QStringLiteral("Binaural"), 0, true});
        return tables;
    }
    return {{QStringLiteral("Left Earphone"), 0}, {QStringLiteral("Right Earphone"), 1}};
}

ToneResultBlocks blocksOf(AudTestRecord &record, TransducerType transducer, const SubTable &table)
{
    if (table.binaural)
        return {record.toneLevelBinaural, record.frequencyModulation[0][static_cast<int>(transducer)],
                record.narrowBandBinaural};
    return toneResultBlocks(record, transducer, table.channel);
}

double referenceAt(const TestSetup &setup, TransducerType transducer, double hertz)
{
    ReferenceQuery query;
    query.transducer = transducer;
    const int index = frequencyIndex(hertz);
    query.frequencyIndex = index >= 0 ? index : frequencyIndex(1000.0);
    return GetReferenceLevel(setup, query);
}

class SectionBuilder
{
public:
    SectionBuilder(CAudReport &report, AudTestRecord *const (&tests)[2], TransducerType transducer,
                   RegionalMode mode)
        : m_report(report), m_tests{tests[0], tests[1]}, m_transducer(transducer), m_mode(mode)
    {}

    void append(MeasurementKind kind)
    {
        switch (kind) {
        case MeasurementKind::HearingLevel:
        case MeasurementKind::NarrowBandLevel:
            levels(kind);
            break;
        case MeasurementKind::FrequencyAccuracy:
            frequency();
            break;
        case MeasurementKind::HearingLevelLinearity:
            linearity();
            break;
        case MeasurementKind::HarmonicDistortion:
            distortion();
            break;
        case MeasurementKind::PulsedTones:
            pulse();
            break;
        case MeasurementKind::CrossTalk:
            crossTalk();
            break;
        case MeasurementKind::FrequencyModulation:
            modulation();
            break;
        case MeasurementKind::BroadBandNoise:
            broadBand();
            break;
        case MeasurementKind::SpeechHearingLevel:
            speech();
            break;
        }
    }

private:
    const TestSetup &setup(int test) const { return m_tests[test]->setup; }

    // Separates sub-tables and prints the title of one.
    void subTitle(const QString &title)
    {
        if (m_subTables++ > 0)
            m_report.addBlank();
        if (!title.isEmpty())
            m_report.addLine().add(0, title);
    }

    PairedTable toneTable(HearingLevelMode mode, const SubTable &sub)
    {
        PairedTable table;
        for (int test = 0; test < 2; ++test) {
            const HearingLevelList list = buildHearingLevelList(
                setup(test), m_transducer, blocksOf(*m_tests[test], m_transducer, sub), mode, false);
            for (const HearingLevelRow &row : list.rows)
                table.add(test, row.frequencyIndex, row.cells.value(0), row.cells,
                          row.verdict != RowVerdict::NotMeasured, row.verdict == RowVerdict::Failed);
        }
        return table;
    }

    void levels(MeasurementKind kind)
    {
        const bool hearing = kind == MeasurementKind::HearingLevel;
        const bool bone = m_transducer == TransducerType::BoneVibrator;
        for (const SubTable &sub : subTablesOf(m_transducer, true)) {
            const PairedTable table =
                toneTable(hearing ? HearingLevelMode::HearingLevel : HearingLevelMode::NarrowBand, sub);
            if (!table.anyMeasured())
                continue;
            subTitle(sub.title);
            if (hearing) {
                heads(m_report, {{0, "Freq"},
                                 {14, "  Measured"},
                                 {31, "  Hearing"},
                                 {49, bone ? "  FL" : "SPL"},
                                 {62, " Target"}});
                heads(m_report, {{0, "(Hz)"},
                                 {16, bone ? "  FL" : "SPL"},
                                 {32, "Level"},
                                 {47, "  Deviation"},
                                 {63, bone ? "  FL" : "SPL"}});
                testHeads(m_report, {12, 29, 45}, {20, 36, 52});
                table.append(m_report, {{1, {12, 20}}, {2, {28, 36}}, {3, {45, 52}}}, 4, 61, QString());
            } else {
                heads(m_report,
                      {{0, "Freq"}, {15, "Measured"}, {31, " Hearing"}, {48, "SPL"}, {65, "Target"}});
                heads(m_report,
                      {{0, "(Hz)"}, {16, "SPL"}, {31, "  Level"}, {46, "  Deviation"}, {65, "  SPL"}});
                testHeads(m_report, {12, 28, 44}, {19, 35, 51});
                table.append(m_report, {{1, {12, 19}}, {2, {28, 35}}, {3, {44, 51}}}, 4, 64, QString());
            }
        }
    }

    // Both ears in one table: each test's left and right lists joined row by row.
    void frequency()
    {
        PairedTable table;
        for (int test = 0; test < 2; ++test) {
            HearingLevelList ears[2];
            for (int channel = 0; channel < 2; ++channel)
                ears[channel] = buildHearingLevelList(setup(test), m_transducer,
                                                      toneResultBlocks(*m_tests[test], m_transducer, channel),
                                                      HearingLevelMode::Frequency, false);
            for (std::size_t i = 0; i < ears[0].rows.size() && i < ears[1].rows.size(); ++i) {
                const HearingLevelRow &left = ears[0].rows[i];
                const HearingLevelRow &right = ears[1].rows[i];
                auto marked = [](const HearingLevelRow &row, int cell) {
                    const QString text = row.cells.value(cell);
                    return row.verdict == RowVerdict::Failed ? QStringLiteral("(%1)").arg(text) : text;
                };
                const QStringList cells{left.cells.value(0), marked(left, 1),  marked(left, 2),
                                        left.cells.value(3), marked(right, 1), marked(right, 2)};
                table.add(test, left.frequencyIndex, left.cells.value(0), cells,
                          left.verdict != RowVerdict::NotMeasured || right.verdict != RowVerdict::NotMeasured,
                          false);
            }
        }
        if (!table.anyMeasured())
            return;
        heads(m_report, {{19, "Left"}, {60, "Right"}});
        heads(m_report, {{0, "Freq"},
                         {11, "Measured"},
                         {24, "Frequency"},
                         {37, "Target"},
                         {52, "Measured"},
                         {66, "Frequency"}});
        heads(m_report, {{0, "(Hz)"},
                         {11, "Frequency"},
                         {24, "Deviation"},
                         {36, "Frequency"},
                         {52, "Frequency"},
                         {66, "Deviation"}});
        testHeads(m_report, {9, 22, 50, 64}, {15, 28, 56, 70});
        table.append(m_report, {{1, {9, 15}}, {2, {22, 28}}, {4, {50, 56}}, {5, {64, 70}}}, 3, 37,
                     QStringLiteral("      -"));
    }

    void linearity()
    {
        const int t = static_cast<int>(m_transducer);
        for (const SubTable &sub : subTablesOf(m_transducer, false)) {
            PairedTable table;
            for (int test = 0; test < 2; ++test) {
                const LinearityResult &result = m_tests[test]->linearity[sub.channel][t];
                const LinearityList list = buildLinearityList(
                    result, referenceAt(setup(test), m_transducer, linearity::testFrequencyOf(result)));
                for (const LinearityRow &row : list.rows) {
                    if (row.dialLevel < 0)
                        continue;
                    const bool judged =
                        row.verdict == ResultStatus::Passed || row.verdict == ResultStatus::Failed;
                    table.add(test, -row.dialLevel, formatText("%3d", row.dialLevel), row.cells, judged,
                              row.verdict == ResultStatus::Failed);
                }
            }
            if (!table.anyMeasured())
                continue;
            const LinearityResult &first = m_tests[0]->linearity[sub.channel][t];
            if (m_subTables++ > 0)
                m_report.addBlank();
            m_report.addLine()
                .add(0, sub.title)
                .add(26, formatText("Test frequency: %.1f Hz", linearity::testFrequencyOf(first)))
                .add(73, formatText("Test step: %d dB", linearity::dialStepOf(first)));
            heads(m_report, {{0, "Dial"},
                             {10, "dB"},
                             {22, "HL"},
                             {32, "Measured"},
                             {43, "Measured"},
                             {55, "Step"},
                             {64, " Target"}});
            heads(m_report, {{0, "Level"},
                             {10, "SPL"},
                             {21, "Variance"},
                             {33, "SPL"},
                             {44, "Step"},
                             {54, "Variance"},
                             {65, "Step"}});
            testHeads(m_report, {8, 19, 30, 41, 52}, {13, 24, 35, 46, 57});
            table.append(m_report, {{1, {8, 13}}, {2, {19, 24}}, {3, {30, 35}}, {4, {41, 46}}, {5, {52, 57}}},
                         6, 64, QStringLiteral("--"));
            CRptLine &floor = m_report.addLine();
            for (int test = 0; test < 2; ++test)
                floor.add(test * 30, formatText("Test %d: NF = %.1f dB", test + 1,
                                                m_tests[test]->linearity[sub.channel][t].noiseFloor));
        }
    }

    // One table per test, each as the tabular report prints it.
    void distortion()
    {
        const bool bone = m_transducer == TransducerType::BoneVibrator;
        const int t = static_cast<int>(m_transducer);
        for (const SubTable &sub : subTablesOf(m_transducer, false)) {
            DistortionList lists[2];
            bool any = false;
            for (int test = 0; test < 2; ++test) {
                lists[test] =
                    buildDistortionList(setup(test), m_tests[test]->distortion[sub.channel][t],
                                        bone ? DistortionConduction::Bone : DistortionConduction::Air);
                for (const DistortionRow &row : lists[test].rows)
                    any = any || row.verdict != ResultStatus::NotJudged;
            }
            if (!any)
                continue;
            subTitle(sub.title);
            for (int test = 0; test < 2; ++test) {
                m_report.addLine().add(30, QStringLiteral("Test %1").arg(test + 1), Bold);
                heads(m_report, {{0, "Frequency"},
                                 {8, "Meas Freq."},
                                 {15, "Fund."},
                                 {21, "2nd Harm"},
                                 {28, "3rd Harm"},
                                 {35, "4th Harm"},
                                 {42, "5th Harm"},
                                 {50, "THD"},
                                 {60, "Max THD"}});
                heads(m_report, {{0, "    (Hz)"},
                                 {8, "     (Hz)"},
                                 {15, "(dB)"},
                                 {21, "    (dB)"},
                                 {28, "    (dB)"},
                                 {35, "    (dB)"},
                                 {42, "    (dB)"},
                                 {50, " (%)"},
                                 {60, "     (%)"}});
                const int columns[] = {0, 8, 15, 21, 28, 35, 42, 50};
                for (const DistortionRow &row : lists[test].rows) {
                    if (row.verdict == ResultStatus::NotJudged)
                        continue;
                    CRptLine &line = m_report.addLine();
                    for (int cell = 0; cell < 8; ++cell) {
                        QString text = row.cells.value(cell);
                        const bool failed = text.startsWith(QLatin1Char('('));
                        if (failed)
                            text = text.mid(1, text.size() - 2);
                        line.add(columns[cell], text, failed);
                    }
                    line.add(60, row.cells.value(row.cells.size() - 1));
                }
            }
        }
    }

    void pulse()
    {
        PairedTable table;
        for (int test = 0; test < 2; ++test) {
            const PulseList list =
                buildPulseList(setup(test), m_tests[test]->pulse[static_cast<int>(m_transducer)]);
            if (!list.cells.isEmpty())
                table.add(test, 0, formatText("%7.0f", 1000.0), list.cells,
                          list.cells.value(1) != kNotMeasured, list.verdict == ResultStatus::Failed);
        }
        if (!table.anyMeasured())
            return;
        heads(m_report, {{0, "Freq"},
                         {10, "Rise Time"},
                         {21, "Fall Time"},
                         {32, " On Time"},
                         {43, " Off Time"},
                         {54, "  Width"},
                         {65, "On/Off"}});
        heads(m_report, {{0, "(Hz)"},
                         {11, "(ms)"},
                         {22, "(ms)"},
                         {33, "(ms)"},
                         {44, "(ms)"},
                         {55, "(ms)"},
                         {65, "  Ratio"}});
        testHeads(m_report, {9, 20, 31, 42, 53, 64}, {13, 24, 35, 46, 57, 68});
        table.append(
            m_report,
            {{1, {9, 13}}, {2, {20, 24}}, {3, {31, 35}}, {4, {42, 46}}, {5, {53, 57}}, {6, {64, 68}}}, -1, 0,
            QString());
    }

    void crossTalk()
    {
        PairedTable table;
        const CrossTalkResult &first = m_tests[0]->crossTalk[static_cast<int>(m_transducer)];
        for (int test = 0; test < 2; ++test) {
            const CrossTalkResult &result = m_tests[test]->crossTalk[static_cast<int>(m_transducer)];
            const PageTable list = crosstalk::buildList(
                result, referenceAt(setup(test), m_transducer, crosstalk::testFrequencyOf(result)));
            for (int row = 0; row < list.rows.size(); ++row) {
                const ResultStatus verdict = list.verdict(row);
                table.add(test, row, list.rows[row].value(0), list.rows[row],
                          verdict != ResultStatus::NotJudged, verdict == ResultStatus::Failed);
            }
        }
        if (!table.anyMeasured())
            return;
        m_report.addLine().add(kRightAligned,
                               formatText("Test frequency: %.0f Hz", crosstalk::testFrequencyOf(first)));
        heads(m_report, {{0, "Test"},
                         {12, "Tone On"},
                         {25, "Tone Off"},
                         {38, "Difference"},
                         {51, "ANSI Limits"},
                         {64, "Deviation"}});
        testHeads(m_report, {10, 23, 36, 62}, {16, 29, 42, 68});
        table.append(m_report, {{1, {10, 16}}, {2, {23, 29}}, {3, {36, 42}}, {5, {62, 68}}}, 4, 50,
                     QString());
    }

    void modulation()
    {
        for (const SubTable &sub : subTablesOf(m_transducer, false)) {
            const PairedTable table = toneTable(HearingLevelMode::FrequencyModulation, sub);
            if (!table.anyMeasured())
                continue;
            subTitle(sub.title);
            heads(m_report, {{0, "Dial"},
                             {13, " Carrier"},
                             {25, " Minimum"},
                             {38, " Maximum"},
                             {53, "  Repetition"},
                             {63, " Frequency"}});
            heads(m_report, {{0, "Frequency"},
                             {12, " Frequency"},
                             {25, "Frequency"},
                             {38, " Frequency"},
                             {52, "   Rate"},
                             {63, " Deviation"}});
            testHeads(m_report, {10, 23, 36, 50, 62}, {16, 29, 42, 56, 68});
            table.append(m_report,
                         {{1, {10, 16}}, {3, {23, 29}}, {4, {36, 42}}, {5, {50, 56}}, {6, {62, 68}}}, -1, 0,
                         QString());
        }
    }

    // Per side (and binaural on the speakers), the sources side by side as the speech page judges
    // them; the bone vibrator has one table, whatever side it was measured on.
    void speech()
    {
        const bool bone = m_transducer == TransducerType::BoneVibrator;
        for (const SubTable &sub : subTablesOf(m_transducer, true)) {
            const Ear ear = sub.binaural ? Ear::Both : sub.channel == 0 ? Ear::Left : Ear::Right;
            PairedTable table;
            for (int test = 0; test < 2; ++test) {
                const PageTable list = tabular::speechList(*m_tests[test], m_transducer, ear, m_mode);
                for (int row = 0; row < list.rows.size(); ++row) {
                    const ResultStatus verdict = list.verdict(row);
                    table.add(test, row, list.rows[row].value(0), list.rows[row],
                              verdict != ResultStatus::NotJudged, verdict == ResultStatus::Failed);
                }
            }
            if (!table.anyMeasured())
                continue;
            subTitle(sub.title);
            heads(m_report,
                  {{14, "  Measured"}, {31, " Hearing"}, {48, bone ? "FL" : "SPL"}, {62, "Target"}});
            heads(m_report,
                  {{0, "Source"}, {16, "SPL"}, {31, "   Level"}, {46, "  Deviation"}, {62, "  SPL"}});
            testHeads(m_report, {12, 28, 44}, {19, 35, 51});
            table.append(m_report, {{1, {12, 19}}, {2, {28, 35}}, {3, {44, 51}}}, 4, 61, QString());
        }
    }

    // Per ear, the sources side by side; a block measured by the spectrum method and one stored by an
    // earlier method have different columns, so the form follows Test 1's block.
    void broadBand()
    {
        const int t = static_cast<int>(m_transducer);
        for (const SubTable &sub : subTablesOf(m_transducer, false)) {
            PairedTable table;
            bool spectrum = true;
            for (int test = 0; test < 2; ++test) {
                const BroadBandResult &result = m_tests[test]->broadBand[sub.channel][t];
                const masking::List list =
                    masking::buildList(result, m_mode, referenceAt(setup(test), m_transducer, 1000.0));
                if (test == 0)
                    spectrum = list.columns.size() == 6;
                for (std::size_t row = 0; row < list.rows.size(); ++row) {
                    const masking::Row &r = list.rows[row];
                    table.add(test, static_cast<int>(r.source), r.cells.value(0), r.cells,
                              r.verdict != ResultStatus::NotJudged, r.verdict == ResultStatus::Failed);
                }
            }
            if (!table.anyMeasured())
                continue;
            subTitle(sub.title);
            if (spectrum) {
                heads(m_report, {{0, "  Noise  "},
                                 {15, "Pass /"},
                                 {27, "# of"},
                                 {42, "Freq. at"},
                                 {57, "Max."},
                                 {70, "1000 Hz "}});
                heads(m_report, {{0, "  Source  "},
                                 {15, "Fail  "},
                                 {27, "Failures"},
                                 {42, "Max Dev."},
                                 {57, "Deviation"},
                                 {70, "Target Level"}});
                testHeads(m_report, {11, 25, 40, 55, 70}, {18, 32, 47, 63, 77});
                table.append(m_report,
                             {{1, {11, 18}}, {2, {25, 32}}, {3, {40, 47}}, {4, {55, 63}}, {5, {70, 77}}}, -1,
                             0, QString());
            } else {
                heads(m_report,
                      {{0, "  Noise  "}, {10, " SPL"}, {20, "  Hearing"}, {30, "Deviation"}, {49, "Target"}});
                heads(m_report, {{0, "  Source  "}, {21, "Level"}, {49, " SPL"}});
                testHeads(m_report, {10, 20, 30, 49}, {15, 25, 35, 54});
                table.append(m_report, {{1, {10, 15}}, {2, {20, 25}}, {3, {30, 35}}, {4, {49, 54}}}, -1, 0,
                             QString());
            }
        }
    }

    CAudReport &m_report;
    AudTestRecord *m_tests[2];
    TransducerType m_transducer;
    RegionalMode m_mode;
    int m_subTables = 0;
};

struct NamedInstrument
{
    QString name;
    const InstrumentIdentity *identity[2];
};

std::vector<NamedInstrument> instrumentsOf(const TestSetup &first, const TestSetup &second)
{
    std::vector<NamedInstrument> rows{
        {QStringLiteral("Sound Level Meter"), {&first.soundLevelMeter, &second.soundLevelMeter}},
        {QStringLiteral("Preamp"), {&first.preamplifier, &second.preamplifier}},
        {QStringLiteral("Calibrator"), {&first.calibrator.identity, &second.calibrator.identity}},
        {QStringLiteral("Mastoid"), {&first.mastoid.identity, &second.mastoid.identity}}};
    for (int slot = 0; slot < kCouplerMicrophoneSlots; ++slot)
        rows.push_back({tabular::couplerMicrophoneName(first, slot),
                        {&first.couplerMicrophone[slot].identity, &second.couplerMicrophone[slot].identity}});
    return rows;
}

bool sameIdentity(const InstrumentIdentity &a, const InstrumentIdentity &b)
{
    return fixedText(a.manufacturer) == fixedText(b.manufacturer) &&
           fixedText(a.model) == fixedText(b.model) && fixedText(a.serialNumber) == fixedText(b.serialNumber);
}

} // namespace

bool comparisonShowsSection(MeasurementKind kind, int statusTest1, int statusTest2)
{
    const int failed = static_cast<int>(ResultStatus::Failed);
    const int passed = static_cast<int>(ResultStatus::Passed);
    const bool judged = statusTest1 == passed || statusTest1 == failed;
    if (kind == MeasurementKind::HearingLevelLinearity)
        return judged || statusTest2 == failed;
    return judged;
}

CPrintCompareHandler::CPrintCompareHandler(const AudTestRecord &test1, const AudTestRecord &test2,
                                           const ReportOrganisation &organisation,
                                           const ReportSelection &selection, RegionalMode mode)
    : m_test{std::make_unique<AudTestRecord>(test1), std::make_unique<AudTestRecord>(test2)},
      m_organisation(organisation), m_selection(selection), m_mode(mode)
{
    build();
}

CPrintCompareHandler::~CPrintCompareHandler() = default;

void CPrintCompareHandler::build()
{
    m_report.clear();
    tabular::appendOrganisation(m_report, m_organisation);
    appendIdentification();
    appendInstrumentation();
    tabular::appendSummary(m_report, *m_test[0], m_selection);
    appendSections();
}

void CPrintCompareHandler::appendIdentification()
{
    const TestSetup &s = m_test[0]->setup;
    const TestSetup &other = m_test[1]->setup;
    auto paired = [&](const char *label, const QString &first, const QString &second) {
        m_report.addLine()
            .add(0, QString::fromLatin1(label), Bold)
            .add(11, QStringLiteral("Test 1:"), Bold)
            .add(25, first)
            .add(43, QStringLiteral("Test 2:"), Bold)
            .add(58, second);
    };
    paired("Calibration Date:", displayText(s.testDate), displayText(other.testDate));
    paired("Technician:", displayText(s.technician), displayText(other.technician));
    m_report.addLine().add(0, QStringLiteral("Customer:"), Bold).add(11, displayText(s.customerName));
    m_report.addLine().add(11, displayText(s.location1));
    m_report.addLine().add(11, displayText(s.location2));
    m_report.addLine().add(0, QStringLiteral("Audiometer"), Bold);
    m_report.addLine()
        .add(11, QStringLiteral("Manufacturer:"), Bold)
        .add(25, displayText(s.audiometerManufacturer));
    m_report.addLine()
        .add(11, QStringLiteral("Model Number:"), Bold)
        .add(25, displayText(s.audiometerModel))
        .add(48, QStringLiteral("Type:"), Bold)
        .add(58, displayText(s.audiometerType));
    m_report.addLine()
        .add(11, QStringLiteral("Serial Number:"), Bold)
        .add(25, displayText(s.audiometerSerialNumber))
        .add(48, QStringLiteral("Inventory #:"), Bold)
        .add(58, displayText(s.audiometerInventoryNumber));
    m_report.addLine()
        .add(11, QStringLiteral("Number of Channels:"), Bold)
        .add(25, QString::number(s.channelCount))
        .add(48, QStringLiteral("Channel Tested:"), Bold)
        .add(58, QString::number(s.channelToTest));

    const EarphoneSlot *earphones[3] = {&s.supraAural, &s.insert, &s.circumaural};
    const char *heads[3] = {"Supra-aural", "Insert", "Circumaural"};
    const int columns[3] = {25, 43, 61};
    CRptLine &earphoneHead = m_report.addLine().add(0, QStringLiteral("Earphones"), Bold);
    for (int i = 0; i < 3; ++i) {
        const bool mark = m_selection.displayRetsplMessage && hasNonStandardRetspl(*earphones[i]);
        earphoneHead.add(columns[i], QString::fromLatin1(heads[i]) + (mark ? QStringLiteral("*") : QString()),
                         Bold);
    }
    const char *rows[4] = {"Manufacturer:", "Model Number:", "Right S/N:", "Left  S/N:"};
    for (int row = 0; row < 4; ++row) {
        CRptLine &line = m_report.addLine().add(11, QString::fromLatin1(rows[row]), Bold);
        for (int i = 0; i < 3; ++i) {
            const EarphoneSlot &e = *earphones[i];
            line.add(columns[i], row == 0   ? displayText(e.manufacturer)
                                 : row == 1 ? displayText(e.model)
                                 : row == 2 ? displayText(e.rightSerialNumber)
                                            : displayText(e.leftSerialNumber));
        }
    }
    const char *identity[3] = {"Manufacturer:", "Model Number:", "Serial Number:"};
    m_report.addLine().add(0, QStringLiteral("Bone Vibrator"), Bold);
    const QString bone[3] = {displayText(s.boneVibrator.manufacturer), displayText(s.boneVibrator.model),
                             displayText(s.boneVibrator.serialNumber)};
    for (int row = 0; row < 3; ++row)
        m_report.addLine().add(11, QString::fromLatin1(identity[row]), Bold).add(25, bone[row]);
    m_report.addLine()
        .add(0, QStringLiteral("Speakers"), Bold)
        .add(25, QStringLiteral("Left"), Bold)
        .add(43, QStringLiteral("Right"), Bold);
    const SpeakerData *speakers[2] = {&s.leftSpeaker, &s.rightSpeaker};
    for (int row = 0; row < 3; ++row) {
        CRptLine &line = m_report.addLine().add(11, QString::fromLatin1(identity[row]), Bold);
        for (int i = 0; i < 2; ++i)
            line.add(i == 0 ? 25 : 43, row == 0   ? displayText(speakers[i]->manufacturer)
                                       : row == 1 ? displayText(speakers[i]->model)
                                                  : displayText(speakers[i]->serialNumber));
    }
}

void CPrintCompareHandler::appendInstrumentation()
{
    const TestSetup &first = m_test[0]->setup;
    const TestSetup &second = m_test[1]->setup;
    const std::vector<NamedInstrument> instruments = instrumentsOf(first, second);
    m_report.addBlank();
    for (const NamedInstrument &instrument : instruments) {
        if (!sameIdentity(*instrument.identity[0], *instrument.identity[1])) {
            m_report.addLine().add(0,
                                   QStringLiteral("NOTE: Instrumentation is not the same for both tests."));
            break;
        }
    }
    m_report.addLine()
        .add(0, QStringLiteral("Instrumentation"), Bold)
        .add(14, QStringLiteral("Manufacturer"), Bold)
        .add(34, QStringLiteral("Model"), Bold)
        .add(48, QStringLiteral("Serial Number"), Bold)
        .add(64, QStringLiteral("Cal Due"), Bold);
    testHeads(m_report, {11, 30, 48, 61}, {20, 39, 53, 69});
    const int columns[4][2] = {{11, 20}, {30, 39}, {48, 53}, {61, 69}};
    for (const NamedInstrument &instrument : instruments) {
        // An instrument either test used has its row, so nothing of Test 2 goes missing.
        if (fixedTextIsEmpty(instrument.identity[0]->serialNumber) &&
            fixedTextIsEmpty(instrument.identity[1]->serialNumber))
            continue;
        CRptLine &line = m_report.addLine().add(0, instrument.name);
        for (int field = 0; field < 4; ++field) {
            for (int test = 0; test < 2; ++test) {
                const InstrumentIdentity &id = *instrument.identity[test];
                line.add(columns[field][test], field == 0   ? displayText(id.manufacturer)
                                               : field == 1 ? displayText(id.model)
                                               : field == 2 ? displayText(id.serialNumber)
                                                            : displayText(id.calibrationDue));
            }
        }
    }
    m_report.addBlank();
    const bool nonStandard = hasNonStandardRetspl(first.supraAural) || hasNonStandardRetspl(first.insert) ||
                             hasNonStandardRetspl(first.circumaural);
    if (m_selection.displayRetsplMessage && nonStandard)
        m_report.addLine().add(0, QStringLiteral("* Includes non-standard RETSPL"));
    m_report.addBlank();
}

void CPrintCompareHandler::appendSections()
{
    AudTestRecord *const tests[2] = {m_test[0].get(), m_test[1].get()};
    const TestSetup &s = m_test[0]->setup;
    for (int k = 0; k < kMeasurementKinds; ++k) {
        const auto kind = static_cast<MeasurementKind>(k);
        if (!m_selection.includes(kind))
            continue;
        for (int t = 0; t < kTransducerTypes; ++t) {
            const auto transducer = static_cast<TransducerType>(t);
            if (!comparisonShowsSection(kind, m_test[0]->statusOf(kind, transducer),
                                        m_test[1]->statusOf(kind, transducer)))
                continue;
            if (kind != MeasurementKind::HearingLevel)
                m_report.addBlank();
            m_report.addLine()
                .add(0, QStringLiteral("-------"))
                .add(23, QString::fromLatin1(tabular::sectionTitle(kind)))
                .add(62,
                     s.channelCount > 1 ? QStringLiteral("Channel #: %1").arg(s.channelToTest) : QString())
                .add(kRightAligned, QStringLiteral("-------"));
            m_report.addLine().add(kRightAligned,
                                   QString::fromLatin1(tabular::sectionTransducerTitle(transducer)));
            SectionBuilder(m_report, tests, transducer, m_mode).append(kind);
        }
    }
}

int CPrintCompareHandler::prepare(Canvas &canvas)
{
    m_geometry = ReportGeometry::measure(canvas);
    return m_geometry.pageCount(m_report);
}

void CPrintCompareHandler::drawPage(Canvas &canvas, int page)
{
    drawReportHeading(canvas, m_geometry, tabular::headingTitle(m_test[0]->setup), page);
    drawReportPage(canvas, m_geometry, m_report, page);
}

} // namespace tonva

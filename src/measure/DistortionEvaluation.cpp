#include "measure/DistortionEvaluation.h"

#include "measure/HearingLevelEvaluation.h"
#include "platform/TextFormat.h"

#include <QRegularExpression>
#include <cmath>

namespace tonva {

namespace {

constexpr int kFirstBoneRow = 5;  // 250 Hz
constexpr int kLastBoneRow = 21;  // 5000 Hz
constexpr double kBoneMaxThd = 5.5;
// Percentages computed from stored floats must not fail on the last bit at the limit itself.
constexpr double kPercentSlack = 1e-6;

QString judged(double value, bool passes)
{
    return passes ? formatText("%.1f", value) : formatText("(%.1f)", value);
}

} // namespace

DistortionLimits distortionLimits(DistortionConduction conduction)
{
    if (conduction == DistortionConduction::Air)
        return {{2.0, 2.0, 0.3, 0.3}, 2.5};
    return {{5.0, 2.0, 2.0, 2.0}, kBoneMaxThd};
}

double harmonicPercent(double harmonicDb, double fundamentalDb)
{
    if (harmonicDb == 0.0)
        return 0.0;
    return 100.0 * std::pow(10.0, (harmonicDb - fundamentalDb) / 20.0);
}

double totalHarmonicDistortion(const std::vector<std::optional<double>> &relativeDb)
{
    double sum = 0.0;
    for (const std::optional<double> &term : relativeDb) {
        if (term)
            sum += std::pow(10.0, *term / 10.0);
    }
    return 100.0 * std::sqrt(sum);
}

std::optional<double> relativeLevelOf(QByteArrayView reply)
{
    const QString text = QString::fromLatin1(reply).trimmed();
    if (text.isEmpty() || text == QLatin1String("---"))
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    // The meter keeps two integer digits: a level 100 dB or more down loses its leading "1".
    static const QRegularExpression hundredDown(QStringLiteral("^-0\\d\\."));
    return hundredDown.match(text).hasMatch() ? value - 100.0 : value;
}

int distortionTestLevel(DistortionConduction conduction, int frequencyIndex)
{
    if (conduction == DistortionConduction::Bone)
        return frequencyIndex <= kFirstBoneRow ? 20 : 50;
    if (frequencyIndex <= 4)
        return 75;
    if (frequencyIndex <= 7 || frequencyIndex >= 21)
        return 90;
    return 110;
}

std::vector<int> distortionRows(const TestSetup &setup, DistortionConduction conduction)
{
    const bool bone = conduction == DistortionConduction::Bone;
    const int first = bone ? kFirstBoneRow : 0;
    const int last = bone ? kLastBoneRow : kDistortionFrequencyCount - 1;
    std::vector<int> rows;
    for (int f = first; f <= last; ++f) {
        if (setup.frequencyAvailable[f] != 0)
            rows.push_back(f);
    }
    return rows;
}

int DistortionList::pageResult() const
{
    bool judgedAny = false;
    for (const DistortionRow &row : rows) {
        if (row.verdict == ResultStatus::Failed)
            return -1;
        judgedAny = judgedAny || row.verdict == ResultStatus::Passed;
    }
    return judgedAny ? 1 : 0;
}

PageTable DistortionList::table() const
{
    PageTable table;
    table.columns = columns;
    for (const DistortionRow &row : rows) {
        table.rows.append(row.cells);
        table.verdicts.append(row.verdict);
    }
    return table;
}

DistortionList buildDistortionList(const TestSetup &setup, const DistortionResult &result,
                                   DistortionConduction conduction)
{
    const bool bone = conduction == DistortionConduction::Bone;
    const DistortionLimits limits = distortionLimits(conduction);
    const double tolerance = frequencyTolerance(setup);
    const QString notMeasured = QStringLiteral("----");

    DistortionList list;
    list.columns = {QStringLiteral("Freq."),        QStringLiteral("Meas. Freq."),  QStringLiteral("Fundamental"),
                    QStringLiteral("2nd Harmonic"), QStringLiteral("3rd Harmonic"), QStringLiteral("4th Harmonic"),
                    QStringLiteral("5th Harmonic"), QStringLiteral("THD")};
    if (bone)
        list.columns << QStringLiteral("Deviation");
    list.columns << QStringLiteral("Max THD");

    for (const int f : distortionRows(setup, conduction)) {
        DistortionRow row;
        row.frequencyIndex = f;
        const double nominal = nominalHz(f);
        row.cells << formatText("%.0f", nominal);
        const double fundamental = result.fundamentalLevel[f];
        if (fundamental <= kNotMeasuredLimit) {
            while (row.cells.size() < list.columns.size())
                row.cells << notMeasured;
            list.rows.push_back(row);
            continue;
        }

        bool fails = false;
        const double measured = result.measuredFrequency[f];
        const bool frequencyPasses = std::abs(measured - nominal) <= nominal * tolerance + Tolerance::kSlack;
        fails = fails || !frequencyPasses;
        row.cells << judged(measured, frequencyPasses) << formatText("%.1f", fundamental);

        const bool notComputed = result.harmonicLevel[0][f] == kHarmonicsNotComputed;
        // Air overtones above 5000 Hz lie beyond the analysis; they are neither judged nor summed.
        const bool overtonesJudged = bone || f < kFirstUnjudgedOvertoneIndex;
        double sumOfSquares = 0.0;
        for (int k = 0; k < 4; ++k) {
            const double level = result.harmonicLevel[k][f];
            if (k == 0 && notComputed) {
                fails = true;
                row.cells << QStringLiteral("(----)");
                continue;
            }
            if (k > 0 && !overtonesJudged) {
                row.cells << notMeasured;
                continue;
            }
            const double percent = harmonicPercent(level, fundamental);
            sumOfSquares += percent * percent;
            if (k > 0 && level <= 0.0) {
                row.cells << notMeasured;
                continue;
            }
            const bool passes = percent <= limits.harmonicPercent[k] + kPercentSlack;
            fails = fails || !passes;
            row.cells << judged(percent, passes);
        }

        const bool storedThd = !bone && result.thd[f] != 0.0f;
        const double thd = storedThd ? result.thd[f] : std::sqrt(sumOfSquares);
        if (notComputed && !storedThd) {
            // Without the harmonics there is no sum to show; the row has already failed.
            row.cells << QStringLiteral("(----)");
            if (bone)
                row.cells << notMeasured;
        } else {
            const bool thdPasses = thd <= limits.thdPercent + kPercentSlack;
            fails = fails || !thdPasses;
            row.cells << judged(thd, thdPasses);
            if (bone)
                row.cells << formatText("%.1f", thd - kBoneMaxThd);
        }
        row.cells << (bone ? QStringLiteral(" 5.5") : QStringLiteral(" 2.5"));
        row.verdict = fails ? ResultStatus::Failed : ResultStatus::Passed;
        list.rows.push_back(row);
    }
    return list;
}

} // namespace tonva

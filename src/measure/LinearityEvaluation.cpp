#include "measure/LinearityEvaluation.h"

#include "platform/TextFormat.h"

#include <algorithm>
#include <cmath>

namespace tonva {

namespace linearity {

double stepTolerance(int dialStep)
{
    return dialStep < 5 ? 0.3 : 1.0;
}

bool stepPasses(double stepVariance, int dialStep)
{
    return std::abs(stepVariance) <= stepTolerance(dialStep) + kBoundSlack;
}

bool hearingLevelPasses(double hlVariance)
{
    return std::abs(hlVariance) <= kMaxHlVariance;
}

int maximumLevelOf(const LinearityResult &result)
{
    if (result.maximumLevel == 0)
        return kDefaultMaximum;
    return std::clamp<int>(result.maximumLevel, 0, kHighestLevel);
}

int dialStepOf(const LinearityResult &result)
{
    return result.dialStep < 1 || result.dialStep > 10 ? kDefaultStep : result.dialStep;
}

double testFrequencyOf(const LinearityResult &result)
{
    return result.testFrequency < kLowestFrequencyHz ? kDefaultFrequencyHz : result.testFrequency;
}

int lowestLevelOf(const LinearityResult &result)
{
    return std::max(0, static_cast<int>(result.noiseFloor));
}

bool measured(const LinearityResult &result, int level)
{
    return level >= 0 && level <= kHighestLevel && result.measuredLevel[level] > 0.0f;
}

} // namespace linearity

LinearityList buildLinearityList(const LinearityResult &result, double referenceLevel)
{
    using namespace linearity;
    LinearityList list;
    list.columns = {QStringLiteral("Dial Level"),    QStringLiteral("dB HL"),         QStringLiteral("HL Variance"),
                    QStringLiteral("Measured SPL"),  QStringLiteral("Measured Step"), QStringLiteral("Step Variance"),
                    QStringLiteral("Target Step")};
    const int maximum = maximumLevelOf(result);
    const int step = dialStepOf(result);
    const double tolerance = stepTolerance(step);
    const QString none = QStringLiteral("----");

    int base = -1;
    for (int level = 0; level <= kHighestLevel; ++level) {
        if (level > result.noiseFloor && result.measuredLevel[level] != 0.0f) {
            base = level;
            break;
        }
    }

    bool anyJudged = false;
    bool anyFailed = false;
    for (int level = maximum; level >= lowestLevelOf(result); level -= step) {
        LinearityRow row;
        row.dialLevel = level;
        const float m = result.measuredLevel[level];
        if (m <= 0.0f) {
            const bool unstable = m == kUnstable;
            const QString shown = unstable ? QStringLiteral("Unstable") : none;
            row.cells = {QString::number(level), shown, none, shown, none, none, none};
            row.verdict = unstable ? ResultStatus::Unstable : ResultStatus::NotJudged;
            list.rows.push_back(std::move(row));
            continue;
        }
        const double hl = m - referenceLevel;
        const double hlVariance = hl - level;
        bool passed = hearingLevelPasses(hlVariance);
        QString stepText = none;
        QString varianceText = none;
        if (level == base) {
            stepText = varianceText = QStringLiteral("0.0");
        } else if (measured(result, level - step) && level - step > result.noiseFloor) {
            // A step means something only between two levels that were both read above the noise
            // floor: below it the meter hears the set-up, not the attenuator.
            const double measuredStep = m - result.measuredLevel[level - step];
            const double variance = measuredStep - step;
            passed = passed && stepPasses(variance, step);
            stepText = formatText("%.1f", measuredStep);
            varianceText = formatText("%.1f", variance);
        }
        row.cells = {QString::number(level),
                     formatText("%.2f", hl),
                     formatText("%.2f", hlVariance),
                     formatText("%.2f", static_cast<double>(m)),
                     stepText,
                     varianceText,
                     formatText("%.1f to %.1f", step - tolerance, step + tolerance)};
        row.verdict = passed ? ResultStatus::Passed : ResultStatus::Failed;
        anyJudged = true;
        anyFailed = anyFailed || !passed;
        list.rows.push_back(std::move(row));
    }
    LinearityRow floorRow;
    floorRow.cells = {formatText("NF = %.1f", static_cast<double>(result.noiseFloor))};
    list.rows.push_back(std::move(floorRow));
    list.result = anyFailed ? -1 : anyJudged ? 1 : 0;
    return list;
}

} // namespace tonva

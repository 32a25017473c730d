#pragma once

#include "model/AudTestRecord.h"
#include "model/MeasurementResults.h"

#include <QStringList>
#include <vector>

namespace tonva {

enum class LinearityDirection
{
    Auto = 0, // up when the meter sits at a raised gain, down otherwise
    Down = 1,
    Up = 2,
};

namespace linearity {
constexpr int kHighestLevel = 140;
constexpr int kDefaultMaximum = 110;
constexpr int kDefaultStep = 5;
constexpr double kDefaultFrequencyHz = 1000.0;
constexpr double kLowestFrequencyHz = 31.5;
// Stored for a level whose five readings never held still.
constexpr float kUnstable = -11.0f;
// The dB HL a level may lie off its dial; a hair above 2.0 so a printed "2.00" never fails.
constexpr double kMaxHlVariance = 2.00999;
// Stored levels are floats: a step that is exactly on its bound must not fail on the last bit.
constexpr double kBoundSlack = 1e-4;

// Allowed departure of a measured step from the dial step: finer steps are held tighter.
double stepTolerance(int dialStep);
bool stepPasses(double stepVariance, int dialStep);
bool hearingLevelPasses(double hlVariance);

// What a stored block comes to once its unset fields take their working values.
int maximumLevelOf(const LinearityResult &result);
int dialStepOf(const LinearityResult &result);
double testFrequencyOf(const LinearityResult &result);
// The series never goes below the noise floor, and never below dial 0.
int lowestLevelOf(const LinearityResult &result);
bool measured(const LinearityResult &result, int level);
} // namespace linearity

struct LinearityRow
{
    int dialLevel = -1; // -1 for the closing noise-floor row
    QStringList cells;
    ResultStatus verdict = ResultStatus::NotJudged;
};

struct LinearityList
{
    QStringList columns;
    std::vector<LinearityRow> rows;
    // -1 when a row failed, 1 when rows were judged and none failed, 0 when none was judged.
    int result = 0;
};

// The list of a block judged against the reference level at its test frequency.
LinearityList buildLinearityList(const LinearityResult &result, double referenceLevel);

} // namespace tonva

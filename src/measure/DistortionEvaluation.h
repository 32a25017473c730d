#pragma once

#include "measure/MeasurementPage.h"
#include "model/AudTestRecord.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tonva {

// The two distortion pages: an earphone on its coupler, or the bone vibrator on the mastoid.
enum class DistortionConduction
{
    Air,
    Bone,
};

// Highest percentage of the fundamental each quantity may reach; a value equal to it passes.
struct DistortionLimits
{
    double harmonicPercent[4] = {};
    double thdPercent = 0.0;
};
DistortionLimits distortionLimits(DistortionConduction conduction);

// Marks the 2nd harmonic as "the meter could not compute the harmonics".
inline constexpr float kHarmonicsNotComputed = 999.0f;
// The 3rd and higher harmonics of frequencies from this index (6000 Hz) up lie above what the
// meter analyses, and the 5th from index 20 (4000 Hz) up.
inline constexpr int kFirstUnjudgedOvertoneIndex = 22;
inline constexpr int kFirstUnreadFifthIndex = 20;

// Percentage of the fundamental a harmonic of absolute level `harmonicDb` comes to; an unset
// harmonic (0) contributes nothing.
double harmonicPercent(double harmonicDb, double fundamentalDb);
// Total harmonic distortion in percent from harmonic levels relative to the fundamental (dB); terms
// that are absent contribute nothing.
double totalHarmonicDistortion(const std::vector<std::optional<double>> &relativeDb);

// A relative level as the meter prints it: "-05.3" stands for -105.3 dB. Nothing for " --- ".
std::optional<double> relativeLevelOf(QByteArrayView reply);

// The test level of a frequency: air 75/90/110 dB HL by range, bone 20 dB HL at 250 Hz, else 50.
int distortionTestLevel(DistortionConduction conduction, int frequencyIndex);

// The frequency indices a page lists (air 0..24, bone 5..21) that the test set-up offers.
std::vector<int> distortionRows(const TestSetup &setup, DistortionConduction conduction);

struct DistortionRow
{
    int frequencyIndex = -1;
    QStringList cells;
    ResultStatus verdict = ResultStatus::NotJudged;
};

struct DistortionList
{
    QStringList columns;
    std::vector<DistortionRow> rows;

    // -1 when a row fails, 1 when rows were judged and all passed, 0 when nothing was measured.
    int pageResult() const;
    PageTable table() const;
};

DistortionList buildDistortionList(const TestSetup &setup, const DistortionResult &result,
                                   DistortionConduction conduction);

} // namespace tonva

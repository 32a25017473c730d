#pragma once

#include "measure/MeasurementPage.h"
#include "model/MeasurementResults.h"
#include "model/RegionalMode.h"

#include <QList>
#include <QPointF>
#include <QString>
#include <vector>

namespace tonva {

// Broadband masking noise judged from what a result block holds: the FFT spectrum of each source
// (method 2), or, in blocks stored by earlier layouts, one level per source (methods 0 and 1).
namespace masking {

enum class Source
{
    WhiteNoise = 0, // the audiometer's own generator
    TapeCdA = 1,
    TapeCdB = 2,
};

enum class Method : std::uint8_t
{
    OverallSpl = 0,
    SplAt1000Hz = 1,
    Spectrum = 2,
};

constexpr double kLineSpacingHz = 25.0;
constexpr int kReferenceLine = 40;   // 1000 Hz
constexpr int kFirstJudgedLine = 10; // 250 Hz
constexpr int kLastJudgedLine = 200; // 5000 Hz
constexpr double kSpectrumToleranceDb = 5.0;
// At or below this the source was never measured (or the meter heard nothing).
constexpr double kNotMeasuredDb = 10.0;
// Marks a source measured with the spectrum method in its level slot.
constexpr float kSpectrumMeasured = -1.0f;

QString sourceName(Source source);
// How the "Set ..." prompt names the source.
QString promptName(Source source);
// The list's rows in order: regional mode 1 offers no white noise of the audiometer's own.
std::vector<Source> offeredSources(RegionalMode mode);

struct Row
{
    Source source = Source::WhiteNoise;
    QStringList cells;
    ResultStatus verdict = ResultStatus::NotJudged;
};

struct List
{
    QStringList columns;
    std::vector<Row> rows;
    int result = 0; // -1 a row failed, 1 a row was judged and none failed, 0 nothing judged
};

// `reference1kHz` is the transducer's reference level at 1000 Hz, which only the earlier methods use.
List buildList(const BroadBandResult &result, RegionalMode mode, double reference1kHz);

// The text under the list: what the stored method checked.
QString informationText(const BroadBandResult &result);

// The level of a source's 1000 Hz line; at or below kNotMeasuredDb the spectrum holds nothing.
double levelAt1kHz(const BroadBandResult &result, Source source);
// The judged lines of a source as (frequency, level) with negative levels drawn at 0.
QList<QPointF> spectrumPoints(const BroadBandResult &result, Source source);

} // namespace masking

} // namespace tonva

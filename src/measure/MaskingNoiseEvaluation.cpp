#include "measure/MaskingNoiseEvaluation.h"

#include "platform/TextFormat.h"

#include <cmath>

namespace tonva::masking {

namespace {

// Levels are stored as floats: a deviation printed as 5.0 must not fail on the float's last bit.
constexpr double kFloatSlackDb = 1e-3;
constexpr double kEarlierToleranceDb = 3.0;
constexpr double kEarlierToleranceAlternateDb = 2.0;
constexpr double kEarlierAboveReferenceDb = 12.5;
constexpr double kEarlierTargetAlternateDb = 22.0;

const QString kNotMeasured = QStringLiteral("----");
const QString kNoFailure = QStringLiteral("---");

Method methodOf(const BroadBandResult &result)
{
    return result.method == 0 ? Method::OverallSpl : result.method == 1 ? Method::SplAt1000Hz : Method::Spectrum;
}

QStringList unmeasured(Source source, int columns)
{
    QStringList cells{sourceName(source)};
    while (cells.size() < columns)
        cells.append(kNotMeasured);
    return cells;
}

Row spectrumRow(const BroadBandResult &result, Source source)
{
    Row row;
    row.source = source;
    const double reference = levelAt1kHz(result, source);
    if (!(reference > kNotMeasuredDb)) {
        row.cells = unmeasured(source, 6);
        return row;
    }
    const float *lines = result.spectrum[static_cast<int>(source)];
    int failures = 0;
    int worstLine = -1;
    double worst = 0.0;
    for (int line = kFirstJudgedLine; line <= kLastJudgedLine; ++line) {
        const double deviation = reference - lines[line];
        // A damaged value is no proof of a flat spectrum.
        if (std::abs(deviation) <= kSpectrumToleranceDb + kFloatSlackDb)
            continue;
        ++failures;
        if (std::isfinite(deviation) && std::abs(deviation) > std::abs(worst)) {
            worst = deviation;
            worstLine = line;
        }
    }
    const bool failed = failures > 0;
    row.verdict = failed ? ResultStatus::Failed : ResultStatus::Passed;
    row.cells = QStringList{sourceName(source),
                            failed ? QStringLiteral("Fail") : QStringLiteral("Pass"),
                            failed ? QString::number(failures) : kNoFailure,
                            worstLine >= 0 ? QString::number(worstLine * static_cast<int>(kLineSpacingHz)) : kNoFailure,
                            worstLine >= 0 ? formatText("%.1f", worst) : kNoFailure,
                            formatText("%.1f to %.1f", reference - kSpectrumToleranceDb,
                                       reference + kSpectrumToleranceDb)};
    return row;
}

Row earlierRow(const BroadBandResult &result, Source source, RegionalMode mode, double reference1kHz)
{
    Row row;
    row.source = source;
    const double level = result.sourceLevel[static_cast<int>(source)];
    if (!(level > kNotMeasuredDb)) {
        row.cells = unmeasured(source, 5);
        return row;
    }
    const bool alternate = mode == RegionalMode::Alternate;
    const double target = alternate ? kEarlierTargetAlternateDb : reference1kHz + kEarlierAboveReferenceDb;
    const double tolerance = alternate ? kEarlierToleranceAlternateDb : kEarlierToleranceDb;
    const double dialed = target + result.dialLevel;
    const double deviation = level - dialed;
    row.verdict = std::abs(deviation) <= tolerance + kFloatSlackDb ? ResultStatus::Passed : ResultStatus::Failed;
    row.cells = QStringList{sourceName(source), formatText("%.1f", level), formatText("%.1f", level - target),
                            formatText("%.1f", deviation),
                            formatText("%.1f to %.1f", dialed - tolerance, dialed + tolerance)};
    return row;
}

} // namespace

QString sourceName(Source source)
{
    switch (source) {
    case Source::WhiteNoise:
        return QStringLiteral("White Noise");
    case Source::TapeCdA:
        return QStringLiteral("Tape/CD A");
    case Source::TapeCdB:
        return QStringLiteral("Tape/CD B");
    }
    return {};
}

QString promptName(Source source)
{
    switch (source) {
    case Source::WhiteNoise:
        return QStringLiteral(" Audiometer White Noise");
    case Source::TapeCdA:
        return QStringLiteral("Tape/CD A White Noise");
    case Source::TapeCdB:
        return QStringLiteral("Tape/CD B White Noise");
    }
    return {};
}

std::vector<Source> offeredSources(RegionalMode mode)
{
    if (mode == RegionalMode::Alternate)
        return {Source::TapeCdA, Source::TapeCdB};
    return {Source::WhiteNoise, Source::TapeCdA, Source::TapeCdB};
}

double levelAt1kHz(const BroadBandResult &result, Source source)
{
    return result.spectrum[static_cast<int>(source)][kReferenceLine];
}

List buildList(const BroadBandResult &result, RegionalMode mode, double reference1kHz)
{
    List list;
    const Method method = methodOf(result);
    if (method == Method::Spectrum)
        list.columns = QStringList{QStringLiteral("Sound Source"),     QStringLiteral("Pass/Fail"),
                                   QStringLiteral("Number of Failures"), QStringLiteral("Freq at Max Dev."),
                                   QStringLiteral("Max Deviation"),    QStringLiteral("Target Value")};
    else
        list.columns = QStringList{QStringLiteral("Sound Source"),
                                   method == Method::OverallSpl ? QStringLiteral("Overall SPL")
                                                                : QStringLiteral("SPL @ 1000 Hz"),
                                   QStringLiteral("Hearing Level"), QStringLiteral("Deviation"),
                                   QStringLiteral("Target SPL")};
    bool judged = false;
    bool failed = false;
    for (const Source source : offeredSources(mode)) {
        Row row = method == Method::Spectrum ? spectrumRow(result, source)
                                             : earlierRow(result, source, mode, reference1kHz);
        judged = judged || row.verdict != ResultStatus::NotJudged;
        failed = failed || row.verdict == ResultStatus::Failed;
        list.rows.push_back(std::move(row));
    }
    list.result = failed ? -1 : judged ? 1 : 0;
    return list;
}

QString informationText(const BroadBandResult &result)
{
    if (methodOf(result) == Method::Spectrum)
        return QStringLiteral("Each frequency from 250 Hz to 5000Hz, at 25 Hz interval\nTested against the 1000 Hz "
                              "level +-5dB");
    return QStringLiteral("Existing results check noise level at 1 kHz.\nRetest to check noise level from 250 Hz to "
                          "5000 Hz.");
}

QList<QPointF> spectrumPoints(const BroadBandResult &result, Source source)
{
    QList<QPointF> points;
    const float *lines = result.spectrum[static_cast<int>(source)];
    for (int line = kFirstJudgedLine; line <= kLastJudgedLine; ++line)
        points.append(QPointF(line * kLineSpacingHz, std::max(0.0, static_cast<double>(lines[line]))));
    return points;
}

} // namespace tonva::masking

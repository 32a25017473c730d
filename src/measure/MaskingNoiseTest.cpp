#include "measure/MaskingNoiseTest.h"

#include "measure/CouplerCorrection.h"
#include "measure/MeasurementCatalogue.h"
#include "meter/MeterStatus.h"
#include "meter/SlmFileList.h"
#include "meter/SlmLink.h"
#include "model/FixedText.h"
#include "model/ReferenceData.h"
#include "platform/Interaction.h"
#include "platform/TextFormat.h"

#include <algorithm>
#include <cmath>

namespace tonva {

using masking::Source;

namespace {

constexpr int kBroadBandKind = static_cast<int>(MeasurementKind::BroadBandNoise);
constexpr int k1kHzIndex = 12;

int sourceIndex(Source source)
{
    return static_cast<int>(source);
}

SignalSource signalSourceOf(Source source)
{
    switch (source) {
    case Source::TapeCdA:
        return SignalSource::TapeCdA;
    case Source::TapeCdB:
        return SignalSource::TapeCdB;
    case Source::WhiteNoise:
        break;
    }
    return SignalSource::Internal;
}

std::optional<int> parseDial(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::abs(value) > 1000.0)
        return std::nullopt;
    return static_cast<int>(value);
}

} // namespace

MaskingNoiseTest::MaskingNoiseTest(const MeasurementServices &services)
    : MeasurementPage(services), m_keys(services.preferences)
{}

MaskingNoiseTest::~MaskingNoiseTest()
{
    m_keys.Bind(nullptr);
}

void MaskingNoiseTest::onMeterAttached()
{
    m_keys.Bind(nullptr);
    m_keysLink = nullptr;
    m_bandwidthCode = -1;
    m_calOffset.reset();
}

BroadBandResult &MaskingNoiseTest::blockOf(Ear side) const
{
    return record().broadBand[channelOf(side)][static_cast<int>(transducer())];
}

BroadBandResult &MaskingNoiseTest::block() const
{
    return blockOf(ear());
}

double MaskingNoiseTest::reference1kHz() const
{
    ReferenceQuery query;
    query.transducer = transducer();
    query.frequencyIndex = k1kHzIndex;
    return GetReferenceLevel(record().setup, query);
}

masking::List MaskingNoiseTest::list(const BroadBandResult &result) const
{
    return masking::buildList(result, regionalMode(), reference1kHz());
}

int MaskingNoiseTest::Evaluate() const
{
    return list(block()).result;
}

int MaskingNoiseTest::statusResult() const
{
    // One status entry stands for both earphones: a failed side is not forgotten because the other passed.
    const int left = list(blockOf(Ear::Left)).result;
    const int right = list(blockOf(Ear::Right)).result;
    return left < 0 || right < 0 ? -1 : std::max(left, right);
}

PageTable MaskingNoiseTest::List() const
{
    const masking::List judged = list(block());
    PageTable table;
    table.columns = judged.columns;
    for (const masking::Row &row : judged.rows) {
        table.rows.append(row.cells);
        table.verdicts.append(row.verdict);
    }
    return table;
}

QString MaskingNoiseTest::dialText() const
{
    return QString::number(block().dialLevel);
}

QString MaskingNoiseTest::editDialText(const QString &text)
{
    if (text.trimmed().isEmpty())
        return dialText();
    const std::optional<int> dial = parseDial(text);
    if (!dial) {
        interaction().message(QStringLiteral("Invalid number in HL Dial Setting field."));
        return dialText();
    }
    blockOf(Ear::Left).dialLevel = *dial;
    blockOf(Ear::Right).dialLevel = *dial;
    return text;
}

QString MaskingNoiseTest::informationText() const
{
    return masking::informationText(block());
}

std::optional<QList<QPointF>> MaskingNoiseTest::viewData(const QList<int> &rows) const
{
    const std::vector<Source> sources = masking::offeredSources(regionalMode());
    QList<int> valid;
    for (const int row : rows) {
        if (row >= 0 && row < static_cast<int>(sources.size()))
            valid.append(row);
    }
    if (valid.isEmpty()) {
        interaction().message(QStringLiteral("Select the test for which you wish to view the data graph."));
        return std::nullopt;
    }
    const Source source = sources[static_cast<std::size_t>(*std::min_element(valid.begin(), valid.end()))];
    if (!(masking::levelAt1kHz(block(), source) > masking::kNotMeasuredDb)) {
        interaction().message(QStringLiteral("There is no valid data for the selected test to display"));
        return std::nullopt;
    }
    return masking::spectrumPoints(block(), source);
}

void MaskingNoiseTest::graphFailed() const
{
    interaction().message(QStringLiteral("Something messed up"));
}

void MaskingNoiseTest::forget(Source source)
{
    BroadBandResult &result = block();
    std::fill(std::begin(result.spectrum[sourceIndex(source)]), std::end(result.spectrum[sourceIndex(source)]), 0.0f);
    result.sourceLevel[sourceIndex(source)] = 0.0f;
}

MaskingNoiseTest::Reading MaskingNoiseTest::ensureBandwidth(Progress &progress)
{
    if (m_bandwidthCode == kBandwidthCode)
        return Reading::Stored;
    progress.setStatus(QStringLiteral("Setting bandwidth on the Trellan"));
    if (progress.checkCancel())
        return Reading::Cancelled;
    link()->StopMeter();
    link()->ResetMeter();
    if (link()->SetBandwidthCode(kBandwidthCode) == meter::kOk)
        m_bandwidthCode = kBandwidthCode;
    link()->RunMeter();
    progress.setStatus(QStringLiteral("Waiting for the Trellan to stabilize"));
    return link()->WaitRunState('R', &progress) == meter::kCancelled ? Reading::Cancelled : Reading::Stored;
}

MaskingNoiseTest::Reading MaskingNoiseTest::readSpectrum(Progress &progress, meter::FftLines &lines)
{
    if (ReadyMeter(MeterMode::Fft, kBroadBandKind, QString::fromLatin1(measure::kMeterNotReadyQuestion), &progress,
                   QStringLiteral("Checking the Trellan for FFT mode")) != measure::kDone)
        return Reading::Cancelled;
    if (ensureBandwidth(progress) == Reading::Cancelled)
        return Reading::Cancelled;
    if (!m_calOffset) {
        const double offset = link()->GetCalOffset();
        if (link()->status() == meter::kOk)
            m_calOffset = static_cast<float>(offset);
        if (link()->SetGain(kReadingGain, &progress) == meter::kCancelled)
            return Reading::Cancelled;
    }
    progress.setStatus(QStringLiteral("Waiting for stable reading...."));
    if (const int status = link()->WaitRunState('R', &progress); status != meter::kOk) {
        if (status == meter::kCancelled)
            return Reading::Cancelled;
        interaction().message(formatText("Failed communication with Trellan: Data Error:%d", status));
        return Reading::Failed;
    }
    QByteArray record;
    const int status = fileList()->BlockTransfer("&R6", record, meter::kFftRecordSize, kRecordSeconds,
                                                 meter::isPlausibleFftRecord);
    const std::optional<meter::FftLines> decoded =
        status == meter::kOk ? meter::decodeFftRecord(record, m_calOffset.value_or(0.0f)) : std::nullopt;
    if (!decoded) {
        interaction().message(formatText("Trellan failed download data: Data Error:%d", status));
        return Reading::Failed;
    }
    lines = *decoded;
    return Reading::Stored;
}

int MaskingNoiseTest::measureSource(Source source)
{
    if (!CheckRequiredEquipment() || !link() || !fileList())
        return measure::kNotStarted;
    if (!confirmGridCorrections(record().setup, transducer(), preferences(), interaction()))
        return measure::kCancelled;
    if (m_keysLink != link()) {
        // The meter's display follows the 1000 Hz line the judgement hangs on.
        m_keys.Bind(link());
        m_keys.SelectBand(k1kHzIndex);
        m_keysLink = link();
    }
    if (const MicrophoneSlot *microphone = couplerMicrophone(record().setup, transducer()))
        link()->MatchTransducerToMic(displayText(microphone->identity.model));
    BroadBandResult &result = block();
    const int dial = result.dialLevel;
    result.method = static_cast<std::uint8_t>(masking::Method::Spectrum);

    Stimulus noise;
    noise.transducer = transducer();
    noise.ear = ear();
    noise.signal = QStringLiteral("white noise");
    noise.frequencyHz = 1000.0;
    noise.dialLevel = dial;
    noise.source = signalSourceOf(source);
    const QString setting =
        formatText(" %d dBHL %s on %s", dial, qPrintable(masking::promptName(source)), qPrintable(earText(ear())));
    if (interaction().askToSet(QStringLiteral("Set") + setting, noise, Buttons::OkCancel) != Answer::Ok)
        return measure::kCancelled;

    const std::unique_ptr<Progress> progress = OpenProgress();
    meter::FftLines lines{};
    for (;;) {
        const Reading reading = readSpectrum(*progress, lines);
        if (reading == Reading::Cancelled)
            return measure::kCancelled;
        if (reading == Reading::Failed) {
            // What is left of an earlier reading belongs to another setting: judging it would pass
            // noise that was never read.
            forget(source);
            listChanged();
            return measure::kDone;
        }
        const double at1kHz = lines[masking::kReferenceLine];
        if (at1kHz >= masking::kNotMeasuredDb)
            break;
        const QString question = formatText(
            "Level at 1000 Hz was too low (%.1f dB).\n\nWould you like to measure again?\n(Please check the "
            "audiometer to make sure the signal is on\nand that it is set to%s.\nAlso check the Trellan to make "
            "sure it is measuring data.)\n\nClick OK to re-measure.\nClick Cancel to cancel the measurement.",
            at1kHz, qPrintable(setting));
        if (interaction().ask(question, Buttons::OkCancel) != Answer::Ok)
            return measure::kCancelled;
    }
    float *spectrum = result.spectrum[sourceIndex(source)];
    std::copy(lines.begin(), lines.end(), spectrum);
    spectrum[meter::kFftLineCount] = 0.0f;
    result.sourceLevel[sourceIndex(source)] = masking::kSpectrumMeasured;
    result.dialLevel = dial;
    listChanged();
    return measure::kDone;
}

int MaskingNoiseTest::MeasureAll()
{
    for (const Source source : masking::offeredSources(regionalMode())) {
        if (const int status = measureSource(source); status != measure::kDone)
            return status;
    }
    return measure::kDone;
}

int MaskingNoiseTest::MeasureSelected(const QList<int> &rows)
{
    const std::vector<Source> sources = masking::offeredSources(regionalMode());
    for (int row = 0; row < static_cast<int>(sources.size()); ++row) {
        if (!rows.contains(row))
            continue;
        if (const int status = measureSource(sources[static_cast<std::size_t>(row)]); status != measure::kDone)
            return status;
    }
    return measure::kDone;
}

void registerMaskingNoisePage(PageRegistry &registry)
{
    registry.add(PageRole::BroadBandMasking, [](const MeasurementServices &services) {
        return std::make_unique<MaskingNoiseTest>(services);
    });
}

} // namespace tonva

#include "meter/MeterCalibration.h"

#include "meter/LiveBandLevel.h"
#include "meter/MeterRecords.h"
#include "meter/MeterStatus.h"
#include "meter/SlmFileList.h"
#include "meter/SlmLink.h"
#include "meter/StableSpectrum.h"
#include "platform/PreferenceStore.h"
#include "platform/TextFormat.h"

#include <cmath>

namespace tonva {

using namespace meter;

namespace {

constexpr int kReadingKind = 0; // readied as for a hearing-level reading
constexpr double kStableSpread = 0.05;
constexpr int kStablePauseMs = 500;
constexpr int kSettingReplyBytes = 30;
constexpr int kOffsetReplyBytes = 10;
// A calibration level outside this range cannot be the meter's; the usual 114 dB stands in for it.
constexpr double kLowestCalibrationLevel = 86.0;
constexpr double kHighestCalibrationLevel = 120.0;
constexpr double kUsualCalibrationLevel = 114.0;
// The meter accepts a new offset only after this key was written as its calibration level.
const QByteArray kCalibrationKeyCommand = QByteArrayLiteral("S41,317.06");

const QString kNoCalibrator = QStringLiteral(
    "No calibrator is in the instrument list.\nAdd one under Instrumentation to calibrate the Trellan.");
const QString kNoMicrophone = QStringLiteral(
    "No microphone is in the instrument list.\nAdd one under Instrumentation to calibrate the Trellan.");

bool saysNotAvailable(const QByteArray &reply)
{
    return reply.contains("Not Available");
}

QString replyText(const QByteArray &reply)
{
    return QString::fromLatin1(reply).trimmed();
}

} // namespace

MeterCalibration::MeterCalibration(SlmLink &link, SlmFileList &fileList, PreferenceStore &preferences,
                                   std::vector<Calibrator> calibrators, std::vector<Microphone> microphones)
    : m_link(link), m_fileList(fileList), m_preferences(preferences), m_keys(preferences),
      m_calibrators(std::move(calibrators)), m_microphones(std::move(microphones))
{}

const QString &MeterCalibration::activateCalibratorText()
{
    static const QString text = QStringLiteral("Setting lower calibration level.\n Activate the calibrator and press OK.");
    return text;
}

int MeterCalibration::frequencyIndexOf(double calibratorHz)
{
    for (int i = 0; i + 1 < kTestFrequencyCount; ++i) {
        const double here = kTestFrequencies[static_cast<size_t>(i)];
        const double next = kTestFrequencies[static_cast<size_t>(i + 1)];
        if (calibratorHz < here + 0.1 * (next - here))
            return i;
    }
    // 20 kHz and anything above it (a mistyped frequency) is read in the last band there is.
    return kTestFrequencyCount - 1;
}

int MeterCalibration::calibratorBand() const
{
    return bandOfTestFrequency(m_frequencyIndex);
}

void MeterCalibration::showStatus(Progress *progress, const QString &text)
{
    m_statusText = text;
    if (progress) {
        progress->setStatus(text);
        // Each step moves the bar on, so a long wait still shows that the sequence is going.
        progress->step();
    }
}

bool MeterCalibration::open()
{
    while (m_link.SetupMeterForTest(MeterMode::SlmRta, kReadingKind, false) == 0) {
        if (m_link.interaction().ask(
                QStringLiteral("Could not set the Trellan properly for calibration!\nVerify that it is powered "
                               "on, stable, and connected to the PC.\nThen press OK!"),
                Buttons::OkCancel) != Answer::Ok)
            return false;
    }
    {
        const std::unique_ptr<Progress> progress =
            m_link.interaction().openProgress(QStringLiteral("SLM Calibration"), 0, 100, 10);
        if (m_link.SetGain(kGainZeroDb, progress.get()) == kCancelled)
            return false;
        showStatus(progress.get(), QStringLiteral("Waiting for SLM to Stabilize...please wait."));
        if (m_link.WaitRunState('R', progress.get()) == kCancelled)
            return false;
    }
    QByteArray reply;
    if (m_link.Command("Q227", &reply, kOffsetReplyBytes, 1) == kOk)
        m_offset = leadingNumber(reply);
    m_statusText.clear();

    const auto rowOf = [](const auto &list, const QString &serial) {
        for (size_t i = 0; i < list.size(); ++i) {
            if (list[i].serialNumber == serial)
                return static_cast<int>(i);
        }
        return list.empty() ? -1 : 0;
    };
    chooseCalibrator(rowOf(m_calibrators, m_preferences.read(preference::SnLastCalibrator)));
    chooseMicrophone(rowOf(m_microphones, m_preferences.read(preference::SnLastMike)));
    if (m_calibrators.empty() || m_microphones.empty()) {
        m_statusText = m_calibrators.empty() ? kNoCalibrator : kNoMicrophone;
        m_link.interaction().message(m_statusText);
    }

    m_keys.Bind(&m_link);
    m_keysBound = true;
    if (m_frequencyIndex >= 0)
        m_keys.SelectBand(m_frequencyIndex);
    return true;
}

QStringList MeterCalibration::calibratorLabels() const
{
    QStringList labels;
    for (const Calibrator &c : m_calibrators)
        labels << c.serialNumber + QStringLiteral(" (") + c.model + QLatin1Char(')');
    return labels;
}

QStringList MeterCalibration::microphoneLabels() const
{
    QStringList labels;
    for (const Microphone &m : m_microphones)
        labels << m.serialNumber + QStringLiteral(" (") + m.model + QLatin1Char(')');
    return labels;
}

void MeterCalibration::chooseCalibrator(int row)
{
    if (row < 0 || row >= static_cast<int>(m_calibrators.size()))
        return;
    m_calibratorRow = row;
    const Calibrator &calibrator = m_calibrators[static_cast<size_t>(row)];
    m_frequencyIndex = frequencyIndexOf(calibrator.frequencyHz);
    m_lastReading.reset();
    m_preferences.write(preference::SnLastCalibrator, calibrator.serialNumber);
    if (m_calibratorChosen)
        m_calibratorChosen(calibrator);
    // The meter's display follows, so the technician sees on it the band being read.
    if (m_keysBound)
        m_keys.SelectBand(m_frequencyIndex);
}

void MeterCalibration::chooseMicrophone(int row)
{
    if (row < 0 || row >= static_cast<int>(m_microphones.size()))
        return;
    m_microphoneRow = row;
    const Microphone &microphone = m_microphones[static_cast<size_t>(row)];
    m_lastReading.reset();
    m_preferences.write(preference::SnLastMike, microphone.serialNumber);
    m_link.MatchTransducerToMic(microphone.model);
}

MeterCalibration::CalibratorFields MeterCalibration::calibratorFields() const
{
    if (m_calibratorRow < 0)
        return {};
    const Calibrator &c = m_calibrators[static_cast<size_t>(m_calibratorRow)];
    return {c.manufacturer, c.model, c.serialNumber, formatText("%.1f", c.frequencyHz),
            formatText("%.1f", c.outputLevel)};
}

MeterCalibration::MicrophoneFields MeterCalibration::microphoneFields() const
{
    if (m_microphoneRow < 0)
        return {};
    const Microphone &m = m_microphones[static_cast<size_t>(m_microphoneRow)];
    return {m.manufacturer, m.model, m.serialNumber};
}

double MeterCalibration::microphoneCorrection() const
{
    if (m_microphoneRow < 0)
        return 0.0;
    const int band = calibratorBand();
    const int index = band >= 0 ? kTestFrequencyOfBand[static_cast<size_t>(band)] : -1;
    if (index < 0)
        return 0.0;
    const float response = m_microphones[static_cast<size_t>(m_microphoneRow)].response[static_cast<size_t>(index)];
    return std::isfinite(response) ? response : 0.0;
}

MeterCalibration::Reading MeterCalibration::readingOf(double bandLevel) const
{
    Reading reading;
    reading.measuredSpl = bandLevel - microphoneCorrection();
    reading.difference = reading.measuredSpl - m_calibrators[static_cast<size_t>(m_calibratorRow)].outputLevel;
    reading.measuredText = formatText("%.1f", reading.measuredSpl);
    // A difference that rounds to nothing reads "+0.0": "-0.0" would look like a meter reading low.
    const double shown = std::round(reading.difference * 10.0) == 0.0 ? 0.0 : reading.difference;
    reading.differenceText = formatText("%+.1f", shown);
    return reading;
}

std::optional<MeterCalibration::Reading> MeterCalibration::tick()
{
    if (!canMeasure())
        return std::nullopt;
    const std::optional<double> level = readLiveBandLevelAsking(m_link, m_fileList, calibratorBand());
    if (!level)
        return std::nullopt;
    m_lastReading = readingOf(*level);
    return m_lastReading;
}

bool MeterCalibration::sendSetting(const QByteArray &text, QByteArray *reply)
{
    QByteArray scratch;
    return m_link.Command(text, reply ? reply : &scratch, kSettingReplyBytes, 1) == kOk;
}

MeterCalibration::Outcome MeterCalibration::setCalibration()
{
    if (!canMeasure()) {
        m_link.interaction().message(m_calibratorRow < 0 ? kNoCalibrator : kNoMicrophone);
        return Outcome::Unavailable;
    }
    const std::unique_ptr<Progress> progress =
        m_link.interaction().openProgress(QStringLiteral("SLM Calibration"), 0, 100, 10);
    int gainBefore = -1;
    std::optional<double> priorLevel;
    const Outcome outcome = changeOffset(*progress, gainBefore, priorLevel);
    restore(*progress, gainBefore, priorLevel);
    return outcome;
}

MeterCalibration::Outcome MeterCalibration::changeOffset(Progress &progress, int &gainBefore,
                                                         std::optional<double> &priorLevel)
{
    Interaction &interaction = m_link.interaction();
    const auto fail = [&interaction](const QString &text) {
        interaction.message(text);
        return Outcome::Failed;
    };

    showStatus(&progress, QStringLiteral("Setting the Gain to 0;"));
    // Read first, so the gain can be put back even when the change is cancelled half way.
    gainBefore = m_link.GetGain();
    const int gainChange = gainBefore < 0 ? gainBefore : m_link.SetGain(kGainZeroDb, &progress);
    if (gainChange == kCancelled)
        return Outcome::Cancelled;
    if (gainChange < 0)
        return fail(formatText("Unable to set 0 dB gain on the Trellan (error %d).", gainChange));

    if (interaction.ask(activateCalibratorText(), Buttons::OkCancel) != Answer::Ok)
        return Outcome::Cancelled;

    showStatus(&progress, QStringLiteral("Getting a stable reading"));
    BandLevels levels{};
    const int band = calibratorBand();
    const int read = ReadStableSpectrum(m_link, m_fileList, band, static_cast<float>(m_offset), levels,
                                        &progress, {}, kStableSpread, kStablePauseMs);
    if (read == kCancelled)
        return Outcome::Cancelled;
    const Reading reading = readingOf(levels[static_cast<size_t>(band)]);
    if (read != kOk)
        return fail(formatText("Unable to get stable SPL reading from the Trellan: reading %.1f (error %d).",
                               reading.measuredSpl, read));
    m_lastReading = reading;

    showStatus(&progress, QStringLiteral("Changing the calibration offset"));
    if (const int stopped = m_link.StopMeter(); stopped != kOk)
        return fail(formatText("Unable to stop the Trellan (error %d).", stopped));
    if (!sendSetting("S1,1"))
        return fail(formatText("Unable to reset the Trellan (error %d).", m_link.status()));

    QByteArray reply;
    if (!sendSetting("Q41", &reply))
        return fail(formatText("Unable to Retrieve the original calibration Level on the Trellan (error %d).",
                               m_link.status()));
    double level = leadingNumber(reply);
    if (reply.trimmed().isEmpty() || level < kLowestCalibrationLevel || level > kHighestCalibrationLevel)
        level = kUsualCalibrationLevel;
    priorLevel = level;

    if (!sendSetting(kCalibrationKeyCommand))
        return fail(formatText("Unable to set the calibration key on the Trellan (error %d).", m_link.status()));
    const double newOffset = m_offset - reading.difference;
    reply.clear();
    if (!sendSetting(formatText("S227,%5.2f", newOffset).toLatin1(), &reply) || saysNotAvailable(reply))
        return fail(formatText("Unable to send the new calibration offset to the Trellan \n(error %d, Message '%s').",
                               m_link.status(), qPrintable(replyText(reply))));
    // Only an offset the meter took is the one later readings are based on.
    m_offset = newOffset;
    if (!sendSetting("S230,20.0"))
        return fail(formatText("Unable to set the bias offset on the Trellan (error %d).", m_link.status()));
    return Outcome::Calibrated;
}

void MeterCalibration::restore(Progress &progress, int gainBefore, const std::optional<double> &priorLevel)
{
    Interaction &interaction = m_link.interaction();
    // Writing back a level that was never read would replace the meter's own with a made-up one.
    if (priorLevel) {
        QByteArray reply;
        if (!sendSetting(formatText("S41,%5.2f", *priorLevel).toLatin1(), &reply) || saysNotAvailable(reply))
            interaction.message(
                formatText("Unable to reset the calibration level to the original value.\n(error %d, Message '%s').",
                           m_link.status(), qPrintable(replyText(reply))));
    }
    // These steps run even after a Cancel, so they must not see the progress dialog's cancel flag.
    showStatus(&progress, QStringLiteral("Setting gain back to beginning setting."));
    if (gainBefore >= 0) {
        const int gain = m_link.SetGain(gainBefore);
        if (gain < 0)
            interaction.message(formatText("Unable to set the gain back on the Trellan (error %d).", gain));
    }
    m_link.RunMeter();
    showStatus(&progress, QStringLiteral("Waiting for Trellan to stabilize"));
    m_link.WaitRunState('R');
    m_statusText.clear();
}

} // namespace tonva

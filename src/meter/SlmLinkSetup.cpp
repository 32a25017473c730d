// The compound meter operations: waits for the run state, gain, transducer and bandwidth changes,
// and the per-test set-up every measurement runs first.
#include "meter/MeterStatus.h"
#include "meter/SlmLink.h"
#include "platform/TextFormat.h"

namespace tonva {

using namespace meter;

namespace {

constexpr int kRunStatePolls = 60;
constexpr int kRunRequests = 10;
constexpr int kChecksumPollFailures = 5;
constexpr qint64 kRunStatePauseMs = 1000;
constexpr int kBandwidth2kHz = 3;
constexpr int kBandwidth20kHz = 6;
// Without a technician to ask, a meter that stays silent is given this many close-reopen-ping
// rounds (each costs a few seconds of time-outs) before the set-up reports the meter not ready.
constexpr int kSilentRecoveryRounds = 3;

const QString kSlowGainNote = QStringLiteral("This may take up to 45 seconds.");
const QString kDetectorFailed = QStringLiteral("Unable to set detector on the Trellan.");

// Weighting each test kind measures with: 0 A, 1 C, 2 flat.
int weightingForKind(int kind)
{
    switch (kind) {
    case 4:
    case 6:
        return 0;
    case 9:
        return 1;
    default:
        return 2;
    }
}

} // namespace

bool SlmLink::cancelled(Progress *progress) const
{
    return progress && progress->checkCancel();
}

void SlmLink::showStatus(Progress *progress, const QString &text) const
{
    if (progress)
        progress->setStatus(text);
}

int SlmLink::WaitRunState(char target, Progress *progress)
{
    int runRequests = 0;
    int checksumFailures = 0;
    for (int polls = 1;; ++polls) {
        if (cancelled(progress))
            return m_status = kCancelled;
        const int status = command("R 3,1", 8, 1);
        const char state = runStateLetter();
        // Deliberately blocking: the meter is settling, and nothing else may talk to it meanwhile.
        clock().sleep(kRunStatePauseMs);
        if (status == kBadChecksum) {
            if (++checksumFailures >= kChecksumPollFailures)
                return m_status = status;
        } else if (status != kOk) {
            return m_status = status;
        } else if (state == target) {
            if (target == 'R')
                m_leftStopped = false;
            return m_status = kOk;
        }
        if (polls >= kRunStatePolls)
            return m_status = kRunStateTimeout;
        if (status == kOk && runRequests < kRunRequests) {
            ++runRequests;
            if (target == 'V')
                command("M5", 30, 1);
            else
                RunMeter();
        }
    }
}

int SlmLink::SetGain(int gain, Progress *progress)
{
    const int previous = GetGain();
    if (previous < 0)
        return previous;
    if (previous == gain) {
        // A change whose acknowledgement was lost may have taken effect with the meter still stopped.
        const int resumed = resumeIfLeftStopped(progress);
        return resumed != kOk ? resumed : previous;
    }
    // Moving between the two lowest gains and the others takes the meter far longer to settle.
    const bool crossesInputStage = (previous < kGainZeroDb) != (gain < kGainZeroDb);
    const QString note = crossesInputStage ? kSlowGainNote : QString();

    showStatus(progress, QStringLiteral("Setting the gain on the Trellan.  ") + note);
    if (cancelled(progress))
        return m_status = kCancelled;
    StopMeter();
    if (numberedCommand("S 148,", gain, 8, 1) != kOk)
        return m_status;
    RunMeter();
    showStatus(progress, QStringLiteral("Gain change: Waiting for the Trellan to stabilize.  ") + note);
    const int settled = WaitRunState('R', progress);
    return settled != kOk ? settled : previous;
}

int SlmLink::SetTransducer(int transducer, Progress *progress)
{
    showStatus(progress, QStringLiteral("Changing the Transducer on the Trellan."));
    if (cancelled(progress))
        return m_status = kCancelled;
    StopMeter();
    SetSetupFlag();
    if (numberedCommand("S 51,", transducer, 8, 1) != kOk)
        return m_status;
    RunMeter();
    showStatus(progress,
               QStringLiteral("Transducer change: Waiting for the Trellan to stabilize. This may take "
                              "several seconds."));
    return WaitRunState('R', progress);
}

int SlmLink::MatchTransducerToMic(const QString &microphoneModel)
{
    const int current = GetTransducer();
    if (current < 0)
        return current;
    const int wanted = microphoneModel.startsWith(QLatin1String(kPolarizedMicFamily)) &&
                               microphoneModel.endsWith(QLatin1String(kPolarizedMicSuffix))
                           ? 1
                           : 0;
    if (current == wanted)
        return kOk;
    const std::unique_ptr<Progress> progress =
        m_interaction.openProgress(QStringLiteral("Trellan"), 0, 100, 10);
    return SetTransducer(wanted, progress.get());
}

int SlmLink::changeBandwidth(int code, const QString &text, Progress *progress)
{
    showStatus(progress, text);
    if (cancelled(progress))
        return m_status = kCancelled;
    StopMeter();
    ResetMeter();
    SetBandwidthCode(code);
    RunMeter();
    showStatus(progress, QStringLiteral("Waiting for the Trellan to stabilize"));
    if (cancelled(progress))
        return m_status = kCancelled;
    return WaitRunState('R', progress);
}

int SlmLink::SelectBandwidth(int frequencyIndex, int thresholdIndex, Progress *progress)
{
    const int code = GetBandwidth();
    if (code < 0) {
        m_interaction.message(
            formatText("Unable to query the Trellan for the bandwidth (error %d)", m_status));
        return m_status = kCancelled;
    }
    if (frequencyIndex >= thresholdIndex && code != kBandwidth20kHz)
        return changeBandwidth(kBandwidth20kHz, QStringLiteral("Setting 20KHz bandwidth on the Trellan"),
                               progress);
    if (frequencyIndex < thresholdIndex && code != kBandwidth2kHz)
        return changeBandwidth(kBandwidth2kHz, QStringLiteral("Setting 2KHz bandwidth on the Trellan"),
                               progress);
    return m_status = resumeIfLeftStopped(progress);
}

int SlmLink::resumeIfLeftStopped(Progress *progress)
{
    if (!m_leftStopped)
        return kOk;
    RunMeter();
    showStatus(progress, QStringLiteral("Waiting for the Trellan to stabilize"));
    return WaitRunState('R', progress);
}

int SlmLink::SetupMeterForTest(MeterMode mode, int kind, bool interactive)
{
    int instrument = 0;
    for (int round = 0;; ++round) {
        instrument = GetInstrument();
        if (instrument >= 0 && m_port.status() >= 0)
            break;
        if (!interactive && round >= kSilentRecoveryRounds)
            return 0;
        if (instrument < 0 && interactive &&
            m_interaction.ask(
                QStringLiteral("An Error occurred in the port connection to the Trellan.\nPlease "
                               "verify that all connections are correct and the Trellan is turned "
                               "on\nPress OK to continue or cancel to quit."),
                Buttons::OkCancel) == Answer::Cancel)
            return 0;
        m_port.Close();
        bool reopened = m_port.Open() == kOk;
        while (!reopened && interactive) {
            if (m_interaction.ask(
                    QStringLiteral("An Error occurred in the port connection to the Trellan\n and it "
                                   "could not be reopened. \nPlease verify that all connections are "
                                   "correct and the Trellan is turned on\n Press OK to continue or "
                                   "cancel to quit."),
                    Buttons::OkCancel) == Answer::Cancel)
                return 0;
            reopened = m_port.Open() == kOk;
        }
        if (reopened)
            Ping();
    }

    bool changed = false;
    bool stopped = false;
    if (instrument != static_cast<int>(MeterInstrument::AudTest)) {
        if (StopMeter() < 0)
            return 0;
        SetInstrument(MeterInstrument::AudTest); // leaves the meter running
        changed = true;
    }
    if (GetMode() != mode) {
        if (StopMeter() < 0)
            return 0;
        stopped = true;
        SetMode(mode);
        changed = true;
    } else if (!changed && GetWeighting() != weightingForKind(kind)) {
        changed = true;
    }
    if (kind < 0)
        return 1;
    if (!changed) {
        // A set-up refused after stopping the meter leaves every setting it checks as wanted; the
        // meter must still be started again before it is reported ready.
        if (m_leftStopped && RunMeter() < 0)
            return 0;
        return 1;
    }

    if (!stopped) {
        if (StopMeter() < 0)
            return 0;
        stopped = true;
    }
    SetSetupFlag();
    const KindSetup setup = applyKindSettings(kind);
    if (setup == KindSetup::Refused)
        return 0;
    if (setup == KindSetup::Applied)
        RunMeter();
    return 1;
}

// Weighting, detectors and filters for one test kind on a stopped meter. Shows the message when
// the meter refuses a setting.
SlmLink::KindSetup SlmLink::applyKindSettings(int kind)
{
    const auto refuse = [this](const QString &text) {
        m_interaction.message(text);
        return KindSetup::Refused;
    };
    const auto setWeightings = [this](int weighting) {
        if (SetWeighting(weighting) < 0)
            return m_status;
        return SetBandWeighting(weighting);
    };

    if (kind == 5) {
        if (SetWeighting(2) < 0 || SetDetector(1) < 0 || SetAuxDetector(1) < 0 || SetBandWeighting(2) < 0)
            return refuse(kDetectorFailed);
        return KindSetup::Applied;
    }
    if (SetDetector(0) < 0 || SetAuxDetector(0) < 0)
        return refuse(kDetectorFailed);

    switch (kind) {
    case 3: {
        if (const int status = setWeightings(2); status < 0)
            return refuse(formatText("Unable to set Flat Weight(error = %d)", status));
        if (IsFftWindowHanning())
            return KindSetup::Applied;
        // Distortion is read from FFT lines, which leak without a Hanning window.
        if (StopMeter() < 0)
            return KindSetup::Refused;
        SetSetupFlag();
        if (const int status = SetFftWindow(1); status < 0)
            return refuse(formatText("Unable to set FFT Window to Hanning (error = %d)", status));
        if (const int status = RunMeter(); status < 0)
            return refuse(formatText("Unable to set Trellan to Run (error = %d)", status));
        return KindSetup::AppliedAndRunning;
    }
    case 4:
    case 6:
        if (SetHighPass(0) < 0)
            return refuse(QStringLiteral("Unable to set High Pass weighting on the Trellan."));
        return KindSetup::Applied;
    case 9:
        if (setWeightings(1) < 0)
            return refuse(QStringLiteral("Unable to set C weighting for Speech tests on the Trellan."));
        return KindSetup::Applied;
    default:
        if (const int status = setWeightings(2); status < 0)
            return refuse(formatText("Unable to set Flat Weight(error = %d)", status));
        return KindSetup::Applied;
    }
}

} // namespace tonva

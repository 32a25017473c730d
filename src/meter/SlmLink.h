#pragma once

#include "meter/ComPort.h"
#include "meter/CommandExchange.h"
#include "meter/MeterTables.h"
#include "platform/Interaction.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace tonva {

// The command layer to the Trellan: every meter operation the program uses is a sequence of
// checksummed exchanges through here. Measurement pages and dialogs are handed this object.
class SlmLink
{
public:
    SlmLink(ComPort &port, Interaction &interaction);

    ComPort &port() const { return m_port; }
    Clock &clock() const { return m_port.clock(); }
    Interaction &interaction() const { return m_interaction; }
    int status() const { return m_status; }
    // Reply of the last command issued through the operations below.
    const QByteArray &reply() const { return m_reply; }
    // The last reply that carried a BEL: a message the meter wants shown.
    const QByteArray &lastMeterMessage() const { return m_lastMeterMessage; }
    // Spread of the check band in the last stable-reading attempt, for the callers' messages.
    double lastSpread() const { return m_lastSpread; }
    void setLastSpread(double spread) { m_lastSpread = spread; }
    // What the connect checks read.
    const QByteArray &modelReply() const { return m_modelReply; }
    double firmwareVersion() const { return m_firmwareVersion; }

    // --- transport ---
    // `reply` may be null; `timeoutSeconds` 0 keeps the current reply time-out. A read or query
    // ("R...", "Q...") that times out is asked once more; a setting never is.
    int Command(QByteArrayView text, QByteArray *reply = nullptr, int maxBytes = kScratchReplyBytes,
                int timeoutSeconds = 0);
    int Ping();
    int RawPing();
    int NegotiateBaudRate(int preferredRate);
    // Ping, firmware and model checks of Connect; each failure is shown to the technician.
    int ConnectChecks();
    static QString unableToCommunicate(int status, int portNumber);
    // Names the port's device path when it has one, its number otherwise.
    static QString unableToCommunicate(int status, const ComPort &port);
    // After a failed exchange: asks the technician, reopens the port if it failed, pings.
    // Returns the ping status, the port status when no reopen was needed, or 1000 on Cancel.
    int RecoverLink();

    // --- run state and basic settings ---
    bool IsRunning();
    int StopMeter();
    int RunMeter();
    int ResetMeter();
    int SetSetupFlag();
    int SetDetector(int detector);
    int SetAuxDetector(int detector);
    int SetWeighting(int weighting);
    // 0 A, 1 C, 2 flat (or the meter's number); a negative status on a link error.
    int GetWeighting();
    int SetBandWeighting(int weighting);
    int SetHighPass(int highPass);
    int SetFftWindow(int window);
    bool IsFftWindowHanning();
    MeterMode GetMode();
    // 1 when sent, 0 for a mode the meter does not have.
    int SetMode(MeterMode mode);
    // The loaded instrument; Unknown for an unknown code; -1 on a link error.
    int GetInstrument();
    int SetInstrument(MeterInstrument instrument);
    // Overall level; 0.0 on error.
    double ReadLevel();
    // Bandwidth code 0..6; -1 on error.
    int GetBandwidth();
    int SetBandwidthCode(int code);
    // Gain index 0..7; a negative status on a link error.
    int GetGain();
    // Transducer setting; a negative status on a link error.
    int GetTransducer();
    // dB added to every record level; check status() for errors.
    double GetCalOffset();
    int TurnOffMeter();

    // --- compound operations ---
    // target 'R' (running) or 'V' (after "M5"). Returns 0, a link error, -400, or 1000 on cancel.
    int WaitRunState(char target, Progress *progress = nullptr);
    // Returns the gain the meter had before, a negative status, or 1000 on cancel.
    int SetGain(int gain, Progress *progress = nullptr);
    int SetTransducer(int transducer, Progress *progress = nullptr);
    int MatchTransducerToMic(const QString &microphoneModel);
    // Returns 0, or 1000 when cancelled or the bandwidth cannot be read.
    int SelectBandwidth(int frequencyIndex, int thresholdIndex, Progress *progress = nullptr);
    // 1 when the meter is ready for the test kind, 0 when not.
    int SetupMeterForTest(MeterMode mode, int kind, bool interactive = true);
    // "Battery Level: ..." for the test view; empty when the meter does not answer.
    QString BatteryLine();

    // Microphones whose model begins and ends with these need transducer setting 1.
    static constexpr const char *kPolarizedMicFamily = "TMC";
    static constexpr const char *kPolarizedMicSuffix = "P1";
    static constexpr int kScratchReplyBytes = 100;

private:
    int command(QByteArrayView text, int maxBytes, int timeoutSeconds);
    int numberedCommand(const char *prefix, int value, int maxBytes, int timeoutSeconds);
    int commandUntil(QByteArrayView text, const std::function<bool(const QByteArray &)> &confirmed);
    char runStateLetter() const;
    // One identity query ("R1", "R90"), repeated a few times while the line fails.
    int identityRead(int query);
    // The last identity read timed out every time, leaving the reply empty.
    bool unanswered() const;
    static constexpr int kIdentityReadAttempts = 3;
    bool cancelled(Progress *progress) const;
    void showStatus(Progress *progress, const QString &text) const;
    int changeBandwidth(int code, const QString &text, Progress *progress);
    enum class KindSetup
    {
        Refused,
        Applied,
        AppliedAndRunning
    };
    KindSetup applyKindSettings(int kind);
    // After an operation that stopped the meter gave up half way, the settings it checks may all
    // be right while the meter stands still; readings taken then would be an idle analyser's.
    int resumeIfLeftStopped(Progress *progress);

    ComPort &m_port;
    Interaction &m_interaction;
    CommandExchange m_exchange;
    int m_status = 0;
    QByteArray m_reply;
    QByteArray m_lastMeterMessage;
    QByteArray m_modelReply;
    double m_firmwareVersion = 0.0;
    double m_lastSpread = 0.0;
    // This program stopped the meter and has not seen it run since.
    bool m_leftStopped = false;
};

namespace meter {
// The number a reply begins with, after leading blanks, as C's atof/atoi read it; 0 when none.
double leadingNumber(QByteArrayView text);
int leadingInteger(QByteArrayView text);
} // namespace meter

} // namespace tonva

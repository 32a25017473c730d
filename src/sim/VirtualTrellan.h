#pragma once

#include "sim/AcousticScene.h"
#include "sim/LineFaults.h"
#include "sim/TrellanProfile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>
#include <deque>
#include <limits>
#include <optional>
#include <random>
#include <vector>

namespace tonva {

// One byte the meter puts on the line: when it has fully arrived at the other end, and the rate
// it was sent at (a receiver tuned to another rate sees garbage).
struct LineByte
{
    qint64 dueMs;
    char value;
    qint32 rate;
};

struct TrellanTiming
{
    // Settling and start-up run this many times faster than on the real meter.
    double speed = 1.0;
    // The meter's think time before a reply starts to leave.
    double replyLatencyMs = 3.0;
};

// The Trellan as pure logic driven by time: it is fed the bytes the host sends with the time they
// arrive and hands back its reply bytes with the time each is due. It never looks at a clock, so
// the same object serves virtual time in tests and real time on a pseudo-terminal.
//
// Deliberate behaviour worth knowing when talking to it:
// - A frame whose checksum does not match is ignored (no reply), as line noise would be.
// - An unknown command answers "\aUnknown command", a bad value "\aBad parameter"; a record
//   requested in the wrong mode answers "\aWrong mode" instead of "!".
// - "M2" switches it off: it then ignores everything until a line break or an "@" wakes it.
class VirtualTrellan
{
public:
    enum class Mode
    {
        SlmRta = 1,
        Fft = 2,
        PulseFm = 3
    };

    static constexpr qint32 kPowerOnRate = 9600;
    static constexpr int kRecordR1Size = 69;
    static constexpr int kRecordR6Size = 811;
    static constexpr int kRecordR7Size = 36;

    VirtualTrellan(AcousticScene &scene, TrellanProfile profile = {}, LineFaults faults = LineFaults{},
                   TrellanTiming timing = {}, quint64 seed = 1);

    // Bytes that finished arriving at `atMs`, sent at `senderRate` (0: in a format the meter cannot
    // read). Calls must come in time order.
    void receive(QByteArrayView bytes, qint64 atMs, qint32 senderRate);
    // A break on the line: the meter drops what it was receiving and returns to 9600 baud.
    void lineBreak(qint64 atMs);
    // Takes the bytes that have arrived by `nowMs`, in order.
    std::vector<LineByte> takeDue(qint64 nowMs);
    std::optional<qint64> nextDueMs() const;
    // True once the cable is gone (the disconnect fault).
    bool isLineCut(qint64 nowMs) const;

    // The rate the meter listens and talks at, as of `atMs`.
    qint32 baudRateAt(qint64 atMs) const;
    static qint32 rateOfCode(int code);
    // What a receiver at the wrong rate or format makes of a byte.
    static char misframed(char byte);

    // State, for whoever serves or checks the meter.
    bool isRunning(qint64 atMs) const;
    bool isSwitchedOff() const { return m_off; }
    Mode mode() const { return m_mode; }
    int instrument() const { return m_instrument; }
    int gainIndex() const { return m_gain; }
    int bandwidthCode() const { return m_bandwidth; }
    int transducer() const { return m_transducer; }
    int weighting() const { return m_weighting; }
    int bandWeighting() const { return m_bandWeighting; }
    int detector() const { return m_detector; }
    int auxDetector() const { return m_auxDetector; }
    int highPass() const { return m_highPass; }
    int fftWindow() const { return m_window; }
    int displayBand() const { return m_cursorBand; }
    int displayView() const { return m_view; }
    double calibrationLevel() const { return m_calibrationLevel; }
    double calibrationOffset() const { return m_offset; }
    int commandsReceived() const { return m_commands; }
    // The command texts taken since recording was switched on, in order, for checking what a host
    // sent. Off by default: a long-running meter would keep them all.
    void recordCommands(bool on)
    {
        m_recording = on;
        m_commandLog.clear();
    }
    const std::vector<QByteArray> &commandLog() const { return m_commandLog; }
    // The trouble being played; changeable between commands, to make the meter fail at one step.
    LineFaults &faults() { return m_faults; }

private:
    struct Reply
    {
        QByteArray text;
        QByteArray record;
    };
    struct Command;
    enum class RunState
    {
        Stopped,
        Running,
        Hold
    };

    void takeFrame(const QByteArray &frame, double atMs);
    std::optional<Reply> execute(const QByteArray &text, double atMs);
    std::optional<Reply> query(const Command &command, double atMs);
    std::optional<Reply> read(const Command &command, double atMs);
    std::optional<Reply> set(const Command &command, double atMs);
    std::optional<Reply> control(const Command &command, double atMs);
    Reply pressKeys(QByteArrayView text, double atMs);
    Reply fftReading(int code, double atMs);
    QByteArray thirdOctaveRecord(double atMs);
    QByteArray fftRecord(double atMs);
    QByteArray pulseFmRecord(double atMs);

    void answer(char commandChecksum, const Reply &reply, double atMs);
    void transmit(const QByteArray &bytes, double startMs);
    void applyRateChange(double atMs);

    // Starts a settling period of `durationMs` real-meter time from `atMs`.
    void unsettle(double atMs, double durationMs);
    bool isSettled(double atMs) const { return atMs >= m_settledAt; }
    bool readingsSteady(double atMs) const { return m_runState == RunState::Running && isSettled(atMs); }
    double jitter(double amplitude);
    // The level the meter shows for a true level: its calibration error, moved by any change of offset.
    double shownDb(double trueDb) const;
    char runStateLetter(double atMs) const;
    int pendingKeys(double atMs) const;

    AcousticScene &m_scene;
    TrellanProfile m_profile;
    LineFaults m_faults;
    TrellanTiming m_timing;
    std::mt19937_64 m_noise;

    QByteArray m_input;
    std::deque<LineByte> m_output;
    double m_txFreeAt = 0.0;
    QByteArray m_previousLine;
    std::optional<double> m_cutAt;

    qint32 m_rate = kPowerOnRate;
    std::optional<std::pair<double, qint32>> m_rateChange;
    std::optional<int> m_switchToCode;

    bool m_off = false;
    RunState m_runState = RunState::Running;
    double m_runStartedAt = 0.0;
    double m_settledAt = -std::numeric_limits<double>::infinity();
    double m_busyUntil = 0.0;
    int m_commands = 0;
    bool m_recording = false;
    std::vector<QByteArray> m_commandLog;

    int m_instrument;
    Mode m_mode = Mode::SlmRta;
    int m_weighting = 0;
    int m_bandWeighting = 0;
    int m_detector = 0;
    int m_auxDetector = 0;
    int m_highPass = 0;
    int m_window = 0;
    int m_bandwidth = 3;
    int m_gain = 2;
    int m_transducer;
    double m_offset;
    double m_calibrationLevel;
    bool m_calibrationKey = false;

    int m_cursorBand = 19;
    int m_view = 0;
    double m_keysDoneAt = 0.0;
};

} // namespace tonva

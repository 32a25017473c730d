#include "sim/VirtualTrellan.h"

#include "meter/Framing.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

namespace tonva {

namespace {

// Real-meter durations, divided by the timing's speed.
constexpr double kStartMs = 400.0;
constexpr double kGainAcrossInputRangeMs = 40000.0;
constexpr double kGainStepMs = 3000.0;
constexpr double kTransducerMs = 6000.0;
constexpr double kInstrumentLoadMs = 5000.0;
constexpr double kModeChangeMs = 1500.0;
constexpr double kBandwidthChangeMs = 1000.0;
constexpr double kConfirmMs = 20.0;
constexpr double kKeyMs = 40.0;

constexpr int kKeyBufferSize = 16;
constexpr int kMaxFrameLength = 255;
constexpr double kLateReplyMinMs = 1200.0;
constexpr double kLateReplyMaxMs = 3000.0;
constexpr double kStaleGapMs = 20.0;

// Reading noise of a steady tone, of random noise, and of a meter that has not settled.
constexpr double kToneJitterDb = 0.01;
constexpr double kNoiseJitterDb = 0.1;
constexpr double kUnsettledJitterDb = 4.0;
constexpr double kUnsettledFrequencyShare = 0.03;

constexpr std::array<qint32, 8> kRates{300, 1200, 2400, 9600, 19200, 28800, 57600, 115200};
constexpr std::array<double, 7> kFftSpanHz{200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0, 20000.0};

struct InstrumentFile
{
    const char *code;
    const char *file;
};
constexpr std::array<InstrumentFile, 10> kInstruments{{
    {"SSA", "SLM&RTA.SSA"},
    {"ISM", "SLM.ISM"},
    {"LOG", "Logging.LOG"},
    {"ENV", "Env.ENV"},
    {"RTA", "RT60-A"},
    {"FFT", "FFT.FFT"},
    {"AUD", "AudTest.AUD"},
    {"INT", "Int.INT"},
    {"VIB", "Vib.VIB"},
    {"TAL", "TA-LARM.TAL"},
}};

constexpr const char *kModeNames[] = {"SLM/RTA mode", "FFT mode", "Pulse/FM mode"};
constexpr const char *kWindowNames[] = {"Rectangular", "Hanning", "Flat Top"};
constexpr const char *kViewNames[] = {"Level", "", "1/3 Octave", "", "Pulse"};
// The key sequence that brings up display view 0, 2 and 4.
constexpr const char *kViewKeys[] = {"80", "", "6608", "", "660"};
constexpr const char *kLeaveViewKeys = "1919";

const QByteArray kUnknownCommand = QByteArrayLiteral("\aUnknown command");
const QByteArray kBadParameter = QByteArrayLiteral("\aBad parameter");
const QByteArray kWrongMode = QByteArrayLiteral("\aWrong mode");
const QByteArray kCannotCompute = QByteArrayLiteral(" --- ");
const QByteArray kCalibrationKey = QByteArrayLiteral("317.06");

QByteArray fixed(double value, int decimals = 1)
{
    return QByteArray::number(value, 'f', decimals);
}

// The meter prints relative levels with two integer digits: -105.3 dB comes out as "-05.3".
QByteArray relativeLevelText(double db)
{
    if (db <= -100.0) {
        QByteArray digits = fixed(-db - 100.0);
        return QByteArray("-") + digits.rightJustified(4, '0');
    }
    return fixed(db);
}

// A level as the records carry it: whole decibels in one byte, then 1/256 dB.
void putLevel(QByteArray &record, int at, double db)
{
    const int units = static_cast<int>(std::lround(std::clamp(db, 0.0, 255.0 + 255.0 / 256.0) * 256.0));
    record[at] = static_cast<char>(units >> 8);
    record[at + 1] = static_cast<char>(units & 0xff);
}

// A frequency as the records carry it: 16-bit whole part, high byte first, then 1/256.
void putWide(QByteArray &record, int at, double value)
{
    const qint64 units = std::lround(std::clamp(value, 0.0, 65535.0 + 255.0 / 256.0) * 256.0);
    record[at] = static_cast<char>((units >> 16) & 0xff);
    record[at + 1] = static_cast<char>((units >> 8) & 0xff);
    record[at + 2] = static_cast<char>(units & 0xff);
}

void putWord(QByteArray &record, int at, int value)
{
    const int clamped = std::clamp(value, 0, 0xffff);
    record[at] = static_cast<char>(clamped >> 8);
    record[at + 1] = static_cast<char>(clamped & 0xff);
}

int halfMilliseconds(double ms)
{
    return static_cast<int>(std::lround(ms * 2.0));
}

bool parseIndex(const QByteArray &text, int low, int high, int *value)
{
    bool ok = false;
    const int parsed = text.trimmed().toInt(&ok);
    if (!ok || parsed < low || parsed > high)
        return false;
    *value = parsed;
    return true;
}

} // namespace

// A command text taken apart: letters, a number, and what follows its comma.
// "R 3,1" -> R, 3, "1"; "&I2,AudTest.AUD" -> &I, 2, "AudTest.AUD"; "Q148" -> Q, 148, none.
struct VirtualTrellan::Command
{
    QByteArray letters;
    int number = -1;
    std::optional<QByteArray> argument;

    static std::optional<Command> parse(const QByteArray &text)
    {
        Command command;
        qsizetype i = 0;
        while (i < text.size() && (text[i] == '&' || std::isalpha(static_cast<unsigned char>(text[i]))))
            command.letters.append(text[i++]);
        while (i < text.size() && text[i] == ' ')
            ++i;
        const qsizetype digitsFrom = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
            ++i;
        if (command.letters.isEmpty() || i == digitsFrom || i - digitsFrom > 6)
            return std::nullopt;
        command.number = text.mid(digitsFrom, i - digitsFrom).toInt();
        if (i < text.size()) {
            if (text[i] != ',')
                return std::nullopt;
            command.argument = text.mid(i + 1);
        }
        return command;
    }

    bool argumentIs(const char *expected) const { return argument && argument->trimmed() == expected; }
};

VirtualTrellan::VirtualTrellan(AcousticScene &scene, TrellanProfile profile, LineFaults faults,
                               TrellanTiming timing, quint64 seed)
    : m_scene(scene), m_profile(std::move(profile)), m_faults(std::move(faults)), m_timing(timing),
      m_noise(seed), m_instrument(m_profile.instrument), m_transducer(m_profile.transducer),
      m_offset(m_profile.calibrationOffset), m_calibrationLevel(m_profile.calibrationLevel)
{
    if (m_timing.speed <= 0.0)
        m_timing.speed = 1.0;
}

qint32 VirtualTrellan::rateOfCode(int code)
{
    return code >= 0 && code < static_cast<int>(kRates.size()) ? kRates[code] : 0;
}

char VirtualTrellan::misframed(char byte)
{
    // Start and stop bits land inside the data; what comes out is high, never a line end.
    return static_cast<char>((static_cast<unsigned char>(byte) ^ 0x5a) | 0x80);
}

bool VirtualTrellan::isLineCut(qint64 nowMs) const
{
    if (m_cutAt && nowMs >= *m_cutAt)
        return true;
    const std::optional<qint64> at = m_faults.disconnectAtMs();
    return at && nowMs >= *at;
}

qint32 VirtualTrellan::baudRateAt(qint64 atMs) const
{
    if (m_rateChange && atMs >= m_rateChange->first)
        return m_rateChange->second;
    return m_rate;
}

void VirtualTrellan::applyRateChange(double atMs)
{
    if (m_rateChange && atMs >= m_rateChange->first) {
        m_rate = m_rateChange->second;
        m_rateChange.reset();
    }
}

bool VirtualTrellan::isRunning(qint64 atMs) const
{
    return readingsSteady(static_cast<double>(atMs));
}

void VirtualTrellan::receive(QByteArrayView bytes, qint64 atMs, qint32 senderRate)
{
    const double at = static_cast<double>(atMs);
    if (isLineCut(atMs))
        return;
    applyRateChange(at);
    const bool readable = senderRate == m_rate;
    for (const char raw : bytes) {
        const char byte = readable ? raw : misframed(raw);
        if (byte == framing::kCR) {
            const QByteArray frame = m_input;
            m_input.clear();
            takeFrame(frame, at);
        } else if (byte == framing::kLF && m_input.isEmpty()) {
            // The LF that ends the previous frame.
        } else if (static_cast<unsigned char>(byte) >= 0x80) {
            // Commands are plain ASCII: a high byte (the host's 0xFF wake-up, or line noise) ends
            // whatever was collected, and the next byte starts a new frame.
            m_input.clear();
        } else if (m_input.size() >= kMaxFrameLength) {
            // A frame this long is noise; the meter starts over.
            m_input.clear();
        } else {
            m_input.append(byte);
        }
    }
}

void VirtualTrellan::lineBreak(qint64 atMs)
{
    if (isLineCut(atMs))
        return;
    m_input.clear();
    m_rate = kPowerOnRate;
    m_rateChange.reset();
    m_off = false;
}

std::vector<LineByte> VirtualTrellan::takeDue(qint64 nowMs)
{
    std::vector<LineByte> due;
    while (!m_output.empty() && m_output.front().dueMs <= nowMs) {
        const LineByte byte = m_output.front();
        m_output.pop_front();
        // A byte that was fully out when the cable went still counts.
        if (!isLineCut(byte.dueMs - 1))
            due.push_back(byte);
    }
    return due;
}

std::optional<qint64> VirtualTrellan::nextDueMs() const
{
    if (m_output.empty())
        return std::nullopt;
    return m_output.front().dueMs;
}

void VirtualTrellan::takeFrame(const QByteArray &frame, double atMs)
{
    // The shortest command is "@" with its checksum; a lone CR (as after "@@" CR) is nothing.
    if (frame.size() < 2)
        return;
    const QByteArray text = frame.left(frame.size() - 1);
    const char sum = frame.back();
    if (framing::checksum(text) != sum)
        return;
    if (m_off && text != "@")
        return;
    const std::optional<int> lastCommand = m_faults.disconnectAfterCommands();
    if (lastCommand && m_commands >= *lastCommand) {
        m_cutAt = m_cutAt.value_or(atMs);
        return;
    }
    ++m_commands;
    if (m_recording)
        m_commandLog.push_back(text);
    m_switchToCode.reset();
    std::optional<Reply> reply;
    if (const auto overridden = m_faults.overrideFor(text)) {
        if (*overridden)
            reply = Reply{**overridden, {}};
    } else {
        reply = execute(text, atMs);
    }
    if (reply)
        answer(sum, *reply, atMs);
    if (m_switchToCode)
        m_rateChange = {std::max(atMs + m_timing.replyLatencyMs, m_txFreeAt), rateOfCode(*m_switchToCode)};
    // The cable goes as soon as the last answered reply has left.
    if (lastCommand && m_commands == *lastCommand)
        m_cutAt = std::ceil(std::max(atMs, m_txFreeAt));
}

std::optional<VirtualTrellan::Reply> VirtualTrellan::execute(const QByteArray &text, double atMs)
{
    if (text == "@") {
        m_off = false;
        return Reply{text, {}};
    }
    if (text.startsWith('K') || text.startsWith('k'))
        return pressKeys(QByteArrayView(text).sliced(1), atMs);
    const std::optional<Command> command = Command::parse(text);
    if (!command)
        return Reply{kUnknownCommand, {}};
    if (command->letters == "R" || command->letters == "&R")
        return read(*command, atMs);
    if (command->letters == "Q")
        return query(*command, atMs);
    if (command->letters == "S")
        return set(*command, atMs);
    if (command->letters == "M" || command->letters == "&I")
        return control(*command, atMs);
    return Reply{kUnknownCommand, {}};
}

std::optional<VirtualTrellan::Reply> VirtualTrellan::read(const Command &command, double atMs)
{
    if (command.letters == "&R") {
        const Mode wanted = command.number == 1   ? Mode::SlmRta
                            : command.number == 6 ? Mode::Fft
                            : command.number == 7 ? Mode::PulseFm
                                                  : Mode{};
        if (wanted == Mode{} || command.argument)
            return Reply{kUnknownCommand, {}};
        if (m_mode != wanted)
            return Reply{kWrongMode, {}};
        const QByteArray record = wanted == Mode::SlmRta ? thirdOctaveRecord(atMs)
                                  : wanted == Mode::Fft  ? fftRecord(atMs)
                                                         : pulseFmRecord(atMs);
        return Reply{QByteArrayLiteral("!"), record};
    }
    switch (command.number) {
    case 1:
        return Reply{m_profile.model.toLatin1() + " S/N " + m_profile.serial.toLatin1(), {}};
    case 90:
        return Reply{m_profile.firmware.toLatin1(), {}};
    case 3:
        if (command.argumentIs("1")) {
            const QByteArray confirmed =
                atMs >= m_busyUntil ? QByteArrayLiteral("OK") : QByteArrayLiteral("--");
            return Reply{QByteArray(" ") + runStateLetter(atMs) + ' ' + confirmed, {}};
        }
        if (command.argumentIs("2")) {
            const int pending = pendingKeys(atMs);
            if (pending > 0)
                return Reply{"K" + QByteArray::number(pending) + " keys", {}};
            return Reply{QByteArray(" ") + kViewNames[m_view], {}};
        }
        return Reply{kBadParameter, {}};
    case 4: {
        const Weighting weighting = static_cast<Weighting>(m_weighting);
        double level = shownDb(m_scene.overallLevelDb(m_gain, weighting));
        level = std::min(level, shownDb(AcousticScene::overloadLevelDb(m_gain)));
        return Reply{fixed(level + jitter(readingsSteady(atMs) ? kNoiseJitterDb : kUnsettledJitterDb)), {}};
    }
    case 86:
        return Reply{fixed(m_profile.batteryPercent, 0), {}};
    case 87:
        return Reply{m_profile.batteryState.toLatin1(), {}};
    case 170:
        return Reply{fixed(m_profile.batteryVolts), {}};
    case 155:
        return Reply{QByteArray::number(kKeyBufferSize - pendingKeys(atMs)), {}};
    case 180: {
        const InstrumentFile &loaded = kInstruments[m_instrument - 1];
        return Reply{QByteArray(loaded.code) + ' ' + loaded.file, {}};
    }
    case 241: {
        int code = 0;
        if (!command.argument || !parseIndex(*command.argument, 0, 1023, &code))
            return Reply{kBadParameter, {}};
        return fftReading(code, atMs);
    }
    default:
        return Reply{kUnknownCommand, {}};
    }
}

std::optional<VirtualTrellan::Reply> VirtualTrellan::query(const Command &command, double)
{
    switch (command.number) {
    case 46:
        return Reply{m_weighting == 0 ? "A" : m_weighting == 1 ? "C" : "Z", {}};
    case 143:
        return Reply{kModeNames[static_cast<int>(m_mode) - 1], {}};
    case 145:
        return Reply{QByteArray::number(m_bandwidth), {}};
    case 147:
        return Reply{kWindowNames[m_window], {}};
    case 148:
        // With ",32" the gain index, bare the gain in decibels.
        if (command.argument)
            return Reply{QByteArray::number(m_gain), {}};
        return Reply{QByteArray::number(static_cast<int>(gainDb(m_gain))), {}};
    case 51:
        return Reply{QByteArray::number(m_transducer), {}};
    case 227:
        return Reply{fixed(m_offset, 2), {}};
    case 41:
        return Reply{fixed(m_calibrationLevel, 2), {}};
    default:
        return Reply{kUnknownCommand, {}};
    }
}

std::optional<VirtualTrellan::Reply> VirtualTrellan::set(const Command &command, double atMs)
{
    const Reply ack{{}, {}};
    const Reply bad{kBadParameter, {}};
    if (!command.argument)
        return bad;
    const QByteArray &argument = *command.argument;
    int value = 0;
    const auto setIndex = [&](int &field, int low, int high) -> Reply {
        if (!parseIndex(argument, low, high, &value))
            return bad;
        field = value;
        m_busyUntil = atMs + kConfirmMs / m_timing.speed;
        return ack;
    };
    switch (command.number) {
    case 1:
        if (!parseIndex(argument, 0, 1, &value))
            return bad;
        m_busyUntil = atMs + kConfirmMs / m_timing.speed;
        return ack;
    case 2283:
    case 9:
        // "S2283" prepares a rate and "S9" switches to it; the host sends "S9" at the new rate
        // already, so the meter listens there as soon as the acknowledgement of either has left.
        if (!parseIndex(argument, 0, 7, &value))
            return bad;
        if (rateOfCode(value) != baudRateAt(static_cast<qint64>(atMs)))
            m_switchToCode = value;
        return ack;
    case 45:
        return setIndex(m_detector, 0, 3);
    case 149:
        return setIndex(m_auxDetector, 0, 3);
    case 46:
        return setIndex(m_weighting, 0, 2);
    case 135:
        return setIndex(m_bandWeighting, 0, 2);
    case 134:
        return setIndex(m_highPass, 0, 2);
    case 147:
        return setIndex(m_window, 0, 2);
    case 143: {
        const QByteArray code = argument.trimmed();
        if (code.size() != 1 || code[0] < '0' || code[0] > '2')
            return bad;
        const Mode mode = static_cast<Mode>(code[0] - '0' + 1);
        if (mode != m_mode) {
            m_mode = mode;
            unsettle(atMs, kModeChangeMs);
        }
        return ack;
    }
    case 145:
        if (!parseIndex(argument, 0, static_cast<int>(kFftSpanHz.size()) - 1, &value))
            return bad;
        if (value != m_bandwidth) {
            m_bandwidth = value;
            unsettle(atMs, kBandwidthChangeMs);
        }
        return ack;
    case 148:
        if (!parseIndex(argument, 0, 7, &value))
            return bad;
        if (value != m_gain) {
            // Crossing between the two lowest ranges and the rest switches the input stage.
            const bool acrossInputRange = (m_gain < 2) != (value < 2);
            m_gain = value;
            unsettle(atMs, acrossInputRange ? kGainAcrossInputRangeMs : kGainStepMs);
        }
        return ack;
    case 51:
        if (!parseIndex(argument, 0, 1, &value))
            return bad;
        if (value != m_transducer) {
            m_transducer = value;
            unsettle(atMs, kTransducerMs);
        }
        return ack;
    case 41: {
        if (argument.trimmed() == kCalibrationKey) {
            m_calibrationKey = true;
            return ack;
        }
        bool ok = false;
        const double level = argument.trimmed().toDouble(&ok);
        if (!ok || level < 60.0 || level > 150.0)
            return bad;
        m_calibrationLevel = level;
        m_calibrationKey = false;
        return ack;
    }
    case 227: {
        if (!m_calibrationKey)
            return Reply{QByteArrayLiteral("Not Available"), {}};
        bool ok = false;
        const double offset = argument.trimmed().toDouble(&ok);
        if (!ok || std::abs(offset) > 99.0)
            return bad;
        m_offset = offset;
        return ack;
    }
    case 230: {
        bool ok = false;
        argument.trimmed().toDouble(&ok);
        return ok ? ack : bad;
    }
    default:
        return Reply{kUnknownCommand, {}};
    }
}

std::optional<VirtualTrellan::Reply> VirtualTrellan::control(const Command &command, double atMs)
{
    const Reply ack{{}, {}};
    if (command.letters == "&I") {
        if (command.number != 2 || !command.argument)
            return Reply{kUnknownCommand, {}};
        const QByteArray file = command.argument->trimmed();
        const auto found =
            std::find_if(kInstruments.begin(), kInstruments.end(), [&file](const InstrumentFile &i) {
                return file.compare(i.file, Qt::CaseInsensitive) == 0;
            });
        if (found == kInstruments.end())
            return Reply{QByteArrayLiteral("\aFile not found"), {}};
        m_instrument = static_cast<int>(found - kInstruments.begin()) + 1;
        m_runState = RunState::Stopped;
        unsettle(atMs, kInstrumentLoadMs);
        return ack;
    }
    switch (command.number) {
    case 2:
        m_runState = RunState::Stopped;
        m_off = true;
        return ack;
    case 3:
        if (m_runState != RunState::Running) {
            m_runState = RunState::Running;
            m_runStartedAt = atMs;
            unsettle(atMs, kStartMs);
        }
        return ack;
    case 4:
        m_runState = RunState::Stopped;
        return ack;
    case 5:
        m_runState = RunState::Hold;
        return ack;
    case 7:
    case 9:
        if (!command.argumentIs("1"))
            return Reply{kBadParameter, {}};
        m_busyUntil = atMs + kConfirmMs / m_timing.speed;
        return ack;
    default:
        return Reply{kUnknownCommand, {}};
    }
}

VirtualTrellan::Reply VirtualTrellan::pressKeys(QByteArrayView text, double atMs)
{
    const QByteArray keys = text.trimmed().toByteArray();
    if (keys.isEmpty() || !std::all_of(keys.begin(), keys.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return Reply{kBadParameter, {}};
    // Keys beyond a full buffer are lost, as on the keypad itself.
    const int accepted = std::min<int>(static_cast<int>(keys.size()), kKeyBufferSize - pendingKeys(atMs));
    m_keysDoneAt = std::max(m_keysDoneAt, atMs) + accepted * kKeyMs / m_timing.speed;

    const QByteArray taken = keys.left(accepted);
    if (std::all_of(taken.begin(), taken.end(), [](char c) { return c == '7' || c == '8'; })) {
        for (const char key : taken)
            m_cursorBand = std::clamp(m_cursorBand + (key == '8' ? 1 : -1), 0, kThirdOctaveBands - 1);
    } else {
        for (int view = 0; view < 5; view += 2) {
            if (taken == kViewKeys[view])
                m_view = view;
        }
        if (taken == kLeaveViewKeys)
            m_view = 0;
    }
    return Reply{{}, {}};
}

VirtualTrellan::Reply VirtualTrellan::fftReading(int code, double atMs)
{
    if (m_mode != Mode::Fft)
        return Reply{kCannotCompute, {}};
    const FundamentalReading reading = m_scene.fundamental(kFftSpanHz[m_bandwidth], m_gain);
    const bool steady = readingsSteady(atMs);
    switch (code) {
    case 512:
        return Reply{QByteArray::number(reading.peakLine), {}};
    case 0: {
        const double wobble = steady ? 0.0 : jitter(kUnsettledFrequencyShare) * reading.frequencyHz;
        return Reply{fixed(reading.frequencyHz + wobble), {}};
    }
    case 256:
        return Reply{fixed(shownDb(reading.levelDb) + jitter(steady ? kToneJitterDb : kUnsettledJitterDb)),
                     {}};
    case 258:
    case 259:
    case 260:
    case 261:
    case 773: {
        // 773 is the last term of the meter's distortion sum: the 5th harmonic.
        const int harmonic = code == 773 ? 3 : code - 258;
        const std::optional<double> relative = reading.harmonicsRelativeDb[harmonic];
        if (!relative)
            return Reply{kCannotCompute, {}};
        return Reply{relativeLevelText(*relative + jitter(steady ? kNoiseJitterDb : kUnsettledJitterDb)), {}};
    }
    default:
        return Reply{kBadParameter, {}};
    }
}

QByteArray VirtualTrellan::thirdOctaveRecord(double atMs)
{
    QByteArray record(kRecordR1Size, '\0');
    const bool steady = readingsSteady(atMs);
    const bool overloaded = m_scene.isOverloaded(m_gain);
    record[0] = 1;
    record[1] = kThirdOctaveBands;
    record[2] = static_cast<char>((overloaded ? 0x01 : 0) | (steady ? 0 : 0x02));
    const BandPowers powers = m_scene.bandPowers(m_gain);
    const double ceiling = AcousticScene::overloadLevelDb(m_gain);
    for (int band = 0; band < kThirdOctaveBands; ++band) {
        const double total = powers.tonal[band] + powers.random[band];
        const double randomShare = total > 0.0 ? powers.random[band] / total : 1.0;
        const double spread =
            steady ? kToneJitterDb + (kNoiseJitterDb - kToneJitterDb) * randomShare : kUnsettledJitterDb;
        double power = total;
        // A wandering background (a booth's noise) moves the reading by its own share only.
        if (steady && m_scene.backgroundSpreadDb() > 0.0) {
            const double background = std::pow(10.0, m_scene.background()->bandLevels[band] / 10.0);
            power += background * (std::pow(10.0, jitter(m_scene.backgroundSpreadDb()) / 10.0) - 1.0);
        }
        const double level = std::min(10.0 * std::log10(std::max(power, 1e-30)), ceiling) + jitter(spread);
        putLevel(record, 3 + 2 * band, shownDb(level) - m_offset);
    }
    return record;
}

QByteArray VirtualTrellan::fftRecord(double atMs)
{
    QByteArray record(kRecordR6Size, '\0');
    const bool steady = readingsSteady(atMs);
    const FftSpectrum spectrum = m_scene.fftSpectrum(kFftSpanHz[m_bandwidth], m_gain);
    record[0] = 6;
    record[1] = static_cast<char>(m_bandwidth);
    record[2] = static_cast<char>((m_scene.isOverloaded(m_gain) ? 0x01 : 0) | (steady ? 0 : 0x02));
    putWord(record, 3, FftSpectrum::kLines);
    putWord(record, 5, static_cast<int>(spectrum.spanHz / 10.0));
    record[7] = static_cast<char>(m_window);
    for (int line = 0; line < FftSpectrum::kLines; ++line) {
        const double level = spectrum.lineDb(line) + jitter(steady ? kNoiseJitterDb : kUnsettledJitterDb);
        putLevel(record, 10 + 2 * line, shownDb(level) - m_offset);
    }
    return record;
}

QByteArray VirtualTrellan::pulseFmRecord(double atMs)
{
    QByteArray record(kRecordR7Size, '\0');
    const bool steady = readingsSteady(atMs);
    const PulseFmAnalysis analysis = m_scene.pulseFmAnalysis(m_gain);
    record[0] = 7;
    // The envelope analysis needs whole pulse periods heard while running.
    const double runningSince = std::max(m_runStartedAt, m_settledAt);
    const int periods = steady && analysis.pulsed && analysis.periodMs > 0.0
                            ? static_cast<int>((atMs - runningSince) / analysis.periodMs)
                            : 0;
    int status = 0;
    if (periods > 0) {
        status |= 0x01;
        if (analysis.ratioFailed)
            status |= 0x20;
        putWord(record, 5, periods);
        putWord(record, 7, halfMilliseconds(analysis.riseMs));
        putWord(record, 9, halfMilliseconds(analysis.fallMs));
        putWord(record, 11, halfMilliseconds(analysis.onMs));
        putWord(record, 13, halfMilliseconds(analysis.offMs));
        putWord(record, 15, halfMilliseconds(analysis.plateauMs));
        putLevel(record, 17, analysis.onOffRatioDb);
    }
    if (analysis.modulated) {
        status |= 0x02;
        const double cycles = steady ? (atMs - runningSince) / 1000.0 * analysis.rateHz : 0.0;
        record[4] = static_cast<char>(std::clamp(static_cast<int>(cycles), 0, 255));
    }
    record[3] = static_cast<char>(status);
    putLevel(record, 19,
             shownDb(analysis.levelDb) + jitter(steady ? kToneJitterDb : kUnsettledJitterDb) - m_offset);

    if (analysis.carrierHz > 0.0) {
        const double wobble = steady ? 0.3 : kUnsettledFrequencyShare * analysis.carrierHz;
        putWide(record, 21, analysis.carrierHz + jitter(wobble));
        if (analysis.modulated) {
            putWide(record, 24, analysis.highestHz + jitter(wobble));
            putWide(record, 27, analysis.lowestHz + jitter(wobble));
            putWide(record, 30, analysis.rateHz + jitter(steady ? 0.01 : 0.5));
        }
    }
    putWide(record, 33, analysis.frequencyHz);
    return record;
}

void VirtualTrellan::answer(char commandChecksum, const Reply &reply, double atMs)
{
    using Kind = LineFaults::Kind;
    if (m_faults.strikes(Kind::DropReply))
        return;
    QByteArray line = framing::frameReply(commandChecksum, reply.text);
    const qsizetype checksumAt = line.size() - 3;
    if (m_faults.strikes(Kind::CorruptChecksum))
        line[checksumAt] = static_cast<char>(line[checksumAt] ^ 0x04);
    if (m_faults.strikes(Kind::XonXoff)) {
        // Flow-control bytes from a converter can land anywhere before the line end.
        line.insert(m_faults.pick(0, static_cast<int>(line.size()) - 2), framing::kXOFF);
        line.insert(m_faults.pick(0, static_cast<int>(line.size()) - 2), framing::kXON);
    }
    double start = atMs + m_timing.replyLatencyMs;
    if (m_faults.strikes(Kind::LateReply))
        start += m_faults.pick(static_cast<int>(kLateReplyMinMs), static_cast<int>(kLateReplyMaxMs));
    transmit(line + reply.record, start);

    if (m_faults.strikes(Kind::StaleBytes)) {
        QByteArray stale = m_previousLine;
        if (stale.isEmpty() || m_faults.pick(0, 1) == 0) {
            stale.clear();
            for (int i = m_faults.pick(1, 6); i > 0; --i)
                stale.append(static_cast<char>(m_faults.pick(0, 255)));
        }
        transmit(stale, m_txFreeAt + kStaleGapMs);
    }
    m_previousLine = line;
}

void VirtualTrellan::transmit(const QByteArray &bytes, double startMs)
{
    applyRateChange(startMs);
    const qint32 rate = m_rate;
    const double byteMs = 10000.0 / rate;
    double due = std::max(startMs, m_txFreeAt);
    for (const char byte : bytes) {
        due += byteMs;
        m_output.push_back({static_cast<qint64>(std::ceil(due)), byte, rate});
    }
    m_txFreeAt = due;
}

void VirtualTrellan::unsettle(double atMs, double durationMs)
{
    if (m_faults.strikes(LineFaults::Kind::NeverSettles)) {
        m_settledAt = std::numeric_limits<double>::infinity();
        return;
    }
    m_settledAt = std::max(m_settledAt, atMs + durationMs / m_timing.speed);
}

double VirtualTrellan::jitter(double amplitude)
{
    return std::uniform_real_distribution<double>(-amplitude, amplitude)(m_noise);
}

double VirtualTrellan::shownDb(double trueDb) const
{
    return trueDb + m_profile.calibrationError + (m_offset - m_profile.calibrationOffset);
}

char VirtualTrellan::runStateLetter(double atMs) const
{
    switch (m_runState) {
    case RunState::Running:
        // Starting or settling: asked to run, not there yet.
        return isSettled(atMs) ? 'R' : 'W';
    case RunState::Hold:
        return 'V';
    case RunState::Stopped:
        break;
    }
    return 'S';
}

int VirtualTrellan::pendingKeys(double atMs) const
{
    if (atMs >= m_keysDoneAt)
        return 0;
    return static_cast<int>(std::ceil((m_keysDoneAt - atMs) / (kKeyMs / m_timing.speed)));
}

} // namespace tonva

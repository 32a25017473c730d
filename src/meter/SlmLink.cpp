#include "meter/SlmLink.h"

#include "meter/Framing.h"
#include "meter/MeterStatus.h"
#include "meter/PumpWait.h"
#include "platform/Cp1252.h"
#include "platform/TextFormat.h"

#include <cctype>

namespace tonva {

using namespace meter;

namespace {

constexpr int kConfirmRounds = 3;
constexpr int kConfirmPolls = 5;
constexpr double kRunPollSeconds = 0.25;
constexpr int kStateReplyBytes = 8;

// The meter's rate codes for the rates it can run at.
struct RateCode
{
    int rate;
    int code;
};
constexpr RateCode kRateCodes[] = {{300, 0},   {1200, 1},  {2400, 2},  {9600, 3},
                                   {19200, 4}, {28800, 5}, {57600, 6}, {115200, 7}};
constexpr RateCode kFallbackRate = {9600, 3};

RateCode rateCodeFor(int preferredRate)
{
    for (const RateCode &entry : kRateCodes) {
        if (entry.rate == preferredRate)
            return entry;
    }
    return kFallbackRate;
}

QByteArray withNumber(const char *prefix, int value)
{
    return QByteArray(prefix) + QByteArray::number(value);
}

// Digits, an optional fraction and an optional exponent, as strtod takes them.
qsizetype numberLength(QByteArrayView text, bool allowFraction)
{
    qsizetype i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    const auto digits = [&] {
        const qsizetype start = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
            ++i;
        return i - start;
    };
    qsizetype mantissa = digits();
    if (allowFraction && i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return 0;
    if (allowFraction && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        const qsizetype beforeExponent = i;
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (digits() == 0)
            i = beforeExponent;
    }
    return i;
}

// A time-out ends a command at once, because a setting whose acknowledgement was lost may already
// have acted and must not be sent twice. Reads and queries leave the meter as it was, so a single
// lost reply to one of them is asked again instead of failing the whole measurement over it.
bool changesNothing(QByteArrayView text)
{
    return text.startsWith('R') || text.startsWith('Q');
}

QByteArrayView skipBlanks(QByteArrayView text)
{
    qsizetype i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    return text.sliced(i);
}

} // namespace

namespace meter {

double leadingNumber(QByteArrayView text)
{
    const QByteArrayView trimmed = skipBlanks(text);
    return trimmed.first(numberLength(trimmed, true)).toByteArray().toDouble();
}

int leadingInteger(QByteArrayView text)
{
    const QByteArrayView trimmed = skipBlanks(text);
    return trimmed.first(numberLength(trimmed, false)).toByteArray().toInt();
}

} // namespace meter

SlmLink::SlmLink(ComPort &port, Interaction &interaction)
    : m_port(port), m_interaction(interaction), m_exchange(port)
{}

int SlmLink::Command(QByteArrayView text, QByteArray *reply, int maxBytes, int timeoutSeconds)
{
    QByteArray scratch;
    QByteArray &answer = reply ? *reply : scratch;
    const int size = reply ? maxBytes : kScratchReplyBytes;
    m_status = m_exchange.run(text, answer, size, timeoutSeconds);
    if (m_status == kNoReply && changesNothing(text))
        m_status = m_exchange.run(text, answer, size, timeoutSeconds);
    if (m_status == kOk) {
        if (answer.contains(framing::kBEL))
            m_lastMeterMessage = answer;
        else
            m_lastMeterMessage.clear();
    }
    return m_status;
}

int SlmLink::command(QByteArrayView text, int maxBytes, int timeoutSeconds)
{
    return Command(text, &m_reply, maxBytes, timeoutSeconds);
}

int SlmLink::numberedCommand(const char *prefix, int value, int maxBytes, int timeoutSeconds)
{
    return command(withNumber(prefix, value), maxBytes, timeoutSeconds);
}

int SlmLink::Ping()
{
    QByteArray answer;
    if (Command("@", &answer, 8, 3) != kOk) {
        PumpWait(clock(), 1.0);
        Command("@", &answer, 8, 3);
    }
    return m_status;
}

int SlmLink::RawPing()
{
    // WriteSlow ends with CR, so "@@" CR CR goes out: the meter drops any half-typed command first.
    m_status = m_port.WriteSlow("@@\r", false);
    if (m_status != kOk)
        return m_status;
    QByteArray answer;
    m_status = m_port.ReadLine(answer, 512);
    return m_status;
}

int SlmLink::NegotiateBaudRate(int preferredRate)
{
    m_port.SetBaudRate(kFallbackRate.rate);
    bool found = false;
    for (int round = 0; round < 3 && !found; ++round) {
        for (int i = 0; i < 3; ++i) {
            m_port.SendBreak(300);
            PumpWait(clock(), 0.25);
        }
        RawPing();
        QByteArray model;
        found = Command("R1", &model, 200, 1) == kOk && model.startsWith("Mervane");
    }
    if (!found)
        return m_status != kOk ? m_status : (m_status = kNotTrellan);

    const RateCode wanted = rateCodeFor(preferredRate);
    Command(withNumber("S2283,", wanted.code), nullptr, kScratchReplyBytes, 1);
    m_port.SetBaudRate(wanted.rate);
    PumpWait(clock(), 0.1);
    Command(withNumber("S9,", wanted.code), nullptr, kScratchReplyBytes, 1);
    m_port.FlushBuffers();
    return m_status;
}

int SlmLink::identityRead(int query)
{
    // Line noise on one read must not be taken for a wrong meter: a failed exchange is tried
    // again, and only an answer that arrived is judged.
    for (int attempt = 0; attempt < kIdentityReadAttempts; ++attempt) {
        if (numberedCommand("R", query, 50, 1) == kOk)
            return kOk;
    }
    return m_status;
}

bool SlmLink::unanswered() const
{
    // The meter answered the ping and the first firmware read, so one that stays silent to an
    // identity query is judged by its empty answer: silence to the model query says it is no
    // Trellan, to the firmware query that its firmware is unusable. A garbled answer is different:
    // the line is at fault, and the technician is told to check it.
    return m_status == kNoReply && m_reply.isEmpty();
}

QString SlmLink::unableToCommunicate(int status, int portNumber)
{
    return formatText("Unable to communicate with Trellan (error %d) using port# %d\nVerify that the port "
                      "setting is correct (Test/Preferences/RS232 Port)\n and that the Trellan is connected",
                      status, portNumber);
}

QString SlmLink::unableToCommunicate(int status, const ComPort &port)
{
    if (port.devicePath().isEmpty())
        return unableToCommunicate(status, port.portNumber());
    // "port# 1" would send the technician looking for a port that was never chosen.
    return QStringLiteral("Unable to communicate with Trellan (error %1) using %2\nVerify that the port "
                          "setting is correct (Test/Preferences/RS232 Port)\n and that the Trellan is "
                          "connected")
        .arg(status)
        .arg(port.devicePath());
}

int SlmLink::ConnectChecks()
{
    if (Ping() != kOk) {
        m_interaction.message(unableToCommunicate(m_status, m_port));
        return m_status;
    }
    m_port.WriteByte(0xFF);

    for (int read = 0; read < 10; ++read) {
        if (command(withNumber("R", 90), 50, 1) == kOk && !m_reply.isEmpty())
            break;
    }
    if (m_reply.isEmpty()) {
        m_interaction.message(QStringLiteral("Unable to retreive the Firmware Version."));
        return m_status = kFirmwareUnusable;
    }
    m_firmwareVersion = leadingNumber(m_reply);
    if (m_firmwareVersion < 2.0) {
        m_interaction.message(formatText("Firmware v%.3f in SLM. v2.0 required.", m_firmwareVersion));
        return m_status = kFirmwareUnusable;
    }

    if (identityRead(1) != kOk && !unanswered()) {
        m_interaction.message(unableToCommunicate(m_status, m_port));
        return m_status;
    }
    m_modelReply = m_reply;
    if (!m_modelReply.contains("Trellan")) {
        m_interaction.message(QStringLiteral("SLM not Mervane Model Trellan."));
        return m_status = kNotTrellan;
    }

    if (identityRead(90) != kOk && !unanswered()) {
        m_interaction.message(unableToCommunicate(m_status, m_port));
        return m_status;
    }
    m_firmwareVersion = leadingNumber(m_reply);
    if (m_firmwareVersion < 1.188) {
        m_interaction.message(formatText("Firmware v%.3f in SLM. v1.188 required.", m_firmwareVersion));
        return m_status = kFirmwareUnusable;
    }
    return m_status = kOk;
}

int SlmLink::RecoverLink()
{
    const Answer answer = m_interaction.ask(
        QStringLiteral(
            "Communication with the Trellan failed.\nPlease verify that all connections are correct and "
            "the Trellan is turned on,then press OK."),
        Buttons::OkCancel);
    if (answer == Answer::Cancel)
        return m_status = kCancelled;
    // A port that still works needs no reopening; the caller simply tries again.
    if (m_port.status() >= 0 || m_port.Close() != 0)
        return m_port.status();
    while (m_port.Open() != kOk) {
        const Answer retry = m_interaction.ask(
            QStringLiteral(
                "An Error occurred in the port connection to the Trellan\n and it could not be reopened. "
                "\nPlease verify that all connections are correct and the Trellan is turned on, then "
                "press OK."),
            Buttons::OkCancel);
        if (retry == Answer::Cancel)
            return m_status = kCancelled;
    }
    return Ping();
}

char SlmLink::runStateLetter() const
{
    return m_reply.size() >= 2 ? m_reply[1] : '\0';
}

int SlmLink::commandUntil(QByteArrayView text, const std::function<bool(const QByteArray &)> &confirmed)
{
    // The command's own status counts; a meter that never confirms still yields it after 3 rounds.
    int last = kOk;
    for (int round = 0; round < kConfirmRounds; ++round) {
        last = command(text, kScratchReplyBytes, 1);
        for (int poll = 0; poll < kConfirmPolls; ++poll) {
            command("R 3,1", kStateReplyBytes, 1);
            if (confirmed(m_reply))
                return m_status = last;
        }
    }
    return m_status = last;
}

bool SlmLink::IsRunning()
{
    const bool running = command("R 3,1", kStateReplyBytes, 1) == kOk && runStateLetter() == 'R';
    if (running)
        m_leftStopped = false;
    return running;
}

int SlmLink::StopMeter()
{
    // Set before asking: a stop whose acknowledgement is lost has usually acted all the same.
    m_leftStopped = true;
    // An empty reply says nothing, so it counts as still running.
    return commandUntil(
        "M4", [this](const QByteArray &state) { return !state.isEmpty() && runStateLetter() != 'R'; });
}

int SlmLink::RunMeter()
{
    if (IsRunning())
        return m_status = kOk;
    int last = kOk;
    for (int round = 0; round < kConfirmRounds; ++round) {
        last = command("M3", kScratchReplyBytes, 1);
        for (int poll = 0; poll < kConfirmPolls; ++poll) {
            command("R 3,1", kStateReplyBytes, 1);
            PumpWait(clock(), kRunPollSeconds);
            if (m_reply.startsWith(" R"))
                break;
        }
        if (m_reply.contains('R')) {
            m_leftStopped = false;
            break;
        }
    }
    return m_status = last;
}

namespace {
bool confirmedWithO(const QByteArray &state)
{
    return state.contains('O');
}
} // namespace

int SlmLink::ResetMeter()
{
    return commandUntil("M7,1", confirmedWithO);
}

int SlmLink::SetSetupFlag()
{
    return commandUntil("S1,1", confirmedWithO);
}

int SlmLink::SetDetector(int detector)
{
    return commandUntil(withNumber("S45,", detector), confirmedWithO);
}

int SlmLink::SetAuxDetector(int detector)
{
    return commandUntil(withNumber("S149,", detector), confirmedWithO);
}

int SlmLink::SetWeighting(int weighting)
{
    if (SetSetupFlag() != kOk)
        return m_status;
    return numberedCommand("S46,", weighting, 8, 3);
}

int SlmLink::GetWeighting()
{
    if (command("Q46", 8, 3) != kOk)
        return m_status;
    if (!m_reply.isEmpty() && std::isalpha(static_cast<unsigned char>(m_reply[0]))) {
        switch (m_reply[0]) {
        case 'A':
            return 0;
        case 'C':
            return 1;
        default:
            return 2;
        }
    }
    return leadingInteger(m_reply);
}

int SlmLink::SetBandWeighting(int weighting)
{
    return numberedCommand("S135,", weighting, 8, 3);
}

int SlmLink::SetHighPass(int highPass)
{
    return numberedCommand("S134,", highPass, 8, 3);
}

int SlmLink::SetFftWindow(int window)
{
    return numberedCommand("S147,", window, 8, 3);
}

bool SlmLink::IsFftWindowHanning()
{
    return command("Q147", 8, 3) == kOk && m_reply.startsWith('H');
}

MeterMode SlmLink::GetMode()
{
    if (command("Q143", 25, 1) != kOk)
        return MeterMode::Unknown;
    if (m_reply.startsWith("SLM/RTA"))
        return MeterMode::SlmRta;
    if (m_reply.startsWith("FFT"))
        return MeterMode::Fft;
    if (m_reply.startsWith("Pulse/FM"))
        return MeterMode::PulseFm;
    return MeterMode::Unknown;
}

int SlmLink::SetMode(MeterMode mode)
{
    const int value = static_cast<int>(mode);
    if (value < 1 || value > 3)
        return 0;
    command(QByteArray("S143,") + static_cast<char>('0' + value - 1), 8, 3);
    return 1;
}

int SlmLink::GetInstrument()
{
    if (command("R180", 25, 1) != kOk)
        return -1;
    return static_cast<int>(instrumentFromReply(m_reply));
}

int SlmLink::SetInstrument(MeterInstrument instrument)
{
    const QByteArray file = instrumentFile(instrument);
    if (file.isEmpty())
        return 0;
    StopMeter();
    ResetMeter();
    command("&I2," + file, 25, 8);
    command("M9,1", 8, 1);
    command("R 3,1", 8, 1);
    if (m_reply.contains('R'))
        m_leftStopped = false;
    else
        RunMeter();
    return 1;
}

double SlmLink::ReadLevel()
{
    return command("R4,0", 7, 2) == kOk ? leadingNumber(m_reply) : 0.0;
}

int SlmLink::GetBandwidth()
{
    return command("Q145,32", 40, 2) == kOk ? leadingInteger(m_reply) : -1;
}

int SlmLink::SetBandwidthCode(int code)
{
    if (code < 0 || code > 6)
        return -1;
    return numberedCommand("S145,", code, 40, 2);
}

int SlmLink::GetGain()
{
    return command("Q148,32", 8, 1) == kOk ? leadingInteger(m_reply) : m_status;
}

int SlmLink::GetTransducer()
{
    const int status = command("Q 51,32", 8, 1);
    if (status == kOk)
        return leadingInteger(m_reply);
    // A refused but non-empty answer to this query is still read: the transducer setting has
    // always been taken from the meter's answer as it comes.
    if (status == kBadChecksum && !m_exchange.lastRejectedReply().isEmpty()) {
        m_reply = m_exchange.lastRejectedReply();
        return leadingInteger(m_reply);
    }
    return status;
}

double SlmLink::GetCalOffset()
{
    return command("Q227", 8, 1) == kOk ? leadingNumber(m_reply) : 0.0;
}

int SlmLink::TurnOffMeter()
{
    StopMeter();
    command("M2", kScratchReplyBytes, 1);
    return m_port.Close();
}

QString SlmLink::BatteryLine()
{
    if (numberedCommand("R ", 86, 8, 1) != kOk)
        return {};
    const double level = leadingNumber(m_reply);
    if (numberedCommand("R ", 87, 10, 1) != kOk)
        return {};
    const QByteArray state = m_reply;
    const QString stateText = Cp1252::toUnicode(state);
    if (state.contains('E')) {
        if (numberedCommand("R ", 170, 10, 1) != kOk)
            return {};
        return formatText("Battery Level: %.1fV ", leadingNumber(m_reply)) + stateText;
    }
    return formatText("Battery Level: %.1f%% ", level) + stateText;
}

} // namespace tonva

#include "meter/CommandExchange.h"

#include "meter/Framing.h"
#include "meter/MeterStatus.h"
#include "meter/PumpWait.h"

#include <algorithm>

namespace tonva {

using namespace meter;

namespace {
constexpr double kRetryPauseSeconds = 0.1;
// Bytes that keep coming between commands (a meter printing on its own) are drained a bounded
// number of times; the write's own flush and the checksum deal with the rest.
constexpr int kMaxStaleLines = 10;
constexpr int kStaleLineBytes = 512;
// How long after a time-out the meter's answer may still turn up. A tired meter has been seen
// answering a few seconds late; past this the line is drained before every command anyway.
constexpr qint64 kLateReplyWindowMs = 5000;

void removeFlowControl(QByteArray &reply)
{
    reply.removeIf([](char c) { return c == framing::kXON || c == framing::kXOFF; });
}

// The checksum ignores control and high bytes, so noise made only of them passes it and would be
// taken for an empty answer or an acknowledgement. A reply that also holds ordinary text is the
// meter's: its texts may carry "µ" or "°", and BEL (its message marker), TAB and flow control.
bool isLineNoise(QByteArrayView reply)
{
    return !reply.isEmpty() && std::all_of(reply.begin(), reply.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80)
            return true;
        return byte < 32 && c != framing::kBEL && c != '\t' && c != framing::kXON && c != framing::kXOFF;
    });
}
} // namespace

void CommandExchange::discardStaleInput()
{
    for (int lines = 0; lines < kMaxStaleLines && m_port.BytesWaiting() > 0; ++lines) {
        QByteArray stale;
        m_port.ReadLine(stale, kStaleLineBytes);
        m_port.FlushBuffers();
        PumpWait(m_port.clock(), kRetryPauseSeconds);
    }
}

int CommandExchange::timedOut(QByteArrayView text, char commandChecksum)
{
    m_owed = OwedReply{text.toByteArray(), commandChecksum, m_port.clock().nowMs() + kLateReplyWindowMs};
    return kNoReply;
}

bool CommandExchange::mayBeOwedReply(QByteArrayView text, QByteArrayView replyText, char checksum) const
{
    // The same command asked again gets the same answer, late or not.
    return m_owed && m_port.clock().nowMs() <= m_owed->untilMs && text != m_owed->text &&
           framing::replyChecksum(m_owed->checksum, replyText) == checksum;
}

int CommandExchange::run(QByteArrayView text, QByteArray &reply, int maxBytes, int timeoutSeconds,
                         Style style)
{
    reply.clear();
    m_rejected.clear();
    m_port.FlushBuffers();
    const char commandChecksum = framing::checksum(text);
    if (timeoutSeconds > 0)
        m_port.SetReplyTimeout(timeoutSeconds);

    const bool slow = style == Style::Slow;
    // The frame is sent as bytes, never through a formatter, so a '%' checksum needs no escaping.
    const QByteArray frame =
        slow ? QByteArray(text.data(), text.size()) + commandChecksum : framing::frameCommand(text);

    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (!slow) {
            if (attempt > 0)
                PumpWait(m_port.clock(), kRetryPauseSeconds);
            discardStaleInput();
        } else if (attempt > 0) {
            // A refused announce is usually followed by its record, still streaming in: asking again
            // before it has passed would put two answers on the line, one inside the other.
            m_port.DiscardUntilQuiet(m_port.replyTimeout() * 1000);
        }
        const int written = slow ? m_port.WriteSlow(frame, true) : m_port.WriteFormatted(frame);
        if (written != 0)
            return kWriteFailed;

        // The checksum binds an answer to its command, but two commands may share a checksum: a
        // line that would pass for the late answer of another is let go once and the next one read.
        bool owedLetGo = false;
        for (;;) {
            QByteArray line;
            if (m_port.ReadLine(line, maxBytes) != 0)
                return timedOut(text, commandChecksum);
            if (line.size() == 1 && line[0] == framing::kLF) {
                // The LF of an earlier CR LF; the answer is the next line. A time-out here leaves it empty.
                m_port.ReadLine(line, maxBytes);
            }
            if (line.isEmpty()) {
                if (slow)
                    return kOk;
                break;
            }
            const qsizetype position = framing::replyChecksumPosition(line);
            if (position < 0)
                break;
            const QByteArray replyText = line.left(position);
            const bool owed = mayBeOwedReply(text, replyText, line[position]);
            if (owed)
                m_owed.reset();
            if (framing::replyChecksum(commandChecksum, replyText) != line[position] ||
                isLineNoise(replyText)) {
                m_rejected = replyText;
                break;
            }
            if (owed && !owedLetGo) {
                owedLetGo = true;
                continue;
            }
            reply = replyText;
            removeFlowControl(reply);
            return kOk;
        }
    }
    return kBadChecksum;
}

} // namespace tonva

#pragma once

#include "meter/ComPort.h"

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace tonva {

// One checksummed command and its reply, with retries. Shared by the command layer and the
// block transfer of the file list, which both talk to the same port.
class CommandExchange
{
public:
    enum class Style
    {
        Normal, // CR LF framing, stale input drained, 0.1 s between attempts
        Slow,   // bytes paced 10 ms apart, CR only; an empty reply is accepted as empty; a refused
                // answer is let pass before the command is sent again
    };

    static constexpr int kAttempts = 6;

    explicit CommandExchange(ComPort &port) : m_port(port) {}

    // Returns 0, -5, -201 or -205. On 0 `reply` holds the reply text without its checksum and
    // without XON/XOFF; on failure it is empty. `timeoutSeconds` 0 keeps the port's time-out.
    int run(QByteArrayView text, QByteArray &reply, int maxBytes, int timeoutSeconds,
            Style style = Style::Normal);

    // The last line refused for its checksum, for the one caller that still reads such a line.
    const QByteArray &lastRejectedReply() const { return m_rejected; }

private:
    void discardStaleInput();
    int timedOut(QByteArrayView text, char commandChecksum);
    // A line that would also pass as the answer to the command that timed out lately: the line
    // gives no way to tell whose answer it is.
    bool mayBeOwedReply(QByteArrayView text, QByteArrayView replyText, char checksum) const;

    // The last command that timed out; its answer may still come, in another command's time.
    struct OwedReply
    {
        QByteArray text;
        char checksum = 0;
        qint64 untilMs = 0;
    };

    ComPort &m_port;
    QByteArray m_rejected;
    std::optional<OwedReply> m_owed;
};

} // namespace tonva

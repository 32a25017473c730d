#include "sim/SceneControl.h"

#include "sim/Failure.h"
#include "sim/SoundJson.h"
#include "sim/UnixSocket.h"

#include <QDeadlineTimer>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tonva {

namespace {

// Waits for `events` on `fd` until the deadline; false on time-out or error.
bool waitFor(int fd, short events, const QDeadlineTimer &deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(deadline.remainingTime()));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

} // namespace

// A time-out of zero or less would mean waiting for ever.
SceneControl::SceneControl(QString socketPath, int timeoutMs)
    : m_path(std::move(socketPath)), m_timeoutMs(std::max(timeoutMs, 1))
{}

SceneControl::~SceneControl()
{
    disconnect();
}

bool SceneControl::present(const Sound &sound, QString *error)
{
    const QByteArray line = soundToJson(sound) + '\n';
    const bool reused = m_fd >= 0;
    if (!reused && !connectToServer(error))
        return false;
    QByteArray reply;
    Outcome outcome = exchange(line, reply, error);
    // A simulator restarted since the last sound leaves a dead connection behind; setting a sound
    // twice does no harm, so one fresh attempt is safe.
    if (outcome == Outcome::ConnectionLost && reused && connectToServer(error))
        outcome = exchange(line, reply, error);
    if (outcome != Outcome::Answered)
        return false;
    if (reply == "ok")
        return true;
    return fail(error, QStringLiteral("The simulator refused the sound: %1")
                           .arg(QString::fromUtf8(reply.startsWith("error: ") ? reply.mid(7) : reply)));
}

bool SceneControl::connectToServer(QString *error)
{
    disconnect();
    sockaddr_un address;
    if (!unixSocketAddress(QFile::encodeName(m_path), address))
        return fail(error, QStringLiteral("Not a usable control socket path: %1").arg(m_path));
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    // A Unix-domain connect either succeeds or fails at once; a full backlog refuses (EAGAIN).
    if (m_fd < 0 || ::connect(m_fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        const QString why = systemError();
        disconnect();
        return fail(error,
                    QStringLiteral("Cannot reach the simulator's control socket %1: %2").arg(m_path, why));
    }
    return true;
}

SceneControl::Outcome SceneControl::exchange(const QByteArray &line, QByteArray &reply, QString *error)
{
    const QDeadlineTimer deadline(m_timeoutMs);
    const auto lost = [&](const QString &what) {
        disconnect();
        fail(error, QStringLiteral("The simulator's control channel %1 %2").arg(m_path, what));
        return Outcome::ConnectionLost;
    };
    const auto timedOut = [&] {
        disconnect();
        fail(error, QStringLiteral("The simulator's control channel %1 did not answer within %2 ms")
                        .arg(m_path)
                        .arg(m_timeoutMs));
        return Outcome::Failed;
    };

    qsizetype sent = 0;
    while (sent < line.size()) {
        if (!waitFor(m_fd, POLLOUT, deadline))
            return timedOut();
        const ssize_t n = ::send(m_fd, line.constData() + sent, static_cast<std::size_t>(line.size() - sent),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return lost(QStringLiteral("closed: %1").arg(systemError()));
        sent += std::max<ssize_t>(n, 0);
    }

    QByteArray input;
    while (!input.contains('\n')) {
        if (!waitFor(m_fd, POLLIN, deadline))
            return timedOut();
        char buffer[512];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n == 0)
            return lost(QStringLiteral("closed without an answer"));
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return lost(QStringLiteral("failed: %1").arg(systemError()));
        if (n > 0)
            input.append(buffer, n);
        if (input.size() > kMaxReplyBytes) {
            disconnect();
            fail(error, QStringLiteral("The simulator's control channel %1 sent no line end").arg(m_path));
            return Outcome::Failed;
        }
    }
    reply = input.left(input.indexOf('\n')).trimmed();
    return Outcome::Answered;
}

void SceneControl::disconnect()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

} // namespace tonva

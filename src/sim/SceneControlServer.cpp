#include "sim/SceneControlServer.h"

#include "sim/Failure.h"
#include "sim/SoundJson.h"
#include "sim/UnixSocket.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tonva {

namespace {

// True when some process still accepts connections on the socket at `address`.
bool isServed(const sockaddr_un &address)
{
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return false;
    const bool served = ::connect(probe, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(probe);
    return served;
}

} // namespace

SceneControlServer::~SceneControlServer()
{
    for (const Client &client : m_clients)
        ::close(client.fd);
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        ::unlink(m_path.constData());
    }
}

bool SceneControlServer::listen(const QString &path, QString *error)
{
    const QByteArray encoded = QFile::encodeName(path);
    sockaddr_un address;
    if (!unixSocketAddress(encoded, address))
        return fail(error, QStringLiteral("The control socket path must be 1 to %1 bytes long: %2")
                               .arg(sizeof address.sun_path - 1)
                               .arg(path));
    struct stat existing
    {};
    if (::lstat(encoded.constData(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode))
            return fail(error, QStringLiteral("%1 exists and is not a socket; not replacing it").arg(path));
        if (isServed(address))
            return fail(error, QStringLiteral("%1 is already served by another process").arg(path));
        ::unlink(encoded.constData());
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return fail(error, QStringLiteral("Cannot make the control socket: %1").arg(systemError()));
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(fd, kMaxClients) != 0) {
        const QString why = systemError();
        ::close(fd);
        return fail(error, QStringLiteral("Cannot listen on %1: %2").arg(path, why));
    }
    m_listenFd = fd;
    m_path = encoded;
    return true;
}

void SceneControlServer::addPollFds(std::vector<pollfd> &fds) const
{
    if (m_listenFd >= 0)
        fds.push_back({m_listenFd, POLLIN, 0});
    for (const Client &client : m_clients)
        fds.push_back({client.fd, POLLIN, 0});
}

void SceneControlServer::serve(const std::vector<pollfd> &fds)
{
    const auto reported = [&fds](int fd) {
        return std::any_of(fds.begin(), fds.end(), [fd](const pollfd &p) {
            return p.fd == fd && (p.revents & (POLLIN | POLLHUP | POLLERR));
        });
    };
    std::erase_if(m_clients, [&](Client &client) {
        if (!reported(client.fd) || readFrom(client))
            return false;
        ::close(client.fd);
        return true;
    });
    if (m_listenFd >= 0 && reported(m_listenFd))
        acceptClients();
}

void SceneControlServer::serveFor(int timeoutMs)
{
    std::vector<pollfd> fds;
    addPollFds(fds);
    if (::poll(fds.data(), fds.size(), timeoutMs) > 0)
        serve(fds);
}

void SceneControlServer::acceptClients()
{
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        if (static_cast<int>(m_clients.size()) >= kMaxClients) {
            sendLine(fd, "error: too many control connections");
            ::close(fd);
            continue;
        }
        m_clients.push_back({fd, {}});
    }
}

bool SceneControlServer::readFrom(Client &client)
{
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::recv(client.fd, buffer, sizeof buffer, 0);
        if (got == 0)
            return false;
        if (got < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        client.input.append(buffer, got);
        qsizetype end;
        while ((end = client.input.indexOf('\n')) >= 0) {
            const QByteArray line = client.input.left(end).trimmed();
            client.input.remove(0, end + 1);
            if (!line.isEmpty() && !sendLine(client.fd, answer(line)))
                return false;
        }
        if (client.input.size() > kMaxLineBytes) {
            sendLine(client.fd, "error: line too long");
            return false;
        }
    }
}

QByteArray SceneControlServer::answer(const QByteArray &line)
{
    QString error;
    const std::optional<Sound> sound = soundFromJson(line, &error);
    if (!sound)
        return "error: " + error.toUtf8();
    m_scene.setSound(*sound);
    ++m_changes;
    return "ok";
}

bool SceneControlServer::sendLine(int fd, const QByteArray &line)
{
    // A one-line answer fits any socket buffer; a client that lets it fill up is not listening.
    const QByteArray bytes = line + '\n';
    return ::send(fd, bytes.constData(), static_cast<std::size_t>(bytes.size()),
                  MSG_NOSIGNAL | MSG_DONTWAIT) == bytes.size();
}

} // namespace tonva

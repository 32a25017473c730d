#pragma once

#include "sim/AcousticScene.h"

#include <QByteArray>
#include <QString>
#include <poll.h>
#include <vector>

namespace tonva {

// The listening end of the scene control channel: a Unix-domain socket on which each line of JSON
// (see SoundJson.h) replaces the scene's sound, answered with "ok" or "error: <why>". It never
// blocks: the owner polls the descriptors it hands out and passes the results back.
class SceneControlServer
{
public:
    static constexpr int kMaxClients = 4;
    // No sound description comes near this; a longer line is a confused or hostile client.
    static constexpr qsizetype kMaxLineBytes = 16384;

    explicit SceneControlServer(AcousticScene &scene) : m_scene(scene) {}
    ~SceneControlServer();
    SceneControlServer(const SceneControlServer &) = delete;
    SceneControlServer &operator=(const SceneControlServer &) = delete;

    // Opens the socket at `path`, replacing a stale one that nobody serves any more.
    bool listen(const QString &path, QString *error = nullptr);

    // Descriptors to watch for input, appended to `fds`.
    void addPollFds(std::vector<pollfd> &fds) const;
    // Accepts, reads and answers whatever the polled descriptors reported.
    void serve(const std::vector<pollfd> &fds);
    // Polls its own descriptors for up to `timeoutMs` and serves them.
    void serveFor(int timeoutMs);

    int sceneChanges() const { return m_changes; }

private:
    struct Client
    {
        int fd;
        QByteArray input;
    };

    void acceptClients();
    // False when the client is gone or has to go.
    bool readFrom(Client &client);
    QByteArray answer(const QByteArray &line);
    static bool sendLine(int fd, const QByteArray &line);

    AcousticScene &m_scene;
    int m_listenFd = -1;
    QByteArray m_path;
    std::vector<Client> m_clients;
    int m_changes = 0;
};

} // namespace tonva

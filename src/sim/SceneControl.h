#pragma once

#include "sim/SceneDriver.h"

#include <QByteArray>
#include <QString>

namespace tonva {

// Drives the scene of a trellan-sim in another process through its control socket
// (trellan-sim --control PATH). Every exchange is bounded by the time-out: a dead or silent
// channel comes back as an error, never as a hang.
class SceneControl final : public SceneDriver
{
public:
    static constexpr int kDefaultTimeoutMs = 3000;
    // Answers are one short line; anything longer is not the simulator talking.
    static constexpr qsizetype kMaxReplyBytes = 4096;

    explicit SceneControl(QString socketPath, int timeoutMs = kDefaultTimeoutMs);
    ~SceneControl() override;
    SceneControl(const SceneControl &) = delete;
    SceneControl &operator=(const SceneControl &) = delete;

    bool present(const Sound &sound, QString *error = nullptr) override;

private:
    enum class Outcome
    {
        Answered,
        ConnectionLost, // the other end went away: worth one fresh connection
        Failed
    };

    bool connectToServer(QString *error);
    Outcome exchange(const QByteArray &line, QByteArray &reply, QString *error);
    void disconnect();

    QString m_path;
    int m_timeoutMs;
    int m_fd = -1;
};

} // namespace tonva

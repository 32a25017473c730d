#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>
#include <random>

namespace tonva {

// Trouble a flaky cable or a tired meter causes, injected with fixed probabilities from a seeded
// generator so a failing run can be repeated exactly. Written as "name=value,name=value":
//   corrupt-checksum, drop-reply, late-reply, stale-bytes, xon-xoff, never-settles = probability 0..1
//   disconnect = N (the line dies after N commands) or Ns / Nms (at that time since start)
class LineFaults
{
public:
    enum class Kind
    {
        CorruptChecksum,
        DropReply,
        LateReply,
        StaleBytes,
        XonXoff,
        NeverSettles
    };

    explicit LineFaults(quint64 seed = 1) : m_random(seed) {}

    // Parses the text; on error returns nothing and describes the problem in `error`.
    static std::optional<LineFaults> parse(const QString &text, quint64 seed, QString *error = nullptr);

    void setProbability(Kind kind, double probability);
    double probability(Kind kind) const { return m_probability[static_cast<int>(kind)]; }
    void setDisconnectAfterCommands(int commands) { m_disconnectAfterCommands = commands; }
    void setDisconnectAtMs(qint64 atMs) { m_disconnectAtMs = atMs; }
    std::optional<int> disconnectAfterCommands() const { return m_disconnectAfterCommands; }
    std::optional<qint64> disconnectAtMs() const { return m_disconnectAtMs; }

    // True with the kind's probability; draws nothing when the kind is off, so adding a fault
    // does not disturb the sequence of another that is not in use.
    bool strikes(Kind kind);
    // A uniformly drawn whole number in [low, high].
    int pick(int low, int high);

private:
    static constexpr int kKinds = 6;
    std::mt19937_64 m_random;
    double m_probability[kKinds] = {};
    std::optional<int> m_disconnectAfterCommands;
    std::optional<qint64> m_disconnectAtMs;
};

} // namespace tonva

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>
#include <optional>
#include <random>
#include <utility>
#include <vector>

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

    // A meter that will not do one thing: commands beginning with `prefix` go unanswered (a
    // `reply` of nothing) or are answered with `reply` instead of what the meter would say. The
    // latest rule whose prefix matches wins.
    void overrideCommand(QByteArray prefix, std::optional<QByteArray> reply = std::nullopt)
    {
        m_overrides.emplace_back(std::move(prefix), std::move(reply));
    }
    void clearOverrides() { m_overrides.clear(); }
    // Outer nothing: the command is not overridden; inner nothing: it goes unanswered.
    std::optional<std::optional<QByteArray>> overrideFor(QByteArrayView command) const
    {
        for (auto rule = m_overrides.rbegin(); rule != m_overrides.rend(); ++rule) {
            if (command.startsWith(rule->first))
                return rule->second;
        }
        return std::nullopt;
    }

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
    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> m_overrides;
};

} // namespace tonva

#include "sim/LineFaults.h"

#include "sim/Failure.h"

#include <QStringList>
#include <algorithm>
#include <array>

namespace tonva {

namespace {

struct KindName
{
    const char *name;
    LineFaults::Kind kind;
};

constexpr std::array<KindName, 6> kKindNames{{
    {"corrupt-checksum", LineFaults::Kind::CorruptChecksum},
    {"drop-reply", LineFaults::Kind::DropReply},
    {"late-reply", LineFaults::Kind::LateReply},
    {"stale-bytes", LineFaults::Kind::StaleBytes},
    {"xon-xoff", LineFaults::Kind::XonXoff},
    {"never-settles", LineFaults::Kind::NeverSettles},
}};

bool applyDisconnect(LineFaults &faults, const QString &value, QString *error)
{
    bool ok = false;
    if (value.endsWith(QLatin1String("ms"))) {
        const qint64 ms = value.chopped(2).toLongLong(&ok);
        if (ok && ms >= 0) {
            faults.setDisconnectAtMs(ms);
            return true;
        }
    } else if (value.endsWith(QLatin1Char('s'))) {
        const double seconds = value.chopped(1).toDouble(&ok);
        if (ok && seconds >= 0.0) {
            faults.setDisconnectAtMs(qRound64(seconds * 1000.0));
            return true;
        }
    } else {
        const int commands = value.toInt(&ok);
        if (ok && commands >= 0) {
            faults.setDisconnectAfterCommands(commands);
            return true;
        }
    }
    return fail(error,
                QStringLiteral("disconnect needs a command count or a time such as 30s: '%1'").arg(value));
}

} // namespace

std::optional<LineFaults> LineFaults::parse(const QString &text, quint64 seed, QString *error)
{
    LineFaults faults(seed);
    const QStringList items = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &rawItem : items) {
        const QString item = rawItem.trimmed();
        const qsizetype equals = item.indexOf(QLatin1Char('='));
        const QString name = (equals < 0 ? item : item.left(equals)).trimmed();
        const QString value = equals < 0 ? QString() : item.mid(equals + 1).trimmed();
        if (value.isEmpty())
            return failed(error, QStringLiteral("Fault '%1' needs a value (name=value)").arg(name));
        if (name == QLatin1String("disconnect")) {
            if (!applyDisconnect(faults, value, error))
                return std::nullopt;
            continue;
        }
        const auto known = std::find_if(kKindNames.begin(), kKindNames.end(),
                                        [&name](const KindName &k) { return name == QLatin1String(k.name); });
        if (known == kKindNames.end())
            return failed(error, QStringLiteral("Unknown fault '%1'").arg(name));
        bool ok = false;
        const double probability = value.toDouble(&ok);
        if (!ok || probability < 0.0 || probability > 1.0)
            return failed(
                error,
                QStringLiteral("Fault '%1' needs a probability from 0 to 1, not '%2'").arg(name, value));
        faults.setProbability(known->kind, probability);
    }
    return faults;
}

void LineFaults::setProbability(Kind kind, double probability)
{
    m_probability[static_cast<int>(kind)] = qBound(0.0, probability, 1.0);
}

bool LineFaults::strikes(Kind kind)
{
    const double p = probability(kind);
    if (p <= 0.0)
        return false;
    return std::uniform_real_distribution<double>(0.0, 1.0)(m_random) < p;
}

int LineFaults::pick(int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(m_random);
}

} // namespace tonva

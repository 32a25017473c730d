// trellan-sim: serves a VirtualTrellan on a pseudo-terminal, so any serial client (the desktop
// program, tonva-cli, a terminal program) talks to it as to the meter on a cable.
//
// A pty carries neither a line break nor a real line rate. The server therefore takes bytes at
// whatever rate the client set (a meter left at another rate could never be brought back without
// a break) and paces the meter's replies at the meter's own rate, 10 bits per byte, after the
// per-reply latency. The disconnect fault silences the meter, as a pulled cable would.
//
// With --control PATH a Unix-domain socket lets another process (the demo's simulated audiometer)
// set what the meter's microphone hears, one JSON line per sound.

#include "platform/Clock.h"
#include "sim/AcousticScene.h"
#include "sim/BoothProfile.h"
#include "sim/LineFaults.h"
#include "sim/SceneControlServer.h"
#include "sim/TrellanProfile.h"
#include "sim/VirtualTrellan.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace tonva;

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    // Nothing to do if the pipe is full: one wake-up is enough.
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

struct Options
{
    QString link;
    QString control;
    TrellanProfile profile;
    std::optional<BoothProfile> booth;
    LineFaults faults;
    TrellanTiming timing;
    quint64 seed = 1;
};

// Parses the command line; prints the problem and returns nothing when it is wrong.
std::optional<Options> parseOptions(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A virtual Trellan sound level meter on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption link(QStringLiteral("link"), QStringLiteral("Make a symlink to the device."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption profile(QStringLiteral("profile"), QStringLiteral("Meter properties (JSON)."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption faults(QStringLiteral("faults"),
                                    QStringLiteral("Line faults, e.g. drop-reply=0.1,disconnect=50."),
                                    QStringLiteral("LIST"));
    const QCommandLineOption speed(QStringLiteral("speed"), QStringLiteral("Settle N times faster."),
                                   QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption latency(QStringLiteral("latency"), QStringLiteral("Reply latency in ms."),
                                     QStringLiteral("MS"), QStringLiteral("3"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed of reading noise and faults."),
                                  QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption control(QStringLiteral("control"),
                                     QStringLiteral("Take the scene's sound from a Unix-domain socket."),
                                     QStringLiteral("PATH"));
    const QCommandLineOption booth(QStringLiteral("booth"),
                                   QStringLiteral("Put the meter in a test booth: quiet-booth, noisy-booth or a "
                                                  "JSON file."),
                                   QStringLiteral("NAME|FILE"));
    parser.addOptions({link, profile, booth, faults, speed, latency, seed, control});
    parser.process(app);

    const auto refuse = [](const QString &text) {
        std::fprintf(stderr, "trellan-sim: %s\n", qPrintable(text));
        return std::optional<Options>();
    };
    Options options;
    options.link = parser.value(link);
    options.control = parser.value(control);
    bool ok = false;
    options.seed = parser.value(seed).toULongLong(&ok);
    if (!ok)
        return refuse(QStringLiteral("--seed needs a whole number"));
    options.timing.speed = parser.value(speed).toDouble(&ok);
    if (!ok || options.timing.speed <= 0.0)
        return refuse(QStringLiteral("--speed needs a number above 0"));
    options.timing.replyLatencyMs = parser.value(latency).toDouble(&ok);
    if (!ok || options.timing.replyLatencyMs < 0.0)
        return refuse(QStringLiteral("--latency needs a number of milliseconds, 0 or more"));
    QString error;
    if (parser.isSet(profile)) {
        const std::optional<TrellanProfile> loaded = TrellanProfile::fromFile(parser.value(profile), &error);
        if (!loaded)
            return refuse(error);
        options.profile = *loaded;
    }
    if (parser.isSet(booth)) {
        options.booth = BoothProfile::load(parser.value(booth), &error);
        if (!options.booth)
            return refuse(error);
    }
    const std::optional<LineFaults> parsedFaults =
        LineFaults::parse(parser.value(faults), options.seed, &error);
    if (!parsedFaults)
        return refuse(error);
    options.faults = *parsedFaults;
    return options;
}

class PtyServer
{
public:
    PtyServer(VirtualTrellan &meter, SceneControlServer *control) : m_meter(meter), m_control(control) {}
    ~PtyServer()
    {
        for (const int fd : {m_master, m_slave}) {
            if (fd >= 0)
                ::close(fd);
        }
    }

    // Opens the pty pair; returns the slave's path, or an empty text after printing why not.
    QByteArray open()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
            std::perror("trellan-sim: cannot open a pseudo-terminal");
            return {};
        }
        const char *name = ::ptsname(m_master);
        if (!name) {
            std::perror("trellan-sim: cannot name the pseudo-terminal");
            return {};
        }
        const QByteArray path(name);
        // Held open so the master never sees a hang-up when the client closes and reopens.
        m_slave = ::open(path.constData(), O_RDWR | O_NOCTTY);
        termios mode{};
        if (m_slave < 0 || ::tcgetattr(m_slave, &mode) != 0) {
            std::perror("trellan-sim: cannot configure the pseudo-terminal");
            return {};
        }
        ::cfmakeraw(&mode);
        ::cfsetspeed(&mode, B9600);
        ::tcsetattr(m_slave, TCSANOW, &mode);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        return path;
    }

    // Serves until a signal arrives or standard input closes.
    void serve()
    {
        SystemClock clock;
        std::vector<pollfd> fds;
        for (;;) {
            fds = {{m_master, static_cast<short>(POLLIN | (m_pending.isEmpty() ? 0 : POLLOUT)), 0},
                   {g_signalPipe[0], POLLIN, 0},
                   {STDIN_FILENO, POLLIN, 0}};
            if (m_control)
                m_control->addPollFds(fds);
            const int ready = ::poll(fds.data(), fds.size(), waitMs(clock.nowMs()));
            if (ready < 0 && errno != EINTR)
                return;
            if (m_control && ready > 0)
                m_control->serve(fds);
            if (fds[1].revents & POLLIN)
                return;
            if (fds[2].revents & (POLLIN | POLLHUP | POLLERR)) {
                char sink[256];
                const ssize_t got = ::read(STDIN_FILENO, sink, sizeof sink);
                if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN))
                    return;
            }
            if (fds[0].revents & POLLIN)
                readFromClient(clock.nowMs());
            else if (fds[0].revents & (POLLHUP | POLLERR))
                clock.sleep(20); // no client end at all for a moment; never spin on it
            for (const LineByte &byte : m_meter.takeDue(clock.nowMs()))
                m_pending.append(byte.value);
            writeToClient();
        }
    }

private:
    int waitMs(qint64 now) const
    {
        const std::optional<qint64> due = m_meter.nextDueMs();
        if (!due)
            return -1;
        return static_cast<int>(std::clamp<qint64>(*due - now, 0, 60000));
    }

    void readFromClient(qint64 now)
    {
        char buffer[4096];
        const ssize_t got = ::read(m_master, buffer, sizeof buffer);
        // EIO while the client end is being reopened is expected; the next poll tries again.
        if (got > 0)
            m_meter.receive(QByteArrayView(buffer, got), now, m_meter.baudRateAt(now));
    }

    void writeToClient()
    {
        if (m_pending.isEmpty())
            return;
        const ssize_t written =
            ::write(m_master, m_pending.constData(), static_cast<size_t>(m_pending.size()));
        if (written > 0)
            m_pending.remove(0, written);
        // A client that stops reading must not make the server hoard its output for ever.
        constexpr qsizetype kMaxPending = 1 << 16;
        if (m_pending.size() > kMaxPending)
            m_pending.remove(0, m_pending.size() - kMaxPending);
    }

    VirtualTrellan &m_meter;
    SceneControlServer *m_control;
    int m_master = -1;
    int m_slave = -1;
    QByteArray m_pending;
};

bool installSignalHandlers()
{
    if (::pipe(g_signalPipe) != 0)
        return false;
    for (const int fd : g_signalPipe)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    struct sigaction action
    {};
    action.sa_handler = onSignal;
    ::sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

bool makeLink(const QString &link, const QByteArray &target)
{
    const QByteArray path = QFile::encodeName(link);
    // Replace a link left by an earlier run, never a real file.
    if (QFileInfo(link).isSymLink())
        ::unlink(path.constData());
    if (::symlink(target.constData(), path.constData()) != 0) {
        std::perror("trellan-sim: cannot make the link");
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const std::optional<Options> options = parseOptions(app);
    if (!options)
        return 2;
    if (!installSignalHandlers()) {
        std::perror("trellan-sim: cannot watch for signals");
        return 1;
    }

    AcousticScene scene;
    if (options->booth)
        options->booth->presentIn(scene);
    VirtualTrellan meter(scene, options->profile, options->faults, options->timing, options->seed);
    SceneControlServer control(scene);
    QString controlError;
    if (!options->control.isEmpty() && !control.listen(options->control, &controlError)) {
        std::fprintf(stderr, "trellan-sim: %s\n", qPrintable(controlError));
        return 1;
    }
    PtyServer server(meter, options->control.isEmpty() ? nullptr : &control);
    const QByteArray device = server.open();
    if (device.isEmpty())
        return 1;
    // The link is in place before anyone is told the device exists.
    if (!options->link.isEmpty() && !makeLink(options->link, device))
        return 1;
    std::printf("%s\n", device.constData());
    std::fflush(stdout);

    server.serve();

    if (!options->link.isEmpty())
        ::unlink(QFile::encodeName(options->link).constData());
    return 0;
}

#include "platform/BoundedFile.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tonva {

namespace {

std::nullopt_t refuse(QString *reason, const QString &text)
{
    if (reason)
        *reason = text;
    return std::nullopt;
}

QString tooLarge(qint64 maxBytes)
{
    return QStringLiteral("it is larger than the limit of %1").arg(byteCountText(maxBytes));
}

#ifdef Q_OS_UNIX
struct Descriptor
{
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};
#endif

// Files compiled into the program (":/…") and every file on systems without POSIX descriptors.
std::optional<QByteArray> readThroughQFile(const QString &path, qint64 maxBytes, QString *reason)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return refuse(reason, QStringLiteral("it is not a regular file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(reason, file.errorString());
    if (file.size() > maxBytes)
        return refuse(reason, tooLarge(maxBytes));
    // One byte more than allowed, so a file that grew after it was measured is still caught.
    const QByteArray data = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return refuse(reason, file.errorString());
    if (data.size() > maxBytes)
        return refuse(reason, tooLarge(maxBytes));
    return data;
}

} // namespace

std::optional<QByteArray> readWholeFile(const QString &path, qint64 maxBytes, QString *reason)
{
#ifdef Q_OS_UNIX
    if (path.startsWith(QLatin1Char(':')) || path.startsWith(QLatin1String("qrc:")))
        return readThroughQFile(path, maxBytes, reason);

    // Opened without blocking and checked on the open descriptor: opening a pipe for reading would
    // otherwise wait for a writer, and a check of the path before opening could be raced.
    const Descriptor file{::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (file.fd < 0)
        return refuse(reason, qt_error_string(errno));
    struct stat status
    {};
    if (::fstat(file.fd, &status) != 0)
        return refuse(reason, qt_error_string(errno));
    if (!S_ISREG(status.st_mode))
        return refuse(reason, QStringLiteral("it is not a regular file"));
    if (status.st_size > maxBytes)
        return refuse(reason, tooLarge(maxBytes));

    QByteArray data;
    char chunk[16 * 1024];
    for (;;) {
        const ssize_t got = ::read(file.fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return refuse(reason, qt_error_string(errno));
        if (got == 0)
            return data;
        data.append(chunk, got);
        // The file may have grown after it was measured.
        if (data.size() > maxBytes)
            return refuse(reason, tooLarge(maxBytes));
    }
#else
    return readThroughQFile(path, maxBytes, reason);
#endif
}

QString byteCountText(qint64 bytes)
{
    constexpr qint64 kilo = 1024;
    if (bytes > 0 && bytes % (kilo * kilo) == 0)
        return QStringLiteral("%1 MB").arg(bytes / (kilo * kilo));
    if (bytes > 0 && bytes % kilo == 0)
        return QStringLiteral("%1 KB").arg(bytes / kilo);
    return QStringLiteral("%1 bytes").arg(bytes);
}

} // namespace tonva

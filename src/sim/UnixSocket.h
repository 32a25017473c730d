#pragma once

#include <QByteArray>
#include <QString>
#include <sys/un.h>

namespace tonva {

// The address of the Unix-domain socket at `path` (a file name already encoded); false when the
// path is empty or too long for a socket address.
bool unixSocketAddress(const QByteArray &path, sockaddr_un &address);

// The reason the last system call failed, from errno.
QString systemError();

} // namespace tonva

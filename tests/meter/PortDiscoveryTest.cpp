#include "meter/PortDiscovery.h"

#include "support/TempDir.h"

#include <QFile>
#include <QSerialPort>
#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

namespace tonva {
namespace {

// A pseudo-terminal pair whose slave side stands for a port the system does not report.
class PseudoTerminal
{
public:
    PseudoTerminal()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master >= 0 && ::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0)
            m_slave = QString::fromLatin1(::ptsname(m_master));
    }
    ~PseudoTerminal()
    {
        if (m_master >= 0)
            ::close(m_master);
    }
    const QString &slave() const { return m_slave; }

private:
    int m_master = -1;
    QString m_slave;
};

const SSerInfo *findPort(const std::vector<SSerInfo> &ports, const QString &devicePath)
{
    const auto found = std::find_if(ports.begin(), ports.end(),
                                    [&](const SSerInfo &port) { return port.devicePath == devicePath; });
    return found == ports.end() ? nullptr : &*found;
}

TEST(PortDiscovery, DescriptionComesFromTheFriendlyNameWithoutItsPortInParentheses)
{
    SSerInfo adapter{QStringLiteral("\\\\.\\COM3"), QStringLiteral("COM3"),
                     QStringLiteral("USB Serial Port (COM3)"), true, QString()};
    completePortEntry(adapter);
    EXPECT_EQ(adapter.portDescription, QStringLiteral("USB Serial Port"));

    SSerInfo bare{QStringLiteral("\\\\.\\COM4"), QStringLiteral("COM4"), QStringLiteral("(COM4)"), false,
                  QString()};
    completePortEntry(bare);
    EXPECT_EQ(bare.portDescription, QStringLiteral("(COM4)"));
    SSerInfo leadingBlank{QString(), QStringLiteral("COM5"), QStringLiteral(" (COM5)"), false, QString()};
    completePortEntry(leadingBlank);
    EXPECT_EQ(leadingBlank.portDescription, QStringLiteral(" (COM5)"));

    SSerInfo unnamed{QStringLiteral("/dev/ttyS0"), QStringLiteral("ttyS0"), QString(), false, QString()};
    completePortEntry(unnamed);
    EXPECT_EQ(unnamed.friendlyName, QStringLiteral("ttyS0"));
    EXPECT_EQ(unnamed.portDescription, QStringLiteral("ttyS0"));
}

TEST(PortDiscovery, NamedPseudoTerminalsAreListedAndAHeldOneIsLeftOutWhenVerified)
{
    PseudoTerminal pty;
    ASSERT_FALSE(pty.slave().isEmpty());
    test::TempDir dir;
    const QString link = dir.file(QStringLiteral("ttyTRELLAN"));
    ASSERT_TRUE(QFile::link(pty.slave(), link));
    const QString plainFile = dir.file(QStringLiteral("notes.txt"));
    QFile(plainFile).open(QIODevice::WriteOnly);

    const std::vector<SSerInfo> named = EnumerateSerialPorts(
        false, {link, pty.slave(), plainFile, dir.file(QStringLiteral("gone")), QStringLiteral("sim")});
    const SSerInfo *byLink = findPort(named, link);
    ASSERT_NE(byLink, nullptr);
    EXPECT_EQ(byLink->portName, QStringLiteral("ttyTRELLAN"));
    EXPECT_EQ(byLink->portDescription, QStringLiteral("Pseudo-terminal"));
    EXPECT_FALSE(byLink->usbDevice);
    // The device itself is the same port as the link, so it is listed once.
    EXPECT_EQ(findPort(named, pty.slave()), nullptr);
    EXPECT_EQ(findPort(named, plainFile), nullptr);
    EXPECT_EQ(findPort(named, QStringLiteral("sim")), nullptr);

    EXPECT_NE(findPort(EnumerateSerialPorts(true, {link}), link), nullptr);
    {
        QSerialPort holder(pty.slave());
        ASSERT_TRUE(holder.open(QIODevice::ReadWrite));
        EXPECT_FALSE(canOpenSerialPort(link));
        EXPECT_EQ(findPort(EnumerateSerialPorts(true, {link}), link), nullptr);
        // Without verifying, a held port is still offered.
        EXPECT_NE(findPort(EnumerateSerialPorts(false, {link}), link), nullptr);
    }
    EXPECT_NE(findPort(EnumerateSerialPorts(true, {link}), link), nullptr);
}

} // namespace
} // namespace tonva

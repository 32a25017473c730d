#include "support/Processes.h"

#include "meter/Framing.h"
#include "platform/QtSerialPort.h"

#include <QDeadlineTimer>
#include <algorithm>

#ifndef TONVA_BINARY_DIR
#error "the test support library needs the build folder"
#endif

namespace tonva::test {

QString builtProgram(const QString &relativePath)
{
    return QStringLiteral(TONVA_BINARY_DIR "/") + relativePath;
}

SimProcess::~SimProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool SimProcess::start(const QStringList &arguments, int timeoutMs)
{
    m_process.setProgram(builtProgram(QStringLiteral("src/sim/trellan-sim")));
    m_process.setArguments(arguments);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start();
    if (!m_process.waitForStarted(timeoutMs))
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    while (!m_process.canReadLine()) {
        if (deadline.hasExpired() || !m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
    }
    m_device = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    return !m_device.isEmpty();
}

void SimProcess::kill()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

int SimProcess::closeInputAndWait(int timeoutMs)
{
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(timeoutMs))
        return -1;
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

RunningProgram::~RunningProgram()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool RunningProgram::start(const QString &program, const QStringList &arguments)
{
    m_process.start(program, arguments);
    return m_process.waitForStarted();
}

bool RunningProgram::waitForOutput(const QString &text, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        m_out += QString::fromLocal8Bit(m_process.readAllStandardOutput());
        if (m_out.contains(text))
            return true;
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(static_cast<int>(std::min<qint64>(deadline.remainingTime(), 500)));
    }
}

ProgramResult RunningProgram::finish(int timeoutMs)
{
    ProgramResult result;
    result.finished = m_process.waitForFinished(timeoutMs);
    if (!result.finished) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    result.exitCode = m_process.exitCode();
    result.out = m_out + QString::fromLocal8Bit(m_process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(m_process.readAllStandardError());
    return result;
}

QByteArray exchangeOnce(QtSerialPort &port, const QByteArray &text)
{
    const QByteArray frame = framing::frameCommand(text);
    port.rxFlush();
    if (port.putString(frame.constData(), static_cast<int>(frame.size())) != frame.size())
        return {};
    char buffer[256];
    const int got = port.getString(buffer, sizeof buffer, framing::kLF, 3000);
    return got > 0 ? QByteArray(buffer, got) : QByteArray();
}

ProgramResult runProgram(const QString &program, const QStringList &arguments, int timeoutMs)
{
    QProcess process;
    process.start(program, arguments);
    ProgramResult result;
    result.finished = process.waitForStarted(timeoutMs) && process.waitForFinished(timeoutMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    result.exitCode = process.exitCode();
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

} // namespace tonva::test

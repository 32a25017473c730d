#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace tonva {
class QtSerialPort;
}

namespace tonva::test {

// The project's own programs as built next to the tests.
QString builtProgram(const QString &relativePath);

// A trellan-sim process serving a virtual meter on a pseudo-terminal.
class SimProcess
{
public:
    ~SimProcess();

    // Starts the simulator and waits for the device path it prints first. False when it did not come.
    bool start(const QStringList &arguments = {}, int timeoutMs = 10000);
    QString device() const { return m_device; }

    // Pulls the plug: the simulator dies at once, as when a cable is yanked.
    void kill();
    // Closes its standard input and returns its exit code (-1 when it did not end in time).
    int closeInputAndWait(int timeoutMs = 5000);

private:
    QProcess m_process;
    QString m_device;
};

struct ProgramResult
{
    int exitCode = -1;
    bool finished = false;
    QString out;
    QString err;
};

// A program running beside the test, whose output can be awaited while it runs.
class RunningProgram
{
public:
    ~RunningProgram();

    bool start(const QString &program, const QStringList &arguments);
    // Waits until the program has printed `text`; false when it ended or time ran out first.
    bool waitForOutput(const QString &text, int timeoutMs);
    // Waits for its end (killing it after `timeoutMs`) and returns everything it printed.
    ProgramResult finish(int timeoutMs);

private:
    QProcess m_process;
    QString m_out;
};

// Sends one framed command over an open port and returns the reply line as it came (empty on a
// time-out of 3 s).
QByteArray exchangeOnce(QtSerialPort &port, const QByteArray &text);

// Runs a program to its end (or kills it after `timeoutMs`) and returns what it printed.
ProgramResult runProgram(const QString &program, const QStringList &arguments, int timeoutMs = 60000);

} // namespace tonva::test

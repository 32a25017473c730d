#pragma once

#include "meter/ComPort.h"
#include "meter/MeterSource.h"
#include "meter/SlmFileList.h"
#include "meter/SlmLink.h"

#include <memory>

namespace tonva {

// The whole Connect: builds the port, the command layer and the file list, opens the port,
// finds the meter's rate and checks its identity and firmware. On any failure the technician is
// told what to do and nothing is left half open. The main window and the CLI both use it.
class MeterConnection
{
public:
    MeterConnection(SerialPortFactory factory, Clock &clock, Interaction &interaction);
    // The meter of `source`, which must outlive the connection; messages name its device path.
    MeterConnection(const MeterSource &source, Interaction &interaction);
    ~MeterConnection();

    // 0 when connected (also when already connected), else the failing status.
    int Connect(int portNumber, int preferredBaudRate);
    void Disconnect();
    // Stops the meter, switches it off and drops the link. Returns the close status.
    int TurnOff();

    bool isConnected() const { return m_port && m_port->isOpen(); }
    ComPort *port() const { return m_port.get(); }
    SlmLink *link() const { return m_link.get(); }
    SlmFileList *fileList() const { return m_fileList.get(); }

    QByteArray modelReply() const { return m_link ? m_link->modelReply() : QByteArray(); }
    double firmwareVersion() const { return m_link ? m_link->firmwareVersion() : 0.0; }
    int baudRate() const { return m_port ? m_port->baudRate() : 0; }

private:
    int fail(int status);

    SerialPortFactory m_factory;
    Clock &m_clock;
    Interaction &m_interaction;
    QString m_devicePath;
    // Destroyed in reverse order: the link and the file list refer to the port.
    std::unique_ptr<ComPort> m_port;
    std::unique_ptr<SlmFileList> m_fileList;
    std::unique_ptr<SlmLink> m_link;
};

} // namespace tonva

#include "meter/MeterConnection.h"

#include "meter/MeterStatus.h"

namespace tonva {

using namespace meter;

MeterConnection::MeterConnection(SerialPortFactory factory, Clock &clock, Interaction &interaction)
    : m_factory(std::move(factory)), m_clock(clock), m_interaction(interaction)
{}

MeterConnection::MeterConnection(const MeterSource &source, Interaction &interaction)
    : m_factory(source.factory()), m_clock(source.clock()), m_interaction(interaction),
      m_devicePath(source.devicePath())
{}

MeterConnection::~MeterConnection()
{
    Disconnect();
}

int MeterConnection::fail(int status)
{
    Disconnect();
    return status;
}

int MeterConnection::Connect(int portNumber, int preferredBaudRate)
{
    if (isConnected())
        return kOk;
    if (!m_port) {
        m_port = std::make_unique<ComPort>(m_factory, m_clock);
        m_fileList = std::make_unique<SlmFileList>(*m_port, m_interaction);
        m_link = std::make_unique<SlmLink>(*m_port, m_interaction);
        m_port->SetDevicePath(m_devicePath);
    }
    m_port->SetPortNumber(portNumber);
    m_port->SetBaudRate(preferredBaudRate);
    if (const int opened = m_port->Open(); opened != kOk) {
        m_interaction.message(SlmLink::unableToCommunicate(opened, *m_port));
        return fail(opened);
    }
    m_link->NegotiateBaudRate(preferredBaudRate);
    if (const int checked = m_link->ConnectChecks(); checked != kOk)
        return fail(checked);
    return kOk;
}

void MeterConnection::Disconnect()
{
    if (m_port)
        m_port->Close();
    m_link.reset();
    m_fileList.reset();
    m_port.reset();
}

int MeterConnection::TurnOff()
{
    const int status = m_link ? m_link->TurnOffMeter() : kOk;
    Disconnect();
    return status;
}

} // namespace tonva

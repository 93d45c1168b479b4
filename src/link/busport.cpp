#include "busport.h"

namespace kestrel {

BusPort::BusPort(PortMap map, TimerFactory &timers, QObject *parent)
    : SerialPort(parent), m_serial(std::move(map)), m_tcp(timers)
{
    relay(m_serial);
    relay(m_tcp);
}

// Only the transport in use speaks for the port.
void BusPort::relay(ByteTransport &from)
{
    connect(&from, &ByteTransport::dataReceived, this, [this, &from] {
        if (m_active == &from)
            Q_EMIT dataReceived();
    });
    connect(&from, &ByteTransport::lost, this, [this, &from](const QString &reason) {
        if (m_active == &from)
            Q_EMIT lost(reason);
    });
}

bool BusPort::open()
{
    const std::optional<TcpEndpoint> tcp = tcpEndpoint(devicePath());
    ByteTransport *next = tcp ? static_cast<ByteTransport *>(&m_tcp) : &m_serial;
    if (next != m_active)
        m_active->close();
    m_active = next;
    if (tcp)
        m_tcp.setEndpoint(tcp->host, tcp->port);
    return m_active->open();
}

void BusPort::setRts(bool on)
{
    if (!overTcp())
        m_serial.setRts(on);
}

void BusPort::setDtr(bool on)
{
    if (!overTcp())
        m_serial.setDtr(on);
}

} // namespace kestrel

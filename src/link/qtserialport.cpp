#include "qtserialport.h"

#include "common/log.h"
#include "porterrors.h"

namespace kestrel {

QtSerialPort::QtSerialPort(PortMap map, QObject *parent) : SerialPort(parent), m_map(std::move(map))
{
    m_port.setReadBufferSize(0);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPort::dataReceived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

void QtSerialPort::setPortNumber(int n)
{
    m_number = n;
}

QtSerialPort::Error QtSerialPort::errorOf(QSerialPort::SerialPortError e) const
{
    const QString system = m_port.errorString();
    return Error{static_cast<int>(e), portErrorDescription(e, system), system};
}

bool QtSerialPort::open()
{
    if (m_port.isOpen())
        return true;
    m_port.setPortName(devicePath());
    m_port.setBaudRate(m_baud);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_error = errorOf(m_port.error());
        return false;
    }
    m_error = {};
    qCDebug(lcLink) << "opened" << devicePath() << "at" << m_baud;
    return true;
}

void QtSerialPort::close()
{
    if (m_port.isOpen())
        m_port.close();
}

bool QtSerialPort::setBaudRate(int baud)
{
    if (!m_port.isOpen()) {
        m_baud = baud;
        return true;
    }
    if (!m_port.setBaudRate(baud)) { // the port keeps the rate it had
        m_error = errorOf(m_port.error());
        m_port.clearError();
        return false;
    }
    m_baud = baud;
    return true;
}

// Modem lines do not exist on a pseudo-terminal; a refusal there is expected and ignored.
void QtSerialPort::setRts(bool on)
{
    if (m_port.isOpen() && !m_port.setRequestToSend(on))
        m_port.clearError();
}

void QtSerialPort::setDtr(bool on)
{
    if (m_port.isOpen() && !m_port.setDataTerminalReady(on))
        m_port.clearError();
}

void QtSerialPort::discardInput()
{
    if (!m_port.isOpen())
        return;
    m_port.clear(QSerialPort::Input);
    m_port.readAll(); // what Qt had already buffered
}

bool QtSerialPort::write(const QByteArray &bytes)
{
    if (!m_port.isOpen())
        return false;
    return m_port.write(bytes) == bytes.size();
}

// A device that goes away (an adapter pulled out, the far end of a terminal closed) shows as
// read or resource errors that would repeat for as long as the port stays open: close it.
void QtSerialPort::onError(QSerialPort::SerialPortError e)
{
    if ((e == QSerialPort::ResourceError || e == QSerialPort::ReadError) && m_port.isOpen()) {
        m_error = errorOf(e);
        const QString reason = m_error.systemText;
        appendLog(QStringLiteral("port %1 lost: %2").arg(devicePath(), reason));
        m_port.close();
        Q_EMIT lost(reason);
    }
}

} // namespace kestrel

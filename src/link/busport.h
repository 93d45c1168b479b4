#pragma once
// The station's port: COMn's mapped path chooses, at each open, what carries the frames — a
// serial device, or a TCP connection to a serial device server ("tcp://HOST:PORT"). Callers see
// one SerialPort either way; the serial controls do nothing for a TCP bus (the device server
// keeps its own line settings).
#include "portmap.h"
#include "qtserialport.h"
#include "tcptransport.h"

namespace kestrel {

class BusPort : public SerialPort {
    Q_OBJECT
public:
    BusPort(PortMap map, TimerFactory &timers, QObject *parent = nullptr);

    void setPortNumber(int n) override { m_serial.setPortNumber(n); }
    int portNumber() const override { return m_serial.portNumber(); }
    QString devicePath() const override { return m_serial.devicePath(); }
    QString devicePathFor(int n) const override { return m_serial.devicePathFor(n); }
    bool setBaudRate(int baud) override { return m_serial.setBaudRate(baud); }
    int baudRate() const override { return m_serial.baudRate(); }
    void setRts(bool on) override;
    void setDtr(bool on) override;

    bool open() override;
    void close() override { m_active->close(); }
    bool isOpen() const override { return m_active->isOpen(); }
    bool write(const QByteArray &bytes) override { return m_active->write(bytes); }
    QByteArray readAll() override { return m_active->readAll(); }
    qint64 bytesWaiting() const override { return m_active->bytesWaiting(); }
    void discardInput() override { m_active->discardInput(); }
    Error lastError() const override { return m_active->lastError(); }

    bool overTcp() const { return m_active == &m_tcp; }

private:
    void relay(ByteTransport &from);

    QtSerialPort m_serial;
    TcpTransport m_tcp;
    ByteTransport *m_active = &m_serial;
};

} // namespace kestrel

#pragma once
#include "portmap.h"
#include "serialport.h"

#include <QSerialPort>

namespace kestrel {

// The production port: a QSerialPort on the device path the port map gives for COMn.
class QtSerialPort : public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(PortMap map, QObject *parent = nullptr);

    void setPortNumber(int n) override;
    int portNumber() const override { return m_number; }
    QString devicePath() const override { return m_map.pathFor(m_number); }
    QString devicePathFor(int n) const override { return m_map.pathFor(n); }
    bool open() override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    bool setBaudRate(int baud) override;
    int baudRate() const override { return m_baud; }
    void setRts(bool on) override;
    void setDtr(bool on) override;
    qint64 bytesWaiting() const override { return m_port.bytesAvailable(); }
    void discardInput() override;
    bool write(const QByteArray &bytes) override;
    QByteArray readAll() override { return m_port.readAll(); }
    Error lastError() const override { return m_error; }
    const PortMap &portMap() const { return m_map; }

private:
    void onError(QSerialPort::SerialPortError e);
    Error errorOf(QSerialPort::SerialPortError e) const;

    PortMap m_map;
    QSerialPort m_port;
    int m_number = 1;
    int m_baud = 9600;
    Error m_error;
};

} // namespace kestrel

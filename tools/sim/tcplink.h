#pragma once
// The simulated bus behind a serial device server: the bus's RTU frames over TCP on the loopback
// address, one client at a time. A new connection takes the slot and the old one is closed, as
// device servers do, so a master whose connection died unnoticed can always come back. Requests are framed by
// their length as on the pseudo-terminal; replies are written at once, or after a device's late= delay.
#include "simbus.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace kestrel::sim {

class TcpLink : public QObject {
    Q_OBJECT
public:
    explicit TcpLink(SimBus &bus, QObject *parent = nullptr);
    ~TcpLink() override;

    // Listens on 127.0.0.1:port (0: a free port, see port()).
    bool listen(quint16 port, QString *error = nullptr);
    void close();
    quint16 port() const { return m_server.serverPort(); }
    bool hasClient() const { return m_client != nullptr; }
    void setVerbose(bool on) { m_verbose = on; }

Q_SIGNALS:
    void requestReceived(const QByteArray &frame);

private:
    void onNewConnection();
    void onReadable();
    void takeFrames();
    void trace(const char *dir, const QByteArray &bytes, const QString &note = {}) const;

    SimBus &m_bus;
    QPointer<QTcpSocket> m_client; // before the server: its sockets report their end to it
    QTcpServer m_server;
    QByteArray m_in;
    QTimer m_gap;
    bool m_verbose = false;
};

} // namespace kestrel::sim

#pragma once
// A bus behind a serial device server (Ethernet to RS-485): the same RTU frames, carried over
// one TCP connection. Framing, the reply's length and the time limit stay with the exchange;
// this class only moves bytes. Failures read as port errors, their descriptions in Chinese.
#include "bytetransport.h"

#include <QTcpSocket>
#include <memory>

namespace kestrel {

class Timer;
class TimerFactory;

class TcpTransport : public ByteTransport {
    Q_OBJECT
public:
    // How long open() waits for the device server to accept, on a timer from the factory.
    static constexpr int ConnectLimitMs = 3000;

    explicit TcpTransport(TimerFactory &timers, QObject *parent = nullptr);
    ~TcpTransport() override;

    void setEndpoint(const QString &host, quint16 port);
    QString endpoint() const;

    // Connects, yielding to the event loop until the server accepts, refuses or the limit passes.
    bool open() override;
    void close() override;
    bool isOpen() const override;
    bool write(const QByteArray &bytes) override;
    QByteArray readAll() override { return m_socket.readAll(); }
    qint64 bytesWaiting() const override { return m_socket.bytesAvailable(); }
    void discardInput() override { m_socket.readAll(); }
    Error lastError() const override { return m_error; }

private:
    void onError(QAbstractSocket::SocketError e);
    Error errorFor(QAbstractSocket::SocketError e) const;

    QTcpSocket m_socket;
    std::unique_ptr<Timer> m_timer;
    QString m_host;
    quint16 m_port = 0;
    bool m_connecting = false;
    bool m_connected = false; // open as far as the callers know
    Error m_error;
};

} // namespace kestrel

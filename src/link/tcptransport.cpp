#include "tcptransport.h"
#include "common/tr8.h"

#include "common/clock.h"
#include "common/log.h"
#include "texts.h"

#include <QEventLoop>
#include <cerrno>

namespace kestrel {

TcpTransport::TcpTransport(TimerFactory &timers, QObject *parent)
    : ByteTransport(parent), m_timer(timers.create())
{
    connect(&m_socket, &QTcpSocket::readyRead, this, &ByteTransport::dataReceived);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &TcpTransport::onError);
    // A peer that closes cleanly may show no error before the disconnection.
    connect(&m_socket, &QTcpSocket::disconnected, this,
            [this] { onError(QAbstractSocket::RemoteHostClosedError); });
}

TcpTransport::~TcpTransport()
{
    m_connected = false;
    m_socket.abort();
}

void TcpTransport::setEndpoint(const QString &host, quint16 port)
{
    if (host != m_host || port != m_port)
        close();
    m_host = host;
    m_port = port;
}

QString TcpTransport::endpoint() const
{
    return QStringLiteral("tcp://%1:%2").arg(m_host).arg(m_port);
}

bool TcpTransport::isOpen() const
{
    return m_connected && m_socket.state() == QAbstractSocket::ConnectedState;
}

bool TcpTransport::open()
{
    if (isOpen())
        return true;
    m_connected = false;
    m_socket.abort();
    QEventLoop loop;
    const auto quit = [&loop] { loop.quit(); };
    const QList<QMetaObject::Connection> links = {
        connect(&m_socket, &QTcpSocket::connected, &loop, quit),
        connect(&m_socket, &QTcpSocket::errorOccurred, &loop, quit),
        connect(m_timer.get(), &Timer::timeout, &loop, quit),
    };
    m_connecting = true;
    m_error = {};
    m_socket.connectToHost(m_host, m_port);
    if (m_socket.state() != QAbstractSocket::ConnectedState &&
        m_socket.state() != QAbstractSocket::UnconnectedState) {
        m_timer->setInterval(ConnectLimitMs);
        m_timer->start();
        loop.exec();
        m_timer->stop();
    }
    for (const auto &c : links)
        disconnect(c);
    m_connecting = false;
    if (m_socket.state() == QAbstractSocket::ConnectedState) {
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1); // a request is one small write
        m_connected = true;
        m_error = {};
        qCDebug(lcLink) << "connected to" << endpoint();
        return true;
    }
    if (m_error.description.isEmpty()) // the limit passed without an answer
        m_error = errorFor(QAbstractSocket::SocketTimeoutError);
    appendLog(QStringLiteral("%1: cannot connect: %2").arg(endpoint(), m_socket.errorString()));
    m_socket.abort();
    return false;
}

void TcpTransport::close()
{
    m_connected = false;
    m_socket.abort();
}

bool TcpTransport::write(const QByteArray &bytes)
{
    if (!isOpen())
        return false;
    const bool ok = m_socket.write(bytes) == bytes.size();
    m_socket.flush();
    return ok;
}

void TcpTransport::onError(QAbstractSocket::SocketError e)
{
    if (m_connecting) {
        m_error = errorFor(e);
        return;
    }
    if (!m_connected)
        return; // our own close, or a second report of one loss
    m_connected = false;
    m_error = errorFor(e);
    appendLog(QStringLiteral("%1 lost: %2").arg(endpoint(), m_socket.errorString()));
    // Closed later: the socket is inside its own signal here.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_connected)
                m_socket.abort();
        },
        Qt::QueuedConnection);
    Q_EMIT lost(m_error.description);
}

// The number is the system's error number for the same failure, so a field engineer can look it up.
ByteTransport::Error TcpTransport::errorFor(QAbstractSocket::SocketError e) const
{
    const QString where = QStringLiteral("（%1:%2）").arg(m_host).arg(m_port);
    switch (e) {
    case QAbstractSocket::ConnectionRefusedError:
        return {ECONNREFUSED, tr8(texts::link::TcpRefused) + where, m_socket.errorString()};
    case QAbstractSocket::HostNotFoundError:
        return {EHOSTUNREACH, tr8(texts::link::TcpHostNotFound) + where, m_socket.errorString()};
    case QAbstractSocket::SocketTimeoutError:
        return {ETIMEDOUT, tr8(texts::link::TcpTimeout) + where, m_socket.errorString()};
    case QAbstractSocket::RemoteHostClosedError:
    case QAbstractSocket::NetworkError:
        return {ECONNRESET, tr8(texts::link::TcpLost) + where, m_socket.errorString()};
    default:
        return {EIO, tr8(texts::link::TcpFailed) + where, m_socket.errorString()};
    }
}

} // namespace kestrel

#include "tcplink.h"
#include "ptylink.h"

#include <QDateTime>
#include <cstdio>

namespace kestrel::sim {

TcpLink::TcpLink(SimBus &bus, QObject *parent) : QObject(parent), m_bus(bus)
{
    m_gap.setSingleShot(true);
    m_gap.setInterval(PtyLink::FrameGapMs);
    connect(&m_gap, &QTimer::timeout, this, [this] {
        if (!m_in.isEmpty())
            trace("RX", m_in, QStringLiteral("incomplete frame dropped"));
        m_in.clear();
    });
    connect(&m_server, &QTcpServer::newConnection, this, &TcpLink::onNewConnection);
}

bool TcpLink::listen(quint16 port, QString *error)
{
    if (m_server.listen(QHostAddress::LocalHost, port))
        return true;
    if (error)
        *error = QStringLiteral("--tcp %1: %2").arg(port).arg(m_server.errorString());
    return false;
}

void TcpLink::close()
{
    m_server.close();
    if (m_client)
        m_client->abort();
}

// The sockets go with the link; none may report its end to a link half torn down.
TcpLink::~TcpLink()
{
    for (QTcpSocket *s : m_server.findChildren<QTcpSocket *>())
        disconnect(s, nullptr, this, nullptr);
}

void TcpLink::onNewConnection()
{
    while (QTcpSocket *s = m_server.nextPendingConnection()) {
        if (QTcpSocket *old = m_client) { // one slot: the newest client has it
            m_client = nullptr;
            trace("--", {}, QStringLiteral("previous client closed"));
            old->abort();
            old->deleteLater();
        }
        m_client = s;
        m_in.clear();
        connect(s, &QTcpSocket::readyRead, this, &TcpLink::onReadable);
        connect(s, &QTcpSocket::disconnected, this, [this, s] {
            if (m_client == s)
                m_client = nullptr;
            s->deleteLater();
        });
        trace("--", {}, QStringLiteral("client %1:%2").arg(s->peerAddress().toString()).arg(s->peerPort()));
    }
}

void TcpLink::onReadable()
{
    if (!m_client)
        return;
    m_in += m_client->readAll();
    takeFrames();
}

void TcpLink::takeFrames()
{
    for (;;) {
        // A function whose frame length is unknown here: what came in one piece is its frame.
        const int len = SimBus::requestLength(m_in);
        const int take = len < 0 ? int(m_in.size()) : len;
        if (take <= 0 || m_in.size() < take)
            break;
        const QByteArray frame = m_in.left(take);
        m_in.remove(0, take);
        Q_EMIT requestReceived(frame);
        const QList<Emission> answers = m_bus.answer(frame);
        trace("RX", frame, m_bus.lastNote());
        for (const Emission &e : answers) {
            QPointer<QTcpSocket> to = m_client;
            const auto send = [this, to, bytes = e.bytes] {
                if (to && to == m_client) {
                    trace("TX", bytes);
                    to->write(bytes);
                }
            };
            if (e.delayMs > 0)
                QTimer::singleShot(e.delayMs, this, send);
            else
                send();
        }
    }
    if (m_in.isEmpty())
        m_gap.stop();
    else
        m_gap.start();
}

void TcpLink::trace(const char *dir, const QByteArray &bytes, const QString &note) const
{
    if (!m_verbose)
        return;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz"));
    std::fprintf(stderr, "%s %s %s%s%s\n", qPrintable(stamp), dir, bytes.toHex(' ').constData(),
                 note.isEmpty() ? "" : "  ; ", qPrintable(note));
}

} // namespace kestrel::sim

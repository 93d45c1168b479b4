// The exchange over a serial device server (TCP) and over a pseudo-terminal: the same cases, the
// transport a column. The simulated bus runs in-process behind both; a peer that hangs up in the
// middle of a reply stands for a lost connection. Then the port side: a refused or lost
// connection is reported as a port error, and the port opens again.
#include "common/manualtime.h"
#include "common/recordingoperator.h"
#include "link/busport.h"
#include "link/exchange.h"
#include "link/portcontrol.h"
#include "link/texts.h"
#include "busfile.h"
#include "ptylink.h"
#include "simbus.h"
#include "tcplink.h"

#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

using namespace kestrel;

namespace {

const char *const kBus = R"(
1  33 3  230415 0001 17 set=2:215 set=3:456
9  33 3  230415 0009 17 silent
11 33 3  230415 0011 17 badcrc
)";

// The first bytes of device 1's reply to the read of registers 2 and 3, then the line goes dead.
const QByteArray kReplyHead = QByteArray::fromHex("010304");

struct Rig {
    explicit Rig(const QString &path)
        : port(
              [&] {
                  PortMap m;
                  m.set(3, path);
                  return m;
              }(),
              time)
    {
        port.setPortNumber(3);
        opened = port.open();
    }
    // A loaded machine may take longer than the default grace to report a connection made.
    test::ManualTime time{250};
    test::RecordingOperator op;
    BusPort port;
    Exchange ex{port, op, time, time};
    bool opened = false;

    bool read(int addr)
    {
        ex.CurAddr = uint8_t(addr);
        return ex.readRegisters(3, 2);
    }
};

// Answers the first request with the head of a reply and hangs up: over TCP it closes the
// connection, on a pseudo-terminal it closes the terminal.
struct HangUpPeer : QObject {
    QTcpServer server;
    QTcpSocket *client = nullptr;
    sim::RawPty pty;
    QSocketNotifier *notifier = nullptr;

    QString open(const QString &transport, QString *error)
    {
        if (transport == QLatin1String("tcp")) {
            if (!server.listen(QHostAddress::LocalHost, 0))
                return *error = server.errorString(), QString();
            connect(&server, &QTcpServer::newConnection, this, [this] {
                client = server.nextPendingConnection();
                connect(client, &QTcpSocket::readyRead, this, [this] {
                    client->readAll();
                    client->write(kReplyHead);
                    client->flush();
                    client->disconnectFromHost();
                });
            });
            return QStringLiteral("tcp://127.0.0.1:%1").arg(server.serverPort());
        }
        const auto p = sim::openRawPty(error);
        if (!p)
            return {};
        pty = *p;
        notifier = new QSocketNotifier(pty.master, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this] {
            char buf[64];
            while (::read(pty.master, buf, sizeof buf) > 0) {
            }
            [[maybe_unused]] const ssize_t n =
                ::write(pty.master, kReplyHead.constData(), size_t(kReplyHead.size()));
            notifier->setEnabled(false);
            QTimer::singleShot(5, this, [this] { sim::closeRawPty(pty); });
        });
        return pty.device;
    }
    ~HangUpPeer() override
    {
        delete notifier;
        sim::closeRawPty(pty);
    }
};

} // namespace

class TestTcp : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    sim::SimBus m_bus{sim::parseBusText(QString::fromLatin1(kBus)).devices};
    sim::PtyLink m_pty{m_bus};
    sim::TcpLink m_tcp{m_bus};

    QString pathOf(const QString &transport) const
    {
        return transport == QLatin1String("tcp") ? QStringLiteral("tcp://127.0.0.1:%1").arg(m_tcp.port())
                                                 : m_pty.linkPath();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_pty.open(m_dir.filePath(QStringLiteral("com3")), &error), qPrintable(error));
        QVERIFY2(m_tcp.listen(0, &error), qPrintable(error));
    }

    void exchange_data()
    {
        QTest::addColumn<QString>("transport");
        QTest::addColumn<int>("address");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("timedOut");
        QTest::addColumn<int>("injectedMs"); // of the wait
        QTest::addColumn<int>("firstWord");  // the data starts as 0x55 bytes
        for (const char *t : {"pty", "tcp"}) {
            QTest::addRow("%s good reply", t) << t << 1 << true << false << 0 << 215;
            QTest::addRow("%s silent device", t)
                << t << 9 << false << true << Exchange::TimeLimitMs << 0x5555;     // left as it was
            QTest::addRow("%s bad CRC", t) << t << 11 << false << false << 0 << 0; // cleared
        }
    }
    void exchange()
    {
        QFETCH(QString, transport);
        QFETCH(int, address);
        QFETCH(bool, ok);
        QFETCH(bool, timedOut);
        QFETCH(int, injectedMs);
        QFETCH(int, firstWord);
        Rig r(pathOf(transport));
        QVERIFY(r.opened);
        QCOMPARE(r.port.overTcp(), transport == QLatin1String("tcp"));
        r.ex.data[0] = r.ex.data[1] = 0x55;
        QCOMPARE(r.read(address), ok);
        QCOMPARE(r.ex.failureCount, quint16(ok ? 0 : 1));
        QCOMPARE(r.ex.valueTimeout, timedOut);
        QCOMPARE(r.time.elapsedMs(), qint64(injectedMs));
        QCOMPARE(r.ex.word(0), firstWord);
        QVERIFY(r.port.isOpen());
    }

    // The line goes dead after three bytes of the reply: the read fails at once, not after the
    // time limit, and the port reports itself lost and closed.
    void hangUpDuringReply_data()
    {
        QTest::addColumn<QString>("transport");
        QTest::newRow("pty") << "pty";
        QTest::newRow("tcp") << "tcp";
    }
    void hangUpDuringReply()
    {
        QFETCH(QString, transport);
        HangUpPeer peer;
        QString error;
        const QString path = peer.open(transport, &error);
        QVERIFY2(!path.isEmpty(), qPrintable(error));
        Rig r(path);
        QVERIFY(r.opened);
        QSignalSpy lost(&r.port, &ByteTransport::lost);
        QVERIFY(!r.read(1));
        QCOMPARE(r.ex.failureCount, quint16(1));
        QVERIFY2(r.time.elapsedMs() < Exchange::TimeLimitMs, qPrintable(QString::number(r.time.elapsedMs())));
        QCOMPARE(lost.count(), 1);
        QVERIFY(!r.port.isOpen());
    }

    // The simulator serves one client at a time: a second connection takes the bus, the first is
    // told its connection is lost.
    void oneClientAtATime()
    {
        Rig first(pathOf(QStringLiteral("tcp")));
        QSignalSpy lost(&first.port, &ByteTransport::lost);
        Rig second(pathOf(QStringLiteral("tcp")));
        QVERIFY(second.read(1));
        QTRY_COMPARE(lost.count(), 1);
        QVERIFY(!first.read(1));
    }

    // A device server that is not listening: the start-up reports the port error with the refusal
    // in Chinese; once the server listens, the button opens the port and reads go through.
    void refusedThenReopened()
    {
        QTcpServer probe; // a port that nothing listens on
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 free = probe.serverPort();
        probe.close();
        Rig r(QStringLiteral("tcp://127.0.0.1:%1").arg(free));
        QVERIFY(!r.opened);
        PortControl control(r.port, r.op);
        control.startUp();
        QCOMPARE(r.op.messages.size(), 1);
        QVERIFY(r.op.messages[0].text.startsWith(QString::fromUtf8(texts::link::AppError)));
        QVERIFY2(r.op.messages[0].text.contains(QString::fromUtf8(texts::link::TcpRefused)),
                 qPrintable(r.op.messages[0].text));
        QVERIFY(!control.portOpen());

        sim::TcpLink server(m_bus);
        QVERIFY(server.listen(free));
        control.Com_Click();
        QVERIFY(control.portOpen());
        QCOMPARE(r.op.messages.size(), 1);
        QVERIFY(r.read(1));
    }

    // The server drops the connection: reported once as a port error (the window's "OnComm"
    // path), polling's reads fail at once; the button reconnects.
    void lostThenReopened()
    {
        sim::TcpLink server(m_bus);
        QVERIFY(server.listen(0));
        Rig r(QStringLiteral("tcp://127.0.0.1:%1").arg(server.port()));
        PortControl control(r.port, r.op);
        control.startUp();
        QVERIFY(control.portOpen());
        QTRY_VERIFY(server.hasClient());
        server.close();
        QTRY_VERIFY(!control.portOpen());
        QCOMPARE(r.op.messages.size(), 1);
        QVERIFY2(r.op.messages[0].text.contains(QString::fromUtf8(texts::link::TcpLost)),
                 qPrintable(r.op.messages[0].text));
        QVERIFY(!r.read(1));
        QCOMPARE(r.time.elapsedMs(), qint64(0)); // no wait on a closed port

        QVERIFY(server.listen(r.port.devicePath().section(u':', -1).toUShort()));
        control.Com_Click();
        QVERIFY(control.portOpen());
        QVERIFY(r.read(1));
    }
};

QTEST_GUILESS_MAIN(TestTcp)
#include "tst_tcp.moc"

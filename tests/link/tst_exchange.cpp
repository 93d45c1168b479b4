// The link and the bus simulator it is tested against. The link: request frames and their CRC,
// the value-read table, the reply check, the input check and the port map; the command exchange on
// a real serial port (a pseudo-terminal), its time limit on injected time: against kestrel-sim and
// its faults, and against Modbus code written elsewhere: a Qt SerialBus RTU server answering the
// exchange, libmodbus building the same requests, and mbpoll reading kestrel-sim. The simulator:
// bus files, the answers of its sensors over a real pseudo-terminal, and the kestrel-sim program
// itself (its faults are checked where the exchange meets them).
#include "busfile.h"
#include "common/manualtime.h"
#include "common/recordingoperator.h"
#include "common/log.h"
#include "common/simprocess.h"
#include "common/timedwire.h"
#include "console/crcconsole.h"
#include "link/busport.h"
#include "link/checkinput.h"
#include "link/crc16.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/portcontrol.h"
#include "link/portmap.h"
#include "link/qtserialport.h"
#include "link/texts.h"
#include "link/trafficmodel.h"
#include "ptylink.h"
#include "simbus.h"
#include "tcplink.h"

#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QModbusRtuSerialServer>
#include <QSerialPort>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <unistd.h>
#ifdef KESTREL_HAVE_LIBMODBUS
#include <modbus.h>
#endif

using namespace kestrel;
using L = QList<int>;

namespace {

const auto hex = [](const char *h) -> QByteArray { return QByteArray::fromHex(h); };
constexpr int Refused = -1000, Untouched = 7777; // of the input check

// Faults per address: 5 answers 300 ms late (real time: after its injected time-out), 6 600 ms
// late, 9 never, 10 with the wrong address byte, 11 with a bad CRC, 13 with four bytes too many.
const char *const kBus = R"(
1  33 3  230415 0001 17 set=2:215 set=3:456
5  33 3  230415 0005 17 late=300
6  33 3  230415 0006 17 late=600 set=2:111 set=3:222
9  33 3  230415 0009 17 silent
10 33 3  230415 0010 17 wrongaddr
11 33 3  230415 0011 17 badcrc
13 33 3  230415 0013 17 trailing=4 set=2:1 set=3:2
)";

// The system's exchange on COM3, COM3 mapped to `path`: a serial port, or a serial device server.
template <class Port> struct PortRig {
    explicit PortRig(const QString &path, int graceMs = test::ManualTime::DefaultGraceMs)
        : time(graceMs), port([&]() -> Port {
              PortMap m;
              m.set(3, path);
              if constexpr (std::is_same_v<Port, BusPort>)
                  return Port(m, time);
              else
                  return Port(m);
          }())
    {
        port.setPortNumber(3);
        opened = port.open();
    }
    test::ManualTime time;
    test::RecordingOperator op;
    Port port;
    Exchange ex{port, op, time, time};
    bool opened = false;

    bool read(int addr, int selector = 2, int selIndex = 0)
    {
        ex.CurAddr = uint8_t(addr);
        return ex.readRegisters(3, uint8_t(selector), uint8_t(selIndex));
    }
    L words(qsizetype count) const
    {
        L w;
        for (int i = 0; i < count; ++i)
            w << ex.word(2 * i);
        return w;
    }
};
using Rig = PortRig<QtSerialPort>;
// A loaded machine may take longer than the default grace to report a connection made.
struct TcpRig : PortRig<BusPort> {
    explicit TcpRig(const QString &path) : PortRig(path, 250) {}
};

// Two pseudo-terminals joined master to master: what goes into one's device comes out of the
// other's, like a null-modem cable. What goes from b to a is also kept in `toA`.
struct NullModem : QObject {
    sim::RawPty a, b;
    QByteArray toA;
    bool open(QString *error)
    {
        const auto pa = sim::openRawPty(error), pb = sim::openRawPty(error);
        if (!pa || !pb)
            return false;
        join(a = *pa, b = *pb, nullptr);
        join(b, a, &toA);
        return true;
    }
    void join(const sim::RawPty &from, const sim::RawPty &to, QByteArray *tap)
    {
        auto *n = new QSocketNotifier(from.master, QSocketNotifier::Read, this);
        connect(n, &QSocketNotifier::activated, this, [from, to, tap] {
            char buf[512];
            for (ssize_t got; (got = ::read(from.master, buf, sizeof buf)) > 0;) {
                [[maybe_unused]] const ssize_t w = ::write(to.master, buf, size_t(got));
                if (tap)
                    tap->append(buf, got);
            }
        });
    }
    ~NullModem() override
    {
        qDeleteAll(findChildren<QSocketNotifier *>());
        sim::closeRawPty(a);
        sim::closeRawPty(b);
    }
};

// A frame of the body given in hex, a read request and its reply.
const auto frame = [](const QString &bodyHex) -> QByteArray {
    return withCrc(QByteArray::fromHex(bodyHex.toLatin1()));
};
const auto req = [](int addr, int start, int n) -> QByteArray {
    return frame(QString::asprintf("%02x03%04x%04x", addr, start, n));
};
QByteArray rep(int addr, const QList<int> &words)
{
    QString hex = QString::asprintf("%02x03%02x", addr, int(2 * words.size()));
    for (int w : words)
        hex += QString::asprintf("%04x", w);
    return withCrc(QByteArray::fromHex(hex.toLatin1()));
}

// The test's end of the wire. ask() writes a request and collects what comes back until 60 ms
// pass without a byte after the first one, or maxMs in all, counting the pieces and noting when
// the last byte came.
struct Wire {
    explicit Wire(const QString &path)
    {
        port.setPortName(path);
        ok = port.open(QIODevice::ReadWrite);
    }
    QByteArray ask(const QByteArray &request, int maxMs = 600)
    {
        port.readAll();
        port.write(request);
        QByteArray got;
        QElapsedTimer t;
        t.start();
        for (pieces = 0; port.waitForReadyRead(got.isEmpty() ? qMax(maxMs - t.elapsed(), 1LL) : 60);
             ++pieces) {
            got += port.readAll();
            lastByteMs = t.elapsed();
        }
        return got;
    }
    QSerialPort port;
    bool ok = false;
    int pieces = 0;
    qint64 lastByteMs = -1;
};

// The exchange on the simulator's bus model, on injected time.
struct WireRig {
    explicit WireRig(const QString &busText) : bus(sim::parseBusText(busText).devices)
    {
        bus.setFixed(true);
        wire.open();
    }
    test::ManualTime time;
    sim::SimBus bus;
    test::TimedWire wire{bus, time};
    test::RecordingOperator op;
    Exchange ex{wire, op, time, time};

    bool read(int addr)
    {
        ex.CurAddr = uint8_t(addr);
        return ex.readRegisters(3, 2); // temperature and humidity
    }
};

// A port that opens and takes a baud rate only when told to.
class ScriptedPort : public SerialPort {
public:
    bool opens = true, takesBaud = true;
    bool open() override { return m_open = opens; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray &) override { return m_open; }
    QByteArray readAll() override { return {}; }
    qint64 bytesWaiting() const override { return 0; }
    void discardInput() override {}
    Error lastError() const override
    {
        return {12, QStringLiteral("refused"), QStringLiteral("system words")};
    }
    void setPortNumber(int n) override { m_number = n; }
    int portNumber() const override { return m_number; }
    QString devicePath() const override { return QStringLiteral("/dev/ttyS%1").arg(m_number - 1); }
    QString devicePathFor(int n) const override { return QStringLiteral("/dev/ttyS%1").arg(n - 1); }
    bool setBaudRate(int baud) override { return takesBaud && (m_baud = baud, true); }
    int baudRate() const override { return m_baud; }
    void setRts(bool) override {}
    void setDtr(bool) override {}

private:
    bool m_open = false;
    int m_number = 1, m_baud = 9600;
};

QString t8(const char *s)
{
    return QString::fromUtf8(s);
}

const QString kThRh = QStringLiteral("1 33 3 230415 0001 17 set=2:215 set=3:456\n");

// 1 answers well, 6 after 150 ms, 9 never, 10 with the wrong address byte, 11 with a bad CRC,
// 13 with four zero bytes after its reply, 5 after 300 ms (after its injected time-out).
const char *const kTrafficBus = R"(
1  33 3 230415 0001 17 set=2:215 set=3:456
5  33 3 230415 0005 17 late=300
6  33 3 230415 0006 17 late=150
9  33 3 230415 0009 17 silent
10 33 3 230415 0010 17 wrongaddr
11 33 3 230415 0011 17 badcrc
13 33 3 230415 0013 17 trailing=4
)";

// An exchange on COM3 (mapped to `path`) and the traffic it publishes.
struct TrafficRig {
    TrafficRig(const QString &path, Clock &clock, TimerFactory &timers)
        : port([&] {
              PortMap m;
              m.set(3, path);
              return m;
          }()),
          ex(port, op, timers, clock)
    {
        port.setPortNumber(3);
        opened = port.open();
    }
    test::RecordingOperator op;
    QtSerialPort port;
    Exchange ex;
    Traffic traffic{ex};
    bool opened = false;

    bool read(int address)
    {
        ex.CurAddr = uint8_t(address);
        return ex.readRegisters(3, 2); // temperature and humidity: registers 2 and 3
    }
};

// The read request of temperature and humidity (registers 2 and 3).
QByteArray request(int address)
{
    const char body[] = {char(address), 3, 0, 2, 0, 2};
    return withCrc(QByteArray(body, 6));
}

TrafficRecord record(int address, qint64 responseMs, Verdict v = Verdict::Ok)
{
    TrafficRecord r;
    r.sentAt = QDateTime(QDate(2026, 12, 6), QTime(10, 0));
    r.receivedAt = r.sentAt.addMSecs(responseMs);
    r.request = request(address);
    r.reply = QByteArray::fromHex("0003040001000200");
    r.address = uint8_t(address);
    r.function = 3;
    r.verdict = v;
    return r;
}

const char *const kTcpBus = R"(
1  33 3  230415 0001 17 set=2:215 set=3:456
9  33 3  230415 0009 17 silent
11 33 3  230415 0011 17 badcrc
)";

// The first bytes of device 1's reply to the read of registers 2 and 3, then the line goes dead.
const QByteArray kReplyHead = QByteArray::fromHex("010304");

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

class TestExchange : public QObject {
    Q_OBJECT
    test::SimProcess m_sim{QString::fromLatin1(kBus)};
    test::SimProcess m_trafficSim{QString::fromLatin1(kTrafficBus)};
    NullModem m_modem; // a Qt SerialBus server on its end a
    QModbusRtuSerialServer m_server;
    QTemporaryDir m_logDir;
    QTemporaryDir m_tcpDir;
    sim::SimBus m_bus{sim::parseBusText(QString::fromLatin1(kTcpBus)).devices};
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
        setLogFolder(m_logDir.path());
        QString error;
        QVERIFY2(m_pty.open(m_tcpDir.filePath(QStringLiteral("com3")), &error), qPrintable(error));
        QVERIFY2(m_tcp.listen(0, &error), qPrintable(error));
        QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));
        QVERIFY2(m_trafficSim.start(), qPrintable(m_trafficSim.errorString()));
        QVERIFY2(m_modem.open(&error), qPrintable(error));
        m_server.setConnectionParameter(QModbusDevice::SerialPortNameParameter, m_modem.a.device);
        m_server.setConnectionParameter(QModbusDevice::SerialBaudRateParameter, 9600);
        m_server.setMap({{QModbusDataUnit::HoldingRegisters, {QModbusDataUnit::HoldingRegisters, 0, 256}}});
        const QList<QPair<int, int>> values = {{2, 215},      {3, 456},      {6, 789},      {10, 35},
                                               {240, 0x2304}, {241, 0x1500}, {242, 0x0117}, {243, 0x5119}};
        for (const auto &[reg, v] : values)
            QVERIFY(m_server.setData(QModbusDataUnit::HoldingRegisters, quint16(reg), quint16(v)));
        QVERIFY2(m_server.connectDevice(), qPrintable(m_server.errorString()));
    }
    void cleanupTestCase() { m_server.disconnectDevice(); }

    // The value-read plan: a free read at 240 takes the whole identity block and puts its count back
    // into the free-read box; selectors outside the table read nothing. (The frames and the other
    // plans: against libmodbus and the Qt server below.)
    void readPlans()
    {
        uint8_t count = 1;
        const auto plan = valueReadPlan(255, 0, 240, count);
        QVERIFY(plan && plan->start == 240 && plan->count == 4);
        QCOMPARE(plan->expected, 8); // the reply is that + 5 bytes
        QCOMPARE(count, uint8_t(4));
        for (int s : {1, 4, 5, 7, 12, 14, 15, 17, 22, 240, 254})
            QVERIFY2(!valueReadPlan(uint8_t(s), 0, 0, count), qPrintable(QString::number(s)));
    }

    void replyCheck_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("slave");
        QTest::addColumn<int>("n");
        QTest::addColumn<QByteArray>("data"); // empty: rejected
        const QByteArray good = withCrc(hex("05030400FA01F4")), data = hex("00FA01F4"), big(250, '\x22');
        QByteArray lowWrong = good, highWrong = good;
        lowWrong[7] = char(lowWrong[7] ^ 1);
        highWrong[8] = char(highWrong[8] ^ 1);
        QTest::newRow("good") << good << 5 << 4 << data;
        QTest::newRow("longer reply: its first n+5 bytes") << good + hex("AABBCC") << 5 << 4 << data;
        QTest::newRow("other address, right CRC") << withCrc(hex("06030400FA01F4")) << 5 << 4 << QByteArray();
        QTest::newRow("wrong function code accepted") << withCrc(hex("05040400FA01F4")) << 5 << 4 << data;
        QTest::newRow("wrong byte count accepted") << withCrc(hex("05030900FA01F4")) << 5 << 4 << data;
        QTest::newRow("only the CRC high byte right") << lowWrong << 5 << 4 << QByteArray();
        QTest::newRow("only the CRC low byte right") << highWrong << 5 << 4 << QByteArray();
        QTest::newRow("one byte short (its CRC high byte 0)")
            << withCrc(hex("05030400FA0007")).left(8) << 5 << 4 << QByteArray();
        QTest::newRow("write echo, n = 3") << withCrc(hex("001000000001")) << 0 << 3 << hex("000001");
        QTest::newRow("250 data bytes") << withCrc(hex("0103FA") + big) << 1 << 250 << big;
        QTest::newRow("more than the buffer holds") << QByteArray(261, '\x01') << 1 << 257 << QByteArray();
    }
    void replyCheck()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, slave);
        QFETCH(int, n);
        QFETCH(QByteArray, data);
        ReplyData buf;
        buf.fill(0x55);
        QCOMPARE(checkReply(reply, uint8_t(slave), n, buf), !data.isEmpty());
        if (data.isEmpty()) // rejected: the first two data bytes cleared, nothing else touched
            data = hex("0000");
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(buf.data()), data.size() + 1), data + '\x55');
    }

    void checkInputTable_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("value"); // Refused: false, nothing stored
        QTest::newRow("kind 8 256") << "256" << 8 << Refused;
        QTest::newRow("kind 8 255") << "255" << 8 << 255;
        QTest::newRow("kind 8 12.5 halves to even") << "12.5" << 8 << 12;
        QTest::newRow("kind 8 13.5") << "13.5" << 8 << 14;
        QTest::newRow("kind 8 too long") << "00001" << 8 << Refused;
        QTest::newRow("kind 8 letters give 0") << "ab" << 8 << 0;
        QTest::newRow("kind 8 leading blanks") << "  7x" << 8 << 7;
        QTest::newRow("kind 8 second point stops") << "1.2." << 8 << 1;
        QTest::newRow("kind 8 exponent") << "1e2x" << 8 << 100;
        QTest::newRow("kind 8 a full-width digit stops") << QString::fromUtf8("7１") << 8 << 7;
        QTest::newRow("kind 12 -3") << "-3" << 12 << -30;
        QTest::newRow("kind 12 -99") << "-99" << 12 << -990;
        QTest::newRow("kind 12 400") << "400" << 12 << 4000;
        QTest::newRow("kind 12 401") << "401" << 12 << Refused;
        QTest::newRow("kind 12 1.25") << "1.25" << 12 << 12;
        QTest::newRow("kind 0 200") << "200" << 0 << 200;
        QTest::newRow("kind 0 201") << "201" << 0 << Refused;
        QTest::newRow("kind 1 -50") << "-50" << 1 << -50;
        QTest::newRow("kind 1 -51") << "-51" << 1 << Refused;
        QTest::newRow("kind 1 129") << "129" << 1 << Refused;
        QTest::newRow("other kinds: anything goes, nothing stored") << "anything long" << 5 << Untouched;
    }
    void checkInputTable()
    {
        QFETCH(QString, text);
        QFETCH(int, kind);
        QFETCH(int, value);
        int16_t stored = Untouched;
        QCOMPARE(checkInput(text, uint8_t(kind), stored), value != Refused);
        QCOMPARE(int(stored), value == Refused ? Untouched : value);
    }

    void portMapping()
    {
        PortMap m;
        QCOMPARE(m.pathFor(3), "/dev/ttyS2");
        QVERIFY(m.addMappings("COM3=/tmp/sim link,com5=/dev/ttyUSB0"));
        QCOMPARE(m.pathFor(3), "/tmp/sim link");
        QCOMPARE(m.pathFor(5), "/dev/ttyUSB0");
        QString err;
        QVERIFY(!m.addMapping("COM9=/dev/x", &err) && !err.isEmpty());
        QVERIFY(!m.addMapping("/dev/ttyUSB0"));
    }

    // Rejections, a time-out, a late reply and good replies in one run: the failure count goes up by
    // one for each failure; only a time-out raises the time-out flag and only a good reply lowers it.
    void failuresAndLateReply()
    {
        Rig r(m_sim.linkPath());
        QVERIFY(r.opened);
        qint64 ms = 0; // of injected time
        const auto step = [&](int addr, bool ok, int failures, bool timedOut) {
            const qint64 t = r.time.elapsedMs();
            QCOMPARE(r.read(addr), ok);
            ms = r.time.elapsedMs() - t;
            QCOMPARE(r.ex.failureCount, quint16(failures));
            QCOMPARE(r.ex.valueTimeout, timedOut);
        };
        r.ex.data[0] = r.ex.data[1] = 0x55;
        step(11, false, 1, false); // bad CRC: rejected at once, the whole reply taken, the data cleared
        QVERIFY2(ms == 0 && r.ex.lastReply().size() == 9 && r.ex.word(0) == 0,
                 qPrintable(QString::number(ms)));
        step(5, false, 2, true); // its reply is still on its way: timed out after 3 s
        QCOMPARE(ms, qint64(Exchange::TimeLimitMs));
        r.time.setGraceMs(2000); // the wait for 6 lasts until device 5's late reply has come
        step(6, false, 3, true); // device 5's reply, taken in this wait, is refused for its address byte
        QVERIFY2(ms == 0 && r.ex.lastReply().at(0) == 5, qPrintable(QString::number(ms)));
        r.time.setGraceMs(test::ManualTime::DefaultGraceMs);
        QTRY_VERIFY(r.port.bytesWaiting() > 0); // device 6's own reply, now stray, spoils nothing
        step(10, false, 4, true);               // another address, with its right CRC
        const QByteArray wrong = r.ex.lastReply();
        QVERIFY2(wrong.size() == 9 && wrong.at(0) == 11 && withCrc(wrong.left(7)) == wrong, wrong.toHex(' '));
        step(13, true, 4, false); // the first n + 5 bytes taken, the rest dropped
        QCOMPARE(r.ex.lastRequest().toHex(' ') + ' ' + r.ex.lastReply().toHex(' '),
                 "0d 03 00 02 00 02 65 07 " + withCrc(QByteArray::fromHex("0d030400010002")).toHex(' '));
        step(1, true, 4, false);
        QCOMPARE(r.words(2), (L{215, 456}));
        QVERIFY(r.op.messages.isEmpty());
    }

    // The address read and the address write on a bus of one answering device and a silent one (the
    // failures and their messages: tst_commissioning).
    void addrExchange()
    {
        test::SimProcess sim(u"200 33 3 230415 0004 17 set=2:215\n3 0 6 230415 0003 17 silent\n"_qs);
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        Rig r(sim.linkPath());
        QVERIFY(r.opened);
        QVERIFY(r.ex.addrExchange(3, 0));
        QCOMPARE(r.ex.lastRequest().toHex(' '), QByteArray("00 03 00 00 00 01 85 db"));
        QCOMPARE(r.ex.word(0), 200);
        // The address write is echoed: start low, count high, count low.
        QVERIFY(r.ex.addrExchange(16, 0, 12));
        QCOMPARE(r.ex.lastRequest().toHex(' ') +
                     QByteArray(reinterpret_cast<const char *>(r.ex.data.data()), 3),
                 QByteArray("00 10 00 00 00 01 02 00 0c ab c5\0\0\1", 35));
        QVERIFY(r.read(12) && r.words(1) == L{215});
        QVERIFY(!r.ex.addrExchange(16, 5)); // only registers 0, 4 and 6 are written
        QCOMPARE(r.ex.lastRequest().size(), 8);
        QVERIFY(r.op.messages.isEmpty());
    }

    // An exchange to a silent device times out after 3 s of injected time within a few grace
    // periods of real time; an exchange started meanwhile waits its turn (one on the wire at a
    // time) and takes its own reply.
    void silentDeviceTimesOutOnInjectedTime()
    {
        Rig r(m_sim.linkPath());
        QVERIFY(r.opened);
        QStringList wire; // the address byte of what went out and came in, in order
        connect(&r.ex, &Exchange::frameSent, this,
                [&](const QByteArray &f) { wire << "TX " + f.toHex().left(2); });
        connect(&r.ex, &Exchange::replyTaken, this,
                [&](const QByteArray &f) { wire << "RX " + f.toHex().left(2); });
        L inner;
        QTimer::singleShot(0, this, [&] { inner = {r.read(1), r.ex.word(0), r.ex.word(2)}; });
        QElapsedTimer real;
        real.start();
        QVERIFY(!r.read(9));
        QVERIFY2(real.elapsed() < 20 * r.time.graceMs(), qPrintable(QString::number(real.elapsed())));
        QCOMPARE(r.time.elapsedMs(), qint64(Exchange::TimeLimitMs));
        QVERIFY(r.ex.valueTimeout);
        QCOMPARE(inner, (L{true, 215, 456}));
        QCOMPARE(wire, (QStringList{"TX 09", "TX 01", "RX 01"}));
    }

    void qtServerAnswersOurReads_data()
    {
        QTest::addColumn<L>("in"); // server address, selector, selIndex, customStart, customCount
        QTest::addColumn<L>("words");
        QTest::newRow("T+RH at 247") << L{247, 2, 0, 0, 0} << L{215, 456};
        QTest::newRow("CO2 at 1") << L{1, 6, 3, 0, 0} << L{789};
        QTest::newRow("free read of 9 from 2") << L{1, 255, 0, 2, 9} << L{215, 456, 0, 0, 789, 0, 0, 0, 35};
        QTest::newRow("identity block: 1 sent as 4")
            << L{1, 255, 0, 240, 1} << L{0x2304, 0x1500, 0x0117, 0x5119};
    }
    void qtServerAnswersOurReads()
    {
        QFETCH(L, in);
        QFETCH(L, words);
        m_server.setServerAddress(in[0]);
        Rig r(m_modem.b.device);
        QVERIFY(r.opened);
        r.ex.CustomStart = uint8_t(in[3]);
        r.ex.CustomCount = uint8_t(in[4]);
        QVERIFY2(r.read(in[0], in[1], in[2]),
                 (r.ex.lastRequest().toHex(' ') + " got " + r.ex.lastReply().toHex(' ')).constData());
        QCOMPARE(r.words(words.size()), words);
        QCOMPARE(r.ex.lastReply().size(), 2 * words.size() + 5); // the identity block: 13 bytes
        QCOMPARE(r.ex.failureCount, quint16(0));
    }

    void libmodbusBuildsTheSameFrames_data()
    {
        QTest::addColumn<L>("op"); // slave, function, start, count, value
        QTest::newRow("T+RH read") << L{1, 3, 2, 2, 0};
        QTest::newRow("identity block") << L{247, 3, 240, 4, 0}; // libmodbus slaves: 1..247
        QTest::newRow("free read of 125") << L{17, 3, 0, 125, 0};
        QTest::newRow("read address") << L{0, 3, 0, 1, 0};
        QTest::newRow("set address 12") << L{0, 16, 0, 1, 12};
        QTest::newRow("set address 255") << L{0, 16, 0, 1, 255};
    }
    // libmodbus sends its request for the same operation to the server; the bytes must be ours, and
    // its CRC what the CRC calculator makes of them.
    void libmodbusBuildsTheSameFrames()
    {
#ifndef KESTREL_HAVE_LIBMODBUS
        QSKIP("libmodbus was not found when building");
#else
        QFETCH(L, op);
        m_modem.toA.clear();
        modbus_t *ctx = modbus_new_rtu(m_modem.b.device.toLocal8Bit().constData(), 9600, 'N', 8, 1);
        QVERIFY(ctx && modbus_set_slave(ctx, op[0]) == 0 && modbus_connect(ctx) == 0);
        modbus_set_response_timeout(ctx, 0, 20000); // the test's event loop pumps only afterwards
        uint16_t regs[125] = {uint16_t(op[4])};
        if (op[1] == 3)
            modbus_read_registers(ctx, op[2], op[3], regs);
        else
            modbus_write_registers(ctx, op[2], 1, regs);
        modbus_close(ctx);
        modbus_free(ctx);
        const RequestFields f{uint8_t(op[0]), uint8_t(op[1]), uint8_t(op[2]), uint8_t(op[3]), 0, 0, 0,
                              uint8_t(op[4])};
        QTRY_COMPARE(m_modem.toA.toHex(' '), buildRequest(f).toHex(' '));
        // The CRC calculator given libmodbus's frame without its CRC shows the same two bytes, given
        // the whole frame 00 00.
        test::RecordingOperator noOne;
        CrcConsole c(noOne);
        c.setHex(true);
        c.setCommand(QString::fromLatin1(m_modem.toA.chopped(2).toHex(' ')));
        QVERIFY(c.cacCrc_Click());
        QCOMPARE(c.crcLow() + c.crcHigh(), QString::fromLatin1(m_modem.toA.right(2).toHex().toUpper()));
        c.setCommand(QString::fromLatin1(m_modem.toA.toHex(' ')));
        QVERIFY(c.cacCrc_Click());
        QCOMPARE(c.crcHigh() + c.crcLow(), QStringLiteral("0000"));
#endif
    }

    // mbpoll (libmodbus underneath) reads the demo bus with fixed values: address, start, count.
    // The words must be those of the bus model.
    void mbpollReadsTheSimulator_data()
    {
        QTest::addColumn<L>("read");
        QTest::newRow("address and T+RH at 1") << L{1, 0, 4};
        QTest::newRow("polling block at 7") << L{7, 2, 9};
        QTest::newRow("identity block at 7") << L{7, 240, 4};
    }
    void mbpollReadsTheSimulator()
    {
        const QString mbpoll = QStandardPaths::findExecutable("mbpoll");
        if (mbpoll.isEmpty())
            QSKIP("mbpoll is not installed");
        QFETCH(L, read);
        test::SimProcess sim(QStringLiteral("demo"), {"--fixed"});
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        QProcess p; // mbpoll's references are 1-based: register r is reference r + 1
        const auto n = [](int v) { return QString::number(v); };
        p.start(mbpoll, {"-m", "rtu", "-a", n(read[0]), "-r", n(read[1] + 1), "-c", n(read[2]), "-t", "4:hex",
                         "-b", "9600", "-P", "none", "-1", sim.linkPath()});
        QVERIFY(p.waitForFinished(10000));
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(p.exitCode() == 0, qPrintable(out + p.readAllStandardError()));
        static const QRegularExpression line("^\\[(\\d+)\\]:\\s+0x([0-9A-Fa-f]{4})\\s*$",
                                             QRegularExpression::MultilineOption);
        QMap<int, int> got, expected;
        for (auto it = line.globalMatch(out); it.hasNext();) {
            const auto m = it.next();
            got[m.captured(1).toInt() - 1] = m.captured(2).toInt(nullptr, 16);
        }
        sim::SimBus model(sim::parseBusText(sim::demoBusText()).devices);
        model.setFixed(true);
        for (int r = read[1]; r < read[1] + read[2]; ++r)
            expected[r] = *model.registerValue(uint8_t(read[0]), r);
        QCOMPARE(got, expected);
    }

    // A bus text and the lines of its devices as read back, or the start of the error it gives.
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString dev = "1 33 3 230415 0001 17 ";
        const auto row = [](const char *name, const QString &text, const char *expected) {
            QTest::newRow(name) << text << QString(expected);
        };
        row("good",
            "# a comment\n\n\t 5\t49 13 ABCDEF 1234 0c silent late=3500 badcrc wrongaddr trailing=3 "
            "set=2:-50 "
            "set=0x10:0x1F4 # tail\r\n255 0 0 000000 0000 00",
            "5 49 13 ABCDEF 1234 0C silent late=3500 badcrc wrongaddr trailing=3 set=2:65486 set=16:500\n"
            "255 0 0 000000 0000 00");
        row("no device", "# nothing on this bus\n\n", "");
        row("too few fields", "1 33 3 230415 0001\n", "bus:1: expected: address mixpro");
        row("address 256", "256 33 3 230415 0001 17\n", "bus:1: address \"256\"");
        row("batch not hex", "1 33 3 23041G 0001 17\n", "bus:1: batch \"23041G\"");
        row("unknown option", dev + "slow", "bus:1: unknown option \"slow\"");
        row("flag with value", dev + "silent=1", "bus:1: option \"silent\" takes no value");
        row("late without value", dev + "late", "bus:1: option \"late\" needs a value");
        row("set too big", dev + "set=2:70000", "bus:1: set=2:70000");
        row("set twice", dev + "set=2:1 set=2:3", "bus:1: register 2 set twice");
        row("late twice", dev + "late=5 late=6", "bus:1: option \"late\" given twice");
        row("line number counts comments", kThRh + "# a\n\n" + dev + "x", "bus:4: unknown");
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const auto r = sim::parseBusText(text);
        QStringList lines;
        for (const sim::DeviceSpec &d : r.devices)
            lines << sim::formatDevice(d);
        QCOMPARE(r.ok() ? lines.join('\n') : r.error.left(expected.size()), expected);
        QVERIFY(r.ok() || r.devices.isEmpty()); // a bad file gives no half bus
    }

    // Unpinned values drift slowly within a plausible range; with fixed values they hold.
    void drift()
    {
        sim::SimBus bus(sim::parseBusText(sim::demoBusText()).devices);
        qint64 t = 0;
        bus.setTimeSource([&t] { return t; });
        int lo = INT_MAX, hi = INT_MIN, step = 0, prev = *bus.registerValue(2, 6); // CO2, over 20 minutes
        for (t = 1000; t <= 1200 * 1000; t += 1000) {
            const int v = *bus.registerValue(2, 6);
            step = qMax(step, qAbs(v - std::exchange(prev, v)));
            lo = qMin(lo, v), hi = qMax(hi, v);
        }
        QVERIFY2(lo >= 350 && hi <= 1500 && hi > lo && step <= (hi - lo) / 10,
                 qPrintable(QString("%1..%2 step %3").arg(lo).arg(hi).arg(step)));
        bus.setFixed(true);
        const uint16_t a = *bus.registerValue(1, 2);
        t += 137000;
        QCOMPARE(*bus.registerValue(1, 2), a);
    }

    // Request, reply, request, reply ... to kestrel-sim on a bus file (an empty reply: none).
    void answers_data()
    {
        QTest::addColumn<QString>("bus");
        QTest::addColumn<QList<QByteArray>>("steps");
        using Steps = QList<QByteArray>;
        const QByteArray read = req(1, 2, 2), good = rep(1, {215, 456}), none;
        QByteArray corrupt = read;
        corrupt[7] = char(corrupt[7] ^ 1);
        const auto row = [](const char *name, const QString &bus, const Steps &steps) {
            QTest::newRow(name) << bus << steps;
        };
        row("125 registers", kThRh,
            {req(1, 0, 125), rep(1, QList<int>{1, 0, 215, 456} + QList<int>(121, 0))});
        row("not answered: bad CRC, cut short, other address", kThRh,
            {corrupt, none, read.left(6), none, req(2, 2, 2), none, read, good});
        row("exceptions: function 4, function 17, count 0, count 126", kThRh,
            {frame("010400020002"), frame("018401"), frame("0111"), frame("019101"), frame("010300020000"),
             frame("018303"), frame("01030002007E"), frame("018303")});
        row("address writes refused: 0, 256, byte count", kThRh,
            {frame("001000000001020000"), frame("009003"), frame("001000000001020100"), frame("009003"),
             frame("0010000000010400050006"), frame("009003"), read, good});
        row("address write to 0, two devices", "37 0 6 000000 0000 00\n40 0 6 000000 0000 00",
            {frame("001000000001020005"), frame("001000000001"), req(37, 0, 1), none, req(40, 0, 1), none,
             req(5, 0, 1), rep(5, {5})});
    }
    void answers()
    {
        QFETCH(QString, bus);
        QFETCH(QList<QByteArray>, steps);
        test::SimProcess sim(bus + '\n', {"--fixed"});
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        Wire w(sim.linkPath());
        QVERIFY(w.ok);
        for (int i = 0; i < steps.size(); i += 2)
            QCOMPARE(w.ask(steps[i], steps[i + 1].isEmpty() ? 250 : 600).toHex(' '), steps[i + 1].toHex(' '));
    }

    // The program on a stale link, paced at 1200 baud, with its frame trace.
    void program()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("stale-link");
        QVERIFY(QFile::link("/dev/nonexistent-tty", link));
        test::SimProcess sim(kThRh + "2 0 6 230415 0002 17", {"--baud", "1200", "--link", link});
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        QCOMPARE(sim.standardOutput().trimmed(), "kestrel-sim: bus of 2 devices on " + link.toUtf8());
        QVERIFY2(QFileInfo(link).symLinkTarget().startsWith("/dev/pts/"), qPrintable(link));
        {
            Wire w(link);
            QVERIFY(w.ok);
            QCOMPARE(w.ask(req(1, 240, 4)).toHex(' '), rep(1, {0x2304, 0x1500, 0x0117, 0x2103}).toHex(' '));
            // 8 request bytes on the wire, then 13 reply bytes, 10 bits each, byte by byte.
            QVERIFY2(w.lastByteMs >= (8 + 13) * 10 * 1000 / 1200 && w.pieces >= 3,
                     qPrintable(QString("last byte %1 ms, %2 pieces").arg(w.lastByteMs).arg(w.pieces)));
        }
        sim.stop();
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    // Bad arguments end the program with exit code 2 and a message; a plain file is left alone.
    void programRejects_data()
    {
        QTest::addColumn<QString>("bus");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("malformed bus file") << kThRh + "2 0 6 2304 0002 17" << QStringList() << "test.bus:2:";
        QTest::newRow("bad baud") << "demo" << QStringList{"--baud", "fast"} << "--baud fast";
        QTest::newRow("missing bus file")
            << "demo" << QStringList{"--bus", "/nonexistent.bus"} << "/nonexistent.bus: cannot read";
        QTest::newRow("plain file at the link") << "demo" << QStringList{"--link", "PLAIN"} << "not a symbol";
    }
    void programRejects()
    {
        QFETCH(QString, bus);
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QFile plain(dir.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly) && plain.write("keep me") == 7);
        plain.close();
        test::SimProcess sim(bus, args.replaceInStrings("PLAIN", plain.fileName()));
        QVERIFY(!sim.start());
        QVERIFY2(sim.errorString().contains(message), qPrintable(sim.errorString()));
        sim.stop();
        QCOMPARE(sim.exitCode(), 2);
        QVERIFY(plain.open(QIODevice::ReadOnly));
        QCOMPARE(plain.readAll(), QByteArray("keep me"));
    }

    // The program ends (the application's loops are told to quit) while a silent device is
    // waited for and a second request waits its turn: both waits return, and no transaction is
    // left for the exchange's destructor to write through.
    void waitCutShortLeavesNoTransaction()
    {
        WireRig r(QStringLiteral("1 33 3 230415 0001 17\n9 33 3 230415 0009 17 silent\n"));
        r.time.setGraceMs(5000); // the injected time-out must not end the wait first
        L results;
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(0, [&] { results << r.read(1); }); // queued behind the silent device
            QTimer::singleShot(20, [] { QCoreApplication::exit(0); });
            results << r.read(9);
        });
        QCoreApplication::exec();
        QCOMPARE(results, (L{false, false}));
        QVERIFY(!r.ex.busy());
        QCOMPARE(r.ex.transactionsLeft(), 0);
    }

    // A device answers after its request timed out, and is asked again at once: its late reply
    // comes while the next request waits for the line to be quiet, and is dropped, never taken
    // for the new request's answer.
    void lateReplyIsNotTakenForTheNextRequest_data()
    {
        QTest::addColumn<int>("lateMs");
        QTest::addColumn<int>("sentAtMs"); // of the second request
        QTest::newRow("3.5 s late") << 3500 << 3500 + Exchange::LateGuardMs;
        QTest::newRow("4.2 s late") << 4200 << 4200 + Exchange::LateGuardMs;
    }
    void lateReplyIsNotTakenForTheNextRequest()
    {
        QFETCH(int, lateMs);
        QFETCH(int, sentAtMs);
        WireRig r(QStringLiteral("1 33 3 230415 0001 17 set=2:215 late=%1\n").arg(lateMs));
        QList<qint64> sent;
        QObject::connect(&r.ex, &Exchange::frameSent, [&] { sent << r.time.elapsedMs(); });
        QVERIFY(!r.read(1));
        QVERIFY(!r.read(1));
        QCOMPARE(r.ex.lateReplies(), 1);
        QCOMPARE(sent, (QList<qint64>{0, sentAtMs}));
        QVERIFY(r.ex.valueTimeout);
    }

    // Only the device that timed out waits: a request to another device goes out at once.
    void otherDevicesAreNotDelayed()
    {
        WireRig r(QStringLiteral("1 33 3 230415 0001 17 late=4200\n2 33 3 230415 0002 17 set=2:215\n"));
        QVERIFY(!r.read(1));
        const qint64 t = r.time.elapsedMs();
        QVERIFY(r.read(2));
        QCOMPARE(r.time.elapsedMs(), t);
        QCOMPARE(r.ex.word(0), 215);
    }

    // A reply in pieces (as a USB adapter delivers it) is taken only when complete, as long as
    // it completes within the time-out.
    void replyInPiecesOnInjectedTime_data()
    {
        QTest::addColumn<QString>("split");
        QTest::addColumn<bool>("ok");
        QTest::newRow("1 + 8, 2.9 s apart") << "1/2900" << true;
        QTest::newRow("3 + 3 + 3") << "3+3/1000" << true;
        QTest::newRow("last piece after the time-out") << "3+3/1600" << false;
    }
    void replyInPiecesOnInjectedTime()
    {
        QFETCH(QString, split);
        QFETCH(bool, ok);
        WireRig r(QStringLiteral("1 33 3 230415 0001 17 set=2:215 set=3:456 split=%1\n").arg(split));
        QCOMPARE(r.read(1), ok);
        QCOMPARE(r.ex.word(0), ok ? 215 : 0);
        QCOMPARE(r.ex.word(2), ok ? 456 : 0);
    }

    // The same through kestrel-sim on a pseudo-terminal, the pieces 30 ms apart.
    void replyInPiecesFromTheSimulator_data()
    {
        QTest::addColumn<QString>("split");
        QTest::newRow("1 + 8") << "1/30";
        QTest::newRow("3 + 3 + 3") << "3+3/30";
    }
    void replyInPiecesFromTheSimulator()
    {
        QFETCH(QString, split);
        test::SimProcess sim(
            QStringLiteral("7 33 3 230415 0007 17 set=2:215 set=3:456 split=%1\n").arg(split));
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        Rig r(sim.linkPath());
        QVERIFY(r.opened);
        r.time.setGraceMs(1000); // a 30-ms gap must not end the wait on injected time
        QVERIFY(r.read(7));
        QCOMPARE(r.ex.lastReply().size(), 9);
        QCOMPARE(r.words(2), (L{215, 456}));
    }

    // COM3 cannot be opened at start-up; COM5 is then opened from the menu. The button reads
    // "关闭串口", and its first click closes the port.
    void captionSaysWhatTheClickDoes()
    {
        ScriptedPort port;
        test::RecordingOperator op;
        PortControl pc(port, op);
        port.opens = false;
        pc.startUp();
        QCOMPARE(pc.comCaption(), t8(texts::link::OpenPort));
        port.opens = true;
        pc.mnu_com_Click(4);
        QCOMPARE(pc.comCaption(), t8(texts::link::ClosePort));
        pc.Com_Click();
        QCOMPARE(port.isOpen(), false);
        QCOMPARE(pc.comCaption(), t8(texts::link::OpenPort));
        pc.Com_Click();
        QCOMPARE(port.isOpen(), true);
        QCOMPARE(pc.comCaption(), t8(texts::link::ClosePort));
    }

    // A rate the port refuses is reported as port errors are; the menu keeps the rate in use checked.
    void refusedBaudRateIsTold()
    {
        ScriptedPort port;
        test::RecordingOperator op;
        PortControl pc(port, op);
        pc.startUp();
        pc.mnuBaudRate_Click(4);
        port.takesBaud = false;
        pc.mnuBaudRate_Click(5);
        QCOMPARE(pc.baudChecked(), 4);
        QCOMPARE(op.messages.size(), 1);
        QVERIFY(op.messages[0].text.startsWith(t8(texts::link::AppError)));
        QVERIFY(op.messages[0].text.contains(t8(texts::link::BaudFailed)));
        QCOMPARE(pc.comCaption(), t8(texts::link::ClosePort)); // the port stays open
    }

    // The box describes the failure in Chinese; the system's words go to kestrel.log.
    void portFailureInChinese_data()
    {
        QTest::addColumn<bool>("unplug"); // the adapter goes away while open; else it never existed
        QTest::addColumn<QString>("description");
        QTest::newRow("no such device") << false << t8(texts::link::PortNotFound);
        QTest::newRow("removed while open") << true << t8(texts::link::PortRemoved);
    }
    void portFailureInChinese()
    {
        QFETCH(bool, unplug);
        QFETCH(QString, description);
        test::SimProcess sim;
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        PortMap map;
        map.set(3, unplug ? sim.linkPath() : m_logDir.filePath(QStringLiteral("ttyUSB9")));
        QtSerialPort port(map);
        test::RecordingOperator op;
        PortControl pc(port, op);
        QFile::remove(logFilePath());
        pc.startUp();
        if (unplug) {
            QVERIFY(port.isOpen());
            sim.stop();
            QTRY_VERIFY(!port.isOpen());
        }
        QCOMPARE(op.messages.size(), 1);
        QVERIFY2(op.messages[0].text.contains(description), qPrintable(op.messages[0].text));
        QVERIFY(!op.messages[0].text.contains(port.lastError().systemText));
        QFile log(logFilePath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(log.readAll()).contains(port.lastError().systemText));
    }

    // The traffic the exchange publishes: the verdict and the counters of each fault kestrel-sim
    // plays, a response time against a device's delay, the frame trace from the same records, the
    // bounded ring, and the monitor's models batching, filtering and counting.
    void eachFaultHasItsVerdictAndCount_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<Verdict>("verdict");
        QTest::addColumn<quint32>("replies");
        QTest::newRow("good reply") << 1 << Verdict::Ok << 1u;
        QTest::newRow("silent") << 9 << Verdict::Timeout << 0u;
        QTest::newRow("wrong address byte") << 10 << Verdict::WrongAddress << 1u;
        QTest::newRow("bad CRC") << 11 << Verdict::BadCrc << 1u;
        QTest::newRow("trailing bytes") << 13 << Verdict::Trailing << 1u;
    }
    void eachFaultHasItsVerdictAndCount()
    {
        QFETCH(int, address);
        QFETCH(Verdict, verdict);
        QFETCH(quint32, replies);
        test::ManualTime time;
        TrafficRig r(m_trafficSim.linkPath(), time, time);
        QVERIFY(r.opened);
        r.read(address);
        if (address != 1)
            r.read(1); // bytes that came apart from their reply are published as this request goes out
        const AddressStats &s = r.traffic.stats(address);
        QCOMPARE(s.requests, 1u);
        QCOMPARE(s.replies, replies);
        QCOMPARE(s.count(verdict), 1u);
        const FrameRing &f = r.traffic.frames();
        QCOMPARE(f.at(f.first()).bytes, request(address));
        QCOMPARE(f.at(f.first() + 1).verdict, std::optional<Verdict>(verdict)); // the reply (or its absence)
    }

    // Device 5's reply comes 300 ms after the request, its injected 3 s limit long run out.
    void replyAfterTheTimeoutIsLate()
    {
        test::ManualTime time;
        TrafficRig r(m_trafficSim.linkPath(), time, time);
        QVERIFY(r.opened);
        QVERIFY(!r.read(5));
        QTRY_VERIFY(r.port.bytesWaiting() >= 9);
        QVERIFY(r.read(1));
        const AddressStats &s = r.traffic.stats(5);
        QCOMPARE(s.count(Verdict::Timeout), 1u);
        QCOMPARE(s.count(Verdict::Late), 1u);
        QCOMPARE(s.requests, 1u);
        QCOMPARE(s.maxMs, qint64(-1)); // a time-out is not a response time
    }

    // On the system clock and real timers: device 6 answers after 150 ms.
    void responseTimeCoversTheDelay()
    {
        TrafficRig r(m_trafficSim.linkPath(), SystemClock::instance(), QtTimerFactory::instance());
        QVERIFY(r.opened);
        for (int i = 0; i < 3; ++i)
            QVERIFY(r.read(6));
        const AddressStats &s = r.traffic.stats(6);
        qInfo("response of a device 150 ms late: min %lld, mean %lld, max %lld ms", s.minMs, s.meanMs(),
              s.maxMs);
        QVERIFY(s.minMs >= 150);
    }

    void frameTraceReadsTheSameRecords()
    {
        test::ManualTime time;
        TrafficRig r(m_trafficSim.linkPath(), time, time);
        QVERIFY(r.opened);
        const_cast<QLoggingCategory &>(lcFrames()).setEnabled(QtDebugMsg, true);
        QTest::ignoreMessage(QtDebugMsg, "TX 01 03 00 02 00 02 65 cb");
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^RX 01 03 04 00 d7 01 c8 .. ..$"));
        QTest::ignoreMessage(QtDebugMsg, "TX 09 03 00 02 00 02 64 83");
        QTest::ignoreMessage(QtDebugMsg, "-- 超时");
        r.read(1);
        r.read(9);
        const_cast<QLoggingCategory &>(lcFrames()).setEnabled(QtDebugMsg, false);
    }

    // A Modbus exception reply (5 bytes) never completes the reply the exchange waits for.
    void exceptionReply()
    {
        test::SimProcess sim(QStringLiteral("1 33 3 230415 0001 17\n"));
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        test::ManualTime time;
        TrafficRig r(sim.linkPath(), time, time);
        QVERIFY(r.opened);
        QVERIFY(!r.ex.addrExchange(16, 0, 0)); // address 0 is refused
        QCOMPARE(r.traffic.stats(0).count(Verdict::Exception), 1u);
        QCOMPARE(r.traffic.stats(0).count(Verdict::Timeout), 0u);
    }

    void ringKeepsTheLastFrames()
    {
        Traffic t;
        for (int i = 0; i < 6000; ++i) // two frames each
            t.add(record(i % 200 + 1, 10));
        QCOMPARE(t.frames().size(), Traffic::RingFrames);
        QCOMPARE(t.frames().total(), 12000);
        QCOMPARE(t.frames().at(t.frames().first()).address, uint8_t(1000 % 200 + 1));
        QVERIFY(t.frames().at(t.frames().first()).sent);
    }

    void modelTakesFramesInBatches()
    {
        Traffic t;
        TrafficModel m(t);
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        AddressFilter only2;
        only2.setSourceModel(&m);
        only2.setAddress(2);
        QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
        for (int a : {1, 2, 1})
            t.add(record(a, 10));
        QCOMPARE(m.rowCount(), 0); // nothing until the refresh
        m.refresh();
        QCOMPARE(m.rowCount(), 6);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(only2.rowCount(), 2);

        m.setPaused(true);
        t.add(record(2, 10));
        m.refresh();
        QCOMPARE(m.rowCount(), 6);
        m.setPaused(false);
        m.refresh();
        QCOMPARE(m.rowCount(), 8);

        for (int i = 0; i < 5000; ++i)
            t.add(record(3, 10));
        m.refresh();
        QCOMPARE(m.rowCount(), Traffic::RingFrames);
        QCOMPARE(only2.rowCount(), 0); // the oldest rows went first
        m.clear();
        QCOMPARE(m.rowCount(), 0);
    }

    void statisticsTable()
    {
        Traffic t;
        TrafficStatsModel m(t);
        for (qint64 ms : {10, 20, 40})
            t.add(record(7, ms));
        t.add(record(7, 3000, Verdict::Timeout));
        t.add(record(9, 5, Verdict::BadCrc));
        m.refresh();
        QCOMPARE(m.rowCount(), 2);
        const auto cell = [&](int row, int column) { return m.data(m.index(row, column)).toString(); };
        QCOMPARE(cell(0, TrafficStatsModel::Address), QStringLiteral("7"));
        QCOMPARE(cell(0, TrafficStatsModel::Requests), QStringLiteral("4"));
        QCOMPARE(cell(0, TrafficStatsModel::Replies), QStringLiteral("3"));
        QCOMPARE(cell(0, TrafficStatsModel::FirstVerdict), QStringLiteral("1")); // time-outs
        QCOMPARE(cell(0, TrafficStatsModel::MinMs), QStringLiteral("10"));
        QCOMPARE(cell(0, TrafficStatsModel::MeanMs), QStringLiteral("23"));
        QCOMPARE(cell(0, TrafficStatsModel::MaxMs), QStringLiteral("40"));
        QCOMPARE(cell(1, TrafficStatsModel::FirstVerdict + 1), QStringLiteral("1")); // CRC errors
        QCOMPARE(faultNote(t.stats(7)), QStringLiteral("超时，最后正常读数：2026-12-06 10:00:00"));
        t.add(record(7, 10));
        QCOMPARE(faultNote(t.stats(7)), QString());
        m.reset();
        QCOMPARE(m.rowCount(), 0);
    }

    // The exchange over a serial device server (TCP) and over a pseudo-terminal: the same cases, the
    // transport a column; a peer that hangs up in the middle of a reply stands for a lost
    // connection. Then the port side: a refused or lost connection is reported as a port error, and
    // the port opens again.
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
        TcpRig r(pathOf(transport));
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
        TcpRig r(path);
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
        TcpRig first(pathOf(QStringLiteral("tcp")));
        QSignalSpy lost(&first.port, &ByteTransport::lost);
        TcpRig second(pathOf(QStringLiteral("tcp")));
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
        TcpRig r(QStringLiteral("tcp://127.0.0.1:%1").arg(free));
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
        TcpRig r(QStringLiteral("tcp://127.0.0.1:%1").arg(server.port()));
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

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"

// The link and the bus simulator it is tested against. The link: the value-read plan, the reply
// check, the input check and the port map; the command exchange over a pseudo-terminal and over a
// serial device server (TCP) against the simulator's faults, its time limit and late-reply guard
// on injected time; the traffic it publishes and the monitor's models; the port side's failures.
// Against Modbus code written elsewhere: a Qt SerialBus RTU server answering the exchange, and
// libmodbus building the same requests. The simulator: bus files, the answers of its sensors, and
// the kestrel-sim program itself (its faults are checked where the exchange meets them).
#include "common/files.h"
#include "common/log.h"
#include "common/manualtime.h"
#include "common/recordingoperator.h"
#include "common/simprocess.h"
#include "common/timedwire.h"
#include "console/crcconsole.h"
#include "link/busport.h"
#include "link/checkinput.h"
#include "link/crc16.h"
#include "link/exchange.h"
#include "link/portcontrol.h"
#include "link/texts.h"
#include "link/trafficmodel.h"
#include "ptylink.h"
#include "tcplink.h"

#include <QModbusRtuSerialServer>
#include <QtTest>
#include <unistd.h>
#ifdef KESTREL_HAVE_LIBMODBUS
#include <modbus.h>
#endif

using namespace kestrel;
using L = QList<int>;
constexpr Verdict Ok = Verdict::Ok, BadCrc = Verdict::BadCrc, WrongAddress = Verdict::WrongAddress,
                  Timeout = Verdict::Timeout, Late = Verdict::Late, Exception = Verdict::Exception,
                  Trailing = Verdict::Trailing;

namespace {

const auto hex = [](const char *h) -> QByteArray { return QByteArray::fromHex(h); };
const auto flip = [](QByteArray b, int i) { return b[i] = char(b[i] ^ 1), b; }; // one bit of byte i
const auto t8 = [](const char *s) { return QString::fromUtf8(s); };
constexpr int Refused = -1000, Untouched = 7777; // of the input check

// A frame of the body given in hex, a read request and its reply.
const auto frame = [](const QString &bodyHex) { return withCrc(QByteArray::fromHex(bodyHex.toLatin1())); };
const auto req = [](int a, int s, int n) { return frame(QString::asprintf("%02x03%04x%04x", a, s, n)); };
QByteArray rep(int addr, const QList<int> &words)
{
    QString h = QString::asprintf("%02x03%02x", addr, int(2 * words.size()));
    for (int w : words)
        h += QString::asprintf("%04x", w);
    return frame(h);
}

// "5 late=300;9 silent" → one device per entry, each holding 215 and 456 in registers 2 and 3.
QString busText(const QString &devices)
{
    QString text;
    for (const QString &d : devices.split(u';', Qt::SkipEmptyParts))
        text += u"%1 33 3 230415 0001 17 set=2:215 set=3:456 %2\n"_qs.arg(d.section(u' ', 0, 0),
                                                                          d.section(u' ', 1));
    return text;
}

// A bus served over a pseudo-terminal ("pty"), by a serial device server ("tcp") or on injected
// time ("wire"), or any other path as COM3; the system's exchange on it and the traffic it publishes.
// The connection's set-up is a wait of its own: a loaded machine may take longer than the default
// grace period to report it.
struct Rig {
    explicit Rig(const QString &devices, const QString &transport = u"pty"_qs)
        : bus(sim::parseBusText(busText(devices)).devices), port(portFor(transport))
    {
    }
    std::unique_ptr<SerialPort> portFor(const QString &transport)
    {
        bus.setFixed(true);
        if (transport == u"wire")
            return time.setGraceMs(test::ManualTime::DefaultGraceMs),
                   std::make_unique<test::TimedWire>(bus, time);
        PortMap m;
        if (transport == u"tcp" && tcp.listen(0))
            m.set(3, u"tcp://127.0.0.1:%1"_qs.arg(tcpPort = tcp.port()));
        else
            m.set(3, transport == u"pty" && pty.open(dir.filePath(u"com3"_qs)) ? pty.linkPath() : transport);
        return std::make_unique<BusPort>(m, time);
    }
    bool read(int addr, int selector = 2, int selIndex = 0)
    {
        ex.CurAddr = uint8_t(addr);
        return ex.readRegisters(3, uint8_t(selector), uint8_t(selIndex));
    }
    void serve(bool on) // the bus taken off its link, or put back
    {
        if (!on)
            tcp.close(), pty.close();
        else if (tcpPort)
            tcp.listen(tcpPort);
        else
            pty.open(dir.filePath(u"com3"_qs));
    }
    QTemporaryDir dir;
    quint16 tcpPort = 0; // when served by a device server
    test::ManualTime time{250};
    sim::SimBus bus;
    sim::PtyLink pty{bus};
    sim::TcpLink tcp{bus};
    test::RecordingOperator op;
    std::unique_ptr<SerialPort> port;
    Exchange ex{*port, op, time, time};
    Traffic traffic{ex};
    bool opened = (port->setPortNumber(3), port->open());
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
        a = *pa, b = *pb;
        for (auto [from, to, tap] : {std::tuple{a, b, (QByteArray *)nullptr}, {b, a, &toA}})
            connect(new QSocketNotifier(from.master, QSocketNotifier::Read, this),
                    &QSocketNotifier::activated, this, [from = from, to = to, tap = tap] {
                        char buf[512];
                        for (ssize_t got; (got = ::read(from.master, buf, sizeof buf)) > 0;) {
                            [[maybe_unused]] const ssize_t w = ::write(to.master, buf, size_t(got));
                            if (tap)
                                tap->append(buf, got);
                        }
                    });
        return true;
    }
    ~NullModem() override
    {
        qDeleteAll(findChildren<QSocketNotifier *>());
        sim::closeRawPty(a);
        sim::closeRawPty(b);
    }
};

TrafficRecord record(int address, qint64 responseMs, Verdict v = Ok)
{
    const QDateTime at(QDate(2026, 12, 6), QTime(10, 0));
    return {at, at.addMSecs(responseMs), req(address, 2, 2), hex("0003040001000200"), uint8_t(address), 3, v};
}

// Addresses read in turn (0: the address write of 0, which the simulator refuses with an exception
// reply); each read's result; the injected time at which each request went out, then at the end;
// the time-out flag at the end; the first data word (the data starts as
// 0x55 bytes); the verdicts counted per address read, in the order the addresses were first read;
// the line going dead 30 ms after the first request.
struct Case {
    const char *devices;
    L reads, results, times;
    bool timedOut;
    int word;
    QList<Verdict> verdicts;
    bool hangUp = false;
};
} // namespace

class TestExchange : public QObject {
    Q_OBJECT
    NullModem m_modem; // a Qt SerialBus server on its end a
    QModbusRtuSerialServer m_server;
    QTemporaryDir m_logDir;
    test::RecordingOperator m_noOne;

private Q_SLOTS:
    void initTestCase()
    {
        setLogFolder(m_logDir.path());
        QString error;
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

    void replyCheck_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("slave");
        QTest::addColumn<int>("n");
        QTest::addColumn<QByteArray>("data"); // empty: rejected
        const QByteArray good = withCrc(hex("05030400FA01F4")), data = hex("00FA01F4"), big(250, '\x22');
        QTest::newRow("good") << good << 5 << 4 << data;
        QTest::newRow("wrong function code accepted") << withCrc(hex("05040400FA01F4")) << 5 << 4 << data;
        QTest::newRow("wrong byte count accepted") << withCrc(hex("05030900FA01F4")) << 5 << 4 << data;
        QTest::newRow("only the CRC high byte right") << flip(good, 7) << 5 << 4 << QByteArray();
        QTest::newRow("only the CRC low byte right") << flip(good, 8) << 5 << 4 << QByteArray();
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

    // What the input check keeps of a text of each kind (8: an address; 12: tenths); Refused: false,
    // nothing stored. A number is read as far as it goes, a half rounds to even; other kinds pass.
    void checkInputTable_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("value");
        for (const auto &[text, kind, value] : std::initializer_list<std::tuple<const char *, int, int>>{
                 {"256", 8, Refused}, {"255", 8, 255},       {"12.5", 8, 12},
                 {"13.5", 8, 14},     {"00001", 8, Refused}, {"ab", 8, 0},
                 {"  7x", 8, 7},      {"1.2.", 8, 1},        {"1e2x", 8, 100},
                 {"7１", 8, 7},       {"-3", 12, -30},       {"-99", 12, -990},
                 {"400", 12, 4000},   {"401", 12, Refused},  {"1.25", 12, 12},
                 {"200", 0, 200},     {"201", 0, Refused},   {"-50", 1, -50},
                 {"-51", 1, Refused}, {"129", 1, Refused},   {"anything long", 5, Untouched}})
            QTest::addRow("kind %d '%s'", kind, text) << QString::fromUtf8(text) << kind << value;
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
        QVERIFY(!m.addMapping("/dev/ttyUSB0"));
    }

    // The exchange over a pseudo-terminal and over a serial device server: the same cases, the
    // transport a column. The cases that take seconds of a device's time run on injected time: a
    // device asked again after a time-out gets its request only once the line has been quiet for
    // the guard time, its late reply dropped and counted, never taken for the new request's answer.
    void exchange_data()
    {
        QTest::addColumn<QString>("transport");
        QTest::addColumn<Case>("c");
        constexpr int T = Exchange::TimeLimitMs, X = 0x5555;
        for (const char *t : {"pty", "tcp"}) {
            const auto row = [t](const char *name, const Case &c) {
                QTest::addRow("%s: %s", t, name) << QString::fromLatin1(t) << c;
            };
            row("good reply", {"1", {1}, {1}, {0, 0}, false, 215, {Ok}});
            row("silent device", {"9 silent", {9}, {0}, {0, T}, true, X, {Timeout}});
            row("bad CRC: data cleared", {"11 badcrc", {11}, {0}, {0, 0}, false, 0, {BadCrc}});
            row("wrong address byte", {"10 wrongaddr", {10}, {0}, {0, 0}, false, 0, {WrongAddress}});
            row("trailing bytes",
                {"13 trailing=4;1", {13, 1}, {1, 1}, {0, 0, 0}, false, 215, {Trailing, Ok}});
            row("exception reply", {"1", {0}, {0}, {0, T}, false, X, {Exception}});
            row("a good reply lowers the flag",
                {"9 silent;1", {9, 1}, {0, 1}, {0, T, T}, false, 215, {Timeout, Ok}});
            row("reply in 1 + 8 bytes", {"1 split=1/30", {1}, {1}, {0, 0}, false, 215, {Ok}});
            row("reply in 3 + 3 + 3 bytes", {"1 split=3+3/30", {1}, {1}, {0, 0}, false, 215, {Ok}});
            row("line dead during the reply", {"1 split=3/1000", {1}, {0}, {0, 0}, true, X, {Timeout}, true});
        }
        const auto row = [](const char *name, const Case &c) {
            QTest::addRow("wire: %s", name) << u"wire"_qs << c;
        };
        // The guard: quiet for 1.5 s after the time-out, or after the last late byte.
        row("3.5 s late, asked again",
            {"1 late=3500", {1, 1}, {0, 0}, {0, 5000, 8000}, true, X, {Timeout, Timeout, Late}});
        row("4.2 s late, asked again",
            {"1 late=4200", {1, 1}, {0, 0}, {0, 5700, 8700}, true, X, {Timeout, Timeout, Late}});
        row("another device is not held",
            {"1 late=4200;2", {1, 2}, {0, 1}, {0, T, T}, false, 215, {Timeout, Ok}});
        row("a late reply in another's wait",
            {"5 late=3200;6 late=300", {5, 6}, {0, 0}, {0, T, 3200}, true, 0, {Timeout, WrongAddress}});
        row("reply 150 ms late", {"1 late=150", {1}, {1}, {0, 150}, false, 215, {Ok}});
        row("1 + 8 bytes, 2.9 s apart", {"1 split=1/2900", {1}, {1}, {0, 2900}, false, 215, {Ok}});
        row("3 + 3 + 3 bytes, 1 s apart", {"1 split=3+3/1000", {1}, {1}, {0, 2000}, false, 215, {Ok}});
        row("last piece after the time-out", {"1 split=3+3/1600", {1}, {0}, {0, T}, true, X, {Timeout}});
    }
    void exchange()
    {
        QFETCH(QString, transport);
        QFETCH(Case, c);
        Rig r(QString::fromLatin1(c.devices), transport);
        QSignalSpy lost(r.port.get(), &ByteTransport::lost);
        L results, times;
        connect(&r.ex, &Exchange::frameSent, this, [&] {
            times << int(r.time.elapsedMs());
            if (c.hangUp)
                QTimer::singleShot(30, this, [&] { r.serve(false); });
        });
        r.ex.data[0] = r.ex.data[1] = 0x55;
        for (int a : c.reads)
            results << (a ? r.read(a) : r.ex.addrExchange(16, 0, 0));
        times << int(r.time.elapsedMs());
        QCOMPARE(results, c.results);
        QCOMPARE(times, c.times);
        QCOMPARE(r.ex.failureCount, quint16(results.count(0) - c.reads.count(0))); // one per failed read
        QCOMPARE(r.ex.valueTimeout, c.timedOut);
        QCOMPARE(r.ex.word(0), c.word);
        if (c.results.last()) { // the first n + 5 bytes taken, the rest dropped; the response time
            QCOMPARE(r.ex.lastReply().size(), 9);
            QCOMPARE(r.traffic.stats(c.reads.last()).maxMs, c.times.last() - c.times[c.times.size() - 2]);
        }
        QList<Verdict> verdicts;
        for (qsizetype i = 0; i < c.reads.size(); ++i) {
            const AddressStats &s = r.traffic.stats(c.reads[i]);
            QCOMPARE(int(s.requests), int(c.reads.count(c.reads[i])));
            for (int v = 0; c.reads.indexOf(c.reads[i]) == i && v < VerdictCount; ++v)
                verdicts += QList<Verdict>(s.count(Verdict(v)), Verdict(v));
        }
        QCOMPARE(verdicts, c.verdicts);
        QCOMPARE(r.ex.lateReplies(), int(c.verdicts.count(Late)));
        QCOMPARE(lost.count(), int(c.hangUp));
        QCOMPARE(r.port->isOpen(), !c.hangUp);
    }

    // A request started while a silent device is waited for waits its turn (one on the wire at a
    // time): it goes out when the silent device has timed out, after 3 s of injected time within a
    // few grace periods of real time, and takes its own reply (the frame trace shows both); or, when the
    // program ends (the application's loops are told to quit) during the wait, both waits return, and no
    // transaction is left for the exchange's destructor to write through.
    void queuedBehindASilentDevice_data()
    {
        QTest::addColumn<bool>("quit");
        QTest::addColumn<L>("results"); // of the read of 1, its first two words, of the read of 9
        QTest::addColumn<L>("sent");    // the addresses of the requests on the wire, in order
        QTest::addColumn<int>("injectedMs");
        QTest::newRow("time-out") << false << L{1, 215, 456, 0} << L{9, 1} << Exchange::TimeLimitMs;
        QTest::newRow("program ends") << true << L{0, 0, 0, 0} << L{9} << 0;
    }
    void queuedBehindASilentDevice()
    {
        QFETCH(bool, quit);
        Rig r(u"1;9 silent"_qs, u"wire"_qs);
        if (quit)
            r.time.setGraceMs(5000); // the injected time-out must not end the wait first
        if (!quit) {                 // the frame trace reads the same records
            const_cast<QLoggingCategory &>(lcFrames()).setEnabled(QtDebugMsg, true);
            QTest::ignoreMessage(QtDebugMsg, "TX 09 03 00 02 00 02 64 83");
            QTest::ignoreMessage(QtDebugMsg, "-- 超时");
            QTest::ignoreMessage(QtDebugMsg, "TX 01 03 00 02 00 02 65 cb");
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^RX 01 03 04 00 d7 01 c8 .. ..$"));
        }
        L results;
        QElapsedTimer real;
        real.start();
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(0, [&] { results << r.read(1) << r.ex.word(0) << r.ex.word(2); });
            if (quit)
                QTimer::singleShot(20, [] { QCoreApplication::exit(0); });
            results << r.read(9);
            QCoreApplication::exit(0);
        });
        QCoreApplication::exec();
        const_cast<QLoggingCategory &>(lcFrames()).setEnabled(QtDebugMsg, false);
        QVERIFY2(real.elapsed() < 20 * test::ManualTime::DefaultGraceMs,
                 qPrintable(QString::number(real.elapsed())));
        QTEST(results, "results");
        L sent;
        for (const QByteArray &f : static_cast<test::TimedWire &>(*r.port).requests)
            sent << f.at(0);
        QTEST(sent, "sent");
        QTEST(int(r.time.elapsedMs()), "injectedMs");
        QVERIFY(!r.ex.busy());
        QCOMPARE(r.ex.transactionsLeft(), 0);
    }

    // The address write keeps its echo; a register other than 0, 4 and 6 is not written (the address
    // read, the write's request, failures and messages: tst_commissioning).
    void addrExchange()
    {
        Rig r(u"200"_qs);
        QVERIFY(r.ex.addrExchange(16, 0, 12)); // echoed: start low, count high, count low
        QCOMPARE(r.ex.lastRequest().toHex(' ') +
                     QByteArray(reinterpret_cast<const char *>(r.ex.data.data()), 3),
                 QByteArray("00 10 00 00 00 01 02 00 0c ab c5\0\0\1", 35));
        QVERIFY(!r.ex.addrExchange(16, 5));      // only registers 0, 4 and 6 are written
        QCOMPARE(r.ex.lastRequest().size(), 11); // still the write of 12: nothing sent
        QVERIFY(r.op.messages.isEmpty());
    }

    // A Qt SerialBus server answers our reads. A free read at 240 takes the whole identity block
    // and puts its count back into the free-read box; a selector outside the table reads nothing.
    void qtServerAnswersOurReads_data()
    {
        QTest::addColumn<L>("in");    // server address, selector, selIndex, customStart, customCount
        QTest::addColumn<L>("words"); // none: nothing read
        QTest::newRow("T+RH at 247") << L{247, 2, 0, 0, 0} << L{215, 456};
        QTest::newRow("CO2 at 1") << L{1, 6, 3, 0, 0} << L{789};
        QTest::newRow("free read of 9 from 2") << L{1, 255, 0, 2, 9} << L{215, 456, 0, 0, 789, 0, 0, 0, 35};
        QTest::newRow("identity block: 1 sent as 4")
            << L{1, 255, 0, 240, 1} << L{0x2304, 0x1500, 0x0117, 0x5119};
        QTest::newRow("no product at selector 4") << L{1, 4, 0, 0, 0} << L{};
    }
    void qtServerAnswersOurReads()
    {
        QFETCH(L, in);
        QFETCH(L, words);
        m_server.setServerAddress(in[0]);
        Rig r({}, m_modem.b.device);
        r.ex.CustomStart = uint8_t(in[3]);
        r.ex.CustomCount = uint8_t(in[4]);
        QCOMPARE(r.read(in[0], in[1], in[2]), !words.isEmpty());
        L got;
        for (int i = 0; i < words.size(); ++i)
            got << r.ex.word(2 * i);
        QCOMPARE(got, words);
        QCOMPARE(r.ex.lastReply().size(), words.isEmpty() ? 0 : 2 * words.size() + 5);
        QCOMPARE(int(r.ex.CustomCount), in[1] == 255 ? words.size() : in[4]);
        QCOMPARE(r.ex.failureCount, quint16(words.isEmpty()));
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
        CrcConsole c(m_noOne); // the CRC calculator given libmodbus's whole frame shows 00 00
        c.setHex(true);
        c.setCommand(QString::fromLatin1(m_modem.toA.toHex(' ')));
        QVERIFY(c.cacCrc_Click());
        QCOMPARE(c.crcHigh() + c.crcLow(), QStringLiteral("0000"));
#endif
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
            "set=2:-50 set=0x10:0x1F4 # tail\r\n255 0 0 000000 0000 00",
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
        row("line number counts comments", dev + "\n# a\n\n" + dev + "x", "bus:4: unknown");
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

    // Request, reply, request, reply ... to kestrel-sim on a bus (an empty reply: none).
    void answers_data()
    {
        QTest::addColumn<QString>("bus");
        QTest::addColumn<QList<QByteArray>>("steps");
        const QByteArray read = req(1, 2, 2), good = rep(1, {215, 456}), none;
        const auto row = [](const char *name, const QString &bus, const QList<QByteArray> &steps) {
            QTest::newRow(name) << bus << steps;
        };
        const QString one = busText(u"1"_qs);
        row("125 registers", one, {req(1, 0, 125), rep(1, QList<int>{1, 0, 215, 456} + QList<int>(121, 0))});
        row("not answered: bad CRC, cut short, other address", one,
            {flip(read, 7), none, read.left(6), none, req(2, 2, 2), none, read, good});
        row("exceptions: function 4, function 17, count 0, count 126", one,
            {frame("010400020002"), frame("018401"), frame("0111"), frame("019101"), frame("010300020000"),
             frame("018303"), frame("01030002007E"), frame("018303")});
        row("address writes refused: 0, 256, byte count", one,
            {frame("001000000001020000"), frame("009003"), frame("001000000001020100"), frame("009003"),
             frame("0010000000010400050006"), frame("009003"), read, good});
        row("address write to 0, two devices", "37 0 6 000000 0000 00\n40 0 6 000000 0000 00\n",
            {frame("001000000001020005"), frame("001000000001"), req(37, 0, 1), none, req(40, 0, 1), none,
             req(5, 0, 1), rep(5, {5})});
    }
    void answers()
    {
        QFETCH(QString, bus);
        QFETCH(QList<QByteArray>, steps);
        test::SimProcess sim(bus, {"--fixed"});
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        Rig r({}, sim.linkPath()); // its requests put on the wire as they are, what comes back read raw
        for (int i = 0; i < steps.size(); i += 2) {
            r.ex.SendCommand(steps[i]);
            const qsizetype n = steps[i + 1].size();
            (void)QTest::qWaitFor([&] { return r.port->bytesWaiting() >= qMax(n, qsizetype(1)); },
                                  n ? 1000 : 250);
            QCOMPARE(r.port->readAll().toHex(' '), steps[i + 1].toHex(' '));
        }
    }

    // The program on a stale link, paced at 1200 baud: it serves its bus and ends cleanly, the link
    // removed. Bad arguments end it with exit code 2 and a message; a plain file is left alone.
    void program_data()
    {
        QTest::addColumn<QString>("bus");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message"); // none: it starts
        QTest::newRow("stale link, 1200 baud")
            << busText("1") + "2 0 6 230415 0002 17" << QStringList{"--baud", "1200", "--link", "LINK"} << "";
        QTest::newRow("malformed bus file")
            << busText("1") + "2 0 6 2304 0002 17" << QStringList() << "test.bus:2:";
        QTest::newRow("bad baud") << "demo" << QStringList{"--baud", "fast"} << "--baud fast";
        QTest::newRow("missing bus file")
            << "demo" << QStringList{"--bus", "/nonexistent.bus"} << "/nonexistent.bus: cannot read";
        QTest::newRow("plain file at the link") << "demo" << QStringList{"--link", "PLAIN"} << "not a symbol";
    }
    void program()
    {
        QFETCH(QString, bus);
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString plain = test::writeFile(dir.filePath("plain"), "keep me"), link = dir.filePath("stale");
        QVERIFY(QFile::link("/dev/nonexistent-tty", link));
        test::SimProcess sim(bus, args.replaceInStrings("PLAIN", plain).replaceInStrings("LINK", link));
        QCOMPARE(sim.start(), message.isEmpty());
        QVERIFY2(sim.errorString().contains(message), qPrintable(sim.errorString()));
        if (message.isEmpty()) {
            QCOMPARE(sim.standardOutput().trimmed(), "kestrel-sim: bus of 2 devices on " + link.toUtf8());
            QVERIFY2(QFileInfo(link).symLinkTarget().startsWith("/dev/pts/"), qPrintable(link));
            Rig r({}, link);
            QSignalSpy pieces(r.port.get(), &ByteTransport::dataReceived);
            QElapsedTimer t;
            t.start();
            r.ex.SendCommand(req(1, 240, 4));
            QVERIFY(QTest::qWaitFor([&] { return r.port->bytesWaiting() >= 13; }, 2000));
            // 8 request bytes on the wire, then 13 reply bytes, 10 bits each, byte by byte.
            QVERIFY2(t.elapsed() >= (8 + 13) * 10 * 1000 / 1200 && pieces.count() >= 3,
                     qPrintable(u"%1 ms, %2 pieces"_qs.arg(t.elapsed()).arg(pieces.count())));
            QCOMPARE(r.port->readAll().toHex(' '), rep(1, {0x2304, 0x1500, 0x0117, 0x2103}).toHex(' '));
        }
        sim.stop();
        QCOMPARE(sim.exitCode(), message.isEmpty() ? 0 : 2);
        QCOMPARE(QFileInfo(link).isSymLink(), !message.isEmpty());
        QCOMPARE(test::fileBytes(plain), QByteArray("keep me"));
    }

    // A port that fails, at start-up or while open: the operator is told once, in Chinese, the
    // system's words going to kestrel.log; a read fails at once; the port opens again from the menu,
    // and the button's caption always says what its click does. A rate the port refuses is told the
    // same way; the menu keeps the rate in use checked and the port stays open.
    void portFailure_data()
    {
        QTest::addColumn<QString>("transport");
        QTest::addColumn<bool>("whileOpen");
        QTest::addColumn<QString>("description");
        QTest::newRow("no such device") << "pty" << false << t8(texts::link::PortNotFound);
        QTest::newRow("adapter removed") << "pty" << true << t8(texts::link::PortRemoved);
        QTest::newRow("connection refused") << "tcp" << false << t8(texts::link::TcpRefused);
        QTest::newRow("connection lost") << "tcp" << true << t8(texts::link::TcpLost);
        QTest::newRow("baud rate refused") << "wire" << true << t8(texts::link::BaudFailed);
    }
    void portFailure()
    {
        QFETCH(QString, transport);
        QFETCH(bool, whileOpen);
        QFETCH(QString, description);
        Rig r(u"1"_qs, transport);
        PortControl pc(*r.port, r.op);
        r.port->close();
        if (!whileOpen)
            r.serve(false);
        QFile::remove(logFilePath());
        pc.startUp();
        if (transport == u"wire") {
            pc.mnuBaudRate_Click(4);
            static_cast<test::TimedWire &>(*r.port).takesBaud = false;
            pc.mnuBaudRate_Click(5);
            QCOMPARE(pc.baudChecked(), 4);
        } else if (whileOpen) {
            QVERIFY(pc.portOpen());
            r.serve(false);
            QTRY_VERIFY(!pc.portOpen());
        }
        QCOMPARE(r.op.messages.size(), 1);
        const QString text = r.op.messages[0].text;
        QVERIFY2(text.startsWith(t8(texts::link::AppError)) && text.contains(description), qPrintable(text));
        if (transport == u"wire") {
            QCOMPARE(pc.comCaption(), t8(texts::link::ClosePort));
            return;
        }
        QVERIFY(!text.contains(r.port->lastError().systemText));
        QVERIFY(QString::fromUtf8(test::fileBytes(logFilePath())).contains(r.port->lastError().systemText));
        QCOMPARE(pc.comCaption(), t8(texts::link::OpenPort));
        QVERIFY(!r.read(1));
        QCOMPARE(r.time.elapsedMs(), qint64(0)); // no wait on a closed port

        r.serve(true);
        pc.mnu_com_Click(2);
        QCOMPARE(pc.comCaption(), t8(texts::link::ClosePort));
        pc.Com_Click();
        QVERIFY(!pc.portOpen());
        pc.Com_Click();
        QVERIFY(pc.portOpen());
        QVERIFY(r.read(1));
    }

    // The simulator serves one client at a time: a second connection takes the bus, the first is
    // told its connection is lost.
    void oneClientAtATime()
    {
        Rig first(u"1"_qs, u"tcp"_qs);
        QSignalSpy lost(first.port.get(), &ByteTransport::lost);
        Rig second({}, u"tcp://127.0.0.1:%1"_qs.arg(first.tcp.port()));
        QVERIFY(second.read(1));
        QTRY_COMPARE(lost.count(), 1);
        QVERIFY(!first.read(1));
    }

    // The ring keeps the last frames; the monitor's list takes them in batches, holds them while
    // paused, keeps at most the ring's capacity and filters by address.
    void monitorModels()
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
        for (int i = 0; i < 5000; ++i) // two frames each
            t.add(record(3 + i % 2, 10));
        m.refresh();
        QCOMPARE(t.frames().total(), 10008);
        QVERIFY(t.frames().at(t.frames().first()).sent);
        QCOMPARE(m.rowCount(), Traffic::RingFrames);
        QCOMPARE(m.data(m.index(0, TrafficModel::Address)).toString(), u"3"_qs);
        QCOMPARE(only2.rowCount(), 0); // the oldest rows went first
        m.clear();
        QCOMPARE(m.rowCount(), 0);

        // The statistics per address: requests, replies, each verdict, response times; the fault note.
        Traffic u;
        TrafficStatsModel stats(u);
        for (qint64 ms : {10, 20, 40})
            u.add(record(7, ms));
        u.add(record(7, 3000, Timeout));
        u.add(record(9, 5, BadCrc));
        stats.refresh();
        QStringList row7;
        for (int c = 0; c < TrafficStatsModel::ColumnCount; ++c)
            row7 << stats.data(stats.index(0, c)).toString();
        // address, requests, replies, time-outs, CRC, address, exception, late, trailing, min, mean, max
        QCOMPARE(row7, (QStringList{"7", "4", "3", "1", "0", "0", "0", "0", "0", "10", "23", "40"}));
        QCOMPARE(stats.data(stats.index(1, TrafficStatsModel::FirstVerdict + 1)).toString(),
                 u"1"_qs); // 9: a CRC error
        QCOMPARE(faultNote(u.stats(7)), u"超时，最后正常读数：2026-12-06 10:00:00"_qs);
        u.add(record(7, 10));
        QCOMPARE(faultNote(u.stats(7)), QString());
        stats.reset();
        QCOMPARE(stats.rowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"

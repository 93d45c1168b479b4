// The command exchange on a real serial port (a pseudo-terminal), its time limit on injected time:
// against kestrel-sim and its faults, and against Modbus code written elsewhere: a Qt SerialBus RTU
// server answering the exchange, libmodbus building the same requests, and mbpoll reading
// kestrel-sim.
#include "busfile.h"
#include "common/manualtime.h"
#include "common/recordingoperator.h"
#include "common/simprocess.h"
#include "link/crc16.h"
#include "link/exchange.h"
#include "link/qtserialport.h"
#include "link/texts.h"
#include "ptylink.h"
#include "simbus.h"

#include <QElapsedTimer>
#include <QModbusRtuSerialServer>
#include <QSocketNotifier>
#include <QtTest>
#include <unistd.h>
#ifdef KESTREL_HAVE_LIBMODBUS
#include <modbus.h>
#endif

using namespace kestrel;
using L = QList<int>;

namespace {

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

// The system's exchange on COM3, COM3 mapped to `path`.
struct Rig {
    explicit Rig(const QString &path) : port([&] { PortMap m; m.set(3, path); return m; }())
    {
        port.setPortNumber(3);
        opened = port.open();
    }
    test::ManualTime time;
    test::RecordingOperator op;
    QtSerialPort port;
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

} // namespace

class TestExchange : public QObject {
    Q_OBJECT
    test::SimProcess m_sim{QString::fromLatin1(kBus)};
    NullModem m_modem; // a Qt SerialBus server on its end a
    QModbusRtuSerialServer m_server;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));
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
    void cleanupTestCase() { m_server.disconnectDevice(); }

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
        step(10, false, 4, true); // another address, with its right CRC
        const QByteArray wrong = r.ex.lastReply();
        QVERIFY2(wrong.size() == 9 && wrong.at(0) == 11 && withCrc(wrong.left(7)) == wrong, wrong.toHex(' '));
        step(13, true, 4, false); // the first n + 5 bytes taken, the rest dropped
        QCOMPARE(r.ex.lastRequest().toHex(' ') + ' ' + r.ex.lastReply().toHex(' '),
                 "0d 03 00 02 00 02 65 07 " + withCrc(QByteArray::fromHex("0d030400010002")).toHex(' '));
        step(1, true, 4, false);
        QCOMPARE(r.words(2), (L{215, 456}));
        QVERIFY(r.op.messages.isEmpty());
    }

    void addrExchange_data()
    {
        QTest::addColumn<QString>("bus");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("address"); // 0: failed
        QTest::newRow("no device") << "# empty bus\n" << QString::fromUtf8(texts::link::CommFault) << 0;
        QTest::newRow("two devices collide") << "4 33 3 230415 0004 17\n9 0 6 230415 0009 17\n"
                                             << QString::fromUtf8(texts::link::CommError) << 0;
        QTest::newRow("one device and a silent one")
            << "200 33 3 230415 0004 17 set=2:215\n3 0 6 230415 0003 17 silent\n" << QString() << 200;
    }
    void addrExchange()
    {
        QFETCH(QString, bus);
        QFETCH(QString, message);
        QFETCH(int, address);
        test::SimProcess sim(bus);
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        Rig r(sim.linkPath());
        QVERIFY(r.opened);
        r.ex.data[0] = r.ex.data[1] = 0x55;
        const bool timedOut = message == QString::fromUtf8(texts::link::CommFault);
        QCOMPARE(r.ex.addrExchange(3, 0), address != 0);
        QCOMPARE(r.ex.lastRequest().toHex(' '), QByteArray("00 03 00 00 00 01 85 db"));
        QCOMPARE(r.op.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(r.op.messages.isEmpty() || r.op.messages.first().title.isEmpty()); // the application title
        // A rejected reply clears the data.
        QCOMPARE((L{r.ex.addrTimeout, timedOut ? address : r.ex.word(0)}), (L{timedOut, address}));
        if (address == 0)
            return;
        // The address write is echoed: start low, count high, count low.
        QVERIFY(r.ex.addrExchange(16, 0, 12));
        QCOMPARE(r.ex.lastRequest().toHex(' ') + QByteArray(reinterpret_cast<const char *>(r.ex.data.data()), 3),
                 QByteArray("00 10 00 00 00 01 02 00 0c ab c5\0\0\1", 35));
        QVERIFY(r.read(12) && r.words(1) == L{215});
        QVERIFY(!r.ex.addrExchange(16, 5)); // only registers 0, 4 and 6 are written
        QCOMPARE(r.ex.lastRequest().size(), 8);
        QVERIFY(r.op.messages.isEmpty());
    }

    // An exchange to a silent device times out after 3 s of injected time within a few grace
    // periods of real time; an exchange started meanwhile waits its turn and takes its real reply.
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

    void nestedExchangeGetsItsOwnReply()
    {
        Rig r(m_sim.linkPath());
        QVERIFY(r.opened);
        r.time.setGraceMs(2000); // device 6 answers 600 ms late
        QStringList wire; // the address byte of what went out and came in, in order
        connect(&r.ex, &Exchange::frameSent, this, [&](const QByteArray &f) { wire << "TX " + f.toHex().left(2); });
        connect(&r.ex, &Exchange::replyTaken, this, [&](const QByteArray &f) { wire << "RX " + f.toHex().left(2); });
        bool innerOk = false;
        L innerWords;
        QTimer::singleShot(100, this, [&] { // while the outer exchange waits for device 6
            innerOk = r.read(1);
            innerWords = r.words(2);
        });
        QVERIFY(r.read(6));
        QVERIFY(innerOk);
        QCOMPARE(r.words(2), (L{111, 222}));
        QCOMPARE(innerWords, (L{215, 456}));
        QCOMPARE(wire, (QStringList{"TX 06", "RX 06", "TX 01", "RX 01"})); // one on the wire at a time
        QCOMPARE(r.ex.failureCount, quint16(0));
    }

    void qtServerAnswersOurReads_data()
    {
        QTest::addColumn<L>("in"); // server address, selector, selIndex, customStart, customCount
        QTest::addColumn<L>("words");
        QTest::newRow("T+RH at 247") << L{247, 2, 0, 0, 0} << L{215, 456};
        QTest::newRow("CO2 at 1") << L{1, 6, 3, 0, 0} << L{789};
        QTest::newRow("free read of 9 from 2") << L{1, 255, 0, 2, 9} << L{215, 456, 0, 0, 789, 0, 0, 0, 35};
        QTest::newRow("identity block: 1 sent as 4") << L{1, 255, 0, 240, 1} << L{0x2304, 0x1500, 0x0117, 0x5119};
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

    // The server takes address 0 as the broadcast address: it applies a write sent there and, as
    // Modbus requires, does not answer it. The value it stored shows it read our frame as we meant
    // it; the exchange, left without an answer, reports the time-out.
    void qtServerTakesOurBroadcastAddressWrite()
    {
        m_server.setServerAddress(1);
        Rig r(m_modem.b.device);
        QVERIFY(r.opened);
        QVERIFY(!r.ex.addrExchange(16, 0, 12));
        quint16 reg0 = 0;
        QVERIFY(m_server.data(QModbusDataUnit::HoldingRegisters, 0, &reg0));
        QCOMPARE(reg0, quint16(12));
        QCOMPARE(r.op.texts(), QStringList{QString::fromUtf8(texts::link::CommFault)});
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
    // libmodbus sends its request for the same operation to the server; the bytes must be ours.
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
        const RequestFields f{uint8_t(op[0]), uint8_t(op[1]), uint8_t(op[2]), uint8_t(op[3]), 0, 0, 0, uint8_t(op[4])};
        QTRY_COMPARE(m_modem.toA.toHex(' '), buildRequest(f).toHex(' '));
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
};

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"

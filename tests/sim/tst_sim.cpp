// The bus simulator: bus files, the answers of its sensors over a real pseudo-terminal, and the
// kestrel-sim program itself. Its faults (silent, late, badcrc, wrongaddr, trailing, collisions)
// are checked where the system meets them, in the exchange tests.
#include "busfile.h"
#include "common/simprocess.h"
#include "link/crc16.h"
#include "simbus.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::sim;

namespace {

QByteArray frame(const char *bodyHex) { return withCrc(QByteArray::fromHex(bodyHex)); }
// A read request and its reply.
QByteArray req(int addr, int start, int n)
{
    return withCrc(QByteArray::fromHex(QString::asprintf("%02x03%04x%04x", addr, start, n).toLatin1()));
}
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
        for (pieces = 0; port.waitForReadyRead(got.isEmpty() ? qMax(maxMs - t.elapsed(), 1LL) : 60); ++pieces) {
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

const QString kThRh = QStringLiteral("1 33 3 230415 0001 17 set=2:215 set=3:456\n");

} // namespace

class TestSim : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A bus text and the lines of its devices as read back, or the start of the error it gives.
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString dev = "1 33 3 230415 0001 17 ";
        QTest::newRow("good") << "# a comment\n\n\t 5\t49 13 ABCDEF 1234 0c silent late=3500 badcrc wrongaddr "
                                 "trailing=3 set=2:-50 set=0x10:0x1F4 # tail\r\n255 0 0 000000 0000 00"
                              << "5 49 13 ABCDEF 1234 0C silent late=3500 badcrc wrongaddr trailing=3 set=2:65486 "
                                 "set=16:500\n255 0 0 000000 0000 00";
        QTest::newRow("no device") << "# nothing on this bus\n\n" << "";
        QTest::newRow("too few fields") << "1 33 3 230415 0001\n" << "bus:1: expected: address mixpro";
        QTest::newRow("address 256") << "256 33 3 230415 0001 17\n" << "bus:1: address \"256\"";
        QTest::newRow("batch not hex") << "1 33 3 23041G 0001 17\n" << "bus:1: batch \"23041G\"";
        QTest::newRow("unknown option") << dev + "slow" << "bus:1: unknown option \"slow\"";
        QTest::newRow("flag with value") << dev + "silent=1" << "bus:1: option \"silent\" takes no value";
        QTest::newRow("late without value") << dev + "late" << "bus:1: option \"late\" needs a value";
        QTest::newRow("set too big") << dev + "set=2:70000" << "bus:1: set=2:70000";
        QTest::newRow("set twice") << dev + "set=2:1 set=2:3" << "bus:1: register 2 set twice";
        QTest::newRow("late twice") << dev + "late=5 late=6" << "bus:1: option \"late\" given twice";
        QTest::newRow("line number counts comments") << kThRh + "# a\n\n" + dev + "x" << "bus:4: unknown";
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const auto r = parseBusText(text);
        QStringList lines;
        for (const DeviceSpec &d : r.devices)
            lines << formatDevice(d);
        QCOMPARE(r.ok() ? lines.join('\n') : r.error.left(expected.size()), expected);
        QVERIFY(r.ok() || r.devices.isEmpty()); // a bad file gives no half bus
    }

    // Unpinned values drift slowly within a plausible range; with fixed values they hold.
    void drift()
    {
        SimBus bus(parseBusText(demoBusText()).devices);
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
        QTest::newRow("125 registers")
            << kThRh << Steps{req(1, 0, 125), rep(1, QList<int>{1, 0, 215, 456} + QList<int>(121, 0))};
        QTest::newRow("not answered: bad CRC, cut short, other address")
            << kThRh << Steps{corrupt, none, read.left(6), none, req(2, 2, 2), none, read, good};
        QTest::newRow("exceptions: function 4, function 17, count 0, count 126")
            << kThRh << Steps{frame("010400020002"), frame("018401"), frame("0111"), frame("019101"),
                              frame("010300020000"), frame("018303"), frame("01030002007E"), frame("018303")};
        QTest::newRow("address writes refused: 0, 256, byte count")
            << kThRh << Steps{frame("001000000001020000"), frame("009003"), frame("001000000001020100"),
                              frame("009003"), frame("0010000000010400050006"), frame("009003"), read, good};
        QTest::newRow("address write") // echoed without byte count and value; other registers keep theirs
            << kThRh << Steps{frame("00100000000102000C"), frame("001000000001"), read, none,
                              req(12, 2, 2), rep(12, {215, 456}), frame("000300000001"), rep(0, {12}),
                              frame("0C1000000001020021"), frame("0C1000000001"), frame("211000040001022580"),
                              frame("211000040001"), req(33, 4, 1), rep(33, {0x2580})};
        QTest::newRow("address write to 0, two devices")
            << "37 0 6 000000 0000 00\n40 0 6 000000 0000 00"
            << Steps{frame("001000000001020005"), frame("001000000001"), req(37, 0, 1), none,
                     req(40, 0, 1), none, req(5, 0, 1), rep(5, {5})};
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
        test::SimProcess sim(kThRh + "2 0 6 230415 0002 17", {"--verbose", "--baud", "1200", "--link", link});
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
        static const QRegularExpression rx("\\d\\d:\\d\\d:\\d\\d\\.\\d{3} RX 01 03 00 f0 00 04 44 3a");
        QTRY_VERIFY2(rx.match(sim.standardError()).hasMatch(), sim.standardError().constData());
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
        QTest::newRow("missing bus file") << "demo" << QStringList{"--bus", "/nonexistent.bus"}
                                          << "/nonexistent.bus: cannot read";
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
};

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"

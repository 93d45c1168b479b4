// The bus simulator: bus files, the answers of its sensors over a real pseudo-terminal, its faults,
// and the kestrel-sim program itself.
#include "busfile.h"
#include "common/simprocess.h"
#include "link/crc16.h"
#include "link/frames.h"
#include "ptylink.h"
#include "simbus.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::sim;

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }
QByteArray frame(const char *bodyHex) { return withCrc(hex(bodyHex)); }

// The test's end of the wire: a serial port on the link path.
class Wire {
public:
    explicit Wire(const QString &path)
    {
        port.setPortName(path);
        port.setBaudRate(9600);
        ok = port.open(QIODevice::ReadWrite);
    }
    // Writes `request` and collects what comes back until `quietMs` pass without a byte after the
    // first one, or `maxMs` pass in all. firstByteMs/lastByteMs: when the first and the last byte came
    // (-1: none).
    QByteArray ask(const QByteArray &request, int maxMs = 400, int quietMs = 60)
    {
        port.clear();
        port.readAll();
        chunks = 0;
        firstByteMs = lastByteMs = -1;
        port.write(request);
        QByteArray got;
        QElapsedTimer t, quiet;
        t.start();
        while (t.elapsed() < maxMs) {
            QTest::qWait(2);
            const QByteArray b = port.readAll();
            if (!b.isEmpty()) {
                if (got.isEmpty())
                    firstByteMs = t.elapsed();
                got += b;
                lastByteMs = t.elapsed();
                ++chunks;
                quiet.start();
            } else if (!got.isEmpty() && quiet.elapsed() >= quietMs) {
                break;
            }
        }
        return got;
    }
    QSerialPort port;
    bool ok = false;
    int chunks = 0;
    qint64 firstByteMs = -1;
    qint64 lastByteMs = -1;
};

// A bus run in this process on a pseudo-terminal.
struct LocalBus {
    explicit LocalBus(const QString &text) : bus(parseBusText(text).devices), link(bus)
    {
        bus.setFixed(true);
        // Serial-port lock files are named after the link's file name: keep it unique.
        ok = link.open(dir.filePath(QStringLiteral("bus-%1-%2").arg(QCoreApplication::applicationPid()).arg(++serial)),
                       &error);
    }
    QTemporaryDir dir;
    SimBus bus;
    PtyLink link;
    QString error;
    bool ok = false;
    static inline int serial = 0;
};

QByteArray readReply(uint8_t addr, const QList<int> &words)
{
    QByteArray b;
    b.append(static_cast<char>(addr));
    b.append(char(3));
    b.append(static_cast<char>(2 * words.size()));
    for (int w : words) {
        b.append(static_cast<char>((w >> 8) & 0xFF));
        b.append(static_cast<char>(w & 0xFF));
    }
    return withCrc(b);
}

QByteArray readRequest(uint8_t addr, int start, int count)
{
    RequestFields f;
    f.slave = addr;
    f.function = 3;
    f.startLo = static_cast<uint8_t>(start);
    f.countLo = static_cast<uint8_t>(count);
    return buildRequest(f);
}

const char *const kPinnedThRh = "1 33 3 230415 0001 17 set=2:215 set=3:456\n";

} // namespace

class TestSim : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parseGood();
    void parseMalformed_data();
    void parseMalformed();
    void unreadableFile();
    void demoBus();
    void formatRoundTrip();
    void quantityMap_data();
    void quantityMap();

    void reads_data();
    void reads();
    void unpinnedValuesMatchModelAndAreServed();
    void valuesDriftSlowlyWithinRange();
    void addressWrite();
    void addressWriteRefusesBadAddress_data();
    void addressWriteRefusesBadAddress();
    void addressZero();
    void faults_data();
    void faults();
    void lateReply();
    void pacedReply();

    void programReadyAndCleansUp();
    void programLinkHandling();
    void programRejects_data();
    void programRejects();
    void programVerboseTrace();
};

void TestSim::parseGood()
{
    const auto r = parseBusText(QStringLiteral("# a comment line\n"
                                               "\n"
                                               "\t 5\t49 13 ABCDEF 1234 0c silent late=3500 badcrc wrongaddr "
                                               "trailing=3 set=2:-50 set=0x10:0x1F4  # tail comment\r\n"
                                               "255 0 0 000000 0000 00\n"));
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(r.devices.size(), 2);
    const DeviceSpec &d = r.devices[0];
    QCOMPARE(d.line, 3);
    QCOMPARE(d.address, 5);
    QCOMPARE(d.mixpro, 49);
    QCOMPARE(d.protype, 13);
    QCOMPARE(d.batch, (std::array<uint8_t, 3>{0xAB, 0xCD, 0xEF}));
    QCOMPARE(d.number, (std::array<uint8_t, 2>{0x12, 0x34}));
    QCOMPARE(d.date, 0x0C);
    QVERIFY(d.silent && d.badCrc && d.wrongAddr);
    QCOMPARE(d.lateMs, 3500);
    QCOMPARE(d.trailing, 3);
    QCOMPARE(d.pinned.value(2), 0xFFCE);
    QCOMPARE(d.pinned.value(16), 500);
    QCOMPARE(r.devices[1].address, 255);
    QVERIFY(!r.devices[1].silent && r.devices[1].pinned.isEmpty());

    const auto empty = parseBusText(QStringLiteral("# nothing on this bus\n\n"));
    QVERIFY(empty.ok());
    QVERIFY(empty.devices.isEmpty());
}

void TestSim::parseMalformed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("what");
    const QString ok = QStringLiteral("1 33 3 230415 0001 17\n");
    QTest::newRow("too few fields") << "1 33 3 230415 0001\n" << "bus:1:" << "got 5 fields";
    QTest::newRow("address 0") << "0 33 3 230415 0001 17\n" << "bus:1:" << "address \"0\"";
    QTest::newRow("address 256") << "256 33 3 230415 0001 17\n" << "bus:1:" << "address \"256\"";
    QTest::newRow("address text") << "one 33 3 230415 0001 17\n" << "bus:1:" << "address \"one\"";
    QTest::newRow("mixpro") << "1 300 3 230415 0001 17\n" << "bus:1:" << "mixpro \"300\"";
    QTest::newRow("protype") << "1 33 -3 230415 0001 17\n" << "bus:1:" << "protype \"-3\"";
    QTest::newRow("batch short") << "1 33 3 23041 0001 17\n" << "bus:1:" << "batch \"23041\"";
    QTest::newRow("batch not hex") << "1 33 3 23041G 0001 17\n" << "bus:1:" << "batch";
    QTest::newRow("number") << "1 33 3 230415 001 17\n" << "bus:1:" << "number \"001\"";
    QTest::newRow("date") << "1 33 3 230415 0001 117\n" << "bus:1:" << "date \"117\"";
    QTest::newRow("unknown option") << "1 33 3 230415 0001 17 slow\n" << "bus:1:" << "unknown option \"slow\"";
    QTest::newRow("flag with value") << "1 33 3 230415 0001 17 silent=1\n" << "bus:1:" << "takes no value";
    QTest::newRow("late without value") << "1 33 3 230415 0001 17 late\n" << "bus:1:" << "needs a value";
    QTest::newRow("late not a number") << "1 33 3 230415 0001 17 late=3s\n" << "bus:1:" << "late=3s";
    QTest::newRow("trailing 0") << "1 33 3 230415 0001 17 trailing=0\n" << "bus:1:" << "trailing=0";
    QTest::newRow("set without value") << "1 33 3 230415 0001 17 set=2\n" << "bus:1:" << "set=2";
    QTest::newRow("set too big") << "1 33 3 230415 0001 17 set=2:70000\n" << "bus:1:" << "set=2:70000";
    QTest::newRow("set twice") << "1 33 3 230415 0001 17 set=2:1 set=2:3\n" << "bus:1:" << "register 2 set twice";
    QTest::newRow("late twice") << "1 33 3 230415 0001 17 late=5 late=6\n" << "bus:1:" << "given twice";
    QTest::newRow("line number counts comments") << ok + "# comment\n\n1 33 3 230415 0001 17 x=1\n"
                                                 << "bus:4:" << "unknown option";
}

void TestSim::parseMalformed()
{
    QFETCH(QString, text);
    QFETCH(QString, where);
    QFETCH(QString, what);
    const auto r = parseBusText(text);
    QVERIFY(!r.ok());
    QVERIFY(r.devices.isEmpty()); // a bad file gives no half bus
    QVERIFY2(r.error.startsWith(where), qPrintable(r.error));
    QVERIFY2(r.error.contains(what), qPrintable(r.error));
}

void TestSim::unreadableFile()
{
    const auto r = parseBusFile(QStringLiteral("/nonexistent/kestrel/test.bus"));
    QVERIFY(!r.ok());
    QVERIFY2(r.error.contains(QLatin1String("/nonexistent/kestrel/test.bus")) &&
                 r.error.contains(QLatin1String("cannot read")),
             qPrintable(r.error));
}

void TestSim::demoBus()
{
    const auto r = parseBusText(demoBusText(), QStringLiteral("demo"));
    QVERIFY2(r.ok(), qPrintable(r.error));
    QSet<QPair<int, int>> types;
    int silent = 0;
    for (const auto &d : r.devices) {
        types.insert({d.mixpro, d.protype});
        silent += d.silent;
    }
    QCOMPARE(silent, 1);
    const QList<QPair<int, int>> wanted = {{33, 3}, {0, 6},  {0, 10},  {0, 13},
                                           {49, 9}, {49, 13}, {81, 27}, {0, 18}};
    for (const auto &t : wanted)
        QVERIFY2(types.contains(t), qPrintable(QStringLiteral("(%1,%2) missing").arg(t.first).arg(t.second)));
    QCOMPARE(r.devices[0].address, 1);
    QCOMPARE(r.devices[0].mixpro, 33);
    QCOMPARE(r.devices[0].protype, 3);
    // The file in the source tree is the demo bus.
    QFile f(QStringLiteral(KESTREL_SOURCE_DIR "/tools/sim/demo.bus"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(f.readAll()), demoBusText());
}

void TestSim::formatRoundTrip()
{
    const QString line = QStringLiteral("7 81 27 A0B1C2 D3E4 F5 silent late=10 badcrc wrongaddr trailing=2 set=2:215");
    const auto r = parseBusText(line);
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(formatDevice(r.devices[0]), line);
}

void TestSim::quantityMap_data()
{
    QTest::addColumn<int>("mixpro");
    QTest::addColumn<int>("protype");
    QTest::addColumn<QList<int>>("registers");
    QTest::newRow("T+RH") << 33 << 3 << QList<int>{2, 3};
    QTest::newRow("T+RH as (0,3)") << 0 << 3 << QList<int>{2, 3};
    QTest::newRow("T") << 0 << 2 << QList<int>{2};
    QTest::newRow("RH") << 0 << 1 << QList<int>{3};
    QTest::newRow("PM10") << 0 << 9 << QList<int>{9};
    QTest::newRow("O2") << 0 << 13 << QList<int>{13};
    QTest::newRow("NO2") << 0 << 21 << QList<int>{21};
    QTest::newRow("T+RH+CO2") << 49 << 9 << QList<int>{2, 3, 6};
    QTest::newRow("T+RH+VOC") << 49 << 11 << QList<int>{2, 3, 8};
    QTest::newRow("T+RH+PM2.5") << 49 << 13 << QList<int>{2, 3, 10};
    QTest::newRow("T+RH+CO2+VOC+PM2.5") << 81 << 27 << QList<int>{2, 3, 6, 8, 10};
    QTest::newRow("no type (65,1)") << 65 << 1 << QList<int>{};
    QTest::newRow("no type (0,5)") << 0 << 5 << QList<int>{};
    QTest::newRow("no type (81,26)") << 81 << 26 << QList<int>{};
}

void TestSim::quantityMap()
{
    QFETCH(int, mixpro);
    QFETCH(int, protype);
    QFETCH(QList<int>, registers);
    QCOMPARE(quantityRegisters(static_cast<uint8_t>(mixpro), static_cast<uint8_t>(protype)), registers);
}

void TestSim::reads_data()
{
    QTest::addColumn<QString>("busText");
    QTest::addColumn<int>("addr");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("words");
    const QString thrh = QString::fromLatin1(kPinnedThRh);
    QTest::newRow("T+RH pinned") << thrh << 1 << 2 << 2 << QList<int>{215, 456};
    QTest::newRow("address in register 0") << thrh << 1 << 0 << 4 << QList<int>{1, 0, 215, 456};
    QTest::newRow("registers it lacks read 0") << thrh << 1 << 4 << 5 << QList<int>{0, 0, 0, 0, 0};
    QTest::newRow("identity block") << thrh << 1 << 240 << 4 << QList<int>{0x2304, 0x1500, 0x0117, 0x2103};
    QTest::newRow("block across identity")
        << thrh << 1 << 238 << 7 << QList<int>{0, 0, 0x2304, 0x1500, 0x0117, 0x2103, 0};
    QTest::newRow("negative temperature") << "9 0 2 000000 0000 00 set=2:-50\n" << 9 << 2 << 1 << QList<int>{0xFFCE};
    QTest::newRow("pinned register outside the map")
        << "3 0 6 010203 0405 06 set=100:1234\n" << 3 << 99 << 2 << QList<int>{0, 1234};
    QTest::newRow("second device of the bus")
        << thrh + "2 0 6 0A0B0C 0D0E 0F set=6:789\n" << 2 << 6 << 1 << QList<int>{789};
    QTest::newRow("identity of a combined type")
        << "7 81 27 A0B1C2 D3E4 F5\n" << 7 << 240 << 4 << QList<int>{0xA0B1, 0xC2D3, 0xE4F5, 0x511B};
}

void TestSim::reads()
{
    QFETCH(QString, busText);
    QFETCH(int, addr);
    QFETCH(int, start);
    QFETCH(int, count);
    QFETCH(QList<int>, words);
    LocalBus b(busText);
    QVERIFY2(b.ok, qPrintable(b.error));
    Wire w(b.link.linkPath());
    QVERIFY(w.ok);
    const QByteArray got = w.ask(readRequest(static_cast<uint8_t>(addr), start, count));
    QCOMPARE(got.toHex(' '), readReply(static_cast<uint8_t>(addr), words).toHex(' '));
}

void TestSim::unpinnedValuesMatchModelAndAreServed()
{
    LocalBus b(demoBusText());
    QVERIFY2(b.ok, qPrintable(b.error));
    Wire w(b.link.linkPath());
    QVERIFY(w.ok);
    // The T+RH+CO2+VOC+PM2.5 device at 7: the polling block 2..10.
    QList<int> expected;
    for (int r = 2; r <= 10; ++r)
        expected << *b.bus.registerValue(7, r);
    QVERIFY(expected[0] != 0 && expected[1] != 0 && expected[4] != 0 && expected[6] != 0 && expected[8] != 0);
    QCOMPARE(expected[2], 0); // register 4: no quantity
    const QByteArray got = w.ask(readRequest(7, 2, 9));
    QCOMPARE(got.toHex(' '), readReply(7, expected).toHex(' '));
    const QMap<int, uint16_t> served = b.bus.lastServed(7);
    QCOMPARE(served.size(), 9);
    for (int r = 2; r <= 10; ++r)
        QCOMPARE(int(served.value(r)), expected[r - 2]);
    QCOMPARE(b.bus.servedLog().size(), 1);
    QCOMPARE(b.bus.servedLog().first().address, 7);
    QCOMPARE(b.bus.servedLog().first().start, 2);
    // O2 reads near 20.9 %.
    QVERIFY(qAbs(int(*b.bus.registerValue(4, 13)) - 2090) < 60);
}

void TestSim::valuesDriftSlowlyWithinRange()
{
    SimBus bus(parseBusText(demoBusText()).devices);
    qint64 t = 0;
    bus.setTimeSource([&t] { return t; });
    struct Span {
        int addr, reg, lo, hi;
        int min = INT_MAX, max = INT_MIN, prev = 0, maxStep = 0;
    };
    QList<Span> spans = {{1, 2, 100, 400}, {1, 3, 200, 800}, {2, 6, 350, 1500}, {4, 13, 1900, 2300},
                         {8, 18, 0, 50}};
    for (t = 0; t <= 1200 * 1000; t += 1000) {
        for (Span &s : spans) {
            const int v = int16_t(*bus.registerValue(static_cast<uint8_t>(s.addr), s.reg));
            if (t > 0)
                s.maxStep = qMax(s.maxStep, qAbs(v - s.prev));
            s.prev = v;
            s.min = qMin(s.min, v);
            s.max = qMax(s.max, v);
        }
    }
    for (const Span &s : spans) {
        const QByteArray what = QStringLiteral("device %1 register %2: %3..%4, step %5")
                                    .arg(s.addr).arg(s.reg).arg(s.min).arg(s.max).arg(s.maxStep).toUtf8();
        QVERIFY2(s.min >= s.lo && s.max <= s.hi, what.constData()); // plausible
        QVERIFY2(s.max > s.min, what.constData());                 // live
        QVERIFY2(s.maxStep <= qMax(3, (s.max - s.min) / 10), what.constData()); // slow
    }
    bus.setFixed(true);
    const uint16_t a = *bus.registerValue(1, 2);
    t += 137000;
    QCOMPARE(*bus.registerValue(1, 2), a);
}

void TestSim::addressWrite()
{
    LocalBus b(QString::fromLatin1(kPinnedThRh));
    QVERIFY2(b.ok, qPrintable(b.error));
    Wire w(b.link.linkPath());
    QVERIFY(w.ok);
    // The set-address command to bus address 0 is echoed without its byte count and value.
    QCOMPARE(w.ask(frame("00 10 00 00 00 01 02 00 0C")).toHex(' '), frame("00 10 00 00 00 01").toHex(' '));
    QCOMPARE(b.bus.address(0), 12);
    QVERIFY(w.ask(readRequest(1, 2, 2), 200).isEmpty());
    QCOMPARE(w.ask(readRequest(12, 2, 2)).toHex(' '), readReply(12, {215, 456}).toHex(' '));
    QCOMPARE(w.ask(frame("00 03 00 00 00 01")).toHex(' '), readReply(0, {12}).toHex(' '));
    // Addressed to the device itself.
    QCOMPARE(w.ask(frame("0C 10 00 00 00 01 02 00 21")).toHex(' '), frame("0C 10 00 00 00 01").toHex(' '));
    QCOMPARE(b.bus.address(0), 33);
    // Other registers keep what is written.
    QCOMPARE(w.ask(frame("21 10 00 04 00 01 02 25 80")).toHex(' '), frame("21 10 00 04 00 01").toHex(' '));
    QCOMPARE(w.ask(readRequest(33, 4, 1)).toHex(' '), readReply(33, {0x2580}).toHex(' '));
}

void TestSim::addressWriteRefusesBadAddress_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("address 0") << frame("00 10 00 00 00 01 02 00 00");
    QTest::newRow("address 256") << frame("00 10 00 00 00 01 02 01 00");
    QTest::newRow("byte count wrong") << frame("00 10 00 00 00 01 04 00 05 00 06");
}

void TestSim::addressWriteRefusesBadAddress()
{
    QFETCH(QByteArray, request);
    LocalBus b(QString::fromLatin1(kPinnedThRh));
    QVERIFY2(b.ok, qPrintable(b.error));
    Wire w(b.link.linkPath());
    QVERIFY(w.ok);
    QCOMPARE(w.ask(request).toHex(' '), frame("00 90 03").toHex(' ')); // illegal data value
    QCOMPARE(b.bus.address(0), 1);
}

void TestSim::addressZero()
{
    {
        LocalBus one(QStringLiteral("37 0 6 000000 0000 00\n"));
        QVERIFY2(one.ok, qPrintable(one.error));
        Wire w(one.link.linkPath());
        QVERIFY(w.ok);
        QCOMPARE(w.ask(frame("00 03 00 00 00 01")).toHex(' '), readReply(0, {37}).toHex(' '));
    }
    {
        // A silent device takes no part; the one that speaks is alone on the wire.
        LocalBus quiet(QStringLiteral("37 0 6 000000 0000 00\n40 0 6 000000 0000 00 silent\n"));
        QVERIFY2(quiet.ok, qPrintable(quiet.error));
        Wire w(quiet.link.linkPath());
        QVERIFY(w.ok);
        QCOMPARE(w.ask(frame("00 03 00 00 00 01")).toHex(' '), readReply(0, {37}).toHex(' '));
    }
    {
        LocalBus two(QStringLiteral("37 0 6 000000 0000 00\n40 0 6 000000 0000 00\n"));
        QVERIFY2(two.ok, qPrintable(two.error));
        Wire w(two.link.linkPath());
        QVERIFY(w.ok);
        const QByteArray got = w.ask(frame("00 03 00 00 00 01"));
        QCOMPARE(got.size(), 7);
        QCOMPARE(uint8_t(got[4]), uint8_t(37 | 40)); // the two replies overlaid
        ReplyData data{};
        QVERIFY2(!checkReply(got, 0, 2, data), got.toHex(' ').constData());
        // Both take a broadcast address write.
        QCOMPARE(w.ask(frame("00 10 00 00 00 01 02 00 05")).toHex(' '), frame("00 10 00 00 00 01").toHex(' '));
        QCOMPARE(two.bus.address(0), 5);
        QCOMPARE(two.bus.address(1), 5);
    }
}

void TestSim::faults_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("expected"); // empty: no answer
    const QByteArray read = readRequest(1, 2, 2);
    const QByteArray good = readReply(1, {215, 456});
    QByteArray badCrc = good;
    badCrc[7] = static_cast<char>(~badCrc[7]);
    badCrc[8] = static_cast<char>(~badCrc[8]);
    QTest::newRow("none") << "" << read << good;
    QTest::newRow("silent") << "silent" << read << QByteArray();
    QTest::newRow("badcrc") << "badcrc" << read << badCrc;
    QTest::newRow("wrongaddr") << "wrongaddr" << read << readReply(2, {215, 456});
    QTest::newRow("trailing") << "trailing=3" << read << good + QByteArray(3, '\0');
    QTest::newRow("faults combine") << "wrongaddr trailing=1" << read << readReply(2, {215, 456}) + QByteArray(1, '\0');
    QByteArray corrupt = read;
    corrupt[7] = static_cast<char>(corrupt[7] ^ 0x01);
    QTest::newRow("request with a bad CRC") << "" << corrupt << QByteArray();
    QTest::newRow("request cut short") << "" << read.left(6) << QByteArray();
    QTest::newRow("other address") << "" << readRequest(2, 2, 2) << QByteArray();
    QTest::newRow("function 4") << "" << frame("01 04 00 02 00 02") << frame("01 84 01");
    QTest::newRow("function 17 (length unknown)") << "" << frame("01 11") << frame("01 91 01");
    QTest::newRow("count 0") << "" << frame("01 03 00 02 00 00") << frame("01 83 03");
    QTest::newRow("count 126") << "" << frame("01 03 00 02 00 7E") << frame("01 83 03");
    QTest::newRow("count 125") << "" << frame("01 03 00 00 00 7D")
                               << readReply(1, QList<int>{1, 0, 215, 456} + QList<int>(121, 0));
}

void TestSim::faults()
{
    QFETCH(QString, options);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, expected);
    LocalBus b(QString::fromLatin1(kPinnedThRh).trimmed() + u' ' + options + u'\n');
    QVERIFY2(b.ok, qPrintable(b.error));
    Wire w(b.link.linkPath());
    QVERIFY(w.ok);
    QCOMPARE(w.ask(request, expected.isEmpty() ? 250 : 600).toHex(' '), expected.toHex(' '));
    // The bus goes on answering after whatever came before.
    if (options.isEmpty())
        QCOMPARE(w.ask(readRequest(1, 2, 2)).toHex(' '), readReply(1, {215, 456}).toHex(' '));
}

void TestSim::lateReply()
{
    LocalBus b(QString::fromLatin1(kPinnedThRh).trimmed() + QStringLiteral(" late=300\n"));
    QVERIFY2(b.ok, qPrintable(b.error));
    Wire w(b.link.linkPath());
    QVERIFY(w.ok);
    const QByteArray got = w.ask(readRequest(1, 2, 2), 1500);
    QCOMPARE(got.toHex(' '), readReply(1, {215, 456}).toHex(' '));
    QVERIFY2(w.firstByteMs >= 300, qPrintable(QString::number(w.firstByteMs)));
}

void TestSim::pacedReply()
{
    LocalBus b(QString::fromLatin1(kPinnedThRh));
    QVERIFY2(b.ok, qPrintable(b.error));
    b.link.setBaud(1200);
    Wire w(b.link.linkPath());
    QVERIFY(w.ok);
    const QByteArray got = w.ask(readRequest(1, 2, 2), 1500, 100);
    QCOMPARE(got.toHex(' '), readReply(1, {215, 456}).toHex(' '));
    // 8 request bytes on the wire, 3.5 characters of turnaround, then 9 reply bytes, 10 bits each.
    const qint64 wireMs = (8 + 9) * 10 * 1000 / 1200;
    QVERIFY2(w.lastByteMs >= wireMs, qPrintable(QString::number(w.lastByteMs)));
    QVERIFY2(w.firstByteMs >= 8 * 10 * 1000 / 1200, qPrintable(QString::number(w.firstByteMs)));
    QVERIFY2(w.chunks >= 3, qPrintable(QString::number(w.chunks))); // byte by byte, not at once
}

void TestSim::programReadyAndCleansUp()
{
    test::SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    const QString link = sim.linkPath();
    QCOMPARE(QString::fromUtf8(sim.standardOutput()).trimmed(),
             QStringLiteral("kestrel-sim: bus of 9 devices on %1").arg(link));
    QFileInfo fi(link);
    QVERIFY(fi.isSymLink());
    QVERIFY2(fi.symLinkTarget().startsWith(QLatin1String("/dev/pts/")), qPrintable(fi.symLinkTarget()));
    {
        Wire w(link);
        QVERIFY(w.ok);
        const QByteArray got = w.ask(readRequest(1, 240, 4));
        QCOMPARE(got.toHex(' '), readReply(1, {0x2304, 0x1500, 0x0117, 0x2103}).toHex(' '));
        QVERIFY(w.ask(readRequest(12, 2, 2), 250).isEmpty()); // the silent one
    }
    sim.stop();
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
}

void TestSim::programLinkHandling()
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("stale-link"));
    QVERIFY(QFile::link(QStringLiteral("/dev/nonexistent-tty"), link));
    QProcess p;
    p.start(test::SimProcess::executable(), {QStringLiteral("--link"), link});
    QVERIFY(p.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(link).symLinkTarget().startsWith(QLatin1String("/dev/pts/")), 5000);
    p.terminate();
    QVERIFY(p.waitForFinished());
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());

    const QString plain = dir.filePath(QStringLiteral("plain-file"));
    QFile f(plain);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("keep me");
    f.close();
    p.start(test::SimProcess::executable(), {QStringLiteral("--link"), plain});
    QVERIFY(p.waitForFinished());
    QCOMPARE(p.exitCode(), 2);
    QVERIFY(p.readAllStandardError().contains("not a symbolic link"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("keep me"));

    p.start(test::SimProcess::executable(), {});
    QVERIFY(p.waitForFinished());
    QCOMPARE(p.exitCode(), 2);
    QVERIFY(p.readAllStandardError().contains("--link PATH is required"));
}

void TestSim::programRejects_data()
{
    QTest::addColumn<QString>("busText");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("malformed bus file") << "1 33 3 230415 0001 17\n2 0 6 2304 0002 17\n" << QStringList()
                                        << "test.bus:2: batch \"2304\"";
    QTest::newRow("bad baud") << "" << QStringList{QStringLiteral("--baud"), QStringLiteral("fast")}
                              << "--baud fast";
    QTest::newRow("missing bus file") << "" << QStringList{QStringLiteral("--bus"), QStringLiteral("/nonexistent.bus")}
                                      << "/nonexistent.bus: cannot read";
}

void TestSim::programRejects()
{
    QFETCH(QString, busText);
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    test::SimProcess sim(busText.isEmpty() ? QStringLiteral("demo") : busText, args);
    QVERIFY(!sim.start());
    QVERIFY2(sim.errorString().contains(message), qPrintable(sim.errorString()));
    sim.stop();
    QCOMPARE(sim.exitCode(), 2);
}

void TestSim::programVerboseTrace()
{
    test::SimProcess sim(QString::fromLatin1(kPinnedThRh), {QStringLiteral("--verbose")});
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    Wire w(sim.linkPath());
    QVERIFY(w.ok);
    QCOMPARE(w.ask(readRequest(1, 2, 2)).toHex(' '), readReply(1, {215, 456}).toHex(' '));
    QVERIFY(w.ask(frame("05 03 00 02 00 02"), 200).isEmpty());
    QTRY_VERIFY(sim.standardError().contains("no device at address 5"));
    const QString trace = QString::fromUtf8(sim.standardError());
    static const QRegularExpression rx(QStringLiteral("\\d\\d:\\d\\d:\\d\\d\\.\\d{3} RX 01 03 00 02 00 02 65 cb"));
    static const QRegularExpression tx(QStringLiteral("\\d\\d:\\d\\d:\\d\\d\\.\\d{3} TX 01 03 04 00 d7 01 c8"));
    QVERIFY2(rx.match(trace).hasMatch() && tx.match(trace).hasMatch(), qPrintable(trace));
}

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"

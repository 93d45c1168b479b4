// The traffic the exchange publishes: the verdict and the counters of each fault kestrel-sim
// plays, a response time against a device's delay, the frame trace from the same records, the
// bounded ring, and the monitor's models batching, filtering and counting.
#include "common/log.h"
#include "common/manualtime.h"
#include "common/recordingoperator.h"
#include "common/simprocess.h"
#include "link/crc16.h"
#include "link/exchange.h"
#include "link/qtserialport.h"
#include "link/trafficmodel.h"

#include <QAbstractItemModelTester>
#include <QtTest>

using namespace kestrel;

namespace {

// 1 answers well, 6 after 150 ms, 9 never, 10 with the wrong address byte, 11 with a bad CRC,
// 13 with four zero bytes after its reply, 5 after 300 ms (after its injected time-out).
const char *const kBus = R"(
1  33 3 230415 0001 17 set=2:215 set=3:456
5  33 3 230415 0005 17 late=300
6  33 3 230415 0006 17 late=150
9  33 3 230415 0009 17 silent
10 33 3 230415 0010 17 wrongaddr
11 33 3 230415 0011 17 badcrc
13 33 3 230415 0013 17 trailing=4
)";

// An exchange on COM3 (mapped to `path`) and the traffic it publishes.
struct Rig {
    Rig(const QString &path, Clock &clock, TimerFactory &timers)
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

} // namespace

class TstTraffic : public QObject {
    Q_OBJECT
    test::SimProcess m_sim{QString::fromLatin1(kBus)};

private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString())); }

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
        Rig r(m_sim.linkPath(), time, time);
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
        Rig r(m_sim.linkPath(), time, time);
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
        Rig r(m_sim.linkPath(), SystemClock::instance(), QtTimerFactory::instance());
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
        Rig r(m_sim.linkPath(), time, time);
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
        Rig r(sim.linkPath(), time, time);
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
};

QTEST_GUILESS_MAIN(TstTraffic)
#include "tst_traffic.moc"

// The exchange under awkward timing: a wait cut short when the program ends, a device whose
// reply comes after its time-out, and replies that arrive in pieces.
#include "busfile.h"
#include "common/manualtime.h"
#include "common/recordingoperator.h"
#include "common/simprocess.h"
#include "common/timedwire.h"
#include "link/exchange.h"
#include "link/qtserialport.h"
#include "simbus.h"

#include <QtTest>

using namespace kestrel;
using L = QList<int>;

namespace {

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

} // namespace

class TstTiming : public QObject {
    Q_OBJECT
private Q_SLOTS:
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
        PortMap map;
        map.set(3, sim.linkPath());
        QtSerialPort port(map);
        port.setPortNumber(3);
        QVERIFY(port.open());
        test::ManualTime time(1000); // a 30-ms gap must not end the wait on injected time
        test::RecordingOperator op;
        Exchange ex(port, op, time, time);
        ex.CurAddr = 7;
        QVERIFY(ex.readRegisters(3, 2));
        QCOMPARE(ex.lastReply().size(), 9);
        QCOMPARE(ex.word(0), 215);
        QCOMPARE(ex.word(2), 456);
    }
};

QTEST_GUILESS_MAIN(TstTiming)
#include "tst_timing.moc"

// The command exchange on a real serial port (a pseudo-terminal) against kestrel-sim.
#include "common/recordingoperator.h"
#include "common/simprocess.h"
#include "link/exchange.h"
#include "link/qtserialport.h"
#include "link/texts.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

using namespace kestrel;
using L = QList<int>;

namespace {

// Faults per address: 5 answers after 3.5 s, 6 after 1 s, 10 with the wrong address byte,
// 11 with a bad CRC, 13 with four bytes too many.
const char *const kBus = R"(
1  33 3  230415 0001 17 set=2:215 set=3:456
5  33 3  230415 0005 17 late=3500
6  33 3  230415 0006 17 late=1000 set=2:111 set=3:222
10 33 3  230415 0010 17 wrongaddr
11 33 3  230415 0011 17 badcrc
13 33 3  230415 0013 17 trailing=4 set=2:1 set=3:2
)";

// The system's exchange on COM3, COM3 mapped to the simulator's link.
struct Rig {
    explicit Rig(const QString &link) : port([&] { PortMap m; m.set(3, link); return m; }())
    {
        port.setPortNumber(3);
        opened = port.open();
    }
    test::RecordingOperator op;
    QtSerialPort port;
    Exchange ex{port, op};
    bool opened = false;

    bool read(int addr)
    {
        ex.CurAddr = uint8_t(addr);
        return ex.readRegisters(3, 2);
    }
    QList<int> words(int count) const
    {
        QList<int> w;
        for (int i = 0; i < count; ++i)
            w << ex.word(2 * i);
        return w;
    }
};

} // namespace

class TestExchange : public QObject {
    Q_OBJECT
    test::SimProcess m_sim{QString::fromLatin1(kBus)};

private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString())); }

    // Rejections, a time-out, a late reply and good replies in one run: the failure count goes up by
    // one for each failure; only a time-out raises the time-out flag and only a good reply lowers it.
    void failuresAndLateReply()
    {
        Rig r(m_sim.linkPath());
        QVERIFY(r.opened);
        qint64 ms = 0;
        const auto step = [&](int addr, bool ok, int failures, bool timedOut) {
            QElapsedTimer t;
            t.start();
            QCOMPARE(r.read(addr), ok);
            ms = t.elapsed();
            QCOMPARE(r.ex.failureCount, quint16(failures));
            QCOMPARE(r.ex.valueTimeout, timedOut);
        };
        r.ex.data[0] = r.ex.data[1] = 0x55;
        step(11, false, 1, false); // bad CRC: rejected at once, the whole reply taken, the data cleared
        QVERIFY2(ms < 1000, qPrintable(QString::number(ms)));
        QCOMPARE(r.ex.lastReply().size(), 9);
        QCOMPARE(r.ex.word(0), 0);
        step(5, false, 2, true); // answers after 3.5 s: timed out after 3 s
        QVERIFY2(ms >= Exchange::TimeLimitMs, qPrintable(QString::number(ms)));
        step(6, false, 3, true); // device 5's late reply comes half a second into this wait
        QVERIFY2(ms < 1000 && r.ex.lastReply().at(0) == 5, qPrintable(QString::number(ms)));
        QTest::qWait(800); // device 6's own reply, now stray, spoils nothing
        step(10, false, 4, true); // wrong address
        QCOMPARE(r.ex.lastReply().size(), 9);
        step(13, true, 4, false); // the first n + 5 bytes taken, the rest dropped
        QCOMPARE(r.ex.lastRequest().toHex(' '), "0d 03 00 02 00 02 65 07");
        QCOMPARE(r.ex.lastReply().size(), 9);
        QCOMPARE(r.words(2), (L{1, 2}));
        step(1, true, 4, false);
        QCOMPARE(r.words(2), (L{215, 456}));
        QVERIFY(r.op.messages.isEmpty());
    }

    void addrExchange_data()
    {
        QTest::addColumn<QString>("bus");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("address"); // 0: failed
        QTest::newRow("no device") << "# empty bus\n" << QString::fromUtf8(texts::CommFault) << 0;
        QTest::newRow("two devices collide") << "4 33 3 230415 0004 17\n9 0 6 230415 0009 17\n"
                                             << QString::fromUtf8(texts::CommError) << 0;
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
        const bool timedOut = message == QString::fromUtf8(texts::CommFault);
        QElapsedTimer t;
        t.start();
        QCOMPARE(r.ex.addrExchange(3, 0), address != 0);
        QCOMPARE(r.ex.lastRequest().toHex(' '), QByteArray("00 03 00 00 00 01 85 db"));
        QCOMPARE(r.op.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(r.op.messages.isEmpty() || r.op.messages.first().title.isEmpty()); // the application title
        QCOMPARE(r.ex.addrTimeout, timedOut);
        QCOMPARE(t.elapsed() >= Exchange::TimeLimitMs, timedOut);
        if (!timedOut)
            QCOMPARE(r.ex.word(0), address); // a rejected reply clears the data
        if (address == 0)
            return;
        r.ex.data[1] = 12; // the address write is echoed: start low, count high, count low
        QVERIFY(r.ex.addrExchange(16, 0));
        QCOMPARE(r.ex.lastRequest().toHex(' '), QByteArray("00 10 00 00 00 01 02 00 0c ab c5"));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(r.ex.data.data()), 3), QByteArray("\0\0\1", 3));
        QVERIFY(r.read(12));
        QCOMPARE(r.words(1), L{215});
        QVERIFY(!r.ex.addrExchange(16, 5)); // only registers 0, 4 and 6 are written
        QCOMPARE(r.ex.lastRequest().size(), 8);
        QVERIFY(r.op.messages.isEmpty());
    }

    void nestedExchangeGetsItsOwnReply()
    {
        Rig r(m_sim.linkPath());
        QVERIFY(r.opened);
        QStringList wire; // what went out and came in, in order
        const auto note = [&wire](const char *dir) {
            return [&wire, dir](const QByteArray &f) { wire << dir + f.toHex().left(2); };
        };
        connect(&r.ex, &Exchange::frameSent, this, note("TX "));
        connect(&r.ex, &Exchange::replyTaken, this, note("RX "));
        bool innerOk = false;
        L innerWords;
        QTimer::singleShot(100, this, [&] { // while the outer exchange waits for device 6 (1 s)
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
};

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"

// The command exchange on a real serial port (a pseudo-terminal) against kestrel-sim.
#include "common/recordingoperator.h"
#include "common/simprocess.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/qtserialport.h"
#include "link/texts.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace kestrel;

namespace {

// One bus for most cases. Faults per address: 5 answers after 3.5 s, 6 after 1 s, 9 never,
// 10 with the wrong address byte, 11 with a bad CRC, 13 with four bytes too many.
const char *const kBus = R"(
1  33 3  230415 0001 17 set=2:215 set=3:456
2  0  6  230415 0002 17 set=6:789
3  49 13 230611 0006 0C set=2:-50 set=3:1000 set=10:35
5  33 3  230415 0005 17 late=3500 set=2:555 set=3:556
6  33 3  230415 0006 17 late=1000 set=2:111 set=3:222
9  33 3  230415 0009 17 silent
10 33 3  230415 0010 17 wrongaddr
11 33 3  230415 0011 17 badcrc
13 33 3  230415 0013 17 trailing=4 set=2:1 set=3:2
)";

// The system's exchange on COM3, COM3 mapped to the simulator's link.
struct Rig {
    explicit Rig(const QString &link)
    {
        PortMap map;
        map.set(3, link);
        port = std::make_unique<QtSerialPort>(map);
        port->setPortNumber(3);
        opened = port->open();
        ex = std::make_unique<Exchange>(*port, op);
    }
    test::RecordingOperator op;
    std::unique_ptr<QtSerialPort> port;
    std::unique_ptr<Exchange> ex;
    bool opened = false;

    QList<int> words(int count) const
    {
        QList<int> w;
        for (int i = 0; i < count; ++i)
            w << ex->word(2 * i);
        return w;
    }
};

} // namespace

class TestExchange : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void goodReply_data();
    void goodReply();
    void rejectedReply_data();
    void rejectedReply();
    void failureCountAcrossTimeoutAndRejections();
    void lateReplyRejectedByNextExchange();
    void addrExchange_data();
    void addrExchange();
    void addressWrite();
    void nestedExchangeGetsItsOwnReply();

private:
    std::unique_ptr<test::SimProcess> m_sim;
};

void TestExchange::initTestCase()
{
    m_sim = std::make_unique<test::SimProcess>(QString::fromLatin1(kBus));
    QVERIFY2(m_sim->start(), qPrintable(m_sim->errorString()));
}

void TestExchange::goodReply_data()
{
    QTest::addColumn<int>("addr");
    QTest::addColumn<int>("selector");
    QTest::addColumn<int>("selIndex");
    QTest::addColumn<int>("customStart");
    QTest::addColumn<int>("customCount");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QList<int>>("words");
    QTest::newRow("T+RH, selector 2") << 1 << 2 << 0 << 0 << 0 << QByteArray::fromHex("01030002000265CB")
                                      << QList<int>{215, 456};
    QTest::newRow("temperature only, selector 2 index 1")
        << 1 << 2 << 1 << 0 << 0 << QByteArray::fromHex("01030002000125CA") << QList<int>{215};
    QTest::newRow("CO2, selector 6") << 2 << 6 << 3 << 0 << 0 << QByteArray::fromHex("0203000600016438")
                                     << QList<int>{789};
    QTest::newRow("free read of 9 from 2") << 3 << 255 << 0 << 2 << 9 << QByteArray::fromHex("03030002000925EE")
                                           << QList<int>{0xFFCE, 1000, 0, 0, 0, 0, 0, 0, 35};
    QTest::newRow("identity block, count forced to 4")
        << 3 << 255 << 0 << 240 << 1 << QByteArray::fromHex("030300F0000445D8")
        << QList<int>{0x2306, 0x1100, 0x060C, 0x310D};
    QTest::newRow("trailing bytes dropped") << 13 << 2 << 0 << 0 << 0 << QByteArray::fromHex("0D03000200026507")
                                            << QList<int>{1, 2};
}

void TestExchange::goodReply()
{
    QFETCH(int, addr);
    QFETCH(int, selector);
    QFETCH(int, selIndex);
    QFETCH(int, customStart);
    QFETCH(int, customCount);
    QFETCH(QByteArray, request);
    QFETCH(QList<int>, words);
    Rig r(m_sim->linkPath());
    QVERIFY(r.opened);
    r.ex->CurAddr = static_cast<uint8_t>(addr);
    r.ex->CustomStart = static_cast<uint8_t>(customStart);
    r.ex->CustomCount = static_cast<uint8_t>(customCount);
    r.ex->valueTimeout = true;
    QVERIFY(r.ex->readRegisters(3, static_cast<uint8_t>(selector), static_cast<uint8_t>(selIndex)));
    QCOMPARE(r.ex->lastRequest().toHex(' '), request.toHex(' '));
    QCOMPARE(r.words(static_cast<int>(words.size())), words);
    QCOMPARE(r.ex->lastReply().size(), 2 * words.size() + 5);
    QCOMPARE(r.ex->failureCount, quint16(0));
    QVERIFY(!r.ex->valueTimeout);
    QVERIFY(r.op.messages.isEmpty());
}

void TestExchange::rejectedReply_data()
{
    QTest::addColumn<int>("addr");
    QTest::addColumn<bool>("timeoutBefore");
    QTest::newRow("wrong address, flag was down") << 10 << false;
    QTest::newRow("wrong address, flag was up") << 10 << true;
    QTest::newRow("bad CRC, flag was down") << 11 << false;
    QTest::newRow("bad CRC, flag was up") << 11 << true;
}

void TestExchange::rejectedReply()
{
    QFETCH(int, addr);
    QFETCH(bool, timeoutBefore);
    Rig r(m_sim->linkPath());
    QVERIFY(r.opened);
    r.ex->CurAddr = static_cast<uint8_t>(addr);
    r.ex->valueTimeout = timeoutBefore;
    r.ex->failureCount = 7;
    r.ex->data[0] = r.ex->data[1] = 0x55;
    QElapsedTimer t;
    t.start();
    QVERIFY(!r.ex->readRegisters(3, 2));
    QVERIFY2(t.elapsed() < Exchange::TimeLimitMs, "rejected at once, not timed out");
    QCOMPARE(r.ex->lastReply().size(), 9); // a whole reply was taken
    QCOMPARE(r.ex->failureCount, quint16(8));
    QCOMPARE(r.ex->valueTimeout, timeoutBefore); // a rejected reply leaves the flag as it was
    QCOMPARE(r.ex->data[0], 0);
    QCOMPARE(r.ex->data[1], 0);
    QVERIFY(r.op.messages.isEmpty());
}

void TestExchange::failureCountAcrossTimeoutAndRejections()
{
    Rig r(m_sim->linkPath());
    QVERIFY(r.opened);
    QElapsedTimer t;
    t.start();
    r.ex->CurAddr = 9; // silent
    QVERIFY(!r.ex->readRegisters(3, 2));
    QVERIFY2(t.elapsed() >= Exchange::TimeLimitMs, qPrintable(QString::number(t.elapsed())));
    QVERIFY(r.ex->valueTimeout);
    QCOMPARE(r.ex->failureCount, quint16(1));

    r.ex->CurAddr = 11;
    QVERIFY(!r.ex->readRegisters(3, 2));
    r.ex->CurAddr = 10;
    QVERIFY(!r.ex->readRegisters(3, 2));
    QCOMPARE(r.ex->failureCount, quint16(3));
    QVERIFY(r.ex->valueTimeout);

    r.ex->CurAddr = 1;
    QVERIFY(r.ex->readRegisters(3, 2));
    QCOMPARE(r.ex->failureCount, quint16(3)); // a good reply does not reset the count
    QVERIFY(!r.ex->valueTimeout);
    QCOMPARE(r.words(2), (QList<int>{215, 456}));
    QVERIFY(r.op.messages.isEmpty());
}

void TestExchange::lateReplyRejectedByNextExchange()
{
    Rig r(m_sim->linkPath());
    QVERIFY(r.opened);
    r.ex->CurAddr = 5; // answers after 3.5 s
    QVERIFY(!r.ex->readRegisters(3, 2));
    QVERIFY(r.ex->valueTimeout);
    QCOMPARE(r.ex->failureCount, quint16(1));

    // Device 6 answers after 1 s; device 5's reply comes first, half a second into this wait.
    QElapsedTimer t;
    t.start();
    r.ex->CurAddr = 6;
    QVERIFY(!r.ex->readRegisters(3, 2));
    QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(uint8_t(r.ex->lastReply().at(0)), uint8_t(5));
    QCOMPARE(r.ex->failureCount, quint16(2));
    QVERIFY(r.ex->valueTimeout); // unchanged by the rejected reply

    // Device 6's own reply, now stray, does not spoil the next exchange.
    QTest::qWait(800);
    r.ex->CurAddr = 1;
    QVERIFY(r.ex->readRegisters(3, 2));
    QCOMPARE(r.words(2), (QList<int>{215, 456}));
    QCOMPARE(r.ex->failureCount, quint16(2));
}

void TestExchange::addrExchange_data()
{
    QTest::addColumn<QString>("bus");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("address");
    QTest::newRow("no device") << "# empty bus\n" << false << QString::fromUtf8(texts::CommFault) << 0;
    QTest::newRow("bad CRC device alone") << "4 33 3 230415 0004 17 badcrc\n" << false
                                          << QString::fromUtf8(texts::CommError) << 0;
    QTest::newRow("two devices collide") << "4 33 3 230415 0004 17\n9 0 6 230415 0009 17\n" << false
                                         << QString::fromUtf8(texts::CommError) << 0;
    QTest::newRow("one device") << "4 33 3 230415 0004 17\n" << true << QString() << 4;
    QTest::newRow("one device and a silent one") << "200 0 6 230415 0004 17\n3 0 6 230415 0003 17 silent\n"
                                                 << true << QString() << 200;
}

void TestExchange::addrExchange()
{
    QFETCH(QString, bus);
    QFETCH(bool, ok);
    QFETCH(QString, message);
    QFETCH(int, address);
    test::SimProcess sim(bus);
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    Rig r(sim.linkPath());
    QVERIFY(r.opened);
    r.ex->data[0] = r.ex->data[1] = 0x55;
    QElapsedTimer t;
    t.start();
    QCOMPARE(r.ex->addrExchange(3, 0), ok);
    QCOMPARE(r.ex->lastRequest().toHex(' '), QByteArray("00 03 00 00 00 01 85 db"));
    if (ok) {
        QVERIFY(r.op.messages.isEmpty());
        QCOMPARE(int(r.ex->data[1]), address);
        return;
    }
    QCOMPARE(r.op.texts(), QStringList{message});
    QVERIFY(r.op.messages.first().title.isEmpty()); // the application title
    const bool timedOut = message == QString::fromUtf8(texts::CommFault);
    QCOMPARE(r.ex->addrTimeout, timedOut);
    if (timedOut) {
        QVERIFY2(t.elapsed() >= Exchange::TimeLimitMs, qPrintable(QString::number(t.elapsed())));
    } else {
        QCOMPARE(r.ex->data[0], 0);
        QCOMPARE(r.ex->data[1], 0);
    }
}

void TestExchange::addressWrite()
{
    test::SimProcess sim(QStringLiteral("7 33 3 230415 0007 17 set=2:215 set=3:456\n"));
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    Rig r(sim.linkPath());
    QVERIFY(r.opened);
    QSignalSpy sent(r.ex.get(), &Exchange::frameSent);
    r.ex->data[0] = 0;
    r.ex->data[1] = 12;
    QVERIFY(r.ex->addrExchange(16, 0));
    QCOMPARE(sent.last().at(0).toByteArray().toHex(' '), QByteArray("00 10 00 00 00 01 02 00 0c ab c5"));
    QCOMPARE(r.ex->data[0], 0); // register start low, count high, count low
    QCOMPARE(r.ex->data[1], 0);
    QCOMPARE(r.ex->data[2], 1);
    QVERIFY(r.ex->addrExchange(3, 0));
    QCOMPARE(int(r.ex->data[1]), 12);
    r.ex->CurAddr = 12;
    QVERIFY(r.ex->readRegisters(3, 2));
    QCOMPARE(r.words(2), (QList<int>{215, 456}));
    QVERIFY(r.op.messages.isEmpty());
    // Only registers 0, 4 and 6 are written; anything else is refused before the wire.
    const auto before = sent.size();
    QVERIFY(!r.ex->addrExchange(16, 5));
    QCOMPARE(sent.size(), before);
}

void TestExchange::nestedExchangeGetsItsOwnReply()
{
    Rig r(m_sim->linkPath());
    QVERIFY(r.opened);
    QStringList wire; // what went out and came in, in order
    connect(r.ex.get(), &Exchange::frameSent, this, [&](const QByteArray &f) { wire << "TX " + f.left(1).toHex(); });
    connect(r.ex.get(), &Exchange::replyTaken, this, [&](const QByteArray &f) { wire << "RX " + f.left(1).toHex(); });
    bool innerOk = false;
    bool innerRan = false;
    QList<int> innerWords;
    QTimer::singleShot(100, this, [&] {
        // Started while the outer exchange waits for device 6 (which answers after 1 s).
        innerRan = true;
        r.ex->CurAddr = 1;
        innerOk = r.ex->readRegisters(3, 2);
        innerWords = r.words(2);
    });
    r.ex->CurAddr = 6;
    QElapsedTimer t;
    t.start();
    const bool outerOk = r.ex->readRegisters(3, 2);
    QVERIFY(innerRan);
    QVERIFY(outerOk);
    QVERIFY(innerOk);
    QCOMPARE(r.words(2), (QList<int>{111, 222}));
    QCOMPARE(innerWords, (QList<int>{215, 456}));
    QCOMPARE(wire, (QStringList{"TX 06", "RX 06", "TX 01", "RX 01"})); // one on the wire at a time
    QCOMPARE(r.ex->failureCount, quint16(0));
    QVERIFY(t.elapsed() >= 1000);
}

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"

// Request frames and their CRC, the value-read table, the reply check, the input check (with the
// numeric value of a text) and the port map.
#include "link/checkinput.h"
#include "link/crc16.h"
#include "link/frames.h"
#include "link/portmap.h"

#include <QtTest>

using namespace kestrel;
using L = QList<int>;

static QByteArray hex(const char *h) { return QByteArray::fromHex(h); }

class TstFrames : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A value read as readRegisters builds it: the plan from the table, then the frame. (Each
    // product's own read is checked on the wire, in the product tests' whole catalogue.)
    void valueRequests_data()
    {
        QTest::addColumn<L>("in"); // slave, selector, selIndex, customStart, customCount
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("read 1 from 0") << L{1, 255, 0, 0, 1} << QByteArray("01 03 00 00 00 01 84 0A");
        QTest::newRow("read address") << L{0, 255, 0, 0, 1} << QByteArray("00 03 00 00 00 01 85 DB");
        QTest::newRow("identity block") << L{1, 255, 0, 240, 4} << QByteArray("01 03 00 F0 00 04 44 3A");
        QTest::newRow("1 at 240 sends 4") << L{1, 255, 0, 240, 1} << QByteArray("01 03 00 F0 00 04 44 3A");
    }
    void valueRequests()
    {
        QFETCH(L, in);
        QFETCH(QByteArray, frame);
        uint8_t count = uint8_t(in[4]);
        const auto plan = valueReadPlan(uint8_t(in[1]), uint8_t(in[2]), uint8_t(in[3]), count);
        QVERIFY(plan);
        RequestFields f;
        f.slave = uint8_t(in[0]);
        f.startLo = plan->start;
        f.countLo = plan->count;
        QCOMPARE(buildRequest(f).toHex(' ').toUpper(), frame);
        QCOMPARE(plan->expected, 2 * plan->count); // the reply is that + 5 bytes
        QCOMPARE(count, in[1] == 255 ? plan->count : in[4]); // a forced count goes back to the free-read box
    }
    void otherSelectorsReadNothing()
    {
        uint8_t count = 1;
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
        QTest::newRow("one byte short (its CRC high byte 0)") << withCrc(hex("05030400FA0007")).left(8) << 5 << 4
                                                              << QByteArray();
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

private:
    static constexpr int Refused = -1000, Untouched = 7777;
};

QTEST_GUILESS_MAIN(TstFrames)
#include "tst_frames.moc"

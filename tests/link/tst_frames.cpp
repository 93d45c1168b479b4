// Frames, CRC-16, the reply check, the input check and the numeric value of a text.
#include "common/numeric.h"
#include "link/checkinput.h"
#include "link/crc16.h"
#include "link/frames.h"
#include "link/portmap.h"

#include <QtTest>

using namespace kestrel;

static QByteArray hex(const char *h) { return QByteArray::fromHex(h); }

class TstFrames : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void crc_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("hi");
        QTest::addColumn<int>("lo");
        QTest::newRow("read 1 reg") << hex("010300000001") << 0x0A << 0x84;
        QTest::newRow("read address") << hex("000300000001") << 0xDB << 0x85;
        QTest::newRow("identity block") << hex("010300F00004") << 0x3A << 0x44;
        QTest::newRow("classic 01 03 00 00 00 0A") << hex("01030000000A") << 0xCD << 0xC5;
        QTest::newRow("single byte") << hex("01") << 0x80 << 0x7E;
    }
    void crc()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, hi);
        QFETCH(int, lo);
        const Crc c = CRC16(body, static_cast<int>(body.size()));
        QCOMPARE(int(c.hi), hi);
        QCOMPARE(int(c.lo), lo);
    }
    void crcCountsOnlyTheFirstBytes()
    {
        const QByteArray b = hex("010300000001FFFF");
        QCOMPARE(CRC16(b, 6), CRC16(hex("010300000001"), 6));
    }

    void requests_data()
    {
        QTest::addColumn<int>("slave");
        QTest::addColumn<int>("function");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("value");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("read 1 from 0") << 1 << 3 << 0 << 1 << 0 << hex("010300000001840A");
        QTest::newRow("read address") << 0 << 3 << 0 << 1 << 0 << hex("00030000000185DB");
        QTest::newRow("identity") << 1 << 3 << 240 << 4 << 0 << hex("010300F00004443A");
        QTest::newRow("set address 7") << 0 << 16 << 0 << 1 << 7 << QByteArray(withCrc(hex("001000000001020007")));
        QTest::newRow("function 5 never built") << 1 << 5 << 0 << 1 << 0 << QByteArray();
    }
    void requests()
    {
        QFETCH(int, slave);
        QFETCH(int, function);
        QFETCH(int, start);
        QFETCH(int, count);
        QFETCH(int, value);
        QFETCH(QByteArray, frame);
        RequestFields f;
        f.slave = uint8_t(slave);
        f.function = uint8_t(function);
        f.startLo = uint8_t(start);
        f.countLo = uint8_t(count);
        f.valueHi = uint8_t(value >> 8);
        f.valueLo = uint8_t(value & 0xFF);
        QCOMPARE(buildRequest(f).toHex(' '), frame.toHex(' '));
        if (function == 16)
            QCOMPARE(frame.size(), 11);
    }

    void readPlan_data()
    {
        QTest::addColumn<int>("selector");
        QTest::addColumn<int>("selIndex");
        QTest::addColumn<int>("customStart");
        QTest::addColumn<int>("customCount");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("n");
        QTest::newRow("T+RH") << 2 << 0 << 0 << 0 << 2 << 2 << 4;
        QTest::newRow("temperature only") << 2 << 1 << 0 << 0 << 2 << 1 << 2;
        QTest::newRow("humidity only") << 3 << 2 << 0 << 0 << 3 << 1 << 2;
        QTest::newRow("selector 3 with product 7") << 3 << 7 << 0 << 0 << 3 << 2 << 4;
        QTest::newRow("selector 0") << 0 << 0 << 0 << 0 << 0 << 2 << 4;
        QTest::newRow("CO2") << 6 << 3 << 0 << 0 << 6 << 1 << 2;
        QTest::newRow("NO2") << 21 << 13 << 0 << 0 << 21 << 1 << 2;
        QTest::newRow("free read") << 255 << 0 << 2 << 9 << 2 << 9 << 18;
        QTest::newRow("identity forced to 4") << 255 << 0 << 240 << 1 << 240 << 4 << 8;
        QTest::newRow("identity count 11 forced") << 255 << 0 << 240 << 11 << 240 << 4 << 8;
    }
    void readPlan()
    {
        QFETCH(int, selector);
        QFETCH(int, selIndex);
        QFETCH(int, customStart);
        QFETCH(int, customCount);
        QFETCH(int, start);
        QFETCH(int, count);
        QFETCH(int, n);
        uint8_t cc = uint8_t(customCount);
        const auto plan = valueReadPlan(uint8_t(selector), uint8_t(selIndex), uint8_t(customStart), cc);
        QVERIFY(plan);
        QCOMPARE(int(plan->start), start);
        QCOMPARE(int(plan->count), count);
        QCOMPARE(plan->expected, n);
        if (selector == 255)
            QCOMPARE(int(cc), count);
    }
    void readPlanUnknownSelector()
    {
        uint8_t cc = 0;
        for (int s : {1, 4, 5, 7, 12, 14, 15, 17, 22, 240, 254})
            QVERIFY2(!valueReadPlan(uint8_t(s), 0, 0, cc), qPrintable(QString::number(s)));
    }

    void replyCheck_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("slave");
        QTest::addColumn<int>("n");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QByteArray>("data");
        const QByteArray good = withCrc(hex("05030400FA01F4"));
        QTest::newRow("good") << good << 5 << 4 << true << hex("00FA01F4");
        QTest::newRow("trailing bytes dropped") << good + hex("AABBCC") << 5 << 4 << true << hex("00FA01F4");
        QTest::newRow("other address, right CRC") << withCrc(hex("06030400FA01F4")) << 5 << 4 << false << QByteArray();
        QTest::newRow("wrong function code accepted") << withCrc(hex("05040400FA01F4")) << 5 << 4 << true << hex("00FA01F4");
        QTest::newRow("wrong byte count accepted") << withCrc(hex("05030900FA01F4")) << 5 << 4 << true << hex("00FA01F4");
        QByteArray lowWrong = good;
        lowWrong[7] = char(lowWrong[7] ^ 1);
        QTest::newRow("CRC low wrong") << lowWrong << 5 << 4 << false << QByteArray();
        QByteArray highWrong = good;
        highWrong[8] = char(highWrong[8] ^ 1);
        QTest::newRow("CRC high wrong") << highWrong << 5 << 4 << false << QByteArray();
        QTest::newRow("short reply") << good.left(8) << 5 << 4 << false << QByteArray();
        QTest::newRow("write echo n=3") << withCrc(hex("001000000001")) << 0 << 3 << true << hex("000001");
        QTest::newRow("address read") << withCrc(hex("0003020007")) << 0 << 2 << true << hex("0007");
    }
    void replyCheck()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, slave);
        QFETCH(int, n);
        QFETCH(bool, accepted);
        QFETCH(QByteArray, data);
        ReplyData buf;
        buf.fill(0x55);
        QCOMPARE(checkReply(reply, uint8_t(slave), n, buf), accepted);
        if (accepted) {
            QCOMPARE(QByteArray(reinterpret_cast<const char *>(buf.data()), n).toHex(), data.toHex());
            QCOMPARE(int(buf[size_t(n)]), 0x55); // nothing beyond n touched
        } else {
            QCOMPARE(int(buf[0]), 0);
            QCOMPARE(int(buf[1]), 0);
            QCOMPARE(int(buf[2]), 0x55);
        }
    }
    void replyCheckNeverWritesPastTheBuffer()
    {
        ReplyData buf{};
        const QByteArray big(2 * 128 + 5, '\x01');
        QVERIFY(!checkReply(big, 1, 256 + 1, buf)); // more data than the buffer holds: refused
        QByteArray full = QByteArray(1, '\x01') + QByteArray(1, '\x03') + QByteArray(1, char(250)) + QByteArray(250, '\x22');
        full = withCrc(full);
        QVERIFY(checkReply(full, 1, 250, buf));
        QCOMPARE(int(buf[249]), 0x22);
    }

    void checkInputTable_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("kind 8 256") << "256" << 8 << false << -1;
        QTest::newRow("kind 8 12.5 halves to even") << "12.5" << 8 << true << 12;
        QTest::newRow("kind 8 13.5") << "13.5" << 8 << true << 14;
        QTest::newRow("kind 8 255") << "255" << 8 << true << 255;
        QTest::newRow("kind 8 too long") << "00001" << 8 << false << -1;
        QTest::newRow("kind 8 letters give 0") << "ab" << 8 << true << 0;
        QTest::newRow("kind 8 leading blanks") << "  7x" << 8 << true << 7;
        QTest::newRow("kind 12 -3") << "-3" << 12 << true << -30;
        QTest::newRow("kind 12 400") << "400" << 12 << true << 4000;
        QTest::newRow("kind 12 401") << "401" << 12 << false << -1;
        QTest::newRow("kind 12 -99") << "-99" << 12 << true << -990;
        QTest::newRow("kind 12 1.25") << "1.25" << 12 << true << 12;
        QTest::newRow("kind 0 201") << "201" << 0 << false << -1;
        QTest::newRow("kind 0 200") << "200" << 0 << true << 200;
        QTest::newRow("kind 1 -50") << "-50" << 1 << true << -50;
        QTest::newRow("kind 1 -51") << "-51" << 1 << false << -1;
        QTest::newRow("kind 1 129") << "129" << 1 << false << -1;
        QTest::newRow("other kind") << "anything long" << 5 << true << -1;
    }
    void checkInputTable()
    {
        QFETCH(QString, text);
        QFETCH(int, kind);
        QFETCH(bool, ok);
        QFETCH(int, value);
        int16_t stored = -1;
        QCOMPARE(checkInput(text, uint8_t(kind), stored), ok);
        QCOMPARE(int(stored), value);
    }

    void leadingNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("blanks then number") << "   42abc" << 42.0;
        QTest::newRow("sign") << "-3.5" << -3.5;
        QTest::newRow("point only") << "." << 0.0;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("exponent") << "1e3x" << 1000.0;
        QTest::newRow("dangling e") << "7e" << 7.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("full-width digits are not digits") << QString::fromUtf8("１２") << 0.0;
    }
    void leadingNumbers()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(leadingNumber(text), value);
    }

    void portMapping()
    {
        PortMap m;
        QCOMPARE(m.pathFor(3), QStringLiteral("/dev/ttyS2"));
        QVERIFY(m.addMappings(QStringLiteral("COM3=/tmp/sim link,com5=/dev/ttyUSB0")));
        QCOMPARE(m.pathFor(3), QStringLiteral("/tmp/sim link"));
        QCOMPARE(m.pathFor(5), QStringLiteral("/dev/ttyUSB0"));
        QString err;
        QVERIFY(!m.addMapping(QStringLiteral("COM9=/dev/x"), &err));
        QVERIFY(!err.isEmpty());
        QVERIFY(!m.addMapping(QStringLiteral("/dev/ttyUSB0")));
    }
};

QTEST_GUILESS_MAIN(TstFrames)
#include "tst_frames.moc"

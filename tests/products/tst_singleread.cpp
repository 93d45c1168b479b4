// The single read ("单个读取") and the custom read, over an in-process bus.
#include "productrig.h"

#include "link/crc16.h"
#include "products/texts.h"

#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {
// 13 box texts with the given ones filled in.
QStringList shown(std::initializer_list<std::pair<int, const char *>> boxes)
{
    QStringList b;
    for (int i = 0; i < Panel::Boxes; ++i)
        b << QString();
    for (const auto &[i, t] : boxes)
        b[i] = QString::fromUtf8(t);
    return b;
}
QString msg(const char *t) { return QString::fromUtf8(t); }
} // namespace

class TestSingleRead : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void product_data();
    void product();
    void combinedProduct();
    void combinedSecondRequestFollowsTxtB1();
    void staleSecondSelectorIsNotRead();
    void silentDeviceEndsQuietly();
    void rejectedReplyEndsQuietly_data();
    void rejectedReplyEndsQuietly();
    void refused_data();
    void refused();
    void refusalRepeatedByTimedReadingShownOnce();
    void secondClickWhileWaitingIsIgnored();
    void recordEntry();
    void timedRecordEntry();
    void timedBufferFullWritesOut();
    void customBlock();
    void customSkipsOtherRegisters();
    void customStartAbove128();
    void customWholeReply();
    void identityBlock_data();
    void identityBlock();
    void timedCustomRead();
};

void TestSingleRead::product_data()
{
    QTest::addColumn<int>("menu");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("start"); // first register the device holds `data` at
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("request"); // without its CRC
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("record"); // record entry texts of the shown boxes, "box=text;..."

    QTest::newRow("T+RH") << 0 << "5" << 2 << hex("00 FA 01 F4") << hex("05 03 00 02 00 02")
                          << shown({{0, "25.0"}, {1, "50.0"}}) << "0=250;1=500";
    QTest::newRow("T+RH signed and full") << 0 << "5" << 2 << hex("FF CE 03 E8") << hex("05 03 00 02 00 02")
                                          << shown({{0, "-5.0"}, {1, "100.0"}}) << "0=-50;1=1000";
    QTest::newRow("T+RH humidity clamped") << 0 << "5" << 2 << hex("00 C8 04 B0") << hex("05 03 00 02 00 02")
                                           << shown({{0, "20.0"}, {1, "100.0"}}) << "0=200;1=1000";
    QTest::newRow("T+RH humidity negative") << 0 << "1" << 2 << hex("00 00 FF FF") << hex("01 03 00 02 00 02")
                                            << shown({{0, "0.0"}, {1, "0.0"}}) << "0=0;1=0";
    QTest::newRow("T one register") << 1 << "255" << 2 << hex("FF CE") << hex("FF 03 00 02 00 01")
                                    << shown({{0, "-5.0"}}) << "0=-50";
    QTest::newRow("RH one register") << 2 << "1" << 3 << hex("04 B0") << hex("01 03 00 03 00 01")
                                     << shown({{1, "100.0"}}) << "1=1000";
    QTest::newRow("CO2") << 3 << "1" << 6 << hex("01 C2") << hex("01 03 00 06 00 01") << shown({{2, "450.0"}})
                         << "2=450";
    QTest::newRow("CO2 negative") << 3 << "1" << 6 << hex("80 00") << hex("01 03 00 06 00 01")
                                  << shown({{2, "0.0"}}) << "2=0";
    QTest::newRow("VOC") << 4 << "1" << 8 << hex("00 64") << hex("01 03 00 08 00 01") << shown({{3, "100.0"}})
                         << "3=100";
    QTest::newRow("PM2.5") << 5 << "1" << 10 << hex("00 23") << hex("01 03 00 0A 00 01") << shown({{4, "35.0"}})
                           << "4=35";
    QTest::newRow("CO") << 6 << "1" << 11 << hex("00 7B") << hex("01 03 00 0B 00 01") << shown({{5, "12.3"}})
                        << "5=123";
    QTest::newRow("O2 clamped") << 8 << "1" << 13 << hex("0A 28") << hex("01 03 00 0D 00 01")
                                << shown({{6, "25.00"}}) << "6=2500";
    QTest::newRow("O3 clamped") << 9 << "1" << 16 << hex("09 C4") << hex("01 03 00 10 00 01")
                                << shown({{7, "20.00"}}) << "7=2000";
    QTest::newRow("HCHO above top") << 10 << "1" << 18 << hex("75 30") << hex("01 03 00 12 00 01")
                                    << shown({{8, "2679.0"}}) << "8=26790";
    QTest::newRow("H2S") << 11 << "1" << 19 << hex("00 05") << hex("01 03 00 13 00 01") << shown({{9, "0.5"}})
                         << "9=5";
    QTest::newRow("NH3 negative") << 12 << "1" << 20 << hex("FF 00") << hex("01 03 00 14 00 01")
                                  << shown({{10, "0.0"}}) << "10=0";
    QTest::newRow("NO2") << 13 << "1" << 21 << hex("01 90") << hex("01 03 00 15 00 01") << shown({{11, "40.0"}})
                         << "11=400";
    QTest::newRow("PM10") << 14 << "1" << 9 << hex("00 57") << hex("01 03 00 09 00 01") << shown({{12, "87.0"}})
                          << "12=87";
    QTest::newRow("address with blanks") << 3 << " 7 " << 6 << hex("00 01") << hex("07 03 00 06 00 01")
                                         << shown({{2, "1.0"}}) << "2=1";
}

void TestSingleRead::product()
{
    QFETCH(int, menu);
    QFETCH(QString, address);
    QFETCH(int, start);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, request);
    QFETCH(QStringList, boxes);
    QFETCH(QString, record);
    ProductRig r;
    r.side.protype_Click(menu);
    for (int i = 0; i < Panel::Boxes; ++i)
        r.panel.setValueText(i, QStringLiteral("old"));
    r.panel.setWindowWidth(Panel::WideWidth);
    r.panel.TxtB1 = address;
    r.holdData(address.trimmed().toInt(), start, data);
    r.calls.clear();
    r.side.CMDRHTread_Click();

    QCOMPARE(r.fake.written, QList<QByteArray>{withCrc(request)});
    QCOMPARE(r.boxes(), boxes);
    QCOMPARE(r.panel.windowWidth(), int(Panel::NarrowWidth));
    QCOMPARE(r.calls, QStringList{QStringLiteral("stopPolling")}); // timed reading off: no curve hooks
    QCOMPARE(int(r.exchange.CurAddr), address.trimmed().toInt());
    for (const QString &pair : record.split(u';')) {
        const int box = pair.section(u'=', 0, 0).toInt();
        QCOMPARE(r.timed.entries[0].values[size_t(box)], pair.section(u'=', 1));
    }
    QVERIFY(r.timed.entries[0].time.isEmpty());
    QCOMPARE(int(r.timed.recCount), 0);
    QVERIFY(r.op.messages.isEmpty());
}

void TestSingleRead::combinedProduct()
{
    ProductRig r;
    r.side.protype_Click(7);
    r.holdData(1, 2, hex("00 FA 01 F4 00 00 00 00 01 C2"));
    for (int round = 0; round < 2; ++round) { // the second read starts again from selector 2
        r.fake.written.clear();
        r.side.CMDRHTread_Click();
        QCOMPARE(r.fake.written,
                 (QList<QByteArray>{withCrc(hex("01 03 00 02 00 02")), withCrc(hex("01 03 00 06 00 01"))}));
        QCOMPARE(r.boxes(), shown({{0, "25.0"}, {1, "50.0"}, {2, "450.0"}}));
        QCOMPARE(int(r.side.SelStart), 6);
        QCOMPARE(int(r.side.SelStart2), 0);
    }
    QCOMPARE(r.timed.entries[0].values[2], QStringLiteral("450"));
}

void TestSingleRead::combinedSecondRequestFollowsTxtB1()
{
    ProductRig r;
    r.side.protype_Click(7);
    r.holdData(1, 2, hex("00 FA 01 F4 00 00 00 00 01 C2"));
    r.holdData(2, 2, hex("00 00 00 00 00 00 00 00 00 07"));
    r.fake.responder = [&r](const QByteArray &f) {
        r.panel.TxtB1 = QStringLiteral("2"); // the operator types while the first request waits
        return r.bus.answer(f);
    };
    r.side.CMDRHTread_Click();
    QCOMPARE(r.fake.written.size(), 2);
    QCOMPARE(uint8_t(r.fake.written[1][0]), uint8_t(2));
    QCOMPARE(r.boxes(), shown({{0, "25.0"}, {1, "50.0"}, {2, "7.0"}}));
}

// After "温湿度+二氧化碳" was chosen and never read, another product reads its own register only.
void TestSingleRead::staleSecondSelectorIsNotRead()
{
    ProductRig r;
    r.side.protype_Click(7);
    r.side.protype_Click(8);
    r.holdData(1, 6, hex("01 C2"));
    r.holdData(1, 13, hex("08 2A"));
    r.side.CMDRHTread_Click();
    QCOMPARE(r.fake.written, QList<QByteArray>{withCrc(hex("01 03 00 0D 00 01"))});
    QCOMPARE(r.boxes(), shown({{6, "20.90"}}));
}

// The one test that waits out the 3-second limit.
void TestSingleRead::silentDeviceEndsQuietly()
{
    ProductRig r;
    r.side.protype_Click(7);
    r.timed.timedReading = true;
    r.bus.silent.insert(1);
    r.holdData(1, 2, hex("00 FA 01 F4"));
    for (int i = 0; i < Panel::Boxes; ++i)
        r.panel.setValueText(i, QStringLiteral("old"));
    r.calls.clear();
    QElapsedTimer t;
    t.start();
    r.side.CMDRHTread_Click();
    QVERIFY(t.elapsed() >= Exchange::TimeLimitMs - 50);
    QCOMPARE(r.fake.written.size(), 1); // the second request is skipped
    QCOMPARE(r.boxes(), shown({}));
    QCOMPARE(r.calls, QStringList{QStringLiteral("stopPolling")});
    QCOMPARE(int(r.timed.recCount), 0);
    QVERIFY(r.timed.entries[0].time.isEmpty());
    QVERIFY(r.op.messages.isEmpty());
    QCOMPARE(int(r.side.SelStart2), 0);
    QVERIFY(!r.side.reading());
}

void TestSingleRead::rejectedReplyEndsQuietly_data()
{
    QTest::addColumn<int>("fault"); // 0 wrong CRC, 1 wrong address byte
    QTest::newRow("wrong CRC") << 0;
    QTest::newRow("wrong address") << 1;
}

void TestSingleRead::rejectedReplyEndsQuietly()
{
    QFETCH(int, fault);
    ProductRig r;
    r.side.protype_Click(7);
    r.holdData(1, 2, hex("00 FA 01 F4"));
    r.fake.responder = [&r, fault](const QByteArray &f) {
        QByteArray reply = r.bus.answer(f);
        if (fault == 0) {
            reply[reply.size() - 2] = char(reply[reply.size() - 2] ^ 0x01);
        } else {
            reply[0] = char(reply[0] + 1);
            reply = withCrc(reply.left(reply.size() - 2));
        }
        return reply;
    };
    r.side.CMDRHTread_Click();
    QCOMPARE(r.fake.written.size(), 1);
    QCOMPARE(r.boxes(), shown({}));
    QVERIFY(r.op.messages.isEmpty());
}

void TestSingleRead::refused_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("custom");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("message");
    const QString badAddr = msg(productTexts::BadAddress);
    const QString badStart = msg(productTexts::BadCustomStart);
    const QString badCount = msg(productTexts::BadCustomCount);
    QTest::newRow("empty address") << "" << false << "0" << "11" << badAddr;
    QTest::newRow("address 0") << "0" << false << "0" << "11" << badAddr;
    QTest::newRow("address 256") << "256" << false << "0" << "11" << badAddr;
    QTest::newRow("address with letters") << "12abc" << false << "0" << "11" << badAddr;
    QTest::newRow("address fraction") << "1.5" << false << "0" << "11" << badAddr;
    QTest::newRow("address sign") << "+3" << false << "0" << "11" << badAddr;
    QTest::newRow("custom bad address first") << "x" << true << "y" << "z" << badAddr;
    QTest::newRow("empty start") << "1" << true << "" << "11" << badStart;
    QTest::newRow("start 256") << "1" << true << "256" << "11" << badStart;
    QTest::newRow("start with letters") << "1" << true << "2a" << "11" << badStart;
    QTest::newRow("empty count") << "1" << true << "2" << "" << badCount;
    QTest::newRow("count 0") << "1" << true << "2" << "0" << badCount;
    QTest::newRow("count 126") << "1" << true << "2" << "126" << badCount;
    QTest::newRow("count with letters") << "1" << true << "2" << "4x" << badCount;
}

void TestSingleRead::refused()
{
    QFETCH(QString, address);
    QFETCH(bool, custom);
    QFETCH(QString, start);
    QFETCH(QString, count);
    QFETCH(QString, message);
    ProductRig r;
    if (custom)
        r.side.readSelf_Click();
    r.holdData(1, 0, QByteArray(40, '\1'));
    r.panel.TxtB1 = address;
    r.panel.txtSelf = {start, count};
    r.panel.setValueText(0, QStringLiteral("old"));
    r.panel.setWindowWidth(Panel::WideWidth);
    r.calls.clear();
    r.side.CMDRHTread_Click();
    QCOMPARE(r.op.texts(), QStringList{message});
    QVERIFY(r.op.messages[0].title.isEmpty()); // the application title
    QVERIFY(r.fake.written.isEmpty());
    QVERIFY(r.calls.isEmpty()); // polling is not stopped by a refused read
    QCOMPARE(r.panel.valueText(0), QStringLiteral("old"));
    QCOMPARE(r.panel.windowWidth(), int(Panel::WideWidth));
}

void TestSingleRead::refusalRepeatedByTimedReadingShownOnce()
{
    ProductRig r;
    r.holdData(1, 2, hex("00 FA 01 F4"));
    r.timed.timedReading = true;
    r.panel.TxtB1 = QStringLiteral("9x");
    for (int tick = 0; tick < 3; ++tick)
        r.side.CMDRHTread_Click();
    QCOMPARE(r.op.messages.size(), 1);
    r.panel.TxtB1 = QStringLiteral("1");
    r.side.CMDRHTread_Click(); // a good read in between: the next bad entry is told again
    r.panel.TxtB1 = QString();
    r.side.CMDRHTread_Click();
    QCOMPARE(r.op.messages.size(), 2);
    r.timed.timedReading = false;
    r.side.CMDRHTread_Click(); // a click of the operator always answers
    QCOMPARE(r.op.messages.size(), 3);
}

void TestSingleRead::secondClickWhileWaitingIsIgnored()
{
    ProductRig r;
    r.side.protype_Click(7);
    r.holdData(1, 2, hex("00 FA 01 F4 00 00 00 00 01 C2"));
    r.fake.delayMs = 30;
    bool clicked = false;
    r.fake.responder = [&](const QByteArray &f) {
        if (!clicked) {
            clicked = true;
            QTimer::singleShot(0, [&r] { r.side.CMDRHTread_Click(); });
        }
        return r.bus.answer(f);
    };
    r.side.CMDRHTread_Click();
    QVERIFY(clicked);
    QCOMPARE(r.fake.written.size(), 2);
    QCOMPARE(r.boxes(), shown({{0, "25.0"}, {1, "50.0"}, {2, "450.0"}}));
}

// Every single read writes its values into the current record entry, timed or not.
void TestSingleRead::recordEntry()
{
    ProductRig r;
    r.holdData(1, 2, hex("00 FA 04 B0"));
    r.timed.entries[0].values[5] = QStringLiteral(" ");
    r.side.CMDRHTread_Click();
    const RecordEntry &e = r.timed.entries[0];
    QCOMPARE(e.values[0], QStringLiteral("250"));
    QCOMPARE(e.values[1], QStringLiteral("1000")); // the clamped value
    QCOMPARE(e.values[5], QStringLiteral(" "));    // not measured: kept
    QVERIFY(e.time.isEmpty());
    QCOMPARE(int(e.reg), 0);
    QCOMPARE(int(r.timed.recCount), 0);
}

void TestSingleRead::timedRecordEntry()
{
    ProductRig r;
    r.side.protype_Click(7);
    r.holdData(1, 2, hex("00 FA 01 F4 00 00 00 00 01 C2"));
    r.timed.timedReading = true;
    r.timed.recCount = 4;
    r.calls.clear();
    r.side.CMDRHTread_Click();
    const RecordEntry &e = r.timed.entries[4];
    QCOMPARE(e.time, QStringLiteral("14:31:37"));
    QCOMPARE(int(e.reg), 6); // the selector of the last request
    QCOMPARE(e.values[0], QStringLiteral("250"));
    QCOMPARE(e.values[2], QStringLiteral("450"));
    QCOMPARE(int(r.timed.recCount), 5);
    QCOMPARE(r.calls, (QStringList{QStringLiteral("stopPolling"), QStringLiteral("saveDrawData"),
                                   QStringLiteral("drawPic")}));
}

void TestSingleRead::timedBufferFullWritesOut()
{
    ProductRig r;
    r.holdData(1, 2, hex("00 FA 01 F4"));
    r.timed.timedReading = true;
    r.timed.recCount = 99;
    r.calls.clear();
    r.side.CMDRHTread_Click();
    QCOMPARE(r.calls.last(), QStringLiteral("wData"));
    QCOMPARE(r.timed.entries[99].values[0], QStringLiteral("250"));
    QCOMPARE(int(r.timed.recCount), 0); // emptied by the writer

    // Without a writer the count stops at 100 and entry 100 is the one overwritten.
    r.side.wData = nullptr;
    r.timed.recCount = 99;
    r.side.CMDRHTread_Click();
    r.side.CMDRHTread_Click();
    QCOMPARE(int(r.timed.recCount), 100);
}

void TestSingleRead::customBlock()
{
    ProductRig r;
    r.side.readSelf_Click();
    r.panel.txtSelf = {QStringLiteral("2"), QStringLiteral("4")};
    r.holdData(1, 2, hex("00 FA 01 F4 00 00 00 00"));
    r.side.CMDRHTread_Click();
    QCOMPARE(r.fake.written, QList<QByteArray>{withCrc(hex("01 03 00 02 00 04"))});
    QCOMPARE(r.boxes(), shown({{0, "25.0"}, {1, "50.0"}}));
    QCOMPARE(int(r.side.SelStart), 255);
    QCOMPARE(r.side.CustomWords, (std::vector<int16_t>{250, 500, 0, 0, 0}));
    QVERIFY(r.enabledBoxes().isEmpty()); // the boxes show their text while disabled
    QVERIFY(r.op.messages.isEmpty());
    QCOMPARE(r.timed.entries[0].values[0], QStringLiteral("250"));
}

void TestSingleRead::customSkipsOtherRegisters()
{
    ProductRig r;
    r.side.readSelf_Click();
    r.panel.txtSelf = {QStringLiteral("16"), QStringLiteral("4")};
    r.holdData(1, 16, hex("07 D0 12 34 00 00 00 00"));
    r.side.CMDRHTread_Click();
    QCOMPARE(r.boxes(), shown({{7, "20.00"}, {8, "0.0"}, {9, "0.0"}}));
    QCOMPARE(r.side.CustomWords[1], int16_t(0x1234)); // register 17 is kept, not shown

    // No clamps and signed words in a custom read.
    r.panel.txtSelf = {QStringLiteral("2"), QStringLiteral("2")};
    r.holdData(1, 2, hex("FF CE 04 B0"));
    r.side.CMDRHTread_Click();
    QCOMPARE(r.boxes(), shown({{0, "-5.0"}, {1, "120.0"}}));
    QCOMPARE(r.side.CustomWords, (std::vector<int16_t>{-50, 1200, 0}));
}

void TestSingleRead::customStartAbove128()
{
    ProductRig r;
    r.side.readSelf_Click();
    r.panel.txtSelf = {QStringLiteral("200"), QStringLiteral("3")};
    r.holdData(1, 128, hex("00 01 00 02 00 03"));
    r.side.CMDRHTread_Click();
    QCOMPARE(r.fake.written, QList<QByteArray>{withCrc(hex("01 03 00 80 00 03"))});
    QCOMPARE(r.side.CustomWords, (std::vector<int16_t>{1, 2, 3, 0}));
    QCOMPARE(r.boxes(), shown({}));
}

// The largest block one reply carries: every catalogue register from 0 on reaches its box.
void TestSingleRead::customWholeReply()
{
    ProductRig r;
    r.side.readSelf_Click();
    r.panel.txtSelf = {QStringLiteral("0"), QStringLiteral("125")};
    QByteArray data;
    for (int reg = 0; reg < 125; ++reg) {
        data.append(char(0));
        data.append(char(reg + 1));
    }
    r.holdData(1, 0, data);
    r.side.CMDRHTread_Click();
    QCOMPARE(r.fake.written, QList<QByteArray>{withCrc(hex("01 03 00 00 00 7D"))});
    QCOMPARE(int(r.side.CustomWords.size()), 126);
    QCOMPARE(int(r.side.CustomWords[124]), 125);
    for (const Quantity &q : quantities())
        QCOMPARE(r.panel.valueText(q.box), q.display(q.reg + 1));
}

void TestSingleRead::identityBlock_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("message");
    QTest::newRow("decimal digits") << hex("20 15 06 00 12 25 00 06")
                                    << QStringLiteral("批号:201506\r\n编号:012\r\n日期:25");
    QTest::newRow("letter digits") << hex("20 15 06 0A 12 1F 00 06")
                                   << QStringLiteral("批号:201506\r\n编号:A12\r\n日期:1F");
    QTest::newRow("single letters stay single") << hex("0B 05 A0 0A 03 0C 00 06")
                                                << QStringLiteral("批号:B05A0\r\n编号:A03\r\n日期:C");
    QTest::newRow("zeros") << hex("00 00 00 00 00 00 00 00") << QStringLiteral("批号:000000\r\n编号:000\r\n日期:0");
    QTest::newRow("highest") << hex("FF FF FF FF FF FF 51 1B")
                             << QStringLiteral("批号:FFFFFF\r\n编号:FFFF\r\n日期:FF");
}

void TestSingleRead::identityBlock()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, message);
    ProductRig r;
    r.side.readSelf_Click();
    r.panel.txtSelf = {QStringLiteral("240"), QStringLiteral("11")}; // the count typed is not used here
    r.holdData(1, 240, data);
    r.side.CMDRHTread_Click();
    QCOMPARE(r.fake.written, QList<QByteArray>{hex("01 03 00 F0 00 04 44 3A")});
    QCOMPARE(r.op.texts(), QStringList{message});
    QVERIFY(r.op.messages[0].title.isEmpty());
    QCOMPARE(r.boxes(), shown({}));
    QCOMPARE(int(r.exchange.CustomCount), 4);
}

void TestSingleRead::timedCustomRead()
{
    ProductRig r;
    r.side.readSelf_Click();
    r.panel.txtSelf = {QStringLiteral("8"), QStringLiteral("3")};
    r.holdData(1, 8, hex("00 0C 00 22 00 38")); // VOC 12, PM10 34, PM2.5 56
    r.timed.timedReading = true;
    r.calls.clear();
    r.side.CMDRHTread_Click();
    const RecordEntry &e = r.timed.entries[0];
    QCOMPARE(int(e.reg), 255);
    QCOMPARE(e.time, QStringLiteral("14:31:37"));
    QCOMPARE(e.values[3], QStringLiteral("12"));
    QCOMPARE(e.values[12], QStringLiteral("34"));
    QCOMPARE(e.values[4], QStringLiteral("56"));
    QCOMPARE(r.boxes(), shown({{3, "12.0"}, {4, "56.0"}, {12, "34.0"}}));
    QCOMPARE(int(r.timed.recCount), 1);
    QCOMPARE(r.calls.size(), 3);
}

QTEST_GUILESS_MAIN(TestSingleRead)
#include "tst_singleread.moc"

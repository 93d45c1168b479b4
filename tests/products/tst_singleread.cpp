// The single read ("单个读取") and the custom read, over an in-process bus.
#include "productrig.h"

#include "link/crc16.h"
#include "products/texts.h"

#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {
// Product-menu item (15: the custom read of "start count"), the address typed, the request sent
// (without its CRC; the device holds `data` from its start), what the boxes show as
// "box=text=value in the record entry;..." and the message shown.
struct Read { int menu; const char *address, *custom, *request, *data, *shown, *message; };
constexpr int Self = Panel::ReadSelfItem;
const char *const kIdentity = "01 03 00 F0 00 04"; // whatever count is typed

// The address, start and count typed (start "": not a custom read) and the message shown.
struct Refusal { const char *address, *start, *count, *message; };
} // namespace

class TestSingleRead : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void read_data()
    {
        QTest::addColumn<Read>("read");
        QTest::newRow("T+RH") << Read{0, "5", "", "05 03 00 02 00 02", "FF CE 04 B0", "0=-5.0=-50;1=100.0=1000", ""};
        QTest::newRow("T+RH negative") << Read{0, "1", "", "01 03 00 02 00 02", "00 FA FF FF", "0=25.0=250;1=0.0=0", ""};
        QTest::newRow("T") << Read{1, "255", "", "FF 03 00 02 00 01", "FF CE", "0=-5.0=-50", ""};
        QTest::newRow("RH clamped") << Read{2, "1", "", "01 03 00 03 00 01", "04 B0", "1=100.0=1000", ""};
        QTest::newRow("CO2, blanks") << Read{3, " 7 ", "", "07 03 00 06 00 01", "01 C2", "2=450.0=450", ""};
        QTest::newRow("VOC") << Read{4, "1", "", "01 03 00 08 00 01", "00 64", "3=100.0=100", ""};
        QTest::newRow("PM2.5") << Read{5, "1", "", "01 03 00 0A 00 01", "00 23", "4=35.0=35", ""};
        QTest::newRow("CO") << Read{6, "1", "", "01 03 00 0B 00 01", "00 7B", "5=12.3=123", ""};
        QTest::newRow("O2 clamped") << Read{8, "1", "", "01 03 00 0D 00 01", "0A 28", "6=25.00=2500", ""};
        QTest::newRow("O3 clamped") << Read{9, "1", "", "01 03 00 10 00 01", "09 C4", "7=20.00=2000", ""};
        QTest::newRow("HCHO") << Read{10, "1", "", "01 03 00 12 00 01", "75 30", "8=2679.0=26790", ""};
        QTest::newRow("H2S") << Read{11, "1", "", "01 03 00 13 00 01", "00 05", "9=0.5=5", ""};
        QTest::newRow("NH3 negative") << Read{12, "1", "", "01 03 00 14 00 01", "FF 00", "10=0.0=0", ""};
        QTest::newRow("NO2") << Read{13, "1", "", "01 03 00 15 00 01", "01 90", "11=40.0=400", ""};
        QTest::newRow("PM10") << Read{14, "1", "", "01 03 00 09 00 01", "00 57", "12=87.0=87", ""};
        // Custom reads: every catalogue register in the block, unclamped; start above 128 reads 128.
        QTest::newRow("custom") << Read{Self, "1", "2 4", "01 03 00 02 00 04", "FF CE 04 B0 00 00 00 00",
                                        "0=-5.0=-50;1=120.0=1200", ""};
        QTest::newRow("custom, 17 not shown") << Read{Self, "1", "16 4", "01 03 00 10 00 04", "07 D0 12 34 00 00",
                                                      "7=20.00=2000;8=0.0=0;9=0.0=0", ""};
        QTest::newRow("custom 200 reads 128") << Read{Self, "1", "200 3", "01 03 00 80 00 03", "00 01", "", ""};
        QTest::newRow("custom, whole reply")
            << Read{Self, "1", "0 125", "01 03 00 00 00 7D", "00 00 00 00 00 FA 01 F4",
                    "0=25.0=250;1=50.0=500;2=0.0=0;3=0.0=0;4=0.0=0;5=0.0=0;6=0.00=0;7=0.00=0;8=0.0=0;9=0.0=0;"
                    "10=0.0=0;11=0.0=0;12=0.0=0",
                    ""};
        QTest::newRow("identity") << Read{Self, "1", "240 11", kIdentity, "20 15 06 00 12 25 00 06", "",
                                          "批号:201506\r\n编号:012\r\n日期:25"};
        QTest::newRow("identity, letter digits") << Read{Self, "1", "240 1", kIdentity, "20 15 06 0A 12 1F 00 06",
                                                         "", "批号:201506\r\n编号:A12\r\n日期:1F"};
        QTest::newRow("identity, single letters") << Read{Self, "1", "240 4", kIdentity, "0B 05 A0 FF 03 0C",
                                                          "", "批号:B05A0\r\n编号:FF03\r\n日期:C"};
    }
    void read()
    {
        QFETCH(Read, read);
        const bool custom = read.menu == Self;
        const QByteArray request = hex(read.request);
        ProductRig r;
        r.side.protype_Click(7); // its second selector is not left for the product chosen next
        custom ? r.side.readSelf_Click() : r.side.protype_Click(read.menu);
        r.panel.TxtB1 = QString::fromLatin1(read.address);
        r.panel.txtSelf = {QString::fromLatin1(read.custom).section(u' ', 0, 0),
                           QString::fromLatin1(read.custom).section(u' ', 1, 1)};
        r.panel.setValueText(12, QStringLiteral("old"));
        r.panel.setWindowWidth(Panel::WideWidth);
        r.holdData(uint8_t(request[0]), uint8_t(request[3]), hex(read.data));
        r.timed.timedReading = custom;
        r.calls.clear();
        r.side.CMDRHTread_Click();
        QCOMPARE(r.fake.written, QList<QByteArray>{withCrc(request)});
        QCOMPARE(r.boxes(), boxTexts(QString::fromUtf8(read.shown)));
        QCOMPARE(r.enabledBoxes().isEmpty(), custom); // a custom read's boxes show their text while disabled
        QCOMPARE(r.op.texts(), *read.message ? QStringList{QString::fromUtf8(read.message)} : QStringList{});
        QCOMPARE(r.panel.windowWidth(), int(Panel::NarrowWidth));
        QCOMPARE(r.calls.size(), custom ? 3 : 1); // stopPolling; with the timed reading the curve's two
        const QStringList record = boxTexts(QString::fromUtf8(read.shown), 2);
        for (int b = 0; b < Panel::Boxes; ++b)
            QCOMPARE(r.timed.entries[0].values[size_t(b)], record[b]);
        QCOMPARE(int(r.timed.entries[0].reg), custom ? 255 : 0);
        QCOMPARE(int(r.timed.recCount), custom ? 1 : 0);
    }

    // "温湿度+二氧化碳": two requests, each read starting again from selector 2; the second goes to
    // the address then in TxtB1, and a click while the read waits is ignored. With the timed
    // reading on, the 100th entry hands the buffer to the writer; without one the count stays.
    // A silent device (the one test that waits out the 3-second limit) ends the read without a word.
    void combinedProduct()
    {
        ProductRig r;
        r.side.protype_Click(7);
        r.holdData(1, 2, hex("00 FA 01 F4 00 00 00 00 01 C2"));
        r.holdData(2, 6, hex("00 07"));
        r.timed.timedReading = true;
        r.timed.recCount = 99;
        r.side.CMDRHTread_Click();
        const QByteArray first = withCrc(hex("01 03 00 02 00 02"));
        QCOMPARE(r.fake.written, (QList<QByteArray>{first, withCrc(hex("01 03 00 06 00 01"))}));
        QCOMPARE(r.boxes(), boxTexts("0=25.0;1=50.0;2=450.0"));
        QCOMPARE(r.timed.entries[99].time, QStringLiteral("14:31:37"));
        QCOMPARE(int(r.timed.entries[99].reg), 6); // the selector of the last request
        QCOMPARE(int(r.timed.recCount), 0);
        QCOMPARE(r.calls, (QStringList{"stopPollingTimer", "stopPolling", "saveDrawData", "drawPic", "wData"}));
        for (const char *address : {"x", "x", "1", "x", "1"}) { // a refusal is told again after a read
            r.panel.TxtB1 = QString::fromLatin1(address);
            r.side.CMDRHTread_Click();
        }
        QCOMPARE(r.op.messages.size(), 2);

        r.fake.written.clear();
        r.fake.responder = [&r](const QByteArray &f) {
            r.panel.TxtB1 = QStringLiteral("2");
            QTimer::singleShot(0, [&r] { r.side.CMDRHTread_Click(); });
            return r.bus.answer(f);
        };
        r.side.wData = nullptr;
        r.timed.recCount = 100;
        r.side.CMDRHTread_Click();
        QCOMPARE(r.fake.written, (QList<QByteArray>{first, withCrc(hex("02 03 00 06 00 01"))}));
        QCOMPARE(r.boxes(), boxTexts("0=25.0;1=50.0;2=7.0"));
        QCOMPARE(int(r.timed.recCount), 100);

        r.fake.written.clear();
        r.fake.responder = nullptr;
        r.timed.recCount = 5;
        QElapsedTimer t;
        t.start();
        r.side.CMDRHTread_Click();
        QVERIFY(t.elapsed() >= Exchange::TimeLimitMs - 50);
        QCOMPARE(r.fake.written.size(), 1); // the second request is skipped
        QCOMPARE(r.boxes(), boxTexts(""));
        QCOMPARE(int(r.timed.recCount), 5);
        QCOMPARE(r.op.messages.size(), 2);
    }

    void refused_data()
    {
        QTest::addColumn<Refusal>("refusal");
        for (const char *a : {"", "0", "256", "12abc", "1.5", "+3"})
            QTest::addRow("address '%s'", a) << Refusal{a, "", "", productTexts::BadAddress};
        QTest::newRow("custom, address first") << Refusal{"x", "y", "z", productTexts::BadAddress};
        for (const char *s : {" ", "256", "2a"})
            QTest::addRow("start '%s'", s) << Refusal{"1", s, "11", productTexts::BadCustomStart};
        for (const char *c : {"", "0", "126", "4x"})
            QTest::addRow("count '%s'", c) << Refusal{"1", "2", c, productTexts::BadCustomCount};
    }
    void refused()
    {
        QFETCH(Refusal, refusal);
        const QString message = QString::fromUtf8(refusal.message);
        ProductRig r;
        if (*refusal.start)
            r.side.readSelf_Click();
        r.panel.TxtB1 = QString::fromLatin1(refusal.address);
        r.panel.txtSelf = {QString::fromLatin1(refusal.start), QString::fromLatin1(refusal.count)};
        r.panel.setValueText(0, QStringLiteral("old"));
        r.timed.timedReading = true; // the timed reading repeats a refusal: told once
        r.side.CMDRHTread_Click();
        r.side.CMDRHTread_Click();
        QCOMPARE(r.op.texts(), QStringList{message});
        r.timed.timedReading = false; // a click always answers
        r.side.CMDRHTread_Click();
        QCOMPARE(r.op.texts(), (QStringList{message, message}));
        QVERIFY(r.fake.written.isEmpty());
        QVERIFY(r.calls.isEmpty()); // polling is not stopped by a refused read
        QCOMPARE(r.panel.valueText(0), QStringLiteral("old"));
    }
};

QTEST_GUILESS_MAIN(TestSingleRead)
#include "tst_singleread.moc"

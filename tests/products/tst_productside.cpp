// The product side of a whole station over kestrel-sim on a pseudo-terminal: the single read and
// the custom read with the bytes the devices receive, the choice a device's codes make, and every
// value a device of each type may hold reaching the value boxes and the grid.
#include "productrig.h"
#include "products/texts.h"

#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {

// Product-menu item (15: the custom read of "start|count"), the address typed, the request the
// device receives (without its CRC; "": none, the read is refused) while it holds `data` from the
// request's start, what the boxes show as "box=text=value in the record entry;..." (box 12 held
// "old") and the message shown.
struct Read { int menu; const char *address, *custom, *request, *data, *shown, *message; };
constexpr int Self = Panel::ReadSelfItem;

// The quantities as the devices define them, by catalogue index, written out apart from the
// catalogue. low: negative values show 0; values above hiLimit (0: none) show hiValue.
struct Ref { int reg, box, divisor, decimals, low, hiLimit, hiValue; };
const Ref kRefs[13] = {{2, 0, 10, 1, 0, 0, 0},    {3, 1, 10, 1, 1, 1000, 1000},  {6, 2, 1, 1, 1, 0, 0},
                       {8, 3, 1, 1, 1, 0, 0},     {10, 4, 1, 1, 1, 0, 0},        {9, 12, 1, 1, 1, 0, 0},
                       {11, 5, 10, 1, 1, 0, 0},   {13, 6, 100, 2, 1, 2500, 2500}, {16, 7, 100, 2, 1, 2000, 2000},
                       {18, 8, 10, 1, 1, 26800, 26790}, {19, 9, 10, 1, 1, 0, 0}, {20, 10, 10, 1, 1, 0, 0},
                       {21, 11, 10, 1, 1, 0, 0}};
const QList<int> kWords = {0,    1,     9,     10,    99,    999,   1000,  1001,  1999,  2000,  2001,  2500,
                           2501, 26799, 26800, 26801, 30000, 32767, 32768, 40000, 65486, 65526, 65535};
// Codes, Product-menu item (-1: none), the catalogue indexes in the order of the type name and
// the type name; codes that are no product type have neither.
struct TypeCase { int mixpro, protype, menu; QList<int> quantities; const char *name; };
const QList<TypeCase> kTypes = {
    {33, 3, 0, {0, 1}, "T+RH"}, {0, 2, 1, {0}, "T"},       {0, 1, 2, {1}, "RH"},      {0, 6, 3, {2}, "CO2"},
    {0, 8, 4, {3}, "VOC"},      {0, 10, 5, {4}, "PM25"},   {0, 11, 6, {6}, "CO"},     {49, 9, 7, {0, 1, 2}, "T+RH+CO2"},
    {0, 13, 8, {7}, "O2"},      {0, 16, 9, {8}, "O3"},     {0, 18, 10, {9}, "HCHO"},  {0, 19, 11, {10}, "H2S"},
    {0, 20, 12, {11}, "NH3"},   {0, 21, 13, {12}, "NO2"},  {0, 9, 14, {5}, "PM10"},   {0, 3, 0, {0, 1}, "T+RH"},
    {49, 11, -1, {0, 1, 3}, "T+RH+VOC"}, {49, 13, -1, {0, 1, 4}, "T+RH+PM2.5"},
    {81, 27, -1, {0, 1, 2, 3, 4}, "T+RH+CO2+VOC+PM2.5"},
    {65, 1, -1, {}, ""},  {65, 27, -1, {}, ""}, {33, 4, -1, {}, ""}, {0, 5, -1, {}, ""},  {0, 0, -1, {}, ""},
    {0, 27, -1, {}, ""},  {49, 10, -1, {}, ""}, {81, 26, -1, {}, ""}, {17, 3, -1, {}, ""}};
} // namespace

class TestProductSide : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void read_data()
    {
        QTest::addColumn<Read>("read");
        QTest::newRow("T+RH, clamp kept")
            << Read{0, "255", "", "FF 03 00 02 00 02", "FF CE 04 B0", "0=-5.0=-50;1=100.0=1000", ""};
        QTest::newRow("CO2, blanks") << Read{3, " 7 ", "", "07 03 00 06 00 01", "01 C2", "2=450.0=450", ""};
        // Custom reads: every catalogue register in the block, unclamped; start above 128 reads 128.
        QTest::newRow("custom") << Read{Self, "1", "2|4", "01 03 00 02 00 04", "FF CE 04 B0 00 00 00 00",
                                        "0=-5.0=-50;1=120.0=1200", ""};
        QTest::newRow("custom, 14 and 15 not shown")
            << Read{Self, "1", "13|4", "01 03 00 0D 00 04", "FF FB 12 34 00 00 07 D0", "6=-0.05=-5;7=20.00=2000", ""};
        QTest::newRow("custom 200 reads 128") << Read{Self, "1", "200|3", "01 03 00 80 00 03", "00 01", "", ""};
        QTest::newRow("custom, whole reply")
            << Read{Self, "1", "0|125", "01 03 00 00 00 7D", "00 00 00 00 00 FA 01 F4",
                    "0=25.0=250;1=50.0=500;2=0.0=0;3=0.0=0;4=0.0=0;5=0.0=0;6=0.00=0;7=0.00=0;8=0.0=0;9=0.0=0;"
                    "10=0.0=0;11=0.0=0;12=0.0=0",
                    ""};
        // The identity block is read whole, whatever count is typed.
        QTest::newRow("identity") << Read{Self, "1", "240|11", "01 03 00 F0 00 04", "20 15 06 00 12 25 00 06", "",
                                          "批号:201506\r\n编号:012\r\n日期:25"};
        QTest::newRow("identity, letter digits") << Read{Self, "1", "240|1", "01 03 00 F0 00 04", "20 15 06 0A 12 1F",
                                                         "", "批号:201506\r\n编号:A12\r\n日期:1F"};
        QTest::newRow("identity, single letters") << Read{Self, "1", "240|4", "01 03 00 F0 00 04", "0B 05 A0 FF 03 0C",
                                                          "", "批号:B05A0\r\n编号:FF03\r\n日期:C"};
        // Refused, clicked twice: nothing is sent or cleared and polling is not stopped. The timed
        // reading (on for the custom read) tells a refusal it repeats once; a click always answers.
        for (const char *a : {"", "0", "256", "12abc", "1.5", "+3"})
            QTest::addRow("address '%s'", a) << Read{0, a, "", "", "", "12=old", texts::products::BadAddress};
        QTest::newRow("custom, address first") << Read{Self, "x", "y|z", "", "", "12=old", texts::products::BadAddress};
        for (const char *c : {" |11", "256|11", "2a|11"})
            QTest::addRow("start '%s'", c) << Read{Self, "1", c, "", "", "12=old", texts::products::BadCustomStart};
        for (const char *c : {"2|", "2|0", "2|126", "2|4x"})
            QTest::addRow("count '%s'", c) << Read{Self, "1", c, "", "", "12=old", texts::products::BadCustomCount};
    }
    void read()
    {
        QFETCH(Read, read);
        const bool custom = read.menu == Self, refused = !*read.request, recorded = custom && !refused;
        const QByteArray req = QByteArray::fromHex(read.request), data = QByteArray::fromHex(read.data);
        QString bus = QStringLiteral("%1 65 1 000000 0000 00").arg(refused ? 1 : uint8_t(req[0]));
        for (int i = 0; i + 1 < data.size(); i += 2)
            bus += QStringLiteral(" set=%1:0x%2").arg(uint8_t(req[3]) + i / 2).arg(QString(data.mid(i, 2).toHex()));
        START_RIG(r, bus);
        p.protype_Click(7); // its second selector is not left for the product chosen next
        custom ? p.readSelf_Click() : p.protype_Click(read.menu);
        s.panel.TxtB1 = QString::fromLatin1(read.address);
        const QStringList typed = QString::fromLatin1(read.custom).split(u'|');
        s.panel.txtSelf = {typed.value(0), typed.value(1)};
        s.panel.setValueText(12, QStringLiteral("old"));
        s.panel.setWindowWidth(Panel::WideWidth);
        s.timed.timedReading = custom;
        r.calls.clear();
        for (int click = refused ? 2 : 1; click > 0; --click)
            p.CMDRHTread_Click();
        QTRY_COMPARE(r.requests(), refused ? QList<QByteArray>{} : QList<QByteArray>{withCrc(req)});
        QCOMPARE(r.boxes(), boxTexts(read.shown));
        QCOMPARE(r.enabledBoxes().isEmpty(), custom); // a custom read's boxes show their text while disabled
        const int told = *read.message ? 1 + (refused && !custom) : 0;
        QCOMPARE(r.op.texts(), QStringList(told, QString::fromUtf8(read.message)));
        QCOMPARE(s.panel.windowWidth(), int(refused ? Panel::WideWidth : Panel::NarrowWidth));
        QCOMPARE(r.calls.size(), refused ? 0 : custom ? 3 : 1); // stopPolling; with the timed reading the curve's two
        const QStringList record = boxTexts(read.shown, 2);
        for (int b = 0; b < Panel::Boxes; ++b)
            QCOMPARE(s.timed.entries[0].values[size_t(b)], record[b]);
        QCOMPARE(int(s.timed.entries[0].reg), recorded ? 255 : 0);
        QCOMPARE(int(s.timed.recCount), recorded ? 1 : 0);
    }

    // "温湿度+二氧化碳": two requests, each read starting again from selector 2; the second goes to
    // the address then in TxtB1, and a click while the read waits is ignored. With the timed
    // reading on, the 100th entry hands the buffer to the writer; without one the count stays.
    // A silent device (the one test that waits out the 3-second limit) ends the read without a word.
    void combinedProduct()
    {
        START_RIG(r, "1 65 1 000000 0000 00 set=2:250 set=3:500 set=6:450\n2 65 1 000000 0000 00 set=6:7\n"
                     "3 65 1 000000 0000 00 silent\n");
        p.protype_Click(7);
        s.timed.timedReading = true;
        s.timed.recCount = 99;
        p.CMDRHTread_Click();
        QTRY_COMPARE(r.requests(), (QList<QByteArray>{request(1, 2, 2), request(1, 6, 1)}));
        QCOMPARE(r.boxes(), boxTexts("0=25.0;1=50.0;2=450.0"));
        QCOMPARE(s.timed.entries[99].time, QStringLiteral("14:31:37"));
        QCOMPARE(int(s.timed.entries[99].reg), 6); // the selector of the last request
        QCOMPARE(int(s.timed.recCount), 0);
        QCOMPARE(r.calls, (QStringList{"stopPollingTimer", "stopPolling", "saveDrawData", "drawPic", "wData"}));
        for (const char *address : {"x", "x", "1", "x", "1"}) { // a refusal is told again after a read
            s.panel.TxtB1 = QString::fromLatin1(address);
            p.CMDRHTread_Click();
        }
        QCOMPARE(r.op.messages.size(), 2);

        QTimer::singleShot(0, [&] {
            s.panel.TxtB1 = QStringLiteral("2");
            p.CMDRHTread_Click();
        });
        p.wData = nullptr;
        s.timed.recCount = 100;
        p.CMDRHTread_Click();
        QTRY_COMPARE(r.requests().mid(6), (QList<QByteArray>{request(1, 2, 2), request(2, 6, 1)}));
        QCOMPARE(r.boxes(), boxTexts("0=25.0;1=50.0;2=7.0"));
        QCOMPARE(int(s.timed.recCount), 100);

        s.panel.TxtB1 = QStringLiteral("3");
        s.timed.recCount = 5;
        p.CMDRHTread_Click();
        QTRY_COMPARE(r.requests().mid(8), QList<QByteArray>{request(3, 2, 2)}); // the second is skipped
        QCOMPARE(r.boxes(), boxTexts(""));
        QCOMPARE(int(s.timed.recCount), 5);
        QCOMPARE(r.op.messages.size(), 2);
    }

    void codes_data()
    {
        QTest::addColumn<int>("type");
        for (int i = 0; i < kTypes.size(); ++i)
            QTest::addRow("%d %d", kTypes[i].mixpro, kTypes[i].protype) << i;
    }
    // From the custom read (no box enabled, selector 2), for a device at 42 whose codes are stored
    // (readClick) or in its identity block (readProType): a product chooses its menu item, selector
    // and boxes, a combined type without a menu item enables its boxes and leaves the choice alone,
    // other codes change nothing. Start-up then chooses temperature + humidity again.
    void codes()
    {
        QFETCH(int, type);
        const TypeCase &t = kTypes[type];
        const int stored = t.mixpro == 0 && t.protype == 3 ? 33 : t.mixpro;
        QList<int> boxes;
        for (int q : t.quantities)
            boxes << kRefs[q].box;
        std::sort(boxes.begin(), boxes.end());
        for (const bool query : {false, true}) {
            START_RIG(r, QStringLiteral("42 %1 %2 000000 0000 00\n").arg(t.mixpro).arg(t.protype));
            p.readSelf_Click();
            s.exchange.CurAddr = 42;
            DeviceEntry &dev = s.devices.at(42);
            if (query) {
                s.exchange.failureCount = 1; // a failure left over from an earlier exchange: nothing stored
                QCOMPARE(int(p.readProType()), 0);
                s.exchange.failureCount = 0;
                s.panel.setValueText(4, QStringLiteral("35.0")); // the query empties and disables the boxes
                s.panel.setValueEnabled(12, true);
                QCOMPARE(int(p.readProType()), stored);
                QVERIFY(s.panel.valueText(4).isEmpty());
                p.readProType(); // a device of known type is not asked again
                QTRY_COMPARE(r.requests(), QList<QByteArray>(t.protype ? 2 : 3, request(42, 240, 4)));
            } else {
                dev.mixpro = uint8_t(t.mixpro);
                dev.protype = uint8_t(t.protype);
                p.readClick();
            }
            QCOMPARE(s.panel.checkedItem(), t.menu >= 0 ? t.menu : Self);
            QCOMPARE(int(p.SelStart), t.menu >= 0 && t.quantities.size() == 1 ? kRefs[t.quantities[0]].reg : 2);
            QCOMPARE(r.enabledBoxes(), boxes);
            QCOMPARE(dev.typeName, QString::fromLatin1(t.name));
            QCOMPARE(int(dev.mixpro), stored);
            QCOMPARE(int(dev.protype), t.protype);
            p.startUp();
            QCOMPARE((QList<int>{s.panel.checkedItem(), p.SelIndex, p.SelStart, s.panel.selfEnabled()}),
                     (QList<int>{0, 0, 2, 0}));
            QCOMPARE(r.enabledBoxes(), (QList<int>{0, 1}));
        }
    }

    void wholeCatalogue_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("polled");
        for (int i = 0; i < kTypes.size(); ++i)
            for (bool polled : {false, true})
                if (polled || kTypes[i].menu >= 0)
                    QTest::addRow("%d %d %s", kTypes[i].mixpro, kTypes[i].protype, polled ? "polled" : "single")
                        << i << polled;
    }
    // n devices of one type, by the single read of its Product-menu item or by the polled display
    // of the block the polling cycle reads (codes that are no product type: registers 2..10). Device
    // a holds word (a + 7·register) mod n: every quantity sees every word of the 16-bit range that
    // matters, and the quantities of one device hold different words. Polled, device 1 lies before
    // the range 2..n, so its grid row would be the header row; the value slot is CycleCount + 1.
    void wholeCatalogue()
    {
        QFETCH(int, type);
        QFETCH(bool, polled);
        const TypeCase &t = kTypes[type];
        const int n = int(kWords.size());
        const auto word = [n](int a, int reg) { return kWords[(a + 7 * reg) % n]; };
        QString bus;
        for (int a = 1; a <= n; ++a) {
            bus += QStringLiteral("%1 %2 %3 000000 0000 00").arg(a).arg(t.mixpro).arg(t.protype);
            for (int reg = 2; reg <= 21; ++reg)
                bus += QStringLiteral(" set=%1:%2").arg(reg).arg(word(a, reg));
            bus += u'\n';
        }
        START_RIG(r, bus);
        for (int a = 1; a <= n; ++a)
            s.devices.at(a) = DeviceEntry{uint8_t(t.mixpro), uint8_t(t.protype), 0, {}, QStringLiteral("东厅%1").arg(a)};
        s.devices.PollStart = 2;
        s.grid.build(2, n, s.devices);
        s.readings.CycleCount = 4;
        const PollingBlock block = pollingBlock(uint8_t(t.mixpro), uint8_t(t.protype)).value_or(PollingBlock{2, 9});
        QList<QByteArray> requests;
        if (!polled)
            p.protype_Click(t.menu);
        for (int a = 1; a <= n; ++a) {
            s.panel.setValueText(12, QStringLiteral("old"));
            if (polled) {
                s.exchange.CurAddr = uint8_t(a);
                s.exchange.CustomStart = block.start;
                s.exchange.CustomCount = block.count;
                QVERIFY(s.exchange.readRegisters(3, 255));
                p.showPolledValues();
            } else {
                s.panel.TxtB1 = QString::number(a);
                p.CMDRHTread_Click();
                requests << request(a, kRefs[t.quantities[0]].reg, qMin(int(t.quantities.size()), 2));
                if (t.quantities.size() == 3)
                    requests << request(a, 6, 1);
            }
            QStringList boxes(Panel::Boxes);
            for (int j = 0; j < t.quantities.size(); ++j) {
                const Ref &q = kRefs[t.quantities[j]];
                const int w = word(a, q.reg);
                int v = w > 32767 ? w - 65536 : w;
                if (q.hiLimit && v > q.hiLimit)
                    v = q.hiValue;
                if (q.low && v < 0)
                    v = 0;
                // Polled: the five-quantity type has no clamps and only temperature signed; the 49
                // group's third quantity is the plain word.
                if (polled && (t.mixpro == 81 ? j > 0 : t.mixpro == 49 && j == 2))
                    v = w;
                boxes[q.box] = QString::number(double(v) / q.divisor, 'f', q.decimals);
                if (polled) // the raw word, in the order of the type name
                    QCOMPARE(int(s.readings.value(a, 5, j)), w);
            }
            const QString at = QStringLiteral("address %1: ").arg(a);
            QCOMPARE(at + r.boxes().join(u'|'), at + boxes.join(u'|'));
            if (!polled)
                continue;
            QCOMPARE(s.panel.Text2, QStringLiteral("东厅%1").arg(a));
            QCOMPARE(int(s.readings.value(a, 5, int(t.quantities.size()))), 0);
            for (int col = 2; a > 1 && col < DeviceGrid::Columns; ++col)
                QCOMPARE(s.grid.cell(a - 1, col), boxes[kRefs[col - 2].box]);
        }
        for (int col = 2; polled && col < DeviceGrid::Columns; ++col) {
            QCOMPARE(s.grid.columnWidth(col), t.quantities.contains(col - 2) ? int(DeviceGrid::ValueWidth) : 0);
            QCOMPARE(s.grid.cell(0, col), quantity(col - 2).name()); // device 1 writes no cell
        }
        QCOMPARE(s.panel.checkedItem(), polled ? 0 : t.menu); // polling does not change the choice
        if (!polled)
            QTRY_COMPARE(r.requests(), requests);
        QVERIFY(r.op.messages.isEmpty());
    }
};

QTEST_MAIN(TestProductSide)
#include "tst_productside.moc"

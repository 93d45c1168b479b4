// The product side of a whole station over kestrel-sim on a pseudo-terminal: the single read and
// the custom read with the bytes the devices receive, the choice a device's codes make, a polled
// reply as the grid and the reading buffer get it, and the value frame and the Product menu
// following the product side's choice.
#include "common/files.h"
#include "common/stationrig.h"
#include "products/texts.h"
#include "ui/productmenu.h"
#include "ui/valueframe.h"

#include <QAccessible>
#include <QtTest>
#include <QtWidgets>

using namespace kestrel;
using namespace kestrel::test;
using L = QList<int>;
using Frames = QList<QByteArray>;

namespace {
// "box=text=more;..." → 13 texts, one per box: field 1 (text) or 2 (more) of the box's entry.
QStringList boxTexts(const char *layout, int field = 1)
{
    QStringList b(Panel::Boxes);
    for (const QString &p : QString::fromUtf8(layout).split(u';', Qt::SkipEmptyParts))
        b[p.section(u'=', 0, 0).toInt()] = p.section(u'=', field, field);
    return b;
}

// A station over kestrel-sim on injected time, with the requests the devices received read back
// from the simulator's trace "HH:mm:ss.zzz RX 01 03 ...".
struct Rig : ManualTime, StationRig {
    explicit Rig(const QString &bus) : StationRig(bus, *this, *this, {"--fixed", "--verbose"}) {}
    Frames requests()
    {
        Frames r;
        for (const QByteArray &line : sim.standardError().split('\n'))
            if (line.mid(13, 3) == "RX ")
                r << QByteArray::fromHex(line.mid(16).split(';').first());
        return r;
    }
    QStringList boxes() const
    {
        QStringList b;
        for (int i = 0; i < Panel::Boxes; ++i)
            b << station->panel.valueText(i);
        return b;
    }
    L enabledBoxes() const
    {
        L e;
        for (int i = 0; i < Panel::Boxes; ++i)
            if (station->panel.valueEnabled(i))
                e << i;
        return e;
    }
};
#define START_RIG(r, bus)                                                                                    \
    STATION_RIG(Rig, r, bus);                                                                                \
    ProductSide &p = s.products

// Product-menu item (15: the custom read of "start|count"), the address typed, the request the
// device receives (without its CRC; "": none, the read is refused) while it holds `data` from the
// request's start, what the boxes show as "box=text=value in the record entry;..." (box 12 held
// "old") and the message shown.
struct Read {
    int menu;
    const char *address, *custom, *request, *data, *shown, *message = "";
};
constexpr int Self = Panel::ReadSelfItem;
// A device's codes and the registers it holds; the item checked and the selector once it is
// known, the boxes enabled, the type name and the combination code it is then known by; and what
// its polled reply gives: the grid columns it fills, the texts shown and the raw words kept for the
// log.
struct Codes {
    int mixpro, protype, item, selector, kept;
    const char *registers, *name;
    L boxes, columns, raws;
    QStringList texts;
};
} // namespace

class TestProductSide : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void read_data()
    {
        using namespace texts::products;
        QTest::addColumn<Read>("read");
        const auto row = [](const char *name, const Read &r) { QTest::newRow(name) << r; };
        row("T+RH: below 0, RH over 100 %",
            {0, "255", "", "FF 03 00 02 00 02", "FF CE 04 B0", "0=-5.0=-50;1=100.0=1000"});
        row("CO2, address in blanks", {3, " 7 ", "", "07 03 00 06 00 01", "01 C2", "2=450.0=450"});
        row("CO2 below zero shows 0", {3, "1", "", "01 03 00 06 00 01", "FF CE", "2=0.0=0"});
        row("O2 above its limit", {8, "1", "", "01 03 00 0D 00 01", "0A 28", "6=25.00=2500"});
        row("HCHO at its top reading", {10, "1", "", "01 03 00 12 00 01", "68 B1", "8=2679.0=26790"});
        // Custom reads: every catalogue register in the block, unclamped; start above 128 reads 128.
        row("custom",
            {Self, "1", "2|4", "01 03 00 02 00 04", "FF CE 04 B0 00 00 00 00", "0=-5.0=-50;1=120.0=1200"});
        row("custom, 14, 15 unshown",
            {Self, "1", "13|4", "01 03 00 0D 00 04", "FF FB 12 34 00 00 07 D0", "6=-0.05=-5;7=20.00=2000"});
        row("custom 200 reads 128", {Self, "1", "200|3", "01 03 00 80 00 03", "00 01", ""});
        // The identity block is read whole, whatever count is typed.
        const char *id = "01 03 00 F0 00 04";
        row("identity",
            {Self, "1", "240|11", id, "20 15 06 00 12 25 00 06", "", "批号:201506\r\n编号:012\r\n日期:25"});
        row("identity, letter digits",
            {Self, "1", "240|1", id, "20 15 06 0A 12 1F", "", "批号:201506\r\n编号:A12\r\n日期:1F"});
        row("identity, single letters",
            {Self, "1", "240|4", id, "0B 05 A0 FF 03 0C", "", "批号:B05A0\r\n编号:FF03\r\n日期:C"});
        // Refused, clicked twice: nothing is sent or cleared and polling goes on. The timed
        // reading (on for the custom read) tells a refusal it repeats once; a click always answers.
        for (const char *a : {"", "0", "256", "12abc", "1.5", "+3"})
            QTest::addRow("address '%s'", a) << Read{0, a, "", "", "", "12=old", BadAddress};
        row("custom, address first", {Self, "x", "y|z", "", "", "12=old", BadAddress});
        for (const char *c : {" |11", "256|11", "2a|11"})
            QTest::addRow("start '%s'", c) << Read{Self, "1", c, "", "", "12=old", BadCustomStart};
        for (const char *c : {"2|", "2|0", "2|126", "2|4x"})
            QTest::addRow("count '%s'", c) << Read{Self, "1", c, "", "", "12=old", BadCustomCount};
    }
    void read()
    {
        QFETCH(Read, read);
        const bool custom = read.menu == Self, refused = !*read.request, recorded = custom && !refused;
        const QByteArray req = QByteArray::fromHex(read.request), data = QByteArray::fromHex(read.data);
        QString bus = QStringLiteral("%1 65 1 000000 0000 00").arg(refused ? 1 : uint8_t(req[0]));
        for (int i = 0; i + 1 < data.size(); i += 2)
            bus += u" set=%1:0x%2"_qs.arg(uint8_t(req[3]) + i / 2).arg(QString(data.mid(i, 2).toHex()));
        START_RIG(r, bus);
        p.protype_Click(7); // its second selector is not left for the product chosen next
        custom ? p.readSelf_Click() : p.protype_Click(read.menu);
        s.panel.TxtB1 = QString::fromLatin1(read.address);
        s.panel.txtSelf = {QString(read.custom).section(u'|', 0, 0), QString(read.custom).section(u'|', 1)};
        s.panel.setValueText(12, QStringLiteral("old"));
        s.polling.cmdLoopR_Click(); // with no range set, a running cycle reads nothing
        s.settingsRequest.accept();
        s.timed.timedReading = custom;
        for (int click = refused ? 2 : 1; click > 0; --click)
            p.CMDRHTread_Click();
        QTRY_COMPARE(r.requests(), refused ? Frames{} : Frames{withCrc(req)});
        QCOMPARE(r.boxes(), boxTexts(read.shown));
        QCOMPARE(r.enabledBoxes().isEmpty(), custom); // a custom read's boxes show their text while disabled
        const int told = *read.message ? 1 + (refused && !custom) : 0;
        QCOMPARE(r.op.texts(), QStringList(told, QString::fromUtf8(read.message)));
        QCOMPARE(s.polling.phase(), refused ? Polling::Phase::Active : Polling::Phase::Stopped);
        const auto &record = s.timed.entries[0].values;
        QCOMPARE(QStringList(record.begin(), record.end()), boxTexts(read.shown, 2));
        QCOMPARE(int(s.timed.entries[0].reg), recorded ? 255 : 0);
        QCOMPARE(int(s.timed.recCount), recorded ? 1 : 0);
    }

    // "温湿度+二氧化碳": two requests to the address validated at the click, each read starting
    // again from selector 2, and a click while the read waits is ignored. With the timed reading on,
    // the entry is stamped and counted, the full buffer is written out, and a refusal is told again
    // after a read. A silent device (the one test that waits out the 3-second limit) ends the read
    // without a word.
    void combinedProduct()
    {
        START_RIG(r, "1 65 1 000000 0000 00 set=2:250 set=3:500 set=6:450\n3 65 1 000000 0000 00 silent\n");
        p.protype_Click(7);
        s.timed.timedReading = true;
        s.timed.recCount = 99;
        QTimer::singleShot(0, [&] {
            s.panel.TxtB1 = QStringLiteral("3");
            QCOMPARE(p.CMDRHTread_Click().outcome, SingleReading::Outcome::Skipped);
        });
        const SingleReading got = p.CMDRHTread_Click();
        QTRY_COMPARE(r.requests(), (Frames{request(1, 2, 2), request(1, 6, 1)}));
        QCOMPARE(r.boxes(), boxTexts("0=25.0;1=50.0;2=450.0"));
        QCOMPARE(got.outcome, SingleReading::Outcome::Read);
        QCOMPARE(got.values[2], std::optional<int>(450));
        QCOMPARE(got.reg, uint8_t(6)); // the selector of the last request
        QCOMPARE(int(s.timed.recCount), 0);
        QVERIFY(fileBytes(r.data.filePath(QStringLiteral("record/2026-12-6.txt")))
                    .endsWith("10:00:00\t250,\t500,\t450,\t,\t,\t,\t,\t,\t,\t,\t,\t,\t.\r\n"));
        for (const char *address : {"x", "x", "1", "x", "1"}) {
            s.panel.TxtB1 = QString::fromLatin1(address);
            p.CMDRHTread_Click();
        }
        QCOMPARE(r.op.messages.size(), 2);
        s.panel.TxtB1 = QStringLiteral("3");
        s.timed.recCount = 5;
        QCOMPARE(p.CMDRHTread_Click().outcome, SingleReading::Outcome::Failed);
        QTRY_COMPARE(r.requests().mid(6), Frames{request(3, 2, 2)}); // the second is skipped
        QCOMPARE(r.boxes(), boxTexts(""));
        QCOMPARE(int(s.timed.recCount), 5);
        QCOMPARE(r.op.messages.size(), 2);
    }

    // A device's codes, reported in its identity block, from the custom read (no box enabled,
    // selector 2): a product chooses its menu item, selector and boxes; a combined type without a
    // menu item enables its boxes and leaves the choice alone; other codes change nothing. The
    // device is then known by a type name and a combination code. Then a polled reply of its
    // register block; polling does not change the choice.
    void codes_data()
    {
        QTest::addColumn<Codes>("c");
        const auto row = [](const char *name, int mixpro, int protype, const char *registers, int item,
                            int selector, L boxes, const char *type, int kept, L columns, QStringList texts,
                            L raws) {
            QTest::newRow(name) << Codes{mixpro, protype, item,    selector, kept, registers,
                                         type,   boxes,   columns, raws,     texts};
        };
        row("T+RH: signed, clamped", 33, 3, "set=2:0xFFCE set=3:1200", 0, 2, {0, 1}, "T+RH", 33, {2, 3},
            {"-5.0", "100.0"}, {65486, 1200});
        row("T+RH without its combination code", 0, 3, "set=2:215 set=3:456", 0, 2, {0, 1}, "T+RH", 33,
            {2, 3}, {"21.5", "45.6"}, {215, 456});
        row("CO2 below zero", 0, 6, "set=6:0xFFCE", 3, 6, {2}, "CO2", 0, {4}, {"0.0"}, {65486});
        row("PM10", 0, 9, "set=9:35", 14, 9, {12}, "PM10", 0, {7}, {"35.0"}, {35});
        row("T+RH+CO2: the third word as it is", 49, 9, "set=2:215 set=3:456 set=6:40000", 7, 2, {0, 1, 2},
            "T+RH+CO2", 49, {2, 3, 4}, {"21.5", "45.6", "40000.0"}, {215, 456, 40000});
        row("T+RH+PM2.5, no menu item", 49, 13, "set=2:215 set=3:456 set=10:35", Self, 2, {0, 1, 4},
            "T+RH+PM2.5", 49, {2, 3, 6}, {"21.5", "45.6", "35.0"}, {215, 456, 35});
        row("five quantities: temperature signed, nothing clamped", 81, 27,
            "set=2:0xFFCE set=3:1200 set=6:0xFFCE set=8:5 set=10:35", Self, 2, {0, 1, 2, 3, 4},
            "T+RH+CO2+VOC+PM2.5", 81, {2, 3, 4, 5, 6}, {"-5.0", "120.0", "65486.0", "5.0", "35.0"},
            {65486, 1200, 65486, 5, 35});
        row("combination 65", 65, 1, "set=2:215", Self, 2, {}, "", 65, {}, {}, {});
        row("unknown type", 0, 5, "", Self, 2, {}, "", 0, {}, {}, {});
        row("not identified", 0, 0, "", Self, 2, {}, "", 0, {}, {}, {});
    }
    void codes()
    {
        QFETCH(Codes, c);
        START_RIG(r, u"42 %1 %2 000000 0000 00 %3\n"_qs.arg(c.mixpro).arg(c.protype).arg(c.registers));
        p.readSelf_Click();
        s.exchange.CurAddr = 42;
        s.exchange.failureCount = 1; // a failure left over from an earlier exchange: nothing learnt
        QVERIFY(!p.readProType({}).answered);
        s.exchange.failureCount = 0;
        s.panel.setValueText(4, QStringLiteral("35.0")); // the query empties and disables the boxes
        s.panel.setValueEnabled(12, true);
        const TypeQuery q = p.readProType({});
        QVERIFY(q.asked && q.answered);
        QVERIFY(s.panel.valueText(4).isEmpty());
        QCOMPARE(p.readProType(q.codes).asked, c.protype == 0); // a device of known type is not asked again
        QTRY_COMPARE(r.requests().size(), c.protype ? 2 : 3);
        QCOMPARE(s.panel.checkedItem(), c.item);
        QCOMPARE(int(p.SelStart), c.selector);
        QCOMPARE(r.enabledBoxes(), c.boxes);
        DeviceEntry dev;
        dev.learn(q.codes);
        QCOMPARE(dev.typeName, QString::fromLatin1(c.name));
        QCOMPARE(int(dev.mixpro), c.kept);

        const PollingBlock block = pollingBlock(q.codes.mixpro, q.codes.protype).value_or(PollingBlock{2, 2});
        s.exchange.CustomStart = block.start;
        s.exchange.CustomCount = block.count;
        QVERIFY(s.exchange.readRegisters(3, 255));
        s.panel.setValueText(12, QStringLiteral("old"));
        L columns, raws;
        QStringList texts, boxes(Panel::Boxes); // shown in the boxes the product enables
        for (const PolledValue &v : p.showPolledValues(q.codes, QStringLiteral("东厅")))
            columns << v.gridColumn, texts << v.text, raws << v.raw,
                boxes[c.boxes.value(texts.size() - 1)] = v.text;
        QCOMPARE(columns, c.columns);
        QCOMPARE(texts, c.texts);
        QCOMPARE(raws, c.raws);
        QCOMPARE(r.boxes(), boxes);
        QCOMPARE(s.panel.Text2, QStringLiteral("东厅"));
        QCOMPARE(s.panel.checkedItem(), c.item);
    }

    // What TxtB1 (an address to read: 1..255) and Text4 (an address to add: 0..255) keep of a text.
    void addressEntry_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("TxtB1");
        QTest::addColumn<QString>("Text4");
        for (const char *t : {"1", "255", "12abc", "1.5"})
            QTest::addRow("%s", t) << t << t << t;
        for (const char *t : {"256", "300", "-3"})
            QTest::addRow("%s", t) << t << QStringLiteral("1") << QStringLiteral("1");
        for (const char *t : {"", "0", "abc", "0.5"})
            QTest::addRow("'%s'", t) << t << "1" << t;
    }
    void addressEntry()
    {
        QFETCH(QString, text);
        QTEST(ProductSide::TxtB1_Change(text), "TxtB1");
        QTEST(DeviceRegistry::Text4_Change(text), "Text4");
    }

    // The value frame and the Product menu over the product side: start-up chooses temperature and
    // humidity; an address put into TxtB1 by assistive technology (or any program) is where the read
    // goes; the menu's check mark and the frame's boxes follow the choice (every box's label:
    // tst_mainwindow); the custom boxes take digits only and keep the cursor through a re-render;
    // text from an input method reaches the panel, and the panel's changes reach the frame.
    void valueFrameAndMenu()
    {
        START_RIG(r, "1 33 3 000000 0000 00 set=2:111\n7 33 3 000000 0000 00 set=2:215 set=3:456\n");
        ProductMenu m(s.panel);
        ValueFrame f(s.panel);
        const auto checked = [&m] { // the index of the checked action (one at most); 16 is the custom item
            return m.actions().indexOf(m.findChild<QActionGroup *>()->checkedAction());
        };
        QObject::connect(&m, &ProductMenu::itemChosen, [&p](int item) {
            item == Panel::ReadSelfItem ? p.readSelf_Click() : p.protype_Click(item);
        });
        QObject::connect(&f, &ValueFrame::readRequested, [&p] { p.CMDRHTread_Click(); });
        f.show();
        p.readSelf_Click();
        p.startUp();
        QCOMPARE(checked(), 0);
        QVERIFY(!s.panel.selfEnabled());
        QCOMPARE(r.enabledBoxes(), (L{0, 1}));
        QAccessibleInterface *box = QAccessible::queryAccessibleInterface(f.TxtB1());
        QVERIFY(box && box->editableTextInterface());
        box->editableTextInterface()->replaceText(0, box->textInterface()->characterCount(),
                                                  QStringLiteral("7"));
        QTest::mouseClick(f.CMDRHTread(), Qt::LeftButton);
        QTRY_COMPARE(f.TxtInput(0)->text(), QStringLiteral("21.5")); // 7's, not 1's

        s.polling.cmdLoopR_Click(); // with no range set, a running cycle reads nothing
        s.settingsRequest.accept();
        m.protype(7)->trigger();
        QCOMPARE(checked(), 7);
        QTRY_VERIFY(f.TxtInput(2)->isEnabled() && f.Label2(2)->isEnabled() && !f.TxtInput(3)->isEnabled());
        QVERIFY(!s.polling.timerActive()); // the choice holds the polling timer
        s.panel.setValueText(2, QStringLiteral("450.0"));
        m.readSelf()->trigger();
        QCOMPARE(checked(), 16);
        QTRY_VERIFY(f.txtSelf(0)->isEnabled() && f.labSelf(1)->isEnabled() && !f.Label2(2)->isEnabled());
        QCOMPARE(f.TxtInput(2)->text(), QStringLiteral("450.0")); // a disabled box still shows its text
        QLineEdit *start = f.txtSelf(0), *count = f.txtSelf(1);
        start->end(false);
        QTest::keyClicks(start, QStringLiteral("a1-b2 .c")); // digits only
        QTest::keyClick(start, Qt::Key_Backspace);
        QCOMPARE(s.panel.txtSelf[0], QStringLiteral("01"));
        count->setCursorPosition(1);
        QTest::keyClick(count, Qt::Key_5);
        s.panel.setValueText(0, QStringLiteral("25.0")); // a change elsewhere re-renders the frame
        QCOMPARE(count->cursorPosition(), 2);
        m.protype(4)->trigger(); // "VOC" takes the mark from the custom item
        p.protype_Click(15);     // no such product: nothing changes
        QCOMPARE(checked(), 4);
        for (const QChar c : QStringLiteral("机房")) // as an input method delivers it
            QTest::sendKeyEvent(QTest::Click, f.Text2(), Qt::Key_unknown, QString(c), Qt::NoModifier);
        QCOMPARE(s.panel.Text2, QStringLiteral("机房"));
        s.panel.TxtB1 = QStringLiteral("42");
        s.panel.notify();
        QTRY_COMPARE(f.TxtB1()->text(), QStringLiteral("42"));
    }
};

QTEST_MAIN(TestProductSide)
#include "tst_productside.moc"

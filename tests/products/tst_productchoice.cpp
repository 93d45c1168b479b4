// A device's codes applied by readClick or found by the product type query, and the entry rules
// of the address boxes.
#include "productrig.h"

#include "link/crc16.h"

#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {
// A device's codes and what they choose: Product-menu item (15: the custom read stays chosen),
// selector, enabled boxes and the type name kept for the device.
struct Codes { int mixpro, protype, checked, selStart; QList<int> boxes; const char *name; };
} // namespace

class TestProductChoice : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Start-up chooses temperature + humidity, whatever was chosen before.
    void startUp()
    {
        ProductRig r;
        r.side.protype_Click(14);
        r.side.readSelf_Click();
        r.side.startUp();
        QCOMPARE(r.panel.checkedItem(), 0);
        QCOMPARE(r.enabledBoxes(), (QList<int>{0, 1}));
        QVERIFY(!r.panel.selfEnabled());
        QCOMPARE(int(r.side.SelIndex), 0);
        QCOMPARE(int(r.side.SelStart), 2);
    }

    void codes_data()
    {
        QTest::addColumn<Codes>("codes");
        const int Self = Panel::ReadSelfItem;
        QTest::newRow("0 3 becomes T+RH") << Codes{0, 3, 0, 2, {0, 1}, "T+RH"};
        QTest::newRow("33 3") << Codes{33, 3, 0, 2, {0, 1}, "T+RH"};
        QTest::newRow("49 9") << Codes{49, 9, 7, 2, {0, 1, 2}, "T+RH+CO2"};
        const Codes singles[] = {{0, 2, 1, 2, {0}, "T"},       {0, 1, 2, 3, {1}, "RH"},     {0, 6, 3, 6, {2}, "CO2"},
                                 {0, 8, 4, 8, {3}, "VOC"},     {0, 10, 5, 10, {4}, "PM25"}, {0, 11, 6, 11, {5}, "CO"},
                                 {0, 13, 8, 13, {6}, "O2"},    {0, 16, 9, 16, {7}, "O3"},   {0, 18, 10, 18, {8}, "HCHO"},
                                 {0, 19, 11, 19, {9}, "H2S"},  {0, 20, 12, 20, {10}, "NH3"}, {0, 21, 13, 21, {11}, "NO2"},
                                 {0, 9, 14, 9, {12}, "PM10"}};
        for (const Codes &c : singles)
            QTest::addRow("0 %d", c.protype) << c;
        // Combined types without a menu item enable their boxes and leave the choice alone.
        QTest::newRow("49 11") << Codes{49, 11, Self, 2, {0, 1, 3}, "T+RH+VOC"};
        QTest::newRow("49 13") << Codes{49, 13, Self, 2, {0, 1, 4}, "T+RH+PM2.5"};
        QTest::newRow("81 27") << Codes{81, 27, Self, 2, {0, 1, 2, 3, 4}, "T+RH+CO2+VOC+PM2.5"};
        for (auto [m, p] : {std::pair{65, 1}, {65, 27}, {81, 26}, {0, 5}, {0, 0}, {33, 4}, {49, 10}, {17, 3}})
            QTest::addRow("%d %d changes nothing", m, p) << Codes{m, p, Self, 2, {}, ""};
    }
    // From the custom read (no box enabled, selector 2), for a device at 42 whose codes are stored
    // (readClick) or in its identity block (readProType).
    void codes()
    {
        QFETCH(Codes, codes);
        const int stored = codes.mixpro == 0 && codes.protype == 3 ? 33 : codes.mixpro;
        for (const bool query : {false, true}) {
            ProductRig r;
            r.side.readSelf_Click();
            r.exchange.CurAddr = 42;
            DeviceEntry &dev = r.devices.at(42);
            if (query) {
                r.bus.addDevice(42, uint8_t(codes.mixpro), uint8_t(codes.protype));
                r.panel.setValueText(4, QStringLiteral("35.0")); // the query empties and disables the boxes
                r.panel.setValueEnabled(12, true);
                QCOMPARE(int(r.side.readProType()), stored);
                QCOMPARE(r.fake.written, QList<QByteArray>{withCrc(hex("2A 03 00 F0 00 04"))});
                QVERIFY(r.panel.valueText(4).isEmpty());
                r.side.readProType(); // a device of known type is not asked again
                QCOMPARE(r.fake.written.size(), codes.protype ? 1 : 2);
            } else {
                dev.mixpro = uint8_t(codes.mixpro);
                dev.protype = uint8_t(codes.protype);
                r.side.readClick();
                QVERIFY(r.fake.written.isEmpty());
            }
            QCOMPARE(r.panel.checkedItem(), codes.checked);
            QCOMPARE(int(r.side.SelStart), codes.selStart);
            QCOMPARE(r.enabledBoxes(), codes.boxes);
            QCOMPARE(dev.typeName, QString::fromLatin1(codes.name));
            QCOMPARE(int(dev.mixpro), stored);
            QCOMPARE(int(dev.protype), codes.protype);
        }
    }

    // A failure left over from an earlier exchange also stores nothing.
    void readProTypeLeftoverFailure()
    {
        ProductRig r;
        r.bus.addDevice(4, 0, 6);
        r.exchange.CurAddr = 4;
        r.exchange.failureCount = 1;
        QCOMPARE(int(r.side.readProType()), 0);
        QCOMPARE(r.fake.written.size(), 1);
        QCOMPARE(int(r.devices.at(4).protype), 0);
    }

    // What TxtB1 (an address to read: 1..255) and Text4 (an address to add: 0..255) keep of a text.
    void addressEntry()
    {
        const auto kept = [](const char *t) { return ProductSide::TxtB1_Change(t) + u'|' + ProductSide::Text4_Change(t); };
        for (const char *t : {"1", "255", "12abc", "1.5"})
            QCOMPARE(kept(t), QString(t) + u'|' + t);
        for (const char *t : {"256", "300", "-3"})
            QCOMPARE(kept(t), QStringLiteral("1|1"));
        for (const char *t : {"", "0", "abc", "0.5"})
            QCOMPARE(kept(t), QStringLiteral("1|") + t);
    }
};

QTEST_GUILESS_MAIN(TestProductChoice)
#include "tst_productchoice.moc"

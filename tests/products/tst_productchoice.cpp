// The product choice: start-up, the Product menu, a device's codes applied by readClick, the
// product type query, and the entry rules of the address boxes.
#include "productrig.h"

#include "link/crc16.h"

#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

class TestProductChoice : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startUp();
    void menuChoice();
    void customItem();
    void menuIndexOutsideTheMenu();
    void readClick_data();
    void readClick();
    void readProType_data();
    void readProType();
    void readProTypeKnownDevice();
    void readProTypeRejectedReply();
    void readProTypeLeftoverFailure();
    void txtB1Change_data();
    void txtB1Change();
    void text4Change_data();
    void text4Change();
    void entryKeys_data();
    void entryKeys();
};

void TestProductChoice::startUp()
{
    ProductRig r;
    r.panel.setSelfEnabled(true);
    r.side.startUp();
    QCOMPARE(r.side.QuantityName[0], QStringLiteral("温度"));
    QCOMPARE(r.side.QuantityName[12], QStringLiteral("NO2"));
    QCOMPARE(r.panel.checkedItem(), 0);
    QCOMPARE(int(r.side.SelIndex), 0);
    QCOMPARE(int(r.side.SelStart), 2);
    QCOMPARE(r.enabledBoxes(), (QList<int>{0, 1}));
    QVERIFY(!r.panel.selfEnabled());
    QVERIFY(r.calls.isEmpty()); // start-up does not touch the polling timer
}

void TestProductChoice::menuChoice()
{
    ProductRig r;
    r.side.protype_Click(7);
    QCOMPARE(r.panel.checkedItem(), 7);
    QCOMPARE(int(r.side.SelIndex), 7);
    QCOMPARE(int(r.side.SelStart), 2);
    QCOMPARE(int(r.side.SelStart2), 6);
    QCOMPARE(r.enabledBoxes(), (QList<int>{0, 1, 2}));
    QCOMPARE(r.calls, QStringList{QStringLiteral("stopPollingTimer")});

    r.side.protype_Click(1);
    QCOMPARE(r.panel.checkedItem(), 1);
    QCOMPARE(int(r.side.SelStart), 2);
    QCOMPARE(r.enabledBoxes(), QList<int>{0});

    r.side.protype_Click(14);
    QCOMPARE(int(r.side.SelStart), 9);
    QCOMPARE(r.enabledBoxes(), QList<int>{12});
}

void TestProductChoice::customItem()
{
    ProductRig r;
    r.side.protype_Click(10);
    r.calls.clear();
    r.side.readSelf_Click();
    QCOMPARE(r.panel.checkedItem(), int(Panel::ReadSelfItem));
    QVERIFY(r.side.customRead());
    QVERIFY(r.panel.selfEnabled());
    QVERIFY(r.enabledBoxes().isEmpty());
    QCOMPARE(int(r.side.SelIndex), 10); // the product choice itself is kept
    QCOMPARE(int(r.side.SelStart), 18);
    QVERIFY(r.calls.isEmpty());         // the polling timer is left alone

    r.side.protype_Click(4); // "VOC" takes the check mark from the custom item
    QCOMPARE(r.panel.checkedItem(), 4);
    QVERIFY(!r.side.customRead());
    QVERIFY(!r.panel.selfEnabled());
    QCOMPARE(r.enabledBoxes(), QList<int>{3});
}

void TestProductChoice::menuIndexOutsideTheMenu()
{
    ProductRig r;
    r.side.protype_Click(3);
    for (int bad : {-1, 15, 16, 300}) {
        r.side.protype_Click(bad);
        QCOMPARE(r.panel.checkedItem(), 3);
        QCOMPARE(int(r.side.SelIndex), 3);
        QCOMPARE(r.enabledBoxes(), QList<int>{2});
    }
}

// Before each case the operator has chosen "二氧化碳" (menu 3, box 2).
void TestProductChoice::readClick_data()
{
    QTest::addColumn<int>("mixpro");
    QTest::addColumn<int>("protype");
    QTest::addColumn<int>("checked");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<QList<int>>("boxes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("storedMixpro");
    QTest::addColumn<bool>("timerStopped");
    using L = QList<int>;
    QTest::newRow("0 3 becomes T+RH") << 0 << 3 << 0 << 2 << L{0, 1} << "T+RH" << 33 << true;
    QTest::newRow("33 3") << 33 << 3 << 0 << 2 << L{0, 1} << "T+RH" << 33 << true;
    QTest::newRow("0 2") << 0 << 2 << 1 << 2 << L{0} << "T" << 0 << true;
    QTest::newRow("0 1") << 0 << 1 << 2 << 3 << L{1} << "RH" << 0 << true;
    QTest::newRow("0 6") << 0 << 6 << 3 << 6 << L{2} << "CO2" << 0 << true;
    QTest::newRow("0 8") << 0 << 8 << 4 << 8 << L{3} << "VOC" << 0 << true;
    QTest::newRow("0 10") << 0 << 10 << 5 << 10 << L{4} << "PM25" << 0 << true;
    QTest::newRow("0 11") << 0 << 11 << 6 << 11 << L{5} << "CO" << 0 << true;
    QTest::newRow("49 9") << 49 << 9 << 7 << 2 << L{0, 1, 2} << "T+RH+CO2" << 49 << true;
    QTest::newRow("0 13") << 0 << 13 << 8 << 13 << L{6} << "O2" << 0 << true;
    QTest::newRow("0 16") << 0 << 16 << 9 << 16 << L{7} << "O3" << 0 << true;
    QTest::newRow("0 18") << 0 << 18 << 10 << 18 << L{8} << "HCHO" << 0 << true;
    QTest::newRow("0 19") << 0 << 19 << 11 << 19 << L{9} << "H2S" << 0 << true;
    QTest::newRow("0 20") << 0 << 20 << 12 << 20 << L{10} << "NH3" << 0 << true;
    QTest::newRow("0 21") << 0 << 21 << 13 << 21 << L{11} << "NO2" << 0 << true;
    QTest::newRow("0 9 is PM10") << 0 << 9 << 14 << 9 << L{12} << "PM10" << 0 << true;
    // Combined types without a menu item add their boxes and leave the choice alone.
    QTest::newRow("49 11") << 49 << 11 << 3 << 6 << L{0, 1, 2, 3} << "T+RH+VOC" << 49 << false;
    QTest::newRow("49 13") << 49 << 13 << 3 << 6 << L{0, 1, 2, 4} << "T+RH+PM2.5" << 49 << false;
    QTest::newRow("81 27") << 81 << 27 << 3 << 6 << L{0, 1, 2, 3, 4} << "T+RH+CO2+VOC+PM2.5" << 81 << false;
    // Pairs that are no product type change nothing.
    for (auto [m, p] : {std::pair{65, 1}, {65, 27}, {81, 26}, {0, 5}, {0, 0}, {33, 4}, {49, 10}, {17, 3}})
        QTest::addRow("%d %d changes nothing", m, p) << m << p << 3 << 6 << L{2} << QString() << m << false;
}

void TestProductChoice::readClick()
{
    QFETCH(int, mixpro);
    QFETCH(int, protype);
    QFETCH(int, checked);
    QFETCH(int, selStart);
    QFETCH(QList<int>, boxes);
    QFETCH(QString, name);
    QFETCH(int, storedMixpro);
    QFETCH(bool, timerStopped);
    ProductRig r;
    r.side.protype_Click(3);
    r.calls.clear();
    r.exchange.CurAddr = 42;
    DeviceEntry &dev = r.devices.at(42);
    dev.mixpro = uint8_t(mixpro);
    dev.protype = uint8_t(protype);
    r.side.readClick();
    QCOMPARE(r.panel.checkedItem(), checked);
    QCOMPARE(int(r.side.SelIndex), checked);
    QCOMPARE(int(r.side.SelStart), selStart);
    QCOMPARE(r.enabledBoxes(), boxes);
    QCOMPARE(dev.typeName, name);
    QCOMPARE(int(dev.mixpro), storedMixpro);
    QCOMPARE(int(dev.protype), protype);
    QCOMPARE(r.calls.contains(QStringLiteral("stopPollingTimer")), timerStopped);
    QVERIFY(r.fake.written.isEmpty()); // readClick never talks to the device
    QVERIFY(r.devices.at(41).typeName.isEmpty());
}

void TestProductChoice::readProType_data()
{
    QTest::addColumn<int>("mixpro"); // what the device reports in register 243
    QTest::addColumn<int>("protype");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("checked");
    QTest::addColumn<QList<int>>("boxes");
    QTest::addColumn<QString>("name");
    using L = QList<int>;
    QTest::newRow("00 03 becomes T+RH") << 0 << 3 << 33 << 0 << L{0, 1} << "T+RH";
    QTest::newRow("T+RH+CO2") << 49 << 9 << 49 << 7 << L{0, 1, 2} << "T+RH+CO2";
    QTest::newRow("HCHO") << 0 << 18 << 0 << 10 << L{8} << "HCHO";
    // The choice made before (menu 3) stays; the query empties the boxes it had.
    QTest::newRow("T+RH+VOC") << 49 << 11 << 49 << 3 << L{0, 1, 3} << "T+RH+VOC";
    QTest::newRow("five quantities") << 81 << 27 << 81 << 3 << L{0, 1, 2, 3, 4} << "T+RH+CO2+VOC+PM2.5";
    QTest::newRow("combination without type") << 65 << 1 << 65 << 3 << L{} << QString();
}

void TestProductChoice::readProType()
{
    QFETCH(int, mixpro);
    QFETCH(int, protype);
    QFETCH(int, result);
    QFETCH(int, checked);
    QFETCH(QList<int>, boxes);
    QFETCH(QString, name);
    ProductRig r;
    r.side.protype_Click(3);
    r.panel.setValueText(2, QStringLiteral("450.0"));
    r.bus.addDevice(1, uint8_t(mixpro), uint8_t(protype));
    r.exchange.CurAddr = 1;
    r.exchange.failureCount = 0;
    QCOMPARE(int(r.side.readProType()), result);
    QCOMPARE(r.fake.written, QList<QByteArray>{hex("01 03 00 F0 00 04 44 3A")});
    const DeviceEntry &dev = r.devices.at(1);
    QCOMPARE(int(dev.mixpro), result);
    QCOMPARE(int(dev.protype), protype);
    QCOMPARE(dev.typeName, name);
    QCOMPARE(r.panel.checkedItem(), checked);
    QCOMPARE(r.enabledBoxes(), boxes);
    QVERIFY(r.panel.valueText(2).isEmpty());
    QCOMPARE(int(r.exchange.CustomStart), 240);
    QCOMPARE(int(r.exchange.CustomCount), 4);
}

void TestProductChoice::readProTypeKnownDevice()
{
    ProductRig r;
    r.bus.addDevice(9, 0, 6);
    r.exchange.CurAddr = 9;
    DeviceEntry &dev = r.devices.at(9);
    dev.mixpro = 0;
    dev.protype = 8; // stored earlier: a VOC sensor; the device is not asked again
    QCOMPARE(int(r.side.readProType()), 0);
    QVERIFY(r.fake.written.isEmpty());
    QCOMPARE(dev.typeName, QStringLiteral("VOC"));
    QCOMPARE(r.panel.checkedItem(), 4);
}

void TestProductChoice::readProTypeRejectedReply()
{
    ProductRig r;
    r.side.protype_Click(3);
    // A reply of the right length whose CRC is wrong.
    r.fake.responder = [](const QByteArray &f) {
        QByteArray reply = withCrc(QByteArray(1, f[0]) + hex("03 08 20 15 06 00 12 25 00 06"));
        reply[reply.size() - 1] = char(reply[reply.size() - 1] ^ 0x55);
        return reply;
    };
    r.exchange.CurAddr = 3;
    QCOMPARE(int(r.side.readProType()), 0);
    QCOMPARE(r.fake.written.size(), 1);
    QCOMPARE(int(r.devices.at(3).protype), 0);
    QVERIFY(r.devices.at(3).typeName.isEmpty());
    QVERIFY(r.enabledBoxes().isEmpty());
    QCOMPARE(r.panel.checkedItem(), 3);
    QVERIFY(r.exchange.failureCount > 0);
}

void TestProductChoice::readProTypeLeftoverFailure()
{
    ProductRig r;
    r.bus.addDevice(4, 0, 6);
    r.exchange.CurAddr = 4;
    r.exchange.failureCount = 1; // from an earlier exchange; the caller did not reset it
    QCOMPARE(int(r.side.readProType()), 0);
    QCOMPARE(r.fake.written.size(), 1);
    QCOMPARE(int(r.devices.at(4).protype), 0);
}

void TestProductChoice::txtB1Change_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << "" << "1";
    QTest::newRow("zero") << "0" << "1";
    QTest::newRow("above 255") << "300" << "1";
    QTest::newRow("256") << "256" << "1";
    QTest::newRow("255") << "255" << "255";
    QTest::newRow("1") << "1" << "1";
    QTest::newRow("letters only") << "abc" << "1";
    QTest::newRow("negative") << "-3" << "1";
    QTest::newRow("number then letters stays") << "12abc" << "12abc";
    QTest::newRow("fraction within range stays") << "1.5" << "1.5";
    QTest::newRow("half rounds to even zero") << "0.5" << "1";
}

void TestProductChoice::txtB1Change()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(ProductSide::TxtB1_Change(text), expected);
}

void TestProductChoice::text4Change_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("300") << "300" << "1";
    QTest::newRow("256") << "256" << "1";
    QTest::newRow("255") << "255" << "255";
    QTest::newRow("zero stays") << "0" << "0";
    QTest::newRow("empty stays") << "" << "";
    QTest::newRow("negative") << "-1" << "1";
}

void TestProductChoice::text4Change()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(ProductSide::Text4_Change(text), expected);
}

void TestProductChoice::entryKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("accepted");
    for (char c = '0'; c <= '9'; ++c)
        QTest::addRow("digit %c", c) << int(c) << true;
    QTest::newRow("backspace") << 8 << true;
    for (char c : {'a', 'Z', ' ', '-', '.', '+', '/', ':'})
        QTest::addRow("'%c'", c) << int(c) << false;
    QTest::newRow("return") << 13 << false;
    QTest::newRow("ctrl-v") << 22 << false;
    QTest::newRow("full-width digit") << 0xFF11 << false;
}

void TestProductChoice::entryKeys()
{
    QFETCH(int, key);
    QFETCH(bool, accepted);
    QCOMPARE(ProductSide::acceptsEntryKey(key), accepted);
    int k = key;
    ProductSide::Text4_KeyPress(k);
    QCOMPARE(k, accepted ? key : 0);
}

QTEST_GUILESS_MAIN(TestProductChoice)
#include "tst_productchoice.moc"

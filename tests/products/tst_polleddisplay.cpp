// showPolledValues: the value boxes, the device's grid row and its value slots for every type.
#include "productrig.h"

#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {
constexpr uint16_t Untouched = 7777; // value slot sentinel
const QString Old = QStringLiteral("old");

// "box=text;..." → 13 box texts.
QStringList boxTexts(const QString &layout)
{
    QStringList b;
    for (int i = 0; i < Panel::Boxes; ++i)
        b << QString();
    for (const QString &p : layout.split(u';', Qt::SkipEmptyParts))
        b[p.section(u'=', 0, 0).toInt()] = p.section(u'=', 1);
    return b;
}
} // namespace

class TestPolledDisplay : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void show_data();
    void show();
    void singleDeviceShownByItsOwnCode();
    void addressBeforeTheRange();
    void columnsStayVisible();
};

void TestPolledDisplay::show_data()
{
    QTest::addColumn<int>("mixpro");
    QTest::addColumn<int>("protype");
    QTest::addColumn<QByteArray>("data"); // reply data of the polling block
    QTest::addColumn<QString>("boxes");   // "box=text;..."
    QTest::addColumn<QList<int>>("columns"); // grid columns written (and made visible), in any order
    QTest::addColumn<QList<int>>("raws");   // raw values stored, component 0 first

    using L = QList<int>;
    // Single quantities: block of one register.
    QTest::newRow("CO2") << 0 << 6 << hex("01 C2") << "2=450.0" << L{4} << L{450};
    QTest::newRow("CO2 negative") << 0 << 6 << hex("FF FF") << "2=0.0" << L{4} << L{65535};
    QTest::newRow("T") << 0 << 2 << hex("FF CE") << "0=-5.0" << L{2} << L{65486};
    QTest::newRow("RH clamped") << 0 << 1 << hex("04 B0") << "1=100.0" << L{3} << L{1200};
    QTest::newRow("VOC") << 0 << 8 << hex("00 64") << "3=100.0" << L{5} << L{100};
    QTest::newRow("PM2.5") << 0 << 10 << hex("00 23") << "4=35.0" << L{6} << L{35};
    QTest::newRow("CO") << 0 << 11 << hex("00 7B") << "5=12.3" << L{8} << L{123};
    QTest::newRow("O2 clamped") << 0 << 13 << hex("0A 28") << "6=25.00" << L{9} << L{2600};
    QTest::newRow("O3") << 0 << 16 << hex("07 D0") << "7=20.00" << L{10} << L{2000};
    QTest::newRow("HCHO above top") << 0 << 18 << hex("75 30") << "8=2679.0" << L{11} << L{30000};
    QTest::newRow("H2S") << 0 << 19 << hex("00 05") << "9=0.5" << L{12} << L{5};
    QTest::newRow("NH3") << 0 << 20 << hex("00 FA") << "10=25.0" << L{13} << L{250};
    QTest::newRow("NO2 negative") << 0 << 21 << hex("80 00") << "11=0.0" << L{14} << L{32768};
    QTest::newRow("PM10") << 0 << 9 << hex("00 57") << "12=87.0" << L{7} << L{87};
    // T+RH: block 2..3.
    QTest::newRow("T+RH") << 33 << 3 << hex("FF CE 02 58") << "0=-5.0;1=60.0" << L{2, 3} << L{65486, 600};
    QTest::newRow("T+RH humidity clamped") << 33 << 3 << hex("00 FA 04 B0") << "0=25.0;1=100.0" << L{2, 3}
                                           << L{250, 1200};
    QTest::newRow("T+RH humidity negative") << 33 << 3 << hex("00 FA FF F6") << "0=25.0;1=0.0" << L{2, 3}
                                            << L{250, 65526};
    QTest::newRow("0 3 as T+RH") << 0 << 3 << hex("00 FA 01 F4") << "0=25.0;1=50.0" << L{2, 3} << L{250, 500};
    // The 49 group: block from 2; the third quantity is the plain word.
    const QByteArray block9 = hex("00 FA 04 B0 11 11 22 22 FF FF 33 33 44 44 55 55 00 23");
    QTest::newRow("T+RH+CO2") << 49 << 9 << block9.left(10) << "0=25.0;1=100.0;2=65535.0" << L{2, 3, 4}
                              << L{250, 1200, 65535};
    QTest::newRow("T+RH+PM2.5") << 49 << 13 << block9 << "0=25.0;1=100.0;4=35.0" << L{2, 3, 6}
                                << L{250, 1200, 35};
    QTest::newRow("T+RH+VOC") << 49 << 11 << block9.left(14) << "0=25.0;1=100.0;3=17476.0" << L{2, 3, 5}
                              << L{250, 1200, 0x4444};
    // Five quantities: no clamps; temperature signed, the rest plain.
    QTest::newRow("five") << 81 << 27 << hex("FF CE 04 B0 00 00 00 00 01 C2 00 00 00 64 00 00 00 23")
                          << "0=-5.0;1=120.0;2=450.0;3=100.0;4=35.0" << L{2, 3, 4, 5, 6}
                          << L{65486, 1200, 450, 100, 35};
    QTest::newRow("five humidity plain") << 81 << 27 << hex("00 00 FF FF 00 00 00 00 FF FF 00 00 80 00 00 00 00 01")
                                         << "0=0.0;1=6553.5;2=65535.0;3=32768.0;4=1.0" << L{2, 3, 4, 5, 6}
                                         << L{0, 65535, 65535, 32768, 1};
    // Pairs without a display rule: nothing shown or stored.
    for (auto [m, p] : {std::pair{65, 1}, {65, 27}, {33, 4}, {0, 5}, {0, 0}, {0, 27}, {49, 10}, {81, 26}, {7, 7}})
        QTest::addRow("%d %d shows nothing", m, p) << m << p << hex("00 FA 01 F4 00 00 00 00 01 C2") << ""
                                                   << L{} << L{};
}

void TestPolledDisplay::show()
{
    QFETCH(int, mixpro);
    QFETCH(int, protype);
    QFETCH(QByteArray, data);
    QFETCH(QString, boxes);
    QFETCH(QList<int>, columns);
    QFETCH(QList<int>, raws);

    ProductRig r;
    const int address = 7;
    r.devices.PollStart = 5;
    r.devices.PollEnd = 9;
    r.devices.at(address) = DeviceEntry{uint8_t(mixpro), uint8_t(protype), 0, {}, QStringLiteral("东厅")};
    r.grid.build(5, 9, r.devices);
    const int row = address - 5 + 1;
    for (int c = 2; c < DeviceGrid::Columns; ++c)
        r.grid.setCell(row, c, Old);
    r.readings.CycleCount = 4;
    for (int k = 0; k < ReadingBuffer::Components; ++k)
        r.readings.setValue(address, 5, k, Untouched);
    for (int i = 0; i < Panel::Boxes; ++i)
        r.panel.setValueText(i, Old);
    r.exchange.CurAddr = address;
    r.setReplyData(data);

    r.side.showPolledValues();

    QCOMPARE(r.panel.Text2, QStringLiteral("东厅"));
    const QStringList expected = boxTexts(boxes);
    QCOMPARE(r.boxes(), expected);
    for (int c = 2; c < DeviceGrid::Columns; ++c) {
        const bool written = columns.contains(c);
        QCOMPARE(r.grid.columnWidth(c), written ? int(DeviceGrid::ValueWidth) : 0);
        // The grid cell shows the text of the quantity's value box.
        const QString cell = written ? expected[quantity(c - 2).box] : Old;
        QCOMPARE(r.grid.cell(row, c), cell);
    }
    for (int k = 0; k < ReadingBuffer::Components; ++k)
        QCOMPARE(int(r.readings.value(address, 5, k)), k < raws.size() ? raws[k] : int(Untouched));
    // Nothing outside the device's row and slot.
    QCOMPARE(r.grid.cell(row - 1, 4), QString());
    QCOMPARE(r.grid.cell(0, 4), QStringLiteral("CO2"));
    QCOMPARE(int(r.readings.value(address, 4, 0)), 0);
    QCOMPARE(int(r.readings.value(address - 1, 5, 0)), 0);
    QVERIFY(r.fake.written.isEmpty());
}

// The menu says "温湿度"; a polled CO2 device still shows as CO2, and the choice is not changed.
void TestPolledDisplay::singleDeviceShownByItsOwnCode()
{
    ProductRig r;
    r.devices.PollStart = 1;
    r.devices.at(1) = DeviceEntry{0, 6, 0, QStringLiteral("CO2"), {}};
    r.grid.build(1, 1, r.devices);
    r.exchange.CurAddr = 1;
    r.setReplyData(hex("01 C2"));
    r.side.showPolledValues();
    QCOMPARE(r.panel.valueText(2), QStringLiteral("450.0"));
    QCOMPARE(r.grid.cell(1, 4), QStringLiteral("450.0"));
    QCOMPARE(r.grid.columnWidth(3), 0); // column SelIndex + 1 stays hidden
    QCOMPARE(r.panel.checkedItem(), 0);
    QCOMPARE(int(r.side.SelIndex), 0);
}

void TestPolledDisplay::addressBeforeTheRange()
{
    ProductRig r;
    r.devices.PollStart = 5;
    r.devices.at(3) = DeviceEntry{0, 6, 0, {}, {}};
    r.grid.build(5, 6, r.devices);
    r.exchange.CurAddr = 3;
    r.setReplyData(hex("01 C2"));
    r.side.showPolledValues();
    QCOMPARE(r.panel.valueText(2), QStringLiteral("450.0"));
    QCOMPARE(r.grid.cell(0, 4), QStringLiteral("CO2")); // the header row is never written
    QCOMPARE(r.grid.cell(0, 0), QStringLiteral("地址"));
}

void TestPolledDisplay::columnsStayVisible()
{
    ProductRig r;
    r.devices.PollStart = 1;
    r.devices.at(1) = DeviceEntry{0, 6, 0, {}, {}};
    r.devices.at(2) = DeviceEntry{65, 1, 0, {}, {}};
    r.grid.build(1, 2, r.devices);
    QSignalSpy widths(&r.grid, &DeviceGrid::columnWidthChanged);
    r.exchange.CurAddr = 1;
    r.setReplyData(hex("01 C2"));
    r.side.showPolledValues();
    r.exchange.CurAddr = 2;
    r.side.showPolledValues();
    QCOMPARE(r.grid.columnWidth(4), int(DeviceGrid::ValueWidth));
    QCOMPARE(r.grid.cell(1, 4), QStringLiteral("450.0")); // kept until the device is read again
    QVERIFY(r.panel.valueText(2).isEmpty());
    QCOMPARE(widths.size(), 1);
    QCOMPARE(widths[0], (QVariantList{4, int(DeviceGrid::ValueWidth)}));
    r.grid.build(1, 2, r.devices); // the next polling start hides it again
    QCOMPARE(r.grid.columnWidth(4), 0);
}

QTEST_GUILESS_MAIN(TestPolledDisplay)
#include "tst_polleddisplay.moc"

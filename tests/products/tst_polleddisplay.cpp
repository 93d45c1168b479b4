// showPolledValues: the value boxes, the device's grid row and its value slots for every kind of
// type. Every quantity of every type over kestrel-sim: tst_wholecatalogue.
#include "productrig.h"

#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {
// A device's codes, the reply data of its polling block, what it shows ("box=text;...") and the
// raw values kept in its value slot.
struct Polled {
    int mixpro, protype;
    const char *data, *shown, *slot;
};
} // namespace

class TestPolledDisplay : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void show_data()
    {
        QTest::addColumn<Polled>("polled");
        const char *block = "00 FA 04 B0 11 11 22 22 FF FF 33 33 44 44 55 55 00 23";
        QTest::newRow("CO2") << Polled{0, 6, "01 C2", "2=450.0", "450 0 0 0 0"};
        QTest::newRow("T+RH") << Polled{33, 3, "FF CE 02 58", "0=-5.0;1=60.0", "65486 600 0 0 0"};
        QTest::newRow("0 3 as T+RH") << Polled{0, 3, "00 FA FF F6", "0=25.0;1=0.0", "250 65526 0 0 0"};
        // The 49 group's third quantity is the plain word.
        QTest::newRow("T+RH+CO2") << Polled{49, 9, block, "0=25.0;1=100.0;2=65535.0", "250 1200 65535 0 0"};
        QTest::newRow("T+RH+PM2.5") << Polled{49, 13, block, "0=25.0;1=100.0;4=35.0", "250 1200 35 0 0"};
        // The five-quantity type has no clamps and only temperature signed.
        QTest::newRow("five") << Polled{81, 27, "FF CE 04 B0 00 00 00 00 01 C2 00 00 00 64 00 00 80 00",
                                        "0=-5.0;1=120.0;2=450.0;3=100.0;4=32768.0", "65486 1200 450 100 32768"};
        for (auto [m, p] : {std::pair{65, 1}, {65, 27}, {33, 4}, {0, 5}, {0, 0}, {0, 27}, {49, 10}, {81, 26}})
            QTest::addRow("%d %d shows nothing", m, p) << Polled{m, p, block, "", "0 0 0 0 0"};
    }
    // Device 7 of the range 5..9: grid row 3, value slot CycleCount + 1 = 5. Device 4 before it,
    // shown first, writes no cell: row 0 is the header row.
    void show()
    {
        QFETCH(Polled, polled);
        ProductRig r;
        r.devices.PollStart = 5;
        r.devices.at(4) = r.devices.at(7) = DeviceEntry{uint8_t(polled.mixpro), uint8_t(polled.protype), 0, {}, "东厅"};
        r.grid.build(5, 9, r.devices);
        for (int c = 2; c < DeviceGrid::Columns; ++c)
            r.grid.setCell(3, c, QStringLiteral("old"));
        r.readings.CycleCount = 4;
        r.panel.setValueText(12, QStringLiteral("old"));
        const QByteArray data = hex(polled.data);
        std::copy(data.begin(), data.end(), r.exchange.data.begin());
        for (int address : {4, 7}) {
            r.exchange.CurAddr = uint8_t(address);
            r.side.showPolledValues();
        }
        QCOMPARE(r.panel.Text2, QStringLiteral("东厅"));
        const QStringList boxes = boxTexts(QString::fromLatin1(polled.shown));
        QCOMPARE(r.boxes(), boxes);
        for (int c = 2; c < DeviceGrid::Columns; ++c) {
            const QString shown = boxes[quantity(c - 2).box];
            QCOMPARE(r.grid.cell(0, c), quantity(c - 2).name());
            QCOMPARE(r.grid.cell(3, c), shown.isEmpty() ? QStringLiteral("old") : shown);
            QCOMPARE(r.grid.columnWidth(c), shown.isEmpty() ? 0 : int(DeviceGrid::ValueWidth));
        }
        QStringList slot;
        for (int k = 0; k < ReadingBuffer::Components; ++k)
            slot << QString::number(r.readings.value(7, 5, k));
        QCOMPARE(slot.join(u' '), QString::fromLatin1(polled.slot));
        QCOMPARE(r.panel.checkedItem(), 0); // the product choice is not changed
        QVERIFY(r.fake.written.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPolledDisplay)
#include "tst_polleddisplay.moc"

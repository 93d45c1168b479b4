// Every value a device holds reaches the value boxes exactly, for every product type, every
// quantity and words across the whole 16-bit range, over kestrel-sim on a pseudo-terminal: by the
// single read of each Product-menu item, and by the polled display of each type, in a whole station.
#include "common/stationrig.h"

#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {
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
// Codes, Product-menu item (-1: none) and the catalogue indexes in the order of the type name.
struct TypeCase { int mixpro, protype, menu; QList<int> quantities; };
const QList<TypeCase> kTypes = {{33, 3, 0, {0, 1}},  {0, 2, 1, {0}},    {0, 1, 2, {1}},    {0, 6, 3, {2}},
                                {0, 8, 4, {3}},      {0, 10, 5, {4}},   {0, 11, 6, {6}},   {49, 9, 7, {0, 1, 2}},
                                {0, 13, 8, {7}},     {0, 16, 9, {8}},   {0, 18, 10, {9}},  {0, 19, 11, {10}},
                                {0, 20, 12, {11}},   {0, 21, 13, {12}}, {0, 9, 14, {5}},   {49, 11, -1, {0, 1, 3}},
                                {49, 13, -1, {0, 1, 4}}, {81, 27, -1, {0, 1, 2, 3, 4}}};
} // namespace

class TestWholeCatalogue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void read_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("polled");
        for (int i = 0; i < kTypes.size(); ++i)
            for (bool polled : {false, true})
                if (polled || kTypes[i].menu >= 0)
                    QTest::addRow("%d %d %s", kTypes[i].mixpro, kTypes[i].protype, polled ? "polled" : "single")
                        << i << polled;
    }
    void read()
    {
        QFETCH(int, type);
        QFETCH(bool, polled);
        const TypeCase &t = kTypes[type];
        const int n = int(kWords.size());
        // Device a holds word (a + 7j) mod n for the j-th quantity of its type: every quantity sees
        // every word, and the quantities of one device hold different words.
        const auto word = [n](int a, int j) { return kWords[(a + 7 * j) % n]; };
        QString bus;
        for (int a = 1; a <= n; ++a) {
            bus += QStringLiteral("%1 %2 %3 000000 0000 00").arg(a).arg(t.mixpro).arg(t.protype);
            for (int j = 0; j < t.quantities.size(); ++j)
                bus += QStringLiteral(" set=%1:%2").arg(kRefs[t.quantities[j]].reg).arg(word(a, j));
            bus += u'\n';
        }
        if (SimProcess::executable().isEmpty())
            QSKIP("kestrel-sim is not built");
        StationRig rig(bus);
        QVERIFY2(rig.ok(), qPrintable(rig.why()));
        Station &s = *rig.station;
        s.products.protype_Click(t.menu);
        for (int a = 1; a <= n; ++a)
            s.devices.at(a) = DeviceEntry{uint8_t(t.mixpro), uint8_t(t.protype), 0, {}, {}};
        const auto block = pollingBlock(uint8_t(t.mixpro), uint8_t(t.protype));
        QVERIFY(block);
        for (int a = 1; a <= n; ++a) {
            if (polled) {
                s.exchange.CurAddr = uint8_t(a);
                s.exchange.CustomStart = block->start;
                s.exchange.CustomCount = block->count;
                QVERIFY(s.exchange.readRegisters(3, 255));
                s.products.showPolledValues();
            } else {
                s.panel.TxtB1 = QString::number(a);
                s.products.CMDRHTread_Click();
            }
            QStringList boxes(Panel::Boxes), shown;
            for (int j = 0; j < t.quantities.size(); ++j) {
                const Ref &q = kRefs[t.quantities[j]];
                const int w = word(a, j);
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
            }
            for (int b = 0; b < Panel::Boxes; ++b)
                shown << s.panel.valueText(b);
            const QString at = QStringLiteral("address %1: ").arg(a);
            QCOMPARE(at + shown.join(u'|'), at + boxes.join(u'|'));
        }
        QVERIFY(rig.op.messages.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestWholeCatalogue)
#include "tst_wholecatalogue.moc"

// Every value a device holds reaches the value boxes exactly, for every product type, every
// quantity and words across the whole 16-bit range: by the single read of each Product-menu
// item, and by the polled display of each type. Runs over the in-process bus and over
// kestrel-sim on a pseudo-terminal.
#include "productrig.h"

#include "common/simprocess.h"
#include "link/qtserialport.h"

#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {

// The quantities as the devices define them, written out independently of the catalogue.
struct Ref {
    int index, reg, box, divisor, decimals;
    bool low;               // negative values show 0
    int hiLimit, hiValue;   // values above hiLimit show hiValue (hiLimit 0: none)
};
const Ref kRefs[13] = {
    {0, 2, 0, 10, 1, false, 0, 0},       {1, 3, 1, 10, 1, true, 1000, 1000},  {2, 6, 2, 1, 1, true, 0, 0},
    {3, 8, 3, 1, 1, true, 0, 0},         {4, 10, 4, 1, 1, true, 0, 0},        {5, 9, 12, 1, 1, true, 0, 0},
    {6, 11, 5, 10, 1, true, 0, 0},       {7, 13, 6, 100, 2, true, 2500, 2500}, {8, 16, 7, 100, 2, true, 2000, 2000},
    {9, 18, 8, 10, 1, true, 26800, 26790}, {10, 19, 9, 10, 1, true, 0, 0},    {11, 20, 10, 10, 1, true, 0, 0},
    {12, 21, 11, 10, 1, true, 0, 0},
};

const QList<int> kWords = {0,     1,     9,     10,    99,    999,   1000,  1001,  1999,  2000,  2001,  2500,
                           2501,  26799, 26800, 26801, 30000, 32767, 32768, 40000, 65486, 65526, 65535};

int asSigned(int w) { return w >= 32768 ? w - 65536 : w; }
int clamped(const Ref &q, int w)
{
    int v = asSigned(w);
    if (q.hiLimit && v > q.hiLimit)
        v = q.hiValue;
    if (q.low && v < 0)
        v = 0;
    return v;
}
QString text(const Ref &q, int v) { return QString::number(double(v) / q.divisor, 'f', q.decimals); }

struct TypeCase {
    int mixpro, protype, menu;
    QList<int> quantities; // catalogue indexes, in the order of the type name
};
const QList<TypeCase> kTypes = {
    {33, 3, 0, {0, 1}}, {0, 2, 1, {0}},   {0, 1, 2, {1}},   {0, 6, 3, {2}},   {0, 8, 4, {3}},
    {0, 10, 5, {4}},    {0, 11, 6, {6}},  {49, 9, 7, {0, 1, 2}}, {0, 13, 8, {7}}, {0, 16, 9, {8}},
    {0, 18, 10, {9}},   {0, 19, 11, {10}}, {0, 20, 12, {11}}, {0, 21, 13, {12}}, {0, 9, 14, {5}},
    {49, 11, -1, {0, 1, 3}}, {49, 13, -1, {0, 1, 4}}, {81, 27, -1, {0, 1, 2, 3, 4}},
};

// Device at address i + 1 holds, for the j-th quantity of its type, word (i + 7j) mod n: every
// quantity sees every word, and the quantities of one device hold different words.
int wordFor(int round, int j) { return kWords[(round + 7 * j) % kWords.size()]; }

// The bus of one type: one device per word round.
struct Bus {
    QMap<int, QMap<int, quint16>> registers;
    QString text; // the same as a kestrel-sim bus file
};
Bus busFor(const TypeCase &t)
{
    Bus b;
    for (int i = 0; i < kWords.size(); ++i) {
        const int address = i + 1;
        QString line = QStringLiteral("%1 %2 %3 000000 0000 00").arg(address).arg(t.mixpro).arg(t.protype);
        for (int j = 0; j < t.quantities.size(); ++j) {
            const int reg = kRefs[t.quantities[j]].reg;
            b.registers[address][reg] = quint16(wordFor(i, j));
            line += QStringLiteral(" set=%1:%2").arg(reg).arg(wordFor(i, j));
        }
        b.text += line + u'\n';
    }
    return b;
}

// The rig over the chosen transport.
struct Transport {
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<QtSerialPort> port;
    std::unique_ptr<ProductRig> rig;
    QString error;

    bool start(const QString &kind, const Bus &bus)
    {
        if (kind == QLatin1String("sim")) {
            sim = std::make_unique<SimProcess>(bus.text);
            if (!sim->start()) {
                error = sim->errorString();
                return false;
            }
            PortMap map;
            map.set(3, sim->linkPath());
            port = std::make_unique<QtSerialPort>(map);
            port->setPortNumber(3);
            if (!port->open()) {
                error = port->lastError().description;
                return false;
            }
            rig = std::make_unique<ProductRig>(port.get());
        } else {
            rig = std::make_unique<ProductRig>();
            rig->bus.registers = bus.registers;
        }
        return true;
    }
};

} // namespace

class TestWholeCatalogue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void singleRead_data();
    void singleRead();
    void polled_data();
    void polled();

private:
    void addRows(bool menuOnly);
};

void TestWholeCatalogue::addRows(bool menuOnly)
{
    QTest::addColumn<QString>("transport");
    QTest::addColumn<int>("type"); // index into kTypes
    const bool haveSim = !SimProcess::executable().isEmpty();
    for (const QString &transport : {QStringLiteral("fake"), QStringLiteral("sim")}) {
        if (transport == QLatin1String("sim") && !haveSim)
            continue;
        for (int i = 0; i < kTypes.size(); ++i) {
            const TypeCase &t = kTypes[i];
            if (menuOnly && t.menu < 0)
                continue;
            QTest::addRow("%s %d %d", qPrintable(transport), t.mixpro, t.protype) << transport << i;
        }
    }
}

void TestWholeCatalogue::singleRead_data() { addRows(true); }

void TestWholeCatalogue::singleRead()
{
    QFETCH(QString, transport);
    QFETCH(int, type);
    const TypeCase &t = kTypes[type];
    Transport tr;
    QVERIFY2(tr.start(transport, busFor(t)), qPrintable(tr.error));
    ProductRig &r = *tr.rig;
    r.side.protype_Click(t.menu);
    for (int i = 0; i < kWords.size(); ++i) {
        const int address = i + 1;
        QStringList expected;
        for (int b = 0; b < Panel::Boxes; ++b)
            expected << QString();
        for (int j = 0; j < t.quantities.size(); ++j) {
            const Ref &q = kRefs[t.quantities[j]];
            expected[q.box] = text(q, clamped(q, wordFor(i, j)));
        }
        r.panel.TxtB1 = QString::number(address);
        r.side.CMDRHTread_Click();
        const QString where = QStringLiteral("address %1: ").arg(address);
        QCOMPARE(where + r.boxes().join(u'|'), where + expected.join(u'|'));
    }
    QVERIFY(r.op.messages.isEmpty());
}

void TestWholeCatalogue::polled_data() { addRows(false); }

void TestWholeCatalogue::polled()
{
    QFETCH(QString, transport);
    QFETCH(int, type);
    const TypeCase &t = kTypes[type];
    Transport tr;
    QVERIFY2(tr.start(transport, busFor(t)), qPrintable(tr.error));
    ProductRig &r = *tr.rig;
    const int n = int(kWords.size());
    r.devices.PollStart = 1;
    r.devices.PollEnd = n;
    for (int a = 1; a <= n; ++a)
        r.devices.at(a) = DeviceEntry{uint8_t(t.mixpro), uint8_t(t.protype), 0, {}, QStringLiteral("d%1").arg(a)};
    r.grid.build(1, n, r.devices);
    const auto block = pollingBlock(uint8_t(t.mixpro), uint8_t(t.protype));
    QVERIFY(block);
    for (int i = 0; i < n; ++i) {
        const int address = i + 1;
        r.exchange.CurAddr = uint8_t(address);
        r.exchange.CustomStart = block->start;
        r.exchange.CustomCount = block->count;
        r.exchange.failureCount = 0;
        QVERIFY(r.exchange.readRegisters(3, 255));
        r.side.showPolledValues();

        QStringList expected;
        for (int b = 0; b < Panel::Boxes; ++b)
            expected << QString();
        QStringList cells, wantCells;
        for (int j = 0; j < t.quantities.size(); ++j) {
            const Ref &q = kRefs[t.quantities[j]];
            const int w = wordFor(i, j);
            int v = clamped(q, w);
            if (t.mixpro == 81)
                v = j == 0 ? asSigned(w) : w; // no clamps; only temperature is signed
            else if (t.mixpro == 49 && j == 2)
                v = w;                        // the third quantity is the plain word
            expected[q.box] = text(q, v);
            wantCells << expected[q.box];
            cells << r.grid.cell(address, 2 + q.index);
            QCOMPARE(int(r.readings.value(address, 1, j)), w);
            QCOMPARE(r.grid.columnWidth(2 + q.index), 900);
        }
        const QString where = QStringLiteral("address %1: ").arg(address);
        QCOMPARE(where + r.boxes().join(u'|'), where + expected.join(u'|'));
        QCOMPARE(where + cells.join(u'|'), where + wantCells.join(u'|'));
        QCOMPARE(r.panel.Text2, QStringLiteral("d%1").arg(address));
    }
}

QTEST_GUILESS_MAIN(TestWholeCatalogue)
#include "tst_wholecatalogue.moc"

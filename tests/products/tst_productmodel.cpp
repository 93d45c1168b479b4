// The entry rules of the address boxes and the device grid model.
#include "devices/devicegrid.h"
#include "devices/devicetable.h"
#include "products/productside.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

using namespace kestrel;

namespace {
QStringList row(const DeviceGrid &g, int r)
{
    QStringList cells;
    for (int c = 0; c < DeviceGrid::Columns; ++c)
        cells << g.cell(r, c);
    return cells;
}
const QStringList kHeader{"地址", "设备名称", "温度", "湿度", "CO2", "VOC", "PM2.5", "PM10",
                          "CO",   "O2",       "O3",   "HCHO", "H2S", "NH3", "NO2"};
} // namespace

class TestProductModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // What TxtB1 (an address to read: 1..255) and Text4 (an address to add: 0..255) keep of a text.
    void addressEntry()
    {
        const auto kept = [](const char *t) {
            return ProductSide::TxtB1_Change(t) + u'|' + ProductSide::Text4_Change(t);
        };
        for (const char *t : {"1", "255", "12abc", "1.5"})
            QCOMPARE(kept(t), QString(t) + u'|' + t);
        for (const char *t : {"256", "300", "-3"})
            QCOMPARE(kept(t), QStringLiteral("1|1"));
        for (const char *t : {"", "0", "abc", "0.5"})
            QCOMPARE(kept(t), QStringLiteral("1|") + t);
    }

    // Changes are signalled once and writes outside the grid ignored. A rebuild resets cells,
    // heights and the quantity columns; the name column keeps the width the operator gave it.
    // Added rows have the standard height; a range that is empty or outside 1..255 and a row
    // count below 1 leave the header row alone.
    void grid()
    {
        DeviceTable t;
        t.at(3).alias = QStringLiteral("一号");
        DeviceGrid g;
        QAbstractItemModelTester tester(&g, QAbstractItemModelTester::FailureReportingMode::QtTest);
        g.build(3, 5, t);
        QCOMPARE(g.rowCount(), 4);
        QCOMPARE(row(g, 0), kHeader);
        QCOMPARE(row(g, 1).mid(0, 3), (QStringList{"3", "一号", ""}));
        QCOMPARE(row(g, 3).mid(0, 2), (QStringList{"5", ""}));

        QSignalSpy changed(&g, &QAbstractItemModel::dataChanged), geometry(&g, &DeviceGrid::geometryReset);
        QSignalSpy widths(&g, &DeviceGrid::columnWidthChanged), heights(&g, &DeviceGrid::rowHeightChanged);
        for (int i = 0; i < 2; ++i) {
            g.setCell(2, 4, QStringLiteral("450.0"));
            g.setColumnWidth(4, 900);
            g.setRowHeight(2, 0);
        }
        for (auto [r, c] : {std::pair{4, 0}, {-1, 0}, {1, 15}, {1, -1}}) {
            g.setCell(r, c, QStringLiteral("x"));
            QCOMPARE(g.cell(r, c), QString());
        }
        g.setColumnWidth(15, 900);
        g.setRowHeight(4, 0);
        g.setColumnWidth(7, -5);
        g.setColumnWidth(1, 2000);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(widths, (QList<QVariantList>{{4, 900}, {1, 2000}}));
        QCOMPARE(heights, (QList<QVariantList>{{2, 0}}));
        QVERIFY(!(g.flags(g.index(2, 4)) & Qt::ItemIsEditable));

        g.build(3, 5, t);
        QCOMPARE(g.cell(2, 4), QString());
        QCOMPARE(g.rowHeight(2), 225);
        QCOMPARE((QList<int>{g.columnWidth(0), g.columnWidth(1), g.columnWidth(4)}), (QList<int>{450, 2000, 0}));
        g.setCell(3, 2, QStringLiteral("25.0"));
        g.setRowCount(6);
        QCOMPARE(g.cell(3, 2), QStringLiteral("25.0"));
        QCOMPARE(g.rowHeight(5), 225);
        QCOMPARE(geometry.size(), 2);
        g.setRowCount(0);
        QCOMPARE(g.rows(), 1);
        for (auto [start, end] : {std::pair{0, 0}, {0, 5}, {5, 3}, {1, 256}, {-3, 2}}) {
            g.build(start, end, t);
            QCOMPARE(row(g, 0), kHeader);
            QCOMPARE(g.rows(), 1);
        }
        g.build(1, 255, [](int a) { return QStringLiteral("dev%1").arg(a); });
        QCOMPARE(row(g, 255).mid(0, 2), (QStringList{"255", "dev255"}));
    }
};

QTEST_GUILESS_MAIN(TestProductModel)
#include "tst_productmodel.moc"

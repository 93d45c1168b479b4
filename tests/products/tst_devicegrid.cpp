// The device grid model: build from a range, header row, twips geometry and its signals.
#include "devices/devicegrid.h"
#include "devices/devicetable.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

using namespace kestrel;

class TestDeviceGrid : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void freshGrid();
    void build();
    void buildUnusableRange_data();
    void buildUnusableRange();
    void rebuildResets();
    void rowCount();
    void cells();
    void geometrySignals();
};

namespace {
QStringList headerRow(const DeviceGrid &g)
{
    QStringList h;
    for (int c = 0; c < DeviceGrid::Columns; ++c)
        h << g.cell(0, c);
    return h;
}
const QStringList kHeader{QStringLiteral("地址"), QStringLiteral("设备名称"), QStringLiteral("温度"),
                          QStringLiteral("湿度"), QStringLiteral("CO2"),     QStringLiteral("VOC"),
                          QStringLiteral("PM2.5"), QStringLiteral("PM10"),   QStringLiteral("CO"),
                          QStringLiteral("O2"),   QStringLiteral("O3"),      QStringLiteral("HCHO"),
                          QStringLiteral("H2S"),  QStringLiteral("NH3"),     QStringLiteral("NO2")};
} // namespace

void TestDeviceGrid::freshGrid()
{
    DeviceGrid g;
    QCOMPARE(g.rows(), 1);
    QCOMPARE(g.columnCount(), 15);
    QCOMPARE(headerRow(g), kHeader);
    QCOMPARE(g.columnWidth(0), 450);
    QCOMPARE(g.columnWidth(2), 0);
}

void TestDeviceGrid::build()
{
    DeviceTable t;
    t.at(3).alias = QStringLiteral("一号");
    t.at(5).alias = QStringLiteral(" ");
    t.at(6).alias = QStringLiteral("outside");
    DeviceGrid g;
    QAbstractItemModelTester tester(&g, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy reset(&g, &QAbstractItemModel::modelReset);
    QSignalSpy geometry(&g, &DeviceGrid::geometryReset);
    g.build(3, 5, t);
    QCOMPARE(reset.size(), 1);
    QCOMPARE(geometry.size(), 1);
    QCOMPARE(g.rows(), 4);
    QCOMPARE(g.rowCount(), 4);
    QCOMPARE(headerRow(g), kHeader);
    QCOMPARE(g.cell(1, 0), QStringLiteral("3"));
    QCOMPARE(g.cell(2, 0), QStringLiteral("4"));
    QCOMPARE(g.cell(3, 0), QStringLiteral("5"));
    QCOMPARE(g.cell(1, 1), QStringLiteral("一号"));
    QCOMPARE(g.cell(2, 1), QString());
    QCOMPARE(g.cell(3, 1), QStringLiteral(" "));
    QCOMPARE(g.data(g.index(1, 1)).toString(), QStringLiteral("一号"));
    QCOMPARE(g.columnWidth(0), 450);
    for (int c = 2; c < 15; ++c)
        QCOMPARE(g.columnWidth(c), 0);
    for (int r = 0; r < 4; ++r)
        QCOMPARE(g.rowHeight(r), 225);

    g.build(1, 255, [](int a) { return QStringLiteral("dev%1").arg(a); });
    QCOMPARE(g.rows(), 256);
    QCOMPARE(g.cell(255, 0), QStringLiteral("255"));
    QCOMPARE(g.cell(255, 1), QStringLiteral("dev255"));
}

void TestDeviceGrid::buildUnusableRange_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::newRow("unset") << 0 << 0;
    QTest::newRow("start 0") << 0 << 5;
    QTest::newRow("reversed") << 5 << 3;
    QTest::newRow("end above 255") << 1 << 256;
    QTest::newRow("negative") << -3 << 2;
}

void TestDeviceGrid::buildUnusableRange()
{
    QFETCH(int, start);
    QFETCH(int, end);
    DeviceTable t;
    DeviceGrid g;
    g.build(start, end, t);
    QCOMPARE(g.rows(), 1);
    QCOMPARE(headerRow(g), kHeader);
}

void TestDeviceGrid::rebuildResets()
{
    DeviceTable t;
    DeviceGrid g;
    g.build(1, 3, t);
    g.setColumnWidth(4, 900);
    g.setColumnWidth(1, 2000);
    g.setCell(2, 4, QStringLiteral("450.0"));
    g.setRowHeight(2, 0);
    g.build(1, 3, t);
    QCOMPARE(g.columnWidth(4), 0);
    QCOMPARE(g.cell(2, 4), QString());
    QCOMPARE(g.rowHeight(2), 225);
    QCOMPARE(g.columnWidth(1), 2000); // the name column keeps the width the operator gave it
}

void TestDeviceGrid::rowCount()
{
    DeviceTable t;
    DeviceGrid g;
    QAbstractItemModelTester tester(&g, QAbstractItemModelTester::FailureReportingMode::QtTest);
    g.build(3, 5, t);
    g.setCell(3, 2, QStringLiteral("25.0"));
    QSignalSpy inserted(&g, &QAbstractItemModel::rowsInserted);
    g.setRowCount(6);
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(g.rows(), 6);
    QCOMPARE(g.cell(3, 2), QStringLiteral("25.0"));
    QCOMPARE(g.cell(5, 0), QString());
    QCOMPARE(g.rowHeight(5), 225);
    g.setRowCount(2);
    QCOMPARE(g.rows(), 2);
    QCOMPARE(g.cell(3, 2), QString());
    g.setRowCount(0); // the header row always stays
    QCOMPARE(g.rows(), 1);
    QCOMPARE(headerRow(g), kHeader);
}

void TestDeviceGrid::cells()
{
    DeviceTable t;
    DeviceGrid g;
    g.build(1, 2, t);
    QSignalSpy changed(&g, &QAbstractItemModel::dataChanged);
    g.setCell(1, 4, QStringLiteral("450.0"));
    g.setCell(1, 4, QStringLiteral("450.0")); // same text: no signal
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed[0][0].toModelIndex(), g.index(1, 4));
    for (auto [r, c] : {std::pair{3, 0}, {-1, 0}, {1, 15}, {1, -1}}) {
        g.setCell(r, c, QStringLiteral("x"));
        QCOMPARE(g.cell(r, c), QString());
    }
    QCOMPARE(changed.size(), 1);
    QVERIFY(!g.data(g.index(1, 4), Qt::EditRole).isValid());
    QVERIFY(!(g.flags(g.index(1, 4)) & Qt::ItemIsEditable));
}

void TestDeviceGrid::geometrySignals()
{
    DeviceTable t;
    DeviceGrid g;
    g.build(1, 4, t);
    QSignalSpy widths(&g, &DeviceGrid::columnWidthChanged);
    QSignalSpy heights(&g, &DeviceGrid::rowHeightChanged);
    g.setColumnWidth(6, 900);
    g.setColumnWidth(6, 900);
    g.setColumnWidth(15, 900);
    g.setColumnWidth(7, -5);
    QCOMPARE(widths.size(), 1);
    QCOMPARE(widths[0], (QVariantList{6, 900}));
    QCOMPARE(g.columnWidth(7), 0);
    g.setRowHeight(3, 0);
    g.setRowHeight(3, 0);
    g.setRowHeight(9, 0);
    QCOMPARE(heights.size(), 1);
    QCOMPARE(heights[0], (QVariantList{3, 0}));
    QCOMPARE(g.rowHeight(3), 0);
    QCOMPARE(g.rowHeight(9), 0);
}

QTEST_GUILESS_MAIN(TestDeviceGrid)
#include "tst_devicegrid.moc"

// The device grid model, and adding devices to the polling range and renaming them over the real
// exchange against kestrel-sim.
#include "common/stationrig.h"
#include "devices/texts.h"

#include <QAbstractItemModelTester>
#include <QtTest>

using namespace kestrel;
using test::StationRig;

namespace
{
QStringList row(const DeviceGrid &g, int r)
{
    QStringList cells;
    for (int c = 0; c < DeviceGrid::Columns; ++c)
        cells << g.cell(r, c);
    return cells;
}
// T+RH sensors at 1, 4, 7; one at 9 that never answers.
const char *kBus = "1 33 3 230415 0001 17 set=2:215 set=3:456\n"
                   "4 33 3 230415 0004 17\n"
                   "7 0 6 230415 0007 17 set=6:450\n"
                   "9 33 3 230415 0009 17 silent\n";

// Range 3..5 with 4 a gap; 3 and 5 are known (the type query does not ask them again) and show
// an alias and a value.
void rangeThreeToFive(Station &s)
{
    s.devices.PollStart = 3;
    s.devices.PollEnd = 5;
    s.devices.at(3) = {33, 3, 0, {}, QStringLiteral("三号")};
    s.devices.at(4).absent = 1;
    s.devices.at(5) = {33, 3, 0, {}, QStringLiteral("five")};
    s.grid.build(3, 5, s.devices);
    s.grid.setRowHeight(2, 0);
    s.grid.setCell(1, 2, QStringLiteral("21.5"));
    s.grid.setCell(3, 3, QStringLiteral("45.6"));
}

// The grid below its header, a row "address,alias,T,RH" each, "-" before a hidden one; and the
// gap addresses of the table, which must be exactly the hidden rows.
QString gridText(Station &s)
{
    QStringList rows;
    QList<int> hidden, absent;
    for (int r = 1; r < s.grid.rows(); ++r) {
        const int h = s.grid.rowHeight(r);
        rows << QString(h == 0 ? "-" : h == 225 ? "" : "?") + row(s.grid, r).mid(0, 4).join(',');
        if (h == 0)
            hidden << s.devices.PollStart + r - 1;
    }
    for (int a = 1; a <= 255; ++a)
        if (s.devices.at(a).absent)
            absent << a;
    return rows.join('|') + (hidden == absent ? QString() : u" gaps differ"_qs);
}
} // namespace

class TstRegistry : public QObject
{
    Q_OBJECT
private Q_SLOTS:
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
        QCOMPARE(row(g, 0).mid(0, 3), (QStringList{"地址", "设备名称", "温度"}));
        QCOMPARE(g.cell(0, 14), u"NO2"_qs);
        QCOMPARE(g.rowCount(), 4);
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
        QCOMPARE(widths, (QList<QVariantList>{{4, 900}, {1, 2000}}));
        QCOMPARE(heights, (QList<QVariantList>{{2, 0}}));
        QCOMPARE(changed.size(), 1);
        QVERIFY(!(g.flags(g.index(2, 4)) & Qt::ItemIsEditable));

        g.build(3, 5, t);
        QCOMPARE(g.cell(2, 4), QString());
        QCOMPARE(g.rowHeight(2), 225);
        QCOMPARE(g.columnWidth(1), 2000);
        QCOMPARE(g.columnWidth(4), 0);
        g.setCell(3, 2, QStringLiteral("25.0"));
        g.setRowCount(6);
        QCOMPARE(g.cell(3, 2), QStringLiteral("25.0"));
        QCOMPARE(g.rowHeight(5), 225);
        QCOMPARE(geometry.size(), 2);
        g.setRowCount(0);
        QCOMPARE(g.rows(), 1);
        for (auto [start, end] : {std::pair{0, 0}, {0, 5}, {5, 3}, {1, 256}, {-3, 2}}) {
            g.build(start, end, t);
            QCOMPARE(g.cell(0, 1), u"设备名称"_qs);
            QCOMPARE(g.rows(), 1);
        }
        for (int a = 1; a <= 255; ++a)
            t.at(a).alias = QStringLiteral("dev%1").arg(a);
        g.build(1, 255, t);
        QCOMPARE(row(g, 255).mid(0, 2), (QStringList{"255", "dev255"}));
    }
    void addDevice_data()
    {
        QTest::addColumn<bool>("range"); // 3..5 set before, or none
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("span");
        QTest::addColumn<QString>("type"); // learnt for the address
        QTest::addColumn<QString>("grid");
        const QString before = u"3,三号,21.5,|-4,,,|5,five,,45.6"_qs;
        QTest::newRow("above the range") << true << "7"
                                         << ""
                                         << "3..7"
                                         << "CO2" << before + "|-,,,|7,,,";
        // The rows move down with their contents; row 1 keeps its old cells until the next rebuild.
        QTest::newRow("below the range") << true << "1"
                                         << ""
                                         << "1..5"
                                         << "T+RH"
                                         << "1,三号,21.5,|-2,,,|3,三号,21.5,|-4,,,|5,five,,45.6";
        QTest::newRow("a gap inside") << true << "4"
                                      << ""
                                      << "3..5"
                                      << "T+RH"
                                      << "3,三号,21.5,|4,,,|5,five,,45.6";
        QTest::newRow("start of the range") << true << "3"
                                            << ""
                                            << "3..5"
                                            << "" << before;
        QTest::newRow("end of the range") << true << "5"
                                          << ""
                                          << "3..5"
                                          << "" << before;
        QTest::newRow("silent device") << true << "9"
                                       << "添加设备失败！\r\n请重试!"
                                       << "3..5"
                                       << "" << before;
        QTest::newRow("no address") << true << ""
                                    << "请输入1-255之间的设备地址"
                                    << "3..5"
                                    << "" << before;
        QTest::newRow("no range yet") << false << "4"
                                      << ""
                                      << "4..4"
                                      << "T+RH"
                                      << "4,,,";
    }
    void addDevice()
    {
        QFETCH(bool, range);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, span);
        QFETCH(QString, type);
        QFETCH(QString, grid);
        STATION_RIG(StationRig, r, QString::fromLatin1(kBus));
        if (range)
            rangeThreeToFive(s);
        s.exchange.failureCount = 3; // left over from an earlier exchange: does not count
        s.setText4(typed);
        const qint64 t = r.ownTime.elapsedMs();
        s.cmdAddDev_Click();
        if (typed == u"9"_qs)
            QVERIFY(r.ownTime.elapsedMs() - t >= 3000); // the check waited for an answer
        QCOMPARE(r.op.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(u"%1..%2"_qs.arg(s.devices.PollStart).arg(s.devices.PollEnd), span);
        QCOMPARE(s.devices.at(std::clamp(typed.toInt(), 1, 255)).typeName, type);
        QCOMPARE(gridText(s), grid);
    }

    void renameTrimsForTheDataBase()
    {
        STATION_RIG(StationRig, r, QString::fromLatin1(kBus));
        rangeThreeToFive(s);
        s.gridClick(3);
        QCOMPARE(s.Text3, QStringLiteral("five"));
        s.gridClick(0); // the header row: remembered, Text3 kept
        QCOMPARE(s.Text3, QStringLiteral("five"));
        s.cmdAlias_Click();
        QCOMPARE(r.op.texts(), QStringList{tr8(texts::devices::NoRowSelected)});
        s.gridClick(1);
        s.setText3(QStringLiteral("  机房 北  "));
        s.cmdAlias_Click();
        QCOMPARE(r.op.messages.size(), 1);
        QCOMPARE(s.grid.cell(1, 1), QStringLiteral("  机房 北  "));
        QCOMPARE(s.devices.at(3).alias, QStringLiteral("机房 北"));
        QCOMPARE(s.db.readAlias(3).value, std::optional<QString>(QStringLiteral("机房 北")));
    }
};

QTEST_GUILESS_MAIN(TstRegistry)
#include "tst_registry.moc"

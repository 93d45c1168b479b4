// Adding devices to the polling range and renaming them, over the real exchange against kestrel-sim.
#include "common/stationrig.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace kestrel;
using test::StationRig;

namespace {
// T+RH sensors at 1, 4, 7; one at 9 that never answers.
const char *kBus = "1 33 3 230415 0001 17 set=2:215 set=3:456\n"
                   "4 33 3 230415 0004 17\n"
                   "7 0 6 230415 0007 17 set=6:450\n"
                   "9 33 3 230415 0009 17 silent\n";

void rangeThreeToFive(Station &s)
{
    s.devices.PollStart = 3;
    s.devices.PollEnd = 5;
    s.devices.at(3).alias = QStringLiteral("三号");
    s.devices.at(4).absent = 1;
    s.devices.at(5).alias = QStringLiteral("five");
    s.grid.build(3, 5, s.devices);
    s.grid.setRowHeight(2, 0); // 4 is a gap
    s.grid.setCell(1, 2, QStringLiteral("21.5"));
    s.grid.setCell(3, 3, QStringLiteral("45.6"));
    // 3 and 5 are known: the type query does not ask them again.
    for (int a : {3, 5}) {
        s.devices.at(a).mixpro = 33;
        s.devices.at(a).protype = 3;
    }
}
} // namespace

class TstRegistry : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addAboveTheRange()
    {
        StationRig r(QString::fromLatin1(kBus));
        QVERIFY2(r.ok(), qPrintable(r.why()));
        Station &s = *r.station;
        rangeThreeToFive(s);
        s.panel.Text4 = QStringLiteral("7");
        s.registry.cmdAddDev_Click();
        QVERIFY(r.op.messages.isEmpty());
        QCOMPARE(s.grid.rows(), 6);
        QCOMPARE(s.devices.PollEnd, 7);
        QCOMPARE(s.devices.at(6).absent, uint8_t(1));
        QCOMPARE(s.grid.rowHeight(4), 0);
        QCOMPARE(s.devices.at(7).absent, uint8_t(0));
        QCOMPARE(s.grid.rowHeight(5), 225);
        QCOMPARE(s.grid.cell(5, 0), QStringLiteral("7"));
        QCOMPARE(s.devices.at(7).protype, uint8_t(6)); // learnt by the check
        QCOMPARE(s.devices.at(7).typeName, QStringLiteral("CO2"));
    }

    void addBelowTheRangeMovesRowsDown()
    {
        StationRig r(QString::fromLatin1(kBus));
        QVERIFY2(r.ok(), qPrintable(r.why()));
        Station &s = *r.station;
        rangeThreeToFive(s);
        s.panel.Text4 = QStringLiteral("1");
        s.registry.cmdAddDev_Click();
        QVERIFY(r.op.messages.isEmpty());
        QCOMPARE(s.grid.rows(), 6);
        QCOMPARE(s.devices.PollStart, 1);
        QCOMPARE(s.devices.PollEnd, 5);
        const QStringList addresses{s.grid.cell(1, 0), s.grid.cell(2, 0), s.grid.cell(3, 0), s.grid.cell(4, 0),
                                    s.grid.cell(5, 0)};
        QCOMPARE(addresses, (QStringList{"1", "2", "3", "4", "5"}));
        QCOMPARE(s.grid.cell(3, 1), QStringLiteral("三号"));
        QCOMPARE(s.grid.cell(3, 2), QStringLiteral("21.5"));
        QCOMPARE(s.grid.cell(5, 1), QStringLiteral("five"));
        QCOMPARE(s.grid.cell(5, 3), QStringLiteral("45.6"));
        QCOMPARE(s.grid.rowHeight(4), 0); // 4 stays a gap
        QCOMPARE(s.grid.rowHeight(2), 0); // 2 is a new gap
        QCOMPARE(s.devices.at(2).absent, uint8_t(1));
        QCOMPARE(s.grid.rowHeight(1), 225);
        QCOMPARE(s.devices.at(1).absent, uint8_t(0));
    }

    void addWithoutARangeStartsOne()
    {
        StationRig r(QString::fromLatin1(kBus));
        QVERIFY2(r.ok(), qPrintable(r.why()));
        Station &s = *r.station;
        s.panel.Text4 = QStringLiteral("4");
        s.registry.cmdAddDev_Click();
        QCOMPARE(s.devices.PollStart, 4);
        QCOMPARE(s.devices.PollEnd, 4);
        QCOMPARE(s.grid.rows(), 2);
        QCOMPARE(s.grid.cell(1, 0), QStringLiteral("4"));
    }

    void addInsideOrAtTheEnds()
    {
        StationRig r(QString::fromLatin1(kBus));
        QVERIFY2(r.ok(), qPrintable(r.why()));
        Station &s = *r.station;
        rangeThreeToFive(s);
        for (const char *a : {"3", "5"}) { // the ends of the range: nothing changes
            s.panel.Text4 = QString::fromLatin1(a);
            s.registry.cmdAddDev_Click();
        }
        QCOMPARE(s.devices.PollStart, 3);
        QCOMPARE(s.devices.PollEnd, 5);
        QCOMPARE(s.grid.rowHeight(2), 0);
        s.panel.Text4 = QStringLiteral("4"); // a gap inside: its row is shown again
        s.registry.cmdAddDev_Click();
        QCOMPARE(s.devices.at(4).absent, uint8_t(0));
        QCOMPARE(s.grid.rowHeight(2), 225);
        QCOMPARE(s.grid.rows(), 4);
        QVERIFY(r.op.messages.isEmpty());
    }

    void silentDeviceIsRefusedAndAddressZeroToo()
    {
        StationRig r(QString::fromLatin1(kBus));
        QVERIFY2(r.ok(), qPrintable(r.why()));
        Station &s = *r.station;
        rangeThreeToFive(s);
        s.exchange.failureCount = 3; // left over from an earlier exchange: does not count
        s.panel.Text4 = QStringLiteral("9");
        QElapsedTimer t;
        t.start();
        s.registry.cmdAddDev_Click();
        QVERIFY(t.elapsed() >= 3000);
        QCOMPARE(r.op.texts(), QStringList{QStringLiteral("添加设备失败！\r\n请重试!")});
        QCOMPARE(s.grid.rows(), 4);
        QCOMPARE(s.devices.PollEnd, 5);
        QCOMPARE(s.devices.at(9).absent, uint8_t(0));
        QCOMPARE(s.devices.at(8).absent, uint8_t(0));

        r.op.messages.clear();
        s.panel.Text4 = QString();
        s.registry.cmdAddDev_Click();
        QCOMPARE(r.op.texts(), QStringList{QStringLiteral("请输入1-255之间的设备地址")});
        QCOMPARE(s.grid.rows(), 4);
    }

    void renameTrimsForTheDataBase()
    {
        StationRig r(QString::fromLatin1(kBus));
        QVERIFY2(r.ok(), qPrintable(r.why()));
        Station &s = *r.station;
        rangeThreeToFive(s);
        s.registry.gridClick(3);
        QCOMPARE(s.panel.Text3, QStringLiteral("five"));
        s.registry.gridClick(0); // the header row: remembered, Text3 kept
        QCOMPARE(s.registry.GridRow, 0);
        QCOMPARE(s.panel.Text3, QStringLiteral("five"));
        s.registry.cmdAlias_Click();
        QCOMPARE(r.op.messages.size(), 1); // no device row chosen
        r.op.messages.clear();

        s.registry.gridClick(1);
        s.panel.Text3 = QStringLiteral("  机房 北  ");
        s.registry.cmdAlias_Click();
        QVERIFY(r.op.messages.isEmpty());
        QCOMPARE(s.grid.cell(1, 1), QStringLiteral("  机房 北  "));
        QCOMPARE(s.devices.at(3).alias, QStringLiteral("机房 北"));
        const AliasResult stored = s.db.readAlias(3);
        QVERIFY(stored.ok);
        QCOMPARE(stored.alias.value_or(QString()), QStringLiteral("机房 北"));
        QCOMPARE(s.db.loadAliases().rows.size(), size_t(255));
    }
};

QTEST_GUILESS_MAIN(TstRegistry)
#include "tst_registry.moc"

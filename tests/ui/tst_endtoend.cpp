// The real windows against kestrel-sim: a single read through the menu and the value frame,
// and a polling run through the settings dialog with the reading log switched on.
#include "common/manualtime.h"
#include "common/stationrig.h"
#include "dialog.h"
#include "dialog1.h"
#include "ui/frmroughin.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace kestrel;
using test::ManualTime;
using test::StationRig;

namespace {

// Saves a picture of a window into the folder KESTREL_SCREENSHOTS names, when it names one.
void screenshot(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("KESTREL_SCREENSHOTS");
    if (!dir.isEmpty())
        QVERIFY(w->grab().save(QDir(dir).filePath(name)));
}

const char *kBus = "1 33 3 230415 0001 17 set=2:215 set=3:456\n"
                   "2 0 6 230415 0002 17 set=6:612\n"
                   "3 49 13 230415 0003 17 set=2:0xFFCE set=3:600 set=10:35\n"
                   "4 0 13 230415 0004 17 silent\n";

} // namespace

class TstEndToEnd : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void singleReadThroughTheWindow()
    {
        StationRig r(QString::fromLatin1(kBus), QtTimerFactory::instance(), SystemClock::instance(),
                     {QStringLiteral("--fixed")});
        QVERIFY2(r.ok(), qPrintable(r.why()));
        frmroughin w(*r.station);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *addr = w.findChild<QLineEdit *>(QStringLiteral("TxtB1"));
        const auto box = [&w](int i) { return w.findChild<QLineEdit *>(u"TxtInput_%1"_qs.arg(i)); };
        const auto read = [&](int item, const char *address) { // a product, an address, 单个读取
            w.findChild<QAction *>(u"protype_%1"_qs.arg(item))->trigger();
            addr->selectAll();
            QTest::keyClicks(addr, QString::fromLatin1(address));
            QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("CMDRHTread")), Qt::LeftButton);
        };
        read(3, "2"); // 二氧化碳
        QTRY_COMPARE(box(2)->text(), QStringLiteral("612.0"));
        QVERIFY(box(2)->isEnabled() && !box(0)->isEnabled());
        read(0, "1"); // 温湿度
        QTRY_COMPARE(box(0)->text() + ' ' + box(1)->text(), QStringLiteral("21.5 45.6"));
        QVERIFY(r.op.messages.isEmpty());
        screenshot(&w, QStringLiteral("main-window.png"));
    }

    void pollingRunThroughTheWindows()
    {
        ManualTime time;
        StationRig r(QString::fromLatin1(kBus), time, time, {QStringLiteral("--fixed")});
        QVERIFY2(r.ok(), qPrintable(r.why()));
        Station &s = *r.station;
        // Address 4 was identified in an earlier run (as a loaded configuration would say) and has gone quiet.
        s.devices.at(4).protype = 13;
        frmroughin w(s);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        auto *loopR = w.findChild<QPushButton *>(QStringLiteral("cmdLoopR"));
        QCOMPARE(loopR->text(), QStringLiteral("轮询"));
        QTest::mouseClick(loopR, Qt::LeftButton);
        Dialog *dialog = nullptr;
        QTRY_VERIFY((dialog = w.findChild<Dialog *>()) && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("轮询参数设置"));
        dialog->findChild<QLineEdit *>(QStringLiteral("txtloopAdd_0"))->setText(QStringLiteral("1"));
        dialog->findChild<QLineEdit *>(QStringLiteral("txtloopAdd_1"))->setText(QStringLiteral("4"));
        dialog->findChild<QCheckBox *>(QStringLiteral("checkSave"))->setChecked(true);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("OKButton")), Qt::LeftButton);
        QTRY_COMPARE(loopR->text(), QStringLiteral("结束"));
        QVERIFY(w.findChild<QWidget *>(QStringLiteral("deviceFrame"))->isVisible());

        // Two passes and a half: each reads 1, 2, 3 and waits out the silent 4.
        time.advance(100 + 8 * 1000);
        QCOMPARE(s.readings.CycleCount, 2);
        QCOMPARE(s.panel.Text5, QStringLiteral("4号设备通迅超时！"));
        QStringList rows; // address, T, RH, CO2, VOC, PM2.5
        for (int row = 1; row <= 3; ++row)
            rows << QStringList{s.grid.cell(row, 0), s.grid.cell(row, 2), s.grid.cell(row, 3),
                                s.grid.cell(row, 4), s.grid.cell(row, 5), s.grid.cell(row, 6)}
                        .join('|');
        QCOMPARE(rows, (QStringList{"1|21.5|45.6|||", "2|||612.0||", "3|-5.0|60.0|||35.0"}));
        QCOMPARE(s.grid.columnWidth(5), 0); // VOC: nobody measures it
        screenshot(&w, QStringLiteral("main-window-polling.png"));

        QTest::mouseClick(loopR, Qt::LeftButton);
        QCOMPARE(loopR->text(), QStringLiteral("轮询"));
        Dialog1 *ask = nullptr;
        QTRY_VERIFY((ask = w.findChild<Dialog1 *>()) && ask->isVisible());
        QTest::mouseClick(ask->findChild<QPushButton *>(QStringLiteral("CancelButton")), Qt::LeftButton);
        QVERIFY(!s.settings.SaveEnabled);
        QVERIFY(r.op.messages.isEmpty());

        // The log holds every reading the simulator served in the two complete passes, raw and unsigned.
        rows.clear();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
            db.setDatabaseName(s.db.filePath());
            QSqlQuery q(db);
            QVERIFY(db.open() &&
                    q.exec(QStringLiteral("select ADDRESS, PROTYPE, READVALUE, count(*), "
                                          "count(distinct READTIME) from SAVEDATA group by "
                                          "ADDRESS, PROTYPE, READVALUE order by ADDRESS, PROTYPE")));
            while (q.next()) // how often, at how many times
                rows << u"%1 %2 %3 x%4 %5"_qs.arg(q.value(0).toInt())
                            .arg(q.value(1).toString(), q.value(2).toString())
                            .arg(q.value(3).toInt())
                            .arg(q.value(4).toInt());
        }
        QSqlDatabase::removeDatabase(QStringLiteral("check"));
        QCOMPARE(rows, (QStringList{"1 RH 456 x2 2", "1 T 215 x2 2", "2 CO2 612 x2 2", "3 PM2.5 35 x2 2",
                                    "3 RH 600 x2 2", "3 T 65486 x2 2"}));
    }
};

QTEST_MAIN(TstEndToEnd)
#include "tst_endtoend.moc"

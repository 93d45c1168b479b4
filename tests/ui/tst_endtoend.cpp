// The real windows against kestrel-sim: a single read through the menu and the value frame,
// and a polling run through the settings dialog with the reading log switched on.
#include "common/fasttimers.h"
#include "common/stationrig.h"
#include "dialog.h"
#include "dialog1.h"
#include "ui/frmroughin.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>
#include <QtTest>

using namespace kestrel;
using test::FastTimerFactory;
using test::StationRig;

namespace {

// Saves a picture of a window into the folder KESTREL_SCREENSHOTS names, when it names one.
void screenshot(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("KESTREL_SCREENSHOTS");
    if (!dir.isEmpty())
        QVERIFY(w->grab().save(QDir(dir).filePath(name)));
}

template <typename W> W *topLevel()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<W *>(w); d && d->isVisible())
            return d;
    return nullptr;
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
        w.findChild<QAction *>(QStringLiteral("protype_3"))->trigger(); // 二氧化碳
        auto *addr = w.findChild<QLineEdit *>(QStringLiteral("TxtB1"));
        addr->selectAll();
        QTest::keyClicks(addr, QStringLiteral("2"));
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("CMDRHTread")), Qt::LeftButton);
        QTRY_COMPARE(w.findChild<QLineEdit *>(QStringLiteral("TxtInput_2"))->text(), QStringLiteral("612.0"));
        QVERIFY(w.findChild<QLineEdit *>(QStringLiteral("TxtInput_2"))->isEnabled());
        QVERIFY(!w.findChild<QLineEdit *>(QStringLiteral("TxtInput_0"))->isEnabled());

        w.findChild<QAction *>(QStringLiteral("protype_0"))->trigger(); // 温湿度
        addr->selectAll();
        QTest::keyClicks(addr, QStringLiteral("1"));
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("CMDRHTread")), Qt::LeftButton);
        QTRY_COMPARE(w.findChild<QLineEdit *>(QStringLiteral("TxtInput_0"))->text(), QStringLiteral("21.5"));
        QCOMPARE(w.findChild<QLineEdit *>(QStringLiteral("TxtInput_1"))->text(), QStringLiteral("45.6"));
        QVERIFY(r.op.messages.isEmpty());
        screenshot(&w, QStringLiteral("main-window.png"));
    }

    void pollingRunThroughTheWindows()
    {
        FastTimerFactory timers;
        StationRig r(QString::fromLatin1(kBus), timers, SystemClock::instance(), {QStringLiteral("--fixed")});
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
        QTRY_VERIFY((dialog = topLevel<Dialog>()) != nullptr);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("轮询参数设置"));
        auto *start = dialog->findChild<QLineEdit *>(QStringLiteral("txtloopAdd_0"));
        auto *end = dialog->findChild<QLineEdit *>(QStringLiteral("txtloopAdd_1"));
        start->setText(QStringLiteral("1"));
        end->setText(QStringLiteral("4"));
        dialog->findChild<QCheckBox *>(QStringLiteral("checkSave"))->setChecked(true);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("OKButton")), Qt::LeftButton);
        QTRY_COMPARE(loopR->text(), QStringLiteral("结束"));
        QVERIFY(w.findChild<QWidget *>(QStringLiteral("deviceFrame"))->isVisible());

        // Two passes: each reads 1, 2, 3 and waits out the silent 4.
        QTRY_VERIFY_WITH_TIMEOUT(s.readings.CycleCount >= 2, 20000);
        QCOMPARE(s.panel.Text5, QStringLiteral("4号设备通迅超时！"));
        QCOMPARE(s.grid.cell(1, 0), QStringLiteral("1"));
        QCOMPARE(s.grid.cell(1, 2), QStringLiteral("21.5"));
        QCOMPARE(s.grid.cell(1, 3), QStringLiteral("45.6"));
        QCOMPARE(s.grid.cell(2, 4), QStringLiteral("612.0"));
        QCOMPARE(s.grid.cell(3, 2), QStringLiteral("-5.0"));
        QCOMPARE(s.grid.cell(3, 3), QStringLiteral("60.0"));
        QCOMPARE(s.grid.cell(3, 6), QStringLiteral("35.0"));
        QCOMPARE(s.grid.columnWidth(5), 0); // VOC: nobody measures it
        screenshot(&w, QStringLiteral("main-window-polling.png"));

        const int passes = s.readings.CycleCount;
        QTest::mouseClick(loopR, Qt::LeftButton);
        QCOMPARE(loopR->text(), QStringLiteral("轮询"));
        Dialog1 *ask = nullptr;
        QTRY_VERIFY((ask = topLevel<Dialog1>()) != nullptr);
        QTest::mouseClick(ask->findChild<QPushButton *>(QStringLiteral("CancelButton")), Qt::LeftButton);
        QVERIFY(!s.settings.SaveEnabled);
        QVERIFY(r.op.messages.isEmpty());

        // The log holds every reading the simulator served in the complete passes, raw and unsigned.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(s.db.filePath());
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("select ADDRESS, PROTYPE, READVALUE, count(*), count(distinct READTIME) "
                                      "from SAVEDATA group by ADDRESS, PROTYPE, READVALUE order by ADDRESS, PROTYPE")));
        QStringList rows;
        while (q.next())
            rows << QStringLiteral("%1 %2 %3 x%4")
                        .arg(q.value(0).toInt())
                        .arg(q.value(1).toString(), q.value(2).toString())
                        .arg(q.value(3).toInt() == passes && q.value(4).toInt() == passes ? QStringLiteral("n")
                                                                                          : q.value(3).toString());
        QCOMPARE(rows, (QStringList{"1 RH 456 xn", "1 T 215 xn", "2 CO2 612 xn", "3 PM2.5 35 xn", "3 RH 600 xn",
                                    "3 T 65486 xn"}));
        q = QSqlQuery();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("check"));
    }
};

QTEST_MAIN(TstEndToEnd)
#include "tst_endtoend.moc"

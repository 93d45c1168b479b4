// The real windows offscreen, on real serial ports: the port menu and button, port failures and
// the grid on pseudo-terminals; against kestrel-sim a single read through the menu and the value
// frame, and a polling run through the settings dialog with the reading log switched on.
#include "common/manualtime.h"
#include "common/stationrig.h"
#include "dialog.h"
#include "dialog1.h"
#include "lamp.h"
#include "ptylink.h"
#include "ui/frmroughin.h"

#include <QtSql>
#include <QtTest>
#include <QtWidgets>

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

const QString Missing = QStringLiteral("/nonexistent/kestrel-tty");

// Pseudo-terminals for COM3 and COM5; the far end of each kept open as a wire would be.
struct Ptys {
    sim::RawPty com3 = *sim::openRawPty(), com5 = *sim::openRawPty();
};
struct Rig : Ptys, StationRig {
    frmroughin *window;

    explicit Rig(bool com3Missing = false)
        : StationRig({}, QtTimerFactory::instance(), SystemClock::instance(), {},
                     {{3, com3Missing ? Missing : com3.device}, {5, com5.device}, {6, Missing}}),
          window(new frmroughin(*station))
    {
        window->show();
    }
    ~Rig()
    {
        delete window;
        station.reset(), port.reset(), sim::closeRawPty(com3), sim::closeRawPty(com5);
    }
    QAction *act(const QString &name) { return window->findChild<QAction *>(name); }
    QPushButton *com() { return window->findChild<QPushButton *>(QStringLiteral("Com")); }
    QString checked(const QString &prefix, int count) // the checked items' captions
    {
        QStringList c;
        for (int i = 0; i < count; ++i)
            if (act(prefix + QString::number(i))->isChecked())
                c << act(prefix + QString::number(i))->text();
        return c.join(' ');
    }
    // Open or closed, the checked port item, the button's caption, the lamp.
    QString state()
    {
        const QColor lamp = window->findChild<Lamp *>(QStringLiteral("shape1"))->color();
        return (port->isOpen() ? u"open "_qs : u"closed "_qs) + checked(u"mnu_com_"_qs, 8) + '|' +
               com()->text() +
               (lamp == Qt::red     ? " red"
                : lamp == Qt::black ? " black"
                                    : " other");
    }
};
} // namespace

class TstMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void portMenuAndButton()
    {
        Rig r;
        QCOMPARE(r.state(), u"open COM3|关闭串口 red"_qs);
        QCOMPARE(r.act(u"mnu_com_2"_qs)->toolTip(), r.com3.device);
        // A baud item keeps the port open and checks only itself.
        r.act(u"mnuBaudRate_5"_qs)->trigger();
        QCOMPARE(r.checked(u"mnuBaudRate_"_qs, 6), u"115200"_qs);
        QCOMPARE(r.port->baudRate(), 115200);
        QCOMPARE(r.state(), u"open COM3|关闭串口 red"_qs);
        // COM5 closes COM3, opens COM5 and says so.
        r.act(u"mnu_com_4"_qs)->trigger();
        QCOMPARE(r.state(), u"open COM5|关闭串口 red"_qs);
        QCOMPARE(r.port->devicePath(), r.com5.device);
        QCOMPARE(r.op.texts(), QStringList{QStringLiteral("COM5成功打开")});
        // "串口关闭" closes the port but leaves the caption and the lamp.
        r.act(u"mnu_comclose"_qs)->trigger();
        QCOMPARE(r.state(), u"closed |关闭串口 red"_qs);
        // Every entry box of the window and of the settings dialog (its child) has its caption as buddy.
        r.station->polling.cmdLoopR_Click();
        QCOMPARE(r.station->polling.phase(), Polling::Phase::AwaitingSettings);
        const QList<QLabel *> labels = r.window->findChildren<QLabel *>();
        const QList<QLineEdit *> boxes = r.window->findChildren<QLineEdit *>();
        QVERIFY(boxes.size() >= 3 + 13 + 4 + 3); // the dialog, values, address and custom, device frame
        for (QLineEdit *box : boxes)
            QVERIFY2(std::any_of(labels.begin(), labels.end(),
                                 [box](QLabel *l) { return l->buddy() == box && !l->text().isEmpty(); }),
                     qPrintable(box->objectName()));
        // The button: the first click closes and stops polling, the next opens.
        QTest::mouseClick(r.com(), Qt::LeftButton);
        QCOMPARE(r.station->polling.phase(), Polling::Phase::Stopped);
        QCOMPARE(r.state(), u"closed |打开串口 black"_qs);
        QTest::mouseClick(r.com(), Qt::LeftButton);
        QCOMPARE(r.state(), u"open COM5|关闭串口 red"_qs);
    }

    void portFailure_data()
    {
        QTest::addColumn<bool>("unplug");
        QTest::newRow("missing at start-up") << false;
        QTest::newRow("unplugged while open") << true;
    }
    void portFailure()
    {
        QFETCH(bool, unplug);
        Rig r(!unplug);
        if (unplug) {
            QVERIFY(r.port->isOpen());
            sim::closeRawPty(r.com3); // the adapter is pulled out
            QTRY_VERIFY(!r.port->isOpen());
        }
        QCOMPARE(r.op.messages.size(), 1);
        const QString text = r.op.messages.first().text; // the source and line go to the log only
        const QRegularExpression shape(u"^应用程序出错!\r\n错误代号：\\d+\r\n错误描述：[^\r\n]+\r\n$"_qs);
        QVERIFY2(shape.match(text).hasMatch(), qPrintable(text));
        QCOMPARE(r.op.messages.first().icon, Operator::Icon::Question);
        QCOMPARE(r.state(), unplug ? u"closed |打开串口 black"_qs : u"closed COM3|打开串口 black"_qs);
        // A read on the closed port ends at once, silently.
        r.station->exchange.CurAddr = 1;
        QVERIFY(!r.station->exchange.readRegisters(3, 2) && r.station->exchange.valueTimeout);
        QCOMPARE(r.op.messages.size(), 1);
        // The program goes on: another port opens; a failed one unchecks every item.
        r.act(u"mnu_com_4"_qs)->trigger();
        QCOMPARE(r.state(), u"open COM5|关闭串口 red"_qs);
        r.act(u"mnu_com_5"_qs)->trigger();
        QCOMPARE(r.state(), u"closed |打开串口 black"_qs);
        QCOMPARE(r.op.messages.size(), 3);
    }

    void wheelPagesTheGrid()
    {
        Rig r;
        Station &s = *r.station;
        s.grid.build(1, 255, s.devices);
        s.panel.setWindowWidth(Panel::WideWidth);
        auto *grid = r.window->findChild<QTableView *>(QStringLiteral("grid"));
        QVERIFY(grid);
        QTRY_VERIFY(grid->isVisible()); // the window renders a moment later
        grid->setFocus();
        QTRY_VERIFY(grid->hasFocus());
        grid->setCurrentIndex(s.grid.index(1, 0));
        auto wheel = [&](int delta, Qt::KeyboardModifiers mods) {
            const QPointF at = grid->viewport()->rect().center();
            QWheelEvent e(at, grid->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          mods, Qt::NoScrollPhase, false);
            QApplication::sendEvent(grid->viewport(), &e);
            return grid->currentIndex().row();
        };
        const int paged = wheel(-120, Qt::NoModifier);
        QVERIFY2(paged > 5, qPrintable(QString::number(paged))); // a page, not a line
        QCOMPARE(wheel(-360, Qt::NoModifier), paged);            // three notches at once: nothing
        QCOMPARE(wheel(-120, Qt::ControlModifier), paged);       // a key held: nothing
        QVERIFY(wheel(120, Qt::NoModifier) < paged);             // one notch back pages up
    }

    // A product, an address and 单个读取, then a polling run of 1..4 with the reading log on.
    void singleReadAndPollingRunThroughTheWindows()
    {
        ManualTime time;
        STATION_RIG(StationRig, r, QString::fromLatin1(kBus), time, time, {QStringLiteral("--fixed")});
        // Address 4 was identified in an earlier run (as a loaded configuration would say) and has gone quiet.
        s.devices.at(4).protype = 13;
        frmroughin w(s);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *addr = w.findChild<QLineEdit *>(QStringLiteral("TxtB1"));
        const auto box = [&w](int i) { return w.findChild<QLineEdit *>(u"TxtInput_%1"_qs.arg(i)); };
        const auto read = [&](int item, const char *address) {
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
        QTRY_VERIFY(w.findChild<QWidget *>(QStringLiteral("deviceFrame"))->isVisible());

        // Two passes and a half: each reads 1, 2, 3 and waits out the silent 4; its 3 s delay the tick.
        time.advance(100 + 8 * 1000 + 2 * Exchange::TimeLimitMs);
        QCOMPARE(s.readings.CycleCount, 2);
        QCOMPARE(s.Text5, QStringLiteral("4号设备通迅超时！"));
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

    void timedReadingThroughTheWindow()
    {
        ManualTime time;
        STATION_RIG(StationRig, r, QString::fromLatin1(kBus), time, time, {QStringLiteral("--fixed")});
        frmroughin w(s);
        w.show();
        auto *setTime = w.findChild<QLineEdit *>(QStringLiteral("txtSetTime"));
        auto *autoRead = w.findChild<QPushButton *>(QStringLiteral("cmdAutoRead"));
        setTime->setText(QStringLiteral("7")); // not typed: the core follows the box all the same
        QTest::mouseClick(autoRead, Qt::LeftButton);
        QCOMPARE(autoRead->text(), QStringLiteral("停止"));
        time.advance(7000);
        QTRY_COMPARE(w.findChild<QLineEdit *>(QStringLiteral("TxtInput_0"))->text(), QStringLiteral("21.5"));
        // "实时曲线" writes the buffered reading to the day's record file.
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("cmdShow")), Qt::LeftButton);
        QFile record(QDir(s.dataFolder).filePath(QStringLiteral("record/2026-12-6.txt")));
        QVERIFY(record.open(QIODevice::ReadOnly));
        QCOMPARE(record.readAll().count("\r\n"), 2); // header and one reading
        QTest::mouseClick(autoRead, Qt::LeftButton);
        QCOMPARE(autoRead->text(), QStringLiteral("开始"));
    }
};

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"

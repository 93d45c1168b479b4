// The main window offscreen, on real serial ports (pseudo-terminals).
#include "common/clock.h"
#include "common/pty.h"
#include "common/recordingoperator.h"
#include "lamp.h"
#include "link/qtserialport.h"
#include "station/station.h"
#include "ui/frmroughin.h"

#include <QAction>
#include <QRegularExpression>
#include <QTableView>
#include <QWheelEvent>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace kestrel;
using test::Pty;
using test::RecordingOperator;

namespace {
struct Rig {
    Pty com3, com5;
    QTemporaryDir data;
    PortMap map;
    std::unique_ptr<QtSerialPort> port;
    RecordingOperator op;
    std::unique_ptr<Station> station;
    std::unique_ptr<frmroughin> window;

    explicit Rig(bool com3Missing = false)
    {
        map.set(3, com3Missing ? QStringLiteral("/nonexistent/kestrel-tty") : com3.slavePath());
        map.set(5, com5.slavePath());
        map.set(6, QStringLiteral("/nonexistent/kestrel-tty"));
        port = std::make_unique<QtSerialPort>(map);
        station = std::make_unique<Station>(*port, op, SystemClock::instance(), QtTimerFactory::instance(),
                                            data.path());
        window = std::make_unique<frmroughin>(*station);
        station->Form_Load();
        window->show();
    }
    QAction *action(const QString &name) { return window->findChild<QAction *>(name); }
    QPushButton *button(const QString &name) { return window->findChild<QPushButton *>(name); }
    QColor lamp() { return window->findChild<Lamp *>(QStringLiteral("shape1"))->color(); }
};
} // namespace

class TstMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startUpMenusAndButton()
    {
        Rig r;
        QCOMPARE(r.window->windowTitle(), QStringLiteral("Kestrel"));
        QVERIFY(r.port->isOpen());
        QVERIFY(r.action(QStringLiteral("mnu_com_2"))->isChecked());
        QCOMPARE(r.action(QStringLiteral("mnu_com_2"))->toolTip(), r.com3.slavePath());
        QCOMPARE(r.button(QStringLiteral("Com"))->text(), QStringLiteral("关闭串口"));
        QCOMPARE(r.lamp(), QColor(255, 0, 0));
        // A baud item keeps the port open and checks only itself.
        r.action(QStringLiteral("mnuBaudRate_5"))->trigger();
        QVERIFY(r.port->isOpen());
        QCOMPARE(r.port->baudRate(), 115200);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(r.action(QStringLiteral("mnuBaudRate_%1").arg(i))->isChecked(), i == 5);
        // COM5 closes COM3, opens COM5 and says so.
        r.action(QStringLiteral("mnu_com_4"))->trigger();
        QCOMPARE(r.port->devicePath(), r.com5.slavePath());
        QVERIFY(r.port->isOpen());
        QCOMPARE(r.op.texts(), QStringList{QStringLiteral("COM5成功打开")});
        for (int i = 0; i < 8; ++i)
            QCOMPARE(r.action(QStringLiteral("mnu_com_%1").arg(i))->isChecked(), i == 4);
        // "串口关闭" closes the port but leaves the caption and the lamp.
        r.action(QStringLiteral("mnu_comclose"))->trigger();
        QVERIFY(!r.port->isOpen());
        QCOMPARE(r.button(QStringLiteral("Com"))->text(), QStringLiteral("关闭串口"));
        QCOMPARE(r.lamp(), QColor(255, 0, 0));
        QVERIFY(!r.action(QStringLiteral("mnu_com_4"))->isChecked());
        // The button: the first click closes and stops polling, the next opens.
        r.station->polling.cmdLoopR_Click();
        QCOMPARE(r.station->polling.phase(), Polling::Phase::AwaitingSettings);
        QTest::mouseClick(r.button(QStringLiteral("Com")), Qt::LeftButton);
        QCOMPARE(r.station->polling.phase(), Polling::Phase::Stopped);
        QCOMPARE(r.button(QStringLiteral("Com"))->text(), QStringLiteral("打开串口"));
        QCOMPARE(r.lamp(), QColor(0, 0, 0));
        QTest::mouseClick(r.button(QStringLiteral("Com")), Qt::LeftButton);
        QVERIFY(r.port->isOpen());
        QCOMPARE(r.lamp(), QColor(255, 0, 0));
    }

    void missingPortReportsAndGoesOn()
    {
        Rig r(true);
        QCOMPARE(r.op.messages.size(), 1);
        const QString text = r.op.messages.first().text;
        QVERIFY2(QRegularExpression(QStringLiteral("^应用程序出错!\r\n错误代号：\\d+\r\n错误描述：[^\r\n]+\r\n$"))
                     .match(text)
                     .hasMatch(),
                 qPrintable(text)); // the source and line go to the log only
        QCOMPARE(r.op.messages.first().icon, Operator::Icon::Question);
        QVERIFY(!r.port->isOpen());
        QCOMPARE(r.button(QStringLiteral("Com"))->text(), QStringLiteral("打开串口"));
        QCOMPARE(r.lamp(), QColor(0, 0, 0));
        // The program goes on: another port opens; a failed one unchecks every item.
        r.action(QStringLiteral("mnu_com_4"))->trigger();
        QVERIFY(r.port->isOpen());
        r.action(QStringLiteral("mnu_com_5"))->trigger();
        QVERIFY(!r.port->isOpen());
        for (int i = 0; i < 8; ++i)
            QVERIFY(!r.action(QStringLiteral("mnu_com_%1").arg(i))->isChecked());
    }

    void wheelPagesTheGrid()
    {
        Rig r;
        Station &s = *r.station;
        s.devices.PollStart = 1;
        s.devices.PollEnd = 255;
        s.grid.build(1, 255, s.devices);
        s.panel.setWindowWidth(Panel::WideWidth);
        auto *grid = r.window->findChild<QTableView *>(QStringLiteral("grid"));
        QVERIFY(grid && grid->isVisible());
        grid->setFocus();
        QTRY_VERIFY(grid->hasFocus());
        grid->setCurrentIndex(s.grid.index(1, 0));
        auto wheel = [&](int delta, Qt::KeyboardModifiers mods) {
            const QPointF at = grid->viewport()->rect().center();
            QWheelEvent e(at, grid->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                          Qt::NoScrollPhase, false);
            QApplication::sendEvent(grid->viewport(), &e);
            return grid->currentIndex().row();
        };
        const int paged = wheel(-120, Qt::NoModifier);
        QVERIFY2(paged > 5, qPrintable(QString::number(paged))); // a page, not a line
        QCOMPARE(wheel(-360, Qt::NoModifier), paged);            // three notches at once: nothing
        QCOMPARE(wheel(-120, Qt::ControlModifier), paged);       // a key held: nothing
        QVERIFY(wheel(120, Qt::NoModifier) < paged);             // one notch back pages up
    }

    void unpluggedPortIsReported()
    {
        Rig r;
        QVERIFY(r.port->isOpen());
        r.com3.unplug();
        QTRY_VERIFY(!r.port->isOpen());
        QCOMPARE(r.op.messages.size(), 1);
        QVERIFY(r.op.messages.first().text.startsWith(QStringLiteral("应用程序出错!\r\n错误代号：")));
        QCOMPARE(r.button(QStringLiteral("Com"))->text(), QStringLiteral("打开串口"));
        QCOMPARE(r.lamp(), QColor(0, 0, 0));
        // A read on the closed port ends at once, silently.
        r.station->exchange.CurAddr = 1;
        QVERIFY(!r.station->exchange.readRegisters(3, 2));
        QVERIFY(r.station->exchange.valueTimeout);
        QCOMPARE(r.op.messages.size(), 1);
    }
};

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"

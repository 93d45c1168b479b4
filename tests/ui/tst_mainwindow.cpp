// The main window offscreen, on real serial ports (pseudo-terminals).
#include "common/clock.h"
#include "common/recordingoperator.h"
#include "lamp.h"
#include "link/qtserialport.h"
#include "ptylink.h"
#include "station/station.h"
#include "ui/frmroughin.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>

using namespace kestrel;
using test::RecordingOperator;

namespace {
const QString Missing = QStringLiteral("/nonexistent/kestrel-tty");

// Pseudo-terminals for COM3 and COM5; the far end of each kept open as a wire would be.
struct Rig {
    sim::RawPty com3 = *sim::openRawPty(), com5 = *sim::openRawPty();
    QTemporaryDir data;
    PortMap map;
    std::unique_ptr<QtSerialPort> port;
    RecordingOperator op;
    std::unique_ptr<Station> station;
    std::unique_ptr<frmroughin> window;

    explicit Rig(bool com3Missing = false)
    {
        map.set(3, com3Missing ? Missing : com3.device);
        map.set(5, com5.device);
        map.set(6, Missing);
        port = std::make_unique<QtSerialPort>(map);
        station = std::make_unique<Station>(*port, op, SystemClock::instance(), QtTimerFactory::instance(),
                                            data.path());
        window = std::make_unique<frmroughin>(*station);
        station->Form_Load();
        window->show();
    }
    ~Rig()
    {
        window.reset(), station.reset(), port.reset();
        sim::closeRawPty(com3), sim::closeRawPty(com5);
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
        QVERIFY(grid && grid->isVisible());
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
};

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"

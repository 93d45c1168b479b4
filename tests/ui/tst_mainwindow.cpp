// The CRC calculator's rules (normalising, the 50-byte limit, decimal and hexadecimal entry with
// their messages) and the real windows offscreen, on real serial ports: the port menu and button,
// port failures, the grid, the CRC frame and the help menu on pseudo-terminals; against kestrel-sim
// a single read through the menu and the value frame, and a polling run through the settings
// dialog with the reading log switched on.
#include "common/files.h"
#include "common/log.h"
#include "common/manualtime.h"
#include "common/stationrig.h"
#include "common/tr8.h"
#include "console/crcconsole.h"
#include "console/texts.h"
#include "ui/aboutmenu.h"
#include "ui/crcframe.h"
#include "dialog.h"
#include "dialog1.h"
#include "lamp.h"
#include "ptylink.h"
#include "ui/frmroughin.h"

#include <QDesktopServices>
#include <QtTest>
#include <QtWidgets>

using namespace kestrel;
using test::ManualTime;
using test::StationRig;

namespace {

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
    // Open or closed, the checked port items, the button's caption, the lamp.
    QStringList state()
    {
        const QColor lamp = window->findChild<Lamp *>(QStringLiteral("shape1"))->color();
        return {port->isOpen() ? "open" : "closed", checked(u"mnu_com_"_qs, 8), com()->text(),
                lamp == Qt::red     ? "red"
                : lamp == Qt::black ? "black"
                                    : "other"};
    }
};
} // namespace

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl &url) { urls << url; }
};

class TstMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void portMenuAndButton()
    {
        Rig r;
        QCOMPARE(r.state(), (QStringList{"open", "COM3", "关闭串口", "red"}));
        QCOMPARE(r.act(u"mnu_com_2"_qs)->toolTip(), r.com3.device);
        // A baud item keeps the port open and checks only itself.
        r.act(u"mnuBaudRate_5"_qs)->trigger();
        QCOMPARE(r.checked(u"mnuBaudRate_"_qs, 6), u"115200"_qs);
        QCOMPARE(r.port->baudRate(), 115200);
        QCOMPARE(r.state(), (QStringList{"open", "COM3", "关闭串口", "red"}));
        // COM5 closes COM3, opens COM5 and says so.
        r.act(u"mnu_com_4"_qs)->trigger();
        QCOMPARE(r.state(), (QStringList{"open", "COM5", "关闭串口", "red"}));
        QCOMPARE(r.port->devicePath(), r.com5.device);
        QCOMPARE(r.op.texts(), QStringList{QStringLiteral("COM5成功打开")});
        // "串口关闭" closes the port but leaves the caption and the lamp.
        r.act(u"mnu_comclose"_qs)->trigger();
        QCOMPARE(r.state(), (QStringList{"closed", "", "关闭串口", "red"}));
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
        QCOMPARE(r.state(), (QStringList{"closed", "", "打开串口", "black"}));
        QTest::mouseClick(r.com(), Qt::LeftButton);
        QCOMPARE(r.state(), (QStringList{"open", "COM5", "关闭串口", "red"}));
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
        QCOMPARE(r.state(), (QStringList{"closed", unplug ? "" : "COM3", "打开串口", "black"}));
        // A read on the closed port ends at once, silently.
        r.station->exchange.CurAddr = 1;
        QVERIFY(!r.station->exchange.readRegisters(3, 2) && r.station->exchange.valueTimeout);
        QCOMPARE(r.op.messages.size(), 1);
        // The program goes on: another port opens; a failed one unchecks every item.
        r.act(u"mnu_com_4"_qs)->trigger();
        QCOMPARE(r.state(), (QStringList{"open", "COM5", "关闭串口", "red"}));
        r.act(u"mnu_com_5"_qs)->trigger();
        QCOMPARE(r.state(), (QStringList{"closed", "", "打开串口", "black"}));
        QCOMPARE(r.op.messages.size(), 3);
    }

    // Every case starts with the CRC of a read of address 0 (DB 85 on the wire) in the boxes.
    void cacCrc_data()
    {
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("command"); // the box afterwards
        QTest::addColumn<QString>("high");
        QTest::addColumn<QString>("low");
        QTest::addColumn<QString>("message"); // title "Error"
        QTest::addColumn<bool>("selectAll");
        const auto row = [](const char *name, bool hex, const QString &typed, const QString &command,
                            const char *high, const char *low, const char *message = nullptr,
                            bool selectAll = false) {
            QTest::newRow(name) << hex << typed << command << QString(high) << QString(low)
                                << (message ? tr8(message) : QString()) << selectAll;
        };
        row("hex rewritten to two digits", true, "1 3 0 0 0 1", "01 03 00 00 00 01 ", "0A", "84");
        row("decimal", false, "1 3 0 0 0 1", "1 3 0 0 0 1", "10", "132");
        row("blanks at the ends and runs", false, "  1   3 0  0 0    1  ", "1 3 0 0 0 1", "10", "132");
        row("tab and ideographic space", true, "\t1\t3 0\u30000 0 1\n", "01 03 00 00 00 01 ", "0A", "84");
        row("hex of any case and length", true, "d 3 0 002 00 2", "0D 03 00 02 00 02 ", "07", "65");
        row("zz counts as 00, 3g as 03", true, "1 3g 0 0 zz 1", "01 03 00 00 00 01 ", "0A", "84");
        row("decimal halves to even", false, "13 3 0 2.5 0 1.5", "13 3 0 2.5 0 1.5", "7", "101");
        // A frame followed by its CRC leaves 0; zero bytes after that keep it 0.
        const QString frame50 = "1 3 0 0 0 1 132 10" + QString(" 0").repeated(42);
        row("50 bytes accepted", false, frame50, frame50, "0", "0");
        row("51 bytes refused", false, " " + frame50 + "  0", frame50 + " 0", "219", "133",
            texts::console::TooManyBytes, true);
        row("decimal 300", false, "1 3 300", "1 3 300", "219", "133", texts::console::ByteOutOfRange);
        row("decimal 255.5", false, "255.5", "255.5", "219", "133", texts::console::ByteOutOfRange);
        row("not a number empties the boxes", false, "1 x 3", "1 x 3", "", "", texts::console::NotDecimal);
        row("hex 1FF keeps the parts before it", true, "1 1ff 3", "01 ", "DB", "85",
            texts::console::ByteOutOfRange, true);
        row("hex of many digits", true, "0000000001 FFFFFFFFFFFFFFFFFFFF", "01 ", "DB", "85",
            texts::console::ByteOutOfRange, true);
        row("empty", false, "", "", "219", "133", texts::console::NoCommand);
        row("blanks only", true, "   ", "", "DB", "85", texts::console::NoCommand);
    }
    void cacCrc()
    {
        QFETCH(bool, hex);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        test::RecordingOperator op;
        CrcConsole c(op);
        c.setHex(hex);
        c.setCommand(QStringLiteral("0 3 0 0 0 1"));
        QVERIFY(c.cacCrc_Click());
        QSignalSpy selected(&c, &CrcConsole::selectAllRequested);
        c.setCommand(typed);
        QCOMPARE(c.cacCrc_Click(), message.isEmpty());
        QTEST(c.command(), "command");
        QTEST(c.crcHigh(), "high");
        QTEST(c.crcLow(), "low");
        QCOMPARE(op.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(op.messages.value(0).title, message.isEmpty() ? QString() : tr8(texts::console::ErrorTitle));
        QTEST(!selected.isEmpty(), "selectAll");
    }

    // The CRC frame: the key rule while typing, the check box selecting the command for retyping,
    // the button and Enter calculating; nothing goes to the port. (The rules: tst_crcconsole.)
    void crcFrame()
    {
        Rig r;
        QSignalSpy sent(&r.station->exchange, &Exchange::frameSent);
        auto *frame = r.window->findChild<CrcFrame *>(QStringLiteral("framCRC"));
        QVERIFY(frame && frame->isVisible());
        QLineEdit *cmd = frame->txtSendCmd();
        const auto boxes = [frame] { return frame->txtcrchig()->text() + u'|' + frame->txtcrclow()->text(); };
        QTest::keyClicks(cmd, QStringLiteral("1 3 0 0 0 1x")); // a letter, then a full-width digit
        QTest::sendKeyEvent(QTest::Click, cmd, Qt::Key_unknown, QStringLiteral("\uFF17"), Qt::NoModifier);
        QCOMPARE(cmd->text(), QStringLiteral("1 3 0 0 0 1"));
        QCOMPARE(r.op.texts(), QStringList(2, tr8(texts::console::TypeDecimal)));
        QCOMPARE(r.op.messages.value(0).title, QString()); // the application title
        QTest::mouseClick(frame->cacCrc(), Qt::LeftButton);
        QCOMPARE(boxes(), QStringLiteral("10|132"));
        QTest::mouseClick(frame->check1(), Qt::LeftButton);
        QCOMPARE(cmd->selectedText(), cmd->text());
        QTest::keyClicks(cmd, QStringLiteral("d 3 0 2 0 2g3")); // hex letters in upper case, g refused
        QTest::keyClick(cmd, Qt::Key_Backspace);
        QCOMPARE(cmd->text(), QStringLiteral("D 3 0 2 0 2"));
        QCOMPARE(r.op.texts().value(2), tr8(texts::console::TypeHex));
        QTest::keyClick(cmd, Qt::Key_Enter);
        QCOMPARE(boxes(), QStringLiteral("07|65"));
        QVERIFY(test::screenshot(r.window, QStringLiteral("main-window-crc.png")));
        cmd->setText(QStringLiteral("1 1FF"));
        QTest::mouseClick(frame->cacCrc(), Qt::LeftButton);
        QCOMPARE(cmd->selectedText(), QStringLiteral("01 "));
        QCOMPARE(sent.size(), 0);
    }

    // "关于" in the last menu; the web link opens through the system's URL handler, and without
    // one (as offscreen) nothing is shown and the failure goes to kestrel.log.
    void aboutAndWebLink()
    {
        Rig r;
        auto *help = r.window->findChild<QMenu *>(QStringLiteral("menuHelp"));
        QCOMPARE(r.window->menuBar()->actions().last()->menu(), help);
        r.act(QStringLiteral("about"))->trigger();
        QCOMPARE(r.op.texts(), QStringList{QStringLiteral("当前版本为 v3.0.4")});
        auto *web = r.window->findChild<WebLabel *>(QStringLiteral("labWeb"));
        UrlRecorder browser;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");
        QTest::mouseClick(web, Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QCOMPARE(browser.urls, QList<QUrl>{QUrl(QString::fromLatin1(MakerSite))});
        setLogFolder(r.data.path());
        const QWidgetList before = QApplication::topLevelWidgets();
        QTest::mouseClick(web, Qt::LeftButton);
        QCOMPARE(QApplication::topLevelWidgets(), before);
        QCOMPARE(r.op.messages.size(), 1);
        QVERIFY(test::fileBytes(logFilePath()).contains(MakerSite));
        setLogFolder({});
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

    // A product, an address and 单个读取, then a polling run of 1..4 with the reading log on.
    void singleReadAndPollingRunThroughTheWindows()
    {
        ManualTime time;
        STATION_RIG(StationRig, r, QString::fromLatin1(kBus), time, time, {QStringLiteral("--fixed")});
        // Address 4 was identified in an earlier run (as a loaded configuration would say) and has gone
        // quiet.
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
        read(0, "1"); // 温湿度
        QTRY_COMPARE(box(1)->text(), QStringLiteral("45.6"));
        QVERIFY(test::screenshot(&w, QStringLiteral("main-window.png")));

        auto *loopR = w.findChild<QPushButton *>(QStringLiteral("cmdLoopR"));
        QTest::mouseClick(loopR, Qt::LeftButton);
        Dialog *dialog = nullptr;
        QTRY_VERIFY((dialog = w.findChild<Dialog *>()) && dialog->isVisible());
        dialog->findChild<QLineEdit *>(QStringLiteral("txtloopAdd_0"))->setText(QStringLiteral("1"));
        dialog->findChild<QLineEdit *>(QStringLiteral("txtloopAdd_1"))->setText(QStringLiteral("4"));
        dialog->findChild<QCheckBox *>(QStringLiteral("checkSave"))->setChecked(true);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("OKButton")), Qt::LeftButton);
        QTRY_COMPARE(loopR->text(), QStringLiteral("结束"));

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
        QVERIFY(test::screenshot(&w, QStringLiteral("main-window-polling.png")));

        QTest::mouseClick(loopR, Qt::LeftButton);
        Dialog1 *ask = nullptr;
        QTRY_VERIFY((ask = w.findChild<Dialog1 *>()) && ask->isVisible());
        QTest::mouseClick(ask->findChild<QPushButton *>(QStringLiteral("CancelButton")), Qt::LeftButton);
        QVERIFY(r.op.messages.isEmpty());

        // The log holds the readings of the two complete passes: T and RH of 1, CO2 of 2, T, RH and PM2.5
        // of 3.
        QCOMPARE(s.db.readings(time.now().addDays(-1), time.now().addDays(1)).value.size(), size_t(2 * 6));
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
        time.advance(7000);
        QCOMPARE(w.findChild<QLineEdit *>(QStringLiteral("TxtInput_0"))->text(), QStringLiteral("21.5"));
        // "实时曲线" writes the buffered reading to the day's record file.
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("cmdShow")), Qt::LeftButton);
        const QByteArray record =
            test::fileBytes(QDir(s.dataFolder).filePath(QStringLiteral("record/2026-12-6.txt")));
        QCOMPARE(record.count("\r\n"), 2); // header and one reading
        QTest::mouseClick(autoRead, Qt::LeftButton);
        QCOMPARE(autoRead->text(), QStringLiteral("开始"));
    }
};

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"

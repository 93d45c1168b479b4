// The CRC calculator's rules (normalising, the 50-byte limit, decimal and hexadecimal entry with
// their messages) and the real windows offscreen, on real serial ports: the port menu and button,
// port failures, the grid, the CRC frame and the help menu on pseudo-terminals; against kestrel-sim
// a single read through the menu and the value frame, and a polling run through the settings
// dialog with the reading log switched on. The curve and history buffers, what the curve windows
// draw (rendered offscreen and read back as pixels, or as the history page's segments), the hover
// readout, and both windows opened from the main window's "实时曲线" and fed through the station.
#include "busfile.h"
#include "chart.h"
#include "common/files.h"
#include "common/log.h"
#include "common/manualtime.h"
#include "common/recordingoperator.h"
#include "common/stationrig.h"
#include "common/timedwire.h"
#include "common/tr8.h"
#include "console/crcconsole.h"
#include "console/texts.h"
#include "curves/curvebuffers.h"
#include "curves/plotgeometry.h"
#include "curvewindow.h"
#include "devices/devicegrid.h"
#include "devices/devicetable.h"
#include "gridview.h"
#include "link/trafficmodel.h"
#include "recording/timedbuffer.h"
#include "staticchart.h"
#include "ui/aboutmenu.h"
#include "ui/crcframe.h"
#include "dialog.h"
#include "dialog1.h"
#include "lamp.h"
#include "ptylink.h"
#include "simbus.h"
#include "station/station.h"
#include "ui/frmroughin.h"
#include "ui/monitor.h"

#include <QDesktopServices>
#include <QtTest>
#include <QtWidgets>
#include <cmath>

using namespace kestrel;
using test::ManualTime;
using test::RecordingOperator;
using test::StationRig;
using test::TimedWire;

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

constexpr int Temp = 0, Hum = 1; // catalogue indexes
const QColor Yellow(255, 255, 0), Magenta(255, 0, 255), Red(255, 0, 0);

const auto timeOf = [](int second) -> QString {
    return QTime(0, 0).addSecs(second).toString(QStringLiteral("HH:mm:ss"));
};

// A reading of temperature and humidity only, taken `second` seconds after midnight.
void feed(CurveBuffers &b, int temperature, int humidity, int second = 0)
{
    std::array<int, 13> v{};
    v[Temp] = temperature, v[Hum] = humidity;
    b.addPoint(v, timeOf(second));
}

// The plot area of the real-time window at its first size.
QImage render(const CurveBuffers &b, plot::Ticked ticked)
{
    plot::Plot marks = plot::frame();
    plot::addRealTimeCurves(marks, b, ticked);
    QImage image(QSize(729, 409), QImage::Format_RGB32); // 10935 × 6135 twips
    paintPlot(image, marks);
    return image;
}

bool near(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) < 70 && std::abs(a.green() - b.green()) < 70 &&
           std::abs(a.blue() - b.blue()) < 70;
}

// Whether a pixel of the colour lies within `radius` pixels of the plot point (anywhere left of
// the legend when radius < 0).
bool hasColour(const QImage &image, QPointF at, int radius, QColor colour)
{
    const PlotScale scale{QSizeF(image.size())};
    const QPoint c = scale.toPixels(at).toPoint();
    const QRect area = radius < 0 ? QRect(QPoint(0, 0), scale.toPixels(QPointF(101, plot::Bottom)).toPoint())
                                  : QRect(c - QPoint(radius, radius), c + QPoint(radius, radius));
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.rect().contains(x, y) && near(image.pixelColor(x, y), colour))
                return true;
    return false;
}

// The history page's humidity segments, in order.
QList<QLineF> humiditySegments(const CurveBuffers &b, int page)
{
    plot::Ticked ticked{};
    ticked[Hum] = true;
    plot::Plot marks;
    plot::addHistoryPage(marks, b, page, ticked);
    QList<QLineF> lines;
    for (const plot::Mark &m : marks)
        if (m.kind == plot::Mark::Line && m.rgb == plot::quantityColour(Hum))
            lines << QLineF(m.a, m.b);
    return lines;
}

const auto humidityOfSample = [](int n) -> int { return n % 1000 + 1; };

// The darkest pixel of a row's address and name cells: the text colour.
int darkest(const QImage &img, const QRect &r)
{
    int least = 255;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            least = std::min(least, qGray(img.pixel(x, y)));
    return least;
}

// Counts the repaint passes of one top-level window.
struct RepaintCounter : QObject {
    int passes = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::UpdateRequest)
            ++passes;
        return false;
    }
};

// Device 2 answers every request with a bad CRC; 4 has gone quiet.
const char *kMonitorBus = "1 33 3 230415 0001 17 set=2:215 set=3:456\n"
                          "2 0 6 230415 0002 17 badcrc\n"
                          "3 49 9 230415 0003 17\n"
                          "4 0 6 230415 0004 17 silent\n";

TrafficRecord record(int address, const QByteArray &request, int sentMs, int responseMs,
                     const QByteArray &reply, Verdict v)
{
    TrafficRecord r;
    r.sentAt = QDateTime(QDate(2026, 12, 6), QTime(10, 0)).addMSecs(sentMs);
    r.receivedAt = r.sentAt.addMSecs(responseMs);
    r.request = QByteArray::fromHex(request);
    r.reply = QByteArray::fromHex(reply);
    r.address = uint8_t(address);
    r.function = 3;
    r.verdict = v;
    return r;
}

QStringList column(const QAbstractItemModel *m, int c)
{
    QStringList cells;
    for (int r = 0; r < m->rowCount(); ++r)
        cells << m->data(m->index(r, c)).toString();
    return cells;
}
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
        QTRY_COMPARE(w.findChild<QLineEdit *>(QStringLiteral("TxtInput_0"))->text(), QStringLiteral("21.5"));
        // "实时曲线" writes the buffered reading to the day's record file.
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("cmdShow")), Qt::LeftButton);
        const QByteArray record =
            test::fileBytes(QDir(s.dataFolder).filePath(QStringLiteral("record/2026-12-6.txt")));
        QCOMPARE(record.count("\r\n"), 2); // header and one reading
        QTest::mouseClick(autoRead, Qt::LeftButton);
        QCOMPARE(autoRead->text(), QStringLiteral("开始"));
    }

    // The record entry holds values by value box (PM10 in box 12); the curve by catalogue index.
    void recordEntryBecomesPoint_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("quantity");
        QTest::addColumn<int>("value");
        QTest::newRow("temperature") << 0 << "253" << Temp << 253;
        QTest::newRow("PM10 from the last box") << 12 << "77" << 5 << 77;
        QTest::newRow("half to even") << 1 << "12.5" << Hum << 12;
        QTest::newRow("blank") << 10 << "  " << 11 << 0;
        QTest::newRow("not a number") << 2 << "abc" << 2 << 0;
        QTest::newRow("too large is held at the top") << 2 << "65486" << 2 << 32767;
        QTest::newRow("too small is held at the bottom") << 2 << "-40000" << 2 << -32768;
    }

    void recordEntryBecomesPoint()
    {
        QFETCH(int, box);
        QFETCH(QString, text);
        QFETCH(int, quantity);
        QFETCH(int, value);
        CurveBuffers b;
        QSignalSpy added(&b, &CurveBuffers::pointAdded);
        RecordEntry e;
        e.time = QStringLiteral("14:31:37");
        e.values[size_t(box)] = text;
        b.saveDrawData(e);
        QCOMPARE(int(b.drawData(quantity, 49)), value);
        QCOMPARE(int(b.histData(0, quantity)), value);
        QCOMPARE(b.drawTime(49), QStringLiteral("14:31:37"));
        QCOMPARE(added.count(), 1);
    }

    void fiftyFirstReadingPushesOldestOut()
    {
        CurveBuffers b;
        for (int r = 1; r <= 51; ++r)
            feed(b, r, 0, r);
        QCOMPARE(int(b.drawData(Temp, 0)), 2);
        QCOMPARE(b.drawTime(0), timeOf(2));
        QCOMPARE(int(b.drawData(Temp, 49)), 51);
        QCOMPARE(b.histCount(), 51);
    }

    void historyWrapsAfterLastSample()
    {
        CurveBuffers b;
        for (int n = 0; n < CurveBuffers::Samples; ++n)
            feed(b, 0, humidityOfSample(n), n % 86400);
        QCOMPARE(b.histCount(), 0);
        feed(b, 0, 1999, 5);
        QCOMPARE(int(b.histData(0, Hum)), 1999);
        QCOMPARE(b.histTime(0), timeOf(5));
        QCOMPARE(int(b.histData(1, Hum)), humidityOfSample(1));
        QCOMPARE(b.histCount(), 1);
    }

    void drawing_data()
    {
        QTest::addColumn<QList<int>>("humidity"); // one reading per value, temperature 0
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<int>("radius");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<bool>("drawn");
        const QList<int> two{300, 700};
        QTest::newRow("grid line at 200 is yellow")
            << QList<int>{} << QPointF(51, 200) << 1 << Yellow << true;
        QTest::newRow("grid line at 250 is not") << QList<int>{} << QPointF(51, 250) << 1 << Yellow << false;
        QTest::newRow("segment between the two points") << two << QPointF(97, 500) << 0 << Magenta << true;
        QTest::newRow("older point carries a red circle") << two << QPointF(96, 300) << 2 << Red << true;
        QTest::newRow("newest point carries none") << two << QPointF(98, 700) << 2 << Red << false;
        QTest::newRow("first reading: no curve") << QList<int>{500} << QPointF() << -1 << Magenta << false;
        QTest::newRow("first reading: no circle") << QList<int>{500} << QPointF() << -1 << Red << false;
        QTest::newRow("unticked temperature is not drawn") << two << QPointF(97, 0) << 0 << Yellow << false;
    }

    void drawing()
    {
        QFETCH(QList<int>, humidity);
        QFETCH(QPointF, at);
        QFETCH(int, radius);
        QFETCH(QColor, colour);
        QFETCH(bool, drawn);
        CurveBuffers b;
        for (int h : humidity)
            feed(b, 0, h);
        plot::Ticked ticked{};
        ticked[Hum] = true;
        QCOMPARE(hasColour(render(b, ticked), at, radius, colour), drawn);
    }

    void historyPage_data()
    {
        QTest::addColumn<int>("samples");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("segments");
        QTest::addColumn<int>("j"); // the segment looked at
        QTest::addColumn<QLineF>("segment");
        const auto h = [](int n) { return double(humidityOfSample(n)); };
        QTest::newRow("one sample: frame only") << 1 << 0 << 0 << -1 << QLineF();
        QTest::newRow("page 1 starts at sample 50") << 120 << 1 << 51 << 0 << QLineF(0, h(50), 2, h(51));
        QTest::newRow("page 2 drops to 0 after sample 119")
            << 120 << 2 << 51 << 19 << QLineF(38, h(119), 40, 0);
        QTest::newRow("page 2 runs on the axis after") << 120 << 2 << 51 << 20 << QLineF(40, 0, 42, 0);
        QTest::newRow("page 1726 reaches into the margin")
            << CurveBuffers::Samples << 1726 << 51 << 50 << QLineF(100, h(86350), 102, h(86351));
        QTest::newRow("page 1727 stops at sample 86400")
            << CurveBuffers::Samples << 1727 << 50 << 49 << QLineF(98, h(86399), 100, h(86400));
    }

    void historyPage()
    {
        QFETCH(int, samples);
        QFETCH(int, page);
        QFETCH(int, segments);
        QFETCH(int, j);
        QFETCH(QLineF, segment);
        CurveBuffers b;
        for (int n = 0; n < samples; ++n)
            feed(b, 0, humidityOfSample(n), n % 86400);
        const QList<QLineF> lines = humiditySegments(b, page);
        QCOMPARE(lines.size(), segments);
        if (j >= 0)
            QCOMPARE(lines.at(j), segment);
    }

    void readout_data()
    {
        QTest::addColumn<bool>("history");
        QTest::addColumn<QPointF>("pointer");
        QTest::addColumn<QString>("names"); // empty: hidden
        QTest::addColumn<QString>("values");
        QTest::addColumn<QString>("time");
        // Readings 0..50 hold (250, 270) but reading 2, which holds (-5, 10); the curve's point 1 is
        // reading 2, the history's sample n reading n.
        const auto row = [](const char *name, bool history, QPointF pointer, const char *names = "",
                            const char *values = "", const QString &time = {}) {
            QTest::newRow(name) << history << pointer << QString::fromUtf8(names) << QString(values) << time;
        };
        row("two within 30 both appear", false, {98, 260}, "温度湿度", "250 270", timeOf(50));
        row("negative keeps its sign", false, {3, 0}, "温度湿度", "-5 10", timeOf(2));
        row("only the near one", false, {98, 240}, "温度", "250", timeOf(50));
        row("x = 99.6 hides", false, {99.6, 260});
        row("x = 0 hides", false, {0, 260});
        row("below -140 hides", false, {3, -141});
        row("none near hides", false, {50, 600});
        row("history: x = 99.6 is sample 50", true, {99.6, 260}, "温度湿度", "250 270", timeOf(50));
        row("history: x = 102 hides", true, {102, 260});
    }

    void readout()
    {
        QFETCH(bool, history);
        QFETCH(QPointF, pointer);
        QFETCH(QString, names);
        QFETCH(QString, values);
        QFETCH(QString, time);
        CurveBuffers b;
        for (int r = 0; r <= 50; ++r)
            r == 2 ? feed(b, -5, 10, r) : feed(b, 250, 270, r);
        plot::Ticked ticked{};
        ticked[Temp] = ticked[Hum] = true;
        const auto r =
            history ? plot::historyReadout(b, ticked, 0, pointer) : plot::realTimeReadout(b, ticked, pointer);
        QCOMPARE(r.has_value(), !names.isEmpty());
        if (!r)
            return;
        QCOMPARE(r->names, names);
        QCOMPARE(r->values, values);
        QCOMPARE(r->time, time);
    }

    // "实时曲线" on the main window, readings fed through the station, "历史曲线" and the scroll bar.
    void windowsFromMainWindow()
    {
        test::StationRig r({}, QtTimerFactory::instance(), SystemClock::instance(), {},
                           {{3, "/nonexistent/tty"}});
        Station &station = *r.station;
        frmroughin window(station);
        window.show();
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("cmdShow")), Qt::LeftButton);
        auto *c = window.findChild<chart *>(QStringLiteral("chart"));
        QVERIFY(c && QTest::qWaitForWindowExposed(c));

        // Plausible readings of a temperature, humidity and CO2 device, one every 5 seconds.
        for (int r = 0; r < 300; ++r) {
            RecordEntry e;
            e.time = timeOf(14 * 3600 + 5 * r);
            e.values[0] = QString::number(int(253 + 40 * std::sin(r / 9.0)));
            e.values[1] = QString::number(int(456 + 90 * std::cos(r / 13.0) + (r * 7) % 11));
            e.values[2] = QString::number(int(820 + 300 * std::sin(r / 17.0) + (r * 13) % 23));
            station.curves.saveDrawData(e);
        }
        QVERIFY(hasColour(c->pic()->picture(), QPointF(), -1, Magenta));

        // The pointer on point 30's humidity: the readout names it, its value and its time.
        const QPointF onPoint(60, station.curves.drawData(Hum, 30));
        QTest::mouseMove(c->pic(), PlotScale{QSizeF(c->pic()->size())}.toPixels(onPoint).toPoint());
        auto *label = c->findChild<QLabel *>(QStringLiteral("labDisplay"));
        QVERIFY(label->isVisible() && label->text().endsWith(station.curves.drawTime(30)));

        QTest::mouseClick(c->findChild<QPushButton *>(QStringLiteral("cmdSC")), Qt::LeftButton);
        auto *h = c->findChild<StaticChart *>(QStringLiteral("StaticChart"));
        QVERIFY(h && h->isVisible());
        auto *scroll = h->findChild<QScrollBar *>(QStringLiteral("HScroll1"));
        // Page 5 holds samples 250..299 and the unwritten sample 300: humidity ends on the axis.
        const auto pageShowsHumidityAt = [&](QPointF p) {
            return hasColour(h->pic()->picture(), p, 1, Magenta);
        };
        QVERIFY(!pageShowsHumidityAt(QPointF(101, 0)));
        const QPoint rightArrow(scroll->width() - 4, scroll->height() / 2);
        for (int i = 0; i < 5; ++i)
            QTest::mouseClick(scroll, Qt::LeftButton, {}, rightArrow);
        QCOMPARE(scroll->value(), 5);
        QVERIFY(pageShowsHumidityAt(QPointF(101, 0)));

        // Maximised, the plots grow with their windows; in the normal state they have their first sizes.
        const QSize first = c->pic()->size();
        c->showMaximized();
        QTRY_VERIFY(c->pic()->width() > first.width());
        c->showNormal();
        QTRY_COMPARE(c->pic()->size(), first);

        QVERIFY(test::screenshot(c, QStringLiteral("curve-window.png")));
        QVERIFY(test::screenshot(h, QStringLiteral("history-window.png")));
    }

    // The device grid's view draws an old row grey and a live row in the normal text colour.
    void oldRowsAreGrey()
    {
        DeviceTable table;
        table.at(1).alias = table.at(2).alias = QStringLiteral("WWWW");
        DeviceGrid grid;
        grid.build(1, 2, table);
        GridView view(grid);
        view.resize(400, 200);
        grid.setRowState(2, DeviceGrid::RowState::Old);
        const QImage img = view.viewport()->grab().toImage();
        const auto rowRect = [&](int row) {
            return view.visualRect(grid.index(row, 0))
                .united(view.visualRect(grid.index(row, 1)))
                .adjusted(1, 1, -1, -1);
        };
        QVERIFY(darkest(img, rowRect(1)) < 80);
        QCOMPARE(darkest(img, rowRect(2)), qGray(GridView::OldRowColor.rgb()));
    }

    // However many boxes a reading changes, the window repaints at most once per reading.
    void atMostOneRepaintPerReading()
    {
        QString busText; // T+RH+CO2+VOC+PM2.5 sensors: five boxes change per reading
        for (int a = 1; a <= 8; ++a)
            busText += QStringLiteral("%1 81 27 230415 0001 17\n").arg(a);
        ManualTime time;
        sim::SimBus bus(sim::parseBusText(busText).devices);
        TimedWire wire(bus, time);
        RecordingOperator op;
        QTemporaryDir data;
        Station s(wire, op, time, time, data.path());
        frmroughin w(s);
        s.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        for (int a = 1; a <= 8; ++a)
            s.devices.at(a) = {81, 27, 0, QStringLiteral("T+RH+CO2+VOC+PM2.5"), {}};
        s.devices.PollStart = 1;
        s.devices.PollEnd = 8;
        s.settings.setInterval(1);
        s.polling.cmdLoopR_Click();
        s.settingsRequest.accept();
        QTest::qWait(100); // the window settles at its polling width
        RepaintCounter counter;
        w.installEventFilter(&counter);
        int readings = 0;
        connect(&s.exchange, &Exchange::replyTaken, this, [&] { ++readings; });
        for (int i = 0; i < 24; ++i) {
            time.advance(1000);
            QCoreApplication::processEvents(); // the turn in which a window repaints
        }
        QCOMPARE(readings, 24);
        QVERIFY2(counter.passes <= readings, qPrintable(QString::number(counter.passes)));
        QVERIFY(counter.passes >= 1); // it does show the readings
    }

    // The operator closes the window while a polling tick waits for a silent device: the
    // program's loops end, the wait returns, and no transaction is left behind for the station
    // that is destroyed next.
    void closedDuringAWait()
    {
        ManualTime time(5000); // the injected time-out must not end the wait first
        sim::SimBus bus(sim::parseBusText(QStringLiteral("9 33 3 230415 0001 17 silent\n")).devices);
        TimedWire wire(bus, time);
        RecordingOperator op;
        QTemporaryDir data;
        auto s = std::make_unique<Station>(wire, op, time, time, data.path());
        auto w = std::make_unique<frmroughin>(*s);
        s->Form_Load();
        w->show();
        s->devices.at(9) = {33, 3, 0, QStringLiteral("T+RH"), {}};
        s->devices.PollStart = s->devices.PollEnd = 9;
        s->polling.cmdLoopR_Click();
        s->settingsRequest.accept();
        bool waiting = false;
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(20, [&] {
                waiting = s->exchange.busy();
                w->close(); // the last window: the application quits
            });
            time.advance(Polling::RestartMs); // the first tick, whose exchange waits
        });
        QApplication::exec();
        QVERIFY(waiting);
        QCOMPARE(s->exchange.transactionsLeft(), 0);
        w.reset();
        s.reset();
    }

    void pollingAFaultyBusWhileOpen()
    {
        ManualTime time;
        STATION_RIG(StationRig, r, QString::fromLatin1(kMonitorBus), time, time, {QStringLiteral("--fixed")});
        const uint8_t codes[][2] = {{33, 3}, {0, 6}, {49, 9}, {0, 6}};
        for (int a = 1; a <= 4; ++a) { // types known, as a loaded configuration would say
            s.devices.at(a).mixpro = codes[a - 1][0];
            s.devices.at(a).protype = codes[a - 1][1];
        }
        frmroughin w(s);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.findChild<QAction *>(QStringLiteral("mnuMonitor"))->trigger();
        auto *monitor = w.findChild<TrafficMonitor *>(QStringLiteral("frmMonitor"));
        QVERIFY(monitor && monitor->isVisible());
        QVERIFY(monitor->isWindow());

        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("cmdLoopR")), Qt::LeftButton);
        Dialog *dialog = nullptr;
        QTRY_VERIFY((dialog = w.findChild<Dialog *>()) && dialog->isVisible());
        dialog->findChild<QLineEdit *>(QStringLiteral("txtloopAdd_0"))->setText(QStringLiteral("1"));
        dialog->findChild<QLineEdit *>(QStringLiteral("txtloopAdd_1"))->setText(QStringLiteral("4"));
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("OKButton")), Qt::LeftButton);
        // Two passes over 1..4, each read a second after the one before; 4 makes the first 3 s longer
        // and the second ends in its wait.
        time.advance(100 + 7 * 1000 + Exchange::TimeLimitMs);
        s.polling.stop();
        appendLog(QStringLiteral("a handled failure"));
        time.advance(TrafficMonitor::RefreshMs);

        // The statistics: each device asked twice; 2's replies all refused, 4 never answers.
        monitor->findChild<QTabWidget *>()->setCurrentIndex(1);
        auto *stats = monitor->findChild<QTableView *>(QStringLiteral("statsView"))->model();
        QCOMPARE(column(stats, TrafficStatsModel::Address), (QStringList{"1", "2", "3", "4"}));
        QCOMPARE(column(stats, TrafficStatsModel::Requests), (QStringList{"2", "2", "2", "2"}));
        QCOMPARE(column(stats, TrafficStatsModel::Replies), (QStringList{"2", "2", "2", "0"}));
        QCOMPARE(column(stats, TrafficStatsModel::FirstVerdict),
                 (QStringList{"0", "0", "0", "2"})); // time-outs
        QCOMPARE(column(stats, TrafficStatsModel::FirstVerdict + 1),
                 (QStringList{"0", "2", "0", "0"})); // CRC

        auto *frames = monitor->findChild<QTableView *>(QStringLiteral("frameView"))->model();
        QCOMPARE(frames->rowCount(), 16); // 8 requests, 8 replies or time-outs
        QCOMPARE(column(frames, TrafficModel::VerdictColumn).count(QStringLiteral("正常")), 4);
        QCOMPARE(column(frames, TrafficModel::VerdictColumn).count(QStringLiteral("超时")), 2);
        monitor->findChild<QSpinBox *>(QStringLiteral("monitorAddress"))->setValue(2);
        QCOMPARE(column(frames, TrafficModel::Address), QStringList(4, QStringLiteral("2")));
        QCOMPARE(column(frames, TrafficModel::Direction), (QStringList{"发送", "接收", "发送", "接收"}));
        QCOMPARE(column(frames, TrafficModel::VerdictColumn), (QStringList{"", "CRC错误", "", "CRC错误"}));
        QCOMPARE(frames->data(frames->index(1, 0), Qt::ForegroundRole).value<QBrush>().color(),
                 QColor(Qt::red));
        QVERIFY(!frames->data(frames->index(0, 0), Qt::ForegroundRole).isValid());

        // The grid's old rows and their tooltips: the cause for a device whose last exchange failed;
        // none for a live one.
        auto *grid = w.findChild<QTableView *>(QStringLiteral("grid"));
        const auto tooltip = [grid](int row) {
            const QRect cell = grid->visualRect(grid->model()->index(row, 0));
            QHelpEvent e(QEvent::ToolTip, cell.center(), grid->viewport()->mapToGlobal(cell.center()));
            QCoreApplication::sendEvent(grid->viewport(), &e);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        const auto state = [grid](int row) {
            return grid->model()->index(row, 0).data(DeviceGrid::RowStateRole).toInt();
        };
        QCOMPARE(state(1), int(DeviceGrid::RowState::Live));
        QCOMPARE(state(4), int(DeviceGrid::RowState::Old)); // drawn grey
        QCOMPARE(tooltip(1), QString());
        QCOMPARE(tooltip(4), QStringLiteral("超时，最后正常读数：无"));
        QCOMPARE(tooltip(2), QStringLiteral("CRC错误，最后正常读数：无"));

        auto *log = monitor->findChild<QListWidget *>(QStringLiteral("logList"));
        QVERIFY(log->item(0)->text().endsWith(QStringLiteral(" a handled failure")));

        monitor->findChild<QTabWidget *>()->setCurrentIndex(0);
        monitor->findChild<QSpinBox *>(QStringLiteral("monitorAddress"))->setValue(0);
        QVERIFY(test::screenshot(monitor, QStringLiteral("monitor.png")));
        monitor->findChild<QTabWidget *>()->setCurrentIndex(1);
        QVERIFY(test::screenshot(monitor, QStringLiteral("monitor-statistics.png")));

        QTest::mouseClick(monitor->findChild<QPushButton *>(QStringLiteral("cmdMonitorReset")),
                          Qt::LeftButton);
        QCOMPARE(stats->rowCount(), 0);
    }

    // Pause holds the list; clear empties it; closed, the monitor takes nothing.
    void pauseClearAndClosed()
    {
        ManualTime time;
        Traffic traffic;
        test::RecordingOperator op;
        TrafficMonitor m(traffic, op, time, QString());
        m.show();
        auto *frames = m.findChild<QTableView *>(QStringLiteral("frameView"))->model();
        traffic.add(record(1, "010300020002", 0, 20, "", Verdict::Timeout));
        time.advance(TrafficMonitor::RefreshMs);
        QCOMPARE(frames->rowCount(), 2);
        auto *pause = m.findChild<QPushButton *>(QStringLiteral("cmdMonitorPause"));
        QTest::mouseClick(pause, Qt::LeftButton);
        QCOMPARE(pause->text(), QStringLiteral("继续"));
        traffic.add(record(1, "010300020002", 0, 20, "", Verdict::Timeout));
        time.advance(TrafficMonitor::RefreshMs);
        QCOMPARE(frames->rowCount(), 2);
        QTest::mouseClick(pause, Qt::LeftButton);
        time.advance(TrafficMonitor::RefreshMs);
        QCOMPARE(frames->rowCount(), 4);
        QTest::mouseClick(m.findChild<QPushButton *>(QStringLiteral("cmdMonitorClear")), Qt::LeftButton);
        QCOMPARE(frames->rowCount(), 0);
        m.hide();
        traffic.add(record(1, "010300020002", 0, 20, "", Verdict::Timeout));
        time.advance(10 * TrafficMonitor::RefreshMs);
        QCOMPARE(frames->rowCount(), 0);
    }

    void exportIsGbkWithCrLf()
    {
        ManualTime time;
        Traffic traffic;
        test::RecordingOperator op;
        QTemporaryDir dir;
        TrafficMonitor m(traffic, op, time, dir.filePath(QStringLiteral("export")));
        traffic.add(record(1, "010300020002 65cb", 0, 25, "01030400d701c8 4a0d", Verdict::Ok));
        traffic.add(record(2, "020300020002 65f8", 1000, 3000, "", Verdict::Timeout));
        m.show();
        const QString path = dir.filePath(QStringLiteral("frames.txt"));
        op.saveAnswers << path;
        QTest::mouseClick(m.findChild<QPushButton *>(QStringLiteral("cmdMonitorExport")), Qt::LeftButton);
        QCOMPARE(op.askedFolders, QStringList{dir.filePath(QStringLiteral("export"))});
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        // 时间 方向 地址 功能 数据 响应(ms) 结论; 发送, 接收, 正常, 超时
        const QByteArray expected =
            "\xca\xb1\xbc\xe4\t\xb7\xbd\xcf\xf2\t\xb5\xd8\xd6\xb7\t\xb9\xa6\xc4\xdc\t\xca\xfd\xbe\xdd\t"
            "\xcf\xec\xd3\xa6(ms)\t\xbd\xe1\xc2\xdb\r\n"
            "2026-12-06 10:00:00.000\t\xb7\xa2\xcb\xcd\t1\t03\t01 03 00 02 00 02 65 CB\t\t\r\n"
            "2026-12-06 10:00:00.025\t\xbd\xd3\xca\xd5\t1\t03\t01 03 04 00 D7 01 C8 4A "
            "0D\t25\t\xd5\xfd\xb3\xa3\r\n"
            "2026-12-06 10:00:01.000\t\xb7\xa2\xcb\xcd\t2\t03\t02 03 00 02 00 02 65 F8\t\t\r\n"
            "2026-12-06 10:00:04.000\t\xbd\xd3\xca\xd5\t2\t03\t\t3000\t\xb3\xac\xca\xb1\r\n";
        QCOMPARE(f.readAll(), expected);
        QVERIFY(op.messages.isEmpty());
    }
};

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"

// The CRC calculator's rules (normalising, the 50-byte limit, decimal and hexadecimal entry with
// their messages) and the real windows offscreen: the port menu, button and lamp and a port failure
// on pseudo-terminals; on kestrel-sim's bus model with injected time the CRC frame, the help menu,
// the grid's wheel, a single read through the menu and the value frame, and a polling run over a
// faulty bus through the settings dialog with the traffic monitor open. The curve and history
// buffers, what the curve windows draw (rendered offscreen and read back as pixels, or as the
// history page's segments), the hover readout, and both windows opened from the main window's
// "实时曲线" and fed through the station. Repaints per reading, closing during a wait, and the
// monitor's export, pause and clear.
#include "chart.h"
#include "common/busrig.h"
#include "common/files.h"
#include "common/log.h"
#include "common/stationrig.h"
#include "console/crcconsole.h"
#include "console/texts.h"
#include "curves/plotgeometry.h"
#include "gridview.h"
#include "link/trafficmodel.h"
#include "staticchart.h"
#include "ui/aboutmenu.h"
#include "ui/crcframe.h"
#include "dialog.h"
#include "dialog1.h"
#include "lamp.h"
#include "ptylink.h"
#include "ui/frmroughin.h"
#include "ui/monitor.h"

#include <QtTest>
#include <QtWidgets>

using namespace kestrel;
using test::BusRig;
using test::ManualTime;
using test::RecordingOperator;
using test::StationRig;

namespace {

template <class T = QWidget> T *child(const QObject *parent, const QString &name)
{
    return parent->findChild<T *>(name);
}
void click(const QObject *parent, const QString &button)
{
    QTest::mouseClick(child<QAbstractButton>(parent, button), Qt::LeftButton);
}

// A pseudo-terminal for COM5, its far end kept open as a wire would be; COM3 and COM6 missing.
const char *Missing = "/nonexistent/kestrel-tty";
struct Ptys {
    sim::RawPty com5 = *sim::openRawPty();
    ~Ptys() { sim::closeRawPty(com5); }
};
struct Rig : Ptys, StationRig {
    frmroughin window{*station};
    Rig()
        : StationRig({}, QtTimerFactory::instance(), SystemClock::instance(), {},
                     {{3, Missing}, {5, com5.device}, {6, Missing}})
    {
        window.show();
    }
    QAction *act(const QString &name) { return child<QAction>(&window, name); }
    QString checked(const QString &prefix) // the checked items' captions
    {
        QStringList c;
        for (QAction *a : window.findChildren<QAction *>(QRegularExpression('^' + prefix)))
            if (a->isChecked())
                c << a->text();
        return c.join(' ');
    }
    // Open or closed, the checked port items, the button's caption, the lamp.
    QStringList state()
    {
        return {port->isOpen() ? "open" : "closed", checked("mnu_com_\\d"),
                child<QPushButton>(&window, "Com")->text(), child<Lamp>(&window, "shape1")->color().name()};
    }
};

// A main window on a station over the bus model.
struct WindowRig : BusRig {
    Station &s = *station;
    frmroughin w{s};
    explicit WindowRig(const QString &bus) : BusRig(bus) { w.show(); }
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
// Table rows: CRC entries; record entries; pixels of the plot; history page segments; readouts.
struct CrcCase {
    bool hex;
    QString typed, command, high, low; // the command box and the CRC boxes afterwards
    const char *message = nullptr;     // title "Error"
    bool selectAll = false;
};
struct Entry {
    int box;
    QString text;
    int quantity, value;
};
struct Dot {
    QList<int> humidity;
    QPointF at;
    int radius;
    QColor colour;
    bool drawn;
};
struct Page {
    int samples, page, segments, j;
    QLineF segment;
};
struct Readout {
    bool history;
    QPointF pointer;
    QString names = {}, values = {}, time = {};
};
const auto humidityOfSample = [](int n) -> int { return n % 1000 + 1; };

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

// The darkest pixel of a row's address and name cells as drawn: the text colour.
int darkest(QTableView *view, int row)
{
    const QImage img = view->viewport()->grab().toImage();
    const QRect r = view->visualRect(view->model()->index(row, 0))
                        .united(view->visualRect(view->model()->index(row, 1)))
                        .adjusted(1, 1, -1, -1);
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
        passes += e->type() == QEvent::UpdateRequest;
        return false;
    }
};

TrafficRecord record(int address, const char *request, int sentMs, int responseMs, const char *reply,
                     Verdict v)
{
    const QDateTime at = QDateTime(QDate(2026, 12, 6), QTime(10, 0)).addMSecs(sentMs);
    const QByteArray frame = QByteArray::fromHex(request), answer = QByteArray::fromHex(reply);
    return {at, at.addMSecs(responseMs), frame, answer, uint8_t(address), 3, v};
}

QStringList column(const QAbstractItemModel *m, int c)
{
    QStringList cells;
    for (int r = 0; r < m->rowCount(); ++r)
        cells << m->data(m->index(r, c)).toString();
    return cells;
}
} // namespace

Q_DECLARE_METATYPE(CrcCase)
Q_DECLARE_METATYPE(Entry)
Q_DECLARE_METATYPE(Dot)
Q_DECLARE_METATYPE(Page)
Q_DECLARE_METATYPE(Readout)

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
    // COM3 is missing at start-up: the failure is told, and its item stays checked. The port
    // menus, the button and the lamp then follow the port; an adapter pulled out is reported and
    // leaves every item unchecked, as does a port the menu cannot open.
    void portMenusButtonAndFailures()
    {
        Rig r;
        QCOMPARE(r.state(), (QStringList{"closed", "COM3", "打开串口", "#000000"}));
        QCOMPARE(r.act("mnu_com_2")->toolTip(), Missing);
        QCOMPARE(r.op.messages.size(), 1);
        const QString text = r.op.messages.first().text; // the source and line go to the log only
        const QRegularExpression shape(u"^应用程序出错!\r\n错误代号：\\d+\r\n错误描述：[^\r\n]+\r\n$"_qs);
        QVERIFY2(shape.match(text).hasMatch(), qPrintable(text));
        QCOMPARE(r.op.messages.first().icon, Operator::Icon::Question);
        // COM5 opens and says so; a baud item keeps it open and checks only itself.
        r.act("mnu_com_4")->trigger();
        QCOMPARE(r.op.texts().last(), "COM5成功打开");
        r.act("mnuBaudRate_5")->trigger();
        QCOMPARE(r.checked("mnuBaudRate_"), "115200");
        QCOMPARE(r.state(), (QStringList{"open", "COM5", "关闭串口", "#ff0000"}));
        // "串口关闭" closes the port but leaves the caption and the lamp.
        r.act("mnu_comclose")->trigger();
        QCOMPARE(r.state(), (QStringList{"closed", "", "关闭串口", "#ff0000"}));
        // Every entry box of the window and of the settings dialog (its child) has its caption as buddy.
        r.station->polling.cmdLoopR_Click();
        QCOMPARE(r.station->polling.phase(), Polling::Phase::AwaitingSettings);
        const QList<QLabel *> labels = r.window.findChildren<QLabel *>();
        const QList<QLineEdit *> boxes = r.window.findChildren<QLineEdit *>();
        QVERIFY(boxes.size() >= 3 + 13 + 4 + 3); // the dialog, values, address and custom, device frame
        for (QLineEdit *box : boxes)
            QVERIFY2(std::any_of(labels.begin(), labels.end(),
                                 [box](QLabel *l) { return l->buddy() == box && !l->text().isEmpty(); }),
                     qPrintable(box->objectName()));
        // The button: the first click closes and stops polling, the next opens.
        click(&r.window, "Com");
        QCOMPARE(r.station->polling.phase(), Polling::Phase::Stopped);
        QCOMPARE(r.state(), (QStringList{"closed", "", "打开串口", "#000000"}));
        click(&r.window, "Com");
        QCOMPARE(r.state(), (QStringList{"open", "COM5", "关闭串口", "#ff0000"}));
        const qsizetype told = r.op.messages.size();
        sim::closeRawPty(r.com5); // the adapter is pulled out
        QTRY_VERIFY(!r.port->isOpen());
        QCOMPARE(r.op.messages.size(), told + 1);
        QCOMPARE(r.op.messages.last().icon, Operator::Icon::Question);
        QCOMPARE(r.state(), (QStringList{"closed", "", "打开串口", "#000000"}));
        r.act("mnu_com_5")->trigger(); // COM6 cannot be opened
        QCOMPARE(r.state(), (QStringList{"closed", "", "打开串口", "#000000"}));
        QCOMPARE(r.op.messages.size(), told + 2);
    }

    // Every case starts with the CRC of a read of address 0 (DB 85 on the wire) in the boxes.
    void cacCrc_data()
    {
        QTest::addColumn<CrcCase>("c");
        const auto row = [](const char *name, const CrcCase &c) { QTest::newRow(name) << c; };
        row("hex rewritten to two digits", {true, "1 3 0 0 0 1", "01 03 00 00 00 01 ", "0A", "84"});
        row("decimal", {false, "1 3 0 0 0 1", "1 3 0 0 0 1", "10", "132"});
        row("blanks at the ends and runs", {false, "  1   3 0  0 0    1  ", "1 3 0 0 0 1", "10", "132"});
        row("tab and ideographic space", {true, "\t1\t3 0\u30000 0 1\n", "01 03 00 00 00 01 ", "0A", "84"});
        row("hex of any case and length", {true, "d 3 0 002 00 2", "0D 03 00 02 00 02 ", "07", "65"});
        row("zz counts as 00, 3g as 03", {true, "1 3g 0 0 zz 1", "01 03 00 00 00 01 ", "0A", "84"});
        row("decimal halves to even", {false, "13 3 0 2.5 0 1.5", "13 3 0 2.5 0 1.5", "7", "101"});
        // A frame followed by its CRC leaves 0; zero bytes after that keep it 0.
        const QString frame50 = "1 3 0 0 0 1 132 10" + QString(" 0").repeated(42);
        row("50 bytes accepted", {false, frame50, frame50, "0", "0"});
        row("51 bytes refused",
            {false, " " + frame50 + "  0", frame50 + " 0", "219", "133", texts::console::TooManyBytes, true});
        row("decimal 300", {false, "1 3 300", "1 3 300", "219", "133", texts::console::ByteOutOfRange});
        row("decimal 255.5", {false, "255.5", "255.5", "219", "133", texts::console::ByteOutOfRange});
        row("not a number empties the boxes", {false, "1 x 3", "1 x 3", "", "", texts::console::NotDecimal});
        row("hex 1FF keeps the parts before it",
            {true, "1 1ff 3", "01 ", "DB", "85", texts::console::ByteOutOfRange, true});
        row("hex of many digits", {true, "0000000001 FFFFFFFFFFFFFFFFFFFF", "01 ", "DB", "85",
                                   texts::console::ByteOutOfRange, true});
        row("empty", {false, "", "", "219", "133", texts::console::NoCommand});
        row("blanks only", {true, "   ", "", "DB", "85", texts::console::NoCommand});
    }
    void cacCrc()
    {
        QFETCH(CrcCase, c);
        RecordingOperator op;
        CrcConsole console(op);
        console.setHex(c.hex);
        console.setCommand("0 3 0 0 0 1");
        QVERIFY(console.cacCrc_Click());
        QSignalSpy selected(&console, &CrcConsole::selectAllRequested);
        console.setCommand(c.typed);
        QCOMPARE(console.cacCrc_Click(), !c.message);
        QCOMPARE(console.command(), c.command);
        QCOMPARE(console.crcHigh(), c.high);
        QCOMPARE(console.crcLow(), c.low);
        QCOMPARE(op.texts(), c.message ? QStringList{tr8(c.message)} : QStringList());
        QCOMPARE(op.messages.value(0).title, c.message ? tr8(texts::console::ErrorTitle) : QString());
        QCOMPARE(!selected.isEmpty(), c.selectAll);
    }

    // The CRC frame: the key rule while typing, the check box selecting the command for retyping,
    // the button and Enter calculating; nothing goes to the port. Then "关于" in the last menu; the
    // web link opens through the system's URL handler, and without one (as offscreen) nothing is
    // shown and the failure goes to kestrel.log. Then the mouse wheel paging the grid.
    void crcFrameAboutAndGrid()
    {
        WindowRig r(test::sensor(1));
        auto *frame = child<CrcFrame>(&r.w, "framCRC");
        QVERIFY(frame && frame->isVisible());
        QLineEdit *cmd = frame->txtSendCmd();
        const auto boxes = [frame] { return frame->txtcrchig()->text() + u'|' + frame->txtcrclow()->text(); };
        QTest::keyClicks(cmd, "1 3 0 0 0 1x"); // a letter, then a full-width digit
        QTest::sendKeyEvent(QTest::Click, cmd, Qt::Key_unknown, QStringLiteral("\uFF17"), Qt::NoModifier);
        QCOMPARE(cmd->text(), "1 3 0 0 0 1");
        QCOMPARE(r.op.texts(), QStringList(2, tr8(texts::console::TypeDecimal)));
        QCOMPARE(r.op.messages.value(0).title, QString()); // the application title
        QTest::mouseClick(frame->cacCrc(), Qt::LeftButton);
        QCOMPARE(boxes(), "10|132");
        QTest::mouseClick(frame->check1(), Qt::LeftButton);
        QCOMPARE(cmd->selectedText(), cmd->text());
        QTest::keyClicks(cmd, "d 3 0 2 0 2g3"); // hex letters in upper case, g refused
        QTest::keyClick(cmd, Qt::Key_Backspace);
        QCOMPARE(cmd->text(), "D 3 0 2 0 2");
        QCOMPARE(r.op.texts().value(2), tr8(texts::console::TypeHex));
        QTest::keyClick(cmd, Qt::Key_Enter);
        QCOMPARE(boxes(), "07|65");
        QVERIFY(test::screenshot(&r.w, "main-window-crc.png"));
        cmd->setText("1 1FF");
        QTest::mouseClick(frame->cacCrc(), Qt::LeftButton);
        QCOMPARE(cmd->selectedText(), "01 ");
        QCOMPARE(r.sent.size(), 0);

        r.op.messages.clear();
        QCOMPARE(r.w.menuBar()->actions().last()->menu(), child<QMenu>(&r.w, "menuHelp"));
        child<QAction>(&r.w, "about")->trigger();
        QCOMPARE(r.op.texts(), QStringList{"当前版本为 v3.0.4"});
        auto *web = child<WebLabel>(&r.w, "labWeb");
        UrlRecorder browser;
        QDesktopServices::setUrlHandler("https", &browser, "open");
        QTest::mouseClick(web, Qt::LeftButton);
        QDesktopServices::unsetUrlHandler("https");
        QCOMPARE(browser.urls, QList<QUrl>{QUrl(MakerSite)});
        setLogFolder(r.data.path());
        const QWidgetList before = QApplication::topLevelWidgets();
        QTest::mouseClick(web, Qt::LeftButton);
        QCOMPARE(QApplication::topLevelWidgets(), before);
        QCOMPARE(r.op.messages.size(), 1);
        QVERIFY(test::fileBytes(logFilePath()).contains(MakerSite));
        setLogFolder({});

        // The wheel pages the grid: a notch a page; nothing for several at once or with a key held.
        r.s.grid.build(1, 255, r.s.devices);
        r.s.panel.setWindowWidth(Panel::WideWidth);
        auto *grid = child<QTableView>(&r.w, "grid");
        QTRY_VERIFY(grid->isVisible()); // the window renders a moment later
        grid->setFocus();
        QTRY_VERIFY(grid->hasFocus());
        grid->setCurrentIndex(r.s.grid.index(1, 0));
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

    // 单个读取 (the product menu and the address box: tst_productside). Then, with the traffic monitor open,
    // a polling run of 1..4 through the settings dialog with the reading log on: device 3 answers every
    // request with a bad CRC, 4 has gone quiet. The monitor's frames, statistics and log, the grid's old rows
    // as drawn and their tooltips; "结束" and the save question.
    void singleReadThenPollingAFaultyBus()
    {
        WindowRig r("1 33 3 230415 0001 17 set=2:215 set=3:456\n2 0 6 230415 0002 17 set=6:612\n"
                    "3 49 9 230415 0003 17 badcrc\n4 0 6 230415 0004 17 silent\n");
        const uint8_t codes[][2] = {{33, 3}, {0, 6}, {49, 9}, {0, 6}};
        for (int a = 1; a <= 4; ++a) // types known, as a loaded configuration would say
            r.s.devices.at(a) = {codes[a - 1][0], codes[a - 1][1], 0, {}, {}};
        QVERIFY(QTest::qWaitForWindowExposed(&r.w));
        click(&r.w, "CMDRHTread"); // 温湿度 at address 1, as the window starts
        QTRY_COMPARE(child<QLineEdit>(&r.w, "TxtInput_1")->text(), "45.6");
        QVERIFY(test::screenshot(&r.w, "main-window.png"));

        child<QAction>(&r.w, "mnuMonitor")->trigger();
        auto *monitor = child<TrafficMonitor>(&r.w, "frmMonitor");
        QVERIFY(monitor && monitor->isVisible() && monitor->isWindow());
        click(&r.w, "cmdLoopR");
        Dialog *d = nullptr;
        QTRY_VERIFY((d = r.w.findChild<Dialog *>()) && d->isVisible());
        QVERIFY(!child(&r.w, "Frame5")->isEnabled()); // the frames wait for the answer
        child<QLineEdit>(d, "txtloopAdd_0")->setText("1");
        child<QLineEdit>(d, "txtloopAdd_1")->setText("4");
        child<QCheckBox>(d, "checkSave")->setChecked(true);
        click(d, "OKButton");
        QVERIFY(child(&r.w, "Frame5")->isEnabled());
        QTRY_COMPARE(child<QPushButton>(&r.w, "cmdLoopR")->text(), "结束");
        // Two passes over 1..4, each read a second after the one before; 4 makes each pass 3 s longer.
        r.advance(100 + 8 * 1000 + 2 * Exchange::TimeLimitMs);
        appendLog("a handled failure");
        r.advance(TrafficMonitor::RefreshMs);
        auto *grid = child<QTableView>(&r.w, "grid");
        QCOMPARE(grid->columnWidth(5), 0); // VOC: nobody measures it
        QVERIFY(grid->columnWidth(4) > 0);
        QVERIFY(test::screenshot(&r.w, "main-window-polling.png"));

        // The statistics of 1..4: 3's replies all refused, 4 never answers.
        monitor->findChild<QTabWidget *>()->setCurrentIndex(1);
        auto *stats = child<QTableView>(monitor, "statsView")->model();
        // The time-outs, then the CRC errors.
        QCOMPARE(column(stats, TrafficStatsModel::FirstVerdict), (QStringList{"0", "0", "0", "2"}));
        QCOMPARE(column(stats, TrafficStatsModel::FirstVerdict + 1), (QStringList{"0", "0", "2", "0"}));
        auto *frames = child<QTableView>(monitor, "frameView")->model();
        child<QSpinBox>(monitor, "monitorAddress")->setValue(3);
        QCOMPARE(column(frames, TrafficModel::VerdictColumn), (QStringList{"", "CRC错误", "", "CRC错误"}));
        QCOMPARE(frames->data(frames->index(1, 0), Qt::ForegroundRole).value<QBrush>().color(), Qt::red);
        QVERIFY(child<QListWidget>(monitor, "logList")->item(0)->text().endsWith(" a handled failure"));

        // An old row is drawn grey (the darkest pixel of its address digit), a live one in the text
        // colour; the tooltip gives an old row's cause.
        const auto tooltip = [grid](int row) {
            const QRect cell = grid->visualRect(grid->model()->index(row, 0));
            QHelpEvent e(QEvent::ToolTip, cell.center(), grid->viewport()->mapToGlobal(cell.center()));
            QCoreApplication::sendEvent(grid->viewport(), &e);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        QVERIFY(darkest(grid, 1) < 80);
        QVERIFY(std::abs(darkest(grid, 4) - qGray(GridView::OldRowColor.rgb())) < 8);
        QCOMPARE(tooltip(1), QString());
        QCOMPARE(tooltip(3), "CRC错误，最后正常读数：无");

        monitor->findChild<QTabWidget *>()->setCurrentIndex(0);
        child<QSpinBox>(monitor, "monitorAddress")->setValue(0);
        QVERIFY(test::screenshot(monitor, "monitor.png"));
        monitor->findChild<QTabWidget *>()->setCurrentIndex(1);
        QVERIFY(test::screenshot(monitor, "monitor-statistics.png"));
        click(monitor, "cmdMonitorReset");
        QCOMPARE(stats->rowCount(), 0);

        click(&r.w, "cmdLoopR");
        Dialog1 *ask = nullptr;
        QTRY_VERIFY((ask = r.w.findChild<Dialog1 *>()) && ask->isVisible());
        click(ask, "CancelButton");
        QVERIFY(r.op.messages.isEmpty());
        // The log holds the readings of the two complete passes: T and RH of 1, CO2 of 2.
        QCOMPARE(r.logged(), 2 * 3);

        // Cleared, the list takes what comes next; exported, it goes in GBK with CR LF to the file
        // the operator names; paused, it holds; closed, it takes nothing.
        const auto add = [&](const TrafficRecord &t) {
            r.s.traffic.add(t);
            r.advance(TrafficMonitor::RefreshMs);
            return frames->rowCount();
        };
        click(monitor, "cmdMonitorClear");
        add(record(1, "010300020002 65cb", 0, 25, "01030400d701c8 4a0d", Verdict::Ok));
        QCOMPARE(add(record(2, "020300020002 65f8", 1000, 3000, "", Verdict::Timeout)), 4);
        r.op.saveAnswers << r.data.filePath("frames.txt");
        click(monitor, "cmdMonitorExport");
        QCOMPARE(r.op.askedFolders, QStringList{r.data.filePath("export")});
        // 时间 方向 地址 功能 数据 响应(ms) 结论; 发送, 接收, 正常, 超时
        const QByteArray expected =
            "\xca\xb1\xbc\xe4\t\xb7\xbd\xcf\xf2\t\xb5\xd8\xd6\xb7\t\xb9\xa6\xc4\xdc\t\xca\xfd\xbe\xdd\t"
            "\xcf\xec\xd3\xa6(ms)\t\xbd\xe1\xc2\xdb\r\n"
            "2026-12-06 10:00:00.000\t\xb7\xa2\xcb\xcd\t1\t03\t01 03 00 02 00 02 65 CB\t\t\r\n"
            "2026-12-06 10:00:00.025\t\xbd\xd3\xca\xd5\t1\t03\t01 03 04 00 D7 01 C8 4A "
            "0D\t25\t\xd5\xfd\xb3\xa3\r\n"
            "2026-12-06 10:00:01.000\t\xb7\xa2\xcb\xcd\t2\t03\t02 03 00 02 00 02 65 F8\t\t\r\n"
            "2026-12-06 10:00:04.000\t\xbd\xd3\xca\xd5\t2\t03\t\t3000\t\xb3\xac\xca\xb1\r\n";
        QCOMPARE(test::fileBytes(r.data.filePath("frames.txt")), expected);
        QVERIFY(r.op.messages.isEmpty());
        click(monitor, "cmdMonitorPause");
        QCOMPARE(child<QPushButton>(monitor, "cmdMonitorPause")->text(), "继续");
        QCOMPARE(add(record(1, "010300020002", 0, 20, "", Verdict::Timeout)), 4);
        click(monitor, "cmdMonitorPause");
        QCOMPARE(add(record(1, "010300020002", 0, 20, "", Verdict::Timeout)), 8);
        click(monitor, "cmdMonitorClear");
        monitor->hide();
        QCOMPARE(add(record(1, "010300020002", 0, 20, "", Verdict::Timeout)), 0);
    }

    // The record entry holds values by value box (PM10 in box 12); the curve by catalogue index.
    void recordEntryBecomesPoint_data()
    {
        QTest::addColumn<Entry>("e");
        QTest::newRow("temperature") << Entry{0, "253", Temp, 253};
        QTest::newRow("PM10 from the last box") << Entry{12, "77", 5, 77};
        QTest::newRow("half to even") << Entry{1, "12.5", Hum, 12};
        QTest::newRow("blank") << Entry{10, "  ", 11, 0};
        QTest::newRow("not a number") << Entry{2, "abc", 2, 0};
        QTest::newRow("too large is held at the top") << Entry{2, "65486", 2, 32767};
        QTest::newRow("too small is held at the bottom") << Entry{2, "-40000", 2, -32768};
    }
    void recordEntryBecomesPoint()
    {
        QFETCH(Entry, e);
        CurveBuffers b;
        QSignalSpy added(&b, &CurveBuffers::pointAdded);
        RecordEntry entry;
        entry.time = "14:31:37";
        entry.values[size_t(e.box)] = e.text;
        b.saveDrawData(entry);
        QCOMPARE(int(b.drawData(e.quantity, 49)), e.value);
        QCOMPARE(int(b.histData(0, e.quantity)), e.value);
        QCOMPARE(b.drawTime(49), "14:31:37");
        QCOMPARE(added.count(), 1);
    }

    // The 51st reading pushes the oldest point out of the curve; the history wraps after its last sample.
    void buffersRollOver()
    {
        CurveBuffers b;
        for (int n = 0; n < CurveBuffers::Samples; ++n) {
            feed(b, n % 1000, humidityOfSample(n), n % 86400);
            if (n != 50)
                continue;
            QCOMPARE(int(b.drawData(Temp, 0)), 1);
            QCOMPARE(b.drawTime(0), timeOf(1));
            QCOMPARE(int(b.drawData(Temp, 49)), 50);
            QCOMPARE(b.histCount(), 51);
        }
        QCOMPARE(b.histCount(), 0);
        feed(b, 0, 1999, 5);
        QCOMPARE(int(b.histData(0, Hum)), 1999);
        QCOMPARE(b.histTime(0), timeOf(5));
        QCOMPARE(int(b.histData(1, Hum)), humidityOfSample(1));
        QCOMPARE(b.histCount(), 1);
    }

    // Humidity ticked, one reading per value (temperature 0), the plot at the window's first size.
    void drawing_data()
    {
        QTest::addColumn<Dot>("d");
        const QList<int> two{300, 700};
        QTest::newRow("grid line at 200 is yellow") << Dot{{}, {51, 200}, 1, Yellow, true};
        QTest::newRow("grid line at 250 is not") << Dot{{}, {51, 250}, 1, Yellow, false};
        QTest::newRow("segment between the two points") << Dot{two, {97, 500}, 0, Magenta, true};
        QTest::newRow("older point carries a red circle") << Dot{two, {96, 300}, 2, Red, true};
        QTest::newRow("newest point carries none") << Dot{two, {98, 700}, 2, Red, false};
        QTest::newRow("first reading: no curve") << Dot{{500}, {}, -1, Magenta, false};
        QTest::newRow("first reading: no circle") << Dot{{500}, {}, -1, Red, false};
        QTest::newRow("unticked temperature is not drawn") << Dot{two, {97, 0}, 0, Yellow, false};
    }
    void drawing()
    {
        QFETCH(Dot, d);
        CurveBuffers b;
        for (int h : d.humidity)
            feed(b, 0, h);
        plot::Ticked ticked{};
        ticked[Hum] = true;
        plot::Plot marks = plot::frame();
        plot::addRealTimeCurves(marks, b, ticked);
        QImage image(QSize(729, 409), QImage::Format_RGB32); // 10935 × 6135 twips
        paintPlot(image, marks);
        QCOMPARE(hasColour(image, d.at, d.radius, d.colour), d.drawn);
    }

    // The history page's humidity segments: how many, and the segment j.
    void historyPage_data()
    {
        QTest::addColumn<Page>("p");
        const auto h = [](int n) { return double(humidityOfSample(n)); };
        const int all = CurveBuffers::Samples;
        QTest::newRow("one sample: frame only") << Page{1, 0, 0, -1, {}};
        QTest::newRow("page 1 starts at sample 50") << Page{120, 1, 51, 0, {0, h(50), 2, h(51)}};
        QTest::newRow("page 2 drops to 0 after sample 119") << Page{120, 2, 51, 19, {38, h(119), 40, 0}};
        QTest::newRow("page 2 runs on the axis after") << Page{120, 2, 51, 20, {40, 0, 42, 0}};
        QTest::newRow("page 1726 reaches into the margin")
            << Page{all, 1726, 51, 50, {100, h(86350), 102, h(86351)}};
        QTest::newRow("page 1727 stops at sample 86400")
            << Page{all, 1727, 50, 49, {98, h(86399), 100, h(86400)}};
    }
    void historyPage()
    {
        QFETCH(Page, p);
        CurveBuffers b;
        for (int n = 0; n < p.samples; ++n)
            feed(b, 0, humidityOfSample(n), n % 86400);
        plot::Ticked ticked{};
        ticked[Hum] = true;
        plot::Plot marks;
        plot::addHistoryPage(marks, b, p.page, ticked);
        QList<QLineF> lines;
        for (const plot::Mark &m : marks)
            if (m.kind == plot::Mark::Line && m.rgb == plot::quantityColour(Hum))
                lines << QLineF(m.a, m.b);
        QCOMPARE(lines.size(), p.segments);
        if (p.j >= 0)
            QCOMPARE(lines.at(p.j), p.segment);
    }

    // Readings 0..50 hold (250, 270) but reading 2, which holds (-5, 10); the curve's point 1 is
    // reading 2, the history's sample n reading n. No names: the readout is hidden.
    void readout_data()
    {
        QTest::addColumn<Readout>("want");
        QTest::newRow("two within 30 both appear")
            << Readout{false, {98, 260}, "温度湿度", "250 270", timeOf(50)};
        QTest::newRow("negative keeps its sign") << Readout{false, {3, 0}, "温度湿度", "-5 10", timeOf(2)};
        QTest::newRow("only the near one") << Readout{false, {98, 240}, "温度", "250", timeOf(50)};
        QTest::newRow("x = 99.6 hides") << Readout{false, {99.6, 260}};
        QTest::newRow("x = 0 hides") << Readout{false, {0, 260}};
        QTest::newRow("below -140 hides") << Readout{false, {3, -141}};
        QTest::newRow("none near hides") << Readout{false, {50, 600}};
        QTest::newRow("history: x = 99.6 is sample 50")
            << Readout{true, {99.6, 260}, "温度湿度", "250 270", timeOf(50)};
        QTest::newRow("history: x = 102 hides") << Readout{true, {102, 260}};
    }
    void readout()
    {
        QFETCH(Readout, want);
        CurveBuffers b;
        for (int r = 0; r <= 50; ++r)
            r == 2 ? feed(b, -5, 10, r) : feed(b, 250, 270, r);
        plot::Ticked ticked{};
        ticked[Temp] = ticked[Hum] = true;
        const auto r = want.history ? plot::historyReadout(b, ticked, 0, want.pointer)
                                    : plot::realTimeReadout(b, ticked, want.pointer);
        QCOMPARE(r.has_value(), !want.names.isEmpty());
        if (!r)
            return;
        QCOMPARE(r->names, want.names);
        QCOMPARE(r->values, want.values);
        QCOMPARE(r->time, want.time);
    }

    // A timed reading through the window; "实时曲线" on the main window, more readings fed through the
    // station, "历史曲线" and the scroll bar.
    void timedReadingAndCurveWindows()
    {
        WindowRig r(test::sensor(1));
        // Not typed: the core follows the box all the same (at its first 5 s it would not have read yet).
        child<QLineEdit>(&r.w, "txtSetTime")->setText("3");
        click(&r.w, "cmdAutoRead");
        r.advance(3000);
        QTRY_COMPARE(child<QLineEdit>(&r.w, "TxtInput_0")->text(), "20.1");
        // "实时曲线" writes the buffered reading to the day's record file.
        click(&r.w, "cmdShow");
        QCOMPARE(test::fileBytes(r.data.filePath("record/2026-12-6.txt")).count("\r\n"),
                 2); // header, reading
        click(&r.w, "cmdAutoRead");
        QCOMPARE(child<QPushButton>(&r.w, "cmdAutoRead")->text(), "开始");
        auto *c = child<chart>(&r.w, "chart");
        QVERIFY(c && QTest::qWaitForWindowExposed(c));

        // After the one read, plausible readings of a temperature and humidity device, one every 5 s.
        for (int n = 1; n < 300; ++n)
            feed(r.s.curves, int(253 + 40 * std::sin(n / 9.0)),
                 int(456 + 90 * std::cos(n / 13.0) + (n * 7) % 11), 14 * 3600 + 5 * n);
        QVERIFY(hasColour(c->pic()->picture(), QPointF(), -1, Magenta));

        // The pointer on point 30's humidity: the readout names it, its value and its time.
        const QPointF onPoint(60, r.s.curves.drawData(Hum, 30));
        QTest::mouseMove(c->pic(), PlotScale{QSizeF(c->pic()->size())}.toPixels(onPoint).toPoint());
        auto *label = child<QLabel>(c, "labDisplay");
        QVERIFY(label->isVisible() && label->text().endsWith(r.s.curves.drawTime(30)));

        click(c, "cmdSC");
        auto *h = child<StaticChart>(c, "StaticChart");
        QVERIFY(h && h->isVisible());
        auto *scroll = child<QScrollBar>(h, "HScroll1");
        // Page 5 holds samples 250..299 and the unwritten sample 300: humidity ends on the axis.
        QVERIFY(!hasColour(h->pic()->picture(), QPointF(101, 0), 1, Magenta));
        const QPoint rightArrow(scroll->width() - 4, scroll->height() / 2);
        for (int i = 0; i < 5; ++i)
            QTest::mouseClick(scroll, Qt::LeftButton, {}, rightArrow);
        QCOMPARE(scroll->value(), 5);
        QVERIFY(hasColour(h->pic()->picture(), QPointF(101, 0), 1, Magenta));

        // Maximised, the plots grow with their windows; in the normal state they have their first sizes.
        const QSize first = c->pic()->size();
        c->showMaximized();
        QTRY_VERIFY(c->pic()->width() > first.width());
        c->showNormal();
        QTRY_COMPARE(c->pic()->size(), first);

        QVERIFY(test::screenshot(c, "curve-window.png"));
        QVERIFY(test::screenshot(h, "history-window.png"));
    }

    // However many boxes a reading changes, the window repaints at most once per reading. Then the
    // operator closes the window while a polling tick waits for a silent device: the program's
    // loops end, the wait returns, and no transaction is left behind for the station that is
    // destroyed next.
    void repaintsAndClosingDuringAWait()
    {
        QString busText = "9 33 3 230415 0001 17 silent\n"; // and at 1..8 sensors that change five boxes
        for (int a = 1; a <= 8; ++a)
            busText += QStringLiteral("%1 81 27 230415 0001 17\n").arg(a);
        WindowRig r(busText);
        Station &s = r.s;
        QVERIFY(QTest::qWaitForWindowExposed(&r.w));
        for (int a = 1; a <= 8; ++a)
            s.devices.at(a) = {81, 27, 0, "T+RH+CO2+VOC+PM2.5", {}};
        s.devices.at(9) = {33, 3, 0, "T+RH", {}};
        r.poll(1, 8, 1);
        QTest::qWait(100); // the window settles at its polling width
        RepaintCounter counter;
        r.w.installEventFilter(&counter);
        r.sent.clear();
        for (int i = 0; i < 24; ++i) {
            r.advance(1000);
            QCoreApplication::processEvents(); // the turn in which a window repaints
        }
        QCOMPARE(r.sent.size(), 24);
        QVERIFY2(counter.passes <= r.sent.size(), qPrintable(QString::number(counter.passes)));
        QVERIFY(counter.passes >= 1); // it does show the readings

        s.polling.stop();
        r.poll(9, 9, 1);
        r.setGraceMs(5000); // the injected time-out must not end the wait first
        bool waiting = false;
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(20, [&] {
                waiting = s.exchange.busy();
                r.w.close(); // the last window: the application quits
            });
            r.advance(Polling::RestartMs); // the first tick, whose exchange waits
        });
        QApplication::exec();
        QVERIFY(waiting);
        QCOMPARE(s.exchange.transactionsLeft(), 0);
    }
};

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"

// Commissioning a bus over kestrel-sim through the real exchange: reading and setting a device's
// address, the connectivity test on injected time, and both driven through the real windows; the
// device grid model, and adding devices to the polling range and renaming them. The polling
// settings: the configuration files (what is written, what is taken back, what a damaged file
// does), the settings dialog and the save-configuration question, offscreen.
#include "common/files.h"
#include "common/log.h"
#include "common/manualtime.h"
#include "common/peek.h"
#include "common/stationrig.h"
#include "devices/configfile.h"
#include "devices/texts.h"
#include "link/texts.h"
#include "ui/dialog.h"
#include "ui/dialog1.h"
#include "ui/frmroughin.h"

#include <QAbstractItemModelTester>
#include <QtTest>
#include <QtWidgets>

using namespace kestrel;
using namespace kestrel::test;
namespace dt = kestrel::texts::devices;

namespace {
const auto ok = [](int a) -> QString { return QString::number(a) + tr8(dt::DeviceOk); };
const auto silent = [](int a) { return tr8(dt::ErrorPrefix) + QString::number(a) + tr8(dt::DeviceSilent); };
const auto lines = [](const QStringList &l) -> QString { return u"\r\n"_qs + l.join(u"\r\n"_qs); };
void click(QWidget *parent, const char *button)
{
    QTest::mouseClick(parent->findChild<QPushButton *>(QLatin1String(button)), Qt::LeftButton);
}

// Devices 1..3 of three types; with `quiet`, device 2 never answers.
const auto threeDevices = [](bool quiet) {
    return QStringLiteral("1 33 3 230415 0001 17\n2 0 6 230415 0002 17%1\n3 49 9 230415 0003 17\n")
        .arg(quiet ? " silent" : "");
};

// SAVEPRO row by row but for row 17, every column as SQL quotes it (NULL, numbers and text told
// apart).
QStringList saveproBut17(const Station &s)
{
    const QString cols = query(s.db, u"SELECT group_concat('quote(' || name || ')', ' || ''|'' || ') "
                                     "FROM pragma_table_info('SAVEPRO')"_qs)[0];
    return query(s.db, u"SELECT %1 FROM SAVEPRO WHERE ADDRESS <> 17 ORDER BY ADDRESS"_qs.arg(cols));
}

struct Rig : ManualTime, StationRig {
    explicit Rig(const QString &bus, const QStringList &args = {}) : StationRig(bus, *this, *this, args) {}
    // Runs `action` when the exchange puts request number `n` (from 1) on the wire.
    void onFrame(int n, std::function<void()> action)
    {
        QObject::connect(&station->exchange, &Exchange::frameSent, [this, n, action, seen = 0]() mutable {
            if (++seen == n)
                action();
        });
    }
};
#define RIG(...) STATION_RIG(Rig, r, __VA_ARGS__)

const auto row = [](const DeviceGrid &g, int r) {
    QStringList cells;
    for (int c = 0; c < DeviceGrid::Columns; ++c)
        cells << g.cell(r, c);
    return cells;
};
// T+RH sensors at 1, 4, 7; one at 9 that never answers.
const char *kRegistryBus = "1 33 3 230415 0001 17 set=2:215 set=3:456\n"
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

const auto messageList = [](const QString &m) { return m.isEmpty() ? QStringList() : QStringList{m}; };

// Before each test: range 40..50, interval 4 min 4 s, saving off, and every address carrying values
// a loaded file must visibly replace (or leave): 7,7,0,"old","alias". With the dialog, its polling
// face is opened for a waiting polling start before the range is set, so its boxes keep their 1..5.
struct Fixture {
    QTemporaryDir dir;
    test::RecordingOperator op;
    PollSettings settings;
    SettingsRequest request{settings};
    DeviceTable table;
    QPointer<Dialog> dlg;

    explicit Fixture(bool dialog = false)
    {
        for (int a = 1; a <= 255; ++a)
            table.at(a) = {7, 7, 0, u"old"_qs, u"alias"_qs};
        settings.PollMinutes = settings.PollSeconds = 4;
        if (dialog) { // left over from an earlier dialog and answer: opening clears them
            settings.ConfigLoaded = settings.PollSettingsOk = settings.PollSettingsCancel = true;
            request.open();
            dlg = Dialog::openPollingFace(op, request, table, dir.path(), nullptr);
        }
        table.PollStart = 40, table.PollEnd = 50;
    }
    ~Fixture() { delete dlg.data(); }
    QString write(const QString &name, const QByteArray &b) const { return writeFile(dir.filePath(name), b); }
    QByteArray read(const QString &name) const { return fileBytes(dir.filePath(name)); }
    ConfigLoad load(const QString &file)
    {
        op.openAnswers << file;
        return loadConfiguration(op, dir.path(), settings, table);
    }
    bool save(const QString &name)
    {
        op.saveAnswers << name;
        return saveConfiguration(op, dir.path(), settings, table);
    }
    QLineEdit *box(int i) const { return i < 2 ? dlg->txtloopAdd(i) : dlg->Text1(); }
    QStringList boxes() const { return {box(0)->text(), box(1)->text(), box(2)->text()}; }
    // The range and the interval as the polling will use them, the countdown, and the save choice.
    QStringList after() const
    {
        return QString::asprintf("%d %d %d:%d %d:%d%s", table.PollStart, table.PollEnd, settings.PollMinutes,
                                 settings.PollSeconds, settings.CountdownMinutes, settings.CountdownSeconds,
                                 settings.SaveEnabled ? " save" : "")
            .split(' ');
    }
};

// A file for 1..5 (8 lines) with interval 90, written the way the program writes it (温度 in GBK).
const QByteArray FiveDevices = "True\r\n1,5\r\n1,30\r\n0,2,0,RH\r\n33,3,0,T+RH\r\n0,0,1,\xCE\xC2\xB6\xC8\r\n"
                               "49,13,0,T+RH+CO2\r\n81,27,0,PM2.5\r\n";

// Lines joined by "|", each ended by CR LF.
const auto ini = [](const char *lines) { return QByteArray(lines).replace('|', "\r\n") + "\r\n"; };

} // namespace

class TstCommissioning : public QObject {
    Q_OBJECT
    struct Answer {
        QByteArray file;
        QString typed, shown, message, after;
    };
    // A connectivity run: what is typed, what is clicked during request `atFrame` (from 1), how
    // many 500-ms steps of injected time pass; the log, whether it still runs, MIXPRO|PROTYPE of
    // SAVEPRO rows 1..3, and the message.
    struct Run {
        QString bus, range, passes; // range as "first|last"
        int known, atFrame;         // an address whose type is known before the run; 0 none
        QString action;
        int steps;
        QString log;
        bool running;
        QString stored, message;
    };
    // The range 3..5 set before or not, the address typed; the message, the range after, the type
    // learnt for the address, and the grid.
    struct Add {
        bool range;
        QString typed, message, span, type, grid;
    };

private Q_SLOTS:
    void readAddress_data()
    {
        QTest::addColumn<QString>("bus");
        QTest::addColumn<QStringList>("message");
        QTest::addColumn<QString>("TxtB1");
        QTest::addColumn<QString>("Text2");
        QTest::addColumn<int>("CurAddr");
        const QString fault = tr8(texts::link::CommFault), error = tr8(texts::link::CommError);
        QTest::newRow("device at 200, alias null")
            << u"200 33 3 230415 0004 17\n"_qs << QStringList() << u"200"_qs << QString() << 200;
        QTest::newRow("no device") << u"# empty\n"_qs << QStringList{fault} << u"1"_qs << u"stale"_qs << 9;
        QTest::newRow("two devices collide")
            << threeDevices(false) << QStringList{error} << u"1"_qs << u"stale"_qs << 9;
    }
    // Polling is stopped first; the address box is emptied (showing "1") before the exchange.
    void readAddress()
    {
        QFETCH(QString, bus);
        RIG(bus);
        s.exchange.CurAddr = 9;
        s.panel.TxtB1 = u"44"_qs;
        s.panel.Text2 = u"stale"_qs;
        s.polling.cmdLoopR_Click();
        s.address.CmdAddread_Click();
        QCOMPARE(s.polling.phase(), Polling::Phase::Stopped);
        QTEST(r.op.texts(), "message");
        QTEST(s.panel.TxtB1, "TxtB1");
        QTEST(s.panel.Text2, "Text2");
        QTEST(int(s.exchange.CurAddr), "CurAddr");
    }

    // Through the window: a fourth digit past 255 resets the address box, a pasted five-character
    // text stays but is refused; "读取" shows the device and its name; "设置" writes 17 to bus
    // address 0, the device moves there, the trimmed name goes to row 17 and every other row stays.
    void addressFrame()
    {
        RIG(u"5 33 3 230415 0005 17\n"_qs, {u"--verbose"_qs});
        QVERIFY(s.db.setAlias(5, u"五号"_qs).ok && s.db.setCodes(5, 33, 3).ok &&
                s.db.setAlias(17, u"x"_qs).ok);
        const QStringList others = saveproBut17(s);
        frmroughin w(s);
        w.show();
        auto *box = w.findChild<QLineEdit *>(u"TxtB1"_qs), *name = w.findChild<QLineEdit *>(u"Text2"_qs);
        box->selectAll();
        QTest::keyClicks(box, u"2555"_qs);
        QCOMPARE(box->text(), u"1"_qs);
        QGuiApplication::clipboard()->setText(u"12ab3"_qs);
        box->selectAll();
        box->paste();
        QCOMPARE(box->text(), u"12ab3"_qs);
        QSignalSpy sent(&s.exchange, &Exchange::frameSent);
        click(&w, "CmdSetAddress");
        QCOMPARE(r.op.texts(), QStringList{tr8(dt::BadEntry)});
        QCOMPARE(sent.size(), 0);
        click(&w, "CmdAddread");
        QTRY_COMPARE(box->text(), u"5"_qs); // the window renders a moment later
        QTRY_COMPARE(name->text(), u"五号"_qs);
        box->setText(u"17"_qs);
        name->setText(u"  机房一  "_qs);
        click(&w, "CmdSetAddress");
        QCOMPARE(r.op.texts().value(1), tr8(dt::AddressSetDone));
        QTRY_VERIFY(r.sim.standardError().contains("00 10 00 00 00 01 02 00 11"));
        QCOMPARE(query(s.db, u"SELECT ALIAS FROM SAVEPRO WHERE ADDRESS = 17"_qs), QStringList{u"机房一"_qs});
        QCOMPARE(s.devices.at(17).alias, u"机房一"_qs);
        QCOMPARE(saveproBut17(s), others);
        s.exchange.CurAddr = 17;
        QVERIFY(s.exchange.readRegisters(3, 2));
        s.exchange.CurAddr = 5;
        QVERIFY(!s.exchange.readRegisters(3, 2));
    }

    void connectivity_data()
    {
        QTest::addColumn<Run>("run");
        const QString three = threeDevices(false), quiet = threeDevices(true), all = tr8(dt::AllConnected);
        const QString both = u"33|3 0|6 49|9"_qs, no2 = u"33|3 0|0 49|9"_qs, none = u"0|0 0|0 0|0"_qs;
        const auto add = [](const char *name, const Run &run) { QTest::newRow(name) << run; };
        add("all answer",
            {three, "1|3", "1", 0, 0, {}, 1, lines({ok(1), ok(2), ok(3), all}), false, both, {}});
        add("passes 2, 2 silent",
            {quiet, "1|3", "2", 0, 0, {}, 3, lines({ok(1), silent(2), ok(3), silent(2)}), false, no2, {}});
        const QString stopped = lines({ok(1), silent(2), ok(3), silent(2), silent(2)});
        add("passes 0 until stop", {quiet, "1|3", "0", 0, 5, "stop", 8, stopped, false, no2, {}});
        add("known before, passes 0", {three, "1|3", "0", 2, 0, {}, 4, lines({ok(1), ok(3)}), true, no2, {}});
        add("log cleared during a run",
            {three, "1|3", "1", 0, 2, "cls", 1, " " + lines({ok(2), ok(3), all}), false, both, {}});
        // Refused: nothing is sent.
        add("empty start", {three, "|5", "1", 0, 0, {}, 1, {}, false, none, tr8(dt::BadAddress)});
        add("end above 255", {three, "1|256", "1", 0, 0, {}, 1, {}, false, none, tr8(dt::BadAddress)});
        add("end below start", {three, "5|3", "1", 0, 0, {}, 1, {}, false, none, tr8(dt::StartAfterEnd)});
        add("no pass count", {three, "1|5", "", 0, 0, {}, 1, {}, false, none, tr8(dt::BadPassCount)});
    }
    void connectivity()
    {
        QFETCH(Run, run);
        RIG(run.bus);
        ConnTest &t = s.conntest;
        if (run.known)
            s.devices.at(run.known) = {0, 6, 0, u"CO2"_qs, {}};
        r.onFrame(run.atFrame, [&] { run.action == u"stop"_qs ? t.cmdstop_Click() : t.cmdcls_Click(); });
        t.cmdConn_Click();
        t.txtloopAdd2 = run.range.section('|', 0, 0);
        t.txtloopAdd3 = run.range.section('|', 1);
        t.Text3 = run.passes;
        t.cmdtest_Click();
        for (int i = 0; i < run.steps; ++i)
            r.advance(ConnTest::PassPauseMs);
        QCOMPARE(r.op.texts(), messageList(run.message));
        QCOMPARE(t.Text2, run.log);
        QCOMPARE(t.running(), run.running);
        QCOMPARE(query(s.db, u"SELECT MIXPRO, PROTYPE FROM SAVEPRO WHERE ADDRESS < 4"_qs).join(' '),
                 run.stored);
        t.cmdstop_Click(); // between passes too
        QVERIFY(!t.running());
    }

    // 255 addresses, 250 of them silent: one pass of 500 ms plus a time-out per silent device; a
    // second start during the run is ignored. A SAVEPRO that refuses the update: the lines stand,
    // kestrel.log has each failure, and the operator is told once, after the run.
    void mostlySilentRangeAndCodesNotStored()
    {
        QString bus;
        for (int a : {1, 60, 120, 180, 255})
            bus += u"%1 33 3 230415 0001 17\n"_qs.arg(a);
        RIG(bus);
        r.setGraceMs(10); // 250 silent devices: the clock moves on soon after each request
        setLogFolder(r.data.path());
        query(s.db,
              u"CREATE TRIGGER refuse BEFORE UPDATE ON SAVEPRO BEGIN SELECT RAISE(ABORT, 'full'); END"_qs);
        ConnTest &t = s.conntest;
        QSignalSpy sent(&s.exchange, &Exchange::frameSent);
        r.onFrame(3, [&] { t.cmdtest_Click(); });
        QDateTime ended;
        connect(&t, &ConnTest::finished, this, [&] { ended = r.now(); });
        t.txtloopAdd3 = u"255"_qs;
        const QDateTime start = r.now();
        t.cmdtest_Click();
        r.advance(ConnTest::PassPauseMs - 1);
        QCOMPARE(sent.size(), 0);
        r.advance(1);
        setLogFolder({});
        QCOMPARE(sent.size(), 255);
        QCOMPARE(t.Text2.count(tr8(dt::DeviceSilent)), 250);
        QCOMPARE(t.Text2.count(tr8(dt::DeviceOk)), 5);
        QVERIFY(t.Text2.endsWith(ok(255)));
        QCOMPARE(start.msecsTo(ended), ConnTest::PassPauseMs + 250 * Exchange::TimeLimitMs);
        QCOMPARE(r.op.messages.size(), 1);
        QVERIFY(r.op.texts().value(0).startsWith(tr8(dt::CodesNotStored)));
        QCOMPARE(QString::fromUtf8(fileBytes(r.data.filePath(u"kestrel.log"_qs))).count(u"not stored"_qs), 5);
    }

    // "通讯测试" opens the test face and holds the main window's address frame; a run shows its log;
    // "退出" makes the tested range the polling range. The close box during a run stops it.
    void connTestWindow()
    {
        RIG(threeDevices(false) + u"4 0 6 230415 0004 17 silent\n"_qs);
        frmroughin w(s);
        w.show();
        auto *frame5 = w.findChild<QWidget *>(u"Frame5"_qs);
        click(&w, "cmdConn");
        QPointer<Dialog> d = w.findChild<Dialog *>();
        QVERIFY(d && d->isVisible());
        QVERIFY(d->Frame2()->isVisible() && d->Frame3()->isVisible() && !d->txtloopAdd(0)->isVisible());
        QCOMPARE(d->txtloopAdd(2)->text() + d->txtloopAdd(3)->text() + d->Text3()->text(), u"151"_qs);
        QVERIFY(!frame5->isEnabled());
        d->txtloopAdd(3)->setText(u"3"_qs);
        click(d, "cmdtest");
        r.advance(ConnTest::PassPauseMs);
        const QString log = lines({ok(1), ok(2), ok(3), tr8(dt::AllConnected)});
        QCOMPARE(d->Text2()->toPlainText(), QString(log).replace("\r\n", "\n"));
        QVERIFY(screenshot(d.data(), u"conntest-dialog.png"_qs));
        d->txtloopAdd(2)->setText(u"10"_qs);
        d->txtloopAdd(3)->setText(u"20"_qs);
        click(d, "cmdExig");
        QCOMPARE(QList<int>({s.devices.PollStart, s.devices.PollEnd}), QList<int>({10, 20}));
        QVERIFY(frame5->isEnabled());
        QTRY_VERIFY(!d);
        click(&w, "cmdConn");
        d = w.findChild<Dialog *>();
        QCOMPARE(d->Text2()->toPlainText(), QString()); // a new face, an empty log
        d->txtloopAdd(3)->setText(u"4"_qs);
        d->Text3()->setText(u"0"_qs);
        click(d, "cmdtest");
        r.advance(ConnTest::PassPauseMs);
        QVERIFY(s.conntest.running());
        d->close();
        QVERIFY(!s.conntest.running());
        QVERIFY(frame5->isEnabled());
    }

    // Changes are signalled once and writes outside the grid ignored. A rebuild resets cells,
    // heights and the quantity columns; the name column keeps the width the operator gave it.
    // Added rows have the standard height; a range that is empty or outside 1..255 and a row
    // count below 1 leave the header row alone.
    void grid()
    {
        DeviceTable t;
        t.at(3).alias = u"一号"_qs;
        t.at(255).alias = u"dev255"_qs;
        DeviceGrid g;
        QAbstractItemModelTester tester(&g, QAbstractItemModelTester::FailureReportingMode::QtTest);
        g.build(3, 5, t);
        QCOMPARE(row(g, 1).mid(0, 3), (QStringList{"3", "一号", ""}));
        QSignalSpy changed(&g, &QAbstractItemModel::dataChanged), widths(&g, &DeviceGrid::columnWidthChanged);
        QSignalSpy heights(&g, &DeviceGrid::rowHeightChanged), geometry(&g, &DeviceGrid::geometryReset);
        for (int i = 0; i < 2; ++i)
            g.setCell(2, 4, u"450.0"_qs), g.setColumnWidth(4, 900), g.setRowHeight(2, 0);
        for (auto [r, c] : {std::pair{4, 0}, {-1, 0}, {1, 15}, {1, -1}}) {
            g.setCell(r, c, u"x"_qs);
            QCOMPARE(g.cell(r, c), QString());
        }
        g.setColumnWidth(15, 900), g.setRowHeight(4, 0), g.setColumnWidth(7, -5), g.setColumnWidth(1, 2000);
        QCOMPARE(widths, (QList<QVariantList>{{4, 900}, {1, 2000}}));
        QCOMPARE(heights, (QList<QVariantList>{{2, 0}}));
        QCOMPARE(changed.size(), 1);
        QVERIFY(!(g.flags(g.index(2, 4)) & Qt::ItemIsEditable));
        g.build(3, 5, t);
        QCOMPARE(g.cell(2, 4), QString());
        QCOMPARE(g.rowHeight(2), 225);
        QCOMPARE(g.columnWidth(1), 2000);
        QCOMPARE(g.columnWidth(4), 0);
        g.setCell(3, 2, u"25.0"_qs);
        g.setRowCount(6);
        QCOMPARE(g.cell(3, 2), u"25.0"_qs);
        QCOMPARE(g.rowHeight(5), 225);
        QCOMPARE(geometry.size(), 2);
        for (auto [start, end] : {std::pair{0, 0}, {0, 5}, {5, 3}, {1, 256}, {-3, 2}}) {
            g.build(start, end, t);
            QCOMPARE(g.cell(0, 1), u"设备名称"_qs);
            QCOMPARE(g.rows(), 1);
        }
        g.setRowCount(0);
        QCOMPARE(g.rows(), 1);
        g.build(1, 255, t);
        QCOMPARE(row(g, 255).mid(0, 2), (QStringList{"255", "dev255"}));
    }

    void addDevice_data()
    {
        QTest::addColumn<Add>("add");
        const QString before = u"3,三号,21.5,|-4,,,|5,five,,45.6"_qs;
        QTest::newRow("above the range") << Add{true, "7", {}, "3..7", "CO2", before + "|-6,,,|7,,,"};
        // The rows move down with their contents; row 1 keeps its old cells until the next rebuild.
        QTest::newRow("below the range")
            << Add{true, "1", {}, "1..5", "T+RH", "1,三号,21.5,|-2,,,|3,三号,21.5,|-4,,,|5,five,,45.6"};
        QTest::newRow("a gap inside") << Add{true, "4", {}, "3..5", "T+RH", "3,三号,21.5,|4,,,|5,five,,45.6"};
        QTest::newRow("start of the range") << Add{true, "3", {}, "3..5", {}, before};
        QTest::newRow("end of the range") << Add{true, "5", {}, "3..5", {}, before};
        QTest::newRow("silent device") << Add{true, "9", tr8(dt::AddFailed), "3..5", {}, before};
        QTest::newRow("no address") << Add{true, {}, tr8(dt::BadAddress), "3..5", {}, before};
        QTest::newRow("no range yet") << Add{false, "4", {}, "4..4", "T+RH", "4,,,"};
    }
    void addDevice()
    {
        QFETCH(Add, add);
        STATION_RIG(Rig, r, QString::fromLatin1(kRegistryBus));
        if (add.range)
            rangeThreeToFive(s);
        s.exchange.failureCount = 3; // left over from an earlier exchange: does not count
        s.setText4(add.typed);
        const qint64 t = r.elapsedMs();
        s.cmdAddDev_Click();
        if (add.typed == u"9"_qs)
            QVERIFY(r.elapsedMs() - t >= 3000); // the check waited for an answer
        QCOMPARE(r.op.texts(), messageList(add.message));
        QCOMPARE(u"%1..%2"_qs.arg(s.devices.PollStart).arg(s.devices.PollEnd), add.span);
        QCOMPARE(s.devices.at(std::clamp(add.typed.toInt(), 1, 255)).typeName, add.type);
        QCOMPARE(gridText(s), add.grid);
    }

    // Adding 7 above the range 3..5 leaves a gap row for 6 that carries its address, so 6 added
    // later can be renamed; the name is trimmed for the data base.
    void renameTrimsForTheDataBase()
    {
        STATION_RIG(Rig, r, QString::fromLatin1(kRegistryBus) + u"6 33 3 230415 0006 17\n"_qs);
        rangeThreeToFive(s);
        s.gridClick(3);
        QCOMPARE(s.Text3, u"five"_qs);
        s.gridClick(0); // the header row: remembered, Text3 kept
        QCOMPARE(s.Text3, u"five"_qs);
        s.cmdAlias_Click();
        QCOMPARE(r.op.texts(), QStringList{tr8(dt::NoRowSelected)});
        for (const QString &a : {u"7"_qs, u"6"_qs})
            s.setText4(a), s.cmdAddDev_Click();
        s.gridClick(6 - 3 + 1);
        s.setText3(u"  机房 北  "_qs);
        s.cmdAlias_Click();
        QCOMPARE(r.op.messages.size(), 1);
        QCOMPARE(s.grid.cell(4, 1), u"  机房 北  "_qs);
        QCOMPARE(s.devices.at(6).alias, u"机房 北"_qs);
        QCOMPARE(s.db.readAlias(6).value, std::optional<QString>(u"机房 北"_qs));
    }

    // A file loaded and saved again is the same bytes; the alias is not part of it. No file chosen,
    // or a folder in its place, can be neither read nor written.
    void saveAndLoad()
    {
        Fixture f;
        f.settings.ConfigLoaded = true;
        QCOMPARE(loadConfiguration(f.op, f.dir.path(), f.settings, f.table), ConfigLoad::NoFile);
        QVERIFY(!f.settings.ConfigLoaded);
        QCOMPARE(f.op.texts(), QStringList{tr8(dt::ChooseConfigFile)}); // no name to save: see dialog1
        QCOMPARE(f.load(f.write(u"in.ini"_qs, FiveDevices)), ConfigLoad::Complete);
        QVERIFY(f.save(u"out"_qs)); // the name is used as typed: no extension added
        QCOMPARE(f.op.askedFolders, QStringList(3, f.dir.path()));
        QCOMPARE(f.read(u"out"_qs), FiveDevices);
        QCOMPARE(f.table.at(1).alias, u"alias"_qs);
        f.settings.SaveEnabled = false; // saving off, whole minutes, one device
        f.settings.setInterval(120);
        f.table.PollStart = f.table.PollEnd = 3;
        QVERIFY(f.save(u"one.ini"_qs));
        QCOMPARE(f.read(u"one.ini"_qs), ini("False|3,3|2,0|0,0,1,\xCE\xC2\xB6\xC8"));
        QDir(f.dir.path()).mkdir(u"sub.ini"_qs);
        QCOMPARE(f.load(f.dir.filePath("sub.ini")), ConfigLoad::Unreadable);
        QVERIFY(!f.save(u"sub.ini"_qs));
        const QString shown = QDir::toNativeSeparators(f.dir.filePath("sub.ini"));
        QCOMPARE(f.op.texts().mid(1),
                 (QStringList{tr8(dt::ConfigFileUnreadable) + shown, tr8(dt::ConfigFileUnwritable) + shown}));
        QCOMPARE(f.table.PollStart, 3);
    }

    void load_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("result");
        // Afterwards: SaveEnabled, PollStart, PollEnd, PollMinutes, PollSeconds, address lines
        // taken, type name of address 1 (see the fixture for the values before).
        QTest::addColumn<QString>("after");
        const auto add = [](const char *name, const QByteArray &bytes, ConfigLoad result, const char *after) {
            QTest::newRow(name) << bytes << int(result) << QString::fromUtf8(after);
        };
        using L = ConfigLoad;
        QByteArray lf = FiveDevices, fourOfFive = FiveDevices;
        lf.replace("\r\n", "\n");
        fourOfFive.chop(int(qstrlen("81,27,0,PM2.5\r\n")));
        add("LF ends", lf, L::Complete, "1 1 5 1 30 5 RH");
        add("UTF-8 mark, Chinese name", "\xEF\xBB\xBF" + ini("false|1,1|0,5|0,1,0,\xE6\xB8\xA9\xE5\xBA\xA6"),
            L::Complete, "0 1 1 0 5 1 温度");
        add("number 1 is true, name trimmed", ini("1|1,1|2,0|0,1,0,  CO2 ,x"), L::Complete,
            "1 1 1 2 0 1 CO2");
        // Line 1 neither boolean nor a finite number: the file is refused untouched.
        for (const char *line1 : {"[.ShellClassInfo]", "nan", "inf", "-inf"})
            add(line1, ini(line1 + QByteArray("|1,1|0,5|0,1,0,")), L::Refused, "0 40 50 4 4 0 old");
        // The range and the interval are taken before they are checked.
        add("range 3,2", ini("True|3,2|0,5"), L::Refused, "1 3 2 4 4 0 old");
        add("end 256", ini("True|1,256|0,5"), L::Refused, "1 1 256 4 4 0 old");
        add("seconds 61", ini("True|1,1|0,61|0,1,0,"), L::Refused, "1 1 1 0 61 0 old");
        add("interval 0", ini("True|1,1|0,0|0,1,0,"), L::Refused, "1 1 1 0 0 0 old");
        add("line 3 missing", ini("True|1,1"), L::Refused, "1 1 1 4 4 0 old");
        // Address lines: reading stops at the first bad one; the rest keep their old entries.
        add("ends early", fourOfFive, L::Partial, "1 1 5 1 30 4 RH");
        add("byte above 255", ini("True|1,3|0,5|0,1,0,a|0,256,0,b|0,1,0,c"), L::Partial, "1 1 3 0 5 1 a");
    }
    void load()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, result);
        Fixture f;
        f.settings.ConfigLoaded = true; // from an earlier load in the same dialog
        const ConfigLoad r = f.load(f.write(u"x.ini"_qs, bytes));
        QCOMPARE(int(r), result);
        QCOMPARE(f.op.texts(), messageList(r == ConfigLoad::Refused ? tr8(dt::ConfigFileBad) : QString()));
        QCOMPARE(f.settings.ConfigLoaded, r == ConfigLoad::Complete);
        int changed = 0;
        for (int a = 1; a <= 255; ++a)
            changed += f.table.at(a).typeName != u"old"_qs;
        QTEST(QString::asprintf("%d %d %d %d %d %d %s", f.settings.SaveEnabled, f.table.PollStart,
                                f.table.PollEnd, f.settings.PollMinutes, f.settings.PollSeconds, changed,
                                qUtf8Printable(f.table.at(1).typeName)),
              "after");
        if (r == ConfigLoad::Partial) // the entries after the last line read keep every old value
            QCOMPARE(f.table.at(changed + 1).mixpro, uint8_t(7));
    }

    // The polling face opens with its own 1..5 when no range was set; a second polling start while
    // it is open gets the same dialog, with the range set since.
    void pollingFace()
    {
        Fixture f(true);
        QVERIFY(f.dlg->isVisible() && !f.dlg->isModal() && f.dlg->Frame2()->isHidden());
        QCOMPARE(f.boxes(), (QStringList{"1", "5", "1"}));
        QWidget main;
        Dialog *first = Dialog::openPollingFace(f.op, f.request, f.table, QString(), &main);
        QCOMPARE(Dialog::openPollingFace(f.op, f.request, f.table, QString(), &main), first);
        QCOMPARE(first->txtloopAdd(0)->text() + '-' + first->txtloopAdd(1)->text(), u"40-50"_qs);
    }
    // A configuration loaded first, when given; then typed key by key into start|end|interval, then a
    // button; the boxes after typing; the message; start end minutes:seconds countdown, save, after it.
    void answered_data()
    {
        QTest::addColumn<Answer>("a");
        const auto row = [](const char *name, const QByteArray &file, const char *typed, const char *shown,
                            const char *message, const char *after) {
            QTest::newRow(name) << Answer{file, typed, shown, QString::fromUtf8(message), after};
        };
        const QByteArray no, head = "True\r\n10,12\r\n1,30\r\n", lines = "0,1,0,T\r\n0,1,0,T\r\n0,1,0,T\r\n";
        row("one device 5..5", no, "5|5|90|OK", "5 5 90", "", "5 5 1:30 1:30 save");
        row("whole bus", no, "1|255|600|OK", "1 255 600", "", "1 255 10:0 10:0 save");
        row("end 256", no, "3|256|9|OK", "3 5 9", dt::EndTooLarge, "3 5 0:9 0:9 save");
        row("start 999", no, "999|9|9|OK", "1 9 9", dt::StartTooLarge, "1 9 0:9 0:9 save");
        row("letters and signs", no, "2|1a-2 .3|9|OK", "2 123 9", "", "2 123 0:9 0:9 save");
        // The rule runs on every key: "999" becomes "600", and the last 9 makes "6009", "600" again.
        row("interval above 600", no, "1|2|9999|OK", "1 2 600", "", "1 2 10:0 10:0 save");
        row("interval 0", no, "1|2|0|OK", "1 2 1", "", "1 2 0:1 0:1 save");
        // A refused range: the boxes go back to 1..5, the dialog stays and the start waits.
        row("6..5", no, "6|5|90|OK", "6 5 90", dt::StartAfterEnd, "40 50 4:4 0:0");
        row("start 0", no, "0|5|90|OK", "0 5 90", dt::StartAfterEnd, "40 50 4:4 0:0");
        row("CancelButton", no, "3|9|90|Cancel", "3 9 90", "", "40 50 4:4 0:0");
        row("close box", no, "3|9|90|close", "3 9 90", "", "40 50 4:4 0:0");
        row("Esc", no, "3|9|90|Esc", "3 9 90", "", "40 50 4:4 0:0");
        // A complete file stands as loaded (the boxes are not read again; the interval box shows at
        // most 600); one that ends early shows its values, and OK reads the boxes.
        row("file", head + lines, "|30||OK", "10 30 90", "", "10 12 1:30 0:0 save");
        row("file, long interval", "True\r\n10,12\r\n20,0\r\n" + lines, "|30||OK", "10 30 600", "",
            "10 12 20:0 0:0 save");
        row("file ends early", head + lines.left(9), "|30||OK", "10 30 90", "", "10 30 1:30 1:30 save");
        row("file refused", "True\r\n3,2\r\n0,5\r\n", "|30||OK", "1 30 1", dt::ConfigFileBad, "1 30 0:1 0:1");
    }
    void answered()
    {
        QFETCH(Answer, a);
        const auto &[file, typed, shown, message, after] = a;
        Fixture f(true);
        f.dlg->checkSave()->setChecked(file.isEmpty()); // a loaded file sets it
        if (!file.isEmpty()) {
            f.op.openAnswers << f.write(QStringLiteral("c.ini"), file);
            click(f.dlg, "cmdConf");
        }
        for (int i = 0; i < 3; ++i) {
            f.box(i)->selectAll();
            QTest::keyClicks(f.box(i), typed.section('|', i, i));
        }
        QCOMPARE(f.boxes(), shown.split(' '));
        const bool refused = message == QString::fromUtf8(dt::StartAfterEnd);
        QCOMPARE(f.op.texts(), messageList(refused ? QString() : message));
        QSignalSpy frames(&f.request, &SettingsRequest::framesEnabled);
        QSignalSpy answered(&f.request, &SettingsRequest::answered);
        const QString how = typed.section('|', 3);
        if (how == u"close"_qs)
            f.dlg->close();
        else if (how == u"Esc"_qs)
            QTest::keyClick(f.dlg->Text1(), Qt::Key_Escape);
        else
            click(f.dlg, how == u"OK"_qs ? "OKButton" : "CancelButton");
        QCOMPARE(frames.size(), 1); // every answer, also an OK whose range is refused
        QCOMPARE(f.op.texts(), messageList(message));
        QCOMPARE(f.after(), after.split(' '));
        QVERIFY(!f.settings.ConfigLoaded);
        if (refused) {
            QCOMPARE(f.boxes(), (QStringList{"1", "5", "90"}));
            QVERIFY(f.dlg->isVisible() && f.request.waiting() && answered.isEmpty());
            return;
        }
        QTRY_VERIFY(f.dlg.isNull());
        f.request.cancel(); // one answer per opening: a late one finds nobody waiting
        QCOMPARE(QList<QVariantList>(answered), QList<QVariantList>{{how == u"OK"_qs}});
    }

    // The save question at the end of a run: OK writes the file named, with the run's save choice,
    // before saving is switched off; OK without a name asks for one; the close box writes nothing.
    void dialog1_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::addColumn<QString>("name"); // the file name the operator gives
        QTest::newRow("OK, file named") << false << u"run.ini"_qs;
        QTest::newRow("OK, no name") << false << QString();
        QTest::newRow("close box") << true << u"run.ini"_qs;
    }
    void dialog1()
    {
        QFETCH(bool, closeBox);
        QFETCH(QString, name);
        Fixture f;
        f.op.saveAnswers << name;
        f.settings.SaveEnabled = true;
        f.settings.setInterval(90);
        f.table.PollStart = 1, f.table.PollEnd = 5;
        QPointer<Dialog1> dlg = Dialog1::ask(f.op, f.settings, f.table, f.dir.path(), nullptr);
        QVERIFY(dlg->isVisible() && !dlg->isModal());
        closeBox ? void(dlg->close()) : click(dlg, "OKButton");
        const bool written = !closeBox && !name.isEmpty();
        QCOMPARE(f.op.texts(), messageList(!closeBox && !written ? tr8(dt::EnterFileName) : QString()));
        QVERIFY(!f.settings.SaveEnabled);
        QCOMPARE(f.read(u"run.ini"_qs).left(17), written ? QByteArray("True\r\n1,5\r\n1,30\r\n") : "");
        QTRY_VERIFY(dlg.isNull());
    }
};

QTEST_MAIN(TstCommissioning)
#include "tst_commissioning.moc"

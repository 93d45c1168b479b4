// Commissioning a bus over kestrel-sim through the real exchange: reading and setting a device's
// address, the connectivity test on injected time, and both driven through the real windows.
#include "common/manualtime.h"
#include "common/stationrig.h"
#include "common/log.h"
#include "common/twips.h"
#include "devices/texts.h"
#include "devices/texts.h"
#include "link/texts.h"
#include "ui/dialog.h"
#include "ui/frmroughin.h"

#include <QtSql>
#include <QtTest>
#include <QtWidgets>

using namespace kestrel;
using namespace kestrel::test;
namespace dt = kestrel::texts::devices;

namespace {QString ok(int a)
{
    return QString::number(a) + tr8(dt::DeviceOk);
}
QString silent(int a)
{
    return tr8(dt::ErrorPrefix) + QString::number(a) + tr8(dt::DeviceSilent);
}
QString lines(const QStringList &l)
{
    return QStringLiteral("\r\n") + l.join(QStringLiteral("\r\n"));
}

// What a silent device costs on the injected clock: the exchange's time-out.
constexpr int SilentCostOnInjectedClock = Exchange::TimeLimitMs;

// Devices 1..3 of three types; with `quiet`, device 2 never answers.
QString threeDevices(bool quiet)
{
    return QStringLiteral("1 33 3 230415 0001 17\n2 0 6 230415 0002 17%1\n3 49 9 230415 0003 17\n")
        .arg(quiet ? " silent" : "");
}

// The rows of one statement, run through a connection of its own, each as its columns joined by "|".
QStringList peek(const Station &s, const QString &sql)
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peek"));
        db.setDatabaseName(s.db.filePath());
        QSqlQuery q(db);
        if (db.open() && q.exec(sql))
            for (QStringList cols; q.next(); rows << cols.join('|'), cols.clear())
                for (int i = 0; i < q.record().count(); ++i)
                    cols << q.value(i).toString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("peek"));
    return rows;
}
// SAVEPRO row by row, every column as SQL quotes it (NULL, numbers and text told apart).
QStringList savepro(const Station &s)
{
    const QString cols =
        peek(s, QStringLiteral("SELECT group_concat('quote(' || name || ')', ' || ''|'' || ') "
                               "FROM pragma_table_info('SAVEPRO')"))
            .value(0);
    return peek(s, QStringLiteral("SELECT %1 FROM SAVEPRO ORDER BY ADDRESS").arg(cols));
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

// Saves a picture of a window into the folder KESTREL_SCREENSHOTS names, when it names one.
void screenshot(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("KESTREL_SCREENSHOTS");
    if (!dir.isEmpty())
        QVERIFY(w->grab().save(QDir(dir).filePath(name)));
}
} // namespace

class TstCommissioning : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Address 17 is written to bus address 0; the device moves there, the trimmed name goes to
    // row 17 and every other row stays as it was.
    void setAddress()
    {
        RIG(u"5 33 3 230415 0005 17\n"_qs, {u"--verbose"_qs});
        QVERIFY(s.db.setAlias(5, u"旧名"_qs).ok && s.db.setCodes(5, 33, 3).ok &&
                s.db.setAlias(17, u"x"_qs).ok);
        QStringList rows = savepro(s);
        s.panel.TxtB1 = u"17"_qs;
        s.panel.Text2 = u"  机房一  "_qs;
        s.address.CmdSetAddress_Click();
        QCOMPARE(r.op.texts(), QStringList{tr8(dt::AddressSetDone)});
        QTRY_VERIFY(r.sim.standardError().contains("00 10 00 00 00 01 02 00 11"));
        QCOMPARE(peek(s, u"SELECT ALIAS FROM SAVEPRO WHERE ADDRESS = 17"_qs), QStringList{u"机房一"_qs});
        rows.removeAt(16);
        QStringList after = savepro(s);
        after.removeAt(16);
        QCOMPARE(after, rows);
        QCOMPARE(s.devices.at(17).alias, u"机房一"_qs);
        s.exchange.CurAddr = 17;
        QVERIFY(s.exchange.readRegisters(3, 2));
        s.exchange.CurAddr = 5;
        QVERIFY(!s.exchange.readRegisters(3, 2));
    }

    void readAddress_data()
    {
        QTest::addColumn<QString>("bus");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("TxtB1");
        QTest::addColumn<QString>("Text2");
        QTest::addColumn<int>("CurAddr");
        QTest::newRow("device at 200, alias null")
            << u"200 33 3 230415 0004 17\n"_qs << QString() << u"200"_qs << QString() << 200;
        QTest::newRow("no device") << u"# empty\n"_qs << tr8(texts::link::CommFault) << u"1"_qs << u"stale"_qs << 9;
        QTest::newRow("two devices collide")
            << threeDevices(false) << tr8(texts::link::CommError) << u"1"_qs << u"stale"_qs << 9;
    }
    // Polling is stopped first; the address box is emptied (showing "1") before the exchange.
    void readAddress()
    {
        QFETCH(QString, bus);
        QFETCH(QString, message);
        RIG(bus);
        s.exchange.CurAddr = 9;
        s.panel.TxtB1 = u"44"_qs;
        s.panel.Text2 = u"stale"_qs;
        s.polling.cmdLoopR_Click();
        s.address.CmdAddread_Click();
        QCOMPARE(s.polling.phase(), Polling::Phase::Stopped);
        QCOMPARE(r.op.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QTEST(s.panel.TxtB1, "TxtB1");
        QTEST(s.panel.Text2, "Text2");
        QTEST(int(s.exchange.CurAddr), "CurAddr");
    }

    void connectivity_data()
    {
        QTest::addColumn<QString>("bus");
        QTest::addColumn<QString>("passes");
        QTest::addColumn<int>("known");   // an address whose type is known before the run; 0 none
        QTest::addColumn<int>("atFrame"); // the request during which `action` is clicked
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("steps"); // 500-ms steps of injected time
        QTest::addColumn<QString>("log");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("stored"); // MIXPRO and PROTYPE of SAVEPRO rows 1..3
        const QString all = lines({ok(1), ok(2), ok(3), tr8(dt::AllConnected)});
        QTest::newRow("all answer") << threeDevices(false) << u"1"_qs << 0 << 0 << QString() << 1 << all
                                    << false << u"33|3 0|6 49|9"_qs;
        QTest::newRow("passes 2, 2 silent")
            << threeDevices(true) << u"2"_qs << 0 << 0 << QString() << 3
            << lines({ok(1), silent(2), ok(3), silent(2)}) << false << u"33|3 0|0 49|9"_qs;
        QTest::newRow("passes 0 until stop")
            << threeDevices(true) << u"0"_qs << 0 << 5 << u"stop"_qs << 8
            << lines({ok(1), silent(2), ok(3), silent(2), silent(2)}) << false << u"33|3 0|0 49|9"_qs;
        QTest::newRow("known before, passes 0") << threeDevices(false) << u"0"_qs << 2 << 0 << QString() << 4
                                                << lines({ok(1), ok(3)}) << true << u"33|3 0|0 49|9"_qs;
        QTest::newRow("log cleared during a run")
            << threeDevices(false) << u"1"_qs << 0 << 2 << u"cls"_qs << 1
            << u" "_qs + lines({ok(2), ok(3), tr8(dt::AllConnected)}) << false << u"33|3 0|6 49|9"_qs;
    }
    void connectivity()
    {
        QFETCH(QString, bus);
        QFETCH(int, known);
        QFETCH(QString, action);
        RIG(bus);
        ConnTest &t = s.conntest;
        if (known)
            s.devices.at(known) = {0, 6, 0, u"CO2"_qs, {}};
        QFETCH(int, atFrame);
        r.onFrame(atFrame, [&] { action == u"stop"_qs ? t.cmdstop_Click() : t.cmdcls_Click(); });
        t.cmdConn_Click();
        t.txtloopAdd3 = u"3"_qs;
        QFETCH(QString, passes);
        t.Text3 = passes;
        t.cmdtest_Click();
        QFETCH(int, steps);
        for (int i = 0; i < steps; ++i)
            r.advance(ConnTest::PassPauseMs);
        QTEST(t.Text2, "log");
        QTEST(t.running(), "running");
        QTEST(peek(s, u"SELECT MIXPRO, PROTYPE FROM SAVEPRO WHERE ADDRESS <= 3"_qs).join(' '), "stored");
        t.cmdstop_Click();
        QVERIFY(!t.running());
    }

    void refusedStart_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("passes");
        QTest::addColumn<QString>("message");
        const QString range = tr8(texts::devices::BadAddress);
        QTest::newRow("empty start") << QString() << u"5"_qs << u"1"_qs << range;
        QTest::newRow("end above 255") << u"1"_qs << u"256"_qs << u"1"_qs << range;
        QTest::newRow("end below start")
            << u"5"_qs << u"3"_qs << u"1"_qs << tr8(texts::devices::StartAfterEnd);
        QTest::newRow("no pass count") << u"1"_qs << u"5"_qs << QString() << tr8(dt::BadPassCount);
    }
    void refusedStart()
    {
        RIG(u"# empty\n"_qs);
        QFETCH(QString, first);
        QFETCH(QString, last);
        QFETCH(QString, passes);
        s.conntest.txtloopAdd2 = first;
        s.conntest.txtloopAdd3 = last;
        s.conntest.Text3 = passes;
        s.conntest.cmdtest_Click();
        QFETCH(QString, message);
        QCOMPARE(r.op.texts(), QStringList{message});
        QVERIFY(!s.conntest.running());
    }

    // 255 addresses, 250 of them silent: one pass of 500 ms plus a time-out per silent device; a
    // second start during the run is ignored.
    void mostlySilentRange()
    {
        QString bus;
        for (int a : {1, 60, 120, 180, 255})
            bus += u"%1 33 3 230415 0001 17\n"_qs.arg(a);
        RIG(bus);
        r.setGraceMs(10); // 250 silent devices: the clock moves on soon after each request
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
        QCOMPARE(sent.size(), 255);
        QCOMPARE(t.Text2.count(tr8(dt::DeviceSilent)), 250);
        QCOMPARE(t.Text2.count(tr8(dt::DeviceOk)), 5);
        QCOMPARE(start.msecsTo(ended), ConnTest::PassPauseMs + 250 * SilentCostOnInjectedClock);
    }

    // A SAVEPRO that refuses the update: the lines stand, kestrel.log has each failure, and the
    // operator is told once, after the run.
    void codesNotStored()
    {
        RIG(threeDevices(false));
        setLogFolder(r.data.path());
        peek(
            s,
            u"CREATE TRIGGER refuse BEFORE UPDATE ON SAVEPRO BEGIN SELECT RAISE(ABORT, 'disk full'); END"_qs);
        s.conntest.txtloopAdd3 = u"2"_qs;
        s.conntest.cmdtest_Click();
        r.advance(ConnTest::PassPauseMs);
        setLogFolder({});
        QCOMPARE(s.conntest.Text2, lines({ok(1), ok(2), tr8(dt::AllConnected)}));
        QCOMPARE(r.op.messages.size(), 1);
        QVERIFY(r.op.texts().value(0).startsWith(tr8(dt::CodesNotStored)));
        QFile log(QDir(r.data.path()).filePath(u"kestrel.log"_qs));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(log.readAll()).count(u"not stored"_qs), 2);
    }

    // Through the window: a fourth digit past 255 resets the address box, a pasted five-character
    // text stays but is refused, "读取" shows the device and its name, "设置" moves it.
    void addressFrameWindow()
    {
        RIG(u"5 33 3 230415 0005 17\n"_qs);
        QVERIFY(s.db.setAlias(5, u"五号"_qs).ok);
        frmroughin w(s);
        w.show();
        auto *box = w.findChild<QLineEdit *>(u"TxtB1"_qs);
        auto *name = w.findChild<QLineEdit *>(u"Text2"_qs);
        auto *set = w.findChild<QPushButton *>(u"CmdSetAddress"_qs);
        box->selectAll();
        QTest::keyClicks(box, u"255"_qs);
        QTest::keyClicks(box, u"5"_qs);
        QCOMPARE(box->text(), u"1"_qs);
        QGuiApplication::clipboard()->setText(u"12ab3"_qs);
        box->selectAll();
        box->paste();
        QCOMPARE(box->text(), u"12ab3"_qs);
        QSignalSpy sent(&s.exchange, &Exchange::frameSent);
        QTest::mouseClick(set, Qt::LeftButton);
        QCOMPARE(r.op.texts(), QStringList{tr8(dt::BadEntry)});
        QCOMPARE(sent.size(), 0);
        QTest::mouseClick(w.findChild<QPushButton *>(u"CmdAddread"_qs), Qt::LeftButton);
        QTRY_COMPARE(box->text(), u"5"_qs); // the window renders a moment later
        QTRY_COMPARE(name->text(), u"五号"_qs);
        box->setText(u"9"_qs);
        QTest::mouseClick(set, Qt::LeftButton);
        QCOMPARE(r.op.texts().value(1), tr8(dt::AddressSetDone));
        QCOMPARE(s.devices.at(9).alias, u"五号"_qs);
    }

    // "通讯测试" opens the test face and holds the main window's address frame; a run shows its log;
    // "退出" makes the tested range the polling range. The close box during a run stops it.
    void connTestWindow()
    {
        RIG(threeDevices(false) + u"4 0 6 230415 0004 17 silent\n"_qs);
        frmroughin w(s);
        w.show();
        auto *frame5 = w.findChild<QWidget *>(u"Frame5"_qs);
        QTest::mouseClick(w.findChild<QPushButton *>(u"cmdConn"_qs), Qt::LeftButton);
        QPointer<Dialog> d = w.findChild<Dialog *>();
        QVERIFY(d && d->isVisible());
        const double dpi = d->logicalDpiX();
        QCOMPARE(d->size(),
                 QSize(twipsToPixels(Dialog::TestWidth, dpi), twipsToPixels(Dialog::TestHeight, dpi)));
        QVERIFY(d->Frame2()->isVisible() && d->Frame3()->isVisible() && !d->txtloopAdd(0)->isVisible());
        QCOMPARE(d->txtloopAdd(2)->text() + d->txtloopAdd(3)->text() + d->Text3()->text(), u"151"_qs);
        QVERIFY(!frame5->isEnabled());
        d->txtloopAdd(3)->setText(u"3"_qs);
        QTest::mouseClick(d->findChild<QPushButton *>(u"cmdtest"_qs), Qt::LeftButton);
        r.advance(ConnTest::PassPauseMs);
        QCOMPARE(d->Text2()->toPlainText(),
                 lines({ok(1), ok(2), ok(3), tr8(dt::AllConnected)}).replace("\r\n", "\n"));
        screenshot(d, u"conntest-dialog.png"_qs);
        d->txtloopAdd(2)->setText(u"10"_qs);
        d->txtloopAdd(3)->setText(u"20"_qs);
        QTest::mouseClick(d->findChild<QPushButton *>(u"cmdExig"_qs), Qt::LeftButton);
        QCOMPARE(QList<int>({s.devices.PollStart, s.devices.PollEnd}), QList<int>({10, 20}));
        QVERIFY(frame5->isEnabled());
        QTRY_VERIFY(!d);

        QTest::mouseClick(w.findChild<QPushButton *>(u"cmdConn"_qs), Qt::LeftButton);
        d = w.findChild<Dialog *>();
        QCOMPARE(d->Text2()->toPlainText(), QString());
        d->txtloopAdd(3)->setText(u"4"_qs);
        d->Text3()->setText(u"0"_qs);
        QTest::mouseClick(d->findChild<QPushButton *>(u"cmdtest"_qs), Qt::LeftButton);
        r.advance(ConnTest::PassPauseMs);
        QVERIFY(s.conntest.running());
        d->close();
        QVERIFY(!s.conntest.running());
        QVERIFY(frame5->isEnabled());
        QCOMPARE(QList<int>({s.devices.PollStart, s.devices.PollEnd}), QList<int>({10, 20}));
    }
};

QTEST_MAIN(TstCommissioning)
#include "tst_commissioning.moc"

// The station under awkward timing, on the simulator's bus model and injected time: the program
// ending during a wait, a device that answers after its time-out, stop, pause and continue
// during an exchange, and the paths a single read, the settings dialog and a type query take.
#include "busfile.h"
#include "common/manualtime.h"
#include "common/recordingoperator.h"
#include "common/timedwire.h"
#include "devices/configfile.h"
#include "link/crc16.h"
#include "polling/texts.h"
#include "simbus.h"
#include "station/station.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {

struct Rig {
    explicit Rig(const QString &busText) : bus(sim::parseBusText(busText).devices)
    {
        bus.setFixed(true);
        station = std::make_unique<Station>(wire, op, time, time, data.path());
        station->Form_Load();
        QObject::connect(&station->exchange, &Exchange::frameSent,
                         [this](const QByteArray &f) { sentTo << int(uint8_t(f.at(0))); });
    }
    ManualTime time;
    sim::SimBus bus;
    TimedWire wire{bus, time};
    RecordingOperator op;
    QTemporaryDir data;
    std::unique_ptr<Station> station;
    QList<int> sentTo; // the address of every request, in order

    // Polls start..end every `seconds`; the T+RH sensors at `known` need no type query.
    void start(int start, int end, int seconds, const QList<int> &known, bool save = false)
    {
        Station &s = *station;
        for (int a : known)
            s.devices.at(a) = {33, 3, 0, QStringLiteral("T+RH"), {}};
        s.devices.PollStart = start;
        s.devices.PollEnd = end;
        s.settings.setInterval(seconds);
        s.settings.SaveEnabled = save;
        s.polling.cmdLoopR_Click();
        s.settingsRequest.accept();
    }
    int logged() const
    {
        return int(station->db.readings(time.now().addYears(-1), time.now().addYears(1)).value.size());
    }
};

// A T+RH sensor at `address` reading 21.5 °C and 45.6 %, with bus-file options.
QString sensor(int address, const QString &options = {})
{
    return QStringLiteral("%1 33 3 230415 0001 17 set=2:215 set=3:456 %2\n").arg(address).arg(options);
}

} // namespace

class TstHardening : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The window closes while a polling tick waits for a silent device: the wait returns, no
    // transaction is left behind, and the station is destroyed cleanly.
    void closedDuringAWait()
    {
        Rig r(sensor(9, QStringLiteral("silent")));
        r.time.setGraceMs(5000); // the injected time-out must not end the wait first
        r.start(9, 9, 1, {9});
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(20, [] { QCoreApplication::exit(0); });
            r.time.advance(Polling::RestartMs); // the first tick: its exchange waits
        });
        QCoreApplication::exec();
        QCOMPARE(r.sentTo, QList<int>{9});
        QCOMPARE(r.station->exchange.transactionsLeft(), 0);
        r.station->Form_Unload();
        r.station.reset();
    }

    // A device polled alone every second answers 3.5 s or 4.2 s after each request: no reply is
    // taken for a later request, so no value is shown or logged.
    void lateDeviceShowsNoStaleValue_data()
    {
        QTest::addColumn<int>("lateMs");
        QTest::newRow("3.5 s") << 3500;
        QTest::newRow("4.2 s") << 4200;
    }
    void lateDeviceShowsNoStaleValue()
    {
        QFETCH(int, lateMs);
        Rig r(sensor(1, QStringLiteral("late=%1").arg(lateMs)));
        r.start(1, 1, 1, {1}, true);
        r.time.advance(60000);
        Station &s = *r.station;
        QVERIFY(r.sentTo.size() >= 8);
        QCOMPARE(s.grid.cell(1, DeviceGrid::FirstQuantityColumn), QString());
        QCOMPARE(s.panel.valueText(0), QString());
        QVERIFY(s.exchange.lateReplies() > 0);
        QCOMPARE(s.Text5, QStringLiteral("1") + QString::fromUtf8(texts::polling::TimeoutSuffix));
        s.polling.cmdLoopR_Click(); // stop: the readings so far are flushed
        QCOMPARE(r.logged(), 0);
    }

    // A row goes old when its device's read fails or the port is lost, and live again when the
    // device answers.
    void rowStateFollowsTheDevice()
    {
        Rig r(sensor(1) + sensor(2, QStringLiteral("silent")));
        r.start(1, 2, 1, {1, 2});
        r.time.advance(5000);
        DeviceGrid &g = r.station->grid;
        QCOMPARE(g.rowState(1), DeviceGrid::RowState::Live);
        QCOMPARE(g.rowState(2), DeviceGrid::RowState::Old);
        QCOMPARE(g.cell(1, DeviceGrid::FirstQuantityColumn), QStringLiteral("21.5"));
        Q_EMIT r.wire.lost(QStringLiteral("unplugged"));
        QCOMPARE(g.rowState(1), DeviceGrid::RowState::Old);
        r.time.advance(5000); // the wire is still there: device 1 answers again
        QCOMPARE(g.rowState(1), DeviceGrid::RowState::Live);
    }

    // "结束" clicked while an added device is checked: the cycle stays stopped, and the next run
    // starts unpaused and reads on.
    void stopDuringAddCheckLeavesCycleStopped()
    {
        Rig r(sensor(1) + sensor(3, QStringLiteral("late=600")));
        r.start(1, 1, 1, {1});
        r.time.advance(2000);
        Station &s = *r.station;
        s.setText4(QStringLiteral("3"));
        QTimer::singleShot(0, [&] { s.polling.cmdLoopR_Click(); }); // during the check's wait
        s.cmdAddDev_Click();
        QCOMPARE(s.polling.phase(), Polling::Phase::Stopped);
        QCOMPARE(s.polling.paused(), false);
        QCOMPARE(s.polling.timerActive(), false);
        r.sentTo.clear();
        s.polling.cmdLoopR_Click();
        s.settingsRequest.accept();
        QCOMPARE(s.polling.paused(), false);
        r.time.advance(6000);
        QVERIFY2(r.sentTo.size() >= 4, qPrintable(QString::number(r.sentTo.size())));
    }

    // "暂停" then "继续" while device 1's exchange waits: the tick ends before the next begins,
    // so each device is read once per pass.
    void continueDuringExchangeKeepsOneTickAtATime()
    {
        Rig r(sensor(1, QStringLiteral("late=600")) + sensor(2));
        bool clicked = false;
        QObject::connect(&r.station->exchange, &Exchange::frameSent, [&] {
            if (std::exchange(clicked, true))
                return;
            QTimer::singleShot(0, [&] {
                r.station->polling.cmdLoopP_Click();
                r.station->polling.cmdLoopP_Click();
            });
        });
        r.start(1, 2, 1, {1, 2});
        r.time.advance(6000);
        QVERIFY(clicked);
        QVERIFY(r.sentTo.size() >= 4);
        for (int i = 0; i < r.sentTo.size(); ++i)
            QCOMPARE(r.sentTo[i], 1 + i % 2);
    }

    // A pause during the minute countdown holds it; "继续" goes on with the minutes still to count.
    void pauseDuringMinuteCountdown()
    {
        Rig r(sensor(1));
        r.start(1, 1, 125, {1}); // reads 2 min 5 s apart
        Polling &p = r.station->polling;
        r.time.advance(121000); // the first read at 120.1 s
        QCOMPARE(r.sentTo.size(), 1);
        r.time.advance(10000); // 5 s later one of the two minutes is counted down
        p.cmdLoopP_Click();
        QCOMPARE(p.timerActive(), false);
        r.time.advance(300000);
        QCOMPARE(r.sentTo.size(), 1);
        p.cmdLoopP_Click(); // 100 ms, then the last minute
        r.time.advance(60000);
        QCOMPARE(r.sentTo.size(), 1);
        r.time.advance(200);
        QCOMPARE(r.sentTo.size(), 2);
    }

    // The single read stops a running poll before its own exchange.
    void singleReadStopsPolling()
    {
        Rig r(sensor(1));
        r.start(1, 1, 5, {1});
        Station &s = *r.station;
        QCOMPARE(s.polling.phase(), Polling::Phase::Active);
        s.products.CMDRHTread_Click();
        QCOMPARE(s.polling.phase(), Polling::Phase::Stopped);
        QCOMPARE(s.polling.timerActive(), false);
        QCOMPARE(s.polling.loopRCaption(), QString::fromUtf8(texts::polling::LoopStart));
        QCOMPARE(s.polling.loopPEnabled(), false);
    }

    // A custom read at start register 240 reads the whole identity block, whatever the length box
    // holds: a length it never uses cannot refuse it.
    void identityReadIgnoresTheLengthBox_data()
    {
        QTest::addColumn<QString>("length");
        QTest::newRow("empty") << "";
        QTest::newRow("0") << "0";
        QTest::newRow("letters") << "ab";
        QTest::newRow("above 125") << "999";
    }
    void identityReadIgnoresTheLengthBox()
    {
        QFETCH(QString, length);
        Rig r(sensor(1));
        Station &s = *r.station;
        s.panel.setCheckedItem(Panel::ReadSelfItem);
        s.panel.txtSelf = {QStringLiteral("240"), length};
        QVERIFY(s.products.CMDRHTread_Click().ok());
        QCOMPARE(r.wire.requests.last(), withCrc(QByteArray::fromHex("010300f00004")));
        QCOMPARE(r.op.messages.size(), 1); // the identity block, no refusal
        QVERIFY(r.op.messages[0].text.contains(QStringLiteral("230415")));
    }

    // Frame1 and Frame5 are disabled while the settings dialog is open for a start, whatever the answer.
    void framesDisabledWhileSettingsOpen_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void framesDisabledWhileSettingsOpen()
    {
        QFETCH(bool, ok);
        Rig r(sensor(1));
        Station &s = *r.station;
        s.polling.cmdLoopR_Click();
        QCOMPARE(s.framesEnabled(), false);
        ok ? s.settingsRequest.accept() : s.settingsRequest.cancel();
        QCOMPARE(s.framesEnabled(), true);
    }

    // Rows of the gaps made by adding a device above the range carry their address, so a device
    // added into such a gap later can be renamed.
    void gapRowAboveTheRangeCanBeRenamed()
    {
        Rig r(sensor(3) + sensor(8) + sensor(6));
        Station &s = *r.station;
        s.devices.PollStart = 3;
        s.devices.PollEnd = 5;
        s.grid.build(3, 5, s.devices);
        s.setText4(QStringLiteral("8"));
        s.cmdAddDev_Click();
        QCOMPARE(s.devices.PollEnd, 8);
        QCOMPARE(s.grid.cell(6 - 3 + 1, DeviceGrid::AddressColumn), QStringLiteral("6"));
        s.setText4(QStringLiteral("6"));
        s.cmdAddDev_Click();
        s.gridClick(6 - 3 + 1);
        s.setText3(QStringLiteral("Lab"));
        s.cmdAlias_Click();
        QCOMPARE(r.op.texts(), QStringList());
        QCOMPARE(s.db.readAlias(6).value, std::optional<QString>(QStringLiteral("Lab")));
    }

    // Line 1 of a configuration file answers the save question; a number that is not finite is
    // no answer, and the file is refused.
    void configurationSaveLineRefusesNonFinite_data()
    {
        QTest::addColumn<QString>("line1");
        QTest::newRow("nan") << "nan";
        QTest::newRow("inf") << "inf";
        QTest::newRow("-inf") << "-inf";
    }
    void configurationSaveLineRefusesNonFinite()
    {
        QFETCH(QString, line1);
        PollSettings settings;
        DeviceTable table;
        const ConfigApplied a =
            applyConfigurationLines({line1, QStringLiteral("1,2"), QStringLiteral("0,5")}, settings, table);
        QCOMPARE(a.result, ConfigLoad::Refused);
        QCOMPARE(settings.SaveEnabled, false);
    }

    // The codes a type query learns go to their own SAVEPRO columns.
    void typeCodesStoredInTheirColumns()
    {
        Rig r(QStringLiteral("5 49 9 230611 0005 0C\n"));
        r.start(5, 5, 5, {});
        r.time.advance(200);
        QCOMPARE(r.station->devices.at(5).protype, uint8_t(9));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(r.station->db.filePath());
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("SELECT MIXPRO, PROTYPE FROM SAVEPRO WHERE ADDRESS = 5")) && q.next());
        QCOMPARE(q.value(0).toInt(), 49);
        QCOMPARE(q.value(1).toInt(), 9);
        q = QSqlQuery();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("check"));
    }
};

QTEST_GUILESS_MAIN(TstHardening)
#include "tst_hardening.moc"

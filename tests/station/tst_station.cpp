// A whole station over kestrel-sim, with injected time: the polling cycle (intervals of seconds
// and minutes, 300 passes, new and silent devices, pause and stop during an exchange, a device
// added while it runs), start-up, and readings still in memory when the program ends.
#include "common/manualtime.h"
#include "common/peek.h"
#include "common/stationrig.h"

#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace
{
// T+RH sensors at `known`, answering 20.a °C (a the address) and 50 %.
QString sensors(const QList<int> &known, const char *options)
{
    QString b;
    for (int a : known)
        b += u"%1 33 3 230415 0001 17 set=2:%2 set=3:500 %3\n"_qs.arg(a).arg(200 + a).arg(
            QLatin1String(options));
    return b;
}

// A station polling `start`..`end` every `seconds`, saving off, the sensors at `known` already in
// its device table; the frames it sends are kept with the test time they left at.
struct Rig : ManualTime, StationRig {
    QList<QByteArray> sent;
    QList<QDateTime> sentAt;

    Rig(const QString &bus, int start, int end, int seconds, const QList<int> &known = {},
        const char *options = "")
        : StationRig(bus + sensors(known, options), *this, *this, {QStringLiteral("--fixed")})
    {
        if (!ok())
            return;
        Station &s = *station;
        for (int a : known)
            s.devices.at(a) = {33, 3, 0, QStringLiteral("T+RH"), {}};
        s.devices.PollStart = start;
        s.devices.PollEnd = end;
        s.settings.setInterval(seconds);
        QObject::connect(&s.exchange, &Exchange::frameSent,
                         [this](const QByteArray &f) { sent << f, sentAt << now(); });
    }
    void start()
    {
        station->polling.cmdLoopR_Click();
        station->settingsRequest.accept();
        QCOMPARE(station->polling.phase(), Polling::Phase::Active);
    }
    QList<int> reads() const // the addresses whose values were asked for, in order
    {
        QList<int> a;
        for (const QByteArray &f : sent)
            if (uint8_t(f[3]) != 240)
                a << f[0];
        return a;
    }
    QList<qint64> gaps() const // seconds between two value reads
    {
        QList<qint64> g;
        for (int i = 1; i < sent.size(); ++i)
            g << sentAt[i - 1].secsTo(sentAt[i]);
        return g;
    }
    int logged() const
    {
        return int(station->db.readings(now().addYears(-1), now().addYears(1)).value.size());
    }
};
#define RIG(...) STATION_RIG(Rig, r, __VA_ARGS__)
} // namespace

class TstStation : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsInTurnFiveSecondsApart()
    {
        RIG(QString(), 1, 3, 5, {1, 2, 3});
        r.start();
        QCOMPARE(s.polling.loopRCaption(), u"结束"_qs);
        QCOMPARE(s.polling.timerInterval(), 100);
        QCOMPARE(s.panel.windowWidth(), int(Panel::WideWidth));
        QList<int> cycles;
        r.advance(100);
        cycles << s.readings.CycleCount;
        for (int i = 0; i < 6; ++i) {
            r.advance(5000);
            cycles << s.readings.CycleCount;
        }
        QCOMPARE(r.reads(), (QList<int>{1, 2, 3, 1, 2, 3, 1}));
        QCOMPARE(cycles, (QList<int>{0, 0, 1, 1, 1, 2, 2}));
        QCOMPARE(r.gaps(), (QList<qint64>{5, 5, 5, 5, 5, 5}));
        QCOMPARE(s.panel.TxtB1, u"1"_qs);
        QCOMPARE(s.grid.cell(3, 2), u"20.3"_qs);
        QCOMPARE(s.readings.value(3, 1, 1), uint16_t(500));
        QVERIFY(s.readings.hasTime(2, 2));
        QVERIFY(!s.readings.hasTime(2, 3));
    }

    void minuteCountdown()
    {
        RIG(QString(), 1, 1, 65, {1});
        r.start();
        QList<int> reads, intervals;
        for (int ms : {100, 60000, 5000, 59999}) { // the countdown set by the settings runs first
            r.advance(ms);
            reads << r.sent.size();
            intervals << s.polling.timerInterval();
        }
        QCOMPARE(reads, (QList<int>{0, 1, 1, 1}));
        QCOMPARE(intervals, (QList<int>{60000, 5000, 60000, 60000})); // 5 s count the minute down
        r.advance(1);
        QCOMPARE(r.gaps(), QList<qint64>{65});
        // Whole minutes keep their interval.
        s.polling.cmdLoopR_Click();
        s.settings.setInterval(120);
        r.start();
        r.advance(100 + 3 * 120000);
        QCOMPARE(r.gaps(), (QList<qint64>{65, 120, 120, 120}));
    }

    void threeHundredPassesWrapTheBuffer_data()
    {
        QTest::addColumn<bool>("save");
        QTest::newRow("saving: the log is written") << true;
        QTest::newRow("not saving: nothing written") << false;
    }
    void threeHundredPassesWrapTheBuffer()
    {
        QFETCH(bool, save);
        RIG(QString(), 4, 4, 1, {4});
        s.settings.SaveEnabled = save;
        r.start();
        r.advance(100 + 298 * 1000);
        QCOMPARE(s.readings.CycleCount, 299);
        QCOMPARE(r.logged(), 0);
        r.advance(1000); // temperature and humidity of every pass
        QCOMPARE(s.readings.CycleCount, 0);
        QCOMPARE(r.logged(), save ? 600 : 0);
        r.advance(1000);
        QCOMPARE(s.readings.CycleCount, 1);
    }

    void newDeviceLearntStoredAndReadInTheSameTick()
    {
        RIG(u"2 0 6 230415 0002 17 set=6:450\n"_qs, 2, 2, 5);
        r.start();
        r.advance(100);
        QCOMPARE(s.devices.at(2).typeName, QStringLiteral("CO2"));
        QCOMPARE(query(s.db, "SELECT MIXPRO, PROTYPE FROM SAVEPRO WHERE ADDRESS = 2"), QStringList{"0|6"});
        QCOMPARE(r.sent, (QList<QByteArray>{request(2, 240, 4), request(2, 6, 1)}));
        QCOMPARE(s.readings.value(2, 1, 0), uint16_t(450));
        QCOMPARE(s.grid.cell(1, 4), u"450.0"_qs);
    }

    // 1 is new and never answers, 3 is known and has gone quiet: 1 is marked absent and passed
    // over, 3's time-out is reported and it is asked again.
    void silentDevices()
    {
        RIG(u"1 33 3 230415 0001 17 silent\n3 33 3 230415 0001 17 silent\n"_qs, 1, 3, 1, {2});
        s.devices.at(3) = {33, 3, 0, QStringLiteral("T+RH"), {}};
        r.start();
        r.advance(100);  // asks 1 for its type: 3 s of silence
        r.advance(1000); // reads 2
        r.advance(1000); // 3 times out
        QCOMPARE(r.sent, (QList<QByteArray>{request(1, 240, 4), request(2, 2, 2), request(3, 2, 2)}));
        QCOMPARE(s.devices.at(1).absent, uint8_t(1));
        QCOMPARE(s.devices.at(3).absent, uint8_t(0));
        QCOMPARE(s.readings.CycleCount, 1);
        QCOMPARE(s.Text5, QStringLiteral("3号设备通迅超时！"));
        QVERIFY(!s.readings.hasTime(3, 1));
        QVERIFY(s.polling.timerActive());
        QCOMPARE(s.grid.rowHeight(1), 0);
        QCOMPARE(s.grid.rowHeight(3), int(DeviceGrid::RowHeight));
        r.sent.clear();
        r.advance(1000); // 1 passed over, 2 read in the same tick
        QCOMPARE(r.sent, QList<QByteArray>{request(2, 2, 2)});
        QCOMPARE(s.exchange.failureCount, quint16(0));
    }

    void allAbsentRangeEndsTheTick()
    {
        RIG(QString(), 1, 3, 1);
        for (int a = 1; a <= 3; ++a)
            s.devices.at(a).absent = 1;
        r.start();
        r.advance(100);
        QVERIFY(r.sent.isEmpty());
        QCOMPARE((QList<int>{s.grid.rowHeight(1), s.grid.rowHeight(2), s.grid.rowHeight(3)}),
                 (QList<int>{0, 0, 0}));
        QVERIFY(s.polling.timerActive());
    }

    void pauseOrStopDuringAnExchangeHolds_data()
    {
        QTest::addColumn<bool>("stop");
        QTest::newRow("pause") << false;
        QTest::newRow("stop") << true;
    }
    void pauseOrStopDuringAnExchangeHolds()
    {
        QFETCH(bool, stop);
        RIG(QString(), 1, 1, 1, {1}, "late=300");
        r.setGraceMs(1000); // the late reply is waited for
        QSignalSpy dialog1(&s, &Station::dialog1Requested);
        r.start();
        QTimer::singleShot(50, &s.polling,
                           [&] { stop ? s.polling.cmdLoopR_Click() : s.polling.cmdLoopP_Click(); });
        r.advance(100);
        QCOMPARE(r.sent.size(), 1);
        QVERIFY(!s.polling.timerActive());
        if (stop) {
            QCOMPARE(s.polling.loopRCaption(), QStringLiteral("轮询"));
            QVERIFY(!s.polling.loopPEnabled());
            QCOMPARE(dialog1.size(), 1);
            QCOMPARE(s.panel.windowWidth(), int(Panel::NarrowWidth));
            return;
        }
        QCOMPARE(s.polling.loopPCaption(), QStringLiteral("继续"));
        s.polling.cmdLoopP_Click();
        QCOMPARE(s.polling.loopPCaption(), u"暂停"_qs);
        QCOMPARE(s.polling.timerInterval(), 100);
        r.advance(100);
        QCOMPARE(r.sent.size(), 2);
    }

    void cancelledSettingsStartNothing()
    {
        RIG(QString(), 1, 1, 1, {1});
        s.polling.cmdLoopR_Click();
        s.settingsRequest.cancel();
        QCOMPARE(s.polling.phase(), Polling::Phase::Stopped);
        QVERIFY(!s.polling.timerActive());
        QCOMPARE(s.panel.windowWidth(), int(Panel::NarrowWidth));
    }

    // Adding a device while polling runs pauses the cycle for the device check and continues it
    // afterwards; a cycle the operator paused stays paused.
    void addDeviceWhilePolling_data()
    {
        QTest::addColumn<bool>("pausedBefore");
        QTest::newRow("running") << false;
        QTest::newRow("paused by the operator") << true;
    }
    void addDeviceWhilePolling()
    {
        QFETCH(bool, pausedBefore);
        RIG(u"3 0 6 230415 0003 17\n"_qs, 1, 2, 1, {1, 2});
        r.start();
        r.advance(1100);
        if (pausedBefore)
            s.polling.cmdLoopP_Click();
        QStringList during; // the cycle's state when the type query goes out
        QObject::connect(&s.exchange, &Exchange::frameSent, this, [&](const QByteArray &frame) {
            if (frame.startsWith("\x03"))
                during << s.polling.loopPCaption() + (s.polling.timerActive() ? " timer on" : " timer off");
        });
        s.setText4(QStringLiteral("3"));
        s.cmdAddDev_Click();
        QCOMPARE(during, QStringList{"继续 timer off"});
        QCOMPARE(s.devices.PollEnd, 3);
        QCOMPARE(s.polling.loopPCaption(), pausedBefore ? u"继续"_qs : u"暂停"_qs);
        QCOMPARE(s.polling.timerActive(), !pausedBefore);
    }

    void startUpWithoutADataBaseSaysSoAndGoesOn()
    {
        RIG(QString(), 1, 1, 1, {1});
        QVERIFY(r.op.messages.isEmpty());
        // The next start finds a file of another data base program in its place.
        QFile junk(s.db.filePath());
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray("\x00\x01\x00\x00Standard Jet DB", 19) + QByteArray(2000, '\0'));
        junk.close();
        s.Form_Load();
        QCOMPARE(r.op.messages.size(), 1);
        QVERIFY(r.op.messages.first().text.contains(QStringLiteral("Record.mdb")));
        s.panel.TxtB1 = QStringLiteral("1"); // the rest of the program works
        s.products.CMDRHTread_Click();
        QCOMPARE(s.panel.valueText(0), QStringLiteral("20.1"));
    }

    // Two passes and a half when "结束" is clicked or the program ends: the complete passes go to
    // the log (the half pass is not carried into the next run), or to a rescue file when the data
    // base refuses them.
    void stopWhilePolling_data()
    {
        QTest::addColumn<bool>("programEnd");
        QTest::addColumn<bool>("refused");
        QTest::newRow("结束") << false << false;
        QTest::newRow("program end") << true << false;
        QTest::newRow("program end, readings refused, rescued to a file") << true << true;
    }
    void stopWhilePolling()
    {
        QFETCH(bool, programEnd);
        QFETCH(bool, refused);
        RIG(QString(), 1, 2, 1, {1, 2});
        s.settings.SaveEnabled = true;
        r.start();
        r.advance(100 + 4 * 1000);
        QCOMPARE(s.readings.CycleCount, 2);
        if (refused) { // the data base goes away under the running program
            QVERIFY(QFile::remove(s.db.filePath()));
            QVERIFY(QDir().mkpath(s.db.filePath()));
        }
        programEnd ? s.Form_Unload() : s.polling.cmdLoopR_Click();
        QCOMPARE(s.polling.phase(), Polling::Phase::Stopped);
        QCOMPARE(s.readings.CycleCount, 0);
        QVERIFY(!s.readings.hasTime(1, 3));
        const QDir exports(QDir(r.data.path()).filePath(QStringLiteral("export")));
        const QStringList files = exports.entryList({QStringLiteral("unsaved-*.txt")});
        if (!refused) {
            QVERIFY(r.op.messages.isEmpty());
            QVERIFY(files.isEmpty());
            QCOMPARE(r.logged(), 2 * 4);
            return;
        }
        QCOMPARE(r.op.messages.size(), 1);
        QVERIFY(r.op.messages.first().text.contains(u"已另存为文本文件"_qs));
        QCOMPARE(files.size(), 1);
        QFile f(exports.filePath(files.first()));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll(); // every reading once, after a header, lines ended by CR LF
        QVERIFY(text.startsWith("READTIME,READVALUE,PROTYPE,ADDRESS\r\n"));
        QCOMPARE(text.count("\r\n"), 1 + 2 * 4);
        for (const char *reading : {",201,T,1\r\n", ",500,RH,1\r\n", ",202,T,2\r\n", ",500,RH,2\r\n"})
            QVERIFY2(text.count(reading) == 2, reading);
    }
};

QTEST_GUILESS_MAIN(TstStation)
#include "tst_station.moc"

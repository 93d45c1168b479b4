// A whole station over kestrel-sim, with injected time: the polling cycle (intervals of seconds
// and minutes, 300 passes, new and silent devices, pause and stop during an exchange, a device
// added while it runs), start-up, and readings still in memory when the program ends. The timed
// reading: reads every t seconds, refused entries, the record file at stop and at program end, a
// record folder that refuses writes, and how it meets polling and the port. The daily record files
// on their own: byte for byte (GBK, CR LF, tabs, commas, the full stop), the day of writing, the
// locale's dates and times, and a disk that fills up during a write.
#include "busfile.h"
#include "common/timedwire.h"
#include "devices/configfile.h"
#include "simbus.h"
#include "common/files.h"
#include "common/manualtime.h"
#include "common/peek.h"
#include "common/stationrig.h"
#include "common/tmpfsmount.h"
#include "polling/texts.h"
#include "recording/recordfile.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {
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

// A T+RH sensor at address 1 answering 25.3 °C and 45.6 %, read as product "温湿度".
struct TimedRig : ManualTime, StationRig {
    QStringList reads; // seconds after the start, one per request sent

    explicit TimedRig(const char *t)
        : StationRig(QStringLiteral("1 33 3 230415 0001 17 set=2:253 set=3:456\n"), *this, *this, {"--fixed"})
    {
        if (!ok())
            return;
        QObject::connect(&station->exchange, &Exchange::frameSent, [this, start = now()](const QByteArray &) {
            reads << QString::number(start.secsTo(now()));
        });
        station->timedReading.setTxtSetTime(QString::fromLatin1(t));
        station->timedReading.cmdAutoRead_Click();
    }
    QStringList lines(const QString &file) const // of a file in the data folder
    {
        return QString::fromLatin1(fileBytes(QDir(data.path()).filePath(file)))
            .split("\r\n", Qt::SkipEmptyParts);
    }
    QStringList record() const { return lines(QStringLiteral("record/2026-12-6.txt")); }
};
#define TIMED_RIG(t) STATION_RIG(TimedRig, r, t)

// 2026/12/6 TAB 温度 TAB 湿度 TAB CO2 ... as GBK bytes.
QByteArray header(const char *date)
{
    return QByteArray(date) +
           "\t\xCE\xC2\xB6\xC8\t\xCA\xAA\xB6\xC8\tCO2\tVOC\tPM2.5\tCO\tO2\tO3\tHCHO\tH2S\tNH3\tNO2\tPM10\r\n";
}

struct Files {
    QTemporaryDir dir;
    ManualTime clock; // 6 December 10:00
    RecordingOperator op;
    TimedBuffer buffer;
    RecordFile records{buffer, dir.path(), clock, op};

    // A temperature and humidity reading in the current entry.
    void read(const char *time, const char *t, const char *rh)
    {
        RecordEntry &e = buffer.current();
        e.time = QLatin1String(time);
        e.values[0] = QLatin1String(t);
        e.values[1] = QLatin1String(rh);
        ++buffer.recCount;
    }
    QByteArray bytes(const char *name) const
    {
        return fileBytes(dir.filePath(QStringLiteral("record/") + QLatin1String(name)));
    }
};

// The station on the simulator's bus model in process, with injected time: a polling tick may be
// cut anywhere.
struct BusRig {
    explicit BusRig(const QString &busText) : bus(sim::parseBusText(busText).devices)
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

class TstStation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsInTurnFiveSecondsApart()
    {
        RIG(QString(), 1, 3, 5, {1, 2, 3});
        r.start();
        QList<int> cycles;
        for (int ms : {100, 5000, 5000, 5000, 5000, 5000, 5000}) {
            r.advance(ms);
            cycles << s.readings.CycleCount;
        }
        QCOMPARE(r.reads(), (QList<int>{1, 2, 3, 1, 2, 3, 1}));
        QCOMPARE(cycles, (QList<int>{0, 0, 1, 1, 1, 2, 2}));
        QCOMPARE(r.gaps(), (QList<qint64>{5, 5, 5, 5, 5, 5}));
        QCOMPARE(s.grid.cell(3, 2), u"20.3"_qs);
        QCOMPARE(s.readings.value(3, 1, 1), uint16_t(500));
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
            QCOMPARE(dialog1.size(), 1);
            return;
        }
        QCOMPARE(s.polling.loopPCaption(), QStringLiteral("继续"));
        s.polling.cmdLoopP_Click();
        r.advance(100);
        QCOMPARE(r.sent.size(), 2);
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
        // The next start finds a file of another data base program in its place.
        QVERIFY(!writeFile(s.db.filePath(),
                           QByteArray("\x00\x01\x00\x00Standard Jet DB", 19) + QByteArray(2000, 0))
                     .isEmpty());
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
        QCOMPARE(files.size(), 1);
        const QByteArray text = fileBytes(
            exports.filePath(files.first())); // every reading once, after a header, lines ended by CR LF
        QVERIFY(text.startsWith("READTIME,READVALUE,PROTYPE,ADDRESS\r\n"));
        QCOMPARE(text.count("\r\n"), 1 + 2 * 4);
        for (const char *reading : {",201,T,1\r\n", ",500,RH,1\r\n", ",202,T,2\r\n", ",500,RH,2\r\n"})
            QVERIFY2(text.count(reading) == 2, reading);
    }

    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China)); }

    void readsEveryTSeconds_data()
    {
        QTest::addColumn<QString>("t");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("reads");
        QTest::newRow("5 s") << "5" << 16 << "5 10 15";
        QTest::newRow("90 s: a minute counted down after 30 s") << "90" << 200 << "90 180";
        QTest::newRow("whole minutes: every 120 s") << "120" << 250 << "120 240";
    }
    void readsEveryTSeconds()
    {
        QFETCH(QString, t);
        QFETCH(int, seconds);
        QFETCH(QString, reads);
        TIMED_RIG(t.toLatin1().constData());
        Q_UNUSED(s);
        r.advance(seconds * 1000);
        QCOMPARE(r.reads.join(' '), reads);
    }

    void refusedEntries_data()
    {
        QTest::addColumn<QString>("t");
        QTest::newRow("0") << "0";
        QTest::newRow("600") << "600";
        QTest::newRow("letters") << "abc";
    }
    void refusedEntries()
    {
        QFETCH(QString, t);
        TIMED_RIG(t.toLatin1().constData());
        QCOMPARE(r.op.texts(), QStringList{tr8(texts::polling::BadSetTime)});
        QCOMPARE(s.timedReading.autoReadCaption(), tr8(texts::polling::AutoReadStart));
        r.advance(700000);
        QCOMPARE(r.reads.size(), 0);
    }

    void stopAfterSevenReadingsWritesSeven()
    {
        TIMED_RIG("5");
        r.advance(35000);
        s.timedReading.cmdAutoRead_Click();
        QCOMPARE(r.record().size(), 1 + 7);
        QCOMPARE(r.record().at(7).section('\t', 0, 2), u"10:00:35\t253,\t456,"_qs);
        QCOMPARE(int(s.timed.recCount), 0);
        r.advance(60000);
        QCOMPARE(r.reads.size(), 7);
    }

    void programEndWritesTheBuffer_data()
    {
        QTest::addColumn<int>("readings");
        QTest::newRow("two readings") << 2;
        QTest::newRow("nothing buffered: the header only") << 0;
    }
    void programEndWritesTheBuffer()
    {
        QFETCH(int, readings);
        TIMED_RIG("5");
        r.advance(readings * 5000);
        s.Form_Unload();
        QCOMPARE(r.record().size(), 1 + readings);
    }

    // Tests run as root, so only a read-only mount makes the record folder refuse writes.
    void refusedWritesAreToldOnceAndRescued()
    {
        TIMED_RIG("1");
        TMPFS_MOUNT(ro, QDir(r.data.path()).filePath("record"), QStringLiteral("ro,size=1m"));
        r.advance(100000); // the 100th reading writes from inside the read
        QTRY_COMPARE(r.op.messages.size(), 1);
        QVERIFY(r.op.texts().at(0).contains(QDir(r.data.path()).filePath("record/2026-12-6.txt")));
        r.advance(5000);
        QCOMPARE(r.reads.size(), 105); // the timed reading goes on
        s.timedReading.cmdAutoRead_Click();
        QCoreApplication::processEvents();
        QCOMPARE(r.op.messages.size(), 1);
        QCOMPARE(r.lines("export/unsaved-20261206-100140.txt").size(), 1 + 100);
        QCOMPARE(r.lines("export/unsaved-20261206-100145.txt").at(5).section('\t', 0, 2),
                 u"10:01:45\t253,\t456,"_qs);
    }

    void pollingStartedMeanwhileEndsWithTheStop()
    {
        TIMED_RIG("30");
        s.devices.PollStart = s.devices.PollEnd = 1;
        s.settings.setInterval(5);
        s.polling.cmdLoopR_Click();
        s.settingsRequest.accept();
        r.advance(1000);
        QCOMPARE(s.timedReading.state(), TimedReading::State::Running);
        s.timedReading.cmdAutoRead_Click();
        QCOMPARE(s.polling.loopRCaption(), u"轮询"_qs); // not "结束" over a halted cycle
    }

    void closingThePortSwitchesTimer2Off()
    {
        TIMED_RIG("5");
        r.advance(5000);
        s.portControl.Com_Click();
        r.advance(20000);
        QCOMPARE(r.reads.size(), 1);
        QCOMPARE(s.timedReading.autoReadCaption(), tr8(texts::polling::AutoReadStop));
    }

    void headerOnceThenBatchesWithBlanks()
    {
        Files f;
        f.read("14:31:37", "253", "456");
        QVERIFY(f.records.wData());
        const QByteArray first =
            header("2026/12/6") + "14:31:37\t253,\t456,\t,\t,\t,\t,\t,\t,\t,\t,\t,\t,\t.\r\n";
        QCOMPARE(f.bytes("2026-12-6.txt"), first);
        f.read("14:31:42", "254", "457");
        f.read("14:31:47", "255", "458");
        f.records.wData();
        const QByteArray later = "14:31:42\t254,\t457,\t ,\t ,\t ,\t ,\t ,\t ,\t ,\t ,\t  ,\t ,\t .\r\n"
                                 "14:31:47\t255,\t458,\t ,\t ,\t ,\t ,\t ,\t ,\t ,\t ,\t  ,\t ,\t .\r\n";
        QCOMPARE(f.bytes("2026-12-6.txt"), first + later);
        QCOMPARE(int(f.buffer.recCount), 0);
    }

    void readingsBeforeMidnightGoToTheDayOfWriting()
    {
        Files f;
        f.read("23:59:58", "253", "456");
        f.clock.advance((14 * 3600 + 3) * 1000); // 0:00:03 on the 7th
        f.records.wData();
        QCOMPARE(f.bytes("2026-12-7.txt").left(header("2026/12/7").size() + 8),
                 header("2026/12/7") + "23:59:58");
        QVERIFY(!QFile::exists(f.dir.filePath(QStringLiteral("record/2026-12-6.txt"))));
    }

    void localeFormats_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::newRow("zh_CN") << QLocale(QLocale::Chinese, QLocale::China) << "2026/12/4"
                               << "09:05:07";
        QTest::newRow("en_US: seconds added") << QLocale(QLocale::English, QLocale::UnitedStates) << "12/4/26"
                                              << "9:05:07 AM";
        QTest::newRow("no locale set (C)") << QLocale::c() << "2026-12-04"
                                           << "09:05:07";
    }
    void localeFormats()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, date);
        QFETCH(QString, time);
        QCOMPARE(RecordFile::headerLine(QDate(2026, 12, 4), locale).section('\t', 0, 0), date);
        QCOMPARE(RecordFile::timeText(QTime(9, 5, 7), locale), time);
    }

    // A disk that fills up during a batch: the file keeps whole lines only, and every entry is
    // either in it or in the rescue file.
    void fullDiskKeepsWholeLinesAndRescuesTheRest()
    {
        Files f;
        TMPFS_MOUNT(tiny, f.dir.filePath(QStringLiteral("record")), QStringLiteral("size=64k"));
        QFile filler(f.dir.filePath(QStringLiteral("record/filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(4096, 'x')) == 4096) {
        }
        QVERIFY(filler.resize(filler.size() / 4096 * 4096 - 4096)); // one page left for the record file
        filler.close();
        for (int i = 0; i < 100; ++i) // lines of 80 bytes
            f.read((QByteArray::number(10000 + i) + QByteArray(40, 'x')).constData(), "253", "456");
        QVERIFY(!f.records.wData());

        const QByteArray file = f.bytes("2026-12-6.txt");
        QVERIFY(file.endsWith("\r\n"));
        const int inFile = int(file.count("\r\n")) - 1;
        QVERIFY2(inFile > 0 && inFile < 100, qPrintable(QString::number(inFile)));
        const QStringList rescues = QDir(f.dir.filePath(QStringLiteral("export"))).entryList(QDir::Files);
        QCOMPARE(rescues.size(), 1);
        QFile rescue(f.dir.filePath(QStringLiteral("export/") + rescues.at(0)));
        QVERIFY(rescue.open(QIODevice::ReadOnly));
        const QList<QByteArray> rescued = rescue.readAll().split('\n');
        QCOMPARE(rescued.at(1).left(5),
                 QByteArray::number(10000 + inFile)); // the first entry not in the file
        QCOMPARE(inFile + rescued.size() - 2, 100);   // header, and the empty piece after the last CR LF
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
        BusRig r(sensor(1, QStringLiteral("late=%1").arg(lateMs)));
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
        BusRig r(sensor(1) + sensor(2, QStringLiteral("silent")));
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
        BusRig r(sensor(1) + sensor(3, QStringLiteral("late=600")));
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
        BusRig r(sensor(1, QStringLiteral("late=600")) + sensor(2));
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
        BusRig r(sensor(1));
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
        BusRig r(sensor(1));
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
        BusRig r(sensor(1));
        Station &s = *r.station;
        s.panel.setCheckedItem(Panel::ReadSelfItem);
        s.panel.txtSelf = {QStringLiteral("240"), length};
        QVERIFY(s.products.CMDRHTread_Click().ok());
        QCOMPARE(r.wire.requests.last(), withCrc(QByteArray::fromHex("010300f00004")));
        QCOMPARE(r.op.messages.size(), 1); // the identity block, no refusal
        QVERIFY(r.op.messages[0].text.contains(QStringLiteral("230415")));
    }

    // Frame1 and Frame5 are disabled while the settings dialog is open for a start, whatever the
    // answer; a cancelled dialog starts nothing.
    void framesDisabledWhileSettingsOpen_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void framesDisabledWhileSettingsOpen()
    {
        QFETCH(bool, ok);
        BusRig r(sensor(1));
        Station &s = *r.station;
        s.polling.cmdLoopR_Click();
        QCOMPARE(s.framesEnabled(), false);
        ok ? s.settingsRequest.accept() : s.settingsRequest.cancel();
        QCOMPARE(s.framesEnabled(), true);
        QCOMPARE(s.polling.timerActive(), ok);
    }

    // Rows of the gaps made by adding a device above the range carry their address, so a device
    // added into such a gap later can be renamed.
    void gapRowAboveTheRangeCanBeRenamed()
    {
        BusRig r(sensor(3) + sensor(8) + sensor(6));
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
        BusRig r(QStringLiteral("5 49 9 230611 0005 0C\n"));
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

QTEST_MAIN(TstStation)
#include "tst_station.moc"

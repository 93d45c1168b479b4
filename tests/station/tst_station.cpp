// A whole station on kestrel-sim's bus model in process, with injected time: the polling cycle
// (intervals of seconds and minutes, 300 passes, new, silent and late devices, clicks during an
// exchange, a device added while it runs), start-up, and readings still in memory when the program
// ends. The timed reading: reads every t seconds, refused entries, the record file at stop and at
// program end, a record folder that refuses writes, and how it meets polling and the port. The
// daily record files on their own: byte for byte (GBK, CR LF, tabs, commas, the full stop), the day
// of writing, the locale's dates and times, and a disk that fills up during a write.
#include "common/busrig.h"
#include "common/files.h"
#include "common/peek.h"
#include "common/stationrig.h"
#include "common/tmpfsmount.h"
#include "polling/texts.h"
#include "recording/recordfile.h"

#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;
namespace pt = kestrel::texts::polling;

namespace {
#define RIG(...)                                                                                             \
    BusRig r(__VA_ARGS__);                                                                                   \
    Station &s = *r.station

// The lines of a file in the data folder.
QByteArray bytes(const BusRig &r, const char *file = "record/2026-12-6.txt")
{
    return fileBytes(r.data.filePath(QLatin1String(file)));
}
QStringList lines(const BusRig &r, const char *file = "record/2026-12-6.txt")
{
    return QString::fromLatin1(bytes(r, file)).split("\r\n", Qt::SkipEmptyParts);
}

// 2026/12/6 TAB 温度 TAB 湿度 TAB CO2 ... as GBK bytes.
QByteArray header(const char *date)
{
    return QByteArray(date) +
           "\t\xCE\xC2\xB6\xC8\t\xCA\xAA\xB6\xC8\tCO2\tVOC\tPM2.5\tCO\tO2\tO3\tHCHO\tH2S\tNH3\tNO2\tPM10\r\n";
}

// A timed reading of temperature and humidity, put into the station's buffer.
void take(Station &s, const QByteArray &time, const char *t, const char *rh)
{
    RecordEntry &e = s.timed.current();
    e.time = QLatin1String(time), e.values[0] = QLatin1String(t), e.values[1] = QLatin1String(rh);
    ++s.timed.recCount;
}
} // namespace

class TstStation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China)); }

    void readsInTurnFiveSecondsApart()
    {
        RIG(sensor(1) + sensor(2) + sensor(3), {1, 2, 3});
        r.poll(1, 3, 5);
        QList<int> cycles;
        for (int ms : {100, 5000, 5000, 5000, 5000, 5000, 5000}) {
            r.advance(ms);
            cycles << s.readings.CycleCount;
        }
        QCOMPARE(r.to(), (QList<int>{1, 2, 3, 1, 2, 3, 1}));
        QCOMPARE(cycles, (QList<int>{0, 0, 1, 1, 1, 2, 2}));
        QCOMPARE(r.times(), u"0 5 10 15 20 25 30"_qs);
        QCOMPARE(s.grid.cell(3, 2), u"20.3"_qs);
    }

    // Minutes are counted down first, then the seconds; whole minutes keep their interval; a pause
    // holds the countdown, and "继续" goes on with the minutes still to count.
    void minuteCountdown()
    {
        RIG(sensor(1), {1});
        r.poll(1, 1, 65);
        r.advance(100 + 125000);
        QCOMPARE(r.sentMs, (QList<qint64>{60100, 125100})); // the settings' countdown runs first
        s.polling.cmdLoopR_Click();
        r.poll(1, 1, 120);
        r.advance(100 + 3 * 120000);
        QCOMPARE(r.sentMs.mid(2),
                 (QList<qint64>{245200, 365200, 485200})); // whole minutes keep their interval
        s.polling.cmdLoopR_Click();
        r.poll(1, 1, 125); // 2 min 5 s: the first read at 120.1 s
        r.advance(131000); // and one of the two minutes counted down 5 s later
        s.polling.cmdLoopP_Click();
        r.advance(300000);
        s.polling.cmdLoopP_Click(); // 100 ms, then the last minute
        r.advance(61000);
        QCOMPARE(r.sentMs.mid(5), (QList<qint64>{485200 + 120100, 485200 + 131000 + 300000 + 60100}));
    }

    // With saving on, the 300th pass writes the log (without saving: tst_recording).
    void threeHundredPassesWrapTheBuffer()
    {
        RIG(sensor(4), {4});
        r.poll(4, 4, 1, true);
        r.advance(100 + 298 * 1000);
        QCOMPARE(s.readings.CycleCount, 299);
        QCOMPARE(r.logged(), 0);
        r.advance(1000); // temperature and humidity of every pass
        QCOMPARE(s.readings.CycleCount, 0);
        QCOMPARE(r.logged(), 600);
        r.advance(1000);
        QCOMPARE(s.readings.CycleCount, 1);
    }

    // The codes go to their own SAVEPRO columns, and the value is read in the same tick.
    void newDeviceLearntStoredAndReadInTheSameTick()
    {
        RIG(u"2 0 6 230415 0002 17 set=6:450\n"_qs);
        r.poll(2, 2, 5);
        r.advance(100);
        QCOMPARE(s.devices.at(2).typeName, u"CO2"_qs);
        QCOMPARE(query(s.db, "SELECT MIXPRO, PROTYPE FROM SAVEPRO WHERE ADDRESS = 2"), QStringList{"0|6"});
        QCOMPARE(r.sent, (QList<QByteArray>{request(2, 240, 4), request(2, 6, 1)}));
        QCOMPARE(s.readings.value(2, 1, 0), uint16_t(450));
        QCOMPARE(s.grid.cell(1, 4), u"450.0"_qs);
    }

    // 1 is new and never answers, 3 is known and has gone quiet: 1 is marked absent and passed
    // over, 3's time-out is reported and it is asked again. A row goes old when its device's read
    // fails or the port is lost, and live again when the device answers. A range all absent asks
    // nobody.
    void silentDevices()
    {
        RIG(sensor(1, "silent") + sensor(2) + sensor(3, "silent"), {2, 3});
        r.poll(1, 3, 1);
        r.advance(100);  // asks 1 for its type: 3 s of silence
        r.advance(1000); // reads 2
        r.advance(1000); // 3 times out
        QCOMPARE(r.sent, (QList<QByteArray>{request(1, 240, 4), request(2, 2, 2), request(3, 2, 2)}));
        QCOMPARE(s.devices.at(1).absent, uint8_t(1));
        QCOMPARE(s.devices.at(3).absent, uint8_t(0));
        QCOMPARE(s.readings.CycleCount, 1);
        QCOMPARE(s.Text5, u"3号设备通迅超时！"_qs);
        QVERIFY(!s.readings.hasTime(3, 1));
        QVERIFY(s.polling.timerActive());
        QCOMPARE(s.grid.rowHeight(1), 0);
        QCOMPARE(s.grid.rowState(2), DeviceGrid::RowState::Live);
        QCOMPARE(s.grid.rowState(3), DeviceGrid::RowState::Old);
        Q_EMIT r.wire.lost(u"unplugged"_qs);
        QCOMPARE(s.grid.rowState(2), DeviceGrid::RowState::Old);
        r.sent.clear();
        r.advance(1000); // 1 passed over, 2 read in the same tick: the wire is still there
        QCOMPARE(r.sent, QList<QByteArray>{request(2, 2, 2)});
        QCOMPARE(s.grid.rowState(2), DeviceGrid::RowState::Live);
        QCOMPARE(s.exchange.failureCount, quint16(0));
        s.devices.at(2).absent = s.devices.at(3).absent = 1; // all absent: nobody is asked
        r.advance(3000);
        QCOMPARE(r.sent.size(), 1);
        QVERIFY(s.polling.timerActive());
    }

    // Clicks while device 1's exchange waits: the tick ends before anything else happens, so a
    // device is never read twice in a pass nor one skipped.
    void clickDuringAnExchange_data()
    {
        QTest::addColumn<QString>("clicks"); // P "暂停"/"继续", R "结束"
        QTest::addColumn<QString>("captions");
        QTest::addColumn<QList<int>>("to");
        QTest::newRow("暂停") << u"P"_qs << u"结束 继续"_qs << QList<int>{1};
        QTest::newRow("结束: the save question") << u"R"_qs << u"轮询 暂停"_qs << QList<int>{1};
        QTest::newRow("暂停 and 继续: one tick at a time")
            << u"PP"_qs << u"结束 暂停"_qs << QList<int>{1, 2, 1, 2, 1};
    }
    void clickDuringAnExchange()
    {
        QFETCH(QString, clicks);
        RIG(sensor(1, "late=600") + sensor(2), {1, 2});
        QSignalSpy dialog1(&s, &Station::dialog1Requested);
        r.onFrame(1, [&] {
            for (QChar c : clicks)
                c == 'P' ? s.polling.cmdLoopP_Click() : s.polling.cmdLoopR_Click();
        });
        r.poll(1, 2, 1);
        r.advance(100 + 5000);
        QTEST(r.to(), "to");
        QTEST(s.polling.loopRCaption() + ' ' + s.polling.loopPCaption(), "captions");
        QCOMPARE(s.polling.timerActive(), clicks == u"PP"_qs);
        QCOMPARE(dialog1.size(), int(clicks == u"R"_qs));
    }

    // Adding a device while polling runs pauses the cycle for the device check and continues it
    // afterwards; a cycle the operator paused stays paused, one stopped during the check stays
    // stopped, and the next run starts unpaused.
    void addDeviceWhilePolling_data()
    {
        QTest::addColumn<QString>("click"); // before the check, or during it
        QTest::addColumn<QString>("after");
        QTest::newRow("running") << QString() << u"结束 暂停 timer on"_qs;
        QTest::newRow("paused by the operator") << u"pause"_qs << u"结束 继续 timer off"_qs;
        QTest::newRow("stopped during the check") << u"stop"_qs << u"轮询 暂停 timer off"_qs;
    }
    void addDeviceWhilePolling()
    {
        QFETCH(QString, click);
        RIG(sensor(1) + sensor(2) + u"3 0 6 230415 0003 17 late=600\n"_qs, {1, 2});
        const auto state = [&] {
            return s.polling.loopRCaption() + ' ' + s.polling.loopPCaption() +
                   (s.polling.timerActive() ? " timer on" : " timer off");
        };
        r.poll(1, 2, 1);
        r.advance(1100);
        if (click == u"pause"_qs)
            s.polling.cmdLoopP_Click();
        QString during; // the cycle's state while the type query waits
        r.onFrame(1, [&] {
            during = state();
            if (click == u"stop"_qs)
                s.polling.cmdLoopR_Click();
        });
        s.setText4(u"3"_qs);
        s.cmdAddDev_Click();
        QCOMPARE(during, u"结束 继续 timer off"_qs);
        QCOMPARE(s.devices.PollEnd, 3);
        QTEST(state(), "after");
        if (s.polling.phase() == Polling::Phase::Active)
            s.polling.cmdLoopR_Click();
        r.poll(1, 3, 1); // the next run starts unpaused
        r.sent.clear();
        r.advance(6000);
        QCOMPARE(r.to().mid(0, 4), (QList<int>{1, 2, 3, 1}));
    }

    void startUpWithoutADataBaseSaysSoAndGoesOn()
    {
        RIG(sensor(1));
        // The next start finds a file of another data base program in its place.
        const QByteArray jet = QByteArray("\x00\x01\x00\x00Standard Jet DB", 19) + QByteArray(2000, 0);
        QVERIFY(!writeFile(s.db.filePath(), jet).isEmpty());
        s.Form_Load();
        QCOMPARE(r.op.messages.size(), 1);
        QVERIFY(r.op.messages.first().text.contains(u"Record.mdb"_qs));
        s.panel.TxtB1 = u"1"_qs; // the rest of the program works
        s.products.CMDRHTread_Click();
        QCOMPARE(s.panel.valueText(0), u"20.1"_qs);
    }

    // Two passes and a half when polling stops: the complete passes go to the log (the half pass is
    // not carried into the next run), or to a rescue file when the data base refuses them.
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
        RIG(sensor(1) + sensor(2), {1, 2});
        r.poll(1, 2, 1, true);
        r.advance(100 + 4 * 1000);
        QCOMPARE(s.readings.CycleCount, 2);
        if (refused) // the data base goes away under the running program
            QVERIFY(QFile::remove(s.db.filePath()) && QDir().mkpath(s.db.filePath()));
        programEnd ? s.Form_Unload() : s.polling.cmdLoopR_Click();
        QCOMPARE(s.polling.phase(), Polling::Phase::Stopped);
        QCOMPARE(s.readings.CycleCount, 0);
        QVERIFY(!s.readings.hasTime(1, 3));
        const QDir exports(r.data.filePath(u"export"_qs));
        const QStringList files = exports.entryList({u"unsaved-*.txt"_qs});
        QCOMPARE(r.op.messages.size(), int(refused));
        QCOMPARE(files.size(), int(refused));
        QCOMPARE(r.logged(), refused ? 0 : 2 * 4);
        if (!refused)
            return;
        const QByteArray text = fileBytes(exports.filePath(files.first())); // every reading once, CR LF
        QVERIFY(text.startsWith("READTIME,READVALUE,PROTYPE,ADDRESS\r\n"));
        QCOMPARE(text.count("\r\n"), 1 + 2 * 4);
        for (const char *reading : {",201,T,1\r\n", ",500,RH,1\r\n", ",202,T,2\r\n", ",500,RH,2\r\n"})
            QVERIFY2(text.count(reading) == 2, reading);
    }

    void timedReading_data()
    {
        QTest::addColumn<QString>("t");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("times");
        QTest::addColumn<QString>("message");
        QTest::newRow("5 s") << "5" << 16 << "5 10 15" << QString();
        QTest::newRow("90 s: a minute counted down after 30 s") << "90" << 200 << "90 180" << QString();
        QTest::newRow("whole minutes: every 120 s") << "120" << 250 << "120 240" << QString();
        for (const char *t : {"0", "600", "abc"})
            QTest::newRow(t) << t << 700 << "" << tr8(pt::BadSetTime);
    }
    void timedReading()
    {
        QFETCH(QString, message);
        RIG(sensor(1));
        QFETCH(QString, t);
        s.timedReading.setTxtSetTime(t);
        s.timedReading.cmdAutoRead_Click();
        QFETCH(int, seconds);
        r.advance(seconds * 1000);
        QTEST(r.times(), "times");
        QCOMPARE(r.op.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(s.timedReading.autoReadCaption(),
                 tr8(message.isEmpty() ? pt::AutoReadStop : pt::AutoReadStart));
    }

    // The timed reading at 5 s ends: stopped, the program ended, or the port closed. What was read
    // is written (the header alone when nothing was), and nothing is read afterwards.
    void timedReadingEnds_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("readings");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QString>("caption");
        QTest::newRow("停止 after 7") << "stop" << 7 << 1 + 7 << tr8(pt::AutoReadStart);
        QTest::newRow("program end after 2") << "end" << 2 << 1 + 2 << QString(); // not shown
        QTest::newRow("program end, nothing read") << "end" << 0 << 1 << QString();
        QTest::newRow("port closed: Timer2 off") << "port" << 1 << 0 << tr8(pt::AutoReadStop);
    }
    void timedReadingEnds()
    {
        QFETCH(QString, how);
        QFETCH(int, readings);
        RIG(sensor(1));
        s.timedReading.setTxtSetTime(u"5"_qs);
        s.timedReading.cmdAutoRead_Click();
        r.advance(readings * 5000);
        how == u"end"_qs    ? s.Form_Unload()
        : how == u"port"_qs ? s.portControl.Com_Click()
                            : s.timedReading.cmdAutoRead_Click();
        QTEST(int(lines(r).size()), "lines");
        if (lines(r).size() > 1)
            QCOMPARE(lines(r).last().section('\t', 0, 2),
                     u"10:00:%1\t201,\t500,"_qs.arg(readings * 5, 2, 10, QChar('0')));
        if (how != u"end"_qs) // program end leaves it as it is
            QTEST(s.timedReading.autoReadCaption(), "caption");
        r.advance(60000);
        QCOMPARE(r.sent.size(), readings);
    }

    // Tests run as root, so only a read-only mount makes the record folder refuse writes.
    void refusedWritesAreToldOnceAndRescued()
    {
        RIG(sensor(1));
        s.timedReading.setTxtSetTime(u"1"_qs);
        s.timedReading.cmdAutoRead_Click();
        TMPFS_MOUNT(ro, r.data.filePath("record"), u"ro,size=1m"_qs);
        r.advance(100000); // the 100th reading writes from inside the read
        QTRY_COMPARE(r.op.messages.size(), 1);
        QVERIFY(r.op.texts().at(0).contains(r.data.filePath("record/2026-12-6.txt")));
        r.advance(5000);
        QCOMPARE(r.sent.size(), 105); // the timed reading goes on
        s.timedReading.cmdAutoRead_Click();
        QCoreApplication::processEvents();
        QCOMPARE(r.op.messages.size(), 1);
        QCOMPARE(lines(r, "export/unsaved-20261206-100140.txt").size(), 1 + 100);
        QCOMPARE(lines(r, "export/unsaved-20261206-100145.txt").at(5).section('\t', 0, 2),
                 u"10:01:45\t201,\t500,"_qs);
    }

    void pollingStartedMeanwhileEndsWithTheStop()
    {
        RIG(sensor(1), {1});
        s.timedReading.setTxtSetTime(u"30"_qs);
        s.timedReading.cmdAutoRead_Click();
        r.poll(1, 1, 5);
        r.advance(1000);
        QCOMPARE(s.timedReading.state(), TimedReading::State::Running);
        s.timedReading.cmdAutoRead_Click();
        QCOMPARE(s.polling.loopRCaption(), u"轮询"_qs); // not "结束" over a halted cycle
    }

    // The first write of the day has the header; a later one has none, and blanks in the empty
    // columns (two for NH3); readings taken before midnight and written after go to the next day.
    void recordFileByteForByte()
    {
        RIG(sensor(1));
        take(s, "14:31:37", "253", "456");
        QVERIFY(s.records.wData());
        const QByteArray first =
            header("2026/12/6") + "14:31:37\t253,\t456,\t,\t,\t,\t,\t,\t,\t,\t,\t,\t,\t.\r\n";
        QCOMPARE(bytes(r), first);
        take(s, "14:31:42", "254", "457");
        take(s, "14:31:47", "255", "458");
        s.records.wData();
        const QByteArray later = "14:31:42\t254,\t457,\t ,\t ,\t ,\t ,\t ,\t ,\t ,\t ,\t  ,\t ,\t .\r\n"
                                 "14:31:47\t255,\t458,\t ,\t ,\t ,\t ,\t ,\t ,\t ,\t ,\t  ,\t ,\t .\r\n";
        QCOMPARE(bytes(r), first + later);
        QCOMPARE(int(s.timed.recCount), 0);
        take(s, "23:59:58", "253", "456");
        r.advance((14 * 3600 + 3) * 1000); // 0:00:03 on the 7th
        s.records.wData();
        QCOMPARE(bytes(r, "record/2026-12-7.txt").left(header("2026/12/7").size() + 8),
                 header("2026/12/7") + "23:59:58");
        QCOMPARE(bytes(r), first + later);
    }

    void localeFormats_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::newRow("zh_CN") << QLocale(u"zh_CN"_qs) << u"2026/12/4"_qs << u"09:05:07"_qs;
        QTest::newRow("en_US: seconds added") << QLocale(u"en_US"_qs) << u"12/4/26"_qs << u"9:05:07 AM"_qs;
        QTest::newRow("no locale set (C)") << QLocale::c() << u"2026-12-04"_qs << u"09:05:07"_qs;
    }
    void localeFormats()
    {
        QFETCH(QLocale, locale);
        QTEST(RecordFile::headerLine(QDate(2026, 12, 4), locale).section('\t', 0, 0), "date");
        QTEST(RecordFile::timeText(QTime(9, 5, 7), locale), "time");
    }

    // A disk that fills up during a batch: the file keeps whole lines only, and every entry is
    // either in it or in the rescue file.
    void fullDiskKeepsWholeLinesAndRescuesTheRest()
    {
        RIG(sensor(1));
        TMPFS_MOUNT(tiny, r.data.filePath(u"record"_qs), u"size=4k"_qs); // one page for the record file
        for (int i = 0; i < 100; ++i)                                    // lines of 80 bytes
            take(s, QByteArray::number(10000 + i) + QByteArray(40, 'x'), "253", "456");
        QVERIFY(!s.records.wData());
        const QByteArray file = bytes(r);
        QVERIFY(file.endsWith("\r\n"));
        const int inFile = int(file.count("\r\n")) - 1;
        QVERIFY2(inFile > 0 && inFile < 100, qPrintable(QString::number(inFile)));
        const QDir exports(r.data.filePath(u"export"_qs));
        QCOMPARE(exports.entryList(QDir::Files).size(), 1);
        const QList<QByteArray> rescued =
            fileBytes(exports.filePath(exports.entryList(QDir::Files)[0])).split('\n');
        QCOMPARE(rescued.at(1).left(5),
                 QByteArray::number(10000 + inFile)); // the first entry not in the file
        QCOMPARE(inFile + rescued.size() - 2, 100);   // header, and the empty piece after the last CR LF
    }

    // A device polled alone every second answers 3.5 s or 4.2 s after each request: no reply is
    // taken for a later request, so no value is shown or logged.
    void lateDeviceShowsNoStaleValue_data()
    {
        QTest::addColumn<QString>("late");
        QTest::newRow("3.5 s") << "late=3500";
        QTest::newRow("4.2 s") << "late=4200";
    }
    void lateDeviceShowsNoStaleValue()
    {
        QFETCH(QString, late);
        RIG(sensor(1, qPrintable(late)), {1});
        r.poll(1, 1, 1, true);
        r.advance(60000);
        QVERIFY(r.sent.size() >= 8);
        QCOMPARE(s.grid.cell(1, DeviceGrid::FirstQuantityColumn), QString());
        QCOMPARE(s.panel.valueText(0), QString());
        QVERIFY(s.exchange.lateReplies() > 0);
        QCOMPARE(s.Text5, u"1"_qs + tr8(pt::TimeoutSuffix));
        s.polling.cmdLoopR_Click(); // stop: the readings so far are flushed
        QCOMPARE(r.logged(), 0);
    }

    // A custom read at start register 240 reads the whole identity block, whatever the length box
    // holds: a length it never uses cannot refuse it.
    void identityReadIgnoresTheLengthBox_data()
    {
        QTest::addColumn<QString>("length");
        for (const char *length : {"", "0", "ab", "999"})
            QTest::newRow(length) << length;
    }
    void identityReadIgnoresTheLengthBox()
    {
        QFETCH(QString, length);
        RIG(sensor(1));
        s.panel.setCheckedItem(Panel::ReadSelfItem);
        s.panel.txtSelf = {u"240"_qs, length};
        QVERIFY(s.products.CMDRHTread_Click().ok());
        QCOMPARE(r.wire.requests.last(), withCrc(QByteArray::fromHex("010300f00004")));
        QCOMPARE(r.op.messages.size(), 1); // the identity block, no refusal
        QVERIFY(r.op.messages[0].text.contains(u"230415"_qs));
    }

    // A cancelled settings dialog starts nothing, and the frames it held are released. (Held while
    // it is open and released by OK: tst_mainwindow. The single read stopping a running poll:
    // tst_productside's read table, on a whole station.)
    void cancelledSettingsStartNothing()
    {
        RIG(sensor(1), {1});
        s.polling.cmdLoopR_Click();
        QCOMPARE(s.framesEnabled(), false);
        s.settingsRequest.cancel();
        QCOMPARE(s.framesEnabled(), true);
        QCOMPARE(s.polling.timerActive(), false);
        QCOMPARE(s.polling.loopRCaption(), tr8(pt::LoopStart));
    }
};

QTEST_MAIN(TstStation)
#include "tst_station.moc"

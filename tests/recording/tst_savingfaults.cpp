// The reading log when Record.mdb fails: a lock held by another program, a flush that fails at
// the 300th pass, aliases that cannot be read, readings of a run without saving. Polling runs
// against kestrel-sim on injected time.
#include "common/manualtime.h"
#include "common/tmpfsmount.h"
#include "common/stationrig.h"
#include "common/tr8.h"
#include "polling/texts.h"
#include "recording/dbconnection.h"
#include "recording/texts.h"

#include <QtTest>
#include <sqlite3.h>

using namespace kestrel;
using namespace kestrel::test;

namespace {

// A T+RH sensor at address 1 polled every second, saving as chosen.
struct Rig : ManualTime, StationRig {
    explicit Rig(bool save)
        : StationRig(QStringLiteral("1 33 3 230415 0001 17\n"), *this, *this, {QStringLiteral("--fixed")})
    {
        if (!ok())
            return;
        station->devices.at(1) = {33, 3, 0, QStringLiteral("T+RH"), {}};
        station->devices.PollStart = station->devices.PollEnd = 1;
        station->settings.setInterval(1);
        station->settings.SaveEnabled = save;
    }
    void start(bool save)
    {
        station->settings.SaveEnabled = save;
        station->polling.cmdLoopR_Click();
        station->settingsRequest.accept();
    }
    void passes(int n) { advance(100 + qint64(n - 1) * 1000 + 1); }
    int logged() const
    {
        return int(station->db.readings(now().addYears(-1), now().addYears(1)).value.size());
    }
    // Record.mdb goes away under the running program: a folder takes its name.
    void breakDb()
    {
        QVERIFY(QFile::remove(station->db.filePath()) && QDir().mkpath(station->db.filePath()));
    }
    void repairDb() { QVERIFY(QDir(station->db.filePath()).removeRecursively()); }
    QStringList told()
    {
        QCoreApplication::processEvents(); // messages of a tick come after it
        return op.texts();
    }
};

// Another program's write lock on a data base file, held until the object goes.
struct WriteLock {
    sqlite3 *db = nullptr;
    explicit WriteLock(const QString &path)
    {
        sqlite3_open(path.toUtf8().constData(), &db);
        held = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~WriteLock() { sqlite3_close(db); }
    bool held = false;
};

} // namespace

class TstSavingFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A flush that finds Record.mdb locked gives up within a blink, keeps its readings and writes
    // them at the next flush; the readings still land beside it meanwhile.
    void lockedDataBaseNeverFreezesTheWindow()
    {
        QTemporaryDir dir;
        RecordDb db(dir.path());
        QVERIFY(db.check().ok);
        ReadingLog log(db);
        ReadingBuffer buffer;
        const std::vector<LoggedDevice> devices{{1, {QStringLiteral("T"), QStringLiteral("RH")}}};
        buffer.setTime(1, 1, QDateTime(QDate(2026, 12, 6), QTime(10, 0)));
        buffer.CycleCount = 1;

        auto lock = std::make_unique<WriteLock>(db.filePath());
        QVERIFY(lock->held);
        QVERIFY(log.land(buffer, devices.front(), 1).ok);
        QElapsedTimer held;
        held.start();
        const FlushResult failed = log.flushReadings(buffer, devices, true);
        QVERIFY(!failed.ok);
        QVERIFY2(held.elapsed() < db::BusyTimeoutMs * 2 + 100, qPrintable(QString::number(held.elapsed())));
        QCOMPARE(failed.waiting, 2);

        lock.reset();
        QCOMPARE(log.flushReadings(buffer, devices, true).written, 2);
        QCOMPARE(int(db.readings(QDateTime(QDate(2026, 1, 1), QTime()), QDateTime(QDate(2027, 1, 1), QTime()))
                         .value.size()),
                 2);
    }

    // A crash between the commit of SAVEDATA and the clearing of Record.pending: the next start
    // writes the rows only when SAVEDATA does not hold them yet.
    void crashDuringAMoveLogsOnce_data()
    {
        QTest::addColumn<bool>("committed");
        QTest::newRow("SAVEDATA committed") << true;
        QTest::newRow("SAVEDATA not committed") << false;
    }
    void crashDuringAMoveLogsOnce()
    {
        QFETCH(bool, committed);
        QTemporaryDir dir;
        const RecordDb db(dir.path());
        const qint64 t = QDateTime(QDate(2026, 12, 6), QTime(10, 0)).toSecsSinceEpoch();
        const std::vector<LogRow> earlier{{t - 60, 1, 2, QStringLiteral("CO2")}};
        const std::vector<LogRow> rows{{t, 215, 1, QStringLiteral("T")}, {t, 500, 1, QStringLiteral("RH")}};
        QVERIFY(db.appendReadings(earlier).ok);
        {
            PendingStore pending(dir.path());
            QVERIFY(pending.land(1, 1, rows).ok);
            QVERIFY(pending.markMove({1, 1, 2}).ok);
        }
        if (committed)
            QVERIFY(db.appendReadings(rows).ok);

        const ReadingLog::Recovery r = ReadingLog(db).recoverPending();
        QVERIFY(r.ok);
        QCOMPARE(r.recovered, committed ? 0 : 2);
        QCOMPARE(db.readings(QDateTime::fromSecsSinceEpoch(t - 60), QDateTime::fromSecsSinceEpoch(t + 1))
                     .value.size(),
                 size_t(3));
        QCOMPARE(PendingStore(dir.path()).count(), 0);
    }

    // A run with saving on whose last flush failed, then a run without saving: at program end the
    // first run's readings are logged, the second run's are not.
    void onlyReadingsTakenWithSavingAreLogged()
    {
        STATION_RIG(Rig, r, true);
        r.start(true);
        r.passes(2);
        r.breakDb();
        s.polling.cmdLoopR_Click(); // the stop's flush fails
        QCOMPARE(s.log.waitingRows(), size_t(4));
        r.repairDb();
        r.start(false);
        r.passes(3);
        s.Form_Unload();
        QCOMPARE(r.logged(), 4);
    }

    // 300 passes without saving wrap the buffer and leave no reading in it.
    void wrapWithoutSavingEmptiesTheBuffer()
    {
        STATION_RIG(Rig, r, false);
        r.start(false);
        r.passes(300);
        QCOMPARE(s.readings.CycleCount, 0);
        QVERIFY(!s.readings.hasTime(1, 1));
        QVERIFY(!s.readings.hasTime(1, 300));
    }

    // The flush of the 300th pass fails: one message box, the readings kept and written by the
    // next flush, nothing in the message line.
    void failedFlushIsToldOnceAndRetried()
    {
        STATION_RIG(Rig, r, true);
        r.start(true);
        r.passes(299);
        r.breakDb();
        r.advance(2000); // the 300th pass and one more
        QCOMPARE(r.told().size(), 1);
        QVERIFY(r.told().first().startsWith(tr8(texts::polling::SaveFailed)));
        QVERIFY(s.Text5.isEmpty());
        r.repairDb();
        s.polling.cmdLoopR_Click();
        QCOMPARE(r.logged(), 2 * 301);
        QCOMPARE(r.told().size(), 1);
    }

    // Polling with saving on a data folder whose disk fills up: the landing failure is told once,
    // the flush at the stop and the rescue at program end each say so; nothing goes unmentioned.
    void fullDiskIsToldNotHidden()
    {
        STATION_RIG(Rig, r, true);
        TMPFS_MOUNT(disk, r.data.path(), QStringLiteral("size=256k"));
        QVERIFY(s.db.check().ok); // a fresh Record.mdb on the small disk
        QFile filler(QDir(r.data.path()).filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(512, 'x')) == 512) {
        }
        while (filler.write("x", 1) == 1) {
        }
        r.start(true);
        r.passes(3);
        QCOMPARE(r.told().size(), 1);
        QVERIFY(r.told().first().startsWith(tr8(texts::polling::LandFailed)));
        s.polling.cmdLoopR_Click();
        QCOMPARE(r.told().size(), 2);
        QVERIFY(r.told().last().startsWith(tr8(texts::polling::SaveFailed)));
        QCOMPARE(s.log.waitingRows(), size_t(6));
        s.Form_Unload(); // the day's record file says so too, before
        QVERIFY(r.told().last().endsWith(tr8(texts::recording::RescueNone)));
    }

    // Aliases that cannot be read at the start of polling are told once; polling goes on.
    void aliasesNotReadAreToldOnce()
    {
        STATION_RIG(Rig, r, false);
        r.breakDb();
        for (int run = 0; run < 2; ++run) {
            r.start(false);
            r.passes(2);
            QCOMPARE(s.polling.phase(), Polling::Phase::Active);
            QCOMPARE(s.readings.CycleCount, 2);
            s.polling.cmdLoopR_Click();
        }
        QCOMPARE(r.told().size(), 1);
        QVERIFY(r.told().first().startsWith(tr8(texts::polling::AliasesFailed)));
    }
};

QTEST_GUILESS_MAIN(TstSavingFaults)
#include "tst_savingfaults.moc"

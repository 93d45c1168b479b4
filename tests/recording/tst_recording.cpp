// Record.mdb on a real file and, in the cases marked "per engine", a PostgreSQL data base of a
// server the test starts for itself: the registry, the reading log with its flushes and the
// history queries, files that cannot be opened, the READTIME texts and the maintenance commands with their
// menu. The tests look into the file through a connection of their own, so they check what the
// file holds rather than what the data base class says it holds. The history dialog on a file
// filled through the reading log's own writer: the range and address questions, the refusals, the
// pages of a large result fixed at "显示", the export file byte for byte, and the dialog opened
// from the main window and worked through its widgets.
#include "common/files.h"
#include "common/peek.h"
#include "common/pgserver.h"
#include "common/manualtime.h"
#include "common/recordingoperator.h"
#include "common/simprocess.h"
#include "common/stationrig.h"
#include "common/tmpfsmount.h"
#include "common/tr8.h"
#include "devices/configfile.h"
#include "devices/devicetable.h"
#include "history/historyexport.h"
#include "history/historymodel.h"
#include "history/historyquery.h"
#include "history/texts.h"
#include "polling/texts.h"
#include "recording/dbconnection.h"
#include "recording/readingbuffer.h"
#include "recording/readinglog.h"
#include "recording/recorddb.h"
#include "recording/recordfile.h"
#include "recording/rescuefile.h"
#include "recording/texts.h"
#include "recording/timetext.h"
#include "ui/dialog2.h"
#include "ui/frmroughin.h"
#include "ui/maintenancemenu.h"

#include <QAbstractItemModelTester>
#include <QCryptographicHash>
#include <QStringEncoder>
#include <QtSql>
#include <QtTest>
#include <QtWidgets>
#include <csignal>
#include <ctime>
#include <sqlite3.h>

using namespace kestrel;
using namespace kestrel::texts::recording;
using namespace kestrel::test;
namespace th = kestrel::texts::history;

namespace {

const QDateTime Base = QDateTime(QDate(2026, 12, 4), QTime(14, 31, 37));

// What a maintenance command tells the operator, either way.
const auto said = [](const MaintenanceResult &r) -> QString { return r.ok ? r.value : r.error; };

const auto shown = [](const QString &path) -> QString { return QDir::toNativeSeparators(path); };

const auto columns = [](const RecordDb &log, const char *table) -> QString {
    return query(log, log.shared()
                          ? QString("SELECT string_agg(upper(column_name), ',' ORDER BY ordinal_position) "
                                    "FROM information_schema.columns WHERE table_name = lower('%1')")
                                .arg(table)
                          : QString("SELECT group_concat(name) FROM pragma_table_info('%1')").arg(table))
        .value(0);
};

// The column that orders SAVEDATA's rows as they were logged.
QString rowId(const RecordDb &log)
{
    return log.shared() ? "SEQ" : "rowid";
}

// The record data base cases run once per engine: the rows of a data table with "pg" last.
void perEngine(const std::function<void(const char *engine, bool pg)> &rows)
{
    rows("SQLite", false);
    rows("PostgreSQL", true);
}

// A reading to append, taken on Base's day at `time`.
const auto logRow = [](const char *time, uint16_t value, int address, const char *protype) -> LogRow {
    return {QDateTime(Base.date(), QTime::fromString(time)).toSecsSinceEpoch(), value, address, protype};
};
// A logged reading taken Base + offset seconds, as READTIME|READVALUE|PROTYPE|ADDRESS.
QString row(qint64 offset, int value, const QString &protype, int address)
{
    const QString time = RecordDb::timeText(Base.addSecs(offset));
    return QString("%1|%2|%3|%4").arg(time).arg(value).arg(protype).arg(address);
}

// A data base, its reading log and the polling state that feeds it.
struct Rig {
    RecordDb db;
    ReadingLog log{db};
    ReadingBuffer buffer;
    DeviceTable devices;

    Rig(const QString &folder, const SharedLog &shared, int start, int end) : db(folder, shared)
    {
        db.check();
        devices.PollStart = start;
        devices.PollEnd = end;
    }
    // A good reading of `address` in cycle `slot`: time Base + offset seconds, values v, v+1, ...
    void read(int address, int slot, int offset, int v)
    {
        buffer.setTime(address, slot, Base.addSecs(offset));
        for (int k = 0; k < ReadingBuffer::Components; ++k)
            buffer.setValue(address, slot, k, uint16_t(v + k));
    }
    FlushResult flush(int cycles, bool save = true)
    {
        buffer.CycleCount = cycles;
        return log.flushReadings(buffer, loggedDevices(devices), save);
    }
    QStringList logged() const
    {
        return query(db, "SELECT READTIME, READVALUE, PROTYPE, ADDRESS FROM SAVEDATA ORDER BY " + rowId(db));
    }
    // A write fault on the rows matching `when` (a condition on NEW); none when empty.
    void fault(const QString &when = {})
    {
        if (db.shared()) {
            query(db, "DROP TRIGGER IF EXISTS fault ON SAVEDATA");
            query(db, "CREATE OR REPLACE FUNCTION fault() RETURNS trigger AS $$ BEGIN "
                      "RAISE EXCEPTION 'disk I/O error'; END $$ LANGUAGE plpgsql");
            if (!when.isEmpty())
                query(db, "CREATE TRIGGER fault BEFORE INSERT ON SAVEDATA FOR EACH ROW WHEN (" + when +
                              ") EXECUTE FUNCTION fault()");
            return;
        }
        query(db, "DROP TRIGGER IF EXISTS fault");
        if (!when.isEmpty())
            query(db, "CREATE TRIGGER fault BEFORE INSERT ON SAVEDATA WHEN " + when +
                          " BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END");
    }
};

// A time on a day of December 2026 (day 0 is 30 November).
qint64 at(int day, const char *time)
{
    return QDateTime(QDate(2026, 12, 1).addDays(day - 1), QTime::fromString(QString::fromLatin1(time)))
        .toSecsSinceEpoch();
}

// Readings around 1–3 December, logged out of order: address 5 named, 7 never named.
const std::vector<LogRow> Logged = {
    {at(2, "23:59:59"), 235, 5, "T"},      {at(0, "23:59:59"), 1, 5, "T"},
    {at(1, "00:00:00"), 230, 5, "T"},      {at(1, "00:00:00"), 456, 5, "RH"},
    {at(1, "12:00:00"), 800, 3, "CO2"},    {at(3, "00:00:00"), 801, 3, "CO2"},
    {at(2, "08:00:00"), 65486, 7, "PM25"},
};

// A data base filled through the reading log's writer, and the dialog's core on it.
struct HistoryRig {
    QTemporaryDir dir;
    RecordDb db;
    RecordingOperator op;
    HistoryModel model{db};
    HistoryQuery query{db, op, model, dir.path()};
    QString text3, text2;

    explicit HistoryRig(const SharedLog &shared) : db(dir.path(), shared)
    {
        db.check();
        db.appendReadings(Logged);
        db.setAlias(5, QStringLiteral("温度计"));
        QObject::connect(&query, &HistoryQuery::text3Changed, [this](const QString &t) { text3 = t; });
        QObject::connect(&query, &HistoryQuery::text2Changed, [this](const QString &t) { text2 = t; });
    }
    QStringList shown()
    {
        while (model.canFetchMore({}))
            model.fetchMore({});
        QStringList rows;
        for (int r = 0; r < model.rowCount(); ++r) {
            QStringList cols;
            for (int c = 0; c < HistoryModel::Columns; ++c)
                cols << model.index(r, c).data().toString();
            rows << cols.join('|');
        }
        return rows;
    }
    // What the log holds: the file byte for byte, or the server's rows.
    QByteArray hash()
    {
        const QByteArray bytes =
            db.shared() ? test::query(db, "SELECT * FROM SAVEDATA ORDER BY SEQ").join('\n').toUtf8() +
                              test::query(db, "SELECT * FROM SAVEPRO ORDER BY ADDRESS").join('\n').toUtf8()
                        : fileBytes(db.filePath());
        return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
    }
};

QString resultLine(int n)
{
    return tr8(th::ShowNoteHeading) + "\r\n" + tr8(th::NoteTenfold) + "\r\n" + tr8(th::NoteHundredfold) +
           tr8(th::NoteOthers) + "\r\n" + tr8(th::ResultBefore) + QString::number(n) + tr8(th::ResultAfter);
}

const QByteArray Good = "a good file\r\n";

bool put(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

// Fills the disk of `folder` to the last byte.
void fill(const QString &folder)
{
    QFile f(QDir(folder).filePath(QStringLiteral("filler")));
    f.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    const QByteArray block(512, 'x');
    while (f.write(block) == block.size()) {
    }
    while (f.write("x", 1) == 1) {
    }
}

QStringList filesUnder(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

// What a writer did: whether it said the file was saved, and what the operator was told.
struct Outcome {
    bool saved = true;
    QString told;
};

// A T+RH sensor at address 1 polled every second, saving as chosen.
struct PollRig : ManualTime, StationRig {
    explicit PollRig(bool save)
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

// The lines a poller printed: the reading times after "taken", the rest after "message".
struct PollerOutput {
    QList<qint64> taken;
    QStringList messages;
    QByteArray partial;
    void add(const QByteArray &bytes)
    {
        partial += bytes;
        qsizetype end;
        while ((end = partial.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(partial.left(end));
            partial.remove(0, end + 1);
            if (line.startsWith(QLatin1String("taken ")))
                taken << line.mid(6).toLongLong();
            else if (line.startsWith(QLatin1String("message ")))
                messages << line.mid(8);
        }
    }
};

QStringList pollerArgs(const QTemporaryDir &data, const SimProcess &sim)
{
    return {QStringLiteral("--data-dir"), data.path(), QStringLiteral("--link"), sim.linkPath()};
}

} // namespace

// The shared log of a case run per engine: none on SQLite, a new data base on the test's server.
#define ENGINE_LOG(shared)                                                                                   \
    QFETCH(bool, pg);                                                                                        \
    if (pg && !m_pgUp)                                                                                       \
        QSKIP(qPrintable(m_pg.skipReason()));                                                                \
    const SharedLog shared = pg ? SharedLog{m_pg.url(m_pg.freshDatabase()), "A"} : SharedLog {}

class TstRecording : public QObject {
    Q_OBJECT
    PgServer m_pg;
    bool m_pgUp = false;
    QTemporaryDir m_dir;
    int m_n = 0;
    // A data folder path with blanks and Chinese characters.
    QString folder() { return m_dir.filePath(QStringLiteral("记录 数据/程序 目录 %1").arg(++m_n)); }
    QTemporaryDir m_writesDb; // a log on a disk with room, for the history export
    RecordDb *m_record = nullptr;

    Outcome write(const QString &writer, const QString &folder, const QString &target)
    {
        RecordingOperator op;
        ManualTime time;
        Outcome o;
        if (writer == QLatin1String("configuration")) {
            PollSettings settings;
            DeviceTable table;
            table.PollStart = 1;
            table.PollEnd = 200; // a file of some kilobytes
            op.saveAnswers << QFileInfo(target).fileName();
            o.saved = saveConfiguration(op, folder, settings, table);
        } else if (writer == QLatin1String("history export")) {
            const SnapshotResult s = m_record->snapshot({QDateTime(QDate(2026, 1, 1), QTime(0, 0)),
                                                         QDateTime(QDate(2027, 1, 1), QTime(0, 0)),
                                                         0,
                                                         {}});
            history::Aliases aliases;
            const ExportResult r = HistoryExport(*m_record, s.value, aliases).writeTo(target);
            o.saved = r.ok;
            o.told = r.error;
        } else if (writer == QLatin1String("rescue file")) {
            QStringList lines(10, QStringLiteral("2026-12-06 10:00:00,215,T,1"));
            o.saved = !writeRescueFile(folder, time.now(), lines).isEmpty();
            o.told = o.saved ? QString() : QStringLiteral("(empty path)");
        } else if (writer == QLatin1String("record file")) {
            TimedBuffer buffer;
            RecordFile records(buffer, folder, time, op);
            RecordFile::empty(buffer);
            for (int i = 0; i < 99; ++i)
                buffer.entries[size_t(i)].time = QStringLiteral("10:00:%1").arg(i % 60);
            buffer.recCount = 99;
            o.saved = records.wData();
        }
        if (!op.messages.isEmpty())
            o.told = op.messages.first().text;
        return o;
    }

    QString targetOf(const QString &writer, const QString &folder)
    {
        if (writer == QLatin1String("record file")) {
            TimedBuffer b;
            ManualTime time;
            RecordingOperator op;
            return RecordFile(b, folder, time, op).filePath(time.now().date());
        }
        if (writer == QLatin1String("rescue file"))
            return QDir(folder).filePath(QStringLiteral("export/kept.txt"));
        return QDir(folder).filePath(QStringLiteral("target.txt"));
    }

private Q_SLOTS:
    // Every operation closes its connection, so the file is free between operations.
    void cleanup() { QVERIFY(QSqlDatabase::connectionNames().isEmpty()); }

    void registryOfANewFile_data()
    {
        QTest::addColumn<bool>("pg");
        perEngine([](const char *e, bool pg) { QTest::newRow(e) << pg; });
    }
    void registryOfANewFile()
    {
        ENGINE_LOG(shared);
        RecordDb db(folder(), shared);
        QVERIFY2(db.check().ok, qPrintable(db.check().error));
        // The shared schema adds the station and the reading's number; the file keeps its own.
        QCOMPARE(columns(db, "SAVEPRO"),
                 pg ? "STATION,ADDRESS,ALIAS,MIXPRO,PROTYPE" : "ADDRESS,ALIAS,MIXPRO,PROTYPE");
        QCOMPARE(columns(db, "SAVEDATA"), pg ? "STATION,SEQ,READTIME,READVALUE,PROTYPE,ADDRESS"
                                             : "READTIME,READVALUE,PROTYPE,ADDRESS");
        const QString registry = "SELECT COUNT(*), MIN(ADDRESS), MAX(ADDRESS), COUNT(ALIAS), "
                                 "SUM(MIXPRO + PROTYPE) FROM SAVEPRO";
        QCOMPARE(query(db, registry), QStringList{"255|1|255|0|0"});
        // The operator's texts stay as typed, and each statement changes its one row.
        const QStringList aliases = {u"一号车间 温湿度"_qs, "1 or 1=1", "x'; DELETE FROM SAVEPRO; --", ""};
        for (int i = 0; i < aliases.size(); ++i)
            QVERIFY(db.setAlias(7 + i, aliases[i]).ok);
        QVERIFY(db.setCodes(3, 33, 3).ok);
        QCOMPARE(query(db, registry), QStringList{"255|1|255|4|36"});
        QVERIFY(!db.readAlias(1).value);
        // NULL aliases: " " for the polling grid, "" for the history list.
        const AliasListResult grid = db.loadAliases(), history = db.deviceList();
        QVERIFY(grid.value.size() == 255 && history.value.size() == 255 && grid.value[254].address == 255);
        QCOMPARE(grid.value[10].alias, u" "_qs);
        QCOMPARE(history.value[0].alias, u""_qs);
        // Addresses without a row change nothing and say which address and file.
        query(db, "DELETE FROM SAVEPRO WHERE ADDRESS = 20");
        for (int address : {0, 256, 20}) {
            const QString error = db.setAlias(address, "x").error;
            QVERIFY(!db.setCodes(address, 0, 2).ok && !db.readAlias(address).ok);
            QVERIFY2(error.contains(QString(" %1 ").arg(address)) && error.contains(db.shownName()),
                     qPrintable(error));
        }
        QCOMPARE(query(db, registry), QStringList{"254|1|255|4|36"});
        if (pg) { // a second station has registry rows of its own
            const RecordDb other(folder(), {shared.url, "B"});
            QVERIFY(other.setAlias(7, "B7").ok);
            QCOMPARE(*db.readAlias(7).value, aliases[0]);
            QCOMPARE(other.stations().value, (QStringList{"A", "B"}));
        }
    }

    void filesThatCannotBeOpened_data()
    {
        QTest::addColumn<QByteArray>("content"); // of Record.mdb, or "<folder>" / "<file>" in the way
        QTest::addColumn<QString>("reason");     // none: the file becomes a new data base
        QByteArray jet("\x00\x01\x00\x00Standard Jet DB\x00", 20);
        jet.append(2048, '\x11');
        QTest::newRow("empty file") << QByteArray("") << QString();
        QTest::newRow("old Access file") << jet << tr8(ReasonAccessFormat);
        QTest::newRow("text file") << QByteArray("ADDRESS,ALIAS\r\n1,x\r\n") << tr8(ReasonNotDatabase);
        QTest::newRow("folder in the way") << QByteArray("<folder>") << tr8(ReasonNotFile);
        // The data folder cannot be made (a file has its name), as without rights in its parent.
        QTest::newRow("no data folder")
            << QByteArray("<file>") << tr8(ReasonFolder).arg(shown(m_dir.filePath("no data folder")));
    }
    void filesThatCannotBeOpened()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        RecordDb db(m_dir.filePath(QTest::currentDataTag()));
        QFile f(content == "<file>" ? db.dataFolder() : db.filePath());
        QVERIFY(QDir().mkpath(content == "<folder>" ? db.filePath() : QFileInfo(f).path()));
        QVERIFY(content == "<folder>" || (f.open(QIODevice::WriteOnly) && f.write(content) >= 0));
        f.close();
        const QString expected = reason.isEmpty() ? "" : tr8(DbCannotOpen).arg(shown(db.filePath()), reason);
        QCOMPARE(db.check().error, expected);
        QCOMPARE(db.appendReadings({logRow("03:04:05", 1, 1, "T")}).error, expected);
        QCOMPARE(query(db, "SELECT COUNT(*) FROM SAVEPRO").value(0) == "255", reason.isEmpty());
        // The operator's old file is never touched.
        QVERIFY(content == "<folder>" || reason.isEmpty() || fileBytes(f.fileName()) == content);
    }

    // Complete cycles of the range, by address, then cycle, then the parts of the type name.
    void flushWritesEachReadingOnce_data()
    {
        QTest::addColumn<bool>("pg");
        perEngine([](const char *e, bool pg) { QTest::newRow(e) << pg; });
    }
    void flushWritesEachReadingOnce()
    {
        ENGINE_LOG(shared);
        Rig r(folder(), shared, 2, 6);
        r.devices.at(2) = {33, 0, 0, "T+RH", {}}; // type not read yet
        r.devices.at(3) = {0, 5, 0, "PM25", {}};  // a single quantity logs its whole type name
        r.devices.at(4) = {17, 3, 0, "T+RH", {}}; // a combination that is not logged
        r.devices.at(5) = {33, 3, 0, "T+RH", {}};
        r.devices.at(6) = {81, 27, 0, "T+RH+CO2+VOC+PM2.5", {}};
        r.devices.at(7) = {0, 2, 0, "T", {}}; // outside the range
        // Three cycles; 6 timed out in the first two; 5's values have the high bit set (-5.0 °C
        // is 0xFFCE) and go to the log unsigned.
        for (int a = 2; a <= 7; ++a)
            for (int c = 1; c <= 3; ++c)
                r.read(a, c, 10 * c + a, a == 5 ? 0xFFCE + c : 100 * a + c);
        r.buffer.clearTime(6, 1);
        r.buffer.clearTime(6, 2);
        r.read(3, 4, 42, 1); // polling stopped in the fourth cycle
        const FlushResult f = r.flush(3);
        QVERIFY2(f.ok && f.written == 14, qPrintable(f.error));
        QCOMPARE(r.logged(),
                 (QStringList{row(13, 301, "PM25", 3), row(23, 302, "PM25", 3), row(33, 303, "PM25", 3),
                              row(15, 65487, "T", 5), row(15, 65488, "RH", 5), row(25, 65488, "T", 5),
                              row(25, 65489, "RH", 5), row(35, 65489, "T", 5), row(35, 65490, "RH", 5),
                              row(36, 603, "T", 6), row(36, 604, "RH", 6), row(36, 605, "CO2", 6),
                              row(36, 606, "VOC", 6), row(36, 607, "PM2.5", 6)}));
        QCOMPARE(query(r.db, "SELECT COUNT(*) FROM SAVEPRO"), QStringList{"255"});
        // Nothing twice, the stopped cycle not later either; readings taken while saving is off
        // never reach the log.
        QCOMPARE(r.flush(4).written, 0);
        r.read(5, 1, 50, 1);
        QVERIFY(r.flush(1, false).ok && r.flush(1).written == 0);
        QCOMPARE(r.logged().size(), 14);
    }

    void failedFlushLosesNothing_data()
    {
        QTest::addColumn<bool>("pg");
        perEngine([](const char *e, bool pg) { QTest::newRow(e) << pg; });
    }
    void failedFlushLosesNothing()
    {
        ENGINE_LOG(shared);
        Rig r(folder(), shared, 1, 4);
        QStringList expected;
        for (int a = 1; a <= 4; ++a) {
            r.devices.at(a) = {33, 3, 0, "T+RH", {}};
            r.read(a, 1, a, a * 100);
            expected << row(a, a * 100, "T", a) << row(a, a * 100 + 1, "RH", a);
        }
        r.fault("NEW.ADDRESS = 3"); // the rows before it are already inserted when it strikes
        const FlushResult failed = r.flush(1);
        QVERIFY(!failed.ok && failed.written == 0 && failed.waiting == 8);
        const QString told = tr8(FlushFailed).arg(8).arg(r.db.shownName());
        QVERIFY2(failed.error.startsWith(told.left(told.indexOf('\n') + 1)) &&
                     failed.error.contains(r.db.shownName()) && failed.error.contains("disk I/O error"),
                 qPrintable(failed.error));
        // Polling goes on; the held rows go first, then the next cycle's (nothing twice).
        r.read(2, 1, 100, 900);
        r.fault();
        const FlushResult retried = r.flush(1);
        QVERIFY2(retried.ok && retried.written == 10 && r.log.waitingRows() == 0, qPrintable(retried.error));
        QCOMPARE(r.logged(), expected << row(100, 900, "T", 2) << row(100, 901, "RH", 2));
        // Held rows are written even when saving is off by the time of the next flush.
        r.fault("NEW.ADDRESS = 3");
        r.read(3, 1, 200, 7);
        QVERIFY(!r.flush(1).ok);
        r.fault();
        QCOMPARE(r.flush(1, false).written, 2);
    }

    // Many statements' worth of rows and a shorter last statement: they follow one another in
    // order, and a fault in the last one leaves nothing of the batch behind.
    void bigBatchKeepsItsOrder_data()
    {
        QTest::addColumn<bool>("pg");
        perEngine([](const char *e, bool pg) { QTest::newRow(e) << pg; });
    }
    void bigBatchKeepsItsOrder()
    {
        ENGINE_LOG(shared);
        Rig r(folder(), shared, 1, 1);
        std::vector<LogRow> rows;
        QStringList expected;
        for (int i = 0; i < 1000; ++i) {
            rows.push_back({1796000000 + i / 5, uint16_t(i), 1 + i % 255, "T"});
            expected << QString::number(i);
        }
        r.fault("NEW.READVALUE = '999'"); // in the last statement: nothing of the batch stays
        QVERIFY(!r.db.appendReadings(rows).ok);
        r.fault();
        QVERIFY(r.db.appendReadings(rows).ok);
        QCOMPARE(query(r.db, "SELECT READVALUE FROM SAVEDATA ORDER BY " + rowId(r.db)), expected);
    }

    void timeTextsAgreeWithLocalTime()
    {
        // Four hours around a clock change, or in a zone with an odd offset.
        const std::pair<const char *, qint64> zones[] = {{"Europe/Berlin", 1774738800},
                                                         {"Europe/Berlin", 1792882800},
                                                         {"Australia/Lord_Howe", 1775307600},
                                                         {"Asia/Kathmandu", 1767200000}};
        const QByteArray saved = qgetenv("TZ");
        QStringList faults;
        for (const auto &[zone, from] : zones) {
            qputenv("TZ", zone);
            tzset();
            TimeTexts w;
            // The quarter hours are visited out of order, as a flush address by address does.
            for (qint64 i = 0; i < 4 * 3600 / 7; ++i) {
                const qint64 s = from + (i * 7 * 389) % (4 * 3600);
                // Read back: the same wall clock at the zone's real offset of that instant (in the
                // hour a clock change repeats, either of the two instants will do).
                const QString text = QDateTime::fromSecsSinceEpoch(s).toString(RecordDb::TimeFormat);
                const QDateTime back = w.parse(text);
                if (w.text(s) != text || back.toString(RecordDb::TimeFormat) != text ||
                    back.offsetFromUtc() !=
                        QDateTime::fromSecsSinceEpoch(back.toSecsSinceEpoch()).offsetFromUtc())
                    faults
                        << QString("%1 %2: %3 / %4").arg(zone, text, w.text(s), back.toString(Qt::ISODate));
            }
        }
        saved.isNull() ? qunsetenv("TZ") : qputenv("TZ", saved);
        tzset();
        QVERIFY2(faults.isEmpty(), qPrintable(faults.mid(0, 3).join("; ")));
        TimeTexts t;
        QCOMPARE(t.parse("2026-12-04T14:31:37"), Base);
        for (const char *bad : {"2026-02-30 10:00:00", "2026-02-03 24:00:00", "noon", "", "２０２６-12-04"})
            QVERIFY2(!t.parse(QString::fromUtf8(bad)).isValid(), bad);
    }

    void command1ExportsTemperatureRowsOnce()
    {
        RecordDb db(folder());
        QVERIFY(db.appendReadings({logRow("10:00:05", 253, 7, "T"), logRow("10:00:05", 456, 7, "RH"),
                                   logRow("09:00:00", 65486, 7, "T"), logRow("11:00:00", 12, 2, "T")})
                    .ok);
        QCOMPARE(said(db.exportTemperature()), tr8(ExportDone).arg(3).arg(shown(db.exportPath())));
        const QByteArray exported("\"READTIME\",\"READVALUE\",\"PROTYPE\",\"ADDRESS\"\r\n"
                                  "2026-12-04 11:00:00,\"12\",\"T\",2\r\n"
                                  "2026-12-04 09:00:00,\"65486\",\"T\",7\r\n"
                                  "2026-12-04 10:00:05,\"253\",\"T\",7\r\n");
        QCOMPARE(fileBytes(db.exportPath()), exported);
        // Again, with more rows: the existing file is left as it is.
        QVERIFY(db.appendReadings({logRow("11:00:01", 13, 2, "T")}).ok);
        QCOMPARE(said(db.exportTemperature()), tr8(ExportExists).arg(shown(db.exportPath())));
        QCOMPARE(fileBytes(db.exportPath()), exported);
        // A file in the way of the export folder.
        const QString exportFolder = QFileInfo(db.exportPath()).path();
        QVERIFY(QDir(exportFolder).removeRecursively() && QFile(exportFolder).open(QIODevice::WriteOnly));
        QCOMPARE(said(db.exportTemperature()), tr8(ExportNoFolder).arg(shown(exportFolder)));
    }

    void command2BuildsTheRegistryOnce()
    {
        RecordDb db(folder());
        QVERIFY(db.check().ok);
        const QString tables = "SELECT group_concat(name) FROM sqlite_master WHERE type = 'table'";
        // The name typed by the operator is only ever a name.
        for (const char *name : {"1 or 1=1", "T1(X INT);DROP TABLE SAVEPRO;--", "A\"B", "9REG", "MY REG"})
            QCOMPARE(said(db.createRegistry(name)), tr8(TableNameInvalid).arg(name));
        QCOMPARE(said(db.createRegistry("  ")), tr8(TableNameEmpty));
        QCOMPARE(query(db, tables), QStringList{"SAVEPRO,SAVEDATA"});

        QVERIFY(db.setAlias(4, u"保留"_qs).ok);
        query(db, "DELETE FROM SAVEPRO WHERE ADDRESS BETWEEN 10 AND 12");
        QCOMPARE(said(db.createRegistry("REG2")), tr8(RegistryDone).arg("REG2").arg(3));
        QCOMPARE(columns(db, "REG2"), "ADDRESS,ALIAS,MIXPRO,PROTYPE");
        QCOMPARE(query(db, "SELECT COUNT(*), COUNT(ALIAS) FROM SAVEPRO"), QStringList{"255|1"});
        for (const char *again : {"REG2", "reg2", " SAVEPRO "})
            QCOMPARE(said(db.createRegistry(again)), tr8(TableExists).arg(QString(again).trimmed()));
        // Without SAVEPRO the new table is rolled back with the rest.
        query(db, "DROP TABLE SAVEPRO");
        const QString message = said(db.createRegistry("OTHER"));
        QVERIFY2(message.contains(tr8(ReasonNoTable).arg("SAVEPRO")), qPrintable(message));
        QCOMPARE(query(db, tables), QStringList{"SAVEDATA,REG2"});
    }

    void command3AddsBothColumnsOrNeither()
    {
        RecordDb db(folder());
        QCOMPARE(said(db.extendDataRh()), tr8(DataRhMissing));
        query(db, "CREATE TABLE Data_RH (RH TEXT, MYCODE BOOLEAN)");
        query(db, "INSERT INTO Data_RH VALUES ('45.6', 1)");
        // One of the two there already: the other is not added either (it would stand in the way
        // below, once MYCODE is gone).
        QCOMPARE(said(db.extendDataRh()), tr8(DataRhHasColumns));
        query(db, "ALTER TABLE Data_RH DROP COLUMN MYCODE");
        QCOMPARE(said(db.extendDataRh()), tr8(DataRhDone));
        QCOMPARE(said(db.extendDataRh()), tr8(DataRhHasColumns));
        QCOMPARE(columns(db, "Data_RH"), "RH,MYNAME,MYCODE");
        QCOMPARE(query(db, "SELECT * FROM Data_RH"), QStringList{"45.6|<null>|<null>"});
    }

    void menuReportsThroughTheOperator()
    {
        RecordDb db(folder());
        test::RecordingOperator op;
        std::optional<QString> answer = "REG5";
        QMenuBar bar;
        const auto actions = addMaintenanceMenu(&bar, db, op, [&](QWidget *) { return answer; })->actions();
        QCOMPARE(actions.size(), 3);
        actions[2]->trigger();
        actions[1]->trigger();
        answer.reset(); // the operator cancels the name question: nothing happens
        actions[1]->trigger();
        actions[0]->trigger();
        QStringList got;
        for (const auto &m : op.messages)
            got << (m.icon == Operator::Icon::Warning ? "! " : "i ") + m.text;
        QCOMPARE(got, (QStringList{"! " + tr8(DataRhMissing), "i " + tr8(RegistryDone).arg("REG5").arg(0),
                                   "i " + tr8(ExportDone).arg(0).arg(shown(db.exportPath()))}));
    }

    void show_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<bool>("pg");
        const QString t5a = "2026-12-01 00:00:00|230|T|5|温度计", t5b = "2026-12-01 00:00:00|456|RH|5|温度计",
                      t5c = "2026-12-02 23:59:59|235|T|5|温度计", t3 = "2026-12-01 12:00:00|800|CO2|3|",
                      t7 = "2026-12-02 08:00:00|65486|PM25|7|";
        const auto row = [](const char *name, const char *start, const char *end, const char *address,
                            const QStringList &rows) {
            perEngine([&](const char *e, bool pg) {
                QTest::addRow("%s, %s", name, e) << start << end << address << rows << pg;
            });
        };
        row("all devices, by address then time", "2026-12-01", "2026-12-03", "0", {t3, t5a, t5b, t5c, t7});
        row("device 5 by time", "2026-12-01", "2026-12-03", "5", {t5a, t5b, t5c});
        row("slashes, one digit, blanks", " 2026/12/1", "2026/12/2 ", "0", {t3, t5a, t5b});
        row("end day excluded", "2026-12-2", "2026-12-3", "5", {t5c});
    }
    void show()
    {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, address);
        QFETCH(QStringList, rows);
        ENGINE_LOG(shared);
        HistoryRig r(shared);
        QAbstractItemModelTester tester(&r.model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        r.query.OKButton_Click(start, end, address);
        QCOMPARE(r.op.texts(), QStringList());
        QCOMPARE(r.shown(), rows);
        QCOMPARE(r.text3, resultLine(rows.size()));
    }

    // Every refusal comes with its message and leaves the file as it was.
    void refusals_data()
    {
        QTest::addColumn<bool>("exporting");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("text2");
        QTest::addColumn<bool>("pg");
        const auto row = [](const char *name, bool exporting, const char *start, const char *address,
                            const QString &message, const char *text2 = "") {
            perEngine([&](const char *e, bool pg) {
                QTest::addRow("%s, %s", name, e) << exporting << start << address << message << text2 << pg;
            });
        };
        row("show, empty range", false, "2026-11-01", "0", tr8(th::NothingFound));
        row("export, empty range", true, "2026-11-01", "9",
            tr8(th::NothingFound) + "\r\n" + tr8(th::ChooseAgain));
        row("no address", false, "2026-12-01", "", tr8(th::AddressEmpty), "0");
        row("a blank address", true, "2026-12-01", " ", tr8(th::AddressEmpty), "0");
        for (const char *bad : {"2026-13-45", "abc", "2026-12-1' OR '1'='1", "2026-02-30"})
            row(bad, false, bad, "0", tr8(th::BadStartDate).arg(bad));
    }
    void refusals()
    {
        QFETCH(bool, exporting);
        QFETCH(QString, start);
        QFETCH(QString, address);
        QFETCH(QString, message);
        QFETCH(QString, text2);
        ENGINE_LOG(shared);
        HistoryRig r(shared);
        const QString end = start.startsWith("2026-11") ? "2026-11-30" : "2026-12-03";
        const QByteArray before = r.hash();
        if (exporting)
            r.query.CancelButton_Click(start, end, address);
        else
            r.query.OKButton_Click(start, end, address);
        QCOMPARE(r.op.texts(), QStringList{message});
        QCOMPARE(r.text2, text2);
        QCOMPARE(r.op.askedFolders, QStringList()); // no file dialog
        QCOMPARE(r.model.rowCount(), 0);
        QCOMPARE(r.hash(), before);
    }

    // Two readings, one of them of a device without a name: nine lines, GBK, CR LF.
    void exportFile_data()
    {
        QTest::addColumn<bool>("pg");
        perEngine([](const char *e, bool pg) { QTest::newRow(e) << pg; });
    }
    void exportFile()
    {
        ENGINE_LOG(shared);
        HistoryRig r(shared);
        const QString path = r.dir.filePath("导出.txt");
        r.op.saveAnswers << path;
        r.query.CancelButton_Click("2026-12-02", "2026-12-03", "0");
        QCOMPARE(r.op.texts(), QStringList());
        const QString expected =
            QStringLiteral("导出数据说明：\r\n"
                           "温湿度、一氧化碳、甲醛、硫化氢、氨气、二氧化氮数据为实际值的10倍.\r\n"
                           "氧气、臭氧为实际值的100倍.其它则为实际值.\r\n"
                           "\r\n"
                           "当前导出2条数据.\r\n"
                           "\r\n"
                           "读取时间\t\t\t数据\t\t\t类型\t\t\t设备地址\t\t\t设备名称\r\n"
                           "2026-12-02 23:59:59\t\t\t235\t\t\tT\t\t\t5\t\t\t温度计\r\n"
                           "2026-12-02 08:00:00\t\t\t65486\t\t\tPM25\t\t\t7\t\t\t\r\n");
        QCOMPARE(fileBytes(path), QStringEncoder("GBK").encode(expected));
        QCOMPARE(r.op.askedFolders, QStringList{r.dir.path()});
        QCOMPARE(r.text3, tr8(th::ExportDone) + "\r\n" + tr8(th::SavedIn) + QDir::toNativeSeparators(path));
        // Without a file name nothing is written.
        r.query.CancelButton_Click("2026-12-01", "2026-12-03", "0");
        QCOMPARE(r.op.texts(), QStringList{tr8(th::NoFileName)});
        QCOMPARE(fileBytes(path), QStringEncoder("GBK").encode(expected));
    }

    // Pages follow one another without gap or repetition, and readings logged after "显示"
    // belong to the next show only.
    void pagesKeepTheShownResult_data()
    {
        QTest::addColumn<bool>("pg");
        perEngine([](const char *e, bool pg) { QTest::newRow(e) << pg; });
    }
    void pagesKeepTheShownResult()
    {
        ENGINE_LOG(shared);
        HistoryRig r(shared);
        std::vector<LogRow> many;
        for (int i = 0; i < 2 * HistoryModel::PageSize; ++i)
            for (int a : {9, 4})
                many.push_back({at(1, "06:00:00") + i / 4, uint16_t(i), a, i % 2 ? "T" : "RH"});
        QVERIFY(r.db.appendReadings(many).ok);
        r.query.OKButton_Click("2026-12-01", "2026-12-02", "0");
        const int n = 3 + int(many.size());
        QCOMPARE(r.model.count(), n);
        QCOMPARE(r.model.rowCount(), HistoryModel::PageSize);
        // Logged meanwhile: readings inside the range, of addresses before, among and after the shown ones.
        QVERIFY(r.db.appendReadings({{at(1, "06:20:00"), 60001, 4, "T"},
                                     {at(1, "01:00:00"), 60002, 1, "T"},
                                     {at(1, "23:00:00"), 60003, 200, "T"},
                                     {at(1, "06:05:00"), 60004, 9, "T"}})
                    .ok);
        // The tester fetches every page as it checks the model.
        QAbstractItemModelTester tester(&r.model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QStringList rows = r.shown();
        QCOMPARE(rows.size(), n);
        QCOMPARE(rows.filter(QRegularExpression("\\|6000[1-4]\\|")), QStringList());
        QCOMPARE(rows.last(), "2026-12-01 06:08:19|1999|T|9|");
        QCOMPARE(r.text3, resultLine(n));
        QCOMPARE(QStringList(rows).removeDuplicates(), 0);
        r.query.OKButton_Click("2026-12-01", "2026-12-02", "0");
        QCOMPARE(r.shown().size(), n + 4);
    }

    // The dialog from the main window's button: the calendars, the address box, show and export.
    void dialogOnTheMainWindow()
    {
        test::ManualTime time;
        test::StationRig r({}, time, time, {}, {{3, "/nonexistent/tty"}});
        Station &station = *r.station;
        station.db.appendReadings(Logged);
        r.op.messages.clear(); // the missing port's
        frmroughin window(station);
        window.show();
        QTest::mouseClick(window.findChild<QPushButton *>("cmdOD"), Qt::LeftButton);
        auto *dlg = window.findChild<Dialog2 *>("Dialog2");
        QVERIFY(dlg && dlg->isVisible());
        QVERIFY(!dlg->isModal());
        auto *start = dlg->findChild<QLineEdit *>("Text1_0");
        auto *end = dlg->findChild<QLineEdit *>("Text1_1");
        auto *address = dlg->findChild<QLineEdit *>("Text2");
        auto *cal0 = dlg->findChild<QCalendarWidget *>("Calendar1_0");
        auto *cal1 = dlg->findChild<QCalendarWidget *>("Calendar1_1");
        QCOMPARE(start->text(), "2026-12-06"); // the clock's date
        QTest::mouseClick(end, Qt::LeftButton);
        QCOMPARE(std::make_pair(cal0->isVisible(), cal1->isVisible()), std::make_pair(false, true));
        QTest::mouseClick(start, Qt::LeftButton);
        QCOMPARE(std::make_pair(cal0->isVisible(), cal1->isVisible()), std::make_pair(true, false));
        cal0->setSelectedDate(QDate(2026, 12, 1));
        Q_EMIT cal0->clicked(QDate(2026, 12, 1));
        QCOMPARE(start->text(), "2026-12-01");
        end->setText("2026/12/3");
        // The address box takes digits only and refuses more than 255.
        address->selectAll();
        QTest::keyClicks(address, "2x56");
        QCOMPARE(address->text(), "1");
        QCOMPARE(r.op.texts(), QStringList{tr8(th::AddressTooLarge)});
        address->setText("0");
        station.db.setAlias(5, "温度计"); // named while the dialog is open
        QTest::mouseClick(dlg->findChild<QPushButton *>("OKButton"), Qt::LeftButton);
        auto *grid = dlg->findChild<QTableView *>("dataValue");
        QCOMPARE(grid->model()->rowCount(), 5);
        QCOMPARE(grid->model()->index(1, HistoryModel::Name).data().toString(), "温度计");
        QVERIFY(grid->columnWidth(0) > grid->fontMetrics().horizontalAdvance("2026-12-01 12:00:00"));
        QCOMPARE(dlg->findChild<QPlainTextEdit *>("Text3")->toPlainText(),
                 resultLine(5).replace("\r\n", "\n"));
        cal0->hide();
        dlg->layout()->activate();
        QVERIFY(screenshot(dlg, "history-dialog.png"));
        r.op.saveAnswers << r.data.filePath("out.txt");
        QTest::mouseClick(dlg->findChild<QPushButton *>("CancelButton"), Qt::LeftButton);
        QCOMPARE(fileBytes(r.data.filePath("out.txt")).count("\r\n"), 12);
        // A second click of the button shows the same dialog with its result.
        dlg->hide();
        QTest::mouseClick(window.findChild<QPushButton *>("cmdOD"), Qt::LeftButton);
        QCOMPARE(window.findChildren<Dialog2 *>().size(), 1);
        QCOMPARE(grid->model()->rowCount(), 5);
    }

    void initTestCase()
    {
        m_pgUp = m_pg.start();
        if (!m_pgUp)
            qWarning("%s", qPrintable(m_pg.skipReason()));
        m_record = new RecordDb(m_writesDb.path());
        std::vector<LogRow> rows;
        const qint64 start = QDateTime(QDate(2026, 6, 1), QTime(0, 0)).toSecsSinceEpoch();
        for (int i = 0; i < 100; ++i)
            rows.push_back({start + i, uint16_t(i), 1, QStringLiteral("T")});
        QVERIFY(m_record->appendReadings(rows).ok);
    }
    void cleanupTestCase() { delete m_record; }

    // Files written on a disk that is full or read-only (a small tmpfs the test mounts, as root;
    // skipped otherwise): each writer tells the operator, never says "saved", never shortens the
    // good file it was to replace and leaves no stray file behind.
    void nothingGoodIsShortened_data()
    {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<bool>("readOnly");
        for (const char *w : {"configuration", "history export", "rescue file", "record file"}) {
            QTest::addRow("%s, disk full", w) << QString::fromLatin1(w) << false;
            QTest::addRow("%s, read-only", w) << QString::fromLatin1(w) << true;
        }
    }
    void nothingGoodIsShortened()
    {
        QFETCH(QString, writer);
        QFETCH(bool, readOnly);
        QTemporaryDir base;
        const QString folder = base.filePath(QStringLiteral("disk"));
        TMPFS_MOUNT(disk, folder, QStringLiteral("size=64k"));
        const QString target = targetOf(writer, folder);
        QVERIFY(put(target, Good));
        if (readOnly)
            QCOMPARE(QProcess::execute(QStringLiteral("mount"), {"-o", "remount,ro", folder}), 0);
        else
            fill(folder);
        const QStringList before = filesUnder(folder);

        const Outcome o = write(writer, folder, target);
        QVERIFY(!o.saved);
        QVERIFY(!o.told.isEmpty());
        // The record file is appended to: the lines that fit stay, the rest is told.
        if (writer == QLatin1String("record file"))
            QVERIFY(fileBytes(target).startsWith(Good));
        else
            QCOMPARE(fileBytes(target), Good);
        QCOMPARE(filesUnder(folder), before);
    }

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
        QTest::addColumn<bool>("pg");
        perEngine([](const char *e, bool pg) {
            QTest::addRow("SAVEDATA committed, %s", e) << true << pg;
            QTest::addRow("SAVEDATA not committed, %s", e) << false << pg;
        });
    }
    void crashDuringAMoveLogsOnce()
    {
        QFETCH(bool, committed);
        ENGINE_LOG(shared);
        QTemporaryDir dir;
        const RecordDb db(dir.path(), shared);
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
        STATION_RIG(PollRig, r, true);
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
        STATION_RIG(PollRig, r, false);
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
        STATION_RIG(PollRig, r, true);
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
        STATION_RIG(PollRig, r, true);
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
        STATION_RIG(PollRig, r, false);
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

    // A polling program killed with SIGKILL loses no reading: a real poller process (crashpoller)
    // polls kestrel-sim with saving on, is killed after a known number of readings, and a start on
    // the same data folder finds every reading it had taken in SAVEDATA, none twice.
    // 320 readings: 300 passes were flushed to SAVEDATA, the last ones only landed beside it.
    void killedPollerLosesNoReading()
    {
        constexpr int Readings = 320;
        SimProcess sim(QStringLiteral("1 33 3 230415 0001 17\n"));
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        QTemporaryDir data;

        QProcess poller;
        poller.start(QStringLiteral(KESTREL_CRASHPOLLER), pollerArgs(data, sim));
        PollerOutput out;
        QElapsedTimer waited;
        waited.start();
        while (out.taken.size() < Readings && waited.elapsed() < 120000 &&
               poller.state() != QProcess::NotRunning) {
            poller.waitForReadyRead(200);
            out.add(poller.readAllStandardOutput());
        }
        QVERIFY2(out.taken.size() >= Readings, qPrintable(poller.readAllStandardError()));
        ::kill(pid_t(poller.processId()), SIGKILL);
        QVERIFY(poller.waitForFinished(5000));
        out.add(poller.readAllStandardOutput());
        QCOMPARE(poller.exitStatus(), QProcess::CrashExit);
        QVERIFY(out.messages.isEmpty());

        QProcess again;
        again.start(QStringLiteral(KESTREL_CRASHPOLLER), pollerArgs(data, sim)
                                                             << QStringLiteral("--recover-only"));
        QVERIFY(again.waitForFinished(30000));
        PollerOutput restart;
        restart.add(again.readAllStandardOutput());

        const RecordDb db(data.path());
        const ReadingsResult logged = db.readings(QDateTime::fromSecsSinceEpoch(out.taken.first()),
                                                  QDateTime::fromSecsSinceEpoch(out.taken.last() + 60));
        QVERIFY2(logged.ok, qPrintable(logged.error));
        QMap<qint64, QStringList> byReading;
        for (const ReadingRecord &r : logged.value)
            byReading[r.readTime.toSecsSinceEpoch()] << r.protype;
        for (qint64 t : out.taken)
            QVERIFY2(byReading.value(t) == (QStringList{"T", "RH"}), qPrintable(QString::number(t)));
        // The reading under way at the kill may have landed too; nothing else, nothing twice.
        QVERIFY(byReading.size() <= out.taken.size() + 1);
        QCOMPARE(logged.value.size(), size_t(2 * byReading.size()));
        const int recovered = int(logged.value.size()) - 2 * 300;
        QCOMPARE(restart.messages, QStringList{tr8(texts::recording::PendingRecovered).arg(recovered)});
    }
};

QTEST_MAIN(TstRecording)
#include "tst_recording.moc"

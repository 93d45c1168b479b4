// The record data base. RecordDbCases runs on Record.mdb files and RecordDbOnPostgreSQL runs the
// same cases again on data bases of a PostgreSQL server the test starts for itself: the registry,
// the reading log with its flushes, a crash during a move, and the history queries on a log
// filled through the reading log's own writer (the range and address questions, the refusals,
// the export file byte for byte, the pages of a large result fixed at "显示"). The tests look
// into the data base through a connection of their own, so they check what it holds rather than
// what the data base class says it holds.
// TstRecording: files that cannot be opened, the READTIME texts, the maintenance commands, the
// history dialog from the main window, files written on a full or read-only disk, a locked
// Record.mdb, and failures while polling.
#include "common/clock.h"
#include "common/files.h"
#include "common/peek.h"
#include "common/pgserver.h"
#include "common/stationrig.h"
#include "common/tmpfsmount.h"
#include "devices/configfile.h"
#include "history/historyquery.h"
#include "history/texts.h"
#include "polling/texts.h"
#include "recording/dbconnection.h"
#include "recording/texts.h"
#include "recording/timetext.h"
#include "ui/dialog2.h"
#include "ui/frmroughin.h"
#include "ui/maintenancemenu.h"

#include <QAbstractItemModelTester>
#include <QStringEncoder>
#include <QtTest>
#include <QtWidgets>
#include <ctime>
#include <sqlite3.h>

using namespace kestrel;
using namespace kestrel::texts::recording;
using namespace kestrel::test;
namespace th = kestrel::texts::history;

namespace {

const QDateTime Base = QDateTime(QDate(2026, 12, 4), QTime(14, 31, 37));

const auto shown = [](const QString &path) -> QString { return QDir::toNativeSeparators(path); };

const auto columns = [](const RecordDb &log, const char *table) {
    const char *sql = log.shared()
                          ? "SELECT string_agg(upper(column_name), ',' ORDER BY ordinal_position) FROM "
                            "information_schema.columns WHERE table_name = lower('%1')"
                          : "SELECT group_concat(name) FROM pragma_table_info('%1')";
    return query(log, QString(sql).arg(table)).value(0);
};

// The column that orders SAVEDATA's rows as they were logged.
const auto rowId = [](const RecordDb &log) -> QString { return log.shared() ? "SEQ" : "rowid"; };

// A logged reading taken Base + offset seconds, as READTIME|READVALUE|PROTYPE|ADDRESS.
const auto row = [](qint64 offset, int value, const QString &protype, int address) {
    return RecordDb::timeText(Base.addSecs(offset)) +
           QString("|%1|%2|%3").arg(value).arg(protype).arg(address);
};

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
        const bool pg = db.shared();
        query(db, pg ? "DROP TRIGGER IF EXISTS fault ON SAVEDATA" : "DROP TRIGGER IF EXISTS fault");
        if (pg)
            query(db, "CREATE OR REPLACE FUNCTION fault() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION "
                      "'disk I/O error'; END $$ LANGUAGE plpgsql");
        if (!when.isEmpty())
            query(db, pg ? "CREATE TRIGGER fault BEFORE INSERT ON SAVEDATA FOR EACH ROW WHEN (" + when +
                               ") EXECUTE FUNCTION fault()"
                         : "CREATE TRIGGER fault BEFORE INSERT ON SAVEDATA WHEN " + when +
                               " BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END");
    }
};

// A time on a day of December 2026 (day 0 is 30 November).
const auto at = [](int day, const char *time) {
    return QDateTime(QDate(2026, 11, 30).addDays(day), QTime::fromString(QString(time))).toSecsSinceEpoch();
};

// Readings around 1–3 December, logged out of order: address 5 named, 7 never named.
const std::vector<LogRow> Logged = {{at(2, "23:59:59"), 235, 5, "T"},     {at(0, "23:59:59"), 1, 5, "T"},
                                    {at(1, "00:00:00"), 230, 5, "T"},     {at(1, "00:00:00"), 456, 5, "RH"},
                                    {at(1, "12:00:00"), 800, 3, "CO2"},   {at(3, "00:00:00"), 801, 3, "CO2"},
                                    {at(2, "08:00:00"), 65486, 7, "PM25"}};

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
        QStringList rows, cols;
        for (int r = 0; r < model.rowCount(); ++r, rows << cols.join('|'), cols.clear())
            for (int c = 0; c < HistoryModel::Columns; ++c)
                cols << model.index(r, c).data().toString();
        return rows;
    }
};

const auto resultLine = [](int n) {
    return tr8(th::ShowNoteHeading) + "\r\n" + tr8(th::NoteTenfold) + "\r\n" + tr8(th::NoteHundredfold) +
           tr8(th::NoteOthers) + "\r\n" + tr8(th::ResultBefore) + QString::number(n) + tr8(th::ResultAfter);
};

// Fills the disk of `folder` to the last byte.
void fill(const QString &folder)
{
    QFile f(QDir(folder).filePath(QStringLiteral("filler")));
    f.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    for (const int n : {512, 1})
        while (f.write(QByteArray(n, 'x')) == n) {
        }
}

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
    QStringList told()
    {
        QCoreApplication::processEvents(); // messages of a tick come after it
        return op.texts();
    }
};

} // namespace

class RecordDbCases : public QObject {
    Q_OBJECT
public:
    explicit RecordDbCases(bool pg = false) : pg(pg) {}

protected:
    const bool pg;
    PgServer m_pg;
    bool m_up = true;
    QTemporaryDir m_dir;
    int m_n = 0;
    // A data folder path with blanks and Chinese characters.
    QString folder() { return m_dir.filePath(QStringLiteral("记录 数据/程序 目录 %1").arg(++m_n)); }
    // The shared log of a case: none on SQLite, a new data base on the test's server.
    SharedLog log() { return pg ? SharedLog{m_pg.url(m_pg.freshDatabase()), "A"} : SharedLog{}; }

private Q_SLOTS:
    void initTestCase() { m_up = !pg || m_pg.start(); }
    void init()
    {
        if (!m_up)
            QSKIP(qPrintable(m_pg.skipReason()));
    }
    // Every operation closes its connection, so the file is free between operations.
    void cleanup() { QVERIFY(QSqlDatabase::connectionNames().isEmpty()); }

    void registryOfANewFile()
    {
        const SharedLog shared = log();
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

    // Complete cycles of the range, by address, then cycle, then the parts of the type name.
    void flushWritesEachReadingOnce()
    {
        Rig r(folder(), log(), 2, 6);
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

    void failedFlushLosesNothing()
    {
        Rig r(folder(), log(), 1, 4);
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
        // Many statements' worth of rows and a shorter last statement: they follow one another in
        // order, and a fault in the last one leaves nothing of the batch behind.
        query(r.db, "DELETE FROM SAVEDATA");
        std::vector<LogRow> rows;
        QStringList values;
        for (int i = 0; i < 1000; ++i) {
            rows.push_back({1796000000 + i / 5, uint16_t(i), 1 + i % 255, "T"});
            values << QString::number(i);
        }
        r.fault("NEW.READVALUE = '999'");
        QVERIFY(!r.db.appendReadings(rows).ok);
        r.fault();
        QVERIFY(r.db.appendReadings(rows).ok);
        QCOMPARE(query(r.db, "SELECT READVALUE FROM SAVEDATA ORDER BY " + rowId(r.db)), values);
        if (pg) { // a batch sent again after its commit's answer was lost: each reading lands once
            std::vector<LogRow> numbered(rows.begin(), rows.begin() + 3);
            for (size_t i = 0; i < numbered.size(); ++i)
                numbered[i].seq = 5000 + qint64(i);
            QVERIFY(r.db.appendReadings(numbered).ok && r.db.appendReadings(numbered).ok);
            QCOMPARE(query(r.db, "SELECT COUNT(*) FROM SAVEDATA"), QStringList{"1003"});
        }
    }

    // A crash between the commit of SAVEDATA and the clearing of Record.pending: the next start
    // writes the rows only when SAVEDATA does not hold them yet.
    void crashDuringAMoveLogsOnce()
    {
        const qint64 t = QDateTime(QDate(2026, 12, 6), QTime(10, 0)).toSecsSinceEpoch();
        const std::vector<LogRow> rows{{t, 215, 1, "T"}, {t, 500, 1, "RH"}};
        for (bool committed : {false, true}) {
            QTemporaryDir dir;
            const RecordDb db(dir.path(), log());
            QVERIFY(db.appendReadings({{t - 60, 1, 2, "CO2"}}).ok);
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
            QCOMPARE(query(db, "SELECT COUNT(*) FROM SAVEDATA"), QStringList{"3"});
            QCOMPARE(PendingStore(dir.path()).count(), 0);
        }
    }

    // "显示" and "导出" on the log of Logged: the rows shown, or the refusal told. A refusal leaves
    // the data base as it was and asks for no file.
    void historyQuery_data()
    {
        QTest::addColumn<bool>("exporting");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("message"); // none: the rows are shown
        QTest::addColumn<QString>("text2");       // the address box corrected
        const QString t5a = "2026-12-01 00:00:00|230|T|5|温度计", t5b = "2026-12-01 00:00:00|456|RH|5|温度计",
                      t5c = "2026-12-02 23:59:59|235|T|5|温度计", t3 = "2026-12-01 12:00:00|800|CO2|3|",
                      t7 = "2026-12-02 08:00:00|65486|PM25|7|";
        const auto show = [](const char *name, const char *start, const char *end, const char *address,
                             const QStringList &rows) {
            QTest::newRow(name) << false << start << end << address << rows << QStringList() << QString();
        };
        show("all devices, by address then time", "2026-12-01", "2026-12-03", "0", {t3, t5a, t5b, t5c, t7});
        show("device 5 by time", "2026-12-01", "2026-12-03", "5", {t5a, t5b, t5c});
        show("slashes, one digit, blanks", " 2026/12/1", "2026/12/2 ", "0", {t3, t5a, t5b});
        show("end day excluded", "2026-12-2", "2026-12-3", "5", {t5c});
        const auto refused = [](const char *name, bool exporting, const char *start, const char *address,
                                const QString &message, const char *text2 = "") {
            const char *end = QByteArray(start).startsWith("2026-11") ? "2026-11-30" : "2026-12-03";
            QTest::newRow(name) << exporting << start << end << address << QStringList()
                                << QStringList{message} << text2;
        };
        refused("show, empty range", false, "2026-11-01", "0", tr8(th::NothingFound));
        refused("export, empty range", true, "2026-11-01", "9",
                tr8(th::NothingFound) + "\r\n" + tr8(th::ChooseAgain));
        refused("no address", false, "2026-12-01", "", tr8(th::AddressEmpty), "0");
        refused("a blank address", true, "2026-12-01", " ", tr8(th::AddressEmpty), "0");
        for (const char *bad : {"2026-13-45", "abc", "2026-12-1' OR '1'='1", "2026-02-30"})
            refused(bad, false, bad, "0", tr8(th::BadStartDate).arg(bad));
    }
    void historyQuery()
    {
        QFETCH(bool, exporting);
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, address);
        QFETCH(QStringList, rows);
        HistoryRig r(log());
        QAbstractItemModelTester tester(&r.model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const auto content = [&] {
            return query(r.db, "SELECT * FROM SAVEDATA") + query(r.db, "SELECT * FROM SAVEPRO");
        };
        const QStringList before = content();
        const auto button = exporting ? &HistoryQuery::CancelButton_Click : &HistoryQuery::OKButton_Click;
        (r.query.*button)(start, end, address);
        QTEST(r.op.texts(), "message");
        QCOMPARE(r.shown(), rows);
        QTEST(r.text2, "text2");
        if (!rows.isEmpty())
            QCOMPARE(r.text3, resultLine(rows.size()));
        QCOMPARE(r.op.askedFolders, QStringList());
        QCOMPARE(content(), before);
    }

    // Two readings, one of them of a device without a name: nine lines, GBK, CR LF.
    void exportFile()
    {
        HistoryRig r(log());
        const QString path = r.dir.filePath("导出.txt");
        r.op.saveAnswers << path;
        r.query.CancelButton_Click("2026-12-02", "2026-12-03", "0");
        QCOMPARE(r.op.texts(), QStringList());
        const QByteArray expected = QStringEncoder("GBK").encode(
            u"导出数据说明：\r\n温湿度、一氧化碳、甲醛、硫化氢、氨气、二氧化氮数据为实际值的10倍.\r\n"
            "氧气、臭氧为实际值的100倍.其它则为实际值.\r\n\r\n当前导出2条数据.\r\n\r\n"
            "读取时间|数据|类型|设备地址|设备名称\r\n2026-12-02 23:59:59|235|T|5|温度计\r\n"
            "2026-12-02 08:00:00|65486|PM25|7|\r\n"_qs.replace('|', "\t\t\t"));
        QCOMPARE(fileBytes(path), expected);
        QCOMPARE(r.op.askedFolders, QStringList{r.dir.path()});
        QCOMPARE(r.text3, tr8(th::ExportDone) + "\r\n" + tr8(th::SavedIn) + QDir::toNativeSeparators(path));
        // Without a file name nothing is written.
        r.query.CancelButton_Click("2026-12-01", "2026-12-03", "0");
        QCOMPARE(r.op.texts(), QStringList{tr8(th::NoFileName)});
        QCOMPARE(fileBytes(path), expected);
    }

    // The dialog offers the station only on a shared log, this station first; the one chosen is
    // the one whose readings and device names are shown.
    void stationChosenInTheDialog()
    {
        HistoryRig r(log());
        if (pg) {
            const RecordDb other(folder(), {r.db.sharedLog().url, "B"});
            QVERIFY(other.setAlias(5, "B5").ok && other.appendReadings({{at(1, "09:00:00"), 7, 5, "T"}}).ok);
        }
        SystemClock clock;
        Dialog2 dlg(r.db, r.op, clock, r.dir.path());
        auto *box = dlg.findChild<QComboBox *>("Combo1");
        QCOMPARE(box != nullptr, pg);
        if (!pg)
            return;
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->itemText(0), "A");
        QCOMPARE(dlg.findChild<QLabel *>("lblCombo1")->buddy(), box);
        box->setCurrentIndex(1);
        dlg.findChild<QLineEdit *>("Text1_0")->setText("2026-12-01");
        dlg.findChild<QLineEdit *>("Text1_1")->setText("2026-12-02");
        QTest::mouseClick(dlg.findChild<QPushButton *>("OKButton"), Qt::LeftButton);
        QCOMPARE(dlg.model().rowCount(), 1);
        QCOMPARE(dlg.model().index(0, 4).data().toString(), "B5");
    }

    // Pages follow one another without gap or repetition, and readings logged after "显示"
    // belong to the next show only.
    void pagesKeepTheShownResult()
    {
        HistoryRig r(log());
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
};

class RecordDbOnPostgreSQL : public RecordDbCases {
    Q_OBJECT
public:
    RecordDbOnPostgreSQL() : RecordDbCases(true) {}
};

class TstRecording : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
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
        QCOMPARE(db.appendReadings({{at(4, "03:04:05"), 1, 1, "T"}}).error, expected);
        QCOMPARE(query(db, "SELECT COUNT(*) FROM SAVEPRO").value(0) == "255", reason.isEmpty());
        // The operator's old file is never touched.
        QVERIFY(content == "<folder>" || reason.isEmpty() || fileBytes(f.fileName()) == content);
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

    // The three commands of the maintenance menu on one Record.mdb.
    void maintenanceCommands()
    {
        RecordDb db(m_dir.filePath("记录 数据/程序 目录"));
        RecordingOperator op;
        QMenuBar bar;
        std::optional<QString> answer; // to the table-name question; none: cancelled
        const auto actions = addMaintenanceMenu(&bar, db, op, [&](QWidget *) { return answer; })->actions();
        // What a command tells the operator, "! " before a warning.
        const auto run = [&](int command, std::optional<QString> name = {}) -> QString {
            answer = std::move(name);
            op.messages.clear();
            actions[command - 1]->trigger();
            const auto &m = op.messages;
            return m.isEmpty() ? QString() : (m[0].icon == Operator::Icon::Warning ? "! " : "") + m[0].text;
        };
        // 1: the temperature rows exported once.
        QVERIFY(db.appendReadings({{at(4, "10:00:05"), 253, 7, "T"},
                                   {at(4, "10:00:05"), 456, 7, "RH"},
                                   {at(4, "09:00:00"), 65486, 7, "T"},
                                   {at(4, "11:00:00"), 12, 2, "T"}})
                    .ok);
        QCOMPARE(run(1), tr8(ExportDone).arg(3).arg(shown(db.exportPath())));
        const QByteArray exported("\"READTIME\",\"READVALUE\",\"PROTYPE\",\"ADDRESS\"\r\n"
                                  "2026-12-04 11:00:00,\"12\",\"T\",2\r\n"
                                  "2026-12-04 09:00:00,\"65486\",\"T\",7\r\n"
                                  "2026-12-04 10:00:05,\"253\",\"T\",7\r\n");
        QCOMPARE(fileBytes(db.exportPath()), exported);
        // Again, with more rows: the existing file is left as it is.
        QVERIFY(db.appendReadings({{at(4, "11:00:01"), 13, 2, "T"}}).ok);
        QCOMPARE(run(1), "! " + tr8(ExportExists).arg(shown(db.exportPath())));
        QCOMPARE(fileBytes(db.exportPath()), exported);
        // A file in the way of the export folder.
        const QString exportFolder = QFileInfo(db.exportPath()).path();
        QVERIFY(QDir(exportFolder).removeRecursively() && QFile(exportFolder).open(QIODevice::WriteOnly));
        QCOMPARE(run(1), "! " + tr8(ExportNoFolder).arg(shown(exportFolder)));

        // 2: the registry copied once. The name typed is only ever a name; a cancelled question
        // does nothing.
        const QString tables = "SELECT group_concat(name) FROM sqlite_master WHERE type = 'table'";
        for (const char *name : {"1 or 1=1", "T1(X INT);DROP TABLE SAVEPRO;--", "A\"B", "9REG", "MY REG"})
            QCOMPARE(run(2, name), "! " + tr8(TableNameInvalid).arg(name));
        QCOMPARE(run(2, "  "), "! " + tr8(TableNameEmpty));
        QCOMPARE(run(2), QString());
        QCOMPARE(query(db, tables), QStringList{"SAVEPRO,SAVEDATA"});
        QVERIFY(db.setAlias(4, u"保留"_qs).ok);
        query(db, "DELETE FROM SAVEPRO WHERE ADDRESS BETWEEN 10 AND 12");
        QCOMPARE(run(2, "REG2"), tr8(RegistryDone).arg("REG2").arg(3));
        QCOMPARE(columns(db, "REG2"), "ADDRESS,ALIAS,MIXPRO,PROTYPE");
        QCOMPARE(query(db, "SELECT COUNT(*), COUNT(ALIAS) FROM SAVEPRO"), QStringList{"255|1"});
        for (const char *again : {"REG2", "reg2", " SAVEPRO "})
            QCOMPARE(run(2, again), "! " + tr8(TableExists).arg(QString(again).trimmed()));
        // Without SAVEPRO the new table is rolled back with the rest.
        query(db, "DROP TABLE SAVEPRO");
        QVERIFY(run(2, "OTHER").contains(tr8(ReasonNoTable).arg("SAVEPRO")));
        QCOMPARE(query(db, tables), QStringList{"SAVEDATA,REG2"});

        // 3: both columns added to Data_RH, or neither.
        QCOMPARE(run(3), "! " + tr8(DataRhMissing));
        query(db, "CREATE TABLE Data_RH (RH TEXT, MYCODE BOOLEAN)");
        query(db, "INSERT INTO Data_RH VALUES ('45.6', 1)");
        // One of the two there already: the other is not added either (it would stand in the way
        // below, once MYCODE is gone).
        QCOMPARE(run(3), "! " + tr8(DataRhHasColumns));
        query(db, "ALTER TABLE Data_RH DROP COLUMN MYCODE");
        QCOMPARE(run(3), tr8(DataRhDone));
        QCOMPARE(run(3), "! " + tr8(DataRhHasColumns));
        QCOMPARE(columns(db, "Data_RH"), "RH,MYNAME,MYCODE");
        QCOMPARE(query(db, "SELECT * FROM Data_RH"), QStringList{"45.6|<null>|<null>"});
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
        QVERIFY(dlg && dlg->isVisible() && !dlg->isModal());
        auto *start = dlg->findChild<QLineEdit *>("Text1_0"), *end = dlg->findChild<QLineEdit *>("Text1_1"),
             *address = dlg->findChild<QLineEdit *>("Text2");
        auto *cal0 = dlg->findChild<QCalendarWidget *>("Calendar1_0"),
             *cal1 = dlg->findChild<QCalendarWidget *>("Calendar1_1");
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

    // Files written on a disk that is full or read-only (a small tmpfs the test mounts, as root;
    // skipped otherwise): the writer tells the operator, never says "saved", never shortens the
    // good file it was to replace and leaves no stray file behind. (The rescue file on a full disk
    // is told by fullDiskIsToldNotHidden; the record files are tst_station's.)
    void nothingGoodIsShortened_data()
    {
        QTest::addColumn<bool>("exporting"); // the history export, or else the configuration
        QTest::addColumn<bool>("readOnly");
        for (int i = 0; i < 4; ++i)
            QTest::addRow("%s, %s", i & 2 ? "history export" : "configuration",
                          i & 1 ? "read-only" : "disk full")
                << bool(i & 2) << bool(i & 1);
    }
    void nothingGoodIsShortened()
    {
        QFETCH(bool, exporting);
        QFETCH(bool, readOnly);
        HistoryRig r({}); // the history export's readings, on a disk with room
        QTemporaryDir base;
        const QString folder = base.filePath(QStringLiteral("disk")), target = folder + "/target.txt";
        TMPFS_MOUNT(disk, folder, QStringLiteral("size=64k"));
        const QByteArray good = "a good file\r\n";
        QCOMPARE(writeFile(target, good), target);
        if (readOnly)
            QCOMPARE(QProcess::execute(QStringLiteral("mount"), {"-o", "remount,ro", folder}), 0);
        else
            fill(folder);
        const QStringList before = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        r.op.saveAnswers << target;
        PollSettings settings;
        DeviceTable table;
        table.PollEnd = 200; // a file of some kilobytes
        if (exporting)
            r.query.CancelButton_Click("2026-12-01", "2026-12-03", "0");
        else
            QVERIFY(!saveConfiguration(r.op, folder, settings, table));
        QCOMPARE(r.op.messages.size(), 1);
        QCOMPARE(r.text3, QString()); // not "saved"
        QCOMPARE(fileBytes(target), good);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), before);
    }

    // A flush that finds Record.mdb locked gives up within a blink, keeps its readings and writes
    // them at the next flush; the readings still land beside it meanwhile.
    void lockedDataBaseNeverFreezesTheWindow()
    {
        QTemporaryDir dir;
        Rig r(dir.path(), {}, 1, 1);
        r.devices.at(1) = {33, 3, 0, "T+RH", {}};
        r.read(1, 1, 0, 215);
        sqlite3 *other = nullptr; // another program's write lock
        sqlite3_open(r.db.filePath().toUtf8().constData(), &other);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        QVERIFY(r.log.land(r.buffer, loggedDevices(r.devices).front(), 1).ok);
        QElapsedTimer held;
        held.start();
        const FlushResult failed = r.flush(1);
        QVERIFY2(held.elapsed() < db::BusyTimeoutMs * 2 + 100, qPrintable(QString::number(held.elapsed())));
        QVERIFY(!failed.ok && failed.waiting == 2);
        sqlite3_close(other);
        QCOMPARE(r.flush(1).written, 2);
        QCOMPARE(r.logged().size(), 2);
    }

    // Saving on: the flush of the 300th pass fails (one message box, nothing in the message line),
    // and so does the stop's. Aliases that cannot be read at the start of the runs that follow are
    // told once and polling goes on; a run without saving wraps its buffer empty. At program end
    // the held readings are logged, and none of the runs without saving.
    void failedFlushIsToldOnceAndRetried()
    {
        STATION_RIG(PollRig, r, true);
        r.start(true);
        r.passes(299);
        QVERIFY(QFile::remove(s.db.filePath()) && QDir().mkpath(s.db.filePath())); // a folder in its place
        r.advance(301000); // the flushes of passes 300 and 600 fail: told once
        QCOMPARE(r.told().size(), 1);
        QVERIFY(r.told().first().startsWith(tr8(texts::polling::SaveFailed)));
        QVERIFY(s.Text5.isEmpty());
        s.polling.cmdLoopR_Click();
        QCOMPARE(r.told().size(), 2);
        QCOMPARE(s.log.waitingRows(), size_t(2 * 600));
        for (int run = 0; run < 2; ++run) {
            r.start(false);
            r.passes(2);
            QCOMPARE(s.polling.phase(), Polling::Phase::Active);
            QCOMPARE(s.readings.CycleCount, 2);
            s.polling.cmdLoopR_Click();
        }
        QCOMPARE(r.told().size(), 3);
        QVERIFY(r.told().last().startsWith(tr8(texts::polling::AliasesFailed)));
        QVERIFY(QDir(s.db.filePath()).removeRecursively());
        r.start(false);
        r.passes(300);
        QCOMPARE(s.readings.CycleCount, 0);
        QVERIFY(!s.readings.hasTime(1, 1) && !s.readings.hasTime(1, 300));
        r.advance(3000); // three more passes, running at program end
        s.Form_Unload();
        QCOMPARE(s.db.readings(r.now().addYears(-1), r.now()).value.size(), size_t(2 * 600));
        QCOMPARE(r.told().size(), 3);
    }

    // Polling with saving on a data folder whose disk fills up: the landing failure is told once,
    // the flush at the stop and the rescue at program end each say so; nothing goes unmentioned.
    void fullDiskIsToldNotHidden()
    {
        STATION_RIG(PollRig, r, true);
        TMPFS_MOUNT(disk, r.data.path(), QStringLiteral("size=256k"));
        QVERIFY(s.db.check().ok); // a fresh Record.mdb on the small disk
        fill(r.data.path());
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
        QCOMPARE(QDir(r.data.filePath("export")).entryList(QDir::Files), QStringList()); // no stray file
    }
};

// Each class runs the test functions named on the command line that it has (all when none is
// named), so `tst_recording historyQuery` runs one function of one class.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    RecordDbCases onFile;
    RecordDbOnPostgreSQL onServer;
    TstRecording others;
    const QStringList args = app.arguments();
    const auto has = [](QObject *c, const QString &a) {
        return c->metaObject()->indexOfMethod(qPrintable(a.section(':', 0, 0) + "()")) >= 0;
    };
    const auto function = [&](const QString &a) { return has(&onFile, a) || has(&others, a); };
    const bool named = std::any_of(args.begin() + 1, args.end(), function);
    int failed = 0;
    for (QObject *c : QList<QObject *>{&onFile, &onServer, &others}) {
        QStringList mine; // the options, and the functions of this class
        std::copy_if(args.begin(), args.end(), std::back_inserter(mine),
                     [&](auto &a) { return !function(a) || has(c, a); });
        if (!named || std::any_of(args.begin(), args.end(), [&](auto &a) { return has(c, a); }))
            failed += QTest::qExec(c, mine);
    }
    return failed;
}
#include "tst_recording.moc"

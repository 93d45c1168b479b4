// Record.mdb on a real file: the new file, the registry statements, the reading log and its
// flushes, the range queries, the maintenance commands and their menu, files that cannot be
// opened, and the READTIME texts. The tests look into the file through a connection of their own,
// so they check what the file holds rather than what the data base class says it holds.
#include "common/recordingoperator.h"
#include "devices/devicetable.h"
#include "recording/readingbuffer.h"
#include "recording/readinglog.h"
#include "recording/recorddb.h"
#include "recording/texts.h"
#include "recording/timetext.h"
#include "ui/maintenancemenu.h"

#include <QtSql>
#include <QtTest>
#include <QtWidgets>
#include <ctime>

using namespace kestrel;
using namespace kestrel::recordtexts;

namespace {

const QDateTime Base = QDateTime(QDate(2026, 12, 4), QTime(14, 31, 37));

QString tr8(const char *text) { return QString::fromUtf8(text); }
QDateTime at(const char *text) { return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate); }

// The rows of one statement on the file, each as its columns joined by "|" (NULL as "<null>");
// a failing statement gives the single row "<error> <text>".
QStringList query(const RecordDb &file, const QString &sql)
{
    static int serial = 0;
    const QString name = QStringLiteral("test-peek-%1").arg(++serial);
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file.filePath());
        const bool open = db.open();
        QSqlQuery q(db);
        if (!open || !q.exec(sql))
            rows << QStringLiteral("<error> ") + (open ? q.lastError() : db.lastError()).text();
        for (QStringList cols; q.next(); rows << cols.join('|'), cols.clear())
            for (int i = 0; i < q.record().count(); ++i)
                cols << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}
QString columns(const RecordDb &file, const char *table)
{
    return query(file, QStringLiteral("SELECT group_concat(name) FROM pragma_table_info('%1')").arg(table))
        .value(0);
}

LogRow logRow(const char *time, uint16_t value, int address, const char *protype)
{
    return {at(time).toSecsSinceEpoch(), value, address, QString::fromLatin1(protype)};
}
// A logged row of a reading taken Base + offset seconds, as rows() shows it.
QString row(int offset, int value, const QString &protype, int address)
{
    return RecordDb::timeText(Base.addSecs(offset)) + '|' + QString::number(value) + '|' + protype + '|' +
           QString::number(address);
}
QStringList rows(const ReadingsResult &r)
{
    QStringList out;
    for (const ReadingRecord &x : r.rows)
        out << RecordDb::timeText(x.readTime) + '|' + x.readValue + '|' + x.protype + '|' +
                   QString::number(x.address);
    return out;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A data base, its reading log and the polling state that feeds it.
struct Rig {
    RecordDb db;
    ReadingLog log{db};
    ReadingBuffer buffer;
    DeviceTable devices;

    Rig(const QString &folder, int start, int end) : db(folder)
    {
        db.check();
        devices.PollStart = start;
        devices.PollEnd = end;
    }
    void place(int a, uint8_t mixpro, uint8_t protype, const char *name)
    {
        devices.at(a) = {mixpro, protype, 0, name, {}};
    }
    // A good reading of `address` in cycle `slot`: time Base + offset seconds, values v, v+1, ...
    void read(int address, int slot, int offset, uint16_t v)
    {
        buffer.setTime(address, slot, Base.addSecs(offset));
        for (int k = 0; k < ReadingBuffer::Components; ++k)
            buffer.setValue(address, slot, k, uint16_t(v + k));
    }
    FlushResult flush(int cycles, bool save = true)
    {
        buffer.CycleCount = cycles;
        return log.flushReadings(buffer, devices, save);
    }
    QStringList logged() const
    {
        return query(db, "SELECT READTIME, READVALUE, PROTYPE, ADDRESS FROM SAVEDATA ORDER BY rowid");
    }
};

} // namespace

class TstRecording : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_n = 0;
    // A data folder path with blanks and Chinese characters.
    QString folder() { return m_dir.filePath(QStringLiteral("记录 数据/程序 目录 %1").arg(++m_n)); }

private Q_SLOTS:
    // Every operation closes its connection, so the file is free between operations.
    void cleanup() { QVERIFY(QSqlDatabase::connectionNames().isEmpty()); }

    void registryOfANewFile()
    {
        RecordDb db(folder());
        const DbStatus s = db.check();
        QVERIFY2(s.ok, qPrintable(s.error));
        QCOMPARE(columns(db, "SAVEPRO") + ' ' + columns(db, "SAVEDATA"),
                 u"ADDRESS,ALIAS,MIXPRO,PROTYPE READTIME,READVALUE,PROTYPE,ADDRESS"_qs);
        const QString registry = QStringLiteral("SELECT COUNT(*), MIN(ADDRESS), MAX(ADDRESS), COUNT(ALIAS), "
                                                "SUM(MIXPRO + PROTYPE) FROM SAVEPRO");
        QCOMPARE(query(db, registry), QStringList{"255|1|255|0|0"});

        // The operator's texts stay as typed, and each statement changes its one row.
        const QStringList aliases = {u"一号车间 温湿度"_qs, u"1 or 1=1"_qs, u"x'; DELETE FROM SAVEPRO; --"_qs,
                                     u""_qs};
        for (int i = 0; i < aliases.size(); ++i)
            QVERIFY(db.setAlias(7 + i, aliases[i]).ok);
        QVERIFY(db.setCodes(3, 33, 3).ok);
        QCOMPARE(query(db, registry), QStringList{"255|1|255|4|36"});
        QCOMPARE(db.readAlias(10).alias, std::optional<QString>(u""_qs));
        QCOMPARE(db.readAlias(1).alias, std::nullopt);
        // NULL aliases: " " for the polling grid, "" for the history list.
        const AliasListResult polling = db.loadAliases();
        const AliasListResult history = db.deviceList();
        QVERIFY(polling.ok && history.ok && polling.rows.size() == 255 && history.rows.size() == 255);
        QCOMPARE(polling.rows[254].address, 255);
        QCOMPARE(polling.rows[6].alias + '|' + polling.rows[9].alias + '|' + polling.rows[10].alias,
                 aliases[0] + "|| ");
        QCOMPARE(history.rows[7].alias + '|' + history.rows[0].alias, aliases[1] + '|');
        // Addresses without a row change nothing and say which address and file.
        query(db, "DELETE FROM SAVEPRO WHERE ADDRESS = 20");
        for (int address : {0, 256, 20}) {
            const QString error = db.setAlias(address, QStringLiteral("x")).error;
            QVERIFY(!db.setCodes(address, 0, 2).ok && !db.readAlias(address).ok);
            QVERIFY2(error.contains(QStringLiteral(" %1 ").arg(address)) &&
                         error.contains(QDir::toNativeSeparators(db.filePath())),
                     qPrintable(error));
        }
        QCOMPARE(query(db, registry), QStringList{"254|1|255|4|36"});
    }

    void rangeQueriesCompareDatesAndOrder()
    {
        RecordDb db(folder());
        // Appended out of order, across day and month edges; 9 and 10 December would swap as
        // unpadded text. Values keep all 16 bits.
        QVERIFY(
            db.appendReadings(
                  {logRow("2026-12-10T08:00:00", 10, 2, "T"), logRow("2026-12-09T08:00:00", 9, 2, "T"),
                   logRow("2026-11-30T23:59:59", 1, 1, "T"), logRow("2026-12-01T00:00:00", 65535, 1, "T"),
                   logRow("2026-12-02T23:59:59", 32768, 5, "RH"), logRow("2026-12-03T00:00:00", 4, 1, "T"),
                   logRow("2026-12-01T12:00:00", 5, 5, "T"), logRow("2026-12-02T06:00:00", 6, 1, "CO2")})
                .ok);
        QCOMPARE(rows(db.readings(at("2026-12-01T00:00:00"), at("2026-12-02T23:59:59"))),
                 (QStringList{"2026-12-01 00:00:00|65535|T|1", "2026-12-02 06:00:00|6|CO2|1",
                              "2026-12-01 12:00:00|5|T|5", "2026-12-02 23:59:59|32768|RH|5"}));
        // Both ends belong to the range.
        QCOMPARE(rows(db.readings(2, at("2026-12-09T08:00:00"), at("2026-12-10T08:00:00"))),
                 (QStringList{"2026-12-09 08:00:00|9|T|2", "2026-12-10 08:00:00|10|T|2"}));
        const ReadingsResult bad = db.readings(QDateTime(), at("2026-12-31T00:00:00"));
        QVERIFY(!bad.ok && bad.error.contains(tr8(ReasonBadDate)));
    }

    void bigBatchKeepsItsOrder()
    {
        // Many statements' worth of rows and a shorter last statement: they follow one another
        // in order, and a fault in the last one leaves nothing of the batch behind.
        RecordDb db(folder());
        std::vector<LogRow> rows;
        QStringList expected;
        for (int i = 0; i < 1000; ++i) {
            rows.push_back({1796000000 + i / 5, uint16_t(i), 1 + i % 255, QStringLiteral("T")});
            expected << QString::number(i);
        }
        QVERIFY(db.check().ok);
        query(db, "CREATE TRIGGER fault BEFORE INSERT ON SAVEDATA WHEN NEW.READVALUE = '999' "
                  "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END");
        QVERIFY(!db.appendReadings(rows).ok);
        query(db, "DROP TRIGGER fault");
        QVERIFY(db.appendReadings(rows).ok);
        QCOMPARE(query(db, "SELECT READVALUE FROM SAVEDATA ORDER BY rowid"), expected);
    }

    void filesThatCannotBeOpened_data()
    {
        QTest::addColumn<QByteArray>("content"); // of Record.mdb, or "<folder>" / "<file>" in the way
        QTest::addColumn<QString>("reason");     // none: the file becomes a new data base
        QByteArray jet("\x00\x01\x00\x00Standard Jet DB\x00", 20);
        jet.append(2048, '\x11');
        const QString taken =
            QDir::toNativeSeparators(m_dir.filePath(QStringLiteral("data folder is a file")));
        QTest::newRow("empty file") << QByteArray("") << QString();
        QTest::newRow("old Access file") << jet << tr8(ReasonAccessFormat);
        QTest::newRow("text file") << QByteArray("ADDRESS,ALIAS\r\n1,x\r\n") << tr8(ReasonNotDatabase);
        QTest::newRow("folder in the way") << QByteArray("<folder>") << tr8(ReasonNotFile);
        QTest::newRow("data folder is a file") << QByteArray("<file>") << tr8(ReasonFolder).arg(taken);
    }
    void filesThatCannotBeOpened()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        RecordDb db(m_dir.filePath(QString::fromLatin1(QTest::currentDataTag())));
        QFile f(content == "<file>" ? db.dataFolder() : db.filePath());
        QVERIFY(QDir().mkpath(content == "<folder>" ? db.filePath() : QFileInfo(f).path()));
        QVERIFY(content == "<folder>" || (f.open(QIODevice::WriteOnly) && f.write(content) >= 0));
        f.close();
        const QString expected = reason.isEmpty()
                                     ? QString()
                                     : tr8(DbCannotOpen).arg(QDir::toNativeSeparators(db.filePath()), reason);
        QCOMPARE(db.check().error, expected);
        QCOMPARE(db.appendReadings({logRow("2026-01-02T03:04:05", 1, 1, "T")}).error, expected);
        QCOMPARE(query(db, "SELECT COUNT(*) FROM SAVEPRO").value(0) == "255", reason.isEmpty());
        // The operator's old file is never touched.
        QVERIFY(content == "<folder>" || reason.isEmpty() || fileBytes(f.fileName()) == content);
    }

    void combinedDeviceThreeCycles()
    {
        Rig r(folder(), 5, 5);
        r.place(5, 33, 3, "T+RH");
        // Values with the high bit set (-5.0 °C is 0xFFCE) go to the log unsigned.
        for (int c = 1; c <= 3; ++c)
            r.read(5, c, c * 10, uint16_t(0xFFCE + c * 10));
        const FlushResult f = r.flush(3);
        QVERIFY2(f.ok && f.written == 6, qPrintable(f.error));
        QCOMPARE(r.logged(),
                 (QStringList{row(10, 65496, "T", 5), row(10, 65497, "RH", 5), row(20, 65506, "T", 5),
                              row(20, 65507, "RH", 5), row(30, 65516, "T", 5), row(30, 65517, "RH", 5)}));
        QCOMPARE(query(r.db, "SELECT COUNT(*) FROM SAVEPRO"), QStringList{"255"});
        // Nothing is written twice; readings taken while saving is off never reach the log.
        QCOMPARE(r.flush(3).written, 0);
        r.read(5, 1, 40, 1);
        QVERIFY(r.flush(1, false).ok && r.flush(1).written == 0);
        QCOMPARE(r.logged().size(), 6);
    }

    void completeCyclesOfTheRangeByAddress()
    {
        Rig r(folder(), 2, 6);
        r.place(2, 0, 5, "PM25"); // a single quantity logs its whole type name
        r.place(3, 49, 9, "T+RH+PM2.5");
        r.place(4, 81, 27, "T+RH+CO2+VOC+PM2.5");
        r.place(5, 33, 0, "T+RH"); // type not read yet
        r.place(6, 17, 3, "T+RH"); // a combination that is not logged
        r.place(7, 0, 2, "T");     // outside the range
        // Polled in the order 2..6, 2, 3, (4 timed out), 5, 6, 2, stopped in the third cycle.
        for (int a = 2; a <= 6; ++a) {
            r.read(a, 1, a, uint16_t(a * 100));
            r.read(a, 2, a + 10, uint16_t(a * 100 + 50));
        }
        r.buffer.clearTime(4, 2);
        r.read(2, 3, 20, 1);
        r.read(7, 1, 0, 1);
        QVERIFY(r.flush(2).ok);
        QCOMPARE(r.logged(),
                 (QStringList{row(2, 200, "PM25", 2), row(12, 250, "PM25", 2), row(3, 300, "T", 3),
                              row(3, 301, "RH", 3), row(3, 302, "PM2.5", 3), row(13, 350, "T", 3),
                              row(13, 351, "RH", 3), row(13, 352, "PM2.5", 3), row(4, 400, "T", 4),
                              row(4, 401, "RH", 4), row(4, 402, "CO2", 4), row(4, 403, "VOC", 4),
                              row(4, 404, "PM2.5", 4)}));
        QCOMPARE(r.flush(3).written, 0); // the half cycle is not picked up later either
    }

    void failedFlushLosesNothing()
    {
        Rig r(folder(), 1, 4);
        QStringList expected;
        for (int a = 1; a <= 4; ++a) {
            r.place(a, 33, 3, "T+RH");
            r.read(a, 1, a, uint16_t(a * 100));
            expected << row(a, a * 100, "T", a) << row(a, a * 100 + 1, "RH", a);
        }
        // A fault on the 3rd reading's row: the rows before it were already inserted.
        const QString fault =
            QStringLiteral("CREATE TRIGGER fault BEFORE INSERT ON SAVEDATA WHEN NEW.ADDRESS = 3 "
                           "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END");
        query(r.db, fault);
        const FlushResult failed = r.flush(1);
        QVERIFY(!failed.ok && failed.written == 0 && failed.waiting == 8);
        const QString dbError =
            tr8(DbFailed).arg(QDir::toNativeSeparators(r.db.filePath()), "disk I/O error");
        QCOMPARE(failed.error, tr8(FlushFailed).arg(8).arg(dbError));
        // Polling goes on; the held rows go first, then the next cycle's (nothing twice).
        r.read(2, 1, 100, 900);
        query(r.db, "DROP TRIGGER fault");
        const FlushResult retried = r.flush(1);
        QVERIFY2(retried.ok && retried.written == 10 && r.log.waitingRows() == 0, qPrintable(retried.error));
        QCOMPARE(r.logged(), expected << row(100, 900, "T", 2) << row(100, 901, "RH", 2));
        // Held rows are written even when saving is off by the time of the next flush.
        query(r.db, fault);
        r.read(3, 1, 200, 7);
        QVERIFY(!r.flush(1).ok);
        query(r.db, "DROP TRIGGER fault");
        QCOMPARE(r.flush(1, false).written, 2);
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
                const QString text = QDateTime::fromSecsSinceEpoch(s).toString("yyyy-MM-dd HH:mm:ss");
                const QDateTime back = w.parse(text);
                if (w.text(s) != text || back.toString("yyyy-MM-dd HH:mm:ss") != text ||
                    back.offsetFromUtc() !=
                        QDateTime::fromSecsSinceEpoch(back.toSecsSinceEpoch()).offsetFromUtc())
                    faults << QStringLiteral("%1 %2: %3 / %4")
                                  .arg(zone, text, w.text(s), back.toString(Qt::ISODate));
            }
        }
        saved.isNull() ? qunsetenv("TZ") : qputenv("TZ", saved);
        tzset();
        QVERIFY2(faults.isEmpty(), qPrintable(faults.mid(0, 3).join("; ")));
        TimeTexts t;
        QCOMPARE(t.parse(QStringLiteral("2026-12-04T14:31:37")), Base);
        for (const char *bad :
             {"2026-02-30 10:00:00", "2026-02-03 24:00:00", "yesterday noon", "", "２０２６-12-04"})
            QVERIFY2(!t.parse(QString::fromUtf8(bad)).isValid(), bad);
    }

    void command1ExportsTemperatureRowsOnce()
    {
        RecordDb db(folder());
        QVERIFY(db.appendReadings({logRow("2026-12-04T10:00:05", 253, 7, "T"),
                                   logRow("2026-12-04T10:00:05", 456, 7, "RH"),
                                   logRow("2026-12-04T09:00:00", 65486, 7, "T"),
                                   logRow("2026-12-04T11:00:00", 12, 2, "T")})
                    .ok);
        const QString shown = QDir::toNativeSeparators(db.exportPath());
        QCOMPARE(db.exportTemperature().message, tr8(ExportDone).arg(3).arg(shown));
        const QByteArray exported("\"READTIME\",\"READVALUE\",\"PROTYPE\",\"ADDRESS\"\r\n"
                                  "2026-12-04 11:00:00,\"12\",\"T\",2\r\n"
                                  "2026-12-04 09:00:00,\"65486\",\"T\",7\r\n"
                                  "2026-12-04 10:00:05,\"253\",\"T\",7\r\n");
        QCOMPARE(fileBytes(db.exportPath()), exported);
        // Again, with more rows: the existing file is left as it is.
        QVERIFY(db.appendReadings({logRow("2026-12-05T11:00:00", 13, 2, "T")}).ok);
        QCOMPARE(db.exportTemperature().message, tr8(ExportExists).arg(shown));
        QCOMPARE(fileBytes(db.exportPath()), exported);
    }

    void command2BuildsTheRegistryOnce()
    {
        RecordDb db(folder());
        QVERIFY(db.check().ok);
        const QString tables =
            QStringLiteral("SELECT group_concat(name) FROM sqlite_master WHERE type = 'table'");
        // The name typed by the operator is only ever a name.
        for (const char *name : {"1 or 1=1", "T1(X INT);DROP TABLE SAVEPRO;--", "A\"B", "9REG", "MY REG"})
            QCOMPARE(db.createRegistry(QString::fromLatin1(name)).message, tr8(TableNameInvalid).arg(name));
        QCOMPARE(db.createRegistry(QStringLiteral("  ")).message, tr8(TableNameEmpty));
        QCOMPARE(query(db, tables), QStringList{"SAVEPRO,SAVEDATA"});

        QVERIFY(db.setAlias(4, QStringLiteral("保留")).ok);
        query(db, "DELETE FROM SAVEPRO WHERE ADDRESS BETWEEN 10 AND 12");
        QCOMPARE(db.createRegistry(QStringLiteral("REG2")).message, tr8(RegistryDone).arg("REG2").arg(3));
        QCOMPARE(columns(db, "REG2"), u"ADDRESS,ALIAS,MIXPRO,PROTYPE"_qs);
        QCOMPARE(query(db, "SELECT COUNT(*), COUNT(ALIAS) FROM SAVEPRO"), QStringList{"255|1"});
        for (const char *again : {"REG2", "reg2", " SAVEPRO "}) {
            const MaintenanceResult r = db.createRegistry(QString::fromLatin1(again));
            QVERIFY(!r.ok && r.message == tr8(TableExists).arg(QString::fromLatin1(again).trimmed()));
        }
        // Without SAVEPRO the new table is rolled back with the rest.
        query(db, "DROP TABLE SAVEPRO");
        const QString message = db.createRegistry(QStringLiteral("OTHER")).message;
        QVERIFY2(message.contains(tr8(ReasonNoTable).arg("SAVEPRO")), qPrintable(message));
        QCOMPARE(query(db, tables), QStringList{"SAVEDATA,REG2"});
    }

    void command3AddsBothColumnsOrNeither()
    {
        RecordDb db(folder());
        QCOMPARE(db.extendDataRh().message, tr8(DataRhMissing));
        // One of the two there already: the other is not added either.
        query(db, "CREATE TABLE Data_RH (ID INTEGER, MYCODE BOOLEAN)");
        QCOMPARE(db.extendDataRh().message, tr8(DataRhHasColumns));
        QCOMPARE(columns(db, "Data_RH"), u"ID,MYCODE"_qs);
        query(db, "DROP TABLE Data_RH");
        query(db, "CREATE TABLE Data_RH (ID INTEGER, RH TEXT)");
        query(db, "INSERT INTO Data_RH VALUES (1, '45.6')");
        QCOMPARE(db.extendDataRh().message, tr8(DataRhDone));
        QCOMPARE(query(db, "SELECT * FROM Data_RH"), QStringList{"1|45.6|<null>|<null>"});
        QCOMPARE(db.extendDataRh().message, tr8(DataRhHasColumns));
        QCOMPARE(columns(db, "Data_RH"), u"ID,RH,MYNAME,MYCODE"_qs);
    }

    void menuReportsThroughTheOperator()
    {
        RecordDb db(folder());
        test::RecordingOperator op;
        std::optional<QString> answer = QStringLiteral("REG5");
        QMenuBar bar;
        QMenu *menu = addMaintenanceMenu(&bar, db, op, [&](QWidget *) { return answer; });
        const QList<QAction *> actions = menu->actions();
        QCOMPARE(actions.size(), 3);
        actions[2]->trigger();
        QCOMPARE(op.texts(), QStringList{tr8(DataRhMissing)});
        QCOMPARE(op.messages.last().icon, Operator::Icon::Warning);
        actions[1]->trigger();
        QCOMPARE(op.messages.last().text, tr8(RegistryDone).arg("REG5").arg(0));
        QCOMPARE(op.messages.last().icon, Operator::Icon::Information);
        answer.reset(); // the operator cancels the name question: nothing happens
        actions[1]->trigger();
        QCOMPARE(op.messages.size(), 2);
        actions[0]->trigger();
        QCOMPARE(op.messages.last().text,
                 tr8(ExportDone).arg(0).arg(QDir::toNativeSeparators(db.exportPath())));
    }
};

QTEST_MAIN(TstRecording)
#include "tst_recording.moc"

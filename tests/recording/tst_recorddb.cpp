// Record.mdb on a real file: the new file, the registry statements, the reading log append
// and range queries, and files that cannot be opened.
#include "dbtestutil.h"
#include "recording/recorddb.h"
#include "recording/texts.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

using namespace kestrel;
using test::columnsOf;
using test::countOf;
using test::execSql;
using test::rowsOf;

namespace {

QDateTime at(const char *text)
{
    return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
}

LogRow row(const char *time, uint16_t value, int address, const char *protype)
{
    return {at(time).toSecsSinceEpoch(), value, address, QString::fromLatin1(protype)};
}

QStringList flatten(const ReadingsResult &r)
{
    QStringList out;
    for (const ReadingRecord &x : r.rows)
        out << QStringLiteral("%1|%2|%3|%4")
                   .arg(RecordDb::timeText(x.readTime), x.readValue, x.protype)
                   .arg(x.address);
    return out;
}

} // namespace

class TstRecordDb : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString freshFolder(const QString &name = {})
    {
        static int n = 0;
        const QString f = m_dir.filePath(name.isEmpty() ? QStringLiteral("db%1").arg(++n) : name);
        QDir().mkpath(f);
        return f;
    }

private Q_SLOTS:
    void newFileHasRegistryAndEmptyLog()
    {
        RecordDb db(freshFolder());
        QVERIFY(!QFile::exists(db.filePath()));
        const DbStatus s = db.check();
        QVERIFY2(s.ok, qPrintable(s.error));
        QFile f(db.filePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.read(16).startsWith("SQLite format 3"));
        QCOMPARE(columnsOf(db.filePath(), QStringLiteral("SAVEPRO")),
                 (QStringList{"ADDRESS", "ALIAS", "MIXPRO", "PROTYPE"}));
        QCOMPARE(columnsOf(db.filePath(), QStringLiteral("SAVEDATA")),
                 (QStringList{"READTIME", "READVALUE", "PROTYPE", "ADDRESS"}));
        QCOMPARE(countOf(db.filePath(), QStringLiteral("SAVEPRO")), 255);
        QCOMPARE(countOf(db.filePath(), QStringLiteral("SAVEDATA")), 0);
        QCOMPARE(rowsOf(db.filePath(), QStringLiteral("SELECT COUNT(*) FROM SAVEPRO WHERE ALIAS IS NULL")),
                 QStringList{"255"});
        // The registry statement without ordering still gives row i = address i + 1.
        const QStringList rows = rowsOf(db.filePath(), QStringLiteral("select ADDRESS,ALIAS from SAVEPRO "));
        QCOMPARE(rows.size(), 255);
        for (int i = 0; i < 255; ++i)
            QCOMPARE(rows.at(i), QStringLiteral("%1|<null>").arg(i + 1));
        // The time-and-address index is there for the range queries.
        QCOMPARE(rowsOf(db.filePath(),
                        QStringLiteral("SELECT name FROM pragma_index_info('SAVEDATA_ADDRESS_READTIME')")),
                 (QStringList{"ADDRESS", "READTIME"}));
        QVERIFY(!QFile::exists(db.filePath() + QStringLiteral(".new")));
    }

    void emptyFileBecomesNewDatabase()
    {
        RecordDb db(freshFolder());
        QFile f(db.filePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(db.check().ok);
        QCOMPARE(countOf(db.filePath(), QStringLiteral("SAVEPRO")), 255);
    }

    void aliasesStayTheOperatorsText_data()
    {
        QTest::addColumn<QString>("alias");
        QTest::newRow("chinese") << QStringLiteral("一号车间 温湿度");
        QTest::newRow("tautology") << QStringLiteral("1 or 1=1");
        QTest::newRow("quote and statement") << QStringLiteral("x'; DELETE FROM SAVEPRO; --");
        QTest::newRow("double quotes") << QStringLiteral("\"A\" 区");
        QTest::newRow("blank") << QStringLiteral(" ");
        QTest::newRow("empty") << QString(u""_qs);
    }
    void aliasesStayTheOperatorsText()
    {
        QFETCH(QString, alias);
        RecordDb db(freshFolder());
        QVERIFY(db.setAlias(7, alias).ok);
        const AliasResult r = db.readAlias(7);
        QVERIFY2(r.ok, qPrintable(r.error));
        QVERIFY(r.alias.has_value());
        QCOMPARE(*r.alias, alias);
        // Exactly one row changed; the registry is whole.
        QCOMPARE(countOf(db.filePath(), QStringLiteral("SAVEPRO")), 255);
        QCOMPARE(rowsOf(db.filePath(), QStringLiteral("SELECT ADDRESS FROM SAVEPRO WHERE ALIAS IS NOT NULL")),
                 QStringList{"7"});
        QCOMPARE(countOf(db.filePath(), QStringLiteral("SAVEDATA")), 0);
    }

    void aliasLoadsReplaceNull()
    {
        RecordDb db(freshFolder());
        QVERIFY(db.setAlias(3, QStringLiteral("锅炉房")).ok);
        QVERIFY(db.setAlias(255, QStringLiteral("末端")).ok);
        QVERIFY(db.setCodes(3, 33, 3).ok);
        const AliasListResult polling = db.loadAliases();
        const AliasListResult history = db.deviceList();
        QVERIFY(polling.ok && history.ok);
        QCOMPARE(polling.rows.size(), size_t(255));
        QCOMPARE(history.rows.size(), size_t(255));
        for (int i = 0; i < 255; ++i) {
            QCOMPARE(polling.rows[size_t(i)].address, i + 1);
            QCOMPARE(history.rows[size_t(i)].address, i + 1);
        }
        QCOMPARE(polling.rows[2].alias, QStringLiteral("锅炉房"));
        QCOMPARE(polling.rows[254].alias, QStringLiteral("末端"));
        QCOMPARE(polling.rows[0].alias, QStringLiteral(" "));
        QCOMPARE(history.rows[0].alias, QString());
        QVERIFY(!db.readAlias(1).alias.has_value());
        QCOMPARE(
            rowsOf(db.filePath(),
                   QStringLiteral("SELECT ADDRESS, MIXPRO, PROTYPE FROM SAVEPRO WHERE ADDRESS IN (2, 3)")),
            (QStringList{"2|0|0", "3|33|3"}));
    }

    void updatesOfAddressesThatHaveNoRow_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<bool>("deleteRow");
        QTest::newRow("0") << 0 << false;
        QTest::newRow("256") << 256 << false;
        QTest::newRow("-1") << -1 << false;
        QTest::newRow("row 9 deleted") << 9 << true;
    }
    void updatesOfAddressesThatHaveNoRow()
    {
        QFETCH(int, address);
        QFETCH(bool, deleteRow);
        RecordDb db(freshFolder());
        QVERIFY(db.check().ok);
        if (deleteRow)
            QVERIFY(execSql(db.filePath(),
                            QStringLiteral("DELETE FROM SAVEPRO WHERE ADDRESS = %1").arg(address)));
        const int rowsBefore = countOf(db.filePath(), QStringLiteral("SAVEPRO"));
        const DbStatus alias = db.setAlias(address, QStringLiteral("x"));
        const DbStatus codes = db.setCodes(address, 0, 2);
        QVERIFY(!alias.ok && !codes.ok);
        QVERIFY2(alias.error.contains(QString::number(address)), qPrintable(alias.error));
        QVERIFY(alias.error.contains(db.filePath()));
        QCOMPARE(countOf(db.filePath(), QStringLiteral("SAVEPRO")), rowsBefore);
        QCOMPARE(
            rowsOf(db.filePath(),
                   QStringLiteral("SELECT COUNT(*) FROM SAVEPRO WHERE ALIAS IS NOT NULL OR PROTYPE <> 0")),
            QStringList{"0"});
        QVERIFY(!db.readAlias(address).ok);
    }

    void readValuesComeBackUnchanged_data()
    {
        QTest::addColumn<int>("value");
        for (int v : {0, 1, 9, 10, 235, 32767, 32768, 65486, 65535})
            QTest::addRow("%d", v) << v;
    }
    void readValuesComeBackUnchanged()
    {
        QFETCH(int, value);
        RecordDb db(freshFolder());
        QVERIFY(db.appendReadings({row("2026-12-04T14:31:37", uint16_t(value), 5, "T")}).ok);
        QCOMPARE(rowsOf(db.filePath(),
                        QStringLiteral("SELECT READTIME, READVALUE, typeof(READVALUE), PROTYPE, ADDRESS, "
                                       "typeof(ADDRESS) FROM SAVEDATA")),
                 QStringList{QStringLiteral("2026-12-04 14:31:37|%1|text|T|5|integer").arg(value)});
        const ReadingsResult r = db.readings(at("2026-12-04T00:00:00"), at("2026-12-05T00:00:00"));
        QVERIFY(r.ok);
        QCOMPARE(r.rows.size(), size_t(1));
        QCOMPARE(r.rows[0].readValue, QString::number(value));
        QCOMPARE(r.rows[0].readTime, at("2026-12-04T14:31:37"));
    }

    void rangeQueriesCompareDatesAndOrder()
    {
        RecordDb db(freshFolder());
        // Appended out of order, across day and month edges; 9 and 10 December would swap as
        // unpadded text.
        const std::vector<LogRow> rows = {
            row("2026-12-10T08:00:00", 10, 2, "T"), row("2026-12-09T08:00:00", 9, 2, "T"),
            row("2026-11-30T23:59:59", 1, 1, "T"),  row("2026-12-01T00:00:00", 2, 1, "T"),
            row("2026-12-02T23:59:59", 3, 5, "RH"), row("2026-12-03T00:00:00", 4, 1, "T"),
            row("2026-12-01T12:00:00", 5, 5, "T"),  row("2026-12-02T06:00:00", 6, 1, "CO2"),
        };
        QVERIFY(db.appendReadings(rows).ok);

        QCOMPARE(flatten(db.readings(at("2026-12-01T00:00:00"), at("2026-12-02T23:59:59"))),
                 (QStringList{"2026-12-01 00:00:00|2|T|1", "2026-12-02 06:00:00|6|CO2|1",
                              "2026-12-01 12:00:00|5|T|5", "2026-12-02 23:59:59|3|RH|5"}));
        // Both ends belong to the range.
        QCOMPARE(flatten(db.readings(at("2026-12-03T00:00:00"), at("2026-12-03T00:00:00"))),
                 QStringList{"2026-12-03 00:00:00|4|T|1"});
        QCOMPARE(flatten(db.readings(5, at("2026-12-01T00:00:00"), at("2026-12-03T00:00:00"))),
                 (QStringList{"2026-12-01 12:00:00|5|T|5", "2026-12-02 23:59:59|3|RH|5"}));
        QCOMPARE(flatten(db.readings(2, at("2026-12-09T00:00:00"), at("2026-12-09T23:59:59"))),
                 QStringList{"2026-12-09 08:00:00|9|T|2"});
        QVERIFY(db.readings(7, at("2026-12-01T00:00:00"), at("2026-12-31T00:00:00")).rows.empty());
        const ReadingsResult bad = db.readings(QDateTime(), at("2026-12-31T00:00:00"));
        QVERIFY(!bad.ok);
        QVERIFY(bad.error.contains(QString::fromUtf8(recordtexts::ReasonBadDate)));
    }

    void folderWithBlanksAndChinese()
    {
        const QString folder = freshFolder(QStringLiteral("记录 数据/Kestrel 程序 目录"));
        RecordDb db(folder);
        QCOMPARE(db.filePath(), folder + QStringLiteral("/Record.mdb"));
        QVERIFY(db.setAlias(1, QStringLiteral("测试")).ok);
        QVERIFY(db.appendReadings({row("2026-01-02T03:04:05", 253, 1, "T")}).ok);
        QVERIFY(QFile::exists(folder + QStringLiteral("/Record.mdb")));
        QCOMPARE(db.loadAliases().rows[0].alias, QStringLiteral("测试"));
        QCOMPARE(db.readings(1, at("2026-01-01T00:00:00"), at("2026-01-03T00:00:00")).rows.size(), size_t(1));
    }

    void connectionsAreClosedAfterEachOperation()
    {
        RecordDb db(freshFolder());
        db.check();
        db.setAlias(1, QStringLiteral("a"));
        db.loadAliases();
        db.appendReadings({row("2026-01-02T03:04:05", 1, 1, "T")});
        db.readings(at("2026-01-01T00:00:00"), at("2026-01-03T00:00:00"));
        db.setAlias(0, QStringLiteral("bad"));
        const QString blocker = freshFolder() + QStringLiteral("/file");
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(!RecordDb(blocker).check().ok);
        QVERIFY(QSqlDatabase::connectionNames().isEmpty());
        // Nothing keeps the file busy: it can be replaced between operations.
        QVERIFY(QFile::rename(db.filePath(), db.filePath() + QStringLiteral(".bak")));
        QVERIFY(QFile::rename(db.filePath() + QStringLiteral(".bak"), db.filePath()));
        QVERIFY(!QFile::exists(db.filePath() + QStringLiteral("-journal")));
    }

    void filesThatCannotBeOpened_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QByteArray jet("\x00\x01\x00\x00Standard Jet DB\x00", 20);
        jet.append(2048, '\x11');
        QByteArray ace("\x00\x01\x00\x00Standard ACE DB\x00", 20);
        ace.append(4096, '\x22');
        QTest::newRow("Jet 4.0 file") << jet << QString::fromUtf8(recordtexts::ReasonAccessFormat);
        QTest::newRow("ACE file") << ace << QString::fromUtf8(recordtexts::ReasonAccessFormat);
        QTest::newRow("text file") << QByteArray("ADDRESS,ALIAS\r\n1,x\r\n")
                                   << QString::fromUtf8(recordtexts::ReasonNotDatabase);
        QTest::newRow("damaged header") << QByteArray("SQLite format 2\0garbage", 23)
                                        << QString::fromUtf8(recordtexts::ReasonNotDatabase);
    }
    void filesThatCannotBeOpened()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        RecordDb db(freshFolder());
        QFile f(db.filePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();

        const QString expected = QString::fromUtf8(recordtexts::DbCannotOpen).arg(db.filePath(), reason);
        QCOMPARE(db.check().error, expected);
        QCOMPARE(db.setAlias(1, QStringLiteral("x")).error, expected);
        QCOMPARE(db.loadAliases().error, expected);
        QCOMPARE(db.appendReadings({row("2026-01-02T03:04:05", 1, 1, "T")}).error, expected);
        QCOMPARE(db.readings(at("2026-01-01T00:00:00"), at("2026-01-03T00:00:00")).error, expected);
        QCOMPARE(db.exportTemperature().message, expected);
        QCOMPARE(db.createRegistry(QStringLiteral("SAVEPRO")).message, expected);
        QCOMPARE(db.extendDataRh().message, expected);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), content); // the operator's old file is never touched
        QVERIFY(!QFile::exists(db.exportPath()));
    }

    void folderThatCannotHoldTheFile()
    {
        // The data folder's place is taken by a plain file: the folder cannot be created.
        const QString blocker = freshFolder() + QStringLiteral("/taken");
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        RecordDb db(blocker);
        const DbStatus s = db.check();
        QVERIFY(!s.ok);
        QCOMPARE(s.error, QString::fromUtf8(recordtexts::DbCannotOpen)
                              .arg(db.filePath(), QString::fromUtf8(recordtexts::ReasonFolder).arg(blocker)));
    }

    void withoutFilePermissions()
    {
        if (::geteuid() == 0)
            QSKIP("file permissions do not bind the super-user");
        RecordDb db(freshFolder());
        QVERIFY(db.check().ok);
        QFile::setPermissions(db.filePath(), QFile::ReadOwner);
        const DbStatus write = db.appendReadings({row("2026-01-02T03:04:05", 1, 1, "T")});
        QVERIFY(!write.ok);
        QVERIFY2(write.error.contains(QString::fromUtf8(recordtexts::ReasonReadOnly)),
                 qPrintable(write.error));
        QVERIFY(db.loadAliases().ok); // reading still works
        QFile::setPermissions(db.filePath(), {});
        QCOMPARE(db.check().error,
                 QString::fromUtf8(recordtexts::DbCannotOpen)
                     .arg(db.filePath(), QString::fromUtf8(recordtexts::ReasonNotReadable)));
        QFile::setPermissions(db.filePath(), QFile::ReadOwner | QFile::WriteOwner);

        const QString locked = freshFolder();
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
        const DbStatus s = RecordDb(locked).check();
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!s.ok);
        QVERIFY(s.error.contains(QString::fromUtf8(recordtexts::ReasonFolder).arg(locked)));
    }

    void missingTableIsNamed()
    {
        RecordDb db(freshFolder());
        QVERIFY(db.check().ok);
        QVERIFY(execSql(db.filePath(), QStringLiteral("DROP TABLE SAVEDATA")));
        const DbStatus s = db.appendReadings({row("2026-01-02T03:04:05", 1, 1, "T")});
        QCOMPARE(s.error,
                 QString::fromUtf8(recordtexts::DbFailed)
                     .arg(db.filePath(), QString::fromUtf8(recordtexts::ReasonNoTable).arg("SAVEDATA")));
        // The file is not rebuilt behind the operator's back.
        QCOMPARE(rowsOf(db.filePath(),
                        QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name = 'SAVEDATA'")),
                 QStringList{"0"});
    }
};

QTEST_GUILESS_MAIN(TstRecordDb)
#include "tst_recorddb.moc"

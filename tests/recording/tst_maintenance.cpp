// The maintenance commands: export of the temperature rows, the registry table, the two
// extra columns of Data_RH; their failures leave the data base as it was.
#include "dbtestutil.h"
#include "recording/recorddb.h"
#include "recording/texts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::recordtexts;
using test::columnsOf;
using test::countOf;
using test::execSql;
using test::rowsOf;

namespace {

LogRow row(const char *time, uint16_t value, int address, const char *protype)
{
    return {QDateTime::fromString(QString::fromLatin1(time), Qt::ISODate).toSecsSinceEpoch(), value, address,
            QString::fromLatin1(protype)};
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString tr8(const char *text)
{
    return QString::fromUtf8(text);
}

} // namespace

class TstMaintenance : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_n = 0;
    QString folder() { return m_dir.filePath(QStringLiteral("m%1").arg(++m_n)); }
    QStringList tables(const RecordDb &db)
    {
        return rowsOf(db.filePath(),
                      QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"));
    }

private Q_SLOTS:
    void command1ExportsTemperatureRows()
    {
        RecordDb db(folder());
        QVERIFY(db.appendReadings(
                      {row("2026-12-04T10:00:05", 253, 7, "T"), row("2026-12-04T10:00:05", 456, 7, "RH"),
                       row("2026-12-04T09:00:00", 65486, 7, "T"), row("2026-12-04T11:00:00", 12, 2, "T"),
                       row("2026-12-04T11:00:00", 400, 2, "CO2")})
                    .ok);
        QVERIFY(!QDir(db.dataFolder() + QStringLiteral("/export")).exists());
        const MaintenanceResult r = db.exportTemperature();
        QVERIFY2(r.ok, qPrintable(r.message));
        QCOMPARE(r.message, tr8(ExportDone).arg(3).arg(db.exportPath()));
        QCOMPARE(fileBytes(db.exportPath()),
                 QByteArray("\"READTIME\",\"READVALUE\",\"PROTYPE\",\"ADDRESS\"\r\n"
                            "2026-12-04 11:00:00,\"12\",\"T\",2\r\n"
                            "2026-12-04 09:00:00,\"65486\",\"T\",7\r\n"
                            "2026-12-04 10:00:05,\"253\",\"T\",7\r\n"));
        QCOMPARE(countOf(db.filePath(), QStringLiteral("SAVEDATA")), 5);
    }

    void command1LeavesAnExistingFileAlone()
    {
        RecordDb db(folder());
        QVERIFY(db.appendReadings({row("2026-12-04T10:00:05", 253, 7, "T")}).ok);
        QVERIFY(QDir().mkpath(db.dataFolder() + QStringLiteral("/export")));
        QFile f(db.exportPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("the operator's earlier export\r\n");
        f.close();
        const MaintenanceResult r = db.exportTemperature();
        QVERIFY(!r.ok);
        QCOMPARE(r.message, tr8(ExportExists).arg(db.exportPath()));
        QCOMPARE(fileBytes(db.exportPath()), QByteArray("the operator's earlier export\r\n"));
    }

    void command1WhenTheExportFolderCannotBeMade()
    {
        RecordDb db(folder());
        QVERIFY(db.check().ok);
        QFile blocker(db.dataFolder() + QStringLiteral("/export"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const MaintenanceResult r = db.exportTemperature();
        QVERIFY(!r.ok);
        QCOMPARE(r.message, tr8(ExportNoFolder).arg(db.dataFolder() + QStringLiteral("/export")));
    }

    void command2BuildsTheRegistryOnce()
    {
        RecordDb db(folder());
        QVERIFY(db.setAlias(4, QStringLiteral("保留")).ok);
        // Record.mdb already has SAVEPRO: nothing is added.
        MaintenanceResult r = db.createRegistry(QStringLiteral("SAVEPRO"));
        QVERIFY(!r.ok);
        QCOMPARE(r.message, tr8(TableExists).arg("SAVEPRO"));
        QCOMPARE(countOf(db.filePath(), QStringLiteral("SAVEPRO")), 255);

        r = db.createRegistry(QStringLiteral("REG2"));
        QVERIFY2(r.ok, qPrintable(r.message));
        QCOMPARE(r.message, tr8(RegistryDone).arg("REG2").arg(0));
        QCOMPARE(columnsOf(db.filePath(), QStringLiteral("REG2")),
                 (QStringList{"ADDRESS", "ALIAS", "MIXPRO", "PROTYPE"}));
        QCOMPARE(countOf(db.filePath(), QStringLiteral("SAVEPRO")), 255);
        QCOMPARE(db.readAlias(4).alias.value_or(QString()), QStringLiteral("保留"));

        for (const char *again : {"REG2", "reg2", " REG2 "}) {
            r = db.createRegistry(QString::fromLatin1(again));
            QVERIFY(!r.ok);
            QVERIFY2(r.message.startsWith(tr8(TableExists).section("%1", 0, 0)), qPrintable(r.message));
        }
        QCOMPARE(tables(db), (QStringList{"REG2", "SAVEDATA", "SAVEPRO"}));
    }

    void command2RebuildsAMissingRegistry()
    {
        RecordDb db(folder());
        QVERIFY(db.check().ok);
        QVERIFY(execSql(db.filePath(), QStringLiteral("DROP TABLE SAVEPRO")));
        MaintenanceResult r = db.createRegistry(QStringLiteral("SAVEPRO"));
        QVERIFY2(r.ok, qPrintable(r.message));
        QCOMPARE(r.message, tr8(RegistryDone).arg("SAVEPRO").arg(255));
        const QStringList rows = rowsOf(db.filePath(), QStringLiteral("select ADDRESS,ALIAS from SAVEPRO "));
        QCOMPARE(rows.size(), 255);
        QCOMPARE(rows.first(), QStringLiteral("1|<null>"));
        QCOMPARE(rows.last(), QStringLiteral("255|<null>"));
        r = db.createRegistry(QStringLiteral("SAVEPRO"));
        QVERIFY(!r.ok);
        QCOMPARE(countOf(db.filePath(), QStringLiteral("SAVEPRO")), 255);
    }

    void command2FillsGapsOfTheRegistry()
    {
        RecordDb db(folder());
        QVERIFY(db.check().ok);
        QVERIFY(
            execSql(db.filePath(), QStringLiteral("DELETE FROM SAVEPRO WHERE ADDRESS BETWEEN 10 AND 12")));
        const MaintenanceResult r = db.createRegistry(QStringLiteral("设备表_2"));
        QVERIFY2(r.ok, qPrintable(r.message));
        QCOMPARE(r.message, tr8(RegistryDone).arg(QStringLiteral("设备表_2")).arg(3));
        QCOMPARE(countOf(db.filePath(), QStringLiteral("SAVEPRO")), 255);
    }

    void command2WithoutSaveproChangesNothing()
    {
        RecordDb db(folder());
        QVERIFY(db.check().ok);
        QVERIFY(execSql(db.filePath(), QStringLiteral("DROP TABLE SAVEPRO")));
        const MaintenanceResult r = db.createRegistry(QStringLiteral("OTHER"));
        QVERIFY(!r.ok);
        QVERIFY2(r.message.contains(tr8(ReasonNoTable).arg("SAVEPRO")), qPrintable(r.message));
        QCOMPARE(tables(db), QStringList{"SAVEDATA"}); // OTHER rolled back with the rest
    }

    void command2RejectsNamesThatAreNotNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        const QString invalid = tr8(TableNameInvalid);
        QTest::newRow("empty") << "" << tr8(TableNameEmpty);
        QTest::newRow("blanks") << "   " << tr8(TableNameEmpty);
        QTest::newRow("tautology") << "1 or 1=1" << invalid.arg("1 or 1=1");
        QTest::newRow("second statement")
            << "T1(X INT);DROP TABLE SAVEPRO;--" << invalid.arg("T1(X INT);DROP TABLE SAVEPRO;--");
        QTest::newRow("quote") << "A\"B" << invalid.arg("A\"B");
        QTest::newRow("bracket") << "[SAVEPRO]" << invalid.arg("[SAVEPRO]");
        QTest::newRow("leading digit") << "9REG" << invalid.arg("9REG");
        QTest::newRow("inner blank") << "MY REG" << invalid.arg("MY REG");
        QTest::newRow("too long") << QString(65, 'R') << invalid.arg(QString(65, 'R'));
    }
    void command2RejectsNamesThatAreNotNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        RecordDb db(folder());
        QVERIFY(db.check().ok);
        const MaintenanceResult r = db.createRegistry(name);
        QVERIFY(!r.ok);
        QCOMPARE(r.message, message);
        QCOMPARE(tables(db), (QStringList{"SAVEDATA", "SAVEPRO"}));
        QCOMPARE(countOf(db.filePath(), QStringLiteral("SAVEPRO")), 255);
    }

    void command3AddsTwoColumnsOnce()
    {
        RecordDb db(folder());
        QVERIFY(db.check().ok);
        MaintenanceResult r = db.extendDataRh();
        QVERIFY(!r.ok);
        QCOMPARE(r.message, tr8(DataRhMissing));

        QVERIFY(execSql(db.filePath(), QStringLiteral("CREATE TABLE Data_RH (ID INTEGER, RH TEXT)")));
        QVERIFY(execSql(db.filePath(), QStringLiteral("INSERT INTO Data_RH VALUES (1, '45.6')")));
        r = db.extendDataRh();
        QVERIFY2(r.ok, qPrintable(r.message));
        QCOMPARE(r.message, tr8(DataRhDone));
        QCOMPARE(columnsOf(db.filePath(), QStringLiteral("Data_RH")),
                 (QStringList{"ID", "RH", "MYNAME", "MYCODE"}));
        QCOMPARE(rowsOf(db.filePath(), QStringLiteral("SELECT * FROM Data_RH")),
                 QStringList{"1|45.6|<null>|<null>"});

        r = db.extendDataRh();
        QVERIFY(!r.ok);
        QCOMPARE(r.message, tr8(DataRhHasColumns));
        QCOMPARE(columnsOf(db.filePath(), QStringLiteral("Data_RH")).size(), 4);
    }

    void command3AddsBothOrNeither()
    {
        RecordDb db(folder());
        QVERIFY(db.check().ok);
        QVERIFY(execSql(db.filePath(), QStringLiteral("CREATE TABLE Data_RH (ID INTEGER, MYCODE BOOLEAN)")));
        const MaintenanceResult r = db.extendDataRh();
        QVERIFY(!r.ok);
        QCOMPARE(r.message, tr8(DataRhHasColumns));
        QCOMPARE(columnsOf(db.filePath(), QStringLiteral("Data_RH")), (QStringList{"ID", "MYCODE"}));
    }
};

QTEST_GUILESS_MAIN(TstMaintenance)
#include "tst_maintenance.moc"

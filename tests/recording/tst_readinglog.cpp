// The reading log: which rows a flush appends, in which order, and what happens to the
// buffered readings when saving is off or the data base fails.
#include "dbtestutil.h"
#include "devices/devicetable.h"
#include "recording/readingbuffer.h"
#include "recording/readinglog.h"
#include "recording/recorddb.h"
#include "recording/texts.h"
#include "recording/timetext.h"

#include <QTemporaryDir>
#include <QtTest>
#include <ctime>

using namespace kestrel;
using test::countOf;
using test::execSql;
using test::rowsOf;

namespace {

const QDateTime Base = QDateTime(QDate(2026, 12, 4), QTime(14, 31, 37));

// A device at `address` with its codes and type name.
void place(DeviceTable &devices, int address, uint8_t mixpro, uint8_t protype, const QString &name)
{
    DeviceEntry &d = devices.at(address);
    d.mixpro = mixpro;
    d.protype = protype;
    d.typeName = name;
}

// A good reading of `address` in cycle `slot`: time Base + offset seconds, values v, v+1, ...
void read(ReadingBuffer &buffer, int address, int slot, int offset, uint16_t v)
{
    buffer.setTime(address, slot, Base.addSecs(offset));
    for (int k = 0; k < ReadingBuffer::Components; ++k)
        buffer.setValue(address, slot, k, uint16_t(v + k));
}

QString timeAt(int offset)
{
    return RecordDb::timeText(Base.addSecs(offset));
}

QStringList logged(const RecordDb &db)
{
    return rowsOf(
        db.filePath(),
        QStringLiteral("SELECT READTIME, READVALUE, PROTYPE, ADDRESS FROM SAVEDATA ORDER BY rowid"));
}

} // namespace

class TstReadingLog : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_n = 0;
    QString folder() { return m_dir.filePath(QStringLiteral("log%1").arg(++m_n)); }

private Q_SLOTS:
    void combinedDeviceThreeCycles()
    {
        RecordDb db(folder());
        ReadingLog log(db);
        ReadingBuffer buffer;
        DeviceTable devices;
        devices.PollStart = 5;
        devices.PollEnd = 5;
        place(devices, 5, 33, 3, QStringLiteral("T+RH"));
        for (int r = 1; r <= 3; ++r)
            read(buffer, 5, r, r * 10, uint16_t(250 + r * 10));
        buffer.CycleCount = 3;
        const FlushResult f = log.flushReadings(buffer, devices, true);
        QVERIFY2(f.ok, qPrintable(f.error));
        QCOMPARE(f.written, 6);
        QCOMPARE(logged(db),
                 (QStringList{timeAt(10) + "|260|T|5", timeAt(10) + "|261|RH|5", timeAt(20) + "|270|T|5",
                              timeAt(20) + "|271|RH|5", timeAt(30) + "|280|T|5", timeAt(30) + "|281|RH|5"}));
        QCOMPARE(buffer.CycleCount, 3); // the caller resets it
        QCOMPARE(countOf(db.filePath(), QStringLiteral("SAVEPRO")), 255);
    }

    void quantityNamesOfEachType_data()
    {
        QTest::addColumn<int>("mixpro");
        QTest::addColumn<int>("protype");
        QTest::addColumn<QString>("typeName");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("single PM2.5") << 0 << 5 << "PM25" << QStringList{"PM25"};
        QTest::newRow("single CO2") << 0 << 4 << "CO2" << QStringList{"CO2"};
        QTest::newRow("T+RH") << 33 << 3 << "T+RH" << QStringList{"T", "RH"};
        QTest::newRow("T+RH+PM2.5") << 49 << 9 << "T+RH+PM2.5" << QStringList{"T", "RH", "PM2.5"};
        QTest::newRow("four parts") << 65 << 20 << "T+RH+CO2+VOC" << QStringList{"T", "RH", "CO2", "VOC"};
        QTest::newRow("five parts") << 81 << 27 << "T+RH+CO2+VOC+PM2.5"
                                    << QStringList{"T", "RH", "CO2", "VOC", "PM2.5"};
        QTest::newRow("type not yet read") << 33 << 0 << "T+RH" << QStringList{};
        QTest::newRow("unknown combination") << 17 << 3 << "T+RH" << QStringList{};
        QTest::newRow("no name") << 0 << 7 << "" << QStringList{};
    }
    void quantityNamesOfEachType()
    {
        QFETCH(int, mixpro);
        QFETCH(int, protype);
        QFETCH(QString, typeName);
        QFETCH(QStringList, names);
        RecordDb db(folder());
        ReadingLog log(db);
        ReadingBuffer buffer;
        DeviceTable devices;
        devices.PollStart = 1;
        devices.PollEnd = 255;
        place(devices, 200, uint8_t(mixpro), uint8_t(protype), typeName);
        read(buffer, 200, 1, 0, 100);
        buffer.CycleCount = 1;
        QVERIFY(log.flushReadings(buffer, devices, true).ok);
        QStringList expected;
        for (int k = 0; k < names.size(); ++k)
            expected << QStringLiteral("%1|%2|%3|200").arg(timeAt(0)).arg(100 + k).arg(names.at(k));
        QCOMPARE(logged(db), expected);
    }

    void rowsGoByAddressThenCycleThenComponent()
    {
        RecordDb db(folder());
        ReadingLog log(db);
        ReadingBuffer buffer;
        DeviceTable devices;
        devices.PollStart = 2;
        devices.PollEnd = 4;
        place(devices, 2, 0, 5, QStringLiteral("PM25"));
        place(devices, 3, 49, 9, QStringLiteral("T+RH+PM2.5"));
        place(devices, 4, 0, 2, QStringLiteral("T"));
        // Polled in cycle order 2, 3, 4, 2, 3, 4; address 4 timed out in cycle 2.
        read(buffer, 2, 1, 0, 30);
        read(buffer, 3, 1, 1, 250);
        read(buffer, 4, 1, 2, 200);
        read(buffer, 2, 2, 3, 31);
        read(buffer, 3, 2, 4, 251);
        buffer.CycleCount = 2;
        QVERIFY(log.flushReadings(buffer, devices, true).ok);
        QCOMPARE(logged(db),
                 (QStringList{timeAt(0) + "|30|PM25|2", timeAt(3) + "|31|PM25|2", timeAt(1) + "|250|T|3",
                              timeAt(1) + "|251|RH|3", timeAt(1) + "|252|PM2.5|3", timeAt(4) + "|251|T|3",
                              timeAt(4) + "|252|RH|3", timeAt(4) + "|253|PM2.5|3", timeAt(2) + "|200|T|4"}));
    }

    void bigBatchKeepsItsOrder()
    {
        RecordDb db(folder());
        ReadingLog log(db);
        ReadingBuffer buffer;
        DeviceTable devices;
        devices.PollStart = 1;
        devices.PollEnd = 255;
        for (int a = 1; a <= 255; ++a)
            place(devices, a, 81, 27, QStringLiteral("T+RH+CO2+VOC+PM2.5"));
        for (int r = 1; r <= 20; ++r)
            for (int a = 1; a <= 255; ++a)
                read(buffer, a, r, r * 255 + a, uint16_t(a * 100 + r));
        buffer.CycleCount = 20;
        QStringList expected;
        for (const LogRow &x : collectReadings(buffer, devices))
            expected << QStringLiteral("%1|%2|%3|%4")
                            .arg(RecordDb::timeText(QDateTime::fromSecsSinceEpoch(x.readTime)))
                            .arg(x.value)
                            .arg(x.protype)
                            .arg(x.address);
        QCOMPARE(expected.size(), 25500);
        const FlushResult f = log.flushReadings(buffer, devices, true);
        QVERIFY2(f.ok, qPrintable(f.error));
        QCOMPARE(f.written, 25500);
        QCOMPARE(logged(db), expected);
    }

    void highBitValuesAreUnsigned()
    {
        RecordDb db(folder());
        ReadingLog log(db);
        ReadingBuffer buffer;
        DeviceTable devices;
        devices.PollStart = devices.PollEnd = 9;
        place(devices, 9, 33, 3, QStringLiteral("T+RH"));
        buffer.setTime(9, 1, Base);
        buffer.setValue(9, 1, 0, 0xFFCE); // -5.0 °C as the device sends it
        buffer.setValue(9, 1, 1, 0x8000);
        buffer.CycleCount = 1;
        QVERIFY(log.flushReadings(buffer, devices, true).ok);
        QCOMPARE(rowsOf(db.filePath(), QStringLiteral("SELECT READVALUE FROM SAVEDATA ORDER BY rowid")),
                 (QStringList{"65486", "32768"}));
    }

    void onlyCompleteCyclesOfTheRangeAreWritten()
    {
        RecordDb db(folder());
        ReadingLog log(db);
        ReadingBuffer buffer;
        DeviceTable devices;
        devices.PollStart = 1;
        devices.PollEnd = 2;
        place(devices, 1, 0, 2, QStringLiteral("T"));
        place(devices, 2, 0, 2, QStringLiteral("T"));
        place(devices, 3, 0, 2, QStringLiteral("T")); // outside the range
        read(buffer, 1, 1, 0, 1);
        read(buffer, 2, 1, 1, 2);
        read(buffer, 1, 2, 2, 3);
        read(buffer, 2, 2, 3, 4);
        read(buffer, 1, 3, 4, 5); // stopped halfway through cycle 3
        read(buffer, 3, 1, 5, 6);
        buffer.CycleCount = 2;
        QCOMPARE(log.flushReadings(buffer, devices, true).written, 4);
        QCOMPARE(rowsOf(db.filePath(), QStringLiteral("SELECT READVALUE FROM SAVEDATA ORDER BY rowid")),
                 (QStringList{"1", "3", "2", "4"}));
        // The half cycle is not picked up later either.
        buffer.CycleCount = 3;
        QCOMPARE(log.flushReadings(buffer, devices, true).written, 0);
        QCOMPARE(countOf(db.filePath(), QStringLiteral("SAVEDATA")), 4);
    }

    void nothingIsWrittenTwice()
    {
        RecordDb db(folder());
        ReadingLog log(db);
        ReadingBuffer buffer;
        DeviceTable devices;
        devices.PollStart = 1;
        devices.PollEnd = 2;
        place(devices, 1, 33, 3, QStringLiteral("T+RH"));
        place(devices, 2, 0, 2, QStringLiteral("T"));
        read(buffer, 1, 1, 0, 10);
        read(buffer, 2, 1, 1, 20);
        buffer.CycleCount = 1;
        QCOMPARE(log.flushReadings(buffer, devices, true).written, 3);
        QCOMPARE(log.flushReadings(buffer, devices, true).written, 0);
        // Next pass: address 2 times out; its old slot must not come back.
        read(buffer, 1, 1, 60, 11);
        QCOMPARE(log.flushReadings(buffer, devices, true).written, 2);
        QCOMPARE(logged(db),
                 (QStringList{timeAt(0) + "|10|T|1", timeAt(0) + "|11|RH|1", timeAt(1) + "|20|T|2",
                              timeAt(60) + "|11|T|1", timeAt(60) + "|12|RH|1"}));
    }

    void savingOffWritesNothing()
    {
        RecordDb db(folder());
        QVERIFY(db.check().ok);
        ReadingLog log(db);
        ReadingBuffer buffer;
        DeviceTable devices;
        devices.PollStart = 1;
        devices.PollEnd = 1;
        place(devices, 1, 0, 2, QStringLiteral("T"));
        read(buffer, 1, 1, 0, 10);
        read(buffer, 1, 300, 1, 11);
        buffer.CycleCount = 300;
        const FlushResult f = log.flushReadings(buffer, devices, false);
        QVERIFY(f.ok);
        QCOMPARE(f.written, 0);
        QCOMPARE(countOf(db.filePath(), QStringLiteral("SAVEDATA")), 0);
        // Readings taken while saving was off never reach the log later on.
        buffer.CycleCount = 300;
        QCOMPARE(log.flushReadings(buffer, devices, true).written, 0);
        QCOMPARE(countOf(db.filePath(), QStringLiteral("SAVEDATA")), 0);
    }

    void failedFlushLosesNothing_data()
    {
        QTest::addColumn<QString>("breakIt");
        QTest::addColumn<QString>("repairIt");
        QTest::addColumn<QString>("reason");
        // A fault on the 3rd reading's row: the rows before it were already inserted.
        QTest::newRow("fault mid-batch")
            << "CREATE TRIGGER fault BEFORE INSERT ON SAVEDATA WHEN NEW.ADDRESS = 3 "
               "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END"
            << "DROP TRIGGER fault"
            << "disk I/O error";
        QTest::newRow("table dropped") << "DROP TABLE SAVEDATA"
                                       << "CREATE TABLE SAVEDATA (READTIME TEXT NOT NULL, READVALUE TEXT NOT "
                                          "NULL, PROTYPE TEXT NOT NULL, "
                                          "ADDRESS INTEGER NOT NULL)"
                                       << QString::fromUtf8(recordtexts::ReasonNoTable).arg("SAVEDATA");
    }
    void failedFlushLosesNothing()
    {
        QFETCH(QString, breakIt);
        QFETCH(QString, repairIt);
        QFETCH(QString, reason);
        RecordDb db(folder());
        QVERIFY(db.check().ok);
        ReadingLog log(db);
        ReadingBuffer buffer;
        DeviceTable devices;
        devices.PollStart = 1;
        devices.PollEnd = 4;
        for (int a = 1; a <= 4; ++a)
            place(devices, a, 33, 3, QStringLiteral("T+RH"));
        for (int a = 1; a <= 4; ++a)
            read(buffer, a, 1, a, uint16_t(a * 100));
        buffer.CycleCount = 1;
        QVERIFY(execSql(db.filePath(), breakIt));

        const FlushResult failed = log.flushReadings(buffer, devices, true);
        QVERIFY(!failed.ok);
        QCOMPARE(failed.written, 0);
        QCOMPARE(failed.waiting, 8);
        QVERIFY2(failed.error.contains(reason), qPrintable(failed.error));
        QVERIFY(failed.error.contains(db.filePath()));
        QVERIFY(
            failed.error.startsWith(QString::fromUtf8(recordtexts::FlushFailed).arg(8).section('\n', 0, 0)));
        QCOMPARE(log.waitingRows(), size_t(8));
        QCOMPARE(countOf(db.filePath(), QStringLiteral("SAVEDATA")), repairIt.startsWith("CREATE") ? -1 : 0);

        // Polling goes on: the caller resets CycleCount and the next cycle is read.
        buffer.CycleCount = 0;
        read(buffer, 2, 1, 100, 900);
        buffer.CycleCount = 1;
        QVERIFY(execSql(db.filePath(), repairIt));
        const FlushResult retried = log.flushReadings(buffer, devices, true);
        QVERIFY2(retried.ok, qPrintable(retried.error));
        QCOMPARE(retried.written, 10);
        QCOMPARE(log.waitingRows(), size_t(0));
        QCOMPARE(logged(db),
                 (QStringList{timeAt(1) + "|100|T|1", timeAt(1) + "|101|RH|1", timeAt(2) + "|200|T|2",
                              timeAt(2) + "|201|RH|2", timeAt(3) + "|300|T|3", timeAt(3) + "|301|RH|3",
                              timeAt(4) + "|400|T|4", timeAt(4) + "|401|RH|4", timeAt(100) + "|900|T|2",
                              timeAt(100) + "|901|RH|2"}));
    }

    void heldRowsAreWrittenEvenWhenSavingIsOffNow()
    {
        RecordDb db(folder());
        QVERIFY(db.check().ok);
        ReadingLog log(db);
        ReadingBuffer buffer;
        DeviceTable devices;
        devices.PollStart = devices.PollEnd = 1;
        place(devices, 1, 0, 2, QStringLiteral("T"));
        read(buffer, 1, 1, 0, 7);
        buffer.CycleCount = 1;
        QVERIFY(
            execSql(db.filePath(),
                    "CREATE TRIGGER fault BEFORE INSERT ON SAVEDATA BEGIN SELECT RAISE(ABORT, 'x'); END"));
        QVERIFY(!log.flushReadings(buffer, devices, true).ok);
        QVERIFY(execSql(db.filePath(), "DROP TRIGGER fault"));
        read(buffer, 1, 1, 5, 8);
        const FlushResult f = log.flushReadings(buffer, devices, false);
        QVERIFY(f.ok);
        QCOMPARE(f.written, 1);
        QCOMPARE(logged(db), QStringList{timeAt(0) + "|7|T|1"});
    }

    void timeTextsAgreeWithLocalTime_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<qint64>("from");
        QTest::newRow("Berlin spring") << QByteArray("Europe/Berlin") << qint64(1774746000 - 7200);
        QTest::newRow("Berlin autumn") << QByteArray("Europe/Berlin") << qint64(1792890000 - 7200);
        QTest::newRow("Shanghai new year") << QByteArray("Asia/Shanghai") << qint64(1798732800 - 7200);
        QTest::newRow("Lord Howe half hour")
            << QByteArray("Australia/Lord_Howe") << qint64(1775314800 - 7200);
        QTest::newRow("Kathmandu +5:45") << QByteArray("Asia/Kathmandu") << qint64(1767200000);
        QTest::newRow("St Johns -3:30") << QByteArray("America/St_Johns") << qint64(1772952000);
        QTest::newRow("leap day UTC") << QByteArray("UTC") << qint64(1835395200 - 7200);
    }
    void timeTextsAgreeWithLocalTime()
    {
        QFETCH(QByteArray, zone);
        QFETCH(qint64, from);
        const QByteArray saved = qgetenv("TZ");
        qputenv("TZ", zone);
        tzset();
        TimeTexts w;
        QStringList faults;
        for (qint64 s = from; s < from + 4 * 3600; s += 7) {
            const QDateTime local = QDateTime::fromSecsSinceEpoch(s);
            const QString text = local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            if (w.text(s) != text)
                faults << QStringLiteral("%1 written as %2, not %3").arg(s).arg(w.text(s), text);
            // Read back: the same wall clock and the zone's real offset at that instant (in the
            // hour a clock change repeats, either of the two instants will do).
            const QDateTime back = w.parse(text);
            const QDateTime there = QDateTime::fromSecsSinceEpoch(back.toSecsSinceEpoch());
            if (back.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) != text ||
                back.offsetFromUtc() != there.offsetFromUtc() ||
                (back != local && there.offsetFromUtc() == local.offsetFromUtc()))
                faults << QStringLiteral("%1 read back as %2").arg(text, back.toString(Qt::ISODate));
        }
        if (saved.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", saved);
        tzset();
        QVERIFY2(faults.isEmpty(), qPrintable(faults.mid(0, 3).join("; ")));
    }

    void timeTextsThatAreNotTimes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("written form") << "2026-12-04 14:31:37" << true;
        QTest::newRow("ISO with T") << "2026-12-04T14:31:37" << true;
        QTest::newRow("no such day") << "2026-02-30 10:00:00" << false;
        QTest::newRow("hour 24") << "2026-02-03 24:00:00" << false;
        QTest::newRow("words") << "yesterday noon" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("full-width digits") << "２０２６-12-04 14:31:37" << false;
    }
    void timeTextsThatAreNotTimes()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        TimeTexts t;
        const QDateTime d = t.parse(text);
        QCOMPARE(d.isValid(), valid);
        if (valid)
            QCOMPARE(d, QDateTime(QDate(2026, 12, 4), QTime(14, 31, 37)));
    }
};

QTEST_GUILESS_MAIN(TstReadingLog)
#include "tst_readinglog.moc"

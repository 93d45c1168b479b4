// Prints the time to flush a full reading buffer (255 addresses x 300 cycles x 5 quantities)
// into Record.mdb, and the time of a date-range query that returns 100,000 rows out of a
// reading log of 5 million rows. All files live in a temporary folder that is removed.
#include "devices/devicetable.h"
#include "recording/readingbuffer.h"
#include "recording/readinglog.h"
#include "recording/recorddb.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "common/pgserver.h"
#include <cstdio>
#include <ctime>

using namespace kestrel;

namespace {

void fillBuffer(ReadingBuffer &buffer, DeviceTable &devices, qint64 start)
{
    devices.PollStart = 1;
    devices.PollEnd = 255;
    for (int a = 1; a <= 255; ++a) {
        DeviceEntry &d = devices.at(a);
        d.mixpro = 81;
        d.protype = 27;
        d.typeName = QStringLiteral("T+RH+CO2+VOC+PM2.5");
    }
    for (int r = 1; r <= ReadingBuffer::Cycles; ++r) {
        for (int a = 1; a <= 255; ++a) {
            buffer.setTime(a, r, QDateTime::fromSecsSinceEpoch(start + (r - 1) * 255 + a));
            for (int k = 0; k < 5; ++k)
                buffer.setValue(a, r, k, uint16_t((a * 7 + r * 13 + k) & 0xffff));
        }
    }
    buffer.CycleCount = ReadingBuffer::Cycles;
}

double cpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

// Wall time of one flush; *cpu gets the processor time it used.
double flushOnce(ReadingLog &log, qint64 start, int *rows, double *cpu)
{
    ReadingBuffer buffer;
    DeviceTable devices;
    fillBuffer(buffer, devices, start);
    const std::vector<LoggedDevice> logged = loggedDevices(devices);
    QElapsedTimer t;
    t.start();
    const double c0 = cpuSeconds();
    const FlushResult r = log.flushReadings(buffer, logged, true);
    const double s = double(t.nsecsElapsed()) / 1e9;
    *cpu = cpuSeconds() - c0;
    if (!r.ok)
        std::printf("flush failed: %s\n", qPrintable(r.error));
    *rows = r.written;
    return s;
}

// 5,000,000 rows: 250 addresses read every second for 20,000 seconds.
bool buildLargeLog(const QString &path, double *seconds)
{
    bool ok = true;
    QElapsedTimer t;
    t.start();
    {
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-build"));
        d.setDatabaseName(path);
        ok = d.open();
        QSqlQuery q(d);
        ok = ok && q.exec(QStringLiteral("PRAGMA cache_size = -262144")) && d.transaction();
        ok = ok &&
             q.exec(QStringLiteral(
                 "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 4999999) "
                 "INSERT INTO SAVEDATA (READTIME, READVALUE, PROTYPE, ADDRESS) "
                 "SELECT strftime('%Y-%m-%d %H:%M:%S', 1700000000 + i / 250, 'unixepoch'), "
                 "CAST(i % 65536 AS TEXT), CASE i % 2 WHEN 0 THEN 'T' ELSE 'RH' END, i % 250 + 1 FROM n"));
        if (!ok)
            std::printf("build failed: %s\n", qPrintable(q.lastError().text()));
        ok = ok && d.commit();
        q.finish();
        d.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-build"));
    *seconds = double(t.nsecsElapsed()) / 1e9;
    return ok;
}

// Three full buffers, one after the other, into the same log.
void flushThreeTimes(ReadingLog &log)
{
    for (int round = 1; round <= 3; ++round) {
        int rows = 0;
        double cpu = 0;
        const double s = flushOnce(log, 1700000000 + qint64(round) * 100000, &rows, &cpu);
        std::printf("  flush %d: %d rows in %.3f s (processor %.3f s), %.0f rows/s (goal: under 1 s)\n",
                    round, rows, s, cpu, rows / s);
    }
}

// The same flushes into a shared log on a PostgreSQL server of the benchmark's own (on a Unix
// socket, commits synced to the disk).
void flushesOnPostgres()
{
    test::PgServer pg;
    if (!pg.start(true)) {
        std::printf("PostgreSQL: %s\n", qPrintable(pg.skipReason()));
        return;
    }
    QTemporaryDir local;
    const RecordDb db(local.path(), {pg.url(pg.freshDatabase()), QStringLiteral("bench")});
    if (const DbStatus s = db.check(); !s.ok) {
        std::printf("%s\n", qPrintable(s.error));
        return;
    }
    ReadingLog log(db);
    std::printf("Full reading buffer into PostgreSQL (local server, Unix socket):\n");
    flushThreeTimes(log);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    RecordDb db(dir.path());
    if (const DbStatus s = db.check(); !s.ok) {
        std::printf("%s\n", qPrintable(s.error));
        return 1;
    }
    ReadingLog log(db);

    std::printf("Full reading buffer: 255 addresses x 300 cycles x 5 quantities\n");
    flushThreeTimes(log);
    {
        ReadingBuffer buffer;
        DeviceTable devices;
        fillBuffer(buffer, devices, 1700000000);
        QElapsedTimer t;
        t.start();
        const size_t n = collectReadings(buffer, loggedDevices(devices)).size();
        std::printf("  of which collecting %zu rows from the buffer: %.3f s\n", n,
                    double(t.nsecsElapsed()) / 1e9);
    }

    // A fresh file for the large log.
    QTemporaryDir big;
    RecordDb large(big.path());
    large.check();
    double build = 0;
    if (!buildLargeLog(large.filePath(), &build))
        return 1;
    std::printf(
        "Reading log of 5,000,000 rows built in %.1f s (one transaction, with its index), file %.0f MB\n",
        build, double(QFileInfo(large.filePath()).size()) / 1e6);

    // The large log holds UTC wall-clock texts; ask for the same texts.
    const QDateTime utc = QDateTime::fromSecsSinceEpoch(1700000000 + 10000, Qt::UTC);
    const QDateTime from(utc.date(), utc.time());
    const QDateTime to = from.addSecs(400);
    for (int round = 1; round <= 3; ++round) {
        QElapsedTimer t;
        t.start();
        const ReadingsResult r = large.readings(from, to);
        std::printf("  all devices, 400 s range: %zu rows in %.3f s%s\n", r.value.size(),
                    double(t.nsecsElapsed()) / 1e9, r.ok ? "" : qPrintable(r.error));
    }
    const QDateTime wideTo = from.addSecs(10000);
    for (int round = 1; round <= 2; ++round) {
        QElapsedTimer t;
        t.start();
        const ReadingsResult r = large.readings(17, from, wideTo);
        std::printf("  address 17, 10,000 s range: %zu rows in %.3f s%s\n", r.value.size(),
                    double(t.nsecsElapsed()) / 1e9, r.ok ? "" : qPrintable(r.error));
    }
    {
        int rows = 0;
        double cpu = 0;
        ReadingLog bigLog(large);
        const double s = flushOnce(bigLog, 1800000000, &rows, &cpu);
        std::printf(
            "  flush of a full buffer into the 5,000,000-row log: %d rows in %.3f s (processor %.3f s)\n",
            rows, s, cpu);
    }
    flushesOnPostgres();
    return 0;
}

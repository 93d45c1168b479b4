// A polling program killed with SIGKILL loses no reading: a real poller process (crashpoller)
// polls kestrel-sim with saving on, is killed after a known number of readings, and a start on
// the same data folder finds every reading it had taken in SAVEDATA, none twice.
#include "common/simprocess.h"
#include "common/tr8.h"
#include "recording/recorddb.h"
#include "recording/texts.h"

#include <QMap>
#include <QtTest>
#include <csignal>

using namespace kestrel;
using namespace kestrel::test;

namespace {

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

class TstCrashSafe : public QObject {
    Q_OBJECT
private Q_SLOTS:
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

QTEST_GUILESS_MAIN(TstCrashSafe)
#include "tst_crashsafe.moc"

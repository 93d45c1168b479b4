// The station as a whole: start-up, and readings still in memory when the program ends.
#include "common/fasttimers.h"
#include "common/stationrig.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {
const char *kBus = "1 33 3 230415 0001 17 set=2:215 set=3:456\n"
                   "2 0 6 230415 0002 17 set=6:612\n";

// Polls 1..2 every second (at a tenth of the time) with saving on, until `passes` are complete.
void pollPasses(Station &s, int passes)
{
    s.devices.PollStart = 1;
    s.devices.PollEnd = 2;
    s.settings.setInterval(1);
    s.polling.cmdLoopR_Click();
    s.settings.SaveEnabled = true;
    s.settingsRequest.accept();
    QTRY_VERIFY_WITH_TIMEOUT(s.readings.CycleCount >= passes, 10000);
}

int loggedRows(Station &s)
{
    const ReadingsResult r = s.db.readings(QDateTime(QDate(2000, 1, 1), QTime(0, 0)),
                                           QDateTime(QDate(2100, 1, 1), QTime(0, 0)));
    return r.ok ? int(r.rows.size()) : -1;
}
} // namespace

class TstStation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startUpWithoutADataBaseSaysSoAndGoesOn()
    {
        QTemporaryDir dir;
        QFile junk(QDir(dir.path()).filePath(QStringLiteral("Record.mdb")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray("\x00\x01\x00\x00Standard Jet DB", 19) + QByteArray(2000, '\0'));
        junk.close();
        SimProcess sim(QString::fromLatin1(kBus));
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        PortMap map;
        map.set(3, sim.linkPath());
        QtSerialPort port(map);
        RecordingOperator op;
        Station s(port, op, SystemClock::instance(), QtTimerFactory::instance(), dir.path());
        s.Form_Load();
        QCOMPARE(op.messages.size(), 1);
        QVERIFY(op.messages.first().text.contains(QStringLiteral("Record.mdb")));
        QVERIFY(port.isOpen()); // the rest of the program works
        s.panel.TxtB1 = QStringLiteral("1");
        s.products.CMDRHTread_Click();
        QCOMPARE(s.panel.valueText(0), QStringLiteral("21.5"));
    }

    void closingWhilePollingLogsTheCompletePasses()
    {
        FastTimerFactory timers;
        StationRig r(QString::fromLatin1(kBus), timers, SystemClock::instance(), {QStringLiteral("--fixed")});
        QVERIFY2(r.ok(), qPrintable(r.why()));
        Station &s = *r.station;
        pollPasses(s, 2);
        const int passes = s.readings.CycleCount;
        s.Form_Unload();
        QCOMPARE(s.polling.phase(), Polling::Phase::Stopped);
        QCOMPARE(loggedRows(s), passes * 3); // T and RH of 1, CO2 of 2
        QVERIFY(r.op.messages.isEmpty());
    }

    void readingsTheDataBaseRefusesAreRescuedAtClose()
    {
        FastTimerFactory timers;
        StationRig r(QString::fromLatin1(kBus), timers, SystemClock::instance(), {QStringLiteral("--fixed")});
        QVERIFY2(r.ok(), qPrintable(r.why()));
        Station &s = *r.station;
        pollPasses(s, 1);
        // The data base goes away under the running program.
        QVERIFY(QFile::remove(s.db.filePath()));
        QVERIFY(QDir().mkpath(s.db.filePath()));
        s.Form_Unload();
        QCOMPARE(r.op.messages.size(), 1);
        const QString text = r.op.messages.first().text;
        QVERIFY2(text.contains(QStringLiteral("已另存为文本文件")), qPrintable(text));
        const QStringList files = QDir(QDir(r.data.path()).filePath(QStringLiteral("export")))
                                      .entryList({QStringLiteral("unsaved-*.txt")});
        QCOMPARE(files.size(), 1);
        QFile f(QDir(r.data.path()).filePath(QStringLiteral("export/") + files.first()));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.first(), QByteArray("READTIME,READVALUE,PROTYPE,ADDRESS\r"));
        QVERIFY(lines.size() >= 1 + 3);
        QVERIFY(lines[1].endsWith(",215,T,1\r"));
    }
};

QTEST_GUILESS_MAIN(TstStation)
#include "tst_station.moc"

// kestrel-poll as the operator runs it: against kestrel-sim on a pseudo-terminal and over TCP, the
// rows it logs in Record.mdb are the words the devices served; SIGTERM in the middle of a run
// flushes what was read; a bad start says why and ends with the exit code for it. Two of them
// log two buses into one PostgreSQL data base while its server is restarted.
#include "common/pgserver.h"
#include "common/simprocess.h"
#include "link/texts.h"
#include "polling/texts.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

using namespace kestrel;
using Counts = QMap<QString, int>;

namespace {

// Two sensors of type T+RH (registers 2 and 3) with fixed values.
const char *const kBus = "1 33 3 230415 0001 17 set=2:215 set=3:456\n"
                         "2 33 3 230415 0002 17 set=2:198 set=3:611\n";
// Logging on, the range 1..2, one second apart, both types still to be learnt.
const char *const kIni = "True\r\n1,2\r\n0,1\r\n0,0,0,\r\n0,0,0,\r\n";
// What one pass logs: "address quantity value".
const QStringList kPass = {"1 T 215", "1 RH 456", "2 T 198", "2 RH 611"};

struct Poll {
    QTemporaryDir dir;
    QProcess process;
    QByteArray out, err;

    QString ini(const QByteArray &text)
    {
        const QString path = dir.filePath(QStringLiteral("poll.ini"));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(text);
        return path;
    }
    void start(const QStringList &args, const char *secondMs = "20")
    {
        process.start(qEnvironmentVariable("KESTREL_POLL"),
                      args + QStringList{"--data-dir", dir.path(), "--test-second-ms", secondMs});
    }
    int passesSoFar() { return int((out += process.readAllStandardOutput()).count(" pass ")); }
    int finish()
    {
        if (!process.waitForFinished(30000))
            process.kill(), process.waitForFinished();
        out += process.readAllStandardOutput();
        err += process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    int passLines() const { return int(out.count(" pass ")); }
    // The rows of SAVEDATA, counted by "address quantity value"; of one station on `pg`'s server.
    Counts logged(const test::PgServer *pg = nullptr, const QString &database = {},
                  const QString &station = {})
    {
        Counts c;
        {
            auto db = QSqlDatabase::addDatabase(pg ? "QPSQL" : "QSQLITE", QStringLiteral("check"));
            db.setDatabaseName(pg ? database : dir.filePath(QStringLiteral("Record.mdb")));
            if (pg)
                db.setHostName(pg->socketFolder()), db.setUserName("kestrel");
            if (db.open()) {
                QSqlQuery q(db);
                q.prepare(QStringLiteral("SELECT ADDRESS, PROTYPE, READVALUE FROM SAVEDATA") +
                          (pg ? " WHERE STATION = ?" : ""));
                if (pg)
                    q.addBindValue(station);
                q.exec();
                while (q.next())
                    ++c[QStringLiteral("%1 %2 %3")
                            .arg(q.value(0).toInt())
                            .arg(q.value(1).toString(), q.value(2).toString())];
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("check"));
        return c;
    }
};

Counts times(int passes)
{
    Counts c;
    for (const QString &row : kPass)
        c[row] = passes;
    return c;
}

// The readings of the printed pass lines ("… pass 2: 1 T=215 RH=456; 2 -"), counted as logged().
Counts printed(const QByteArray &out)
{
    Counts c;
    for (const QString &line : QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts))
        for (const QString &device : line.section(QStringLiteral(": "), 1).split(QStringLiteral("; "))) {
            const QStringList items = device.split(u' ');
            for (const QString &item : items.mid(1))
                if (item != QLatin1String("-"))
                    ++c[items[0] + u' ' + QString(item).replace(u'=', u' ')];
        }
    return c;
}

QString tcpEndpoint(test::SimProcess &sim)
{
    return QRegularExpression(QStringLiteral("tcp://\\S+"))
        .match(QString::fromUtf8(sim.standardOutput()))
        .captured();
}

} // namespace

class TestKestrelPoll : public QObject {
    Q_OBJECT
    test::SimProcess m_sim{QString::fromLatin1(kBus), {"--fixed", "--tcp", "0"}};

    QString portOf(const QString &transport)
    {
        return QStringLiteral("COM3=") +
               (transport == QLatin1String("tcp") ? tcpEndpoint(m_sim) : m_sim.linkPath());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(!qEnvironmentVariableIsEmpty("KESTREL_POLL"));
        QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));
        QVERIFY(!tcpEndpoint(m_sim).isEmpty());
    }

    void transport_data()
    {
        QTest::addColumn<QString>("transport");
        QTest::newRow("pty") << "pty";
        QTest::newRow("tcp") << "tcp";
    }

    void logsWhatWasServed_data() { transport_data(); }
    void logsWhatWasServed()
    {
        QFETCH(QString, transport);
        Poll p;
        p.start({"--config", p.ini(kIni), "--port", portOf(transport), "--passes", "3"});
        QCOMPARE(p.finish(), 0);
        QCOMPARE(p.passLines(), 3);
        QCOMPARE(p.logged(), times(3));
    }

    // Stopped between passes or in the middle of one: every pass printed is logged, and only those.
    void sigtermFlushes_data() { transport_data(); }
    void sigtermFlushes()
    {
        QFETCH(QString, transport);
        Poll p;
        p.start({"--config", p.ini(kIni), "--port", portOf(transport)});
        QTRY_VERIFY_WITH_TIMEOUT((p.out += p.process.readAllStandardOutput()).count(" pass ") >= 3, 20000);
        p.process.terminate();
        QCOMPARE(p.finish(), 0);
        QVERIFY(p.passLines() >= 3);
        QCOMPARE(p.logged(), times(p.passLines()));
    }

    // The device server goes away in the middle of a run: the passes read so far are logged, the
    // loss is reported, and the exit code says the port failed.
    void connectionLost()
    {
        test::SimProcess sim(QString::fromLatin1(kBus), {"--fixed", "--tcp", "0"});
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        Poll p;
        p.start({"--config", p.ini(kIni), "--port", "COM3=" + tcpEndpoint(sim)});
        QTRY_VERIFY_WITH_TIMEOUT((p.out += p.process.readAllStandardOutput()).count(" pass ") >= 2, 20000);
        sim.stop();
        QCOMPARE(p.finish(), 4);
        QVERIFY2(QString::fromUtf8(p.err).contains(QString::fromUtf8(texts::link::TcpLost)),
                 p.err.constData());
        QCOMPARE(p.logged(), printed(p.out));
        QVERIFY(p.logged().value(kPass[0]) >= 2);
    }

    void refusedStart_data()
    {
        QTest::addColumn<QByteArray>("ini"); // empty: no file
        QTest::addColumn<QString>("port");   // empty: the simulator's terminal
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("no .ini") << QByteArray() << QString() << 3 << "cannot read the configuration";
        QTest::newRow("not an .ini") << QByteArray("[polling]\r\nrange=1-2\r\n") << QString() << 3
                                     << "is not a polling configuration";
        QTest::newRow("address lines missing")
            << QByteArray("True\r\n1,2\r\n0,1\r\n0,0,0,\r\n") << QString() << 3 << "1 of the 2 address lines";
        QTest::newRow("not a port mapping") << QByteArray(kIni) << "COM9=/dev/null" << 2 << "--port";
        QTest::newRow("not a TCP endpoint")
            << QByteArray(kIni) << "COM3=tcp://127.0.0.1" << 2 << "tcp://HOST:PORT";
        QTest::newRow("connection refused")
            << QByteArray(kIni) << "refused" << 4 << QString::fromUtf8(texts::link::TcpRefused);
    }
    void refusedStart()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, port);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        if (port.isEmpty())
            port = portOf(QStringLiteral("pty"));
        if (port == QLatin1String("refused")) {
            QTcpServer probe; // a port that nothing listens on
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            port = QStringLiteral("COM3=tcp://127.0.0.1:%1").arg(probe.serverPort());
        }
        Poll p;
        const QString config = ini.isEmpty() ? p.dir.filePath(QStringLiteral("missing.ini")) : p.ini(ini);
        p.start({"--config", config, "--port", port, "--passes", "1"});
        QCOMPARE(p.finish(), exitCode);
        QVERIFY2(QString::fromUtf8(p.err).contains(says), p.err.constData());
        QCOMPARE(p.passLines(), 0);
    }

    // Two stations poll two buses into one PostgreSQL data base; its server stops after about 150
    // passes and starts again after the flush of pass 300 has failed; the runs end at pass 500. Every reading
    // printed is logged once, under its station; the failure is told once.
    void twoStationsShareOneLog()
    {
        test::PgServer pg;
        if (!pg.start())
            QSKIP(qPrintable(pg.skipReason()));
        const QString database = pg.freshDatabase();
        test::SimProcess other(QString::fromLatin1(kBus), {"--fixed"});
        QVERIFY2(other.start(), qPrintable(other.errorString()));
        Poll a, b;
        const QStringList common{"--passes", "500", "--db", pg.url(database)};
        a.start(QStringList{"--config", a.ini(kIni), "--port", portOf("pty"), "--station", "A"} + common,
                "2");
        b.start(QStringList{"--config", b.ini(kIni), "--port", "COM3=" + other.linkPath(), "--station", "B"} +
                    common,
                "2");
        QTRY_VERIFY_WITH_TIMEOUT(a.passesSoFar() >= 150 && b.passesSoFar() >= 150, 60000);
        QVERIFY(pg.stopServer());
        QTRY_VERIFY_WITH_TIMEOUT(a.passesSoFar() >= 310 && b.passesSoFar() >= 310, 60000);
        QVERIFY(pg.startServer());
        QCOMPARE(a.finish(), 0);
        QCOMPARE(b.finish(), 0);
        QCOMPARE(a.passLines() + b.passLines(), 1000);
        QCOMPARE(a.logged(&pg, database, "A"), times(500));
        QCOMPARE(b.logged(&pg, database, "B"), times(500));
        for (const Poll *p : {&a, &b})
            QCOMPARE(QString::fromUtf8(p->err).count(QString::fromUtf8(texts::polling::SaveFailed)), 1);
        QCOMPARE(a.logged().size(), 0); // nothing went to Record.mdb
    }
};

QTEST_GUILESS_MAIN(TestKestrelPoll)
#include "tst_kestrelpoll.moc"

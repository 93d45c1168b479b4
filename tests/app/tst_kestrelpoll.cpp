// kestrel-poll as the operator runs it: against kestrel-sim on a pseudo-terminal and over TCP, the
// rows it logs in Record.mdb are the words the devices served, whether it ends after its passes,
// on SIGTERM in the middle of a run, or when the device server goes away; a bad start says why and
// ends with the exit code for it. Two of them log two buses into one PostgreSQL data base while
// its server is restarted.
#include "common/files.h"
#include "common/peek.h"
#include "common/pgserver.h"
#include "common/simprocess.h"
#include "link/texts.h"
#include "polling/texts.h"
#include "recording/texts.h"
#include "common/tr8.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

using namespace kestrel;
using Counts = QMap<QString, int>;

namespace {

// Two sensors of type T+RH (registers 2 and 3) with fixed values.
const char *const kBus = "1 33 3 230415 0001 17 set=2:215 set=3:456\n"
                         "2 33 3 230415 0002 17 set=2:198 set=3:611\n";
// Logging on, the range 1..2, one second apart, both types still to be learnt.
const char *const kIni = "True\r\n1,2\r\n0,1\r\n0,0,0,\r\n0,0,0,\r\n";

// What `passes` passes log, counted by "address|quantity|value".
Counts times(int passes)
{
    Counts c;
    for (const char *row : {"1|T|215", "1|RH|456", "2|T|198", "2|RH|611"})
        c[row] = passes;
    return c;
}

QString tcpEndpoint(test::SimProcess &sim)
{
    return QRegularExpression("tcp://\\S+").match(QString::fromUtf8(sim.standardOutput())).captured();
}

struct Poll {
    QTemporaryDir dir;
    QProcess process;
    QByteArray out;

    QString ini(const QByteArray &text) { return test::writeFile(dir.filePath("poll.ini"), text); }
    void start(const QStringList &args, const char *secondMs = "20")
    {
        process.start(qEnvironmentVariable("KESTREL_POLL"),
                      args + QStringList{"--data-dir", dir.path(), "--test-second-ms", secondMs});
    }
    int passes() { return int((out += process.readAllStandardOutput()).count(" pass ")); }
    int finish()
    {
        if (!process.waitForFinished(30000))
            process.kill(), process.waitForFinished();
        passes();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QString err() { return QString::fromUtf8(process.readAllStandardError()); }
    // The rows of SAVEDATA: of Record.mdb, or of one station's on a shared log.
    Counts logged(const SharedLog &shared = {})
    {
        Counts c;
        const QString sql = "SELECT ADDRESS, PROTYPE, READVALUE FROM SAVEDATA";
        for (const QString &row :
             test::query(RecordDb(dir.path(), shared),
                         shared.url.isEmpty() ? sql : sql + " WHERE STATION = '" + shared.station + "'"))
            ++c[row];
        return c;
    }
};

} // namespace

class TestKestrelPoll : public QObject {
    Q_OBJECT
    test::SimProcess m_sim{QString::fromLatin1(kBus), {"--fixed", "--tcp", "0"}};

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(!qEnvironmentVariableIsEmpty("KESTREL_POLL"));
        QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));
        QVERIFY(!tcpEndpoint(m_sim).isEmpty());
    }

    // Every pass printed is logged, and only those: after three passes, stopped by SIGTERM
    // between passes or in the middle of one, or when the device server goes away (the loss is
    // told, and the exit code says the port failed).
    void logsWhatWasServed_data()
    {
        QTest::addColumn<bool>("tcp");
        QTest::addColumn<QString>("end");
        QTest::addColumn<int>("exitCode");
        for (bool tcp : {false, true}) {
            QTest::addRow("%s, 3 passes", tcp ? "tcp" : "pty") << tcp << "3 passes" << 0;
            QTest::addRow("%s, SIGTERM", tcp ? "tcp" : "pty") << tcp << "SIGTERM" << 0;
        }
        QTest::newRow("tcp, device server gone") << true << "server gone" << 4;
    }
    void logsWhatWasServed()
    {
        QFETCH(bool, tcp);
        QFETCH(QString, end);
        QFETCH(int, exitCode);
        test::SimProcess own(QString::fromLatin1(kBus), {"--fixed", "--tcp", "0"});
        test::SimProcess &sim = end == "server gone" ? own : m_sim;
        QVERIFY2(&sim == &m_sim || own.start(), qPrintable(own.errorString()));
        Poll p;
        const QString port = "COM3=" + (tcp ? tcpEndpoint(sim) : sim.linkPath());
        p.start(QStringList{"--config", p.ini(kIni), "--port", port} +
                (end == "3 passes" ? QStringList{"--passes", "3"} : QStringList()));
        if (end != "3 passes") {
            QTRY_VERIFY_WITH_TIMEOUT(p.passes() >= 3, 20000);
            end == "SIGTERM" ? p.process.terminate() : own.stop();
        }
        QCOMPARE(p.finish(), exitCode);
        const QString err = p.err();
        QVERIFY2(exitCode == 0 || err.contains(QString::fromUtf8(texts::link::TcpLost)), qPrintable(err));
        QVERIFY(end == "3 passes" ? p.passes() == 3 : p.passes() >= 3);
        QCOMPARE(p.logged(), times(p.passes()));
    }

    // Killed with SIGKILL after a flush and 20 more passes, then started again for one pass: the
    // start writes what the killed run had landed beside the log and says how many rows; every
    // pass printed is logged once, the reading under way at the kill perhaps too.
    void killedLosesNoReading()
    {
        Poll p;
        const QStringList args{"--config", p.ini(kIni), "--port", "COM3=" + m_sim.linkPath()};
        p.start(args, "2");
        QTRY_VERIFY_WITH_TIMEOUT(p.passes() >= 320, 60000);
        ::kill(pid_t(p.process.processId()), SIGKILL);
        QCOMPARE(p.finish(), -1);
        const int killed = p.passes();
        p.start(args + QStringList{"--passes", "1"}, "2");
        QCOMPARE(p.finish(), 0);
        const Counts logged = p.logged(), expected = times(killed + 1);
        int extra = 0;
        for (auto row = expected.begin(); row != expected.end(); extra += logged[row.key()] - *row, ++row)
            QVERIFY2(logged[row.key()] - *row == 0 || logged[row.key()] - *row == 1, qPrintable(row.key()));
        const int recovered = 4 * (killed - 300) + extra;
        QVERIFY2(p.err().contains(tr8(texts::recording::PendingRecovered).arg(recovered)),
                 qPrintable(p.err()));
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
        QTcpServer probe; // a port that nothing listens on
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        if (port.isEmpty())
            port = "COM3=" + m_sim.linkPath();
        else if (port == "refused")
            port = QString("COM3=tcp://127.0.0.1:%1").arg(probe.serverPort());
        probe.close();
        Poll p;
        const QString config = ini.isEmpty() ? p.dir.filePath("missing.ini") : p.ini(ini);
        p.start({"--config", config, "--port", port, "--passes", "1"});
        QCOMPARE(p.finish(), exitCode);
        const QString err = p.err();
        QVERIFY2(err.contains(says), qPrintable(err));
        QCOMPARE(p.passes(), 0);
    }

    // Two stations poll two buses into one PostgreSQL data base; its server stops after about 150
    // passes and starts again after the flush of pass 300 has failed; the runs end at pass 500.
    // Every reading printed is logged once, under its station; the failure is told once.
    void twoStationsShareOneLog()
    {
        test::PgServer pg;
        if (!pg.start())
            QSKIP(qPrintable(pg.skipReason()));
        const QString url = pg.url(pg.freshDatabase());
        test::SimProcess other(QString::fromLatin1(kBus), {"--fixed"});
        QVERIFY2(other.start(), qPrintable(other.errorString()));
        Poll a, b;
        for (Poll *p : {&a, &b})
            p->start({"--config", p->ini(kIni), "--port", "COM3=" + (p == &a ? m_sim : other).linkPath(),
                      "--station", p == &a ? "A" : "B", "--passes", "500", "--db", url},
                     "2");
        QTRY_VERIFY_WITH_TIMEOUT(a.passes() >= 150 && b.passes() >= 150, 60000);
        QVERIFY(pg.stopServer());
        QTRY_VERIFY_WITH_TIMEOUT(a.passes() >= 310 && b.passes() >= 310, 60000);
        QVERIFY(pg.startServer());
        for (Poll *p : {&a, &b}) {
            QCOMPARE(p->finish(), 0);
            QCOMPARE(p->passes(), 500);
            QCOMPARE(p->logged({url, p == &a ? "A" : "B"}), times(500));
            QCOMPARE(p->err().count(QString::fromUtf8(texts::polling::SaveFailed)), 1);
            QCOMPARE(p->logged().size(), 0); // nothing went to Record.mdb
        }
    }
};

QTEST_GUILESS_MAIN(TestKestrelPoll)
#include "tst_kestrelpoll.moc"

#pragma once
// Runs kestrel-sim as a child process for a test.
//
//   kestrel::test::SimProcess sim(QStringLiteral("1 33 3 230415 0001 17 set=2:215\n"));
//   QVERIFY2(sim.start(), qPrintable(sim.errorString()));
//   port map: COM3 → sim.linkPath()
//
// The bus is either "demo" or the text of a bus file (written to a temporary file). The link is a
// fresh path in a temporary folder, unique per instance (serial-port lock files are named after the
// link's file name). stop() (also run by the destructor) ends the simulator with SIGTERM, which
// removes the link. The simulator's path comes from the KESTREL_SIM environment variable, or from
// KESTREL_SIM_PATH when the including target defines it.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <csignal>
#include <memory>
#include <sys/prctl.h>

namespace kestrel::test {

class SimProcess {
public:
    explicit SimProcess(QString bus = QStringLiteral("demo"), QStringList extraArgs = {})
        : m_bus(std::move(bus)), m_args(std::move(extraArgs))
    {
    }
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;
    ~SimProcess() { stop(); }

    static QString executable()
    {
        const QString env = QProcessEnvironment::systemEnvironment().value(QStringLiteral("KESTREL_SIM"));
#ifdef KESTREL_SIM_PATH
        if (env.isEmpty())
            return QStringLiteral(KESTREL_SIM_PATH);
#endif
        return env;
    }

    // Starts the simulator and waits until it reports its bus ready. False with errorString().
    bool start(int timeoutMs = 10000)
    {
        stop();
        const QString exe = executable();
        if (exe.isEmpty())
            return fail(QStringLiteral("KESTREL_SIM is not set"));
        m_dir = std::make_unique<QTemporaryDir>();
        if (!m_dir->isValid())
            return fail(QStringLiteral("no temporary folder"));
        static int serial = 0;
        m_link = m_dir->filePath(QStringLiteral("kestrel-sim-%1-%2").arg(QCoreApplication::applicationPid()).arg(++serial));
        QString busArg = m_bus;
        if (m_bus != QLatin1String("demo")) {
            busArg = m_dir->filePath(QStringLiteral("test.bus"));
            QFile f(busArg);
            if (!f.open(QIODevice::WriteOnly) || f.write(m_bus.toUtf8()) < 0)
                return fail(QStringLiteral("cannot write %1").arg(busArg));
        }
        m_process = std::make_unique<QProcess>();
        m_process->setProgram(exe);
        // A test that dies takes its simulator (and the simulator's link) with it.
        m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_process->setArguments(QStringList{QStringLiteral("--link"), m_link, QStringLiteral("--bus"), busArg} +
                                m_args);
        m_process->start();
        if (!m_process->waitForStarted(timeoutMs))
            return fail(QStringLiteral("%1 did not start: %2").arg(exe, m_process->errorString()));
        QElapsedTimer t;
        t.start();
        while (!m_stdout.contains("kestrel-sim: bus of")) {
            if (m_process->state() != QProcess::Running || t.elapsed() > timeoutMs) {
                m_process->waitForFinished(1000);
                m_stderr += m_process->readAllStandardError();
                return fail(QStringLiteral("kestrel-sim did not get ready: %1")
                                .arg(QString::fromUtf8(m_stderr).trimmed()));
            }
            m_process->waitForReadyRead(100);
            m_stdout += m_process->readAllStandardOutput();
        }
        return true;
    }

    // Ends the simulator (SIGTERM; killed if it does not end within two seconds).
    void stop()
    {
        if (!m_process)
            return;
        if (m_process->state() != QProcess::NotRunning) {
            m_process->terminate();
            if (!m_process->waitForFinished(2000)) {
                m_process->kill();
                m_process->waitForFinished(2000);
            }
        }
        m_stdout += m_process->readAllStandardOutput();
        m_stderr += m_process->readAllStandardError();
        m_exitCode = m_process->exitStatus() == QProcess::NormalExit ? m_process->exitCode() : -1;
        m_process.reset();
    }

    bool isRunning() const { return m_process && m_process->state() == QProcess::Running; }
    QString linkPath() const { return m_link; }
    QString errorString() const { return m_error; }
    int exitCode() const { return m_exitCode; } // after stop(); -1 when it crashed or was killed
    // What the simulator wrote so far (stderr carries the --verbose frame trace).
    QByteArray standardOutput()
    {
        if (m_process)
            m_stdout += m_process->readAllStandardOutput();
        return m_stdout;
    }
    QByteArray standardError()
    {
        if (m_process)
            m_stderr += m_process->readAllStandardError();
        return m_stderr;
    }

private:
    bool fail(const QString &why)
    {
        m_error = why;
        return false;
    }

    QString m_bus;
    QStringList m_args;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_process;
    QString m_link;
    QString m_error;
    QByteArray m_stdout;
    QByteArray m_stderr;
    int m_exitCode = -1;
};

} // namespace kestrel::test

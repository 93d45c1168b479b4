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
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
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
    ~SimProcess() { stop(); }

    static QString executable()
    {
        const QString env = qEnvironmentVariable("KESTREL_SIM");
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
        m_stdout.clear(), m_stderr.clear();
        m_dir = std::make_unique<QTemporaryDir>();
        static int serial = 0;
        m_link = m_dir->filePath(
            QStringLiteral("kestrel-sim-%1-%2").arg(QCoreApplication::applicationPid()).arg(++serial));
        QString busArg = m_bus;
        if (m_bus != QLatin1String("demo")) {
            QFile f(busArg = m_dir->filePath(QStringLiteral("test.bus")));
            if (!f.open(QIODevice::WriteOnly) || f.write(m_bus.toUtf8()) < 0)
                return fail(QStringLiteral("cannot write %1").arg(busArg));
        }
        if (executable().isEmpty())
            return fail(QStringLiteral("KESTREL_SIM is not set"));
        m_process = std::make_unique<QProcess>();
        // A test that dies takes its simulator (and the simulator's link) with it.
        m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_process->start(executable(), QStringList{"--link", m_link, "--bus", busArg} + m_args);
        QElapsedTimer t;
        t.start();
        while (!standardOutput().contains("kestrel-sim: bus of")) {
            if (m_process->state() == QProcess::NotRunning || t.elapsed() > timeoutMs) {
                m_process->waitForFinished(1000);
                return fail(QStringLiteral("kestrel-sim did not get ready: %1 %2")
                                .arg(m_process->errorString(), QString::fromUtf8(standardError()).trimmed()));
            }
            m_process->waitForReadyRead(100);
        }
        return true;
    }

    // Ends the simulator (SIGTERM; killed if it does not end within two seconds).
    void stop()
    {
        if (!m_process)
            return;
        m_process->terminate();
        if (!m_process->waitForFinished(2000)) {
            m_process->kill();
            m_process->waitForFinished(2000);
        }
        standardOutput();
        standardError();
        m_exitCode = m_process->exitStatus() == QProcess::NormalExit ? m_process->exitCode() : -1;
        m_process.reset();
    }

    QString linkPath() const
    {
        return m_link;
    }
    QString errorString() const
    {
        return m_error;
    }
    int exitCode() const
    {
        return m_exitCode;
    } // after stop(); -1 when it crashed or was killed
    // What the simulator wrote so far (stderr carries the --verbose frame trace).
    QByteArray standardOutput()
    {
        return m_stdout += m_process ? m_process->readAllStandardOutput() : "";
    }
    QByteArray standardError()
    {
        return m_stderr += m_process ? m_process->readAllStandardError() : "";
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
    QString m_link, m_error;
    QByteArray m_stdout, m_stderr;
    int m_exitCode = -1;
};

} // namespace kestrel::test

#pragma once
// A PostgreSQL server of a test's own: a cluster in a temporary folder, listening only on a
// Unix socket in that folder (no TCP port), owned by the unprivileged user `postgres` when the
// test runs as root (initdb and the server refuse to run as root). Trust authentication for the
// role `kestrel`, so the address needs no password.
//
//   PgServer pg;
//   if (!pg.start()) QSKIP(qPrintable(pg.skipReason()));
//   RecordDb db(folder, {pg.url(pg.freshDatabase()), "A"});
#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>
#include <pwd.h>
#include <unistd.h>

namespace kestrel::test {

class PgServer {
public:
    ~PgServer()
    {
        if (m_started)
            stopServer();
    }

    // The folder of initdb and pg_ctl: the newest /usr/lib/postgresql/N/bin, or empty.
    static QString binaries()
    {
        int newest = 0;
        for (const QString &n : QDir("/usr/lib/postgresql").entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (QFile::exists("/usr/lib/postgresql/" + n + "/bin/initdb") && n.toInt() > newest)
                newest = n.toInt();
        return newest ? QString("/usr/lib/postgresql/%1/bin").arg(newest) : QString();
    }

    // `durable`: the server syncs its commits to the disk as a real one does (benchmarks); tests
    // run without.
    bool start(bool durable = false)
    {
        m_durable = durable;
        m_bin = binaries();
        if (m_bin.isEmpty())
            return skip("the PostgreSQL server (initdb) is not installed; scripts/setup installs it");
        if (!QSqlDatabase::isDriverAvailable("QPSQL"))
            return skip("Qt's PostgreSQL driver (libqt6sql6-psql) is not installed");
        if (::geteuid() == 0) {
            const passwd *pw = ::getpwnam("postgres");
            if (!pw)
                return skip("running as root and there is no user postgres to run the server as");
            if (::chown(qPrintable(m_dir.path()), pw->pw_uid, pw->pw_gid) != 0)
                return skip("cannot hand the temporary folder to postgres");
            m_asPostgres = true;
        }
        if (!run("initdb",
                 {"-D", data(), "-U", "kestrel", "--auth=trust", "-E", "UTF8", "--no-locale", "--no-sync"}))
            return skip("initdb failed: " + m_output);
        m_started = startServer();
        return m_started || skip("the server did not start: " + m_output);
    }

    // Stops the server (fast: open connections are ended) and starts it again.
    bool stopServer() { return run("pg_ctl", {"-D", data(), "-m", "fast", "-w", "stop"}); }
    bool startServer()
    {
        const QString options = QString("-k %1 -c listen_addresses= -c fsync=%2 -p 5432")
                                    .arg(m_dir.path(), m_durable ? "on" : "off");
        return run("pg_ctl", {"-D", data(), "-l", m_dir.filePath("log"), "-w", "-o", options, "start"});
    }

    // A new, empty data base.
    QString freshDatabase()
    {
        const QString name = QString("log%1").arg(++m_serial);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "pgserver-admin");
            db.setHostName(m_dir.path());
            db.setUserName("kestrel");
            db.setDatabaseName("postgres");
            if (db.open())
                QSqlQuery(db).exec("CREATE DATABASE " + name);
        }
        QSqlDatabase::removeDatabase("pgserver-admin");
        return name;
    }

    QString url(const QString &database) const
    {
        return QString("postgresql://kestrel@%1/%2")
            .arg(QString::fromLatin1(QUrl::toPercentEncoding(m_dir.path())), database);
    }
    QString skipReason() const { return m_skip; }

private:
    QString data() const { return m_dir.filePath("data"); }

    bool skip(const QString &why)
    {
        m_skip = "PostgreSQL cases skipped: " + why;
        return false;
    }

    bool run(const QString &tool, const QStringList &args)
    {
        const QString path = m_bin + '/' + tool;
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        if (m_asPostgres)
            p.start("runuser", QStringList{"-u", "postgres", "--", path} + args);
        else
            p.start(path, args);
        const bool ok =
            p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        m_output = QString::fromLocal8Bit(p.readAll()).trimmed();
        return ok;
    }

    QTemporaryDir m_dir{QDir::tempPath() + "/kestrel-pg-XXXXXX"};
    QString m_bin, m_output, m_skip;
    bool m_asPostgres = false, m_durable = false, m_started = false;
    int m_serial = 0;
};

} // namespace kestrel::test

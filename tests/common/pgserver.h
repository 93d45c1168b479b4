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
#include <QDirIterator>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>
#include <pwd.h>
#include <unistd.h>

namespace kestrel::test {

class PgServer {
public:
    ~PgServer() { stop(); }

    // The folder of initdb and pg_ctl: the newest /usr/lib/postgresql/N/bin, or empty.
    static QString binaries()
    {
        QStringList found;
        QDirIterator it(QStringLiteral("/usr/lib/postgresql"), QDir::Dirs | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            const QString bin = it.next() + QStringLiteral("/bin");
            if (QFile::exists(bin + QStringLiteral("/initdb")))
                found << bin;
        }
        std::sort(found.begin(), found.end(), [](const QString &a, const QString &b) {
            return a.section(QLatin1Char('/'), -2, -2).toInt() < b.section(QLatin1Char('/'), -2, -2).toInt();
        });
        return found.isEmpty() ? QString() : found.last();
    }

    // `durable`: the server syncs its commits to the disk as a real one does (benchmarks); tests
    // run without.
    bool start(bool durable = false)
    {
        m_durable = durable;
        m_bin = binaries();
        if (m_bin.isEmpty())
            return skip(
                QStringLiteral("the PostgreSQL server (initdb) is not installed; scripts/setup installs it"));
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
            return skip(QStringLiteral("Qt's PostgreSQL driver (libqt6sql6-psql) is not installed"));
        if (!m_dir.isValid())
            return skip(QStringLiteral("no temporary folder"));
        if (::geteuid() == 0) {
            const passwd *pw = ::getpwnam("postgres");
            if (!pw)
                return skip(
                    QStringLiteral("running as root and there is no user postgres to run the server as"));
            if (::chown(qPrintable(m_dir.path()), pw->pw_uid, pw->pw_gid) != 0)
                return skip(QStringLiteral("cannot hand the temporary folder to postgres"));
            m_asPostgres = true;
        }
        if (!run(QStringLiteral("initdb"),
                 {QStringLiteral("-D"), data(), QStringLiteral("-U"), QStringLiteral("kestrel"),
                  QStringLiteral("--auth=trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                  QStringLiteral("--no-locale"), QStringLiteral("--no-sync")}))
            return skip(QStringLiteral("initdb failed: ") + m_output);
        m_started = startServer();
        return m_started ? true : skip(QStringLiteral("the server did not start: ") + m_output);
    }

    // Stops the server (fast: open connections are ended) and starts it again.
    bool stopServer()
    {
        return run(QStringLiteral("pg_ctl"),
                   {QStringLiteral("-D"), data(), QStringLiteral("-m"), QStringLiteral("fast"),
                    QStringLiteral("-w"), QStringLiteral("stop")});
    }
    bool startServer()
    {
        return run(QStringLiteral("pg_ctl"),
                   {QStringLiteral("-D"), data(), QStringLiteral("-l"), m_dir.filePath(QStringLiteral("log")),
                    QStringLiteral("-w"), QStringLiteral("-o"),
                    QStringLiteral("-k %1 -c listen_addresses= -c fsync=%2 -p 5432")
                        .arg(m_dir.path(), m_durable ? "on" : "off"),
                    QStringLiteral("start")});
    }

    void stop()
    {
        if (std::exchange(m_started, false))
            stopServer();
    }

    // A new, empty data base.
    QString freshDatabase()
    {
        const QString name = QStringLiteral("log%1").arg(++m_serial);
        const QString connection = QStringLiteral("pgserver-admin");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
            db.setHostName(m_dir.path());
            db.setUserName(QStringLiteral("kestrel"));
            db.setDatabaseName(QStringLiteral("postgres"));
            if (db.open())
                QSqlQuery(db).exec(QStringLiteral("CREATE DATABASE ") + name);
            db.close();
        }
        QSqlDatabase::removeDatabase(connection);
        return name;
    }

    QString url(const QString &database) const
    {
        return QStringLiteral("postgresql://kestrel@%1/%2")
            .arg(QString::fromLatin1(QUrl::toPercentEncoding(m_dir.path())), database);
    }
    QString socketFolder() const { return m_dir.path(); }
    QString skipReason() const { return m_skip; }

private:
    QString data() const { return m_dir.filePath(QStringLiteral("data")); }

    bool skip(const QString &why)
    {
        m_skip = QStringLiteral("PostgreSQL cases skipped: ") + why;
        return false;
    }

    bool run(const QString &tool, const QStringList &args)
    {
        const QString path = m_bin + QLatin1Char('/') + tool;
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        if (m_asPostgres)
            p.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"),
                                                           QStringLiteral("--"), path} +
                                                   args);
        else
            p.start(path, args);
        const bool ok =
            p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        m_output = QString::fromLocal8Bit(p.readAll()).trimmed();
        return ok;
    }

    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/kestrel-pg-XXXXXX")};
    QString m_bin;
    QString m_output;
    QString m_skip;
    bool m_asPostgres = false;
    bool m_durable = false;
    bool m_started = false;
    int m_serial = 0;
};

} // namespace kestrel::test

// The shared reading log on a PostgreSQL server, through Qt's PostgreSQL driver.
//
//   SAVEPRO  (STATION, ADDRESS) key, ALIAS, MIXPRO, PROTYPE: 255 rows per station
//   SAVEDATA (STATION, SEQ) key, READTIME, READVALUE, PROTYPE, ADDRESS
//
// SEQ numbers one station's readings in the order they were logged (one program logs for a
// station, so they are committed in that order too); a batch sent again after the connection
// broke during its commit skips the rows that are there already. Every reading statement keeps
// to one station, so the one index (STATION, ADDRESS, READTIME, SEQ) serves them all.
#include "common/log.h"
#include "common/tr8.h"
#include "recording/dbconnection.h"
#include "recording/engine.h"
#include "recording/texts.h"
#include "recording/timetext.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QUrl>
#include <mutex>
#include <set>

namespace kestrel::db {

using namespace texts::recording;

namespace {

struct Address {
    QString user;
    QString password;
    QString host;
    int port = -1;
    QString name;
};

std::optional<Address> parse(const QString &url)
{
    static const QRegularExpression form(
        QStringLiteral("^postgres(?:ql)?://(?:([^:@/]+)(?::([^@/]*))?@)?([^/:?]*)(?::(\\d{1,5}))?/([^?/"
                       "]+)(?:\\?host=([^&]+))?$"));
    const QRegularExpressionMatch m = form.match(url.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const auto decoded = [&](int i) { return QUrl::fromPercentEncoding(m.captured(i).toUtf8()); };
    Address a{decoded(1), decoded(2), decoded(3), -1, decoded(5)};
    if (m.hasCaptured(6))
        a.host = decoded(6);
    if (m.hasCaptured(4)) {
        a.port = m.captured(4).toInt();
        if (a.port < 1 || a.port > 65535)
            return std::nullopt;
    }
    return a;
}

// Elements of a PostgreSQL array literal, each quoted, bound as one text value.
class ArrayText {
public:
    void add(const QString &element)
    {
        m_text += m_text.isEmpty() ? QStringLiteral("{\"") : QStringLiteral(",\"");
        for (const QChar c : element) {
            if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
                m_text += QLatin1Char('\\');
            m_text += c;
        }
        m_text += QLatin1Char('"');
    }
    void add(qint64 number)
    {
        m_text += m_text.isEmpty() ? QLatin1Char('{') : QLatin1Char(',');
        m_text += QString::number(number);
    }
    QString text() const { return m_text.isEmpty() ? QStringLiteral("{}") : m_text + QLatin1Char('}'); }

private:
    QString m_text;
};

class PostgresEngine final : public Engine {
public:
    PostgresEngine(const SharedLog &log, const Address &a) : m_log(log), m_address(a)
    {
        m_shown = QStringLiteral("postgresql://%1%2%3/%4")
                      .arg(a.user.isEmpty() ? QString() : a.user + QLatin1Char('@'), a.host,
                           a.port > 0 ? QStringLiteral(":%1").arg(a.port) : QString(), a.name);
    }
    bool shared() const override { return true; }
    QString shownName() const override { return m_shown; }
    DbStatus open(QSqlDatabase &db, const QString &name) const override;
    QString failure(const QSqlError &e) const override { return tr8(DbServerFailed).arg(m_shown, reason(e)); }
    QString cannotOpen(const QString &why) const override
    {
        return tr8(DbServerCannotOpen).arg(m_shown, why);
    }
    QString rowId() const override { return QStringLiteral("SEQ"); }
    QString addressesFrom() const override
    {
        return QStringLiteral("ADDRESS = ANY (ARRAY(SELECT generate_series(?::integer, 255)))");
    }
    QSqlError insertReadings(QSqlDatabase &db, const std::vector<LogRow> &rows) const override;

private:
    static QString reason(const QSqlError &e);
    QString buildSchema(QSqlDatabase &db) const;

    SharedLog m_log;
    Address m_address;
    QString m_shown;
};

QString PostgresEngine::reason(const QSqlError &e)
{
    // The server's first line without its severity ("ERROR:  duplicate key …").
    static const QRegularExpression severity(QStringLiteral("^(ERROR|FATAL|PANIC):\\s*"));
    QString engine = (e.databaseText().isEmpty() ? e.text() : e.databaseText()).trimmed();
    engine = engine.section(QLatin1Char('\n'), 0, 0).remove(severity).trimmed();
    const QString state = e.nativeErrorCode();
    QString text;
    if (state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P")))
        text = tr8(ReasonServerGone);
    else if (state == QLatin1String("53100"))
        text = tr8(ReasonDiskFull);
    else if (state == QLatin1String("55P03") || state == QLatin1String("40P01"))
        text = tr8(ReasonLocked);
    else if (state == QLatin1String("25006"))
        text = tr8(ReasonReadOnly);
    else if (e.type() == QSqlError::ConnectionError)
        text = tr8(ReasonServerUnreachable);
    if (text.isEmpty())
        return engine;
    return engine.isEmpty() ? text : text + QStringLiteral("（") + engine + QStringLiteral("）");
}

// The tables and this station's registry rows, once per process: the statements only add what
// is missing, and an advisory lock keeps two stations starting at once from racing.
QString PostgresEngine::buildSchema(QSqlDatabase &db) const
{
    static std::mutex lock;
    static std::set<QString> built;
    const QString key = m_shown + QLatin1Char('\n') + m_log.station;
    const std::lock_guard<std::mutex> guard(lock);
    if (built.count(key))
        return {};
    if (!db.transaction())
        return reason(db.lastError());
    QSqlQuery q(db);
    const QStringList statements = {
        QStringLiteral("SET client_min_messages = warning"), // no notice of tables already there
        QStringLiteral("SELECT pg_advisory_xact_lock(7512485)"),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS SAVEPRO (STATION TEXT NOT NULL, "
            "ADDRESS INTEGER NOT NULL CHECK (ADDRESS BETWEEN 1 AND 255), ALIAS TEXT, "
            "MIXPRO INTEGER DEFAULT 0, PROTYPE INTEGER DEFAULT 0, PRIMARY KEY (STATION, ADDRESS))"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS SAVEDATA (STATION TEXT NOT NULL, SEQ BIGINT NOT NULL, "
                       "READTIME TEXT NOT NULL, READVALUE TEXT NOT NULL, PROTYPE TEXT NOT NULL, "
                       "ADDRESS INTEGER NOT NULL, PRIMARY KEY (STATION, SEQ))"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS SAVEDATA_STATION_ADDRESS_READTIME "
                       "ON SAVEDATA (STATION, ADDRESS, READTIME, SEQ)"),
    };
    for (const QString &s : statements) {
        if (!q.exec(s)) {
            const QString why = reason(q.lastError());
            db.rollback();
            return why;
        }
    }
    q.prepare(QStringLiteral("INSERT INTO SAVEPRO (STATION, ADDRESS) SELECT ?, generate_series(1, 255) "
                             "ON CONFLICT DO NOTHING"));
    q.addBindValue(m_log.station);
    if (!q.exec() || !db.commit()) {
        const QString why = reason(q.lastError().isValid() ? q.lastError() : db.lastError());
        db.rollback();
        return why;
    }
    built.insert(key);
    appendLog(QStringLiteral("reading log on %1 as station %2").arg(m_shown, m_log.station));
    return {};
}

DbStatus PostgresEngine::open(QSqlDatabase &db, const QString &name) const
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return DbStatus::failure(cannotOpen(tr8(ReasonNoServerDriver)));
    db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(m_address.host);
    if (m_address.port > 0)
        db.setPort(m_address.port);
    db.setUserName(m_address.user);
    db.setPassword(m_address.password);
    db.setDatabaseName(m_address.name);
    // A server that is gone is told within seconds, not after the system's TCP time-out; a table
    // another program holds locked fails the statement after 2 s (the readings wait for the next
    // flush) instead of holding up polling.
    db.setConnectOptions(QStringLiteral("connect_timeout=3;options='-c lock_timeout=2000'"));
    if (!db.open())
        return DbStatus::failure(cannotOpen(reason(db.lastError())));
    if (const QString why = buildSchema(db); !why.isEmpty())
        return DbStatus::failure(cannotOpen(why));
    return {};
}

QSqlError PostgresEngine::insertReadings(QSqlDatabase &db, const std::vector<LogRow> &rows) const
{
    // Each statement carries a slice of the batch as five arrays, bound as text; the server
    // unpacks them into rows, which costs far less than one bound value per column and row.
    constexpr size_t RowsPerStatement = 20000;
    QSqlQuery q(db);
    if (!q.prepare(
            QStringLiteral("INSERT INTO SAVEDATA (STATION, SEQ, READTIME, READVALUE, PROTYPE, ADDRESS) "
                           "SELECT ?::text, * FROM unnest(?::bigint[], ?::text[], ?::text[], ?::text[], "
                           "?::integer[]) ON CONFLICT (STATION, SEQ) DO NOTHING")))
        return q.lastError();
    TimeTexts times;
    qint64 lastSecs = 0;
    QString lastTime;
    for (size_t from = 0; from < rows.size(); from += RowsPerStatement) {
        ArrayText seq, time, value, name, address;
        const size_t end = std::min(rows.size(), from + RowsPerStatement);
        for (size_t i = from; i < end; ++i) {
            const LogRow &r = rows[i];
            if (lastTime.isEmpty() || r.readTime != lastSecs) {
                lastSecs = r.readTime;
                lastTime = times.text(r.readTime);
            }
            seq.add(r.seq);
            time.add(lastTime);
            value.add(QString::number(r.value));
            name.add(r.protype);
            address.add(r.address);
        }
        q.bindValue(0, m_log.station);
        q.bindValue(1, seq.text());
        q.bindValue(2, time.text());
        q.bindValue(3, value.text());
        q.bindValue(4, name.text());
        q.bindValue(5, address.text());
        if (!q.exec()) {
            // Rolled back here, so the statement is released outside the failed transaction.
            const QSqlError e = q.lastError();
            db.rollback();
            return e;
        }
    }
    return {};
}

} // namespace

std::optional<QString> sharedLogProblem(const QString &url)
{
    if (parse(url))
        return std::nullopt;
    return tr8(ReasonBadUrl).arg(url);
}

std::shared_ptr<const Engine> postgresEngine(const SharedLog &log)
{
    const std::optional<Address> a = parse(log.url);
    return std::make_shared<PostgresEngine>(log, a ? *a : Address{});
}

} // namespace kestrel::db

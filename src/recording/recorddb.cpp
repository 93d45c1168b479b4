#include "recorddb.h"
#include "common/tr8.h"

#include "recording/dbconnection.h"
#include "recording/engine.h"
#include "recording/rowwriter.h"
#include "recording/texts.h"
#include "recording/timetext.h"

#include <QDir>
#include <QSysInfo>
#include <algorithm>

namespace kestrel {

using db::Connection;
using namespace texts::recording;

namespace {

bool validAddress(int address)
{
    return address >= 1 && address <= 255;
}

} // namespace

RecordDb::Scope RecordDb::own(const QString &condition, const QVariantList &values,
                              const QString &station) const
{
    if (!shared())
        return {condition, values};
    QVariantList v{station.isEmpty() ? m_shared.station : station};
    v += values;
    return {condition.isEmpty() ? QStringLiteral("STATION = ?")
                                : QStringLiteral("STATION = ? AND ") + condition,
            v};
}

DbStatus RecordDb::updateRow(int address, const QString &set, const QVariantList &values) const
{
    Connection c(*m_engine);
    if (!validAddress(address))
        return DbStatus::failure(c.failure(QSqlError(tr8(ReasonBadAddress).arg(address))));
    if (DbStatus s = c.open(); !s.ok)
        return s;
    QSqlQuery q = c.query();
    const Scope w = own(QStringLiteral("ADDRESS = ?"), {address});
    if (DbStatus s =
            c.run(q, QStringLiteral("UPDATE SAVEPRO SET ") + set + QStringLiteral(" WHERE ") + w.condition,
                  values + w.values);
        !s.ok)
        return s;
    if (q.numRowsAffected() < 1)
        return DbStatus::failure(c.failure(QSqlError(tr8(ReasonNoAddressRow).arg(address))));
    return {};
}

AliasListResult RecordDb::aliasRows(const QString &nullText, const QString &station) const
{
    AliasListResult r;
    Connection c(*m_engine);
    if (DbStatus s = c.open(); !s.ok)
        return {false, s.error, {}};
    QSqlQuery q = c.query();
    q.setForwardOnly(true);
    const Scope w = own({}, {}, station);
    const QString where = w.condition.isEmpty() ? QString() : QStringLiteral(" WHERE ") + w.condition;
    if (DbStatus s = c.run(q,
                           QStringLiteral("SELECT ADDRESS, ALIAS FROM SAVEPRO") + where +
                               QStringLiteral(" ORDER BY ADDRESS"),
                           w.values);
        !s.ok)
        return {false, s.error, {}};
    r.value.reserve(255);
    while (q.next()) {
        const QVariant alias = q.value(1);
        r.value.push_back({q.value(0).toInt(), alias.isNull() ? nullText : alias.toString()});
    }
    if (q.lastError().isValid())
        return {false, c.failure(q.lastError()), {}};
    return r;
}

ReadingsResult RecordDb::readRange(const QString &condition, const QVariantList &values,
                                   const QString &order) const
{
    ReadingsResult r;
    Connection c(*m_engine);
    if (DbStatus s = c.open(); !s.ok)
        return {false, s.error, {}};
    QSqlQuery q = c.query();
    q.setForwardOnly(true);
    const Scope w = own(condition, values);
    if (DbStatus s =
            c.run(q,
                  QStringLiteral("SELECT READTIME, READVALUE, PROTYPE, ADDRESS FROM SAVEDATA WHERE ") +
                      w.condition + QStringLiteral(" ORDER BY ") + order,
                  w.values);
        !s.ok)
        return {false, s.error, {}};
    // The rows of one reading share their time: convert each distinct text once.
    TimeTexts times;
    QString lastText;
    QDateTime lastTime;
    while (q.next()) {
        const QString text = q.value(0).toString();
        if (text != lastText) {
            lastText = text;
            lastTime = times.parse(text);
        }
        r.value.push_back({lastTime, q.value(1).toString(), q.value(2).toString(), q.value(3).toInt()});
    }
    if (q.lastError().isValid())
        return {false, c.failure(q.lastError()), {}};
    return r;
}

RecordDb::RecordDb(const QString &dataFolder, const SharedLog &shared)
    : m_folder(dataFolder), m_path(QDir(dataFolder).filePath(QString::fromLatin1(FileName))),
      m_file(db::sqliteEngine(m_path)), m_engine(m_file)
{
    if (!shared.url.isEmpty()) {
        m_shared = {shared.url, shared.station.isEmpty() ? defaultStation() : shared.station};
        m_engine = db::postgresEngine(m_shared);
    }
}

bool RecordDb::shared() const
{
    return m_engine->shared();
}

std::optional<QString> RecordDb::sharedLogProblem(const QString &url)
{
    return db::sharedLogProblem(url);
}

QString RecordDb::defaultStation()
{
    const QString host = QSysInfo::machineHostName();
    return host.isEmpty() ? QStringLiteral("kestrel") : host;
}

QString RecordDb::shownName() const
{
    return m_engine->shownName();
}

QString RecordDb::exportPath() const
{
    return QDir(m_folder).filePath(QStringLiteral("export/address.txt"));
}

QString RecordDb::timeText(const QDateTime &t)
{
    return t.toLocalTime().toString(QString::fromLatin1(TimeFormat));
}

DbStatus RecordDb::check() const
{
    Connection c(*m_engine);
    return c.open();
}

DbStatus RecordDb::setAlias(int address, const QString &alias) const
{
    return updateRow(address, QStringLiteral("ALIAS = ?"), {alias});
}

DbStatus RecordDb::setCodes(int address, uint8_t mixpro, uint8_t protype) const
{
    return updateRow(address, QStringLiteral("MIXPRO = ?, PROTYPE = ?"), {int(mixpro), int(protype)});
}

AliasResult RecordDb::readAlias(int address) const
{
    Connection c(*m_engine);
    if (DbStatus s = c.open(); !s.ok)
        return {false, s.error, {}};
    QSqlQuery q = c.query();
    const Scope w = own(QStringLiteral("ADDRESS = ?"), {address});
    if (DbStatus s = c.run(q, QStringLiteral("SELECT ALIAS FROM SAVEPRO WHERE ") + w.condition, w.values);
        !s.ok)
        return {false, s.error, {}};
    if (!q.next())
        return {false, c.failure(QSqlError(tr8(ReasonNoAddressRow).arg(address))), {}};
    const QVariant v = q.value(0);
    return {true, {}, v.isNull() ? std::nullopt : std::optional<QString>(v.toString())};
}

AliasListResult RecordDb::loadAliases() const
{
    return aliasRows(QStringLiteral(" "), {});
}

AliasListResult RecordDb::deviceList(const QString &station) const
{
    return aliasRows(QString(), station);
}

Result<QStringList> RecordDb::stations() const
{
    if (!shared())
        return {true, {}, {m_shared.station}};
    Connection c(*m_engine);
    if (DbStatus s = c.open(); !s.ok)
        return {false, s.error, {}};
    QSqlQuery q = c.query();
    q.setForwardOnly(true);
    if (DbStatus s = c.run(q, QStringLiteral("SELECT DISTINCT STATION FROM SAVEPRO ORDER BY STATION")); !s.ok)
        return {false, s.error, {}};
    Result<QStringList> r;
    while (q.next())
        r.value << q.value(0).toString();
    return r;
}

DbStatus RecordDb::appendReadings(const std::vector<LogRow> &rows) const
{
    if (rows.empty())
        return {};
    if (shared() && rows.front().seq == 0) {
        // Readings not numbered by the reading log follow this station's last one.
        qint64 last = 0;
        if (DbStatus s = lastReadingId(last); !s.ok)
            return s;
        std::vector<LogRow> numbered = rows;
        for (LogRow &r : numbered)
            r.seq = ++last;
        return appendReadings(numbered);
    }
    Connection c(*m_engine);
    if (DbStatus s = c.open(); !s.ok)
        return s;
    QSqlDatabase &d = c.db();
    m_engine->prepareBatch(d);
    if (!d.transaction())
        return c.fail(d.lastError());
    DbStatus s;
    if (const QSqlError e = m_engine->insertReadings(d, rows); e.isValid())
        s = c.fail(e);
    if (s.ok && !d.commit())
        s = c.fail(d.lastError());
    if (!s.ok)
        d.rollback();
    return s;
}

DbStatus RecordDb::lastReadingId(qint64 &id) const
{
    id = 0;
    Connection c(*m_engine);
    if (DbStatus s = c.open(); !s.ok)
        return s;
    QSqlQuery q = c.query();
    const Scope w = own({}, {});
    const DbStatus s =
        shared() ? c.run(q, QStringLiteral("SELECT max(SEQ) FROM SAVEDATA WHERE ") + w.condition, w.values)
                 : c.run(q, QStringLiteral("SELECT max(rowid) FROM SAVEDATA"));
    if (!s.ok)
        return s;
    if (q.next())
        id = q.value(0).toLongLong();
    return {};
}

DbStatus RecordDb::landed(qint64 first, qint64 rows, bool &all) const
{
    all = false;
    if (!shared()) {
        // Rows are only appended: the file holds them when its last row id reaches theirs.
        qint64 last = 0;
        const DbStatus s = lastReadingId(last);
        all = s.ok && last >= first + rows - 1;
        return s;
    }
    Connection c(*m_engine);
    if (DbStatus s = c.open(); !s.ok)
        return s;
    QSqlQuery q = c.query();
    const Scope w = own(QStringLiteral("SEQ >= ? AND SEQ < ?"), {first, first + rows});
    if (DbStatus s = c.run(q, QStringLiteral("SELECT count(*) FROM SAVEDATA WHERE ") + w.condition, w.values);
        !s.ok)
        return s;
    all = q.next() && q.value(0).toLongLong() == rows;
    return {};
}

ReadingsResult RecordDb::readings(const QDateTime &from, const QDateTime &to) const
{
    if (!from.isValid() || !to.isValid())
        return {false, m_engine->failure(QSqlError(tr8(ReasonBadDate))), {}};
    // One index on (ADDRESS, READTIME) serves both range queries: walking the addresses 1..255
    // turns this one into 255 short index ranges that come out already in order. A second
    // index on READTIME alone would double the cost of every flush.
    return readRange(m_engine->addressesFrom() + QStringLiteral(" AND READTIME >= ? AND READTIME < ?"),
                     {1, timeText(from), timeText(to)}, QStringLiteral("ADDRESS, READTIME"));
}

ReadingsResult RecordDb::readings(int address, const QDateTime &from, const QDateTime &to) const
{
    if (!from.isValid() || !to.isValid())
        return {false, m_engine->failure(QSqlError(tr8(ReasonBadDate))), {}};
    return readRange(QStringLiteral("ADDRESS = ? AND READTIME >= ? AND READTIME < ?"),
                     {address, timeText(from), timeText(to)}, QStringLiteral("READTIME"));
}

} // namespace kestrel

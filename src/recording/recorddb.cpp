#include "recorddb.h"
#include "common/tr8.h"

#include "recording/dbconnection.h"
#include "recording/rowwriter.h"
#include "recording/texts.h"
#include "recording/timetext.h"

#include <QDir>
#include <algorithm>

namespace kestrel {

using db::Connection;
using namespace texts::recording;

namespace {

bool validAddress(int address)
{
    return address >= 1 && address <= 255;
}

DbStatus updateRow(const QString &path, int address, const QString &sql, const QVariantList &values)
{
    Connection c(path);
    if (!validAddress(address))
        return DbStatus::failure(c.failure(QSqlError(tr8(ReasonBadAddress).arg(address))));
    if (DbStatus s = c.open(); !s.ok)
        return s;
    QSqlQuery q = c.query();
    if (DbStatus s = c.run(q, sql, values); !s.ok)
        return s;
    if (q.numRowsAffected() < 1)
        return DbStatus::failure(c.failure(QSqlError(tr8(ReasonNoAddressRow).arg(address))));
    return {};
}

AliasListResult aliasRows(const QString &path, const QString &nullText)
{
    AliasListResult r;
    Connection c(path);
    if (DbStatus s = c.open(); !s.ok)
        return {false, s.error, {}};
    QSqlQuery q = c.query();
    q.setForwardOnly(true);
    if (DbStatus s = c.run(q, QStringLiteral("SELECT ADDRESS, ALIAS FROM SAVEPRO ORDER BY ADDRESS")); !s.ok)
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

ReadingsResult readRange(const QString &path, const QString &sql, const QVariantList &values)
{
    ReadingsResult r;
    Connection c(path);
    if (DbStatus s = c.open(); !s.ok)
        return {false, s.error, {}};
    QSqlQuery q = c.query();
    q.setForwardOnly(true);
    if (DbStatus s = c.run(q, sql, values); !s.ok)
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

} // namespace

RecordDb::RecordDb(const QString &dataFolder)
    : m_folder(dataFolder), m_path(QDir(dataFolder).filePath(QString::fromLatin1(FileName)))
{
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
    Connection c(m_path);
    return c.open();
}

DbStatus RecordDb::setAlias(int address, const QString &alias) const
{
    return updateRow(m_path, address, QStringLiteral("UPDATE SAVEPRO SET ALIAS = ? WHERE ADDRESS = ?"),
                     {alias, address});
}

DbStatus RecordDb::setCodes(int address, uint8_t mixpro, uint8_t protype) const
{
    return updateRow(m_path, address,
                     QStringLiteral("UPDATE SAVEPRO SET MIXPRO = ?, PROTYPE = ? WHERE ADDRESS = ?"),
                     {int(mixpro), int(protype), address});
}

AliasResult RecordDb::readAlias(int address) const
{
    Connection c(m_path);
    if (DbStatus s = c.open(); !s.ok)
        return {false, s.error, {}};
    QSqlQuery q = c.query();
    if (DbStatus s = c.run(q, QStringLiteral("SELECT ALIAS FROM SAVEPRO WHERE ADDRESS = ?"), {address});
        !s.ok)
        return {false, s.error, {}};
    if (!q.next())
        return {false, c.failure(QSqlError(tr8(ReasonNoAddressRow).arg(address))), {}};
    const QVariant v = q.value(0);
    return {true, {}, v.isNull() ? std::nullopt : std::optional<QString>(v.toString())};
}

AliasListResult RecordDb::loadAliases() const
{
    return aliasRows(m_path, QStringLiteral(" "));
}

AliasListResult RecordDb::deviceList() const
{
    return aliasRows(m_path, QString());
}

DbStatus RecordDb::appendReadings(const std::vector<LogRow> &rows) const
{
    if (rows.empty())
        return {};
    Connection c(m_path);
    if (DbStatus s = c.open(); !s.ok)
        return s;
    QSqlDatabase &d = c.db();
    QSqlQuery q = c.query();
    // A big batch touches many index pages; the default cache of 2 MB would spill to the file.
    q.exec(QStringLiteral("PRAGMA cache_size = -65536"));
    if (!d.transaction())
        return c.fail(d.lastError());
    DbStatus s;
    if (const QSqlError e = db::insertReadings(d, rows); e.isValid())
        s = c.fail(e);
    q.finish();
    if (s.ok && !d.commit())
        s = c.fail(d.lastError());
    if (!s.ok)
        d.rollback();
    return s;
}

DbStatus RecordDb::lastReadingId(qint64 &id) const
{
    id = 0;
    Connection c(m_path);
    if (DbStatus s = c.open(); !s.ok)
        return s;
    QSqlQuery q = c.query();
    if (DbStatus s = c.run(q, QStringLiteral("SELECT max(rowid) FROM SAVEDATA")); !s.ok)
        return s;
    if (q.next())
        id = q.value(0).toLongLong();
    return {};
}

ReadingsResult RecordDb::readings(const QDateTime &from, const QDateTime &to) const
{
    if (!from.isValid() || !to.isValid())
        return {false, tr8(DbFailed).arg(QDir::toNativeSeparators(m_path), tr8(ReasonBadDate)), {}};
    return readRange(m_path,
                     // One index on (ADDRESS, READTIME) serves both range queries: walking the
                     // addresses 1..255 turns this one into 255 short index ranges that come out
                     // already in order. A second index on READTIME alone would double the cost
                     // of every flush.
                     QStringLiteral("SELECT READTIME, READVALUE, PROTYPE, ADDRESS FROM SAVEDATA "
                                    "WHERE ADDRESS IN (WITH RECURSIVE a(n) AS (SELECT 1 UNION ALL "
                                    "SELECT n + 1 FROM a WHERE n < 255) SELECT n FROM a) "
                                    "AND READTIME >= ? AND READTIME < ? ORDER BY ADDRESS, READTIME"),
                     {timeText(from), timeText(to)});
}

ReadingsResult RecordDb::readings(int address, const QDateTime &from, const QDateTime &to) const
{
    if (!from.isValid() || !to.isValid())
        return {false, tr8(DbFailed).arg(QDir::toNativeSeparators(m_path), tr8(ReasonBadDate)), {}};
    return readRange(m_path,
                     QStringLiteral("SELECT READTIME, READVALUE, PROTYPE, ADDRESS FROM SAVEDATA "
                                    "WHERE ADDRESS = ? AND READTIME >= ? AND READTIME < ? ORDER BY READTIME"),
                     {address, timeText(from), timeText(to)});
}

} // namespace kestrel

// The history dialog's reads of SAVEDATA: a snapshot (count and last row id) and keyset pages.
// Every statement runs on the one index (ADDRESS, READTIME), whose entries carry the row id, so
// "address, time, row id" is the index's own order: no statement sorts, and a page costs the
// same near the end of a large result as at its start.
#include "common/tr8.h"
#include "recording/dbconnection.h"
#include "recording/engine.h"
#include "recording/recorddb.h"
#include "recording/texts.h"

#include <QDir>
#include <limits>

namespace kestrel {

using db::Connection;
using namespace texts::recording;

namespace {

bool validQuery(const ReadingQuery &q)
{
    return q.from.isValid() && q.to.isValid();
}

// Appends the rows of an executed query (row id, time, value, type, address) to `out`. The
// rows of one reading share their time text, so consecutive equal texts share one string.
void collect(QSqlQuery &q, std::vector<LoggedReading> &out)
{
    QString lastTime;
    while (q.next()) {
        LoggedReading r;
        r.rowId = q.value(0).toLongLong();
        r.readTime = q.value(1).toString();
        if (r.readTime == lastTime)
            r.readTime = lastTime;
        else
            lastTime = r.readTime;
        r.readValue = q.value(2).toString();
        r.protype = q.value(3).toString();
        r.address = q.value(4).toInt();
        out.push_back(std::move(r));
    }
}

} // namespace

SnapshotResult RecordDb::snapshot(const ReadingQuery &query) const
{
    if (!validQuery(query))
        return {false, m_engine->failure(QSqlError(tr8(ReasonBadDate))), {}};
    Connection c(*m_engine);
    if (DbStatus s = c.open(); !s.ok)
        return {false, s.error, {}};
    SnapshotResult r;
    r.value.query = query;
    QSqlQuery q = c.query();
    q.setForwardOnly(true);
    const QString id = m_engine->rowId();
    // Rows are only ever appended, so every row logged after this has a larger row id (on a
    // shared log: a larger number among the station's readings).
    const Scope all = own({}, {}, query.station);
    if (DbStatus s =
            c.run(q,
                  QStringLiteral("SELECT MAX(%1) FROM SAVEDATA").arg(id) +
                      (all.condition.isEmpty() ? QString() : QStringLiteral(" WHERE ") + all.condition),
                  all.values);
        !s.ok)
        return {false, s.error, {}};
    r.value.lastRowId = q.next() ? q.value(0).toLongLong() : 0;
    const QString from = timeText(query.from), to = timeText(query.to);
    const QString range = QStringLiteral(" AND READTIME >= ? AND READTIME < ? AND %1 <= ?").arg(id);
    const Scope w = query.address == 0 ? own(m_engine->addressesFrom() + range,
                                             {1, from, to, r.value.lastRowId}, query.station)
                                       : own(QStringLiteral("ADDRESS = ?") + range,
                                             {query.address, from, to, r.value.lastRowId}, query.station);
    if (DbStatus s = c.run(q, QStringLiteral("SELECT COUNT(*) FROM SAVEDATA WHERE ") + w.condition, w.values);
        !s.ok)
        return {false, s.error, {}};
    r.value.count = q.next() ? q.value(0).toLongLong() : 0;
    return r;
}

PageResult RecordDb::readingsPage(const ReadingSnapshot &snap, const LoggedReading *after, int limit) const
{
    const ReadingQuery &query = snap.query;
    if (!validQuery(query))
        return {false, m_engine->failure(QSqlError(tr8(ReasonBadDate))), {}};
    PageResult r;
    if (limit <= 0)
        return r;
    Connection c(*m_engine);
    if (DbStatus s = c.open(); !s.ok)
        return {false, s.error, {}};
    const QString from = timeText(query.from), to = timeText(query.to);
    QSqlQuery q = c.query();
    q.setForwardOnly(true);
    const QString id = m_engine->rowId();
    const QString columns =
        QStringLiteral("SELECT %1, READTIME, READVALUE, PROTYPE, ADDRESS FROM SAVEDATA WHERE ").arg(id);

    // The rest of the address of the last row: later in time, or at the same time a later row.
    const int current = after ? after->address : query.address;
    if (current != 0) {
        const QString since = after ? after->readTime : from;
        const qint64 lastId = after ? after->rowId : std::numeric_limits<qint64>::min();
        const Scope w = own(QStringLiteral("ADDRESS = ? AND READTIME >= ? AND READTIME < ? "
                                           "AND (READTIME > ? OR %1 > ?) AND %1 <= ?")
                                .arg(id),
                            {current, since, to, since, lastId, snap.lastRowId}, query.station);
        if (DbStatus s =
                c.run(q, columns + w.condition + QStringLiteral(" ORDER BY READTIME, %1 LIMIT ?").arg(id),
                      w.values + QVariantList{limit});
            !s.ok)
            return {false, s.error, {}};
        collect(q, r.value);
        if (q.lastError().isValid())
            return {false, c.failure(q.lastError()), {}};
    }
    // Then, for all devices, the addresses after it.
    const int left = limit - int(r.value.size());
    if (query.address == 0 && left > 0) {
        const Scope w = own(m_engine->addressesFrom() +
                                QStringLiteral(" AND READTIME >= ? AND READTIME < ? AND %1 <= ?").arg(id),
                            {current + 1, from, to, snap.lastRowId}, query.station);
        if (DbStatus s = c.run(
                q, columns + w.condition + QStringLiteral(" ORDER BY ADDRESS, READTIME, %1 LIMIT ?").arg(id),
                w.values + QVariantList{left});
            !s.ok)
            return {false, s.error, {}};
        collect(q, r.value);
        if (q.lastError().isValid())
            return {false, c.failure(q.lastError()), {}};
    }
    return r;
}

} // namespace kestrel

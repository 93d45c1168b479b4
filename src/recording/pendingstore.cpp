#include "pendingstore.h"
#include "common/tr8.h"

#include "common/log.h"
#include "recording/dbconnection.h"
#include "recording/texts.h"

#include <QDir>
#include <QFileInfo>
#include <sqlite3.h>

namespace kestrel {

using namespace texts::recording;

namespace {

constexpr const char *Schema =
    "CREATE TABLE IF NOT EXISTS PENDING (SEQ INTEGER PRIMARY KEY, GEN INTEGER NOT NULL, "
    "SLOT INTEGER NOT NULL, READTIME INTEGER NOT NULL, READVALUE INTEGER NOT NULL, "
    "PROTYPE TEXT NOT NULL, ADDRESS INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS MOVE (ID INTEGER PRIMARY KEY CHECK (ID = 1), "
    "GEN INTEGER NOT NULL, BEFORE INTEGER NOT NULL, ROWS INTEGER NOT NULL);";

// Finalized on every way out.
struct Query {
    Query(sqlite3 *db, const char *sql) { code = sqlite3_prepare_v2(db, sql, -1, &st, nullptr); }
    ~Query() { sqlite3_finalize(st); }
    Query(const Query &) = delete;
    Query &operator=(const Query &) = delete;
    sqlite3_stmt *st = nullptr;
    int code = SQLITE_OK;
};

} // namespace

PendingStore::PendingStore(const QString &dataFolder, Sync sync)
    : m_path(QDir(dataFolder).filePath(QString::fromLatin1(FileName))), m_sync(sync)
{
}

PendingStore::~PendingStore()
{
    close();
}

bool PendingStore::exists() const
{
    return QFileInfo::exists(m_path);
}

void PendingStore::close()
{
    sqlite3_finalize(m_insert);
    m_insert = nullptr;
    sqlite3_close(m_db);
    m_db = nullptr;
}

DbStatus PendingStore::failure(int code)
{
    const int extended = m_db ? sqlite3_extended_errcode(m_db) : code;
    const QString engine = tr8(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(code));
    const QString text = tr8(DbFailed).arg(
        QDir::toNativeSeparators(m_path),
        db::reason(QSqlError(QString(), engine, QSqlError::StatementError, QString::number(extended))));
    appendLog(text);
    // A handle that failed is opened afresh next time: the disk may have room again by then.
    if (m_db && sqlite3_get_autocommit(m_db) == 0)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    return DbStatus::failure(text);
}

DbStatus PendingStore::exec(const char *sql)
{
    const int code = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    return code == SQLITE_OK ? DbStatus{} : failure(code);
}

DbStatus PendingStore::ensureOpen()
{
    if (m_db)
        return {};
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    const int code =
        sqlite3_open_v2(m_path.toUtf8().constData(), &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    DbStatus s = code == SQLITE_OK ? DbStatus{} : failure(code);
    // Nothing else opens the file: no lock is waited for, and WAL keeps a landing to one append.
    // One connection, held for the run: a second program on the same data folder cannot take
    // the file from under it.
    if (s.ok)
        s = exec("PRAGMA locking_mode = EXCLUSIVE");
    if (s.ok)
        s = exec("PRAGMA journal_mode = WAL");
    if (s.ok)
        s = exec(m_sync == Sync::Full ? "PRAGMA synchronous = FULL" : "PRAGMA synchronous = NORMAL");
    if (s.ok)
        s = exec(Schema);
    if (s.ok) {
        const int c =
            sqlite3_prepare_v2(m_db,
                               "INSERT INTO PENDING (GEN, SLOT, READTIME, READVALUE, PROTYPE, ADDRESS) "
                               "VALUES (?, ?, ?, ?, ?, ?)",
                               -1, &m_insert, nullptr);
        if (c != SQLITE_OK)
            s = failure(c);
    }
    if (!s.ok)
        close();
    return s;
}

DbStatus PendingStore::land(int generation, int slot, const std::vector<LogRow> &rows)
{
    if (rows.empty())
        return {};
    if (DbStatus s = ensureOpen(); !s.ok)
        return s;
    if (DbStatus s = exec("BEGIN"); !s.ok)
        return s;
    for (const LogRow &r : rows) {
        const QByteArray name = r.protype.toUtf8();
        sqlite3_bind_int(m_insert, 1, generation);
        sqlite3_bind_int(m_insert, 2, slot);
        sqlite3_bind_int64(m_insert, 3, r.readTime);
        sqlite3_bind_int(m_insert, 4, r.value);
        sqlite3_bind_text(m_insert, 5, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(m_insert, 6, r.address);
        const int code = sqlite3_step(m_insert);
        sqlite3_reset(m_insert);
        if (code != SQLITE_DONE) {
            DbStatus s = failure(code);
            close();
            return s;
        }
    }
    DbStatus s = exec("COMMIT");
    if (!s.ok)
        close();
    return s;
}

DbStatus PendingStore::all(std::vector<LogRow> &rows, int *lastGeneration)
{
    rows.clear();
    *lastGeneration = 0;
    if (DbStatus s = ensureOpen(); !s.ok)
        return s;
    Query q(m_db, "SELECT READTIME, READVALUE, PROTYPE, ADDRESS, GEN FROM PENDING "
                  "ORDER BY GEN, ADDRESS, SLOT, SEQ");
    if (q.code != SQLITE_OK)
        return failure(q.code);
    int code;
    while ((code = sqlite3_step(q.st)) == SQLITE_ROW) {
        const auto *name = reinterpret_cast<const char *>(sqlite3_column_text(q.st, 2));
        rows.push_back({sqlite3_column_int64(q.st, 0), uint16_t(sqlite3_column_int(q.st, 1)),
                        sqlite3_column_int(q.st, 3), QString::fromUtf8(name)});
        *lastGeneration = sqlite3_column_int(q.st, 4);
    }
    if (code != SQLITE_DONE)
        return failure(code);
    Query g(m_db, "SELECT max(GEN) FROM (SELECT GEN FROM PENDING UNION ALL SELECT GEN FROM MOVE)");
    if (g.code == SQLITE_OK && sqlite3_step(g.st) == SQLITE_ROW)
        *lastGeneration = sqlite3_column_int(g.st, 0);
    return {};
}

qint64 PendingStore::count()
{
    if (!ensureOpen().ok)
        return -1;
    Query q(m_db, "SELECT count(*) FROM PENDING");
    if (q.code != SQLITE_OK || sqlite3_step(q.st) != SQLITE_ROW)
        return -1;
    return sqlite3_column_int64(q.st, 0);
}

DbStatus PendingStore::dropAfter(int generation, int cycles)
{
    if (!m_db && !exists())
        return {}; // nothing was ever landed
    if (DbStatus s = ensureOpen(); !s.ok)
        return s;
    Query q(m_db, "DELETE FROM PENDING WHERE GEN = ? AND SLOT > ?");
    if (q.code != SQLITE_OK)
        return failure(q.code);
    sqlite3_bind_int(q.st, 1, generation);
    sqlite3_bind_int(q.st, 2, cycles);
    const int code = sqlite3_step(q.st);
    return code == SQLITE_DONE ? DbStatus{} : failure(code);
}

DbStatus PendingStore::markMove(const Move &m)
{
    if (!m_db && !exists())
        return {}; // nothing was ever landed
    if (DbStatus s = ensureOpen(); !s.ok)
        return s;
    Query q(m_db, "INSERT OR REPLACE INTO MOVE (ID, GEN, BEFORE, ROWS) VALUES (1, ?, ?, ?)");
    if (q.code != SQLITE_OK)
        return failure(q.code);
    sqlite3_bind_int(q.st, 1, m.generation);
    sqlite3_bind_int64(q.st, 2, m.before);
    sqlite3_bind_int64(q.st, 3, m.rows);
    const int code = sqlite3_step(q.st);
    return code == SQLITE_DONE ? DbStatus{} : failure(code);
}

std::optional<PendingStore::Move> PendingStore::move()
{
    if (!ensureOpen().ok)
        return std::nullopt;
    Query q(m_db, "SELECT GEN, BEFORE, ROWS FROM MOVE WHERE ID = 1");
    if (q.code != SQLITE_OK || sqlite3_step(q.st) != SQLITE_ROW)
        return std::nullopt;
    return Move{sqlite3_column_int(q.st, 0), sqlite3_column_int64(q.st, 1), sqlite3_column_int64(q.st, 2)};
}

DbStatus PendingStore::finishMove(int generation)
{
    if (!m_db && !exists())
        return {}; // nothing was ever landed
    if (DbStatus s = ensureOpen(); !s.ok)
        return s;
    if (DbStatus s = exec("BEGIN"); !s.ok)
        return s;
    // Mostly nothing newer is pending: then the whole table goes at once (SQLite drops its pages
    // instead of deleting row by row, which a full buffer would pay for with 15 MB of log).
    Query newer(m_db, "SELECT 1 FROM PENDING WHERE GEN > ? LIMIT 1");
    if (newer.code != SQLITE_OK)
        return failure(newer.code);
    sqlite3_bind_int(newer.st, 1, generation);
    const int found = sqlite3_step(newer.st);
    if (found != SQLITE_ROW && found != SQLITE_DONE)
        return failure(found);
    sqlite3_reset(newer.st); // no read left open on the table it empties
    Query q(m_db, found == SQLITE_DONE ? "DELETE FROM PENDING" : "DELETE FROM PENDING WHERE GEN <= ?");
    if (q.code != SQLITE_OK)
        return failure(q.code);
    if (found == SQLITE_ROW)
        sqlite3_bind_int(q.st, 1, generation);
    if (const int code = sqlite3_step(q.st); code != SQLITE_DONE)
        return failure(code);
    if (DbStatus s = exec("DELETE FROM MOVE"); !s.ok)
        return s;
    return exec("COMMIT");
}

} // namespace kestrel

#include "rowwriter.h"
#include "common/tr8.h"

#include "recording/timetext.h"

#include <QByteArray>
#include <QSqlDriver>
#include <QVariant>
#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <deque>
#include <memory>
#include <sqlite3.h>

namespace kestrel::db {

namespace {

constexpr int RowsPerStatement = 32;

QSqlError engineError(sqlite3 *handle, int code)
{
    const int extended = handle ? sqlite3_extended_errcode(handle) : code;
    const QString text = QString::fromUtf8(handle ? sqlite3_errmsg(handle) : sqlite3_errstr(code));
    return QSqlError(QStringLiteral("reading log insert"), text, QSqlError::StatementError,
                     QString::number(extended));
}

// The prepared statement, finalized on every way out.
class Statement {
public:
    Statement(sqlite3 *handle, const char *sql)
    {
        m_code = sqlite3_prepare_v2(handle, sql, -1, &m_stmt, nullptr);
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    int code() const { return m_code; }
    sqlite3_stmt *get() const { return m_stmt; }

private:
    sqlite3_stmt *m_stmt = nullptr;
    int m_code = SQLITE_OK;
};

// The UTF-8 bytes of each PROTYPE name; a batch has a handful of distinct names. The bytes are
// bound without a copy, so they stay where they are while names are added.
class NameBytes {
public:
    const QByteArray &of(const QString &name)
    {
        for (const auto &[text, bytes] : m_names) {
            if (text == name)
                return bytes;
        }
        m_names.emplace_back(name, name.toUtf8());
        return m_names.back().second;
    }

private:
    std::deque<std::pair<QString, QByteArray>> m_names;
};

std::unique_ptr<Statement> prepareInsert(sqlite3 *handle, int rows)
{
    QByteArray sql = "INSERT INTO SAVEDATA (READTIME, READVALUE, PROTYPE, ADDRESS) VALUES ";
    for (int i = 0; i < rows; ++i)
        sql += i == 0 ? "(?,?,?,?)" : ",(?,?,?,?)";
    return std::make_unique<Statement>(handle, sql.constData());
}

} // namespace

QSqlError insertReadings(QSqlDatabase &db, const std::vector<LogRow> &rows)
{
    const QVariant v = db.driver()->handle();
    sqlite3 *handle = nullptr;
    if (v.isValid() && qstrcmp(v.typeName(), "sqlite3*") == 0)
        handle = *static_cast<sqlite3 *const *>(v.constData());
    if (!handle)
        return QSqlError(QStringLiteral("reading log insert"), QStringLiteral("no SQLite handle"),
                         QSqlError::ConnectionError);

    // One statement carries up to RowsPerStatement rows: SQLite's cost of running a statement
    // (opening its cursors, locking, halting) is then shared, which halves the time per row.
    // The rows of a VALUES list go in in the order written.
    const std::unique_ptr<Statement> full = prepareInsert(handle, RowsPerStatement);
    if (full->code() != SQLITE_OK)
        return engineError(handle, full->code());
    std::unique_ptr<Statement> tail;

    // The bytes each parameter is bound from stay put until the statement has run.
    struct Slot {
        char time[20];
        int timeLength;
        char value[8];
        int valueLength;
    };
    std::array<Slot, RowsPerStatement> bound;

    // The rows of one reading share their time: its text is built once.
    TimeTexts times;
    qint64 lastSecs = 0;
    QByteArray timeBytes;
    QString timeText;
    NameBytes names;
    for (size_t from = 0; from < rows.size(); from += RowsPerStatement) {
        const int count = int(std::min<size_t>(RowsPerStatement, rows.size() - from));
        Statement *statement = full.get();
        if (count < RowsPerStatement) {
            tail = prepareInsert(handle, count);
            if (tail->code() != SQLITE_OK)
                return engineError(handle, tail->code());
            statement = tail.get();
        }
        sqlite3_stmt *st = statement->get();
        int code = SQLITE_OK;
        for (int j = 0; j < count && code == SQLITE_OK; ++j) {
            const LogRow &r = rows[from + size_t(j)];
            if ((from == 0 && j == 0) || r.readTime != lastSecs) {
                lastSecs = r.readTime;
                timeText.clear();
                times.append(timeText, r.readTime);
                timeBytes = timeText.toLatin1();
            }
            Slot &slot = bound[size_t(j)];
            slot.timeLength = int(std::min<qsizetype>(timeBytes.size(), sizeof slot.time));
            std::memcpy(slot.time, timeBytes.constData(), size_t(slot.timeLength));
            const auto end = std::to_chars(slot.value, slot.value + sizeof slot.value, unsigned(r.value));
            slot.valueLength = int(end.ptr - slot.value);
            const QByteArray &name = names.of(r.protype);
            const int p = j * 4;
            code = sqlite3_bind_text(st, p + 1, slot.time, slot.timeLength, SQLITE_STATIC);
            if (code == SQLITE_OK)
                code = sqlite3_bind_text(st, p + 2, slot.value, slot.valueLength, SQLITE_STATIC);
            if (code == SQLITE_OK)
                code = sqlite3_bind_text(st, p + 3, name.constData(), int(name.size()), SQLITE_STATIC);
            if (code == SQLITE_OK)
                code = sqlite3_bind_int(st, p + 4, r.address);
        }
        if (code == SQLITE_OK)
            code = sqlite3_step(st);
        if (code != SQLITE_DONE)
            return engineError(handle, code);
        sqlite3_reset(st);
    }
    return {};
}

} // namespace kestrel::db

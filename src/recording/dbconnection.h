#pragma once
// The open–work–close pattern of the record data base: a connection of its own for each
// operation, opened by the engine (which first checks the file and, when it is missing,
// creates it), closed when the operation ends.
#include "recording/engine.h"
#include "recording/recorddb.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>

namespace kestrel::db {

// The longest an operation waits for a lock another connection holds on Record.mdb.
constexpr int BusyTimeoutMs = 100;

enum class FileKind { Missing, Empty, Sqlite, Access, Other, Unreadable, NotFile };

// What lies at `path`, judged by its header: SQLite files start with "SQLite format 3\0",
// Jet/ACE (Access) files with 00 01 00 00 and "Standard Jet DB" / "Standard ACE DB" at offset 4.
FileKind inspect(const QString &path);

// Column definitions of the registry, shared by the new file and the maintenance command.
extern const char *const RegistryColumns;

// A new file with SAVEPRO (addresses 1..255) and an empty SAVEDATA with its indexes. The
// file is built under a temporary name and moved into place, so a failed creation leaves
// no half-built Record.mdb behind.
DbStatus createFile(const QString &path);

// A connection name no other connection of this process has.
QString nextName();

// The operator's text for a failed statement (without the file name).
QString reason(const QSqlError &e);

class Connection {
public:
    explicit Connection(const Engine &engine);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Checks the file (creating it when missing or empty) or the server, and opens it.
    DbStatus open();
    QSqlDatabase &db() { return m_db; }
    QSqlQuery query() const { return QSqlQuery(m_db); }

    // "数据库文件 <path> 操作失败：<reason>" for a failed statement or transaction (logged).
    QString failure(const QSqlError &e) const;
    DbStatus fail(const QSqlError &e) const { return DbStatus::failure(failure(e)); }
    QString cannotOpen(const QString &why) const;

    // prepare + bind in order + exec; on failure the status carries the message.
    DbStatus run(QSqlQuery &q, const QString &sql, const QVariantList &values = {});

private:
    const Engine &m_engine;
    QString m_name;
    QSqlDatabase m_db;
};

} // namespace kestrel::db

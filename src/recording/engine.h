#pragma once
// What the record data base runs on. `RecordDb` holds every statement; an engine opens the
// connection (creating the tables it lacks), names the log for the operator, turns the engine's
// errors into the operator's words and appends a batch of readings the fastest way it has.
//
// Two engines: the SQLite file Record.mdb in the data folder (one station, the table layout it
// has always had) and a PostgreSQL data base shared by several stations, whose tables add the
// station's name to every row and a per-station sequence number to every reading.
#include "recording/recorddb.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace kestrel::db {

class Engine {
public:
    virtual ~Engine() = default;

    // True when several stations log into it; statements then keep to one station's rows.
    virtual bool shared() const = 0;
    // Where the log is, as the operator reads it: the file's path or the server's address.
    virtual QString shownName() const = 0;
    // Opens `db` as the connection `name`, first creating what is missing. On failure the
    // status carries the operator's message.
    virtual DbStatus open(QSqlDatabase &db, const QString &name) const = 0;
    // "… <where> 操作失败：<reason>" and "… <where> 无法打开：<why>".
    virtual QString failure(const QSqlError &e) const = 0;
    virtual QString cannotOpen(const QString &why) const = 0;
    // The column that numbers SAVEDATA's rows in the order they were logged.
    virtual QString rowId() const = 0;
    // A condition on ADDRESS: the addresses from the bound value up to 255, in a form the
    // engine walks as one short index range per address.
    virtual QString addressesFrom() const = 0;
    // Appends `rows` in order to SAVEDATA inside the transaction the caller opened; an invalid
    // QSqlError on success. On a shared log a row whose (station, sequence) is there already is
    // skipped, so a batch sent again after a lost connection lands once.
    virtual QSqlError insertReadings(QSqlDatabase &db, const std::vector<LogRow> &rows) const = 0;
    // Run on a connection before a large batch.
    virtual void prepareBatch(QSqlDatabase &) const {}
};

std::shared_ptr<const Engine> sqliteEngine(const QString &path);
// Why `url` cannot name a shared log, or nothing when it can.
std::optional<QString> sharedLogProblem(const QString &url);
// A PostgreSQL engine for `log` (its address already checked by `sharedLogProblem`).
std::shared_ptr<const Engine> postgresEngine(const SharedLog &log);

} // namespace kestrel::db

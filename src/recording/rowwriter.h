#pragma once
// Appends reading-log rows to SAVEDATA through SQLite's own interface on the handle of an
// open Qt connection. A full reading buffer is 382,500 rows; through QSqlQuery each row pays
// for four QVariants and a UTF-16 round trip, which costs more than SQLite's own work, so
// the rows are bound straight from the bytes they are built in.
#include "recording/recorddb.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <vector>

namespace kestrel::db {

// Inserts `rows` in order into SAVEDATA of `db`, which the caller has opened and put in a
// transaction. Returns an invalid QSqlError on success; on failure the error carries
// SQLite's message and extended code, and the caller rolls back.
QSqlError insertReadings(QSqlDatabase &db, const std::vector<LogRow> &rows);

} // namespace kestrel::db

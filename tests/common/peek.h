#pragma once
// A look into the record data base through a connection of the test's own, so that a test checks
// what Record.mdb (or the shared PostgreSQL data base of tests/common/pgserver.h) holds rather
// than what the data base class says it holds.
#include "recording/recorddb.h"

#include <QUrl>
#include <QtSql>

namespace kestrel::test {

// The rows of one statement, each as its columns joined by "|" (NULL as "<null>"); none when the
// statement fails.
inline QStringList query(const RecordDb &log, const QString &sql)
{
    QStringList rows;
    {
        const bool shared = log.shared();
        QSqlDatabase db = QSqlDatabase::addDatabase(shared ? "QPSQL" : "QSQLITE", "peek");
        if (shared) { // postgresql://kestrel@<socket folder>/<data base>, as PgServer::url writes it
            const QString url = log.sharedLog().url;
            const int at = url.indexOf('@'), slash = url.lastIndexOf('/');
            db.setUserName("kestrel");
            db.setHostName(QUrl::fromPercentEncoding(url.mid(at + 1, slash - at - 1).toUtf8()));
            db.setDatabaseName(url.mid(slash + 1));
        } else {
            db.setDatabaseName(log.filePath());
        }
        QSqlQuery q(db);
        if (db.open() && q.exec(sql))
            for (QStringList cols; q.next(); rows << cols.join('|'), cols.clear())
                for (int i = 0; i < q.record().count(); ++i)
                    cols << (q.value(i).isNull() ? "<null>" : q.value(i).toString());
    }
    QSqlDatabase::removeDatabase("peek");
    return rows;
}

} // namespace kestrel::test

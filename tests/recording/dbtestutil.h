#pragma once
// Direct looks into a Record.mdb file, through a connection of the test's own, so the tests
// check what the file holds rather than what the data base class says it holds.
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>
#include <functional>

namespace kestrel::test {

inline void withFile(const QString &path, const std::function<void(QSqlDatabase &)> &work)
{
    static int serial = 0;
    const QString name = QStringLiteral("test-peek-%1").arg(++serial);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open())
            work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// Runs one statement; returns false (and the error in *error) when it fails.
inline bool execSql(const QString &path, const QString &sql, QString *error = nullptr)
{
    bool ok = false;
    withFile(path, [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        ok = q.exec(sql);
        if (!ok && error)
            *error = q.lastError().text();
    });
    return ok;
}

// All rows of a query, each row as its columns joined by "|" (NULL shown as "<null>").
inline QStringList rowsOf(const QString &path, const QString &sql)
{
    QStringList rows;
    withFile(path, [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        if (!q.exec(sql)) {
            rows << QStringLiteral("<error> ") + q.lastError().text();
            return;
        }
        while (q.next()) {
            QStringList cols;
            for (int i = 0; i < q.record().count(); ++i)
                cols << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
            rows << cols.join(QLatin1Char('|'));
        }
    });
    return rows;
}

inline int countOf(const QString &path, const QString &table)
{
    const QStringList r = rowsOf(path, QStringLiteral("SELECT COUNT(*) FROM ") + table);
    return r.size() == 1 && !r.first().startsWith(QLatin1String("<error>")) ? r.first().toInt() : -1;
}

inline QStringList columnsOf(const QString &path, const QString &table)
{
    QStringList names;
    for (const QString &row : rowsOf(path, QStringLiteral("PRAGMA table_info(%1)").arg(table)))
        names << row.section(QLatin1Char('|'), 1, 1);
    return names;
}

} // namespace kestrel::test

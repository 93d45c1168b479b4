#pragma once
// A look into Record.mdb through a connection of the test's own, so that a test checks what the
// file holds rather than what the data base class says it holds.
#include "recording/recorddb.h"

#include <QtSql>

namespace kestrel::test {

// The rows of one statement on the file, each as its columns joined by "|" (NULL as "<null>");
// none when the statement fails.
inline QStringList query(const RecordDb &file, const QString &sql)
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "peek");
        db.setDatabaseName(file.filePath());
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

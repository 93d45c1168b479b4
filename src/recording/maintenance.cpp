// The maintenance commands of the record data base: export of the temperature rows, the
// registry table, and the two extra columns of Data_RH.
#include "recorddb.h"
#include "common/tr8.h"

#include "common/safefile.h"
#include "common/textfile.h"
#include "recording/dbconnection.h"
#include "recording/texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace kestrel {

using db::Connection;
using namespace texts::recording;

namespace {

MaintenanceResult failed(const QString &message)
{
    return MaintenanceResult::failure(message);
}

MaintenanceResult done(const QString &message)
{
    return {true, {}, message};
}

QString quoted(const QString &text)
{
    QString t = text;
    t.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + t + QLatin1Char('"');
}

// True when a table (or another object) of that name exists; SQLite names ignore ASCII case.
std::optional<bool> tableExists(Connection &c, const QString &name, QString *error)
{
    QSqlQuery q = c.query();
    const DbStatus s =
        c.run(q, QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = ? COLLATE NOCASE"), {name});
    if (!s.ok) {
        *error = s.error;
        return std::nullopt;
    }
    return q.next();
}

// The rows in the form the text export has always had: a header of the quoted column names,
// then one line per row; text quoted, the time and the address bare.
bool writeExport(QFile &f, QSqlQuery &q, int *rows)
{
    QStringList lines{QStringLiteral("\"READTIME\",\"READVALUE\",\"PROTYPE\",\"ADDRESS\"")};
    *rows = 0;
    while (q.next()) {
        lines << q.value(0).toString() + QLatin1Char(',') + quoted(q.value(1).toString()) + QLatin1Char(',') +
                     quoted(q.value(2).toString()) + QLatin1Char(',') +
                     QString::number(q.value(3).toLongLong());
        ++*rows;
        if (lines.size() >= 10000) {
            if (f.write(gbkLines(lines)) < 0)
                return false;
            lines.clear();
        }
    }
    return f.write(gbkLines(lines)) >= 0 && !q.lastError().isValid() && f.flush();
}

} // namespace

bool RecordDb::validTableName(const QString &name)
{
    static const QRegularExpression identifier(QStringLiteral("^[\\p{L}_][\\p{L}\\p{Nd}_]{0,63}$"));
    return identifier.match(name).hasMatch();
}

MaintenanceResult RecordDb::exportTemperature() const
{
    const QString target = exportPath();
    const QString shown = QDir::toNativeSeparators(target);
    if (QFileInfo::exists(target))
        return failed(tr8(ExportExists).arg(shown));
    const QString folder = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(folder))
        return failed(tr8(ExportNoFolder).arg(QDir::toNativeSeparators(folder)));

    Connection c(*m_file);
    if (DbStatus s = c.open(); !s.ok)
        return failed(s.error);
    QSqlQuery q = c.query();
    q.setForwardOnly(true);
    if (DbStatus s = c.run(q,
                           QStringLiteral("SELECT READTIME, READVALUE, PROTYPE, ADDRESS FROM SAVEDATA "
                                          "WHERE PROTYPE = ? ORDER BY ADDRESS, READTIME"),
                           {QStringLiteral("T")});
        !s.ok)
        return failed(s.error);

    QFile f(target);
    // NewOnly: a file that appeared meanwhile is never overwritten.
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (QFileInfo::exists(target))
            return failed(tr8(ExportExists).arg(shown));
        return failed(tr8(ExportWriteFailed).arg(shown, f.errorString()));
    }
    int rows = 0;
    QString synced;
    if (!writeExport(f, q, &rows) || !syncedWithSize(f.handle(), f.pos(), &synced)) {
        const QString why = q.lastError().isValid() ? c.failure(q.lastError())
                            : synced.isEmpty()      ? f.errorString()
                                                    : synced;
        f.close();
        f.remove(); // a partial export is worse than none
        return failed(tr8(ExportWriteFailed).arg(shown, why));
    }
    f.close();
    return done(tr8(ExportDone).arg(rows).arg(shown));
}

MaintenanceResult RecordDb::createRegistry(const QString &tableName) const
{
    const QString name = tableName.trimmed();
    if (name.isEmpty())
        return failed(tr8(TableNameEmpty));
    if (!validTableName(name))
        return failed(tr8(TableNameInvalid).arg(name));

    Connection c(*m_file);
    if (DbStatus s = c.open(); !s.ok)
        return failed(s.error);
    QString error;
    const std::optional<bool> exists = tableExists(c, name, &error);
    if (!exists)
        return failed(error);
    if (*exists)
        return failed(tr8(TableExists).arg(name));

    QSqlDatabase &d = c.db();
    if (!d.transaction())
        return failed(c.failure(d.lastError()));
    QSqlQuery q = c.query();
    // The name passed the identifier check above, so quoting it is enough.
    const QString create =
        QStringLiteral("CREATE TABLE \"%1\" (%2)").arg(name, QLatin1String(db::RegistryColumns));
    DbStatus s = c.run(q, create);
    int added = 0;
    if (s.ok && !q.prepare(QStringLiteral("INSERT OR IGNORE INTO SAVEPRO (ADDRESS) VALUES (?)")))
        s = c.fail(q.lastError());
    for (int a = 1; s.ok && a <= 255; ++a) {
        q.bindValue(0, a);
        if (!q.exec())
            s = c.fail(q.lastError());
        else
            added += q.numRowsAffected();
    }
    q.finish();
    if (s.ok && !d.commit())
        s = c.fail(d.lastError());
    if (!s.ok) {
        d.rollback();
        return failed(s.error);
    }
    return done(tr8(RegistryDone).arg(name).arg(added));
}

MaintenanceResult RecordDb::extendDataRh() const
{
    Connection c(*m_file);
    if (DbStatus s = c.open(); !s.ok)
        return failed(s.error);
    QString error;
    const std::optional<bool> exists = tableExists(c, QStringLiteral("Data_RH"), &error);
    if (!exists)
        return failed(error);
    if (!*exists)
        return failed(tr8(DataRhMissing));

    QSqlDatabase &d = c.db();
    if (!d.transaction())
        return failed(c.failure(d.lastError()));
    QSqlQuery q = c.query();
    // SQLite adds one column per statement; both go in one transaction or neither does.
    for (const char *sql : {"ALTER TABLE Data_RH ADD COLUMN MYNAME TEXT NULL",
                            "ALTER TABLE Data_RH ADD COLUMN MYCODE BOOLEAN NULL"}) {
        if (!q.exec(QString::fromLatin1(sql))) {
            const QSqlError e = q.lastError();
            d.rollback();
            if (e.databaseText().startsWith(QStringLiteral("duplicate column name")))
                return failed(tr8(DataRhHasColumns));
            return failed(c.failure(e));
        }
    }
    if (!d.commit()) {
        const QString why = c.failure(d.lastError());
        d.rollback();
        return failed(why);
    }
    return done(tr8(DataRhDone));
}

} // namespace kestrel

#include "dbconnection.h"
#include "common/tr8.h"

#include "common/log.h"
#include "recording/rowwriter.h"
#include "recording/texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>

namespace kestrel::db {

using namespace texts::recording;

const char *const RegistryColumns = "ADDRESS INTEGER PRIMARY KEY CHECK (ADDRESS BETWEEN 1 AND 255), "
                                    "ALIAS TEXT, MIXPRO INTEGER DEFAULT 0, PROTYPE INTEGER DEFAULT 0";

namespace {

std::atomic<int> connectionSerial{0};

}

QString nextName()
{
    return QStringLiteral("kestrel-record-%1").arg(++connectionSerial);
}

namespace {

QSqlDatabase addConnection(const QString &name, const QString &path)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    // Another program reading the file holds it only briefly; wait a little rather than fail at
    // once, but never long enough to freeze the window: a flush that finds the file locked
    // keeps its readings for the next one.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
    return db;
}

QString schemaError(const QString &what, const QSqlError &e)
{
    return what + QStringLiteral(": ") + e.text();
}

// Builds the tables in an open, empty data base. Returns an empty string on success.
QString buildSchema(QSqlDatabase &db)
{
    const QStringList statements = {
        QStringLiteral("CREATE TABLE SAVEPRO (%1)").arg(QLatin1String(RegistryColumns)),
        QStringLiteral("CREATE TABLE SAVEDATA (READTIME TEXT NOT NULL, READVALUE TEXT NOT NULL, "
                       "PROTYPE TEXT NOT NULL, ADDRESS INTEGER NOT NULL)"),
        QStringLiteral("CREATE INDEX SAVEDATA_ADDRESS_READTIME ON SAVEDATA (ADDRESS, READTIME)"),
    };
    if (!db.transaction())
        return schemaError(QStringLiteral("BEGIN"), db.lastError());
    QSqlQuery q(db);
    for (const QString &s : statements) {
        if (!q.exec(s)) {
            db.rollback();
            return schemaError(s, q.lastError());
        }
    }
    if (!q.prepare(QStringLiteral("INSERT INTO SAVEPRO (ADDRESS) VALUES (?)"))) {
        db.rollback();
        return schemaError(QStringLiteral("INSERT"), q.lastError());
    }
    for (int a = 1; a <= 255; ++a) {
        q.bindValue(0, a);
        if (!q.exec()) {
            db.rollback();
            return schemaError(QStringLiteral("INSERT"), q.lastError());
        }
    }
    q.finish();
    if (!db.commit())
        return schemaError(QStringLiteral("COMMIT"), db.lastError());
    return {};
}

} // namespace

FileKind inspect(const QString &path)
{
    const QFileInfo fi(path);
    if (!fi.exists())
        return FileKind::Missing;
    if (!fi.isFile())
        return FileKind::NotFile;
    if (fi.size() == 0)
        return FileKind::Empty;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return FileKind::Unreadable;
    const QByteArray head = f.read(32);
    if (head.startsWith(QByteArray("SQLite format 3\0", 16)))
        return FileKind::Sqlite;
    const QByteArray jetMagic("\x00\x01\x00\x00", 4);
    if (head.startsWith(jetMagic)) {
        const QByteArray engine = head.mid(4, 15);
        if (engine == "Standard Jet DB" || engine == "Standard ACE DB")
            return FileKind::Access;
    }
    return FileKind::Other;
}

DbStatus createFile(const QString &path)
{
    const QFileInfo target(path);
    const QString folder = target.absolutePath();
    const auto failure = [&](const QString &why) {
        return DbStatus::failure(tr8(DbCannotOpen).arg(QDir::toNativeSeparators(path), why));
    };
    const auto folderFailure = [&] {
        return failure(tr8(ReasonFolder).arg(QDir::toNativeSeparators(folder)));
    };
    if (!QDir().mkpath(folder))
        return folderFailure();

    const QString building = path + QStringLiteral(".new");
    QFile::remove(building); // left over from an interrupted creation
    QString error;
    bool opened = false;
    {
        const QString name = nextName();
        {
            QSqlDatabase db = addConnection(name, building);
            opened = db.open();
            error = opened ? buildSchema(db) : db.lastError().text();
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    if (!error.isEmpty()) {
        QFile::remove(building);
        appendLog(QStringLiteral("creating %1 failed: %2").arg(path, error));
        return opened ? failure(tr8(ReasonCreate).arg(error)) : folderFailure();
    }
    if (target.exists() && target.size() == 0)
        QFile::remove(path); // an empty file holds nothing to keep
    if (!QFile::rename(building, path)) {
        QFile::remove(building);
        // Another instance may have created the file meanwhile; that file serves as well.
        if (inspect(path) == FileKind::Sqlite)
            return {};
        return failure(tr8(ReasonCreate).arg(QStringLiteral("rename")));
    }
    appendLog(QStringLiteral("created %1").arg(path));
    return {};
}

QString reason(const QSqlError &e)
{
    const QString engine = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    static const QString noTable = QStringLiteral("no such table: ");
    if (engine.startsWith(noTable))
        return tr8(ReasonNoTable).arg(engine.mid(noTable.size()));
    bool numeric = false;
    const int code = e.nativeErrorCode().toInt(&numeric) & 0xff;
    QString text;
    if (numeric) {
        switch (code) {
        case 5: // SQLITE_BUSY
        case 6: // SQLITE_LOCKED
            text = tr8(ReasonLocked);
            break;
        case 8: // SQLITE_READONLY
            text = tr8(ReasonReadOnly);
            break;
        case 13: // SQLITE_FULL
            text = tr8(ReasonDiskFull);
            break;
        case 26: // SQLITE_NOTADB
            text = tr8(ReasonNotDatabase);
            break;
        default:
            break;
        }
    }
    if (text.isEmpty())
        return engine;
    return text + QStringLiteral("（") + engine + QStringLiteral("）");
}

namespace {

class SqliteEngine final : public Engine {
public:
    explicit SqliteEngine(const QString &path) : m_path(path) {}
    bool shared() const override { return false; }
    QString shownName() const override { return QDir::toNativeSeparators(m_path); }
    DbStatus open(QSqlDatabase &db, const QString &name) const override;
    QString failure(const QSqlError &e) const override { return tr8(DbFailed).arg(shownName(), reason(e)); }
    QString cannotOpen(const QString &why) const override { return tr8(DbCannotOpen).arg(shownName(), why); }
    QString rowId() const override { return QStringLiteral("rowid"); }
    QString addressesFrom() const override
    {
        return QStringLiteral("ADDRESS IN (WITH RECURSIVE a(n) AS (SELECT ? UNION ALL "
                              "SELECT n + 1 FROM a WHERE n < 255) SELECT n FROM a)");
    }
    QSqlError insertReadings(QSqlDatabase &db, const std::vector<LogRow> &rows) const override
    {
        return db::insertReadings(db, rows);
    }
    // A big batch touches many index pages; the default cache of 2 MB would spill to the file.
    void prepareBatch(QSqlDatabase &db) const override
    {
        QSqlQuery(db).exec(QStringLiteral("PRAGMA cache_size = -65536"));
    }

private:
    QString m_path;
};

DbStatus SqliteEngine::open(QSqlDatabase &db, const QString &name) const
{
    switch (inspect(m_path)) {
    case FileKind::Missing:
    case FileKind::Empty:
        if (DbStatus made = createFile(m_path); !made.ok)
            return made;
        break;
    case FileKind::Sqlite:
        break;
    case FileKind::Access:
        return DbStatus::failure(cannotOpen(tr8(ReasonAccessFormat)));
    case FileKind::Other:
        return DbStatus::failure(cannotOpen(tr8(ReasonNotDatabase)));
    case FileKind::Unreadable:
        return DbStatus::failure(cannotOpen(tr8(ReasonNotReadable)));
    case FileKind::NotFile:
        return DbStatus::failure(cannotOpen(tr8(ReasonNotFile)));
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return DbStatus::failure(cannotOpen(tr8(ReasonNoDriver)));
    db = addConnection(name, m_path);
    if (!db.open())
        return DbStatus::failure(cannotOpen(reason(db.lastError())));
    // A committed batch must survive a power cut: the rollback journal with full syncs keeps
    // the file whole and in one piece between operations (no -wal file beside it).
    QSqlQuery(db).exec(QStringLiteral("PRAGMA synchronous = FULL"));
    return {};
}

} // namespace

std::shared_ptr<const Engine> sqliteEngine(const QString &path)
{
    return std::make_shared<SqliteEngine>(path);
}

Connection::Connection(const Engine &engine) : m_engine(engine), m_name(nextName()) {}

Connection::~Connection()
{
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
}

QString Connection::cannotOpen(const QString &why) const
{
    return m_engine.cannotOpen(why);
}

QString Connection::failure(const QSqlError &e) const
{
    const QString text = m_engine.failure(e);
    appendLog(QStringLiteral("%1 [%2]").arg(text, e.text()));
    return text;
}

DbStatus Connection::open()
{
    return m_engine.open(m_db, m_name);
}

DbStatus Connection::run(QSqlQuery &q, const QString &sql, const QVariantList &values)
{
    if (!q.prepare(sql))
        return fail(q.lastError());
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values.at(i));
    if (!q.exec())
        return fail(q.lastError());
    return {};
}

} // namespace kestrel::db

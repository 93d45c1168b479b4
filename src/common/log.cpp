#include "log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

Q_LOGGING_CATEGORY(lcLink, "kestrel.link", QtInfoMsg)
Q_LOGGING_CATEGORY(lcFrames, "kestrel.link.frames", QtInfoMsg)
Q_LOGGING_CATEGORY(lcDb, "kestrel.db", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPoll, "kestrel.poll", QtInfoMsg)
Q_LOGGING_CATEGORY(lcUi, "kestrel.ui", QtInfoMsg)

namespace kestrel {
namespace {
QString &folder()
{
    static QString f;
    return f;
}
} // namespace

void setLogFolder(const QString &f)
{
    folder() = f;
}

QString logFilePath()
{
    return folder().isEmpty() ? QString() : QDir(folder()).filePath(QStringLiteral("kestrel.log"));
}

LogFeed &LogFeed::instance()
{
    static LogFeed feed;
    return feed;
}

void LogFeed::add(const QDateTime &at, const QString &text)
{
    m_recent.push_back({at, text});
    if (m_recent.size() > RecentLines)
        m_recent.pop_front();
    Q_EMIT appended(at, text);
}

void appendLog(const QString &line)
{
    qCInfo(lcLink).noquote() << line;
    const QDateTime now = QDateTime::currentDateTime();
    LogFeed::instance().add(now, line);
    const QString path = logFilePath();
    if (path.isEmpty())
        return;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    const QString stamped =
        now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) + line + QStringLiteral("\n");
    f.write(stamped.toUtf8());
}

} // namespace kestrel

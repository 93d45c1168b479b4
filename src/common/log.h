#pragma once
// Logging categories and kestrel.log in the data folder. A field engineer turns on the
// frame trace with QT_LOGGING_RULES="kestrel.link.frames.debug=true".
#include <QDateTime>
#include <QLoggingCategory>
#include <QObject>
#include <QString>
#include <deque>

Q_DECLARE_LOGGING_CATEGORY(lcLink)
Q_DECLARE_LOGGING_CATEGORY(lcFrames)
Q_DECLARE_LOGGING_CATEGORY(lcDb)
Q_DECLARE_LOGGING_CATEGORY(lcPoll)
Q_DECLARE_LOGGING_CATEGORY(lcUi)

namespace kestrel {

// Appends one time-stamped line to kestrel.log in the data folder (silently handled failures
// and the long form of reported ones). Never fails loudly: a log that cannot be written is skipped.
void appendLog(const QString &line);

// Where kestrel.log is written; set once at start-up from the data folder.
void setLogFolder(const QString &folder);
QString logFilePath();

// What appendLog writes, as it is written: the traffic monitor's diagnostic log lists it. The
// last RecentLines lines are kept for a monitor opened later.
class LogFeed : public QObject {
    Q_OBJECT
public:
    static constexpr int RecentLines = 1000;
    struct Line {
        QDateTime at;
        QString text;
    };
    static LogFeed &instance();
    const std::deque<Line> &recent() const { return m_recent; }

Q_SIGNALS:
    void appended(const QDateTime &at, const QString &text);

private:
    friend void appendLog(const QString &line);
    void add(const QDateTime &at, const QString &text);
    std::deque<Line> m_recent;
};

} // namespace kestrel

#pragma once
// Logging categories and kestrel.log in the data folder. A field engineer turns on the
// frame trace with QT_LOGGING_RULES="kestrel.link.frames.debug=true".
#include <QLoggingCategory>
#include <QString>

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

} // namespace kestrel

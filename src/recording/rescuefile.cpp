#include "rescuefile.h"

#include "common/safefile.h"
#include "common/textfile.h"

#include <QDir>
#include <QFileInfo>

namespace kestrel {

QString writeRescueFile(const QString &dataFolder, const QDateTime &now, const QStringList &lines)
{
    const QString folder = QDir(dataFolder).filePath(QStringLiteral("export"));
    QDir().mkpath(folder);
    const QString stem = QStringLiteral("unsaved-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = QDir(folder).filePath(stem + QStringLiteral(".txt"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(QStringLiteral("%1-%2.txt").arg(stem).arg(n));
    if (!writeWholeFile(path, gbkLines(lines)))
        return {};
    return path;
}

} // namespace kestrel

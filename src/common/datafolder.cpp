#include "datafolder.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace kestrel {

bool folderWritable(const QString &folder)
{
    if (!QDir().mkpath(folder))
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".kestrel-probe-XXXXXX")));
    return probe.open();
}

QString chooseDataFolder(const QString &programFolder, const QString &override)
{
    if (!override.isEmpty()) {
        QDir().mkpath(override);
        return QDir(override).absolutePath();
    }
    if (folderWritable(programFolder))
        return QDir(programFolder).absolutePath();
    QString user = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (user.isEmpty())
        user = QDir::home().filePath(QStringLiteral(".local/share/kestrel"));
    QDir().mkpath(user);
    return user;
}

} // namespace kestrel

#pragma once
// Texts that could not be stored where they belong (readings the data base refused at the end of
// the run, record entries a full or read-only disk refused) are kept in
// export/unsaved-<yyyyMMdd-HHmmss>.txt in the data folder, GBK with CR LF, so that nothing is lost
// silently. A second rescue in the same second gets "-2", "-3", ... before ".txt".
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace kestrel {

// Returns the file written, or an empty string when it could not be written.
QString writeRescueFile(const QString &dataFolder, const QDateTime &now, const QStringList &lines);

} // namespace kestrel

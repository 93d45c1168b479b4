#pragma once
#include <QString>

namespace kestrel {

// The folder that holds Record.mdb, record/, export/ and kestrel.log: the program's folder,
// unless --data-dir names another, or the per-user data folder when the program's folder
// cannot be written.
QString chooseDataFolder(const QString &programFolder, const QString &override);

// True when a file can be created in the folder (creating the folder when missing).
bool folderWritable(const QString &folder);

} // namespace kestrel

#pragma once
// A small tmpfs mounted over a folder for the length of a test: read-only to refuse every write
// (tests run as root, so file modes do not), or tiny to fill the disk. Unmounted by the destructor.
#include <QDir>
#include <QProcess>
#include <QString>

namespace kestrel::test {

class TmpfsMount {
public:
    // options such as "ro,size=1m" or "size=64k"
    TmpfsMount(const QString &folder, const QString &options) : m_folder(folder)
    {
        QDir().mkpath(folder);
        m_mounted = QProcess::execute(QStringLiteral("mount"),
                                      {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                       options, QStringLiteral("tmpfs"), folder}) == 0;
    }
    ~TmpfsMount()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {m_folder});
    }
    bool mounted() const { return m_mounted; }

private:
    QString m_folder;
    bool m_mounted = false;
};

// Skips the test when the mount is not permitted here.
#define TMPFS_MOUNT(m, folder, options)                                                                      \
    TmpfsMount m(folder, options);                                                                           \
    if (!m.mounted())                                                                                        \
        QSKIP("mounting a tmpfs is not permitted here (needs root): write failures not tested");

} // namespace kestrel::test

#include "safefile.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrel {

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A rename is on the disk once the folder's entry is.
void syncFolder(const QString &path)
{
    const int fd =
        ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

bool syncedWithSize(int fd, qint64 size, QString *error)
{
    struct stat st {};
    if (::fsync(fd) != 0 || ::fstat(fd, &st) != 0) {
        *error = systemError();
        return false;
    }
    if (qint64(st.st_size) != size) {
        *error = QStringLiteral("%1 of %2 bytes on the disk").arg(qint64(st.st_size)).arg(size);
        return false;
    }
    return true;
}

bool SafeFile::fail(const QString &why)
{
    if (m_error.isEmpty())
        m_error = why;
    m_file.cancelWriting();
    return false;
}

bool SafeFile::open()
{
    if (QFileInfo(m_file.fileName()).isDir())
        return fail(QStringLiteral("is a folder"));
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(m_file.errorString());
    return true;
}

bool SafeFile::write(const QByteArray &bytes)
{
    if (!m_error.isEmpty() || !m_file.isOpen())
        return false;
    const qint64 n = m_file.write(bytes);
    if (n != bytes.size())
        return fail(n < 0 ? m_file.errorString() : QString::fromLocal8Bit(std::strerror(ENOSPC)));
    m_written += n;
    return true;
}

bool SafeFile::commit()
{
    if (!m_error.isEmpty() || !m_file.isOpen())
        return false;
    QString why;
    if (!m_file.flush())
        return fail(m_file.errorString());
    if (!syncedWithSize(m_file.handle(), m_written, &why))
        return fail(why);
    if (!m_file.commit())
        return fail(m_file.errorString());
    if (QFileInfo(m_file.fileName()).size() != m_written) {
        m_error = QStringLiteral("the file in place is not the one written");
        return false;
    }
    syncFolder(m_file.fileName());
    return true;
}

bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    SafeFile f(path);
    const bool ok = f.open() && f.write(bytes) && f.commit();
    if (!ok && error)
        *error = f.errorString();
    return ok;
}

} // namespace kestrel

#pragma once
// Files in tests: the bytes of one, and pictures of windows for the documentation.
#include <QDir>
#include <QFile>

namespace kestrel::test {

// The bytes of a file; none when it cannot be read.
inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes a file whole; its path, or none when it cannot be written.
inline QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() ? path : QString();
}

// Saves a picture of a window (a QWidget) into the folder KESTREL_SCREENSHOTS names, when it names one.
template <class Window> bool screenshot(Window *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("KESTREL_SCREENSHOTS");
    return dir.isEmpty() || w->grab().save(QDir(dir).filePath(name));
}

} // namespace kestrel::test

#pragma once
// A file written whole or not at all, and called saved only when its bytes are on the disk.
//
// The bytes go to a temporary file beside the target, unbuffered, each write checked (a full
// disk takes fewer bytes than given); then the file is synced, its size compared with the bytes
// written, and only then renamed over the target. QSaveFile alone is not enough: it buffers the
// writes, and its commit() can report success after the flush of the buffer failed, putting a
// short or empty file in place of a good one. Any failure leaves the old file as it was.
#include <QSaveFile>
#include <QString>

namespace kestrel {

class SafeFile {
public:
    explicit SafeFile(const QString &path) : m_file(path) {}

    bool open();
    // False from the first write that the disk did not take whole.
    bool write(const QByteArray &bytes);
    // Syncs, checks and puts the file in place; false (and the old file untouched) on any fault.
    bool commit();
    void cancel() { m_file.cancelWriting(); }
    QString errorString() const { return m_error.isEmpty() ? m_file.errorString() : m_error; }

private:
    bool fail(const QString &why);

    QSaveFile m_file;
    qint64 m_written = 0;
    QString m_error;
};

// The whole of `bytes` as the file `path`; on failure *error says why (when given).
bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// Syncs an open file to the disk and checks that it holds `size` bytes.
bool syncedWithSize(int fd, qint64 size, QString *error);

} // namespace kestrel

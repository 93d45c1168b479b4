#include "recordfile.h"
#include "common/tr8.h"

#include "common/clock.h"
#include "common/log.h"
#include "common/operator.h"
#include "common/safefile.h"
#include "common/textfile.h"
#include "rescuefile.h"
#include "texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kestrel {

namespace {
constexpr int NH3Slot = 10;
constexpr int Columns = 13;

bool cLocale(const QLocale &locale)
{
    return locale.language() == QLocale::C;
}
} // namespace

RecordFile::RecordFile(TimedBuffer &buffer, const QString &dataFolder, Clock &clock, Operator &op,
                       QObject *parent)
    : QObject(parent), m_buffer(buffer), m_dataFolder(dataFolder), m_clock(clock), m_op(op)
{
}

QString RecordFile::filePath(const QDate &day) const
{
    return QDir(m_dataFolder)
        .filePath(QStringLiteral("record/%1-%2-%3.txt").arg(day.year()).arg(day.month()).arg(day.day()));
}

QString RecordFile::headerLine(const QDate &day, const QLocale &locale)
{
    QString line = cLocale(locale) ? day.toString(Qt::ISODate) : locale.toString(day, QLocale::ShortFormat);
    for (const char *name : texts::recording::RecordColumns)
        line += QLatin1Char('\t') + fileText(name);
    return line;
}

QString RecordFile::dataLine(const RecordEntry &entry)
{
    QString line = entry.time + QLatin1Char('\t');
    for (int i = 0; i < Columns; ++i) {
        line += entry.values[static_cast<size_t>(i)];
        line += i + 1 < Columns ? QStringLiteral(",\t") : QStringLiteral(".");
    }
    return line;
}

// Short time formats mostly leave the seconds out; a reading every few seconds needs them, so
// they are put after the minutes.
QString RecordFile::timeText(const QTime &time, const QLocale &locale)
{
    if (cLocale(locale))
        return time.toString(QStringLiteral("HH:mm:ss"));
    QString format = locale.timeFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1Char('s'))) {
        const qsizetype m = format.lastIndexOf(QLatin1Char('m'));
        if (m >= 0)
            format.insert(m + 1, QStringLiteral(":ss"));
    }
    return locale.toString(time, format);
}

void RecordFile::empty(TimedBuffer &buffer)
{
    for (RecordEntry &e : buffer.entries) {
        e.time = QStringLiteral(" ");
        for (QString &v : e.values)
            v = QStringLiteral(" ");
        e.values[NH3Slot] = QStringLiteral("  ");
    }
    buffer.recCount = 0;
}

bool RecordFile::wData(Report report)
{
    const QDate day = m_clock.now().date(); // the day of writing, not of the readings
    const QString path = filePath(day);
    const int count = std::min<int>(m_buffer.recCount, TimedBuffer::Entries - 1);
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << dataLine(m_buffer.entries[static_cast<size_t>(i)]);

    int written = 0;
    const QString error = append(path, headerLine(day), lines, written);
    if (error.isEmpty())
        m_failureTold = false;
    else
        reportFailure(path, error, lines.mid(written), report);
    empty(m_buffer);
    return error.isEmpty();
}

// Writes line by line, unbuffered and each write checked, so that a failure knows which entries are in
// the file; a line cut short by a full disk is taken out again. Empty on success, else the reason.
QString RecordFile::append(const QString &path, const QString &header, const QStringList &lines,
                           int &written) const
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        return tr8(texts::recording::RecordNoFolder);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return f.errorString();
    QString error;
    const auto put = [&f, &error](const QString &line) {
        const qint64 before = f.size();
        const QByteArray bytes = encodeGbk(line + QStringLiteral("\r\n"));
        const qint64 n = f.write(bytes);
        if (n == bytes.size())
            return true;
        // A regular file takes fewer bytes than given only when the disk is full.
        error = n >= 0 ? tr8(texts::recording::ReasonDiskFull) : f.errorString();
        f.resize(before);
        return false;
    };
    if (f.size() == 0 && !put(header))
        return error;
    for (const QString &line : lines) {
        if (!put(line))
            return error;
        ++written;
    }
    // The entries count as written once they are on the disk.
    if (QString why; !syncedWithSize(f.handle(), f.size(), &why)) {
        written = 0;
        return why;
    }
    f.close();
    return f.error() == QFileDevice::NoError ? QString() : f.errorString();
}

void RecordFile::reportFailure(const QString &path, const QString &error, const QStringList &unsaved,
                               Report report)
{
    const QDateTime now = m_clock.now();
    QString rescue;
    if (!unsaved.isEmpty())
        rescue = writeRescueFile(m_dataFolder, now, QStringList{headerLine(now.date())} + unsaved);
    appendLog(QStringLiteral("record file %1 not written: %2; %3 entries %4")
                  .arg(path, error)
                  .arg(unsaved.size())
                  .arg(rescue.isEmpty() && !unsaved.isEmpty() ? QStringLiteral("lost")
                                                              : QStringLiteral("kept in ") + rescue));
    if (m_failureTold)
        return;
    m_failureTold = true;
    QString text = tr8(texts::recording::RecordWriteFailed).arg(path, error);
    if (!unsaved.isEmpty())
        text +=
            QStringLiteral("\r\n") +
            (rescue.isEmpty() ? tr8(texts::recording::RecordEntriesLost).arg(unsaved.size())
                              : tr8(texts::recording::RecordEntriesRescued).arg(unsaved.size()).arg(rescue));
    if (report == Report::Now)
        m_op.message(text);
    else
        QMetaObject::invokeMethod(
            this, [this, text] { m_op.message(text); }, Qt::QueuedConnection);
}

} // namespace kestrel

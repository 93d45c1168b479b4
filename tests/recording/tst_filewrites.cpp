// Files written on a disk that is full or read-only: each writer tells the operator, never says
// "saved", never shortens the good file it was to replace and leaves no stray file behind. The
// disk is a small tmpfs the test mounts (as root; skipped otherwise).
#include "common/manualtime.h"
#include "common/recordingoperator.h"
#include "common/tmpfsmount.h"
#include "common/tr8.h"
#include "devices/configfile.h"
#include "history/historyexport.h"
#include "recording/readingbuffer.h"
#include "recording/readinglog.h"
#include "recording/recordfile.h"
#include "recording/rescuefile.h"

#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {

const QByteArray Good = "a good file\r\n";

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

bool put(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

// Fills the disk of `folder` to the last byte.
void fill(const QString &folder)
{
    QFile f(QDir(folder).filePath(QStringLiteral("filler")));
    f.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    const QByteArray block(512, 'x');
    while (f.write(block) == block.size()) {
    }
    while (f.write("x", 1) == 1) {
    }
}

QStringList filesUnder(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

// What a writer did: whether it said the file was saved, and what the operator was told.
struct Outcome {
    bool saved = true;
    QString told;
};

} // namespace

class TstFileWrites : public QObject {
    Q_OBJECT
    QTemporaryDir m_db; // a log on a disk with room, for the history export
    RecordDb *m_record = nullptr;

    Outcome write(const QString &writer, const QString &folder, const QString &target)
    {
        RecordingOperator op;
        ManualTime time;
        Outcome o;
        if (writer == QLatin1String("configuration")) {
            PollSettings settings;
            DeviceTable table;
            table.PollStart = 1;
            table.PollEnd = 200; // a file of some kilobytes
            op.saveAnswers << QFileInfo(target).fileName();
            o.saved = saveConfiguration(op, folder, settings, table);
        } else if (writer == QLatin1String("history export")) {
            const SnapshotResult s = m_record->snapshot(
                {QDateTime(QDate(2026, 1, 1), QTime(0, 0)), QDateTime(QDate(2027, 1, 1), QTime(0, 0)), 0});
            history::Aliases aliases;
            const ExportResult r = HistoryExport(*m_record, s.value, aliases).writeTo(target);
            o.saved = r.ok;
            o.told = r.error;
        } else if (writer == QLatin1String("rescue file")) {
            QStringList lines(10, QStringLiteral("2026-12-06 10:00:00,215,T,1"));
            o.saved = !writeRescueFile(folder, time.now(), lines).isEmpty();
            o.told = o.saved ? QString() : QStringLiteral("(empty path)");
        } else if (writer == QLatin1String("record file")) {
            TimedBuffer buffer;
            RecordFile records(buffer, folder, time, op);
            RecordFile::empty(buffer);
            for (int i = 0; i < 99; ++i)
                buffer.entries[size_t(i)].time = QStringLiteral("10:00:%1").arg(i % 60);
            buffer.recCount = 99;
            o.saved = records.wData();
        }
        if (!op.messages.isEmpty())
            o.told = op.messages.first().text;
        return o;
    }

    QString targetOf(const QString &writer, const QString &folder)
    {
        if (writer == QLatin1String("record file")) {
            TimedBuffer b;
            ManualTime time;
            RecordingOperator op;
            return RecordFile(b, folder, time, op).filePath(time.now().date());
        }
        if (writer == QLatin1String("rescue file"))
            return QDir(folder).filePath(QStringLiteral("export/kept.txt"));
        return QDir(folder).filePath(QStringLiteral("target.txt"));
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_record = new RecordDb(m_db.path());
        std::vector<LogRow> rows;
        const qint64 start = QDateTime(QDate(2026, 6, 1), QTime(0, 0)).toSecsSinceEpoch();
        for (int i = 0; i < 100; ++i)
            rows.push_back({start + i, uint16_t(i), 1, QStringLiteral("T")});
        QVERIFY(m_record->appendReadings(rows).ok);
    }
    void cleanupTestCase() { delete m_record; }

    void nothingGoodIsShortened_data()
    {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<bool>("readOnly");
        for (const char *w : {"configuration", "history export", "rescue file", "record file"}) {
            QTest::addRow("%s, disk full", w) << QString::fromLatin1(w) << false;
            QTest::addRow("%s, read-only", w) << QString::fromLatin1(w) << true;
        }
    }
    void nothingGoodIsShortened()
    {
        QFETCH(QString, writer);
        QFETCH(bool, readOnly);
        QTemporaryDir base;
        const QString folder = base.filePath(QStringLiteral("disk"));
        TMPFS_MOUNT(disk, folder, QStringLiteral("size=64k"));
        const QString target = targetOf(writer, folder);
        QVERIFY(put(target, Good));
        if (readOnly)
            QCOMPARE(QProcess::execute(QStringLiteral("mount"), {"-o", "remount,ro", folder}), 0);
        else
            fill(folder);
        const QStringList before = filesUnder(folder);

        const Outcome o = write(writer, folder, target);
        QVERIFY(!o.saved);
        QVERIFY(!o.told.isEmpty());
        // The record file is appended to: the lines that fit stay, the rest is told.
        if (writer == QLatin1String("record file"))
            QVERIFY(contents(target).startsWith(Good));
        else
            QCOMPARE(contents(target), Good);
        QCOMPARE(filesUnder(folder), before);
    }
};

QTEST_GUILESS_MAIN(TstFileWrites)
#include "tst_filewrites.moc"

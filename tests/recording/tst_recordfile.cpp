// The daily record files byte for byte (GBK, CR LF, tabs, commas, the full stop), the day of
// writing, the locale's dates and times, and a disk that fills up during a write.
#include "common/clock.h"
#include "common/recordingoperator.h"
#include "common/tmpfsmount.h"
#include "recording/recordfile.h"

#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace
{
struct SetClock : Clock {
    QDateTime t{QDate(2026, 12, 6), QTime(14, 31, 40)};
    QDateTime now() const override { return t; }
};

// 2026/12/6 TAB 温度 TAB 湿度 TAB CO2 ... as GBK bytes.
QByteArray header(const char *date)
{
    return QByteArray(date) +
           "\t\xCE\xC2\xB6\xC8\t\xCA\xAA\xB6\xC8\tCO2\tVOC\tPM2.5\tCO\tO2\tO3\tHCHO\tH2S\tNH3\tNO2\tPM10\r\n";
}

struct Files {
    QTemporaryDir dir;
    SetClock clock;
    RecordingOperator op;
    TimedBuffer buffer;
    RecordFile records{buffer, dir.path(), clock, op};

    // A temperature and humidity reading in the current entry.
    void read(const char *time, const char *t, const char *rh)
    {
        RecordEntry &e = buffer.current();
        e.time = QLatin1String(time);
        e.values[0] = QLatin1String(t);
        e.values[1] = QLatin1String(rh);
        ++buffer.recCount;
    }
    QByteArray bytes(const char *name) const
    {
        QFile f(dir.filePath(QStringLiteral("record/") + QLatin1String(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
    }
};
} // namespace

class TstRecordFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China)); }

    void headerOnceThenBatchesWithBlanks()
    {
        Files f;
        f.read("14:31:37", "253", "456");
        QVERIFY(f.records.wData());
        const QByteArray first =
            header("2026/12/6") + "14:31:37\t253,\t456,\t,\t,\t,\t,\t,\t,\t,\t,\t,\t,\t.\r\n";
        QCOMPARE(f.bytes("2026-12-6.txt"), first);
        f.read("14:31:42", "254", "457");
        f.read("14:31:47", "255", "458");
        f.records.wData();
        const QByteArray later = "14:31:42\t254,\t457,\t ,\t ,\t ,\t ,\t ,\t ,\t ,\t ,\t  ,\t ,\t .\r\n"
                                 "14:31:47\t255,\t458,\t ,\t ,\t ,\t ,\t ,\t ,\t ,\t ,\t  ,\t ,\t .\r\n";
        QCOMPARE(f.bytes("2026-12-6.txt"), first + later);
        QCOMPARE(int(f.buffer.recCount), 0);
    }

    void readingsBeforeMidnightGoToTheDayOfWriting()
    {
        Files f;
        f.clock.t = QDateTime(QDate(2026, 12, 6), QTime(23, 59, 58));
        f.read("23:59:58", "253", "456");
        f.clock.t = QDateTime(QDate(2026, 12, 7), QTime(0, 0, 3));
        f.records.wData();
        QCOMPARE(f.bytes("2026-12-7.txt").left(header("2026/12/7").size() + 8),
                 header("2026/12/7") + "23:59:58");
        QCOMPARE(f.bytes("2026-12-6.txt"), QByteArray("(none)"));
    }

    void localeFormats_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::newRow("zh_CN") << QLocale(QLocale::Chinese, QLocale::China) << "2026/12/4"
                               << "09:05:07";
        QTest::newRow("en_US: seconds added") << QLocale(QLocale::English, QLocale::UnitedStates) << "12/4/26"
                                              << "9:05:07 AM";
        QTest::newRow("no locale set (C)") << QLocale::c() << "2026-12-04"
                                           << "09:05:07";
    }
    void localeFormats()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, date);
        QFETCH(QString, time);
        QCOMPARE(RecordFile::headerLine(QDate(2026, 12, 4), locale).section('\t', 0, 0), date);
        QCOMPARE(RecordFile::timeText(QTime(9, 5, 7), locale), time);
    }

    // A disk that fills up during a batch: the file keeps whole lines only, and every entry is
    // either in it or in the rescue file.
    void fullDiskKeepsWholeLinesAndRescuesTheRest()
    {
        Files f;
        TMPFS_MOUNT(tiny, f.dir.filePath(QStringLiteral("record")), QStringLiteral("size=64k"));
        QFile filler(f.dir.filePath(QStringLiteral("record/filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(4096, 'x')) == 4096) {
        }
        QVERIFY(filler.resize(filler.size() / 4096 * 4096 - 4096)); // one page left for the record file
        filler.close();
        for (int i = 0; i < 100; ++i) // lines of 80 bytes
            f.read((QByteArray::number(10000 + i) + QByteArray(40, 'x')).constData(), "253", "456");
        QVERIFY(!f.records.wData());

        const QByteArray file = f.bytes("2026-12-6.txt");
        QVERIFY(file.endsWith("\r\n"));
        const int inFile = int(file.count("\r\n")) - 1;
        QVERIFY2(inFile > 0 && inFile < 100, qPrintable(QString::number(inFile)));
        const QStringList rescues = QDir(f.dir.filePath(QStringLiteral("export"))).entryList(QDir::Files);
        QCOMPARE(rescues.size(), 1);
        QFile rescue(f.dir.filePath(QStringLiteral("export/") + rescues.at(0)));
        QVERIFY(rescue.open(QIODevice::ReadOnly));
        const QList<QByteArray> rescued = rescue.readAll().split('\n');
        QCOMPARE(rescued.at(1).left(5),
                 QByteArray::number(10000 + inFile)); // the first entry not in the file
        QCOMPARE(inFile + rescued.size() - 2, 100);   // header, and the empty piece after the last CR LF
    }
};

QTEST_MAIN(TstRecordFile)
#include "tst_recordfile.moc"

// The timed reading of a whole station over kestrel-sim with injected time: reads every t seconds,
// refused entries, the record file at stop and at program end, a record folder that refuses
// writes, and how the timed reading meets polling and the port. The daily record files on their
// own: byte for byte (GBK, CR LF, tabs, commas, the full stop), the day of writing, the locale's
// dates and times, and a disk that fills up during a write.
#include "common/manualtime.h"
#include "common/stationrig.h"
#include "common/tmpfsmount.h"
#include "polling/texts.h"
#include "recording/recordfile.h"

#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {
// A T+RH sensor at address 1 answering 25.3 °C and 45.6 %, read as product "温湿度".
struct Rig : ManualTime, StationRig {
    QStringList reads; // seconds after the start, one per request sent

    explicit Rig(const char *t)
        : StationRig(QStringLiteral("1 33 3 230415 0001 17 set=2:253 set=3:456\n"), *this, *this, {"--fixed"})
    {
        if (!ok())
            return;
        QObject::connect(&station->exchange, &Exchange::frameSent, [this, start = now()](const QByteArray &) {
            reads << QString::number(start.secsTo(now()));
        });
        station->timedReading.setTxtSetTime(QString::fromLatin1(t));
        station->timedReading.cmdAutoRead_Click();
    }
    QStringList lines(const QString &file) const // of a file in the data folder
    {
        QFile f(QDir(data.path()).filePath(file));
        return f.open(QIODevice::ReadOnly)
                   ? QString::fromLatin1(f.readAll()).split("\r\n", Qt::SkipEmptyParts)
                   : QStringList();
    }
    QStringList record() const { return lines(QStringLiteral("record/2026-12-6.txt")); }
};
#define RIG(t) STATION_RIG(Rig, r, t)

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

class TstTimedReading : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China)); }

    void readsEveryTSeconds_data()
    {
        QTest::addColumn<QString>("t");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("reads");
        QTest::newRow("5 s") << "5" << 16 << "5 10 15";
        QTest::newRow("90 s: a minute counted down after 30 s") << "90" << 200 << "90 180";
        QTest::newRow("whole minutes: every 120 s") << "120" << 250 << "120 240";
    }
    void readsEveryTSeconds()
    {
        QFETCH(QString, t);
        QFETCH(int, seconds);
        QFETCH(QString, reads);
        RIG(t.toLatin1().constData());
        Q_UNUSED(s);
        r.advance(seconds * 1000);
        QCOMPARE(r.reads.join(' '), reads);
    }

    void refusedEntries_data()
    {
        QTest::addColumn<QString>("t");
        QTest::newRow("0") << "0";
        QTest::newRow("600") << "600";
        QTest::newRow("letters") << "abc";
    }
    void refusedEntries()
    {
        QFETCH(QString, t);
        RIG(t.toLatin1().constData());
        QCOMPARE(r.op.texts(), QStringList{tr8(texts::polling::BadSetTime)});
        QCOMPARE(s.timedReading.autoReadCaption(), tr8(texts::polling::AutoReadStart));
        r.advance(700000);
        QCOMPARE(r.reads.size(), 0);
    }

    void stopAfterSevenReadingsWritesSeven()
    {
        RIG("5");
        r.advance(35000);
        s.timedReading.cmdAutoRead_Click();
        QCOMPARE(r.record().size(), 1 + 7);
        QCOMPARE(r.record().at(7).section('\t', 0, 2), u"10:00:35\t253,\t456,"_qs);
        QCOMPARE(int(s.timed.recCount), 0);
        r.advance(60000);
        QCOMPARE(r.reads.size(), 7);
    }

    void programEndWritesTheBuffer_data()
    {
        QTest::addColumn<int>("readings");
        QTest::newRow("two readings") << 2;
        QTest::newRow("nothing buffered: the header only") << 0;
    }
    void programEndWritesTheBuffer()
    {
        QFETCH(int, readings);
        RIG("5");
        r.advance(readings * 5000);
        s.Form_Unload();
        QCOMPARE(r.record().size(), 1 + readings);
    }

    // Tests run as root, so only a read-only mount makes the record folder refuse writes.
    void refusedWritesAreToldOnceAndRescued()
    {
        RIG("1");
        TMPFS_MOUNT(ro, QDir(r.data.path()).filePath("record"), QStringLiteral("ro,size=1m"));
        r.advance(100000); // the 100th reading writes from inside the read
        QTRY_COMPARE(r.op.messages.size(), 1);
        QVERIFY(r.op.texts().at(0).contains(QDir(r.data.path()).filePath("record/2026-12-6.txt")));
        r.advance(5000);
        QCOMPARE(r.reads.size(), 105); // the timed reading goes on
        s.timedReading.cmdAutoRead_Click();
        QCoreApplication::processEvents();
        QCOMPARE(r.op.messages.size(), 1);
        QCOMPARE(r.lines("export/unsaved-20261206-100140.txt").size(), 1 + 100);
        QCOMPARE(r.lines("export/unsaved-20261206-100145.txt").at(5).section('\t', 0, 2),
                 u"10:01:45\t253,\t456,"_qs);
    }

    void pollingStartedMeanwhileEndsWithTheStop()
    {
        RIG("30");
        s.devices.PollStart = s.devices.PollEnd = 1;
        s.settings.setInterval(5);
        s.polling.cmdLoopR_Click();
        s.settingsRequest.accept();
        r.advance(1000);
        QCOMPARE(s.timedReading.state(), TimedReading::State::Running);
        s.timedReading.cmdAutoRead_Click();
        QCOMPARE(s.polling.loopRCaption(), u"轮询"_qs); // not "结束" over a halted cycle
    }

    void closingThePortSwitchesTimer2Off()
    {
        RIG("5");
        r.advance(5000);
        s.portControl.Com_Click();
        r.advance(20000);
        QCOMPARE(r.reads.size(), 1);
        QCOMPARE(s.timedReading.autoReadCaption(), tr8(texts::polling::AutoReadStop));
    }

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

QTEST_MAIN(TstTimedReading)
#include "tst_timedreading.moc"

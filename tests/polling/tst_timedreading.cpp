// The timed reading of a whole station over kestrel-sim, with injected time: reads every t seconds
// with the minute countdown, refused entries, the record file written at stop, at 100 entries and
// at program end, a record folder that refuses writes, and how it meets polling and the port.
#include "common/manualtime.h"
#include "common/stationrig.h"
#include "common/tmpfsmount.h"
#include "polling/texts.h"

#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {
// A T+RH sensor at address 1 answering 25.3 °C and 45.6 %; the single read of product "温湿度".
constexpr const char *Sensor = "1 33 3 230415 0001 17 set=2:253 set=3:456\n";

struct Rig : ManualTime, StationRig {
    QList<qint64> reads; // seconds since the rig started, one per request sent

    explicit Rig(const char *bus) : StationRig(QString::fromLatin1(bus), *this, *this, {"--fixed"})
    {
        if (!ok())
            return;
        const QDateTime start = now();
        QObject::connect(&station->exchange, &Exchange::frameSent,
                         [this, start](const QByteArray &) { reads << start.secsTo(now()); });
    }
    void startTimed(const QString &t)
    {
        station->timedReading.setTxtSetTime(t);
        station->timedReading.cmdAutoRead_Click();
    }
    QString readTimes() const
    {
        QStringList s;
        for (qint64 r : reads)
            s << QString::number(r);
        return s.join(' ');
    }
    QString folder(const char *name) const { return QDir(data.path()).filePath(QLatin1String(name)); }
    QStringList fileLines(const QString &path) const
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    QStringList recordLines() const { return fileLines(folder("record/2026-12-6.txt")); }
    QStringList rescueFiles() const
    {
        QStringList files = QDir(folder("export")).entryList({QStringLiteral("unsaved-*.txt")}, QDir::Files, QDir::Name);
        for (QString &f : files)
            f = folder("export") + '/' + f;
        return files;
    }
};
#define RIG() STATION_RIG(Rig, r, Sensor)

QString tr8(const char *t) { return QString::fromUtf8(t); }
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
        QTest::newRow("599 s") << "599" << 1200 << "599 1198";
        QTest::newRow("a number with letters after it") << " 7s" << 15 << "7 14";
    }
    void readsEveryTSeconds()
    {
        QFETCH(QString, t);
        QFETCH(int, seconds);
        QFETCH(QString, reads);
        RIG();
        r.startTimed(t);
        r.advance(seconds * 1000);
        QCOMPARE(r.readTimes(), reads);
        QCOMPARE(int(s.timed.recCount), reads.split(' ').size());
    }

    void ninetySecondsCountTheMinuteFirst()
    {
        RIG();
        r.startTimed(QStringLiteral("90"));
        r.advance(30000);
        QCOMPARE(s.timedReading.timerInterval(), 60000);
        QCOMPARE(r.reads.size(), 0);
    }

    void refusedEntries_data()
    {
        QTest::addColumn<QString>("t");
        QTest::newRow("0") << "0";
        QTest::newRow("600") << "600";
        QTest::newRow("letters") << "abc";
        QTest::newRow("empty") << "";
    }
    void refusedEntries()
    {
        QFETCH(QString, t);
        RIG();
        r.startTimed(t);
        QCOMPARE(r.op.texts(), QStringList{tr8(texts::polling::BadSetTime)});
        QCOMPARE(s.timedReading.autoReadCaption(), tr8(texts::polling::AutoReadStart));
        r.advance(700000);
        QCOMPARE(r.reads.size(), 0);
    }

    void stopAfterSevenReadingsWritesSeven()
    {
        RIG();
        r.startTimed(QStringLiteral("5"));
        r.advance(35000);
        s.timedReading.cmdAutoRead_Click();
        const QStringList lines = r.recordLines();
        QCOMPARE(lines.size(), 1 + 7);
        QCOMPARE(lines.at(7).section('\t', 0, 2), u"10:00:35\t253,\t456,"_qs);
        QCOMPARE(int(s.timed.recCount), 0);
        QCOMPARE(s.timedReading.autoReadCaption(), tr8(texts::polling::AutoReadStart));
        r.advance(60000);
        QCOMPARE(r.reads.size(), 7);
    }

    void hundredEntriesWrittenWhileRunning()
    {
        RIG();
        r.startTimed(QStringLiteral("1"));
        r.advance(103000);
        QCOMPARE(r.recordLines().size(), 1 + 100);
        QCOMPARE(int(s.timed.recCount), 3);
    }

    void programEndWritesTheBuffer_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::newRow("two readings") << 10;
        QTest::newRow("nothing buffered: the header only") << 0;
    }
    void programEndWritesTheBuffer()
    {
        QFETCH(int, seconds);
        RIG();
        r.startTimed(QStringLiteral("5"));
        r.advance(seconds * 1000);
        s.Form_Unload();
        QCOMPARE(r.recordLines().size(), 1 + seconds / 5);
        r.advance(10000);
        QCOMPARE(r.reads.size(), seconds / 5);
    }

    // Tests run as root, so only a read-only mount makes the record folder refuse writes.
    void refusedWritesAreToldOnceAndRescued()
    {
        RIG();
        TMPFS_MOUNT(ro, r.folder("record"), QStringLiteral("ro,size=1m"));
        r.startTimed(QStringLiteral("1"));
        r.advance(100000); // the 100th reading writes from inside the read
        QTRY_COMPARE(r.op.messages.size(), 1);
        QVERIFY2(r.op.texts().at(0).contains(r.folder("record/2026-12-6.txt")), qPrintable(r.op.texts().at(0)));
        r.advance(5000);
        QCOMPARE(r.reads.size(), 105); // the timed reading goes on
        s.timedReading.cmdAutoRead_Click();
        QCoreApplication::processEvents();
        QCOMPARE(r.op.messages.size(), 1); // told once
        const QStringList files = r.rescueFiles();
        QCOMPARE(files.size(), 2);
        QCOMPARE(r.fileLines(files.at(0)).size(), 1 + 100);
        QCOMPARE(r.fileLines(files.at(1)).size(), 1 + 5);
        QCOMPARE(r.fileLines(files.at(1)).at(5).section('\t', 0, 2), u"10:01:45\t253,\t456,"_qs);
        QCOMPARE(int(s.timed.recCount), 0);
    }

    void startEndsPollingAndStopLeavesNoneStalled()
    {
        RIG();
        s.devices.PollStart = s.devices.PollEnd = 1;
        s.settings.setInterval(5);
        s.polling.cmdLoopR_Click();
        s.settingsRequest.accept();
        r.startTimed(QStringLiteral("30"));
        QCOMPARE(s.polling.phase(), Polling::Phase::Stopped);
        s.polling.cmdLoopR_Click(); // polling started while the timed reading runs goes on with it
        s.settingsRequest.accept();
        r.advance(1000);
        QCOMPARE(s.timedReading.state(), TimedReading::State::Running);
        s.timedReading.cmdAutoRead_Click();
        QCOMPARE(s.polling.phase(), Polling::Phase::Stopped);
        QCOMPARE(s.polling.loopRCaption(), u"轮询"_qs);
    }

    void closingThePortSwitchesTimer2Off()
    {
        RIG();
        r.startTimed(QStringLiteral("5"));
        r.advance(5000);
        s.portControl.Com_Click();
        r.advance(20000);
        QCOMPARE(r.reads.size(), 1);
        QCOMPARE(s.timedReading.autoReadCaption(), tr8(texts::polling::AutoReadStop));
        QVERIFY(s.timed.timedReading);
    }
};

QTEST_MAIN(TstTimedReading)
#include "tst_timedreading.moc"

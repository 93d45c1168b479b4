// The timed reading of a whole station over kestrel-sim with injected time: reads every t seconds,
// refused entries, the record file at stop and at program end, a record folder that refuses
// writes, and how the timed reading meets polling and the port.
#include "common/manualtime.h"
#include "common/stationrig.h"
#include "common/tmpfsmount.h"
#include "polling/texts.h"

#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace
{
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

} // namespace

class TstTimedReading : public QObject
{
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
};

QTEST_MAIN(TstTimedReading)
#include "tst_timedreading.moc"

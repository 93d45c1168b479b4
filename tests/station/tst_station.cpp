// The station as a whole: start-up, and readings still in memory when the program ends.
#include "common/fasttimers.h"
#include "common/stationrig.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {
const char *kBus = "1 33 3 230415 0001 17 set=2:215 set=3:456\n"
                   "2 0 6 230415 0002 17 set=6:612\n"
                   "3 0 6 230415 0003 17\n";
} // namespace

class TstStation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startUpWithoutADataBaseSaysSoAndGoesOn()
    {
        StationRig r(QString::fromLatin1(kBus));
        QVERIFY2(r.ok(), qPrintable(r.why()));
        Station &s = *r.station;
        QVERIFY(r.op.messages.isEmpty());
        // The next start finds a file of another data base program in its place.
        QFile junk(s.db.filePath());
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray("\x00\x01\x00\x00Standard Jet DB", 19) + QByteArray(2000, '\0'));
        junk.close();
        s.Form_Load();
        QCOMPARE(r.op.messages.size(), 1);
        QVERIFY(r.op.messages.first().text.contains(QStringLiteral("Record.mdb")));
        s.panel.TxtB1 = QStringLiteral("1"); // the rest of the program works
        s.products.CMDRHTread_Click();
        QCOMPARE(s.panel.valueText(0), QStringLiteral("21.5"));
    }

    // Adding a device while polling runs pauses the cycle for the device check and continues it
    // afterwards; a cycle the operator paused stays paused.
    void addDeviceWhilePolling_data()
    {
        QTest::addColumn<bool>("pausedBefore");
        QTest::newRow("running") << false;
        QTest::newRow("paused by the operator") << true;
    }
    void addDeviceWhilePolling()
    {
        QFETCH(bool, pausedBefore);
        FastTimerFactory timers;
        StationRig r(QString::fromLatin1(kBus), timers);
        QVERIFY2(r.ok(), qPrintable(r.why()));
        Station &s = *r.station;
        s.devices.PollStart = 1;
        s.devices.PollEnd = 2;
        s.settings.setInterval(1);
        s.polling.cmdLoopR_Click();
        s.settingsRequest.accept();
        QTRY_VERIFY_WITH_TIMEOUT(s.readings.CycleCount >= 1, 10000);
        if (pausedBefore)
            s.polling.cmdLoopP_Click();
        QStringList during; // the cycle's state when the type query goes out
        connect(&s.exchange, &Exchange::frameSent, this, [&](const QByteArray &frame) {
            if (frame.startsWith("\x03"))
                during << s.polling.loopPCaption() + (s.polling.timerActive() ? " timer on" : " timer off");
        });
        s.panel.Text4 = QStringLiteral("3");
        s.registry.cmdAddDev_Click();
        QCOMPARE(during, QStringList{"继续 timer off"});
        QCOMPARE(s.devices.PollEnd, 3);
        QCOMPARE(s.polling.loopPCaption(), pausedBefore ? u"继续"_qs : u"暂停"_qs);
        QCOMPARE(s.polling.timerActive(), !pausedBefore);
        s.polling.stop();
    }

    void programEndWhilePolling_data()
    {
        QTest::addColumn<bool>("refused");
        QTest::newRow("complete passes logged") << false;
        QTest::newRow("refused readings rescued to a file") << true;
    }
    void programEndWhilePolling()
    {
        QFETCH(bool, refused);
        FastTimerFactory timers;
        StationRig r(QString::fromLatin1(kBus), timers, SystemClock::instance(), {QStringLiteral("--fixed")});
        QVERIFY2(r.ok(), qPrintable(r.why()));
        Station &s = *r.station;
        s.devices.PollStart = 1; // 1..2 every second (at a tenth of the time), saving on
        s.devices.PollEnd = 2;
        s.settings.setInterval(1);
        s.polling.cmdLoopR_Click();
        s.settings.SaveEnabled = true;
        s.settingsRequest.accept();
        QTRY_VERIFY_WITH_TIMEOUT(s.readings.CycleCount >= 2, 10000);
        const int passes = s.readings.CycleCount;
        if (refused) { // the data base goes away under the running program
            QVERIFY(QFile::remove(s.db.filePath()));
            QVERIFY(QDir().mkpath(s.db.filePath()));
        }
        s.Form_Unload();
        QCOMPARE(s.polling.phase(), Polling::Phase::Stopped);
        const QDir exports(QDir(r.data.path()).filePath(QStringLiteral("export")));
        const QStringList files = exports.entryList({QStringLiteral("unsaved-*.txt")});
        if (!refused) {
            const ReadingsResult logged = s.db.readings(QDateTime(QDate(2000, 1, 1), QTime(0, 0)),
                                                        QDateTime(QDate(2100, 1, 1), QTime(0, 0)));
            QVERIFY(logged.ok && r.op.messages.isEmpty() && files.isEmpty());
            QCOMPARE(int(logged.rows.size()), passes * 3); // T and RH of 1, CO2 of 2
            return;
        }
        QCOMPARE(r.op.messages.size(), 1);
        QVERIFY(r.op.messages.first().text.contains(u"已另存为文本文件"_qs) && files.size() == 1);
        QFile f(exports.filePath(files.first()));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll(); // every reading once, after a header, lines ended by CR LF
        QVERIFY(text.startsWith("READTIME,READVALUE,PROTYPE,ADDRESS\r\n"));
        QCOMPARE(text.count("\r\n"), 1 + passes * 3);
        for (const char *reading : {",215,T,1\r\n", ",456,RH,1\r\n", ",612,CO2,2\r\n"})
            QVERIFY2(text.count(reading) == passes, reading);
    }
};

QTEST_GUILESS_MAIN(TstStation)
#include "tst_station.moc"

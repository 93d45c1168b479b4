// The polling cycle with injected time: intervals of seconds and minutes, 300 passes, new
// devices, silent devices, pause during an exchange.
#include "common/fakebus.h"
#include "common/fakeport.h"
#include "common/recordingoperator.h"
#include "devices/devicetable.h"
#include "devices/pollsettings.h"
#include "link/exchange.h"
#include "manualtime.h"
#include "polling/polling.h"
#include "products/panel.h"
#include "recording/readingbuffer.h"

#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {
struct Rig {
    FakeBus bus;
    FakePort port;
    RecordingOperator op;
    Exchange exchange{port, op};
    DeviceTable devices;
    ReadingBuffer readings;
    Panel panel;
    ManualClock clock;
    ManualTimerFactory timers{clock};
    PollSettings settings;
    Polling polling{exchange, devices, readings, panel, clock, timers, settings};
    QList<int> stored, hidden, shown;
    QList<QDateTime> readTimes;
    int flushes = 0;
    int dialog1 = 0;

    Rig(int start, int end, int seconds)
    {
        port.open();
        port.responder = [this](const QByteArray &f) { return bus.answer(f); };
        devices.PollStart = start;
        devices.PollEnd = end;
        settings.setInterval(seconds);
        polling.openSettings = [this] { polling.settingsAccepted(); };
        polling.readProType = [this] {
            DeviceEntry &d = devices.at(exchange.CurAddr);
            if (d.protype == 0) {
                exchange.CustomStart = 240;
                exchange.CustomCount = 4;
                exchange.readRegisters(3, 255);
                if (exchange.failureCount == 0) {
                    d.mixpro = exchange.data[6];
                    d.protype = exchange.data[7];
                }
            }
            return d.mixpro;
        };
        polling.storeCodes = [this](int a) { stored << a; };
        polling.hideRow = [this](int a) { hidden << a; };
        polling.pollingBlock = [](uint8_t m, uint8_t p) -> std::optional<std::pair<int, int>> {
            if (m == 33 && p == 3)
                return std::make_pair(2, 2);
            if (m == 0 && p != 0)
                return std::make_pair(int(p), 1);
            return std::nullopt;
        };
        polling.showPolledValues = [this] {
            shown << exchange.CurAddr;
            readTimes << clock.now();
        };
        polling.flushReadings = [this] {
            ++flushes;
            return QString();
        };
        polling.showDialog1 = [this] { ++dialog1; };
    }
    void knownDevice(int a)
    {
        bus.addDevice(a, 33, 3);
        bus.registers[a][2] = quint16(200 + a);
        bus.registers[a][3] = 500;
        devices.at(a).mixpro = 33;
        devices.at(a).protype = 3;
    }
    void start()
    {
        polling.cmdLoopR_Click();
        QCOMPARE(polling.phase(), Polling::Phase::Active);
    }
};
} // namespace

class TstPolling : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsInTurnFiveSecondsApart()
    {
        Rig r(1, 3, 5);
        for (int a = 1; a <= 3; ++a)
            r.knownDevice(a);
        r.start();
        QCOMPARE(r.polling.loopRCaption(), QStringLiteral("结束"));
        QCOMPARE(r.polling.timerInterval(), 100);
        QCOMPARE(r.panel.windowWidth(), 12615);
        QList<int> cycles;
        r.timers.advance(100);
        cycles << r.readings.CycleCount;
        for (int i = 0; i < 6; ++i) {
            r.timers.advance(5000);
            cycles << r.readings.CycleCount;
        }
        QCOMPARE(r.shown, (QList<int>{1, 2, 3, 1, 2, 3, 1}));
        QCOMPARE(cycles, (QList<int>{0, 0, 1, 1, 1, 2, 2}));
        for (int i = 1; i < r.readTimes.size(); ++i)
            QCOMPARE(r.readTimes[i - 1].secsTo(r.readTimes[i]), 5);
        QCOMPARE(r.panel.TxtB1, QStringLiteral("1"));
        QVERIFY(r.readings.hasTime(2, 1));
        QVERIFY(r.readings.hasTime(2, 2));
        QVERIFY(!r.readings.hasTime(2, 3));
    }

    void minuteCountdown()
    {
        Rig r(1, 1, 65);
        r.knownDevice(1);
        r.start();
        r.timers.advance(100); // the countdown set by the settings runs first
        QCOMPARE(r.shown.size(), 0);
        QCOMPARE(r.polling.timerInterval(), 60000);
        r.timers.advance(60000);
        QCOMPARE(r.shown.size(), 1);
        QCOMPARE(r.polling.timerInterval(), 5000);
        r.timers.advance(5000); // counts the minute down only
        QCOMPARE(r.shown.size(), 1);
        QCOMPARE(r.polling.timerInterval(), 60000);
        r.timers.advance(59999);
        QCOMPARE(r.shown.size(), 1);
        r.timers.advance(1);
        QCOMPARE(r.shown.size(), 2);
        QCOMPARE(r.readTimes[0].secsTo(r.readTimes[1]), 65);
    }

    void wholeMinutesKeepTheirInterval()
    {
        Rig r(1, 1, 120);
        r.knownDevice(1);
        r.start();
        r.timers.advance(100);
        r.timers.advance(3 * 120000);
        QCOMPARE(r.shown.size(), 3);
        for (int i = 1; i < r.readTimes.size(); ++i)
            QCOMPARE(r.readTimes[i - 1].secsTo(r.readTimes[i]), 120);
    }

    void threeHundredPassesWrapTheBuffer_data()
    {
        QTest::addColumn<bool>("save");
        QTest::newRow("saving: the log is written") << true;
        QTest::newRow("not saving: nothing written") << false;
    }
    void threeHundredPassesWrapTheBuffer()
    {
        QFETCH(bool, save);
        Rig r(4, 4, 1);
        r.knownDevice(4);
        r.settings.SaveEnabled = save;
        r.start();
        r.timers.advance(100 + 298 * 1000);
        QCOMPARE(r.readings.CycleCount, 299);
        QCOMPARE(r.flushes, 0);
        r.timers.advance(1000);
        QCOMPARE(r.flushes, save ? 1 : 0);
        QCOMPARE(r.readings.CycleCount, 0);
        r.timers.advance(1000);
        QCOMPARE(r.readings.CycleCount, 1);
    }

    void newDeviceLearntAndReadInTheSameTick()
    {
        Rig r(2, 2, 5);
        r.bus.addDevice(2, 0, 6);
        r.bus.registers[2][6] = 450;
        r.start();
        r.timers.advance(100);
        QCOMPARE(r.devices.at(2).mixpro, uint8_t(0));
        QCOMPARE(r.devices.at(2).protype, uint8_t(6));
        QCOMPARE(r.stored, QList<int>{2});
        QCOMPARE(r.shown, QList<int>{2});
        QCOMPARE(r.bus.requests.size(), 2);
        QCOMPARE(r.bus.requests[1].toHex(), QByteArray("020300060001") + withCrc(QByteArray::fromHex("020300060001")).right(2).toHex());
    }

    void silentNewDeviceIsPassedOver()
    {
        Rig r(1, 2, 1);
        r.knownDevice(1);
        r.bus.silent << 2;
        r.start();
        r.timers.advance(100);  // reads 1
        r.timers.advance(1000); // asks 2 for its type: 3 s of silence
        QCOMPARE(r.devices.at(2).absent, uint8_t(1));
        QCOMPARE(r.stored, QList<int>{2});
        QVERIFY(r.hidden.contains(2));
        QCOMPARE(r.readings.CycleCount, 1);
        r.bus.requests.clear();
        r.timers.advance(1000); // 1
        r.timers.advance(1000); // 2 passed over, 1 read again in the same tick
        QCOMPARE(r.bus.valueReads(), (QList<int>{1, 1}));
        QCOMPARE(r.exchange.failureCount, quint16(0));
    }

    void timeoutOfAKnownDeviceIsReported()
    {
        Rig r(5, 5, 1);
        r.knownDevice(5);
        r.bus.silent << 5;
        r.start();
        r.timers.advance(100);
        QCOMPARE(r.panel.Text5, QStringLiteral("5号设备通迅超时！"));
        QVERIFY(r.shown.isEmpty());
        QVERIFY(!r.readings.hasTime(5, 1));
        QCOMPARE(r.devices.at(5).absent, uint8_t(0));
        QVERIFY(r.polling.timerActive());
    }

    void allAbsentRangeEndsTheTick()
    {
        Rig r(1, 3, 1);
        for (int a = 1; a <= 3; ++a)
            r.devices.at(a).absent = 1;
        r.start();
        r.timers.advance(100);
        QVERIFY(r.bus.requests.isEmpty());
        QCOMPARE(r.hidden, (QList<int>{1, 2, 3}));
        QVERIFY(r.polling.timerActive());
    }

    void pauseOrStopDuringAnExchangeHolds_data()
    {
        QTest::addColumn<bool>("stop");
        QTest::newRow("pause") << false;
        QTest::newRow("stop") << true;
    }
    void pauseOrStopDuringAnExchangeHolds()
    {
        QFETCH(bool, stop);
        Rig r(1, 1, 1);
        r.knownDevice(1);
        r.port.delayMs = 300;
        r.start();
        QTimer::singleShot(50, &r.polling, [&] { stop ? r.polling.cmdLoopR_Click() : r.polling.cmdLoopP_Click(); });
        r.timers.advance(100);
        QCOMPARE(r.shown.size(), 1);
        QVERIFY(!r.polling.timerActive());
        if (stop) {
            QCOMPARE(r.polling.loopRCaption(), QStringLiteral("轮询"));
            QVERIFY(!r.polling.loopPEnabled());
            QCOMPARE(r.dialog1, 1);
            QCOMPARE(r.panel.windowWidth(), 6180);
            return;
        }
        QCOMPARE(r.polling.loopPCaption(), QStringLiteral("继续"));
        r.polling.cmdLoopP_Click();
        QCOMPARE(r.polling.loopPCaption(), QStringLiteral("暂停"));
        QCOMPARE(r.polling.timerInterval(), 100);
        r.timers.advance(100);
        QCOMPARE(r.shown.size(), 2);
    }

    void stopFlushesCompletePassesOnly()
    {
        Rig r(1, 2, 1);
        r.knownDevice(1);
        r.knownDevice(2);
        r.settings.SaveEnabled = true;
        r.start();
        r.timers.advance(100 + 4 * 1000); // two passes and a half
        QCOMPARE(r.readings.CycleCount, 2);
        r.polling.cmdLoopR_Click();
        QCOMPARE(r.flushes, 1);
        QCOMPARE(r.readings.CycleCount, 0);
        QVERIFY(!r.readings.hasTime(1, 3)); // the half pass is not carried into the next run
    }

    void cancelledSettingsStartNothing()
    {
        Rig r(1, 1, 1);
        r.polling.openSettings = [&] { r.polling.settingsCancelled(); };
        r.polling.cmdLoopR_Click();
        QCOMPARE(r.polling.phase(), Polling::Phase::Stopped);
        QVERIFY(!r.polling.timerActive());
        QCOMPARE(r.panel.windowWidth(), 6180);
    }
};

QTEST_GUILESS_MAIN(TstPolling)
#include "tst_polling.moc"

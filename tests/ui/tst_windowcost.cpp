// The main window during polling: however many boxes a reading changes, the window repaints at
// most once per reading; and closing it while a device is waited for ends the program cleanly.
#include "busfile.h"
#include "common/manualtime.h"
#include "common/recordingoperator.h"
#include "common/timedwire.h"
#include "frmroughin.h"
#include "simbus.h"
#include "station/station.h"

#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {
// Counts the repaint passes of one top-level window.
struct RepaintCounter : QObject {
    int passes = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::UpdateRequest)
            ++passes;
        return false;
    }
};
} // namespace

class TstWindowCost : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void atMostOneRepaintPerReading()
    {
        QString busText; // T+RH+CO2+VOC+PM2.5 sensors: five boxes change per reading
        for (int a = 1; a <= 8; ++a)
            busText += QStringLiteral("%1 81 27 230415 0001 17\n").arg(a);
        ManualTime time;
        sim::SimBus bus(sim::parseBusText(busText).devices);
        TimedWire wire(bus, time);
        RecordingOperator op;
        QTemporaryDir data;
        Station s(wire, op, time, time, data.path());
        frmroughin w(s);
        s.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        for (int a = 1; a <= 8; ++a)
            s.devices.at(a) = {81, 27, 0, QStringLiteral("T+RH+CO2+VOC+PM2.5"), {}};
        s.devices.PollStart = 1;
        s.devices.PollEnd = 8;
        s.settings.setInterval(1);
        s.polling.cmdLoopR_Click();
        s.settingsRequest.accept();
        QTest::qWait(100); // the window settles at its polling width
        RepaintCounter counter;
        w.installEventFilter(&counter);
        int readings = 0;
        connect(&s.exchange, &Exchange::replyTaken, this, [&] { ++readings; });
        for (int i = 0; i < 24; ++i) {
            time.advance(1000);
            QCoreApplication::processEvents(); // the turn in which a window repaints
        }
        QCOMPARE(readings, 24);
        QVERIFY2(counter.passes <= readings, qPrintable(QString::number(counter.passes)));
        QVERIFY(counter.passes >= 1); // it does show the readings
    }

    // The operator closes the window while a polling tick waits for a silent device: the
    // program's loops end, the wait returns, and no transaction is left behind for the station
    // that is destroyed next.
    void closedDuringAWait()
    {
        ManualTime time(5000); // the injected time-out must not end the wait first
        sim::SimBus bus(sim::parseBusText(QStringLiteral("9 33 3 230415 0001 17 silent\n")).devices);
        TimedWire wire(bus, time);
        RecordingOperator op;
        QTemporaryDir data;
        auto s = std::make_unique<Station>(wire, op, time, time, data.path());
        auto w = std::make_unique<frmroughin>(*s);
        s->Form_Load();
        w->show();
        s->devices.at(9) = {33, 3, 0, QStringLiteral("T+RH"), {}};
        s->devices.PollStart = s->devices.PollEnd = 9;
        s->polling.cmdLoopR_Click();
        s->settingsRequest.accept();
        bool waiting = false;
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(20, [&] {
                waiting = s->exchange.busy();
                w->close(); // the last window: the application quits
            });
            time.advance(Polling::RestartMs); // the first tick, whose exchange waits
        });
        QApplication::exec();
        QVERIFY(waiting);
        QCOMPARE(s->exchange.transactionsLeft(), 0);
        w.reset();
        s.reset();
    }
};

QTEST_MAIN(TstWindowCost)
#include "tst_windowcost.moc"

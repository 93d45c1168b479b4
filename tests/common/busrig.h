#pragma once
// A whole station on kestrel-sim's bus model in process, with injected time: a device that answers
// 4.2 s late costs no real seconds, and a polling tick may be cut anywhere. Every request is kept
// with the test time it left at.
//
//   BusRig r(sensor(1) + sensor(2, "silent"), {1, 2}); // both in the device table
//   r.poll(1, 2, 1);                                    // "轮询", answered with OK
//   r.advance(5000);
//   QCOMPARE(r.to(), (QList<int>{1, 2, 1, 2, 1, 2, 1, 2, 1, 2}));
#include "busfile.h"
#include "common/manualtime.h"
#include "common/recordingoperator.h"
#include "common/timedwire.h"
#include "simbus.h"
#include "station/station.h"

#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

namespace kestrel::test {

// A bus-file line: a T+RH sensor at `a` answering 20.a °C (raw 200 + a) and 50 %, with options.
inline QString sensor(int a, const char *options = "")
{
    return QStringLiteral("%1 33 3 230415 0001 17 set=2:%2 set=3:500 %3\n")
        .arg(a)
        .arg(200 + a)
        .arg(QLatin1String(options));
}

struct BusRig : ManualTime {
    sim::SimBus bus;
    TimedWire wire{bus, *this};
    RecordingOperator op;
    QTemporaryDir data;
    std::unique_ptr<Station> station;
    QList<QByteArray> sent;
    QList<qint64> sentMs; // the test time each request left at

    // The T+RH sensors at `known` are in the device table: polling asks them no type.
    explicit BusRig(const QString &busText, const QList<int> &known = {})
        : bus(sim::parseBusText(busText).devices)
    {
        bus.setFixed(true);
        station = std::make_unique<Station>(wire, op, *this, *this, data.path());
        station->Form_Load();
        for (int a : known)
            station->devices.at(a) = {33, 3, 0, QStringLiteral("T+RH"), {}};
        QObject::connect(&station->exchange, &Exchange::frameSent,
                         [this](const QByteArray &f) { sent << f, sentMs << elapsedMs(); });
    }
    // "轮询" for start..end every `seconds`, answered with OK.
    void poll(int start, int end, int seconds, bool save = false)
    {
        station->devices.PollStart = start;
        station->devices.PollEnd = end;
        station->settings.setInterval(seconds);
        station->settings.SaveEnabled = save;
        station->polling.cmdLoopR_Click();
        station->settingsRequest.accept();
    }
    // Runs `action` at the next turn of the event loop after request number `n` (from 1) is sent.
    void onFrame(int n, std::function<void()> action)
    {
        QObject::connect(&station->exchange, &Exchange::frameSent, [n, action, seen = 0]() mutable {
            if (++seen == n)
                QTimer::singleShot(0, action);
        });
    }
    QList<int> to() const // the address of each request
    {
        QList<int> a;
        for (const QByteArray &f : sent)
            a << uint8_t(f[0]);
        return a;
    }
    int logged() const // readings in the reading log
    {
        return int(station->db.readings(now().addYears(-1), now().addYears(1)).value.size());
    }
    QString times() const // the whole seconds at which the requests left, as "5 10 15"
    {
        QStringList t;
        for (qint64 ms : sentMs)
            t << QString::number(ms / 1000);
        return t.join(' ');
    }
};

} // namespace kestrel::test

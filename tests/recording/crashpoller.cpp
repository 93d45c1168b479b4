// A polling station without a window, for the crash test: polls address 1 (a T+RH sensor) on
// COM3 with saving on, on time sped up 50 times, and after each tick prints the times of the
// readings the tick took ("taken <secs since epoch>"). Every reading gets a time of its own, two
// seconds after the one before. Messages to the operator are printed as "message <text>".
//
//   crashpoller DATA-FOLDER LINK-PATH [--recover-only]
//
// With --recover-only it starts up (which logs what a crash left behind) and ends.
#include "common/clock.h"
#include "common/log.h"
#include "common/operator.h"
#include "link/portmap.h"
#include "link/qtserialport.h"
#include "station/station.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

using namespace kestrel;

namespace {

void say(const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

class PrintingOperator : public Operator {
public:
    void message(const QString &text, const QString &, Icon) override
    {
        say(QStringLiteral("message ") + QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    }
    QString askOpenFile(const QString &, const QString &) override { return {}; }
    QString askSaveFile(const QString &, const QString &) override { return {}; }
};

// Every call is two seconds after the one before, so every reading gets a time of its own.
class ReadingClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::fromSecsSinceEpoch(Start + 2 * m_calls++); }

private:
    static constexpr qint64 Start = 1796000000; // 2026-11-30
    mutable qint64 m_calls = 0;
};

// Timers 50 times faster; after each timeout's handlers have run, `ticked` is called.
class FastTimer : public Timer {
public:
    explicit FastTimer(const std::function<void()> &ticked)
    {
        m_timer.setSingleShot(false);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this, ticked] {
            Q_EMIT timeout();
            ticked();
        });
    }
    void setInterval(int ms) override
    {
        m_interval = ms;
        m_timer.setInterval(std::max(1, ms / 50));
    }
    int interval() const override { return m_interval; }
    void start() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    int m_interval = 0;
    QTimer m_timer;
};

class FastTimers : public TimerFactory {
public:
    explicit FastTimers(std::function<void()> ticked) : m_ticked(std::move(ticked)) {}
    std::unique_ptr<Timer> create() override { return std::make_unique<FastTimer>(m_ticked); }

private:
    std::function<void()> m_ticked;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    const QString data = args[1];
    setLogFolder(data);
    PortMap map;
    map.set(3, args[2]);
    QtSerialPort port(map);
    PrintingOperator op;
    ReadingClock clock;
    QList<qint64> taken;
    FastTimers timers([&taken] {
        for (qint64 t : std::exchange(taken, {}))
            say(QStringLiteral("taken %1").arg(t));
    });
    Station station(port, op, clock, timers, data);
    // The one device's pass ends with its reading, before the buffer can be flushed.
    QObject::connect(&station.polling, &Polling::passCompleted, [&] {
        const int slot = station.readings.CycleCount;
        if (station.readings.hasTime(1, slot))
            taken << station.readings.timeSecs(1, slot);
    });
    station.Form_Load();
    if (args.contains(QStringLiteral("--recover-only")))
        return 0;

    station.devices.at(1) = {33, 3, 0, QStringLiteral("T+RH"), {}};
    station.devices.PollStart = 1;
    station.devices.PollEnd = 1;
    station.settings.setInterval(1);
    station.settings.SaveEnabled = true;
    station.polling.cmdLoopR_Click();
    station.settingsRequest.accept();
    return app.exec();
}

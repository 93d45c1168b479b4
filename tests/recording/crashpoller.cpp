// A polling station without a window, for the crash test: polls address 1 (a T+RH sensor) on
// COM3 with saving on, on time sped up `--speed` times, and after each tick prints the times of
// the readings the tick took ("taken <secs since epoch>"). Every reading gets a time of its own,
// two seconds after the one before. Messages to the operator are printed as "message <text>".
//
//   crashpoller --data-dir DIR --link PATH [--speed N] [--recover-only]
//
// With --recover-only it starts up (which logs what a crash left behind) and ends.
#include "common/clock.h"
#include "common/log.h"
#include "common/operator.h"
#include "link/portmap.h"
#include "link/qtserialport.h"
#include "station/station.h"

#include <QCommandLineParser>
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

// Timers `speed` times faster; after each timeout's handlers have run, `ticked` is called.
class FastTimer : public Timer {
public:
    FastTimer(int speed, const std::function<void()> &ticked) : m_speed(speed)
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
        m_timer.setInterval(std::max(1, ms / m_speed));
    }
    int interval() const override { return m_interval; }
    void start() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    int m_speed;
    int m_interval = 0;
    QTimer m_timer;
};

class FastTimers : public TimerFactory {
public:
    FastTimers(int speed, std::function<void()> ticked) : m_speed(speed), m_ticked(std::move(ticked)) {}
    std::unique_ptr<Timer> create() override { return std::make_unique<FastTimer>(m_speed, m_ticked); }

private:
    int m_speed;
    std::function<void()> m_ticked;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption dataOpt(QStringLiteral("data-dir"), QStringLiteral("data folder"),
                                     QStringLiteral("DIR"));
    const QCommandLineOption linkOpt(QStringLiteral("link"), QStringLiteral("the bus"),
                                     QStringLiteral("PATH"));
    const QCommandLineOption speedOpt(QStringLiteral("speed"), QStringLiteral("time factor"),
                                      QStringLiteral("N"), QStringLiteral("50"));
    const QCommandLineOption recoverOpt(QStringLiteral("recover-only"), QStringLiteral("start up and end"));
    parser.addOptions({dataOpt, linkOpt, speedOpt, recoverOpt});
    parser.process(app);

    const QString data = parser.value(dataOpt);
    setLogFolder(data);
    PortMap map;
    map.set(3, parser.value(linkOpt));
    QtSerialPort port(map);
    PrintingOperator op;
    ReadingClock clock;
    QList<qint64> taken;
    FastTimers timers(std::max(1, parser.value(speedOpt).toInt()), [&taken] {
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
    if (parser.isSet(recoverOpt))
        return 0;

    station.devices.at(1) = {33, 3, 0, QStringLiteral("T+RH"), {}};
    station.devices.PollStart = 1;
    station.devices.PollEnd = 1;
    station.settings.setInterval(1);
    station.settings.SaveEnabled = true;
    station.polling.cmdLoopR_Click();
    station.settingsRequest.accept();
    say(QStringLiteral("polling"));
    return app.exec();
}

#pragma once
// Time is injected: core classes read the clock and create timers through these interfaces,
// so that tests can step through long intervals at once.
#include <QDateTime>
#include <QObject>
#include <memory>

namespace kestrel {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    static SystemClock &instance();
};

// A single-shot or repeating timer with a millisecond interval, like a window timer.
class Timer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
Q_SIGNALS:
    void timeout();
};

class TimerFactory {
public:
    virtual ~TimerFactory() = default;
    virtual std::unique_ptr<Timer> create() = 0;
};

// Production: a precise QTimer underneath. It measures elapsed time on the monotonic clock: it
// never fires early, and a change of the time of day (midnight, a clock set by hand) does not move it.
class QtTimerFactory : public TimerFactory {
public:
    std::unique_ptr<Timer> create() override;
    static QtTimerFactory &instance();
};

} // namespace kestrel

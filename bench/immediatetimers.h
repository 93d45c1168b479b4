#pragma once
// Timers for the benchmarks that fire as soon as the event loop is free, whatever interval is
// set: the polling interval out of the way, every other step of the cycle as it is. The
// exchange's 3-s limit is the one interval kept.
#include "common/clock.h"
#include "link/exchange.h"

#include <QTimer>
#include <memory>

namespace kestrel::bench {

class ImmediateTimer : public Timer {
public:
    ImmediateTimer() { QObject::connect(&m_timer, &QTimer::timeout, this, &Timer::timeout); }
    void setInterval(int ms) override
    {
        m_interval = ms;
        m_timer.setInterval(ms == Exchange::TimeLimitMs ? ms : 0);
    }
    int interval() const override { return m_interval; }
    void start() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
    int m_interval = 0;
};

struct ImmediateTimers : TimerFactory {
    std::unique_ptr<Timer> create() override { return std::make_unique<ImmediateTimer>(); }
};

} // namespace kestrel::bench

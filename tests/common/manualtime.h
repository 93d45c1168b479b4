#pragma once
// Injected time for tests: a clock that moves only when told, and window timers that fire
// when the test advances the clock past their due time.
#include "common/clock.h"

#include <QList>
#include <QPointer>
#include <algorithm>

namespace kestrel::test {

class ManualClock : public Clock {
public:
    QDateTime t = QDateTime(QDate(2026, 12, 6), QTime(10, 0, 0));
    QDateTime now() const override { return t; }
};

class ManualTimerFactory;

class ManualTimer : public Timer {
public:
    explicit ManualTimer(ManualTimerFactory &f) : m_f(f) {}
    ~ManualTimer() override;
    void setInterval(int ms) override { m_interval = ms; }
    int interval() const override { return m_interval; }
    void start() override;
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    qint64 due = 0;
    void fire() { Q_EMIT timeout(); }

private:
    ManualTimerFactory &m_f;
    int m_interval = 0;
    bool m_active = false;
};

class ManualTimerFactory : public TimerFactory {
public:
    explicit ManualTimerFactory(ManualClock &c) : clock(c) {}
    std::unique_ptr<Timer> create() override
    {
        auto t = std::make_unique<ManualTimer>(*this);
        timers.append(t.get());
        return t;
    }
    qint64 nowMs() const { return m_now; }
    // Moves time forward by ms, firing every timer that falls due on the way, in order.
    void advance(qint64 ms)
    {
        const qint64 target = m_now + ms;
        for (;;) {
            ManualTimer *next = nullptr;
            for (ManualTimer *t : timers)
                if (t->isActive() && t->due <= target && (!next || t->due < next->due))
                    next = t;
            if (!next)
                break;
            setNow(next->due);
            next->due = m_now + std::max(next->interval(), 0); // a window timer repeats
            next->fire();
        }
        setNow(target);
    }
    void setNow(qint64 ms)
    {
        clock.t = clock.t.addMSecs(ms - m_now);
        m_now = ms;
    }
    ManualClock &clock;
    QList<ManualTimer *> timers;

private:
    qint64 m_now = 0;
};

inline ManualTimer::~ManualTimer() { m_f.timers.removeAll(this); }
inline void ManualTimer::start()
{
    m_active = true;
    due = m_f.nowMs() + std::max(m_interval, 0);
}

} // namespace kestrel::test

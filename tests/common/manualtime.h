#pragma once
// Injected time for tests: a clock that moves only when told, and window timers that fire when
// the test moves it past their due time.
#include "common/clock.h"

#include <QList>
#include <algorithm>

namespace kestrel::test {

class ManualTime : public Clock, public TimerFactory {
public:
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 6), QTime(10, 0)).addMSecs(m_now); }
    std::unique_ptr<Timer> create() override { return std::make_unique<T>(*this); }

    // Moves time forward by ms, firing every timer that falls due on the way, in order; a window
    // timer repeats until it is stopped.
    void advance(qint64 ms)
    {
        const qint64 target = m_now + ms;
        for (;;) {
            T *next = nullptr;
            for (T *t : m_timers)
                if (t->active && t->due <= target && (!next || t->due < next->due))
                    next = t;
            if (!next)
                break;
            m_now = next->due;
            next->due = m_now + std::max(next->ms, 0);
            Q_EMIT next->timeout();
        }
        m_now = target;
    }

private:
    struct T : Timer {
        explicit T(ManualTime &time) : time(time) { time.m_timers << this; }
        ~T() override { time.m_timers.removeAll(this); }
        void setInterval(int v) override { ms = v; }
        int interval() const override { return ms; }
        void start() override { active = true, due = time.m_now + std::max(ms, 0); }
        void stop() override { active = false; }
        bool isActive() const override { return active; }
        ManualTime &time;
        int ms = 0;
        bool active = false;
        qint64 due = 0;
    };
    QList<T *> m_timers;
    qint64 m_now = 0;
};

} // namespace kestrel::test

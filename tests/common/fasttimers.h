#pragma once
// Window timers at a tenth of their interval: the polling cycle runs as it would, only faster.
#include "common/clock.h"

#include <QTimer>

namespace kestrel::test {

class FastTimerFactory : public TimerFactory {
public:
    std::unique_ptr<Timer> create() override
    {
        class T : public Timer {
        public:
            T()
            {
                q.setTimerType(Qt::PreciseTimer);
                connect(&q, &QTimer::timeout, this, &Timer::timeout);
            }
            void setInterval(int ms) override
            {
                m_ms = ms;
                q.setInterval(ms / 10);
            }
            int interval() const override { return m_ms; }
            void start() override { q.start(); }
            void stop() override { q.stop(); }
            bool isActive() const override { return q.isActive(); }
            QTimer q;
            int m_ms = 0;
        };
        return std::make_unique<T>();
    }
};

} // namespace kestrel::test

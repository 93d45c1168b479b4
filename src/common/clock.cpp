#include "clock.h"

#include <QTimer>

namespace kestrel {

SystemClock &SystemClock::instance()
{
    static SystemClock c;
    return c;
}

namespace {
class QtTimer : public Timer {
public:
    QtTimer()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, this, &Timer::timeout);
    }
    void setInterval(int ms) override { m_timer.setInterval(ms); }
    int interval() const override { return m_timer.interval(); }
    void start() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};
} // namespace

std::unique_ptr<Timer> QtTimerFactory::create()
{
    return std::make_unique<QtTimer>();
}

QtTimerFactory &QtTimerFactory::instance()
{
    static QtTimerFactory f;
    return f;
}

} // namespace kestrel

#include "countdown.h"

namespace kestrel {

Countdown::Countdown(TimerFactory &timers, uint8_t &waitMinutes, uint8_t &waitSeconds,
                     const uint8_t &reloadMinutes, const uint8_t &reloadSeconds)
    : m_timer(timers.create()), m_waitMinutes(waitMinutes), m_waitSeconds(waitSeconds),
      m_reloadMinutes(reloadMinutes), m_reloadSeconds(reloadSeconds)
{
}

int Countdown::secondsIntervalMs() const
{
    if (m_reloadMinutes == 0 && m_reloadSeconds == 0)
        return ZeroIntervalMs;
    return m_waitSeconds * 1000; // 0 for whole minutes: the countdown follows at once
}

void Countdown::restart()
{
    m_waitMinutes = m_reloadMinutes;
    m_waitSeconds = m_reloadSeconds;
    m_timer->stop();
    m_timer->setInterval(secondsIntervalMs());
    m_timer->start();
}

bool Countdown::tick()
{
    m_timer->stop();
    if (m_waitMinutes != 0) {
        --m_waitMinutes;
        m_timer->setInterval(MinuteMs);
        m_timer->start();
        return false;
    }
    m_waitMinutes = m_reloadMinutes;
    m_waitSeconds = m_reloadSeconds;
    m_timer->setInterval(secondsIntervalMs());
    return true;
}

} // namespace kestrel

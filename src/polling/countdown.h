#pragma once
// The minute countdown of a window timer (Timer3 of polling, Timer2 of the timed reading).
//
// An interval of T = 60 m + s seconds runs as: a read tick reloads the wait minutes with m and
// sets the next interval to s seconds; each later tick while wait minutes remain counts one
// down and waits 60 s; the tick that finds none left is the next read tick. Reads therefore lie
// T seconds apart (plus the time the read takes, as the timer is off during it). With s = 0 the
// minute countdown begins at once after the read, so whole minutes are honoured too; T = 0 reads
// once a second.
//
// The wait and reload values are the owner's state, given by reference.
#include "common/clock.h"

#include <cstdint>
#include <memory>

namespace kestrel {

class Countdown {
public:
    static constexpr int MinuteMs = 60000;
    static constexpr int ZeroIntervalMs = 1000;

    Countdown(TimerFactory &timers, uint8_t &waitMinutes, uint8_t &waitSeconds, const uint8_t &reloadMinutes,
              const uint8_t &reloadSeconds);

    // The timer itself; its timeout goes to the owner's tick handler, which calls tick().
    Timer &timer() { return *m_timer; }
    const Timer &timer() const { return *m_timer; }

    // The start of a run: the wait minutes from the reload minutes, the first tick after the
    // seconds part.
    void restart();

    // One tick. Counts a minute down and returns false (the timer runs on), or, when no minutes
    // are left, switches the timer off, reloads and sets the next interval, and returns true:
    // the owner reads and switches the timer on again unless it was stopped meanwhile.
    bool tick();

private:
    int secondsIntervalMs() const;

    std::unique_ptr<Timer> m_timer;
    uint8_t &m_waitMinutes;
    uint8_t &m_waitSeconds;
    const uint8_t &m_reloadMinutes;
    const uint8_t &m_reloadSeconds;
};

} // namespace kestrel

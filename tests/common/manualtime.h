#pragma once
// Injected time for tests: a clock that moves only as described here, and window timers that fire
// when the clock passes their due time.
//
// The clock moves in two ways:
//  - advance(ms) moves it forward by ms, firing every timer that falls due on the way, in order,
//    from within the call. A window timer repeats until it is stopped.
//  - A nested wait moves it on its own. Code that waits in an event loop of its own (the exchange
//    waiting for a reply inside a polling tick or a button handler) cannot be reached by the
//    test's advance(). When an event loop deeper than the one the clock was made in has handled
//    no event for graceMs() of real time, the clock jumps to the next due timer and fires it.
//    Bytes arriving from the simulator, posted calls and real timers are events: a reply that
//    comes within the grace period is taken before any jump, and a silent device times out after
//    its full injected 3 s in about a grace period of real time. A test with a device that stays quiet
//    longer before it answers (late=300, or replies paced at a low --baud) raises the grace period.
//    QTest::qWait and QTRY_* run no event loop of their own: the clock stands still in them.
// Time a nested wait takes counts: advance(ms) ends at its start + ms, or later when a nested wait
// inside it moved the clock further.
#include "common/clock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <QThread>
#include <QTimerEvent>
#include <algorithm>
#include <memory>

namespace kestrel::test {

class ManualTime : public Clock, public TimerFactory {
public:
    static constexpr int DefaultGraceMs = 50;

    explicit ManualTime(int graceMs = DefaultGraceMs)
        : m_graceMs(graceMs), m_baseLevel(QThread::currentThread()->loopLevel())
    {
    }

    QDateTime now() const override { return QDateTime(QDate(2026, 12, 6), QTime(10, 0)).addMSecs(m_now); }
    std::unique_ptr<Timer> create() override { return std::make_unique<T>(*this); }
    qint64 elapsedMs() const { return m_now; } // since the clock was made

    void advance(qint64 ms)
    {
        const qint64 target = m_now + ms;
        while (T *next = nextDue())
            if (next->due <= target)
                fire(next);
            else
                break;
        m_now = std::max(m_now, target);
    }

    void setGraceMs(int ms) { m_graceMs = ms; }

private:
    struct T : Timer {
        explicit T(ManualTime &time) : time(time) { time.m_timers << this; }
        ~T() override { time.m_timers.removeAll(this); }
        void setInterval(int v) override { ms = v; }
        int interval() const override { return ms; }
        void start() override
        {
            active = true, due = time.m_now + std::max(ms, 0);
            time.watch(); // starting a timer counts as activity: no jump before a grace period
        }
        void stop() override { active = false; }
        bool isActive() const override { return active; }
        ManualTime &time;
        int ms = 0;
        bool active = false;
        qint64 due = 0;
    };

    // Sees every event of the program's thread and checks, a grace period after the last one,
    // whether a nested wait is idle.
    struct Watch : QObject {
        explicit Watch(ManualTime &time) : time(time)
        {
            QCoreApplication::instance()->installEventFilter(this);
        }
        bool eventFilter(QObject *receiver, QEvent *) override
        {
            if (receiver != this)
                quiet.start();
            return false;
        }
        void arm(qint64 ms)
        {
            if (id)
                killTimer(id);
            id = startTimer(int(std::max<qint64>(ms, 1)), Qt::PreciseTimer);
        }
        void timerEvent(QTimerEvent *) override
        {
            killTimer(id), id = 0; // a fresh timer for each check: it may fire inside a wait it starts
            if (!time.nextDue())
                return; // armed again when a timer starts
            if (QThread::currentThread()->loopLevel() <= time.m_baseLevel)
                return arm(time.m_graceMs); // no nested wait
            if (const qint64 idle = quiet.elapsed(); idle < time.m_graceMs)
                return arm(time.m_graceMs - idle);
            // Events that became ready while the process was not scheduled (a loaded machine) come
            // first: only a wait still idle after them jumps.
            QCoreApplication::processEvents();
            if (const qint64 idle = quiet.elapsed(); idle < time.m_graceMs)
                return arm(time.m_graceMs - idle);
            arm(time.m_graceMs);
            quiet.start();
            time.fire(time.nextDue());
        }
        ManualTime &time;
        QElapsedTimer quiet;
        int id = 0;
    };

    T *nextDue() const
    {
        T *next = nullptr;
        for (T *t : m_timers)
            if (t->active && (!next || t->due < next->due))
                next = t;
        return next;
    }
    void fire(T *t)
    {
        m_now = std::max(m_now, t->due);
        t->due = m_now + std::max(t->ms, 0);
        Q_EMIT t->timeout();
    }
    void watch()
    {
        if (!m_watch)
            m_watch = std::make_unique<Watch>(*this);
        m_watch->quiet.start();
        if (!m_watch->id)
            m_watch->arm(m_graceMs);
    }

    QList<T *> m_timers;
    qint64 m_now = 0;
    int m_graceMs;
    const int m_baseLevel;
    std::unique_ptr<Watch> m_watch;
};

} // namespace kestrel::test

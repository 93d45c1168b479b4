#pragma once
// The timed reading: the single read of the device shown on the main window, repeated every t
// seconds (1..599, typed into txtSetTime) on the ticks of Timer2, with the minute countdown that
// polling uses. While it runs, the single read buffers its readings (the timed-reading flag of the
// buffer); stopping writes the buffer to the day's record file.
//
// The state is explicit (stopped / running); the caption of cmdAutoRead is derived from it.
#include "countdown.h"

#include <QObject>
#include <QString>
#include <cstdint>

namespace kestrel {

class Operator;
class RecordFile;
struct TimedBuffer;

// What the timed reading needs of the rest of the main window.
class TimedReadingActions {
public:
    virtual ~TimedReadingActions() = default;
    // The single read, as a click on "单个读取" does it.
    virtual void singleRead() = 0;
    // Polling stopped: Timer3 off, its buttons back to "轮询" and a disabled "暂停".
    virtual void stopPolling() = 0;
};

class TimedReading : public QObject {
    Q_OBJECT
public:
    enum class State { Stopped, Running };
    static constexpr int LowestSeconds = 1;
    static constexpr int HighestSeconds = 599;

    TimedReading(TimedReadingActions &actions, TimedBuffer &buffer, RecordFile &records, Operator &op,
                 TimerFactory &timers, QObject *parent = nullptr);

    // The text of txtSetTime, seconds between two reads.
    QString txtSetTime = QStringLiteral("5");
    void setTxtSetTime(const QString &text);

    void cmdAutoRead_Click();
    void Timer2_Timer();
    // Closing the port: Timer2 off; the caption and the flag stay, "停止" still writes the buffer.
    void stopTimer();

    State state() const { return m_state; }
    QString autoReadCaption() const;
    bool timerActive() const { return m_countdown.timer().isActive(); }
    int timerInterval() const { return m_countdown.timer().interval(); }

Q_SIGNALS:
    void changed();

private:
    void start();
    void stop();

    TimedReadingActions &m_actions;
    TimedBuffer &m_buffer;
    RecordFile &m_records;
    Operator &m_op;
    uint8_t m_waitMinutes = 0;
    uint8_t m_waitSeconds = 0;
    uint8_t m_reloadMinutes = 0;
    uint8_t m_reloadSeconds = 0;
    Countdown m_countdown; // Timer2
    State m_state = State::Stopped;
    bool m_halted = false; // Timer2 switched off by closing the port
    unsigned m_run = 0;    // counts starts, so a read that outlives its run does not restart the timer
};

} // namespace kestrel

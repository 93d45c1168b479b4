#include "timedreading.h"
#include "common/tr8.h"

#include "common/numeric.h"
#include "common/operator.h"
#include "recording/recordfile.h"
#include "recording/timedbuffer.h"
#include "texts.h"

namespace kestrel {

TimedReading::TimedReading(TimedReadingActions &actions, TimedBuffer &buffer, RecordFile &records,
                           Operator &op, TimerFactory &timers, QObject *parent)
    : QObject(parent), m_actions(actions), m_buffer(buffer), m_records(records), m_op(op),
      m_countdown(timers, m_waitMinutes, m_waitSeconds, m_reloadMinutes, m_reloadSeconds)
{
    connect(&m_countdown.timer(), &Timer::timeout, this, &TimedReading::Timer2_Timer);
}

QString TimedReading::autoReadCaption() const
{
    return tr8(m_state == State::Running ? texts::polling::AutoReadStop : texts::polling::AutoReadStart);
}

void TimedReading::setTxtSetTime(const QString &text)
{
    if (txtSetTime == text)
        return;
    txtSetTime = text;
    Q_EMIT changed();
}

void TimedReading::cmdAutoRead_Click()
{
    if (m_state == State::Running)
        stop();
    else
        start();
}

void TimedReading::start()
{
    const qint64 t = numericValue(txtSetTime);
    // A refused entry changes nothing, polling included.
    if (t < LowestSeconds || t > HighestSeconds) {
        m_op.message(tr8(texts::polling::BadSetTime));
        return;
    }
    m_actions.stopPolling();
    m_reloadMinutes = static_cast<uint8_t>(t / 60);
    m_reloadSeconds = static_cast<uint8_t>(t % 60);
    m_state = State::Running;
    m_buffer.timedReading = true;
    ++m_run;
    m_halted = false;
    m_countdown.restart();
    Q_EMIT changed();
}

void TimedReading::stop()
{
    // Polling stops fully rather than being left with its timer off under "结束".
    m_actions.stopPolling();
    m_countdown.timer().stop();
    m_state = State::Stopped;
    m_buffer.timedReading = false;
    m_records.wData();
    Q_EMIT changed();
}

void TimedReading::stopTimer()
{
    m_halted = true;
    m_countdown.timer().stop();
}

void TimedReading::Timer2_Timer()
{
    if (!m_countdown.tick())
        return;
    const unsigned run = m_run;
    m_actions.singleRead();
    // A stop, a new start or the port closed during the read's wait holds.
    if (m_state == State::Running && run == m_run && !m_halted)
        m_countdown.timer().start();
}

} // namespace kestrel

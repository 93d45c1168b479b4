#include "polling.h"

#include "common/log.h"
#include "devices/devicetable.h"
#include "devices/pollsettings.h"
#include "link/exchange.h"
#include "products/panel.h"
#include "recording/readingbuffer.h"
#include "texts.h"

namespace kestrel {

Polling::Polling(Exchange &exchange, DeviceTable &devices, ReadingBuffer &readings, Panel &panel,
                 Clock &clock, TimerFactory &timers, PollSettings &settings, QObject *parent)
    : QObject(parent), m_exchange(exchange), m_devices(devices), m_readings(readings), m_panel(panel),
      m_clock(clock), m_settings(settings),
      m_countdown(timers, settings.CountdownMinutes, settings.CountdownSeconds, settings.PollMinutes,
                  settings.PollSeconds),
      m_timer(&m_countdown.timer())
{
    connect(m_timer, &Timer::timeout, this, &Polling::Timer3_Timer);
}

Polling::~Polling() = default;

bool Polling::timerActive() const { return m_timer->isActive(); }
int Polling::timerInterval() const { return m_timer->interval(); }

QString Polling::loopRCaption() const
{
    return QString::fromUtf8(m_phase == Phase::Active ? texts::LoopStop : texts::LoopStart);
}

QString Polling::loopPCaption() const { return QString::fromUtf8(m_paused ? texts::LoopContinue : texts::LoopPause); }

void Polling::setPhase(Phase p, bool paused)
{
    m_phase = p;
    m_paused = paused;
    m_loopPEnabled = p != Phase::Stopped;
    Q_EMIT changed();
}

void Polling::stop()
{
    m_timer->stop();
    setPhase(Phase::Stopped, false);
}

void Polling::stopTimer() { m_timer->stop(); }

bool Polling::flushIfSaving(bool atStop)
{
    if (!m_settings.SaveEnabled || !flushReadings)
        return true;
    const QString failure = flushReadings();
    if (failure.isEmpty())
        return true;
    const QString text = QString::fromUtf8(texts::SaveFailed) + failure;
    appendLog(text);
    if (atStop && reportFlushFailure)
        reportFlushFailure(text);
    else { // the tick goes on; the message line says it
        m_panel.Text5 = text;
        m_panel.notify();
    }
    return false;
}

void Polling::cmdLoopR_Click()
{
    m_timer->stop();
    const bool written = m_readings.CycleCount < 1 || flushIfSaving(true);
    m_exchange.failureCount = 0;
    m_settings.PollSettingsOk = false;
    m_readings.CycleCount = 0;
    // Readings of an unfinished pass, or of a run without saving, stay out of the next run's log;
    // readings a failed flush could not write stay for the next flush.
    if (written)
        m_readings.clearAll();
    m_panel.setWindowWidth(Panel::WideWidth);

    if (m_phase != Phase::Active) {
        setPhase(Phase::AwaitingSettings, m_paused);
        if (openSettings)
            openSettings(); // answered through settingsAccepted / settingsCancelled
        return;
    }
    setPhase(Phase::Stopped, false);
    m_panel.setWindowWidth(Panel::NarrowWidth);
    if (showDialog1)
        showDialog1();
}

void Polling::settingsAccepted()
{
    if (m_phase != Phase::AwaitingSettings)
        return;
    m_settings.PollSettingsOk = false;
    if (loadAliases)
        loadAliases();
    m_timer->setInterval(RestartMs);
    m_timer->start();
    m_next = m_devices.PollStart;
    setPhase(Phase::Active, m_paused);
    if (buildGrid)
        buildGrid();
}

void Polling::settingsCancelled()
{
    m_settings.PollSettingsCancel = false;
    if (m_phase != Phase::AwaitingSettings)
        return;
    setPhase(Phase::Stopped, false);
    m_panel.setWindowWidth(Panel::NarrowWidth);
}

void Polling::cmdLoopP_Click()
{
    if (!m_paused) {
        m_timer->stop();
        setPhase(m_phase, true);
        return;
    }
    m_timer->setInterval(RestartMs);
    m_timer->start();
    setPhase(m_phase, false);
}

// Moves to the next address; true when a pass over the range was completed.
bool Polling::advance()
{
    if (m_next >= m_devices.PollEnd || m_next < m_devices.PollStart) {
        m_next = m_devices.PollStart;
        ++m_readings.CycleCount;
        return true;
    }
    ++m_next;
    return false;
}

void Polling::Timer3_Timer()
{
    if (!m_countdown.tick())
        return;
    readOne();

    if (m_phase != Phase::Active || m_paused) // a stop or pause made during the exchange holds
        m_timer->stop();
    else
        m_timer->start();
}

void Polling::readOne()
{
    const int rangeSize = m_devices.PollEnd - m_devices.PollStart + 1;
    if (rangeSize < 1 || !DeviceTable::valid(m_devices.PollStart) || !DeviceTable::valid(m_devices.PollEnd))
        return;
    // Step over absent addresses, at most one pass: a range of gaps only ends the tick.
    int skipped = 0;
    for (;;) {
        if (!DeviceTable::valid(m_next))
            m_next = m_devices.PollStart;
        m_exchange.CurAddr = static_cast<uint8_t>(m_next);
        m_panel.TxtB1 = QString::number(m_next);
        m_panel.notify();
        if (readClick)
            readClick();
        if (m_devices.at(m_next).absent != 1)
            break;
        if (hideRow)
            hideRow(m_next);
        advance();
        if (m_readings.CycleCount >= CyclesPerFlush) {
            flushIfSaving(false);
            m_readings.CycleCount = 0;
        }
        if (++skipped >= rangeSize)
            return;
    }

    const int address = m_next;
    DeviceEntry &dev = m_devices.at(address);
    if (dev.absent == 0 && dev.protype == 0) {
        if (readProType)
            readProType();
        if (m_exchange.failureCount != 0)
            dev.absent = 1;
        if (storeCodes)
            storeCodes(address);
    }

    if (m_exchange.failureCount == 0) {
        const auto block = pollingBlock ? pollingBlock(dev.mixpro, dev.protype) : std::nullopt;
        if (block) { // codes without a register block are not read
            m_exchange.CustomStart = static_cast<uint8_t>(std::min(block->first, 128));
            m_exchange.CustomCount = static_cast<uint8_t>(std::min(block->second, 128));
            m_panel.Text2 = dev.alias;
            m_panel.notify();
            m_exchange.readRegisters(3, 255);
            if (m_exchange.failureCount == 0) {
                m_readings.setTime(address, m_readings.CycleCount + 1, m_clock.now());
                if (showPolledValues)
                    showPolledValues();
            } else {
                m_panel.Text5 = QString::number(address) + QString::fromUtf8(texts::TimeoutSuffix);
                m_panel.notify();
            }
        }
    } else if (hideRow) {
        hideRow(address);
    }

    advance();
    m_exchange.failureCount = 0;
    if (m_readings.CycleCount >= CyclesPerFlush) {
        flushIfSaving(false);
        m_readings.CycleCount = 0;
    }
}

} // namespace kestrel

#include "polling.h"
#include "common/tr8.h"

#include "common/log.h"
#include "common/operator.h"
#include "devices/devicegrid.h"
#include "devices/devicetable.h"
#include "devices/pollsettings.h"
#include "link/exchange.h"
#include "products/panel.h"
#include "products/productside.h"
#include "recording/readingbuffer.h"
#include "recording/readinglog.h"
#include "recording/recorddb.h"
#include "texts.h"

namespace kestrel {

Polling::Polling(const PollingParts &parts, Clock &clock, TimerFactory &timers, QObject *parent)
    : QObject(parent), m_exchange(parts.exchange), m_devices(parts.devices), m_grid(parts.grid),
      m_readings(parts.readings), m_log(parts.log), m_db(parts.db), m_products(parts.products),
      m_panel(parts.panel), m_settings(parts.settings), m_op(parts.op), m_clock(clock),
      m_countdown(timers, m_settings.CountdownMinutes, m_settings.CountdownSeconds, m_settings.PollMinutes,
                  m_settings.PollSeconds),
      m_timer(&m_countdown.timer())
{
    connect(m_timer, &Timer::timeout, this, &Polling::Timer3_Timer);
}

Polling::~Polling() = default;

bool Polling::timerActive() const
{
    return m_timer->isActive();
}
int Polling::timerInterval() const
{
    return m_timer->interval();
}

QString Polling::loopRCaption() const
{
    return tr8(m_phase == Phase::Active ? texts::polling::LoopStop : texts::polling::LoopStart);
}

QString Polling::loopPCaption() const
{
    return tr8(m_paused ? texts::polling::LoopContinue : texts::polling::LoopPause);
}

void Polling::setPhase(Phase p, bool paused)
{
    if (p == Phase::Stopped || !paused)
        m_pausedByCheck = false;
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

void Polling::stopTimer()
{
    m_timer->stop();
}

bool Polling::flushIfSaving(bool atStop)
{
    if (!m_settings.SaveEnabled) {
        m_readings.clearAll(); // a wrap without saving leaves no reading behind
        return true;
    }
    const FlushResult r = m_log.flushReadings(m_readings, loggedDevices(m_devices), m_settings.SaveEnabled);
    if (r.ok) {
        m_flushFailureTold = false;
        return true;
    }
    const QString text = tr8(texts::polling::SaveFailed) + r.error;
    appendLog(fileText(texts::polling::SaveFailed) + r.error);
    if (atStop)
        m_op.message(text);
    else // the tick goes on; the readings wait for the next flush
        tellOnce(m_flushFailureTold, text);
    return false;
}

void Polling::tellOnce(bool &told, const QString &text)
{
    if (told)
        return;
    told = true;
    QMetaObject::invokeMethod(
        this, [this, text] { m_op.message(text); }, Qt::QueuedConnection);
}

void Polling::landReading(int address, int slot)
{
    const DeviceEntry &d = m_devices.at(address);
    const DbStatus s = m_log.land(m_readings, {address, logNames(d.mixpro, d.protype, d.typeName)}, slot);
    if (s.ok)
        m_landFailureTold = false;
    else
        tellOnce(m_landFailureTold, tr8(texts::polling::LandFailed) + s.error);
}

void Polling::cmdLoopR_Click()
{
    m_timer->stop();
    const bool written = (m_readings.CycleCount < 1 && m_log.waitingRows() == 0) || flushIfSaving(true);
    m_exchange.failureCount = 0;
    m_settings.PollSettingsOk = false;
    m_readings.CycleCount = 0;
    // Readings of an unfinished pass, or of a run without saving, stay out of the next run's log;
    // readings a failed flush could not write stay for the next flush.
    if (written)
        m_readings.clearAll();
    m_panel.setWindowWidth(Panel::WideWidth);

    if (m_phase != Phase::Active) {
        setPhase(Phase::AwaitingSettings, false); // a new run starts unpaused
        Q_EMIT settingsWanted();                  // answered through settingsAccepted / settingsCancelled
        return;
    }
    setPhase(Phase::Stopped, false);
    m_panel.setWindowWidth(Panel::NarrowWidth);
    Q_EMIT runEnded();
}

void Polling::settingsAccepted()
{
    if (m_phase != Phase::AwaitingSettings)
        return;
    m_settings.PollSettingsOk = false;
    loadAliases();
    restartTimer(RestartMs);
    m_next = m_devices.PollStart;
    setPhase(Phase::Active, m_paused);
    m_grid.build(m_devices.PollStart, m_devices.PollEnd, m_devices);
}

// The aliases of the range, from SAVEPRO. Polling goes on without them when they cannot be read.
void Polling::loadAliases()
{
    const AliasListResult r = m_db.loadAliases();
    if (!r.ok) {
        appendLog(QStringLiteral("aliases not loaded: ") + r.error);
        tellOnce(m_aliasFailureTold, tr8(texts::polling::AliasesFailed) + r.error);
        return;
    }
    m_aliasFailureTold = false;
    for (const AliasRow &row : r.value)
        if (row.address >= m_devices.PollStart && row.address <= m_devices.PollEnd &&
            DeviceTable::valid(row.address))
            m_devices.at(row.address).alias = row.alias;
}

void Polling::storeCodes(int address)
{
    const DeviceEntry &d = m_devices.at(address);
    const DbStatus st = m_db.setCodes(address, d.mixpro, d.protype);
    if (!st.ok) // the tick goes on; the codes are learnt again next run
        appendLog(QStringLiteral("codes of %1 not stored: %2").arg(address).arg(st.error));
}

void Polling::hideRow(int address)
{
    m_grid.setRowHeight(address - m_devices.PollStart + 1, 0);
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
    restartTimer(RestartMs);
    setPhase(m_phase, false);
}

// A tick whose exchange is still waiting starts the timer itself when it ends; starting it here
// would let a second tick run inside the first.
void Polling::restartTimer(int ms)
{
    m_timer->setInterval(ms);
    if (!m_inTick)
        m_timer->start();
}

bool Polling::pauseForCheck()
{
    if (m_phase != Phase::Active || m_paused)
        return false;
    cmdLoopP_Click();
    m_pausedByCheck = true;
    return true;
}

void Polling::resumeAfterCheck()
{
    if (m_phase == Phase::Active && m_paused && m_pausedByCheck)
        cmdLoopP_Click();
    m_pausedByCheck = false;
}

// Moves to the next address; true when a pass over the range was completed.
bool Polling::advance()
{
    if (m_next >= m_devices.PollEnd || m_next < m_devices.PollStart) {
        m_next = m_devices.PollStart;
        ++m_readings.CycleCount;
        Q_EMIT passCompleted();
        return true;
    }
    ++m_next;
    return false;
}

void Polling::Timer3_Timer()
{
    if (m_inTick)
        return; // one tick at a time
    if (!m_countdown.tick())
        return;
    m_inTick = true;
    readOne();
    m_inTick = false;

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
        DeviceEntry &dev = m_devices.at(m_next);
        dev.learn(dev.codes());
        m_products.readClick(dev.codes());
        if (dev.absent != 1)
            break;
        hideRow(m_next);
        advance();
        if (m_readings.CycleCount >= CyclesPerFlush) {
            flushIfSaving(false);
            m_readings.CycleCount = 0;
        }
        if (++skipped >= rangeSize)
            return;
    }

    readDevice(m_next);
    advance();
    m_exchange.failureCount = 0;
    if (m_readings.CycleCount >= CyclesPerFlush) {
        flushIfSaving(false);
        m_readings.CycleCount = 0;
    }
}

// One device of the range: its type learnt when not yet known, then its register block read
// and shown in its grid row and kept in the reading buffer.
void Polling::readDevice(int address)
{
    DeviceEntry &dev = m_devices.at(address);
    if (dev.absent == 0 && dev.protype == 0) {
        learnType(m_products, dev);
        if (m_exchange.failureCount != 0)
            dev.absent = 1;
        storeCodes(address);
    }
    if (m_exchange.failureCount != 0) {
        hideRow(address);
        return;
    }
    const auto block = pollingBlock(dev.mixpro, dev.protype);
    if (!block) // codes without a register block are not read
        return;
    m_exchange.CustomStart = std::min<uint8_t>(block->start, 128);
    m_exchange.CustomCount = std::min<uint8_t>(block->count, 128);
    m_panel.Text2 = dev.alias;
    m_panel.notify();
    m_exchange.readRegisters(3, 255);
    const int row = address - m_devices.PollStart + 1; // row 0 is the header row
    if (m_exchange.failureCount != 0) {
        m_grid.setRowState(row, DeviceGrid::RowState::Old);
        Q_EMIT status(QString::number(address) + tr8(texts::polling::TimeoutSuffix));
        return;
    }
    m_grid.setRowState(row, DeviceGrid::RowState::Live);
    const int slot = m_readings.CycleCount + 1;
    m_readings.setTime(address, slot, m_clock.now());
    const std::vector<PolledValue> values = m_products.showPolledValues(dev.codes(), dev.alias);
    for (size_t k = 0; k < values.size(); ++k) {
        m_readings.setValue(address, slot, static_cast<int>(k), values[k].raw);
        m_grid.setColumnWidth(values[k].gridColumn, DeviceGrid::ValueWidth);
        if (row >= 1)
            m_grid.setCell(row, values[k].gridColumn, values[k].text);
    }
    if (m_settings.SaveEnabled)
        landReading(address, slot);
}

} // namespace kestrel

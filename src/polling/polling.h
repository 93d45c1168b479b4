#pragma once
// The polling cycle: one device of the range per read tick of Timer3, with the operator's
// interval between two reads; a device of unknown type is first asked for it.
//
// The state is explicit (stopped / waiting for the settings / active, and paused); the button
// captions are derived from it. What the window must do (show the settings dialog, ask to save
// the configuration, show a status line) it is told through signals.
#include "common/clock.h"
#include "countdown.h"

#include <QObject>
#include <cstdint>
#include <memory>

namespace kestrel {

class DeviceGrid;
class DeviceTable;
class Exchange;
class Operator;
class Panel;
class ProductSide;
class ReadingBuffer;
class ReadingLog;
class RecordDb;
struct PollSettings;

// The parts of the window the polling cycle works on, all owned by the station.
struct PollingParts {
    Exchange &exchange;
    DeviceTable &devices;
    DeviceGrid &grid;
    ReadingBuffer &readings;
    ReadingLog &log;
    RecordDb &db;
    ProductSide &products;
    Panel &panel;
    PollSettings &settings;
    Operator &op;
};

class Polling : public QObject {
    Q_OBJECT
public:
    enum class Phase { Stopped, AwaitingSettings, Active };
    static constexpr int CyclesPerFlush = 300;
    static constexpr int RestartMs = 100;

    Polling(const PollingParts &parts, Clock &clock, TimerFactory &timers, QObject *parent = nullptr);
    ~Polling() override;

    void cmdLoopR_Click();
    void cmdLoopP_Click();
    void Timer3_Timer();

    // The settings dialog's answer to the start.
    void settingsAccepted();
    void settingsCancelled();

    // The add-device check: pauses a running, unpaused cycle (true if it did), and afterwards
    // continues it only if it still runs and is still paused by the check.
    bool pauseForCheck();
    void resumeAfterCheck();

    // Other commands stop the cycle: the timer off and the buttons back to "轮询" and a disabled "暂停".
    void stop();
    // Only the timer off (a product chosen in the menu): the captions stay as they are.
    void stopTimer();

    Phase phase() const { return m_phase; }
    bool paused() const { return m_paused; }
    bool timerActive() const;
    int timerInterval() const;
    QString loopRCaption() const;
    QString loopPCaption() const;
    bool loopPEnabled() const { return m_loopPEnabled; }
    void disableLoopP()
    {
        m_loopPEnabled = false;
        Q_EMIT changed();
    }
    int nextAddress() const { return m_next; }

Q_SIGNALS:
    void changed();
    // A polling start waits for the settings dialog's answer (settingsAccepted/Cancelled).
    void settingsWanted();
    // A run ended with "结束": the window offers to save the configuration.
    void runEnded();
    // The message line Text5: a device that timed out, or readings that could not be saved.
    void status(const QString &text);
    // A pass over the range is complete; its readings are in buffer slot CycleCount.
    void passCompleted();

private:
    void setPhase(Phase p, bool paused);
    void readOne();
    void readDevice(int address);
    void loadAliases();
    void storeCodes(int address);
    void hideRow(int address);
    bool advance();
    bool flushIfSaving(bool atStop);
    void restartTimer(int ms);
    void landReading(int address, int slot);
    // A failure seen in a tick, told in a message box after the tick; `told` keeps it to once
    // until the same step works again.
    void tellOnce(bool &told, const QString &text);

    Exchange &m_exchange;
    DeviceTable &m_devices;
    DeviceGrid &m_grid;
    ReadingBuffer &m_readings;
    ReadingLog &m_log;
    RecordDb &m_db;
    ProductSide &m_products;
    Panel &m_panel;
    PollSettings &m_settings;
    Operator &m_op;
    Clock &m_clock;
    Countdown m_countdown; // Timer3 and its minute countdown
    Timer *const m_timer;
    Phase m_phase = Phase::Stopped;
    bool m_paused = false;
    bool m_pausedByCheck = false;
    bool m_inTick = false; // a tick is running (its exchange may be waiting): the timer stays off
    bool m_loopPEnabled = false;
    int m_next = 1;
    bool m_flushFailureTold = false;
    bool m_landFailureTold = false;
    bool m_aliasFailureTold = false;
};

} // namespace kestrel

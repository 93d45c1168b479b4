#pragma once
// The polling cycle: one device of the range per read tick of Timer3, with the operator's
// interval between two reads; a device of unknown type is first asked for it.
//
// The state is explicit (stopped / waiting for the settings / active, and paused); the button
// captions are derived from it. Work that belongs to other parts of the system comes in
// through the hooks, which the station connects.
#include "common/clock.h"

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace kestrel {

class DeviceTable;
class Exchange;
class Panel;
class ReadingBuffer;
struct PollSettings;

class Polling : public QObject {
    Q_OBJECT
public:
    enum class Phase { Stopped, AwaitingSettings, Active };
    static constexpr int CyclesPerFlush = 300;
    static constexpr int RestartMs = 100;

    Polling(Exchange &exchange, DeviceTable &devices, ReadingBuffer &readings, Panel &panel, Clock &clock,
            TimerFactory &timers, PollSettings &settings, QObject *parent = nullptr);
    ~Polling() override;

    void cmdLoopR_Click();
    void cmdLoopP_Click();
    void Timer3_Timer();

    // The settings dialog's answer to the start.
    void settingsAccepted();
    void settingsCancelled();

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

    // Hooks, connected by the station.
    std::function<void()> openSettings;                  // show the settings dialog (polling face)
    std::function<void()> loadAliases;                   // aliases of the range from SAVEPRO
    std::function<void()> buildGrid;                     // the device grid for the range
    std::function<void(int address)> hideRow;            // grid row of a passed-over address
    std::function<void()> readClick;                     // apply the stored codes of CurAddr
    std::function<uint8_t()> readProType;                // learn the type of CurAddr
    std::function<void(int address)> storeCodes;         // codes of an address into SAVEPRO
    std::function<std::optional<std::pair<int, int>>(uint8_t mixpro, uint8_t protype)> pollingBlock;
    std::function<void()> showPolledValues;
    std::function<QString()> flushReadings;              // empty on success, else the reason
    std::function<void()> showDialog1;                   // offer to save the configuration
    std::function<void(const QString &)> reportFlushFailure; // at stop: tell the operator

Q_SIGNALS:
    void changed();

private:
    void setPhase(Phase p, bool paused);
    void readOne();
    bool advance();
    bool flushIfSaving(bool atStop);

    Exchange &m_exchange;
    DeviceTable &m_devices;
    ReadingBuffer &m_readings;
    Panel &m_panel;
    Clock &m_clock;
    PollSettings &m_settings;
    std::unique_ptr<Timer> m_timer;
    Phase m_phase = Phase::Stopped;
    bool m_paused = false;
    bool m_loopPEnabled = false;
    int m_next = 1;
};

} // namespace kestrel

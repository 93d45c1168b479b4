#pragma once
// The polling settings the operator confirms before a run, and the request through which the
// polling start asks for them. The range itself lives in DeviceTable::PollStart/PollEnd.
#include <QObject>
#include <QString>
#include <cstdint>

namespace kestrel {

class DeviceTable;

struct PollSettings {
    static constexpr int MaxInterval = 600; // seconds: the settings dialog's limit

    // The interval T seconds between two reads as T div 60 and T mod 60.
    uint8_t PollMinutes = 0;
    uint8_t PollSeconds = 0;
    // The running countdown of the polling cycle; OK of the dialog sets it to the interval.
    uint8_t CountdownMinutes = 0;
    uint8_t CountdownSeconds = 0;
    bool SaveEnabled = false;  // readings go to the reading log during polling
    bool ConfigLoaded = false; // the open dialog has loaded a configuration file completely
    bool PollSettingsOk = false;
    bool PollSettingsCancel = false;

    int intervalSeconds() const { return PollMinutes * 60 + PollSeconds; }
    // Splits an interval into minutes and seconds, and starts the countdown from it.
    void setInterval(int seconds);
};

// OK of the settings dialog with the texts of its boxes: unless a configuration file was loaded
// complete, the range start..end and the interval come from the boxes; the save choice always.
// A range that starts below 1 or after its end is refused and nothing changes.
enum class SettingsAnswer { Accepted, RangeRefused };
SettingsAnswer acceptSettings(PollSettings &settings, DeviceTable &table, const QString &start,
                              const QString &end, const QString &interval, bool save);

// One question "which settings?" at a time. The polling start calls open() and continues when
// answered() arrives; the settings dialog reports its OK and Cancel here. The flags
// PollSettingsOk and PollSettingsCancel are raised as well, for code that reads them.
class SettingsRequest : public QObject {
    Q_OBJECT
public:
    explicit SettingsRequest(PollSettings &settings, QObject *parent = nullptr);

    PollSettings &settings() { return m_settings; }
    const PollSettings &settings() const { return m_settings; }

    // Clears both answer flags, marks the request as waiting and emits openRequested() so the
    // window shows the dialog's polling face. A second open() while waiting only re-emits it.
    void open();
    bool waiting() const { return m_waiting; }

    // Called by the dialog.
    void enableFrames();
    void accept();
    void cancel();

Q_SIGNALS:
    void openRequested();
    // The main window's Frame1 and Frame5 are to be enabled (OK, also a refused one, and Cancel).
    void framesEnabled();
    // OK or Cancel of the dialog, whether or not a polling start is waiting.
    void accepted();
    void cancelled();
    // Emitted once per open(), after accepted() or cancelled(): the waiting polling start's answer.
    void answered(bool ok);

private:
    void finish(bool ok);

    PollSettings &m_settings;
    bool m_waiting = false;
};

} // namespace kestrel

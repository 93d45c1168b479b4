#include "pollsettings.h"

#include "common/numeric.h"
#include "devicetable.h"

#include <algorithm>

namespace kestrel {

void PollSettings::setInterval(int seconds)
{
    // Whole minutes beyond a byte cannot be counted down; the dialog never goes past 600 s.
    const int t = std::clamp(seconds, 0, 255 * 60 + 59);
    PollMinutes = CountdownMinutes = static_cast<uint8_t>(t / 60);
    PollSeconds = CountdownSeconds = static_cast<uint8_t>(t % 60);
}

SettingsAnswer acceptSettings(PollSettings &s, DeviceTable &table, const QString &start, const QString &end,
                              const QString &interval, bool save)
{
    if (!s.ConfigLoaded) {
        const qint64 first = numericValue(start);
        const qint64 last = numericValue(end);
        if (first < 1 || last < first)
            return SettingsAnswer::RangeRefused;
        // The box's change rule keeps it within 1..600; the clamp guards text set past it.
        s.setInterval(
            static_cast<int>(std::clamp<qint64>(numericValue(interval), 1, PollSettings::MaxInterval)));
        table.PollStart = static_cast<int>(first);
        table.PollEnd = static_cast<int>(last);
    }
    s.ConfigLoaded = false;
    s.SaveEnabled = save;
    return SettingsAnswer::Accepted;
}

SettingsRequest::SettingsRequest(PollSettings &settings, QObject *parent)
    : QObject(parent), m_settings(settings)
{
}

void SettingsRequest::open()
{
    m_settings.PollSettingsOk = false;
    m_settings.PollSettingsCancel = false;
    m_waiting = true;
    Q_EMIT openRequested();
}

void SettingsRequest::enableFrames()
{
    Q_EMIT framesEnabled();
}

void SettingsRequest::accept()
{
    m_settings.PollSettingsOk = true;
    Q_EMIT accepted();
    finish(true);
}

void SettingsRequest::cancel()
{
    Q_EMIT framesEnabled();
    m_settings.PollSettingsCancel = true;
    Q_EMIT cancelled();
    finish(false);
}

void SettingsRequest::finish(bool ok)
{
    if (!m_waiting)
        return;
    m_waiting = false;
    Q_EMIT answered(ok);
}

} // namespace kestrel

#include "pollsettings.h"

#include <algorithm>

namespace kestrel {

void PollSettings::setInterval(int seconds)
{
    // Whole minutes beyond a byte cannot be counted down; the dialog never goes past 600 s.
    const int t = std::clamp(seconds, 0, 255 * 60 + 59);
    PollMinutes = CountdownMinutes = static_cast<uint8_t>(t / 60);
    PollSeconds = CountdownSeconds = static_cast<uint8_t>(t % 60);
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

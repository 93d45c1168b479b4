#include "readinglog.h"
#include "common/tr8.h"

#include "common/log.h"
#include "devices/devicetable.h"
#include "recording/readingbuffer.h"
#include "recording/texts.h"

#include <algorithm>

namespace kestrel {

namespace {

bool loggedCombination(int mixpro)
{
    return mixpro == 0 || mixpro == 33 || mixpro == 49 || mixpro == 65 || mixpro == 81;
}

} // namespace

std::vector<LogRow> collectReadings(const ReadingBuffer &buffer, const DeviceTable &devices)
{
    std::vector<LogRow> rows;
    const int first = std::max(devices.PollStart, DeviceTable::FirstAddress);
    const int last = std::min(devices.PollEnd, DeviceTable::LastAddress);
    const int cycles = std::clamp(buffer.CycleCount, 0, ReadingBuffer::Cycles);
    for (int a = first; a <= last; ++a) {
        const DeviceEntry &dev = devices.at(a);
        if (dev.protype == 0 || !loggedCombination(dev.mixpro))
            continue;
        // A single-quantity device logs its whole type name ("PM25"); a combined one each part.
        const QStringList parts =
            dev.mixpro == 0 ? QStringList{dev.typeName} : dev.typeName.split(QLatin1Char('+'));
        const int components = std::min<int>(parts.size(), ReadingBuffer::Components);
        for (int r = 1; r <= cycles; ++r) {
            if (!buffer.hasTime(a, r))
                continue;
            const qint64 when = buffer.timeSecs(a, r);
            for (int k = 0; k < components; ++k) {
                if (!parts.at(k).isEmpty())
                    rows.push_back({when, buffer.value(a, r, k), a, parts.at(k)});
            }
        }
    }
    return rows;
}

FlushResult ReadingLog::flushReadings(ReadingBuffer &buffer, const DeviceTable &devices, bool saveEnabled)
{
    std::vector<LogRow> fresh;
    if (saveEnabled)
        fresh = collectReadings(buffer, devices);
    buffer.clearAll();

    FlushResult result;
    if (fresh.empty() && m_waiting.empty())
        return result;

    if (m_waiting.empty()) {
        m_waiting = std::move(fresh);
    } else {
        m_waiting.reserve(m_waiting.size() + fresh.size());
        std::move(fresh.begin(), fresh.end(), std::back_inserter(m_waiting));
    }

    const DbStatus s = m_db.appendReadings(m_waiting);
    if (s.ok) {
        result.written = int(m_waiting.size());
        m_waiting.clear();
        m_waiting.shrink_to_fit();
        return result;
    }

    result.ok = false;
    if (m_waiting.size() > MaxWaiting) {
        const size_t drop = m_waiting.size() - MaxWaiting;
        m_waiting.erase(m_waiting.begin(), m_waiting.begin() + std::ptrdiff_t(drop));
        result.dropped = int(drop);
    }
    result.waiting = int(m_waiting.size());
    result.error = tr8(texts::recording::FlushFailed).arg(result.waiting).arg(s.error);
    if (result.dropped > 0)
        result.error += QLatin1Char('\n') + tr8(texts::recording::FlushDropped).arg(result.dropped);
    appendLog(
        QStringLiteral("reading log: %1 rows held back, %2 dropped").arg(result.waiting).arg(result.dropped));
    return result;
}

} // namespace kestrel

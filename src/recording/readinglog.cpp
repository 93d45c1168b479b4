#include "readinglog.h"
#include "common/tr8.h"

#include "common/log.h"
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

QStringList logNames(uint8_t mixpro, uint8_t protype, const QString &typeName)
{
    if (protype == 0 || !loggedCombination(mixpro))
        return {};
    return mixpro == 0 ? QStringList{typeName} : typeName.split(QLatin1Char('+'));
}

std::vector<LogRow> collectReadings(const ReadingBuffer &buffer, const std::vector<LoggedDevice> &devices)
{
    std::vector<LogRow> rows;
    const int cycles = std::clamp(buffer.CycleCount, 0, ReadingBuffer::Cycles);
    for (const LoggedDevice &dev : devices) {
        const int a = dev.address;
        const int components = std::min<int>(dev.names.size(), ReadingBuffer::Components);
        for (int r = 1; r <= cycles; ++r) {
            if (!buffer.hasTime(a, r))
                continue;
            const qint64 when = buffer.timeSecs(a, r);
            for (int k = 0; k < components; ++k) {
                if (!dev.names.at(k).isEmpty())
                    rows.push_back({when, buffer.value(a, r, k), a, dev.names.at(k)});
            }
        }
    }
    return rows;
}

FlushResult ReadingLog::flushReadings(ReadingBuffer &buffer, const std::vector<LoggedDevice> &devices,
                                      bool saveEnabled)
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

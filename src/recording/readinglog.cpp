#include "readinglog.h"
#include "common/tr8.h"

#include "common/log.h"
#include "recording/readingbuffer.h"
#include "recording/texts.h"

#include <algorithm>
#include <utility>

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

namespace {

// The rows of one device's reading in cycle slot r: one per component, in the order of its name.
void collectSlot(std::vector<LogRow> &rows, const ReadingBuffer &buffer, const LoggedDevice &dev, int r)
{
    if (!buffer.hasTime(dev.address, r))
        return;
    const qint64 when = buffer.timeSecs(dev.address, r);
    const int components = std::min<int>(dev.names.size(), ReadingBuffer::Components);
    for (int k = 0; k < components; ++k) {
        if (!dev.names.at(k).isEmpty())
            rows.push_back({when, buffer.value(dev.address, r, k), dev.address, dev.names.at(k)});
    }
}

} // namespace

std::vector<LogRow> collectReadings(const ReadingBuffer &buffer, const std::vector<LoggedDevice> &devices)
{
    std::vector<LogRow> rows;
    const int cycles = std::clamp(buffer.CycleCount, 0, ReadingBuffer::Cycles);
    for (const LoggedDevice &dev : devices) {
        for (int r = 1; r <= cycles; ++r)
            collectSlot(rows, buffer, dev, r);
    }
    return rows;
}

DbStatus ReadingLog::land(const ReadingBuffer &buffer, const LoggedDevice &device, int slot)
{
    std::vector<LogRow> rows;
    collectSlot(rows, buffer, device, slot);
    return m_pending.land(m_generation, slot, rows);
}

FlushResult ReadingLog::flushReadings(ReadingBuffer &buffer, const std::vector<LoggedDevice> &devices,
                                      bool saveEnabled)
{
    std::vector<LogRow> fresh;
    if (saveEnabled)
        fresh = collectReadings(buffer, devices);
    const int cycles = saveEnabled ? std::clamp(buffer.CycleCount, 0, ReadingBuffer::Cycles) : 0;
    buffer.clearAll();

    // The readings of this flush's generation that it does not write (a pass not finished, a run
    // without saving) leave Record.pending with it; a new generation begins.
    const int generation = m_generation++;
    if (const DbStatus s = m_pending.dropAfter(generation, cycles); !s.ok)
        appendLog(QStringLiteral("reading log: unfinished pass not dropped from Record.pending"));

    if (fresh.empty() && m_waiting.empty())
        return {};
    if (m_waiting.empty()) {
        m_waiting = std::move(fresh);
    } else {
        m_waiting.reserve(m_waiting.size() + fresh.size());
        std::move(fresh.begin(), fresh.end(), std::back_inserter(m_waiting));
    }
    return moveWaiting(generation);
}

// Writes the waiting rows to SAVEDATA; on success the rows of `generation` and older leave
// Record.pending. The mark written first lets a start after a crash between the two files
// tell whether SAVEDATA already holds them, so no reading is logged twice.
FlushResult ReadingLog::moveWaiting(int generation)
{
    FlushResult result;
    DbStatus s = confirmSent(result);
    qint64 before = 0;
    if (s.ok && !m_waiting.empty())
        s = m_db.lastReadingId(before);
    if (s.ok && !m_waiting.empty()) {
        if (m_db.shared()) {
            // Each reading keeps the number it was first sent under, so a batch sent again
            // after a commit that did land after all is skipped there row by row. The numbers
            // of the waiting rows run on without a gap, oldest first.
            qint64 next = std::max(before + 1, m_nextSeq);
            for (LogRow &r : m_waiting) {
                if (r.seq == 0)
                    r.seq = next++;
            }
            m_nextSeq = next;
            before = m_waiting.front().seq - 1;
        }
        const PendingStore::Move move{generation, before, qint64(m_waiting.size())};
        if (!m_pending.markMove(move).ok)
            appendLog(QStringLiteral("reading log: move not marked in Record.pending"));
        m_sent = move;
        s = m_db.appendReadings(m_waiting);
    }
    if (s.ok) {
        if (!m_waiting.empty() && !m_pending.finishMove(generation).ok)
            appendLog(QStringLiteral("reading log: logged rows not removed from Record.pending"));
        result.written += int(m_waiting.size());
        m_waiting.clear();
        m_waiting.shrink_to_fit();
        m_sent.reset();
        return result;
    }

    result.ok = false;
    if (m_waiting.size() > MaxWaiting) {
        const size_t drop = m_waiting.size() - MaxWaiting;
        m_waiting.erase(m_waiting.begin(), m_waiting.begin() + std::ptrdiff_t(drop));
        result.dropped = int(drop);
    }
    result.waiting = int(m_waiting.size());
    result.reason = s.error;
    result.error = tr8(texts::recording::FlushFailed).arg(result.waiting).arg(s.error);
    if (result.dropped > 0)
        result.error += QLatin1Char('\n') + tr8(texts::recording::FlushDropped).arg(result.dropped);
    appendLog(
        QStringLiteral("reading log: %1 rows held back, %2 dropped").arg(result.waiting).arg(result.dropped));
    return result;
}

// A shared log's server can take a commit and lose the connection before it says so. Before
// anything is sent again, the log is asked whether the last batch sent is there: if it is, its
// rows leave the waiting ones and Record.pending.
DbStatus ReadingLog::confirmSent(FlushResult &result)
{
    if (!m_db.shared() || !m_sent)
        return {};
    bool all = false;
    const DbStatus s = m_db.landed(m_sent->before + 1, m_sent->rows, all);
    if (!s.ok)
        return s;
    if (all) {
        const qint64 first = m_sent->before + 1, end = first + m_sent->rows;
        const auto sent = [&](const LogRow &r) { return r.seq >= first && r.seq < end; };
        const auto kept = std::remove_if(m_waiting.begin(), m_waiting.end(), sent);
        result.written += int(m_waiting.end() - kept);
        m_waiting.erase(kept, m_waiting.end());
        if (!m_pending.finishMove(m_sent->generation).ok)
            appendLog(QStringLiteral("reading log: logged rows not removed from Record.pending"));
    }
    m_sent.reset();
    return {};
}

ReadingLog::Recovery ReadingLog::recoverPending()
{
    // Once per run: later, what Record.pending holds is this run's own and already in hand.
    if (std::exchange(m_recoveryDone, true) || !m_pending.exists())
        return {};
    // A move that was committed to SAVEDATA but not yet cleared here is not written again.
    if (const auto move = m_pending.move()) {
        bool all = false;
        if (m_db.landed(move->before + 1, move->rows, all).ok && all)
            m_pending.finishMove(move->generation);
    }
    std::vector<LogRow> rows;
    int last = 0;
    if (const DbStatus s = m_pending.all(rows, &last); !s.ok)
        return {false, 0, s.error};
    m_generation = std::max(m_generation, last + 1);
    if (rows.empty())
        return {};
    const int count = int(rows.size());
    std::move(rows.begin(), rows.end(), std::back_inserter(m_waiting));
    const FlushResult r = moveWaiting(m_generation - 1);
    appendLog(QStringLiteral("reading log: %1 rows found in Record.pending, %2")
                  .arg(count)
                  .arg(r.ok ? "logged" : "waiting"));
    return {r.ok, count, r.error};
}

} // namespace kestrel

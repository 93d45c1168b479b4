#include "traffic.h"

#include "exchange.h"

namespace kestrel {

FrameRing::FrameRing(int capacity) : m_frames(static_cast<size_t>(capacity)) {}

void FrameRing::add(TrafficFrame frame)
{
    m_frames[static_cast<size_t>(m_total % capacity())] = std::move(frame);
    ++m_total;
}

void FrameRing::clear()
{
    m_cleared = m_total;
}

const TrafficFrame &FrameRing::at(qint64 sequence) const
{
    return m_frames[static_cast<size_t>(sequence % capacity())];
}

Traffic::Traffic(Exchange &exchange, QObject *parent) : Traffic(parent)
{
    connect(&exchange, &Exchange::transactionEnded, this, &Traffic::add);
}

Traffic::Traffic(QObject *parent) : QObject(parent) {}

void Traffic::add(const TrafficRecord &r)
{
    AddressStats &s = m_stats[r.address];
    ++m_generation;
    ++s.verdicts[static_cast<size_t>(r.verdict)];
    if (r.hasRequest()) {
        ++s.requests;
        m_ring.add({r.sentAt, true, r.address, r.function, r.request, -1, std::nullopt});
    }
    const qint64 ms = r.responseMs();
    m_ring.add({r.receivedAt, false, r.address, r.function, r.reply, ms, r.verdict});
    if (!r.hasRequest() || r.verdict == Verdict::Timeout)
        return; // stray bytes, or no reply
    ++s.replies;
    if (r.verdict == Verdict::Exception)
        return; // seen only when the time limit ran out: its time says nothing
    s.minMs = s.minMs < 0 ? ms : std::min(s.minMs, ms);
    s.maxMs = std::max(s.maxMs, ms);
    s.sumMs += ms;
    ++s.timed;
}

void Traffic::resetStats()
{
    m_stats.fill(AddressStats{});
    ++m_generation;
}

} // namespace kestrel

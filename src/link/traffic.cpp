#include "traffic.h"

#include "common/tr8.h"
#include "exchange.h"
#include "texts.h"

namespace kestrel {

FrameRing::FrameRing(int capacity) : m_frames(static_cast<size_t>(capacity)) {}

void FrameRing::add(TrafficFrame frame)
{
    m_frames[static_cast<size_t>(m_total % capacity())] = std::move(frame);
    ++m_total;
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
    if (r.verdict == Verdict::Ok || (r.verdict == Verdict::Trailing && r.hasRequest())) {
        s.lastGood = r.receivedAt;
        s.lastFault.reset();
    } else if (r.hasRequest() || r.verdict == Verdict::Late) {
        s.lastFault = r.verdict;
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

QString faultNote(const AddressStats &s)
{
    if (!s.lastFault)
        return {};
    const QString good = s.lastGood.isValid() ? s.lastGood.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                              : tr8(texts::link::NoGoodReading);
    return tr8(verdictText(*s.lastFault)) + tr8(texts::link::LastGoodReading) + good;
}

void Traffic::resetStats()
{
    m_stats.fill(AddressStats{});
    ++m_generation;
}

} // namespace kestrel

#pragma once
// What the bus carried: the last frames in a bounded ring and the communication statistics per
// bus address, both fed by the exchange's one record per transaction, whoever asked for it
// (single read, polling, the add-device check, the connectivity test, the address commands).
// Keeping them costs a few copies of shared byte arrays per transaction; nothing is formatted
// until a monitor asks (trafficmodel.h).
#include "trafficrecord.h"

#include <QObject>
#include <array>
#include <optional>
#include <vector>

namespace kestrel {

class Exchange;

// One line of the monitor: a frame on the wire, or the time-out that stands for a missing reply.
struct TrafficFrame {
    QDateTime at;
    bool sent = false;
    uint8_t address = 0;
    uint8_t function = 0;
    QByteArray bytes;
    qint64 responseMs = -1;         // replies and time-outs only
    std::optional<Verdict> verdict; // replies and time-outs only
};

// The last `capacity` frames; sequence numbers count every frame ever added.
class FrameRing {
public:
    explicit FrameRing(int capacity);
    void add(TrafficFrame frame);
    int capacity() const { return static_cast<int>(m_frames.size()); }
    qint64 total() const { return m_total; }          // frames ever added
    qint64 first() const { return m_total - size(); } // sequence number of the oldest kept
    int size() const { return static_cast<int>(std::min<qint64>(m_total, capacity())); }
    const TrafficFrame &at(qint64 sequence) const; // first() <= sequence < total()

private:
    std::vector<TrafficFrame> m_frames;
    qint64 m_total = 0;
};

struct AddressStats {
    quint32 requests = 0;
    quint32 replies = 0; // complete replies, good or rejected
    std::array<quint32, VerdictCount> verdicts{};
    qint64 minMs = -1;
    qint64 maxMs = -1;
    qint64 sumMs = 0;
    quint32 timed = 0;                // replies counted in the response time
    QDateTime lastGood;               // the last reply that passed the check
    std::optional<Verdict> lastFault; // how the last transaction failed, when it did
    quint32 count(Verdict v) const { return verdicts[static_cast<size_t>(v)]; }
    qint64 meanMs() const { return timed ? (sumMs + timed / 2) / timed : -1; }
    bool empty() const { return requests == 0 && replies == 0 && count(Verdict::Late) == 0; }
};

// For a grid row whose device last failed: the cause and the time of the last good reply, e.g.
// "超时，最后正常读数：2026-12-06 10:00:05". Empty while its last transaction was good.
QString faultNote(const AddressStats &s);

class Traffic : public QObject {
    Q_OBJECT
public:
    static constexpr int RingFrames = 10000;

    explicit Traffic(Exchange &exchange, QObject *parent = nullptr);
    explicit Traffic(QObject *parent = nullptr); // fed by add() only

    void add(const TrafficRecord &r);

    const FrameRing &frames() const { return m_ring; }
    const AddressStats &stats(int address) const { return m_stats[static_cast<size_t>(address & 0xFF)]; }
    void resetStats();
    qint64 statsGeneration() const { return m_generation; } // changes with every count and reset

private:
    FrameRing m_ring{RingFrames};
    std::array<AddressStats, 256> m_stats{};
    qint64 m_generation = 0;
};

} // namespace kestrel

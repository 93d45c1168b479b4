#pragma once
// The reading buffer of polling: per address 1..255 and cycle slot 1..300 the time of the
// good reading and its raw register values (up to 5 components, in the order of the device's
// combined name). Fixed size, allocated once.
#include <QDateTime>
#include <cstdint>
#include <vector>

namespace kestrel {

class ReadingBuffer {
public:
    static constexpr int Addresses = 255;
    static constexpr int Cycles = 300;
    static constexpr int Components = 5;

    ReadingBuffer()
        : m_times(static_cast<size_t>(Addresses) * Cycles, 0),
          m_values(static_cast<size_t>(Addresses) * Cycles * Components, 0)
    {
    }

    // Complete passes over the range held in the buffer, 0..300.
    int CycleCount = 0;

    static bool valid(int address, int slot)
    {
        return address >= 1 && address <= Addresses && slot >= 1 && slot <= Cycles;
    }
    // Time of the good reading of `address` in cycle `slot` (1..300); invalid when empty.
    void setTime(int address, int slot, const QDateTime &t)
    {
        if (valid(address, slot))
            m_times[pos(address, slot)] = t.toSecsSinceEpoch() * 1000 + 1; // +1: 0 means empty
    }
    bool hasTime(int address, int slot) const
    {
        return valid(address, slot) && m_times[pos(address, slot)] != 0;
    }
    QDateTime time(int address, int slot) const
    {
        if (!hasTime(address, slot))
            return {};
        return QDateTime::fromMSecsSinceEpoch(m_times[pos(address, slot)] - 1);
    }
    // The same time as whole seconds since the epoch, without building a QDateTime; 0 when empty.
    qint64 timeSecs(int address, int slot) const
    {
        return hasTime(address, slot) ? (m_times[pos(address, slot)] - 1) / 1000 : 0;
    }
    void clearTime(int address, int slot)
    {
        if (valid(address, slot))
            m_times[pos(address, slot)] = 0;
    }
    // Raw register value (unsigned 16-bit) of one component.
    void setValue(int address, int slot, int component, uint16_t raw)
    {
        if (valid(address, slot) && component >= 0 && component < Components)
            m_values[pos(address, slot) * Components + static_cast<size_t>(component)] = raw;
    }
    uint16_t value(int address, int slot, int component) const
    {
        if (!valid(address, slot) || component < 0 || component >= Components)
            return 0;
        return m_values[pos(address, slot) * Components + static_cast<size_t>(component)];
    }
    // Empties every time slot: nothing in the buffer is waiting to be written.
    void clearAll() { std::fill(m_times.begin(), m_times.end(), 0); }

private:
    static size_t pos(int address, int slot)
    {
        return static_cast<size_t>(address - 1) * Cycles + static_cast<size_t>(slot - 1);
    }
    std::vector<qint64> m_times;
    std::vector<uint16_t> m_values;
};

} // namespace kestrel

#pragma once
// A bus of sensors answered in-process, for FakePort: registers per address, identity block
// at 240..243, silent addresses. Function 3 only.
#include "link/crc16.h"

#include <QByteArray>
#include <QMap>
#include <QSet>

namespace kestrel::test {

struct FakeBus {
    QMap<int, QMap<int, quint16>> registers; // address → register → word
    QSet<int> silent;
    QList<QByteArray> requests;

    void addDevice(int address, uint8_t mixpro, uint8_t protype)
    {
        registers[address][243] = static_cast<quint16>(mixpro << 8 | protype);
    }
    QByteArray answer(const QByteArray &frame)
    {
        requests << frame;
        if (frame.size() != 8 || uint8_t(frame[1]) != 3)
            return {};
        const int addr = uint8_t(frame[0]);
        if (silent.contains(addr) || !registers.contains(addr))
            return {};
        const int start = uint8_t(frame[3]);
        const int count = uint8_t(frame[5]);
        QByteArray r;
        r.append(char(addr));
        r.append(char(3));
        r.append(char(2 * count));
        for (int i = 0; i < count; ++i) {
            const quint16 w = registers[addr].value(start + i, 0);
            r.append(char(w >> 8));
            r.append(char(w & 0xFF));
        }
        return withCrc(r);
    }
    // Addresses read with a value request (not the identity block), in order.
    QList<int> valueReads() const
    {
        QList<int> out;
        for (const QByteArray &f : requests)
            if (uint8_t(f[3]) != 240)
                out << uint8_t(f[0]);
        return out;
    }
};

} // namespace kestrel::test

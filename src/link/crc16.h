#pragma once
#include <QByteArray>
#include <cstdint>

namespace kestrel {

// The two bytes of a Modbus CRC-16, high and low. In a frame the low byte goes first.
struct Crc {
    uint8_t hi = 0xFF;
    uint8_t lo = 0xFF;
    bool operator==(const Crc &o) const { return hi == o.hi && lo == o.lo; }
};

// CRC over the first `count` bytes (reflected polynomial 0xA001, register starting at 0xFFFF).
Crc CRC16(const uint8_t *bytes, int count);
inline Crc CRC16(const QByteArray &bytes, int count)
{
    return CRC16(reinterpret_cast<const uint8_t *>(bytes.constData()), count);
}
// The frame with its CRC appended, low byte first.
QByteArray withCrc(const QByteArray &body);

} // namespace kestrel

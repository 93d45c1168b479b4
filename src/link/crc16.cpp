#include "crc16.h"

#include <array>

namespace kestrel {
namespace {
// Table of the reflected polynomial 0xA001, built once at compile time.
constexpr std::array<uint16_t, 256> makeTable()
{
    std::array<uint16_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        uint16_t r = static_cast<uint16_t>(i);
        for (int b = 0; b < 8; ++b)
            r = (r & 1) ? static_cast<uint16_t>((r >> 1) ^ 0xA001) : static_cast<uint16_t>(r >> 1);
        t[static_cast<size_t>(i)] = r;
    }
    return t;
}
constexpr auto kTable = makeTable();
} // namespace

Crc CRC16(const uint8_t *bytes, int count)
{
    uint16_t reg = 0xFFFF;
    for (int i = 0; i < count; ++i)
        reg = static_cast<uint16_t>((reg >> 8) ^ kTable[(reg ^ bytes[i]) & 0xFF]);
    return Crc{static_cast<uint8_t>(reg >> 8), static_cast<uint8_t>(reg & 0xFF)};
}

QByteArray withCrc(const QByteArray &body)
{
    const Crc c = CRC16(body, static_cast<int>(body.size()));
    QByteArray f = body;
    f.append(static_cast<char>(c.lo));
    f.append(static_cast<char>(c.hi));
    return f;
}

} // namespace kestrel

#include "frames.h"

#include "crc16.h"

namespace kestrel {

QByteArray buildRequest(const RequestFields &f)
{
    QByteArray body;
    if (f.function == 3) {
        body = QByteArray::fromRawData("\0\3\0\0\0\0", 6);
        body.detach();
        body[0] = static_cast<char>(f.slave);
        body[3] = static_cast<char>(f.startLo);
        body[5] = static_cast<char>(f.countLo);
    } else if (f.function == 16) {
        body.resize(9);
        body[0] = static_cast<char>(f.slave);
        body[1] = 0x10;
        body[2] = 0;
        body[3] = static_cast<char>(f.startLo);
        body[4] = 0;
        body[5] = 1;
        body[6] = 2;
        body[7] = static_cast<char>(f.valueHi);
        body[8] = static_cast<char>(f.valueLo);
    } else {
        return {};
    }
    return withCrc(body);
}

std::optional<ValueReadPlan> valueReadPlan(uint8_t selector, uint8_t selIndex, uint8_t customStart,
                                           uint8_t &customCount)
{
    switch (selector) {
    case 0:
    case 2:
    case 3: {
        const uint8_t count = (selIndex == 1 || selIndex == 2) ? 1 : 2;
        return ValueReadPlan{selector, count, 2 * count};
    }
    case 6:
    case 8:
    case 9:
    case 10:
    case 11:
    case 13:
    case 16:
    case 18:
    case 19:
    case 20:
    case 21:
        return ValueReadPlan{selector, 1, 2};
    case 255:
        if (customStart == 240)
            customCount = 4; // the identity block is always read whole
        return ValueReadPlan{customStart, customCount, 2 * customCount};
    default:
        return std::nullopt;
    }
}

bool checkReply(const QByteArray &received, uint8_t slave, int n, ReplyData &data)
{
    const int total = n + 5;
    const bool fits = n >= 0 && n <= ReplyDataSize && received.size() >= total;
    if (fits) {
        const auto *b = reinterpret_cast<const uint8_t *>(received.constData());
        const Crc c = CRC16(b, n + 3);
        if (b[0] == slave && b[n + 3] == c.lo && b[n + 4] == c.hi) {
            for (int i = 0; i < n; ++i)
                data[static_cast<size_t>(i)] = b[3 + i];
            return true;
        }
    }
    data[0] = 0;
    data[1] = 0;
    return false;
}

} // namespace kestrel

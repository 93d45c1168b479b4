#pragma once
// Request frames, the value-read register table, and the reply check.
#include <QByteArray>
#include <array>
#include <cstdint>
#include <optional>

namespace kestrel {

// One Modbus reply carries at most 125 registers (its byte count is one byte and the
// whole frame at most 256 bytes); the reply data buffer holds that many data bytes.
constexpr int MaxRegistersPerRead = 125;
constexpr int ReplyDataSize = 2 * MaxRegistersPerRead + 6; // 256
using ReplyData = std::array<uint8_t, ReplyDataSize>;

// The shared request fields.
struct RequestFields {
    uint8_t slave = 0;
    uint8_t function = 3;
    uint8_t startLo = 0;
    uint8_t countLo = 0;
    int expected = 0;        // n: data bytes the reply carries; the reply is n + 5 bytes
    uint8_t writeLength = 0; // 0 for function 3, 2 for function 16
    uint8_t valueHi = 0;
    uint8_t valueLo = 0;
};

// 8 bytes for function 3, 11 for function 16; empty for any other function code.
QByteArray buildRequest(const RequestFields &f);

// Start register, count and expected data length of a value read.
struct ValueReadPlan {
    uint8_t start = 0;
    uint8_t count = 0;
    int expected = 0;
};

// The value-read table: selectors 0, 2, 3 (count 1 when selIndex is 1 or 2),
// 6, 8..11, 13, 16, 18..21 (count 1), 255 the free read with customStart/customCount
// (the count forced to 4 at start 240, written back to customCount). Other selectors: none.
std::optional<ValueReadPlan> valueReadPlan(uint8_t selector, uint8_t selIndex, uint8_t customStart,
                                           uint8_t &customCount);

// The reply check: the first n + 5 received bytes are used; byte 0 must be the slave address
// and the CRC over bytes 0..n+2 must match bytes n+3 (low) and n+4 (high). Function code and
// byte count are not examined. On acceptance the n data bytes are copied to data[0..n-1]
// (never past the buffer); on rejection data[0] and data[1] are set to 0.
bool checkReply(const QByteArray &received, uint8_t slave, int n, ReplyData &data);

} // namespace kestrel

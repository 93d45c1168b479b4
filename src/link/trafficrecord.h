#pragma once
// One transaction on the bus as the exchange saw it: the request, every byte that came back,
// when, and what the bytes were. The traffic monitor, the per-address statistics and the frame
// trace all read these records from the exchange's one signal.
#include <QByteArray>
#include <QDateTime>
#include <QMetaType>
#include <cstdint>

namespace kestrel {

// In the order of the statistics table's columns.
enum class Verdict : uint8_t {
    Ok,           // a complete reply that passes the check
    BadCrc,       // complete, right address byte, wrong CRC
    WrongAddress, // complete, another address byte than the request's
    Timeout,      // no complete reply within the time limit
    Late,         // bytes after the request they answer had timed out
    Exception,    // a Modbus exception reply (function code with bit 7 set, good CRC)
    Trailing,     // a good reply followed by bytes no request asked for
};
constexpr int VerdictCount = 7;

struct TrafficRecord {
    QDateTime sentAt;     // request written; invalid for bytes no request waited for
    QDateTime receivedAt; // reply complete, time-out, or bytes arrived
    QByteArray request;   // empty for bytes no request waited for
    QByteArray reply;     // every byte taken, extras included; what had come by a time-out
    uint8_t address = 0;  // the request's slave address (for stray bytes: the last request's)
    uint8_t function = 0;
    Verdict verdict = Verdict::Ok;

    bool hasRequest() const { return !request.isEmpty(); }
    // From the request to the reply or the time-out; -1 for stray bytes.
    qint64 responseMs() const { return sentAt.isValid() ? sentAt.msecsTo(receivedAt) : -1; }
};

// A reply taken as complete (at least expected + 5 bytes) for a request to `slave`. The address
// byte is judged first, then an exception reply, then the CRC over the first expected + 3 bytes.
Verdict judgeReply(const QByteArray &reply, uint8_t slave, int expected);
// What had come when a request timed out: a whole exception reply (5 bytes) says why.
Verdict judgeTimeout(const QByteArray &partial, uint8_t slave);
// Bytes that came while no request waited: late when the last request timed out, else extra
// bytes after its reply.
Verdict judgeStray(Verdict lastVerdict);

// The verdict as the monitor shows it.
const char *verdictText(Verdict v);

// The kestrel.link.frames debug trace of one record (TX and RX lines).
void traceRecord(const TrafficRecord &r);

} // namespace kestrel

Q_DECLARE_METATYPE(kestrel::TrafficRecord)

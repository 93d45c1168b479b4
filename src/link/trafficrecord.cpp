#include "trafficrecord.h"

#include "common/log.h"
#include "crc16.h"
#include "texts.h"

namespace kestrel {
namespace {

bool crcMatches(const QByteArray &bytes, int bodyLength)
{
    if (bytes.size() < bodyLength + 2)
        return false;
    const Crc crc = CRC16(bytes, bodyLength);
    return uint8_t(bytes[bodyLength]) == crc.lo && uint8_t(bytes[bodyLength + 1]) == crc.hi;
}

bool isException(const QByteArray &reply)
{
    return reply.size() >= 5 && (uint8_t(reply[1]) & 0x80) && crcMatches(reply, 3);
}

} // namespace

Verdict judgeReply(const QByteArray &reply, uint8_t slave, int expected)
{
    const int total = expected + 5;
    if (reply.isEmpty() || uint8_t(reply[0]) != slave)
        return Verdict::WrongAddress;
    if (isException(reply))
        return Verdict::Exception;
    if (!crcMatches(reply, total - 2))
        return Verdict::BadCrc;
    return reply.size() > total ? Verdict::Trailing : Verdict::Ok;
}

Verdict judgeTimeout(const QByteArray &partial, uint8_t slave)
{
    return !partial.isEmpty() && uint8_t(partial[0]) == slave && isException(partial) ? Verdict::Exception
                                                                                      : Verdict::Timeout;
}

Verdict judgeStray(Verdict lastVerdict)
{
    return lastVerdict == Verdict::Timeout || lastVerdict == Verdict::Late ? Verdict::Late
                                                                           : Verdict::Trailing;
}

const char *verdictText(Verdict v)
{
    using namespace texts::link;
    switch (v) {
    case Verdict::Ok:
        return VerdictOk;
    case Verdict::BadCrc:
        return VerdictBadCrc;
    case Verdict::WrongAddress:
        return VerdictWrongAddress;
    case Verdict::Timeout:
        return VerdictTimeout;
    case Verdict::Late:
        return VerdictLate;
    case Verdict::Exception:
        return VerdictException;
    case Verdict::Trailing:
        return VerdictTrailing;
    }
    return "";
}

void traceRecord(const TrafficRecord &r)
{
    if (!lcFrames().isDebugEnabled())
        return;
    if (r.hasRequest())
        qCDebug(lcFrames).noquote() << "TX" << r.request.toHex(' ');
    if (!r.reply.isEmpty())
        qCDebug(lcFrames).noquote() << "RX" << r.reply.toHex(' ');
    if (r.verdict != Verdict::Ok)
        qCDebug(lcFrames).noquote() << "--" << QString::fromUtf8(verdictText(r.verdict));
}

} // namespace kestrel

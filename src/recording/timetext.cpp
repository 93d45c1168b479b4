#include "timetext.h"

#include <QDate>
#include <QDateTime>

namespace kestrel {

namespace {

constexpr qint64 Bucket = 900; // offsets of all time zones change on quarter hours
constexpr qint64 UnixEpochJulianDay = 2440588;

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

void appendDigits(QChar *&p, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        p[i] = QChar(u'0' + value % 10);
        value /= 10;
    }
    p += width;
}

} // namespace

int TimeTextWriter::offsetAt(qint64 secs)
{
    const qint64 bucket = floorDiv(secs, Bucket);
    if (bucket != m_bucket) {
        m_bucket = bucket;
        const qint64 start = bucket * Bucket;
        m_offset = QDateTime::fromSecsSinceEpoch(start).offsetFromUtc();
        m_uniform = m_offset == QDateTime::fromSecsSinceEpoch(start + Bucket - 1).offsetFromUtc();
    }
    return m_uniform ? m_offset : QDateTime::fromSecsSinceEpoch(secs).offsetFromUtc();
}

void TimeTextWriter::append(QString &out, qint64 secs)
{
    const qint64 local = secs + offsetAt(secs);
    const qint64 days = floorDiv(local, 86400);
    const int daySecs = int(local - days * 86400);
    int y = 0, m = 0, d = 0;
    QDate::fromJulianDay(days + UnixEpochJulianDay).getDate(&y, &m, &d);
    if (y < 1 || y > 9999) {
        out += QDateTime::fromSecsSinceEpoch(secs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        return;
    }
    const qsizetype at = out.size();
    out.resize(at + 19);
    QChar *p = out.data() + at;
    appendDigits(p, y, 4);
    *p++ = u'-';
    appendDigits(p, m, 2);
    *p++ = u'-';
    appendDigits(p, d, 2);
    *p++ = u' ';
    appendDigits(p, daySecs / 3600, 2);
    *p++ = u':';
    appendDigits(p, daySecs / 60 % 60, 2);
    *p++ = u':';
    appendDigits(p, daySecs % 60, 2);
}

} // namespace kestrel

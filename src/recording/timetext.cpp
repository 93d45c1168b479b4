#include "timetext.h"

#include <QDate>

namespace kestrel {

namespace {

constexpr qint64 Bucket = 900; // offsets of all time zones change on quarter hours
constexpr qint64 UnixEpochJulianDay = 2440588;
constexpr int NotUniform = 1 << 30; // no real offset comes near a year of seconds

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

// "dddd-dd-dd dd:dd:dd" with ASCII digits.
bool plainForm(const QString &t)
{
    static const char pattern[] = "dddd-dd-dd dd:dd:dd";
    if (t.size() != 19)
        return false;
    for (int i = 0; i < 19; ++i) {
        const char16_t c = t.at(i).unicode();
        if (pattern[i] == 'd' ? (c < u'0' || c > u'9') : c != char16_t(pattern[i]))
            return false;
    }
    return true;
}

int number(const QString &t, int from, int len)
{
    int v = 0;
    for (int i = from; i < from + len; ++i)
        v = v * 10 + (t.at(i).unicode() - u'0');
    return v;
}

} // namespace

int TimeTexts::offsetAt(qint64 secs)
{
    const qint64 bucket = floorDiv(secs, Bucket);
    auto it = m_offsets.constFind(bucket);
    if (it == m_offsets.constEnd()) {
        const qint64 start = bucket * Bucket;
        const int first = QDateTime::fromSecsSinceEpoch(start).offsetFromUtc();
        const bool uniform = first == QDateTime::fromSecsSinceEpoch(start + Bucket - 1).offsetFromUtc();
        it = m_offsets.insert(bucket, uniform ? first : NotUniform);
    }
    m_offset = *it != NotUniform ? *it : QDateTime::fromSecsSinceEpoch(secs).offsetFromUtc();
    return m_offset;
}

void TimeTexts::append(QString &out, qint64 secs)
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

QDateTime TimeTexts::parse(const QString &text)
{
    if (!plainForm(text))
        return QDateTime::fromString(text, Qt::ISODate);
    const QDate date(number(text, 0, 4), number(text, 5, 2), number(text, 8, 2));
    const QTime time(number(text, 11, 2), number(text, 14, 2), number(text, 17, 2));
    if (!date.isValid() || !time.isValid())
        return {};
    const qint64 local =
        (date.toJulianDay() - UnixEpochJulianDay) * 86400 + time.msecsSinceStartOfDay() / 1000;
    const int offset = offsetAt(local - m_offset);
    if (offsetAt(local - offset) != offset)
        return QDateTime(date, time); // a wall-clock time the clock change skipped or repeated
    return QDateTime::fromSecsSinceEpoch(local - offset, Qt::OffsetFromUTC, offset);
}

} // namespace kestrel

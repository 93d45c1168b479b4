#include "curvebuffers.h"

#include "common/numeric.h"
#include "products/catalogue.h"
#include "recording/timedbuffer.h"

#include <algorithm>
#include <limits>

namespace kestrel {

CurveBuffers::CurveBuffers(QObject *parent)
    : QObject(parent), m_histData(size_t(Samples) * Quantities, 0), m_histTime(Samples, Unfilled)
{
    m_drawTime.fill(Unfilled);
}

void CurveBuffers::saveDrawData(const RecordEntry &entry)
{
    std::array<int, Quantities> values{};
    for (int k = 0; k < Quantities; ++k) {
        const qint64 v = numericValue(entry.values[size_t(quantity(k).box)]);
        values[size_t(k)] = int(
            std::clamp<qint64>(v, std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()));
    }
    addPoint(values, entry.time);
}

void CurveBuffers::addPoint(const std::array<int, Quantities> &values, const QString &time)
{
    const int32_t t = secondsOf(time);
    for (int k = 0; k < Quantities; ++k) {
        auto &row = m_drawData[size_t(k)];
        std::copy(row.begin() + 1, row.end(), row.begin());
        row.back() = qint16(values[size_t(k)]);
    }
    std::copy(m_drawTime.begin() + 1, m_drawTime.end(), m_drawTime.begin());
    m_drawTime.back() = t;

    qint16 *sample = &m_histData[size_t(m_histCount) * Quantities];
    for (int k = 0; k < Quantities; ++k)
        sample[k] = qint16(values[size_t(k)]);
    m_histTime[size_t(m_histCount)] = t;
    if (++m_histCount == Samples)
        m_histCount = 0;
    Q_EMIT pointAdded();
}

// "HH:mm:ss" to seconds since midnight; an empty text leaves the point unfilled.
int32_t CurveBuffers::secondsOf(const QString &time)
{
    if (time.isEmpty())
        return Unfilled;
    if (time.size() != 8 || time[2] != u':' || time[5] != u':')
        return Unreadable;
    int parts[3];
    for (int i = 0; i < 3; ++i) {
        const QChar hi = time[3 * i], lo = time[3 * i + 1];
        if (!hi.isDigit() || !lo.isDigit())
            return Unreadable;
        parts[i] = hi.digitValue() * 10 + lo.digitValue();
    }
    if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59)
        return Unreadable;
    return parts[0] * 3600 + parts[1] * 60 + parts[2];
}

QString CurveBuffers::timeText(int32_t s)
{
    if (s < 0)
        return {};
    const auto two = [](int v) { return QString::number(v).rightJustified(2, u'0'); };
    return two(s / 3600) + u':' + two(s / 60 % 60) + u':' + two(s % 60);
}

} // namespace kestrel

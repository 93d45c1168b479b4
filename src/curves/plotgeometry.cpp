#include "plotgeometry.h"
#include "common/tr8.h"

#include "common/numeric.h"
#include "curvebuffers.h"
#include "products/catalogue.h"
#include "texts.h"

namespace kestrel::plot {

namespace {

// The standard 16-colour palette.
constexpr uint32_t kPalette[16] = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
    0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
};
constexpr uint32_t Black = 0x000000, Yellow = 0xFFFF00, Red = 0xFF0000;

constexpr double CircleRadius = 0.2;
constexpr int CurveWidth = 2;

Mark line(QPointF a, QPointF b, uint32_t rgb, int width = 1, bool dotted = false)
{
    Mark m;
    m.a = a, m.b = b, m.rgb = rgb, m.width = width, m.dotted = dotted;
    return m;
}

Mark text(QPointF topLeft, const QString &s)
{
    Mark m;
    m.kind = Mark::Text, m.a = topLeft, m.text = s;
    return m;
}

// A circle on the point, then the segment to the next one.
void addSegment(Plot &plot, double x, int v, int next, uint32_t rgb)
{
    Mark c;
    c.kind = Mark::Circle, c.a = QPointF(x, v), c.radius = CircleRadius, c.rgb = Red, c.width = CurveWidth;
    plot.push_back(c);
    plot.push_back(line(QPointF(x, v), QPointF(x + 2, next), rgb, CurveWidth));
}

// Steps 1 and 2 of the readout: the point index under the pointer, or nothing.
std::optional<int> pointIndex(QPointF pointer, int last)
{
    if (pointer.x() <= 0)
        return std::nullopt;
    const qint64 i = roundHalfEven(pointer.x()) / 2;
    if (i < 0 || i > last || pointer.y() <= -140 || pointer.y() > 2100)
        return std::nullopt;
    return int(i);
}

template <typename ValueAt>
std::optional<Readout> readout(const Ticked &ticked, QPointF pointer, ValueAt valueAt, const QString &time)
{
    Readout r;
    for (int k = 0; k < CurveBuffers::Quantities; ++k) {
        const int v = valueAt(k);
        if (!ticked[size_t(k)] || !(pointer.y() - 30 < v && v < pointer.y() + 30))
            continue;
        r.names = (r.names + quantity(k).name()).trimmed();
        r.values = (r.values + (v >= 0 ? QStringLiteral(" ") : QString()) + QString::number(v)).trimmed();
    }
    if (r.names.isEmpty() || r.values.isEmpty())
        return std::nullopt;
    r.time = time;
    return r;
}

} // namespace

uint32_t quantityColour(int k)
{
    return kPalette[14 - k];
}

QPointF checkBoxTopLeft(int k)
{
    return QPointF(110, 2000 - 100 * k);
}

QPointF historyButtonTopLeft()
{
    return QPointF(102, 600);
}

Plot frame()
{
    Plot p;
    p.reserve(256);
    for (int y = -100; y <= 2000; y += 50) {
        const bool major = y % 200 == 0;
        p.push_back(line(QPointF(0, y), QPointF(100, y), major ? Yellow : Black, 1, true));
        if (major)
            p.push_back(text(QPointF(-5, y + 50), QString::number(y)));
    }
    p.push_back(line(QPointF(0, 0), QPointF(100, 0), Black));
    p.push_back(line(QPointF(0, -150), QPointF(0, 2100), Black));
    const QString t = tr8(texts::curves::TimeLabelPrefix);
    for (int x = 0; x <= 100; x += 2) {
        p.push_back(line(QPointF(x, 0), QPointF(x, 2000), Black, 1, x != 0));
        if (x % 4 == 0)
            p.push_back(text(QPointF(x, 0), t + QString::number(x / 2)));
    }
    for (int k = 0; k < CurveBuffers::Quantities; ++k) {
        const double y = 2000 - 100 * k;
        p.push_back(text(QPointF(102, y), quantity(k).name()));
        p.push_back(line(QPointF(107, y - 30), QPointF(109, y - 30), quantityColour(k), 2));
    }
    return p;
}

void addRealTimeCurves(Plot &plot, const CurveBuffers &b, const Ticked &ticked)
{
    for (int p = 0; p + 1 < CurveBuffers::Points; ++p) {
        if (!b.pointFilled(p))
            continue;
        for (int k = 0; k < CurveBuffers::Quantities; ++k)
            if (ticked[size_t(k)])
                addSegment(plot, 2 * p, b.drawData(k, p), b.drawData(k, p + 1), quantityColour(k));
    }
}

void addHistoryPage(Plot &plot, const CurveBuffers &b, int page, const Ticked &ticked)
{
    if (!b.sampleFilled(1) || page < 0 || page >= HistoryPages)
        return;
    for (int j = 0; j <= 50; ++j) {
        const int n = 50 * page + j;
        for (int k = 0; k < CurveBuffers::Quantities; ++k) {
            if (!ticked[size_t(k)])
                continue;
            if (n + 1 < CurveBuffers::Samples) {
                addSegment(plot, 2 * j, b.histData(n, k), b.histData(n + 1, k), quantityColour(k));
            } else { // sample 86400 closes the last page: its circle, no segment
                Mark c;
                c.kind = Mark::Circle, c.a = QPointF(2 * j, b.histData(n, k)), c.radius = CircleRadius;
                c.rgb = Red, c.width = CurveWidth;
                plot.push_back(c);
            }
        }
    }
}

std::optional<Readout> realTimeReadout(const CurveBuffers &b, const Ticked &ticked, QPointF pointer)
{
    const auto i = pointIndex(pointer, CurveBuffers::Points - 1);
    if (!i)
        return std::nullopt;
    return readout(
        ticked, pointer, [&](int k) { return b.drawData(k, *i); }, b.drawTime(*i));
}

std::optional<Readout> historyReadout(const CurveBuffers &b, const Ticked &ticked, int page, QPointF pointer)
{
    const auto i = pointIndex(pointer, 50);
    if (!i || page < 0 || page >= HistoryPages)
        return std::nullopt;
    const int n = 50 * page + *i;
    return readout(
        ticked, pointer, [&](int k) { return b.histData(n, k); }, b.histTime(n));
}

QPointF readoutPosition(QPointF pointer, double w, double h)
{
    const double x = pointer.x(), y = pointer.y();
    const double left = (x + w > 100 && x - w >= 1) ? x - w : x + 5;
    const double top = (y > 2000 || y + h > 2050) ? 2000 - h : y + h;
    return QPointF(left, top);
}

} // namespace kestrel::plot

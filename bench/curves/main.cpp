// The curve windows' figures, offscreen:
//  1. one drawPic of the real-time window with all 13 quantities ticked and 50 points filled, at
//     the window's first size and with the plot at 1920 × 1080;
//  2. one page of the history window (a scroll-bar step), all 13 quantities ticked, full history;
//  3. the resident memory the curve and history buffers add once every sample is written.
#include "chart.h"
#include "curves/curvebuffers.h"
#include "staticchart.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>

#include <cmath>
#include <cstdio>
#include <memory>

using namespace kestrel;

namespace {

constexpr int kRuns = 200;

long residentKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

void fill(CurveBuffers &b, int samples)
{
    std::array<int, 13> v{};
    for (int n = 0; n < samples; ++n) {
        for (int k = 0; k < 13; ++k)
            v[size_t(k)] = int(150 * k + 100 * std::sin(n / (7.0 + k)));
        b.addPoint(v, QStringLiteral("%1:%2:%3")
                          .arg(n / 3600 % 24, 2, 10, QLatin1Char('0'))
                          .arg(n / 60 % 60, 2, 10, QLatin1Char('0'))
                          .arg(n % 60, 2, 10, QLatin1Char('0')));
    }
}

void tickAll(QWidget &w)
{
    for (QCheckBox *box : w.findChildren<QCheckBox *>())
        box->setChecked(true);
}

template <typename F> double msPerRun(F f)
{
    f(); // warm
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kRuns; ++i)
        f();
    return double(t.nsecsElapsed()) / 1e6 / kRuns;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);

    const long before = residentKiB();
    auto buffers = std::make_unique<CurveBuffers>();
    fill(*buffers, CurveBuffers::Samples);
    const long after = residentKiB();
    std::printf("buffers: %.2f MB resident added with all %d samples written (%.2f MB of storage)\n",
                (after - before) / 1024.0, CurveBuffers::Samples, CurveBuffers::storageBytes() / 1048576.0);

    chart c(*buffers);
    tickAll(c);
    std::printf("drawPic, 13 quantities, plot %dx%d: %.3f ms\n", c.pic()->width(), c.pic()->height(),
                msPerRun([&] { c.drawPic(); }));
    c.pic()->resize(1920, 1080);
    std::printf("drawPic, 13 quantities, plot 1920x1080: %.3f ms\n", msPerRun([&] { c.drawPic(); }));

    StaticChart h(*buffers);
    tickAll(h);
    QScrollBar *scroll = h.HScroll1();
    int page = 0;
    std::printf("history page, 13 quantities, plot %dx%d: %.3f ms\n", h.pic()->width(), h.pic()->height(),
                msPerRun([&] { scroll->setValue(++page % 1728); }));
    return 0;
}

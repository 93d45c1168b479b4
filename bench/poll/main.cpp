// The polling cycle's figures:
//  1. readings per second of a real station polling 255 devices of kestrel-sim paced at 115200 baud,
//     with the interval taken out of the way, beside the wire limit of the same frames;
//  2. the CPU share of the process polling 8 devices at a 1-second interval;
//  3. the time to rebuild the device grid for 255 addresses and to update one row of it.
// Each polling figure is taken for the station alone and for the station with its main window
// shown (offscreen), which renders every change as the operator would see it.
#include "devices/devicegrid.h"
#include "products/catalogue.h"
#include "rig.h"
#include "ui/gridview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <cstdio>
#include <vector>

using namespace kestrel;
using namespace kestrel::bench;

namespace {

constexpr int kRequestBytes = 8;  // address, function, start, count, CRC
constexpr int kReplyOverhead = 5; // address, function, byte count, CRC
constexpr int kWarmPasses = 1;
constexpr int kTimedPasses = 3;
constexpr int kRatePassesLimitMs = 60000;
constexpr int kCpuWindowMs = 10000;

// Wire time of one polled reading of a device, in seconds, without and with the slave's turnaround.
struct Wire {
    double frames = 0;
    double withTurnaround = 0;
};

Wire wireTime(int address, int baud)
{
    const auto block = pollingBlock(codesOf(address).mixpro, codesOf(address).protype);
    const int count = block ? block->count : 0;
    const double bit = 1.0 / baud;
    Wire w;
    w.frames = (kRequestBytes + kReplyOverhead + 2 * count) * 10 * bit;
    w.withTurnaround = w.frames + 3.5 * 10 * bit + 0.002;
    return w;
}

struct RateResult {
    bool ok = false;
    double readingsPerSecond = 0;
    long readings = 0;
    long failures = 0;
    double cpuMsPerReading = 0; // CPU time of this process
    double panelChangesPerReading = 0;
    qint64 responseMinMs = -1, responseMaxMs = -1; // over every device, as the traffic statistics count it
    double responseMeanMs = 0;
};

enum class Path { ExchangeOnly, Station, StationSaving, StationWindow };

// Readings per second over the timed passes of the whole range: the polling cycle with the
// interval out of the way, or (ExchangeOnly) the same value reads issued back to back.
RateResult measureRate(int devices, int baud, Path path)
{
    RateResult r;
    const int timedPasses = kTimedPasses;
    ImmediateTimers timers;
    Rig rig(devices, baud, timers, path == Path::StationWindow);
    if (!rig.open()) {
        std::fprintf(stderr, "bench_poll: %s\n", qPrintable(rig.error()));
        return r;
    }
    struct Mark {
        qint64 ns;
        double cpu;
        long good, requests, panelChanges;
    };
    std::vector<Mark> marks; // at the first good reading of every pass
    const size_t wanted = static_cast<size_t>(kWarmPasses + timedPasses + 1);
    QElapsedTimer clock;
    clock.start();
    // Taken at the first good reading of a pass, which is already counted.
    auto mark = [&](long counted) {
        marks.push_back({clock.nsecsElapsed(), cpuSeconds(), rig.goodReadings - counted,
                         rig.requests - counted, rig.panelChanges});
    };

    if (path == Path::ExchangeOnly) {
        // Marks before every pass and after the last one.
        Exchange &ex = rig.station->exchange;
        for (size_t pass = 0; pass + 1 < wanted; ++pass) {
            mark(0);
            for (int a = 1; a <= devices; ++a) {
                const auto block = pollingBlock(codesOf(a).mixpro, codesOf(a).protype);
                ex.CurAddr = static_cast<uint8_t>(a);
                ex.CustomStart = block->start;
                ex.CustomCount = block->count;
                if (ex.readRegisters(3, 255))
                    ++rig.goodReadings;
            }
        }
        mark(0);
    } else {
        QEventLoop loop;
        int lastCycle = -1;
        rig.onReading = [&] {
            const int cycle = rig.station->readings.CycleCount;
            if (cycle == lastCycle)
                return;
            lastCycle = cycle;
            mark(1);
            if (marks.size() == wanted) {
                rig.station->polling.stop();
                loop.quit();
            }
        };
        if (!rig.startPolling(1, path == Path::StationSaving)) {
            std::fprintf(stderr, "bench_poll: %s\n", qPrintable(rig.error()));
            return r;
        }
        QTimer::singleShot(kRatePassesLimitMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (marks.size() != wanted) {
        std::fprintf(stderr, "bench_poll: polling did not complete %d passes\n", kWarmPasses + timedPasses);
        return r;
    }
    const Mark &from = marks[kWarmPasses], &to = marks.back();
    const double seconds = static_cast<double>(to.ns - from.ns) / 1e9;
    r.readings = to.good - from.good;
    r.failures = (to.requests - from.requests) - r.readings;
    r.readingsPerSecond = static_cast<double>(r.readings) / seconds;
    r.cpuMsPerReading = 1000.0 * (to.cpu - from.cpu) / static_cast<double>(r.readings);
    r.panelChangesPerReading =
        static_cast<double>(to.panelChanges - from.panelChanges) / static_cast<double>(r.readings);
    qint64 sum = 0, timed = 0;
    for (int a = 1; a <= devices; ++a) {
        const AddressStats &st = rig.station->traffic.stats(a);
        if (st.timed == 0)
            continue;
        r.responseMinMs = r.responseMinMs < 0 ? st.minMs : std::min(r.responseMinMs, st.minMs);
        r.responseMaxMs = std::max(r.responseMaxMs, st.maxMs);
        sum += st.sumMs;
        timed += st.timed;
    }
    r.responseMeanMs = timed ? static_cast<double>(sum) / static_cast<double>(timed) : 0;
    r.ok = true;
    return r;
}

struct CpuResult {
    bool ok = false;
    double wall = 0;
    double cpu = 0;
    long readings = 0;
};

// Polls at the operator's interval with real timers; CPU time of this process over the window.
CpuResult measureCpu(int devices, int baud, int intervalSeconds, bool withWindow)
{
    CpuResult r;
    Rig rig(devices, baud, QtTimerFactory::instance(), withWindow);
    if (!rig.open() || !rig.startPolling(intervalSeconds)) {
        std::fprintf(stderr, "bench_poll: %s\n", qPrintable(rig.error()));
        return r;
    }
    {
        // Start counting after the first reading: start-up and the first paint are not polling.
        QEventLoop first;
        rig.onReading = [&] { first.quit(); };
        QTimer::singleShot(5000, &first, &QEventLoop::quit);
        first.exec();
        rig.onReading = nullptr;
    }
    if (rig.goodReadings < 1) {
        std::fprintf(stderr, "bench_poll: no reading within 5 s\n");
        return r;
    }
    const long good0 = rig.goodReadings;
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(kCpuWindowMs, &loop, &QEventLoop::quit);
    loop.exec();
    r.cpu = cpuSeconds() - cpu0;
    r.wall = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    r.readings = rig.goodReadings - good0;
    r.ok = true;
    return r;
}

// Median time of f in microseconds over reps runs (after a few unmeasured ones).
double medianUs(int reps, const std::function<void(int)> &f)
{
    std::vector<double> us;
    us.reserve(static_cast<size_t>(reps));
    for (int i = 0; i < reps + 5; ++i) {
        QElapsedTimer t;
        t.start();
        f(i);
        const double v = static_cast<double>(t.nsecsElapsed()) / 1e3;
        if (i >= 5)
            us.push_back(v);
    }
    std::sort(us.begin(), us.end());
    return us[us.size() / 2];
}

struct GridFigures {
    double build = 0;
    double rowUpdate = 0;
    double geometry = -1; // the view re-applying every width and height once
};

GridFigures measureGrid(bool withView)
{
    DeviceTable table;
    for (int a = 1; a <= DeviceTable::LastAddress; ++a)
        table.at(a).alias = QStringLiteral("设备%1").arg(a);
    DeviceGrid grid;
    std::unique_ptr<GridView> view;
    if (withView) {
        view = std::make_unique<GridView>(grid);
        view->resize(420, 400);
        view->show();
    }
    grid.build(1, DeviceTable::LastAddress, table);
    QCoreApplication::processEvents();

    GridFigures g;
    g.build = medianUs(200, [&](int) { grid.build(1, DeviceTable::LastAddress, table); });

    // One row as the display of a polled T+RH+CO2+VOC+PM2.5 device sets it: each component's
    // column shown and its cell written (texts alternate so every cell really changes).
    const ProductType *t = lookupType(81, 27);
    const int row = 128;
    g.rowUpdate = medianUs(2000, [&](int i) {
        for (size_t k = 0; k < t->components.size(); ++k) {
            const Quantity &q = quantity(t->components[k]);
            grid.setColumnWidth(q.gridColumn(), DeviceGrid::ValueWidth);
            grid.setCell(row, q.gridColumn(), q.display(i % 2 ? 231 : 232));
        }
    });
    if (withView)
        g.geometry = medianUs(200, [&](int) { Q_EMIT grid.geometryReset(); });
    return g;
}

// The offscreen platform's notes on window hints and the data base's "created" line come once per
// station; they would break up the table. Everything else goes through as usual.
QtMessageHandler g_previousHandler = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (text.startsWith(QLatin1String("This plugin does not support")) ||
        (text.startsWith(QLatin1String("created ")) && text.endsWith(QLatin1String("Record.mdb"))))
        return;
    if (g_previousHandler)
        g_previousHandler(type, context, text);
}

} // namespace

int main(int argc, char **argv)
{
    g_previousHandler = qInstallMessageHandler(quietHandler);
    // No window on the developer's screen: the view and the main window render offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    constexpr int busDevices = 255;
    constexpr int fastBaud = 115200;
    double wireFrames = 0, wireTurn = 0;
    for (int a = 1; a <= busDevices; ++a) {
        const Wire w = wireTime(a, fastBaud);
        wireFrames += w.frames;
        wireTurn += w.withTurnaround;
    }
    const double limitFrames = busDevices / wireFrames;
    const double limitTurn = busDevices / wireTurn;

    std::printf("1. Polling %d devices of kestrel-sim at %d baud, interval out of the way\n", busDevices,
                fastBaud);
    std::printf("   (types known; mix T+RH, T+RH+CO2, T+RH+PM2.5, T+RH+CO2+VOC+PM2.5, CO2; %d passes timed "
                "after %d)\n",
                kTimedPasses, kWarmPasses);
    std::printf(
        "   wire: (8 + 5 + 2 x registers) bytes x 10 bits / baud; turnaround: 3.5 characters + 2 ms\n\n");
    std::printf("   %-34s %10s %9s %8s %7s %9s %8s\n", "", "readings/s", "ms/read", "% limit", "failed",
                "CPU ms", "changes");
    std::printf("   %-34s %10.1f %9.3f\n", "wire limit, frames only", limitFrames, 1000.0 / limitFrames);
    std::printf("   %-34s %10.1f %9.3f %8.1f\n", "wire limit incl. turnaround", limitTurn, 1000.0 / limitTurn,
                100.0);
    std::fflush(stdout);
    const struct {
        Path path;
        const char *name;
    } paths[] = {{Path::ExchangeOnly, "exchange alone, reads back to back"},
                 {Path::Station, "station polling"},
                 {Path::StationSaving, "station polling, saving on"},
                 {Path::StationWindow, "station + main window (offscreen)"}};
    double bareMs = 0;
    RateResult station;
    std::vector<std::pair<const char *, double>> over;
    for (const auto &p : paths) {
        const RateResult r = measureRate(busDevices, fastBaud, p.path);
        if (!r.ok)
            return 1;
        const double ms = 1000.0 / r.readingsPerSecond;
        if (p.path == Path::ExchangeOnly)
            bareMs = ms;
        else
            over.emplace_back(p.name, ms - bareMs);
        if (p.path == Path::Station)
            station = r;
        std::printf("   %-34s %10.1f %9.3f %8.1f %7ld %9.3f %8.1f\n", p.name, r.readingsPerSecond,
                    1000.0 / r.readingsPerSecond, 100.0 * r.readingsPerSecond / limitTurn, r.failures,
                    r.cpuMsPerReading, r.panelChangesPerReading);
        std::fflush(stdout);
    }
    for (const auto &[name, ms] : over)
        std::printf("   %-34s %+9.3f ms/reading over the exchange alone\n", name, ms);
    std::printf("   CPU ms: CPU time of this process per reading (the simulator not included)\n");
    std::printf("   changes: value-panel change signals per reading (the window re-renders its value side on "
                "each)\n");
    std::printf("   saving on: each reading lands in Record.pending before the next one starts\n");
    std::printf(
        "   response time of the station's replies (traffic statistics, whole ms): min %lld, mean %.1f, "
        "max %lld; the simulator waits 3.5 characters + 2 ms = %.1f ms before it answers\n",
        static_cast<long long>(station.responseMinMs), station.responseMeanMs,
        static_cast<long long>(station.responseMaxMs), 3.5 * 10 * 1000.0 / fastBaud + 2.0);
    std::printf("   goal: at least 90 %% of the limit incl. turnaround\n\n");

    constexpr int cpuDevices = 8;
    constexpr int cpuBaud = 9600;
    std::printf("2. CPU of this process polling %d devices at a 1-second interval (window timers), %d baud\n",
                cpuDevices, cpuBaud);
    std::printf("   %-34s %8s %8s %9s %14s\n", "", "wall s", "CPU s", "readings", "% of one core");
    for (bool withWindow : {false, true}) {
        const CpuResult c = measureCpu(cpuDevices, cpuBaud, 1, withWindow);
        if (!c.ok)
            return 1;
        std::printf("   %-34s %8.2f %8.3f %9ld %14.2f\n",
                    withWindow ? "station + main window (offscreen)" : "station", c.wall, c.cpu, c.readings,
                    100.0 * c.cpu / c.wall);
        std::fflush(stdout);
    }
    std::printf("   goal: under 2 %%\n\n");

    std::printf("3. Device grid of %d addresses (median µs)\n", DeviceTable::LastAddress);
    std::printf("   %-34s %11s %13s %15s\n", "", "build", "one row", "view geometry");
    for (bool withView : {false, true}) {
        const GridFigures g = measureGrid(withView);
        std::printf("   %-34s %11.1f %13.2f %15s\n",
                    withView ? "grid + view shown (offscreen)" : "grid model", g.build, g.rowUpdate,
                    g.geometry < 0 ? "" : qPrintable(QString::number(g.geometry, 'f', 1)));
    }
    std::printf("   one row: the 5 cells of a T+RH+CO2+VOC+PM2.5 device as its polled display sets them\n");
    std::printf("   view geometry: the view applying every column width and row height once\n");
    return 0;
}

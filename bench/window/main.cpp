// What the main window costs the polling cycle. 255 devices of known types are polled back to
// back on kestrel-sim's bus model, each reply delivered at once without a wire, so a reading
// costs only the program's own work. Wall and CPU time per reading are taken for the station
// alone and for the station with its main window shown (offscreen, painting as it would on a
// screen); the difference is what the window costs each reading. A second pair paces each reply
// 5 ms after its request (about a reading's time on a 115200-baud wire), so the window has the
// time to repaint as often as it would in the field. Also printed: the change signals the window
// is sent per reading.
#include "../immediatetimers.h"
#include "busfile.h"
#include "common/operator.h"
#include "common/timedwire.h"
#include "simbus.h"
#include "station/station.h"
#include "ui/frmroughin.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

using namespace kestrel;
using bench::ImmediateTimers;

namespace {

constexpr int kDevices = 255;
constexpr int kWarmPasses = 1;
constexpr int kTimedPasses = 4;
constexpr int kLimitMs = 50000;

struct Codes {
    uint8_t mixpro, protype;
};
// T+RH, T+RH+CO2, T+RH+PM2.5, T+RH+CO2+VOC+PM2.5, CO2.
const Codes kMix[] = {{33, 3}, {49, 9}, {49, 13}, {81, 27}, {0, 6}};
Codes codesOf(int a)
{
    return kMix[static_cast<size_t>(a - 1) % std::size(kMix)];
}

struct Quiet : Operator {
    void message(const QString &, const QString &, Icon) override {}
    QString askOpenFile(const QString &, const QString &) override { return {}; }
    QString askSaveFile(const QString &, const QString &) override { return {}; }
};

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Figures {
    bool ok = false;
    double wallUs = 0, cpuUs = 0, panelChanges = 0, stationChanges = 0, gridChanges = 0;
};

Figures measure(bool withWindow, int replyMs)
{
    Figures f;
    QString busText;
    for (int a = 1; a <= kDevices; ++a)
        busText += QStringLiteral("%1 %2 %3 230415 0001 17 %4\n")
                       .arg(a)
                       .arg(codesOf(a).mixpro)
                       .arg(codesOf(a).protype)
                       .arg(replyMs > 0 ? QStringLiteral("late=%1").arg(replyMs) : QString());
    sim::SimBus bus(sim::parseBusText(busText).devices);
    ImmediateTimers timers;
    test::TimedWire wire(bus, QtTimerFactory::instance());
    Quiet op;
    QTemporaryDir dir;
    Station station(wire, op, SystemClock::instance(), timers, dir.path());
    std::unique_ptr<frmroughin> window;
    if (withWindow)
        window = std::make_unique<frmroughin>(station);
    station.Form_Load();
    if (window)
        window->show();
    for (int a = 1; a <= kDevices; ++a) {
        DeviceEntry &d = station.devices.at(a);
        d.mixpro = codesOf(a).mixpro, d.protype = codesOf(a).protype, d.absent = 0;
    }
    long readings = 0, panel = 0, changed = 0, grid = 0;
    QObject::connect(&station.exchange, &Exchange::replyTaken, [&] { ++readings; });
    QObject::connect(&station.panel, &Panel::changed, [&] { ++panel; });
    QObject::connect(&station, &Station::changed, [&] { ++changed; });
    QObject::connect(&station.grid, &QAbstractItemModel::dataChanged, [&] { ++grid; });

    station.devices.PollStart = 1;
    station.devices.PollEnd = kDevices;
    station.settings.setInterval(1);
    station.polling.cmdLoopR_Click();
    if (auto *ok = window ? window->findChild<QPushButton *>(QStringLiteral("OKButton")) : nullptr)
        ok->click(); // the operator confirms the settings dialog
    else
        station.settingsRequest.accept();
    if (station.polling.phase() != Polling::Phase::Active)
        return f;

    QEventLoop loop;
    QElapsedTimer clock;
    long r0 = 0, p0 = 0, c0 = 0, g0 = 0;
    double cpu0 = 0;
    int lastCycle = -1, passes = 0;
    QObject::connect(&station.exchange, &Exchange::replyTaken, [&] {
        if (station.readings.CycleCount == lastCycle)
            return;
        lastCycle = station.readings.CycleCount;
        if (++passes == kWarmPasses + 1) {
            clock.start(), cpu0 = cpuSeconds(), r0 = readings, p0 = panel, c0 = changed, g0 = grid;
        } else if (passes == kWarmPasses + kTimedPasses + 1) {
            const double n = double(readings - r0);
            f.wallUs = double(clock.nsecsElapsed()) / 1e3 / n;
            f.cpuUs = (cpuSeconds() - cpu0) * 1e6 / n;
            f.panelChanges = double(panel - p0) / n;
            f.stationChanges = double(changed - c0) / n;
            f.gridChanges = double(grid - g0) / n;
            f.ok = true;
            station.polling.stop();
            loop.quit();
        }
    });
    QTimer::singleShot(kLimitMs, &loop, &QEventLoop::quit);
    loop.exec();
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_LOGGING_RULES", "kestrel.*=false");
    QApplication app(argc, argv);
    std::printf("bench_window: %d devices polled back to back, no wire, %d passes timed\n", kDevices,
                kTimedPasses);
    std::printf("%-22s %12s %12s %14s %15s %13s\n", "", "wall us/rd", "cpu us/rd", "panel sig/rd",
                "station sig/rd", "grid sig/rd");
    for (const int replyMs : {0, 5}) {
        Figures fig[2];
        for (int w = 0; w < 2; ++w) {
            fig[w] = measure(w == 1, replyMs);
            if (!fig[w].ok) {
                std::fprintf(stderr, "bench_window: polling did not complete\n");
                return 1;
            }
            const QString name =
                QStringLiteral("%1, reply %2 ms").arg(w ? "+ window" : "station").arg(replyMs);
            std::printf("%-22s %12.1f %12.1f %14.1f %15.1f %13.1f\n", qPrintable(name), fig[w].wallUs,
                        fig[w].cpuUs, fig[w].panelChanges, fig[w].stationChanges, fig[w].gridChanges);
        }
        std::printf("the window costs %.1f us of CPU per reading\n", fig[1].cpuUs - fig[0].cpuUs);
    }
    return 0;
}

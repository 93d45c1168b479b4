// The traffic monitor's figures:
//  1. CPU per frame: records of a busy bus fed to the traffic, taken into the monitor window
//     (shown offscreen) in batches of one refresh and painted; beside it the traffic alone (window closed);
//  2. 255-device polling of a real station on kestrel-sim paced at 115200 baud, the polling
//     interval out of the way: readings per second with and without the monitor open, runs
//     alternating so that the load of the machine falls on both alike.
#include "../immediatetimers.h"
#include "common/clock.h"
#include "common/operator.h"
#include "common/simprocess.h"
#include "link/crc16.h"
#include "link/qtserialport.h"
#include "station/station.h"
#include "ui/monitor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

using namespace kestrel;
using bench::ImmediateTimers;

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// T+RH, T+RH+CO2, T+RH+PM2.5, T+RH+CO2+VOC+PM2.5, CO2 in turn.
const uint8_t kCodes[][2] = {{33, 3}, {49, 9}, {49, 13}, {81, 27}, {0, 6}};
const uint8_t *codesOf(int address)
{
    return kCodes[size_t(address - 1) % std::size(kCodes)];
}

QString busText(int devices)
{
    QString text;
    for (int a = 1; a <= devices; ++a)
        text += QStringLiteral("%1 %2 %3 230415 %4 17\n")
                    .arg(a)
                    .arg(codesOf(a)[0])
                    .arg(codesOf(a)[1])
                    .arg(a, 4, 16, QLatin1Char('0'));
    return text;
}

// 1. CPU per frame.
TrafficRecord sample(int i)
{
    TrafficRecord r;
    r.sentAt = QDateTime::currentDateTime();
    r.receivedAt = r.sentAt.addMSecs(4);
    const char body[] = {char(i % 255 + 1), 3, 0, 2, 0, 9};
    r.request = withCrc(QByteArray(body, 6));
    r.reply = withCrc(QByteArray(23, char(i)));
    r.address = uint8_t(i % 255 + 1);
    r.function = 3;
    r.verdict = i % 100 ? Verdict::Ok : Verdict::BadCrc;
    return r;
}

// Records fed as a bus of `perSecond` transactions would, a batch per refresh of the window.
double cpuUsPerFrame(bool open, int records, int perSecond)
{
    Traffic traffic;
    SilentOperator op;
    TrafficMonitor monitor(traffic, op, QtTimerFactory::instance(), QString());
    if (open)
        monitor.show();
    QCoreApplication::processEvents();
    std::vector<TrafficRecord> samples;
    for (int i = 0; i < 1000; ++i)
        samples.push_back(sample(i));
    const int batch = perSecond * TrafficMonitor::RefreshMs / 1000;
    const double start = cpuSeconds();
    for (int i = 0; i < records; ++i) {
        traffic.add(samples[size_t(i) % samples.size()]);
        if (open && (i + 1) % batch == 0) {
            monitor.refresh();
            QCoreApplication::processEvents(); // the repaint
        }
    }
    return 1e6 * (cpuSeconds() - start) / (2.0 * records);
}

// 2. Polling with and without the monitor.
struct PollResult {
    bool ok = false;
    double readingsPerSecond = 0;
    double cpuMsPerReading = 0;
};

PollResult poll(test::SimProcess &sim, int devices, int passes, bool withMonitor)
{
    PollResult r;
    QTemporaryDir dir;
    PortMap map;
    map.set(3, sim.linkPath());
    QtSerialPort port(map);
    SilentOperator op;
    ImmediateTimers timers;
    Station station(port, op, SystemClock::instance(), timers, dir.path());
    station.Form_Load();
    station.portControl.mnuBaudRate_Click(5); // 115200
    if (!station.portControl.portOpen())
        return r;
    for (int a = 1; a <= devices; ++a) {
        station.devices.at(a).mixpro = codesOf(a)[0];
        station.devices.at(a).protype = codesOf(a)[1];
        station.devices.at(a).absent = 0;
    }
    std::unique_ptr<TrafficMonitor> monitor;
    if (withMonitor) { // its refresh on real timers, as in the program
        monitor =
            std::make_unique<TrafficMonitor>(station.traffic, op, QtTimerFactory::instance(), dir.path());
        monitor->show();
    }
    station.devices.PollStart = 1;
    station.devices.PollEnd = devices;
    station.settings.setInterval(1);
    station.settings.SaveEnabled = false;

    QEventLoop loop;
    QElapsedTimer wall;
    double cpu = 0;
    long good = 0;
    QObject::connect(&station.exchange, &Exchange::transactionEnded, &loop, [&](const TrafficRecord &rec) {
        const int cycle = station.readings.CycleCount;
        if (cycle == 1 && !wall.isValid()) { // the first pass warms up
            wall.start();
            cpu = cpuSeconds();
        }
        if (wall.isValid() && rec.verdict == Verdict::Ok)
            ++good;
        if (cycle == passes + 1) {
            station.polling.stop();
            loop.quit();
        }
    });
    station.polling.cmdLoopR_Click();
    station.settingsRequest.accept();
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    if (!wall.isValid() || station.readings.CycleCount < passes + 1)
        return r;
    r.readingsPerSecond = double(good) / (double(wall.nsecsElapsed()) / 1e9);
    r.cpuMsPerReading = 1000.0 * (cpuSeconds() - cpu) / double(good);
    r.ok = true;
    return r;
}

// The offscreen platform's note on window hints comes once per window; it would break up the table.
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (text.startsWith(QLatin1String("This plugin does not support")))
        return;
    qt_message_output(type, context, text);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qInstallMessageHandler(quietHandler);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "kestrel.db.info=false;kestrel.link.info=false");
    QApplication app(argc, argv);

    std::printf(
        "traffic monitor: CPU per frame (200,000 frames; 500 transactions/s in batches of one refresh)\n");
    std::printf("   monitor closed (ring and statistics only) %7.2f us\n", cpuUsPerFrame(false, 100000, 500));
    std::printf("   monitor open, each batch painted          %7.2f us\n", cpuUsPerFrame(true, 100000, 500));

    constexpr int devices = 255, passes = 2, rounds = 5;
    test::SimProcess sim(busText(devices), {QStringLiteral("--baud"), QStringLiteral("115200")});
    if (!sim.start()) {
        std::fprintf(stderr, "bench_monitor: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    std::vector<double> rate[2], cpu[2];
    for (int round = 0; round < rounds; ++round)
        for (int open = 0; open < 2; ++open) {
            const PollResult p = poll(sim, devices, passes, open == 1);
            if (!p.ok) {
                std::fprintf(stderr, "bench_monitor: polling did not complete\n");
                return 1;
            }
            rate[open].push_back(p.readingsPerSecond);
            cpu[open].push_back(p.cpuMsPerReading);
        }
    std::printf("polling %d devices at 115200 baud, %d passes, median of %d alternating runs\n", devices,
                passes, rounds);
    std::printf("   %-16s %12s %16s\n", "", "readings/s", "CPU ms/reading");
    std::printf("   %-16s %12.1f %16.3f\n", "monitor closed", median(rate[0]), median(cpu[0]));
    std::printf("   %-16s %12.1f %16.3f\n", "monitor open", median(rate[1]), median(cpu[1]));
    std::printf("   open vs closed   %+11.1f %%\n", 100.0 * (median(rate[1]) / median(rate[0]) - 1.0));
    return 0;
}

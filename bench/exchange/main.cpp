// Prints the median round trip of readRegisters against kestrel-sim paced at 9600 and 115200 baud,
// beside the wire time of the same frames, and the CPU time spent while a read waits out its
// 3-second time-out.
#include "common/clock.h"
#include "common/simprocess.h"
#include "common/operator.h"
#include "link/exchange.h"
#include "link/qtserialport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

using namespace kestrel;

namespace {

const char *const kBus = "1 33 3 230415 0001 17\n"
                         "2 49 13 230611 0002 0C\n"
                         "9 33 3 230415 0009 17 silent\n";

struct Read {
    const char *name;
    uint8_t addr;
    uint8_t selector;
    uint8_t customStart;
    uint8_t customCount;
    int replyBytes; // n + 5
};

const Read kReads[] = {
    {"T+RH, selector 2", 1, 2, 0, 0, 4 + 5},
    {"free read of 9 from 2", 2, 255, 2, 9, 18 + 5},
};
constexpr int kRequestBytes = 8;
constexpr int kRuns = 40;

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Rig {
    test::SimProcess sim;
    std::unique_ptr<QtSerialPort> port;
    SilentOperator op;
    std::unique_ptr<Exchange> ex;

    Rig(int baud)
        : sim(QString::fromLatin1(kBus),
              baud > 0 ? QStringList{QStringLiteral("--baud"), QString::number(baud)} : QStringList{})
    {
    }
    bool start(int baud)
    {
        if (!sim.start()) {
            std::fprintf(stderr, "bench_exchange: %s\n", qPrintable(sim.errorString()));
            return false;
        }
        PortMap map;
        map.set(3, sim.linkPath());
        port = std::make_unique<QtSerialPort>(map);
        port->setPortNumber(3);
        port->setBaudRate(baud > 0 ? baud : 9600);
        if (!port->open()) {
            std::fprintf(stderr, "bench_exchange: cannot open %s\n", qPrintable(sim.linkPath()));
            return false;
        }
        ex = std::make_unique<Exchange>(*port, op, QtTimerFactory::instance(), SystemClock::instance());
        return true;
    }
    // Median round trip in milliseconds; negative when a read failed.
    double median(const Read &r)
    {
        std::vector<double> ms;
        for (int i = 0; i < kRuns + 3; ++i) {
            ex->CurAddr = r.addr;
            ex->CustomStart = r.customStart;
            ex->CustomCount = r.customCount;
            QElapsedTimer t;
            t.start();
            if (!ex->readRegisters(3, r.selector))
                return -1;
            if (i >= 3) // the first reads warm up
                ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        }
        std::sort(ms.begin(), ms.end());
        return ms[ms.size() / 2];
    }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("kestrel.*.debug=false"));
    std::printf("Round trip of readRegisters over a pseudo-terminal to kestrel-sim (median of %d)\n", kRuns);
    std::printf("wire: request + reply bytes x 10 bits / baud; turnaround: the simulated slave's 3.5\n"
                "characters + 2 ms; rest: what the port, the exchange and the scheduler add.\n\n");
    std::printf("%-24s %8s %9s %11s %11s %9s\n", "read", "baud", "wire ms", "turnaround", "median ms",
                "rest ms");
    for (int baud : {9600, 115200, 0}) {
        Rig rig(baud);
        if (!rig.start(baud))
            return 1;
        for (const Read &r : kReads) {
            const double wire = baud > 0 ? (kRequestBytes + r.replyBytes) * 10.0 * 1000.0 / baud : 0.0;
            const double turnaround = baud > 0 ? 3.5 * 10.0 * 1000.0 / baud + 2.0 : 0.0;
            const double m = rig.median(r);
            if (m < 0) {
                std::fprintf(stderr, "bench_exchange: %s failed at %d baud\n", r.name, baud);
                return 1;
            }
            std::printf("%-24s %8s %9.2f %11.2f %11.2f %9.2f\n", r.name,
                        baud > 0 ? qPrintable(QString::number(baud)) : "unpaced", wire, turnaround, m,
                        m - wire - turnaround);
            std::fflush(stdout);
        }
    }

    Rig rig(0);
    if (!rig.start(0))
        return 1;
    rig.ex->CurAddr = 9; // silent
    const double cpu0 = cpuSeconds();
    QElapsedTimer t;
    t.start();
    const bool ok = rig.ex->readRegisters(3, 2);
    const double wall = static_cast<double>(t.elapsed()) / 1000.0;
    const double cpu = cpuSeconds() - cpu0;
    std::printf("\nWaiting out the time-out of a silent device\n");
    std::printf("%-24s %10s %12s %10s\n", "", "wall s", "CPU s", "goal");
    std::printf("%-24s %10.3f %12.4f %10s%s\n", "readRegisters, no reply", wall, cpu, "< 0.05",
                ok || !rig.ex->valueTimeout ? "  (did not time out!)" : "");
    return 0;
}

// Prints the wall time of one connectivity-test pass over 32 answering devices on kestrel-sim
// paced at 9600 and 115200 baud, beside the wire time of the same frames, with the time spent
// in the data base (one SAVEPRO update per device) apart.
#include "common/operator.h"
#include "common/simprocess.h"
#include "link/qtserialport.h"
#include "station/station.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kestrel;

namespace {

constexpr int kDevices = 32;
constexpr int kRuns = 3;
constexpr int kRequestBytes = 8;   // the identity read: registers 240..243
constexpr int kReplyBytes = 8 + 5; // four registers

// The station's side of the test, as the station does it, with the time spent in the data base
// added up.
struct TimedHost : CommissioningHost {
    explicit TimedHost(Station &s) : station(s) {}
    Station &station;
    qint64 dbNs = 0;
    void stopPolling() override { station.polling.stop(); }
    void stopPollingTimer() override { station.polling.stopTimer(); }
    void enableLoopR() override {}
    void disableLoopP() override { station.polling.disableLoopP(); }
    void setFramesEnabled(bool) override {}
    uint8_t readProType() override
    {
        DeviceEntry &dev = station.devices.at(station.exchange.CurAddr);
        learnType(station.products, dev);
        return dev.mixpro;
    }
    StoredCodes storeCodes(int address, uint8_t mixpro, uint8_t protype) override
    {
        QElapsedTimer t;
        t.start();
        StoredCodes r;
        r.status = station.db.setCodes(address, mixpro, protype);
        if (r.status.ok)
            r.alias = station.db.readAlias(address).value;
        dbNs += t.nsecsElapsed();
        return r;
    }
};

struct Pass {
    double wallMs = 0, dbMs = 0;
    int answered = 0;
};

// One run of one pass over 1..32 on a station whose device table knows nobody yet.
Pass onePass(Station &station)
{
    SilentOperator op;
    TimedHost host(station);
    ConnTest test(station.exchange, station.devices, op, QtTimerFactory::instance(), host);
    station.devices.clear();
    test.txtloopAdd3 = QString::number(kDevices);
    QEventLoop loop;
    QObject::connect(&test, &ConnTest::finished, &loop, &QEventLoop::quit);
    QElapsedTimer t;
    t.start();
    test.cmdtest_Click();
    loop.exec();
    return {static_cast<double>(t.nsecsElapsed()) / 1e6, static_cast<double>(host.dbNs) / 1e6,
            int(test.okCount)};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("kestrel.*.debug=false\nkestrel.*.info=false"));
    QString bus;
    for (int a = 1; a <= kDevices; ++a)
        bus += QStringLiteral("%1 33 3 230415 0001 17\n").arg(a);

    std::printf("One connectivity-test pass over %d answering devices (median of %d runs)\n", kDevices,
                kRuns);
    std::printf("wire: request + reply bytes x 10 bits / baud; turnaround: the simulated slave's 3.5\n"
                "characters + 2 ms per reply; pause: the 500 ms before the pass; db: one SAVEPRO update\n"
                "per device; goal: wall - db <= 1.1 x (wire + turnaround) + 500 ms.\n\n");
    std::printf("%8s %9s %11s %9s %8s %12s %10s %6s\n", "baud", "wire ms", "turnaround", "wall ms", "db ms",
                "wall-db ms", "goal ms", "met");
    for (int baud : {9600, 115200}) {
        test::SimProcess sim(bus,
                             {QStringLiteral("--baud"), QString::number(baud), QStringLiteral("--fixed")});
        if (!sim.start()) {
            std::fprintf(stderr, "bench_conntest: %s\n", qPrintable(sim.errorString()));
            return 1;
        }
        PortMap map;
        map.set(3, sim.linkPath());
        QtSerialPort port(map);
        QTemporaryDir data;
        SilentOperator op;
        Station station(port, op, SystemClock::instance(), QtTimerFactory::instance(), data.path());
        station.Form_Load();
        port.setBaudRate(baud);
        std::vector<Pass> passes;
        for (int i = 0; i < kRuns; ++i) {
            passes.push_back(onePass(station));
            if (passes.back().answered != kDevices) {
                std::fprintf(stderr, "bench_conntest: %d of %d answered at %d baud\n", passes.back().answered,
                             kDevices, baud);
                return 1;
            }
        }
        std::sort(passes.begin(), passes.end(),
                  [](const Pass &a, const Pass &b) { return a.wallMs < b.wallMs; });
        const Pass &m = passes[passes.size() / 2];
        const double wire = kDevices * (kRequestBytes + kReplyBytes) * 10.0 * 1000.0 / baud;
        const double turnaround = kDevices * (3.5 * 10.0 * 1000.0 / baud + 2.0);
        const double goal = 1.1 * (wire + turnaround) + ConnTest::PassPauseMs;
        std::printf("%8d %9.1f %11.1f %9.1f %8.1f %12.1f %10.1f %6s\n", baud, wire, turnaround, m.wallMs,
                    m.dbMs, m.wallMs - m.dbMs, goal, m.wallMs - m.dbMs <= goal ? "yes" : "no");
        std::fflush(stdout);
    }
    return 0;
}

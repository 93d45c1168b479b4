// Prints the time to land one polled reading in Record.pending with synchronous=NORMAL and
// FULL (mean, 99th percentile and worst of 3,000 readings of 2 and of 5 quantities), and the time
// of a full flush (255 addresses x 300 cycles x 5 quantities) whose readings had all been landed,
// beside the same flush without them. The files live in a temporary folder on the disk of
// TMPDIR (default /tmp), which is removed.
#include "landingcost.h"
#include "recording/readinglog.h"
#include "recording/recorddb.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace kestrel;
using namespace kestrel::bench;

namespace {

void landing(PendingStore::Sync sync, int components)
{
    const LandingCost c = measureLanding(sync, components, 3000);
    if (!c.ok) {
        std::printf("landing failed\n");
        return;
    }
    std::printf("landing, synchronous=%-6s %d quantities: mean %7.1f us, p99 %7.1f us, worst %8.1f us"
                " (first, opening the file: %.1f us)\n",
                sync == PendingStore::Sync::Full ? "FULL" : "NORMAL", components, c.meanUs, c.p99Us,
                c.worstUs, c.openUs);
}

double fullFlush(bool landed)
{
    QTemporaryDir dir;
    RecordDb db(dir.path());
    db.check();
    ReadingLog log(db);
    ReadingBuffer buffer;
    std::vector<LoggedDevice> devices;
    for (int a = 1; a <= 255; ++a)
        devices.push_back({a, FiveNames});
    for (int r = 1; r <= ReadingBuffer::Cycles; ++r) {
        for (const LoggedDevice &d : devices) {
            fillReading(buffer, d.address, r, 5);
            if (landed)
                log.land(buffer, d, r);
        }
    }
    buffer.CycleCount = ReadingBuffer::Cycles;
    QElapsedTimer t;
    t.start();
    const FlushResult f = log.flushReadings(buffer, devices, true);
    const double s = double(t.nsecsElapsed()) / 1e9;
    if (!f.ok || f.written != 255 * 300 * 5)
        std::printf("flush failed: %s\n", qPrintable(f.error));
    return s;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    for (auto sync : {PendingStore::Sync::Normal, PendingStore::Sync::Full})
        for (int components : {2, 5})
            landing(sync, components);
    std::printf("full flush (382,500 rows): %.2f s without landed readings, %.2f s with all landed\n",
                fullFlush(false), fullFlush(true));
    return 0;
}

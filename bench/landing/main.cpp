// Prints the time to land one polled reading in Record.pending with synchronous=NORMAL and
// FULL (mean, 99th percentile and worst of 3,000 readings of 2 and of 5 quantities), and the time
// of a full flush (255 addresses x 300 cycles x 5 quantities) whose readings had all been landed,
// beside the same flush without them. The files live in a temporary folder on the disk of
// TMPDIR (default /tmp), which is removed.
#include "recording/readingbuffer.h"
#include "recording/readinglog.h"
#include "recording/recorddb.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace kestrel;

namespace {

constexpr qint64 Start = 1796000000;
const QStringList Five = {"T", "RH", "CO2", "VOC", "PM2.5"};

void fill(ReadingBuffer &buffer, int address, int slot, int components)
{
    buffer.setTime(address, slot, QDateTime::fromSecsSinceEpoch(Start + slot * 255 + address));
    for (int k = 0; k < components; ++k)
        buffer.setValue(address, slot, k, uint16_t(address * 7 + slot * 13 + k));
}

void landing(PendingStore::Sync sync, int components)
{
    QTemporaryDir dir;
    RecordDb db(dir.path());
    db.check();
    ReadingLog log(db, sync);
    ReadingBuffer buffer;
    const LoggedDevice device{1, Five.mid(0, components)};
    // The first landing opens the file and builds its tables: timed apart.
    fill(buffer, 1, 1, components);
    QElapsedTimer first;
    first.start();
    log.land(buffer, device, 1);
    const double openUs = double(first.nsecsElapsed()) / 1e3;
    std::vector<double> us;
    constexpr int Readings = 3000;
    for (int i = 1; i <= Readings; ++i) {
        const int slot = i % ReadingBuffer::Cycles + 1;
        fill(buffer, 1, slot, components);
        QElapsedTimer t;
        t.start();
        if (!log.land(buffer, device, slot).ok) {
            std::printf("landing failed\n");
            return;
        }
        us.push_back(double(t.nsecsElapsed()) / 1e3);
    }
    std::sort(us.begin(), us.end());
    double sum = 0;
    for (double v : us)
        sum += v;
    std::printf("landing, synchronous=%-6s %d quantities: mean %7.1f us, p99 %7.1f us, worst %8.1f us"
                " (first, opening the file: %.1f us)\n",
                sync == PendingStore::Sync::Full ? "FULL" : "NORMAL", components, sum / Readings,
                us[size_t(Readings * 0.99)], us.back(), openUs);
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
        devices.push_back({a, Five});
    for (int r = 1; r <= ReadingBuffer::Cycles; ++r) {
        for (const LoggedDevice &d : devices) {
            fill(buffer, d.address, r, 5);
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

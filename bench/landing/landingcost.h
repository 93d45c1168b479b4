#pragma once
// The cost of landing one polled reading in Record.pending, as a function a benchmark can call
// beside its own figures (bench/landing prints it; the polling benchmark can print it with its
// polling figures).
#include "recording/readingbuffer.h"
#include "recording/readinglog.h"
#include "recording/recorddb.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <vector>

namespace kestrel::bench {

inline const QStringList FiveNames = {"T", "RH", "CO2", "VOC", "PM2.5"};

inline void fillReading(ReadingBuffer &buffer, int address, int slot, int components)
{
    buffer.setTime(address, slot, QDateTime::fromSecsSinceEpoch(1796000000 + slot * 255 + address));
    for (int k = 0; k < components; ++k)
        buffer.setValue(address, slot, k, uint16_t(address * 7 + slot * 13 + k));
}

struct LandingCost {
    bool ok = false;
    double meanUs = 0, p99Us = 0, worstUs = 0;
    double openUs = 0; // the first landing, which opens the file and builds its table
};

// `readings` landings of one device with `components` quantities, in a temporary data folder
// on the disk of TMPDIR.
inline LandingCost measureLanding(PendingStore::Sync sync, int components, int readings)
{
    QTemporaryDir dir;
    RecordDb db(dir.path());
    db.check();
    ReadingLog log(db, sync);
    ReadingBuffer buffer;
    const LoggedDevice device{1, FiveNames.mid(0, components)};
    LandingCost c;
    fillReading(buffer, 1, 1, components);
    QElapsedTimer first;
    first.start();
    log.land(buffer, device, 1);
    c.openUs = double(first.nsecsElapsed()) / 1e3;
    std::vector<double> us;
    for (int i = 1; i <= readings; ++i) {
        const int slot = i % ReadingBuffer::Cycles + 1;
        fillReading(buffer, 1, slot, components);
        QElapsedTimer t;
        t.start();
        if (!log.land(buffer, device, slot).ok)
            return c;
        us.push_back(double(t.nsecsElapsed()) / 1e3);
    }
    std::sort(us.begin(), us.end());
    for (double v : us)
        c.meanUs += v / double(us.size());
    c.p99Us = us[size_t(double(us.size()) * 0.99)];
    c.worstUs = us.back();
    c.ok = true;
    return c;
}

} // namespace kestrel::bench

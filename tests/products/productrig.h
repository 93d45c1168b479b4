#pragma once
// A station over kestrel-sim for the product tests, with the product side's hooks into other
// areas recorded and the requests the devices received read back from the simulator's trace.
#include "common/stationrig.h"

#include <QtTest>

namespace kestrel::test {

struct FixedClock : Clock {
    QDateTime now() const override { return {QDate(2026, 12, 4), QTime(14, 31, 37)}; }
};
inline FixedClock kClock;

// "box=text=more;..." → 13 texts, one per box: field 1 (text) or 2 (more) of the box's entry.
inline QStringList boxTexts(const char *layout, int field = 1)
{
    QStringList b(Panel::Boxes);
    for (const QString &p : QString::fromUtf8(layout).split(u';', Qt::SkipEmptyParts))
        b[p.section(u'=', 0, 0).toInt()] = p.section(u'=', field, field);
    return b;
}

// A station on kestrel-sim serving `bus`; the product side's hooks into other areas are recorded.
struct Rig : StationRig {
    explicit Rig(const QString &bus) : StationRig(bus, kClock, {"--fixed", "--verbose"})
    {
        if (!ok())
            return;
        ProductSide &p = station->products;
        for (auto [hook, name] : {std::pair{&p.stopPolling, "stopPolling"}, {&p.stopPollingTimer, "stopPollingTimer"},
                                  {&p.saveDrawData, "saveDrawData"}, {&p.drawPic, "drawPic"}})
            *hook = [this, name = name] { calls << QString::fromLatin1(name); };
        p.wData = [this] {
            calls << QStringLiteral("wData");
            station->timed.recCount = 0; // written out
        };
    }
    // The requests the devices received, from the simulator's frame trace "HH:mm:ss.zzz RX 01 03 ...".
    QList<QByteArray> requests()
    {
        QList<QByteArray> r;
        for (const QByteArray &line : sim.standardError().split('\n'))
            if (line.mid(13, 3) == "RX ")
                r << QByteArray::fromHex(line.mid(16).split(';').first());
        return r;
    }
    QStringList boxes() const
    {
        QStringList b;
        for (int i = 0; i < Panel::Boxes; ++i)
            b << station->panel.valueText(i);
        return b;
    }
    QList<int> enabledBoxes() const
    {
        QList<int> e;
        for (int i = 0; i < Panel::Boxes; ++i)
            if (station->panel.valueEnabled(i))
                e << i;
        return e;
    }
    QStringList calls;
};
#define START_RIG(r, bus) STATION_RIG(Rig, r, bus); ProductSide &p = s.products

} // namespace kestrel::test

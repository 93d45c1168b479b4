#pragma once
// A station over kestrel-sim for the product tests, with the requests the devices received read
// back from the simulator's trace.
#include "common/stationrig.h"

#include <QtTest>

namespace kestrel::test
{

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

struct Rig : StationRig {
    explicit Rig(const QString &bus) : StationRig(bus, kClock, {"--fixed", "--verbose"})
    {
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
    void startPolling() // with no range set, a running cycle reads nothing
    {
        station->polling.cmdLoopR_Click();
        station->settingsRequest.accept();
    }
};
#define START_RIG(r, bus)                                                                                    \
    STATION_RIG(Rig, r, bus);                                                                                \
    ProductSide &p = s.products

} // namespace kestrel::test

#pragma once
// A whole station on a real serial port against kestrel-sim: the core as the main window
// owns it, driven without a window.
#include "common/clock.h"
#include "common/manualtime.h"
#include "common/recordingoperator.h"
#include "common/simprocess.h"
#include "link/crc16.h"
#include "link/qtserialport.h"
#include "station/station.h"

#include <QMap>
#include <QTemporaryDir>
#include <memory>

namespace kestrel::test {

// The read request a device receives for `count` registers from `start`.
inline QByteArray request(int address, int start, int count)
{
    const char body[] = {char(address), 3, 0, char(start), 0, char(count)};
    return withCrc(QByteArray(body, 6));
}

struct StationRig {
    SimProcess sim;
    QTemporaryDir data;
    std::unique_ptr<QtSerialPort> port;
    RecordingOperator op;
    std::unique_ptr<Station> station;

    // COM3 leads to the simulator unless `ports` maps it elsewhere (then no simulator is started).
    StationRig(const QString &bus, TimerFactory &timers, Clock &clock = SystemClock::instance(),
               const QStringList &simArgs = {}, const QMap<int, QString> &ports = {})
        : sim(bus, simArgs)
    {
        PortMap map;
        if (!ports.contains(3) && !sim.start())
            return;
        map.set(3, sim.linkPath());
        for (auto i = ports.begin(); i != ports.end(); ++i)
            map.set(i.key(), i.value());
        port = std::make_unique<QtSerialPort>(map);
        station = std::make_unique<Station>(*port, op, clock, timers, data.path());
        station->Form_Load();
    }
    bool ok() const { return station && port->isOpen(); }
    QString why() { return sim.errorString() + QString::fromUtf8(sim.standardError()); }
};
// A rig of `Type` named r, checked, with its station as s.
#define STATION_RIG(Type, r, ...)                                                                            \
    Type r(__VA_ARGS__);                                                                                     \
    QVERIFY2(r.ok(), qPrintable(r.why()));                                                                   \
    Station &s = *r.station

} // namespace kestrel::test

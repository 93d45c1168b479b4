#include "station.h"

namespace kestrel {

Station::Station(SerialPort &port_, Operator &op_, Clock &clock_, TimerFactory &timers_, const QString &dataFolder_,
                 QObject *parent)
    : QObject(parent), port(port_), op(op_), clock(clock_), timers(timers_), dataFolder(dataFolder_),
      exchange(port_, op_), portControl(port_, op_)
{
}

Station::~Station() = default;

void Station::Form_Load()
{
    cmdConnEnabled = true;
    cmdLoopREnabled = true;
    readings.CycleCount = 0;
    portControl.startUp();
}

void Station::Form_Unload() {}

} // namespace kestrel

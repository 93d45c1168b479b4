#pragma once
// Everything the main window owns in the system, held in the core: the port and the exchange,
// the product side, the device table and grid, the buffers, the polling cycle and the data base.
// The window renders this state and forwards the operator's actions; tests drive it directly.
#include "devices/devicetable.h"
#include "link/exchange.h"
#include "link/portcontrol.h"
#include "products/panel.h"
#include "recording/readingbuffer.h"
#include "recording/timedbuffer.h"

#include <QObject>

namespace kestrel {

class Clock;
class TimerFactory;

class Station : public QObject {
    Q_OBJECT
public:
    Station(SerialPort &port, Operator &op, Clock &clock, TimerFactory &timers, const QString &dataFolder,
            QObject *parent = nullptr);
    ~Station() override;

    // Start-up and shutdown of the main window.
    void Form_Load();
    void Form_Unload();

    SerialPort &port;
    Operator &op;
    Clock &clock;
    TimerFactory &timers;
    const QString dataFolder;

    Exchange exchange;
    PortControl portControl;
    Panel panel;
    DeviceTable devices;
    ReadingBuffer readings;
    TimedBuffer timed;

    bool cmdConnEnabled = false;
    bool cmdLoopREnabled = false;
};

} // namespace kestrel

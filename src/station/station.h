#pragma once
// Everything the main window owns in the system, held in the core: the port and the exchange,
// the product side, the device table and grid, the buffers, the polling cycle and the data base.
// The window renders this state and forwards the operator's actions; tests drive it directly.
#include "devices/addresscommands.h"
#include "devices/conntest.h"
#include "devices/devicegrid.h"
#include "devices/devicetable.h"
#include "devices/pollsettings.h"
#include "devices/registry.h"
#include "link/exchange.h"
#include "link/portcontrol.h"
#include "polling/polling.h"
#include "products/panel.h"
#include "products/productside.h"
#include "recording/readingbuffer.h"
#include "recording/readinglog.h"
#include "recording/recorddb.h"
#include "recording/timedbuffer.h"
#include "station/commissioning.h"

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

    // The main window's frames Frame1 (real-time controls) and Frame5 (address controls) are
    // disabled while the settings dialog is open for a polling start.
    bool framesEnabled() const { return m_framesEnabled; }

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
    DeviceGrid grid;
    RecordDb db;
    ReadingLog log;
    ProductSide products;
    PollSettings settings;
    SettingsRequest settingsRequest;
    Polling polling;
    DeviceRegistry registry;
    // Reading and setting an address, and the connectivity test.
    StationCommissioning commissioning{*this};
    AddressCommands address{exchange, panel, devices, db, op, commissioning};
    ConnTest conntest{exchange, devices, op, timers, commissioning};

    bool cmdConnEnabled = false;
    bool cmdLoopREnabled = false;

Q_SIGNALS:
    void changed();
    // The window shows the save-configuration question when a polling run ends.
    void dialog1Requested();

private:
    friend class StationCommissioning;
    void connectPolling();
    QString rescueWaitingReadings() const;
    void setFramesEnabled(bool on);
    bool m_framesEnabled = true;
};

} // namespace kestrel

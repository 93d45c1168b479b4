#pragma once
// Everything the main window owns in the system, held in the core: the port and the exchange,
// the product side, the device table and grid, the buffers, the polling cycle and the data base.
// The window renders this state and forwards the operator's actions; tests drive it directly.
#include "curves/curvebuffers.h"

#include "console/crcconsole.h"
#include "devices/addresscommands.h"
#include "devices/commissioninghost.h"
#include "devices/conntest.h"
#include "devices/devicegrid.h"
#include "devices/devicetable.h"
#include "devices/pollsettings.h"
#include "devices/registry.h"
#include "link/exchange.h"
#include "link/portcontrol.h"
#include "link/traffic.h"
#include "polling/polling.h"
#include "polling/timedreading.h"
#include "products/panel.h"
#include "products/productside.h"
#include "recording/readingbuffer.h"
#include "recording/readinglog.h"
#include "recording/recorddb.h"
#include "recording/recordfile.h"
#include "recording/timedbuffer.h"

#include <QObject>

namespace kestrel {

class Clock;
class TimerFactory;

class Station : public QObject,
                private ProductSide::Outside,
                private DeviceRegistry::PollingControl,
                private TimedReadingActions,
                private CommissioningHost {
    Q_OBJECT
public:
    // `shared`: a reading log on a PostgreSQL server instead of Record.mdb (an empty url: none).
    Station(SerialPort &port, Operator &op, Clock &clock, TimerFactory &timers, const QString &dataFolder,
            const SharedLog &shared = {}, QObject *parent = nullptr);
    ~Station() override;

    // Start-up and shutdown of the main window.
    void Form_Load();
    void Form_Unload();
    // Readings a crash left in Record.pending go to the log; the operator is told how many.
    void recoverPendingReadings(bool dbUsable);

    // The main window's frames Frame1 (real-time controls) and Frame5 (address controls) are
    // disabled while the settings dialog is open for a polling start.
    bool framesEnabled() const { return m_framesEnabled; }

    SerialPort &port;
    Operator &op;
    Clock &clock;
    TimerFactory &timers;
    const QString dataFolder;

    Exchange exchange;
    Traffic traffic{exchange}; // every transaction, counted per address; the monitor shows it
    PortControl portControl;
    Panel panel;
    DeviceTable devices;
    ReadingBuffer readings;
    TimedBuffer timed;
    CurveBuffers curves; // the real-time curve and the history the curve windows draw
    DeviceGrid grid;
    RecordDb db;
    ReadingLog log;
    ProductSide products;
    PollSettings settings;
    SettingsRequest settingsRequest;
    Polling polling;
    DeviceRegistry registry;
    RecordFile records; // the daily record files of the timed reading
    TimedReading timedReading;

    CrcConsole console{op};

    // Reading and setting an address, and the connectivity test.
    AddressCommands address{exchange, panel, devices, db, op, *this};
    ConnTest conntest{exchange, devices, op, timers, *this};

    bool cmdConnEnabled = false;
    bool cmdLoopREnabled = false;

    // Text boxes of the device frame: the address to add, the alias to rename to, the message line.
    QString Text4 = QStringLiteral("1");
    QString Text3;
    QString Text5;
    void setText3(const QString &text);
    void setText4(const QString &text); // the change rule applies
    void setText5(const QString &text);

    // The device frame's commands, with its boxes' texts.
    void cmdAddDev_Click() { registry.cmdAddDev_Click(Text4); }
    void cmdAlias_Click() { registry.cmdAlias_Click(Text3); }
    void gridClick(int row);

Q_SIGNALS:
    void changed();
    // The window shows the save-configuration question when a polling run ends.
    void dialog1Requested();

private:
    // ProductSide::Outside (stopPolling and stopPollingTimer serve TimedReadingActions and
    // CommissioningHost too)
    void stopPolling() override { polling.stop(); }
    void stopPollingTimer() override { polling.stopTimer(); }
    // Each reading of the timed reading becomes a curve point; an open curve window redraws on
    // CurveBuffers::pointAdded, so nothing else stands for drawPic.
    void timedEntryStored() override { curves.saveDrawData(timed.current()); }
    void writeTimedBuffer() override { records.wData(RecordFile::Report::Later); }
    // DeviceRegistry::PollingControl
    bool pauseIfRunning() override { return polling.pauseForCheck(); }
    void resume() override { polling.resumeAfterCheck(); }
    // TimedReadingActions
    void singleRead() override { products.CMDRHTread_Click(); }
    // CommissioningHost
    void enableLoopR() override;
    void disableLoopP() override { polling.disableLoopP(); }
    void setFramesEnabled(bool on) override;
    uint8_t readProType() override;
    StoredCodes storeCodes(int address, uint8_t mixpro, uint8_t protype) override;

    void connectPolling();
    QString rescueWaitingReadings() const;
    bool m_framesEnabled = true;
};

} // namespace kestrel

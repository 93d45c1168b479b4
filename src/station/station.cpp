#include "station.h"

#include "common/log.h"
#include "common/operator.h"
#include "products/catalogue.h"

namespace kestrel {

Station::Station(SerialPort &port_, Operator &op_, Clock &clock_, TimerFactory &timers_, const QString &dataFolder_,
                 QObject *parent)
    : QObject(parent), port(port_), op(op_), clock(clock_), timers(timers_), dataFolder(dataFolder_),
      exchange(port_, op_), portControl(port_, op_), db(dataFolder_), log(db),
      products(exchange, panel, devices, readings, timed, grid, op_, clock_), settingsRequest(settings),
      polling(exchange, devices, readings, panel, clock_, timers_, settings),
      registry(exchange, devices, grid, panel, op_, db)
{
    portControl.stopTimers = [this] { polling.stop(); };
    products.stopPolling = [this] { polling.stop(); };
    products.stopPollingTimer = [this] { polling.stopTimer(); };
    registry.readProType = [this] { return products.readProType(); };
    registry.pauseIfRunning = [this] {
        if (polling.phase() != Polling::Phase::Active || polling.paused())
            return false;
        polling.cmdLoopP_Click();
        return true;
    };
    registry.resume = [this] { polling.cmdLoopP_Click(); };
    connectPolling();
    connect(&polling, &Polling::changed, this, &Station::changed);
}

Station::~Station() = default;

void Station::setFramesEnabled(bool on)
{
    if (m_framesEnabled == on)
        return;
    m_framesEnabled = on;
    Q_EMIT changed();
}

void Station::connectPolling()
{
    polling.openSettings = [this] {
        setFramesEnabled(false);
        settingsRequest.open();
    };
    connect(&settingsRequest, &SettingsRequest::framesEnabled, this, [this] { setFramesEnabled(true); });
    connect(&settingsRequest, &SettingsRequest::answered, this, [this](bool ok) {
        setFramesEnabled(true);
        if (ok)
            polling.settingsAccepted();
        else
            polling.settingsCancelled();
    });
    polling.loadAliases = [this] {
        const AliasListResult r = db.loadAliases();
        if (!r.ok) {
            appendLog(QStringLiteral("aliases not loaded: ") + r.error);
            return;
        }
        for (const AliasRow &row : r.rows)
            if (row.address >= devices.PollStart && row.address <= devices.PollEnd && DeviceTable::valid(row.address))
                devices.at(row.address).alias = row.alias;
    };
    polling.buildGrid = [this] { grid.build(devices.PollStart, devices.PollEnd, devices); };
    polling.hideRow = [this](int address) { grid.setRowHeight(address - devices.PollStart + 1, 0); };
    polling.readClick = [this] { products.readClick(); };
    polling.readProType = [this] { return products.readProType(); };
    polling.storeCodes = [this](int address) {
        const DeviceEntry &d = devices.at(address);
        const DbStatus st = db.setCodes(address, d.mixpro, d.protype);
        if (!st.ok) // the tick goes on; the codes are learnt again next run
            appendLog(QStringLiteral("codes of %1 not stored: %2").arg(address).arg(st.error));
    };
    polling.pollingBlock = [](uint8_t mixpro, uint8_t protype) -> std::optional<std::pair<int, int>> {
        const auto b = pollingBlock(mixpro, protype);
        if (!b)
            return std::nullopt;
        return std::make_pair(int(b->start), int(b->count));
    };
    polling.showPolledValues = [this] { products.showPolledValues(); };
    polling.flushReadings = [this] {
        const FlushResult r = log.flushReadings(readings, devices, settings.SaveEnabled);
        return r.ok ? QString() : r.error;
    };
    polling.reportFlushFailure = [this](const QString &text) { op.message(text); };
    polling.showDialog1 = [this] { Q_EMIT dialog1Requested(); };
}

void Station::Form_Load()
{
    cmdConnEnabled = true;
    cmdLoopREnabled = true;
    readings.CycleCount = 0;
    products.startUp();
    polling.stop();
    portControl.startUp();
    const DbStatus st = db.check();
    if (!st.ok)
        op.message(st.error);
    Q_EMIT changed();
}

void Station::Form_Unload() {}

} // namespace kestrel

#include "station.h"

#include "common/clock.h"
#include "common/log.h"
#include "common/textfile.h"
#include "common/operator.h"
#include "products/catalogue.h"

#include <QDir>
#include <QSaveFile>

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
    connect(&settingsRequest, &SettingsRequest::cancelled, &conntest, &ConnTest::cmdstop_Click);
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

// Readings still in memory at the end of the run go to the log before the program ends: the
// complete passes of a running poll, and rows a failed flush held back.
void Station::Form_Unload()
{
    const bool running = polling.phase() != Polling::Phase::Stopped;
    polling.stop();
    const bool pending = (running && settings.SaveEnabled && readings.CycleCount >= 1) || log.waitingRows() > 0;
    if (!pending)
        return;
    const FlushResult r = log.flushReadings(readings, devices, true);
    readings.CycleCount = 0;
    if (r.ok)
        return;
    const QString rescue = rescueWaitingReadings();
    op.message(r.error + QStringLiteral("\r\n") +
               (rescue.isEmpty() ? QStringLiteral("这些读数未能保存。")
                                 : QStringLiteral("这些读数已另存为文本文件：") + rescue));
}

// The readings the data base refused, as a comma-separated GBK text in export/ (the columns of
// SAVEDATA), so that they outlive the program. Returns the file, or empty when it could not be written.
QString Station::rescueWaitingReadings() const
{
    QStringList lines{QStringLiteral("READTIME,READVALUE,PROTYPE,ADDRESS")};
    for (const LogRow &row : log.waiting())
        lines << QStringLiteral("%1,%2,%3,%4")
                     .arg(RecordDb::timeText(QDateTime::fromSecsSinceEpoch(row.readTime)))
                     .arg(row.value)
                     .arg(row.protype)
                     .arg(row.address);
    const QString folder = QDir(dataFolder).filePath(QStringLiteral("export"));
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(
        QStringLiteral("unsaved-%1.txt").arg(clock.now().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(gbkLines(lines)) < 0 || !f.commit())
        return {};
    appendLog(QStringLiteral("%1 unsaved readings written to %2").arg(log.waiting().size()).arg(path));
    return path;
}

} // namespace kestrel

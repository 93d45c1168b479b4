#include "station.h"
#include "common/tr8.h"

#include "common/clock.h"
#include "common/log.h"
#include "common/textfile.h"
#include "common/operator.h"
#include "products/catalogue.h"
#include "recording/texts.h"
#include "recording/rescuefile.h"

#include <QDir>

namespace kestrel {

Station::Station(SerialPort &port_, Operator &op_, Clock &clock_, TimerFactory &timers_,
                 const QString &dataFolder_, const SharedLog &shared, QObject *parent)
    : QObject(parent), port(port_), op(op_), clock(clock_), timers(timers_), dataFolder(dataFolder_),
      exchange(port_, op_, timers_, clock_), portControl(port_, op_), db(dataFolder_, shared), log(db),
      products(exchange, panel, timed, op_, clock_, *this), settingsRequest(settings),
      polling(PollingParts{exchange, devices, grid, readings, log, db, products, panel, settings, op_},
              clock_, timers_),
      registry(exchange, devices, grid, products, op_, db, *this), records(timed, dataFolder_, clock_, op_),
      timedReading(*this, timed, records, op_, timers_)
{
    connect(&portControl, &PortControl::portClosed, this, [this] {
        polling.stop();
        timedReading.stopTimer();
        grid.setAllRowsOld();
    });
    connect(&port, &SerialPort::lost, &grid, &DeviceGrid::setAllRowsOld);
    connect(&timedReading, &TimedReading::changed, this, &Station::changed);
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

void Station::setText3(const QString &text)
{
    if (Text3 == text)
        return;
    Text3 = text;
    Q_EMIT changed();
}

void Station::setText4(const QString &text)
{
    const QString fixed = DeviceRegistry::Text4_Change(text);
    if (Text4 == fixed && fixed == text)
        return;
    Text4 = fixed;
    Q_EMIT changed();
}

void Station::setText5(const QString &text)
{
    if (Text5 == text)
        return;
    Text5 = text;
    Q_EMIT changed();
}

void Station::gridClick(int row)
{
    if (const auto name = registry.gridClick(row))
        setText3(*name);
}

void Station::enableLoopR()
{
    cmdLoopREnabled = true;
    Q_EMIT changed();
}

uint8_t Station::readProType()
{
    DeviceEntry &dev = devices.at(exchange.CurAddr);
    learnType(products, dev);
    return dev.mixpro;
}

StoredCodes Station::storeCodes(int address, uint8_t mixpro, uint8_t protype)
{
    StoredCodes r;
    r.status = db.setCodes(address, mixpro, protype);
    if (!r.status.ok)
        return r;
    const AliasResult a = db.readAlias(address);
    if (a.ok)
        r.alias = a.value;
    return r;
}

void Station::connectPolling()
{
    connect(&polling, &Polling::settingsWanted, this, [this] {
        setFramesEnabled(false);
        settingsRequest.open();
    });
    connect(&settingsRequest, &SettingsRequest::framesEnabled, this, [this] { setFramesEnabled(true); });
    connect(&settingsRequest, &SettingsRequest::answered, this, [this](bool ok) {
        setFramesEnabled(true);
        if (ok)
            polling.settingsAccepted();
        else
            polling.settingsCancelled();
    });
    connect(&polling, &Polling::status, this, &Station::setText5);
    connect(&polling, &Polling::runEnded, this, &Station::dialog1Requested);
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
    recoverPendingReadings(st.ok);
    Q_EMIT changed();
}

void Station::recoverPendingReadings(bool dbUsable)
{
    namespace t = texts::recording;
    const ReadingLog::Recovery r = log.recoverPending();
    if (r.recovered > 0)
        op.message(r.ok ? tr8(t::PendingRecovered).arg(r.recovered)
                        : tr8(t::PendingRecoveredWaiting).arg(r.recovered).arg(r.error));
    else if (!r.ok && dbUsable)
        op.message(r.error);
}

// Readings still in memory at the end of the run go to the log before the program ends: the
// complete passes of a running poll with saving on, and rows a failed flush held back.
void Station::Form_Unload()
{
    timedReading.stopTimer();
    records.wData();
    const bool running = polling.phase() != Polling::Phase::Stopped;
    polling.stop();
    if (!running && log.waitingRows() == 0)
        return;
    const FlushResult r =
        log.flushReadings(readings, loggedDevices(devices), running && settings.SaveEnabled);
    readings.CycleCount = 0;
    if (r.ok)
        return;
    namespace t = texts::recording;
    const QString rescue = rescueWaitingReadings();
    const bool onDisk = log.waitingOnDisk();
    QString text = tr8(t::FlushFailedAtEnd).arg(r.waiting).arg(r.reason);
    if (r.dropped > 0)
        text += QStringLiteral("\r\n") + tr8(t::FlushDropped).arg(r.dropped);
    if (!rescue.isEmpty())
        text += QStringLiteral("\r\n") + tr8(t::RescueSaved) + rescue;
    if (onDisk)
        text += QStringLiteral("\r\n") +
                tr8(t::RescueKeptPending).arg(QDir::toNativeSeparators(log.pendingPath()));
    if (rescue.isEmpty() && !onDisk)
        text += QStringLiteral("\r\n") + tr8(t::RescueNone);
    op.message(text);
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
    const QString path = writeRescueFile(dataFolder, clock.now(), lines);
    if (path.isEmpty())
        return {};
    appendLog(QStringLiteral("%1 unsaved readings written to %2").arg(log.waiting().size()).arg(path));
    return path;
}

} // namespace kestrel

// kestrel-poll: polling without a window. The station's core polls the range of a saved .ini
// configuration on one port and logs the readings as the window does; each pass is printed.
//   kestrel-poll --config FILE.ini --port COMn=PATH [--baud N] [--data-dir DIR] [--db URL]
//                [--station NAME] [--passes N] [--csv]
// Exit codes (docs/kestrel-poll.1): 0 done, 2 usage, 3 configuration, 4 port, 5 data base,
// 6 readings not logged.
#include "common/clock.h"
#include "common/datafolder.h"
#include "common/log.h"
#include "common/loggingoperator.h"
#include "common/textfile.h"
#include "common/version.h"
#include "app/logoptions.h"
#include "devices/configfile.h"
#include "link/busport.h"
#include "station/station.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

using namespace kestrel;

namespace {

enum Exit { Done = 0, Usage = 2, Config = 3, PortFailed = 4, Database = 5, NotLogged = 6 };

int g_signalFd[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalFd[1], &c, 1);
}

// SIGINT and SIGTERM reach the event loop as a readable socket.
QSocketNotifier *catchSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalFd) != 0)
        return nullptr;
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : {SIGINT, SIGTERM})
        ::sigaction(s, &sa, nullptr);
    return new QSocketNotifier(g_signalFd[0], QSocketNotifier::Read, qApp);
}

int fail(int code, const QString &text)
{
    std::fprintf(stderr, "kestrel-poll: %s\n", text.toUtf8().constData());
    appendLog(QStringLiteral("kestrel-poll: ") + text);
    return code;
}

// Test only: every one-second wait lasts `ms` instead (the .ini's interval is then one second),
// so a test runs many passes in little time. The exchange's 3-second limit is left alone.
class ShortSecondTimers : public TimerFactory {
public:
    explicit ShortSecondTimers(int ms) : m_ms(ms) {}
    std::unique_ptr<Timer> create() override
    {
        return std::make_unique<T>(QtTimerFactory::instance().create(), m_ms);
    }

private:
    struct T : Timer {
        T(std::unique_ptr<Timer> inner, int ms) : inner(std::move(inner)), ms(ms)
        {
            connect(this->inner.get(), &Timer::timeout, this, &Timer::timeout);
        }
        void setInterval(int v) override
        {
            asked = v;
            inner->setInterval(v == 1000 ? ms : v);
        }
        int interval() const override { return asked; }
        void start() override { inner->start(); }
        void stop() override { inner->stop(); }
        bool isActive() const override { return inner->isActive(); }
        std::unique_ptr<Timer> inner;
        int ms;
        int asked = 0;
    };
    int m_ms;
};

struct Options {
    QString config;
    PortMap map;
    int portNumber = 3;
    int baudIndex = 3; // 9600
    QString dataDir;
    SharedLog shared;
    int passes = 0; // 0: until stopped
    bool csv = false;
    int testSecondMs = 0;
};

bool positive(const QString &text, int &value)
{
    bool ok = false;
    value = text.toInt(&ok);
    return ok && value >= 1;
}

int parseOptions(const QCoreApplication &app, Options &o)
{
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Polls the devices of a saved polling configuration without a window."));
    p.addHelpOption();
    p.addVersionOption();
    const QCommandLineOption config(QStringLiteral("config"),
                                    QStringLiteral("The polling configuration (.ini)."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("The port to poll on and its device or device server, "
                                                 "e.g. COM3=/dev/ttyUSB0 or COM3=tcp://192.168.1.20:4001."),
                                  QStringLiteral("COMn=PATH"));
    const QCommandLineOption baud(QStringLiteral("baud"),
                                  QStringLiteral("Baud rate: 1200, 2400, 4800, 9600 (default), "
                                                 "19200 or 115200."),
                                  QStringLiteral("N"), QStringLiteral("9600"));
    const QCommandLineOption data(QStringLiteral("data-dir"),
                                  QStringLiteral("Folder of Record.mdb and kestrel.log."),
                                  QStringLiteral("DIR"));
    const QCommandLineOption passes(QStringLiteral("passes"),
                                    QStringLiteral("Stop after N passes (default: run until "
                                                   "SIGINT or SIGTERM)."),
                                    QStringLiteral("N"));
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("Print the readings as CSV."));
    const QCommandLineOption testSecond(
        QStringLiteral("test-second-ms"),
        QStringLiteral("For tests only: each second of the interval lasts MS milliseconds."),
        QStringLiteral("MS"));
    p.addOptions({config, port, baud, data, passes, csv, testSecond});
    const LogOptions logOpts;
    logOpts.addTo(p);
    p.process(app);

    if (!p.positionalArguments().isEmpty())
        return fail(Usage, QStringLiteral("unexpected argument \"%1\"").arg(p.positionalArguments().first()));
    if (!p.isSet(config))
        return fail(Usage, QStringLiteral("--config FILE.ini is required"));
    o.config = p.value(config);
    QString error;
    if (!o.map.addMappings(qEnvironmentVariable("KESTREL_PORTS"), &error))
        return fail(Usage, QStringLiteral("KESTREL_PORTS: ") + error);
    for (const QString &m : p.values(port)) {
        if (!o.map.addMapping(m, &error))
            return fail(Usage, QStringLiteral("--port: ") + error);
        o.portNumber = m.trimmed().mid(3, 1).toInt();
    }
    const auto &rates = PortControl::BaudItems;
    const auto rate = std::find(rates.begin(), rates.end(), p.value(baud).toInt());
    if (rate == rates.end())
        return fail(
            Usage,
            QStringLiteral("--baud %1: expected 1200, 2400, 4800, 9600, 19200 or 115200").arg(p.value(baud)));
    o.baudIndex = int(rate - rates.begin());
    if (p.isSet(passes) && !positive(p.value(passes), o.passes))
        return fail(
            Usage,
            QStringLiteral("--passes %1: expected a number of passes, 1 or more").arg(p.value(passes)));
    if (p.isSet(testSecond) && !positive(p.value(testSecond), o.testSecondMs))
        return fail(Usage,
                    QStringLiteral("--test-second-ms %1: expected 1 or more").arg(p.value(testSecond)));
    if (!logOpts.read(p, o.shared, error))
        return fail(Usage, error);
    o.dataDir = p.value(data);
    o.csv = p.isSet(csv);
    return Done;
}

// Reads the .ini into the station's settings and device table; only a complete file is polled.
int loadConfig(const QString &path, Station &station)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(Config,
                    QStringLiteral("cannot read the configuration %1: %2").arg(path, file.errorString()));
    const QStringList lines = readTextLines(file.readAll());
    const ConfigApplied r = applyConfigurationLines(lines, station.settings, station.devices);
    if (r.result == ConfigLoad::Refused)
        return fail(Config, QStringLiteral("%1 is not a polling configuration: its first three lines must be "
                                           "True|False, START,END and MINUTES,SECONDS")
                                .arg(path));
    if (r.result != ConfigLoad::Complete)
        return fail(Config,
                    QStringLiteral("%1 is incomplete: %2 of the %3 address lines of the range %4..%5 read")
                        .arg(path)
                        .arg(r.addressesRead)
                        .arg(station.devices.PollEnd - station.devices.PollStart + 1)
                        .arg(station.devices.PollStart)
                        .arg(station.devices.PollEnd));
    return Done;
}

// One run: the polling cycle started as the settings dialog's OK starts it, each pass printed,
// and a stop that waits until no exchange is on the wire, then flushes as the window's close does.
class PollRun : public QObject {
public:
    PollRun(Station &station, const Options &o) : m_station(station), m_options(o)
    {
        connect(&station.polling, &Polling::passCompleted, this, &PollRun::printPass);
        connect(&station.port, &ByteTransport::lost, this, [this] { stop(PortFailed); });
    }

    void start()
    {
        if (m_options.csv)
            std::printf("time,pass,address,quantity,value\n");
        m_station.polling.cmdLoopR_Click(); // asks for the settings: the file's stand as answered
        acceptSettings(m_station.settings, m_station.devices, {}, {}, {}, m_station.settings.SaveEnabled);
        if (m_options.testSecondMs > 0)
            m_station.settings.setInterval(1);
        m_station.settingsRequest.accept();
    }

    void stop(int code)
    {
        if (m_code < 0)
            m_code = code;
        // Not from inside an exchange's wait: the stop runs in the main loop with the wire quiet.
        if (QThread::currentThread()->loopLevel() > 1 || m_station.exchange.busy()) {
            QTimer::singleShot(10, this, [this] { stop(m_code); });
            return;
        }
        if (m_stopped)
            return;
        m_stopped = true;
        m_station.Form_Unload();
        if (m_station.log.waitingRows() > 0 && m_code == Done)
            m_code = NotLogged;
        QCoreApplication::exit(m_code);
    }

private:
    void printPass()
    {
        ++m_pass;
        const QString when = RecordDb::timeText(m_station.clock.now());
        const int slot = m_station.readings.CycleCount;
        QStringList parts;
        for (const LoggedDevice &d : loggedDevices(m_station.devices)) {
            if (!m_station.readings.hasTime(d.address, slot)) {
                parts << QStringLiteral("%1 -").arg(d.address);
                continue;
            }
            QStringList values;
            for (int k = 0; k < d.names.size() && k < ReadingBuffer::Components; ++k) {
                const int v = m_station.readings.value(d.address, slot, k);
                if (m_options.csv)
                    std::printf("%s,%d,%d,%s,%d\n", qPrintable(when), m_pass, d.address,
                                d.names[k].toUtf8().constData(), v);
                values << QStringLiteral("%1=%2").arg(d.names[k]).arg(v);
            }
            parts << QStringLiteral("%1 %2").arg(d.address).arg(values.join(u' '));
        }
        if (!m_options.csv)
            std::printf("%s pass %d: %s\n", qPrintable(when), m_pass,
                        parts.join(QStringLiteral("; ")).toUtf8().constData());
        std::fflush(stdout);
        if (m_options.passes > 0 && m_pass >= m_options.passes)
            stop(Done);
    }

    Station &m_station;
    const Options &m_options;
    int m_pass = 0;
    int m_code = -1;
    bool m_stopped = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrel-poll"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kestrel::Version));
    // What goes to kestrel.log is not repeated on standard error; the operator's messages are.
    // QT_LOGGING_RULES still turns any category on.
    QLoggingCategory::setFilterRules(QStringLiteral("kestrel.*.info=false"));
    Options o;
    if (const int rc = parseOptions(app, o); rc != Done)
        return rc;
    const QString dataFolder = chooseDataFolder(QCoreApplication::applicationDirPath(), o.dataDir);
    setLogFolder(dataFolder);

    std::unique_ptr<TimerFactory> shortSeconds;
    if (o.testSecondMs > 0)
        shortSeconds = std::make_unique<ShortSecondTimers>(o.testSecondMs);
    TimerFactory &timers = shortSeconds ? *shortSeconds : QtTimerFactory::instance();
    BusPort port(o.map, timers);
    LoggingOperator op(QStringLiteral("kestrel-poll"));
    Station station(port, op, SystemClock::instance(), timers, dataFolder, o.shared);
    if (const int rc = loadConfig(o.config, station); rc != Done)
        return rc;

    station.products.startUp();
    station.portControl.mnuBaudRate_Click(o.baudIndex);
    station.portControl.mnu_com_Click(o.portNumber - 1); // a failure is reported by the port side
    if (!port.isOpen())
        return PortFailed;
    if (const DbStatus st = station.db.check(); !st.ok)
        return fail(Database, st.error);
    station.recoverPendingReadings(true); // what a killed run left beside the log

    PollRun run(station, o);
    QSocketNotifier *stopSignals = catchSignals();
    if (!stopSignals)
        return fail(Usage, QStringLiteral("cannot catch signals"));
    QObject::connect(stopSignals, &QSocketNotifier::activated, &run, [&run] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(g_signalFd[0], &c, 1);
        run.stop(Done);
    });
    run.start();
    return QCoreApplication::exec();
}

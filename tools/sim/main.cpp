// kestrel-sim: a simulated RS-485 bus of sensors on a pseudo-terminal, and over TCP.
//   kestrel-sim [--link PATH] [--tcp PORT] [--bus demo|FILE] [--baud N] [--fixed] [--verbose]
#include "busfile.h"
#include "ptylink.h"
#include "simbus.h"
#include "tcplink.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalFd[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalFd[1], &c, 1);
}

// SIGINT, SIGTERM and SIGHUP end the event loop, so that the link is removed on the way out.
bool catchSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalFd) != 0)
        return false;
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(s, &sa, nullptr);
    auto *n = new QSocketNotifier(g_signalFd[0], QSocketNotifier::Read, qApp);
    QObject::connect(n, &QSocketNotifier::activated, qApp, [] {
        char c;
        [[maybe_unused]] const ssize_t r = ::read(g_signalFd[0], &c, 1);
        QCoreApplication::quit();
    });
    return true;
}

int usageError(const QString &text)
{
    std::fprintf(stderr, "kestrel-sim: %s\n", qPrintable(text));
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrel-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTREL_VERSION));

    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("A simulated RS-485 bus of Modbus-RTU sensors on a pseudo-terminal."));
    p.addHelpOption();
    p.addVersionOption();
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Symbolic link to create to the bus's terminal."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption bus(QStringLiteral("bus"), QStringLiteral("Bus file, or \"demo\" (default)."),
                                 QStringLiteral("demo|FILE"), QStringLiteral("demo"));
    const QCommandLineOption baud(QStringLiteral("baud"),
                                  QStringLiteral("Pace replies at this baud rate (10 bits per byte)."),
                                  QStringLiteral("N"));
    const QCommandLineOption fixed(QStringLiteral("fixed"), QStringLiteral("Values do not drift."));
    const QCommandLineOption tcp(
        QStringLiteral("tcp"),
        QStringLiteral("Also serve the bus over TCP on 127.0.0.1:PORT, one client at a "
                       "time, as a serial device server does (0: a free port)."),
        QStringLiteral("PORT"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Log every frame with a time stamp to stderr."));
    p.addOptions({link, tcp, bus, baud, fixed, verbose});
    p.process(app);

    if (!p.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument \"%1\"").arg(p.positionalArguments().first()));
    if (!p.isSet(link) && !p.isSet(tcp))
        return usageError(QStringLiteral("--link PATH or --tcp PORT is required"));
    int tcpPort = -1;
    if (p.isSet(tcp)) {
        bool ok = false;
        tcpPort = p.value(tcp).toInt(&ok);
        if (!ok || tcpPort < 0 || tcpPort > 65535)
            return usageError(QStringLiteral("--tcp %1: expected a port 0..65535").arg(p.value(tcp)));
    }
    int rate = 0;
    if (p.isSet(baud)) {
        bool ok = false;
        rate = p.value(baud).toInt(&ok);
        if (!ok || rate < 50 || rate > 4000000)
            return usageError(QStringLiteral("--baud %1: expected a rate 50..4000000").arg(p.value(baud)));
    }
    const QString busName = p.value(bus);
    const kestrel::sim::BusParseResult parsed =
        busName == QLatin1String("demo")
            ? kestrel::sim::parseBusText(kestrel::sim::demoBusText(), QStringLiteral("demo"))
            : kestrel::sim::parseBusFile(busName);
    if (!parsed.ok())
        return usageError(parsed.error);

    kestrel::sim::SimBus simBus(parsed.devices);
    simBus.setFixed(p.isSet(fixed));
    kestrel::sim::PtyLink wire(simBus);
    wire.setBaud(rate);
    wire.setVerbose(p.isSet(verbose));
    if (!catchSignals())
        return usageError(QStringLiteral("cannot catch signals"));
    QString error;
    if (p.isSet(link) && !wire.open(p.value(link), &error))
        return usageError(error);
    kestrel::sim::TcpLink server(simBus);
    server.setVerbose(p.isSet(verbose));
    if (tcpPort >= 0 && !server.listen(static_cast<quint16>(tcpPort), &error))
        return usageError(error);
    QStringList where;
    if (wire.isOpen())
        where << wire.linkPath();
    if (tcpPort >= 0)
        where << QStringLiteral("tcp://127.0.0.1:%1").arg(server.port());
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &wire, &kestrel::sim::PtyLink::close);
    if (p.isSet(verbose)) {
        for (int i = 0; i < simBus.deviceCount(); ++i)
            std::fprintf(stderr, "  device %s\n", qPrintable(kestrel::sim::formatDevice(simBus.device(i))));
        if (wire.isOpen())
            std::fprintf(stderr, "  terminal %s\n", qPrintable(wire.devicePath()));
    }
    std::printf("kestrel-sim: bus of %d devices on %s\n", simBus.deviceCount(),
                qPrintable(where.join(QStringLiteral(" and "))));
    std::fflush(stdout);
    const int rc = QCoreApplication::exec();
    wire.close();
    server.close();
    return rc;
}

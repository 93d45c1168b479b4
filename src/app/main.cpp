// The program: command line, port mapping, data folder, start-up.
#include "app/logoptions.h"
#include "common/clock.h"
#include "common/datafolder.h"
#include "common/language.h"
#include "common/log.h"
#include "common/version.h"
#include "link/portmap.h"
#include "link/busport.h"
#include "station/station.h"
#include "ui/frmroughin.h"
#include "ui/operatordialogs.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTimer>
#include <cstdio>

using namespace kestrel;

namespace {

// A clear word instead of Qt's platform-plugin abort when there is nothing to show a window on.
bool displayAvailable()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char *argv[])
{
    if (!displayAvailable()) {
        std::fprintf(stderr, "kestrel: no display to show the window on (DISPLAY is not set).\n"
                             "Run it on a desktop, under a virtual X server (xvfb-run -a kestrel ...),\n"
                             "or without a screen with QT_QPA_PLATFORM=offscreen.\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kestrel"));
    QApplication::setApplicationVersion(QString::fromLatin1(kestrel::Version));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Commissioning and watching RS-485 environmental sensors."));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption portOpt(
        QStringLiteral("port"),
        QStringLiteral("Map a COM item to a device or a device server, e.g. COM3=/dev/ttyUSB0 or "
                       "COM3=tcp://192.168.1.20:4001 (repeatable)."),
        QStringLiteral("COMn=PATH"));
    QCommandLineOption dataOpt(
        QStringLiteral("data-dir"),
        QStringLiteral("Folder of Record.mdb, record/ and export/ (default: the program's folder, or "
                       "~/.local/share/kestrel when that cannot be written)."),
        QStringLiteral("DIR"));
    QCommandLineOption shotOpt(QStringLiteral("screenshot"),
                               QStringLiteral("Save a picture of the main window after start-up and quit."),
                               QStringLiteral("FILE"));
    QCommandLineOption langOpt(
        QStringLiteral("lang"),
        QStringLiteral("Interface language: zh (default) or en. Files and the data base "
                       "keep their Chinese texts."),
        QStringLiteral("LANG"), QStringLiteral("zh"));
    parser.addOption(langOpt);
    parser.addOption(portOpt);
    parser.addOption(dataOpt);
    parser.addOption(shotOpt);
    const LogOptions logOpts;
    logOpts.addTo(parser);
    parser.process(app);

    const QString language = parser.value(langOpt);
    if (!knownLanguage(language)) {
        std::fprintf(stderr, "kestrel: --lang %s: expected zh or en\n", qPrintable(language));
        return 2;
    }
    if (!installLanguage(app, language)) {
        std::fprintf(stderr, "kestrel: the %s translation cannot be loaded\n", qPrintable(language));
        return 2;
    }

    PortMap map;
    QString error;
    if (!map.addMappings(qEnvironmentVariable("KESTREL_PORTS"), &error)) {
        std::fprintf(stderr, "kestrel: KESTREL_PORTS: %s\n", qPrintable(error));
        return 2;
    }
    for (const QString &mapping : parser.values(portOpt)) {
        if (!map.addMapping(mapping, &error)) {
            std::fprintf(stderr, "kestrel: --port: %s\n", qPrintable(error));
            return 2;
        }
    }

    SharedLog shared;
    if (!logOpts.read(parser, shared, error)) {
        std::fprintf(stderr, "kestrel: %s\n", qPrintable(error));
        return 2;
    }

    const QString dataFolder =
        chooseDataFolder(QCoreApplication::applicationDirPath(), parser.value(dataOpt));
    setLogFolder(dataFolder);

    BusPort port(map, QtTimerFactory::instance());
    WidgetOperator op;
    Station station(port, op, SystemClock::instance(), QtTimerFactory::instance(), dataFolder, shared);
    frmroughin window(station);
    op.setParent(&window);
    station.Form_Load();
    window.show();
    if (parser.isSet(shotOpt)) {
        const QString file = parser.value(shotOpt);
        QTimer::singleShot(500, &window, [&window, file] {
            window.grab().save(file);
            QApplication::quit();
        });
    }
    return app.exec();
}

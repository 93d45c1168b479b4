#pragma once
// The polling benchmark's station: kestrel-sim with a bus of known devices, a real station on
// it (optionally with its main window), and timers that take the polling interval out of the way.
#include "common/clock.h"
#include "common/operator.h"
#include "../immediatetimers.h"
#include "common/simprocess.h"
#include "devices/devicetable.h"
#include "link/portmap.h"
#include "link/qtserialport.h"
#include "station/station.h"
#include "ui/frmroughin.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <sys/resource.h>

namespace kestrel::bench {

struct Codes {
    uint8_t mixpro;
    uint8_t protype;
};
// T+RH, T+RH+CO2, T+RH+PM2.5, T+RH+CO2+VOC+PM2.5 (the last two read 9 registers), CO2.
inline const Codes kMix[] = {{33, 3}, {49, 9}, {49, 13}, {81, 27}, {0, 6}};

inline Codes codesOf(int address)
{
    return kMix[static_cast<size_t>(address - 1) % std::size(kMix)];
}

inline QString busText(int devices)
{
    QString text;
    for (int a = 1; a <= devices; ++a) {
        const Codes c = codesOf(a);
        text += QStringLiteral("%1 %2 %3 230415 %4 17\n")
                    .arg(a)
                    .arg(c.mixpro)
                    .arg(c.protype)
                    .arg(a, 4, 16, QLatin1Char('0'));
    }
    return text;
}

inline double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

inline int baudIndex(int baud)
{
    const auto &items = PortControl::BaudItems;
    const auto it = std::find(items.begin(), items.end(), baud);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

// A station on a simulated bus, polling addresses 1..devices whose types are already known.
class Rig {
public:
    Rig(int devices, int baud, TimerFactory &timers, bool withWindow)
        : m_devices(devices), m_baud(baud), m_timers(timers), m_withWindow(withWindow),
          m_sim(busText(devices), QStringList{QStringLiteral("--baud"), QString::number(baud)})
    {
    }
    ~Rig()
    {
        if (station)
            station->polling.stop();
    }

    // The simulator, the station on it (and its window), COM3 open, the devices' types known.
    bool open()
    {
        if (!m_sim.start())
            return fail(m_sim.errorString());
        if (!m_dir.isValid())
            return fail(QStringLiteral("no temporary data folder"));
        PortMap map;
        map.set(3, m_sim.linkPath());
        m_port = std::make_unique<QtSerialPort>(map);
        station = std::make_unique<Station>(*m_port, m_op, SystemClock::instance(), m_timers, m_dir.path());
        if (m_withWindow)
            m_window = std::make_unique<frmroughin>(*station);
        station->Form_Load(); // opens COM3
        station->portControl.mnuBaudRate_Click(baudIndex(m_baud));
        if (!station->portControl.portOpen())
            return fail(QStringLiteral("COM3 (%1) did not open").arg(m_sim.linkPath()));
        if (m_window)
            m_window->show();

        // Types known beforehand: only value reads are timed.
        for (int a = 1; a <= m_devices; ++a) {
            DeviceEntry &d = station->devices.at(a);
            d.mixpro = codesOf(a).mixpro;
            d.protype = codesOf(a).protype;
            d.absent = 0;
        }
        QObject::connect(&station->exchange, &Exchange::frameSent, [this] { ++requests; });
        QObject::connect(&station->panel, &Panel::changed, [this] { ++panelChanges; });
        return true;
    }

    // With `saving`, every reading lands in Record.pending before the next one starts.
    bool startPolling(int intervalSeconds, bool saving = false)
    {
        station->devices.PollStart = 1;
        station->devices.PollEnd = m_devices;
        station->settings.setInterval(intervalSeconds);
        station->settings.SaveEnabled = saving;

        // Count the good readings as their replies are taken.
        QObject::connect(&station->exchange, &Exchange::replyTaken, [this] {
            ++goodReadings;
            if (onReading)
                onReading();
        });

        station->polling.cmdLoopR_Click();
        if (m_window) { // the operator confirms the settings dialog
            auto *ok = m_window->findChild<QPushButton *>(QStringLiteral("OKButton"));
            if (!ok)
                return fail(QStringLiteral("settings dialog not shown"));
            ok->click();
        } else {
            station->settingsRequest.accept();
        }
        if (station->polling.phase() != Polling::Phase::Active)
            return fail(QStringLiteral("polling did not start"));
        return true;
    }

    QString error() const { return m_error; }

    std::unique_ptr<Station> station;
    long goodReadings = 0;
    long requests = 0;
    long panelChanges = 0;
    std::function<void()> onReading;

private:
    bool fail(const QString &why)
    {
        m_error = why;
        return false;
    }

    const int m_devices;
    const int m_baud;
    TimerFactory &m_timers;
    const bool m_withWindow;
    test::SimProcess m_sim;
    QTemporaryDir m_dir;
    SilentOperator m_op;
    QString m_error;
    std::unique_ptr<QtSerialPort> m_port;
    // Declared after the station it shows, so it goes first.
    std::unique_ptr<frmroughin> m_window;
};

} // namespace kestrel::bench

#pragma once
// A serial port whose far end is kestrel-sim's bus model on injected time: each request is
// answered after its device's late= delay (and split= gaps) measured on the test's clock, so a
// device that answers 4.2 s late costs no real seconds. Replies due at once are posted, and
// arrive at the next turn of the event loop, as bytes from a terminal would.
//
//   ManualTime time;
//   sim::SimBus bus(sim::parseBusText("1 33 3 230415 0001 17 late=4200\n").devices);
//   TimedWire wire(bus, time);
//   Station station(wire, op, time, time, dataFolder);
#include "common/clock.h"
#include "link/serialport.h"
#include "simbus.h"

#include <QList>
#include <list>
#include <memory>

namespace kestrel::test {

class TimedWire : public SerialPort {
public:
    TimedWire(sim::SimBus &bus, TimerFactory &timers) : m_bus(bus), m_timers(timers) {}

    QList<QByteArray> requests; // every frame written, in order
    bool takesBaud = true;      // false: a baud rate is refused

    bool open() override { return m_open = true; }
    void close() override { m_open = false, m_in.clear(); }
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray &bytes) override
    {
        if (!m_open)
            return false;
        requests << bytes;
        for (const sim::Emission &e : m_bus.answer(bytes))
            deliver(e.bytes, e.delayMs);
        return true;
    }
    QByteArray readAll() override { return std::exchange(m_in, {}); }
    qint64 bytesWaiting() const override { return m_in.size(); }
    void discardInput() override { m_in.clear(); }
    Error lastError() const override { return {}; }

    void setPortNumber(int n) override { m_number = n; }
    int portNumber() const override { return m_number; }
    QString devicePath() const override { return QStringLiteral("bus"); }
    QString devicePathFor(int) const override { return QStringLiteral("bus"); }
    bool setBaudRate(int baud) override { return takesBaud && (m_baud = baud, true); }
    int baudRate() const override { return m_baud; }
    void setRts(bool) override {}
    void setDtr(bool) override {}

private:
    void deliver(const QByteArray &bytes, int delayMs)
    {
        const auto arrive = [this, bytes] {
            if (!m_open)
                return;
            m_in += bytes;
            Q_EMIT dataReceived();
        };
        if (delayMs <= 0) {
            QMetaObject::invokeMethod(this, arrive, Qt::QueuedConnection);
            return;
        }
        std::unique_ptr<Timer> &t = m_pending.emplace_back(m_timers.create());
        t->setInterval(delayMs);
        QObject::connect(t.get(), &Timer::timeout, this, [t = t.get(), arrive] {
            t->stop();
            arrive();
        });
        t->start();
    }

    sim::SimBus &m_bus;
    TimerFactory &m_timers;
    std::list<std::unique_ptr<Timer>> m_pending;
    QByteArray m_in;
    bool m_open = false;
    int m_number = 3;
    int m_baud = 9600;
};

} // namespace kestrel::test

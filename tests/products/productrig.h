#pragma once
// The product side with everything it works on, over an in-process port or a given one.
#include "common/clock.h"
#include "common/fakebus.h"
#include "common/fakeport.h"
#include "common/recordingoperator.h"
#include "devices/devicegrid.h"
#include "devices/devicetable.h"
#include "link/exchange.h"
#include "products/panel.h"
#include "products/productside.h"
#include "recording/readingbuffer.h"
#include "recording/timedbuffer.h"

#include <QStringList>
#include <memory>

namespace kestrel::test {

struct FixedClock : Clock {
    QDateTime t{QDate(2026, 12, 4), QTime(14, 31, 37)};
    QDateTime now() const override { return t; }
};

// Hex text "01 03 00 F0" → bytes.
inline QByteArray hex(const char *text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

struct ProductRig {
    explicit ProductRig(SerialPort *external = nullptr)
        : port(external ? external : &fake), exchange(*port, op),
          side(exchange, panel, devices, readings, timed, grid, op, clock)
    {
        if (!external) {
            fake.open();
            fake.responder = [this](const QByteArray &f) { return bus.answer(f); };
        }
        side.stopPolling = [this] { calls << QStringLiteral("stopPolling"); };
        side.stopPollingTimer = [this] { calls << QStringLiteral("stopPollingTimer"); };
        side.saveDrawData = [this] { calls << QStringLiteral("saveDrawData"); };
        side.drawPic = [this] { calls << QStringLiteral("drawPic"); };
        side.wData = [this] {
            calls << QStringLiteral("wData");
            timed.recCount = 0;
        };
        side.startUp();
        calls.clear();
    }

    // A device at `address` whose registers from `start` hold `data` (big-endian words).
    void holdData(int address, int start, const QByteArray &data)
    {
        for (int i = 0; i + 1 < data.size(); i += 2)
            bus.registers[address][start + i / 2] =
                static_cast<quint16>(uint8_t(data[i]) << 8 | uint8_t(data[i + 1]));
        if (data.isEmpty())
            (void)bus.registers[address]; // a device whose registers all hold 0
    }
    // Loads the reply data buffer as a good reply would.
    void setReplyData(const QByteArray &data)
    {
        exchange.data.fill(0);
        for (int i = 0; i < data.size(); ++i)
            exchange.data[static_cast<size_t>(i)] = uint8_t(data[i]);
    }
    QStringList boxes() const
    {
        QStringList b;
        for (int i = 0; i < Panel::Boxes; ++i)
            b << panel.valueText(i);
        return b;
    }
    QList<int> enabledBoxes() const
    {
        QList<int> e;
        for (int i = 0; i < Panel::Boxes; ++i)
            if (panel.valueEnabled(i))
                e << i;
        return e;
    }

    FakePort fake;
    FakeBus bus;
    SerialPort *port;
    RecordingOperator op;
    FixedClock clock;
    Exchange exchange;
    Panel panel;
    DeviceTable devices;
    ReadingBuffer readings;
    TimedBuffer timed;
    DeviceGrid grid;
    ProductSide side;
    QStringList calls;
};

} // namespace kestrel::test

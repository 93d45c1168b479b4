#pragma once
// The product side with everything it works on, over an in-process bus or a given port.
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

namespace kestrel::test {

struct FixedClock : Clock {
    QDateTime now() const override { return {QDate(2026, 12, 4), QTime(14, 31, 37)}; }
};

// Hex text "01 03 00 F0" → bytes.
inline QByteArray hex(const char *text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

// "box=text=more;..." → 13 texts, one per box: field 1 (text) or 2 (more) of the box's entry.
inline QStringList boxTexts(const QString &layout, int field = 1)
{
    QStringList b(13);
    for (const QString &p : layout.split(u';', Qt::SkipEmptyParts))
        b[p.section(u'=', 0, 0).toInt()] = p.section(u'=', field, field);
    return b;
}

struct ProductRig {
    explicit ProductRig(SerialPort *external = nullptr)
        : exchange(external ? *external : fake, op),
          side(exchange, panel, devices, readings, timed, grid, op, clock)
    {
        fake.open();
        fake.responder = [this](const QByteArray &f) { return bus.answer(f); };
        const auto hook = [this](const char *name) { return [this, name] { calls << QString::fromLatin1(name); }; };
        side.stopPolling = hook("stopPolling");
        side.stopPollingTimer = hook("stopPollingTimer");
        side.saveDrawData = hook("saveDrawData");
        side.drawPic = hook("drawPic");
        side.wData = [this] {
            calls << QStringLiteral("wData");
            timed.recCount = 0; // written out
        };
        side.startUp();
    }
    // A device at `address` whose registers from `start` hold `data` (big-endian words).
    void holdData(int address, int start, const QByteArray &data)
    {
        for (int i = 0; i + 1 < data.size(); i += 2)
            bus.registers[address][start + i / 2] = quint16(uint8_t(data[i]) << 8 | uint8_t(data[i + 1]));
    }
    QStringList boxes() const // the texts of the 13 value boxes
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
    RecordingOperator op;
    FixedClock clock;
    Exchange exchange;
    Panel panel;
    DeviceTable devices;
    ReadingBuffer readings;
    TimedBuffer timed;
    DeviceGrid grid;
    ProductSide side;
    QStringList calls; // the hooks into other areas, in the order called
};

} // namespace kestrel::test

#include "simbus.h"

#include "link/crc16.h"

#include <QtMath>
#include <algorithm>

namespace kestrel::sim {
namespace {

// A quantity's raw register value: a base, a slow swing over ten minutes and a faster ripple,
// kept within what the sensor can report.
struct Quantity {
    int reg;
    double base;
    double swing;
    double ripple;
    int lo;
    int hi;
};

constexpr Quantity kQuantities[] = {
    {2, 235, 25, 4, -400, 1250},   // temperature ×10, signed
    {3, 455, 60, 8, 0, 1000},      // humidity ×10
    {6, 620, 150, 20, 350, 5000},  // CO2
    {8, 30, 12, 3, 0, 1000},       // VOC
    {9, 48, 20, 5, 0, 1000},       // PM10
    {10, 32, 14, 4, 0, 1000},      // PM2.5
    {11, 15, 8, 2, 0, 5000},       // CO ×10
    {13, 2090, 12, 3, 1800, 2500}, // O2 ×100
    {16, 5, 3, 1, 0, 2000},        // O3 ×100
    {18, 3, 2, 1, 0, 26800},       // HCHO ×10
    {19, 4, 3, 1, 0, 1000},        // H2S
    {20, 12, 5, 1, 0, 1000},       // NH3
    {21, 8, 4, 1, 0, 1000},        // NO2 ×10
};

const Quantity *quantity(int reg)
{
    for (const Quantity &q : kQuantities)
        if (q.reg == reg)
            return &q;
    return nullptr;
}

constexpr double SwingPeriodS = 600.0;
constexpr double RipplePeriodS = 97.0;

uint16_t be16(const QByteArray &b, int i)
{
    return static_cast<uint16_t>((static_cast<uint8_t>(b[i]) << 8) | static_cast<uint8_t>(b[i + 1]));
}

void put16(QByteArray &b, uint16_t v)
{
    b.append(static_cast<char>(v >> 8));
    b.append(static_cast<char>(v & 0xFF));
}

QByteArray exception(uint8_t addr, uint8_t function, uint8_t code)
{
    QByteArray b;
    b.append(static_cast<char>(addr));
    b.append(static_cast<char>(function | 0x80));
    b.append(static_cast<char>(code));
    return b;
}

QByteArray orMerge(const QByteArray &a, const QByteArray &b)
{
    QByteArray m = a.size() >= b.size() ? a : b;
    const QByteArray &o = a.size() >= b.size() ? b : a;
    for (qsizetype i = 0; i < o.size(); ++i)
        m[i] = static_cast<char>(m[i] | o[i]);
    return m;
}

} // namespace

QList<int> quantityRegisters(uint8_t mixpro, uint8_t protype)
{
    if ((mixpro == 33 || mixpro == 0) && protype == 3)
        return {2, 3};
    if (mixpro == 0) {
        switch (protype) {
        case 1:
            return {3};
        case 2:
            return {2};
        case 6:
        case 8:
        case 9:
        case 10:
        case 11:
        case 13:
        case 16:
        case 18:
        case 19:
        case 20:
        case 21:
            return {protype};
        default:
            return {};
        }
    }
    if (mixpro == 49 && protype == 9)
        return {2, 3, 6};
    if (mixpro == 49 && protype == 11)
        return {2, 3, 8};
    if (mixpro == 49 && protype == 13)
        return {2, 3, 10};
    if (mixpro == 81 && protype == 27)
        return {2, 3, 6, 8, 10};
    return {};
}

SimBus::SimBus(QList<DeviceSpec> devices, QObject *parent) : QObject(parent)
{
    for (const DeviceSpec &s : devices)
        m_devices.append(Device{s, s.address});
    m_clock.start();
}

qint64 SimBus::now() const
{
    return m_time ? m_time() : m_clock.elapsed();
}

bool SimBus::setRegister(uint8_t address, int reg, uint16_t value)
{
    bool any = false;
    for (Device &d : m_devices)
        if (d.address == address) {
            d.setup.pinned[reg] = value;
            any = true;
        }
    return any;
}

bool SimBus::releaseRegister(uint8_t address, int reg)
{
    bool any = false;
    for (Device &d : m_devices)
        if (d.address == address)
            any = d.setup.pinned.remove(reg) > 0 || any;
    return any;
}

std::optional<uint16_t> SimBus::registerValue(uint8_t address, int reg) const
{
    for (const Device &d : m_devices)
        if (d.address == address)
            return word(d, reg, m_fixed ? 0 : now());
    return std::nullopt;
}

void SimBus::clearServedLog()
{
    m_served.clear();
    m_lastServed.clear();
}

uint16_t SimBus::word(const Device &d, int reg, qint64 ms) const
{
    const auto pin = d.setup.pinned.constFind(reg);
    if (pin != d.setup.pinned.cend())
        return pin.value();
    if (reg == 0)
        return d.address;
    if (reg >= IdentityRegister && reg < IdentityRegister + 4) {
        const uint8_t id[8] = {d.setup.batch[0],  d.setup.batch[1], d.setup.batch[2], d.setup.number[0],
                               d.setup.number[1], d.setup.date,     d.setup.mixpro,   d.setup.protype};
        const int i = 2 * (reg - IdentityRegister);
        return static_cast<uint16_t>(id[i] << 8 | id[i + 1]);
    }
    const Quantity *q = quantity(reg);
    if (!q || !quantityRegisters(d.setup.mixpro, d.setup.protype).contains(reg))
        return 0;
    // Each device has its own phase and a small offset, so sensors of one type differ.
    const int a = d.setup.address;
    const double phase = 0.9 * a + 0.37 * reg;
    const double offset = ((a * 37 + reg * 11) % 11 - 5) * q->swing / 10.0;
    const double t = m_fixed ? 0.0 : static_cast<double>(ms) / 1000.0;
    const double v = q->base + offset + q->swing * qSin(2 * M_PI * t / SwingPeriodS + phase) +
                     q->ripple * qSin(2 * M_PI * t / RipplePeriodS + 2 * phase);
    const int r = std::clamp(qRound(v), q->lo, q->hi);
    return static_cast<uint16_t>(static_cast<int16_t>(r));
}

int SimBus::requestLength(const QByteArray &buf)
{
    if (buf.size() < 2)
        return 0;
    switch (static_cast<uint8_t>(buf[1])) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
        return 8;
    case 15:
    case 16:
        return buf.size() < 7 ? 0 : 9 + static_cast<uint8_t>(buf[6]);
    default:
        return -1;
    }
}

QList<Emission> SimBus::answer(const QByteArray &request)
{
    m_note.clear();
    if (request.size() < 4) {
        m_note = QStringLiteral("too short: no answer");
        return {};
    }
    const Crc c = CRC16(request, static_cast<int>(request.size() - 2));
    if (static_cast<uint8_t>(request[request.size() - 2]) != c.lo ||
        static_cast<uint8_t>(request.back()) != c.hi) {
        m_note = QStringLiteral("bad CRC: no answer");
        return {};
    }
    const uint8_t addr = static_cast<uint8_t>(request[0]);
    const qint64 ms = now();
    QMap<int, QByteArray> byDelay; // replies that start together collide
    QList<Emission> pieces;
    int answering = 0, silent = 0;
    for (int i = 0; i < m_devices.size(); ++i) {
        if (addr != 0 && m_devices[i].address != addr)
            continue;
        if (m_devices[i].setup.silent) {
            ++silent;
            continue;
        }
        const QByteArray r = reply(i, request, ms);
        const int delay = m_devices[i].setup.lateMs;
        if (!m_devices[i].setup.splitPieces.isEmpty()) { // pieces do not collide: they are spread out
            split(m_devices[i].setup, r, delay, pieces);
            ++answering;
            continue;
        }
        byDelay[delay] = byDelay.contains(delay) ? orMerge(byDelay[delay], r) : r;
        ++answering;
    }
    if (answering == 0) {
        m_note = silent ? QStringLiteral("silent device: no answer")
                        : QStringLiteral("no device at address %1").arg(addr);
        return {};
    }
    QList<Emission> out = pieces;
    for (auto it = byDelay.cbegin(); it != byDelay.cend(); ++it)
        out.append(Emission{it.key(), it.value()});
    if (answering > 1)
        m_note = QStringLiteral("%1 devices answer: replies collide").arg(answering);
    return out;
}

// A reply cut into the device's pieces, each a gap after the one before; the rest comes last.
void SimBus::split(const DeviceSpec &d, const QByteArray &reply, int delayMs, QList<Emission> &out)
{
    qsizetype at = 0;
    for (int n : d.splitPieces) {
        if (at >= reply.size())
            break;
        out.append(Emission{delayMs, reply.mid(at, n)});
        at += n;
        delayMs += d.splitGapMs;
    }
    if (at < reply.size())
        out.append(Emission{delayMs, reply.mid(at)});
}

// One device's whole reply frame, faults applied.
QByteArray SimBus::reply(int index, const QByteArray &req, qint64 ms)
{
    Device &d = m_devices[index];
    const uint8_t addr = static_cast<uint8_t>(req[0]);
    const uint8_t fn = static_cast<uint8_t>(req[1]);
    QByteArray body;
    if (fn == 3 && req.size() == 8)
        body = readReply(d, req, ms);
    else if (fn == 16 && req.size() >= 9)
        body = writeReply(index, req);
    else
        body = exception(addr, fn, 1); // illegal function
    if (d.setup.wrongAddr)
        body[0] = static_cast<char>(addr + 1);
    QByteArray frame = withCrc(body);
    if (d.setup.badCrc) {
        frame[frame.size() - 2] = static_cast<char>(~frame[frame.size() - 2]);
        frame[frame.size() - 1] = static_cast<char>(~frame[frame.size() - 1]);
    }
    frame.append(QByteArray(d.setup.trailing, '\0'));
    return frame;
}

QByteArray SimBus::readReply(Device &d, const QByteArray &req, qint64 ms)
{
    const uint8_t addr = static_cast<uint8_t>(req[0]);
    const int start = be16(req, 2);
    const int count = be16(req, 4);
    if (count < 1 || count > 125 || start + count > 65536)
        return exception(addr, 3, 3); // illegal data value
    ServedRead served{d.address, start, {}, ms};
    QByteArray b;
    b.append(static_cast<char>(addr));
    b.append(static_cast<char>(3));
    b.append(static_cast<char>(2 * count));
    auto &last = m_lastServed[d.address];
    for (int r = start; r < start + count; ++r) {
        const uint16_t w = word(d, r, ms);
        put16(b, w);
        served.words.append(w);
        last[r] = w;
    }
    if (m_served.size() >= MaxServedLog)
        m_served.removeFirst();
    m_served.append(served);
    Q_EMIT readServed(served);
    return b;
}

// Writes of registers: register 0 is the device's address (1..255); others are kept as written.
QByteArray SimBus::writeReply(int index, const QByteArray &req)
{
    Device &d = m_devices[index];
    const uint8_t addr = static_cast<uint8_t>(req[0]);
    const int start = be16(req, 2);
    const int count = be16(req, 4);
    const int bytes = static_cast<uint8_t>(req[6]);
    if (count < 1 || count > 123 || bytes != 2 * count || req.size() != 9 + bytes || start + count > 65536)
        return exception(addr, 16, 3);
    if (start == 0) {
        const uint16_t a = be16(req, 7);
        if (a < 1 || a > 255)
            return exception(addr, 16, 3);
    }
    for (int i = 0; i < count; ++i) {
        const int reg = start + i;
        const uint16_t v = be16(req, 7 + 2 * i);
        if (reg == 0) {
            const uint8_t from = d.address;
            d.address = static_cast<uint8_t>(v);
            if (from != d.address)
                Q_EMIT addressChanged(index, from, d.address);
        } else {
            d.setup.pinned[reg] = v;
        }
    }
    return req.left(6);
}

} // namespace kestrel::sim

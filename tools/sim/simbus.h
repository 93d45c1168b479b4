#pragma once
// The simulated bus: the sensors of a bus file and their answers to Modbus-RTU requests.
// It knows nothing of the wire; PtyLink puts its answers on a pseudo-terminal.
#include "busfile.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QObject>
#include <functional>
#include <optional>

namespace kestrel::sim {

// Bytes the bus puts on the wire `delayMs` after it has taken a request (0: at once).
struct Emission {
    int delayMs = 0;
    QByteArray bytes;
};

// One read as the bus served it: the words of registers start .. start + count - 1.
struct ServedRead {
    uint8_t address = 0; // the device's address when it answered
    int start = 0;
    QList<uint16_t> words;
    qint64 atMs = 0; // bus time
};

class SimBus : public QObject {
    Q_OBJECT
public:
    // The identity block sits at registers 240..243: batch (3 bytes), number (2), date, mixpro, protype.
    static constexpr int IdentityRegister = 240;
    static constexpr int MaxServedLog = 100000;

    explicit SimBus(QList<DeviceSpec> devices, QObject *parent = nullptr);

    int deviceCount() const { return static_cast<int>(m_devices.size()); }
    const DeviceSpec &device(int i) const { return m_devices[i].setup; }
    // The current address of device i (an address write changes it).
    uint8_t address(int i) const { return m_devices[i].address; }

    // Fixed values: every quantity holds the value it has at bus time 0, so two buses made from the
    // same text serve the same words. Otherwise values drift slowly with the bus time.
    void setFixed(bool fixed) { m_fixed = fixed; }
    bool fixed() const { return m_fixed; }
    // Bus time in milliseconds; by default the time since construction. Tests may step it.
    void setTimeSource(std::function<qint64()> msSinceStart) { m_time = std::move(msSinceStart); }
    qint64 now() const;

    // Holds `reg` of every device at `address` at `value`; false when no device has that address.
    bool setRegister(uint8_t address, int reg, uint16_t value);
    bool releaseRegister(uint8_t address, int reg);
    // The word the (first) device at `address` would serve for `reg` now; none when no device has it.
    std::optional<uint16_t> registerValue(uint8_t address, int reg) const;

    // The answer to one complete request frame. Empty when nobody answers (bad CRC, no device at the
    // address, a silent device). Replies that start together collide: their bytes are OR-ed.
    QList<Emission> answer(const QByteArray &request);
    // Why the last request got the answer it got, for the frame trace.
    QString lastNote() const { return m_note; }

    // What was served: the last word of each register per device address, and a log of reads.
    QMap<int, uint16_t> lastServed(uint8_t address) const { return m_lastServed.value(address); }
    const QList<ServedRead> &servedLog() const { return m_served; }
    void clearServedLog();

    // Length of the request frame at the head of `buf`: 0 while more bytes are needed to tell,
    // -1 when the function code is one whose frame length is unknown here.
    static int requestLength(const QByteArray &buf);

Q_SIGNALS:
    void readServed(const kestrel::sim::ServedRead &read);
    void addressChanged(int device, uint8_t from, uint8_t to);

private:
    struct Device {
        DeviceSpec setup;
        uint8_t address = 1;
    };
    uint16_t word(const Device &d, int reg, qint64 ms) const;
    QByteArray reply(int index, const QByteArray &req, qint64 ms);
    static void split(const DeviceSpec &d, const QByteArray &reply, int delayMs, QList<Emission> &out);
    QByteArray readReply(Device &d, const QByteArray &req, qint64 ms);
    QByteArray writeReply(int index, const QByteArray &req);

    QList<Device> m_devices;
    bool m_fixed = false;
    QElapsedTimer m_clock;
    std::function<qint64()> m_time;
    QString m_note;
    QMap<uint8_t, QMap<int, uint16_t>> m_lastServed;
    QList<ServedRead> m_served;
};

// The quantity registers a product type has (empty for codes that are no product type).
QList<int> quantityRegisters(uint8_t mixpro, uint8_t protype);

} // namespace kestrel::sim

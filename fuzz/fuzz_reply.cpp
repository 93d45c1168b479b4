// The reply check and receive path: a value read through the exchange, answered by a port that
// hands over the fuzzer's bytes in chunks.
//
// Input: byte 0 the selector (255: free read), byte 1 the free read's start, byte 2 its count,
// byte 3 how many chunks the rest is cut into (1..4); the rest is what arrives on the wire.
#include "common/clock.h"
#include "common/operator.h"
#include "link/exchange.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstddef>
#include <cstdint>

using namespace kestrel;

namespace {

// Delivers the reply bytes chunk by chunk from the event loop once a request is written.
class WirePort : public ByteTransport {
public:
    QList<QByteArray> chunks;
    bool open() override { return true; }
    void close() override {}
    bool isOpen() const override { return true; }
    bool write(const QByteArray &) override
    {
        for (const QByteArray &c : chunks)
            QTimer::singleShot(0, this, [this, c] {
                m_in += c;
                Q_EMIT dataReceived();
            });
        return true;
    }
    QByteArray readAll() override { return std::exchange(m_in, {}); }
    qint64 bytesWaiting() const override { return m_in.size(); }
    void discardInput() override { m_in.clear(); }
    Error lastError() const override { return {}; }

private:
    QByteArray m_in;
};

// Time limits end as soon as the chunks already posted have arrived.
class ShortTimer : public Timer {
public:
    ShortTimer() { connect(&m_t, &QTimer::timeout, this, &Timer::timeout); }
    void setInterval(int ms) override { m_ms = ms; }
    int interval() const override { return m_ms; }
    void start() override { m_t.start(0); }
    void stop() override { m_t.stop(); }
    bool isActive() const override { return m_t.isActive(); }

private:
    QTimer m_t;
    int m_ms = 0;
};

class ShortTimers : public TimerFactory {
public:
    std::unique_ptr<Timer> create() override { return std::make_unique<ShortTimer>(); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_reply";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    if (size < 4)
        return 0;
    WirePort port;
    SilentOperator op;
    ShortTimers timers;
    Exchange exchange(port, op, timers, SystemClock::instance());
    exchange.CurAddr = 1;
    exchange.CustomStart = data[1];
    exchange.CustomCount = data[2];
    const QByteArray wire(reinterpret_cast<const char *>(data + 4), qsizetype(size - 4));
    const int parts = 1 + data[3] % 4;
    const qsizetype step = wire.size() / parts + 1;
    for (qsizetype at = 0; at < wire.size(); at += step)
        port.chunks << wire.mid(at, step);
    exchange.readRegisters(3, data[0]);
    // A reply taken must have been checked: its data never reach past the buffer.
    volatile int sum = 0;
    for (uint8_t b : exchange.data)
        sum = sum + b;
    return 0;
}

#pragma once
// The command exchange: one request on the wire at a time, its reply collected by length,
// a 3-second limit measured as elapsed time.
#include "bytetransport.h"
#include "frames.h"
#include "trafficrecord.h"

#include <deque>
#include <map>
#include <memory>

namespace kestrel {

class Clock;
class Operator;
class Timer;
class TimerFactory;

class Exchange : public QObject {
    Q_OBJECT
public:
    static constexpr int TimeLimitMs = 3000;
    // A device whose last request timed out gets its next request only after the line has been
    // quiet this long since that time-out (or since the last stray byte): a reply up to 1.5 s
    // after the time-out is then discarded as late rather than taken for the new request.
    static constexpr int LateGuardMs = 1500;
    // Stray bytes with gaps shorter than this are one late reply.
    static constexpr int LateBurstGapMs = 100;

    // The time limit runs on a timer from `timers`: in the program a monotonic one (a change of
    // the time of day, midnight included, does not shorten or lengthen it). `clock` stamps the
    // published transactions.
    Exchange(ByteTransport &port, Operator &op, TimerFactory &timers, Clock &clock,
             QObject *parent = nullptr);
    ~Exchange() override;

    // The value exchange to CurAddr. selector: a product's start register, or 255 for the free
    // read of CustomStart/CustomCount. selIndex: the Product-menu index (selectors 0, 2, 3 read
    // one register for the single temperature and humidity products). Fails silently.
    bool readRegisters(uint8_t function, uint8_t selector, uint8_t selIndex = 0);
    // The address exchange to bus address 0: (3, 0) reads the address, (16, 0/4/6) writes
    // value. Reports its failures to the operator.
    bool addrExchange(uint8_t function, uint8_t reg, quint16 value = 0);

    // Puts one request on the wire: bytes still waiting are discarded, the frame is written.
    void SendCommand(const QByteArray &frame);

    // Exchange state shared with the callers.
    uint8_t CurAddr = 1;
    uint8_t CustomStart = 0;
    uint8_t CustomCount = 0;
    quint16 failureCount = 0;
    bool valueTimeout = false;
    bool addrTimeout = false;
    ReplyData data{};

    // Words of the last good reply.
    int word(int byteIndex) const { return data[byteIndex] * 256 + data[byteIndex + 1]; }
    bool busy() const { return m_current != nullptr; }
    // Transactions on the wire or queued: 0 whenever no caller waits.
    int transactionsLeft() const { return (m_current ? 1 : 0) + static_cast<int>(m_queue.size()); }
    // Replies that came after their request had timed out and were discarded undecoded.
    int lateReplies() const { return m_lateReplies; }
    QByteArray lastRequest() const { return m_lastRequest; }
    QByteArray lastReply() const { return m_lastReply; }
    void setTimeLimitMs(int ms) { m_limitMs = ms; } // benchmarks only; the system uses 3 s

Q_SIGNALS:
    void frameSent(const QByteArray &frame);
    void replyTaken(const QByteArray &reply);
    // One record per transaction that went on the wire, whoever asked, when it ends; and one
    // for bytes that came while no request waited, when the next request discards them. The
    // monitor, the statistics and the frame trace read it.
    void transactionEnded(const kestrel::TrafficRecord &record);

private:
    enum class Outcome { Pending, Replied, TimedOut, PortClosed };
    struct Transaction;
    struct Guard;

    Outcome transact(const QByteArray &frame, int expected, QByteArray &reply);
    void startNext();
    void finish(Outcome outcome);
    void onDataReceived();
    void onTimer();
    void send();
    void abandon(Transaction *t);
    Guard *activeGuard(uint8_t slave) const;
    void startGuard(uint8_t slave);
    void onGuardEnded(uint8_t slave);
    void lineNotQuiet();
    void discardLateBytes();
    void publish(const Transaction &t, Outcome outcome);
    void publishStray(const QByteArray &bytes);

    ByteTransport &m_port;
    Operator &m_op;
    Clock &m_clock;
    TrafficRecord m_lastPublished; // stray bytes are judged by how the last transaction ended
    QDateTime m_strayAt;           // when the first of them came
    std::deque<Transaction *> m_queue;
    Transaction *m_current = nullptr;
    std::unique_ptr<Timer> m_timer;
    TimerFactory &m_timers;
    std::map<uint8_t, std::unique_ptr<Guard>> m_guards;
    std::unique_ptr<Timer> m_burst; // runs while a late reply is still coming in
    bool m_held = false;            // m_current waits for its device's guard: not yet sent
    int m_lateReplies = 0;
    int m_limitMs = TimeLimitMs;
    QByteArray m_lastRequest;
    QByteArray m_lastReply;
};

} // namespace kestrel

#include "exchange.h"
#include "common/tr8.h"

#include "common/clock.h"
#include "common/log.h"
#include "common/operator.h"
#include "texts.h"

#include <QEventLoop>

#include <algorithm>

namespace kestrel {

struct Exchange::Transaction {
    QByteArray frame;
    int expected = 0;
    Outcome outcome = Outcome::Pending;
    QByteArray reply;
    QEventLoop *loop = nullptr;
    uint8_t slave() const { return frame.isEmpty() ? 0 : static_cast<uint8_t>(frame.at(0)); }
    QDateTime sentAt;
    QByteArray received; // every byte taken, before the reply is cut to its length
};

// The quiet time a device must leave on the line after one of its requests timed out.
struct Exchange::Guard {
    std::unique_ptr<Timer> timer;
};

Exchange::Exchange(ByteTransport &port, Operator &op, TimerFactory &timers, Clock &clock, QObject *parent)
    : QObject(parent), m_port(port), m_op(op), m_clock(clock), m_timer(timers.create()), m_timers(timers),
      m_burst(timers.create())
{
    connect(this, &Exchange::transactionEnded, this, &traceRecord);
    connect(m_timer.get(), &Timer::timeout, this, &Exchange::onTimer);
    m_burst->setInterval(LateBurstGapMs);
    connect(m_burst.get(), &Timer::timeout, this, [this] { m_burst->stop(); });
    connect(&m_port, &ByteTransport::dataReceived, this, &Exchange::onDataReceived);
    connect(&m_port, &ByteTransport::lost, this, [this] {
        if (m_current)
            finish(Outcome::PortClosed);
    });
}

Exchange::~Exchange()
{
    // Callers still waiting are woken with a closed-port outcome.
    for (Transaction *t : m_queue) {
        t->outcome = Outcome::PortClosed;
        if (t->loop)
            t->loop->quit();
    }
    m_queue.clear();
    while (m_current)
        finish(Outcome::PortClosed);
}

void Exchange::SendCommand(const QByteArray &frame)
{
    if (m_port.bytesWaiting() > 0)
        publishStray(m_port.readAll());
    m_port.discardInput();
    m_lastRequest = frame;
    m_port.write(frame);
    Q_EMIT frameSent(frame);
}

Exchange::Outcome Exchange::transact(const QByteArray &frame, int expected, QByteArray &reply)
{
    Transaction t;
    t.frame = frame;
    t.expected = expected;
    m_queue.push_back(&t);
    if (!m_current)
        startNext();
    if (t.outcome == Outcome::Pending) {
        // Yield to the event loop until this transaction has its reply or its time-out;
        // an exchange started meanwhile queues behind it.
        QEventLoop loop;
        t.loop = &loop;
        loop.exec();
        t.loop = nullptr;
    }
    // A wait cut short (the program ends while a device is silent) leaves no transaction behind
    // pointing at this frame.
    if (t.outcome == Outcome::Pending)
        abandon(&t);
    reply = t.reply; // this transaction's own bytes, whatever ran meanwhile
    return t.outcome;
}

void Exchange::startNext()
{
    while (!m_current && !m_queue.empty()) {
        m_current = m_queue.front();
        m_queue.pop_front();
        if (!m_port.isOpen()) {
            qCDebug(lcLink) << "port closed: request not sent";
            finish(Outcome::PortClosed);
            continue;
        }
        if (activeGuard(m_current->slave())) {
            m_held = true; // sent when the guard ends
            discardLateBytes();
            return;
        }
        send();
    }
}

void Exchange::send()
{
    m_held = false;
    SendCommand(m_current->frame);
    m_current->sentAt = m_clock.now();
    m_timer->setInterval(m_limitMs);
    m_timer->start();
    // Bytes may already be waiting (a slave that answers at once on a fast link).
    if (m_port.bytesWaiting() > 0)
        onDataReceived();
}

void Exchange::abandon(Transaction *t)
{
    t->outcome = Outcome::PortClosed;
    if (m_current == t) {
        finish(Outcome::PortClosed);
        return;
    }
    m_queue.erase(std::remove(m_queue.begin(), m_queue.end(), t), m_queue.end());
}

Exchange::Guard *Exchange::activeGuard(uint8_t slave) const
{
    const auto it = m_guards.find(slave);
    return it != m_guards.end() && it->second->timer->isActive() ? it->second.get() : nullptr;
}

void Exchange::startGuard(uint8_t slave)
{
    std::unique_ptr<Guard> &g = m_guards[slave];
    if (!g) {
        g = std::make_unique<Guard>();
        g->timer = m_timers.create();
        g->timer->setInterval(LateGuardMs);
        connect(g->timer.get(), &Timer::timeout, this, [this, slave] { onGuardEnded(slave); });
    }
    g->timer->start();
}

void Exchange::onGuardEnded(uint8_t slave)
{
    m_guards[slave]->timer->stop();
    if (!m_current || !m_held || m_current->slave() != slave)
        return;
    if (!m_port.isOpen())
        finish(Outcome::PortClosed);
    else
        send();
}

// Bytes on the line restart every guard's quiet time.
void Exchange::lineNotQuiet()
{
    for (auto &[slave, g] : m_guards)
        if (g->timer->isActive())
            g->timer->start();
}

// Bytes that arrive while a request waits for its guard belong to an earlier, timed-out request:
// they are dropped undecoded and counted once per burst.
void Exchange::discardLateBytes()
{
    if (m_port.bytesWaiting() <= 0)
        return;
    const QByteArray bytes = m_port.readAll();
    publishStray(bytes);
    if (!m_burst->isActive()) {
        ++m_lateReplies;
        appendLog(QStringLiteral("late reply discarded: %1").arg(QString::fromLatin1(bytes.toHex(' '))));
    }
    m_burst->start();
    lineNotQuiet();
}

void Exchange::finish(Outcome outcome)
{
    m_timer->stop();
    m_held = false;
    Transaction *t = m_current;
    m_current = nullptr;
    if (t) {
        publish(*t, outcome);
        t->outcome = outcome;
        if (t->loop)
            t->loop->quit();
    }
    if (!m_queue.empty())
        QMetaObject::invokeMethod(
            this, [this] { startNext(); }, Qt::QueuedConnection);
}

// The receive handler: a reply is complete when n + 5 bytes are waiting; the first n + 5
// are kept and the rest dropped. The bytes are not examined here.
void Exchange::onDataReceived()
{
    if (m_held) {
        discardLateBytes();
        return;
    }
    if (!m_current) {
        if (!m_strayAt.isValid())
            m_strayAt = m_clock.now(); // published when the next request discards them
        lineNotQuiet();                // stray bytes: discarded by the next request
        return;
    }
    const int total = m_current->expected + 5;
    if (m_port.bytesWaiting() < total)
        return;
    QByteArray bytes = m_port.readAll();
    m_current->received = bytes;
    bytes.truncate(total);
    m_current->reply = bytes;
    m_lastReply = bytes;
    Q_EMIT replyTaken(bytes);
    finish(Outcome::Replied);
}

void Exchange::onTimer()
{
    if (m_current && !m_held) {
        startGuard(m_current->slave());
        finish(Outcome::TimedOut);
    } else {
        m_timer->stop();
    }
}

// A transaction that went on the wire ends: its record, judged as the reply check would.
void Exchange::publish(const Transaction &t, Outcome outcome)
{
    if (!t.sentAt.isValid())
        return; // never sent (the port was closed)
    TrafficRecord r;
    r.sentAt = t.sentAt;
    r.receivedAt = m_clock.now();
    r.request = t.frame;
    r.address = uint8_t(t.frame.at(0));
    r.function = uint8_t(t.frame.at(1));
    if (outcome == Outcome::Replied) {
        r.reply = t.received;
        r.verdict = judgeReply(r.reply, r.address, t.expected);
    } else {
        r.reply = m_port.isOpen() ? m_port.readAll() : QByteArray();
        r.verdict = judgeTimeout(r.reply, r.address);
    }
    m_lastPublished = r;
    Q_EMIT transactionEnded(r);
}

// Bytes that came while no request waited, as the next request discards them.
void Exchange::publishStray(const QByteArray &bytes)
{
    const QDateTime at = m_strayAt.isValid() ? m_strayAt : m_clock.now();
    m_strayAt = {};
    if (!m_lastPublished.hasRequest())
        return;
    TrafficRecord r;
    r.receivedAt = at;
    r.reply = bytes;
    r.address = m_lastPublished.address;
    r.function = m_lastPublished.function;
    r.verdict = judgeStray(m_lastPublished.verdict);
    m_lastPublished.verdict = r.verdict;
    Q_EMIT transactionEnded(r);
}

bool Exchange::readRegisters(uint8_t function, uint8_t selector, uint8_t selIndex)
{
    auto plan = valueReadPlan(selector, selIndex, CustomStart, CustomCount);
    if (!plan || function != 3) {
        ++failureCount;
        data[0] = data[1] = 0;
        return false;
    }
    if (plan->count > MaxRegistersPerRead) { // more than one reply can carry
        plan->count = MaxRegistersPerRead;
        plan->expected = 2 * MaxRegistersPerRead;
        if (selector == 255)
            CustomCount = plan->count;
    }
    RequestFields f;
    f.slave = CurAddr;
    f.function = 3;
    f.startLo = plan->start;
    f.countLo = plan->count;
    f.expected = plan->expected;
    const uint8_t slave = CurAddr;
    QByteArray reply;
    const Outcome o = transact(buildRequest(f), f.expected, reply);
    if (o != Outcome::Replied) {
        valueTimeout = true;
        ++failureCount;
        return false;
    }
    if (checkReply(reply, slave, f.expected, data)) {
        valueTimeout = false;
        return true;
    }
    ++failureCount;
    return false;
}

bool Exchange::addrExchange(uint8_t function, uint8_t reg, quint16 value)
{
    RequestFields f;
    f.slave = 0;
    f.function = function;
    f.startLo = reg;
    f.countLo = 1;
    if (function == 3) {
        f.expected = 2;
    } else if (function == 16 && (reg == 0 || reg == 4 || reg == 6)) {
        f.expected = 3;
        f.writeLength = 2;
        f.valueHi = static_cast<uint8_t>(value >> 8);
        f.valueLo = static_cast<uint8_t>(value & 0xFF);
    } else {
        return false;
    }
    QByteArray reply;
    const Outcome o = transact(buildRequest(f), f.expected, reply);
    if (o != Outcome::Replied) {
        m_op.message(tr8(texts::link::CommFault));
        addrTimeout = true;
        return false;
    }
    if (checkReply(reply, 0, f.expected, data))
        return true;
    m_op.message(tr8(texts::link::CommError));
    return false;
}

} // namespace kestrel

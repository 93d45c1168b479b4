// Our frames against Modbus code written elsewhere: a Qt SerialBus RTU server answering the
// exchange, libmodbus building the same requests, and mbpoll reading kestrel-sim.
#include "busfile.h"
#include "common/recordingoperator.h"
#include "common/simprocess.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/qtserialport.h"
#include "link/texts.h"
#include "ptylink.h"
#include "simbus.h"

#include <QModbusRtuSerialServer>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <poll.h>
#include <unistd.h>

#ifdef KESTREL_HAVE_LIBMODBUS
#include <modbus.h>
#endif

using namespace kestrel;

namespace {

// Two pseudo-terminals joined master to master: what goes into one end's device comes out of
// the other's, like a null-modem cable. Each end is reached through a link with a unique name.
class NullModem : public QObject {
public:
    bool open(QString *error)
    {
        for (End *e : {&m_a, &m_b}) {
            auto pty = sim::openRawPty(error);
            if (!pty)
                return false;
            e->pty = *pty;
            e->link = m_dir.filePath(QStringLiteral("nullmodem-%1-%2")
                                         .arg(QCoreApplication::applicationPid())
                                         .arg(e == &m_a ? "a" : "b"));
            if (!QFile::link(e->pty.device, e->link)) {
                *error = QStringLiteral("cannot link %1").arg(e->link);
                return false;
            }
        }
        m_a.notifier = std::make_unique<QSocketNotifier>(m_a.pty.master, QSocketNotifier::Read);
        m_b.notifier = std::make_unique<QSocketNotifier>(m_b.pty.master, QSocketNotifier::Read);
        connect(m_a.notifier.get(), &QSocketNotifier::activated, this, [this] { pump(m_a, m_b); });
        connect(m_b.notifier.get(), &QSocketNotifier::activated, this, [this] { pump(m_b, m_a); });
        return true;
    }
    ~NullModem() override
    {
        m_a.notifier.reset();
        m_b.notifier.reset();
        sim::closeRawPty(m_a.pty);
        sim::closeRawPty(m_b.pty);
    }
    QString endA() const { return m_a.link; }
    QString endB() const { return m_b.link; }

private:
    struct End {
        sim::RawPty pty;
        QString link;
        std::unique_ptr<QSocketNotifier> notifier;
    };
    static void pump(End &from, End &to)
    {
        char buf[512];
        ssize_t n;
        while ((n = ::read(from.pty.master, buf, sizeof buf)) > 0)
            [[maybe_unused]] const ssize_t w = ::write(to.pty.master, buf, static_cast<size_t>(n));
    }
    QTemporaryDir m_dir;
    End m_a, m_b;
};

struct Rig {
    explicit Rig(const QString &link)
    {
        PortMap map;
        map.set(3, link);
        port = std::make_unique<QtSerialPort>(map);
        port->setPortNumber(3);
        opened = port->open();
        ex = std::make_unique<Exchange>(*port, op);
    }
    test::RecordingOperator op;
    std::unique_ptr<QtSerialPort> port;
    std::unique_ptr<Exchange> ex;
    bool opened = false;
};

// Our request frame for a value read, as readRegisters builds it.
QByteArray ourRead(uint8_t addr, uint8_t selector, uint8_t selIndex, uint8_t customStart, uint8_t customCount)
{
    const auto plan = valueReadPlan(selector, selIndex, customStart, customCount);
    RequestFields f;
    f.slave = addr;
    f.function = 3;
    f.startLo = plan->start;
    f.countLo = plan->count;
    f.expected = plan->expected;
    return buildRequest(f);
}

QByteArray ourAddressWrite(uint8_t value)
{
    RequestFields f;
    f.slave = 0;
    f.function = 16;
    f.startLo = 0;
    f.countLo = 1;
    f.expected = 3;
    f.writeLength = 2;
    f.valueHi = 0;
    f.valueLo = value;
    return buildRequest(f);
}

} // namespace

class TestInterop : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void qtServerAnswersOurReads_data();
    void qtServerAnswersOurReads();
    void qtServerTakesOurBroadcastAddressWrite();
    void libmodbusBuildsTheSameFrames_data();
    void libmodbusBuildsTheSameFrames();
    void mbpollReadsTheSimulator_data();
    void mbpollReadsTheSimulator();

private:
    std::unique_ptr<NullModem> m_modem;
    std::unique_ptr<QModbusRtuSerialServer> m_server;
    std::unique_ptr<test::SimProcess> m_sim;
};

void TestInterop::initTestCase()
{
    m_modem = std::make_unique<NullModem>();
    QString error;
    QVERIFY2(m_modem->open(&error), qPrintable(error));
    m_server = std::make_unique<QModbusRtuSerialServer>();
    m_server->setConnectionParameter(QModbusDevice::SerialPortNameParameter, m_modem->endA());
    m_server->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, QSerialPort::Baud9600);
    m_server->setConnectionParameter(QModbusDevice::SerialParityParameter, QSerialPort::NoParity);
    m_server->setConnectionParameter(QModbusDevice::SerialDataBitsParameter, QSerialPort::Data8);
    m_server->setConnectionParameter(QModbusDevice::SerialStopBitsParameter, QSerialPort::OneStop);
    QModbusDataUnitMap map;
    map.insert(QModbusDataUnit::HoldingRegisters, QModbusDataUnit(QModbusDataUnit::HoldingRegisters, 0, 256));
    m_server->setMap(map);
    const QList<QPair<int, quint16>> values = {{2, 215},     {3, 456},     {6, 789},     {8, 31},
                                                {9, 48},      {10, 35},     {240, 0x2304}, {241, 0x1500},
                                                {242, 0x0117}, {243, 0x5119}};
    for (const auto &[reg, v] : values)
        QVERIFY(m_server->setData(QModbusDataUnit::HoldingRegisters, static_cast<quint16>(reg), v));
    QVERIFY2(m_server->connectDevice(), qPrintable(m_server->errorString()));
}

void TestInterop::cleanupTestCase()
{
    if (m_server)
        m_server->disconnectDevice();
    m_server.reset();
    m_modem.reset();
    m_sim.reset();
}

void TestInterop::qtServerAnswersOurReads_data()
{
    QTest::addColumn<int>("server");
    QTest::addColumn<int>("selector");
    QTest::addColumn<int>("selIndex");
    QTest::addColumn<int>("customStart");
    QTest::addColumn<int>("customCount");
    QTest::addColumn<QList<int>>("words");
    QTest::newRow("selector 2, count 2") << 1 << 2 << 0 << 0 << 0 << QList<int>{215, 456};
    QTest::newRow("selector 2, count 1") << 1 << 2 << 2 << 0 << 0 << QList<int>{215};
    QTest::newRow("selector 3") << 1 << 3 << 0 << 0 << 0 << QList<int>{456, 0};
    QTest::newRow("selector 6") << 1 << 6 << 3 << 0 << 0 << QList<int>{789};
    QTest::newRow("free read of 9 from 2") << 1 << 255 << 0 << 2 << 9
                                           << QList<int>{215, 456, 0, 0, 789, 0, 31, 48, 35};
    QTest::newRow("identity block") << 1 << 255 << 0 << 240 << 1 << QList<int>{0x2304, 0x1500, 0x0117, 0x5119};
    QTest::newRow("server at address 247") << 247 << 2 << 0 << 0 << 0 << QList<int>{215, 456};
}

void TestInterop::qtServerAnswersOurReads()
{
    QFETCH(int, server);
    QFETCH(int, selector);
    QFETCH(int, selIndex);
    QFETCH(int, customStart);
    QFETCH(int, customCount);
    QFETCH(QList<int>, words);
    m_server->setServerAddress(server);
    Rig r(m_modem->endB());
    QVERIFY(r.opened);
    r.ex->CurAddr = static_cast<uint8_t>(server);
    r.ex->CustomStart = static_cast<uint8_t>(customStart);
    r.ex->CustomCount = static_cast<uint8_t>(customCount);
    QVERIFY2(r.ex->readRegisters(3, static_cast<uint8_t>(selector), static_cast<uint8_t>(selIndex)),
             qPrintable(QStringLiteral("sent %1, got %2")
                            .arg(QString::fromLatin1(r.ex->lastRequest().toHex(' ')),
                                 QString::fromLatin1(r.ex->lastReply().toHex(' ')))));
    QList<int> got;
    for (int i = 0; i < words.size(); ++i)
        got << r.ex->word(2 * i);
    QCOMPARE(got, words);
    QCOMPARE(r.ex->failureCount, quint16(0));
}

// The server takes address 0 as the broadcast address: it applies a write sent there and, as
// Modbus requires, does not answer it. The value it stored shows it read our frame as we meant it;
// the exchange, left without an answer, reports the time-out.
void TestInterop::qtServerTakesOurBroadcastAddressWrite()
{
    m_server->setServerAddress(1);
    QVERIFY(m_server->setData(QModbusDataUnit::HoldingRegisters, 0, 1));
    Rig r(m_modem->endB());
    QVERIFY(r.opened);
    r.ex->data[0] = 0;
    r.ex->data[1] = 12;
    QVERIFY(!r.ex->addrExchange(16, 0));
    quint16 reg0 = 0;
    QVERIFY(m_server->data(QModbusDataUnit::HoldingRegisters, 0, &reg0));
    QCOMPARE(reg0, quint16(12));
    QCOMPARE(r.op.texts(), QStringList{QString::fromUtf8(texts::CommFault)});
}

void TestInterop::libmodbusBuildsTheSameFrames_data()
{
    QTest::addColumn<int>("slave");
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("ours");
    QTest::newRow("T+RH read") << 1 << 3 << 2 << 2 << 0 << ourRead(1, 2, 0, 0, 0);
    QTest::newRow("CO2 read") << 2 << 3 << 6 << 1 << 0 << ourRead(2, 6, 3, 0, 0);
    QTest::newRow("free read of 9 from 2") << 3 << 3 << 2 << 9 << 0 << ourRead(3, 255, 0, 2, 9);
    // libmodbus keeps RTU slave addresses to 1..247.
    QTest::newRow("identity block") << 247 << 3 << 240 << 4 << 0 << ourRead(247, 255, 0, 240, 1);
    QTest::newRow("free read of 125") << 17 << 3 << 0 << 125 << 0 << ourRead(17, 255, 0, 0, 125);
    QTest::newRow("read address") << 0 << 3 << 0 << 1 << 0 << QByteArray::fromHex("00030000000185DB");
    QTest::newRow("set address 12") << 0 << 16 << 0 << 1 << 12 << ourAddressWrite(12);
    QTest::newRow("set address 255") << 0 << 16 << 0 << 1 << 255 << ourAddressWrite(255);
}

// libmodbus writes its request for the same operation on a terminal; the bytes must be ours.
void TestInterop::libmodbusBuildsTheSameFrames()
{
#ifndef KESTREL_HAVE_LIBMODBUS
    QSKIP("libmodbus was not found when building");
#else
    QFETCH(int, slave);
    QFETCH(int, function);
    QFETCH(int, start);
    QFETCH(int, count);
    QFETCH(int, value);
    QFETCH(QByteArray, ours);
    QString error;
    auto pty = sim::openRawPty(&error);
    QVERIFY2(pty, qPrintable(error));
    modbus_t *ctx = modbus_new_rtu(QFile::encodeName(pty->device).constData(), 9600, 'N', 8, 1);
    QVERIFY(ctx);
    QCOMPARE(modbus_set_slave(ctx, slave), 0);
    QCOMPARE(modbus_connect(ctx), 0);
    modbus_set_response_timeout(ctx, 0, 20000); // nobody answers; only the request matters
    if (function == 3) {
        uint16_t dest[125];
        modbus_read_registers(ctx, start, count, dest);
    } else {
        const uint16_t v = static_cast<uint16_t>(value);
        modbus_write_registers(ctx, start, 1, &v);
    }
    QByteArray theirs;
    pollfd pfd{pty->master, POLLIN, 0};
    char buf[512];
    while (::poll(&pfd, 1, 50) > 0) {
        const ssize_t n = ::read(pty->master, buf, sizeof buf);
        if (n <= 0)
            break;
        theirs.append(buf, n);
    }
    modbus_close(ctx);
    modbus_free(ctx);
    sim::closeRawPty(*pty);
    QCOMPARE(theirs.toHex(' '), ours.toHex(' '));
#endif
}

void TestInterop::mbpollReadsTheSimulator_data()
{
    QTest::addColumn<int>("addr");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::newRow("T+RH at 1") << 1 << 2 << 2;
    QTest::newRow("address and T+RH at 1") << 1 << 0 << 4;
    QTest::newRow("CO2 at 2") << 2 << 6 << 1;
    QTest::newRow("O2 at 4") << 4 << 13 << 1;
    QTest::newRow("polling block at 7") << 7 << 2 << 9;
    QTest::newRow("identity block at 7") << 7 << 240 << 4;
    QTest::newRow("HCHO at 8") << 8 << 18 << 1;
}

// mbpoll (libmodbus underneath) reads the demo bus with fixed values; the words must be those of
// the bus model.
void TestInterop::mbpollReadsTheSimulator()
{
    const QString mbpoll = QStandardPaths::findExecutable(QStringLiteral("mbpoll"));
    if (mbpoll.isEmpty())
        QSKIP("mbpoll is not installed");
    QFETCH(int, addr);
    QFETCH(int, start);
    QFETCH(int, count);
    if (!m_sim) {
        m_sim = std::make_unique<test::SimProcess>(QStringLiteral("demo"), QStringList{QStringLiteral("--fixed")});
        QVERIFY2(m_sim->start(), qPrintable(m_sim->errorString()));
    }
    sim::SimBus model(sim::parseBusText(sim::demoBusText()).devices);
    model.setFixed(true);

    QProcess p;
    // mbpoll's references are 1-based: register r is reference r + 1.
    p.start(mbpoll, {QStringLiteral("-m"), QStringLiteral("rtu"), QStringLiteral("-a"), QString::number(addr),
                     QStringLiteral("-r"), QString::number(start + 1), QStringLiteral("-c"), QString::number(count),
                     QStringLiteral("-t"), QStringLiteral("4:hex"), QStringLiteral("-b"), QStringLiteral("9600"),
                     QStringLiteral("-P"), QStringLiteral("none"), QStringLiteral("-1"), m_sim->linkPath()});
    QVERIFY(p.waitForFinished(10000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    QVERIFY2(p.exitCode() == 0, qPrintable(out + QString::fromUtf8(p.readAllStandardError())));
    static const QRegularExpression line(QStringLiteral("^\\[(\\d+)\\]:\\s+0x([0-9A-Fa-f]{4})\\s*$"),
                                         QRegularExpression::MultilineOption);
    QMap<int, int> got;
    for (auto it = line.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        got[m.captured(1).toInt() - 1] = m.captured(2).toInt(nullptr, 16);
    }
    QMap<int, int> expected;
    for (int r = start; r < start + count; ++r)
        expected[r] = *model.registerValue(static_cast<uint8_t>(addr), r);
    QCOMPARE(got, expected);
}

QTEST_GUILESS_MAIN(TestInterop)
#include "tst_interop.moc"

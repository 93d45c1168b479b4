// The CRC calculator without a window: normalising, the 50-byte limit, decimal and hexadecimal
// entry with their messages, the key rule, and the CRC of frames that libmodbus and Qt SerialBus
// put on a serial line.
#include "common/recordingoperator.h"
#include "console/crcconsole.h"
#include "console/texts.h"
#include "link/crc16.h"
#include "ptylink.h"

#include <QDeadlineTimer>
#include <QModbusRtuSerialClient>
#include <QtTest>
#include <functional>
#include <unistd.h>
#ifdef KESTREL_HAVE_LIBMODBUS
#include <modbus.h>
#endif

using namespace kestrel;
using namespace kestrel::texts::console;

namespace
{

QString t8(const char *t)
{
    return QString::fromUtf8(t);
}

QString repeat(const char *part, int n)
{
    return QString::fromLatin1(part).repeated(n);
}

// What arrives on the far end of a pseudo-terminal while `send` writes to its device and the
// event loop runs, until `length` bytes have come or a second has passed.
QByteArray onTheWire(const std::function<void(const QString &device)> &send, qsizetype length)
{
    std::optional<sim::RawPty> pty = sim::openRawPty();
    if (!pty)
        return {};
    send(pty->device);
    QByteArray got;
    char buf[256];
    for (QDeadlineTimer deadline(1000); got.size() < length && !deadline.hasExpired();) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        for (ssize_t n; (n = ::read(pty->master, buf, sizeof buf)) > 0;)
            got.append(buf, n);
    }
    sim::closeRawPty(*pty);
    return got;
}

QString spaced(const QByteArray &bytes, const char *format) // "%x" or "%d", one blank after each
{
    QString s;
    for (const char b : bytes)
        s += QString::asprintf(format, uint8_t(b)) + u' ';
    return s;
}

} // namespace

class TestCrcConsole : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Every case starts from the CRC of a read of address 0 (DB 85 on the wire) in the boxes.
    void cacCrc_data()
    {
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("command"); // the box afterwards
        QTest::addColumn<QString>("high");
        QTest::addColumn<QString>("low");
        QTest::addColumn<QString>("message"); // title "Error"
        QTest::addColumn<bool>("selectAll");

        const auto row = [](const char *name, bool hex, const QString &typed, const QString &command,
                            const char *high, const char *low, const QString &message = {},
                            bool selectAll = false) {
            QTest::newRow(name) << hex << typed << command << QString(high) << QString(low) << message
                                << selectAll;
        };
        row("hex rewritten to two digits", true, "1 3 0 0 0 1", "01 03 00 00 00 01 ", "0A", "84");
        row("decimal", false, "1 3 0 0 0 1", "1 3 0 0 0 1", "10", "132");
        row("blanks at the ends and runs of blanks", false, "  1   3 0  0 0    1  ", "1 3 0 0 0 1", "10",
            "132");
        row("tabs and an ideographic space are blanks", true, "\t1\t3 0\u30000 0 1\n", "01 03 00 00 00 01 ",
            "0A", "84");
        row("hex of any case and length", true, "d 3 0 002 00 2", "0D 03 00 02 00 02 ", "07", "65");
        row("zz counts as 00, 3g as 03", true, "1 3g 0 0 zz 1", "01 03 00 00 00 01 ", "0A", "84");
        row("decimal halves to even", false, "13 3 0 2.5 0 1.5", "13 3 0 2.5 0 1.5", "7", "101");
        // A frame followed by its CRC leaves 0; zero bytes after that keep it 0.
        const QString frame50 = "1 3 0 0 0 1 132 10" + repeat(" 0", 42);
        row("50 bytes accepted", false, frame50, frame50, "0", "0");
        row("51 bytes refused", false, " " + frame50 + "  0", frame50 + " 0", "219", "133", t8(TooManyBytes),
            true);
        row("decimal 300", false, "1 3 300", "1 3 300", "219", "133", t8(ByteOutOfRange));
        row("decimal 255.5", false, "255.5", "255.5", "219", "133", t8(ByteOutOfRange));
        row("decimal -1", false, "1 -1", "1 -1", "219", "133", t8(ByteOutOfRange));
        row("not a number empties the boxes", false, "1 x 3", "1 x 3", "", "", t8(NotDecimal));
        row("hex entry in decimal", false, "1 0A", "1 0A", "", "", t8(NotDecimal));
        row("hex 1FF keeps the parts before it", true, "1 1ff 3", "01 ", "DB", "85", t8(ByteOutOfRange),
            true);
        row("hex of many digits", true, "0000000000001 FFFFFFFFFFFFFFFFFFFF", "01 ", "DB", "85",
            t8(ByteOutOfRange), true);
        row("empty", false, "", "", "219", "133", t8(NoCommand));
        row("blanks only", true, "   ", "", "DB", "85", t8(NoCommand));
    }
    void cacCrc()
    {
        QFETCH(bool, hex);
        QFETCH(QString, typed);
        QFETCH(QString, command);
        QFETCH(QString, high);
        QFETCH(QString, low);
        QFETCH(QString, message);
        QFETCH(bool, selectAll);
        test::RecordingOperator op;
        CrcConsole c(op);
        c.setHex(hex);
        c.setCommand(QStringLiteral("0 3 0 0 0 1"));
        QVERIFY(c.cacCrc_Click());
        QSignalSpy selected(&c, &CrcConsole::selectAllRequested);
        c.setCommand(typed);
        QCOMPARE(c.cacCrc_Click(), message.isEmpty());
        QCOMPARE(c.command(), command);
        QCOMPARE(c.crcHigh(), high);
        QCOMPARE(c.crcLow(), low);
        QCOMPARE(op.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty())
            QCOMPARE(op.messages.first().title, t8(ErrorTitle));
        QCOMPARE(selected.size(), selectAll ? 1 : 0);
    }

    void keyPress_data()
    {
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("taken"); // empty: refused
        QTest::addColumn<QString>("message");
        const auto row = [](const char *name, bool hex, const QString &key, const QString &taken,
                            const QString &message = {}) {
            QTest::newRow(name) << hex << key << taken << message;
        };
        row("decimal digit", false, "7", "7");
        row("blank", false, " ", " ");
        row("Backspace", true, "\b", "\b");
        row("decimal: letter", false, "a", "", t8(TypeDecimal));
        row("decimal: point", false, ".", "", t8(TypeDecimal));
        row("decimal: full-width digit", false, "\uFF17", "", t8(TypeDecimal));
        row("hex: digit", true, "9", "9");
        row("hex: letter in upper case", true, "f", "F");
        row("hex: g", true, "g", "", t8(TypeHex));
        row("hex: x", true, "x", "", t8(TypeHex));
    }
    void keyPress()
    {
        QFETCH(bool, hex);
        QFETCH(QString, key);
        QFETCH(QString, taken);
        QFETCH(QString, message);
        test::RecordingOperator op;
        CrcConsole c(op);
        c.setHex(hex);
        const std::optional<QChar> k = c.txtSendCmd_KeyPress(key.front());
        QCOMPARE(k ? QString(*k) : QString(), taken);
        QCOMPARE(op.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty())
            QCOMPARE(op.messages.first().title, QString()); // the application title
    }

    void enterCalculates()
    {
        test::RecordingOperator op;
        CrcConsole c(op);
        QVERIFY(!c.txtSendCmd_KeyPress(u'\r'));
        QCOMPARE(op.texts(), QStringList{t8(NoCommand)});
        QCOMPARE(op.messages.first().title, t8(ErrorTitle));
        c.setCommand(QStringLiteral("1 3 0 0 0 1"));
        QVERIFY(!c.txtSendCmd_KeyPress(u'\r'));
        QCOMPARE(c.crcHigh() + u'|' + c.crcLow(), QStringLiteral("10|132"));
        QCOMPARE(op.messages.size(), 1);
    }

    // Frames written by Modbus code from elsewhere end in the CRC of what comes before them (low
    // byte first); the calculator, given those bytes, shows the same two bytes, and given the whole
    // frame shows 0 0.
    void peerFrames_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QModbusRtuSerialClient client;
        std::unique_ptr<QModbusReply> pending; // the request stays queued while its reply lives
        const QByteArray qtWrite = onTheWire(
            [&](const QString &device) {
                client.setConnectionParameter(QModbusDevice::SerialPortNameParameter, device);
                client.setConnectionParameter(QModbusDevice::SerialBaudRateParameter, 9600);
                client.setTimeout(50);
                client.setNumberOfRetries(0);
                if (client.connectDevice())
                    pending.reset(client.sendWriteRequest(
                        QModbusDataUnit(QModbusDataUnit::HoldingRegisters, 4, {12, 0xABCD}), 17));
            },
            7 + 4 + 2);
        client.disconnectDevice();
        QTest::newRow("Qt SerialBus: write 2 registers") << qtWrite;
#ifdef KESTREL_HAVE_LIBMODBUS
        const auto libmodbus = [](int slave, const std::function<void(modbus_t *)> &act, qsizetype length) {
            return onTheWire(
                [&](const QString &device) {
                    modbus_t *ctx = modbus_new_rtu(device.toLocal8Bit().constData(), 9600, 'N', 8, 1);
                    if (ctx && modbus_set_slave(ctx, slave) == 0 && modbus_connect(ctx) == 0) {
                        modbus_set_response_timeout(ctx, 0, 20000);
                        act(ctx);
                        modbus_close(ctx);
                    }
                    modbus_free(ctx);
                },
                length);
        };
        uint16_t regs[3] = {215, 456, 0xFFCE};
        const QByteArray read = libmodbus(
            1, [&](modbus_t *ctx) { modbus_read_registers(ctx, 2, 3, regs); }, 8);
        QTest::newRow("libmodbus: read 3 registers") << read;
        QTest::newRow("libmodbus: write 3 registers") << libmodbus(
            247, [&](modbus_t *ctx) { modbus_write_registers(ctx, 240, 3, regs); }, 7 + 6 + 2);
        uint8_t bits[328];
        for (int i = 0; i < 328; ++i)
            bits[i] = uint8_t((i * 7) % 3 == 0);
        QTest::newRow("libmodbus: write 328 coils, 50 bytes") << libmodbus(
            9, [&](modbus_t *ctx) { modbus_write_bits(ctx, 0, 328, bits); }, 50);
        modbus_mapping_t *map = modbus_mapping_new(0, 0, 8, 0);
        std::copy(regs, regs + 3, map->tab_registers + 2);
        const auto reply = [&](const QByteArray &request, qsizetype length) {
            return libmodbus(
                1,
                [&](modbus_t *ctx) {
                    modbus_reply(ctx, reinterpret_cast<const uint8_t *>(request.constData()),
                                 int(request.size()), map);
                },
                length);
        };
        QTest::newRow("libmodbus: reply with 3 registers") << reply(read, 3 + 6 + 2);
        QByteArray beyond = read;
        beyond[3] = 7; // registers 7..9 of a map of 8
        QTest::newRow("libmodbus: exception reply") << reply(withCrc(beyond.left(6)), 5);
        modbus_mapping_free(map);
#endif
    }
    void peerFrames()
    {
        QFETCH(QByteArray, frame);
        QVERIFY2(frame.size() >= 5, frame.toHex(' '));
        const qsizetype n = frame.size();
        const Crc crc = CRC16(frame, int(n - 2));
        QCOMPARE(crc.lo, uint8_t(frame[n - 2]));
        QCOMPARE(crc.hi, uint8_t(frame[n - 1]));

        test::RecordingOperator op;
        CrcConsole c(op);
        c.setHex(true);
        c.setCommand(spaced(frame.left(n - 2), "%x"));
        QVERIFY(c.cacCrc_Click());
        QCOMPARE(c.crcLow(), frame.mid(n - 2, 1).toHex().toUpper());
        QCOMPARE(c.crcHigh(), frame.mid(n - 1, 1).toHex().toUpper());
        c.setHex(false);
        c.setCommand(spaced(frame, "%d"));
        QVERIFY(c.cacCrc_Click());
        QCOMPARE(c.crcHigh() + u' ' + c.crcLow(), QStringLiteral("0 0"));
    }
};

QTEST_GUILESS_MAIN(TestCrcConsole)
#include "tst_crcconsole.moc"
